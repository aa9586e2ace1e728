#pragma once
// "Syslog Host Configuration": the switch's remote syslog server (address, UDP port, facility,
// severity) and whether remote logging is on.
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

class CSyslogHostDlg : public platform::Form {
public:
    enum : int {
        IDC_SYSLOG_ENABLE = 4991,
        IDC_STATE_APPLY = 4992,
        IDC_HOST_IP = 4993,
        IDC_UDP_PORT = 4994,
        IDC_FACILITY = 4995,
        IDC_SEVERITY = 4996,
        IDC_REFRESH = 4997,
        IDC_APPLY = 4998,
        IDC_CLOSE = platform::kIdCancel,
    };

    // True while the Refresh read is on its way.
    bool Reading() const { return m_read.Running(); }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnEnableClick();
    void OnRefresh();
    void OnRead(const ReplyRow& row);
    void OnStateApply();
    void OnApply();
    void EnableFields(bool on);

    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;     // reads
    CCommonSnmp m_cCommonSNMPSet;  // writes
    CTableWalk m_read{m_cCommonSNMP};
};
