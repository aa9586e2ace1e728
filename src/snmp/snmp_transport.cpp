// Net-SNMP sessions: process-wide initialisation, opening, and one request at a time with the
// socket wait outside the global lock.
#include "snmp/snmp_transport.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/large_fd_set.h>
#include <poll.h>
#include <arpa/inet.h>
#include <netdb.h>
#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <chrono>
#include <cmath>
#include <unordered_map>
#include <vector>

#include "platform/trace.h"

namespace corvex::snmp {

std::mutex& NetSnmpMutex() {
    static std::mutex mutex;
    return mutex;
}

namespace {

std::atomic<bool> g_logMuted{true};

int LogToTrace(int, int, void*, void* serverArg) {
    const auto* message = static_cast<const snmp_log_message*>(serverArg);
    if (g_logMuted || !message || !message->msg) return 0;
    std::string text = message->msg;
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    platform::Trace("net-snmp: %s", text.c_str());
    return 0;
}

}  // namespace

void EnsureNetSnmp() {
    static std::once_flag once;
    std::call_once(once, [] {
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_PERSIST_STATE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_LOAD_HOST_FILES, 1);
        netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_NO_TOKEN_WARNINGS, 1);
        netsnmp_ds_set_int(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIB_WARNINGS, 0);
        // Every OID is numeric: an empty MIB search path, so no MIB file is read. The library
        // still tries its default module list; those complaints are muted during start-up.
        netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_MIBDIRS, "");
        netsnmp_set_mib_directory("");
        // Library diagnostics go to the developer trace, never straight to standard error.
        snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_LOGGING, &LogToTrace, nullptr);
        netsnmp_register_loghandler(NETSNMP_LOGHANDLER_CALLBACK, LOG_DEBUG);
        init_snmp("corvex");
        g_logMuted = false;
    });
}

void RoundTrip::sample(double ms) {
    if (!(ms >= 0)) return;
    backoff_ = 0;
    if (samples_++ == 0) {
        srtt_ = ms;
        rttvar_ = ms / 2;
        return;
    }
    rttvar_ = 0.75 * rttvar_ + 0.25 * std::fabs(srtt_ - ms);
    srtt_ = 0.875 * srtt_ + 0.125 * ms;
}

int RoundTrip::retransmitMs() const {
    if (!known()) return 0;
    // The floor applies to the margin over the mean: a busy moment of a far switch is no loss.
    return static_cast<int>(std::ceil(srtt_ + std::max<double>(kMinRetransmitMs, 4 * rttvar_))) << backoff_;
}

std::vector<int> RequestWaits(const RoundTrip& trip, int timeoutMs, int tries) {
    timeoutMs = std::max(timeoutMs, 1);
    tries = std::max(tries, 1);
    if (!trip.known()) {
        // Nothing known yet: the first send waits long enough for a far switch to answer (within
        // the whole bound), so that its first request does not go out twice; the rest of the
        // bound is spent in time-outs.
        const long total = static_cast<long>(timeoutMs) * tries;
        std::vector<int> waits{static_cast<int>(std::min<long>(total, std::max(timeoutMs, kFirstContactMs)))};
        for (long rest = total - waits[0]; rest > 0 && static_cast<int>(waits.size()) < kMaxReadSends;
             rest -= waits.back())
            waits.push_back(static_cast<int>(std::min<long>(rest, timeoutMs)));
        return waits;
    }
    const long least = static_cast<long>(std::ceil(1.5 * trip.meanMs()));
    const long longest = std::max<long>(timeoutMs, least);
    if (tries == 1) return {static_cast<int>(longest)};
    const long total = longest * tries;
    std::vector<int> waits;
    long sum = 0;
    long next = trip.retransmitMs();
    while (sum < total && static_cast<int>(waits.size()) < kMaxReadSends) {
        const long rest = total - sum;
        if (rest < least) break;  // too short for one more send
        long wait = std::min(std::clamp(next, least, longest), rest);
        if (rest - wait < least) wait = std::min(rest, longest);  // the last send waits out the rest
        waits.push_back(static_cast<int>(wait));
        sum += wait;
        next = std::min(next * 2, longest);
    }
    return waits;
}

namespace {
std::mutex g_tripsMutex;
std::unordered_map<std::string, RoundTrip>& Trips() {
    static std::unordered_map<std::string, RoundTrip> trips;
    return trips;
}
}  // namespace

