#include "features/lldp/lldp_dlgs.h"

#include <algorithm>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/common/port_range.h"
#include "features/lldp/lldp_texts.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace lldp {

namespace {

std::vector<std::string> MedPortItems() {
    std::vector<std::string> items;
    for (int p = 1; p <= kMedPorts; ++p) items.push_back("   " + std::to_string(p) + " ");
    return items;
}

int PortsOfDevice() { return SanitizePortCount(Profile().DevicePortNum); }

}  // namespace

const char* CheckLldpTimers(const std::string& hold, const std::string& interval, const std::string& reinit,
                            const std::string& delay) {
    const long long h = TextToInt64(hold), i = TextToInt64(interval), r = TextToInt64(reinit), d = TextToInt64(delay);
    if (h < 2 || h > 10) return kMsgHoldMultiplier;
    if (i < 5 || i > 32768) return kMsgTxInterval;
    if (r < 1 || r > 10) return kMsgReinitDelay;
    if (d < 1 || d > 8192) return kMsgTxDelay;
    if (static_cast<double>(d) > 0.25 * static_cast<double>(i)) return kMsgTxDelayQuarter;
    return nullptr;
}

// ---- global settings --------------------------------------------------------------------------

CLldpGlobalDlg::CLldpGlobalDlg() = default;

void CLldpGlobalDlg::createControls() {
    setCaption("LLDP Global Settings");
    auto& state = addGroup(0, "");
    state.addCheck(IDC_CHECK_ENABLE, " LLDP Enable ");
    // Each Apply writes what the read put into its boxes: only after a whole read.
    state.addButton(IDC_BUTTON_STATE_APPLY, "&Apply", [this] { OnStateApply(); }).sameLine().needsRead();
    auto& timers = addGroup(0, "");
    timers.addLabel(0, "Message TX Hold Multipier(2 - 10)");
    timers.addEdit(IDC_EDIT_HOLD).setDigitsOnly().setMaxLength(2).setWidth(80);
    timers.addLabel(0, "Message TX Interval(5 - 32768)");
    timers.addEdit(IDC_EDIT_INTERVAL).setDigitsOnly().setMaxLength(5).setWidth(80);
    timers.addLabel(0, "sec").sameLine();
    timers.addLabel(0, "LLDP Reinit Delay (1 - 10)");
    timers.addEdit(IDC_EDIT_REINIT).setDigitsOnly().setMaxLength(2).setWidth(80);
    timers.addLabel(0, "sec").sameLine();
    timers.addLabel(0, "LLDP TX Delay (1 - 8192)");
    timers.addEdit(IDC_EDIT_DELAY).setDigitsOnly().setMaxLength(4).setWidth(80);
    timers.addLabel(0, "sec").sameLine();
    timers.addButton(IDC_BUTTON_APPLY, "Apply", [this] { OnTimersApply(); }).needsRead();
    auto& info = addGroup(0, "LLDP System Information");
    info.addLabel(0, "Chassis ID Subtype");
    info.addEdit(IDC_EDIT_SUBTYPE).setReadOnly().setWidth(340);
    info.addLabel(0, "Chassis ID");
    info.addEdit(IDC_EDIT_CHASSIS).setReadOnly().setWidth(340);
    info.addLabel(0, "System Name");
    info.addEdit(IDC_EDIT_NAME).setReadOnly().setWidth(340);
    info.addLabel(0, "System Description");
    info.addEdit(IDC_EDIT_DESC).setReadOnly().setLines(6).setWidth(340);  // the whole 255 characters
    // While a write runs (its tries and pauses included) the form is held: its outcome is told.
    addButton(platform::kIdCancel, "Close");
}

void CLldpGlobalDlg::initDialog() { Read(); }

void CLldpGlobalDlg::Read() {
    const bool started = features::AsyncRead(
        *this, "settings", m_readWalk,
        {kOidLldpState, kOidHoldMultiplier, kOidTxInterval, kOidReinitDelay, kOidTxDelay, kOidLocChassisIdSubtype,
         kOidLocChassisId, kOidLocSysName, kOidLocSysDesc},
        [this](const ReplyRow& row, CSnmp&) {
            OnRead(row);
            return false;
        },
        [this](int status) {
            if (status != 0) get<platform::PushButton>(IDC_BUTTON_STATE_APPLY).setEnabled(!m_writing);
        });
    if (!started) get<platform::PushButton>(IDC_BUTTON_STATE_APPLY).setEnabled(!m_writing);
}

