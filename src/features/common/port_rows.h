#pragma once
// The rows of a per-port table whose index is the port number, read as one of the form's reads:
// the rows of ports 1..N are known beforehand, so they are asked for with gets of several rows
// each, a few requests side by side (one per session), instead of one get-next per row. A switch
// far away then fills the list in a few round trips whatever the port count.
//
//   CCommonSnmp m_cCommonSNMPTable;                      // closed by the form, its twins with it
//   features::CPortRows m_rows{m_cCommonSNMPTable, 3};   // at most 3 requests in flight
//   m_rows.Start(*this, "ports", kColumns, portCount, onRow, onEnd);
//
// Rows reach onRow in port order, once each; a port of which the switch returned no column at all
// has no row. A column the switch lacks for a port is a value that is not present. Under SNMPv1,
// whose get answers an object the switch lacks with an error for that object alone, each request
// is a get-next of the objects' predecessors instead, so a missing object costs nothing more. A
// request that fails (no answer, an error) ends the read as failed, after the rows of the ports
// before it.
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"
#include "snmp/common_snmp.h"
#include "snmp/table_walk.h"

namespace features {

class CPortRows {
public:
    // One port's row: value i answers column i.
    using RowHandler = std::function<void(int port, const ReplyRow& row)>;
    // The read is over: 0 when every request was answered, else the failed request's status.
    using EndHandler = std::function<void(int status)>;

    // The most requests of one read in flight, so the most sessions it uses.
    static constexpr int kMaxInFlight = 4;
    // Objects asked for in one get: the reply of as many integers stays well within one datagram
    // and the 1024 octets an SNMPv3 request allows for its reply; a tooBig halves the rows.
    static constexpr int kObjectsPerGet = 32;

    // The requests go out on `session` and on twins of it (CCommonSnmp::Twin), one request in
    // flight on each, inFlight (1..kMaxInFlight) at most; closing the session closes the twins.
    explicit CPortRows(CCommonSnmp& session, int inFlight = kMaxInFlight);
    ~CPortRows();
    CPortRows(const CPortRows&) = delete;
    CPortRows& operator=(const CPortRows&) = delete;

    // Reads columns (full column OIDs) of ports 1..ports as the form's read `name`, abandoning a
    // read still under way; each request waits timeoutMs (0: the session time-out). False when
    // nothing could be sent (the read is then failed and onEnd
    // is not called).
    bool Start(platform::Form& form, const std::string& name, const std::vector<std::string>& columns, int ports,
               RowHandler onRow, EndHandler onEnd = {}, int timeoutMs = 0);
    bool Running() const { return m_running; }
    // Arcs of the index before the port number ("1." for unit 1, port p: ".1.p"); none by default.
    void SetIndexPrefix(std::string prefix) { m_indexPrefix = std::move(prefix); }
    // Rows handed to the row handler by the current (or last) read.
    int Rows() const { return m_rowsHanded; }

private:
    // The ports first..last; their values port by port, column by column.
    struct Batch {
        int last = 0;
        std::vector<ReplyRow::Value> values;
        std::vector<bool> asked;  // still to be asked (not answered, not found missing)
        bool sent = false, done = false;
    };
    struct Lane;
    // A column's object of a port (port 0: the one before port 1's).
    std::string ObjectOid(const std::string& column, int port) const;
    // Sends batches to idle lanes; false when a request could not be sent.
    bool Launch();
    bool Send(Lane& lane, int first, Batch& batch);
    void OnReply(Lane& lane, unsigned generation, int status);
    // Hands the rows of the batches now complete in port order to the row handler.
    void HandOver();
    void Finish(int status, const std::string& why);

    CCommonSnmp& m_session;
    int m_inFlight;
    std::vector<std::unique_ptr<CCommonSnmp>> m_twins;  // before the lanes, which use them
    std::vector<std::unique_ptr<Lane>> m_lanes;
    platform::Form* m_form = nullptr;
    std::string m_name;
    std::string m_indexPrefix;
    std::vector<std::string> m_columns;
    std::map<int, Batch> m_batches;  // by first port
    int m_nextPort = 1;              // the next port to hand to the row handler
    int m_rowsPerGet = 0;  // rows per get; a tooBig lowers it for the reads after it too
    int m_rowsHanded = 0;
    int m_timeoutMs = 0;
    unsigned m_generation = 0;
    bool m_running = false;
    RowHandler m_onRow;
    EndHandler m_onEnd;
};

}  // namespace features
