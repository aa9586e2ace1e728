#include "features/poe/time_range_dlg.h"

#include <algorithm>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/poe/poe_config_dlg.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace poe {

namespace {

const std::string kTable = "1.3.6.1.4.1.171.10.76.12.23.1.1";
constexpr int kColName = 2, kColDate = 3, kColStatus = 21;
const char* const kDayNames[7] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
const char* const kDayBoxes[7] = {"Mon ", "Tue", "Wed ", "Thu", "Fri ", "Sat", "Sun"};

std::vector<std::string> Numbers(int from, int to) {
    std::vector<std::string> items;
    for (int i = from; i <= to; ++i) items.push_back(std::to_string(i));
    return items;
}

std::string LastTwo(const std::string& value) {
    const std::string padded = "00" + value;
    return padded.substr(padded.size() - 2);
}

long long Stamp(const std::string& a, const std::string& b, const std::string& c, long long scale) {
    return TextToInt64(a) * scale * scale + TextToInt64(b) * scale + TextToInt64(c);
}

std::vector<std::string> AllColumns(const std::string& index) {
    std::vector<std::string> oids;
    for (int c = 1; c <= 21; ++c) oids.push_back(index.empty() ? TimeRangeColumn(c) : TimeRangeOid(c, index));
    return oids;
}

std::string Quoted(const std::string& name) { return "\"" + name + "\""; }

// Why a step of an add failed, in the words of the other write messages.
std::string AddFailureReason(SnmpFailure failure) {
    switch (failure) {
    case SnmpFailure::AgentError:
    case SnmpFailure::UnknownErrorStatus: return "the switch refused the value";
    case SnmpFailure::NoAnswer: return "the switch did not answer";
    default: return features::ReadFailureReason(failure);
    }
}

}  // namespace

std::string TimeRangeInUseMessage(const std::string& name, const std::vector<int>& ports) {
    std::string list;
    for (int p : ports) list += (list.empty() ? "" : ", ") + std::to_string(p);
    const bool one = ports.size() == 1;
    return "The time range " + Quoted(name) + " is used by port" + (one ? " " : "s ") + list +
           ", so the switch keeps it. Set the Time Range of " + (one ? "that port" : "those ports") +
           " to N/A in PoE Configuration first.";
}

std::string TimeRangeColumn(int column) { return kTable + "." + std::to_string(column); }
std::string TimeRangeOid(int column, const std::string& index) { return TimeRangeColumn(column) + "." + index; }

const char* CheckTimeRange(const TimeRangeRecord& r) {
    const long long s = TextToInt64(r.startHour) * 100 + TextToInt64(r.startMinute);
    const long long e = TextToInt64(r.endHour) * 100 + TextToInt64(r.endMinute);
    const long long f = Stamp(r.fromYear, r.fromMonth, r.fromDay, 100);
    const long long t = Stamp(r.toYear, r.toMonth, r.toDay, 100);
    if (s == e) return kMsgSameTime;
    if (f > t) {
        if (TextToInt64(r.fromYear) > TextToInt64(r.toYear)) return kMsgToYear;
        if (TextToInt64(r.fromMonth) > TextToInt64(r.toMonth)) return kMsgToMonth;
        return kMsgToDay;
    }
    if (f == t && s > e) return kMsgStartAfterEnd;
    return nullptr;
}

int FreeTimeRangeIndex(const std::vector<int>& heldIndexes, bool* full) {
    for (int index = 1; index <= 8; ++index)
        if (std::find(heldIndexes.begin(), heldIndexes.end(), index) == heldIndexes.end()) {
            if (full) *full = false;
            return index;
        }
    if (full) *full = true;
    return 0;
}

std::string TimeRangeStatusText(const std::string& status) {
    if (status == "1") return "Active";
    if (status == "2") return "Not in service";
    if (status == "3") return "Not ready";
    return status.empty() ? "Unknown" : "Unknown (" + status + ")";
}

std::string TimeRangeDateText(const std::string& span, const std::string& y, const std::string& m, const std::string& d) {
    if (span != "1") return {};
    return y + "/" + LastTwo(m) + "/" + LastTwo(d);
}

