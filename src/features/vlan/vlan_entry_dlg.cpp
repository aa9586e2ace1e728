#include "features/vlan/vlan_entry_dlg.h"

#include <algorithm>

#include "features/common/form_reads.h"
#include "features/common/sync_request.h"
#include "snmp/session_close.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/validation.h"

using platform::PortGrid;

namespace {

constexpr const char* kMsgInvalidVid = "Invalid VLAN ID, VLAN ID should be (2-4094) !";
constexpr const char* kMsgVidUsed = "The VLAN ID has been used, please input again !";
constexpr const char* kMsgInvalidName = "Invalid Vlan Name.";
constexpr const char* kMsgTrunk = "Members in VLAN have to be in the same trunk !";
constexpr const char* kMsgNoMember = "You have to include at least one member in the vlan";
constexpr const char* kMsgParameterError = "Parameter Error !";

// The switch needs a moment between the name and activating the row.
// The row is made active a moment after its last column was written (a form timer).
constexpr int kActivateDelayMs = 50;
constexpr int kTimerActivate = 1;

std::vector<int> Zeros(int n) { return std::vector<int>(static_cast<std::size_t>(std::max(n, 0)), 0); }

}  // namespace

// ---------------------------------------------------------------- CVlanEntrySnmp

CVlanEntrySnmp::CVlanEntrySnmp(platform::Form& form, int portNum)
    : m_iPortNum(portNum),
      m_trunkMap(m_cCommonSNMPTable, portNum),
      m_stateWrite(form, m_cCommonSNMP, true),
      m_portWrite(form, m_cCommonSNMPEgrePort),
      m_nameWrite(form, m_cCommonSNMP) {}

std::vector<features::SetValue> CVlanEntrySnmp::RowState(int vid, const char* value) {
    return {features::SetValue::Text(InstanceOid(vlan::kOidVlanStaticRowState, vid), SNMP_T_INTEGER, value)};
}

Octets CVlanEntrySnmp::EncodePortList(const std::vector<int>& flags, int portNum) {
    std::string hex = PortFlagsToHex(flags, portNum);
    // Eight ports fill one octet; the switch takes whole four-octet groups.
    if (portNum == 8) hex += "000000";
    return HexToOctets(hex);
}

std::vector<features::SetValue> CVlanEntrySnmp::EgressPorts(int vid, const std::vector<int>& flags) const {
    return {features::SetValue::Bytes(InstanceOid(vlan::kOidVlanStaticEgressPorts, vid), EncodePortList(flags, m_iPortNum))};
}

std::vector<features::SetValue> CVlanEntrySnmp::UntaggedPorts(int vid, const std::vector<int>& flags) const {
    return {features::SetValue::Bytes(InstanceOid(vlan::kOidVlanStaticUntaggedPorts, vid), EncodePortList(flags, m_iPortNum))};
}

std::vector<features::SetValue> CVlanEntrySnmp::Name(int vid, const std::string& name) {
    const std::string utf8 = Utf8CutBytes(name, vlan::kMaxNameBytes);
    return {features::SetValue::Bytes(InstanceOid(vlan::kOidVlanStaticName, vid), Octets(utf8.begin(), utf8.end()))};
}

void CVlanEntrySnmp::ReadRow(int vid, vlan::RowReadDone done) {
    vlan::ReadRowLater(m_rowRead,
                       {InstanceOid(vlan::kOidVlanStaticEgressPorts, vid), InstanceOid(vlan::kOidVlanStaticUntaggedPorts, vid),
                        InstanceOid(vlan::kOidVlanStaticRowState, vid)},
                       std::move(done));
}

