#include "features/poe/poe_config_dlg.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

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

const char* CheckPowerLimit(const std::string& text, std::string* canonical) {
    // Read exactly: whole watts, then tenths, then whether any further digit is not zero.
    size_t i = 0, end = text.size();
    while (i < end && (text[i] == ' ' || text[i] == '\t')) ++i;
    while (end > i && (text[end - 1] == ' ' || text[end - 1] == '\t')) --end;
    long long whole = 0;
    int tenths = 0, digits = 0;  // digits after the point
    bool finer = false, point = false, anyDigit = false;
    for (size_t k = i; k < end; ++k) {
        const char c = text[k];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') return kMsgLimitRange;  // "15.4W", "1e1", "-3", "nan"
        anyDigit = true;
        if (!point) {
            if (whole < 1000) whole = whole * 10 + (c - '0');
        } else if (digits++ == 0) {
            tenths = c - '0';
        } else if (c != '0') {
            finer = true;
        }
    }
    const long long value = whole * 10 + tenths;  // in tenths of a watt
    if (!anyDigit || value < 10 || value > 300 || (value == 300 && finer)) return kMsgLimitRange;
    if (finer || value % 2 != 0) return kMsgLimitStep;
    if (canonical) *canonical = std::to_string(value / 10) + "." + std::to_string(value % 10);
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
    addButton(platform::kIdCancel, "&Close");
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

// The time ranges and the ports are read side by side; a port row waits for the time ranges
// it names.
void CPoeConfigDlg::Load() {
    m_timeRanges.clear();
    m_heldRows.clear();
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
    if (!started) {
        EnableButtons(true);
        return;
    }
    WalkPorts();
}

void CPoeConfigDlg::OnTimeRangeRow(const ReplyRow& row) {
    // The table holds eight rows at most; a switch that lists more is not believed beyond them.
    if (static_cast<int>(m_timeRanges.size()) >= kMaxTimeRanges) return;
    m_timeRanges.emplace_back(TextToInt(row.text(0)), row.text(1));
    get<platform::ComboBox>(IDC_COMBO_TIME_RANGE).addItem(row.text(1));
}

void CPoeConfigDlg::OnTimeRangeWalkEnd(int status) {
    // Without the whole time-range list the ports are not listed: their ranges would have no name.
    const auto held = std::exchange(m_heldRows, {});
    if (status == CSnmp4w::EC_END_OF_TABLE)
        for (const auto& [port, row] : held) ListPort(port, row);
    ShowOnceRead(m_powerLevel);
}

void CPoeConfigDlg::ShowOnceRead(const std::string& powerLevel) {
    if (m_timeRangeWalk.Running() || m_portRows.Running()) return;
    ShowTotalPower(powerLevel);
    EnableButtons(!Applying());
}

void CPoeConfigDlg::WalkPorts() {
    get<platform::ReportList>(IDC_LIST_PORT).clear();
    m_ports.clear();
    m_heldRows.clear();
    m_powerLevel.clear();
    EnableButtons(false);
    std::vector<std::string> columns;
    for (int c : kPortWalkColumns) columns.push_back(PoePortColumn(c));
    m_portRows.SetIndexPrefix("1.");
    const bool started = m_portRows.Start(
        *this, "ports", columns, std::min(kPoePorts, SanitizePortCount(Profile().DevicePortNum)),
        [this](int port, const ReplyRow& row) { OnPortRow(port, row); }, [this](int) { OnPortWalkEnd(); });
    if (!started && !Loading()) EnableButtons(!Applying());
}

std::string CPoeConfigDlg::TimeRangeName(const std::string& index) const {
    if (index == "0") return "N/A";
    std::string name;
    for (const auto& [i, n] : m_timeRanges)
        if (std::to_string(i) == index) name = n;  // the last match wins
    return name;
}

void CPoeConfigDlg::OnPortRow(int port, const ReplyRow& row) {
    if (m_timeRangeWalk.Running()) m_heldRows.emplace_back(port, row);
    else if (readOk("time ranges")) ListPort(port, row);
}

void CPoeConfigDlg::ListPort(int port, const ReplyRow& row) {
    auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    const std::string limit = row.text(kValUserFlag) == "1" ? row.text(kValUserLimit) : ClassText(row.text(kValClass));
    m_ports.push_back({port, row.text(kValState), row.text(kValRange), row.text(kValPriority), row.text(kValClass),
                       row.text(kValUserFlag), row.text(kValUserLimit)});
    list.appendRow({std::to_string(port), row.text(kValState) == "1" ? "Enable" : "Disable",
                    TimeRangeName(row.text(kValRange)), PriorityText(row.text(kValPriority)), limit,
                    row.text(kValPower), row.text(kValVoltage), row.text(kValCurrent), row.text(kValClassification),
                    row.text(kValStatus)});
}

void CPoeConfigDlg::OnPortWalkEnd() {
    ShowOnceRead({});
    // Then the switch's power level, for the budget beside the total.
    features::AsyncRead(*this, "power level", m_portWalk, {kOidPoePowerLevel}, [this](const ReplyRow& row, CSnmp&) {
        if (!row.present(0)) return true;
        m_powerLevel = row.text(0);
        if (!m_timeRangeWalk.Running()) ShowTotalPower(m_powerLevel);
        return true;
    });
}

void CPoeConfigDlg::ShowTotalPower(const std::string& powerLevel) {
    const auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    std::vector<std::string> powers;
    for (int r = 0; r < list.rowCount(); ++r) powers.push_back(list.cell(r, kColPower));
    get<platform::Label>(IDC_TOTAL_POWER).setText(TotalPowerText(powers, powerLevel));
}

// A row click puts everything the port holds into the form, so that Apply on that port changes
// only what the user changes afterwards.
void CPoeConfigDlg::OnRowSelected(int row) {
    const auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    if (row < 0 || row >= list.rowCount() || row >= kPoePorts || row >= static_cast<int>(m_ports.size())) return;
    const PortValues& v = m_ports[static_cast<size_t>(row)];
    get<platform::ComboBox>(IDC_COMBO_FROM).setCurrent(v.port - 1);
    get<platform::ComboBox>(IDC_COMBO_TO).setCurrent(v.port - 1);
    get<platform::ComboBox>(IDC_COMBO_STATE).setCurrent(v.state == "1" ? 0 : 1);

    auto& ranges = get<platform::ComboBox>(IDC_COMBO_TIME_RANGE);
    const int index = TextToInt(v.timeRange);
    int item = 0;
    if (index != 0) {
        for (size_t k = 0; k < m_timeRanges.size(); ++k)
            if (m_timeRanges[k].first == index) item = static_cast<int>(k) + 1;  // the last match, as listed
        if (item == 0) {
            m_timeRanges.emplace_back(index, "Time range " + std::to_string(index));
            ranges.addItem(m_timeRanges.back().second);
            item = static_cast<int>(m_timeRanges.size());
        }
    }
    ranges.setCurrent(item);

    const std::string priority = PriorityText(v.priority);
    get<platform::ComboBox>(IDC_COMBO_PRIORITY).setCurrent(priority == "Low" ? 0 : priority == "Normal" ? 1 : 2);

    const bool user = v.userFlag == "1";
    get<platform::CheckBox>(IDC_CHECK_USER_DEFINE).setChecked(user);
    const int cls = TextToInt(v.limitClass);
    if (cls >= 1 && cls <= 5) get<platform::ComboBox>(IDC_COMBO_LIMIT).setCurrent(cls - 1);
    get<platform::EditBox>(IDC_EDIT_LIMIT).setText(user ? v.userLimit : std::string());
    OnUserDefine();
}

void CPoeConfigDlg::OnUserDefine() {
    const bool user = get<platform::CheckBox>(IDC_CHECK_USER_DEFINE).checked();
    get<platform::ComboBox>(IDC_COMBO_LIMIT).setEnabled(!user);
    get<platform::EditBox>(IDC_EDIT_LIMIT).setEnabled(user);
}

// Apply: one request per port, From to To, 300 ms apart. The requests go out away from the
// window thread, so the window keeps painting and shows which port is being written.
void CPoeConfigDlg::OnApply() {
    if (Applying()) return;
    const int from = get<platform::ComboBox>(IDC_COMBO_FROM).current() + 1;
    const int to = get<platform::ComboBox>(IDC_COMBO_TO).current() + 1;
    if (from < 1 || to < from) return;
    ApplyRun run;
    run.first = run.port = from;
    run.to = to;
    run.state = get<platform::ComboBox>(IDC_COMBO_STATE).current() == 0 ? "1" : "2";
    const int range = get<platform::ComboBox>(IDC_COMBO_TIME_RANGE).current();
    run.timeRange = range > 0 && range <= static_cast<int>(m_timeRanges.size())
                        ? std::to_string(m_timeRanges[static_cast<size_t>(range - 1)].first)
                        : "0";
    const int priority = get<platform::ComboBox>(IDC_COMBO_PRIORITY).current();
    run.priority = priority < 0 ? "2" : std::to_string(priority + 1);
    const int limit = get<platform::ComboBox>(IDC_COMBO_LIMIT).current();
    run.limitClass = std::to_string(limit < 0 ? 1 : limit + 1);
    run.userDefine = get<platform::CheckBox>(IDC_CHECK_USER_DEFINE).checked();
    if (run.userDefine) {
        // The same limit goes to every port: refused before anything is sent.
        if (const char* refusal = CheckPowerLimit(get<platform::EditBox>(IDC_EDIT_LIMIT).text(), &run.limitText)) {
            platform::ShowMessage(refusal);
            WalkPorts();
            return;
        }
    }
    m_apply = run;
    beginWrite();  // every port of the run is written, or the run stops at a refusal
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
    if (m_write.Busy()) return FinishApply();
    ApplyRun& run = *m_apply;
    const int p = run.port;
    const int count = run.to - run.first + 1;
    get<platform::Label>(IDC_PROGRESS_TEXT)
        .setText("Port " + std::to_string(p) + " (" + std::to_string(p - run.first + 1) + " of " +
                 std::to_string(count) + ")");
    using features::SetValue;
    std::vector<SetValue> values = {SetValue::Text(PoePortOid(3, p), SNMP_T_INTEGER, run.state),
                                    SetValue::Text(PoePortOid(4, p), SNMP_T_INTEGER, run.timeRange),
                                    SetValue::Text(PoePortOid(5, p), SNMP_T_INTEGER, run.priority)};
    if (!run.userDefine) {
        values.push_back(SetValue::Text(PoePortOid(7, p), SNMP_T_INTEGER, "2"));
        values.push_back(SetValue::Text(PoePortOid(6, p), SNMP_T_INTEGER, run.limitClass));
    } else {
        values.push_back(SetValue::Text(PoePortOid(7, p), SNMP_T_INTEGER, "1"));
        values.push_back(SetValue::Bytes(PoePortOid(8, p), Octets(run.limitText.begin(), run.limitText.end())));
    }
    // A failure stops the run: this port and the ones after it keep what they had.
    const std::string what = "The PoE settings of port" + (p == run.to ? " " + std::to_string(p)
                                                                      : "s " + std::to_string(p) + " to " +
                                                                            std::to_string(run.to));
    m_write.Send(what, values, [this](bool ok) { OnPortWritten(ok); }, kSetTimeoutMs);
}

void CPoeConfigDlg::OnPortWritten(bool ok) {
    if (!m_apply) return;
    platform::Trace("PoE set port %d %s", m_apply->port, ok ? "taken" : "failed");
    get<platform::ProgressBar>(IDC_PROGRESS).setPosition(m_apply->port - m_apply->first + 1);
    if (!ok) return FinishApply();  // the message is shown; the list is read again
    if (++m_apply->port > m_apply->to) return FinishApply();
    setTimer(1, m_timing.betweenPortsMs, [this] { ApplyNextPort(); });
}

// Whether the loop completed or stopped, the port table is read again.
void CPoeConfigDlg::FinishApply() {
    m_apply.reset();
    m_waitCursor.reset();
    ShowProgress(false);
    get<platform::GroupBox>(IDC_GROUP_CONFIG).setEnabled(true);
    EnableButtons(true);
    endWrite();
    WalkPorts();
}

void CPoeConfigDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMPTimeRang, "m_cCommonSNMPTimeRang"},
                         {m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

}  // namespace poe