RoundTrip SwitchRoundTrip(const std::string& peer) {
    std::lock_guard<std::mutex> lock(g_tripsMutex);
    auto it = Trips().find(peer);
    return it == Trips().end() ? RoundTrip() : it->second;
}

void NoteRoundTrip(const std::string& peer, double ms) {
    std::lock_guard<std::mutex> lock(g_tripsMutex);
    Trips()[peer].sample(ms);
}

void NoteSentAgain(const std::string& peer) {
    std::lock_guard<std::mutex> lock(g_tripsMutex);
    auto it = Trips().find(peer);
    if (it != Trips().end()) it->second.backOff();
}

bool ParseAddress(const std::string& address, std::string& host, std::string& port) {
    std::string::size_type colon = address.find(':');
    host = address.substr(0, colon);
    port = colon == std::string::npos ? "161" : address.substr(colon + 1);
    if (host.empty() || host.size() > 253 || port.empty() || port.size() > 5) return false;
    for (char c : host) {
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-') return false;
    }
    long value = 0;
    for (char c : port) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= 65535;
}

}  // namespace corvex::snmp

using corvex::snmp::NetSnmpMutex;

SnmpTransport::~SnmpTransport() { close(); }

void SnmpTransport::close() {
    std::lock_guard<std::mutex> lock(NetSnmpMutex());
    if (sess_) snmp_sess_close(sess_);
    sess_ = nullptr;
    if (response_) snmp_free_pdu(response_);
    response_ = nullptr;
    pendingReqId_ = 0;
    hasKey_ = false;
    engineKnown_ = false;
    hasOwnKeys_ = false;
    bulkRefused_ = false;
    resolvedHost_.clear();
}

namespace {

// The dotted IPv4 address of a host (itself when it already is one); empty when it does not
// resolve. Runs without the Net-SNMP lock: a name server may take its time.
std::string Resolve(const std::string& host) {
    in_addr addr{};
    if (inet_pton(AF_INET, host.c_str(), &addr) == 1) return host;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), nullptr, &hints, &found) != 0 || !found) return {};
    char text[INET_ADDRSTRLEN] = {};
    const auto* in = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    const bool ok = inet_ntop(AF_INET, &in->sin_addr, text, sizeof text) != nullptr;
    freeaddrinfo(found);
    return ok ? text : std::string();
}

}  // namespace

namespace {
std::atomic<unsigned long> g_repliesReceived{0};
std::atomic<unsigned long> g_engineProbes{0};
}  // namespace

