#pragma once
// The SNMP library interface the module is written against: requests and replies with their
// bindings (CSnmp), community and user-based requests (CSnmpV1, CSnmpV3) and the table walker
// (CSnmpTable). Implemented over Net-SNMP's single-session API.
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

// Binding type codes. The first five are what callers pass to addValue; replies may also carry
// the others.
enum SnmpTypeCode {
    SNMP_T_NONE = 0,        // no value (noSuchObject, noSuchInstance, endOfMibView, NULL)
    SNMP_T_INTEGER = 1,
    SNMP_T_OCTETS = 2,
    SNMP_T_NULL = 4,        // for the bindings of get and get-next requests
    SNMP_T_OID = 6,
    SNMP_T_IPADDRESS = 8,
    SNMP_T_UNSIGNED = 10,   // Unsigned32 / Gauge32 on the way out
    SNMP_T_COUNTER32 = 11,
    SNMP_T_GAUGE32 = 12,
    SNMP_T_TIMETICKS = 13,
    SNMP_T_COUNTER64 = 14,
};

// PDU types for setType.
enum SnmpPduType { SNMP_PDU_GET_T = 0, SNMP_PDU_GETNEXT_T = 1, SNMP_PDU_SET_T = 3 };

class CSnmp;

// Why the last request of a CSnmp (or a session) failed; SnmpFailureText says it in words.
enum class SnmpFailure {
    None = 0,
    NotSent,             // nothing could be built or sent (bad request, no socket)
    BadAddress,          // the device address is not a UDP/IPv4 peer
    UnknownHost,         // the host name does not resolve
    NoAnswer,            // no reply within the time-out
    Refused,             // the agent sent a report instead of a reply (security level, engine, ...)
    AuthFailed,          // report usmStatsWrongDigests: wrong authentication pass phrase or protocol
    UnknownUser,         // report usmStatsUnknownUserNames
    PrivacyFailed,       // report usmStatsDecryptionErrors: wrong privacy pass phrase
    AgentError,          // the reply carries a known error status (1..18)
    UnknownErrorStatus,  // the reply carries an error status no agent may send
    BadReply,            // the reply's bindings do not answer the request
    NotEchoed,           // a set's reply does not give back the values sent (type or value)
    NotIncreasing,       // a get-next returned an OID not after the one asked for
    Cancelled,           // the session was closed (or its walk abandoned) while the request waited
};
// One line for the user or the trace: what happened. errorStatus is the reply's error status
// (AgentError, UnknownErrorStatus); host is shown for UnknownHost.
std::string SnmpFailureText(SnmpFailure failure, int errorStatus = 0, const std::string& host = {});
// "authentication failed", "unknown user" or "wrong privacy pass phrase" when the agent refused
// the credentials (an SNMPv3 report); "" for every other failure.
std::string SnmpCredentialProblem(SnmpFailure failure);
// Why a request failed, in a few words for a status line ("no answer", "unknown user", "the
// switch's table repeats itself", ...).
std::string SnmpFailureReason(SnmpFailure failure);
// True when the failure came with a reply from the switch (a report, an error status, a reply
// that does not answer the request): the switch is there, but what it said was not usable.
bool SnmpFailureAnswered(SnmpFailure failure);

// Replies (responses) received from any agent since the process started, late ones included:
// a program waiting on a slow switch tells slow progress from silence by it.
unsigned long SnmpRepliesReceived();
// Octets the data bindings of a reply take in a message, as the repetitions of a GETBULK are
// sized by.
std::size_t SnmpRowOctets(const CSnmp& reply);
// SNMPv3 engine ID discoveries answered so far, process-wide.
unsigned long SnmpEngineProbes();

// Walk callback: (reply, request identifier, parameter, status). Status 0: the reply holds one
// row; -2: the walk has left the table; -1 or anything else: the step failed. The reply is
// owned by the callback (delete it when non-null).
using SnmpCallback = unsigned (*)(CSnmp* reply, int requestId, void* param, int status);

namespace CSnmp4w {
constexpr int EC_NO_ERROR = 0;
constexpr int EC_END_OF_TABLE = -2;
constexpr int EC_FAILED = -1;
}  // namespace CSnmp4w

