#pragma once
// 802.1D spanning tree: the bridge form, the spanning tree port table and the per-port form.
#include <array>
#include <string>
#include <vector>

#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

// Bridge settings (" STP Configuration ").
class CStpBridgeDlg : public platform::Form {
public:
    CStpBridgeDlg() = default;

    static constexpr int kIdEnable = 1008;
    static constexpr int kIdVersion = 1085;
    static constexpr int kIdAgeTime = 11;
    static constexpr int kIdPriority = 1007;
    static constexpr int kIdDelay = 13;
    static constexpr int kIdHelloTime = 14;
    static constexpr int kIdTopoChangeTime = 1190;
    static constexpr int kIdTopoChanged = 1191;
    static constexpr int kIdForwardDelay = 1192;
    static constexpr int kIdHello = 1193;
    static constexpr int kIdHoldTime = 1194;
    static constexpr int kIdRootPort = 1195;
    static constexpr int kIdDesignatedRoot = 1189;
    static constexpr int kIdRefresh = 1044;
    static constexpr int kIdPortSetting = 1048;

    // The spanning tree state last read: "1" enabled, "0" disabled.
    const std::string& RstpState() const { return m_strRstpState; }

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void Read();
    void OnApply();
    // The second step of Apply: the three timers, then the priority and the version.
    void WriteBridgeTimers(int a, int d, int h, const std::string& priority, const std::string& version);
    void OnEnableClicked();
    void OnPortSetting();
    void EnableSettings(bool on, bool portSetting);
    bool SendSet(int timeoutMs);
    void OnRead(const ReplyRow& v);

    std::string m_strRstpState = "0";
    CCommonSnmp m_cCommonSNMP;     // reads
    CCommonSnmp m_cCommonSNMPSet;  // writes
    CTableWalk m_read{m_cCommonSNMP};
};

// The spanning tree port table ("Spanning Tree Table").
class CStpTableDlg : public platform::Form {
public:
    CStpTableDlg() = default;

    static constexpr int kIdList = 1000;
    static constexpr int kIdEntries = 301;
    static constexpr int kIdPortConfig = 101;
    static constexpr int kIdRefresh = 3;
    static constexpr int kIdBridgeConfig = 102;

    // List columns.
    enum Column { kColPort, kColPriority, kColCost, kColEnable, kColStatus, kColRoot, kColDesigCost,
                  kColDesigBridge, kColDesigPort, kColForward, kColumnCount };

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void Walk();
    void OnPortConfig();
    void OnWalkRow(const ReplyRow& v);
    void OnWalkEnd(int status);

    CCommonSnmp m_cCommonSNMPTable;  // walks
    CTableWalk m_walk{m_cCommonSNMPTable};
};

// Spanning tree settings of one port (" Port STP Configuration"), moving through the rows of the
// spanning tree table.
class CStpPortDlg : public platform::Form {
public:
    // `table` is the spanning tree table's list; `row` the row to show first.
    CStpPortDlg(const platform::ReportList& table, int row);

    static constexpr int kIdPort = 1075;
    static constexpr int kIdPrev = 1111;
    static constexpr int kIdNext = 2222;
    static constexpr int kIdPriority = 1007;
    static constexpr int kIdCost = 23;
    static constexpr int kIdEnable = 1009;
    static constexpr int kIdApply = 3;
    static constexpr int kIdRefresh = 1044;

    int CurrentRow() const { return m_iRow; }
    // True when the port is a member of an aggregated link (as far as the walk has told).
    bool IsTrunkMember(int port) const;

protected:
    void createControls() override;
    void initDialog() override;
    void destroyWindow() override;

private:
    void WalkMembers();
    void ReadRow();
    void Move(int delta);
    bool Apply();
    int RowPort() const;
    void OnMemberRow(const ReplyRow& v);
    void OnMemberWalkEnd(int status);

    const platform::ReportList& m_table;
    int m_iRow;
    int m_iPortCount;
    std::vector<int> m_aTrunkMember;  // one flag per port: member of an aggregated link
    std::vector<std::string> m_priorityItems;  // the priority list's own items
    std::array<platform::Label*, 6> m_aInfo{};  // status, designated root ... forward transitions
    CCommonSnmp m_cCommonSNMP;       // reads
    CCommonSnmp m_cCommonSNMPSet;    // writes
    CCommonSnmp m_cCommonSNMPTable;  // link aggregation membership walk
    CTableWalk m_memberWalk{m_cCommonSNMPTable};
};
