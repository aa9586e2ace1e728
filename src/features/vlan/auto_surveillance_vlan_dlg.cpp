#include "features/vlan/auto_surveillance_vlan_dlg.h"

#include <algorithm>
#include <array>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/common/port_range.h"
#include "features/vlan/surveillance_oui.h"
#include "features/vlan/vlan_common.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

using platform::ComboBox;
using platform::EditBox;
using platform::MsgIcon;
using platform::ReportList;

namespace {

constexpr const char* kMsgAsymmetric = "Auto Surveillance Vlan can not support in Asymmetric VLAN mode.";
constexpr const char* kMsgDefaultVlan = "Default VLAN cannot be set as Auto Surveillance VLAN.";
constexpr const char* kMsgVidRange = "The VLAN ID value range is 2 - 4094";
constexpr const char* kMsgVoiceVid = "The VLAN ID already is voice VLAN ID.";
constexpr const char* kMsgTrunk =
    "If Link Aggregation member port is selected, it must have the same port list as Auto Surveillance VLAN "
    "Tagged Uplink/Downlink Port.";
constexpr const char* kMsgPoe =
    "Switch will automatically turn on PoE function to all the member ports of surveillance VLAN, \n"
    "please ensure all the member ports of surveillance VLAN connected to PoE power devices.";

// The dialog's reads.
constexpr const char* kReadVids = "VLAN IDs";
constexpr const char* kReadSettings = "settings";
constexpr const char* kReadModeVoice = "mode and voice";
constexpr const char* kReadOui = "OUI table";
constexpr const char* kReadVoiceOui = "voice OUIs";

constexpr const char* kMsgInvalidDescription = "Invalid Description.";
constexpr const char* kMsgVoiceOui = "The OUI is already exist at Voice Vlan OUI Table!";
constexpr const char* kMsgDefaultOui = "This OUI is default, please select the default mode!";
constexpr const char* kMsgOuiExists = "The OUI is already exist!";
constexpr const char* kMsgOuiFull = "OUI Table is full,Maximum user defined OUI is 5.";
constexpr const char* kMsgSelectOui = "Please Selecte the OUI Entry you would to delete";
constexpr const char* kMsgDefaultOuiDelete = "The default Surveillance OUI can not be deleted.";

const std::vector<std::string> kPriorities = {"Highest", "High", "Medium", "Low"};
constexpr int kPriorityMedium = 2;
constexpr int kMaxDescriptionChars = 20;
constexpr std::size_t kMaxDescriptionBytes = 127;
constexpr int kMacChars = 17;
constexpr int kOuiChars = 8;

// The switch takes a moment after a write before it answers with the new values.
constexpr int kRefreshDelayMs = 50;
constexpr int kBetweenWritesMs = 50;  // between creating an entry and filling it
constexpr int kTimerFill = 2;
constexpr int kTimerRefresh = 1;

std::string ConfirmExistingText(int vid) {
    const std::string v = std::to_string(vid);
    return "The VLAN ID " + v + " already exists, still apply? \nIf yes, the original setting of VLAN " + v +
           " members will be removed.";
}


}  // namespace

CAutoSurveillanceVlanDlg::CAutoSurveillanceVlanDlg()
    : m_iPortNum(features::DevicePorts()),
      m_iUplinkPorts(static_cast<std::size_t>(m_iPortNum), 0),
      m_TrunkPorts(static_cast<std::size_t>(m_iPortNum), 0),
      m_trunks(m_cCommonSNMPTableTrunk, m_iPortNum) {}

bool CAutoSurveillanceVlanDlg::Refreshing() const {
    return m_vidWalk.Running() || m_settingsRead.Running() || m_ouiWalk.Running() || m_voiceOuiWalk.Running() ||
           m_trunks.Walking() || timerPending(kTimerRefresh);
}

// ---------------------------------------------------------------- The form