class CSnmp {
public:
    virtual ~CSnmp();
    void setType(int pduType);
    int getType() const { return pduType_; }
    void clearVarBindList();
    // Appends one binding; value is text (decimal, dotted IP) or null for reads. 0 on success.
    int addValue(const char* oid, int type, const char* value);
    // Octet string from raw bytes.
    int addValue(const char* oid, int type, const unsigned char* bytes, int count);

    int getValuesCount() const;
    int getOid(int index, std::string& oid) const;
    // Value as text: decimal for numbers, the octets up to the first NUL for strings, dotted
    // text for addresses and OIDs. Returns 0 on success.
    int getValue(int index, int& type, std::string& value) const;
    // Raw value bytes (for octet strings: every octet, NULs included; for an IpAddress its four
    // octets; for other types the text form).
    int getValue(int index, int& type, std::vector<uint8_t>& bytes) const;
    void getErrorInfo(int& status, int& index) const;
    // Why the last send, or walk step on this request, failed (None after a success).
    SnmpFailure lastFailure() const { return failure_; }
    std::string lastFailureText() const;

    // Sends this request and waits for the reply (0: *reply holds it, caller deletes).
    // address: "host" or "host:port". A reply with an error status is a failure: the result is
    // that status (positive), *reply stays null and getErrorInfo on this request tells it.
    // -1: time-out, bad address, nothing could be sent, or a reply whose bindings (the proxy
    // marker aside) do not answer the request: another count, or other OIDs than asked for (a
    // get-next's must come after the asked ones). lastFailure tells which.
    int send(const char* address, CSnmp** reply, int timeoutMs);

    struct Binding {
        std::string oid;   // dotted, no leading dot
        int type = SNMP_T_NULL;
        std::vector<uint8_t> value;  // raw octets, or decimal/dotted text for numeric types
    };
    const std::vector<Binding>& bindings() const { return bindings_; }
    std::vector<Binding>& mutableBindings() { return bindings_; }
    void setErrorInfo(int status, int index) { errorStatus_ = status; errorIndex_ = index; }

protected:
    CSnmp() = default;
    friend class SnmpTransport;
    int pduType_ = SNMP_PDU_GET_T;
    std::vector<Binding> bindings_;
    int errorStatus_ = 0;
    int errorIndex_ = 0;
    SnmpFailure failure_ = SnmpFailure::None;
    std::string failureHost_;
    unsigned bindingsGeneration_ = 0;  // bumped whenever the caller adds or clears bindings
    std::shared_ptr<class SnmpTransport> transport_;  // opened lazily by send
    friend class CSnmpTable;
    // Sends the bindings as a PDU of the given type; the reply keeps the error status. A GETBULK
    // (kPduGetBulk) goes out with no non-repeaters and `repetitions` repetitions.
    int exchange(const char* address, int pduType, CSnmp** reply, int timeoutMs, bool errorIsFailure,
                 int repetitions = 0);
public:
    static constexpr int kPduGetBulk = 5;  // for exchange only: the table's fetch ahead
    SnmpTransport* transport();  // the Net-SNMP session behind this request (created on demand)
    // Lets several requests in turn reuse one Net-SNMP session (never two threads at once).
    void setTransport(std::shared_ptr<SnmpTransport> transport) { transport_ = std::move(transport); }
    virtual bool isV3() const = 0;
};

class CSnmpV1 : public CSnmp {
public:
    explicit CSnmpV1(int = 0) {}
    void setCommunity(const char* community) { community_ = community ? community : ""; }
    const std::string& community() const { return community_; }
    bool isV3() const override { return false; }

private:
    std::string community_;
};

class CSnmpV3 : public CSnmp {
public:
    explicit CSnmpV3(int = 0) {}
    void setMsgMaxSize(int size) { maxSize_ = size; }
    void setMsgSecurityModel(int model) { securityModel_ = model; }
    void setUserName(const char* name) { userName_ = name ? name : ""; }
    void setMsgFlags(int flags) { flags_ = flags; }           // 0 none, 1 auth, 3 auth+priv
    void setAuthArith(int arith) { authArith_ = arith; }      // 0 HMAC-MD5, 1 HMAC-SHA
    void setAuthPwd(const char* pwd, int len) { authPwd_.assign(pwd ? pwd : "", pwd ? len : 0); }
    void setPriArith(int arith) { privArith_ = arith; }       // 0 CBC-DES
    void setPriPwd(const char* pwd, int len) { privPwd_.assign(pwd ? pwd : "", pwd ? len : 0); }
    bool isV3() const override { return true; }

