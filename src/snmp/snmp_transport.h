#pragma once
// One Net-SNMP single-session handle and the process-wide Net-SNMP state around it.
//
// Net-SNMP keeps global state (the v3 user list, the engine-time cache, the request-id
// counters) that every session touches while opening, building and parsing messages. All such
// CPU work runs under one process-wide mutex; waiting for the socket happens outside it, so a
// slow device never holds up the other sessions.
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "snmp/snmp_lib.h"

struct snmp_pdu;

namespace corvex::snmp {

// Initialises Net-SNMP once per process: no configuration files, no MIB files, no persistent
// state written to the home directory.
void EnsureNetSnmp();
// The mutex that guards every call into Net-SNMP that touches shared state.
std::mutex& NetSnmpMutex();

// Everything that fixes a Net-SNMP session. The v1 community travels per PDU, so it is not part
// of it.
struct SessionKey {
    std::string host;  // validated IPv4 text or host name
    std::string port;  // decimal 1..65535
    bool v3 = false;
    std::string user;
    int flags = 0;      // 0 noAuthNoPriv, 1 authNoPriv, 3 authPriv
    int authArith = 0;  // 0 HMAC-MD5, 1 HMAC-SHA
    std::string authPwd;
    int privArith = 0;  // 0 CBC-DES
    std::string privPwd;
    bool operator==(const SessionKey&) const = default;
};

// A silent switch is given up after kReadTries time-outs of a read (get, get-next, GETBULK, the
// engine probe); within them the read is sent again as the switch's round trip says. Sets are
// sent once.
inline constexpr int kReadTries = 3;

// The round trip to one switch, smoothed as TCP's retransmission timer does (a mean with gain
// 1/8 and a mean deviation with gain 1/4), from replies to requests that were sent once.
class RoundTrip {
public:
    void sample(double ms);
    // A request had to be sent again: until the next sample, the retransmission time-out is
    // doubled once more, so that an estimate too short for the switch (whose answers then never
    // come to a request sent once) grows until one does.
    void backOff() { backoff_ = std::min(backoff_ + 1, kMaxBackoff); }
    bool known() const { return samples_ > 0; }
    double meanMs() const { return srtt_; }
    double deviationMs() const { return rttvar_; }
    // When a request that got no answer is sent again: mean + 4 x deviation, and at least
    // kMinRetransmitMs over the mean (a switch's busy moment is not a loss). 0 while nothing
    // is known.
    int retransmitMs() const;

private:
    static constexpr int kMaxBackoff = 4;
    double srtt_ = 0, rttvar_ = 0;
    long samples_ = 0;
    int backoff_ = 0;
};

// The least margin over the mean round trip before a read is sent again.
inline constexpr int kMinRetransmitMs = 150;
// The most times one read goes out, however short the waits are.
inline constexpr int kMaxReadSends = 6;
// While a switch's round trip is not known, how long its first send may wait for an answer.
inline constexpr int kFirstContactMs = 2000;

// The waits of one request, one per send, for a switch with this round trip. timeoutMs stays
// the longest wait of one send, except that no wait is shorter than 1.5 round trips; a read
// (tries > 1) is sent again after the retransmission time-out, doubled after each loss, and
// all its waits together last tries x the longest wait, as long as tries waits of the time-out
// would. Nothing known yet: the first send waits up to kFirstContactMs of that, each later one
// the time-out.
std::vector<int> RequestWaits(const RoundTrip& trip, int timeoutMs, int tries);

// The round trip of each switch (address:port) of this process; thread-safe.
RoundTrip SwitchRoundTrip(const std::string& peer);
void NoteRoundTrip(const std::string& peer, double ms);
void NoteSentAgain(const std::string& peer);

// Splits "host" or "host:port" and refuses anything that is not a plain UDP/IPv4 peer
// (no transport prefixes, no paths, no spaces). False on bad input.
bool ParseAddress(const std::string& address, std::string& host, std::string& port);

}  // namespace corvex::snmp

// Used by one thread at a time (its owner serialises); different transports run concurrently.
class SnmpTransport {
public:
    SnmpTransport() = default;
    ~SnmpTransport();
    SnmpTransport(const SnmpTransport&) = delete;
    SnmpTransport& operator=(const SnmpTransport&) = delete;

