#include "features/poe/poe_config_dlg.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cmath>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/common/port_range.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace poe {

namespace {

const std::vector<std::string> kStateItems = {"Enable", "Disable"};
const std::vector<std::string> kPriorityItems = {"Low", "Normal", "High"};
const std::vector<std::string> kLimitItems = {"Auto", "Class 1", "Class 2", "Class 3", "Class 4"};

// Port-table columns in walk order: state, time range, priority, class, the five readings,
// user-defined flag, user-defined limit.
const std::vector<int> kPortWalkColumns = {3, 4, 5, 6, 9, 10, 11, 12, 13, 7, 8};
enum { kValState = 0, kValRange, kValPriority, kValClass, kValPower, kValVoltage, kValCurrent, kValClassification,
       kValStatus, kValUserFlag, kValUserLimit };
enum { kColIndex = 0, kColState, kColTimeRange, kColPriority, kColLimit, kColPower };

std::string PriorityText(const std::string& v) { return v == "1" ? "Low" : v == "2" ? "Normal" : "High"; }

std::string ClassText(const std::string& v) {
    if (v == "1") return "Auto";
    if (v.size() == 1 && v[0] >= '2' && v[0] <= '5') return "Class " + std::to_string(v[0] - '1');
    return {};
}

// The leading decimal number of a text ("15.4W" is 15.4, "abc" 0): blanks, a sign, digits, one
// point, digits. Nothing else is read, so no text turns into infinity or not-a-number.
float LeadingDecimal(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    double value = 0, scale = 1;
    bool point = false;
    int digits = 0;
    for (; i < text.size() && digits < 12; ++i) {
        const char c = text[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            ++digits;
            if (point) value += (c - '0') * (scale /= 10);
            else value = value * 10 + (c - '0');
        } else {
            break;
        }
    }
    return static_cast<float>(negative ? -value : value);
}

}  // namespace

std::string PoePortColumn(int column) { return kOidPoePortTable + "." + std::to_string(column); }
std::string PoePortOid(int column, int port) { return PoePortColumn(column) + ".1." + std::to_string(port); }

const char* CheckPowerLimit(const std::string& text) {
    const float v = LeadingDecimal(text);
    if (v < 1.0f || v > 30.0f) return kMsgLimitRange;
    float a = v * 10.0f;
    a = a / 2.0f;
    const int b = static_cast<int>(a + 0.5f);
    if (std::fabs(a - static_cast<float>(b)) > 0.000001f) return kMsgLimitStep;
    return nullptr;
}

std::string TotalPowerText(const std::vector<std::string>& powers, const std::string& powerLevel) {
    double total = 0;
    for (const std::string& p : powers) total += std::max(0.0f, LeadingDecimal(p));
    char watts[32];
    std::snprintf(watts, sizeof watts, "%.1f", total);
    std::string text = std::string("Total Power(W): ") + watts;
    if (powerLevel.empty()) return text;
    return text + (TextToInt(powerLevel) > 7 ? " (within the power budget)" : " (power budget exhausted)");
}

CPoeConfigDlg::CPoeConfigDlg() = default;

