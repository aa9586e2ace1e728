#pragma once
// "PVID Configuration": the port VLAN ID of every port.
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/trunk_map.h"
#include "features/vlan/vlan_common.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

// The PVID form's device traffic: PVID writes and the trunk map.
class CPvidSnmp {
public:
    CPvidSnmp(platform::Form& form, int portNum);
    // dot1qVlanPvid.port (unsigned) = pvid, sent by Write().
    static std::vector<features::SetValue> Pvid(int port, int pvid);
    features::CFormWrite& Write() { return m_write; }
    features::CTrunkMap& TrunkMap() { return m_trunkMap; }
    const features::CTrunkMap& TrunkMap() const { return m_trunkMap; }
    void Close();

private:
    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;       // PVID writes
    CCommonSnmp m_cCommonSNMPGet;    // kept for the session set of the form, not used
    CCommonSnmp m_cCommonSNMPTable;  // trunk walk
    features::CTrunkMap m_trunkMap;
    features::CFormWrite m_write;
};

class CPvidDlg : public platform::Form {
public:
    enum : int { IDC_PVID_GRID = 1501, IDC_APPLY = 1502, IDC_REFRESH = 1503 };

    // vidText: the listed VIDs joined by ","; records: the VLAN dialog's list (read only).
    CPvidDlg(int portNum, std::string vidText, int vidCount, const vlan::VlanRecordList* records);

    const std::vector<int>& Pvids() const { return m_iPvid; }
    CPvidSnmp& Snmp() { return m_snmp; }
    // True while the PVID walk is under way.
    bool Walking() const { return m_bWalking; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnRefresh();
    void OnApply();
    // Writes the PVIDs from port first on, pausing on a form timer after the first ports.
    void WritePvids(int first, std::vector<int> pvids);
    void OnCellChange(int port);
    void OnPvidRow(const ReplyRow& row);
    void OnPvidWalkEnd(int status);

    int m_iPortNum;
    std::string m_strVids;
    int m_iVidCount;
    const vlan::VlanRecordList* m_pRecords;
    std::vector<int> m_iPvid;      // the entered PVIDs, as the boxes show them
    std::vector<int> m_iReadPvid;  // rows of the walk under way
    // After a failed write: the typed PVIDs of the ports not written (0 for the others), put
    // back into their boxes over what the next read shows, for a retry.
    std::vector<int> m_iKeepTyped;
    bool m_bWalking = false;

    CCommonSnmp m_cCommonSNMPTable;  // PVID walk
    CPvidSnmp m_snmp;
    CTableWalk m_pvidWalk{m_cCommonSNMPTable};
};
