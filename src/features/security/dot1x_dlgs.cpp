#include "features/security/dot1x_dlgs.h"

#include <algorithm>

#include "features/common/form_reads.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

using platform::ComboBox;
using platform::EditBox;
using platform::ReportList;

namespace security {

namespace {

constexpr const char* kMsgInvalidRadiusIp = "Invalid RADIUS Server IP Address.";
constexpr const char* kMsgInvalidKey = "Invalid Key.";
constexpr const char* kMsgConfirmKey = "Please confirm the key again !";
constexpr const char* kMsgTrunkPort = "Cannot add an aggregated link to the 802.1X-enabled port";
constexpr const char* kMsgAllForceUnauthorized =
    "Could not set all port  Force Unauthorized to the port access control.";
constexpr const char* kMsgAllAuto = "Could not set all port AUTO  to the port access control.";
constexpr const char* kMsgAllAutoOrForceUnauthorized =
    "Could not set all port AUTO or Force Unauthorized to the port access control.";
constexpr const char* kKeyNote = "Both boxes empty: the switch keeps its key.";
constexpr int kKeyBoxWidth = 240;  // both key boxes alike, with the note beside the first

// The parameters in the order the switch takes them, with their ranges and messages.
struct ParamRule {
    const char* oid;
    int type;
    long long low, high;
    const char* message;
};
constexpr ParamRule kParamRules[] = {
    {kOidQuietPeriod, SNMP_T_INTEGER, 0, 65535, "Invalid QuietPeriod (0-65535)"},
    {kOidTxPeriod, SNMP_T_INTEGER, 1, 65535, "Invalid TxPeriod (1-65535)"},
    {kOidSuppTimeout, SNMP_T_INTEGER, 1, 65535, "Invalid SuppTimeout (1-65535)"},
    {kOidServerTimeout, SNMP_T_INTEGER, 1, 65535, "Invalid ServerTimeout (1-65535)"},
    {kOidMaxReq, SNMP_T_INTEGER, 1, 10, "Invalid MaxReq (1-10)"},
    {kOidReAuthPeriod, SNMP_T_UNSIGNED, 1, 4294967295LL, "Invalid ReAuthPeriod (1-4294967295)"},
};

// A decimal number of digits only (no sign, no blanks), at most 18 digits; -1 for anything else.
long long DecimalValue(const std::string& text) {
    if (text.empty() || text.size() > 18) return -1;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return -1;
        v = v * 10 + (c - '0');
    }
    return v;
}

const std::vector<std::string> kControlItems = {"forceUnauthorized", "auto", "forceAuthorized"};
const std::vector<std::string> kReAuthItems = {"Enable", "Disabled"};

std::string StatusText(const std::string& v) {
    if (v == "1") return "authorized";
    if (v == "2") return "unauthorized";
    return "other";
}

}  // namespace

// ---------------------------------------------------------------- rules

Dot1xParamCheck CheckDot1xParams(const Dot1xParamTexts& texts) {
    const std::string* inOrder[] = {&texts.quietPeriod,   &texts.txPeriod, &texts.suppTimeout,
                                    &texts.serverTimeout, &texts.maxReq,   &texts.reAuthPeriod};
    Dot1xParamCheck check;
    for (std::size_t i = 0; i < std::size(kParamRules); ++i) {
        const ParamRule& rule = kParamRules[i];
        const long long v = DecimalValue(*inOrder[i]);
        if (v < rule.low || v > rule.high) {
            check.refusal = rule.message;
            check.values.clear();
            return check;
        }
        check.values.push_back(SetValue::Text(rule.oid, rule.type, std::to_string(v)));
    }
    check.values.push_back(
        SetValue::Text(kOidReAuthEnabled, SNMP_T_INTEGER, texts.reAuthEnabled == "Enable" ? "1" : "2"));
    return check;
}

bool RadiusAddressRefused(const std::array<int, 4>& f) {
    for (int v : f)
        if (v < 0 || v > 255) return true;
    if (f[0] == 0 && f[1] == 0 && f[2] == 0 && f[3] == 0) return true;
    return f[0] == 0 || f[0] == 255 || f[3] == 0 || f[3] == 255;
}

