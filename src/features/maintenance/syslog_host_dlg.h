#pragma once
// "Syslog Host Configuration": the switch's remote syslog server (address, UDP port, facility,
// severity) and whether remote logging is on.
#include "features/common/form_write.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"
#include "snmp/validation.h"

namespace maint {

// What the switch makes of a syslog server address typed into the form.
enum class SyslogHost {
    Valid,    // a unicast host
    Clear,    // 0.0.0.0: no server, remote logging goes nowhere
    Blank,    // a field left empty
    Invalid,  // 0.x, loopback, multicast or reserved, or a network or broadcast address
};
// Every field counts: a blank one is not taken for 0, and the first number must name a unicast
// network (1 to 223, not 127), the last a host (not 0 or 255).
SyslogHost CheckSyslogHost(const IpFields& fields);

}  // namespace maint

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
    // keepTyped: the read after a write the switch did not take, which leaves the address and
    // port the user typed in their boxes for another try.
    void OnRefresh(bool keepTyped);
    void OnRead(const ReplyRow& row);
    void OnStateApply();
    void OnApply();
    void EnableFields(bool on);

    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;     // reads
    CCommonSnmp m_cCommonSNMPSet;  // writes
    CTableWalk m_read{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
    bool m_bKeepTyped = false;  // the read under way leaves the typed address and port alone
};