int SnmpTransport::ensureOpen(const corvex::snmp::SessionKey& key, int timeoutMs) {
    corvex::snmp::EnsureNetSnmp();
    if (!(sess_ && hasKey_ && key == key_)) {
        close();
        const std::string address = Resolve(key.host);
        if (address.empty()) {
            failure_ = SnmpFailure::UnknownHost;
            return -1;
        }
        netsnmp_session session;
        std::string peer = "udp:" + address + ":" + key.port;
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        snmp_sess_init(&session);
        session.peername = const_cast<char*>(peer.c_str());
        session.retries = 0;
        session.timeout = static_cast<long>(timeoutMs) * 1000L;
        if (!key.v3) {
            session.version = SNMP_VERSION_1;
            // The community is set on every PDU; the session default is never used.
            static char none[] = "";
            session.community = reinterpret_cast<u_char*>(none);
            session.community_len = 0;
        } else {
            if (key.user.empty()) {
                // No USM user has an empty name; Net-SNMP would fall back on its shared default.
                failure_ = SnmpFailure::NotSent;
                return -1;
            }
            session.version = SNMP_VERSION_3;
            // The engine ID is probed by this object, without holding the lock (below).
            session.flags |= SNMP_FLAGS_DONT_PROBE;
            session.securityModel = SNMP_SEC_MODEL_USM;
            session.securityName = const_cast<char*>(key.user.c_str());
            session.securityNameLen = key.user.size();
            if (key.flags == 0) {
                session.securityLevel = SNMP_SEC_LEVEL_NOAUTH;
            } else {
                session.securityLevel = key.flags == 3 ? SNMP_SEC_LEVEL_AUTHPRIV : SNMP_SEC_LEVEL_AUTHNOPRIV;
                if (key.authArith == 0) {
                    session.securityAuthProto = usmHMACMD5AuthProtocol;
                    session.securityAuthProtoLen = OID_LENGTH(usmHMACMD5AuthProtocol);
                } else if (key.authArith == 1) {
                    session.securityAuthProto = usmHMACSHA1AuthProtocol;
                    session.securityAuthProtoLen = OID_LENGTH(usmHMACSHA1AuthProtocol);
                } else {
                    failure_ = SnmpFailure::NotSent;
                    return -1;
                }
                session.securityAuthKeyLen = USM_AUTH_KU_LEN;
                if (generate_Ku(session.securityAuthProto, session.securityAuthProtoLen,
                                reinterpret_cast<const u_char*>(key.authPwd.data()), key.authPwd.size(),
                                session.securityAuthKey, &session.securityAuthKeyLen) != SNMPERR_SUCCESS) {
                    platform::Trace("snmp: authentication key could not be derived");
                    failure_ = SnmpFailure::NotSent;
                    return -1;
                }
                if (key.flags == 3) {
                    if (key.privArith != 0) {
                        failure_ = SnmpFailure::NotSent;
                        return -1;
                    }
                    session.securityPrivProto = usmDESPrivProtocol;
                    session.securityPrivProtoLen = OID_LENGTH(usmDESPrivProtocol);
                    session.securityPrivKeyLen = USM_PRIV_KU_LEN;
                    if (generate_Ku(session.securityAuthProto, session.securityAuthProtoLen,
                                    reinterpret_cast<const u_char*>(key.privPwd.data()), key.privPwd.size(),
                                    session.securityPrivKey, &session.securityPrivKeyLen) != SNMPERR_SUCCESS) {
                        platform::Trace("snmp: privacy key could not be derived");
                        failure_ = SnmpFailure::NotSent;
                        return -1;
                    }
                }
            }
        }
        // No network traffic here: v1 has none, and the v3 probe is switched off.
        sess_ = snmp_sess_open(&session);
        // Key material was copied by Net-SNMP; wipe our stack copy.
        explicit_bzero(session.securityAuthKey, sizeof session.securityAuthKey);
        explicit_bzero(session.securityPrivKey, sizeof session.securityPrivKey);
        if (!sess_) {
            platform::Trace("snmp: session to %s:%s could not be opened", key.host.c_str(), key.port.c_str());
            failure_ = SnmpFailure::NotSent;
            return -1;
        }
        // Net-SNMP clears the flag at open and would probe on the first send instead, waiting
        // for the agent under the lock; keep it set, this object probes by itself.
        if (key.v3) {
            if (netsnmp_session* ss = snmp_sess_session(sess_)) ss->flags |= SNMP_FLAGS_DONT_PROBE;
        }
        key_ = key;
        hasKey_ = true;
        resolvedHost_ = address;
    }
    if (!key.v3 || engineKnown_) return 0;

    const std::string peer = key.host + ":" + key.port + "/" + key.user;
    std::string noted;
    {
        std::lock_guard<std::mutex> lock(engineNote_->mutex);
        if (engineNote_->peer == peer) noted = engineNote_->engine;
    }
    // Engine ID discovery: a get without bindings, no authentication, empty engine ID; the
    // agent answers with a report that names its engine.
    netsnmp_pdu* probe = nullptr;
    if (noted.empty()) {
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        probe = snmp_pdu_create(SNMP_MSG_GET);
        if (probe) {
            probe->version = SNMP_VERSION_3;
            probe->securityName = strdup("");
            probe->securityNameLen = 0;
            probe->securityLevel = SNMP_SEC_LEVEL_NOAUTH;
            probe->securityModel = SNMP_SEC_MODEL_USM;
        }
    }
    if (!noted.empty()) {
        probedEngine_ = noted;
    } else if (!probe) {
        failure_ = SnmpFailure::NotSent;
        return -1;
    } else if (sendAndWait(probe, timeoutMs, true) != 0) {
        platform::Trace("snmp: no engine ID from %s:%s", key.host.c_str(), key.port.c_str());
        return -1;  // the session stays open; the next request probes again
    } else {
        g_engineProbes.fetch_add(1, std::memory_order_relaxed);
    }
    std::lock_guard<std::mutex> lock(NetSnmpMutex());
    netsnmp_session* ss = snmp_sess_session(sess_);
    if (!ss) {
        failure_ = SnmpFailure::NotSent;
        return -1;
    }
    if (ss->securityEngineIDLen == 0 && !probedEngine_.empty()) {
        ss->securityEngineID = static_cast<u_char*>(netsnmp_memdup(probedEngine_.data(), probedEngine_.size()));
        ss->securityEngineIDLen = ss->securityEngineID ? probedEngine_.size() : 0;
    }
    if (ss->contextEngineIDLen == 0 && ss->securityEngineIDLen != 0) {
        ss->contextEngineID = static_cast<u_char*>(netsnmp_memdup(ss->securityEngineID, ss->securityEngineIDLen));
        ss->contextEngineIDLen = ss->contextEngineID ? ss->securityEngineIDLen : 0;
    }
    if (ss->securityEngineIDLen == 0 || !ensureUserLocked()) {
        failure_ = SnmpFailure::Refused;
        return -1;
    }
    engineKnown_ = true;
    std::lock_guard<std::mutex> noteLock(engineNote_->mutex);
    engineNote_->peer = peer;
    engineNote_->engine.assign(reinterpret_cast<const char*>(ss->securityEngineID), ss->securityEngineIDLen);
    return 0;
}

