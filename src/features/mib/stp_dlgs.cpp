#include "features/mib/stp_dlgs.h"

#include <chrono>
#include <thread>

#include "app/session_settings.h"
#include "features/mib/mib_format.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/validation.h"

namespace {

const std::string kStp = "1.3.6.1.2.1.17.2.";
const std::string kStpState = "1.3.6.1.4.1.171.10.76.12.6.1.1";
const std::string kStpVersion = "1.3.6.1.4.1.171.10.76.12.6.1.2";
const std::string kStpPortEntry = "1.3.6.1.2.1.17.2.15.1.";
const std::string kStpPortCost = "1.3.6.1.4.1.171.10.76.12.6.2.1.5";
const std::string kTrunkMembers = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.2";

// Bridge read, in reply order.
const char* const kBridgeReadOids[] = {
    "1.3.6.1.2.1.17.2.2.0",  "1.3.6.1.2.1.17.2.3.0",  "1.3.6.1.2.1.17.2.4.0",  "1.3.6.1.2.1.17.2.5.0",
    "1.3.6.1.2.1.17.2.7.0",  "1.3.6.1.2.1.17.2.12.0", "1.3.6.1.2.1.17.2.13.0", "1.3.6.1.2.1.17.2.14.0",
    "1.3.6.1.2.1.17.2.9.0",  "1.3.6.1.2.1.17.2.10.0", "1.3.6.1.2.1.17.2.11.0"};

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

std::vector<std::string> Steps(int first, int step, int count) {
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i) items.push_back(std::to_string(first + i * step));
    return items;
}

void SetLabel(platform::Form& f, int id, const std::string& text) { f.get<platform::Label>(id).setText(text); }

}  // namespace

// ---- Bridge form ------------------------------------------------------------------------------

void CStpBridgeDlg::createControls() {
    setCaption(" STP Configuration ");
    setSize(520, 420);
    addLabel(0, "RSTP Status:");
    addCheck(kIdEnable, "Enable RSTP").onToggle([this] { OnEnableClicked(); });
    addLabel(0, "STP Version:");
    addCombo(kIdVersion, {"RSTP", "STP Compatible"});
    addLabel(0, "Age Time(600-4000):");
    addEdit(kIdAgeTime).setDigitsOnly().setMaxLength(4);
    addLabel(0, "Priority:");
    addCombo(kIdPriority, Steps(0, 4096, 16), true);
    addLabel(0, "Delay(400-3000):");
    addEdit(kIdDelay).setDigitsOnly().setMaxLength(4);
    addLabel(0, "Hello Time(100-1000):");
    addEdit(kIdHelloTime).setDigitsOnly().setMaxLength(4);
    addLabel(0, "TopoChangeTime:");
    addLabel(kIdTopoChangeTime, "");
    addLabel(0, "TopoChanged:");
    addLabel(kIdTopoChanged, "");
    addLabel(0, "Forward Delay:");
    addLabel(kIdForwardDelay, "");
    addLabel(0, "Hello Time:");
    addLabel(kIdHello, "");
    addLabel(0, "Hold Time:");
    addLabel(kIdHoldTime, "");
    addLabel(0, "RootPort:");
    addLabel(kIdRootPort, "");
    addLabel(0, "Designated Root:");
    addLabel(kIdDesignatedRoot, "");
    addLabel(0, "(Time Unit: 1/100 Second)");
    addButton(platform::kIdOk, "&Apply", [this] { OnApply(); }).setDefault();
    addButton(platform::kIdCancel, "Cancel");
    addButton(kIdRefresh, "&Refresh", [this] { Read(); });
    addButton(kIdPortSetting, "Port Setting", [this] { OnPortSetting(); });
}

void CStpBridgeDlg::initDialog() {
    get<platform::ComboBox>(kIdPriority).setText("0");
    get<platform::ComboBox>(kIdVersion).setCurrent(0);
    Read();
    // Until the read says the spanning tree is on.
    if (m_strRstpState != "1") EnableSettings(false, false);
}

