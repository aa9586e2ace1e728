#include "features/vlan/vlan_config_dlg.h"

#include <algorithm>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/common/port_range.h"
#include "snmp/session_close.h"
#include "features/vlan/pvid_dlg.h"
#include "features/vlan/vlan_entry_dlg.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/validation.h"

using platform::MsgIcon;
using platform::ReportList;

namespace {

constexpr const char* kMsgVoiceNoModeChange =
    "Voice Vlan is enable,the vlan mode can't change to Asymmetric mode!\n"
    "If you could disable it, please set it through the web!";
constexpr const char* kMsgSurveillanceNoModeChange =
    "Auto Surveillance VLAN is enable,the vlan mode can't change to Asymmetric mode!";
constexpr const char* kMsgModeResets =
    "The setting of VLAN, IGMP Snooping, Management VLAN and MAC Address Table will be reset to default.";
constexpr const char* kMsgOverLimit = " Number of VLAN group is over limit";
constexpr const char* kMsgSelectVlan = "Please select the VLAN !";
constexpr const char* kMsgInvalidVid = "Invalid VLAN ID!";
constexpr const char* kMsgSelectDelete = "Please select the VLAN want to be deleted!";
constexpr const char* kMsgDefaultVlan = "Can't delete the default VLAN!";
constexpr const char* kMsgIsPvid = "The VID is one of The PVID, so it cannot be deleted.";
constexpr const char* kMsgIsVoice = "The VLAN ID is Voice VLAN ID.";
constexpr const char* kMsgIsSurveillance = "The VLAN ID is Surveillance VLAN ID.";

// The switch needs a moment after a mode change before it answers with the new tables.
// The table is read again a moment after the mode changed (a form timer).
constexpr int kModeChangeDelayMs = 50;
constexpr int kTimerModeChange = 1;

// The dialog's reads.
constexpr const char* kReadVoice = "voice state";      // voice and surveillance VLAN state and IDs
constexpr const char* kReadMode = "asymmetric mode";
constexpr const char* kReadPvids = "PVIDs";
constexpr const char* kReadVlans = "VLANs";

// A VID typed by nobody: the list's first column, read as a number.
int VidOfText(const std::string& text) { return TextToInt(text.substr(0, 49)); }

}  // namespace

CVlanConfigDlg::CVlanConfigDlg()
    : m_iPortNum(features::DevicePorts()),
      m_bVlanEditEnabled(Settings().VlanEditEnabled) {}

void CVlanConfigDlg::createControls() {
    setCaption("802.1Q VLAN Configuration");
    auto& mode = addGroup(0, "802.1Q Asymmetric VLAN Configuration ");
    // The box shows the switch's mode only once it was read; Apply also decides on the voice and
    // surveillance VLAN states.
    mode.addCheck(IDC_ASYMMETRIC, "Enable Asymmetric VLAN").needsRead({kReadMode});
    mode.addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).sameLine().needsRead({kReadMode, kReadVoice});

    auto& info = addGroup(0, "802.1Q VLAN Information");
    info.addList(IDC_VLAN_LIST, "",
                 {{"VLAN ID", 80, ReportList::Align::Left},
                  {"VLAN Name", 120, ReportList::Align::Center},
                  {"No.of Ports", 100},
                  {"Egress Port Member", 220},
                  {"Untag Port Member", 220}})
        .setFullRowSelect(true)
        .setActivateButton(IDC_EDIT);  // only while "&Edit" is enabled: editing allowed, walk over

    // The editors check against the whole VLAN list and the mode; Delete against the PVIDs and
    // the voice and surveillance VLANs as well.
    addButton(IDC_PVID, "&PVID", [this] { OnPvid(); }).needsRead({kReadVlans});
    addButton(IDC_ADD, "&Add", [this] { OnAdd(); }).needsRead({kReadVlans, kReadMode});
    addButton(IDC_EDIT, "&Edit", [this] { OnEdit(); }).needsRead({kReadVlans, kReadMode});
    addButton(IDC_DELETE, "&Delete", [this] { OnDelete(); }).needsRead({kReadVlans, kReadMode, kReadPvids, kReadVoice});
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
    addButton(platform::kIdCancel, "&Close");
}

