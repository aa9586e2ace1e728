#pragma once
// System information: the MIB-II system group, with sysName and sysLocation editable.
#include "features/common/form_write.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

class CSysInfoDlg : public platform::Form {
public:
    CSysInfoDlg() = default;

    // Control identifiers.
    static constexpr int kIdName = 1310;
    static constexpr int kIdLocation = 1313;
    static constexpr int kIdContact = 1312;
    static constexpr int kIdRuntime = 1304;
    static constexpr int kIdObjectId = 1303;
    static constexpr int kIdDescription = 1302;
    static constexpr int kIdRefresh = 103;
    static constexpr int kIdApply = 1145;
    static constexpr int kIdClose = 1146;

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    // keepTyped: the read after a write the switch did not take, which leaves the name and
    // location the user typed in their boxes for another try.
    void OnRefresh(bool keepTyped);
    void OnApply();
    void OnRead(const ReplyRow& values);

    CCommonSnmp m_cCommonSNMP;     // reads
    CCommonSnmp m_cCommonSNMPSet;  // writes
    CTableWalk m_read{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
    bool m_bKeepTyped = false;
};
