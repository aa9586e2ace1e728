#include "features/ports/port_set_info.h"

#include <algorithm>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/ports/port_texts.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace features {

namespace {

// Port table columns in walk order: value i fills list column i + 1, the last is the media.
const std::vector<std::string> kPortColumns = {kOidPortCtrlSpeed,       kOidPortCtrlOperMode,
                                               kOidPortCtrlFlowControl, kOidPortDefaultPriority,
                                               kOidPortCtrlOperFlowControl, kOidPortCtrlMedium};

const std::vector<std::string> kSpeedItems = {"1000M-Full", "100M-Full", "100M-Half", "10M-Full",
                                              "10M-Half",   "Auto",      "Disable"};
const std::vector<std::string> kFlowItems = {"Enable", "Disable"};

// The port table as the form's read; the trunk map is the other (CTrunkMap::kReadName).
constexpr const char* kReadPorts = "ports";
// After a failed set the table is read again a moment later (a form timer).
constexpr int kTimerReread = 1;
constexpr int kRereadDelayMs = 50;

// List columns.
enum { kColIndex = 0, kColSpeed, kColOperMode, kColFlow, kColPriority, kColOperFlow };

std::string WithoutHyphens(std::string text) {
    std::erase(text, '-');
    return text;
}

}  // namespace

CPortSetInfo::CPortSetInfo()
    : m_iPortNum(SanitizePortCount(Profile().DevicePortNum)),
      m_bAllGiga(Profile().IsAllGiga),
      m_trunkMap(m_cCommonSNMPTableTrunk, m_iPortNum) {}

int CPortSetInfo::MediaOf(int port) const {
    if (port < 1 || port > static_cast<int>(m_media.size())) return 0;
    return m_media[static_cast<std::size_t>(port - 1)];
}

void CPortSetInfo::createControls() {
    setCaption("Port Configuration");
    setSize(640, 480);
    addList(IDC_LIST_PORT, "Port Information",
            {{"Index ", 50},
             {"PortControlSpeed ", 110},
             {"OperMode  ", 100},
             {"FlowControlMode  ", 110},
             {"DefaultPriority  ", 100},
             {"OperFlowControlMode  ", 140}})
        .setFullRowSelect()
        .onRowClick([this](int row) { OnRowClick(row); });
    addLabel(0, "Port ID:");
    addEdit(IDC_EDIT_PORT_ID).setReadOnly().setWidth(90);
    addLabel(0, "PortControlSpeed:");
    addCombo(IDC_COMBO_SPEED, kSpeedItems);
    addLabel(0, "FlowControlMode:");
    addCombo(IDC_COMBO_FLOW, kFlowItems);
    addButton(IDC_BUTTON_REFRESH, "&Refresh", [this] { OnRefresh(); });
    // Apply's rules compare with the other ports' rows and their trunks: only on whole tables.
    addButton(IDC_BUTTON_APPLY, "&Apply", [this] { OnApply(); }).needsRead();
    addButton(platform::kIdCancel, "&Close");
}

void CPortSetInfo::initDialog() {
    m_media.assign(static_cast<std::size_t>(m_iPortNum), 0);
    m_iComboPortNum = ComboPortCount(m_iPortNum);
    OnRefresh();
}

void CPortSetInfo::OnRefresh() {
    std::fill(m_media.begin(), m_media.end(), 0);
    m_trunkMap.Clear();
    m_trunkMap.Start(*this);
    WalkPortTable();
}

void CPortSetInfo::WalkPortTable() {
    get<platform::ReportList>(IDC_LIST_PORT).clear();
    enable({IDC_BUTTON_APPLY, IDC_BUTTON_REFRESH}, false);
    const bool started = m_portRows.Start(
        *this, kReadPorts, kPortColumns, m_iPortNum, [this](int port, const ReplyRow& row) { OnPortRow(port, row); },
        [this](int) { OnPortWalkEnd(); }, kFirstStepTimeoutMs);
    if (!started) enable({IDC_BUTTON_APPLY, IDC_BUTTON_REFRESH}, true);
}

void CPortSetInfo::OnPortRow(int port, const ReplyRow& row) {
    // Missing columns read as empty.
    auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    const int media = TextToInt(row.text(5));
    m_media[static_cast<std::size_t>(port - 1)] = media;
    list.appendRow({std::to_string(port), SpeedControlText(row.text(0)),
                    PortOperModeText(row.text(1), port, media, m_iPortNum, m_bAllGiga), FlowControlText(row.text(2)),
                    PriorityText(row.text(3)), OperFlowControlText(row.text(4))});
}

void CPortSetInfo::OnPortWalkEnd() {
    enable({IDC_BUTTON_APPLY, IDC_BUTTON_REFRESH}, true);
    SelectOpeningPort();
}

void CPortSetInfo::SelectOpeningPort() {
    // Once only: a later Refresh keeps whatever the user chose.
    const int row = RowOfPort(m_iOpenOnPort);
    m_iOpenOnPort = 0;
    auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    if (row < 0) return;
    list.setSelectedRow(row);
    OnRowClick(row);
}

