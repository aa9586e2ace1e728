#pragma once
// "Jumbo Frame Configuration": jumbo frames on or off.
#include "features/common/form_write.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

class CJumboFrameDlg : public platform::Form {
public:
    enum : int { IDC_JUMBO_ENABLE = 1741, IDC_NOTE = 1742, IDC_APPLY = 1743 };

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void ReadState();
    void OnApply();

    // Declaration order is the close order: the writer waits for its request before the session goes.
    CCommonSnmp m_cCommonSNMP;
    CTableWalk m_read{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMP};
};