void CVlanConfigDlg::initDialog() {
    m_iPvid.assign(static_cast<std::size_t>(m_iPortNum), 0);
    get<platform::CheckBox>(IDC_ASYMMETRIC).setChecked(false);
    if (!m_bVlanEditEnabled) enable({IDC_ADD, IDC_EDIT, IDC_DELETE, IDC_PVID}, false);
    OnRefresh();
}

void CVlanConfigDlg::destroyWindow() {
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                                   {m_cCommonSNMPTable, "m_cCommonSNMPTable"},
                                   {m_cCommonSNMPVoiceVlan, "m_cCommonSNMPVoiceVlan"},
                                   {m_cCommonSNMPTableVlan, "m_cCommonSNMPTableVlan"},
                                   {m_cCommonSNMPTableVlanDelete, "m_cCommonSNMPTableVlanDelete"}});
    m_vlanRecords.clear();
    m_iPvid.clear();
}

int CVlanConfigDlg::ModeCode() const { return get<platform::CheckBox>(IDC_ASYMMETRIC).checked() ? 1 : 2; }

// ---------------------------------------------------------------- Refresh and its reads

void CVlanConfigDlg::OnRefresh() {
    StartVoiceStateRead();
    m_vlanRecords.clear();
    m_heldVids.clear();
    ReadAsymmetricMode();
    StartPvidWalk();
    get<ReportList>(IDC_VLAN_LIST).clear();
    StartVlanWalk();
}

void CVlanConfigDlg::StartVoiceStateRead() {
    m_bVoiceStateRead = false;
    features::AsyncRead(*this, kReadVoice, m_voiceRead,
                        {vlan::kOidVoiceVlanState, vlan::kOidVoiceVlanId, vlan::kOidSurveillanceVlanState,
                         vlan::kOidSurveillanceVlanId},
                        [this](const ReplyRow& row, CSnmp&) {
                            OnVoiceState(row);
                            return false;
                        });
}

void CVlanConfigDlg::OnVoiceState(const ReplyRow& row) {
    if (row.size() < 4) return;
    m_iVoiceVlanState = row.text(0) == "1" ? 1 : 2;
    m_iVoiceVlanId = TextToInt(row.text(1));
    m_iSurveillanceVlanState = row.text(2) == "1" ? 1 : 2;
    m_iSurveillanceVlanId = TextToInt(row.text(3));
    m_bVoiceStateRead = true;
}

void CVlanConfigDlg::ReadAsymmetricMode() {
    // A failed read leaves the box as it is (and held back).
    features::AsyncRead(*this, kReadMode, m_modeRead, {vlan::kOidAsymmetricVlan}, [this](const ReplyRow& row, CSnmp&) {
        if (row.present(0)) get<platform::CheckBox>(IDC_ASYMMETRIC).setChecked(row.text(0) == "1");
        return false;
    });
}

void CVlanConfigDlg::StartPvidWalk() {
    std::fill(m_iPvid.begin(), m_iPvid.end(), 1);
    m_iPvidCount = 0;
    m_bPvidWalking = m_pvidRead.Start(
        *this, kReadPvids, {vlan::kOidVlanPvid}, m_iPortNum, [this](int port, const ReplyRow& row) { OnPvidRow(port, row); },
        [this](int) { m_bPvidWalking = false; });
}

void CVlanConfigDlg::OnPvidRow(int port, const ReplyRow& row) {
    if (!row.present(0) || m_iPvidCount >= m_iPortNum) return;
    m_iPvid[static_cast<std::size_t>(port - 1)] = TextToInt(row.text(0));
    ++m_iPvidCount;
}

