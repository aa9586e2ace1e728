#include "features/maintenance/syslog_host_dlg.h"

#include <string>

#include "features/common/form_reads.h"
#include "features/maintenance/maint_oids.h"
#include "platform/ui.h"
#include "snmp/session_close.h"

namespace {

constexpr const char* kMsgStateSet = "Set System log Server successfully";
constexpr const char* kMsgServerError = "Syslog Server IP Error.";
constexpr const char* kMsgPortRange = "Invalid UDP port range (1-65535)";

constexpr int kFacilityBase = 128;  // local0; local1 to local7 follow in steps of 8
constexpr int kFacilityStep = 8;
constexpr int kFacilities = 8;
constexpr const char* kSeverityValues[] = {"4", "6", "7"};

// A port number typed by the user: digits only, 1 to 65535; 0 for anything else.
int ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5) return 0;
    int port = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return 0;
        port = port * 10 + (c - '0');
    }
    return port >= 1 && port <= 65535 ? port : 0;
}

}  // namespace

void CSyslogHostDlg::createControls() {
    setCaption("Syslog Host Configuration");
    setSize(380, 300);
    auto& state = addGroup(0, "Syslog");
    state.addCheck(IDC_SYSLOG_ENABLE, "SysLogEnable").onToggle([this] { OnEnableClick(); });
    // Both Apply buttons write what the form shows: only once all five objects were read.
    state.addButton(IDC_STATE_APPLY, "Apply", [this] { OnStateApply(); }).sameLine().needsRead();
    auto& config = addGroup(0, "Configuratiom");
    config.addLabel(0, "Host IP:");
    config.addIpAddress(IDC_HOST_IP);
    config.addLabel(0, "UDP Port(1-65535):");
    config.addEdit(IDC_UDP_PORT).setMaxLength(5);
    config.addLabel(0, "Facility:");
    config.addCombo(IDC_FACILITY,
                    {"local0", "local1", "local2", "local3", "local4", "local5", "local6", "local7"});
    config.addLabel(0, "Severity:");
    config.addCombo(IDC_SEVERITY, {"warning", "info", "all"});
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(IDC_CLOSE, "&Close");
}

void CSyslogHostDlg::initDialog() {
    EnableFields(false);
    get<platform::EditBox>(IDC_UDP_PORT).setText("514");
    OnRefresh();
}

void CSyslogHostDlg::destroyWindow() {
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

void CSyslogHostDlg::EnableFields(bool on) { enable({IDC_HOST_IP, IDC_UDP_PORT, IDC_FACILITY, IDC_SEVERITY}, on); }

void CSyslogHostDlg::OnEnableClick() { EnableFields(get<platform::CheckBox>(IDC_SYSLOG_ENABLE).checked()); }

void CSyslogHostDlg::OnRefresh() {
    features::AsyncRead(*this, "syslog", m_read,
                        {maint::kOidSyslogServer, maint::kOidSyslogPort, maint::kOidSyslogFacility, maint::kOidSyslogSeverity,
                         maint::kOidSyslogState},
                        [this](const ReplyRow& row, CSnmp&) {
                            OnRead(row);
                            return false;
                        });
}

void CSyslogHostDlg::OnRead(const ReplyRow& row) {
    // Each value fills its field when the switch sent it; a missing one leaves the field as it was.
    if (row.present(0) && row.value(0).type == SNMP_T_IPADDRESS)
        get<platform::IpAddressField>(IDC_HOST_IP).setAddress(row.text(0));
    if (row.present(1)) get<platform::EditBox>(IDC_UDP_PORT).setText(row.text(1).substr(0, 5));
    if (row.present(2)) {
        int index = 0;
        for (int i = 0; i < kFacilities; ++i)
            if (row.text(2) == std::to_string(kFacilityBase + kFacilityStep * i)) index = i;
        get<platform::ComboBox>(IDC_FACILITY).setCurrent(index);
    }
    if (row.present(3)) {
        auto& severity = get<platform::ComboBox>(IDC_SEVERITY);
        for (int i = 0; i < 3; ++i)
            if (row.text(3) == kSeverityValues[i]) severity.setCurrent(i);
    }
    if (row.present(4)) {
        const bool on = row.text(4) == "1";
        get<platform::CheckBox>(IDC_SYSLOG_ENABLE).setChecked(on);
        EnableFields(on);
    }
}

void CSyslogHostDlg::OnStateApply() {
    if (!m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) return;
    const char* value = get<platform::CheckBox>(IDC_SYSLOG_ENABLE).checked() ? "1" : "2";
    if (m_cCommonSNMPSet.AddValue(maint::kOidSyslogState, SNMP_T_INTEGER, value) != 0) return;
    CSnmp* reply = nullptr;
    const int rc = m_cCommonSNMPSet.Send(&reply, 0);
    delete reply;
    if (rc == 0) platform::ShowMessage(kMsgStateSet);
}

void CSyslogHostDlg::OnApply() {
    const auto& ip = get<platform::IpAddressField>(IDC_HOST_IP);
    const int severity = get<platform::ComboBox>(IDC_SEVERITY).current();
    const int facility = get<platform::ComboBox>(IDC_FACILITY).current();
    if (severity < 0 || severity > 2 || facility < 0 || facility >= kFacilities || !ip.complete()) return;
    const int first = ip.octet(0).value_or(0), last = ip.octet(3).value_or(0);
    if (first == 0 || first == 255 || last == 0 || last == 255) {
        platform::ShowMessage(kMsgServerError);
        return;
    }
    const int port = ParsePort(get<platform::EditBox>(IDC_UDP_PORT).text());
    if (port == 0) {
        platform::ShowMessage(kMsgPortRange);
        return;
    }
    if (!m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) return;
    const std::string portText = std::to_string(port);
    const std::string facilityText = std::to_string(kFacilityBase + kFacilityStep * facility);
    if (m_cCommonSNMPSet.AddValue(maint::kOidSyslogServer, SNMP_T_IPADDRESS, ip.address().c_str()) != 0 ||
        m_cCommonSNMPSet.AddValue(maint::kOidSyslogPort, SNMP_T_INTEGER, portText.c_str()) != 0 ||
        m_cCommonSNMPSet.AddValue(maint::kOidSyslogSeverity, SNMP_T_INTEGER, kSeverityValues[severity]) != 0 ||
        m_cCommonSNMPSet.AddValue(maint::kOidSyslogFacility, SNMP_T_INTEGER, facilityText.c_str()) != 0)
        return;
    CSnmp* reply = nullptr;
    m_cCommonSNMPSet.Send(&reply, 0);
    delete reply;
}
