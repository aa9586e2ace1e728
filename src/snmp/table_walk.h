#pragma once
// A table walk on one session, row by row, with the walk callback contract built in: a reply
// that is no longer outstanding (closed session, stale step, destroyed walker) is dropped;
// every other reply holds one row; the walk re-arms itself until the agent leaves the table,
// a step fails, or the row handler asks to stop. Everything runs on the UI thread.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "snmp/common_snmp.h"

// The bindings of one reply that carry table data, in the order the columns were asked; the
// proxy marker (`snmp_proxy_ip`) is left out.
struct ReplyRow {
    struct Value {
        std::string oid;
        int type = SNMP_T_NONE;
        std::string text;                // as getValue gives it (octet strings up to the first NUL)
        std::vector<std::uint8_t> bytes; // every octet
        int binding = 0;                 // index in the reply, for GetSuffix
    };
    std::vector<Value> values;

    size_t size() const { return values.size(); }
    // Text of column i, or "" when the reply carried fewer values.
    const std::string& text(size_t i) const;
    const std::vector<std::uint8_t>& bytes(size_t i) const;
    // The instance part of column i's OID after `column` (without the leading dot), or "" when
    // the OID is not under that column.
    std::string instance(size_t i, const std::string& column) const;
};
ReplyRow ReadReplyRow(const CSnmp& reply);

class CTableWalk {
public:
    // One row, in column order. Return false to end the walk after this row.
    using RowHandler = std::function<bool(const ReplyRow& row, CSnmp& reply)>;
    // The walk is over: -2 it left the table, 0 the row handler ended it, anything else a
    // failed step (the rows so far stand).
    using EndHandler = std::function<void(int status)>;

    explicit CTableWalk(CCommonSnmp& session);
    ~CTableWalk();
    CTableWalk(const CTableWalk&) = delete;
    CTableWalk& operator=(const CTableWalk&) = delete;

    // Opens a get-next request on the session with the columns (in order) and sends the first
    // step with firstTimeoutMs; later steps use stepTimeoutMs (0: the session time-out).
    // False when nothing could be sent; onEnd is not called then.
    bool Start(const std::vector<std::string>& columns, RowHandler onRow, EndHandler onEnd,
               int firstTimeoutMs = 0, int stepTimeoutMs = 0);
    bool Running() const { return m_running; }
    const std::vector<std::string>& Columns() const { return m_columns; }

private:
    static unsigned Callback(CSnmp* reply, int requestId, void* param, int status);
    void Finish(int status);

    CCommonSnmp& m_session;
    std::vector<std::string> m_columns;
    RowHandler m_onRow;
    EndHandler m_onEnd;
    int m_stepTimeoutMs = 0;
    bool m_running = false;
};
