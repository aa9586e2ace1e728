#pragma once
// "Firmware and Configuration Upgrade/Backup": makes the switch fetch a firmware image or a
// configuration file from a TFTP server, or store its configuration there, and follows the
// transfer by polling its status object. Two asynchronous writes (server and file name, then the
// operation), then status polls driven by one-shot timers; every end of a transfer goes through
// the finish step, which gives the form back to the user.
#include <string>

#include "features/common/form_write.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

// The periods of the transfer, in milliseconds. The defaults are the ones the dialog uses.
struct TransferTimings {
    int fileStepTimeout = 10000;     // the server address and file name write
    int operationStepTimeout = 0;    // the operation write (0: the session time-out)
    int pollTimeout = 6000;          // one status poll
    int firstPollFirmware = 15000;   // from the operation write to the first poll
    int firstPollConfig = 3000;
    int pollInProgress = 5000;       // after "in progress"
    int pollNotStarted = 1500;       // after "not yet started"
    int pollAfterTimeout = 3000;     // after a poll that timed out
    int progressFirst = 2000;        // first step of the progress bar
    int progressNext = 2500;         // later steps
    int limitFirmware = 200000;      // overall limit: no "in progress" for this long
    int limitConfig = 70000;
    int finishDelay = 5;
    // Whole transfer, from Apply: a switch that reports "in progress" for ever still ends.
    int transferBound = 20 * 60 * 1000;
};

class CFirmwareUpgradeDlg : public platform::Form {
public:
    enum : int {
        IDC_TFTP_IP = 4701,
        IDC_FILE_NAME = 4702,
        IDC_OPERATION = 4703,
        IDC_FILE_TYPE = 4704,
        IDC_PROGRESS = 4705,
        IDC_APPLY = 4706,
        IDC_CLOSE = platform::kIdCancel,
    };
    // Timer identifiers.
    enum : int { kTimerPoll = 2074, kTimerProgress = 2125, kTimerLimit = 2126, kTimerFinish = 2124, kTimerBound = 2127 };
    // Kinds of transfer.
    enum : int { kFirmware = 1, kConfiguration = 2 };

    explicit CFirmwareUpgradeDlg(TransferTimings timings = {});

    // True from Apply until the finish step has given the form back.
    bool Transferring() const { return m_bTransferring; }
    // True while a write or a status poll waits for the switch's answer.
    bool StepOutstanding() const { return m_fileWrite.Busy() || m_opWrite.Busy() || m_poll.Running(); }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnApply();
    void OnFileNameChange();
    void OnFileStepEnd(bool ok);
    void StartOperationStep();
    void OnOperationStepEnd(bool ok);
    // "firmware upgrade", "configuration backup", ...: the transfer as the user chose it.
    std::string TransferName() const;
    void OnPollTimer();
    void OnPollEnd(int status, const std::string& value, bool present);
    void OnProgressTimer();
    void OnLimitTimer();
    void OnFinishTimer();
    // Ends the transfer: marks it finished and starts the finish timer.
    void Finish();
    void StopTransferTimers();
    void EnableControls(bool on);

    TransferTimings m_timings;
    int m_iKind = kConfiguration;
    bool m_bUpgrade = true;
    int m_ProgressTimes = 1;
    bool m_IsFinish = false;
    bool m_bInProgress = false;
    bool m_bTransferring = false;
    int m_iTimeouts = 0;  // status polls that timed out in a row before "in progress"
    std::string m_strPollValue;
    bool m_bPollValue = false;

    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;       // server and file name, status polls
    CCommonSnmp m_cCommonSNMPSetOp;  // the operation
    features::CFormWrite m_fileWrite{*this, m_cCommonSNMP};
    features::CFormWrite m_opWrite{*this, m_cCommonSNMPSetOp};
    CTableWalk m_poll{m_cCommonSNMP};
};