void CStpBridgeDlg::EnableSettings(bool on, bool portSetting) {
    enable({kIdVersion, kIdPriority, kIdAgeTime, kIdDelay, kIdHelloTime}, on);
    get<platform::PushButton>(kIdPortSetting).setEnabled(portSetting);
}

void CStpBridgeDlg::Read() {
    if (!m_cCommonSNMP.Open(SNMP_PDU_GET_T)) return;
    for (const char* oid : kBridgeReadOids) m_cCommonSNMP.AddValue(oid, SNMP_T_NULL, nullptr);
    m_cCommonSNMP.AddValue((kStpState + ".0").c_str(), SNMP_T_NULL, nullptr);
    m_cCommonSNMP.AddValue((kStpVersion + ".0").c_str(), SNMP_T_NULL, nullptr);
    m_cCommonSNMP.GetNextAsync(&CStpBridgeDlg::OnReadReply, this, 0);
}

unsigned CStpBridgeDlg::OnReadReply(CSnmp* reply, int requestId, void* param, int status) {
    auto* self = static_cast<CStpBridgeDlg*>(param);
    if (!self->m_cCommonSNMP.FindRequestID(requestId)) {
        platform::Trace("FindRequestID");
        delete reply;
        return 0;
    }
    if (status != CSnmp4w::EC_NO_ERROR || !reply) {
        platform::Trace("call back iStatus = %d", status);
        delete reply;
        self->m_cCommonSNMP.SignalDone();
        return 0;
    }
    const auto v = mib::ReadReplyValues(*reply);
    delete reply;
    if (v.size() > 10 && v[0].present) {
        self->get<platform::ComboBox>(kIdPriority).setText(v[0].text);
        SetLabel(*self, kIdTopoChangeTime, v[1].text);
        SetLabel(*self, kIdTopoChanged, v[2].text);
        SetLabel(*self, kIdDesignatedRoot, mib::FormatBridgeId(v[3]));
        SetLabel(*self, kIdRootPort, v[4].text);
        self->get<platform::EditBox>(kIdAgeTime).setText(v[5].text);
        self->get<platform::EditBox>(kIdHelloTime).setText(v[6].text);
        self->get<platform::EditBox>(kIdDelay).setText(v[7].text);
        SetLabel(*self, kIdHello, v[8].text);
        SetLabel(*self, kIdHoldTime, v[9].text);
        SetLabel(*self, kIdForwardDelay, v[10].text);
        // A short reply (a device without the private objects) leaves the state as it was
        // rather than reading past the values it holds.
        if (v.size() > 11) {
            const bool on = v[11].text == "1";
            self->get<platform::CheckBox>(kIdEnable).setChecked(on);
            self->m_strRstpState = on ? "1" : "0";
            self->EnableSettings(on, on);
        }
        if (v.size() > 12) {
            if (v[12].text == "0") self->get<platform::ComboBox>(kIdVersion).setCurrent(1);
            else if (v[12].text == "2") self->get<platform::ComboBox>(kIdVersion).setCurrent(0);
        }
    }
    self->m_cCommonSNMP.SignalDone();
    return 0;
}

void CStpBridgeDlg::OnEnableClicked() {
    const bool on = get<platform::CheckBox>(kIdEnable).checked();
    enable({kIdVersion, kIdPriority, kIdAgeTime, kIdDelay, kIdHelloTime}, on);
}

void CStpBridgeDlg::OnPortSetting() {
    CStpTableDlg table;
    runChild(table);
}

bool CStpBridgeDlg::SendSet(int timeoutMs) {
    CSnmp* reply = nullptr;
    if (m_cCommonSNMPSet.Send(&reply, timeoutMs) != 0) return false;
    delete reply;
    return true;
}