void CVlanConfigDlg::StartVlanWalk() {
    enable({IDC_APPLY, IDC_ADD, IDC_EDIT, IDC_DELETE, IDC_REFRESH, platform::kIdCancel}, false);
    m_bTableWalking = true;
    CTableWalk::Options options;
    options.traceFailed = false;
    options.maxRows = vlan::kMaxVlanRows;
    const bool started = features::WalkRead(
        *this, kReadVlans, m_vlanWalk,
        {vlan::kOidVlanStaticName, vlan::kOidVlanStaticEgressPorts, vlan::kOidVlanStaticUntaggedPorts,
         vlan::kOidVlanForbiddenEgressPorts, vlan::kOidVlanStaticRowState},
        [this](const ReplyRow& row, CSnmp&) {
            OnVlanRow(row);
            return true;
        },
        [this](int) {
            platform::Trace("iStatus != CSnmp4w::EC_NO_ERROR");
            EnableAfterWalk();
        },
        options);
    // No walk: the form must not stay locked.
    if (!started) EnableAfterWalk();
}

void CVlanConfigDlg::EnableAfterWalk() {
    m_bTableWalking = false;
    enable({IDC_APPLY, IDC_REFRESH, platform::kIdCancel}, true);
    enable({IDC_ADD, IDC_EDIT, IDC_DELETE}, m_bVlanEditEnabled);
}

void CVlanConfigDlg::OnVlanRow(const ReplyRow& row) {
    if (row.size() < 5) return;
    const int vid = TextToInt(row.instance(0, vlan::kOidVlanStaticName));
    // Only active rows are listed; the others still hold their ID, which the editor must not
    // take for a new VLAN.
    if (row.text(4) != "1") {
        if (vid > 0) m_heldVids.push_back(vid);
        return;
    }
    vlan::VlanRecord r;
    r.vid = vid;
    r.name = row.text(0);
    const int n = m_iPortNum;
    PortText egress = PortListToNumbers(row.bytes(1), n);
    PortText untagged = PortListToNumbers(row.bytes(2), n);
    PortText forbidden = PortListToNumbers(row.bytes(3), n);
    r.egressPorts = egress.text;
    r.egressCount = egress.count;
    r.untaggedPorts = untagged.text;
    r.untaggedCount = untagged.count;
    r.forbiddenPorts = forbidden.text;
    r.forbiddenCount = forbidden.count;
    // Ranges keep the members of a 52-port switch readable in the list ("1-24,49").
    get<ReportList>(IDC_VLAN_LIST)
        .appendRow({std::to_string(r.vid), r.name, std::to_string(r.egressCount), PortListToRanges(row.bytes(1), 1, n).text,
                    PortListToRanges(row.bytes(2), 1, n).text});
    m_vlanRecords.push_back(std::move(r));
}

// ---------------------------------------------------------------- Handlers

void CVlanConfigDlg::OnApply() {
    if (m_iVoiceVlanState == 1) {
        platform::ShowMessage(kMsgVoiceNoModeChange);
        ReadAsymmetricMode();
        return;
    }
    if (m_iSurveillanceVlanState == 1) {
        platform::ShowMessage(kMsgSurveillanceNoModeChange);
        ReadAsymmetricMode();
        return;
    }
    if (!platform::Confirm(kMsgModeResets)) return;
    const char* value = get<platform::CheckBox>(IDC_ASYMMETRIC).checked() ? "1" : "2";
    // Held from the set to the read after its pause.
    beginWrite();
    m_modeWrite.Send("The asymmetric VLAN mode", {features::SetValue::Text(vlan::kOidAsymmetricVlan, SNMP_T_INTEGER, value)},
                     [this](bool ok) {
                         if (!ok) {
                             endWrite();
                             OnRefresh();  // the box shows the mode the switch holds
                             return;
                         }
                         setTimer(kTimerModeChange, kModeChangeDelayMs, [this] {
                             endWrite();
                             OnRefresh();
                         });
                     });
}

