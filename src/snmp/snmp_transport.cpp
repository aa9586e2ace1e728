// Net-SNMP sessions: process-wide initialisation, opening, and one request at a time with the
// socket wait outside the global lock.
#include "snmp/snmp_transport.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/library/large_fd_set.h>
#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstring>
#include <functional>
#include <map>
#include <chrono>
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

// Net-SNMP keeps one key set per (engine, user name) for the whole process and prefers an
// existing entry over the keys of a new session. Forget earlier entries of this user so that a
// session always authenticates with its own pass phrases.
void ForgetUser(const std::string& name) {
    for (usmUser* user = usm_get_userList(); user;) {
        usmUser* next = user->next;
        if (user->name && name == user->name) {
            usm_remove_user(user);
            usm_free_user(user);
        }
        user = next;
    }
}

// The keys each user's entries were last made with (a digest, never the keys themselves), so
// that a session opened with the same keys leaves the entry that sessions already open are
// using: removing it under them makes their requests and replies fail.
std::map<std::string, std::size_t>& UserKeyDigests() {
    static std::map<std::string, std::size_t> digests;
    return digests;
}

std::size_t KeyDigest(const netsnmp_session& s) {
    std::string material;
    material.reserve(512);  // no reallocation leaves a copy of the keys behind
    auto add = [&material](const void* bytes, std::size_t length) {
        if (bytes && length) material.append(static_cast<const char*>(bytes), length);
        material.push_back('|');
    };
    add(s.securityAuthProto, s.securityAuthProtoLen * sizeof(oid));
    add(s.securityAuthKey, s.securityAuthKeyLen);
    add(s.securityPrivProto, s.securityPrivProtoLen * sizeof(oid));
    add(s.securityPrivKey, s.securityPrivKeyLen);
    material.push_back(static_cast<char>(s.securityLevel));
    const std::size_t digest = std::hash<std::string>{}(material);
    explicit_bzero(material.data(), material.size());
    return digest;
}

// Called under the Net-SNMP mutex before a v3 session of `name` opens.
void PrepareUser(const std::string& name, const netsnmp_session& session) {
    const std::size_t digest = KeyDigest(session);
    auto& digests = UserKeyDigests();
    auto it = digests.find(name);
    if (it != digests.end() && it->second == digest) return;
    ForgetUser(name);
    digests[name] = digest;
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
}

int SnmpTransport::ensureOpen(const corvex::snmp::SessionKey& key, int timeoutMs) {
    corvex::snmp::EnsureNetSnmp();
    if (sess_ && hasKey_ && key == key_) return 0;
    close();

    netsnmp_session session;
    std::string peer = "udp:" + key.host + ":" + key.port;
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
        session.version = SNMP_VERSION_3;
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
                return -1;
            }
            session.securityAuthKeyLen = USM_AUTH_KU_LEN;
            if (generate_Ku(session.securityAuthProto, session.securityAuthProtoLen,
                            reinterpret_cast<const u_char*>(key.authPwd.data()), key.authPwd.size(),
                            session.securityAuthKey, &session.securityAuthKeyLen) != SNMPERR_SUCCESS) {
                platform::Trace("snmp: authentication key could not be derived");
                return -1;
            }
            if (key.flags == 3) {
                if (key.privArith != 0) return -1;
                session.securityPrivProto = usmDESPrivProtocol;
                session.securityPrivProtoLen = OID_LENGTH(usmDESPrivProtocol);
                session.securityPrivKeyLen = USM_PRIV_KU_LEN;
                if (generate_Ku(session.securityAuthProto, session.securityAuthProtoLen,
                                reinterpret_cast<const u_char*>(key.privPwd.data()), key.privPwd.size(),
                                session.securityPrivKey, &session.securityPrivKeyLen) != SNMPERR_SUCCESS) {
                    platform::Trace("snmp: privacy key could not be derived");
                    return -1;
                }
            }
        }
    }
    if (key.v3) corvex::snmp::PrepareUser(key.user, session);
    // For v3 this also discovers the agent's engine ID (one exchange, bounded by the time-out).
    sess_ = snmp_sess_open(&session);
    // Key material was copied by Net-SNMP; wipe our stack copy.
    explicit_bzero(session.securityAuthKey, sizeof session.securityAuthKey);
    explicit_bzero(session.securityPrivKey, sizeof session.securityPrivKey);
    if (!sess_) {
        platform::Trace("snmp: session to %s:%s could not be opened", key.host.c_str(), key.port.c_str());
        return -1;
    }
    key_ = key;
    hasKey_ = true;
    return 0;
}

int SnmpTransport::OnEvent(int op, netsnmp_session*, int reqid, netsnmp_pdu* pdu, void* magic) {
    auto* self = static_cast<SnmpTransport*>(magic);
    // Called under the Net-SNMP mutex from snmp_sess_read / snmp_sess_timeout.
    if (reqid != self->pendingReqId_ || self->finished_) return 1;  // a request given up earlier
    self->finished_ = true;
    if (op == NETSNMP_CALLBACK_OP_RECEIVED_MESSAGE && pdu && pdu->command == SNMP_MSG_RESPONSE) {
        self->response_ = snmp_clone_pdu(pdu);
        self->result_ = self->response_ ? 0 : -1;
    } else {
        self->result_ = -1;  // time-out, send failure, or a report (unknown user, wrong digest...)
    }
    return 1;
}

void SnmpTransport::pump(int timeoutMs) {
    using Clock = std::chrono::steady_clock;
    // Net-SNMP times the request out itself; the extra second only guards against a lost timer.
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs + 1000);
    netsnmp_large_fd_set fds;
    netsnmp_large_fd_set_init(&fds, FD_SETSIZE);
    std::vector<pollfd> polled;
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
        if (now >= deadline) break;
        long long waitMs = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - now).count();
        if (!block) waitMs = std::min<long long>(waitMs, tv.tv_sec * 1000LL + (tv.tv_usec + 999) / 1000);
        int ready = ::poll(polled.data(), polled.size(), static_cast<int>(std::max<long long>(waitMs, 0)));
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        if (ready > 0) {
            NETSNMP_LARGE_FD_ZERO(&fds);
            for (const pollfd& p : polled) {
                if (p.revents) netsnmp_large_fd_setfd(p.fd, &fds);
            }
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
    if (!sess_) {
        snmp_free_pdu(pdu);
        return -1;
    }
    {
        std::lock_guard<std::mutex> lock(NetSnmpMutex());
        netsnmp_session* ss = snmp_sess_session(sess_);
        if (ss) ss->timeout = static_cast<long>(timeoutMs) * 1000L;
        finished_ = false;
        result_ = -1;
        if (response_) snmp_free_pdu(response_);
        response_ = nullptr;
        pendingReqId_ = 0;
        int reqid = snmp_sess_async_send(sess_, pdu, &SnmpTransport::OnEvent, this);
        if (reqid == 0) {
            snmp_free_pdu(pdu);
            return -1;
        }
        pendingReqId_ = reqid;
        lastReqId_ = reqid;
    }
    pump(timeoutMs);
    std::lock_guard<std::mutex> lock(NetSnmpMutex());
    pendingReqId_ = 0;  // a reply that still comes is ignored
    if (!finished_ || result_ != 0) {
        if (response_) snmp_free_pdu(response_);
        response_ = nullptr;
        finished_ = true;
        return -1;
    }
    *response = response_;
    response_ = nullptr;
    return 0;
}