void CLldpGlobalDlg::OnRead(const ReplyRow& row) {
    ++m_readCount;
    get<platform::CheckBox>(IDC_CHECK_ENABLE).setChecked(row.text(0) == "1");
    get<platform::EditBox>(IDC_EDIT_HOLD).setText(row.text(1));
    get<platform::EditBox>(IDC_EDIT_INTERVAL).setText(row.text(2));
    get<platform::EditBox>(IDC_EDIT_REINIT).setText(row.text(3));
    get<platform::EditBox>(IDC_EDIT_DELAY).setText(row.text(4));
    if (std::string subtype = ChassisSubtypeText(row.text(5)); !subtype.empty())
        get<platform::EditBox>(IDC_EDIT_SUBTYPE).setText(subtype);
    get<platform::EditBox>(IDC_EDIT_CHASSIS).setText(ChassisIdText(row.text(5), row.bytes(6)));
    get<platform::EditBox>(IDC_EDIT_NAME).setText(PrintableText(row.bytes(7)));
    get<platform::EditBox>(IDC_EDIT_DESC).setText(PrintableText(row.bytes(8)));
}

void CLldpGlobalDlg::OnStateApply() {
    if (m_writing) return;
    m_request = {{kOidLldpState, get<platform::CheckBox>(IDC_CHECK_ENABLE).checked() ? "1" : "2"}};
    StartWrite("The LLDP state");
}

// The four timers are checked in order and always travel together in one request.
void CLldpGlobalDlg::OnTimersApply() {
    if (m_writing) return;
    const std::string hold = get<platform::EditBox>(IDC_EDIT_HOLD).text();
    const std::string interval = get<platform::EditBox>(IDC_EDIT_INTERVAL).text();
    const std::string reinit = get<platform::EditBox>(IDC_EDIT_REINIT).text();
    const std::string delay = get<platform::EditBox>(IDC_EDIT_DELAY).text();
    if (const char* refusal = CheckLldpTimers(hold, interval, reinit, delay)) {
        platform::ShowMessage(refusal);
        return;
    }
    m_request = {{kOidHoldMultiplier, std::to_string(TextToInt(hold))},
                 {kOidTxInterval, std::to_string(TextToInt(interval))},
                 {kOidReinitDelay, std::to_string(TextToInt(reinit))},
                 {kOidTxDelay, std::to_string(TextToInt(delay))}};
    StartWrite("The LLDP timers");
}

// Up to three attempts: 2000 ms after a success, 1000 ms after each failure; then the values
// are read again. Only the last failure is told. Both Apply buttons wait while one write runs
// (they share one session).
void CLldpGlobalDlg::StartWrite(std::string what) {
    m_writing = true;
    m_attempt = 0;
    m_what = std::move(what);
    m_waitCursor.emplace();
    enable({IDC_BUTTON_STATE_APPLY, IDC_BUTTON_APPLY}, false);
    beginWrite({IDC_BUTTON_STATE_APPLY, IDC_BUTTON_APPLY});
    Attempt();
}

void CLldpGlobalDlg::Attempt() {
    ++m_attempt;
    std::vector<features::SetValue> values;
    for (const auto& [oid, value] : m_request) values.push_back(features::SetValue::Text(oid, SNMP_T_INTEGER, value));
    if (m_write.Busy()) return OnAttempt(false);
    // Only the last try tells its failure (Send tells it, a request that could not be built included).
    if (m_attempt < kAttempts)
        m_write.SendSteps({values}, [this](int failedStep) { OnAttempt(failedStep < 0); });
    else
        m_write.Send(m_what, values, [this](bool ok) { OnAttempt(ok); });
}

void CLldpGlobalDlg::OnAttempt(bool ok) {
    platform::Trace("LLDP set attempt %d %s", m_attempt, ok ? "taken" : "failed");
    if (ok) {
        setTimer(1, m_timing.afterSuccessMs, [this] { EndWrite(); });
    } else if (m_attempt < kAttempts) {
        setTimer(1, m_timing.afterFailureMs, [this] { Attempt(); });
    } else {
        setTimer(1, m_timing.afterFailureMs, [this] { EndWrite(); });
    }
}

