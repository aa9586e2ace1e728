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

CVlanEntrySnmp::CVlanEntrySnmp(int portNum) : m_iPortNum(portNum), m_trunkMap(m_cCommonSNMPTable, portNum) {}

int CVlanEntrySnmp::WriteRowState(int vid, const char* value) {
    return vlan::SetInteger(m_cCommonSNMP, InstanceOid(vlan::kOidVlanStaticRowState, vid), value);
}

Octets CVlanEntrySnmp::EncodePortList(const std::vector<int>& flags, int portNum) {
    std::string hex = PortFlagsToHex(flags, portNum);
    // Eight ports fill one octet; the switch takes whole four-octet groups.
    if (portNum == 8) hex += "000000";
    return HexToOctets(hex);
}

int CVlanEntrySnmp::WritePortList(const char* column, int vid, const std::vector<int>& flags) {
    Octets octets = EncodePortList(flags, m_iPortNum);
    if (octets.empty()) {
        platform::ShowMessage(kMsgParameterError);
        return -1;
    }
    return features::SendSet(m_cCommonSNMPEgrePort,
                             {features::SetValue::Bytes(InstanceOid(column, vid), std::move(octets))}, false);
}

int CVlanEntrySnmp::WriteEgressPorts(int vid, const std::vector<int>& flags) {
    return WritePortList(vlan::kOidVlanStaticEgressPorts, vid, flags);
}

int CVlanEntrySnmp::WriteUntaggedPorts(int vid, const std::vector<int>& flags) {
    return WritePortList(vlan::kOidVlanStaticUntaggedPorts, vid, flags);
}

int CVlanEntrySnmp::WriteName(int vid, const std::string& name) {
    const std::string utf8 = Utf8CutBytes(name, vlan::kMaxNameBytes);
    return features::SendSet(
        m_cCommonSNMP, {features::SetValue::Bytes(InstanceOid(vlan::kOidVlanStaticName, vid), Octets(utf8.begin(), utf8.end()))},
        false);
}

int CVlanEntrySnmp::SetActive(int vid) {
    return m_cCommonSNMP.SetRowStatus(InstanceOid(vlan::kOidVlanStaticRowState, vid).c_str(), "1");
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
      m_snmp(m_iPortNum) {}

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

    m_iVid = vid;
    // 6: take the row out of service (or create it); the default VLAN stays as it is.
    if (m_bAdd) m_snmp.WriteRowState(vid, "5");
    else if (vid != 1) m_snmp.WriteRowState(vid, "2");

    // Locked ports (egress and forbidden) are written as non-members.
    std::vector<int> untagged = m_iUntagged;
    std::vector<int> egress = m_iEgress;
    for (std::size_t i = 0; i < m_iLocked.size(); ++i)
        if (m_iLocked[i]) {
            untagged[i] = 0;
            egress[i] = 0;
        }

    // 7: every port an egress member first, so that any untagged set is accepted.
    int r1 = 0;
    if (vid != 1) {
        std::vector<int> all(static_cast<std::size_t>(m_iPortNum), 1);
        for (std::size_t i = 0; i < m_iLocked.size(); ++i)
            if (m_iLocked[i]) all[i] = 0;
        r1 = m_snmp.WriteEgressPorts(vid, all);
    }
    // 8-9: untagged members, then the real egress members.
    int r2 = 0;
    if (vid == 1 || r1 == 0) r2 = m_snmp.WriteUntaggedPorts(vid, untagged);
    if (r2 == 0) m_snmp.WriteEgressPorts(vid, egress);

    // 10: name, then activate.
    m_snmp.WriteName(vid, name);
    beginWrite({platform::kIdOk});
    setTimer(kTimerActivate, kActivateDelayMs, [this, vid] {
        endWrite();
        m_snmp.SetActive(vid);
        // 11: the VLAN dialog reads the table again and shows what the switch holds.
        end(platform::kIdOk);
    });
}