void CStpBridgeDlg::OnApply() {
    const int a = TextToInt(get<platform::EditBox>(kIdAgeTime).text());
    const int d = TextToInt(get<platform::EditBox>(kIdDelay).text());
    const int h = TextToInt(get<platform::EditBox>(kIdHelloTime).text());
    const std::string priority = get<platform::ComboBox>(kIdPriority).text();

    if (a < 600 || a > 4000) {
        platform::ShowMessage("Invalid Age Time value, the valid Age Time range is  (600-4000) ms !");
        return;
    }
    if (d < 400 || d > 3000) {
        platform::ShowMessage("Invalid Forward Delay value, the valid Forward Delay range is (400-3000) ms !");
        return;
    }
    if (h < 100 || h > 1000) {
        platform::ShowMessage("Invalid Hello Time value, the valid Hello Time range is (100-1000) ms !");
        return;
    }
    if (a < 2 * h + 200) {
        platform::ShowMessage(
            "To set the parameters Hello Time and Max Age the following relation is to be satisfied: \n"
            "Max Age >= (2*(Hello Time + 1.0))");
        return;
    }
    if (2 * d - 200 < a) {
        platform::ShowMessage(
            "To set the parameters Forward Delay and Max Age, the following relation is to be satisfied: \n"
            "2*(Forward Delay - 1) >= Max Age");
        return;
    }

    const std::string stateOid = kStpState + ".0";
    if (!get<platform::CheckBox>(kIdEnable).checked()) {
        if (m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) {
            m_cCommonSNMPSet.AddValue(stateOid.c_str(), SNMP_T_INTEGER, "2");
            SendSet(0);
            Pause(30);
        }
        return;
    }

    if (m_strRstpState == "0" && m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) {
        m_cCommonSNMPSet.AddValue(stateOid.c_str(), SNMP_T_INTEGER, "1");
        SendSet(3500);
    }
    // Largest forward delay and smallest hello time first: any valid max age is then accepted.
    if (m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) {
        m_cCommonSNMPSet.AddValue((kStp + "13.0").c_str(), SNMP_T_INTEGER, "100");
        m_cCommonSNMPSet.AddValue((kStp + "14.0").c_str(), SNMP_T_INTEGER, "3000");
        SendSet(0);
        Pause(50);
    }
    const std::pair<const char*, int> timers[] = {{"12.0", a}, {"14.0", d}, {"13.0", h}};
    bool open = false;
    for (const auto& [column, value] : timers) {
        open = m_cCommonSNMPSet.Open(SNMP_PDU_SET_T);
        if (!open) break;
        m_cCommonSNMPSet.AddValue((kStp + column).c_str(), SNMP_T_INTEGER, std::to_string(value).c_str());
        SendSet(0);
    }
    if (open) {
        // The hello-time binding stays in the request and goes out again with these two.
        const std::string version = get<platform::ComboBox>(kIdVersion).current() == 1 ? "0" : "2";
        m_cCommonSNMPSet.AddValue((kStp + "2.0").c_str(), SNMP_T_INTEGER, std::to_string(TextToInt(priority)).c_str());
        m_cCommonSNMPSet.AddValue((kStpVersion + ".0").c_str(), SNMP_T_INTEGER, version.c_str());
        SendSet(0);
    }
    Pause(30);
    Read();
}

void CStpBridgeDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_cCommonSNMP.Close();
    platform::Trace("==================m_cCommonSNMP.Close===============");
    m_cCommonSNMPSet.Close();
    platform::Trace("==================m_cCommonSNMPSet.Close===============");
}

// ---- Spanning tree table ----------------------------------------------------------------------