namespace {

// The entry of the process-wide user list for exactly this engine and name, or null. Unlike
// usm_get_user, never the library's shared default user, which is in no list and must not be
// removed or freed.
usmUser* FindListedUser(const u_char* engine, size_t engineLen, const char* name) {
    if (!name || !*name) return nullptr;
    for (usmUser* u = usm_get_userList(); u; u = u->next) {
        if (u->engineIDLen == engineLen && u->name && std::strcmp(u->name, name) == 0 &&
            (engineLen == 0 || (u->engineID && std::memcmp(u->engineID, engine, engineLen) == 0)))
            return u;
    }
    return nullptr;
}

}  // namespace

bool SnmpTransport::ensureUserLocked() {
    netsnmp_session* ss = snmp_sess_session(sess_);
    if (!ss || ss->securityEngineIDLen == 0) return false;
    auto keysOf = [](const usmUser* user) {
        UserKeys k;
        if (user->authProtocol) k.authProto.assign(user->authProtocol, user->authProtocol + user->authProtocolLen);
        if (user->privProtocol) k.privProto.assign(user->privProtocol, user->privProtocol + user->privProtocolLen);
        if (user->authKey) k.authKey.assign(reinterpret_cast<const char*>(user->authKey), user->authKeyLen);
        if (user->privKey) k.privKey.assign(reinterpret_cast<const char*>(user->privKey), user->privKeyLen);
        return k;
    };
    usmUser* user = FindListedUser(ss->securityEngineID, ss->securityEngineIDLen, ss->securityName);
    if (user && hasOwnKeys_ && keysOf(user) == ownKeys_) return true;
    // Net-SNMP keeps one entry per (engine, user name) for the whole process and would keep
    // an existing one; replace it with this session's keys. Both steps happen under the lock,
    // so no other session ever finds the entry missing.
    if (user) {
        usm_remove_user(user);
        usm_free_user(user);
    }
    ss->flags &= ~SNMP_FLAGS_USER_CREATED;
    if (usm_create_user_from_session(ss) != SNMPERR_SUCCESS) return false;
    user = FindListedUser(ss->securityEngineID, ss->securityEngineIDLen, ss->securityName);
    if (!user) return false;
    ownKeys_ = keysOf(user);
    hasOwnKeys_ = true;
    return true;
}

unsigned long SnmpRepliesReceived() { return g_repliesReceived.load(std::memory_order_relaxed); }
unsigned long SnmpEngineProbes() { return g_engineProbes.load(std::memory_order_relaxed); }

