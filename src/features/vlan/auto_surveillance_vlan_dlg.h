#pragma once
// "Auto Surveillance VLAN Settings": whether the switch places surveillance devices in their
// own VLAN, that VLAN's ID, priority and tagged uplink/downlink ports, and the table of MAC
// addresses and OUIs by which the switch recognises surveillance devices.
#include <optional>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/trunk_map.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

class CAutoSurveillanceVlanDlg : public platform::Form {
public:
    enum : int {
        IDC_ENABLE = 3401,
        IDC_VLAN_ID = 3402,
        IDC_PRIORITY = 3403,
        IDC_UPLINK_PORTS = 3404,
        IDC_APPLY = 3405,
        IDC_COMPONENT_TYPE = 3406,
        IDC_DESCRIPTION = 3407,
        IDC_MAC = 3408,
        IDC_MAC_MODE = 3409,
        IDC_ADD = 3410,
        IDC_OUI_LIST = 3411,
        IDC_DELETE = 3412,
        IDC_REFRESH = 3413,
    };
    // Positions of the MAC/OUI selector.
    enum MacMode : int { kModeMac = 0, kModeOui = 1 };

    CAutoSurveillanceVlanDlg();

    // What the dialog has read (tests look at these).
    int AsymmetricModeState() const { return m_iAsymmetricState; }
    int VoiceVlanState() const { return m_iVoiceVlanState; }
    int VoiceVlanId() const { return m_iVoiceVlanId; }
    const std::string& CurrentStateText() const { return m_strSurveillanceState; }
    const std::vector<std::string>& ExistingVids() const { return m_existingVids; }
    // The trunk of each port as the last completed trunk walk gave it (index = port - 1).
    const std::vector<int>& TrunkPorts() const { return m_TrunkPorts; }
    // True while a read of the refresh (or the trunk walk) is under way.
    bool Refreshing() const;
    // True while an Apply waits for the VLAN ID or trunk walk before it goes on.
    bool ApplyWaiting() const { return m_pendingApply.has_value(); }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    // What Apply collected and checked before it waits for the walks.
    struct PendingApply {
        std::string state;     // "1" enable, "2" disable
        std::string priority;  // list position
        int vid = 0;
        std::string vidText;
        std::vector<int> ports;  // uplink port flags
    };

    void OnRefresh();
    void StartVidWalk();
    void StartSettingsRead();
    void OnSettings(const ReplyRow& row);
    void ReadModeAndVoice();
    void StartOuiWalks();
    void OnOuiRow(const ReplyRow& row);
    void OnVoiceOuiRow(const ReplyRow& row);
    void StartTrunkWalk();
    void OnWalkForApplyEnded();
    void RefreshSoon();

    void EnableDependents(bool on, bool withDelete);
    void OnEnableToggle();
    void OnMacModeChange();
    void OnApply();
    void FinishApply(const PendingApply& a);
    void OnAdd();
    // The second request of Add: the created entry's description, type and mask.
    void FillOuiEntry(const std::string& suffix, const std::string& address, const std::string& type,
                      const std::string& description, bool ouiMode);
    // Destroys an entry that Add created (created) or may have created but could not fill, then
    // shows the message with what became of it, reads the switch again and ends the write.
    void RemoveNewOuiEntry(const std::string& suffix, const std::string& address, bool created, std::string message);
    void EndOuiAdd(const std::string& message);
    void OnDelete();
    bool RefuseApply(const char* message);

    int m_iPortNum;
    int m_iAsymmetricState = 2;
    int m_iVoiceVlanState = 2;
    int m_iVoiceVlanId = 0;
    std::string m_strSurveillanceState = "2";
    std::vector<std::string> m_existingVids;
    std::vector<int> m_iUplinkPorts;
    std::vector<int> m_TrunkPorts;
    std::vector<std::string> m_voiceOuis;       // six upper-case hex digits per row
    std::vector<std::string> m_voiceOuiStates;  // the row status text of the same row
    std::optional<PendingApply> m_pendingApply;

    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;               // OUI table writes, and an entry read back after one
    CCommonSnmp m_cCommonSNMPSet;            // settings write
    CCommonSnmp m_cCommonSNMPGet;            // settings read
    CCommonSnmp m_cCommonSNMPTable;          // VLAN ID walk
    CCommonSnmp m_cCommonSNMPTableOui;       // OUI table walk
    CCommonSnmp m_cCommonSNMPTableVoiceOui;  // voice VLAN OUI walk
    CCommonSnmp m_cCommonSNMPTableTrunk;     // trunk map walk
    CCommonSnmp m_cCommonSNMPMode;           // mode and voice VLAN read, beside the other reads
    CTableWalk m_modeRead{m_cCommonSNMPMode};
    CTableWalk m_ouiRowRead{m_cCommonSNMP};
    CTableWalk m_vidWalk{m_cCommonSNMPTable};
    CTableWalk m_settingsRead{m_cCommonSNMPGet};
    CTableWalk m_ouiWalk{m_cCommonSNMPTableOui};
    CTableWalk m_voiceOuiWalk{m_cCommonSNMPTableVoiceOui};
    features::CTrunkMap m_trunks;
    features::CFormWrite m_ouiWrite{*this, m_cCommonSNMP};
    features::CFormWrite m_settingsWrite{*this, m_cCommonSNMPSet};
};
