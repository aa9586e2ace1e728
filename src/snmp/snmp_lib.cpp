// Requests, replies and the table walker over Net-SNMP.
#include "snmp/error_status.h"
#include "snmp/snmp_lib.h"

#include <net-snmp/net-snmp-config.h>
#include <net-snmp/net-snmp-includes.h>
#include <arpa/inet.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "snmp/snmp_transport.h"

namespace {

constexpr int kDefaultTimeoutMs = 3000;
constexpr int kMaxTimeoutMs = 600000;

// Dotted decimal OID ("1.3.6", a leading dot allowed) into arcs. False on anything else.
// The arcs of a dotted OID, without allocating: OID parsing runs several times per walked row.
struct OidArcs {
    oid arcs[MAX_OID_LEN];
    std::size_t count = 0;
    const oid* data() const { return arcs; }
    std::size_t size() const { return count; }
};

bool ParseOid(const std::string& text, OidArcs& out) {
    out.count = 0;
    std::size_t i = (!text.empty() && text[0] == '.') ? 1 : 0;
    if (i >= text.size()) return false;
    while (i <= text.size()) {
        unsigned long long value = 0;
        std::size_t start = i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
            value = value * 10 + static_cast<unsigned>(text[i] - '0');
            if (value > 0xFFFFFFFFull) return false;
            ++i;
        }
        if (i == start) return false;
        if (out.count >= MAX_OID_LEN) return false;
        out.arcs[out.count++] = static_cast<oid>(value);
        if (i == text.size()) break;
        if (text[i] != '.') return false;
        ++i;
        if (i == text.size()) return false;  // trailing dot
    }
    return true;
}

std::string OidText(const oid* arcs, std::size_t count) {
    // Into one stack buffer: no allocation per arc.
    char buf[MAX_OID_LEN * 11 + 1];
    char* out = buf;
    for (std::size_t i = 0; i < count && i < MAX_OID_LEN; ++i) {
        if (i) *out++ = '.';
        char digits[10];
        int n = 0;
        unsigned long value = static_cast<unsigned long>(arcs[i]) & 0xFFFFFFFFul;
        do {
            digits[n++] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value);
        while (n) *out++ = digits[--n];
    }
    return std::string(buf, static_cast<std::size_t>(out - buf));
}

bool ParseLong(const std::string& text, long min, long max, long& out) {
    if (text.empty()) return false;
    errno = 0;
    char* end = nullptr;
    long value = std::strtol(text.c_str(), &end, 10);
    if (errno || *end || value < min || value > max) return false;
    out = value;
    return true;
}

bool ParseUnsigned32(const std::string& text, unsigned long& out) {
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 10);
    if (errno || *end || value > 0xFFFFFFFFull) return false;
    out = static_cast<unsigned long>(value);
    return true;
}

int ClampTimeout(int timeoutMs) {
    if (timeoutMs <= 0) return kDefaultTimeoutMs;
    return timeoutMs > kMaxTimeoutMs ? kMaxTimeoutMs : timeoutMs;
}

// Reply binding from a Net-SNMP variable. Every length is checked against the type.
CSnmp::Binding FromVariable(const netsnmp_variable_list* v) {
    CSnmp::Binding b;
    b.oid = OidText(v->name, v->name_length);
    auto text = [&](const std::string& s) { b.value.assign(s.begin(), s.end()); };
    switch (v->type) {
    case ASN_INTEGER:
        b.type = SNMP_T_INTEGER;
        text(v->val.integer && v->val_len >= sizeof(long) ? std::to_string(*v->val.integer) : "0");
        break;
    case ASN_OCTET_STR:
    case ASN_OPAQUE:
    case ASN_BIT_STR:
        b.type = SNMP_T_OCTETS;
        if (v->val.string && v->val_len) b.value.assign(v->val.string, v->val.string + v->val_len);
        break;
    case ASN_NULL:
        b.type = SNMP_T_NULL;
        break;
    case ASN_OBJECT_ID:
        b.type = SNMP_T_OID;
        if (v->val.objid) text(OidText(v->val.objid, v->val_len / sizeof(oid)));
        break;
    case ASN_IPADDRESS: {
        b.type = SNMP_T_IPADDRESS;
        std::string s;
        for (std::size_t i = 0; v->val.string && i < v->val_len; ++i) {
            if (i) s += '.';
            s += std::to_string(v->val.string[i]);
        }
        text(s);
        break;
    }
    case ASN_COUNTER:
    case ASN_GAUGE:
    case ASN_TIMETICKS: {
        b.type = v->type == ASN_COUNTER ? SNMP_T_COUNTER32 : v->type == ASN_GAUGE ? SNMP_T_GAUGE32 : SNMP_T_TIMETICKS;
        unsigned long value = v->val.integer && v->val_len >= sizeof(long) ? static_cast<unsigned long>(*v->val.integer) : 0;
        text(std::to_string(value & 0xFFFFFFFFul));
        break;
    }
    case ASN_COUNTER64: {
        b.type = SNMP_T_COUNTER64;
        unsigned long long value = 0;
        if (v->val.counter64 && v->val_len >= sizeof(counter64))
            value = (static_cast<unsigned long long>(v->val.counter64->high) << 32) | (v->val.counter64->low & 0xFFFFFFFFul);
        text(std::to_string(value));
        break;
    }
    default:  // noSuchObject, noSuchInstance, endOfMibView and anything unknown
        b.type = SNMP_T_NONE;
        break;
    }
    return b;
}

int NetSnmpPduType(int pduType) {
    switch (pduType) {
    case SNMP_PDU_GET_T: return SNMP_MSG_GET;
    case SNMP_PDU_GETNEXT_T: return SNMP_MSG_GETNEXT;
    case SNMP_PDU_SET_T: return SNMP_MSG_SET;
    case CSnmp::kPduGetBulk: return SNMP_MSG_GETBULK;
    default: return 0;
    }
}

