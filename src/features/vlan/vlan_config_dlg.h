#pragma once
// "802.1Q VLAN Configuration": the list of active static VLANs, the asymmetric VLAN mode, and
// the entry points to the Add/Edit VLAN form and the PVID form.
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/port_rows.h"
#include "features/vlan/vlan_common.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

class CVlanEntryDlg;

class CVlanConfigDlg : public platform::Form {
public:
    enum : int {
        IDC_ASYMMETRIC = 1301,
        IDC_APPLY = 1302,
        IDC_VLAN_LIST = 1303,
        IDC_PVID = 1304,
        IDC_ADD = 1305,
        IDC_EDIT = 1306,
        IDC_DELETE = 1307,
        IDC_REFRESH = 1308,
    };

    CVlanConfigDlg();

    // What the dialog has read (tests and the editors look at these).
    const vlan::VlanRecordList& Records() const { return m_vlanRecords; }
    // VIDs of the rows the table walk read that are not active (not listed).
    const std::vector<int>& HeldVids() const { return m_heldVids; }
    const std::vector<int>& Pvids() const { return m_iPvid; }
    int PvidReadCount() const { return m_iPvidCount; }
    int VoiceVlanState() const { return m_iVoiceVlanState; }
    int VoiceVlanId() const { return m_iVoiceVlanId; }
    int SurveillanceVlanState() const { return m_iSurveillanceVlanState; }
    int SurveillanceVlanId() const { return m_iSurveillanceVlanId; }
    // True once the voice and surveillance state read has answered since the last Refresh.
    bool VoiceStateRead() const { return m_bVoiceStateRead; }
    // True while the VLAN table walk is under way.
    bool TableWalking() const { return m_bTableWalking; }
    bool PvidWalking() const { return m_bPvidWalking; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnRefresh();
    void OnApply();
    void OnAdd();
    void OnEdit();
    void OnDelete();
    void OnPvid();

    void ReadAsymmetricMode();
    void StartVoiceStateRead();
    void StartPvidWalk();
    void StartVlanWalk();
    void EnableAfterWalk();
    int ModeCode() const;

    void OnVoiceState(const ReplyRow& row);
    void OnPvidRow(int port, const ReplyRow& row);
    void OnVlanRow(const ReplyRow& row);
    // Runs an editor; the table is read again when it wrote anything, however it ended.
    void RunEntry(CVlanEntryDlg& dlg);

    int m_iPortNum;
    bool m_bVlanEditEnabled;
    std::vector<int> m_iPvid;
    int m_iPvidCount = 0;
    int m_iVoiceVlanState = 0;
    int m_iVoiceVlanId = 0;
    int m_iSurveillanceVlanState = 0;
    int m_iSurveillanceVlanId = 0;
    bool m_bVoiceStateRead = false;
    bool m_bTableWalking = false;
    bool m_bPvidWalking = false;
    vlan::VlanRecordList m_vlanRecords;
    std::vector<int> m_heldVids;

    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;                 // asymmetric mode read and write
    CCommonSnmp m_cCommonSNMPTable;            // PVID read
    CCommonSnmp m_cCommonSNMPVoiceVlan;        // voice and surveillance state read
    CCommonSnmp m_cCommonSNMPTableVlan;        // VLAN table walk
    CCommonSnmp m_cCommonSNMPTableVlanDelete;  // VLAN deletion
    CTableWalk m_modeRead{m_cCommonSNMP};
    // One request in flight beside the mode, state and VLAN table reads.
    features::CPortRows m_pvidRead{m_cCommonSNMPTable, 1};
    CTableWalk m_voiceRead{m_cCommonSNMPVoiceVlan};
    CTableWalk m_vlanWalk{m_cCommonSNMPTableVlan};
    features::CFormWrite m_modeWrite{*this, m_cCommonSNMP, true};
    features::CFormWrite m_deleteWrite{*this, m_cCommonSNMPTableVlanDelete, true};
};