void CLldpGlobalDlg::EndWrite() {
    m_writing = false;
    m_waitCursor.reset();
    enable({IDC_BUTTON_STATE_APPLY, IDC_BUTTON_APPLY}, true);
    endWrite();
    Read();
}

void CLldpGlobalDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

// ---- MED settings -----------------------------------------------------------------------------

CLldpMedDlg::CLldpMedDlg() = default;

void CLldpMedDlg::createControls() {
    setCaption("LLDP MED Settings");
    auto& g = addGroup(0, "LLDP-MED Power PSE TLV Setting");
    g.addLabel(0, "From Port");
    auto& from = g.addCombo(IDC_COMBO_FROM, MedPortItems());
    from.setWidth(70);
    g.addLabel(0, "To Port").sameLine();
    auto& to = g.addCombo(IDC_COMBO_TO, MedPortItems());
    to.setWidth(70);
    features::BindFromToPorts(from, to);
    g.addLabel(0, "Power PSE TLV").sameLine();
    g.addCombo(IDC_COMBO_TLV, {"Enable", "Disable"}).setWidth(90);
    g.addList(IDC_LIST, {},
              {{"   Port ", 80, platform::ReportList::Align::Center},
               {"Power PSE TLV", 160, platform::ReportList::Align::Center}})
        .setGridLines()
        .setFullRowSelect()
        .setVisibleRows(8);
    // Apply waits for the LLDP state (no writes while LLDP is off) and the port list.
    addButton(IDC_BUTTON_APPLY, "&Apply", [this] { OnApply(); }).needsRead();
    addButton(IDC_BUTTON_REFRESH, "&Refresh", [this] { OnRefresh(); });
    // While Apply runs (each port, then the pause) the form is held: every port is tried.
    addButton(platform::kIdCancel, "&Close");
}

void CLldpMedDlg::initDialog() {
    get<platform::ComboBox>(IDC_COMBO_FROM).setCurrent(0);
    get<platform::ComboBox>(IDC_COMBO_TO).setCurrent(0);
    get<platform::ComboBox>(IDC_COMBO_TLV).setCurrent(1);
    ReadState();
}

void CLldpMedDlg::ReadState() {
    features::AsyncRead(*this, kReadState, m_stateRead, {kOidLldpState}, [this](const ReplyRow& row, CSnmp&) {
        // Without the state nothing is known about whether LLDP is on: the form stays as it was.
        if (!row.present(0)) return false;
        m_bStateRead = true;
        const bool disabled = row.text(0) == "2";
        if (disabled) platform::ShowMessage(kMsgMedDisabled);
        enable({IDC_COMBO_FROM, IDC_COMBO_TO, IDC_COMBO_TLV, IDC_LIST, IDC_BUTTON_APPLY, IDC_BUTTON_REFRESH}, !disabled);
        Load();
        return false;
    });
}

void CLldpMedDlg::OnRefresh() {
    // A state that did not arrive is read first; its answer loads the list.
    if (!readOk(kReadState)) return ReadState();
    Load();
}

void CLldpMedDlg::Load() {
    get<platform::ReportList>(IDC_LIST).clear();
    // With LLDP off the controls stay disabled; the list still shows what the switch holds.
    const bool usable = get<platform::ComboBox>(IDC_COMBO_FROM).enabled();
    get<platform::PushButton>(IDC_BUTTON_REFRESH).setEnabled(false);
    CTableWalk::Options options;
    options.maxRows = static_cast<size_t>(PortsOfDevice());
    const bool started = features::WalkRead(
        *this, "ports", m_walk, {kOidPsePowerTlv},
        [this](const ReplyRow& row, CSnmp&) {
            auto& list = get<platform::ReportList>(IDC_LIST);
            list.appendRow({"    " + std::to_string(list.rowCount() + 1), row.text(0) == "2" ? "Disable" : "Enable"});
            return true;
        },
        [this, usable](int) { get<platform::PushButton>(IDC_BUTTON_REFRESH).setEnabled(usable && m_applyPort == 0); },
        options);
    if (!started) get<platform::PushButton>(IDC_BUTTON_REFRESH).setEnabled(usable && m_applyPort == 0);
}