int SnmpTransport::OnEvent(int op, netsnmp_session*, int reqid, netsnmp_pdu* pdu, void* magic) {
    auto* self = static_cast<SnmpTransport*>(magic);
    // Called under the Net-SNMP mutex from snmp_sess_read / snmp_sess_timeout.
    // A report that the agent could not tie to the request (it could not check or decrypt it)
    // carries request ID 0; Net-SNMP has matched it to the outstanding message already.
    // Net-SNMP tells of each resend of a read; the request goes on.
    if (op == NETSNMP_CALLBACK_OP_RESEND) return 1;
    if (op == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu && pdu->command == SNMP_MSG_RESPONSE)
        g_repliesReceived.fetch_add(1, std::memory_order_relaxed);
    const bool report = pdu && pdu->command == SNMP_MSG_REPORT;
    if (self->finished_ || self->pendingReqId_ == 0) return 1;
    if (reqid != self->pendingReqId_ && !(report && reqid == 0)) return 1;  // a request given up earlier
    self->finished_ = true;
    self->result_ = -1;
    const bool received = op == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE || op == NETSNMP_CALLBACK_OP_SEC_ERROR;
    if (received && pdu && self->probing_ && (pdu->command == SNMP_MSG_REPORT || pdu->command == SNMP_MSG_RESPONSE)) {
        if (pdu->securityEngineID && pdu->securityEngineIDLen)
            self->probedEngine_.assign(reinterpret_cast<const char*>(pdu->securityEngineID), pdu->securityEngineIDLen);
        self->result_ = 0;
    } else if (op == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu && pdu->command == SNMP_MSG_RESPONSE) {
        // Net-SNMP frees the PDU once this returns: its bindings are taken over rather than
        // copied, in a PDU of our own that holds what the reply is read for.
        self->response_ = snmp_pdu_create(SNMP_MSG_RESPONSE);
        if (self->response_) {
            self->response_->reqid = pdu->reqid;
            self->response_->errstat = pdu->errstat;
            self->response_->errindex = pdu->errindex;
            self->response_->variables = pdu->variables;
            pdu->variables = nullptr;
        }
        self->result_ = self->response_ ? 0 : -1;
        self->eventFailure_ = SnmpFailure::NotSent;
    } else if (report) {
        self->eventFailure_ = ReportFailure(pdu);  // unknown user, wrong digest, ...
    } else if (op == NETSNMP_CALLBACK_OP_SEC_ERROR) {
        self->eventFailure_ = SnmpFailure::AuthFailed;  // the reply failed our own checks
    } else if (received) {
        self->eventFailure_ = SnmpFailure::Refused;
    } else if (op == NETSNMP_CALLBACK_OP_TIMED_OUT) {
        self->eventFailure_ = SnmpFailure::NoAnswer;
    } else {
        self->eventFailure_ = SnmpFailure::NotSent;
    }
    return 1;
}
namespace {
constexpr long long kAbortSliceMs = 20;
}  // namespace

SnmpFailure SnmpTransport::ReportFailure(netsnmp_pdu* pdu) {
    if (!pdu || pdu->command != SNMP_MSG_REPORT) return SnmpFailure::Refused;
    switch (snmpv3_get_report_type(pdu)) {
    case SNMPERR_AUTHENTICATION_FAILURE: return SnmpFailure::AuthFailed;
    case SNMPERR_UNKNOWN_USER_NAME: return SnmpFailure::UnknownUser;
    case SNMPERR_DECRYPTION_ERR: return SnmpFailure::PrivacyFailed;
    default: return SnmpFailure::Refused;
    }
}

void SnmpTransport::pump(std::chrono::steady_clock::time_point deadline) {
    using Clock = std::chrono::steady_clock;
    netsnmp_large_fd_set fds;
    netsnmp_large_fd_set_init(&fds, FD_SETSIZE);
    std::vector<pollfd>& polled = polled_;
    for (;;) {
        int numfds = 0;
        int block = 1;  // in: no limit of our own; out: 0 when tv holds Net-SNMP's next time-out
        timeval tv{};
        polled.clear();
        {
            std::lock_guard<std::mutex> lock(NetSnmpMutex());
            if (finished_) break;
            NETSNMP_LARGE_FD_ZERO(&fds);
            snmp_sess_select_info2(sess_, &numfds, &fds, &tv, &block);
            for (int fd = 0; fd < numfds; ++fd) {
                if (netsnmp_large_fd_is_set(fd, &fds)) polled.push_back({fd, POLLIN, 0});
            }
        }
        auto now = Clock::now();
        if (now >= deadline || abort_) break;
        // In short slices, so that an abort is seen at once.
        long long waitMs = std::min<long long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count(), kAbortSliceMs);
        if (!block) waitMs = std::min<long long>(waitMs, tv.tv_sec * 1000LL + (tv.tv_usec + 999) / 1000);
        int ready = ::poll(polled.data(), polled.size(), static_cast<int>(std::max<long long>(waitMs, 0)));
        if (abort_) break;
        if (ready == 0 && Clock::now() < deadline && (block || tv.tv_sec * 1000LL + tv.tv_usec / 1000 > waitMs))
            continue;  // only a slice has passed; Net-SNMP's time-out lies further ahead
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        if (ready > 0) {
            NETSNMP_LARGE_FD_ZERO(&fds);
            for (const pollfd& p : polled) {
                if (p.revents) netsnmp_large_fd_setfd(p.fd, &fds);
            }
            // The reply is checked with the user's keys: make sure they are this session's.
            if (key_.v3 && !probing_) ensureUserLocked();
            snmp_sess_read2(sess_, &fds);
        } else {
            snmp_sess_timeout(sess_);
        }
        if (finished_) break;
    }
    netsnmp_large_fd_set_cleanup(&fds);
}

