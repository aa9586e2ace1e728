#pragma once
// "Time Range Information" lists the PoE time ranges (named weekly schedules with an optional
// date span) and deletes them; its "Time Based PoE Config" form adds and edits one.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace poe {

// Column c (1 to 21) of the time-range table; with an index, the object of that row.
std::string TimeRangeColumn(int column);
std::string TimeRangeOid(int column, const std::string& index);

constexpr const char* kMsgSelectEdit = "Please select the Time Range to be edit!";
constexpr const char* kMsgSelectDelete = "Please select the Time Range to be deleted!";
constexpr const char* kMsgNameEmpty = "The TimeRange name can not be empty,please input it.";
constexpr const char* kMsgNameInvalid = "Invalid TimeRange Name.";
constexpr const char* kMsgSameTime = "'Start Time' and 'End Time' can't be the same";
constexpr const char* kMsgToYear = "'To year' can't be less than 'From year'";
constexpr const char* kMsgToMonth = "'To month' can't be less than 'From month'";
constexpr const char* kMsgToDay = "'To day' can't be less than 'From day'";
constexpr const char* kMsgStartAfterEnd = "'Start Time' can't be grater than 'End Time'";
constexpr const char* kMsgMaxRanges = "The max number of PoE Time Range is 8";
constexpr const char* kMsgNameTooLong =
    "The TimeRange name is too long: the switch takes at most 20 bytes, and a letter such as é takes 2 or more.";
// The switch counts a name in octets of its UTF-8 form.
constexpr size_t kMaxNameOctets = 20;

// What the user sees when the switch keeps a time range that ports use, and when an add fails.
std::string TimeRangeInUseMessage(const std::string& name, const std::vector<int>& ports);

// One time range as the form holds it: every value decimal text, weekdays "1" or "2".
struct TimeRangeRecord {
    std::string name;
    std::string date = "2";  // "1": the date span is in force
    std::string fromYear, fromMonth, fromDay, toYear, toMonth, toDay;
    std::string startHour, startMinute, endHour, endMinute;
    std::array<std::string, 7> days{"2", "2", "2", "2", "2", "2", "2"};  // Monday to Sunday
};

// The date and time check of a record (date values already "2" when no span is in force):
// nullptr when it passes, else the message to show.
const char* CheckTimeRange(const TimeRangeRecord& r);
// The index a new time range takes: the lowest one missing from the listed indexes, 0 when
// eight are active (*full is then true).
int FreeTimeRangeIndex(const std::vector<std::string>& statuses, const std::array<int, 8>& indexes, bool* full);
// List texts: "2010/03/07" (empty without a span), "08:05", "Mon,Wed,Sun".
std::string TimeRangeDateText(const std::string& span, const std::string& y, const std::string& m, const std::string& d);
std::string TimeRangeTimeText(const std::string& hour, const std::string& minute);
std::string TimeRangeWeekdays(const std::array<std::string, 7>& days);

class CTimeRangeEditDlg : public platform::Form {
public:
    enum : int {
        IDD = 242,
        IDC_EDIT_NAME = 2421,
        IDC_CHECK_DATE = 2422,
        IDC_FROM_YEAR = 2423,
        IDC_FROM_MONTH = 2424,
        IDC_FROM_DAY = 2425,
        IDC_TO_YEAR = 2426,
        IDC_TO_MONTH = 2427,
        IDC_TO_DAY = 2428,
        IDC_START_HOUR = 2429,
        IDC_START_MINUTE = 2430,
        IDC_END_HOUR = 2431,
        IDC_END_MINUTE = 2432,
        IDC_CHECK_ALL_DAYS = 2433,
        IDC_CHECK_MON = 2434,  // to 2440 for Sunday
        IDC_BUTTON_APPLY = 2441,
    };
    enum class Mode { Add, Edit };

    // The list dialog's name list, status list and index array are copied in.
    CTimeRangeEditDlg(Mode mode, std::string index, std::vector<std::string> names,
                      std::vector<std::string> statuses, const std::array<int, 8>& indexes);

    Mode GetMode() const { return m_mode; }
    const std::string& Index() const { return m_strIndex; }
    bool RowRead() const { return m_original.has_value(); }
    bool Saving() const { return m_saving; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnDate();
    void OnAllDays();
    void OnApply();
    void OnCancel();
    void OnRowRead(const ReplyRow& row);
    void EnableDates(bool on);
    TimeRangeRecord FromForm();
    void SelectPrefix(int id, const std::string& value);
    std::vector<features::SetValue> FullRow(const TimeRangeRecord& r) const;
    void Add();
    void OnAddFailed(int failedStep, SnmpFailure failure);
    void Edit();
    void SaveFailed();
    void Done();

    static constexpr const char* kReadRow = "row";

    Mode m_mode;
    std::string m_strIndex;
    std::vector<std::string> m_names, m_statuses;
    std::array<int, 8> m_indexes;
    TimeRangeRecord m_record;
    std::optional<TimeRangeRecord> m_original;  // the row as read when the form opened (edit)
    bool m_saving = false;

    CCommonSnmp m_cCommonSNMP;     // reads the edited row
    CCommonSnmp m_cCommonSNMPSet;  // writes
    CTableWalk m_readWalk{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
};

class CTimeRangeListDlg : public platform::Form {
public:
    enum : int {
        IDD = 241,
        IDC_LIST = 2411,
        IDC_BUTTON_ADD = 2412,
        IDC_BUTTON_EDIT = 2413,
        IDC_BUTTON_DELETE = 2414,
        IDC_BUTTON_REFRESH = 2415,
    };
    CTimeRangeListDlg();

    const std::array<int, 8>& Indexes() const { return m_iIndex; }
    const std::vector<std::string>& Names() const { return m_names; }
    const std::vector<std::string>& Statuses() const { return m_statuses; }
    bool Loading() const { return m_walk.Running(); }
    bool Busy() const { return m_walk.Running() || m_write.Busy(); }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void Load();
    void WalkPorts();
    void OnRow(const ReplyRow& row);
    void OnAdd();
    void OnEdit();
    void OnDelete();
    void RunForm(CTimeRangeEditDlg::Mode mode, const std::string& index);
    void EnableButtons(bool on);

    static constexpr const char* kReadRanges = "time ranges";
    static constexpr const char* kReadPorts = "ports";

    std::array<int, 8> m_iIndex{};
    std::vector<std::string> m_names;
    std::vector<std::string> m_statuses;
    // The time range of each PoE port (port, index), read after the list: the switch keeps a
    // time range that a port uses, and Delete says so rather than asking.
    std::vector<std::pair<int, int>> m_portRanges;

    CCommonSnmp m_cCommonSNMP;     // walk
    CCommonSnmp m_cCommonSNMPSet;  // delete
    CTableWalk m_walk{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
};

}  // namespace poe
