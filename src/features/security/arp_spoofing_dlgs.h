#pragma once
// ARP spoofing prevention: the list of gateway bindings (gateway IP address bound to its MAC
// address on a set of ports) and the form that adds one.
#include <functional>
#include <string>
#include <vector>

#include "features/common/trunk_map.h"
#include "features/security/security_common.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace security {

class CArpSpoofingEntryDlg : public platform::Form {
public:
    enum : int {
        IDC_IP = 1701,
        IDC_MAC = 1702,
        IDC_ALL_PORTS = 1703,
        IDC_PORTS = 1704,
        IDC_APPLY = 1705,
    };
    static constexpr int kWriteDelayMs = 50;

    explicit CArpSpoofingEntryDlg(int portNum);

    const std::vector<int>& Selection() const { return m_iSelect; }
    const features::CTrunkMap& Trunks() const { return m_trunkMap; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void OnAllPorts();
    void OnPortCell(int port);
    void OnApply();
    bool TrunkRuleHolds() const;
    // The writes of a new entry, continued on form timers, after a read of the entry's row: a
    // gateway the switch holds already is refused. A write that failed takes the row it made
    // away again and says the entry was not added.
    void WriteEntry(const std::string& ip, const std::vector<std::uint8_t>& mac);
    // The entry's row status as the switch holds it: 1 to 6 (7 another value), 0 no such row,
    // -1 not read.
    void ReadRowStatus(std::function<void(int status)> onDone);
    void OnRowStatus(int status);
    void CreateEntry();
    void FillEntry();
    void ActivateEntry();
    // Sends one step quietly; onDone(true) when the switch took it.
    void Step(std::vector<SetValue> values, std::function<void(bool ok)> onDone);
    void RemoveUnfinished(const StepResult& failed, bool created);
    void Finish(const std::string& message);

    enum RowStatus : int { kActive = 1, kNotInService = 2, kNotReady = 3 };

    int m_iPortNum;
    std::vector<int> m_iSelect;  // 1 for every chosen port (index = port - 1)
    std::string m_ip;            // the gateway of the entry being written
    std::string m_rowStatus;     // its row status object
    std::vector<SetValue> m_fill;  // its MAC and ports

    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMP;       // writes
    CCommonSnmp m_cCommonSNMPTable;  // trunk walk, then the read of the entry's row
    features::CTrunkMap m_trunkMap;
    CTableWalk m_rowRead{m_cCommonSNMPTable};
    features::CFormWrite m_write{*this, m_cCommonSNMP};
};

class CArpSpoofingDlg : public platform::Form {
public:
    enum : int {
        IDC_TOTAL = 1801,
        IDC_LIST = 1802,
        IDC_ADD = 1803,
        IDC_DELETE = 1804,
        IDC_REFRESH = 1805,
    };
    static constexpr int kDeleteDelayMs = 50;

    CArpSpoofingDlg();

    bool Walking() const { return m_bWalking; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void ReadList();
    void OnRow(const ReplyRow& row);
    void OnAdd();
    void OnDelete();
    void AfterDelete();

    int m_iPortNum;
    bool m_bWalking = false;

    // Closed in this order when the window is destroyed.
    CCommonSnmp m_cCommonSNMP;       // deletes
    CCommonSnmp m_cCommonSNMPTable;  // table walk
    CTableWalk m_walk{m_cCommonSNMPTable};
    features::CFormWrite m_write{*this, m_cCommonSNMP};
};

}  // namespace security