void CPoeConfigDlg::createControls() {
    setCaption("PoE Configuration");
    setSize(860, 440);
    auto& ports = addGroup(0, "Port Information");
    ports.addList(IDC_LIST_PORT, {},
                  {{"Index", 50},
                   {"State", 70},
                   {"Time Range", 110},
                   {"Priority", 70},
                   {"Power Limit", 85},
                   {"Power(W)", 75},
                   {"Voltage(V)", 80},
                   {"Current(mA)", 90},
                   {"Classification", 100},
                   {"Status", 120}})
        .setFullRowSelect()
        .setGridLines()
        .setVisibleRows(8)
        .onSelectionChange([this](int row) { OnRowSelected(row); });
    ports.addLabel(IDC_TOTAL_POWER, "");

    auto& cfg = addGroup(IDC_GROUP_CONFIG, "PoE Configuration");
    cfg.addLabel(0, "Form Port");
    auto& from = cfg.addCombo(IDC_COMBO_FROM, features::PortItems(kPoePorts));
    from.setWidth(70);
    cfg.addLabel(0, "To Port").sameLine();
    auto& to = cfg.addCombo(IDC_COMBO_TO, features::PortItems(kPoePorts));
    to.setWidth(70);
    features::BindFromToPorts(from, to);
    cfg.addLabel(0, "Time Range").sameLine();
    cfg.addCombo(IDC_COMBO_TIME_RANGE, {"N/A"}).setWidth(150);
    cfg.addLabel(0, "State");
    cfg.addCombo(IDC_COMBO_STATE, kStateItems).setWidth(90);
    cfg.addLabel(0, "Priority").sameLine();
    cfg.addCombo(IDC_COMBO_PRIORITY, kPriorityItems).setWidth(90);
    cfg.addLabel(0, "Power Limit").sameLine();
    cfg.addCombo(IDC_COMBO_LIMIT, kLimitItems).setWidth(90);
    cfg.addCheck(IDC_CHECK_USER_DEFINE, "User Define").onToggle([this] { OnUserDefine(); });
    cfg.addEdit(IDC_EDIT_LIMIT).setMaxLength(10).setWidth(80).sameLine();
    cfg.addLabel(0, "(1~30w) ").sameLine();

    addLabel(IDC_PROGRESS_TEXT, "");
    addProgress(IDC_PROGRESS).sameLine();
    addButton(IDC_BUTTON_REFRESH, "&Refresh", [this] { OnRefresh(); });
    // Apply names time ranges by the indexes read: only after the ranges and the ports arrived
    // (the power level only informs the total).
    addButton(IDC_BUTTON_APPLY, "&Apply", [this] { OnApply(); }).needsRead({"time ranges", "ports"});
    addButton(platform::kIdCancel, "&Close", [this] { OnClose(); });
}

void CPoeConfigDlg::initDialog() {
    get<platform::ComboBox>(IDC_COMBO_FROM).setCurrent(0);
    get<platform::ComboBox>(IDC_COMBO_TO).setCurrent(kPoePorts - 1);
    get<platform::ComboBox>(IDC_COMBO_TIME_RANGE).setCurrent(0);
    get<platform::ComboBox>(IDC_COMBO_STATE).setCurrent(0);
    get<platform::ComboBox>(IDC_COMBO_PRIORITY).setCurrent(1);
    get<platform::ComboBox>(IDC_COMBO_LIMIT).setCurrent(0);
    get<platform::EditBox>(IDC_EDIT_LIMIT).setEnabled(false);
    ShowProgress(false);
    Load();
}

void CPoeConfigDlg::EnableButtons(bool on) { enable({IDC_BUTTON_REFRESH, IDC_BUTTON_APPLY}, on); }

void CPoeConfigDlg::ShowProgress(bool on) {
    get<platform::Label>(IDC_PROGRESS_TEXT).setVisible(on);
    get<platform::ProgressBar>(IDC_PROGRESS).setVisible(on);
}

void CPoeConfigDlg::OnRefresh() {
    auto& ranges = get<platform::ComboBox>(IDC_COMBO_TIME_RANGE);
    ranges.setItems({"N/A"});
    ranges.setCurrent(0);
    m_timeRanges.clear();
    Load();
}

// Time ranges first; the ports follow once that walk has reached the end of its table.
void CPoeConfigDlg::Load() {
    m_timeRanges.clear();
    EnableButtons(false);
    CTableWalk::Options options;
    options.maxRows = 3 * kMaxTimeRanges;
    const bool started = features::WalkRead(
        *this, "time ranges", m_timeRangeWalk, {kOidTimeRangeTable + ".1", kOidTimeRangeTable + ".2"},
        [this](const ReplyRow& row, CSnmp&) {
            OnTimeRangeRow(row);
            return true;
        },
        [this](int status) { OnTimeRangeWalkEnd(status); }, options);
    if (!started) EnableButtons(true);
}

void CPoeConfigDlg::OnTimeRangeRow(const ReplyRow& row) {
    // The table holds eight rows at most; a switch that lists more is not believed beyond them.
    if (static_cast<int>(m_timeRanges.size()) >= kMaxTimeRanges) return;
    m_timeRanges.emplace_back(TextToInt(row.text(0)), row.text(1));
    get<platform::ComboBox>(IDC_COMBO_TIME_RANGE).addItem(row.text(1));
}

void CPoeConfigDlg::OnTimeRangeWalkEnd(int status) {
    EnableButtons(true);
    if (status == CSnmp4w::EC_END_OF_TABLE) WalkPorts();
}

