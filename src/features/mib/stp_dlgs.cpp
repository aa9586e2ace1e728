#include "features/mib/stp_dlgs.h"

#include <memory>


#include "app/session_settings.h"
#include "snmp/session_close.h"
#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/mib/mib_format.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/validation.h"

namespace {

// The switch aggregates at most eight trunks: the bound of the membership walk.
constexpr size_t kMaxTrunkRows = 8;

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

// The bridge write pauses between its steps on a form timer.
constexpr int kTimerBridgeWrite = 1;
constexpr int kAfterWideningMs = 50;
constexpr int kBeforeReadMs = 30;
// Turning the tree on takes the switch a while: its answer is awaited this long.
constexpr int kTurnOnTimeoutMs = 3500;

std::vector<std::string> Steps(int first, int step, int count) {
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i) items.push_back(std::to_string(first + i * step));
    return items;
}

void SetLabel(platform::Form& f, int id, const std::string& text) { f.get<platform::Label>(id).setText(text); }

constexpr const char* kStpSettings = "The spanning tree settings";

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
    // Apply writes every setting shown (and turns the tree off when the box is clear): only
    // once the bridge was read.
    addButton(platform::kIdOk, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
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

void CStpBridgeDlg::Read(bool keepTyped) {
    std::vector<std::string> objects(std::begin(kBridgeReadOids), std::end(kBridgeReadOids));
    objects.push_back(kStpState + ".0");
    objects.push_back(kStpVersion + ".0");
    m_bKeepTyped = keepTyped;
    const bool sent = features::AsyncRead(
        *this, "bridge", m_read, objects,
        [this](const ReplyRow& row, CSnmp&) {
            OnRead(row);
            return false;
        },
        [this](int) { m_bKeepTyped = false; });
    if (!sent) m_bKeepTyped = false;
}

void CStpBridgeDlg::OnRead(const ReplyRow& v) {
    if (v.size() <= 10 || !v.present(0)) return;
    if (!m_bKeepTyped) get<platform::ComboBox>(kIdPriority).setText(v.text(0));
    SetLabel(*this, kIdTopoChangeTime, v.text(1));
    SetLabel(*this, kIdTopoChanged, v.text(2));
    SetLabel(*this, kIdDesignatedRoot, mib::FormatBridgeId(v.value(3)));
    SetLabel(*this, kIdRootPort, v.text(4));
    if (!m_bKeepTyped) {
        get<platform::EditBox>(kIdAgeTime).setText(v.text(5));
        get<platform::EditBox>(kIdHelloTime).setText(v.text(6));
        get<platform::EditBox>(kIdDelay).setText(v.text(7));
    }
    m_readTimers = {TextToInt(v.text(5)), TextToInt(v.text(7)), TextToInt(v.text(6))};
    SetLabel(*this, kIdHello, v.text(8));
    SetLabel(*this, kIdHoldTime, v.text(9));
    SetLabel(*this, kIdForwardDelay, v.text(10));
    // A short reply (a device without the private objects) leaves the state as it was rather
    // than reading past the values it holds.
    if (v.size() > 11) {
        const bool on = v.text(11) == "1";
        get<platform::CheckBox>(kIdEnable).setChecked(on);
        m_strRstpState.assign(1, on ? '1' : '0');
        EnableSettings(on, on);
    }
    if (v.size() > 12) {
        if (v.text(12) == "0") get<platform::ComboBox>(kIdVersion).setCurrent(1);
        else if (v.text(12) == "2") get<platform::ComboBox>(kIdVersion).setCurrent(0);
    }
}

void CStpBridgeDlg::OnEnableClicked() {
    const bool on = get<platform::CheckBox>(kIdEnable).checked();
    enable({kIdVersion, kIdPriority, kIdAgeTime, kIdDelay, kIdHelloTime}, on);
}

void CStpBridgeDlg::OnPortSetting() {
    CStpTableDlg table;
    runChild(table);
}

void CStpBridgeDlg::SendStep(const std::vector<std::pair<std::string, std::string>>& values, int timeoutMs,
                             std::function<void(const features::StepResult&)> onDone) {
    std::vector<features::SetValue> set;
    for (const auto& [oid, value] : values) set.push_back(features::SetValue::Text(oid, SNMP_T_INTEGER, value));
    const bool sent = m_write.SendSteps(
        {set}, [this, onDone](int failed) { onDone(failed < 0 ? features::StepResult{} : m_write.LastStep()); },
        timeoutMs);
    if (!sent) onDone(features::StepResult{-1, SnmpFailure::NotSent});
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

    // From here to the read that ends it, the write holds the form: no way out leaves the
    // bridge half written or its outcome untold.
    beginWrite();
    m_bTurnedOn = false;
    const std::string stateOid = kStpState + ".0";
    if (!get<platform::CheckBox>(kIdEnable).checked()) {
        SendStep({{stateOid, "2"}}, 0, [this](const features::StepResult& r) {
            if (!r.ok()) {
                Finish(features::NotChanged("The spanning tree state", r), true);
                return;
            }
            // Noted at once, so that ticking the box again turns the tree back on.
            m_strRstpState = "0";
            EndApply(false);
        });
        return;
    }
    const BridgeValues v{a, d, h, std::to_string(TextToInt(priority)),
                         get<platform::ComboBox>(kIdVersion).current() == 1 ? "0" : "2"};
    if (m_strRstpState != "0") {
        Widen(v);
        return;
    }
    SendStep({{stateOid, "1"}}, kTurnOnTimeoutMs, [this, v](const features::StepResult& r) {
        if (!r.ok()) {
            Finish(features::NotChanged("The spanning tree state", r), true);
            return;
        }
        m_bTurnedOn = true;
        m_strRstpState = "1";
        Widen(v);
    });
}

void CStpBridgeDlg::Widen(const BridgeValues& v) {
    // Largest forward delay and smallest hello time first: any valid max age is then accepted.
    SendStep(Widening(), 0, [this, v](const features::StepResult& r) {
        if (r.ok()) {
            setTimer(kTimerBridgeWrite, kAfterWideningMs, [this, v] { WriteBridgeTimers(v); });
            return;
        }
        const std::string failure = features::NotChanged(kStpSettings, r);
        // A refused set changed nothing; one without an answer may have left the temporary
        // hello time and forward delay on the switch: those read go back.
        if (!r.unanswered()) {
            Finish(failure, true);
            return;
        }
        const auto& [age, delay, hello] = m_readTimers;
        PutBack({{{{kStp + "14.0", std::to_string(delay)}, {kStp + "13.0", std::to_string(hello)}}, true, false}}, 0,
                true, failure);
    });
}

void CStpBridgeDlg::WriteBridgeTimers(const BridgeValues& v) {
    // Each timer in its own request; the hello-time binding goes out again with the priority
    // and the version.
    const std::string hello = std::to_string(v.hello);
    std::vector<std::vector<features::SetValue>> steps;
    for (const auto& step : std::vector<std::vector<std::pair<std::string, std::string>>>{
             {{kStp + "12.0", std::to_string(v.age)}},
             {{kStp + "14.0", std::to_string(v.delay)}},
             {{kStp + "13.0", hello}},
             {{kStp + "13.0", hello}, {kStp + "2.0", v.priority}, {kStpVersion + ".0", v.version}}}) {
        steps.emplace_back();
        for (const auto& [oid, value] : step) steps.back().push_back(features::SetValue::Text(oid, SNMP_T_INTEGER, value));
    }
    const bool sent = m_write.SendSteps(std::move(steps), [this](int failed) {
        if (failed < 0) EndApply(false);
        else PutTimersBack(features::NotChanged(kStpSettings, m_write.LastStep()));
    });
    if (!sent) PutTimersBack(features::NotChanged(kStpSettings, features::StepResult{-1, SnmpFailure::NotSent}));
}

void CStpBridgeDlg::PutTimersBack(const std::string& failure) {
    // The timers may now hold any mix of old and new values: widen again, so that the old max
    // age is accepted whatever the rest holds, then each timer as read. Every one that the
    // switch takes goes back, whatever became of the others.
    const auto& [age, delay, hello] = m_readTimers;
    PutBack({{Widening(), false, true},
             {{{kStp + "12.0", std::to_string(age)}}, true, false},
             {{{kStp + "14.0", std::to_string(delay)}}, true, false},
             {{{kStp + "13.0", std::to_string(hello)}}, true, false}},
            0, true, failure);
}

void CStpBridgeDlg::PutBack(std::vector<PutBackStep> steps, std::size_t index, bool allBack, const std::string& failure) {
    if (index >= steps.size()) {
        Finish(failure + (allBack ? " The bridge timers were put back as they were."
                                  : " The bridge timers could not all be put back; the form shows what the switch holds."),
               true);
        return;
    }
    const PutBackStep step = steps[index];
    SendStep(step.values, 0, [this, steps = std::move(steps), index, allBack, failure, step](const features::StepResult& r) {
        const bool back = allBack && (r.ok() || !step.timer);
        auto next = [this, steps, index, back, failure] { PutBack(steps, index + 1, back, failure); };
        if (step.pauseAfter) setTimer(kTimerBridgeWrite, kAfterWideningMs, next);
        else next();
    });
}

std::vector<std::pair<std::string, std::string>> CStpBridgeDlg::Widening() {
    return {{kStp + "13.0", "100"}, {kStp + "14.0", "3000"}};
}

// `message` says what was not changed and what was put back; the state step, when this Apply
// took it, stands.
void CStpBridgeDlg::Finish(const std::string& message, bool keepTyped) {
    platform::ShowMessage(message + (m_bTurnedOn ? " The spanning tree was turned on." : ""));
    EndApply(keepTyped);
}

void CStpBridgeDlg::EndApply(bool keepTyped) {
    setTimer(kTimerBridgeWrite, kBeforeReadMs, [this, keepTyped] {
        Read(keepTyped);
        endWrite();
    });
}

void CStpBridgeDlg::destroyWindow() {
    // A request still on its way ends first; its outcome goes nowhere.
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
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
        .setActivateButton(kIdPortConfig);  // not while the walk fills the list
    addLabel(0, "Entries:");
    addLabel(kIdEntries, "0");
    // The port form moves through the listed rows: only a table read to its end.
    addButton(kIdPortConfig, "&Port Config", [this] { OnPortConfig(); }).needsRead();
    addButton(kIdRefresh, "&Refresh", [this] { Walk(); });
    addButton(platform::kIdCancel, "&Close");
    addButton(kIdBridgeConfig, "&Bridge Config").setVisible(false);
}

void CStpTableDlg::initDialog() { Walk(); }

void CStpTableDlg::Walk() {
    get<platform::ReportList>(kIdList).clear();
    SetLabel(*this, kIdEntries, "0");
    enable({kIdPortConfig, kIdRefresh, platform::kIdCancel}, false);
    std::vector<std::string> columns;
    for (const char* column : {"1", "2", "5", "4", "3", "6", "7", "8", "9", "10"}) columns.push_back(kStpPortEntry + column);
    CTableWalk::Options options;
    options.minValues = 6;  // a shorter row ends the walk; columns it lacks beyond that stay empty
    options.maxRows = CTableWalk::PortTableRows(Profile().DevicePortNum);
    const bool started = features::WalkRead(
        *this, "ports", m_walk, columns,
        [this](const ReplyRow& row, CSnmp&) {
            OnWalkRow(row);
            return true;
        },
        [this](int status) { OnWalkEnd(status); }, options);
    if (!started) enable({kIdPortConfig, kIdRefresh, platform::kIdCancel}, true);
}

void CStpTableDlg::OnWalkRow(const ReplyRow& v) {
    std::vector<std::string> row(kColumnCount);
    row[kColPort] = v.text(0);
    row[kColPriority] = v.text(1);
    row[kColCost] = v.text(2);
    row[kColEnable] = mib::StpEnableText(v.text(3));
    row[kColStatus] = mib::StpPortStateText(v.text(4));
    row[kColRoot] = mib::FormatBridgeId(v.value(5));
    row[kColDesigCost] = v.text(6);
    row[kColDesigBridge] = mib::FormatBridgeId(v.value(7));
    row[kColDesigPort] = mib::DesignatedPortText(v.value(8));
    row[kColForward] = v.text(9);
    auto& list = get<platform::ReportList>(kIdList);
    list.appendRow(std::move(row));
    SetLabel(*this, kIdEntries, std::to_string(list.rowCount()));
}

void CStpTableDlg::OnWalkEnd(int status) {
    if (status == 0) platform::Trace("call back iStatus = %d", status);  // a short row
    enable({kIdPortConfig, kIdRefresh, platform::kIdCancel}, true);
}

void CStpTableDlg::OnPortConfig() {
    const auto& list = get<platform::ReportList>(kIdList);
    const int row = list.selectedRow();
    if (row < 0 || row >= list.rowCount()) return;  // nothing chosen
    CStpPortDlg port(list, row);
    if (runChild(port) == platform::kIdOk) Walk();
}

void CStpTableDlg::destroyWindow() { CloseDialogSessions({{m_cCommonSNMPTable, "m_cCommonSNMPTable"}}); }

// ---- Port form --------------------------------------------------------------------------------

CStpPortDlg::CStpPortDlg(const platform::ReportList& table, int row)
    : m_table(table),
      m_iRow(row),
      m_iPortCount(Profile().DevicePortNum > 0 ? Profile().DevicePortNum : 0),
      m_priorityItems(Steps(0, 16, 16)) {}

void CStpPortDlg::createControls() {
    setCaption(" Port STP Configuration");
    setSize(420, 380);
    addLabel(0, "Port");
    addLabel(kIdPort, "");
    addButton(kIdPrev, "<= Prev Port", [this] { Move(-1); }).sameLine();
    addButton(kIdNext, "Next Port =>", [this] { Move(1); }).sameLine();
    addLabel(0, "Priority:");
    addCombo(kIdPriority, m_priorityItems);
    addLabel(0, "Cost:(1-200000000,\n0=auto)");
    addEdit(kIdCost).setDigitsOnly().setMaxLength(9);
    addLabel(0, "Enable:");
    addCheck(kIdEnable, "");
    int i = 0;
    for (const char* caption : {"Status:", "Desig Root:", "Desig Cost:", "Desig Bridge:", "Desig Port:", "Forward:"}) {
        addLabel(0, caption);
        m_aInfo[static_cast<std::size_t>(i++)] = &addLabel(0, "");
    }
    // Both write the port's settings and are decided on the aggregated links: only once this
    // port and the link membership were read.
    addButton(kIdApply, "&Apply", [this] { Apply(false); }).needsRead();
    // A write the switch did not take keeps the form open, with what was typed, for another try.
    addButton(platform::kIdOk, "&OK", [this] { Apply(true); }).setDefault().needsRead();
    addButton(platform::kIdCancel, "&Cancel");
    addButton(kIdRefresh, "&Refresh", [this] {
        if (!readOk("trunk members") && !m_memberWalk.Running()) WalkMembers();
        ReadRow();
    });
}

void CStpPortDlg::initDialog() {
    WalkMembers();
    ReadRow();
}

void CStpPortDlg::WalkMembers() {
    m_aTrunkMember.assign(static_cast<std::size_t>(m_iPortCount), 0);
    CTableWalk::Options options;
    options.minValues = 1;
    options.maxRows = kMaxTrunkRows;
    // Applying before the membership is known could split an aggregated link.
    features::WalkRead(
        *this, "trunk members", m_memberWalk, {kTrunkMembers},
        [this](const ReplyRow& row, CSnmp&) {
            OnMemberRow(row);
            return true;
        },
        [this](int status) { OnMemberWalkEnd(status); }, options);
}

void CStpPortDlg::OnMemberRow(const ReplyRow& v) {
    const std::vector<int> members = PortListToFlags(v.bytes(0), m_iPortCount);
    for (std::size_t p = 0; p < members.size() && p < m_aTrunkMember.size(); ++p)
        if (members[p]) m_aTrunkMember[p] = 1;
}

void CStpPortDlg::OnMemberWalkEnd(int status) {
    if (status == 0) platform::Trace("call back iStatus = %d", status);  // a reply without the column
}

bool CStpPortDlg::IsTrunkMember(int port) const {
    return port >= 1 && port <= static_cast<int>(m_aTrunkMember.size()) && m_aTrunkMember[static_cast<std::size_t>(port - 1)];
}

int CStpPortDlg::RowPort() const {
    const int port = TextToInt(m_table.cell(m_iRow, CStpTableDlg::kColPort));
    return port > 0 ? port : 0;
}

void CStpPortDlg::ReadRow(const std::string& typedCost) {
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
    // Until this port's values are read, the fields hold nothing that may be written to it.
    beginRead("port");
    auto& priority = get<platform::ComboBox>(kIdPriority);
    priority.setItems(m_priorityItems);
    get<platform::EditBox>(kIdCost).setText("");
    get<platform::CheckBox>(kIdEnable).setChecked(false);
    if (last < 0) {
        readFailed("port", "no port to read");
        return;
    }

    using C = CStpTableDlg;
    SetLabel(*this, kIdPort, m_table.cell(m_iRow, C::kColPort));
    for (int i = 0; i < 6; ++i) m_aInfo[static_cast<std::size_t>(i)]->setText(m_table.cell(m_iRow, C::kColStatus + i));

    const int port = RowPort();
    if (port <= 0) {
        readFailed("port", "no port to read");
        return;
    }
    std::vector<std::string> oids;
    for (const char* column : {"2", "5", "4"}) oids.push_back(InstanceOid(kStpPortEntry + column, port));
    // A reply for a row left meanwhile is dropped by the walk: only this row's values fill the form.
    auto values = std::make_shared<ReplyRow>();
    features::AsyncRead(
        *this, "port", m_read, oids,
        [values](const ReplyRow& v, CSnmp&) {
            *values = v;
            return false;
        },
        [this, values, typedCost](int status) {
            if (status == 0 && readOk("port")) OnRowRead(*values, typedCost);
        });
}

void CStpPortDlg::OnRowRead(const ReplyRow& v, const std::string& typedCost) {
    if (v.text(0).empty() || v.text(1).empty()) {
        readFailed("port", "the switch did not return every setting");
        return;
    }
    auto& priority = get<platform::ComboBox>(kIdPriority);
    // A priority the list does not offer is shown as read, so that it is written back unchanged.
    if (priority.findItem(v.text(0)) < 0) priority.addItem(v.text(0));
    priority.setCurrent(priority.findItem(v.text(0)));
    get<platform::EditBox>(kIdCost).setText(typedCost.empty() ? v.text(1) : typedCost);
    get<platform::CheckBox>(kIdEnable).setChecked(v.text(2) == "1");
}

void CStpPortDlg::Move(int delta) {
    m_iRow += delta;
    ReadRow();
}

void CStpPortDlg::Apply(bool thenClose) {
    // A write that does not go out leaves OK to close the form, as a refused check does.
    const auto stopped = [this, thenClose] {
        if (thenClose) end(platform::kIdOk);
    };
    if (!readOk("port")) return stopped();  // nothing read for this port: nothing to write to it
    const std::string priority = get<platform::ComboBox>(kIdPriority).text();
    const std::string costText = get<platform::EditBox>(kIdCost).text();
    const long long cost = TextToInt64(costText);
    if (cost > 200000000 || cost < 0) {
        platform::ShowMessage("Invalid Path Cost(1-200000000)");
        return stopped();
    }
    const int port = RowPort();
    if (port <= 0) return stopped();
    const bool enabled = get<platform::CheckBox>(kIdEnable).checked();
    // Without the whole membership any port may belong to an aggregated link.
    if (!readOk("trunk members")) {
        platform::ShowMessage(features::kMsgNotRead);
        return stopped();
    }
    if (IsTrunkMember(port)) {
        using C = CStpTableDlg;
        const bool same = TextToInt64(priority) == TextToInt64(m_table.cell(m_iRow, C::kColPriority)) &&
                          cost == TextToInt64(m_table.cell(m_iRow, C::kColCost)) &&
                          enabled == (m_table.cell(m_iRow, C::kColEnable) == "Y");
        if (!same) platform::ShowMessage("Cannot add ports with different STP configurations to an aggregated link.");
        return stopped();
    }
    m_write.Send(
        "The spanning tree settings of port " + std::to_string(port),
        {features::SetValue::Text(InstanceOid(kStpPortEntry + "2", port), SNMP_T_INTEGER, std::to_string(TextToInt64(priority))),
         features::SetValue::Text(InstanceOid(kStpPortCost, port), SNMP_T_INTEGER, std::to_string(cost)),
         features::SetValue::Text(InstanceOid(kStpPortEntry + "4", port), SNMP_T_INTEGER, enabled ? "1" : "2")},
        [this, thenClose, costText](bool ok) {
            if (ok) {
                if (thenClose) end(platform::kIdOk);
                return;
            }
            // The port's settings as the switch holds them; the cost typed stays for another try,
            // and so does the form, even after OK.
            ReadRow(costText);
        });
}

void CStpPortDlg::destroyWindow() {
    // A request still on its way ends first; its outcome goes nowhere.
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                                   {m_cCommonSNMPSet, "m_cCommonSNMPSet"},
                                   {m_cCommonSNMPTable, "m_cCommonSNMPTable"}});
}
