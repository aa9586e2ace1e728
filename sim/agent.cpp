#include "agent.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <net-snmp/agent/net-snmp-agent-includes.h>
#include <net-snmp/agent/agent_callbacks.h>
#include <net-snmp/library/snmpusm.h>

#include <arpa/inet.h>

#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>
#include <sstream>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

namespace corvex::sim {

namespace {

struct DelayedReply;

struct AgentState {
    Device* device = nullptr;
    const Options* opt = nullptr;
    FILE* log = nullptr;
    unsigned long long seq = 0;
    long long pdus = 0;
    bool suppressNextReply = false;  // the reply of the PDU being processed is dropped
    bool bulkRequest = false;        // the PDU being processed is a GETBULK
    int replyDelayMs = 0;            // how late the reply of the PDU being processed goes out
    struct timeval silentUntil {};
    std::map<void*, Transaction> tx;
    std::set<DelayedReply*> delayed;  // --delay-ms replies waiting for their alarm
    int (*origSend)(netsnmp_transport*, const void*, int, void**, int*) = nullptr;
};

AgentState g;
volatile std::sig_atomic_t g_stop = 0;

void onSignal(int) { g_stop = 1; }

// --drop-every / --drop-percent: whether the request just counted is lost on the way. A small
// generator of our own, so that one seed loses the same requests on every machine.
bool lostNow() {
    if (g.opt->dropEvery > 0 && g.pdus % g.opt->dropEvery == 0) return true;
    if (g.opt->dropPercent <= 0) return false;
    std::uint64_t x = (static_cast<std::uint64_t>(g.opt->dropSeed) << 32) ^ static_cast<std::uint64_t>(g.pdus);
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return static_cast<int>(x % 100) < g.opt->dropPercent;
}

bool silentNow() {
    if (g.opt->silentAfter >= 0 && g.pdus > g.opt->silentAfter) return true;
    struct timeval now;
    gettimeofday(&now, nullptr);
    return timercmp(&now, &g.silentUntil, <);
}

Oid toOid(const oid* name, size_t len) { return Oid(name, name + len); }

bool touches(const Oid& prefix, const Oid& o) { return isPrefix(prefix, o); }

bool touchesQuiet(const Oid& o) {
    for (auto& p : g.opt->dropPrefixes)
        if (touches(p, o)) return true;
    for (auto& p : g.device->quietPrefixes)
        if (touches(p, o)) return true;
    return false;
}

bool absent(const Oid& o) {
    for (auto& p : g.opt->absentPrefixes)
        if (touches(p, o)) return true;
    return false;
}

// ---- request log ----

const char* pduName(int command) {
    switch (command) {
    case SNMP_MSG_GET: return "get";
    case SNMP_MSG_GETNEXT: return "getnext";
    case SNMP_MSG_SET: return "set";
    case SNMP_MSG_GETBULK: return "getbulk";
    case SNMP_MSG_INFORM: return "inform";
    case SNMP_MSG_TRAP2: return "trap2";
    case SNMP_MSG_RESPONSE: return "response";
    default: return "other";
    }
}

std::string vbValueJson(const netsnmp_variable_list* vb) {
    switch (vb->type) {
    case ASN_INTEGER: return std::to_string(*vb->val.integer);
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS: return std::to_string(static_cast<unsigned long>(*vb->val.integer) & 0xffffffffUL);
    case ASN_COUNTER64: {
        unsigned long long v = (static_cast<unsigned long long>(vb->val.counter64->high) << 32) | vb->val.counter64->low;
        return std::to_string(v);
    }
    case ASN_OCTET_STR:
    case ASN_OPAQUE:
        return "\"" + toHex(std::string(reinterpret_cast<const char*>(vb->val.string), vb->val_len)) + "\"";
    case ASN_IPADDRESS:
        return "\"" + ipText(std::string(reinterpret_cast<const char*>(vb->val.string), vb->val_len)) + "\"";
    case ASN_OBJECT_ID: return "\"" + oidToString(toOid(vb->val.objid, vb->val_len / sizeof(oid))) + "\"";
    default: return "null";
    }
}

const char* levelName(int level) {
    switch (level) {
    case SNMP_SEC_LEVEL_AUTHPRIV: return "authPriv";
    case SNMP_SEC_LEVEL_AUTHNOPRIV: return "authNoPriv";
    default: return "noAuthNoPriv";
    }
}

void logPdu(const netsnmp_pdu* pdu, bool lost) {
    if (!g.log) return;
    struct timeval now;
    gettimeofday(&now, nullptr);
    struct tm tmv;
    gmtime_r(&now.tv_sec, &tmv);
    char ts[64];
    std::snprintf(ts, sizeof ts, "%04d-%02d-%02dT%02d:%02d:%02d.%03ldZ", tmv.tm_year + 1900, tmv.tm_mon + 1, tmv.tm_mday,
                  tmv.tm_hour, tmv.tm_min, tmv.tm_sec, static_cast<long>(now.tv_usec / 1000));
    std::ostringstream out;
    out << "{\"seq\":" << ++g.seq << ",\"time\":\"" << ts << "\",\"version\":\"";
    if (pdu->version == SNMP_VERSION_3) {
        out << "3\",\"user\":\""
            << jsonEscape(std::string(pdu->securityName ? pdu->securityName : "", pdu->securityNameLen))
            << "\",\"level\":\"" << levelName(pdu->securityLevel) << "\",\"max_size\":" << pdu->msgMaxSize;
    } else {
        out << (pdu->version == SNMP_VERSION_1 ? "1" : "2c") << "\",\"community\":\""
            << jsonEscape(std::string(reinterpret_cast<const char*>(pdu->community ? pdu->community : (u_char*)""),
                                      pdu->community_len))
            << "\"";
    }
    out << ",\"pdu\":\"" << pduName(pdu->command) << "\",\"request_id\":" << pdu->reqid;
    if (lost) out << ",\"lost\":\"" << (g.opt->dropReplies ? "reply" : "request") << "\"";
    if (pdu->command == SNMP_MSG_GETBULK)
        out << ",\"non_repeaters\":" << pdu->errstat << ",\"max_repetitions\":" << pdu->errindex;
    out << ",\"bindings\":[";
    bool first = true;
    for (auto* vb = pdu->variables; vb; vb = vb->next_variable) {
        if (!first) out << ",";
        first = false;
        out << "{\"oid\":\"" << oidToString(toOid(vb->name, vb->name_length)) << "\",\"type\":\"" << tagName(vb->type)
            << "\",\"value\":" << vbValueJson(vb) << "}";
    }
    out << "]}\n";
    std::string line = out.str();
    std::fwrite(line.data(), 1, line.size(), g.log);
    std::fflush(g.log);
}

// ---- access control ----

int onAcmInitial(int, int, void* serverarg, void*) {
    auto* vp = static_cast<view_parameters*>(serverarg);
    netsnmp_pdu* pdu = vp->pdu;
    ++g.pdus;
    g.suppressNextReply = false;
    g.bulkRequest = pdu->command == SNMP_MSG_GETBULK;
    g.replyDelayMs = g.opt->delayMs;
    g.tx.clear();  // requests are handled one at a time; nothing of an earlier set survives
    const bool lost = lostNow();
    logPdu(pdu, lost);
    // Access itself is decided by the library's VACM callback; this one logs and imposes silence.
    g.device->runBeforeRequest();
    if (lost && g.opt->dropReplies) g.suppressNextReply = true;
    if (silentNow() || (lost && !g.opt->dropReplies)) {
        vp->errorcode = VACM_NOSECNAME;
        g.suppressNextReply = pdu->version == SNMP_VERSION_3;
        return 0;
    }
    for (auto* vb = pdu->variables; vb; vb = vb->next_variable) {
        const Oid o = toOid(vb->name, vb->name_length);
        if (touchesQuiet(o)) g.suppressNextReply = true;
        if (pdu->command == SNMP_MSG_SET)
            for (auto& p : g.opt->dropSetReplies)
                if (touches(p, o)) g.suppressNextReply = true;
        for (auto& [prefix, ms] : g.opt->delayPrefixes)
            if (touches(prefix, o)) g.replyDelayMs = ms;
    }
    return 0;
}

// ---- transport: reply suppression and delay ----

struct DelayedReply {
    netsnmp_transport* t;
    std::vector<char> data;
    std::vector<char> opaque;
};

void sendDelayed(unsigned int, void* arg) {
    auto* d = static_cast<DelayedReply*>(arg);
    void* op = d->opaque.empty() ? nullptr : d->opaque.data();
    int olen = static_cast<int>(d->opaque.size());
    g.origSend(d->t, d->data.data(), static_cast<int>(d->data.size()), op ? &op : nullptr, &olen);
    g.delayed.erase(d);
    delete d;
}

// Replies still waiting when the agent stops are never sent; their alarms go with the library.
void dropDelayed() {
    for (DelayedReply* d : g.delayed) delete d;
    g.delayed.clear();
}

int wrappedSend(netsnmp_transport* t, const void* buf, int len, void** opaque, int* olen) {
    if (g.suppressNextReply || silentNow()) {
        g.suppressNextReply = false;
        return len;
    }
    const int delayMs = g.replyDelayMs;
    g.replyDelayMs = g.opt->delayMs;  // a prefix's own delay holds for its reply only
    if (delayMs > 0) {
        auto* d = new DelayedReply{t, std::vector<char>(static_cast<const char*>(buf), static_cast<const char*>(buf) + len), {}};
        if (opaque && *opaque && olen && *olen > 0)
            d->opaque.assign(static_cast<const char*>(*opaque), static_cast<const char*>(*opaque) + *olen);
        struct timeval tv {delayMs / 1000, (delayMs % 1000) * 1000};
        g.delayed.insert(d);
        snmp_alarm_register_hr(tv, 0, sendDelayed, d);
        return len;
    }
    return g.origSend(t, buf, len, opaque, olen);
}

// ---- relay marker ----

// The marker a relay adds to replies: 1.3.6.1.4.1.171.7777.1.0, IpAddress of the device.
const oid kProxyMarkerOid[] = {1, 3, 6, 1, 4, 1, 171, 7777, 1, 0};

void addProxyMarker(netsnmp_pdu* pdu) {
    std::string host = g.opt->listen;
    for (const char* p : {"udp:", "tcp:"})
        if (host.rfind(p, 0) == 0) host = host.substr(std::strlen(p));
    host = host.substr(0, host.rfind(':'));
    in_addr addr{};
    if (inet_pton(AF_INET, host.c_str(), &addr) != 1) inet_pton(AF_INET, "127.0.0.1", &addr);
    netsnmp_variable_list* marker = snmp_pdu_add_variable(pdu, kProxyMarkerOid, OID_LENGTH(kProxyMarkerOid),
                                                          ASN_IPADDRESS, &addr.s_addr, 4);
    if (!marker || g.opt->proxyMarker != 1 || pdu->variables == marker) return;
    // Added last; move it to the front.
    netsnmp_variable_list* before = pdu->variables;
    while (before->next_variable != marker) before = before->next_variable;
    before->next_variable = nullptr;
    marker->next_variable = pdu->variables;
    pdu->variables = marker;
}

// --bad-reply: bindings that do not answer the request.
void spoilReply(netsnmp_pdu* pdu) {
    netsnmp_variable_list* first = pdu->variables;
    if (!first) return;
    if (g.opt->badReply == 1) {
        static const oid kSysName[] = {1, 3, 6, 1, 2, 1, 1, 5, 0};
        snmp_pdu_add_variable(pdu, kSysName, OID_LENGTH(kSysName), ASN_OCTET_STR, "extra", 5);
    } else if (g.opt->badReply == 2) {
        netsnmp_variable_list** last = &pdu->variables;
        while ((*last)->next_variable) last = &(*last)->next_variable;
        snmp_free_var(*last);
        *last = nullptr;
    } else if (g.opt->badReply == 4) {
        pdu->errstat = 99;
        pdu->errindex = 1;
    } else if (g.opt->badReply == 3) {
        std::vector<oid> name(first->name, first->name + first->name_length);
        name.back() += 1000;
        snmp_set_var_objid(first, name.data(), name.size());
    } else if (g.opt->badReply == 5) {  // an INTEGER becomes a string, anything else an INTEGER
        if (first->type == ASN_INTEGER) snmp_set_var_typed_value(first, ASN_OCTET_STR, "1", 1);
        else {
            long one = 1;
            snmp_set_var_typed_value(first, ASN_INTEGER, &one, sizeof one);
        }
    } else if (g.opt->badReply == 6) {  // the same type, another value
        if (first->type == ASN_OCTET_STR) {
            std::string text(reinterpret_cast<const char*>(first->val.string), first->val_len);
            text += "x";
            snmp_set_var_typed_value(first, ASN_OCTET_STR, text.data(), text.size());
        } else if (first->type == ASN_INTEGER || first->type == ASN_GAUGE || first->type == ASN_COUNTER ||
                   first->type == ASN_TIMETICKS) {
            long value = *first->val.integer + 1;
            snmp_set_var_typed_value(first, first->type, &value, sizeof value);
        } else if (first->type == ASN_IPADDRESS && first->val_len == 4) {
            u_char addr[4];
            std::memcpy(addr, first->val.string, 4);
            addr[3] ^= 1;
            snmp_set_var_typed_value(first, ASN_IPADDRESS, addr, 4);
        }
    } else if (g.opt->badReply == 7) {  // an exception value, in whatever version the reply is
        snmp_set_var_typed_value(first, SNMP_NOSUCHOBJECT, nullptr, 0);
    }
}

// The largest UDP datagram over IPv4 carries 65507 octets; an SNMPv3 manager may ask for less.
size_t largestReply(const netsnmp_pdu* pdu) {
    size_t limit = 65507;
    if (pdu->version == SNMP_VERSION_3 && pdu->msgMaxSize >= 484 && static_cast<size_t>(pdu->msgMaxSize) < limit)
        limit = static_cast<size_t>(pdu->msgMaxSize);
    return limit;
}

// Builds every outgoing message of the agent's session: replies get the marker (and the
// spoiling of --bad-reply); a reply that would not fit into one datagram becomes tooBig with
// no bindings, as an agent answers then.
int buildReply(netsnmp_session* session, netsnmp_pdu* pdu, u_char** buf, size_t* bufLen, size_t* offset) {
    const bool reply = pdu->command == SNMP_MSG_RESPONSE;
    if (reply && g.opt->noBulk && g.bulkRequest) {  // --no-bulk: genErr, no bindings
        snmp_free_varbind(pdu->variables);
        pdu->variables = nullptr;
        pdu->errstat = SNMP_ERR_GENERR;
        pdu->errindex = 1;
    }
    if (reply && g.opt->badReply) spoilReply(pdu);
    if (reply && g.opt->proxyMarker) addProxyMarker(pdu);
    pdu->flags &= ~UCD_MSG_FLAG_FORWARD_ENCODE;  // encoded backwards, from the end of the buffer
    *offset = 0;
    int rc = snmp_build(buf, bufLen, offset, session, pdu);
    if (reply && (rc != 0 || *offset > largestReply(pdu))) {
        snmp_free_varbind(pdu->variables);
        pdu->variables = nullptr;
        pdu->errstat = SNMP_ERR_TOOBIG;
        pdu->errindex = 0;
        *offset = 0;
        rc = snmp_build(buf, bufLen, offset, session, pdu);
    }
    if (rc == 0) std::memmove(*buf, *buf + *bufLen - *offset, *offset);  // the caller sends from the start
    return rc;
}

// As netsnmp_register_agent_nsap, with the reply build hook (buildReply) on the session.
bool serveWithHook(netsnmp_transport* t) {
    auto* s = static_cast<netsnmp_session*>(calloc(1, sizeof(netsnmp_session)));
    if (!s) return false;
    snmp_sess_init(s);
    s->version = SNMP_DEFAULT_VERSION;
    s->callback = handle_snmp_packet;
    s->authenticator = nullptr;
    s->flags = netsnmp_ds_get_int(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_FLAGS);
    s->isAuthoritative = SNMP_SESS_AUTHORITATIVE;
    t->flags |= NETSNMP_TRANSPORT_FLAG_OPENED;
    netsnmp_session* sp = snmp_add_full(s, t, netsnmp_agent_check_packet, nullptr, netsnmp_agent_check_parse, nullptr,
                                        buildReply, nullptr, nullptr);
    free(s);
    return sp != nullptr;
}

// ---- the object handler ----

void setResult(netsnmp_variable_list* vb, const Value& v) {
    switch (v.type) {
    case tag::Integer: {
        long x = static_cast<long>(v.num);
        snmp_set_var_typed_value(vb, ASN_INTEGER, &x, sizeof x);
        break;
    }
    case tag::Counter:
    case tag::Gauge:
    case tag::TimeTicks: {
        u_long x = static_cast<u_long>(v.num) & 0xffffffffUL;
        snmp_set_var_typed_value(vb, v.type, &x, sizeof x);
        break;
    }
    case tag::Counter64: {
        struct counter64 c;
        c.high = static_cast<u_long>(static_cast<unsigned long long>(v.num) >> 32);
        c.low = static_cast<u_long>(v.num) & 0xffffffffUL;
        snmp_set_var_typed_value(vb, ASN_COUNTER64, &c, sizeof c);
        break;
    }
    case tag::Octets:
    case tag::IpAddress:
        snmp_set_var_typed_value(vb, v.type, v.str.data(), v.str.size());
        break;
    case tag::ObjectId: {
        std::vector<oid> o(v.oid.begin(), v.oid.end());
        snmp_set_var_typed_value(vb, ASN_OBJECT_ID, o.data(), o.size() * sizeof(oid));
        break;
    }
    default: snmp_set_var_typed_value(vb, ASN_NULL, nullptr, 0); break;
    }
}

bool fromVarbind(const netsnmp_variable_list* vb, Value& out) {
    switch (vb->type) {
    case ASN_INTEGER: out = Value::integer(*vb->val.integer); return true;
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS:
        out = Value{vb->type, static_cast<long long>(static_cast<unsigned long>(*vb->val.integer) & 0xffffffffUL), {}, {}};
        return true;
    case ASN_OCTET_STR:
    case ASN_IPADDRESS:
        out = Value{vb->type, 0, std::string(reinterpret_cast<const char*>(vb->val.string), vb->val_len), {}};
        return true;
    case ASN_OBJECT_ID: out = Value::objectId(toOid(vb->val.objid, vb->val_len / sizeof(oid))); return true;
    default: out = Value{vb->type, 0, {}, {}}; return true;
    }
}

// ---- secrets ----

// True when the request comes with write access: the read-write community, or an SNMPv3 user
// (every configured user is a read-write user).
bool writeAccess(const netsnmp_agent_request_info* reqinfo) {
    const netsnmp_pdu* pdu = reqinfo && reqinfo->asp ? reqinfo->asp->pdu : nullptr;
    if (!pdu) return false;
    if (pdu->version == SNMP_VERSION_3) return true;
    const std::string community(reinterpret_cast<const char*>(pdu->community ? pdu->community : (u_char*)""),
                                pdu->community_len);
    return community == g.opt->communityRw;
}

// Objects of tables readable only with write access are out of view without it.
bool hiddenFrom(const Device& dev, const Oid& o, bool write) {
    if (write) return false;
    const TableDef* table = nullptr;
    return dev.findDef(o, &table) && table && table->readNeedsWrite;
}

// The value a read returns: secrets read as empty.
void setReadResult(netsnmp_variable_list* vb, const Cell& c) {
    if (c.def && c.def->secret) setResult(vb, Value::octets(""));
    else setResult(vb, c.value);
}

int handler(netsnmp_mib_handler*, netsnmp_handler_registration* reg, netsnmp_agent_request_info* reqinfo,
            netsnmp_request_info* requests) {
    Device& dev = *g.device;
    Oid root = toOid(reg->rootoid, reg->rootoid_len);
    const bool write = writeAccess(reqinfo);
    switch (reqinfo->mode) {
    case MODE_GET:
        for (auto* r = requests; r; r = r->next) {
            if (r->processed) continue;
            Oid name = toOid(r->requestvb->name, r->requestvb->name_length);
            const Cell* c = hiddenFrom(dev, name, write) || absent(name) ? nullptr : dev.store().find(name);
            if (c) setReadResult(r->requestvb, *c);
            else if (hiddenFrom(dev, name, write)) netsnmp_set_request_error(reqinfo, r, SNMP_NOSUCHOBJECT);
            else netsnmp_set_request_error(reqinfo, r, dev.knownPrefix(name) ? SNMP_NOSUCHINSTANCE : SNMP_NOSUCHOBJECT);
        }
        return SNMP_ERR_NOERROR;
    case MODE_GETNEXT:
        for (auto* r = requests; r; r = r->next) {
            if (r->processed) continue;
            Oid name = toOid(r->requestvb->name, r->requestvb->name_length);
            Oid found;
            const Cell* cell = nullptr;
            if (g.opt->loopAt && name == *g.opt->loopAt) {
                if (const Cell* c = dev.store().find(name)) {
                    found = name;
                    cell = c;
                }
            }
            if (!cell) {
                auto* n = dev.store().next(name);
                while (n && (hiddenFrom(dev, n->first, write) || absent(n->first))) n = dev.store().next(n->first);
                if (!n || !isPrefix(root, n->first)) continue;  // beyond this subtree: the agent moves on
                found = n->first;
                cell = &n->second;
            }
            if (touchesQuiet(found)) g.suppressNextReply = true;
            std::vector<oid> o(found.begin(), found.end());
            snmp_set_var_objid(r->requestvb, o.data(), o.size());
            setReadResult(r->requestvb, *cell);
        }
        return SNMP_ERR_NOERROR;
    case MODE_SET_RESERVE1: {
        Transaction& tx = g.tx[reqinfo->asp];
        std::vector<std::pair<Oid, Value>> bindings;
        std::vector<netsnmp_request_info*> reqs;
        for (auto* r = requests; r; r = r->next) {
            Value v;
            fromVarbind(r->requestvb, v);
            bindings.emplace_back(toOid(r->requestvb->name, r->requestvb->name_length), v);
            reqs.push_back(r);
        }
        SetOutcome out = dev.stage(tx, bindings);
        if (out.status != SNMP_ERR_NOERROR) netsnmp_set_request_error(reqinfo, reqs[out.index], out.status);
        return SNMP_ERR_NOERROR;
    }
    case MODE_SET_RESERVE2: return SNMP_ERR_NOERROR;
    case MODE_SET_ACTION: dev.apply(g.tx[reqinfo->asp]); return SNMP_ERR_NOERROR;
    case MODE_SET_UNDO: dev.undo(g.tx[reqinfo->asp]); return SNMP_ERR_NOERROR;
    case MODE_SET_COMMIT: dev.commit(g.tx[reqinfo->asp]); return SNMP_ERR_NOERROR;
    case MODE_SET_FREE: g.tx.erase(reqinfo->asp); return SNMP_ERR_NOERROR;
    default: return SNMP_ERR_GENERR;
    }
}

void registerRoot(const Oid& root, const char* name) {
    std::vector<oid> o(root.begin(), root.end());
    auto* reg = netsnmp_create_handler_registration(name, handler, o.data(), o.size(), HANDLER_CAN_RWRITE);
    if (netsnmp_register_handler(reg) != MIB_REGISTERED_OK)
        std::cerr << "corvex-sim: cannot register " << oidToString(root) << "\n";
}

void liveTick(unsigned int, void*) { g.device->runTicks(); }

void startReboot(unsigned int, void*) {
    gettimeofday(&g.silentUntil, nullptr);
    g.silentUntil.tv_sec += g.opt->rebootSeconds;
    g.device->rebootNow();
}

// Configuration lines handed to the library's own parsers (USM users, VACM access) at start-up.
void remember(const std::string& line) {
    std::vector<char> buf(line.begin(), line.end());
    buf.push_back('\0');
    netsnmp_config_remember(buf.data());
}

bool addUser(const std::string& spec, std::string& error) {
    std::vector<std::string> f;
    std::stringstream ss(spec);
    std::string part;
    while (std::getline(ss, part, ':')) f.push_back(part);
    if (f.size() != 3 && f.size() != 5) {
        error = "--user expects NAME:MD5|SHA:authpass[:DES|AES:privpass]";
        return false;
    }
    if (f[0].empty() || (f[1] != "MD5" && f[1] != "SHA") || f[2].size() < 8 ||
        (f.size() == 5 && ((f[3] != "DES" && f[3] != "AES") || f[4].size() < 8))) {
        error = "bad --user " + spec + " (protocols MD5/SHA, DES/AES; pass phrases of at least 8 characters)";
        return false;
    }
    std::string line = "createUser " + f[0] + " " + f[1] + " \"" + f[2] + "\"";
    if (f.size() == 5) line += " " + f[3] + " \"" + f[4] + "\"";
    remember(line);
    remember("rwuser " + f[0] + (f.size() == 5 ? " priv" : " auth"));
    return true;
}

}  // namespace

std::string jsonEscape(const std::string& s) {
    std::string out;
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x7f) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

bool isLoopbackListen(const std::string& spec) {
    std::string s = spec;
    for (const char* p : {"udp:", "udp6:", "tcp:", "tcp6:"})
        if (s.rfind(p, 0) == 0) {
            s = s.substr(std::strlen(p));
            break;
        }
    size_t colon = s.rfind(':');
    std::string host = colon == std::string::npos ? s : s.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    if (host == "localhost" || host == "::1") return true;
    unsigned a, b, c, d;
    char tail;
    return std::sscanf(host.c_str(), "%u.%u.%u.%u%c", &a, &b, &c, &d, &tail) == 4 && a == 127 && b < 256 &&
           c < 256 && d < 256;
}

int runAgent(Device& device, const Options& opt) {
    g.device = &device;
    g.opt = &opt;
    g.replyDelayMs = opt.delayMs;  // discovery reports, which no access check sees, are late too
    if (!opt.logFile.empty()) {
        // The log holds every community received, wrong ones included: its owner's eyes only.
        const int fd = ::open(opt.logFile.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (fd >= 0 && ::fchmod(fd, 0600) == 0) g.log = ::fdopen(fd, "a");
        if (!g.log && fd >= 0) ::close(fd);
        if (!g.log) {
            std::cerr << "corvex-sim: cannot open log " << opt.logFile << "\n";
            return 2;
        }
    }
    char tmpl[] = "/tmp/corvex-sim.XXXXXX";
    const char* tmp = mkdtemp(tmpl);
    if (!tmp) {
        std::cerr << "corvex-sim: cannot create a state folder\n";
        return 2;
    }
    std::string stateDir = tmp;
    setenv("MIBS", "", 1);
    setenv("SNMPCONFPATH", stateDir.c_str(), 1);
    setenv("SNMP_PERSISTENT_DIR", stateDir.c_str(), 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DONT_READ_CONFIGS, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_LOAD, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_DISABLE_PERSISTENT_SAVE, 1);
    netsnmp_ds_set_boolean(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_NO_TOKEN_WARNINGS, 1);
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_PERSISTENT_DIR, stateDir.c_str());
    netsnmp_ds_set_string(NETSNMP_DS_LIBRARY_ID, NETSNMP_DS_LIB_CONFIGURATION_DIR, stateDir.c_str());
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_ROLE, 0);
    snmp_disable_log();
    netsnmp_register_loghandler(NETSNMP_LOGHANDLER_STDERR, LOG_WARNING);
    netsnmp_ds_set_boolean(NETSNMP_DS_APPLICATION_ID, NETSNMP_DS_AGENT_DONT_LOG_TCPWRAPPERS_CONNECTS, 1);
    netsnmp_set_mib_directory("");