const char* PortControlRefusal(const std::vector<int>& controls, int from, int to, int control, int portCount) {
    const int k = to - from + 1;
    int unauthorized = 0, automatic = 0, unknown = 0;
    for (int p = 1; p <= portCount; ++p) {
        if (p >= from && p <= to) continue;
        const int c = static_cast<std::size_t>(p - 1) < controls.size() ? controls[static_cast<std::size_t>(p - 1)] : 0;
        if (c == kForceUnauthorized) ++unauthorized;
        else if (c == kAuto) ++automatic;
        else if (c != kForceAuthorized) ++unknown;
    }
    if (control == kForceUnauthorized && unauthorized + k == portCount) return kMsgAllForceUnauthorized;
    if (control == kAuto && automatic + k == portCount) return kMsgAllAuto;
    if ((control == kForceUnauthorized || control == kAuto) && unauthorized + automatic + k == portCount)
        return kMsgAllAutoOrForceUnauthorized;
    // No port known to stay force-authorized: whether one does depends on ports not read.
    if ((control == kForceUnauthorized || control == kAuto) && unauthorized + automatic + unknown + k == portCount)
        return features::kMsgNotRead;
    return nullptr;
}

std::vector<std::pair<int, int>> PortBatches(int from, int to, int size) {
    std::vector<std::pair<int, int>> batches;
    if (size < 1) return batches;
    for (int first = from; first <= to; first += size) batches.emplace_back(first, std::min(to, first + size - 1));
    return batches;
}

// ---------------------------------------------------------------- C8021xGlobalDlg

void C8021xGlobalDlg::createControls() {
    setCaption("802.1X Config Information");
    auto& g = addGroup(0, "802.1X Global Setting");
    g.addCheck(IDC_ENABLE, "Enable 802.1X").onToggle([this] { OnEnableToggle(); });
    g.addLabel(0, "Radius Server IP:");
    g.addIpAddress(IDC_RADIUS_IP);
    g.addLabel(0, "Key:");
    g.addEdit(IDC_KEY).setPassword().setMaxLength(kMaxKeyChars).setWidth(kKeyBoxWidth);
    // The switch never gives its key back, so the boxes start empty whatever it holds.
    g.addLabel(IDC_KEY_NOTE, kKeyNote).sameLine();
    g.addLabel(0, "Confirm Key:");
    g.addEdit(IDC_CONFIRM_KEY).setPassword().setMaxLength(kMaxKeyChars).setWidth(kKeyBoxWidth);
    g.addLabel(0, "TxPeriod(1-65535 sec)");
    g.addEdit(IDC_TX_PERIOD).setMaxLength(5).setDigitsOnly();
    g.addLabel(0, "QuietPeriod(0-65535 sec)");
    g.addEdit(IDC_QUIET_PERIOD).setMaxLength(5).setDigitsOnly();
    g.addLabel(0, "SuppTimeout(1-65535 sec)");
    g.addEdit(IDC_SUPP_TIMEOUT).setMaxLength(5).setDigitsOnly();
    g.addLabel(0, "ServerTimeout(1-65535 sec)");
    g.addEdit(IDC_SERVER_TIMEOUT).setMaxLength(5).setDigitsOnly();
    g.addLabel(0, "MaxReq(1-10)");
    g.addEdit(IDC_MAX_REQ).setMaxLength(2).setDigitsOnly();
    g.addLabel(0, "ReAuthPeriod(1-4294967295 sec)");
    g.addEdit(IDC_REAUTH_PERIOD).setMaxLength(10).setDigitsOnly();
    g.addLabel(0, "ReAuthEnabled");
    g.addCombo(IDC_REAUTH_ENABLED, kReAuthItems);

    // Apply writes every field and PortSet hands the parameters on: both wait for a whole read.
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).needsRead();
    addButton(IDC_PORTSET, "&PortSet", [this] { OnPortSet(); }).needsRead();
    addButton(IDC_REFRESH, "&Refresh", [this] { ReadGlobal(); });
    addButton(platform::kIdCancel, "&Close");
}