void CPortSetInfo::OnRowClick(int row) {
    auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    if (row < 0 || row >= list.rowCount()) return;
    const std::string index = list.cell(row, kColIndex);
    get<platform::EditBox>(IDC_EDIT_PORT_ID).setText(index);
    auto& speed = get<platform::ComboBox>(IDC_COMBO_SPEED);
    for (int i = 0; i < speed.count(); ++i)
        if (WithoutHyphens(speed.items()[static_cast<std::size_t>(i)]) == list.cell(row, kColSpeed)) {
            speed.setCurrent(i);
            break;
        }
    get<platform::ComboBox>(IDC_COMBO_FLOW).setCurrent(list.cell(row, kColFlow) == "Enable" ? 0 : 1);
    m_strSelectPort = index;
}

int CPortSetInfo::RowOfPort(int port) const {
    // Rows are in port order, one per port the switch has: port p is row p - 1 or before it.
    const auto& list = get<platform::ReportList>(IDC_LIST_PORT);
    if (port < 1) return -1;
    const std::string index = std::to_string(port);
    for (int r = std::min(port, list.rowCount()) - 1; r >= 0; --r)
        if (list.cell(r, kColIndex) == index) return r;
    return -1;
}

std::string CPortSetInfo::SpeedShown(int port) const {
    const int row = RowOfPort(port);
    if (row < 0) return {};
    return get<platform::ReportList>(IDC_LIST_PORT).cell(row, kColSpeed);
}

void CPortSetInfo::OnApply() {
    // 1. A port must have been chosen.
    if (m_strSelectPort.empty()) {
        platform::ShowMessage("Please Select one port !");
        return;
    }
    const int port = TextToInt(m_strSelectPort);
    const int speed = get<platform::ComboBox>(IDC_COMBO_SPEED).current();
    if (speed < 0 || speed > 6) return;
    // Ports the profile does not count have no known media or trunk.
    const int media = MediaOf(port);
    const int trunk = m_trunkMap.TrunkOf(port);
    const std::string speedText = SpeedIndexText(speed);

    // 2. The members of a trunk run at one speed.
    if (trunk != 0) {
        for (int peer : m_trunkMap.TrunkPeers(port))
            if (SpeedShown(peer) != speedText) {
                platform::ShowMessage("LA port can not support in different speed.");
                return;
            }
    }
    // 3. One port at least stays enabled.
    int disabled = 0;
    for (int p = 1; p <= m_iPortNum; ++p)
        if (p != port && SpeedShown(p) == "Disable") ++disabled;
    if (disabled == m_iPortNum - 1 && speed == 6) {
        platform::ShowMessage("Sorry, you cannot disable all ports.");
        return;
    }
    // 4 to 8. What the media and the trunk cannot take.
    if (media == kMediaNoGiga && speed == 0 && !m_bAllGiga) {
        platform::ShowMessage("Port " + m_strSelectPort + " can not support 1000M speed.");
        return;
    }
    if (speed == 5 && media == kMediaFibre100) {
        platform::ShowMessage("Fiber Port " + m_strSelectPort + " with 100Base-x SFP Module can not support in Auto mode.");
        return;
    }
    if (media == kMediaFibre1000 && speed >= 1 && speed <= 4) {
        platform::ShowMessage("Fiber Port " + m_strSelectPort + " with 1000Base-x SFP Module can not support this speed.");
        return;
    }
    if (media == kMediaFibre100 && (speed == 0 || speed == 3 || speed == 4)) {
        platform::ShowMessage("Fiber Port " + m_strSelectPort + " with 100Base-x SFP Module can not support this speed.");
        return;
    }
    if (trunk != 0 && (speed == 2 || speed == 4)) {
        platform::ShowMessage("LA port " + m_strSelectPort + " can not support in half-duplex mode.");
        return;
    }

    // 9 to 13. The write: speed (not for trunk members) and flow control in one request.
    const std::string speedValue = std::to_string(speed + 1);
    if (speedValue != "6" && speedValue != "7" && !platform::Confirm(kMsgForceMode)) return;
    std::vector<SetValue> values;
    if (trunk == 0) values.push_back(SetValue::Text(InstanceOid(kOidPortCtrlSpeed, port), SNMP_T_INTEGER, speedValue));
    const std::string flowValue = get<platform::ComboBox>(IDC_COMBO_FLOW).text() == "Enable" ? "1" : "2";
    if (flowValue == "1" && !platform::Confirm(kMsgFlowControlQos)) return;
    values.push_back(SetValue::Text(InstanceOid(kOidPortCtrlFlowControl, port), SNMP_T_INTEGER, flowValue));
    // 14. Read the table again: it shows what the switch now holds. After a failed set the
    // switch gets a moment first; the window keeps painting meanwhile.
    m_write.Send("The settings of port " + m_strSelectPort, values, [this](bool ok) {
        if (ok) {
            WalkPortTable();
            return;
        }
        beginWrite();
        setTimer(kTimerReread, kRereadDelayMs, [this] {
            endWrite();
            WalkPortTable();
        });
    }, kSetTimeoutMs);
}

void CPortSetInfo::destroyWindow() {
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                         {m_cCommonSNMPTable, "m_cCommonSNMPTable"},
                         {m_cCommonSNMPTableTrunk, "m_cCommonSNMPTableTrunk"}});
}

}  // namespace features