void CAutoSurveillanceVlanDlg::createControls() {
    setCaption("Auto Surveillance VLAN Settings");
    setSize(700, 0);

    auto& global = addGroup(0, "Auto Surveillance VLAN Global Settings");
    // The settings show the switch's values only once they were read; until then they are held
    // back, and so is Apply, which writes them and checks them against the VLAN modes.
    global.addCheck(IDC_ENABLE, "Enable Auto Surveillance VLAN")
        .onToggle([this] { OnEnableToggle(); })
        .needsRead({kReadSettings});
    global.addLabel(0, "Vlan ID");
    global.addEdit(IDC_VLAN_ID).setDigitsOnly().setWidth(80).needsRead({kReadSettings});
    global.addLabel(0, "Priority").sameLine();
    global.addCombo(IDC_PRIORITY, kPriorities).setWidth(110).needsRead({kReadSettings});
    global.addLabel(0, "Tagged Uplink/Downlink Port");
    global.addEdit(IDC_UPLINK_PORTS).setWidth(220).needsRead({kReadSettings});
    global.addLabel(0, "ex:(1,2,4-6)").sameLine();
    global.addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).sameLine().needsRead({kReadSettings, kReadModeVoice});

    auto& oui = addGroup(0, "User-defined MAC Settings ");
    oui.addLabel(0, "To add more device(s) for Auto Surveillance VLAN by user-defined configuration as below ");
    std::vector<std::string> types(vlan::ChoosableComponentTypes().begin(), vlan::ChoosableComponentTypes().end());
    // The entry fields in a frame of their own, below the text that introduces them.
    auto& entry = oui.addGroup(0, "");
    entry.addLabel(0, "Component Type ");
    entry.addCombo(IDC_COMPONENT_TYPE, types).setWidth(220);
    entry.addLabel(0, "Description").sameLine();
    entry.addEdit(IDC_DESCRIPTION).setMaxLength(kMaxDescriptionChars).setWidth(170);
    entry.addLabel(0, "MAC Address");
    entry.addEdit(IDC_MAC).setMaxLength(kMacChars).setWidth(150);
    entry.addLabel(0, "(XX-XX-XX-XX-XX-XX)").sameLine();
    entry.addCombo(IDC_MAC_MODE, {"MAC", "OUI"}).onChange([this] { OnMacModeChange(); }).sameLine().setWidth(80);
    // Add checks the new entry against both OUI tables as read.
    entry.addButton(IDC_ADD, "&Add", [this] { OnAdd(); }).sameLine().needsRead({kReadOui, kReadVoiceOui});
    oui.addLabel(0, "Note : Maximum number of user-defined MAC is 5 entries");
    oui.addList(IDC_OUI_LIST, "",
                {{"ID", 50, ReportList::Align::Center},
                 {"Component Type", 200, ReportList::Align::Center},
                 {"Description", 200, ReportList::Align::Center},
                 {"MAC Address", 200, ReportList::Align::Center},
                 {"Mask", 200, ReportList::Align::Center}})
        .setFullRowSelect(true)
        .setGridLines(true)
        .setVisibleRows(6);

    addButton(IDC_DELETE, "&Delete", [this] { OnDelete(); });
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
    addButton(platform::kIdCancel, "&Close");
}

void CAutoSurveillanceVlanDlg::initDialog() {
    get<ComboBox>(IDC_PRIORITY).setCurrent(kPriorityMedium);
    get<ComboBox>(IDC_COMPONENT_TYPE).setCurrent(0);
    get<ComboBox>(IDC_MAC_MODE).setCurrent(kModeMac);
    get<EditBox>(IDC_MAC).setMaxLength(kMacChars);
    get<EditBox>(IDC_DESCRIPTION).setMaxLength(kMaxDescriptionChars);
    std::fill(m_iUplinkPorts.begin(), m_iUplinkPorts.end(), 0);
    m_strSurveillanceState = "2";
    OnRefresh();
}

