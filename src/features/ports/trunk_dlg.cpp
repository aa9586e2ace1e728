#include "features/ports/trunk_dlg.h"

#include <algorithm>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace features {

namespace {

const std::vector<std::string> kModeItems = {"LACP", "Static", "Disable"};

// The trunk dialog's reads.
constexpr const char* kReadState = "link aggregation state";
constexpr const char* kReadTable = "trunk table";
enum { kColTrunk = 0, kColMode, kColMembers };

// Waits after a write before the table is read again (form timers).
constexpr int kStateSettleMs = 10;
constexpr int kModeSettleMs = 50;
constexpr int kTimerSettle = 1;

int PortsPerRow(int ports) { return ports == 48 ? 24 : ports == 52 ? 26 : 0; }

}  // namespace

std::string ChannelModeText(const std::string& value) {
    if (value == "1") return "LACP";
    if (value == "2") return "Static";
    return "Disable";
}

// ---------------------------------------------------------------- CTrunkMemberDlg

CTrunkMemberDlg::CTrunkMemberDlg(std::string trunk, std::string mode, std::string members, int portCount)
    : m_strTrunk(std::move(trunk)),
      m_strMode(std::move(mode)),
      m_strMembers(std::move(members)),
      m_iPortNum(SanitizePortCount(portCount < 0 ? Profile().DevicePortNum : portCount)),
      m_flags(static_cast<std::size_t>(m_iPortNum), 0) {}

void CTrunkMemberDlg::createControls() {
    setCaption("Trunk member");
    const int perRow = PortsPerRow(m_iPortNum);
    const int columns = perRow ? perRow : m_iPortNum;
    setSize(std::max(400, 100 + columns * 21), perRow ? 250 : 200);
    addLabel(0, "Trunk ID:");
    addEdit(IDC_TRUNK_ID).setReadOnly().setWidth(60);
    addLabel(0, "PortChannelMode:").sameLine();
    addEdit(IDC_MODE).setReadOnly().setWidth(80);
    auto& group = addGroup(0, "Port Member");
    group.addPortGrid(IDC_PORTS, "", platform::PortGrid::CellKind::Check, m_iPortNum, {""}, perRow)
        .onCellChange([this](int, int port) { OnPort(port); });
    addLabel(IDC_STATUS, "");
    // The rules decide on what the checker read: OK waits for every read to come back whole.
    addButton(platform::kIdOk, "OK", [this] { OnOK(); }).setDefault().needsRead();
    addButton(platform::kIdCancel, "Cancel");
}

void CTrunkMemberDlg::initDialog() {
    get<platform::EditBox>(IDC_TRUNK_ID).setText(m_strTrunk);
    get<platform::EditBox>(IDC_MODE).setText(m_strMode);
    m_bInit = m_valid.Init(m_iPortNum, this);
    if (!m_bInit) {
        platform::ShowMessage(kMsgInitError);
        return;
    }
    auto& grid = get<platform::PortGrid>(IDC_PORTS);
    PortNumbersToFlags(m_strMembers, m_iPortNum, m_flags);
    for (int p = 1; p <= m_iPortNum; ++p)
        if (m_flags[static_cast<std::size_t>(p - 1)]) grid.setChecked(0, p, true);
    // OK waits until the checker has every setting it reads.
    if (m_valid.Reading()) {
        ShowReading(true);
        m_valid.WhenRead([this] { post([this] { ShowReading(false); }); });
    }
}

void CTrunkMemberDlg::ShowReading(bool reading) {
    get<platform::Label>(IDC_STATUS).setText(reading ? kStatusReading : "");
    enable({platform::kIdOk}, !reading);
}

void CTrunkMemberDlg::OnPort(int port) {
    if (port < 1 || port > m_iPortNum) return;
    m_flags[static_cast<std::size_t>(port - 1)] = get<platform::PortGrid>(IDC_PORTS).checked(0, port) ? 1 : 0;
}

void CTrunkMemberDlg::OnOK() {
    // 1. Two to eight members.
    const int count = CountSelected(m_flags);
    if (count <= 1) {
        platform::ShowMessage(kMsgMinimum);
        return;
    }
    if (count >= 9) {
        platform::ShowMessage(kMsgMaximum);
        return;
    }
    // 2. The rules run once every setting has been read, the switch-wide states afresh; the
    //    window keeps running meanwhile.
    if (m_bInit) m_valid.RefreshGlobals();
    ShowReading(true);
    m_valid.WhenRead([this] { post([this] { ContinueOK(); }); });
}

