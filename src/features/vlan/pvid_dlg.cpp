#include "features/vlan/pvid_dlg.h"

#include <algorithm>

#include "features/common/form_reads.h"
#include "snmp/session_close.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/validation.h"

using platform::PortGrid;

namespace {

constexpr const char* kMsgTrunkDiffers = "You should let all Trunk member in the same PVID !";
constexpr const char* kMsgTrunkUnsupported =
    "Setting PVID on a Trunk is not supported. Please use Web interface for the settings.";
constexpr const char* kMsgInvalidPvid = "Invalid PVID";
constexpr const char* kMsgEmptyVlan = "Invalid PVID,VlAN is empty";

constexpr const char* kReadPvids = "PVIDs";

// Large switches get a breather after this many PVID writes.
constexpr int kPortsBeforePause = 40;
constexpr int kPauseMs = 50;  // a form timer
constexpr int kTimerPause = 1;

int PortsPerRow(int ports) {
    switch (ports) {
    case 16: return 8;
    case 24:
    case 48: return 12;
    case 28: return 14;
    case 52: return 13;
    default: return 0;
    }
}

}  // namespace

// ---------------------------------------------------------------- CPvidSnmp

CPvidSnmp::CPvidSnmp(platform::Form& form, int portNum)
    : m_trunkMap(m_cCommonSNMPTable, portNum), m_write(form, m_cCommonSNMP) {}

std::vector<features::SetValue> CPvidSnmp::Pvid(int port, int pvid) {
    return {features::SetValue::Text(InstanceOid(vlan::kOidVlanPvid, port), SNMP_T_UNSIGNED, std::to_string(pvid))};
}