void CVlanEntrySnmp::Close() {
    CloseSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                             {m_cCommonSNMPEgrePort, "m_cCommonSNMPEgrePort"},
                             {m_cCommonSNMPUntagPort, "m_cCommonSNMPUntagPort"},
                             {m_cCommonSNMPAllPort, "m_cCommonSNMPAllPort"},
                             {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

// ---------------------------------------------------------------- CVlanEntryDlg

CVlanEntryDlg::CVlanEntryDlg(int portNum, const vlan::VlanRecordList* records, int modeCode, bool addMode, int vid)
    : m_iPortNum(std::clamp(portNum, 0, kMaxPortCount)),
      m_pRecords(records),
      m_iMode(modeCode),
      m_bAdd(addMode),
      m_iVid(addMode ? 0 : vid),
      m_iEgress(Zeros(m_iPortNum)),
      m_iUntagged(Zeros(m_iPortNum)),
      m_iNotMember(std::vector<int>(static_cast<std::size_t>(m_iPortNum), 1)),
      m_iForbidden(Zeros(m_iPortNum)),
      m_iLocked(Zeros(m_iPortNum)),
      m_snmp(*this, m_iPortNum) {}

void CVlanEntryDlg::createControls() {
    setCaption(m_bAdd ? "Add VLAN" : "Edit VLAN");
    switch (m_iPortNum) {
    case 8: setSize(500, 320); break;
    case 28: setSize(570, 360); break;
    case 48: setSize(530, 400); break;
    case 52: setSize(550, 400); break;
    default: break;
    }
    auto& id = addGroup(0, "802.1Q VLAN Name and ID");
    id.addLabel(0, "VLAN Name:");
    id.addEdit(IDC_VLAN_NAME).setMaxLength(20);
    id.addLabel(0, "VID:");
    id.addEdit(IDC_VID).setMaxLength(4);

    const int perRow = m_iPortNum == 48 ? 24 : m_iPortNum == 52 ? 26 : 0;
    auto& members = addGroup(0, "VLAN Port Member");
    members
        .addPortGrid(IDC_PORTS, "", PortGrid::CellKind::Radio, m_iPortNum,
                     {"Tag Ports:", "Untag Ports:", "Not Member:"}, perRow)
        .onCellChange([this](int layer, int port) { OnCellChange(layer, port); });

    // The trunk rule needs the whole trunk map: OK waits until it has been read.
    addButton(platform::kIdOk, "OK", [this] { OnOK(); }).setDefault().needsRead({features::CTrunkMap::kReadName});
    addButton(platform::kIdCancel, "Cancel");
}

void CVlanEntryDlg::initDialog() {
    auto& vidBox = get<platform::EditBox>(IDC_VID);
    if (!m_bAdd) vidBox.setEnabled(false);
    m_snmp.TrunkMap().Start(*this);

    // Ports already untagged in some VLAN: with asymmetric VLAN off a port is untagged in one only.
    m_untaggedElsewhere.clear();
    if (m_pRecords)
        for (const auto& r : *m_pRecords)
            for (int p : vlan::ParsePortNumbers(r.untaggedPorts)) m_untaggedElsewhere.push_back(p);

    if (!m_bAdd) {
        if (const vlan::VlanRecord* r = m_pRecords ? vlan::FindVlan(*m_pRecords, m_iVid) : nullptr) {
            m_strName = r->name;
            m_iEgress = PortNumbersToFlags(r->egressPorts, m_iPortNum);
            m_iUntagged = PortNumbersToFlags(r->untaggedPorts, m_iPortNum);
            m_iForbidden = PortNumbersToFlags(r->forbiddenPorts, m_iPortNum);
            for (std::size_t i = 0; i < m_iNotMember.size(); ++i) {
                m_iNotMember[i] = !m_iEgress[i] && !m_iUntagged[i] ? 1 : 0;
                m_iLocked[i] = m_iEgress[i] && m_iForbidden[i] ? 1 : 0;
            }
        }
        vidBox.setText(std::to_string(m_iVid));
        get<platform::EditBox>(IDC_VLAN_NAME).setText(m_strName);
    }
    m_iReadEgress = m_iEgress;
    m_iReadUntagged = m_iUntagged;
    for (int p = 1; p <= m_iPortNum; ++p) ShowPort(p);
}

void CVlanEntryDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_snmp.Close();
}

void CVlanEntryDlg::ShowPort(int port) {
    auto& grid = get<PortGrid>(IDC_PORTS);
    const std::size_t i = static_cast<std::size_t>(port - 1);
    grid.setPortEnabled(port, !m_iLocked[i]);
    if (m_iUntagged[i]) grid.setChecked(kUntag, port, true);
    else if (m_iEgress[i]) grid.setChecked(kTag, port, true);
    else if (m_iNotMember[i]) grid.setChecked(kNotMember, port, true);
}

bool CVlanEntryDlg::IsUntaggedElsewhere(int port) const {
    return std::find(m_untaggedElsewhere.begin(), m_untaggedElsewhere.end(), port) != m_untaggedElsewhere.end();
}

void CVlanEntryDlg::RemoveUntaggedElsewhere(int port) {
    std::erase(m_untaggedElsewhere, port);
}

void CVlanEntryDlg::OnCellChange(int layer, int port) {
    if (port < 1 || port > m_iPortNum) return;
    const std::size_t i = static_cast<std::size_t>(port - 1);
    auto& grid = get<PortGrid>(IDC_PORTS);
    switch (layer) {
    case kTag:
        if (!m_bAdd && m_iUntagged[i]) RemoveUntaggedElsewhere(port);
        m_iEgress[i] = 1;
        m_iUntagged[i] = 0;
        m_iNotMember[i] = 0;
        break;
    case kUntag:
        if (m_iMode == 2 && IsUntaggedElsewhere(port)) {
            // Refused without a word: the port keeps what it had.
            grid.setChecked(m_iEgress[i] ? kTag : kNotMember, port, true);
            return;
        }
        m_iEgress[i] = 1;
        m_iUntagged[i] = 1;
        m_iNotMember[i] = 0;
        break;
    case kNotMember:
        if (!m_bAdd && m_iUntagged[i]) RemoveUntaggedElsewhere(port);
        m_iEgress[i] = 0;
        m_iUntagged[i] = 0;
        m_iNotMember[i] = 1;
        break;
    default: break;
    }
}

bool CVlanEntryDlg::TrunkRuleHolds(const std::vector<int>& flags) const {
    const features::CTrunkMap& trunks = m_snmp.TrunkMap();
    for (int p = 1; p <= m_iPortNum; ++p) {
        if (!flags[static_cast<std::size_t>(p - 1)]) continue;
        int t = trunks.TrunkOf(p);
        if (t == 0) continue;
        for (int q : trunks.PortsOfTrunk(t))
            if (q >= 1 && q <= m_iPortNum && !flags[static_cast<std::size_t>(q - 1)]) return false;
    }
    return true;
}

void CVlanEntryDlg::OnOK() {
    // 1-2: the VLAN ID.
    const int vid = m_bAdd ? TextToInt(get<platform::EditBox>(IDC_VID).text().substr(0, 9)) : m_iVid;
    if (m_bAdd) {
        if (vid > 4094 || vid < 2) {
            platform::ShowMessage(kMsgInvalidVid);
            return;
        }
        if (m_pRecords && vlan::FindVlan(*m_pRecords, vid)) {
            platform::ShowMessage(kMsgVidUsed);
            return;
        }
        // A row that is not active is not listed, but its ID is not free: it is not ours to take
        // over or to remove.
        if (std::find(m_heldVids.begin(), m_heldVids.end(), vid) != m_heldVids.end()) {
            platform::ShowMessage(std::string(kMsgVidUsed) + "\nThe switch holds VLAN " + std::to_string(vid) +
                                  ", not active, so the list does not show it.");
            return;
        }
    }
    // 3: the name.
    const std::string name = get<platform::EditBox>(IDC_VLAN_NAME).text();
    if (!IsValidName(name)) {
        platform::ShowMessage(kMsgInvalidName);
        return;
    }
    // 4: the ports of one trunk go together, tagged and untagged alike; an unread map decides nothing.
    if (!readOk(features::CTrunkMap::kReadName)) {
        platform::ShowMessage(features::kMsgNotRead);
        return;
    }
    if (!TrunkRuleHolds(m_iEgress) || !TrunkRuleHolds(m_iUntagged)) {
        platform::ShowMessage(kMsgTrunk);
        return;
    }
    // 5: an edited VLAN keeps a member unless another VLAN still has members.
    if (!m_bAdd && std::none_of(m_iEgress.begin(), m_iEgress.end(), [](int e) { return e != 0; })) {
        bool otherHasMembers = false;
        if (m_pRecords)
            for (const auto& r : *m_pRecords)
                if (r.vid != vid && r.egressCount != 0) otherHasMembers = true;
        if (!otherHasMembers) {
            platform::ShowMessage(kMsgNoMember);
            return;
        }
    }

    // The port lists travel as whole octets: a port count that gives none cannot be written.
    if (CVlanEntrySnmp::EncodePortList(m_iEgress, m_iPortNum).empty()) {
        platform::ShowMessage(kMsgParameterError);
        return;
    }

    m_iVid = vid;
    m_touched = {};
    m_writeSent = true;
    // No way out of the form until the write has ended and its outcome is told: a form closed
    // in the pause would leave the row out of service.
    beginWrite();

    // 6: take the row out of service (or create it); the default VLAN stays as it is.
    if (!m_bAdd && vid == 1) return WritePorts(name);
    m_snmp.StateWrite().SendSteps({CVlanEntrySnmp::RowState(vid, m_bAdd ? "5" : "2")}, [this, name](int failed) {
        // A step without an answer counts as done: the switch may have taken it.
        const features::StepResult outcome = m_snmp.StateWrite().LastStep();
        if (outcome.maybeTaken()) m_touched.rowState = true;
        m_touched.created = m_bAdd && outcome.ok();
        if (failed >= 0) return Undo(outcome);
        WritePorts(name);
    });
}

void CVlanEntryDlg::WritePorts(const std::string& name) {
    const int vid = m_iVid;
    // Locked ports (egress and forbidden) are written as non-members.
    std::vector<int> untagged = m_iUntagged;
    std::vector<int> egress = m_iEgress;
    std::vector<int> all(static_cast<std::size_t>(m_iPortNum), 1);
    for (std::size_t i = 0; i < m_iLocked.size(); ++i)
        if (m_iLocked[i]) untagged[i] = egress[i] = all[i] = 0;

    std::vector<std::vector<features::SetValue>> steps;
    std::vector<bool Touched::*> touches;
    // 7: every port an egress member first, so that any untagged set is accepted.
    if (vid != 1) {
        steps.push_back(m_snmp.EgressPorts(vid, all));
        touches.push_back(&Touched::egress);
    }
    // 8-9: untagged members, then the real egress members.
    steps.push_back(m_snmp.UntaggedPorts(vid, untagged));
    touches.push_back(&Touched::untagged);
    steps.push_back(m_snmp.EgressPorts(vid, egress));
    touches.push_back(&Touched::egress);
    m_snmp.PortWrite().SendSteps(std::move(steps), [this, touches, name](int failed) {
        const features::StepResult outcome = m_snmp.PortWrite().LastStep();
        const std::size_t taken = failed < 0 ? touches.size() : static_cast<std::size_t>(failed);
        for (std::size_t i = 0; i < taken; ++i) m_touched.*touches[i] = true;
        if (failed < 0) return WriteNameAndActivate(name);
        if (outcome.maybeTaken()) m_touched.*touches[static_cast<std::size_t>(failed)] = true;
        Undo(outcome);
    });
}

void CVlanEntryDlg::WriteNameAndActivate(const std::string& name) {
    const int vid = m_iVid;
    // 10: name, then activate after a pause.
    m_snmp.NameWrite().SendSteps({CVlanEntrySnmp::Name(vid, name)}, [this, vid](int failed) {
        const features::StepResult named = m_snmp.NameWrite().LastStep();
        if (named.maybeTaken()) m_touched.name = true;
        if (failed >= 0) return Undo(named);
        setTimer(kTimerActivate, kActivateDelayMs, [this, vid] {
            m_snmp.NameWrite().SendSteps({CVlanEntrySnmp::Active(vid)}, [this](int failed) {
                if (failed >= 0) {
                    m_touched.rowState = true;
                    return Undo(m_snmp.NameWrite().LastStep());
                }
                // 11: the VLAN dialog reads the table again and shows what the switch holds.
                end(platform::kIdOk);
                endWrite();
            });
        });
    });
}

namespace {

std::string PortsText(const Octets& octets, int ports) {
    const std::string text = PortListToRanges(octets, 1, ports).text;
    return text.empty() ? "none" : text;
}

// "egress ports 1-10 and untagged ports 2, not active" from a row read back.
std::string RowHolds(const ReplyRow& row, int ports) {
    std::string text = "egress ports " + PortsText(row.bytes(0), ports) + " and untagged ports " +
                       PortsText(row.bytes(1), ports);
    if (row.text(2) != "1") text += ", not active";
    return text;
}

}  // namespace

void CVlanEntryDlg::Undo(const features::StepResult& failed) {
    killTimer(kTimerActivate);
    const std::string message = features::NotDone("The VLAN", m_bAdd ? "added" : "changed", failed);
    auto told = [this, message](const std::string& after) {
        platform::ShowMessage(after.empty() ? message : message + " " + after);
        // The form stays open with what the user chose, for a retry.
        endWrite();
    };
    if (m_bAdd) UndoAdd(told);
    else UndoEdit(told);
}

void CVlanEntryDlg::UndoAdd(Told told) {
    const int vid = m_iVid;
    auto readBack = [this, vid, told] {
        m_snmp.ReadRow(vid, [this, vid, told](bool answered, const ReplyRow& row) {
            const std::string vlanText = "VLAN " + std::to_string(vid);
            if (!answered)
                return told("Whether " + vlanText +
                            " is left on the switch is not known: it did not answer when the VLAN was read back.");
            if (!row.present(2)) {
                if (!m_touched.rowState) return told("");
                // A create without an answer may never have reached the switch.
                return told(m_touched.created ? "The new VLAN was removed." : "If the switch made it, it was removed.");
            }
            // A row the switch refused to create was there before (not listed, as it is not active).
            if (!m_touched.rowState)
                return told("The switch already holds " + vlanText + " with " + RowHolds(row, m_iPortNum) + ".");
            told(vlanText + " could not be removed: the switch holds it with " + RowHolds(row, m_iPortNum) + ".");
        });
    };
    // Only a row this write may have made goes: its ID was free when the table was read.
    if (!m_touched.rowState) return readBack();
    m_snmp.NameWrite().SendSteps({CVlanEntrySnmp::RowState(vid, "6")}, [readBack](int) { readBack(); });
}

namespace {

// Sends each step whatever became of the one before (putting back what a failed write changed),
// then runs next.
void SendEach(features::CFormWrite& write, std::vector<std::vector<features::SetValue>> steps, std::size_t from,
              std::function<void()> next) {
    if (from >= steps.size()) return next();
    std::vector<std::vector<features::SetValue>> one = {steps[from]};
    write.SendSteps(std::move(one), [&write, steps = std::move(steps), from, next = std::move(next)](int) mutable {
        SendEach(write, std::move(steps), from + 1, std::move(next));
    });
}

}  // namespace

void CVlanEntryDlg::UndoEdit(Told told) {
    const int vid = m_iVid;
    // Put back what may have changed, in the order the switch takes it: untagged ports only
    // within a wide egress list, then the egress list as read.
    std::vector<std::vector<features::SetValue>> ports;
    if (m_touched.untagged) {
        // Every port: the ports locked now were egress members as read.
        ports.push_back(m_snmp.EgressPorts(vid, std::vector<int>(static_cast<std::size_t>(m_iPortNum), 1)));
        ports.push_back(m_snmp.UntaggedPorts(vid, m_iReadUntagged));
    }
    if (m_touched.untagged || m_touched.egress) ports.push_back(m_snmp.EgressPorts(vid, m_iReadEgress));
    std::vector<std::vector<features::SetValue>> row;
    if (m_touched.name) row.push_back(CVlanEntrySnmp::Name(vid, m_strName));
    if (m_touched.rowState && vid != 1) row.push_back(CVlanEntrySnmp::Active(vid));

    auto readBack = [this, vid, told] {
        m_snmp.ReadRow(vid, [this, vid, told](bool answered, const ReplyRow& row) {
            if (!answered)
                return told("It could not be read back, so what the switch now holds for VLAN " + std::to_string(vid) +
                            " is not known.");
            const bool asRead = row.present(0) && row.present(1) &&
                                PortListToFlags(row.bytes(0), m_iPortNum) == m_iReadEgress &&
                                PortListToFlags(row.bytes(1), m_iPortNum) == m_iReadUntagged && row.text(2) == "1";
            if (asRead) return told(m_touched.egress || m_touched.untagged ? "Its ports were put back as they were." : "");
            told("It could not be put back as it was: the switch now holds " + RowHolds(row, m_iPortNum) + ".");
        });
    };
    SendEach(m_snmp.PortWrite(), std::move(ports), 0, [this, row = std::move(row), readBack]() mutable {
        SendEach(m_snmp.NameWrite(), std::move(row), 0, readBack);
    });
}