void CTrunkMemberDlg::ContinueOK() {
    ShowReading(false);
    if (CountSelected(m_flags) < 2 || CountSelected(m_flags) > 8) return;  // changed while reading
    if (!m_valid.Check(m_flags, m_strMembers)) return;
    // 3 and 4. The members as PortList text, written with the mode.
    const std::string hex = PortFlagsToHex(m_flags, m_iPortNum);
    const std::string mode = m_strMode == "LACP" ? "1" : "2";
    const bool sent = m_valid.WriteTrunk(mode, hex, m_strTrunk, [this, hex](bool ok) {
        if (ok) {
            m_strResult = hex;
            end(platform::kIdOk);
        } else if (m_bInit) {
            // The message is out; the dialog stays open with the user's choice for a retry, and
            // the switch-wide states the rules depend on are read again.
            m_valid.RefreshGlobals();
        }
    });
    if (sent) m_writeSent = true;
}

void CTrunkMemberDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_valid.Close();
}

// ---------------------------------------------------------------- CTrunkConfigDlg

CTrunkConfigDlg::CTrunkConfigDlg() : m_iPortNum(SanitizePortCount(Profile().DevicePortNum)) {}

void CTrunkConfigDlg::createControls() {
    setCaption("Trunk Configuration");
    setSize(560, 470);
    addList(IDC_LIST, "Trunk Information",
            {{"TrunkID    ", 80}, {"PortChannelMode    ", 130}, {"PortMember                            ", 300}})
        .setFullRowSelect()
        .onRowClick([this](int row) { OnRowClick(row); });
    auto& config = addGroup(0, "Trunk Configuration");
    config.addLabel(0, "Trunk ID:");
    config.addEdit(IDC_TRUNK_ID).setDigitsOnly().setMaxLength(2).setWidth(60);
    config.addLabel(0, "PortChannelMode:");
    config.addCombo(IDC_MODE, kModeItems);
    // The member dialog starts from the members read; the state decides whether it may open.
    config.addButton(IDC_PORT_MEMBER, "&PortMember", [this] { OnPortMember(); }).needsRead({kReadState, kReadTable});
    auto& status = addGroup(0, "Trunk status");
    status.addCheck(IDC_ENABLE, "Enable Trunk").needsRead({kReadState});
    status.addButton(IDC_STATE_APPLY, "&Apply", [this] { OnStateApply(); }).sameLine().needsRead({kReadState});
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
    // The channel mode is compared with the trunk's row and needs its members.
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).needsRead({kReadTable});
    addButton(platform::kIdCancel, "&Close");
}

void CTrunkConfigDlg::initDialog() {
    enable({IDC_PORT_MEMBER}, false);
    OnRefresh();
}

void CTrunkConfigDlg::OnRefresh() {
    ReadState();
    WalkTrunks();
}

void CTrunkConfigDlg::ReadState() {
    // "1" enables the member button; a failed read changes nothing.
    AsyncRead(*this, kReadState, m_stateRead, {trunkoid::kLaState}, [this](const ReplyRow& row, CSnmp&) {
        if (!row.present(0)) return true;
        const bool on = row.text(0) == "1";
        get<platform::CheckBox>(IDC_ENABLE).setChecked(on);
        enable({IDC_PORT_MEMBER}, on);
        return true;
    });
}

void CTrunkConfigDlg::WalkTrunks() {
    get<platform::ReportList>(IDC_LIST).clear();
    enable({IDC_REFRESH}, false);
    CTableWalk::Options options;
    options.maxRows = kTrunkTableRows;
    const bool started = WalkRead(
        *this, kReadTable, m_walk, {trunkoid::kMemberList, trunkoid::kMode},
        [this](const ReplyRow& row, CSnmp&) {
            const std::string trunk = row.instance(0, trunkoid::kMemberList);
            if (trunk.empty()) return true;
            const std::string members = PortListToNumbers(row.bytes(0), m_iPortNum).text;
            get<platform::ReportList>(IDC_LIST).appendRow({trunk, ChannelModeText(row.text(1)), members});
            return true;
        },
        [this](int) {
            m_cCommonSNMPTable.SignalDone();
            enable({IDC_REFRESH}, true);
        },
        options);
    if (!started) enable({IDC_REFRESH}, true);
}