void CPoeConfigDlg::WalkPorts() {
    get<platform::ReportList>(IDC_LIST_PORT).clear();
    EnableButtons(false);
    std::vector<std::string> columns;
    for (int c : kPortWalkColumns) columns.push_back(PoePortColumn(c));
    CTableWalk::Options options;
    options.maxRows = static_cast<size_t>(SanitizePortCount(Profile().DevicePortNum));
    const bool started = features::WalkRead(
        *this, "ports", m_portWalk, columns,
        [this](const ReplyRow& row, CSnmp&) {
            OnPortRow(row);
            return true;
        },
        [this](int) { OnPortWalkEnd(); }, options);
    if (!started) EnableButtons(!Applying());
}

std::string CPoeConfigDlg::TimeRangeName(const std::string& index) const {
    if (index == "0") return "N/A";
    std::string name;
    for (const auto& [i, n] : m_timeRanges)
        if (std::to_string(i) == index) name = n;  // the last match wins
    return name;
}

void CPoeConfigDlg::OnPortRow(const ReplyRow& row) {
    auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    const std::string limit = row.text(kValUserFlag) == "1" ? row.text(kValUserLimit) : ClassText(row.text(kValClass));
    list.appendRow({std::to_string(list.rowCount() + 1), row.text(kValState) == "1" ? "Enable" : "Disable",
                    TimeRangeName(row.text(kValRange)), PriorityText(row.text(kValPriority)), limit,
                    row.text(kValPower), row.text(kValVoltage), row.text(kValCurrent), row.text(kValClassification),
                    row.text(kValStatus)});
}

void CPoeConfigDlg::OnPortWalkEnd() {
    EnableButtons(!Applying());
    ShowTotalPower({});
    // Then the switch's power level, for the budget beside the total.
    features::AsyncRead(*this, "power level", m_portWalk, {kOidPoePowerLevel}, [this](const ReplyRow& row, CSnmp&) {
        if (row.present(0)) ShowTotalPower(row.text(0));
        return true;
    });
}

void CPoeConfigDlg::ShowTotalPower(const std::string& powerLevel) {
    const auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    std::vector<std::string> powers;
    for (int r = 0; r < list.rowCount(); ++r) powers.push_back(list.cell(r, kColPower));
    get<platform::Label>(IDC_TOTAL_POWER).setText(TotalPowerText(powers, powerLevel));
}

void CPoeConfigDlg::OnRowSelected(int row) {
    const auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    if (row < 0 || row >= list.rowCount() || row >= kPoePorts) return;
    get<platform::ComboBox>(IDC_COMBO_FROM).setCurrent(row);
    get<platform::ComboBox>(IDC_COMBO_TO).setCurrent(row);
    get<platform::ComboBox>(IDC_COMBO_STATE).setCurrent(list.cell(row, kColState) == "Enable" ? 0 : 1);
}

void CPoeConfigDlg::OnUserDefine() {
    const bool user = get<platform::CheckBox>(IDC_CHECK_USER_DEFINE).checked();
    get<platform::ComboBox>(IDC_COMBO_LIMIT).setEnabled(!user);
    get<platform::EditBox>(IDC_EDIT_LIMIT).setEnabled(user);
}

// Apply: one request per port, From to To, 300 ms apart. The requests go out from a sender
// thread, so the window keeps painting and shows which port is being written.
void CPoeConfigDlg::OnApply() {
    if (Applying()) return;
    const int from = get<platform::ComboBox>(IDC_COMBO_FROM).current() + 1;
    const int to = get<platform::ComboBox>(IDC_COMBO_TO).current() + 1;
    if (from < 1 || to < from) return;
    ApplyRun run;
    run.first = run.port = from;
    run.to = to;
    run.state = get<platform::ComboBox>(IDC_COMBO_STATE).current() == 0 ? "1" : "2";
    const auto& ranges = get<platform::ComboBox>(IDC_COMBO_TIME_RANGE);
    run.timeRange = "0";
    if (ranges.current() > 0) {
        const std::string name = ranges.text();
        for (const auto& [i, n] : m_timeRanges)
            if (n == name) {
                run.timeRange = std::to_string(i);
                break;
            }
    }
    const int priority = get<platform::ComboBox>(IDC_COMBO_PRIORITY).current();
    run.priority = priority < 0 ? "2" : std::to_string(priority + 1);
    const int limit = get<platform::ComboBox>(IDC_COMBO_LIMIT).current();
    run.limitClass = std::to_string(limit < 0 ? 1 : limit + 1);
    run.userDefine = get<platform::CheckBox>(IDC_CHECK_USER_DEFINE).checked();
    run.limitText = get<platform::EditBox>(IDC_EDIT_LIMIT).text();
    m_apply = run;
    m_waitCursor.emplace();
    EnableButtons(false);
    get<platform::GroupBox>(IDC_GROUP_CONFIG).setEnabled(false);  // the run keeps what Apply took
    auto& bar = get<platform::ProgressBar>(IDC_PROGRESS);
    bar.setRange(0, to - from + 1);
    bar.setPosition(0);
    ShowProgress(true);
    ApplyNextPort();
}