void C8021xGlobalDlg::initDialog() {
    get<ComboBox>(IDC_REAUTH_ENABLED).setCurrent(1);
    EnableFields(false);
    enable({IDC_PORTSET}, false);
    ReadGlobal();
}

void C8021xGlobalDlg::destroyWindow() {
    m_write.Abandon();
    m_writeSet.Abandon();
    m_writeArg.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPSet, "m_cCommonSNMPSet"},
                         {m_cCommonSNMParg, "m_cCommonSNMParg"}});
}

void C8021xGlobalDlg::EnableFields(bool on) {
    enable({IDC_RADIUS_IP, IDC_KEY, IDC_CONFIRM_KEY, IDC_TX_PERIOD, IDC_QUIET_PERIOD, IDC_SUPP_TIMEOUT,
            IDC_SERVER_TIMEOUT, IDC_MAX_REQ, IDC_REAUTH_PERIOD, IDC_REAUTH_ENABLED},
           on);
}

void C8021xGlobalDlg::OnEnableToggle() { EnableFields(get<platform::CheckBox>(IDC_ENABLE).checked()); }

Dot1xParamTexts C8021xGlobalDlg::ParamTexts() const {
    Dot1xParamTexts t;
    t.quietPeriod = get<EditBox>(IDC_QUIET_PERIOD).text();
    t.txPeriod = get<EditBox>(IDC_TX_PERIOD).text();
    t.suppTimeout = get<EditBox>(IDC_SUPP_TIMEOUT).text();
    t.serverTimeout = get<EditBox>(IDC_SERVER_TIMEOUT).text();
    t.maxReq = get<EditBox>(IDC_MAX_REQ).text();
    t.reAuthPeriod = get<EditBox>(IDC_REAUTH_PERIOD).text();
    t.reAuthEnabled = get<ComboBox>(IDC_REAUTH_ENABLED).text();
    return t;
}

void C8021xGlobalDlg::ReadGlobal() {
    enable({IDC_APPLY, IDC_REFRESH}, false);
    m_bReading = features::AsyncRead(
        *this, "settings", m_read,
        {kOidDot1xState, kOidRadiusServer, kOidRadiusKey, kOidQuietPeriod, kOidTxPeriod, kOidSuppTimeout,
         kOidServerTimeout, kOidMaxReq, kOidReAuthPeriod, kOidReAuthEnabled},
        [this](const ReplyRow& row, CSnmp&) {
            OnReply(row);
            return false;
        },
        [this](int) {
            m_bReading = false;
            enable({IDC_APPLY, IDC_REFRESH}, true);
        });
    if (!m_bReading) enable({IDC_APPLY, IDC_REFRESH}, true);
}

void C8021xGlobalDlg::OnReply(const ReplyRow& row) {
    // A reply without all ten objects leaves the form as it was (the read counts as failed).
    if (row.size() < 10) return;
    for (std::size_t i = 0; i < 10; ++i)
        if (!row.present(i)) return;
    const bool on = row.text(0) == "1";
    get<platform::CheckBox>(IDC_ENABLE).setChecked(on);
    EnableFields(on);
    enable({IDC_PORTSET}, on);
    get<platform::IpAddressField>(IDC_RADIUS_IP).setAddress(row.text(1));
    // The key read (empty on a switch that keeps it secret) is not put in the boxes: the boxes
    // hold only a key the user typed, so an Apply never writes back an empty key, and a key
    // typed before a failed write is still there for the retry.
    get<EditBox>(IDC_QUIET_PERIOD).setText(row.text(3));
    get<EditBox>(IDC_TX_PERIOD).setText(row.text(4));
    get<EditBox>(IDC_SUPP_TIMEOUT).setText(row.text(5));
    get<EditBox>(IDC_SERVER_TIMEOUT).setText(row.text(6));
    get<EditBox>(IDC_MAX_REQ).setText(row.text(7));
    get<EditBox>(IDC_REAUTH_PERIOD).setText(row.text(8));
    get<ComboBox>(IDC_REAUTH_ENABLED).setCurrent(row.text(9) == "1" ? 0 : 1);
}

