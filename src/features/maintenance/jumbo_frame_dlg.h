#pragma once
// "Jumbo Frame Configuration": jumbo frames on or off.
#include "platform/form.h"
#include "snmp/common_snmp.h"

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

    CCommonSnmp m_cCommonSNMP;
};
