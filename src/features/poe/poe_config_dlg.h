#pragma once
// "PoE Configuration": every PoE port with its state, time range, priority, power limit and
// readings, and the writes of state, time range, priority and power limit to a range of ports.
// The names of the time ranges come from the PoE time-range table.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/port_rows.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace poe {

// PoE port table columns (instance ".1.<port>") and the time-range table's first two columns.
inline const std::string kOidPoePortTable = "1.3.6.1.4.1.171.10.76.12.22.1.1";
inline const std::string kOidTimeRangeTable = "1.3.6.1.4.1.171.10.76.12.23.1.1";
std::string PoePortColumn(int column);
std::string PoePortOid(int column, int port);

// The switch's PoE power level: above 7 it has power to spare, otherwise its budget is spent.
inline const std::string kOidPoePowerLevel = "1.3.6.1.4.1.171.10.76.12.22.6.0";

// The line under the port list: the sum of the ports' Power(W) readings (texts that are no
// number count as 0) and, when the power level was read, where that leaves the budget.
std::string TotalPowerText(const std::vector<std::string>& powers, const std::string& powerLevel);

// The switch's PoE ports are 1 to 8 on every PoE model.
constexpr int kPoePorts = 8;
// The time-range table holds at most this many rows.
constexpr int kMaxTimeRanges = 8;

constexpr const char* kMsgLimitRange = "The User Defined power limit ranges between 1.0 ~ 30.0";
constexpr const char* kMsgLimitStep = "The per-port power limit must be a multiple of 0.2";

// The user-defined power limit: a plain decimal number (blanks around it allowed, no sign, no
// exponent, nothing after it), 1.0 to 30.0 in steps of 0.2. Returns nullptr when it passes, with
// *canonical the number as the switch writes it ("15.4", "20.0"); else the message to show.
const char* CheckPowerLimit(const std::string& text, std::string* canonical = nullptr);

class CPoeConfigDlg : public platform::Form {
public:
    enum : int {
        IDD = 240,
        IDC_LIST_PORT = 2401,
        IDC_COMBO_FROM = 2402,
        IDC_COMBO_TO = 2403,
        IDC_COMBO_TIME_RANGE = 2404,
        IDC_COMBO_STATE = 2405,
        IDC_COMBO_PRIORITY = 2406,
        IDC_COMBO_LIMIT = 2407,
        IDC_CHECK_USER_DEFINE = 2408,
        IDC_EDIT_LIMIT = 2409,
        IDC_BUTTON_REFRESH = 2410,
        IDC_BUTTON_APPLY = 2411,
        IDC_PROGRESS_TEXT = 2412,
        IDC_PROGRESS = 2413,
        IDC_GROUP_CONFIG = 2414,
        IDC_TOTAL_POWER = 2415,
    };
    static constexpr int kSetTimeoutMs = 20000;

    // Pauses; tests shorten them.
    struct Timing {
        int betweenPortsMs = 300;  // after each port's write
    };

    CPoeConfigDlg();

    void SetTiming(const Timing& timing) { m_timing = timing; }
    // The time-range reference list: (index, name) pairs as the walk returned them.
    const std::vector<std::pair<int, std::string>>& TimeRanges() const { return m_timeRanges; }
    bool Loading() const { return m_timeRangeWalk.Running() || m_portRows.Running() || m_portWalk.Running(); }
    bool Applying() const { return m_apply.has_value(); }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    struct ApplyRun {
        int port = 0, to = 0, first = 0;
        std::string state, timeRange, priority, limitClass, limitText;
        bool userDefine = false;
    };
    // What a port row holds on the switch, as read: a row click puts it into the form.
    struct PortValues {
        int port = 0;
        std::string state, timeRange, priority, limitClass, userFlag, userLimit;
    };

    void Load();
    void OnRefresh();
    void OnTimeRangeRow(const ReplyRow& row);
    void OnTimeRangeWalkEnd(int status);
    void WalkPorts();
    void OnPortRow(int port, const ReplyRow& row);
    void ListPort(int port, const ReplyRow& row);
    void OnPortWalkEnd();
    void ShowTotalPower(const std::string& powerLevel);
    // Once both the time ranges and the ports are read: the total and the buttons.
    void ShowOnceRead(const std::string& powerLevel);
    void OnRowSelected(int row);
    void OnUserDefine();
    void OnApply();
    void ApplyNextPort();
    void OnPortWritten(bool ok);
    void FinishApply();
    void ShowProgress(bool on);
    void EnableButtons(bool on);
    std::string TimeRangeName(const std::string& index) const;

    Timing m_timing;
    // Time Range item k (k >= 1) stands for m_timeRanges[k - 1]; a port's range that the walk
    // did not list is added after them, so that Apply writes it back unchanged.
    std::vector<std::pair<int, std::string>> m_timeRanges;
    std::vector<PortValues> m_ports;  // one per listed row
    // Port rows that came before the time ranges they name: listed once those are read.
    std::vector<std::pair<int, ReplyRow>> m_heldRows;
    std::string m_powerLevel;  // as the switch last gave it
    std::optional<ApplyRun> m_apply;
    std::optional<platform::WaitCursor> m_waitCursor;

    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMPTimeRang;  // time-range walk
    CCommonSnmp m_cCommonSNMP;          // port-table read (with its twins) and power level
    CCommonSnmp m_cCommonSNMPSet;       // writes
    CTableWalk m_timeRangeWalk{m_cCommonSNMPTimeRang};
    CTableWalk m_portWalk{m_cCommonSNMP};  // power level
    // Three requests in flight beside the time-range walk's one.
    features::CPortRows m_portRows{m_cCommonSNMP, 3};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
};

}  // namespace poe