void C8021xGlobalDlg::OnApply() {
    const bool on = get<platform::CheckBox>(IDC_ENABLE).checked();
    if (!on) {
        // Switching off writes the state only; nothing else is looked at.
        beginWrite({IDC_APPLY, IDC_REFRESH, IDC_PORTSET});
        // Send tells a failure itself, a request that could not be built included.
        if (m_write.Busy()) return EndApply({});
        m_write.Send("The 802.1X state", {SetValue::Text(kOidDot1xState, SNMP_T_INTEGER, "2")},
                     [this](bool) { EndApply({}); });
        return;
    }

    auto& ipField = get<platform::IpAddressField>(IDC_RADIUS_IP);
    std::array<int, 4> ip{};
    for (int i = 0; i < 4; ++i) ip[static_cast<std::size_t>(i)] = ipField.octet(i).value_or(-1);
    if (RadiusAddressRefused(ip)) {
        platform::ShowMessage(kMsgInvalidRadiusIp);
        return;
    }
    // Both key boxes empty keep the switch's key; a key typed is written once confirmed.
    const std::string key = get<EditBox>(IDC_KEY).text();
    // The switch keeps at most 33 octets; a longer key (characters beyond ASCII take several)
    // is refused rather than cut, so that the key stored is the key typed.
    if (key.size() > static_cast<std::size_t>(kMaxKeyChars)) {
        platform::ShowMessage(kMsgInvalidKey);
        return;
    }
    if (key != get<EditBox>(IDC_CONFIRM_KEY).text()) {
        platform::ShowMessage(kMsgConfirmKey);
        return;
    }
    // Every parameter is checked before anything is written, so that a refused value leaves
    // the switch as it was.
    const Dot1xParamCheck params = CheckDot1xParams(ParamTexts());
    if (params.refusal) {
        platform::ShowMessage(params.refusal);
        return;
    }

    std::vector<SetValue> server = {SetValue::Text(kOidRadiusServer, SNMP_T_IPADDRESS, FormatIp(ip))};
    if (!key.empty()) server.push_back(SetValue::Bytes(kOidRadiusKey, Octets(key.begin(), key.end())));
    ApplyEnabled(std::move(server), key.empty() ? "The RADIUS server" : "The RADIUS server and key", !key.empty(),
                 params.values);
}

// A step the switch does not take ends the Apply, so 802.1X is never switched on without its
// server.
void C8021xGlobalDlg::ApplyEnabled(std::vector<SetValue> server, const std::string& serverWhat, bool withKey,
                                   std::vector<SetValue> params) {
    beginWrite({IDC_APPLY, IDC_REFRESH, IDC_PORTSET});
    const bool sent = m_write.SendSteps({std::move(server)}, [this, serverWhat, withKey, params](int failed) {
        if (failed >= 0)
            return EndApply(NotChanged(serverWhat, m_write.LastStep()) +
                            " The 802.1X state and parameters were not written.");
        const bool stateSent = m_writeSet.SendSteps(
            {{SetValue::Text(kOidDot1xState, SNMP_T_INTEGER, "1")}}, [this, serverWhat, withKey, params](int failed) {
                if (failed >= 0)
                    return EndApply(NotChanged("The 802.1X state", m_writeSet.LastStep()) + " " + serverWhat +
                                    (withKey ? " were" : " was") + " changed; the parameters were not written.");
                const bool paramsSent = m_writeArg.SendSteps({params}, [this, withKey](int failed) {
                    if (failed < 0) return EndApply({});
                    EndApply(NotChanged("The 802.1X parameters", m_writeArg.LastStep()) +
                             (withKey ? " The RADIUS server, the key and the state were changed."
                                      : " The RADIUS server and the state were changed."));
                });
                if (!paramsSent) EndApply({});
            });
        if (!stateSent) EndApply({});
    });
    if (!sent) EndApply({});
}

void C8021xGlobalDlg::EndApply(const std::string& failure) {
    if (failure.empty()) {
        // The switch holds the key now; empty boxes keep it from here on.
        get<EditBox>(IDC_KEY).setText("");
        get<EditBox>(IDC_CONFIRM_KEY).setText("");
    } else {
        platform::ShowMessage(failure);
    }
    endWrite();
    ReadGlobal();
}