void CVlanConfigDlg::OnAdd() {
    auto& list = get<ReportList>(IDC_VLAN_LIST);
    if (list.rowCount() >= vlan::kMaxVlanCount) {
        platform::ShowMessage(kMsgOverLimit);
        return;
    }
    CVlanEntryDlg dlg(m_iPortNum, &m_vlanRecords, ModeCode(), true);
    RunEntry(dlg);
}

void CVlanConfigDlg::RunEntry(CVlanEntryDlg& dlg) {
    dlg.SetHeldVids(m_heldVids);
    // After a write that went wrong the form may be left with Cancel: the table still shows
    // what the switch holds now.
    if (runChild(dlg) == platform::kIdOk || dlg.WriteSent()) OnRefresh();
}

void CVlanConfigDlg::OnEdit() {
    auto& list = get<ReportList>(IDC_VLAN_LIST);
    if (list.rowCount() == 0) {
        platform::ShowMessage(kMsgSelectVlan);
        return;
    }
    const int row = list.selectedRow();
    if (row < 0) {
        platform::ShowMessage(kMsgSelectVlan, MsgIcon::Information);
        return;
    }
    const int vid = VidOfText(list.cell(row, 0));
    if (vid <= 0) {
        platform::ShowMessage(kMsgInvalidVid);
        return;
    }
    CVlanEntryDlg dlg(m_iPortNum, &m_vlanRecords, ModeCode(), false, vid);
    RunEntry(dlg);
}

void CVlanConfigDlg::OnDelete() {
    auto& list = get<ReportList>(IDC_VLAN_LIST);
    if (list.rowCount() == 0) {
        platform::ShowMessage(kMsgSelectDelete);
        return;
    }
    const int row = list.selectedRow();
    if (row < 0) {
        platform::ShowMessage(kMsgSelectDelete, MsgIcon::Information);
        return;
    }
    const std::string vidText = list.cell(row, 0);
    if (vidText == "1") {
        platform::ShowMessage(kMsgDefaultVlan);
        return;
    }
    const int vid = VidOfText(vidText);
    if (vid <= 0) return;
    if (ModeCode() == 1 && std::find(m_iPvid.begin(), m_iPvid.end(), vid) != m_iPvid.end()) {
        platform::ShowMessage(kMsgIsPvid);
        return;
    }
    if (m_iVoiceVlanState == 1 && vid == m_iVoiceVlanId) {
        platform::ShowMessage(kMsgIsVoice);
        return;
    }
    if (m_iSurveillanceVlanState == 1 && vid == m_iSurveillanceVlanId) {
        platform::ShowMessage(kMsgIsSurveillance);
        return;
    }
    if (!platform::Confirm("The VLAN " + vidText +
                           " settings in IGMP Snooping and MAC Address Table maybe be affected, continue?")) {
        OnRefresh();
        return;
    }
    m_deleteWrite.SendSteps({{features::SetValue::Text(InstanceOid(vlan::kOidVlanStaticRowState, vid), SNMP_T_INTEGER, "6")}},
                            [this, vidText](int failed) {
                                if (failed >= 0)
                                    platform::ShowMessage(
                                        features::NotDone("VLAN " + vidText, "deleted", m_deleteWrite.LastStep()));
                                OnRefresh();
                            });
}

void CVlanConfigDlg::OnPvid() {
    auto& list = get<ReportList>(IDC_VLAN_LIST);
    std::string vids;
    for (int r = 0; r < list.rowCount(); ++r) {
        if (r) vids += ",";
        vids += list.cell(r, 0);
    }
    CPvidDlg dlg(m_iPortNum, vids, list.rowCount(), &m_vlanRecords);
    runChild(dlg);
    OnRefresh();
}