void CPvidSnmp::Close() {
    CloseSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                             {m_cCommonSNMPGet, "m_cCommonSNMPGet"},
                             {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

// ---------------------------------------------------------------- CPvidDlg

CPvidDlg::CPvidDlg(int portNum, std::string vidText, int vidCount, const vlan::VlanRecordList* records)
    : m_iPortNum(std::clamp(portNum, 0, kMaxPortCount)),
      m_strVids(std::move(vidText)),
      m_iVidCount(vidCount),
      m_pRecords(records),
      m_iPvid(static_cast<std::size_t>(m_iPortNum), 1),
      m_iReadPvid(static_cast<std::size_t>(m_iPortNum), 1),
      m_snmp(*this, m_iPortNum) {}

void CPvidDlg::createControls() {
    setCaption("PVID Configuration");
    switch (m_iPortNum) {
    case 10: setSize(460, 255); break;
    case 24: setSize(545, 255); break;
    case 28: setSize(625, 255); break;
    case 48: setSize(545, 345); break;
    case 52: setSize(585, 345); break;
    default: break;
    }
    auto& g = addGroup(0, "PVID Configuration");
    g.addPortGrid(IDC_PVID_GRID, "", PortGrid::CellKind::Edit, m_iPortNum, {"Port VID:"}, PortsPerRow(m_iPortNum))
        .onCellChange([this](int, int port) { OnCellChange(port); });
    // Apply writes every port's PVID and checks trunk members: only after both were read whole.
    addButton(IDC_APPLY, "Apply", [this] { OnApply(); })
        .setDefault()
        .needsRead({kReadPvids, features::CTrunkMap::kReadName});
    addButton(platform::kIdCancel, "Cancel");
    addButton(IDC_REFRESH, "&Refresh", [this] { OnRefresh(); });
}

void CPvidDlg::initDialog() {
    std::fill(m_iPvid.begin(), m_iPvid.end(), 1);
    m_snmp.TrunkMap().Clear();
    OnRefresh();
}

void CPvidDlg::destroyWindow() {
    CloseDialogSessions({{m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
    m_snmp.Close();
}

void CPvidDlg::OnRefresh() {
    // Rows collect apart from the entered PVIDs: only a complete walk replaces them.
    std::fill(m_iReadPvid.begin(), m_iReadPvid.end(), 1);
    CTableWalk::Options options;
    options.traceFailed = false;
    options.maxRows = CTableWalk::PortTableRows(m_iPortNum);
    m_bWalking = features::WalkRead(
        *this, kReadPvids, m_pvidWalk, {vlan::kOidVlanPvid},
        [this](const ReplyRow& row, CSnmp&) {
            OnPvidRow(row);
            return true;
        },
        [this](int status) { OnPvidWalkEnd(status); }, options);
    // A trunk that was dissolved since the last read must not linger in the map.
    m_snmp.TrunkMap().Clear();
    m_snmp.TrunkMap().Start(*this);
}

void CPvidDlg::OnPvidRow(const ReplyRow& row) {
    if (row.size() == 0) return;
    // The port is the instance; anything outside 1..N is not ours to store.
    const int port = InstanceNumber(row.instance(0, vlan::kOidVlanPvid), m_iPortNum);
    if (port != 0) m_iReadPvid[static_cast<std::size_t>(port - 1)] = TextToInt(row.text(0));
}

void CPvidDlg::OnPvidWalkEnd(int status) {
    m_bWalking = false;
    // A walk that failed part way leaves the boxes and the entered PVIDs as they were (and
    // Apply held back).
    if (status != CSnmp4w::EC_END_OF_TABLE) return;
    m_iPvid = m_iReadPvid;
    // What the user typed for ports a failed write did not reach stays for a retry.
    for (std::size_t i = 0; i < m_iKeepTyped.size() && i < m_iPvid.size(); ++i)
        if (m_iKeepTyped[i] != 0) m_iPvid[i] = m_iKeepTyped[i];
    m_iKeepTyped.clear();
    auto& grid = get<PortGrid>(IDC_PVID_GRID);
    for (int p = 1; p <= m_iPortNum; ++p) grid.setCellText(0, p, std::to_string(m_iPvid[static_cast<std::size_t>(p - 1)]));
}

void CPvidDlg::OnCellChange(int port) {
    if (port < 1 || port > m_iPortNum) return;
    m_iPvid[static_cast<std::size_t>(port - 1)] = TextToInt(get<PortGrid>(IDC_PVID_GRID).cellText(0, port));
}

void CPvidDlg::OnApply() {
    const features::CTrunkMap& trunks = m_snmp.TrunkMap();
    // A trunk member keeps PVID 1: the first one with another PVID is refused.
    for (int p = 1; p <= m_iPortNum; ++p) {
        const int pvid = m_iPvid[static_cast<std::size_t>(p - 1)];
        const int t = trunks.TrunkOf(p);
        if (pvid == 1 || t == 0) continue;
        bool differ = false;
        for (int q : trunks.PortsOfTrunk(t))
            if (q >= 1 && q <= m_iPortNum && m_iPvid[static_cast<std::size_t>(q - 1)] != pvid) differ = true;
        platform::ShowMessage(differ ? kMsgTrunkDiffers : kMsgTrunkUnsupported);
        return;
    }
    // Every PVID names a listed VLAN with members.
    for (int p = 1; p <= m_iPortNum; ++p) {
        const int pvid = m_iPvid[static_cast<std::size_t>(p - 1)];
        const vlan::VlanRecord* r = m_pRecords ? vlan::FindVlan(*m_pRecords, pvid) : nullptr;
        if (!r) {
            platform::ShowMessage(kMsgInvalidPvid);
            return;
        }
        if (r->egressCount == 0) {
            platform::ShowMessage(kMsgEmptyVlan);
            return;
        }
    }
    // Held until every port is written or the outcome of a failure is told.
    beginWrite();
    WritePvids(1, m_iPvid);  // what was checked, whatever is typed during the pause
}

void CPvidDlg::WritePvids(int first, std::vector<int> pvids) {
    // The switch is given a moment after the first ports; the rest follow from a timer.
    const int last = m_iPortNum >= kPortsBeforePause && first <= kPortsBeforePause ? kPortsBeforePause : m_iPortNum;
    std::vector<std::vector<features::SetValue>> steps;
    for (int p = first; p <= last; ++p) steps.push_back(CPvidSnmp::Pvid(p, pvids[static_cast<std::size_t>(p - 1)]));
    m_snmp.Write().SendSteps(std::move(steps), [this, first, last, pvids](int failed) {
        if (failed < 0) {
            if (last < m_iPortNum) {
                setTimer(kTimerPause, kPauseMs, [this, last, pvids] { WritePvids(last + 1, pvids); });
                return;
            }
            end(platform::kIdOk);
            endWrite();
            return;
        }
        // The form stays open: it says which ports kept their PVID and shows what the switch
        // holds, with the PVIDs typed for the ports not written kept for a retry.
        const int p = first + failed;
        std::string message = features::NotDone("The PVID of port " + std::to_string(p), "changed", m_snmp.Write().LastStep());
        if (p < m_iPortNum)
            message += p + 1 == m_iPortNum ? " Port " + std::to_string(m_iPortNum) + " was not written."
                                           : " Ports " + std::to_string(p + 1) + " to " + std::to_string(m_iPortNum) +
                                                 " were not written.";
        platform::ShowMessage(message);
        m_iKeepTyped.assign(static_cast<std::size_t>(m_iPortNum), 0);
        for (int q = p; q <= m_iPortNum; ++q) m_iKeepTyped[static_cast<std::size_t>(q - 1)] = pvids[static_cast<std::size_t>(q - 1)];
        endWrite();
        OnRefresh();
    });
}