void CAutoSurveillanceVlanDlg::destroyWindow() {
    m_pendingApply.reset();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPSet, "m_cCommonSNMPSet"},
                         {m_cCommonSNMPGet, "m_cCommonSNMPGet"},
                         {m_cCommonSNMPTable, "m_cCommonSNMPTable"},
                         {m_cCommonSNMPTableOui, "m_cCommonSNMPTableOui"},
                         {m_cCommonSNMPTableVoiceOui, "m_cCommonSNMPTableVoiceOui"},
                         {m_cCommonSNMPTableTrunk, "m_cCommonSNMPTableTrunk"},
                         {m_cCommonSNMPMode, "m_cCommonSNMPMode"}});
}

void CAutoSurveillanceVlanDlg::EnableDependents(bool on, bool withDelete) {
    enable({IDC_PRIORITY, IDC_COMPONENT_TYPE, IDC_DESCRIPTION, IDC_MAC, IDC_MAC_MODE, IDC_ADD, IDC_UPLINK_PORTS,
            IDC_VLAN_ID},
           on);
    if (withDelete) enable({IDC_DELETE}, on);
}

void CAutoSurveillanceVlanDlg::OnEnableToggle() { EnableDependents(get<platform::CheckBox>(IDC_ENABLE).checked(), false); }

void CAutoSurveillanceVlanDlg::OnMacModeChange() {
    auto& mac = get<EditBox>(IDC_MAC);
    mac.setText("");
    mac.setMaxLength(get<ComboBox>(IDC_MAC_MODE).current() == kModeOui ? kOuiChars : kMacChars);
}

// ---------------------------------------------------------------- Refresh and its reads

void CAutoSurveillanceVlanDlg::OnRefresh() {
    killTimer(kTimerRefresh);
    // The settings are read once the VLAN ID walk has ended; until then they are not read.
    beginRead(kReadSettings);
    StartVidWalk();
    ReadModeAndVoice();
    StartOuiWalks();
    StartTrunkWalk();
}

void CAutoSurveillanceVlanDlg::StartVidWalk() {
    m_existingVids.clear();
    CTableWalk::Options options;
    options.maxRows = vlan::kMaxVlanId;
    options.traceFailed = false;
    const bool started = features::WalkRead(
        *this, kReadVids, m_vidWalk, {vlan::kOidVlanStaticName},
        [this](const ReplyRow& row, CSnmp&) {
            const std::string vid = row.instance(0, vlan::kOidVlanStaticName);
            if (!vid.empty()) m_existingVids.push_back(vid);
            return true;
        },
        [this](int) {
            // The settings are shown whatever became of the VLAN list: an incomplete list only
            // stops an Apply that would need it.
            StartSettingsRead();
            OnWalkForApplyEnded();
        },
        options);
    if (!started) {
        StartSettingsRead();
        OnWalkForApplyEnded();
    }
}

void CAutoSurveillanceVlanDlg::StartSettingsRead() {
    features::AsyncRead(*this, kReadSettings, m_settingsRead,
                        {vlan::kOidSurveillanceVlanState, vlan::kOidSurveillanceVlanId,
                         vlan::kOidSurveillancePriority, vlan::kOidSurveillanceUplinkPorts},
                        [this](const ReplyRow& row, CSnmp&) {
                            OnSettings(row);
                            return false;
                        });
}

void CAutoSurveillanceVlanDlg::OnSettings(const ReplyRow& row) {
    if (row.present(0)) {
        m_strSurveillanceState = row.text(0);
        const bool on = m_strSurveillanceState == "1";
        get<platform::CheckBox>(IDC_ENABLE).setChecked(on);
        EnableDependents(on, true);
    }
    if (row.present(1)) get<EditBox>(IDC_VLAN_ID).setText(std::to_string(TextToInt(row.text(1))));
    if (row.present(2)) {
        // A position the list does not have leaves the shown one.
        const int priority = TextToInt(row.text(2));
        if (priority >= 0 && priority < static_cast<int>(kPriorities.size()))
            get<ComboBox>(IDC_PRIORITY).setCurrent(priority);
    }
    if (row.present(3)) get<EditBox>(IDC_UPLINK_PORTS).setText(PortListToRanges(row.bytes(3), 1, m_iPortNum).text);
}

