#include "features/mib/table_dlgs.h"

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "snmp/session_close.h"
#include "platform/trace.h"

namespace {
using Col = platform::ReportList::Column;

// The walks' row bounds: generous for what a switch can hold, so only an agent that never leaves
// the table reaches them. The forwarding table of a large network is the longest list by far.
constexpr size_t kMaxInterfaceRows = 4096;    // ports, VLAN and system interfaces
constexpr size_t kMaxAddressRows = 4096;      // IP addresses of the switch
constexpr size_t kMaxConnectionRows = 65536;  // TCP connections, UDP listeners
constexpr size_t kMaxForwardingRows = 1000000;
}  // namespace

// ---- Shared list form -------------------------------------------------------------------------

void CMibListDlg::createControls() {
    setCaption(m_layout.caption);
    addList(kIdList, {}, m_layout.columns).setFullRowSelect().setGridLines();
    if (m_layout.counterId) {
        addLabel(0, "Entries:");
        addLabel(m_layout.counterId, m_layout.counterStart);
    }
    AddExtraControls();
    addButton(m_layout.refreshId, "&Refresh", [this] { OnRefresh(); });
    addButton(m_layout.closeId, "&Close", [this] { end(platform::kIdCancel); });
}

void CMibListDlg::OnRefresh() {
    killTimer(kCounterTimer);
    List().clear();
    if (m_layout.counterId) get<platform::Label>(m_layout.counterId).setText(m_layout.counterStart);
    get<platform::PushButton>(m_layout.refreshId).setEnabled(false);
    m_bWalking = true;
    // The next row is asked for first: the switch works on it while this one is put in the list.
    CTableWalk::Options options;
    options.minValues = m_layout.columnOids.size();
    options.nextFirst = true;
    options.traceDropped = false;
    options.maxRows = m_layout.maxRows;
    options.parts = CTableWalk::kMaxParts;
    // A list that stopped short shows the status line; "&Refresh" stays usable to read it again.
    const bool started = features::WalkRead(
        *this, "table", m_walk, m_layout.columnOids,
        [this](const ReplyRow& row, CSnmp&) {
            OnRow(row);
            return true;
        },
        [this](int) { EndWalk(); }, options);
    if (!started) EndWalk();
}

void CMibListDlg::EndWalk() {
    m_bWalking = false;
    if (timerPending(kCounterTimer)) {  // rows came since the counter last showed them
        killTimer(kCounterTimer);
        UpdateCounter();
    }
    get<platform::PushButton>(m_layout.refreshId).setEnabled(true);
}

void CMibListDlg::AddRow(std::vector<std::string> cells) {
    List().appendRow(std::move(cells));
    // A long walk brings rows far faster than anyone reads a number, and every new text costs
    // the window a layout: the counter shows the first row at once and then follows at most
    // every kCounterMs, and the end of the walk shows the final count.
    if (!m_bWalking) {
        UpdateCounter();
    } else if (!timerPending(kCounterTimer)) {
        UpdateCounter();
        setTimer(kCounterTimer, List().rowCount() < kLongListRows ? kCounterMs : kLongListCounterMs,
                 [this] { UpdateCounter(); });
    }
}

void CMibListDlg::UpdateCounter() {
    if (m_layout.counterId) get<platform::Label>(m_layout.counterId).setText(std::to_string(List().rowCount()));
}

void CMibListDlg::destroyWindow() { CloseDialogSessions({{m_cCommonSNMPTable, "m_cCommonSNMPTable"}}); }

// ---- Interface table --------------------------------------------------------------------------

