#pragma once
// "Multicast Filtering Mode Configuration": per VLAN, whether unregistered multicast groups are
// forwarded or filtered.
#include <cstddef>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace maint {

// The largest SNMP message a session sends or asks for (SNMPv3 sessions announce it; SNMPv1
// sessions keep to it too, which every agent accepts).
inline constexpr std::size_t kMaxMessageSize = 1024;
// Room kept for everything around the bindings: message and security headers (engine ID, user
// name, authentication and privacy parameters, padding), context and PDU header.
inline constexpr std::size_t kMessageOverhead = 320;

// Bytes one binding of an INTEGER value takes in a request (and in its reply).
std::size_t EncodedIntegerBindingSize(const std::string& oid, long value);
// Splits bindings of the given sizes, in order, into runs whose total fits `budget`; returns the
// number of bindings of each run. A binding larger than the budget travels alone.
std::vector<std::size_t> SplitIntoMessages(const std::vector<std::size_t>& sizes, std::size_t budget);
// "VLAN 20", "VLANs 1, 10-12", or for many runs "300 VLANs from 2 to 4094" (VLAN IDs in order).
std::string VlanListText(const std::vector<int>& vlans);

}  // namespace maint

class CMulticastFilterDlg : public platform::Form {
public:
    enum : int {
        IDC_VLAN_ID = 1951,
        IDC_ALL = 1952,
        IDC_MODE = 1953,
        IDC_LIST = 1954,
        IDC_APPLY = 1955,
        IDC_REFRESH = 1956,
        IDC_CLOSE = platform::kIdCancel,
    };

    bool Walking() const { return m_walk.Running(); }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnRefresh();
    void OnRow(const ReplyRow& row);
    void OnApply();
    // Sets the mode of the VLANs (in the order given) in as few requests as fit a message; stops
    // at the first the switch does not take and says which VLANs kept their mode. The list is
    // read again once, after the last request, whatever the switch made of them.
    void WriteModes(const std::vector<int>& vlans, const char* mode);

    // Declaration order is the close order.
    CCommonSnmp m_cCommonSNMP;       // writes
    CCommonSnmp m_cCommonSNMPTable;  // walk
    CTableWalk m_walk{m_cCommonSNMPTable};
    features::CFormWrite m_write{*this, m_cCommonSNMP, true};  // through the table path
};