std::string TimeRangeTimeText(const std::string& hour, const std::string& minute) {
    return LastTwo(hour) + ":" + LastTwo(minute);
}

std::string TimeRangeWeekdays(const std::array<std::string, 7>& days) {
    std::string text;
    for (size_t i = 0; i < 7; ++i)
        if (days[i] == "1") text += std::string(kDayNames[i]) + ",";
    if (!text.empty()) text.pop_back();
    return text;
}

// ---- the form -------------------------------------------------------------------------------

CTimeRangeEditDlg::CTimeRangeEditDlg(Mode mode, std::string index, std::vector<std::string> names,
                                     std::vector<int> heldIndexes)
    : m_mode(mode), m_strIndex(std::move(index)), m_names(std::move(names)), m_heldIndexes(std::move(heldIndexes)) {}

void CTimeRangeEditDlg::createControls() {
    setCaption("Time Based PoE Config");
    auto& g = addGroup(0, "Time Range Setting");
    g.addLabel(0, "Range Name");
    g.addEdit(IDC_EDIT_NAME).setMaxLength(20).setWidth(180);
    g.addCheck(IDC_CHECK_DATE, "Date").onToggle([this] { OnDate(); });
    g.addLabel(0, "From Day ");
    g.addCombo(IDC_FROM_YEAR, Numbers(2009, 2037)).setWidth(80);
    g.addCombo(IDC_FROM_MONTH, Numbers(1, 12)).setWidth(60).sameLine();
    g.addCombo(IDC_FROM_DAY, Numbers(1, 31)).setWidth(60).sameLine();
    g.addLabel(0, "To Day ");
    g.addCombo(IDC_TO_YEAR, Numbers(2009, 2037)).setWidth(80);
    g.addCombo(IDC_TO_MONTH, Numbers(1, 12)).setWidth(60).sameLine();
    g.addCombo(IDC_TO_DAY, Numbers(1, 31)).setWidth(60).sameLine();
    g.addLabel(0, "Hours(HH MM)");
    g.addLabel(0, "Start Time");
    g.addCombo(IDC_START_HOUR, Numbers(0, 23)).setWidth(60);
    g.addCombo(IDC_START_MINUTE, Numbers(0, 59)).setWidth(60).sameLine();
    g.addLabel(0, "End Time").sameLine();
    g.addCombo(IDC_END_HOUR, Numbers(0, 23)).setWidth(60);
    g.addCombo(IDC_END_MINUTE, Numbers(0, 59)).setWidth(60).sameLine();
    g.addLabel(0, "Weekdays");
    g.addCheck(IDC_CHECK_ALL_DAYS, "Select All Days").onToggle([this] { OnAllDays(); });
    for (int d = 0; d < 7; ++d) {
        auto& box = g.addCheck(IDC_CHECK_MON + d, kDayBoxes[d]);
        if (d > 0) box.sameLine();
    }
    // An edit rewrites the whole row and puts it back from what was read if a write fails.
    addButton(IDC_BUTTON_APPLY, "Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(platform::kIdCancel, "Cancel", [this] { OnCancel(); });
}

void CTimeRangeEditDlg::initDialog() {
    for (int id : {IDC_FROM_YEAR, IDC_FROM_MONTH, IDC_FROM_DAY, IDC_TO_YEAR, IDC_TO_MONTH, IDC_TO_DAY, IDC_START_HOUR,
                   IDC_START_MINUTE, IDC_END_HOUR, IDC_END_MINUTE})
        get<platform::ComboBox>(id).setCurrent(0);
    EnableDates(false);
    if (m_mode != Mode::Edit) return;
    get<platform::EditBox>(IDC_EDIT_NAME).setEnabled(false);
    features::AsyncRead(
        *this, kReadRow, m_readWalk, AllColumns(m_strIndex),
        [this](const ReplyRow& row, CSnmp&) {
            OnRowRead(row);
            return false;
        },
        [this](int) {
            // A reply without a name names no time range of the switch.
            if (readOk(kReadRow) && !m_original) readFailed(kReadRow, "the time range is not on the switch");
        });
}

void CTimeRangeEditDlg::EnableDates(bool on) {
    enable({IDC_FROM_YEAR, IDC_FROM_MONTH, IDC_FROM_DAY, IDC_TO_YEAR, IDC_TO_MONTH, IDC_TO_DAY}, on);
}

void CTimeRangeEditDlg::OnDate() { EnableDates(get<platform::CheckBox>(IDC_CHECK_DATE).checked()); }

void CTimeRangeEditDlg::OnAllDays() {
    const bool on = get<platform::CheckBox>(IDC_CHECK_ALL_DAYS).checked();
    for (int d = 0; d < 7; ++d) get<platform::CheckBox>(IDC_CHECK_MON + d).setChecked(on);
}

void CTimeRangeEditDlg::SelectPrefix(int id, const std::string& value) {
    auto& combo = get<platform::ComboBox>(id);
    for (int i = 0; i < combo.count(); ++i)
        if (combo.items()[static_cast<size_t>(i)].rfind(value, 0) == 0) {
            combo.setCurrent(i);
            return;
        }
}

void CTimeRangeEditDlg::OnRowRead(const ReplyRow& row) {
    if (row.size() < 21) return;  // not the row asked for
    TimeRangeRecord r;
    r.name = row.text(kColName - 1);
    r.date = row.text(kColDate - 1);
    r.fromYear = row.text(3), r.fromMonth = row.text(4), r.fromDay = row.text(5);
    r.startHour = row.text(6), r.startMinute = row.text(7);
    r.toYear = row.text(8), r.toMonth = row.text(9), r.toDay = row.text(10);
    r.endHour = row.text(11), r.endMinute = row.text(12);
    for (size_t d = 0; d < 7; ++d) r.days[d] = row.text(13 + d) == "1" ? "1" : "2";
    if (r.name.empty()) return;  // no such row on the switch
    m_original = r;

    get<platform::EditBox>(IDC_EDIT_NAME).setText(r.name);
    const bool date = r.date == "1";
    get<platform::CheckBox>(IDC_CHECK_DATE).setChecked(date);
    EnableDates(date);
    if (date) {
        SelectPrefix(IDC_FROM_YEAR, r.fromYear);
        SelectPrefix(IDC_FROM_MONTH, r.fromMonth);
        SelectPrefix(IDC_FROM_DAY, r.fromDay);
        SelectPrefix(IDC_TO_YEAR, r.toYear);
        SelectPrefix(IDC_TO_MONTH, r.toMonth);
        SelectPrefix(IDC_TO_DAY, r.toDay);
    }
    SelectPrefix(IDC_START_HOUR, r.startHour);
    SelectPrefix(IDC_START_MINUTE, r.startMinute);
    SelectPrefix(IDC_END_HOUR, r.endHour);
    SelectPrefix(IDC_END_MINUTE, r.endMinute);
    for (int d = 0; d < 7; ++d) get<platform::CheckBox>(IDC_CHECK_MON + d).setChecked(r.days[static_cast<size_t>(d)] == "1");
}

TimeRangeRecord CTimeRangeEditDlg::FromForm() {
    TimeRangeRecord r;
    r.name = get<platform::EditBox>(IDC_EDIT_NAME).text();
    auto text = [this](int id) { return get<platform::ComboBox>(id).text(); };
    if (get<platform::CheckBox>(IDC_CHECK_DATE).checked()) {
        r.date = "1";
        r.fromYear = text(IDC_FROM_YEAR), r.fromMonth = text(IDC_FROM_MONTH), r.fromDay = text(IDC_FROM_DAY);
        r.toYear = text(IDC_TO_YEAR), r.toMonth = text(IDC_TO_MONTH), r.toDay = text(IDC_TO_DAY);
    } else {
        r.date = "2";
        r.fromYear = r.fromMonth = r.fromDay = r.toYear = r.toMonth = r.toDay = "2";
        EnableDates(false);
    }
    r.startHour = text(IDC_START_HOUR), r.startMinute = text(IDC_START_MINUTE);
    r.endHour = text(IDC_END_HOUR), r.endMinute = text(IDC_END_MINUTE);
    return r;
}

void CTimeRangeEditDlg::OnApply() {
    if (Saving()) return;
    TimeRangeRecord r = FromForm();
    if (m_mode == Mode::Add) {
        bool invalid = r.name.empty();
        if (invalid) {
            platform::ShowMessage(kMsgNameEmpty);
            return;
        }
        invalid = !IsValidName(r.name);
        for (const auto& n : m_names) invalid = invalid || n == r.name;
        if (invalid) {
            platform::ShowMessage(kMsgNameInvalid);
            return;
        }
        if (r.name.size() > kMaxNameOctets) {
            platform::ShowMessage(kMsgNameTooLong);
            return;
        }
    } else if (!m_original) {
        return;
    }
    if (const char* refusal = CheckTimeRange(r)) {
        platform::ShowMessage(refusal);
        return;
    }
    for (int d = 0; d < 7; ++d)
        r.days[static_cast<size_t>(d)] = get<platform::CheckBox>(IDC_CHECK_MON + d).checked() ? "1" : "2";
    if (m_mode == Mode::Edit) r.name = m_original->name;  // the name does not change in edit mode
    m_record = r;
    if (m_mode == Mode::Add) {
        // A new row goes only where the list read no row at all: a row that is not active is
        // someone's, and is neither taken over nor removed.
        bool full = false;
        const int index = FreeTimeRangeIndex(m_heldIndexes, &full);
        if (full) platform::ShowMessage(kMsgMaxRanges);
        m_strIndex = std::to_string(index);
    }
    if (m_strIndex == "0" || m_strIndex.empty()) return Done();
    if (m_write.Busy()) return;
    // Held until the outcome is told and any undo is done: no way out ends the write half-way.
    beginWrite();
    m_writeSent = true;
    if (m_mode == Mode::Add) Add();
    else Edit();
}

std::vector<features::SetValue> CTimeRangeEditDlg::FullRow(const TimeRangeRecord& r) const {
    using features::SetValue;
    std::vector<SetValue> values = {
        SetValue::Bytes(TimeRangeOid(kColName, m_strIndex), Octets(r.name.begin(), r.name.end()))};
    auto add = [&](int column, const std::string& value) {
        values.push_back(SetValue::Text(TimeRangeOid(column, m_strIndex), SNMP_T_INTEGER, value));
    };
    add(kColDate, r.date == "1" ? "1" : "2");
    if (r.date == "1") {
        add(4, r.fromYear), add(5, r.fromMonth), add(6, r.fromDay);
        add(9, r.toYear), add(10, r.toMonth), add(11, r.toDay);
    }
    add(7, r.startHour), add(8, r.startMinute), add(12, r.endHour), add(13, r.endMinute);
    for (int d = 0; d < 7; ++d) add(14 + d, r.days[static_cast<size_t>(d)]);
    add(kColStatus, "1");
    return values;
}

// An edit writes the columns of the row as it stands, in one request: the switch refuses to
// destroy a time range that a port uses, and a request is taken whole or not at all.
void CTimeRangeEditDlg::Edit() {
    m_write.Send("The time range " + Quoted(m_record.name), FullRow(m_record), [this](bool ok) {
        if (ok) return Written();
        SaveFailed();
    });
}

// An add creates the row, then writes it whole with active. A row left without its name by a
// failed write would be listed nowhere here but offered (nameless) by the PoE dialog: it goes.
void CTimeRangeEditDlg::Add() {
    const std::vector<features::SetValue> create = {
        features::SetValue::Text(TimeRangeOid(kColStatus, m_strIndex), SNMP_T_INTEGER, "5")};
    m_write.SendSteps({create, FullRow(m_record)}, [this](int failedStep) {
        if (failedStep < 0) return Written();
        OnAddFailed(failedStep, m_write.LastStep());
    });
}

void CTimeRangeEditDlg::OnAddFailed(int failedStep, const features::StepResult& step) {
    const std::string message =
        "The time range " + Quoted(m_record.name) + " could not be added: " + AddFailureReason(step.failure) + ".";
    // A refused create made nothing; anything else may have left the row behind. The index was
    // free when the list was read, so a row there now is this write's own.
    if (failedStep == 0 && !step.unanswered()) {
        platform::ShowMessage(message);
        return SaveFailed();
    }
    const bool created = failedStep > 0;
    const std::vector<features::SetValue> destroy = {
        features::SetValue::Text(TimeRangeOid(kColStatus, m_strIndex), SNMP_T_INTEGER, "6")};
    m_write.SendSteps({destroy}, [this, message, created](int failed) {
        std::string after;
        if (failed >= 0)
            after = " A half-made time range without a name may be left on the switch under index " + m_strIndex + ".";
        else if (created)
            after = " The half-made time range was removed.";
        else
            after = " If the switch made it, it was removed.";
        platform::ShowMessage(message + after);
        SaveFailed();
    });
}

// What the user typed stays in the form for another try; the list reads the switch again when
// the form closes.
void CTimeRangeEditDlg::SaveFailed() { endWrite(); }

void CTimeRangeEditDlg::Done() { end(platform::kIdOk); }

void CTimeRangeEditDlg::Written() {
    Done();  // the form lets go once the write is over
    endWrite();
}

void CTimeRangeEditDlg::OnCancel() {
    if (Saving()) return;  // the writes under way finish first
    end(platform::kIdCancel);
}

void CTimeRangeEditDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

// ---- the list -------------------------------------------------------------------------------

CTimeRangeListDlg::CTimeRangeListDlg() = default;

void CTimeRangeListDlg::createControls() {
    setCaption("Time Range Information");
    setSize(790, 300);  // every column, the status included, without scrolling
    auto& g = addGroup(0, "Time Range Information");
    g.addList(IDC_LIST, {},
              {{"Range Name", 110},
               {"Weekdays", 140},
               {"From Day", 85, platform::ReportList::Align::Center},
               {"To Day", 85, platform::ReportList::Align::Center},
               {"Start Time", 75, platform::ReportList::Align::Center},
               {"End Time", 75, platform::ReportList::Align::Center},
               {"Status", 95, platform::ReportList::Align::Center}})
        .setFullRowSelect()
        .setVisibleRows(8);
    // A new range's index and name are checked against the whole list; Edit opens a listed row;
    // Delete knows which ports use the row.
    addButton(IDC_BUTTON_ADD, "&Add", [this] { OnAdd(); }).needsRead({kReadRanges});
    addButton(IDC_BUTTON_EDIT, "&Edit", [this] { OnEdit(); }).needsRead({kReadRanges});
    addButton(IDC_BUTTON_DELETE, "&Delete", [this] { OnDelete(); }).needsRead({kReadRanges, kReadPorts});
    addButton(IDC_BUTTON_REFRESH, "&Refresh", [this] { Load(); });
    addButton(platform::kIdCancel, "&Close");
}

void CTimeRangeListDlg::initDialog() { Load(); }

void CTimeRangeListDlg::EnableButtons(bool on) {
    enable({IDC_BUTTON_ADD, IDC_BUTTON_EDIT, IDC_BUTTON_DELETE, IDC_BUTTON_REFRESH}, on);
}

void CTimeRangeListDlg::Load() {
    get<platform::ReportList>(IDC_LIST).clear();
    m_names.clear();
    m_statuses.clear();
    m_iIndex.fill(0);
    m_heldIndexes.clear();
    m_portRanges.clear();
    CTableWalk::Options options;
    options.maxRows = 3 * 8;
    EnableButtons(false);
    const bool started = features::WalkRead(
        *this, kReadRanges, m_walk, AllColumns({}),
        [this](const ReplyRow& row, CSnmp&) {
            OnRow(row);
            return true;
        },
        [this](int) { WalkPorts(); }, options);
    if (!started) EnableButtons(true);
}

void CTimeRangeListDlg::WalkPorts() {
    CTableWalk::Options options;
    options.maxRows = static_cast<size_t>(SanitizePortCount(Profile().DevicePortNum));
    const std::string column = PoePortColumn(4);
    const bool started = features::WalkRead(
        *this, kReadPorts, m_walk, {column},
        [this, column](const ReplyRow& row, CSnmp&) {
            // Instance ".1.<port>".
            const std::string instance = row.instance(0, column);
            const size_t dot = instance.rfind('.');
            const int port = TextToInt(dot == std::string::npos ? instance : instance.substr(dot + 1));
            m_portRanges.emplace_back(port, TextToInt(row.text(0)));
            return true;
        },
        [this](int) { EnableButtons(true); }, options);
    if (!started) EnableButtons(true);
}

void CTimeRangeListDlg::OnRow(const ReplyRow& row) {
    auto& list = get<platform::ReportList>(IDC_LIST);
    const int listed = list.rowCount();
    std::array<std::string, 7> days;
    for (size_t d = 0; d < 7; ++d) days[d] = row.text(13 + d);
    int index = TextToInt(row.text(0));
    if (index <= 0) index = TextToInt(row.instance(0, TimeRangeColumn(1)));
    // Every row is listed with its status: one that is not active still holds its index and
    // its name, and the administrator can see it and delete it. The index array holds the eight
    // rows the switch can have; further rows are not listed, so nothing can be chosen whose
    // index is not known.
    if (listed < 8) {
        list.appendRow({row.text(1), TimeRangeWeekdays(days),
                        TimeRangeDateText(row.text(2), row.text(3), row.text(4), row.text(5)),
                        TimeRangeDateText(row.text(2), row.text(8), row.text(9), row.text(10)),
                        TimeRangeTimeText(row.text(6), row.text(7)), TimeRangeTimeText(row.text(11), row.text(12)),
                        TimeRangeStatusText(row.text(20))});
        m_iIndex[static_cast<size_t>(listed)] = index;
    }
    if (index > 0) m_heldIndexes.push_back(index);
    m_names.push_back(row.text(1));
    m_statuses.push_back(row.text(20));
}

void CTimeRangeListDlg::RunForm(CTimeRangeEditDlg::Mode mode, const std::string& index) {
    CTimeRangeEditDlg form(mode, index, m_names, m_heldIndexes);
    runChild(form);
    Load();
}

void CTimeRangeListDlg::OnAdd() { RunForm(CTimeRangeEditDlg::Mode::Add, {}); }

void CTimeRangeListDlg::OnEdit() {
    const auto& list = get<platform::ReportList>(IDC_LIST);
    if (list.rowCount() == 0) {
        platform::ShowMessage(kMsgSelectEdit);
        return;
    }
    const int row = list.selectedRow();
    if (row < 0 || row >= 8) {
        platform::ShowMessage(kMsgSelectEdit, platform::MsgIcon::Information);
        return;
    }
    RunForm(CTimeRangeEditDlg::Mode::Edit, std::to_string(m_iIndex[static_cast<size_t>(row)]));
}

void CTimeRangeListDlg::OnDelete() {
    const auto& list = get<platform::ReportList>(IDC_LIST);
    if (list.rowCount() == 0) {
        platform::ShowMessage(kMsgSelectDelete);
        return;
    }
    const int row = list.selectedRow();
    if (row < 0 || row >= 8) {
        platform::ShowMessage(kMsgSelectDelete, platform::MsgIcon::Information);
        return;
    }
    if (m_write.Busy()) return;
    const int index = m_iIndex[static_cast<size_t>(row)];
    const std::string name = list.cell(row, 0);
    std::vector<int> users;
    for (const auto& [port, range] : m_portRanges)
        if (range == index) users.push_back(port);
    if (!users.empty()) {
        platform::ShowMessage(TimeRangeInUseMessage(name, users));
        return;
    }
    EnableButtons(false);
    m_write.Send("The time range " + Quoted(name),
                 {features::SetValue::Text(TimeRangeOid(kColStatus, std::to_string(index)), SNMP_T_INTEGER, "6")},
                 [this](bool) { Load(); });
}

void CTimeRangeListDlg::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}

}  // namespace poe