// Adds one binding to the PDU. False when its value cannot be encoded.
bool AddToPdu(netsnmp_pdu* pdu, const CSnmp::Binding& b) {
    OidArcs name;
    if (!ParseOid(b.oid, name)) return false;
    std::string text(b.value.begin(), b.value.end());
    switch (b.type) {
    case SNMP_T_NULL:
    case SNMP_T_NONE:
        return snmp_pdu_add_variable(pdu, name.data(), name.size(), ASN_NULL, nullptr, 0) != nullptr;
    case SNMP_T_INTEGER: {
        long value = 0;
        if (!ParseLong(text, -2147483647L - 1, 2147483647L, value)) return false;
        return snmp_pdu_add_variable(pdu, name.data(), name.size(), ASN_INTEGER, &value, sizeof value) != nullptr;
    }
    case SNMP_T_OCTETS:
        return snmp_pdu_add_variable(pdu, name.data(), name.size(), ASN_OCTET_STR, b.value.data(), b.value.size()) != nullptr;
    case SNMP_T_IPADDRESS: {
        in_addr addr{};
        if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return false;
        return snmp_pdu_add_variable(pdu, name.data(), name.size(), ASN_IPADDRESS, &addr.s_addr, 4) != nullptr;
    }
    case SNMP_T_OID: {
        OidArcs value;
        if (!ParseOid(text, value)) return false;
        return snmp_pdu_add_variable(pdu, name.data(), name.size(), ASN_OBJECT_ID, value.data(),
                                     value.size() * sizeof(oid)) != nullptr;
    }
    case SNMP_T_UNSIGNED:
    case SNMP_T_GAUGE32:
    case SNMP_T_COUNTER32:
    case SNMP_T_TIMETICKS: {
        unsigned long value = 0;
        if (!ParseUnsigned32(text, value)) return false;
        u_char asnType = b.type == SNMP_T_COUNTER32 ? ASN_COUNTER : b.type == SNMP_T_TIMETICKS ? ASN_TIMETICKS : ASN_GAUGE;
        return snmp_pdu_add_variable(pdu, name.data(), name.size(), asnType, &value, sizeof value) != nullptr;
    }
    default:
        return false;
    }
}

}  // namespace

// ---- OID helpers ------------------------------------------------------------------------------

int SnmpOidCompare(const std::string& a, const std::string& b) {
    OidArcs x, y;
    bool okA = ParseOid(a, x), okB = ParseOid(b, y);
    if (!okA || !okB) return okA == okB ? 0 : (okA ? 1 : -1);
    std::size_t n = std::min(x.size(), y.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (x.arcs[i] != y.arcs[i]) return x.arcs[i] < y.arcs[i] ? -1 : 1;
    }
    return x.size() == y.size() ? 0 : (x.size() < y.size() ? -1 : 1);
}

bool SnmpOidInSubtree(const std::string& prefix, const std::string& oidText) {
    OidArcs p, o;
    if (!ParseOid(prefix, p) || !ParseOid(oidText, o) || o.size() <= p.size()) return false;
    return std::equal(p.arcs, p.arcs + p.count, o.arcs);
}

bool SnmpIsProxyMarker(const std::string& oidText) {
    // Asked several times per walked row: the rare "7777" first, since OIDs are full of ones.
    const std::size_t at = oidText.find("7777.1.");
    return at != std::string::npos && oidText.find("1.3.6.1.4.1.171.7777.1.") != std::string::npos;
}

int SnmpCanonicalOidCompare(const std::string& a, const std::string& b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t d = 0;
    while (d < n && a[d] == b[d]) ++d;
    if (d == n) return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);  // the shorter is a prefix
    if (a[d] == '.') return -1;  // a's arc ended first: it is shorter, hence smaller
    if (b[d] == '.') return 1;
    // Both arcs go on from d: the one with more digits is larger, else the first digit that differs.
    std::size_t ea = d, eb = d;
    while (ea < a.size() && a[ea] != '.') ++ea;
    while (eb < b.size() && b[eb] != '.') ++eb;
    if (ea != eb) return ea < eb ? -1 : 1;
    return a[d] < b[d] ? -1 : 1;
}

bool SnmpCanonicalOidInSubtree(const std::string& prefix, const std::string& oid) {
    return oid.size() > prefix.size() + 1 && oid[prefix.size()] == '.' && oid.compare(0, prefix.size(), prefix) == 0;
}

std::vector<int> SnmpDataBindings(const CSnmp& reply) {
    std::vector<int> out;
    const auto& got = reply.bindings();
    for (std::size_t i = 0; i < got.size(); ++i) {
        if (!SnmpIsProxyMarker(got[i].oid)) out.push_back(static_cast<int>(i));
    }
    return out;
}

namespace {

// Binding k of the reply, counting only those that are not the proxy marker; null past the end.
const CSnmp::Binding* DataBinding(const CSnmp& reply, std::size_t k) {
    for (const CSnmp::Binding& b : reply.bindings()) {
        if (SnmpIsProxyMarker(b.oid)) continue;
        if (k-- == 0) return &b;
    }
    return nullptr;
}

// False when the binding of column i lies under its column with another instance than the first
// column's: a reply that mixes instances (an agent that renames a binding, or a column with a
// hole) would put another row's value into this row. A binding beyond its column (the column
// ended before the first, or the agent lacks it) carries no value of the row and is let be.
template <typename InSubtree>
bool SameRow(const std::string& firstColumn, const std::string& firstOid, const std::string& column,
             const std::string& oid, InSubtree inSubtree) {
    if (!inSubtree(column, oid)) return true;  // the column has ended (or is not there): no value
    return firstOid.compare(firstColumn.size(), std::string::npos, oid, column.size(), std::string::npos) == 0;
}

// The walk rule of SnmpWalkStepStatus, with the asked OIDs given by askedAt(i); allocates nothing.
// kCanonical: every OID is in OidText's form.
template <bool kCanonical, typename AskedAt>
int StepStatus(const std::vector<std::string>& columns, std::size_t askedCount, AskedAt askedAt, const CSnmp& reply,
               SnmpFailure* why) {
    const auto compare = kCanonical ? SnmpCanonicalOidCompare : SnmpOidCompare;
    const auto inSubtree = kCanonical ? SnmpCanonicalOidInSubtree : SnmpOidInSubtree;
    auto fail = [&](SnmpFailure f) {
        if (why) *why = f;
        return CSnmp4w::EC_FAILED;
    };
    if (why) *why = SnmpFailure::None;
    int status = 0, index = 0;
    reply.getErrorInfo(status, index);
    if (status == SNMP_ERR_NOSUCHNAME) return CSnmp4w::EC_END_OF_TABLE;
    if (status != 0) return fail(status > 0 && status <= 18 ? SnmpFailure::AgentError : SnmpFailure::UnknownErrorStatus);
    // The data bindings (the proxy marker left out) are counted before any is judged.
    const CSnmp::Binding* first = nullptr;
    std::size_t count = 0;
    for (const CSnmp::Binding& got : reply.bindings()) {
        if (SnmpIsProxyMarker(got.oid)) continue;
        if (!first) first = &got;
        ++count;
    }
    if (count == 0 || count != askedCount) return fail(SnmpFailure::BadReply);
    std::size_t i = 0;
    for (const CSnmp::Binding& got : reply.bindings()) {
        if (SnmpIsProxyMarker(got.oid)) continue;
        if (got.type == SNMP_T_NONE) return CSnmp4w::EC_END_OF_TABLE;
        // A peer that answers with an OID not after the one asked for would loop forever.
        if (compare(got.oid, askedAt(i++)) <= 0) return fail(SnmpFailure::NotIncreasing);
    }
    if (columns.empty() || !inSubtree(columns[0], first->oid)) return CSnmp4w::EC_END_OF_TABLE;
    if (kCanonical && columns.size() == askedCount) {  // the instances line up as written
        // Columns that start again from the first (a walk of several parts in one request)
        // name a row of their own; a part whose first column has left the table has none.
        i = 0;
        const CSnmp::Binding* rowFirst = first;
        bool rowLive = true;
        for (const CSnmp::Binding& got : reply.bindings()) {
            if (SnmpIsProxyMarker(got.oid)) continue;
            if (i > 0 && columns[i] == columns[0]) {
                rowFirst = &got;
                rowLive = inSubtree(columns[0], got.oid);
            } else if (i > 0 && rowLive && !SameRow(columns[0], rowFirst->oid, columns[i], got.oid, inSubtree)) {
                return fail(SnmpFailure::BadReply);
            }
            ++i;
        }
    }
    return CSnmp4w::EC_NO_ERROR;
}

}  // namespace