    int maxSize_ = 1024;
    int securityModel_ = 3;
    std::string userName_;
    int flags_ = 0;
    int authArith_ = 0;
    std::string authPwd_;
    int privArith_ = 0;
    std::string privPwd_;
};

// Walker bound to a request: each getNext sends the request's bindings as a get-next (or, for
// a set request, as the set) and moves the bindings to the returned OIDs.
//
// Under SNMPv3 a get-next step fetches ahead with one GETBULK (max-repetitions chosen so that
// the reply fits the request's maximum message size) and the following steps are served from
// the rows it holds, each judged by the same rule as a get-next reply (SnmpWalkStepStatus): a
// row at or after the end of the walk ends it there, and nothing after it is ever handed out.
// An agent that answers GETBULK with an error status or a report is walked with get-next from
// then on. SNMPv1 steps are one get-next each.
//
// A get-next walk set to read ahead (setReadAhead) has its next get-next sent as soon as a row
// arrives (beginPrefetch/runPrefetch/endPrefetch), before the step that needs it is asked for;
// that step is then answered from the held reply, or with the failure or end it met.
class CSnmpTable {
public:
    explicit CSnmpTable(CSnmp* request) : request_(request) {}
    // Synchronous step. 0: *reply holds the row (caller deletes); -2: the walk left the table.
    int getNext(const char* address, CSnmp** reply, int timeoutMs);
    // The columns a get-next walk walks when its bindings start inside them (column OID and an
    // instance): the walk ends when the first leaves its column, and getSuffix is taken after
    // them. Call after the bindings are added, before the first step.
    void setColumns(const std::vector<std::string>& columns);
    // Each request of the walk asks for one row only (a GETBULK of one repetition), until the
    // columns are set again.
    void oneRowPerRequest() { repsCap_ = 1; }
    // Until a reply has shown the size of this walk's rows: take them to be this many octets
    // (as SnmpRowOctets measures them, in another part of the same table).
    void assumeRowOctets(std::size_t octets) {
        if (!rowBytes_) rowBytes_ = octets * kRowBytesScale;
    }
    // True when the next getNext needs no network: a row (or the walk's end) is held.
    bool hasAhead() const;
    // Read ahead with get-next, up to kReadAheadRows rows, where the walk does not fetch ahead
    // in bulk. Costs as many get-next requests the walk may never ask for, when its caller
    // stops before the table ends.
    void setReadAhead(bool on) { readAhead_ = on; }
    static constexpr std::size_t kReadAheadRows = 64;
    // The most repetitions one GETBULK of this walk asks for (tests, benchmarks).
    static constexpr int kMaxRepetitions = 200;

    // Fetching the next rows while the held ones are handed out, on another thread than the
    // one that hands them out: beginPrefetch and endPrefetch run under the owner's lock,
    // runPrefetch without it (it waits for the network) but with exclusive use of the request's
    // Net-SNMP session. A prefetch only ever adds rows that continue the held ones; anything
    // else it got (no answer, an error, a reply that does not answer) is dropped, and the step
    // that needs those rows asks again.
    struct Prefetch {
        std::unique_ptr<CSnmp> request;
        int reps = 0;  // 0: one get-next
    };
    bool wantsPrefetch() const;
    bool beginPrefetch(Prefetch& job);
    static int runPrefetch(Prefetch& job, const char* address, int timeoutMs, CSnmp** got);
    // True when the fetch added rows (or the walk's end) to the held ones.
    bool endPrefetch(Prefetch& job, int rc, CSnmp* got);
    // The instance part of returned binding `index` after its walked column, with its leading dot.
    int getSuffix(int index, CSnmp* reply, std::string& suffix) const;
    int getRequestID() const { return lastRequestId_; }
    CSnmp* request() const { return request_; }

private:
    // Forgets the rows fetched ahead and what the walk learnt of GETBULK (new columns).
    void resetAhead();
    CSnmp* request_;
    // One GETBULK step: fills ahead_ (or aheadEnd_), or falls back to get-next. Same results as
    // getNext.
    // False when the step is to go out as a get-next instead; rc is the step's result otherwise.
    bool fetchAhead(const char* address, CSnmp** reply, int timeoutMs, int& rc);
    int serveAhead(CSnmp** reply);
    int repetitionsFor(std::size_t rowBytes) const;
    int nextRepetitions() const;
    // Appends the whole rows of a GETBULK reply that follow `from` and judges them; sets aheadEnd_
    // at the first row that ends the walk. 1 done, 0 the reply holds no row, -1 it holds more
    // bindings than asked for.
    int absorb(CSnmp& got, const std::vector<CSnmp::Binding>& from, int reps);