int SnmpTransport::exchange(netsnmp_pdu* pdu, int timeoutMs, netsnmp_pdu** response) {
    *response = nullptr;
    if (sendAndWait(pdu, timeoutMs, false) != 0) {
        if (failure_ == SnmpFailure::NoAnswer) diagnoseSilence(timeoutMs);
        return -1;
    }
    std::lock_guard<std::mutex> lock(NetSnmpMutex());
    *response = response_;
    response_ = nullptr;
    return 0;
}

void SnmpTransport::diagnoseSilence(int timeoutMs) {
    // An agent that cannot decrypt a request drops it without a report, so a wrong privacy pass
    // phrase looks like a silent switch. One get with authentication only tells them apart: an
    // agent that answers it (with anything) is there, and did not take our encryption.
    if (!key_.v3 || key_.flags != 3 || !engineKnown_ || abort_) return;
    static const oid kSysUpTime[] = {1, 3, 6, 1, 2, 1, 1, 3, 0};
    netsnmp_pdu* check = nullptr;
    {
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        check = snmp_pdu_create(SNMP_MSG_GET);
        if (!check) return;
        check->securityLevel = SNMP_SEC_LEVEL_AUTHNOPRIV;
        snmp_add_null_var(check, kSysUpTime, OID_LENGTH(kSysUpTime));
    }
    const int rc = sendAndWait(check, timeoutMs, false, 1);
    std::lock_guard<std::mutex> lock(NetSnmpMutex());
    if (response_) snmp_free_pdu(response_);
    response_ = nullptr;
    const bool answered = rc == 0 || (failure_ != SnmpFailure::NoAnswer && failure_ != SnmpFailure::Cancelled &&
                                      failure_ != SnmpFailure::NotSent && failure_ != SnmpFailure::AuthFailed &&
                                      failure_ != SnmpFailure::UnknownUser);
    failure_ = answered ? SnmpFailure::PrivacyFailed : failure_ == SnmpFailure::Cancelled ? failure_ : SnmpFailure::NoAnswer;
}