int SnmpWalkStepStatus(const std::vector<std::string>& columns, const std::vector<std::string>& asked,
                       const CSnmp& reply, SnmpFailure* why) {
    return StepStatus<false>(columns, asked.size(), [&](std::size_t i) -> const std::string& { return asked[i]; }, reply,
                             why);
}

std::string SnmpCredentialProblem(SnmpFailure failure) {
    switch (failure) {
    case SnmpFailure::AuthFailed: return "authentication failed";
    case SnmpFailure::UnknownUser: return "unknown user";
    case SnmpFailure::PrivacyFailed: return "wrong privacy pass phrase";
    default: return {};
    }
}

std::string SnmpFailureReason(SnmpFailure failure) {
    if (std::string credentials = SnmpCredentialProblem(failure); !credentials.empty()) return credentials;
    switch (failure) {
    case SnmpFailure::NoAnswer: return "no answer";
    case SnmpFailure::Refused: return "the switch refused the request";
    case SnmpFailure::AgentError:
    case SnmpFailure::UnknownErrorStatus: return "the switch reported an error";
    case SnmpFailure::BadReply: return "the switch's reply did not match the request";
    case SnmpFailure::NotEchoed: return "the switch's reply does not match the request";
    case SnmpFailure::NotIncreasing: return "the switch's table repeats itself";
    case SnmpFailure::UnknownHost:
    case SnmpFailure::BadAddress: return "the switch's address is not usable";
    default: return "the request failed";
    }
}

bool SnmpFailureAnswered(SnmpFailure failure) {
    switch (failure) {
    case SnmpFailure::Refused:
    case SnmpFailure::AuthFailed:
    case SnmpFailure::UnknownUser:
    case SnmpFailure::PrivacyFailed:
    case SnmpFailure::AgentError:
    case SnmpFailure::UnknownErrorStatus:
    case SnmpFailure::BadReply:
    case SnmpFailure::NotEchoed:
    case SnmpFailure::NotIncreasing: return true;
    default: return false;
    }
}

std::string SnmpFailureText(SnmpFailure failure, int errorStatus, const std::string& host) {
    switch (failure) {
    case SnmpFailure::None: return "no error";
    case SnmpFailure::NotSent: return "the request could not be built or sent";
    case SnmpFailure::BadAddress: return "the device address is not a valid UDP/IPv4 address";
    case SnmpFailure::UnknownHost:
        return "the host name " + (host.empty() ? std::string() : "\"" + host + "\" ") + "could not be resolved";
    case SnmpFailure::NoAnswer: return "no answer (time-out)";
    case SnmpFailure::Refused:
        return "the agent refused the request (report: unknown user, wrong pass phrase or security level, or not in time)";
    case SnmpFailure::AuthFailed: return "authentication failed (wrong authentication pass phrase or protocol)";
    case SnmpFailure::UnknownUser: return "unknown user";
    case SnmpFailure::PrivacyFailed: return "wrong privacy pass phrase";
    case SnmpFailure::AgentError:
        if (const char* name = ErrorStatusName(errorStatus))
            return "the agent reported error status " + std::to_string(errorStatus) + " (" + name + ")";
        [[fallthrough]];
    case SnmpFailure::UnknownErrorStatus:
        return "the agent answered with an unknown error status " + std::to_string(errorStatus);
    case SnmpFailure::BadReply: return "the reply's bindings do not answer the request";
    case SnmpFailure::NotEchoed: return "the switch's reply does not match the request";
    case SnmpFailure::Cancelled: return "the request was cancelled";
    case SnmpFailure::NotIncreasing: return "OID not increasing: the agent returned an OID that is not after the one asked for";
    }
    return "unknown failure";
}

// ---- CSnmp ------------------------------------------------------------------------------------

CSnmp::~CSnmp() = default;

void CSnmp::setType(int pduType) { pduType_ = pduType; }

void CSnmp::clearVarBindList() {
    bindings_.clear();
    ++bindingsGeneration_;
}

int CSnmp::addValue(const char* oidText, int type, const char* value) {
    if (!oidText) return -1;
    Binding b;
    OidArcs arcs;
    if (!ParseOid(oidText, arcs)) return -1;
    b.oid = OidText(arcs.data(), arcs.size());
    b.type = type;
    std::string text = value ? value : "";
    long l = 0;
    unsigned long u = 0;
    in_addr addr{};
    OidArcs valueArcs;
    switch (type) {
    case SNMP_T_NULL: break;
    case SNMP_T_INTEGER:
        if (!ParseLong(text, -2147483647L - 1, 2147483647L, l)) return -1;
        break;
    case SNMP_T_OCTETS: break;
    case SNMP_T_IPADDRESS:
        if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return -1;
        break;
    case SNMP_T_OID:
        if (!ParseOid(text, valueArcs)) return -1;
        break;
    case SNMP_T_UNSIGNED:
    case SNMP_T_COUNTER32:
    case SNMP_T_GAUGE32:
    case SNMP_T_TIMETICKS:
        if (!ParseUnsigned32(text, u)) return -1;
        break;
    default:
        return -1;
    }
    if (type != SNMP_T_NULL) b.value.assign(text.begin(), text.end());
    bindings_.push_back(std::move(b));
    ++bindingsGeneration_;
    return 0;
}