// One single-binding request per port, every port tried; then one message names the ports the
// switch did not take, and 1000 ms after the last port the list is read again.
void CLldpMedDlg::OnApply() {
    if (m_applyPort != 0) return;
    const int from = get<platform::ComboBox>(IDC_COMBO_FROM).current() + 1;
    const int to = get<platform::ComboBox>(IDC_COMBO_TO).current() + 1;
    if (from < 1 || to < from) return;
    // Whether LLDP is on decides whether MED may be set at all.
    if (!readOk(kReadState)) {
        platform::ShowMessage(features::kMsgNotRead);
        return;
    }
    m_applyPort = m_applyFrom = from;
    m_applyTo = to;
    m_applyValue = get<platform::ComboBox>(IDC_COMBO_TLV).text() == "Enable" ? "1" : "2";
    m_refused.clear();
    m_waitCursor.emplace();
    enable({IDC_BUTTON_APPLY, IDC_BUTTON_REFRESH}, false);
    beginWrite({IDC_BUTTON_APPLY, IDC_BUTTON_REFRESH});
    ApplyNext();
}

void CLldpMedDlg::ApplyNext() {
    if (m_applyPort > m_applyTo) {
        if (!m_refused.empty()) platform::ShowMessage(RefusedPortsMessage(m_refused, m_applyTo - m_applyFrom + 1));
        setTimer(1, m_timing.afterApplyMs, [this] { EndApply(); });
        return;
    }
    const std::string oid = kOidPsePowerTlv + "." + std::to_string(m_applyPort);
    const bool sent = m_write.SendSteps({{features::SetValue::Text(oid, SNMP_T_INTEGER, m_applyValue)}}, [this](int failed) {
        platform::Trace("LLDP MED set port %d %s", m_applyPort, failed < 0 ? "taken" : "failed");
        if (failed >= 0) m_refused.emplace_back(m_applyPort, m_write.LastStep().reason());
        ++m_applyPort;
        post([this] { ApplyNext(); });  // once the writer has let go of this port
    });
    if (!sent) {
        m_refused.emplace_back(m_applyPort++, "another write was on its way");
        ApplyNext();
    }
}

std::string RefusedPortsMessage(const std::vector<std::pair<int, std::string>>& refused, int tried) {
    // Ports that failed for the same reason are named together, in port order.
    std::vector<std::pair<std::string, std::vector<int>>> byReason;
    for (const auto& [port, why] : refused) {
        auto it = std::find_if(byReason.begin(), byReason.end(), [&](const auto& r) { return r.first == why; });
        if (it == byReason.end()) byReason.push_back({why, {port}});
        else it->second.push_back(port);
    }
    std::string text = "The Power PSE TLV could not be changed on ";
    for (size_t i = 0; i < byReason.size(); ++i) {
        const std::vector<int>& ports = byReason[i].second;
        std::string names;
        for (size_t k = 0; k < ports.size(); ++k)
            names += (k == 0 ? "" : k + 1 == ports.size() ? " and " : ", ") + std::to_string(ports[k]);
        text += (i == 0 ? "" : "; on ") + std::string(ports.size() == 1 ? "port " : "ports ") + names + ": " +
                byReason[i].first;
    }
    return text + (static_cast<int>(refused.size()) < tried ? ". The other ports were changed." : ".");
}

void CLldpMedDlg::EndApply() {
    m_applyPort = 0;
    m_waitCursor.reset();
    get<platform::PushButton>(IDC_BUTTON_APPLY).setEnabled(true);
    endWrite();
    Load();
}

void CLldpMedDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMPEnable, "m_cCommonSNMPEnable"},
                         {m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

// ---- remote information -----------------------------------------------------------------------

CLldpRemoteDlg::CLldpRemoteDlg() = default;

void CLldpRemoteDlg::createControls() {
    setCaption("LLDP Remote Port Information");
    setSize(1000, 330);
    auto& g = addGroup(0, "  LLDP Remote Port Brief Table ");
    g.addLabel(0, "Remote Entities Count: ");
    g.addEdit(IDC_EDIT_COUNT, "0").setReadOnly().setWidth(80);
    g.addList(IDC_LIST, {},
              {{"Port", 45},
               {"Entity", 55},
               {"Chassis ID Subtype", 130},
               {"Chassis ID", 120},
               {"Port ID Subtype", 115},
               {"Port ID", 110},
               {"Port Description", 150},
               {"System Name", 110},
               {"System Description", 200}})
        .setGridLines()
        .setFullRowSelect()
        .setVisibleRows(8);
    addButton(IDC_BUTTON_REFRESH, "&Refresh", [this] {
        get<platform::EditBox>(IDC_EDIT_COUNT).setText("0");
        // A state that did not arrive is read first; its answer loads the list.
        if (!readOk(kReadState)) return ReadState();
        Load();
    });
    addButton(platform::kIdCancel, "&Close");
}

// The state is read under every SNMP version: the neighbour table is readable under both.
void CLldpRemoteDlg::initDialog() {
    get<platform::EditBox>(IDC_EDIT_COUNT).setText("0");
    ReadState();
}

void CLldpRemoteDlg::ReadState() {
    const bool started = features::AsyncRead(
        *this, kReadState, m_stateRead, {kOidLldpState},
        [this](const ReplyRow& row, CSnmp&) {
            if (!row.present(0)) return false;
            m_bStateRead = true;
            enable({IDC_LIST, IDC_BUTTON_REFRESH}, row.text(0) != "2");
            Load();
            return false;
        },
        [this](int) {
            if (!readOk(kReadState)) platform::ShowMessage(kMsgRemoteReadFailed);
        });
    if (!started) platform::ShowMessage(kMsgRemoteReadFailed);
}

void CLldpRemoteDlg::Load() {
    get<platform::ReportList>(IDC_LIST).clear();
    const bool usable = get<platform::ReportList>(IDC_LIST).enabled();
    get<platform::PushButton>(IDC_BUTTON_REFRESH).setEnabled(false);
    std::vector<std::string> columns;
    for (int c = 4; c <= 10; ++c) columns.push_back(kOidRemTable + "." + std::to_string(c));
    CTableWalk::Options options;
    options.maxRows = static_cast<size_t>(kNeighboursPerPort * PortsOfDevice());
    const bool started = features::WalkRead(
        *this, "neighbours", m_walk, columns,
        [this](const ReplyRow& row, CSnmp&) {
            OnRow(row);
            return true;
        },
        [this, usable](int) { get<platform::PushButton>(IDC_BUTTON_REFRESH).setEnabled(usable); }, options);
    if (!started) get<platform::PushButton>(IDC_BUTTON_REFRESH).setEnabled(usable);
}

void CLldpRemoteDlg::OnRow(const ReplyRow& row) {
    bool any = false;
    for (size_t i = 0; i < row.size(); ++i) any = any || row.present(i);
    auto& count = get<platform::EditBox>(IDC_EDIT_COUNT);
    if (!any) {
        platform::ShowMessage(kMsgNoRemote);
        count.setText("0");
        return;
    }
    auto& list = get<platform::ReportList>(IDC_LIST);
    const std::string entity = "  " + std::to_string(list.rowCount() + 1);
    count.setText(entity);
    // Instance: time mark, local port, remote index.
    std::string instance = row.instance(0, kOidRemTable + ".4");
    std::string port;
    const size_t last = instance.rfind('.');
    if (last != std::string::npos && last > 0) {
        const size_t before = instance.rfind('.', last - 1);
        port = instance.substr(before == std::string::npos ? 0 : before + 1,
                               last - (before == std::string::npos ? 0 : before + 1));
    }
    list.appendRow({port, entity, ChassisSubtypeText(row.text(0)), ChassisIdText(row.text(0), row.bytes(1)),
                    PortSubtypeText(row.text(2)), PortIdText(row.text(2), row.bytes(3)), PrintableText(row.bytes(4)),
                    PrintableText(row.bytes(5)), PrintableText(row.bytes(6))});
}

void CLldpRemoteDlg::destroyWindow() {
    CloseDialogSessions({{m_cCommonSNMPEnabled, "m_cCommonSNMPEnabled"}, {m_cCommonSNMP, "m_cCommonSNMP"}});
}

}  // namespace lldp
