#include "features/maintenance/firmware_dlg.h"

#include <utility>

#include "features/maintenance/maint_oids.h"
#include "platform/ui.h"
#include "snmp/encodings.h"
#include "snmp/session_close.h"

namespace {

constexpr const char* kMsgFileNameLength = "The maximum length of file name is 64!";
constexpr const char* kMsgUpgradeWarning =
    "The connection will be disconnected.\nPlease do not apply other changes when uploading.\n"
    "Reconnect to the device later when uploading completes.";
constexpr const char* kMsgInvalidServer = "Invalid TFTP server IP.";
constexpr const char* kMsgInvalidFile = "Invalid file.";
constexpr const char* kMsgFileTimeout = "Setting file name TimeOut !";
constexpr const char* kMsgOperationTimeout = "Setting operation TimeOut !";
constexpr const char* kMsgSuccess = "Success !";
constexpr const char* kMsgFirmwareFail = "Firmware Upgrade Fail !";
constexpr const char* kMsgConfigFail = "Config Restore Fail !";
constexpr const char* kMsgFirmwareStatusTimeout = "Get Firmware BackUp/Upgrade status Time Out !";
constexpr const char* kMsgConfigStatusTimeout = "Get Config BackUp/Upgrade status Time Out !";
constexpr const char* kMsgGetInfoFail = "Get Info Fail !";
constexpr const char* kMsgFirmwareLimit = "Time out! Please check TFTP Server IP and network.";
constexpr const char* kMsgConfigLimit =
    "Time out! Please check TFTP Server IP and network.\n You may close the current device Orbisa Module and "
    "implement 'Device Discovery'to restart it";

// The switch counts the file name in octets.
constexpr std::size_t kMaxFileNameBytes = 64;
constexpr int kStatusTimeoutsAllowed = 3;  // the fourth time-out in a row ends the transfer
constexpr int kProgressEnd = 90;
constexpr int kProgressDone = 99;
constexpr int kFinishRecheckMs = 100;

}  // namespace

CFirmwareUpgradeDlg::CFirmwareUpgradeDlg(TransferTimings timings) : m_timings(timings) {}

void CFirmwareUpgradeDlg::createControls() {
    setCaption("Firmware and Configuration Upgrade/Backup");
    setSize(420, 215);
    addLabel(0, "TFTP Server IP:");
    addIpAddress(IDC_TFTP_IP);
    addLabel(0, "File Name:");
    addEdit(IDC_FILE_NAME).onChange([this] { OnFileNameChange(); });
    addLabel(0, "Operation Type:");
    addCombo(IDC_OPERATION, {"Upgrade", "Backup"});
    addLabel(0, "FileType:");
    addCombo(IDC_FILE_TYPE, {"Configuration", "Firmware"});
    addLabel(0, "Upgrade/BackUp:");
    addProgress(IDC_PROGRESS);
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault();
    // Held while a transfer runs, and with it Esc and the window's close box.
    addButton(IDC_CLOSE, "&Close", [this] { end(platform::kIdCancel); });
}

void CFirmwareUpgradeDlg::initDialog() {
    get<platform::ComboBox>(IDC_OPERATION).setCurrent(0);
    get<platform::ComboBox>(IDC_FILE_TYPE).setCurrent(0);
    auto& bar = get<platform::ProgressBar>(IDC_PROGRESS);
    bar.setRange(0, 100);
    bar.setVisible(false);
}

void CFirmwareUpgradeDlg::destroyWindow() {
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSetOp, "m_cCommonSNMPSetOp"}});
}

void CFirmwareUpgradeDlg::OnFileNameChange() {
    auto& edit = get<platform::EditBox>(IDC_FILE_NAME);
    const std::string cut = Utf8CutBytes(edit.text(), kMaxFileNameBytes);
    if (cut == edit.text()) return;
    edit.setText(cut);
    platform::ShowMessage(kMsgFileNameLength);
}

void CFirmwareUpgradeDlg::EnableControls(bool on) {
    enable({IDC_TFTP_IP, IDC_FILE_NAME, IDC_OPERATION, IDC_FILE_TYPE, IDC_APPLY, IDC_CLOSE}, on);
}