void C8021xGlobalDlg::OnPortSet() {
    C8021xPortDlg dlg(ParamTexts());
    runChild(dlg);
}

// ---------------------------------------------------------------- C8021xPortDlg

C8021xPortDlg::C8021xPortDlg(Dot1xParamTexts texts)
    : m_iPortNum(DevicePorts()),
      m_texts(std::move(texts)),
      m_iControl(static_cast<std::size_t>(m_iPortNum), 0),
      m_trunkMap(m_cCommonSNMPTableTrunkInfo, m_iPortNum) {}

void C8021xPortDlg::createControls() {
    setCaption("802.1X Port Configuration");
    auto& g = addGroup(0, "802.1X Port Access Control");
    g.addLabel(0, "From Port:");
    auto& from = g.addCombo(IDC_FROM_PORT, PortItems(m_iPortNum));
    g.addLabel(0, "To Port:").sameLine();
    auto& to = g.addCombo(IDC_TO_PORT, PortItems(m_iPortNum));
    g.addLabel(0, "Control:").sameLine();
    g.addCombo(IDC_CONTROL, kControlItems);
    // The control rules and the trunk check decide on the whole port list and trunk map.
    g.addButton(IDC_APPLY, "Apply", [this] { OnApply(); })
        .sameLine()
        .needsRead({kReadPorts, features::CTrunkMap::kReadName});
    BindFromToPorts(from, to);

    addList(IDC_LIST, "",
            {{"Index", 50},
             {"AuthControlledPortStatus", 170},
             {"AuthControlledPortControl", 170},
             {"QuietPeriod", 85},
             {"TxPeriod", 70},
             {"SuppTimeout", 90},
             {"ServerTimeout", 100},
             {"MaxReq", 60},
             {"ReAuthPeriod", 100},
             {"ReAuthEnabled", 105}})
        .setFullRowSelect(true);
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
    addButton(platform::kIdCancel, "Cancel");
}

void C8021xPortDlg::initDialog() {
    get<ComboBox>(IDC_FROM_PORT).setCurrent(0);
    get<ComboBox>(IDC_TO_PORT).setCurrent(m_iPortNum - 1);
    get<ComboBox>(IDC_CONTROL).setCurrent(1);
    m_trunkMap.Clear();
    m_trunkMap.Start(*this);
    ReadPorts();
}

void C8021xPortDlg::OnRefresh() {
    // A trunk map that did not arrive is read again with the ports.
    if (!readOk(features::CTrunkMap::kReadName) && !m_trunkMap.Walking()) {
        m_trunkMap.Clear();
        m_trunkMap.Start(*this);
    }
    ReadPorts();
}