void CAutoSurveillanceVlanDlg::ReadModeAndVoice() {
    // A failed read keeps what was known, and holds Apply back until a read succeeds.
    features::AsyncRead(*this, kReadModeVoice, m_modeRead,
                        {vlan::kOidAsymmetricVlan, vlan::kOidVoiceVlanState, vlan::kOidVoiceVlanId},
                        [this](const ReplyRow& row, CSnmp&) {
                            if (row.size() < 3 || !row.present(0) || !row.present(1) || !row.present(2)) return false;
                            m_iAsymmetricState = row.text(0) == "1" ? 1 : 2;
                            m_iVoiceVlanState = row.text(1) == "1" ? 1 : 2;
                            m_iVoiceVlanId = TextToInt(row.text(2));
                            return false;
                        });
}

void CAutoSurveillanceVlanDlg::StartOuiWalks() {
    get<ReportList>(IDC_OUI_LIST).clear();
    enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, false);
    CTableWalk::Options options;
    options.maxRows = vlan::kSurvOuiTableRows;
    options.traceFailed = false;
    const bool started = features::WalkRead(
        *this, kReadOui, m_ouiWalk,
        {vlan::kOidSurvOuiComponentType, vlan::kOidSurvOuiDescription, vlan::kOidSurvOuiAddress,
         vlan::kOidSurvOuiRowStatus, vlan::kOidSurvOuiMask},
        [this](const ReplyRow& row, CSnmp&) {
            OnOuiRow(row);
            return true;
        },
        [this](int) { enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, true); }, options);
    if (!started) enable({IDC_ADD, IDC_DELETE, IDC_REFRESH}, true);

    m_voiceOuis.clear();
    m_voiceOuiStates.clear();
    CTableWalk::Options voice;
    voice.maxRows = vlan::kVoiceOuiTableRows;
    voice.traceFailed = false;
    features::WalkRead(
        *this, kReadVoiceOui, m_voiceOuiWalk, {vlan::kOidVoiceOuiAddress, vlan::kOidVoiceOuiStatus},
        [this](const ReplyRow& row, CSnmp&) {
            OnVoiceOuiRow(row);
            return true;
        },
        {}, voice);
}

void CAutoSurveillanceVlanDlg::OnOuiRow(const ReplyRow& row) {
    auto& list = get<ReportList>(IDC_OUI_LIST);
    // The mask tells an OUI (FF-FF-FF-00-00-00) from a single address (FF-FF-FF-FF-FF-FF).
    list.appendRow({std::to_string(list.rowCount() + 1), vlan::ComponentTypeText(row.text(0)), row.text(1),
                    FormatMac(row.bytes(2), '-'), FormatMac(row.bytes(4), '-')});
}

void CAutoSurveillanceVlanDlg::OnVoiceOuiRow(const ReplyRow& row) {
    const auto& address = row.bytes(0);
    m_voiceOuis.push_back(OctetsToHex(address.data(), std::min<std::size_t>(address.size(), 3)));
    m_voiceOuiStates.push_back(row.text(1));
}

void CAutoSurveillanceVlanDlg::StartTrunkWalk() {
    // A walk under way is left to finish: an Apply may be waiting for it.
    if (m_trunks.Walking()) return;
    m_trunks.Clear();
    if (!m_trunks.Start(*this, [this] {
            // Only a whole table replaces the map the trunk rule uses.
            if (m_trunks.LastWalkComplete()) m_TrunkPorts = m_trunks.Map();
            OnWalkForApplyEnded();
        }))
        OnWalkForApplyEnded();
}

void CAutoSurveillanceVlanDlg::RefreshSoon() { setTimer(kTimerRefresh, kRefreshDelayMs, [this] { OnRefresh(); }); }

// ---------------------------------------------------------------- Apply

bool CAutoSurveillanceVlanDlg::RefuseApply(const char* message) {
    platform::ShowMessage(message);
    OnRefresh();
    return false;
}