void CFirmwareUpgradeDlg::OnApply() {
    m_IsFinish = false;
    m_bInProgress = false;
    m_bUpgrade = get<platform::ComboBox>(IDC_OPERATION).current() != 1;
    m_iKind = get<platform::ComboBox>(IDC_FILE_TYPE).current() == 1 ? kFirmware : kConfiguration;
    if (m_bUpgrade && !platform::Confirm(kMsgUpgradeWarning)) return;

    m_ProgressTimes = 1;
    auto& bar = get<platform::ProgressBar>(IDC_PROGRESS);
    bar.setPosition(0);
    bar.setVisible(true);

    const auto& ip = get<platform::IpAddressField>(IDC_TFTP_IP);
    const int first = ip.octet(0).value_or(0), last = ip.octet(3).value_or(0);
    if (!ip.complete() || ip.address() == "0.0.0.0" || first == 0 || first == 255 || last == 0 || last == 255) {
        platform::ShowMessage(kMsgInvalidServer);
        if (!ip.complete()) setFocus(get<platform::IpAddressField>(IDC_TFTP_IP));
        return;
    }
    const std::string& file = get<platform::EditBox>(IDC_FILE_NAME).text();
    if (file.empty()) {
        platform::ShowMessage(kMsgInvalidFile);
        return;
    }
    const maint::TransferObjects& o = m_iKind == kFirmware ? maint::kFirmwareObjects : maint::kConfigObjects;
    // A configuration transfer counts as in progress from the start.
    if (m_iKind == kConfiguration) m_bInProgress = true;
    m_iTimeouts = 0;

    // The transfer words its own messages, which say which step failed.
    if (!m_fileWrite.SendSteps({{features::SetValue::Text(o.server, SNMP_T_IPADDRESS, ip.address()),
                                 features::SetValue::Text(o.fileName, SNMP_T_OCTETS, file)}},
                               [this](int failedStep) { OnFileStepEnd(failedStep < 0); }, m_timings.fileStepTimeout))
        return;
    // The transfer holds the form until its outcome is told: every end passes the finish timer.
    beginWrite();
    m_bTransferring = true;
    EnableControls(false);
    // Whatever the switch answers, the transfer ends by this bound.
    setTimer(kTimerBound, m_timings.transferBound, [this] { OnLimitTimer(); });
}

std::string CFirmwareUpgradeDlg::TransferName() const {
    return std::string(m_iKind == kFirmware ? "firmware" : "configuration") + (m_bUpgrade ? " upgrade" : " backup");
}

void CFirmwareUpgradeDlg::OnFileStepEnd(bool ok) {
    if (m_IsFinish) return;
    if (ok) {
        StartOperationStep();
        return;
    }
    m_IsFinish = true;
    if (m_fileWrite.LastStep().unanswered())
        platform::ShowMessage(kMsgFileTimeout);
    else
        platform::ShowMessage("The TFTP server address and file name could not be set: " +
                              m_fileWrite.LastStep().why() + " The " + TransferName() + " was not started.");
    Finish();
}

void CFirmwareUpgradeDlg::StartOperationStep() {
    const maint::TransferObjects& o = m_iKind == kFirmware ? maint::kFirmwareObjects : maint::kConfigObjects;
    if (!m_opWrite.SendSteps({{features::SetValue::Text(o.operation, SNMP_T_INTEGER, m_bUpgrade ? "1" : "2")}},
                             [this](int failedStep) { OnOperationStepEnd(failedStep < 0); },
                             m_timings.operationStepTimeout)) {
        Finish();
        return;
    }
    setTimer(kTimerProgress, m_timings.progressFirst, [this] { OnProgressTimer(); });
    setTimer(kTimerPoll, m_iKind == kFirmware ? m_timings.firstPollFirmware : m_timings.firstPollConfig,
             [this] { OnPollTimer(); });
}

void CFirmwareUpgradeDlg::OnOperationStepEnd(bool ok) {
    if (m_IsFinish || ok) return;
    m_IsFinish = true;
    StopTransferTimers();
    if (m_opWrite.LastStep().unanswered()) {
        platform::ShowMessage(kMsgOperationTimeout);
    } else {
        platform::ShowMessage("The " + TransferName() + " could not be started: " + m_opWrite.LastStep().why());
    }
    Finish();
}