void CStpTableDlg::createControls() {
    setCaption("Spanning Tree Table");
    setSize(900, 420);
    addList(kIdList, {},
            {{"Port", 45},
             {"Priority", 60},
             {"Cost ", 70},
             {"Enable", 55},
             {"Status  ", 70},
             {" ==Designated Root== ", 170},
             {"Designated Cost", 100},
             {" ==Designated Bridge== ", 170},
             {"Designated Port", 100},
             {"Forwardings", 80}})
        .setFullRowSelect()
        .setGridLines()
        .onRowDoubleClick([this](int row) {
            if (row >= 0) OnPortConfig();
        });
    addLabel(0, "Entries:");
    addLabel(kIdEntries, "0");
    addButton(kIdPortConfig, "&Port Config", [this] { OnPortConfig(); });
    addButton(kIdRefresh, "&Refresh", [this] { Walk(); });
    addButton(platform::kIdCancel, "&Close");
    addButton(kIdBridgeConfig, "&Bridge Config").setVisible(false);
}

void CStpTableDlg::initDialog() { Walk(); }

void CStpTableDlg::Walk() {
    get<platform::ReportList>(kIdList).clear();
    SetLabel(*this, kIdEntries, "0");
    if (!m_cCommonSNMPTable.Open(SNMP_PDU_GETNEXT_T)) return;
    for (const char* column : {"1", "2", "5", "4", "3", "6", "7", "8", "9", "10"})
        m_cCommonSNMPTable.AddValue((kStpPortEntry + column).c_str(), SNMP_T_NULL, nullptr);
    enable({kIdPortConfig, kIdRefresh, platform::kIdCancel}, false);
    if (m_cCommonSNMPTable.GetNextAsync(&CStpTableDlg::OnWalkReply, this, 0) != 0)
        enable({kIdPortConfig, kIdRefresh, platform::kIdCancel}, true);
}

unsigned CStpTableDlg::OnWalkReply(CSnmp* reply, int requestId, void* param, int status) {
    auto* self = static_cast<CStpTableDlg*>(param);
    if (!self->m_cCommonSNMPTable.FindRequestID(requestId)) {
        platform::Trace("FindRequestID");
        delete reply;
        return 0;
    }
    std::vector<mib::ReplyValue> v;
    if (status == CSnmp4w::EC_NO_ERROR && reply) v = mib::ReadReplyValues(*reply);
    delete reply;
    if (status != CSnmp4w::EC_NO_ERROR || v.size() < 6) {
        platform::Trace("call back iStatus = %d", status);
        self->m_cCommonSNMPTable.SignalDone();
        self->enable({kIdPortConfig, kIdRefresh, platform::kIdCancel}, true);
        return 0;
    }
    v.resize(kColumnCount);  // columns a short row lacks stay empty
    std::vector<std::string> row(kColumnCount);
    row[kColPort] = v[0].text;
    row[kColPriority] = v[1].text;
    row[kColCost] = v[2].text;
    row[kColEnable] = mib::StpEnableText(v[3].text);
    row[kColStatus] = mib::StpPortStateText(v[4].text);
    row[kColRoot] = mib::FormatBridgeId(v[5]);
    row[kColDesigCost] = v[6].text;
    row[kColDesigBridge] = mib::FormatBridgeId(v[7]);
    row[kColDesigPort] = mib::DesignatedPortText(v[8]);
    row[kColForward] = v[9].text;
    auto& list = self->get<platform::ReportList>(kIdList);
    list.appendRow(std::move(row));
    SetLabel(*self, kIdEntries, std::to_string(list.rowCount()));
    self->m_cCommonSNMPTable.GetNextAsync(&CStpTableDlg::OnWalkReply, self, 0);
    return 0;
}

void CStpTableDlg::OnPortConfig() {
    const auto& list = get<platform::ReportList>(kIdList);
    const int row = list.selectedRow();
    if (row < 0 || row >= list.rowCount()) return;  // nothing chosen
    CStpPortDlg port(list, row);
    if (runChild(port) == platform::kIdOk) Walk();
}

void CStpTableDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_cCommonSNMPTable.Close();
    platform::Trace("==================m_cCommonSNMPTable.Close===============");
}

// ---- Port form --------------------------------------------------------------------------------

