#pragma once
// Read-only lists of standard tables: interfaces, IP addresses, the 802.1Q forwarding database,
// TCP connections and UDP listeners. Each walks its columns row by row into its list.
#include <string>
#include <vector>

#include "features/mib/mib_format.h"
#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

// What the five list forms share: one walk of a few columns into one list, an optional row
// counter and a "&Refresh" button that is disabled while the walk runs.
class CMibListDlg : public platform::Form {
public:
    static constexpr int kIdList = 1000;

    platform::ReportList& List() const { return get<platform::ReportList>(kIdList); }
    // True while a walk is under way.
    bool Walking() const { return m_bWalking; }

protected:
    struct Layout {
        std::string caption;
        std::vector<platform::ReportList::Column> columns;
        std::vector<std::string> columnOids;  // walked in this order
        int counterId = 0;                    // 0: no counter
        std::string counterStart = "0";
        int refreshId = 0;
        int closeId = platform::kIdCancel;
        // The most rows the table can hold (the walk's bound); a walk beyond it ends as failed.
        size_t maxRows = CTableWalk::kDefaultMaxRows;
    };
    explicit CMibListDlg(Layout layout) : m_layout(std::move(layout)) {}

    void createControls() override;
    void destroyWindow() override;
    // Controls between the list and the buttons.
    virtual void AddExtraControls() {}
    // Empties the list, resets the counter, disables "&Refresh" and walks the columns.
    virtual void OnRefresh();
    // One row of the walk: a value for every column, in column order. (A reply with fewer
    // values ends the walk.)
    virtual void OnRow(const ReplyRow& row) = 0;
    void AddRow(std::vector<std::string> cells);
    void UpdateCounter();
    static constexpr int kCounterTimer = 1;
    static constexpr int kCounterMs = 40;
    // A long list's counter follows as its rows reach the view: every 200 ms.
    static constexpr int kLongListCounterMs = 200;
    static constexpr int kLongListRows = 10000;

    Layout m_layout;
    CCommonSnmp m_cCommonSNMPTable;  // the walk

private:
    void EndWalk();
    CTableWalk m_walk{m_cCommonSNMPTable};
    bool m_bWalking = false;
};

class CIfTableDlg : public CMibListDlg {
public:
    CIfTableDlg();
    static constexpr int kIdEntries = 1095;
    static constexpr int kIdRefresh = 3;

protected:
    void initDialog() override;
    void OnRow(const ReplyRow& row) override;
};

class CIpTableDlg : public CMibListDlg {
public:
    CIpTableDlg();
    static constexpr int kIdEntries = 209;
    static constexpr int kIdRefresh = 103;

protected:
    void initDialog() override;
    void OnRow(const ReplyRow& row) override;
};

class CFdbTableDlg : public CMibListDlg {
public:
    CFdbTableDlg();
    static constexpr int kIdEntries = 1220;
    static constexpr int kIdFilter = 1213;
    static constexpr int kIdAgeTime = 1216;
    static constexpr int kIdRefresh = 20;
    static constexpr int kIdClose = 1217;

protected:
    void AddExtraControls() override;
    void initDialog() override;
    void destroyWindow() override;
    void OnRefresh() override;
    void OnRow(const ReplyRow& row) override;

private:
    void ReadAgeTime();
    std::string m_strFilter;  // the destination port filter of the running walk
    CCommonSnmp m_cCommonSNMP;  // age time
    CTableWalk m_ageRead{m_cCommonSNMP};
};

class CTcpTableDlg : public CMibListDlg {
public:
    CTcpTableDlg();
    static constexpr int kIdRefresh = 241;

protected:
    void initDialog() override;
    void OnRow(const ReplyRow& row) override;
};

class CUdpTableDlg : public CMibListDlg {
public:
    CUdpTableDlg();
    static constexpr int kIdRefresh = 241;

protected:
    void initDialog() override;
    void OnRow(const ReplyRow& row) override;
};