void CFirmwareUpgradeDlg::OnPollTimer() {
    if (m_IsFinish) return;
    // The overall limit runs from the first poll, so a switch that never answers one ends too;
    // every "in progress" starts it anew.
    if (!timerPending(kTimerLimit))
        setTimer(kTimerLimit, m_iKind == kFirmware ? m_timings.limitFirmware : m_timings.limitConfig,
                 [this] { OnLimitTimer(); });
    const maint::TransferObjects& o = m_iKind == kFirmware ? maint::kFirmwareObjects : maint::kConfigObjects;
    m_strPollValue.clear();
    m_bPollValue = false;
    CTableWalk::Options options;
    options.firstTimeoutMs = m_timings.pollTimeout;
    options.traceFailed = false;
    const bool sent = m_poll.Read(
        {o.status},
        [this](const ReplyRow& row, CSnmp&) {
            m_bPollValue = row.present(0);
            m_strPollValue = row.text(0);
            return false;
        },
        [this](int status) { OnPollEnd(status, m_strPollValue, m_bPollValue); }, options);
    if (!sent) setTimer(kTimerPoll, m_timings.pollAfterTimeout, [this] { OnPollTimer(); });
}

void CFirmwareUpgradeDlg::OnPollEnd(int status, const std::string& value, bool present) {
    if (m_IsFinish) return;  // a late reply after the end
    if (status == CSnmp4w::EC_FAILED) {
        if (m_bInProgress) {
            m_iTimeouts = 0;
            setTimer(kTimerPoll, m_timings.pollAfterTimeout, [this] { OnPollTimer(); });
            return;
        }
        if (++m_iTimeouts <= kStatusTimeoutsAllowed) {
            setTimer(kTimerPoll, m_timings.pollAfterTimeout, [this] { OnPollTimer(); });
            return;
        }
        m_iTimeouts = 0;
        m_IsFinish = true;
        StopTransferTimers();
        platform::ShowMessage(m_iKind == kFirmware ? kMsgFirmwareStatusTimeout : kMsgConfigStatusTimeout);
        Finish();
        return;
    }
    m_iTimeouts = 0;
    const std::string v = status == 0 && present ? value : std::string();
    if (v == "0" || v == "1") {
        m_IsFinish = true;
        StopTransferTimers();
        get<platform::ProgressBar>(IDC_PROGRESS).setPosition(kProgressDone);
        platform::ShowMessage(kMsgSuccess);
        Finish();
    } else if (v == "2") {
        m_IsFinish = true;
        StopTransferTimers();
        platform::ShowMessage(m_iKind == kFirmware ? kMsgFirmwareFail : kMsgConfigFail);
        Finish();
    } else if (v == "3") {
        m_bInProgress = true;
        setTimer(kTimerPoll, m_timings.pollInProgress, [this] { OnPollTimer(); });
        setTimer(kTimerLimit, m_iKind == kFirmware ? m_timings.limitFirmware : m_timings.limitConfig,
                 [this] { OnLimitTimer(); });
    } else if (v == "4") {
        setTimer(kTimerPoll, m_timings.pollNotStarted, [this] { OnPollTimer(); });
    } else {
        // An error status, a missing object or a value the switch does not define.
        m_IsFinish = true;
        StopTransferTimers();
        platform::ShowMessage(kMsgGetInfoFail);
        Finish();
    }
}

void CFirmwareUpgradeDlg::OnProgressTimer() {
    if (m_ProgressTimes >= kProgressEnd || m_IsFinish) return;
    get<platform::ProgressBar>(IDC_PROGRESS).setPosition(m_ProgressTimes);
    m_ProgressTimes += 2;
    setTimer(kTimerProgress, m_timings.progressNext, [this] { OnProgressTimer(); });
}

void CFirmwareUpgradeDlg::OnLimitTimer() {
    if (m_IsFinish) return;
    m_IsFinish = true;
    StopTransferTimers();
    platform::ShowMessage(m_iKind == kFirmware ? kMsgFirmwareLimit : kMsgConfigLimit);
    Finish();
}

void CFirmwareUpgradeDlg::StopTransferTimers() {
    killTimer(kTimerPoll);
    killTimer(kTimerProgress);
    killTimer(kTimerLimit);
    killTimer(kTimerBound);
}

void CFirmwareUpgradeDlg::Finish() {
    m_IsFinish = true;
    setTimer(kTimerFinish, m_timings.finishDelay, [this] { OnFinishTimer(); });
}

void CFirmwareUpgradeDlg::OnFinishTimer() {
    StopTransferTimers();
    // A step still on its way (a poll the switch has not answered) ends within its time-out; the
    // form waits for it, so that its reply can never be taken for a step of the next transfer.
    if (StepOutstanding()) {
        setTimer(kTimerFinish, kFinishRecheckMs, [this] { OnFinishTimer(); });
        return;
    }
    EnableControls(true);
    if (std::exchange(m_bTransferring, false)) endWrite();
}