int CSnmp::addValue(const char* oidText, int type, const unsigned char* bytes, int count) {
    if (count < 0 || (count > 0 && !bytes)) return -1;
    if (type != SNMP_T_OCTETS) {
        std::string text(reinterpret_cast<const char*>(bytes ? bytes : reinterpret_cast<const unsigned char*>("")),
                         static_cast<std::size_t>(count));
        if (text.find('\0') != std::string::npos) return -1;
        return addValue(oidText, type, text.c_str());
    }
    if (addValue(oidText, SNMP_T_OCTETS, "") != 0) return -1;
    bindings_.back().value.assign(bytes, bytes + count);
    return 0;
}

int CSnmp::getValuesCount() const { return static_cast<int>(bindings_.size()); }

int CSnmp::getOid(int index, std::string& oidText) const {
    if (index < 0 || index >= getValuesCount()) return -1;
    oidText = bindings_[index].oid;
    return 0;
}

int CSnmp::getValue(int index, int& type, std::string& value) const {
    if (index < 0 || index >= getValuesCount()) return -1;
    const Binding& b = bindings_[index];
    type = b.type;
    auto end = b.value.end();
    if (b.type == SNMP_T_OCTETS) end = std::find(b.value.begin(), b.value.end(), uint8_t{0});
    value.assign(b.value.begin(), end);
    return 0;
}

int CSnmp::getValue(int index, int& type, std::vector<uint8_t>& bytes) const {
    if (index < 0 || index >= getValuesCount()) return -1;
    const Binding& b = bindings_[index];
    type = b.type;
    if (b.type == SNMP_T_IPADDRESS) {
        in_addr addr{};
        std::string text(b.value.begin(), b.value.end());
        if (inet_pton(AF_INET, text.c_str(), &addr) != 1) return -1;
        const auto* p = reinterpret_cast<const uint8_t*>(&addr.s_addr);
        bytes.assign(p, p + 4);
        return 0;
    }
    bytes = b.value;
    return 0;
}

void CSnmp::getErrorInfo(int& status, int& index) const {
    status = errorStatus_;
    index = errorIndex_;
}

std::string CSnmp::lastFailureText() const { return SnmpFailureText(failure_, errorStatus_, failureHost_); }

namespace {

// The maximum message size of the SNMPv3 request whose session this thread is opening. Net-SNMP
// would advertise what UDP allows (65507 octets); a switch's agent may have far smaller buffers,
// so a session of such a request advertises the request's size instead.
thread_local int t_openingMaxSize = 0;

int LimitAdvertisedSize(int, int, void* serverArg, void*) {
    auto* session = static_cast<netsnmp_session*>(serverArg);
    if (session && session->version == SNMP_VERSION_3 && t_openingMaxSize > 0 &&
        session->rcvMsgMaxSize > static_cast<std::size_t>(t_openingMaxSize))
        session->rcvMsgMaxSize = static_cast<std::size_t>(t_openingMaxSize);
    return SNMPERR_SUCCESS;
}

void EnsureSizeHook() {
    static std::once_flag once;
    std::call_once(once, [] {
        corvex::snmp::EnsureNetSnmp();
        std::lock_guard<std::mutex> lock(corvex::snmp::NetSnmpMutex());
        snmp_register_callback(SNMP_CALLBACK_LIBRARY, SNMP_CALLBACK_SESSION_INIT, LimitAdvertisedSize, nullptr);
    });
}

}  // namespace

SnmpTransport* CSnmp::transport() {
    if (!transport_) transport_ = std::make_shared<SnmpTransport>();
    return transport_.get();
}

int CSnmp::exchange(const char* address, int pduType, CSnmp** reply, int timeoutMs, bool errorIsFailure,
                    int repetitions) {
    failure_ = SnmpFailure::NotSent;
    failureHost_.clear();
    if (!reply) return -1;
    *reply = nullptr;
    errorStatus_ = errorIndex_ = 0;
    int command = NetSnmpPduType(pduType);
    if (!address || !command) return -1;
    timeoutMs = ClampTimeout(timeoutMs);

    corvex::snmp::SessionKey key;
    if (!corvex::snmp::ParseAddress(address, key.host, key.port)) {
        failure_ = SnmpFailure::BadAddress;
        return -1;
    }
    const CSnmpV1* v1 = isV3() ? nullptr : static_cast<const CSnmpV1*>(this);
    if (isV3()) {
        const auto* v3 = static_cast<const CSnmpV3*>(this);
        key.v3 = true;
        key.user = v3->userName_;
        key.flags = v3->flags_;
        if (key.flags != 0 && key.flags != 1 && key.flags != 3) return -1;
        if (key.flags != 0) {
            key.authArith = v3->authArith_;
            key.authPwd = v3->authPwd_;
        }
        if (key.flags == 3) {
            key.privArith = v3->privArith_;
            key.privPwd = v3->privPwd_;
        }
    }
    EnsureSizeHook();
    // Never below the smallest message every agent takes (484 octets).
    t_openingMaxSize = isV3() ? std::max(static_cast<const CSnmpV3*>(this)->maxSize_, 484) : 0;
    const int opened = transport()->ensureOpen(key, timeoutMs);
    t_openingMaxSize = 0;
    if (opened != 0) {
        failure_ = transport_->lastFailure();
        failureHost_ = key.host;
        return -1;
    }

    if (command == SNMP_MSG_GETBULK && (!isV3() || repetitions < 1)) return -1;
    netsnmp_pdu* pdu = snmp_pdu_create(command);
    if (!pdu) return -1;
    if (command == SNMP_MSG_GETBULK) {
        pdu->non_repeaters = 0;
        pdu->max_repetitions = repetitions;
    }
    for (const Binding& b : bindings_) {
        if (!AddToPdu(pdu, b)) {
            snmp_free_pdu(pdu);
            return -1;
        }
    }
    if (v1) {
        const std::string& community = v1->community();
        pdu->community = static_cast<u_char*>(std::malloc(community.size() + 1));
        if (!pdu->community) {
            snmp_free_pdu(pdu);
            return -1;
        }
        std::memcpy(pdu->community, community.c_str(), community.size() + 1);
        pdu->community_len = community.size();
    }
    netsnmp_pdu* response = nullptr;
    if (transport_->exchange(pdu, timeoutMs, &response) != 0) {
        failure_ = transport_->lastFailure();
        return -1;
    }

    CSnmp* out = isV3() ? static_cast<CSnmp*>(new CSnmpV3(0)) : static_cast<CSnmp*>(new CSnmpV1(0));
    out->pduType_ = pduType_;
    out->errorStatus_ = static_cast<int>(response->errstat);
    out->errorIndex_ = static_cast<int>(response->errindex);
    for (netsnmp_variable_list* v = response->variables; v; v = v->next_variable) out->bindings_.push_back(FromVariable(v));
    snmp_free_pdu(response);
    errorStatus_ = out->errorStatus_;
    errorIndex_ = out->errorIndex_;
    failure_ = SnmpFailure::None;
    if (errorStatus_ != 0) {
        failure_ = errorStatus_ > 0 && errorStatus_ <= 18 ? SnmpFailure::AgentError : SnmpFailure::UnknownErrorStatus;
        if (errorIsFailure) {
            delete out;
            return errorStatus_ > 0 ? errorStatus_ : -1;
        }
    }
    *reply = out;
    return 0;
}