    std::vector<std::string> columns_;  // the column OIDs of the first step
    unsigned columnsGeneration_ = ~0u;  // the request's bindings generation they belong to
    int lastRequestId_ = 0;
    // Rows fetched ahead (bindings of one row after another, columns_.size() each), the next
    // one to hand out, and what follows the last of them: 0 more to fetch, otherwise the status
    // of the step after them (end of the table, or a failed step with aheadWhy_).
    std::vector<CSnmp::Binding> ahead_;
    std::size_t aheadPos_ = 0;
    int aheadEnd_ = 0;
    SnmpFailure aheadWhy_ = SnmpFailure::None;
    // The mean encoded size of the rows of the last reply (in 1/16 octets), for max-repetitions.
    static constexpr std::size_t kRowBytesScale = 16;
    std::size_t rowBytes_ = 0;
    int repsCap_ = 0;           // after a tooBig: at most this many repetitions, doubling per reply
    bool bulkWorked_ = false;   // a GETBULK of this walk brought rows
    int lastReps_ = 0;          // repetitions of the last GETBULK taken in
    bool prefetching_ = false;
    // Read ahead with get-next: the replies of the next steps, then (aheadEnd_) how the step
    // after them ended, with what its failure text needs.
    bool readAhead_ = false;
    std::deque<std::unique_ptr<CSnmp>> nextReplies_;
    // The OIDs the next get-next continues from: the last held reply's, or the request's.
    const std::string& continuesFrom(std::size_t binding) const;
    bool takePrefetch(Prefetch& job, int rc, CSnmp* got);  // endPrefetch but for the request kept
    std::unique_ptr<CSnmp> spare_;  // the request of the last fetch ahead, kept for the next
    unsigned spareGeneration_ = 0;
    int aheadErrorStatus_ = 0;
    std::string aheadFailureHost_;
    bool bulkAhead() const;  // the walk fetches ahead with GETBULK
};

// The walk rule for one get-next step: 0 when the reply continues the walk, -2 when it ends it
// (the first binding left its column, an exception value, a v1 noSuchName), -1 for a failed
// step: an error status, bindings that do not match the request, or a returned OID that is not
// after the one asked for (such a walk would loop). Proxy-marker bindings are left out, wherever
// they stand. `why`, when given, tells the failure.
int SnmpWalkStepStatus(const std::vector<std::string>& columns, const std::vector<std::string>& asked,
                       const CSnmp& reply, SnmpFailure* why = nullptr);
// True when a binding is the proxy marker `snmp_proxy_ip` (1.3.6.1.4.1.171.7777.1.…) that a
// relay adds to replies, rather than an answer to the request.
bool SnmpIsProxyMarker(const std::string& oid);
// The indexes of the reply's bindings that are not the proxy marker, in order.
std::vector<int> SnmpDataBindings(const CSnmp& reply);
// True when oid lies inside (strictly below) the subtree `prefix`, comparing whole arcs.
bool SnmpOidInSubtree(const std::string& prefix, const std::string& oid);
// Compares two dotted OIDs arc by arc: <0, 0, >0. Unparsable text sorts first.
int SnmpOidCompare(const std::string& a, const std::string& b);
// SnmpOidCompare and SnmpOidInSubtree for OIDs in the form this library writes them (decimal
// arcs without leading zeros, one dot between them, as in every request and reply binding),
// without parsing: such texts order as their arcs do once the first arc that differs is
// compared by its length first. A walk compares several per row.
int SnmpCanonicalOidCompare(const std::string& a, const std::string& b);
bool SnmpCanonicalOidInSubtree(const std::string& prefix, const std::string& oid);