void CAutoSurveillanceVlanDlg::OnApply() {
    if (m_pendingApply) return;
    PendingApply a;
    a.state = get<platform::CheckBox>(IDC_ENABLE).checked() ? "1" : "2";
    a.priority = std::to_string(get<ComboBox>(IDC_PRIORITY).current());
    a.vidText = get<EditBox>(IDC_VLAN_ID).text();
    a.vid = TextToInt(a.vidText);

    if (m_iAsymmetricState == 1) {
        RefuseApply(kMsgAsymmetric);
        return;
    }
    if (a.vid == 1) {
        RefuseApply(kMsgDefaultVlan);
        return;
    }
    if (a.vid < 2 || a.vid > vlan::kMaxVlanId) {
        RefuseApply(kMsgVidRange);
        return;
    }
    if (m_iVoiceVlanState == 1 && a.vid == m_iVoiceVlanId) {
        RefuseApply(kMsgVoiceVid);
        return;
    }
    const std::string portText = get<EditBox>(IDC_UPLINK_PORTS).text();
    if (!IsPortListText(portText)) {
        platform::ShowMessage(kMsgInvalidPortlist);
        return;
    }
    std::fill(m_iUplinkPorts.begin(), m_iUplinkPorts.end(), 0);
    if (!CheckPortListInput(portText, m_iPortNum, &m_iUplinkPorts)) {
        OnRefresh();
        return;
    }
    a.ports = m_iUplinkPorts;

    // The trunk rule takes the map of a whole trunk walk, and the confirmation the whole VID
    // list: a walk still under way is waited for, the window staying responsive meanwhile.
    m_pendingApply = std::move(a);
    if (m_vidWalk.Running() || m_trunks.Walking()) {
        enable({IDC_APPLY}, false);
        return;
    }
    OnWalkForApplyEnded();
}

void CAutoSurveillanceVlanDlg::OnWalkForApplyEnded() {
    if (!m_pendingApply || m_vidWalk.Running() || m_trunks.Walking()) return;
    const PendingApply a = std::move(*m_pendingApply);
    m_pendingApply.reset();
    enable({IDC_APPLY}, true);
    FinishApply(a);
}

void CAutoSurveillanceVlanDlg::FinishApply(const PendingApply& a) {
    // Turning the feature off writes only its state: the stored ports, greyed in the form, are
    // not checked against the trunks. Enabling needs the whole trunk map for the trunk rule and
    // the whole VLAN list for the question for an existing VLAN: without them nothing can be
    // decided.
    const bool enabling = a.state == "1";
    if (enabling && (!readOk(features::CTrunkMap::kReadName) || !readOk(kReadVids))) {
        platform::ShowMessage(features::kMsgNotRead);
        return;
    }
    for (int p = 1; enabling && p <= m_iPortNum; ++p) {
        const int trunk = m_TrunkPorts[static_cast<std::size_t>(p - 1)];
        if (!a.ports[static_cast<std::size_t>(p - 1)] || trunk == 0) continue;
        for (int q = 1; q <= m_iPortNum; ++q)
            if (m_TrunkPorts[static_cast<std::size_t>(q - 1)] == trunk && !a.ports[static_cast<std::size_t>(q - 1)]) {
                RefuseApply(kMsgTrunk);
                return;
            }
    }
    const Octets portList = PortFlagsToPortList(a.ports, m_iPortNum);

    if (enabling) {
        for (const std::string& vid : m_existingVids) {
            if (TextToInt(vid) != a.vid) continue;
            if (!platform::Confirm(ConfirmExistingText(a.vid), MsgIcon::Question)) {
                OnRefresh();
                return;
            }
        }
        if (m_strSurveillanceState == "2" && IsPoeModel(Profile().DeviceName))
            platform::ShowMessage(kMsgPoe, MsgIcon::Information);
    }

    std::vector<features::SetValue> values;
    if (enabling) {
        values.push_back(features::SetValue::Text(vlan::kOidSurveillanceVlanId, SNMP_T_INTEGER, std::to_string(a.vid)));
        values.push_back(features::SetValue::Text(vlan::kOidSurveillancePriority, SNMP_T_INTEGER, a.priority));
        values.push_back(features::SetValue::Bytes(vlan::kOidSurveillanceUplinkPorts, portList));
    }
    values.push_back(features::SetValue::Text(vlan::kOidSurveillanceVlanState, SNMP_T_INTEGER, a.state));
    m_settingsWrite.Send("The auto surveillance VLAN settings", values, [this](bool ok) {
        if (ok) RefreshSoon();
        else OnRefresh();
    });
}

