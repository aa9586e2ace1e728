#pragma once
// Port configuration (dialog 201): every front-panel port with its speed/duplex setting,
// operating mode, flow control and default priority; changes the speed/duplex and flow control
// of one port at a time, refusing what the port's media or its trunk membership cannot take.
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/port_rows.h"
#include "features/common/trunk_map.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace features {

// Objects of the port table (instance = port number).
constexpr const char* kOidPortCtrlSpeed = "1.3.6.1.4.1.171.10.76.12.1.13.1.2";
constexpr const char* kOidPortCtrlOperMode = "1.3.6.1.4.1.171.10.76.12.1.13.1.3";
constexpr const char* kOidPortCtrlFlowControl = "1.3.6.1.4.1.171.10.76.12.1.13.1.5";
constexpr const char* kOidPortDefaultPriority = "1.3.6.1.4.1.171.10.76.12.12.3.1.1.2";
constexpr const char* kOidPortCtrlOperFlowControl = "1.3.6.1.4.1.171.10.76.12.1.13.1.6";
constexpr const char* kOidPortCtrlMedium = "1.3.6.1.4.1.171.10.76.12.1.13.1.7";

// The confirmations Apply asks before writing.
constexpr const char* kMsgForceMode =
    "The speed is set to force mode. \n* The speed mode must be the same as the counterpart. ";
constexpr const char* kMsgFlowControlQos =
    "QoS works best when Flow Control is disabled. \n* When Flow Control is enabled.QoS may not perform "
    "accurate bandwidth allocation. \n* Do you still want to enable Flow Control?. ";

class CPortSetInfo : public platform::Form {
public:
    // Control identifiers.
    enum : int {
        IDD = 201,
        IDC_LIST_PORT = 1001,
        IDC_EDIT_PORT_ID = 1002,
        IDC_COMBO_SPEED = 1003,
        IDC_COMBO_FLOW = 1004,
        IDC_BUTTON_REFRESH = 1005,
        IDC_BUTTON_APPLY = 1006,
    };
    // Each request of the port table read.
    static constexpr int kFirstStepTimeoutMs = 8000;
    static constexpr int kSetTimeoutMs = 9000;

    CPortSetInfo();

    // What the form knows (for the window and for tests).
    int PortCount() const { return m_iPortNum; }
    int ComboPorts() const { return m_iComboPortNum; }
    int MediaOf(int port) const;
    const CTrunkMap& Trunks() const { return m_trunkMap; }
    const std::string& SelectedPort() const { return m_strSelectPort; }
    // Opened by a click on port `port`: its row is selected once the table has been read.
    void SelectPortOnOpen(int port) { m_iOpenOnPort = port; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnRefresh();
    void OnApply();
    void OnRowClick(int row);
    void WalkPortTable();
    void OnPortRow(int port, const ReplyRow& row);
    void OnPortWalkEnd();
    // Text of the PortControlSpeed column of a port's row, empty if none.
    std::string SpeedShown(int port) const;
    // The list row of a port, -1 when the switch gave none.
    int RowOfPort(int port) const;
    void SelectOpeningPort();

    int m_iPortNum;
    bool m_bAllGiga;
    int m_iComboPortNum = 0;
    std::vector<int> m_media;
    std::string m_strSelectPort;
    int m_iOpenOnPort = 0;  // the clicked port, until its row has been selected

    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMP;            // writes
    CFormWrite m_write{*this, m_cCommonSNMP};
    CCommonSnmp m_cCommonSNMPTable;       // port table read, with its twins
    CCommonSnmp m_cCommonSNMPTableTrunk;  // trunk membership walk
    CTrunkMap m_trunkMap;
    // Three requests in flight beside the trunk walk's one.
    CPortRows m_portRows{m_cCommonSNMPTable, 3};
};

}  // namespace features