namespace {

// True when the reply's bindings, the proxy marker aside, answer the request one by one: the
// same OIDs for a get or a set, later OIDs (or an exception value) for a get-next.
bool AnswersRequest(int pduType, const std::vector<CSnmp::Binding>& asked, const CSnmp& reply) {
    const std::vector<int> data = SnmpDataBindings(reply);
    if (data.empty() || data.size() != asked.size()) return false;
    for (std::size_t i = 0; i < data.size(); ++i) {
        const CSnmp::Binding& got = reply.bindings()[static_cast<std::size_t>(data[i])];
        const int order = SnmpOidCompare(got.oid, asked[i].oid);
        if (pduType == SNMP_PDU_GETNEXT_T ? (order <= 0 && !(order == 0 && got.type == SNMP_T_NONE)) : order != 0)
            return false;
    }
    return true;
}

// True when a set's reply binding gives back the value sent: the same type (Unsigned32 goes out
// as a Gauge32) and the same value. An agent that took the set answers with the request's own
// bindings; anything else (another type, another value, an exception) says it did not.
bool EchoesValue(const CSnmp::Binding& sent, const CSnmp::Binding& got) {
    const auto kind = [](int type) { return type == SNMP_T_UNSIGNED ? SNMP_T_GAUGE32 : type; };
    if (kind(sent.type) != kind(got.type)) return false;
    const std::string a(sent.value.begin(), sent.value.end()), b(got.value.begin(), got.value.end());
    switch (sent.type) {
    case SNMP_T_INTEGER: {
        long x = 0, y = 0;
        return ParseLong(a, -2147483647L - 1, 2147483647L, x) && ParseLong(b, -2147483647L - 1, 2147483647L, y) &&
               x == y;
    }
    case SNMP_T_UNSIGNED:
    case SNMP_T_COUNTER32:
    case SNMP_T_GAUGE32:
    case SNMP_T_TIMETICKS: {
        unsigned long x = 0, y = 0;
        return ParseUnsigned32(a, x) && ParseUnsigned32(b, y) && x == y;
    }
    case SNMP_T_IPADDRESS: {
        in_addr x{}, y{};
        return inet_pton(AF_INET, a.c_str(), &x) == 1 && inet_pton(AF_INET, b.c_str(), &y) == 1 &&
               x.s_addr == y.s_addr;
    }
    case SNMP_T_OID: return SnmpOidCompare(a, b) == 0;
    default: return sent.value == got.value;
    }
}

}  // namespace

int CSnmp::send(const char* address, CSnmp** reply, int timeoutMs) {
    int rc = exchange(address, pduType_, reply, timeoutMs, true);
    if (rc != 0 || !*reply) return rc;
    SnmpFailure why = SnmpFailure::None;
    if (!AnswersRequest(pduType_, bindings_, **reply)) {
        why = SnmpFailure::BadReply;
    } else if (pduType_ == SNMP_PDU_SET_T) {
        const std::vector<int> data = SnmpDataBindings(**reply);
        for (std::size_t i = 0; i < data.size() && why == SnmpFailure::None; ++i)
            if (!EchoesValue(bindings_[i], (*reply)->bindings()[static_cast<std::size_t>(data[i])]))
                why = SnmpFailure::NotEchoed;
    }
    if (why != SnmpFailure::None) {
        delete *reply;
        *reply = nullptr;
        failure_ = why;
        return -1;
    }
    return rc;
}

// ---- CSnmpTable -------------------------------------------------------------------------------

namespace {

// Octets a dotted OID takes in BER (without tag and length): base-128 arcs, the first two in one.
std::size_t OidOctets(const std::string& text) {
    std::size_t octets = 0, arc = 0;
    unsigned long long value = 0;
    bool digits = false;
    auto flush = [&] {
        if (!digits) return;
        if (arc != 1) {  // the second arc shares the first one's octet
            std::size_t n = 1;
            for (unsigned long long v = value >> 7; v; v >>= 7) ++n;
            octets += n;
        }
        ++arc;
        value = 0;
        digits = false;
    };
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + static_cast<unsigned>(c - '0');
            digits = true;
        } else {
            flush();
        }
    }
    flush();
    return octets;
}

// Octets a number (decimal text) takes in BER as the shortest two's complement; 5 when the text
// is not a number, the most a 32-bit value takes.
std::size_t IntegerOctets(const std::vector<uint8_t>& text) {
    if (text.empty() || text.size() > 11) return 5;
    long long v = 0;
    const bool negative = text[0] == '-';
    std::size_t i = negative ? 1 : 0;
    if (i == text.size()) return 5;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') return 5;
        v = v * 10 + (text[i] - '0');
    }
    if (negative) v = -v - 1;  // -1 takes what 0 takes, -128 what 127 takes
    std::size_t n = 1;
    for (long long limit = 0x80; v >= limit && n < 5; limit <<= 8) ++n;
    return n;
}