CStpPortDlg::CStpPortDlg(const platform::ReportList& table, int row)
    : m_table(table), m_iRow(row), m_iPortCount(Profile().DevicePortNum > 0 ? Profile().DevicePortNum : 0) {}

void CStpPortDlg::createControls() {
    setCaption(" Port STP Configuration");
    setSize(420, 380);
    addLabel(0, "Port");
    addLabel(kIdPort, "");
    addButton(kIdPrev, "<= Prev Port", [this] { Move(-1); }).sameLine();
    addButton(kIdNext, "Next Port =>", [this] { Move(1); }).sameLine();
    addLabel(0, "Priority:");
    addCombo(kIdPriority, Steps(0, 16, 16));
    addLabel(0, "Cost:(1-200000000,\n0=auto)");
    addEdit(kIdCost).setDigitsOnly().setMaxLength(9);
    addLabel(0, "Enable:");
    addCheck(kIdEnable, "");
    int i = 0;
    for (const char* caption : {"Status:", "Desig Root:", "Desig Cost:", "Desig Bridge:", "Desig Port:", "Forward:"}) {
        addLabel(0, caption);
        m_aInfo[static_cast<std::size_t>(i++)] = &addLabel(0, "");
    }
    addButton(kIdApply, "&Apply", [this] { Apply(); });
    addButton(platform::kIdOk, "&OK", [this] {
        Apply();
        end(platform::kIdOk);
    }).setDefault();
    addButton(platform::kIdCancel, "&Cancel");
    addButton(kIdRefresh, "&Refresh", [this] { ReadRow(); });
}

void CStpPortDlg::initDialog() {
    m_aTrunkMember.assign(static_cast<std::size_t>(m_iPortCount), 0);
    m_bMembersKnown = false;
    if (m_cCommonSNMPTable.Open(SNMP_PDU_GETNEXT_T)) {
        m_cCommonSNMPTable.AddValue(kTrunkMembers.c_str(), SNMP_T_NULL, nullptr);
        // Applying before the membership is known could split an aggregated link.
        enable({kIdApply, platform::kIdOk}, false);
        if (m_cCommonSNMPTable.GetNextAsync(&CStpPortDlg::OnMemberReply, this, 0) != 0) {
            m_bMembersKnown = true;
            enable({kIdApply, platform::kIdOk}, true);
        }
    }
    ReadRow();
}

unsigned CStpPortDlg::OnMemberReply(CSnmp* reply, int requestId, void* param, int status) {
    auto* self = static_cast<CStpPortDlg*>(param);
    if (!self->m_cCommonSNMPTable.FindRequestID(requestId)) {
        platform::Trace("FindRequestID");
        delete reply;
        return 0;
    }
    std::vector<mib::ReplyValue> v;
    if (status == CSnmp4w::EC_NO_ERROR && reply) v = mib::ReadReplyValues(*reply);
    delete reply;
    if (status != CSnmp4w::EC_NO_ERROR || v.empty()) {
        platform::Trace("call back iStatus = %d", status);
        self->m_cCommonSNMPTable.SignalDone();
        self->m_bMembersKnown = true;
        self->enable({kIdApply, platform::kIdOk}, true);
        return 0;
    }
    const std::vector<int> members = PortListToFlags(v[0].bytes, self->m_iPortCount);
    for (std::size_t p = 0; p < members.size() && p < self->m_aTrunkMember.size(); ++p)
        if (members[p]) self->m_aTrunkMember[p] = 1;
    self->m_cCommonSNMPTable.GetNextAsync(&CStpPortDlg::OnMemberReply, self, 0);
    return 0;
}

bool CStpPortDlg::IsTrunkMember(int port) const {
    return port >= 1 && port <= static_cast<int>(m_aTrunkMember.size()) && m_aTrunkMember[static_cast<std::size_t>(port - 1)];
}

int CStpPortDlg::RowPort() const {
    const int port = TextToInt(m_table.cell(m_iRow, CStpTableDlg::kColPort));
    return port > 0 ? port : 0;
}

