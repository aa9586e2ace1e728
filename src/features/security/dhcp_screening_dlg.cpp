#include "features/security/dhcp_screening_dlg.h"

#include <algorithm>

#include "features/common/form_reads.h"
#include "features/security/security_common.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/session_close.h"
#include "snmp/table_walk.h"

using platform::ComboBox;
using platform::ReportList;

namespace security {

namespace {
constexpr const char* kMsgTrunk =
    "Cannot add ports with different DHCP Server Screening Port Settings to an aggregated link.";
}  // namespace

CDhcpScreeningDlg::CDhcpScreeningDlg()
    : m_iPortNum(DevicePorts()),
      m_iState(static_cast<std::size_t>(m_iPortNum), 0),
      m_iStateRead(static_cast<std::size_t>(m_iPortNum), 0),
      m_trunkMap(m_cCommonSNMPTable, m_iPortNum) {}

void CDhcpScreeningDlg::createControls() {
    setCaption("DHCP Server Screening Port Settings");
    addLabel(0, "From Port");
    auto& from = addCombo(IDC_FROM_PORT, PortItems(m_iPortNum));
    addLabel(0, "To Port").sameLine();
    auto& to = addCombo(IDC_TO_PORT, PortItems(m_iPortNum));
    addLabel(0, "State").sameLine();
    addCombo(IDC_STATE, {"Disabled", "Enabled"});
    // Apply writes every port's state and checks the trunks: only after both were read whole.
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); })
        .sameLine()
        .needsRead({kReadStates, features::CTrunkMap::kReadName});
    BindFromToPorts(from, to);
    addList(IDC_LIST, "", {{"Port", 100, ReportList::Align::Center}, {"State", 400, ReportList::Align::Center}})
        .setGridLines(true)
        .setFullRowSelect(true);
    addButton(IDC_REFRESH, "&Refresh", [this] { Refresh(); });
    addButton(platform::kIdCancel, "&Close");
}

void CDhcpScreeningDlg::initDialog() {
    get<ComboBox>(IDC_FROM_PORT).setCurrent(0);
    get<ComboBox>(IDC_TO_PORT).setCurrent(m_iPortNum - 1);
    get<ComboBox>(IDC_STATE).setCurrent(0);
    Refresh();
}

void CDhcpScreeningDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}

void CDhcpScreeningDlg::Refresh() {
    m_trunkMap.Clear();
    m_trunkMap.Start(*this);
    ReadStates();
}

void CDhcpScreeningDlg::ReadStates() {
    get<ReportList>(IDC_LIST).clear();
    enable({IDC_APPLY, IDC_REFRESH}, false);
    const bool sent = features::AsyncRead(
        *this, kReadStates, m_read, {kOidDhcpScreeningPorts},
        [this](const ReplyRow& row, CSnmp&) {
            OnStates(row);
            return false;
        },
        [this](int) { enable({IDC_APPLY, IDC_REFRESH}, true); });
    if (!sent) enable({IDC_APPLY, IDC_REFRESH}, true);
}

void CDhcpScreeningDlg::OnStates(const ReplyRow& row) {
    if (!row.present(0)) return;  // the read is failed; the states stay as they were
    // Only an octet string is a PortList; anything else leaves the states as they were.
    if (row.values[0].type != SNMP_T_OCTETS) {
        readFailed(kReadStates, "the switch's reply did not match the request");
        return;
    }
    std::fill(m_iState.begin(), m_iState.end(), static_cast<int>(kDisabled));
    const std::vector<int> on = PortListToFlags(row.bytes(0), m_iPortNum);
    for (std::size_t i = 0; i < m_iState.size() && i < on.size(); ++i)
        if (on[i]) m_iState[i] = kEnabled;
    m_iStateRead = m_iState;
    auto& list = get<ReportList>(IDC_LIST);
    for (int p = 1; p <= m_iPortNum; ++p)
        list.appendRow(
            {std::to_string(p), m_iState[static_cast<std::size_t>(p - 1)] == kEnabled ? "Enabled" : "Disabled"});
}

bool CDhcpScreeningDlg::TrunkRuleHolds() const {
    for (int p = 1; p <= m_iPortNum; ++p)
        for (int q : m_trunkMap.TrunkPeers(p))
            if (m_iState[static_cast<std::size_t>(q - 1)] != m_iState[static_cast<std::size_t>(p - 1)]) return false;
    return true;
}

void CDhcpScreeningDlg::OnApply() {
    const int from = ChosenPort(get<ComboBox>(IDC_FROM_PORT));
    const int to = ChosenPort(get<ComboBox>(IDC_TO_PORT));
    if (from < 1 || to < from || to > m_iPortNum) return;
    // Without the switch's own states the PortList would switch off ports nobody chose, and
    // without the whole trunk map the trunk rule cannot decide.
    if (!readOk(kReadStates) || !readOk(features::CTrunkMap::kReadName)) {
        platform::ShowMessage(features::kMsgNotRead);
        return;
    }
    const int state = get<ComboBox>(IDC_STATE).text() == "Enabled" ? kEnabled : kDisabled;
    for (int p = from; p <= to; ++p) m_iState[static_cast<std::size_t>(p - 1)] = state;
    if (!TrunkRuleHolds()) {
        // A refused change is forgotten: the next Apply starts again from the switch's states.
        m_iState = m_iStateRead;
        platform::ShowMessage(kMsgTrunk);
        return;
    }
    std::vector<int> flags(m_iState.size(), 0);
    for (std::size_t i = 0; i < m_iState.size(); ++i) flags[i] = m_iState[i] == kEnabled ? 1 : 0;
    beginWrite({IDC_APPLY, IDC_REFRESH});
    auto done = [this](bool ok) {
        // Not written (or not known to be): the working copy goes back to what the switch held,
        // and the read that follows shows what it holds now.
        if (!ok) m_iState = m_iStateRead;
        endWrite();
        Refresh();
    };
    // Send tells a failure itself, a request that could not be built included.
    if (m_write.Busy()) return done(false);
    m_write.Send("The DHCP server screening ports",
                 {SetValue::Bytes(kOidDhcpScreeningPorts, PortFlagsToPortList(flags, m_iPortNum))}, done);
}

}  // namespace security