// Octets one binding takes in a message, roughly as BER puts it: the binding's sequence, its
// OID and its value, each with tag and length.
std::size_t BindingOctets(const CSnmp::Binding& b) {
    std::size_t value = 0;
    switch (b.type) {
    case SNMP_T_NONE:
    case SNMP_T_NULL: value = 0; break;
    case SNMP_T_OCTETS: value = b.value.size(); break;
    case SNMP_T_IPADDRESS: value = 4; break;
    case SNMP_T_OID: value = OidOctets(std::string(b.value.begin(), b.value.end())); break;
    case SNMP_T_COUNTER64: value = 9; break;
    default: value = IntegerOctets(b.value); break;
    }
    const auto withHeader = [](std::size_t n) { return n + (n < 128 ? 2 : n < 256 ? 3 : 4); };
    return withHeader(withHeader(OidOctets(b.oid)) + withHeader(value));
}

// The walk rule of one row (one binding per column, `asked` the OIDs it follows): as
// SnmpWalkStepStatus for a get-next reply.
int RowStatus(const std::vector<std::string>& columns, const std::vector<CSnmp::Binding>& asked,
              const CSnmp::Binding* const* row, SnmpFailure& why) {
    for (std::size_t i = 0; i < asked.size(); ++i) {
        if (row[i]->type == SNMP_T_NONE) return CSnmp4w::EC_END_OF_TABLE;
        if (SnmpCanonicalOidCompare(row[i]->oid, asked[i].oid) <= 0) {
            why = SnmpFailure::NotIncreasing;
            return CSnmp4w::EC_FAILED;
        }
    }
    if (columns.empty() || !SnmpCanonicalOidInSubtree(columns[0], row[0]->oid)) return CSnmp4w::EC_END_OF_TABLE;
    if (columns.size() == asked.size()) {
        // Columns that start again from the first name a row of their own (several parts or
        // points in one request); one whose first column has left the table has none.
        const CSnmp::Binding* rowFirst = row[0];
        bool rowLive = true;
        for (std::size_t i = 1; i < asked.size(); ++i) {
            if (columns[i] == columns[0]) {
                rowFirst = row[i];
                rowLive = SnmpCanonicalOidInSubtree(columns[0], row[i]->oid);
            } else if (rowLive && !SameRow(columns[0], rowFirst->oid, columns[i], row[i]->oid, SnmpCanonicalOidInSubtree)) {
                why = SnmpFailure::BadReply;
                return CSnmp4w::EC_FAILED;
            }
        }
    }
    return CSnmp4w::EC_NO_ERROR;
}

}  // namespace

std::size_t SnmpRowOctets(const CSnmp& reply) {
    std::size_t octets = 0;
    for (int i : SnmpDataBindings(reply)) octets += BindingOctets(reply.bindings()[static_cast<std::size_t>(i)]);
    return octets;
}

namespace {

// What an SNMPv3 message needs besides its bindings (header, security parameters, scoped PDU,
// padding), generously.
constexpr int kMessageOverhead = 180;

}  // namespace

bool CSnmpTable::hasAhead() const {
    // Rows held for other bindings than the request's current ones do not count.
    return request_ && columnsGeneration_ == request_->bindingsGeneration_ &&
           (aheadPos_ < ahead_.size() || aheadEnd_ != 0 || !nextReplies_.empty());
}

bool CSnmpTable::bulkAhead() const {
    return request_ && request_->isV3() && request_->transport_ && !request_->transport_->bulkRefused();
}

int CSnmpTable::repetitionsFor(std::size_t rowBytes) const {
    int maxSize = request_ && request_->isV3() ? static_cast<const CSnmpV3*>(request_)->maxSize_ : 484;
    maxSize = std::max(maxSize, 484);
    const std::size_t budget = static_cast<std::size_t>(maxSize - kMessageOverhead);
    const std::size_t reps = rowBytes ? budget / rowBytes : 1;
    return static_cast<int>(std::clamp<std::size_t>(reps, 1, kMaxRepetitions));
}

int CSnmpTable::serveAhead(CSnmp** reply) {
    auto& next = request_->bindings_;
    const std::size_t n = next.size();
    if (!nextReplies_.empty()) {  // read ahead with get-next: continue from its OIDs, as getNext does
        std::unique_ptr<CSnmp> got = std::move(nextReplies_.front());
        nextReplies_.pop_front();
        for (std::size_t i = 0; i < n; ++i) {
            next[i].oid = DataBinding(*got, i)->oid;  // held replies were judged: n data bindings
            next[i].type = SNMP_T_NULL;
            next[i].value.clear();
        }
        request_->failure_ = SnmpFailure::None;
        *reply = got.release();
        return 0;
    }
    if (aheadPos_ + n <= ahead_.size() && n > 0) {
        CSnmp* out = new CSnmpV3(0);
        out->pduType_ = SNMP_PDU_GETNEXT_T;
        out->bindings_.reserve(n);
        for (std::size_t i = 0; i < n; ++i) {
            CSnmp::Binding& b = ahead_[aheadPos_ + i];
            next[i].oid = b.oid;
            out->bindings_.push_back(std::move(b));
        }
        aheadPos_ += n;
        if (aheadPos_ >= ahead_.size()) {  // the buffer is kept for the next fetch
            ahead_.clear();
            aheadPos_ = 0;
        }
        request_->failure_ = SnmpFailure::None;
        *reply = out;
        return 0;
    }
    ahead_.clear();
    aheadPos_ = 0;
    const int status = aheadEnd_;
    aheadEnd_ = 0;
    request_->failure_ = status == CSnmp4w::EC_END_OF_TABLE ? SnmpFailure::None : aheadWhy_;
    request_->errorStatus_ = aheadErrorStatus_;
    request_->failureHost_ = aheadFailureHost_;
    aheadErrorStatus_ = 0;
    aheadFailureHost_.clear();
    return status;
}

int CSnmpTable::nextRepetitions() const {
    std::size_t rowBytes = (rowBytes_ + kRowBytesScale - 1) / kRowBytesScale;
    if (!rowBytes) {
        // Before the first reply: the asked OIDs with room for an index and a value.
        for (const CSnmp::Binding& b : request_->bindings_) rowBytes += BindingOctets(b) + 24;
    }
    const int reps = repetitionsFor(rowBytes);
    return repsCap_ > 0 ? std::min(reps, repsCap_) : reps;
}