void CTrunkConfigDlg::OnStateApply() {
    const bool on = get<platform::CheckBox>(IDC_ENABLE).checked();
    WriteThenRefresh("The link aggregation state", {SetValue::Text(trunkoid::kLaState, SNMP_T_INTEGER, on ? "1" : "2")},
                     kStateSettleMs);
}

void CTrunkConfigDlg::WriteThenRefresh(const std::string& what, std::vector<SetValue> values, int ms) {
    // Held from the set to the read after its pause.
    beginWrite();
    m_write.Send(what, values, [this, ms](bool ok) {
        platform::Trace("state = %d ", ok ? 0 : -1);
        if (!ok) {
            endWrite();
            OnRefresh();  // the form shows what the switch holds
            return;
        }
        setTimer(kTimerSettle, ms, [this] {
            endWrite();
            OnRefresh();
        });
    });
}

void CTrunkConfigDlg::OnRowClick(int row) {
    auto& list = get<platform::ReportList>(IDC_LIST);
    if (row < 0 || row >= list.rowCount()) return;
    get<platform::EditBox>(IDC_TRUNK_ID).setText(list.cell(row, kColTrunk));
    auto& mode = get<platform::ComboBox>(IDC_MODE);
    const int item = mode.findItem(list.cell(row, kColMode));
    if (item >= 0) mode.setCurrent(item);
    m_strMembers = list.cell(row, kColMembers);
}

int CTrunkConfigDlg::TrunkNumberTyped() {
    auto& edit = get<platform::EditBox>(IDC_TRUNK_ID);
    const int number = InstanceNumber(edit.text(), static_cast<int>(kTrunkTableRows));
    if (number == 0) {
        platform::ShowMessage(kMsgBadTrunk);
        setFocus(edit, true);
    }
    return number;
}

void CTrunkConfigDlg::OnApply() {
    if (get<platform::EditBox>(IDC_TRUNK_ID).text().empty()) return;
    const int trunk = TrunkNumberTyped();
    if (trunk == 0) return;
    auto& list = get<platform::ReportList>(IDC_LIST);
    if (trunk > list.rowCount()) return;  // the trunk's row has not been read
    const int row = trunk - 1;
    auto& mode = get<platform::ComboBox>(IDC_MODE);
    if (list.cell(row, kColMode) == mode.text()) return;
    if (list.cell(row, kColMembers).empty()) {
        platform::ShowMessage(kMsgNoMembers);
        return;
    }
    const int index = mode.current();
    if (index < 0 || index > 2) return;
    const std::string value = std::to_string(index + 1);
    WriteThenRefresh("The channel mode of trunk " + std::to_string(trunk),
                     {SetValue::Text(InstanceOid(trunkoid::kMode, trunk), SNMP_T_INTEGER, value)}, kModeSettleMs);
}

void CTrunkConfigDlg::OnPortMember() {
    const std::string trunk = get<platform::EditBox>(IDC_TRUNK_ID).text();
    if (trunk.empty()) {
        platform::ShowMessage(kMsgSelectTrunk);
        return;
    }
    const std::string mode = get<platform::ComboBox>(IDC_MODE).text();
    if (mode == "Disable") {
        platform::ShowMessage(kMsgDisabled);
        return;
    }
    const int number = TrunkNumberTyped();
    if (number == 0) return;
    // The members shown for that trunk (the row clicked last unless another number was typed).
    std::string members = m_strMembers;
    const auto& list = get<platform::ReportList>(IDC_LIST);
    for (int r = 0; r < list.rowCount(); ++r)
        if (list.cell(r, kColTrunk) == std::to_string(number)) members = list.cell(r, kColMembers);
    CTrunkMemberDlg member(std::to_string(number), mode, members, m_iPortNum);
    // A write that went unanswered may have been taken: the list shows what the switch holds,
    // also when the dialog was then cancelled.
    if (runChild(member) == platform::kIdOk || member.WriteSent()) OnRefresh();
}

void CTrunkConfigDlg::destroyWindow() {
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPState, "m_cCommonSNMPState"},
                         {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

}  // namespace features
