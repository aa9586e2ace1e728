#pragma once
// DHCP server screening: the ports on which the switch filters DHCP server packets, one state
// per port, written as one PortList.
#include <vector>

#include "features/common/form_write.h"
#include "features/common/trunk_map.h"
#include "platform/form.h"
#include "snmp/table_walk.h"
#include "snmp/common_snmp.h"

namespace security {

class CDhcpScreeningDlg : public platform::Form {
public:
    enum : int {
        IDC_FROM_PORT = 1901,
        IDC_TO_PORT = 1902,
        IDC_STATE = 1903,
        IDC_APPLY = 1904,
        IDC_LIST = 1905,
        IDC_REFRESH = 1906,
    };
    enum State : int { kEnabled = 1, kDisabled = 2 };

    CDhcpScreeningDlg();

    // The working copy: one state per port (index = port - 1), 0 before the first read.
    const std::vector<int>& States() const { return m_iState; }
    const features::CTrunkMap& Trunks() const { return m_trunkMap; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void Refresh();
    void ReadStates();
    void OnStates(const ReplyRow& row);
    void OnApply();
    bool TrunkRuleHolds() const;

    static constexpr const char* kReadStates = "screening";

    int m_iPortNum;
    std::vector<int> m_iState;
    std::vector<int> m_iStateRead;  // the states as last read from the switch

    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMP;       // read and write
    CCommonSnmp m_cCommonSNMPTable;  // trunk walk
    features::CTrunkMap m_trunkMap;
    CTableWalk m_read{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMP};
};

}  // namespace security
