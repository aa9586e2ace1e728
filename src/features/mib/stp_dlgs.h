#pragma once
// 802.1D spanning tree: the bridge form, the spanning tree port table and the per-port form.
#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "features/common/form_write.h"
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
    // keepTyped: the read after a write the switch did not take, which leaves the timers and the
    // priority the user typed in their boxes for another try.
    void Read(bool keepTyped = false);
    // The values one Apply writes once the tree is on.
    struct BridgeValues {
        int age = 0, delay = 0, hello = 0;
        std::string priority, version;
    };
    // One request of a put-back: `timer` when it carries a timer as read (the widening does
    // not), `pauseAfter` when the switch needs a moment before the next.
    struct PutBackStep {
        std::vector<std::pair<std::string, std::string>> values;
        bool timer = true;
        bool pauseAfter = false;
    };
    void OnApply();
    // Largest forward delay and smallest hello time, in one request, then a pause.
    void Widen(const BridgeValues& v);
    // The three timers, then the priority and the version.
    void WriteBridgeTimers(const BridgeValues& v);
    // After a timer write the switch did not take: the timers as they were read go back, widened
    // first as on the way out, and one message tells what was changed and what was left.
    void PutTimersBack(const std::string& failure);
    void PutBack(std::vector<PutBackStep> steps, std::size_t index, bool allBack, const std::string& failure);
    static std::vector<std::pair<std::string, std::string>> Widening();
    // Tells the outcome, then ends the Apply.
    void Finish(const std::string& message, bool keepTyped);
    // The end of every Apply: after a pause the form reads the bridge again and lets go.
    void EndApply(bool keepTyped);
    void OnEnableClicked();
    void OnPortSetting();
    void EnableSettings(bool on, bool portSetting);
    // One set request; onDone gets its outcome, and the caller words the message.
    void SendStep(const std::vector<std::pair<std::string, std::string>>& values, int timeoutMs,
                  std::function<void(const features::StepResult&)> onDone);
    void OnRead(const ReplyRow& v);

    std::string m_strRstpState = "0";
    // The bridge timers as last read (max age, forward delay, hello time), to put back.
    std::array<int, 3> m_readTimers{};
    bool m_bTurnedOn = false;  // this Apply turned the spanning tree on
    bool m_bKeepTyped = false;
    CCommonSnmp m_cCommonSNMP;     // reads
    CCommonSnmp m_cCommonSNMPSet;  // writes
    CTableWalk m_read{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
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
    void ReadRow(const std::string& typedCost = {});
    void Move(int delta);
    // Writes the port's settings; thenClose (OK) ends the form unless the switch did not take them.
    void Apply(bool thenClose);
    // typedCost: the cost typed before a write the switch did not take, kept for another try.
    void OnRowRead(const ReplyRow& v, const std::string& typedCost);
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
    CTableWalk m_read{m_cCommonSNMP};
    features::CFormWrite m_write{*this, m_cCommonSNMPSet};
};