int CSnmpTable::absorb(CSnmp& got, const std::vector<CSnmp::Binding>& from, int reps) {
    const std::size_t n = from.size();
    const std::vector<int> data = SnmpDataBindings(got);
    if (n == 0 || data.size() < n) return 0;
    if (data.size() > n * static_cast<std::size_t>(reps)) return -1;
    if (aheadPos_ > 0) {  // keep only the rows not handed out yet
        ahead_.erase(ahead_.begin(), ahead_.begin() + static_cast<std::ptrdiff_t>(aheadPos_));
        aheadPos_ = 0;
    }
    // Whole rows only: an agent may cut a reply short to make it fit.
    const std::size_t rows = data.size() / n;
    std::vector<CSnmp::Binding>& all = got.bindings_;
    std::vector<CSnmp::Binding*> row(n);
    std::vector<CSnmp::Binding> prev;  // the OIDs the row follows
    const std::vector<CSnmp::Binding>* after = &from;
    std::size_t taken = 0, takenBytes = 0;
    for (std::size_t r = 0; r < rows; ++r) {
        std::size_t bytes = 0;
        for (std::size_t i = 0; i < n; ++i) {
            row[i] = &all[static_cast<std::size_t>(data[r * n + i])];
            bytes += BindingOctets(*row[i]);
        }
        SnmpFailure why = SnmpFailure::None;
        const int rowStatus = RowStatus(columns_, *after, row.data(), why);
        if (rowStatus != CSnmp4w::EC_NO_ERROR) {
            aheadEnd_ = rowStatus;
            aheadWhy_ = why;
            break;
        }
        ++taken;
        takenBytes += bytes;
        prev.resize(n);
        for (std::size_t i = 0; i < n; ++i) {
            prev[i].oid = row[i]->oid;
            ahead_.push_back(std::move(*row[i]));
        }
        after = &prev;
    }
    if (taken > 0) {
        bulkWorked_ = true;
        // The rows as they arrive: the mean of this reply's, so that one large row shrinks the
        // next request only, not the rest of the walk.
        rowBytes_ = takenBytes * kRowBytesScale / taken;
        // A tooBig limit eases off again, doubling with every reply that fits: the rows that did
        // not fit have been taken in by now.
        if (repsCap_ > 0) repsCap_ = repsCap_ >= kMaxRepetitions / 2 ? 0 : repsCap_ * 2;
    }
    lastReps_ = reps;
    return 1;
}

bool CSnmpTable::fetchAhead(const char* address, CSnmp** reply, int timeoutMs, int& rc) {
    int reps = nextRepetitions();
    for (;;) {
        CSnmp* got = nullptr;
        rc = request_->exchange(address, CSnmp::kPduGetBulk, &got, timeoutMs, false, reps);
        lastRequestId_ = request_->transport()->lastRequestId();
        if (rc != 0) {
            if (request_->failure_ != SnmpFailure::Refused) return true;  // no answer, cancelled, ...
            request_->transport()->refuseBulk();  // a report: try a get-next
            return false;
        }
        std::unique_ptr<CSnmp> owned(got);
        int status = 0, index = 0;
        got->getErrorInfo(status, index);
        // tooBig: the rows are larger than they looked. Another error where GETBULK worked
        // before: some agents (Net-SNMP's snmpd among them) fail a reply they would have to cut
        // short to fit the message size. Either way fewer rows, until replies fit again.
        if ((status == SNMP_ERR_TOOBIG || (status != 0 && bulkWorked_)) && reps > 1) {
            reps /= 2;
            repsCap_ = reps;
            continue;
        }
        ahead_.clear();
        aheadPos_ = 0;
        aheadEnd_ = 0;
        aheadWhy_ = SnmpFailure::None;
        const int absorbed = status == 0 ? absorb(*got, request_->bindings_, reps) : 0;
        if (absorbed == 0) {
            if (bulkWorked_) return false;  // this step only goes out as a get-next
            // The agent does not walk with GETBULK (or not these columns): get-next from now on.
            request_->transport()->refuseBulk();
            return false;
        }
        if (absorbed < 0) {
            request_->failure_ = SnmpFailure::BadReply;
            rc = CSnmp4w::EC_FAILED;
            return true;
        }
        rc = serveAhead(reply);
        return true;
    }
}

bool CSnmpTable::wantsPrefetch() const {
    if (!request_ || request_->getType() != SNMP_PDU_GETNEXT_T || prefetching_ || aheadEnd_ != 0 ||
        columnsGeneration_ != request_->bindingsGeneration_ || !request_->transport_)
        return false;
    const std::size_t n = request_->bindings_.size();
    if (n == 0) return false;
    if (!bulkAhead()) return readAhead_ && nextReplies_.size() < kReadAheadRows && aheadPos_ >= ahead_.size();
    return aheadPos_ < ahead_.size() && (ahead_.size() - aheadPos_) / n <= static_cast<std::size_t>(lastReps_);
}

bool CSnmpTable::beginPrefetch(Prefetch& job) {
    if (!wantsPrefetch()) return false;
    const std::size_t n = request_->bindings_.size();
    // The request of the last fetch is used again while the walk's bindings stay the same.
    std::unique_ptr<CSnmp> copy = std::move(spare_);
    if (!copy || spareGeneration_ != request_->bindingsGeneration_) {
        if (request_->isV3()) copy = std::make_unique<CSnmpV3>(*static_cast<const CSnmpV3*>(request_));
        else copy = std::make_unique<CSnmpV1>(*static_cast<const CSnmpV1*>(request_));
        spareGeneration_ = request_->bindingsGeneration_;
    }
    if (bulkAhead()) {
        for (std::size_t i = 0; i < n; ++i) {
            copy->bindings_[i].oid = ahead_[ahead_.size() - n + i].oid;
            copy->bindings_[i].type = SNMP_T_NULL;
            copy->bindings_[i].value.clear();
        }
        job.reps = nextRepetitions();
    } else {
        for (std::size_t i = 0; i < n; ++i) copy->bindings_[i].oid = continuesFrom(i);
        job.reps = 0;
    }
    job.request = std::move(copy);
    prefetching_ = true;
    return true;
}

int CSnmpTable::runPrefetch(Prefetch& job, const char* address, int timeoutMs, CSnmp** got) {
    if (!job.request) return -1;
    if (job.reps == 0) return job.request->exchange(address, SNMP_PDU_GETNEXT_T, got, timeoutMs, false);
    return job.request->exchange(address, CSnmp::kPduGetBulk, got, timeoutMs, false, job.reps);
}