    // Opens (or reopens when the key changed) the Net-SNMP session. 0 on success.
    // A host name is resolved first, outside the Net-SNMP lock. SNMPv3: the agent's engine ID is
    // discovered with one probe that waits outside the lock, and the user's keys are entered for
    // that engine only once it is known, so a switch that does not answer never disturbs the
    // sessions already open.
    int ensureOpen(const corvex::snmp::SessionKey& key, int timeoutMs);
    // Sends pdu (always consumed) and waits up to timeoutMs for the response.
    // 0: *response holds a clone the caller frees with snmp_free_pdu. -1 otherwise.
    int exchange(snmp_pdu* pdu, int timeoutMs, snmp_pdu** response);
    // The Net-SNMP request identifier of the last request sent.
    int lastRequestId() const { return lastReqId_; }
    // Why the last ensureOpen or exchange failed.
    SnmpFailure lastFailure() const { return failure_; }
    // From any thread: the request that waits gives up within a few milliseconds (its reply, if
    // one still comes, is ignored), and nothing is sent until resume().
    void abort() { abort_ = true; }
    void resume() { abort_ = false; }
    // True once the agent answered a GETBULK with an error status or a report: walks of this
    // session go on with get-next (until the session is opened anew).
    bool bulkRefused() const { return bulkRefused_; }
    void refuseBulk() { bulkRefused_ = true; }

    // SNMPv3: the engine ID that one of a group of sessions to the same agent and user (a
    // session and the twins it walks in parts with) learnt. The others take it from here rather
    // than each asking the agent again, a round trip apiece before their first request.
    struct EngineNote {
        std::mutex mutex;
        std::string peer;    // host, port and user it was learnt for
        std::string engine;  // empty: none learnt, or dropped after the agent refused it
    };
    std::shared_ptr<EngineNote> engineNote() const { return engineNote_; }
    // Joins another transport's group; before this transport's first use.
    void shareEngineNote(std::shared_ptr<EngineNote> note) { engineNote_ = std::move(note); }

private:
    static int OnEvent(int op, struct snmp_session* session, int reqid, snmp_pdu* pdu, void* magic);
    // What a report says, in our terms (wrong digest, unknown user, decryption error, ...).
    static SnmpFailure ReportFailure(snmp_pdu* pdu);
    void close();
    // Sends pdu (consumed) and waits for its answer; a report counts as the answer when probing.
    // tries: how often to send when no answer comes; 0 for the rule of the request's kind.
    int sendAndWait(snmp_pdu* pdu, int timeoutMs, bool probe, int tries = 0);
    // After a request got no answer: whether a wrong privacy pass phrase is the reason.
    void diagnoseSilence(int timeoutMs);
    // Waits for the current request to finish or the deadline; socket waits are unlocked.
    void pump(std::chrono::steady_clock::time_point deadline);
    // Under the Net-SNMP lock: makes the process-wide user entry for this session's engine and
    // user hold this session's keys (another session's open may have replaced it).
    bool ensureUserLocked();

    void* sess_ = nullptr;
    corvex::snmp::SessionKey key_;
    bool hasKey_ = false;
    std::string resolvedHost_;   // the dotted address key_.host resolved to
    bool engineKnown_ = false;   // v3: the agent's engine ID is known and the user entered
    struct UserKeys {            // the keys this session's user entry carries
        std::vector<unsigned long> authProto, privProto;
        std::string authKey, privKey;
        bool operator==(const UserKeys&) const = default;
    };
    UserKeys ownKeys_;
    bool hasOwnKeys_ = false;
    SnmpFailure failure_ = SnmpFailure::None;
    // State of the one outstanding request; written by OnEvent under the Net-SNMP mutex.
    long pendingReqId_ = 0;
    int lastReqId_ = 0;
    bool finished_ = false;
    bool probing_ = false;
    int result_ = -1;
    SnmpFailure eventFailure_ = SnmpFailure::NoAnswer;
    std::string probedEngine_;
    snmp_pdu* response_ = nullptr;
    std::atomic<bool> abort_{false};
    bool bulkRefused_ = false;
    std::vector<pollfd> polled_;  // pump's, kept from one request to the next
    std::shared_ptr<EngineNote> engineNote_ = std::make_shared<EngineNote>();
};