void CStpPortDlg::ReadRow() {
    const int last = m_table.rowCount() - 1;
    bool prev = true, next = true;
    if (m_iRow <= 0) {
        m_iRow = 0;
        prev = false;
    }
    if (m_iRow >= last) {
        m_iRow = last < 0 ? 0 : last;
        next = false;
    }
    get<platform::PushButton>(kIdPrev).setEnabled(prev);
    get<platform::PushButton>(kIdNext).setEnabled(next);
    if (last < 0) return;

    using C = CStpTableDlg;
    SetLabel(*this, kIdPort, m_table.cell(m_iRow, C::kColPort));
    for (int i = 0; i < 6; ++i) m_aInfo[static_cast<std::size_t>(i)]->setText(m_table.cell(m_iRow, C::kColStatus + i));

    const int port = RowPort();
    if (port <= 0 || !m_cCommonSNMP.Open(SNMP_PDU_GET_T)) return;
    const std::string suffix = "." + std::to_string(port);
    for (const char* column : {"2", "5", "4"})
        m_cCommonSNMP.AddValue((kStpPortEntry + column + suffix).c_str(), SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    if (m_cCommonSNMP.Send(&reply, 0) != 0) return;
    const auto v = mib::ReadReplyValues(*reply);
    delete reply;
    if (v.size() < 3) return;
    auto& priority = get<platform::ComboBox>(kIdPriority);
    priority.setCurrent(priority.findItem(v[0].text));
    get<platform::EditBox>(kIdCost).setText(v[1].text);
    get<platform::CheckBox>(kIdEnable).setChecked(v[2].text == "1");
}

void CStpPortDlg::Move(int delta) {
    m_iRow += delta;
    ReadRow();
}

bool CStpPortDlg::Apply() {
    const std::string priority = get<platform::ComboBox>(kIdPriority).text();
    const std::string costText = get<platform::EditBox>(kIdCost).text();
    const long long cost = TextToInt64(costText);
    if (cost > 200000000 || cost < 0) {
        platform::ShowMessage("Invalid Path Cost(1-200000000)");
        return false;
    }
    const int port = RowPort();
    if (port <= 0) return false;
    const bool enabled = get<platform::CheckBox>(kIdEnable).checked();
    if (IsTrunkMember(port)) {
        using C = CStpTableDlg;
        const bool same = TextToInt64(priority) == TextToInt64(m_table.cell(m_iRow, C::kColPriority)) &&
                          cost == TextToInt64(m_table.cell(m_iRow, C::kColCost)) &&
                          enabled == (m_table.cell(m_iRow, C::kColEnable) == "Y");
        if (!same) platform::ShowMessage("Cannot add ports with different STP configurations to an aggregated link.");
        return false;
    }
    if (!m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) return false;
    const std::string suffix = "." + std::to_string(port);
    m_cCommonSNMPSet.AddValue((kStpPortEntry + "2" + suffix).c_str(), SNMP_T_INTEGER,
                              std::to_string(TextToInt64(priority)).c_str());
    m_cCommonSNMPSet.AddValue((kStpPortCost + suffix).c_str(), SNMP_T_INTEGER, std::to_string(cost).c_str());
    m_cCommonSNMPSet.AddValue((kStpPortEntry + "4" + suffix).c_str(), SNMP_T_INTEGER, enabled ? "1" : "2");
    CSnmp* reply = nullptr;
    if (m_cCommonSNMPSet.Send(&reply, 0) != 0) return false;
    delete reply;
    return true;
}

void CStpPortDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_cCommonSNMP.Close();
    platform::Trace("==================m_cCommonSNMP.Close===============");
    m_cCommonSNMPSet.Close();
    platform::Trace("==================m_cCommonSNMPSet.Close===============");
    m_cCommonSNMPTable.Close();
    platform::Trace("==================m_cCommonSNMPTable.Close===============");
}