void C8021xPortDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPTableTrunkInfo, "m_cCommonSNMPTableTrunkInfo"},
                         {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

void C8021xPortDlg::ReadPorts() {
    std::fill(m_iControl.begin(), m_iControl.end(), 0);
    m_controlText.assign(m_iControl.size(), std::string());
    get<ReportList>(IDC_LIST).clear();
    enable({IDC_APPLY, IDC_REFRESH}, false);
    m_bWalking = m_portRows.Start(
        *this, kReadPorts, {kOidAuthControlledPortStatus, kOidAuthControlledPortControl}, m_iPortNum,
        [this](int port, const ReplyRow& row) { OnPortRow(port, row); },
        [this](int) {
            m_bWalking = false;
            enable({IDC_APPLY, IDC_REFRESH}, true);
        });
    if (!m_bWalking) enable({IDC_APPLY, IDC_REFRESH}, true);
}

void C8021xPortDlg::OnPortRow(int port, const ReplyRow& row) {
    auto& list = get<ReportList>(IDC_LIST);
    const int index = port - 1;
    std::string control = "other";
    const std::string& c = row.text(1);
    m_controlText[static_cast<std::size_t>(index)] = row.present(1) ? c : "no value";
    if (c == "1" || c == "2" || c == "3") {
        const int value = c[0] - '0';
        control = kControlItems[static_cast<std::size_t>(value - 1)];
        m_iControl[static_cast<std::size_t>(index)] = value;
    }
    std::vector<std::string> cells = {std::to_string(index + 1), StatusText(row.text(0)), control};
    for (const std::string& t : m_texts.columns()) cells.push_back(t);
    list.appendRow(std::move(cells));
}

void C8021xPortDlg::OnApply() {
    const int from = ChosenPort(get<ComboBox>(IDC_FROM_PORT));
    const int to = ChosenPort(get<ComboBox>(IDC_TO_PORT));
    if (from < 1 || to < from || to > m_iPortNum) return;
    // Both checks decide on what was read: a list or map cut short refuses.
    if (!readOk(kReadPorts) || !readOk(features::CTrunkMap::kReadName)) {
        platform::ShowMessage(features::kMsgNotRead);
        return;
    }
    for (int p = from; p <= to; ++p)
        if (m_trunkMap.TrunkOf(p) != 0) {
            platform::ShowMessage(kMsgTrunkPort);
            return;
        }
    const int control = get<ComboBox>(IDC_CONTROL).current() + 1;
    if (control < kForceUnauthorized || control > kForceAuthorized) return;
    if (const char* refusal = PortControlRefusal(m_iControl, from, to, control, m_iPortNum)) {
        // Every port was read, so a port of unknown control is one whose value the switch gave
        // as none of the three.
        if (refusal == features::kMsgNotRead)
            platform::ShowMessage("The switch gives the port access control of " + UnknownControls(from, to) +
                                  " as none of forceUnauthorized, auto and forceAuthorized, so whether a port would "
                                  "stay force-authorized cannot be told; nothing was changed.");
        else
            platform::ShowMessage(refusal);
        return;
    }
    beginWrite({IDC_APPLY, IDC_REFRESH});
    SendBatches(PortBatches(from, to, kBatchPorts), 0, std::to_string(control));
}

std::string C8021xPortDlg::UnknownControls(int from, int to) const {
    std::string out;
    for (int p = 1; p <= m_iPortNum; ++p) {
        const auto i = static_cast<std::size_t>(p - 1);
        if ((p >= from && p <= to) || m_iControl[i] != 0) continue;
        const std::string value = i < m_controlText.size() && !m_controlText[i].empty() ? m_controlText[i] : "not listed";
        out += (out.empty() ? "port " : ", port ") + std::to_string(p) + " (" + value + ")";
    }
    return out;
}

void C8021xPortDlg::SendBatches(std::vector<std::pair<int, int>> batches, std::size_t next, std::string value) {
    // Each batch is a request of its own that carries only its own ports.
    if (next >= batches.size()) return EndBatches();
    const auto [first, last] = batches[next];
    std::vector<SetValue> values;
    for (int p = first; p <= last; ++p)
        values.push_back(SetValue::Text(InstanceOid(kOidAuthControlledPortControl, p), SNMP_T_INTEGER, value));
    // A request the switch does not take ends the Apply: the message names the ports left as
    // they were (the batches before it stand), and the list shows what the switch holds.
    const int to = batches.back().second;
    const std::string ports =
        first == to ? "port " + std::to_string(first) : "ports " + std::to_string(first) + "-" + std::to_string(to);
    const bool full = last - first + 1 == kBatchPorts;
    // Send tells a failure itself, a request that could not be built included.
    if (m_write.Busy()) return EndBatches();
    m_write.Send(
        "The port access control of " + ports, values,
        [this, batches = std::move(batches), next, value = std::move(value), full](bool ok) mutable {
            if (!ok) return EndBatches();
            // After a full batch the switch gets a pause; the window keeps painting meanwhile.
            if (!full)  // once the writer has let go of this batch
                return post([this, batches = std::move(batches), next, value = std::move(value)] {
                    SendBatches(batches, next + 1, value);
                });
            setTimer(kTimerBatch, kBatchPauseMs, [this, batches = std::move(batches), next, value = std::move(value)] {
                SendBatches(batches, next + 1, value);
            });
        });
}

void C8021xPortDlg::EndBatches() {
    endWrite();
    ReadPorts();
}

}  // namespace security
