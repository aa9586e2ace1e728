#include "features/mib/table_dlgs.h"

#include "app/session_settings.h"
#include "platform/trace.h"

namespace {
using Col = platform::ReportList::Column;
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
    List().clear();
    if (m_layout.counterId) get<platform::Label>(m_layout.counterId).setText(m_layout.counterStart);
    get<platform::PushButton>(m_layout.refreshId).setEnabled(false);
    m_bWalking = true;
    bool started = m_cCommonSNMPTable.Open(SNMP_PDU_GETNEXT_T);
    for (const auto& oid : m_layout.columnOids)
        started = started && m_cCommonSNMPTable.AddValue(oid.c_str(), SNMP_T_NULL, nullptr) == 0;
    if (!started || m_cCommonSNMPTable.GetNextAsync(&CMibListDlg::OnWalkReply, this, 0) != 0) EndWalk();
}

void CMibListDlg::EndWalk() {
    m_bWalking = false;
    get<platform::PushButton>(m_layout.refreshId).setEnabled(true);
}

void CMibListDlg::AddRow(std::vector<std::string> cells) {
    List().appendRow(std::move(cells));
    UpdateCounter();
}

void CMibListDlg::UpdateCounter() {
    if (m_layout.counterId) get<platform::Label>(m_layout.counterId).setText(std::to_string(List().rowCount()));
}

unsigned CMibListDlg::OnWalkReply(CSnmp* reply, int requestId, void* param, int status) {
    auto* self = static_cast<CMibListDlg*>(param);
    if (!self->m_cCommonSNMPTable.FindRequestID(requestId)) {
        delete reply;
        return 0;
    }
    if (status != CSnmp4w::EC_NO_ERROR || !reply) {
        platform::Trace("call back iStatus = %d", status);
        delete reply;
        self->m_cCommonSNMPTable.SignalDone();
        self->EndWalk();
        return 0;
    }
    const auto values = mib::ReadReplyValues(*reply);
    if (values.size() < self->m_layout.columnOids.size()) {
        delete reply;
        self->m_cCommonSNMPTable.SignalDone();
        self->EndWalk();
        return 0;
    }
    // Ask for the next row first: the switch works on it while this one is put in the list.
    self->m_cCommonSNMPTable.GetNextAsync(&CMibListDlg::OnWalkReply, self, 0);
    self->OnRow(*reply, values);
    delete reply;
    return 0;
}

void CMibListDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_cCommonSNMPTable.Close();
    platform::Trace("==================m_cCommonSNMPTable.Close===============");
}

// ---- Interface table --------------------------------------------------------------------------

CIfTableDlg::CIfTableDlg()
    : CMibListDlg({"Interface Table",
                   {Col{" Index        ", 90}, Col{" Link Status            ", 150}, Col{" Speed(b/s)                     ", 190}},
                   {"1.3.6.1.2.1.2.2.1.1", "1.3.6.1.2.1.2.2.1.8", "1.3.6.1.2.1.2.2.1.5"},
                   kIdEntries,
                   "0",
                   kIdRefresh,
                   platform::kIdCancel}) {}

void CIfTableDlg::initDialog() {
    // The walk starts once the window is up.
    post([this] { OnRefresh(); });
}

void CIfTableDlg::OnRow(CSnmp&, const std::vector<mib::ReplyValue>& v) {
    AddRow({v[0].present ? v[0].text : "", v[1].present ? mib::IfStatusText(v[1].text) : "",
            v[2].present ? mib::IfSpeedText(v[2].text) : ""});
}

// ---- IP table ---------------------------------------------------------------------------------

CIpTableDlg::CIpTableDlg()
    : CMibListDlg({"IP Table : " + Settings().DeviceAddress,
                   {Col{" IP                ", 140}, Col{" Netmask               ", 160}},
                   {"1.3.6.1.2.1.4.20.1.1", "1.3.6.1.2.1.4.20.1.3"},
                   kIdEntries,
                   "0",
                   kIdRefresh,
                   platform::kIdCancel}) {}

void CIpTableDlg::initDialog() {
    post([this] { OnRefresh(); });
}

void CIpTableDlg::OnRow(CSnmp&, const std::vector<mib::ReplyValue>& v) {
    AddRow({v[0].text, v[1].text});
}

// ---- Forwarding table -------------------------------------------------------------------------

CFdbTableDlg::CFdbTableDlg()
    : CMibListDlg({"Forwarding Table",
                   {Col{"       MAC              ", 160}, Col{" Status      ", 90}, Col{" Port     ", 70}},
                   {"1.3.6.1.2.1.17.7.1.2.2.1.3", "1.3.6.1.2.1.17.7.1.2.2.1.2"},
                   kIdEntries,
                   " 0",
                   kIdRefresh,
                   kIdClose}) {}

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
    if (!m_cCommonSNMP.Open(SNMP_PDU_GET_T)) return;
    m_cCommonSNMP.AddValue("1.3.6.1.2.1.17.4.2.0", SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    if (m_cCommonSNMP.Send(&reply, 0) != 0) return;
    const auto v = mib::ReadReplyValues(*reply);
    delete reply;
    if (!v.empty() && v[0].present) get<platform::Label>(kIdAgeTime).setText(v[0].text);
}

void CFdbTableDlg::OnRow(CSnmp& reply, const std::vector<mib::ReplyValue>& v) {
    const std::string& port = v[1].text;
    if (!m_strFilter.empty() && m_strFilter != port) return;
    // The instance suffix of the status binding: ".fdbId.m1...m6". Taken from the reply itself,
    // so that the session (busy with the next step) is not needed.
    std::string oid;
    reply.getOid(0, oid);
    const std::string& column = m_layout.columnOids[0];
    const bool inColumn = oid.size() > column.size() && oid.compare(0, column.size(), column) == 0 &&
                          oid[column.size()] == '.';
    AddRow({inColumn ? mib::FdbMacFromSuffix(oid.substr(column.size())) : std::string(),
            mib::FdbStatusText(v[0].text), port});
}

void CFdbTableDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_cCommonSNMPTable.Close();
    platform::Trace("==================m_cCommonSNMPTable.Close===============");
    m_cCommonSNMP.Close();
    platform::Trace("==================m_cCommonSNMP.Close===============");
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
                   platform::kIdCancel}) {}

void CTcpTableDlg::initDialog() { OnRefresh(); }

void CTcpTableDlg::OnRow(CSnmp&, const std::vector<mib::ReplyValue>& v) {
    AddRow({v[0].text, v[1].text, v[2].text, v[3].text, mib::TcpStateText(v[4].text)});
}

CUdpTableDlg::CUdpTableDlg()
    : CMibListDlg({"UDP Service",
                   {Col{"  Local Port ", 90}, Col{"  Local IP      ", 130}},
                   {"1.3.6.1.2.1.7.5.1.2", "1.3.6.1.2.1.7.5.1.1"},
                   0,
                   "",
                   kIdRefresh,
                   platform::kIdCancel}) {}

void CUdpTableDlg::initDialog() { OnRefresh(); }

void CUdpTableDlg::OnRow(CSnmp&, const std::vector<mib::ReplyValue>& v) {
    AddRow({v[0].text, v[1].text});
}
