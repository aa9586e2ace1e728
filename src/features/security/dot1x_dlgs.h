#pragma once
// 802.1X: the global dialog (802.1X on or off, the RADIUS server and its key, the authenticator
// timers and limits) and, from it, the port dialog (each port's authorization status and
// control mode; the control mode of a range of ports).
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "features/common/port_rows.h"
#include "features/common/trunk_map.h"
#include "features/security/security_common.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace security {

// The seven authenticator parameters as the global dialog's boxes hold them, in the order the
// port dialog shows them and the switch takes them.
struct Dot1xParamTexts {
    std::string quietPeriod, txPeriod, suppTimeout, serverTimeout, maxReq, reAuthPeriod;
    std::string reAuthEnabled;  // "Enable" or "Disabled"
    std::array<std::string, 7> columns() const {
        return {quietPeriod, txPeriod, suppTimeout, serverTimeout, maxReq, reAuthPeriod, reAuthEnabled};
    }
};

// The parameter bindings of one set request, or the message of the first parameter out of its
// range (QuietPeriod, TxPeriod, SuppTimeout, ServerTimeout, MaxReq, ReAuthPeriod in that order).
// A text must be decimal digits only; values are sent in plain decimal.
struct Dot1xParamCheck {
    const char* refusal = nullptr;
    std::vector<SetValue> values;
};
Dot1xParamCheck CheckDot1xParams(const Dot1xParamTexts& texts);

// True when the RADIUS server address may not be used: a blank field, 0.0.0.0, a first or last
// number of 0 or 255.
bool RadiusAddressRefused(const std::array<int, 4>& fields);

// The control modes of the port dialog.
enum PortControl : int { kForceUnauthorized = 1, kAuto = 2, kForceAuthorized = 3 };

// Whether setting ports from..to to `control` would leave no port force-authorized, given the
// control of every port as last read (index = port - 1, 0 = not read): nullptr when allowed,
// else the message to show (features::kMsgNotRead when only unread ports could stay
// force-authorized).
const char* PortControlRefusal(const std::vector<int>& controls, int from, int to, int control, int portCount);

// The ports from..to cut into batches of at most `size` ports, each sent as its own request.
std::vector<std::pair<int, int>> PortBatches(int from, int to, int size);

class C8021xPortDlg : public platform::Form {
public:
    enum : int {
        IDC_FROM_PORT = 1601,
        IDC_TO_PORT = 1602,
        IDC_CONTROL = 1603,
        IDC_APPLY = 1604,
        IDC_REFRESH = 1605,
        IDC_LIST = 1606,
    };
    // Ports per set request, and the pause after each full request.
    static constexpr int kBatchPorts = 30;
    static constexpr int kBatchPauseMs = 100;
    static constexpr int kTimerBatch = 1;

    explicit C8021xPortDlg(Dot1xParamTexts texts);

    int PortCount() const { return m_iPortNum; }
    const std::vector<int>& Controls() const { return m_iControl; }
    const features::CTrunkMap& Trunks() const { return m_trunkMap; }
    bool Walking() const { return m_bWalking; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnRefresh();
    void ReadPorts();
    void OnPortRow(int port, const ReplyRow& row);
    void OnApply();
    // Sends the batches from next on, continuing from a form timer after each full batch.
    void SendBatches(std::vector<std::pair<int, int>> batches, std::size_t next, std::string value);
    void EndBatches();
    // The ports outside from..to whose control mode the switch gave as none of the three, with
    // what it gave: "port 3 (7)".
    std::string UnknownControls(int from, int to) const;

    static constexpr const char* kReadPorts = "ports";

    int m_iPortNum;
    Dot1xParamTexts m_texts;
    std::vector<int> m_iControl;  // control mode per port (index = port - 1), 0 when not read
    std::vector<std::string> m_controlText;  // the control value as the switch gave it, per port
    bool m_bWalking = false;

    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMP;                 // control writes
    CCommonSnmp m_cCommonSNMPTableTrunkInfo;   // trunk walk
    CCommonSnmp m_cCommonSNMPTable;            // port read, with its twins
    features::CTrunkMap m_trunkMap;
    // Three requests in flight beside the trunk walk's one.
    features::CPortRows m_portRows{m_cCommonSNMPTable, 3};
    features::CFormWrite m_write{*this, m_cCommonSNMP, true};
};

class C8021xGlobalDlg : public platform::Form {
public:
    enum : int {
        IDC_ENABLE = 1501,
        IDC_RADIUS_IP = 1502,
        IDC_KEY = 1503,
        IDC_CONFIRM_KEY = 1504,
        IDC_TX_PERIOD = 1505,
        IDC_QUIET_PERIOD = 1506,
        IDC_SUPP_TIMEOUT = 1507,
        IDC_SERVER_TIMEOUT = 1508,
        IDC_MAX_REQ = 1509,
        IDC_REAUTH_PERIOD = 1510,
        IDC_REAUTH_ENABLED = 1511,
        IDC_APPLY = 1512,
        IDC_PORTSET = 1513,
        IDC_REFRESH = 1514,
        IDC_KEY_NOTE = 1515,
    };
    static constexpr int kMaxKeyChars = 33;

    C8021xGlobalDlg() = default;

    bool Reading() const { return m_bReading; }
    // The seven parameter texts as the boxes hold them now.
    Dot1xParamTexts ParamTexts() const;

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void ReadGlobal();
    void OnReply(const ReplyRow& row);
    void OnEnableToggle();
    void EnableFields(bool on);
    void OnApply();
    // The server (and key), then the state, then the parameters, each step once the switch took
    // the one before; then the message of the step that failed, and the read.
    void ApplyEnabled(std::vector<SetValue> server, const std::string& serverWhat, bool withKey,
                      std::vector<SetValue> params);
    void EndApply(const std::string& failure);
    void OnPortSet();

    bool m_bReading = false;

    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMP;     // reads, RADIUS write, disable write
    CCommonSnmp m_cCommonSNMPSet;  // enable write
    CCommonSnmp m_cCommonSNMParg;  // parameter write
    CTableWalk m_read{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMP, true};
    features::CFormWrite m_writeSet{*this, m_cCommonSNMPSet, true};
    features::CFormWrite m_writeArg{*this, m_cCommonSNMParg, true};
};

}  // namespace security