// ---------------------------------------------------------------- OUI entries

void CAutoSurveillanceVlanDlg::OnAdd() {
    const std::string type = std::to_string(get<ComboBox>(IDC_COMPONENT_TYPE).current());
    const std::string description = get<EditBox>(IDC_DESCRIPTION).text();
    std::string mac = get<EditBox>(IDC_MAC).text();
    const bool ouiMode = get<ComboBox>(IDC_MAC_MODE).current() == kModeOui;
    if (ouiMode) mac += "-00-00-00";

    if (!IsValidName(description)) {
        platform::ShowMessage(kMsgInvalidDescription);
        return;
    }
    std::array<std::uint8_t, 6> octets{};
    if (!CheckMacInput(mac, MacInputRules{}, &octets)) return;
    const std::string digits = vlan::MacDigits(mac);
    for (std::size_t i = 0; i < m_voiceOuis.size() && i < m_voiceOuiStates.size(); ++i)
        if (m_voiceOuiStates[i] == "1" && vlan::SameDigits(m_voiceOuis[i], digits.substr(0, 6))) {
            platform::ShowMessage(kMsgVoiceOui);
            return;
        }
    // The maker's devices are covered by the default entry (any letter case).
    if (vlan::IsDefaultOuiDigits(digits)) {
        platform::ShowMessage(kMsgDefaultOui);
        return;
    }
    const auto& list = get<ReportList>(IDC_OUI_LIST);
    int userEntries = 0;
    for (int r = 0; r < list.rowCount(); ++r) {
        const std::string listed = vlan::MacDigits(list.cell(r, 3));
        if (vlan::SameDigits(listed, digits)) {
            platform::ShowMessage(kMsgOuiExists);
            return;
        }
        if (!vlan::IsDefaultOuiDigits(listed)) ++userEntries;
    }
    if (userEntries >= vlan::kMaxSurvOuiUserEntries) {
        platform::ShowMessage(kMsgOuiFull);
        return;
    }

    const std::string suffix = vlan::OuiIndexSuffix(octets);
    const std::string address = FormatMac(Octets(octets.begin(), octets.end()), '-');
    // Create the row, then fill it a moment later; what the user typed stays until it is in.
    // The form is held from the create to the end of the fill or of its undo.
    beginWrite();
    m_ouiWrite.SendSteps({{features::SetValue::Text(vlan::kOidSurvOuiRowStatus + suffix, SNMP_T_INTEGER, "4")}},
                         [this, suffix, address, type, description, ouiMode](int failed) {
                             if (failed < 0) {
                                 setTimer(kTimerFill, kBetweenWritesMs, [this, suffix, address, type, description, ouiMode] {
                                     FillOuiEntry(suffix, address, type, description, ouiMode);
                                 });
                                 return;
                             }
                             const features::StepResult created = m_ouiWrite.LastStep();
                             const std::string message = features::NotDone("The OUI entry " + address, "added", created);
                             // Without an answer the row may exist all the same: the address was
                             // not listed, so a row there now is this write's own.
                             if (created.unanswered()) return RemoveNewOuiEntry(suffix, address, false, message);
                             EndOuiAdd(message);
                         });
}

