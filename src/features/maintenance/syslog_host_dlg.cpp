#include "features/maintenance/syslog_host_dlg.h"

#include <string>

#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/maintenance/maint_oids.h"
#include "platform/ui.h"
#include "snmp/session_close.h"

namespace {

constexpr const char* kMsgStateSet = "Set System log Server successfully";
constexpr const char* kMsgServerError = "Syslog Server IP Error.";
constexpr const char* kMsgPortRange = "Invalid UDP port range (1-65535)";
constexpr const char* kMsgHostCleared = "The syslog host was cleared.";

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

namespace maint {

SyslogHost CheckSyslogHost(const IpFields& f) {
    for (int v : f)
        if (v < 0 || v > 255) return SyslogHost::Blank;
    if (f[0] == 0 && f[1] == 0 && f[2] == 0 && f[3] == 0) return SyslogHost::Clear;
    if (f[0] == 0 || f[0] == 127 || f[0] >= 224 || f[3] == 0 || f[3] == 255) return SyslogHost::Invalid;
    return SyslogHost::Valid;
}

}  // namespace maint

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
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(false); });
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(IDC_CLOSE, "&Close");
}

void CSyslogHostDlg::initDialog() {
    EnableFields(false);
    get<platform::EditBox>(IDC_UDP_PORT).setText("514");
    OnRefresh(false);
}

void CSyslogHostDlg::destroyWindow() {
    // A request still on its way ends first; its outcome goes nowhere.
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

void CSyslogHostDlg::EnableFields(bool on) { enable({IDC_HOST_IP, IDC_UDP_PORT, IDC_FACILITY, IDC_SEVERITY}, on); }

void CSyslogHostDlg::OnEnableClick() { EnableFields(get<platform::CheckBox>(IDC_SYSLOG_ENABLE).checked()); }

void CSyslogHostDlg::OnRefresh(bool keepTyped) {
    m_bKeepTyped = keepTyped;
    const bool sent = features::AsyncRead(
        *this, "syslog", m_read,
        {maint::kOidSyslogServer, maint::kOidSyslogPort, maint::kOidSyslogFacility, maint::kOidSyslogSeverity,
         maint::kOidSyslogState},
        [this](const ReplyRow& row, CSnmp&) {
            OnRead(row);
            return false;
        },
        [this](int) { m_bKeepTyped = false; });
    if (!sent) m_bKeepTyped = false;
}

void CSyslogHostDlg::OnRead(const ReplyRow& row) {
    const bool keepTyped = m_bKeepTyped;
    // Each value fills its field when the switch sent it; a missing one leaves the field as it was.
    if (!keepTyped && row.present(0) && row.value(0).type == SNMP_T_IPADDRESS)
        get<platform::IpAddressField>(IDC_HOST_IP).setAddress(row.text(0));
    if (!keepTyped && row.present(1)) get<platform::EditBox>(IDC_UDP_PORT).setText(row.text(1).substr(0, 5));
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
    const bool on = get<platform::CheckBox>(IDC_SYSLOG_ENABLE).checked();
    m_write.Send("The syslog state", {features::SetValue::Text(maint::kOidSyslogState, SNMP_T_INTEGER, on ? "1" : "2")},
                 [this](bool ok) {
                     if (ok) platform::ShowMessage(kMsgStateSet);
                     else OnRefresh(true);
                 });
}

void CSyslogHostDlg::OnApply() {
    auto& ip = get<platform::IpAddressField>(IDC_HOST_IP);
    const int severity = get<platform::ComboBox>(IDC_SEVERITY).current();
    const int facility = get<platform::ComboBox>(IDC_FACILITY).current();
    if (severity < 0 || severity > 2 || facility < 0 || facility >= kFacilities) return;
    IpFields fields{};
    for (int i = 0; i < 4; ++i) fields[static_cast<std::size_t>(i)] = ip.octet(i).value_or(-1);
    const maint::SyslogHost host = maint::CheckSyslogHost(fields);
    if (host == maint::SyslogHost::Blank || host == maint::SyslogHost::Invalid) {
        platform::ShowMessage(kMsgServerError);
        if (host == maint::SyslogHost::Blank) setFocus(ip);
        return;
    }
    const int port = ParsePort(get<platform::EditBox>(IDC_UDP_PORT).text());
    if (port == 0) {
        platform::ShowMessage(kMsgPortRange);
        return;
    }
    m_write.Send(
        "The syslog host settings",
        {features::SetValue::Text(maint::kOidSyslogServer, SNMP_T_IPADDRESS, FormatIp(fields)),
         features::SetValue::Text(maint::kOidSyslogPort, SNMP_T_INTEGER, std::to_string(port)),
         features::SetValue::Text(maint::kOidSyslogSeverity, SNMP_T_INTEGER, kSeverityValues[severity]),
         features::SetValue::Text(maint::kOidSyslogFacility, SNMP_T_INTEGER,
                                  std::to_string(kFacilityBase + kFacilityStep * facility))},
        [this, host](bool ok) {
            if (!ok) OnRefresh(true);
            else if (host == maint::SyslogHost::Clear) platform::ShowMessage(kMsgHostCleared);
        });
}
