#pragma once
// A table walk on one session, row by row, with the walk callback contract built in: a reply
// that is no longer outstanding (closed session, stale step, destroyed walker) is dropped;
// every other reply holds one row; the walk re-arms itself until the agent leaves the table,
// a step fails, or the row handler asks to stop. The same walker also sends one-off
// asynchronous reads (Read). Everything runs on the UI thread.
#include <cstdint>
#include <functional>
#include <memory>
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
        bool present = true;             // false for a binding without a value (noSuchObject, ...)
    };
    std::vector<Value> values;

    size_t size() const { return values.size(); }
    // Text of column i, or "" when the reply carried fewer values.
    const std::string& text(size_t i) const;
    const std::vector<std::uint8_t>& bytes(size_t i) const;
    // Column i, or an empty value (not present) when the reply carried fewer values.
    const Value& value(size_t i) const;
    // True when column i came with a value.
    bool present(size_t i) const { return i < values.size() && values[i].present; }
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

    struct Options {
        int firstTimeoutMs = 0;  // first step (0: the session time-out)
        int stepTimeoutMs = 0;   // later steps (0: the session time-out)
        // A reply with fewer values than this ends the walk (end status 0) without a row.
        size_t minValues = 0;
        // Ask for the next row before the row handler runs, so that the agent works on it while
        // this one is shown. The handler's result is then not used: such a walk ends at the end
        // of the table, on a failed step or on a short reply (minValues). The session then
        // reads ahead (CCommonSnmp::SetReadAhead): each get-next goes out as soon as the row
        // before it arrives, so one more may go out when the walk stops at its bound.
        bool nextFirst = false;
        // The most rows this table can hold. A reply beyond it is not handed to the row handler
        // and the walk ends as a failed walk (end status -1, the rows so far stand), so a switch
        // that never leaves the table cannot grow a list without end. 0: kDefaultMaxRows.
        size_t maxRows = 0;
        // Walk the table in parts side by side on this many sessions (at most kMaxParts, so as
        // many requests in flight), for big tables whose indexes are not known beforehand. Each
        // part walks its own range of the index space; a session with room takes over the
        // upper half of the busiest part's remaining range; under SNMPv1 one request carries
        // up to kLanes parts. Rows still reach the row handler in OID order, each once (with a
        // reply of their own). 0 or 1: one request at a time, as always.
        int parts = 0;
        // Traces: "FindRequestID" for a dropped reply, "call back iStatus = %d" for a failed step.
        bool traceDropped = true;
        bool traceFailed = true;
    };

    // The bound of a walk whose options name none: larger than any table of the switch but the
    // forwarding table, small enough that a list of it still fits in memory.
    static constexpr size_t kDefaultMaxRows = 100000;
    // The most sessions (so requests in flight to the switch) of one walk in parts, and the
    // parts one SNMPv1 get-next carries.
    static constexpr int kMaxParts = 6;
    static constexpr int kLanes = 4;
    // The bound of a table with one row per port (or a few, as sub-indexed or combo entries):
    // four times the port count, at least 16.
    static constexpr size_t PortTableRows(int portCount) {
        return portCount > 4 ? 4 * static_cast<size_t>(portCount) : 16;
    }

    explicit CTableWalk(CCommonSnmp& session);
    ~CTableWalk();
    CTableWalk(const CTableWalk&) = delete;
    CTableWalk& operator=(const CTableWalk&) = delete;

    // Opens a get-next request on the session with the columns (in order) and sends the first
    // step with firstTimeoutMs; later steps use stepTimeoutMs (0: the session time-out).
    // False when nothing could be sent; onEnd is not called then.
    bool Start(const std::vector<std::string>& columns, RowHandler onRow, EndHandler onEnd,
               int firstTimeoutMs = 0, int stepTimeoutMs = 0);
    bool Start(const std::vector<std::string>& columns, RowHandler onRow, EndHandler onEnd, const Options& options);
    // One asynchronous get of the objects (full OIDs, in order): onReply gets the reply's values
    // once (its result is not used), then onEnd with 0; a failed read calls only onEnd with its
    // status. False when nothing could be sent.
    bool Read(const std::vector<std::string>& objects, RowHandler onReply, EndHandler onEnd = {});
    bool Read(const std::vector<std::string>& objects, RowHandler onReply, EndHandler onEnd, const Options& options);
    bool Running() const { return m_running; }
    // Rows handed to the row handler by the current (or last) walk.
    size_t Rows() const { return m_rows; }
    // True when the last walk ended because the agent kept answering beyond the row bound.
    bool ReachedBound() const { return m_reachedBound; }
    // True when the last walk ended on a reply with fewer values than Options::minValues.
    bool EndedShort() const { return m_endedShort; }
    CCommonSnmp& Session() const { return m_session; }
    const std::vector<std::string>& Columns() const { return m_columns; }
    // Parts the last walk in parts was split into (its first part included); 0 for other walks.
    size_t PartsWalked() const { return m_partsWalked; }

    // The index of a row: the sub-identifiers of its instance.
    using Index = std::vector<std::uint32_t>;
    // A point strictly between lo and hi, about half-way when the sub-identifiers after the
    // first that differs are taken as octets (no hi: a first sub-identifier twice lo's); false
    // when there is none.
    static bool Between(const Index& lo, const Index* hi, Index& mid);
    // Points strictly between lo and hi to ask where rows lie: at the level where lo and hi part
    // and at each deeper level of lo's own branch, the quarters of what is left there (a table's
    // rows gather under common prefixes, so the points near lo's branch find the rows it is in).
    static std::vector<Index> ProbePoints(const Index& lo, const Index* hi);