    int rc = 0;
    std::string error;
    init_agent("corvex-sim");
    remember("rocommunity " + opt.communityRo + " default");
    remember("rwcommunity " + opt.communityRw + " default");
    for (auto& u : opt.users)
        if (!addUser(u, error)) {
            std::cerr << "corvex-sim: " << error << "\n";
            rc = 2;
        }
    init_snmp("corvex-sim");
    netsnmp_transport* t = rc ? nullptr : netsnmp_transport_open_server("snmp", opt.listen.c_str());
    if (!rc && !t) {
        std::cerr << "corvex-sim: cannot listen on " << opt.listen << "\n";
        rc = 1;
    }
    if (!rc) {
        snmp_register_callback(SNMP_CALLBACK_APPLICATION, SNMPD_CALLBACK_ACM_CHECK_INITIAL, onAcmInitial, nullptr);
        registerRoot({1, 3, 6, 1, 2, 1}, "corvex-mib2");
        registerRoot({1, 0, 8802, 1, 1, 2}, "corvex-lldp");
        registerRoot(kPrivate, "corvex-private");
        g.origSend = t->f_send;
        t->f_send = wrappedSend;
        if (!serveWithHook(t)) {
            std::cerr << "corvex-sim: cannot serve " << opt.listen << "\n";
            rc = 1;
        }
    }
    if (!rc) {
        device.requestReboot = [] {
            struct timeval tv {0, 1000};
            snmp_alarm_register_hr(tv, 0, startReboot, nullptr);
        };
        if (opt.live) snmp_alarm_register(1, SA_REPEAT, liveTick, nullptr);
        struct sigaction sa {};
        sa.sa_handler = onSignal;
        sigemptyset(&sa.sa_mask);
        sigaction(SIGTERM, &sa, nullptr);
        sigaction(SIGINT, &sa, nullptr);
        std::signal(SIGPIPE, SIG_IGN);
        device.resetUptime();
        // Wake the loop a few times a second, so a stop request is seen even where a signal does
        // not interrupt the wait (as under the thread sanitizer, which defers handlers).
        struct timeval tick {0, 200000};
        snmp_alarm_register_hr(tick, SA_REPEAT, [](unsigned int, void*) {}, nullptr);
        std::cout << "corvex-sim ready on " << opt.listen << " model " << device.model().key << std::endl;
        while (!g_stop) agent_check_and_process(1);
    }
    snmp_shutdown("corvex-sim");
    dropDelayed();
    if (g.log) std::fclose(g.log);
    std::error_code ec;
    std::filesystem::remove_all(stateDir, ec);
    return rc;
}

}  // namespace corvex::sim