const std::string& CSnmpTable::continuesFrom(std::size_t binding) const {
    if (nextReplies_.empty()) return request_->bindings_[binding].oid;
    return DataBinding(*nextReplies_.back(), binding)->oid;  // held replies were judged: n data bindings
}

bool CSnmpTable::endPrefetch(Prefetch& job, int rc, CSnmp* got) {
    const bool progress = takePrefetch(job, rc, got);
    spare_ = std::move(job.request);
    return progress;
}

bool CSnmpTable::takePrefetch(Prefetch& job, int rc, CSnmp* got) {
    std::unique_ptr<CSnmp> owned(got);
    prefetching_ = false;
    if (!job.request || aheadEnd_ != 0) return false;
    // Only a continuation of the rows still held (nothing else fetched or handed out meanwhile).
    // (When every held row has been handed out, the request's bindings stand at the last one.)
    const auto& from = job.request->bindings_;
    const std::size_t n = request_->bindings_.size();
    if (from.size() != n || columnsGeneration_ != request_->bindingsGeneration_) return false;
    if (job.reps == 0) {
        for (std::size_t i = 0; i < n; ++i) {
            if (continuesFrom(i) != from[i].oid) return false;
        }
        // The step this answers ends as it would have had it gone out itself: no second try
        // after a time-out, so a silent switch costs one time-out per step, as before.
        if (job.request->transport_) lastRequestId_ = job.request->transport_->lastRequestId();
        SnmpFailure why = job.request->failure_;
        int status = rc;
        if (rc == 0) {
            status = got ? StepStatus<true>(columns_, n, [&](std::size_t i) -> const std::string& { return from[i].oid; },
                                      *got, &why)
                         : CSnmp4w::EC_FAILED;
        }
        if (status == CSnmp4w::EC_NO_ERROR) {
            nextReplies_.push_back(std::move(owned));
            return true;
        }
        if (why == SnmpFailure::Cancelled) return false;  // given up for a close: nothing is known
        aheadEnd_ = status;
        aheadWhy_ = why;
        aheadErrorStatus_ = job.request->errorStatus_;
        aheadFailureHost_ = job.request->failureHost_;
        return true;
    }
    const bool held = ahead_.size() >= aheadPos_ + n && ahead_.size() > aheadPos_;
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& last = held ? ahead_[ahead_.size() - n + i].oid : request_->bindings_[i].oid;
        if (last != from[i].oid) return false;
    }
    if (rc != 0 || !got) return false;  // the step that needs it asks again
    int status = 0, index = 0;
    got->getErrorInfo(status, index);
    if (status == SNMP_ERR_TOOBIG || (status != 0 && bulkWorked_)) repsCap_ = std::max(1, job.reps / 2);
    if (status != 0) return false;
    // A reply that does not answer changes nothing: the step that reaches it asks again.
    return absorb(*got, from, job.reps) > 0;
}

int CSnmpTable::getNext(const char* address, CSnmp** reply, int timeoutMs) {
    if (!reply) return -1;
    *reply = nullptr;
    if (!request_) return -1;
    if (request_->getType() != SNMP_PDU_GETNEXT_T) {
        // Gets and sets go out as they are; nothing moves.
        int rc = request_->send(address, reply, timeoutMs);
        lastRequestId_ = request_->transport()->lastRequestId();
        columns_.clear();
        for (const auto& b : request_->bindings()) columns_.push_back(b.oid);
        columnsGeneration_ = request_->bindingsGeneration_;
        return rc;
    }
    if (columnsGeneration_ != request_->bindingsGeneration_) {
        columns_.clear();
        for (const auto& b : request_->bindings()) columns_.push_back(b.oid);
        columnsGeneration_ = request_->bindingsGeneration_;
        resetAhead();
    }
    if (request_->bindings().empty()) return -1;
    if (hasAhead()) return serveAhead(reply);
    if (request_->isV3()) {
        int rc = 0;
        if (!request_->transport()->bulkRefused() && fetchAhead(address, reply, timeoutMs, rc)) return rc;
    }
    CSnmp* got = nullptr;
    int rc = request_->exchange(address, SNMP_PDU_GETNEXT_T, &got, timeoutMs, false);
    lastRequestId_ = request_->transport()->lastRequestId();
    if (rc != 0) return rc;
    SnmpFailure why = SnmpFailure::None;
    const auto& asked = request_->bindings_;
    int status = StepStatus<true>(columns_, asked.size(), [&](std::size_t i) -> const std::string& { return asked[i].oid; },
                            *got, &why);
    if (status != CSnmp4w::EC_NO_ERROR) {
        request_->failure_ = why;
        delete got;
        return status;
    }
    // Continue from the returned OIDs (the proxy marker aside); the bindings stay the caller's
    // (same generation).
    auto& next = request_->bindings_;
    for (std::size_t i = 0; i < next.size(); ++i) {
        next[i].oid = DataBinding(*got, i)->oid;
        next[i].type = SNMP_T_NULL;
        next[i].value.clear();
    }
    *reply = got;
    return 0;
}

void CSnmpTable::setColumns(const std::vector<std::string>& columns) {
    columns_.clear();
    for (const std::string& c : columns) columns_.push_back(!c.empty() && c[0] == '.' ? c.substr(1) : c);
    columnsGeneration_ = request_ ? request_->bindingsGeneration_ : 0;
    resetAhead();
}

void CSnmpTable::resetAhead() {
    ahead_.clear();
    aheadPos_ = 0;
    aheadEnd_ = 0;
    nextReplies_.clear();
    rowBytes_ = 0;
    repsCap_ = 0;
    bulkWorked_ = false;
}

int CSnmpTable::getSuffix(int index, CSnmp* reply, std::string& suffix) const {
    if (!reply || index < 0 || index >= reply->getValuesCount()) return -1;
    // Binding `index` answers the column of its place among the bindings that are not the proxy
    // marker; the marker itself has no column.
    const std::vector<int> data = SnmpDataBindings(*reply);
    const auto at = std::find(data.begin(), data.end(), index);
    if (at == data.end()) return -1;
    const std::size_t column_index = static_cast<std::size_t>(at - data.begin());
    if (column_index >= columns_.size()) return -1;
    const std::string& got = reply->bindings()[static_cast<std::size_t>(index)].oid;
    const std::string& column = columns_[column_index];
    if (!SnmpOidInSubtree(column, got)) return -1;
    suffix = got.substr(column.size());
    return 0;
}
