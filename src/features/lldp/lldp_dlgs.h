#pragma once
// The LLDP dialogs: "LLDP Global Settings" (state, the four timers, the local system
// information), "LLDP MED Settings" (the LLDP-MED Power PSE TLV per port) and "LLDP Remote
// Port Information" (the neighbours the switch has learnt).
#include <optional>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace lldp {

inline const std::string kOidLldpState = "1.3.6.1.4.1.171.10.76.12.24.1.0";
inline const std::string kOidHoldMultiplier = "1.3.6.1.4.1.171.10.76.12.24.2.0";
inline const std::string kOidTxInterval = "1.3.6.1.4.1.171.10.76.12.24.3.0";
inline const std::string kOidReinitDelay = "1.3.6.1.4.1.171.10.76.12.24.4.0";
inline const std::string kOidTxDelay = "1.3.6.1.4.1.171.10.76.12.24.5.0";
inline const std::string kOidPsePowerTlv = "1.3.6.1.4.1.171.10.76.12.24.7.1.2";
inline const std::string kOidLocChassisIdSubtype = "1.0.8802.1.1.2.1.3.1.0";
inline const std::string kOidLocChassisId = "1.0.8802.1.1.2.1.3.2.0";
inline const std::string kOidLocSysName = "1.0.8802.1.1.2.1.3.3.0";
inline const std::string kOidLocSysDesc = "1.0.8802.1.1.2.1.3.4.0";
inline const std::string kOidRemTable = "1.0.8802.1.1.2.1.4.1.1";  // columns 4 to 10

constexpr const char* kMsgHoldMultiplier = "The Message TX Hold Multipier should be 2-10";
constexpr const char* kMsgTxInterval = "The Message TX Interval should be 5-32768";
constexpr const char* kMsgReinitDelay = "The LLDP Reinit Delay should be 1-10";
constexpr const char* kMsgTxDelay = "The LLDP TX Delay should be 1-8192";
constexpr const char* kMsgTxDelayQuarter = "LLDP TX Delay should be <= 0.25 * (Message TX Interval)";
constexpr const char* kMsgMedDisabled = "The LLDP is disable ,so can not set LLDP MED !";
constexpr const char* kMsgToBeforeFrom = "'To Port' can not be smaller than 'From Port'";
constexpr const char* kMsgRemoteReadFailed = "Get LLDP remote port information unsuccessful!";
constexpr const char* kMsgNoRemote = "There is no LLDP Remote Port";

// The MED settings cover the PoE ports.
constexpr int kMedPorts = 8;

// The four timers as typed; nullptr when they may be written, else the message to show.
const char* CheckLldpTimers(const std::string& hold, const std::string& interval, const std::string& reinit,
                            const std::string& delay);

class CLldpGlobalDlg : public platform::Form {
public:
    enum : int {
        IDD = 250,
        IDC_CHECK_ENABLE = 2501,
        IDC_BUTTON_STATE_APPLY = 2502,
        IDC_EDIT_HOLD = 2503,
        IDC_EDIT_INTERVAL = 2504,
        IDC_EDIT_REINIT = 2505,
        IDC_EDIT_DELAY = 2506,
        IDC_BUTTON_APPLY = 2507,
        IDC_EDIT_SUBTYPE = 2508,
        IDC_EDIT_CHASSIS = 2509,
        IDC_EDIT_NAME = 2510,
        IDC_EDIT_DESC = 2511,
    };
    // Pauses of the three-attempt writes; tests shorten them.
    struct Timing {
        int afterSuccessMs = 2000;
        int afterFailureMs = 1000;
    };
    static constexpr int kAttempts = 3;

    CLldpGlobalDlg();
    void SetTiming(const Timing& timing) { m_timing = timing; }
    bool Busy() const { return m_readWalk.Running() || m_writing; }
    int ReadCount() const { return m_readCount; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void Read();
    void OnRead(const ReplyRow& row);
    void OnStateApply();
    void OnTimersApply();
    void StartWrite(std::string what);
    void Attempt();
    void OnAttempt(bool ok);
    void EndWrite();

    Timing m_timing;
    bool m_writing = false;
    bool m_bCloseAfterWrite = false;
    int m_attempt = 0;
    int m_readCount = 0;
    std::vector<std::pair<std::string, std::string>> m_request;  // oid, value (INTEGER)
    std::string m_what;                                          // what the request changes, for its message
    std::optional<platform::WaitCursor> m_waitCursor;

    CCommonSnmp m_cCommonSNMP;     // reads
    CCommonSnmp m_cCommonSNMPSet;  // writes
    CTableWalk m_readWalk{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
};

class CLldpMedDlg : public platform::Form {
public:
    enum : int {
        IDD = 251,
        IDC_COMBO_FROM = 2521,
        IDC_COMBO_TO = 2522,
        IDC_COMBO_TLV = 2523,
        IDC_LIST = 2524,
        IDC_BUTTON_APPLY = 2525,
        IDC_BUTTON_REFRESH = 2526,
    };
    struct Timing {
        int afterApplyMs = 1000;
    };

    CLldpMedDlg();
    void SetTiming(const Timing& timing) { m_timing = timing; }
    bool Busy() const { return m_stateRead.Running() || m_walk.Running() || m_applyPort != 0; }
    bool StateRead() const { return m_bStateRead; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    static constexpr const char* kReadState = "state";

    void ReadState();
    void OnRefresh();
    void Load();
    void OnApply();
    void ApplyNext();
    void EndApply();

    Timing m_timing;
    bool m_bStateRead = false;
    int m_applyPort = 0, m_applyTo = 0;
    bool m_bCloseAfterApply = false;
    std::string m_applyValue;
    std::optional<platform::WaitCursor> m_waitCursor;

    CCommonSnmp m_cCommonSNMPEnable;  // LLDP state
    CCommonSnmp m_cCommonSNMP;        // walk
    CCommonSnmp m_cCommonSNMPSet;     // writes
    CTableWalk m_stateRead{m_cCommonSNMPEnable};
    CTableWalk m_walk{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
};

class CLldpRemoteDlg : public platform::Form {
public:
    enum : int {
        IDD = 252,
        IDC_EDIT_COUNT = 2531,
        IDC_LIST = 2532,
        IDC_BUTTON_REFRESH = 2533,
    };
    // Neighbours the list takes per port of the switch.
    static constexpr int kNeighboursPerPort = 8;

    CLldpRemoteDlg();
    bool Busy() const { return m_stateRead.Running() || m_walk.Running(); }
    bool StateRead() const { return m_bStateRead; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    static constexpr const char* kReadState = "state";

    void ReadState();
    void Load();
    void OnRow(const ReplyRow& row);

    bool m_bStateRead = false;

    CCommonSnmp m_cCommonSNMPEnabled;  // LLDP state
    CCommonSnmp m_cCommonSNMP;         // walk
    CTableWalk m_stateRead{m_cCommonSNMPEnabled};
    CTableWalk m_walk{m_cCommonSNMP};
};

}  // namespace lldp