private:
    struct Part;
    struct Slot;
    struct Binding {
        std::string oid;
        int type = SNMP_T_INTEGER;
        std::string value;
    };
    bool Send(int pduType, const std::vector<Binding>& bindings, RowHandler onRow, EndHandler onEnd,
              const Options& options);
    static std::vector<Binding> Reads(const std::vector<std::string>& oids);
    static unsigned Callback(CSnmp* reply, int requestId, void* param, int status);
    void Finish(int status);
    // Hands one row to the row handler with the walk's checks (bound, short reply). False when
    // the walk is over or gone afterwards.
    bool HandRow(ReplyRow& row, CSnmp& reply, bool& ended);
    // Walks in parts.
    bool StartParts();
    int LanesPerRequest() const;
    bool Ask(Slot& slot, int timeoutMs);  // sends the slot's next request
    static unsigned PartCallback(CSnmp* reply, int requestId, void* param, int status);
    // GETBULK walks: an idle session asks, with one get-next of many points, where the rows of
    // the busiest part lie, and that part is split only where a row follows.
    bool Probe(Slot& slot);
    static unsigned ProbeCallback(CSnmp* reply, int requestId, void* param, int status);
    // Splits the parts at up to `count` of the points (point, the first row after it).
    bool SplitAt(const std::vector<std::pair<Index, Index>>& found, size_t count);
    void OnPartRow(Part& part, std::unique_ptr<CSnmp> reply, std::vector<std::string> next);
    ReplyRow PartRow(const CSnmp& reply) const;  // the reply's row, columns that have ended left out
    void EndPart(Part& part, int status);
    void Steal();
    // Gives an idle slot the first part that waits for a session. 1 given, 0 none waits, -1 its
    // request could not be sent.
    int TakeWaitingPart(Slot& slot);
    void Flush();  // hands over the rows of the parts that are next in order
    void StopParts();

    CCommonSnmp& m_session;
    std::vector<std::string> m_columns;
    RowHandler m_onRow;
    EndHandler m_onEnd;
    Options m_options;
    bool m_oneStep = false;  // a read: no further step
    bool m_running = false;
    size_t m_rows = 0;
    bool m_reachedBound = false;
    bool m_endedShort = false;
    // Walk in parts: the sessions (the first is m_session) and the parts in index order.
    std::vector<std::unique_ptr<Slot>> m_slots;
    std::vector<std::unique_ptr<Part>> m_parts;
    size_t m_partsWalked = 0;
    // What the probes found and no split has used yet (point, the first row after it), in
    // point order: an idle session cuts a part still walking at one of them without asking.
    std::vector<std::pair<Index, Index>> m_cuts;
    size_t m_rowOctets = 0;  // the largest row seen (SnmpRowOctets): a new part's first GETBULK is sized by it
    size_t m_held = 0;  // rows held for parts not yet next in order
    unsigned m_partsGeneration = 0;  // bumped when the parts are dropped
    unsigned m_lastPartId = 0;       // of the parts that were probed
    bool m_flushPosted = false;      // the rest of the held rows go over in a task of their own
};
