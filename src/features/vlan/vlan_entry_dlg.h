#pragma once
// "Add VLAN" / "Edit VLAN": the name and the per-port membership (tagged, untagged, not member)
// of one static VLAN, written in the order the switch needs to build or change a row.
#include <functional>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/trunk_map.h"
#include "features/vlan/vlan_common.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"

// The entry form's device traffic: the requests of its write, sent held by the form.
class CVlanEntrySnmp {
public:
    CVlanEntrySnmp(platform::Form& form, int portNum);

    // dot1qVlanStaticRowState.vid (integer), sent with GetNext by StateWrite().
    static std::vector<features::SetValue> RowState(int vid, const char* value);
    // dot1qVlanStaticEgressPorts.vid / dot1qVlanStaticUntaggedPorts.vid from per-port flags,
    // sent by PortWrite().
    std::vector<features::SetValue> EgressPorts(int vid, const std::vector<int>& flags) const;
    std::vector<features::SetValue> UntaggedPorts(int vid, const std::vector<int>& flags) const;
    // The name as UTF-8 of at most 127 bytes; row state active (1); both sent by NameWrite().
    static std::vector<features::SetValue> Name(int vid, const std::string& name);
    static std::vector<features::SetValue> Active(int vid) { return RowState(vid, "1"); }

    features::CFormWrite& StateWrite() { return m_stateWrite; }
    features::CFormWrite& PortWrite() { return m_portWrite; }
    features::CFormWrite& NameWrite() { return m_nameWrite; }
    // The row's egress ports, untagged ports and row state, as the switch holds them now.
    void ReadRow(int vid, vlan::RowReadDone done);

    // The PortList octets the switch takes for these flags: one hex digit per four ports,
    // padded to whole four-octet groups for the known port counts.
    static Octets EncodePortList(const std::vector<int>& flags, int portNum);

    features::CTrunkMap& TrunkMap() { return m_trunkMap; }
    const features::CTrunkMap& TrunkMap() const { return m_trunkMap; }
    // Closes the sessions in order, with their traces.
    void Close();

private:
    int m_iPortNum;
    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;           // row state and name writes
    CCommonSnmp m_cCommonSNMPEgrePort;   // PortList writes
    CCommonSnmp m_cCommonSNMPUntagPort;  // reads a row back after a failed write
    CCommonSnmp m_cCommonSNMPAllPort;    // kept for the session set of the form, not used
    CCommonSnmp m_cCommonSNMPTable;      // trunk walk
    features::CTrunkMap m_trunkMap;
    features::CFormWrite m_stateWrite;
    features::CFormWrite m_portWrite;
    features::CFormWrite m_nameWrite;
    CTableWalk m_rowRead{m_cCommonSNMPUntagPort};
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
    // VIDs of rows the switch holds that are not active (the VLAN table does not list them):
    // they are not free for a new VLAN.
    void SetHeldVids(std::vector<int> vids) { m_heldVids = std::move(vids); }
    // True once a set of this form was sent: the VLAN table reads the switch again, however the
    // form ended.
    bool WriteSent() const { return m_writeSent; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnCellChange(int layer, int port);
    void OnOK();
    void ShowPort(int port);
    bool TrunkRuleHolds(const std::vector<int>& flags) const;
    // The port lists, then the name; the row is made active after a pause (a form timer).
    void WritePorts(const std::string& name);
    void WriteNameAndActivate(const std::string& name);
    // A step of the write failed: the new row is destroyed (add), or what was written is put
    // back as read (edit); one message says what failed and what the switch holds now, and the
    // write ends.
    void Undo(const features::StepResult& failed);
    using Told = std::function<void(const std::string& after)>;
    void UndoEdit(Told told);
    void UndoAdd(Told told);
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
    std::vector<int> m_iReadEgress, m_iReadUntagged;  // the lists as read, for an undo
    // What a write under way may have changed on the switch (a step without an answer counts).
    struct Touched {
        bool rowState = false;
        bool created = false;  // the switch answered that it made the row (add)
        bool egress = false;
        bool untagged = false;
        bool name = false;
    } m_touched;
    std::vector<int> m_heldVids;
    bool m_writeSent = false;
    CVlanEntrySnmp m_snmp;
};