void CPoeConfigDlg::ApplyNextPort() {
    if (!m_apply) return;
    if (m_bCloseAfterApply) return FinishApply();
    ApplyRun& run = *m_apply;
    const int p = run.port;
    const int count = run.to - run.first + 1;
    get<platform::Label>(IDC_PROGRESS_TEXT)
        .setText("Port " + std::to_string(p) + " (" + std::to_string(p - run.first + 1) + " of " +
                 std::to_string(count) + ")");
    if (!m_cCommonSNMPSet.Open(SNMP_PDU_SET_T)) return FinishApply();
    m_cCommonSNMPSet.AddValue(PoePortOid(3, p).c_str(), SNMP_T_INTEGER, run.state.c_str());
    m_cCommonSNMPSet.AddValue(PoePortOid(4, p).c_str(), SNMP_T_INTEGER, run.timeRange.c_str());
    m_cCommonSNMPSet.AddValue(PoePortOid(5, p).c_str(), SNMP_T_INTEGER, run.priority.c_str());
    if (!run.userDefine) {
        m_cCommonSNMPSet.AddValue(PoePortOid(7, p).c_str(), SNMP_T_INTEGER, "2");
        get<platform::ComboBox>(IDC_COMBO_LIMIT).setEnabled(true);
        m_cCommonSNMPSet.AddValue(PoePortOid(6, p).c_str(), SNMP_T_INTEGER, run.limitClass.c_str());
    } else {
        m_cCommonSNMPSet.AddValue(PoePortOid(7, p).c_str(), SNMP_T_INTEGER, "1");
        get<platform::ComboBox>(IDC_COMBO_LIMIT).setEnabled(false);
        if (const char* refusal = CheckPowerLimit(run.limitText)) {
            platform::ShowMessage(refusal);
            return FinishApply();
        }
        m_cCommonSNMPSet.AddValue(PoePortOid(8, p).c_str(), SNMP_T_OCTETS,
                                  reinterpret_cast<const unsigned char*>(run.limitText.data()),
                                  static_cast<int>(run.limitText.size()));
    }
    if (!m_setSender.Send(kSetTimeoutMs, [this](int status) { OnPortWritten(status); })) FinishApply();
}

void CPoeConfigDlg::OnPortWritten(int status) {
    if (!m_apply) return;
    platform::Trace("PoE set port %d status = %d", m_apply->port, status);
    get<platform::ProgressBar>(IDC_PROGRESS).setPosition(m_apply->port - m_apply->first + 1);
    if (status != 0) {
        platform::ShowMessage(kMsgUnsuccessful);
        return FinishApply();
    }
    if (++m_apply->port > m_apply->to) return FinishApply();
    setTimer(1, m_timing.betweenPortsMs, [this] { ApplyNextPort(); });
}

// Whether the loop completed or stopped, the port table is read again.
void CPoeConfigDlg::FinishApply() {
    m_apply.reset();
    m_waitCursor.reset();
    ShowProgress(false);
    get<platform::GroupBox>(IDC_GROUP_CONFIG).setEnabled(true);
    if (m_bCloseAfterApply) {
        end(platform::kIdCancel);
        return;
    }
    EnableButtons(true);
    WalkPorts();
}

// Close while ports are being written: the request in flight is finished first, then the
// dialog closes without writing the remaining ports.
void CPoeConfigDlg::OnClose() {
    if (Applying()) {
        m_bCloseAfterApply = true;
        if (!m_setSender.Busy()) {
            killTimer(1);
            FinishApply();
        }
        return;
    }
    end(platform::kIdCancel);
}

void CPoeConfigDlg::destroyWindow() {
    m_setSender.Wait();
    CloseDialogSessions({{m_cCommonSNMPTimeRang, "m_cCommonSNMPTimeRang"},
                         {m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

}  // namespace poe