CIfTableDlg::CIfTableDlg()
    : CMibListDlg({"Interface Table",
                   {Col{" Index        ", 90}, Col{" Link Status            ", 150}, Col{" Speed(b/s)                     ", 190}},
                   {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.8", "1.3.6.1.2.1.2.2.1.5"},
                   kIdEntries,
                   "0",
                   kIdRefresh,
                   platform::kIdCancel,
                   kMaxInterfaceRows}) {}

void CIfTableDlg::initDialog() {
    // The walk starts once the window is up.
    post([this] { OnRefresh(); });
}

void CIfTableDlg::OnRow(const ReplyRow& row) {
    AddRow({row.text(0), row.present(1) ? mib::IfStatusText(row.text(1)) : "",
            row.present(2) ? mib::IfSpeedText(row.text(2)) : ""});
}

// ---- IP table ---------------------------------------------------------------------------------

CIpTableDlg::CIpTableDlg()
    : CMibListDlg({"IP Table : " + Settings().DeviceAddress,
                   {Col{" IP                ", 140}, Col{" Netmask               ", 160}},
                   {"1.3.6.1.2.1.4.20.1.1", "1.3.6.1.2.1.4.20.1.3"},
                   kIdEntries,
                   "0",
                   kIdRefresh,
                   platform::kIdCancel,
                   kMaxAddressRows}) {}

void CIpTableDlg::initDialog() {
    post([this] { OnRefresh(); });
}

void CIpTableDlg::OnRow(const ReplyRow& row) {
    AddRow({row.text(0), row.text(1)});
}

// ---- Forwarding table -------------------------------------------------------------------------

CFdbTableDlg::CFdbTableDlg()
    : CMibListDlg({"Forwarding Table",
                   {Col{"       MAC              ", 160}, Col{" Status      ", 90}, Col{" Port     ", 70}},
                   {"1.3.6.1.2.1.17.7.1.2.2.1.3", "1.3.6.1.2.1.17.7.1.2.2.1.2"},
                   kIdEntries,
                   " 0",
                   kIdRefresh,
                   kIdClose,
                   kMaxForwardingRows}) {}

void CFdbTableDlg::AddExtraControls() {
    auto& filter = addGroup(0, "Filter");
    filter.addLabel(0, "Destination Port");
    filter.addEdit(kIdFilter).setDigitsOnly().setMaxLength(4);
    auto& age = addGroup(0, "Age Time");
    age.addLabel(kIdAgeTime, "");
    age.addLabel(0, "Seconds").sameLine();
}

void CFdbTableDlg::initDialog() { OnRefresh(); }

void CFdbTableDlg::OnRefresh() {
    m_strFilter = get<platform::EditBox>(kIdFilter).text();
    CMibListDlg::OnRefresh();
    ReadAgeTime();
}

void CFdbTableDlg::ReadAgeTime() {
    // Beside the walk, on its own session; a failed read leaves the age as it was.
    if (m_ageRead.Running()) return;
    m_ageRead.Read({"1.3.6.1.2.1.17.4.2.0"}, [this](const ReplyRow& row, CSnmp&) {
        if (row.present(0)) get<platform::Label>(kIdAgeTime).setText(row.text(0));
        return false;
    });
}

void CFdbTableDlg::OnRow(const ReplyRow& row) {
    const std::string& port = row.text(1);
    if (!m_strFilter.empty() && m_strFilter != port) return;
    // The instance of the status value, "fdbId.m1...m6", read from the reply itself: the
    // session is already busy with the next step.
    const std::string instance = row.instance(0, m_layout.columnOids[0]);
    AddRow({instance.empty() ? std::string() : mib::FdbMacFromSuffix(instance), mib::FdbStatusText(row.text(0)), port});
}

void CFdbTableDlg::destroyWindow() {
    CloseDialogSessions({{m_cCommonSNMPTable, "m_cCommonSNMPTable"}, {m_cCommonSNMP, "m_cCommonSNMP"}});
}

// ---- TCP and UDP tables -----------------------------------------------------------------------

CTcpTableDlg::CTcpTableDlg()
    : CMibListDlg({"TCP Service",
                   {Col{"Local Port ", 80}, Col{" Local IP        ", 120}, Col{" Remote IP       ", 120},
                    Col{"Remote Port", 80}, Col{" Status ", 90}},
                   {"1.3.6.1.2.1.6.13.1.3", "1.3.6.1.2.1.6.13.1.2", "1.3.6.1.2.1.6.13.1.4", "1.3.6.1.2.1.6.13.1.5",
                    "1.3.6.1.2.1.6.13.1.1"},
                   0,
                   "",
                   kIdRefresh,
                   platform::kIdCancel,
                   kMaxConnectionRows}) {}

void CTcpTableDlg::initDialog() { OnRefresh(); }

void CTcpTableDlg::OnRow(const ReplyRow& row) {
    AddRow({row.text(0), row.text(1), row.text(2), row.text(3), mib::TcpStateText(row.text(4))});
}

CUdpTableDlg::CUdpTableDlg()
    : CMibListDlg({"UDP Service",
                   {Col{"  Local Port ", 90}, Col{"  Local IP      ", 130}},
                   {"1.3.6.1.2.1.7.5.1.2", "1.3.6.1.2.1.7.5.1.1"},
                   0,
                   "",
                   kIdRefresh,
                   platform::kIdCancel,
                   kMaxConnectionRows}) {}

void CUdpTableDlg::initDialog() { OnRefresh(); }

void CUdpTableDlg::OnRow(const ReplyRow& row) {
    AddRow({row.text(0), row.text(1)});
}
