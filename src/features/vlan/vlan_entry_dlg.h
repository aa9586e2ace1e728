#pragma once
// "Add VLAN" / "Edit VLAN": the name and the per-port membership (tagged, untagged, not member)
// of one static VLAN, written in the order the switch needs to build or change a row.
#include <string>
#include <vector>

#include "features/common/trunk_map.h"
#include "features/vlan/vlan_common.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"

// The entry form's device traffic.
class CVlanEntrySnmp {
public:
    explicit CVlanEntrySnmp(int portNum);

    // dot1qVlanStaticRowState.vid (integer) as a set sent with GetNext; 0 on success.
    int WriteRowState(int vid, const char* value);
    // dot1qVlanStaticEgressPorts.vid / dot1qVlanStaticUntaggedPorts.vid from per-port flags.
    // Shows "Parameter Error !" when the port count gives no octet. 0 on success.
    int WriteEgressPorts(int vid, const std::vector<int>& flags);
    int WriteUntaggedPorts(int vid, const std::vector<int>& flags);
    // The name as UTF-8 of at most 127 bytes; 0 on success.
    int WriteName(int vid, const std::string& name);
    // Row state active (1) through the shared row-status routine; 1 on success.
    int SetActive(int vid);

    // The PortList octets the switch takes for these flags: one hex digit per four ports,
    // padded to whole four-octet groups for the known port counts.
    static Octets EncodePortList(const std::vector<int>& flags, int portNum);

    features::CTrunkMap& TrunkMap() { return m_trunkMap; }
    const features::CTrunkMap& TrunkMap() const { return m_trunkMap; }
    // Closes the sessions in order, with their traces.
    void Close();

private:
    int WritePortList(const char* column, int vid, const std::vector<int>& flags);

    int m_iPortNum;
    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;           // row state and name writes
    CCommonSnmp m_cCommonSNMPEgrePort;   // PortList writes
    CCommonSnmp m_cCommonSNMPUntagPort;  // kept for the session set of the form, not used
    CCommonSnmp m_cCommonSNMPAllPort;    // kept for the session set of the form, not used
    CCommonSnmp m_cCommonSNMPTable;      // trunk walk
    features::CTrunkMap m_trunkMap;
};

class CVlanEntryDlg : public platform::Form {
public:
    enum : int {
        IDC_VLAN_NAME = 1401,
        IDC_VID = 1402,
        IDC_PORTS = 1403,
    };
    enum Layer : int { kTag = 0, kUntag = 1, kNotMember = 2 };

    // records: the VLAN dialog's list (read only); modeCode 1 asymmetric VLAN on, 2 off.
    CVlanEntryDlg(int portNum, const vlan::VlanRecordList* records, int modeCode, bool addMode, int vid = 0);

    int Vid() const { return m_iVid; }
    const std::vector<int>& Egress() const { return m_iEgress; }
    const std::vector<int>& Untagged() const { return m_iUntagged; }
    const std::vector<int>& NotMember() const { return m_iNotMember; }
    const std::vector<int>& Locked() const { return m_iLocked; }
    const std::vector<int>& UntaggedElsewhere() const { return m_untaggedElsewhere; }
    CVlanEntrySnmp& Snmp() { return m_snmp; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnCellChange(int layer, int port);
    void OnOK();
    void ShowPort(int port);
    bool TrunkRuleHolds(const std::vector<int>& flags) const;
    void RemoveUntaggedElsewhere(int port);
    bool IsUntaggedElsewhere(int port) const;

    int m_iPortNum;
    const vlan::VlanRecordList* m_pRecords;
    int m_iMode;
    bool m_bAdd;
    int m_iVid;
    std::string m_strName;
    std::vector<int> m_iEgress, m_iUntagged, m_iNotMember, m_iForbidden, m_iLocked;
    std::vector<int> m_untaggedElsewhere;  // port numbers untagged in any listed VLAN
    CVlanEntrySnmp m_snmp;
};