int SnmpTransport::sendAndWait(netsnmp_pdu* pdu, int timeoutMs, bool probe, int tries) {
    using Clock = std::chrono::steady_clock;
    // Reads (and the engine probe) are sent again when no answer comes, so that one lost
    // datagram does not fail them; a set is sent once, as repeating it is not harmless (a
    // repeated row creation is refused although the first one worked).
    if (tries <= 0) tries = pdu && pdu->command == SNMP_MSG_SET ? 1 : corvex::snmp::kReadTries;
    if (!sess_ || abort_) {
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        snmp_free_pdu(pdu);
        failure_ = sess_ ? SnmpFailure::Cancelled : SnmpFailure::NotSent;
        return -1;
    }
    // How long each send waits follows this switch's round trip: a lost request is asked again
    // after the retransmission time-out rather than the whole time-out.
    const std::string peer = resolvedHost_ + ":" + key_.port;
    const corvex::snmp::RoundTrip trip = corvex::snmp::SwitchRoundTrip(peer);
    const std::vector<int> waits = corvex::snmp::RequestWaits(trip, timeoutMs, tries);
    long total = 0;
    for (int w : waits) total += w;
    netsnmp_pdu* again = nullptr;  // what each further send is copied from
    {
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        netsnmp_session* ss = snmp_sess_session(sess_);
        if (ss) {
            // This object sends again itself; Net-SNMP's own timer only drops what is left over.
            ss->timeout = (total + 1000) * 1000L;
            ss->retries = 0;
        }
        finished_ = false;
        probing_ = probe;
        result_ = -1;
        eventFailure_ = SnmpFailure::NoAnswer;
        probedEngine_.clear();
        if (response_) snmp_free_pdu(response_);
        response_ = nullptr;
        pendingReqId_ = 0;
        // Another session's open may have replaced this user's process-wide entry.
        if (!probe && key_.v3 && !ensureUserLocked()) {
            snmp_free_pdu(pdu);
            failure_ = SnmpFailure::NotSent;
            return -1;
        }
        if (waits.size() > 1) again = snmp_clone_pdu(pdu);
        int reqid = snmp_sess_async_send(sess_, pdu, &SnmpTransport::OnEvent, this);
        if (reqid == 0) {
            int libError = 0, sysError = 0;
            char* text = nullptr;
            snmp_sess_error(sess_, &libError, &sysError, &text);
            platform::Trace("snmp: request not sent: %s", text ? text : "");
            std::free(text);
            snmp_free_pdu(pdu);
            if (again) snmp_free_pdu(again);
            failure_ = SnmpFailure::NotSent;
            return -1;
        }
        pendingReqId_ = reqid;
        lastReqId_ = reqid;
    }
    const auto sentAt = Clock::now();
    auto deadline = sentAt;
    std::size_t sends = 0;
    bool answered = false;
    for (std::size_t i = 0; i < waits.size(); ++i) {
        if (i > 0) {
            // The same request ID again; an SNMPv3 message gets a message ID of its own.
            std::lock_guard<std::mutex> lock(NetSnmpMutex());
            if (finished_ || abort_ || !again) break;
            netsnmp_pdu* copy = snmp_clone_pdu(again);
            if (!copy) break;
            if (key_.v3) copy->msgid = snmp_get_next_msgid();
            if (!probe && key_.v3) ensureUserLocked();
            if (snmp_sess_async_send(sess_, copy, &SnmpTransport::OnEvent, this) == 0) {
                snmp_free_pdu(copy);
                break;
            }
        }
        ++sends;
        deadline += std::chrono::milliseconds(waits[i]);
        pump(deadline);
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        answered = finished_;
        if (finished_ || abort_) break;
    }
    const auto answeredAt = Clock::now();
    {
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        if (again) snmp_free_pdu(again);
        // Only an answer to a request sent once tells the round trip (the answer to a request
        // sent twice may answer either). While nothing is known, the time since the first send
        // is taken anyway: it is at least the round trip, and without it a switch farther away
        // than every wait would be asked twice for ever.
        const bool heard = answered && (result_ == 0 || (eventFailure_ != SnmpFailure::NotSent &&
                                                          eventFailure_ != SnmpFailure::NoAnswer));
        if (heard && (sends == 1 || !trip.known()))
            corvex::snmp::NoteRoundTrip(peer, std::chrono::duration<double, std::milli>(answeredAt - sentAt).count());
        else if (sends > 1)
            corvex::snmp::NoteSentAgain(peer);
    }
    std::lock_guard<std::mutex> lock(NetSnmpMutex());
    pendingReqId_ = 0;  // a reply that still comes is ignored
    probing_ = false;
    if (!finished_ || result_ != 0) {
        if (response_) snmp_free_pdu(response_);
        response_ = nullptr;
        failure_ = finished_ ? eventFailure_ : abort_ ? SnmpFailure::Cancelled : SnmpFailure::NoAnswer;
        finished_ = true;
        const bool report = failure_ == SnmpFailure::Refused || failure_ == SnmpFailure::AuthFailed ||
                            failure_ == SnmpFailure::UnknownUser || failure_ == SnmpFailure::PrivacyFailed;
        if (!probe && report && key_.v3) {
            // The agent may have a new engine (a replaced switch): probe again next time.
            netsnmp_session* ss = snmp_sess_session(sess_);
            if (ss) {
                std::lock_guard<std::mutex> noteLock(engineNote_->mutex);
                if (engineNote_->engine.size() == ss->securityEngineIDLen && ss->securityEngineID &&
                    std::memcmp(engineNote_->engine.data(), ss->securityEngineID, ss->securityEngineIDLen) == 0)
                    engineNote_->engine.clear();  // the others ask the agent again too
            }
            if (ss) {
                SNMP_FREE(ss->securityEngineID);
                ss->securityEngineIDLen = 0;
                SNMP_FREE(ss->contextEngineID);
                ss->contextEngineIDLen = 0;
            }
            engineKnown_ = false;
        }
        return -1;
    }
    failure_ = SnmpFailure::None;
    return 0;
}
