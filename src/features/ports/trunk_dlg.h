#pragma once
// Trunk configuration (dialog 487): the link aggregation groups with their channel mode and
// member ports, the switch-wide link aggregation state, and the member dialog (dialog 171) that
// chooses a trunk's member ports after the membership rules have passed.
#include <string>
#include <vector>

#include "features/ports/trunk_valid.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace features {

// "1" "LACP", "2" "Static", anything else "Disable".
std::string ChannelModeText(const std::string& value);

// The member dialog: one check box per port, the rule checker, the trunk write.
class CTrunkMemberDlg : public platform::Form {
public:
    enum : int {
        IDD = 171,
        IDC_TRUNK_ID = 1701,
        IDC_MODE = 1702,
        IDC_PORTS = 1703,
        IDC_STATUS = 1704,
    };
    static constexpr const char* kMsgMinimum = "The mininum port members for an aggregated link is 2 !";
    static constexpr const char* kMsgMaximum = "The maxinum port member for an aggregated link is exceeded !";
    static constexpr const char* kMsgInitError = "TrunkValid Init Error !";
    static constexpr const char* kStatusReading = "Reading the port settings of the switch...";

    // trunk: the trunk number text; mode: the mode text; members: the current member ports ("1,2,5").
    CTrunkMemberDlg(std::string trunk, std::string mode, std::string members, int portCount = -1);

    // The written member PortList as hexadecimal text (after OK).
    const std::string& Result() const { return m_strResult; }
    const std::vector<int>& Flags() const { return m_flags; }
    TrunkValid& Checker() { return m_valid; }
    int PortCount() const { return m_iPortNum; }
    // True once the member write was sent: the trunk list reads the switch again, however the
    // dialog ended.
    bool WriteSent() const { return m_writeSent; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnPort(int port);
    void OnOK();
    void ContinueOK();
    void ShowReading(bool reading);

    std::string m_strTrunk, m_strMode, m_strMembers, m_strResult;
    int m_iPortNum;
    bool m_bInit = false;
    bool m_writeSent = false;
    std::vector<int> m_flags;
    TrunkValid m_valid{*this};
};

class CTrunkConfigDlg : public platform::Form {
public:
    enum : int {
        IDD = 487,
        IDC_LIST = 1801,
        IDC_TRUNK_ID = 1802,
        IDC_MODE = 1803,
        IDC_PORT_MEMBER = 1804,
        IDC_ENABLE = 1805,
        IDC_STATE_APPLY = 1806,
        IDC_REFRESH = 1807,
        IDC_APPLY = 1808,
    };
    static constexpr const char* kMsgSelectTrunk = "Please select the Trunk !";
    static constexpr const char* kMsgDisabled = "Link Aggregation State is disable.";
    static constexpr const char* kMsgBadTrunk = "Invliad VLAN ID, VLAN ID should be (1-8) !";
    static constexpr const char* kMsgNoMembers = "Please configure the PortMember first";

    CTrunkConfigDlg();
    int PortCount() const { return m_iPortNum; }
    const std::string& RememberedMembers() const { return m_strMembers; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnRefresh();
    void ReadState();
    void WalkTrunks();
    void OnStateApply();
    // Sends a write held by the form; after it was taken, reads the state and the table again
    // ms later (a form timer), else at once.
    void WriteThenRefresh(const std::string& what, std::vector<SetValue> values, int ms);
    void OnApply();
    void OnRowClick(int row);
    void OnPortMember();
    // The trunk number typed in "Trunk ID:" when it is 1..8, else 0 with the message shown.
    int TrunkNumberTyped();

    int m_iPortNum;
    std::string m_strMembers;  // member text of the row clicked last
    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMP;       // writes
    CCommonSnmp m_cCommonSNMPState;  // the link aggregation state read
    CCommonSnmp m_cCommonSNMPTable;  // trunk table walk
    CTableWalk m_stateRead{m_cCommonSNMPState};
    CTableWalk m_walk{m_cCommonSNMPTable};
    CFormWrite m_write{*this, m_cCommonSNMP};
};

}  // namespace features