void CAutoSurveillanceVlanDlg::FillOuiEntry(const std::string& suffix, const std::string& address,
                                            const std::string& type, const std::string& description, bool ouiMode) {
    const std::string utf8 = Utf8CutBytes(description, kMaxDescriptionBytes);
    std::vector<features::SetValue> values = {
        features::SetValue::Bytes(vlan::kOidSurvOuiDescription + suffix, Octets(utf8.begin(), utf8.end())),
        features::SetValue::Text(vlan::kOidSurvOuiComponentType + suffix, SNMP_T_INTEGER, type)};
    if (ouiMode) values.push_back(features::SetValue::Bytes(vlan::kOidSurvOuiMask + suffix, HexToOctets("ffffff000000")));
    m_ouiWrite.SendSteps({values}, [this, suffix, address](int failed) {
        if (failed < 0) {
            get<EditBox>(IDC_DESCRIPTION).setText("");
            get<EditBox>(IDC_MAC).setText("");
            RefreshSoon();
            endWrite();
            return;
        }
        // A created row left unfilled matches one address (mask FF-FF-FF-FF-FF-FF) as "Other": it
        // is not what was asked for, so it goes.
        RemoveNewOuiEntry(suffix, address, true, features::NotDone("The OUI entry " + address, "added", m_ouiWrite.LastStep()));
    });
}

void CAutoSurveillanceVlanDlg::EndOuiAdd(const std::string& message) {
    platform::ShowMessage(message);
    OnRefresh();
    endWrite();
}

void CAutoSurveillanceVlanDlg::RemoveNewOuiEntry(const std::string& suffix, const std::string& address, bool created,
                                                 std::string message) {
    m_ouiWrite.SendSteps(
        {{features::SetValue::Text(vlan::kOidSurvOuiRowStatus + suffix, SNMP_T_INTEGER, "6")}},
        [this, suffix, address, created, message](int failed) {
            const features::StepResult destroyed = m_ouiWrite.LastStep();
            if (failed < 0)
                return EndOuiAdd(message + (created ? " The entry that was created was removed."
                                                    : " If the switch made the entry, it was removed."));
            // Say what the switch holds now.
            vlan::ReadRowLater(
                m_ouiRowRead,
                {vlan::kOidSurvOuiMask + suffix, vlan::kOidSurvOuiComponentType + suffix, vlan::kOidSurvOuiDescription + suffix},
                [this, address, destroyed, message](bool answered, const ReplyRow& row) {
                    if (!answered)
                        return EndOuiAdd(message + " The entry could not be removed (" + destroyed.reason() +
                                         ") and could not be read back: see whether the list shows " + address + ".");
                    if (!row.present(0) && !row.present(1)) return EndOuiAdd(message + " No entry was left on the switch.");
                    EndOuiAdd(message + " The entry could not be removed (" + destroyed.reason() + "): the switch holds " +
                              address + " with mask " + FormatMac(row.bytes(0), '-') + ", component type \"" +
                              vlan::ComponentTypeText(row.text(1)) + "\" and description \"" + row.text(2) +
                              "\". Delete it from the list.");
                });
        });
}

void CAutoSurveillanceVlanDlg::OnDelete() {
    const auto& list = get<ReportList>(IDC_OUI_LIST);
    const int row = list.selectedRow();
    if (row < 0 || row >= list.rowCount()) {
        platform::ShowMessage(kMsgSelectOui);
        return;
    }
    const std::string mac = list.cell(row, 3);
    if (mac == vlan::kDefaultOuiText) {
        platform::ShowMessage(kMsgDefaultOuiDelete);
        return;
    }
    std::string suffix;
    if (!vlan::OuiIndexSuffixFromDigits(vlan::MacDigits(mac), suffix)) return;
    m_ouiWrite.SendSteps({{features::SetValue::Text(vlan::kOidSurvOuiRowStatus + suffix, SNMP_T_INTEGER, "6")}},
                         [this, mac](int failed) {
                             if (failed < 0) return RefreshSoon();
                             platform::ShowMessage(features::NotDone("The OUI entry " + mac, "deleted", m_ouiWrite.LastStep()));
                             OnRefresh();
                         });
}
