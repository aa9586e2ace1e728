#include "features/agent/agent_access.h"

#include "features/common/form_reads.h"
#include "features/common/sync_request.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/session_close.h"
#include "snmp/validation.h"

namespace agent {

namespace {

// Most rows a walk of each table accepts: the table's maximum with a margin, so that a switch
// that never leaves a table cannot grow a list without end.
constexpr size_t kWalkBoundSmall = 16;  // communities, hosts
constexpr size_t kWalkBoundLarge = 64;  // users, groups, views

std::string TextOf(const std::string& code, std::initializer_list<const char*> texts) {
    int n = 0;
    for (char c : code) {
        if (c < '0' || c > '9' || n > 100) return {};
        n = n * 10 + (c - '0');
    }
    if (code.empty() || n < 1 || n > static_cast<int>(texts.size())) return {};
    return *(texts.begin() + (n - 1));
}

}  // namespace

std::string TrapEnableOid(int n) { return kOidAgent + ".8." + std::to_string(n) + ".0"; }
std::string Column(const std::string& entry, int c) { return entry + "." + std::to_string(c); }

std::string HostVersionText(const std::string& code) {
    return TextOf(code, {"V1", "V2c", "V3-NoAuthNoPriv", "V3-AuthNoPriv", "V3-AuthPriv"});
}
std::string UserVersionText(const std::string& code) { return TextOf(code, {"V1", "V2c", "V3"}); }
std::string AuthText(const std::string& code) { return TextOf(code, {"None", "MD5", "SHA"}); }
std::string PrivText(const std::string& code) { return TextOf(code, {"None", "DES_CBC"}); }
std::string ModelText(const std::string& code) { return TextOf(code, {"v1", "v2c", "v3"}); }
std::string LevelText(const std::string& code) { return TextOf(code, {"NoAuthNoPriv", "AuthNoPriv", "AuthPriv"}); }
std::string ViewTypeText(const std::string& code) { return TextOf(code, {"Included", "Excluded"}); }

std::string TrimBlanks(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

std::string LowerHex(const std::vector<std::uint8_t>& octets) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(octets.size() * 2);
    for (std::uint8_t b : octets) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

std::vector<std::uint8_t> EngineIdOctets(const std::string& text) {
    std::string digits = text.size() % 2 ? "0" + text : text;
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return 0;
    };
    std::vector<std::uint8_t> out;
    for (size_t i = 0; i + 1 < digits.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(value(digits[i]) * 16 + value(digits[i + 1])));
    return out;
}

std::string TooLongMessage(const std::string& label, const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return {};
    return label + " is too long: the switch takes at most " + std::to_string(maxBytes) +
           " bytes, and letters such as \u00e9 or \u20ac take 2 or 3 bytes each.";
}

std::vector<std::uint32_t> ParseOid(const std::string& text) {
    const size_t start = !text.empty() && text[0] == '.' ? 1 : 0;
    std::vector<std::uint32_t> out;
    std::uint64_t value = 0;
    bool digits = false;
    for (size_t i = start; i <= text.size(); ++i) {
        if (i == text.size() || text[i] == '.') {
            if (!digits) return {};
            out.push_back(static_cast<std::uint32_t>(value));
            value = 0;
            digits = false;
            continue;
        }
        const char c = text[i];
        if (c < '0' || c > '9') return {};
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
        if (value > 0xffffffffULL) return {};
        digits = true;
    }
    return out;
}

std::string OidText(const std::vector<std::uint32_t>& oid) {
    std::string out;
    for (size_t i = 0; i < oid.size(); ++i) out += (i ? "." : "") + std::to_string(oid[i]);
    return out;
}

bool IsTrapHostAddress(const std::array<int, 4>& f) {
    for (int v : f)
        if (v < 0 || v > 255) return false;
    if (f[0] == 0 && f[1] == 0 && f[2] == 0 && f[3] == 0) return false;
    if (f[0] == 0 || f[0] == 255) return false;
    if (f[3] == 0 || f[3] == 255) return false;
    if (f[0] < 128) {  // class A: network 1..126, 24-bit host part neither all zeros nor all ones
        if (f[0] == 127) return false;
        const bool zeros = f[1] == 0 && f[2] == 0 && f[3] == 0;
        const bool ones = f[1] == 255 && f[2] == 255 && f[3] == 255;
        return !zeros && !ones;
    }
    if (f[0] < 192) {  // class B: 16-bit host part
        const bool zeros = f[2] == 0 && f[3] == 0;
        const bool ones = f[2] == 255 && f[3] == 255;
        return !zeros && !ones;
    }
    if (f[0] < 224) return f[3] != 0 && f[3] != 255;  // class C
    return false;                                      // class D and E
}

}  // namespace agent

using namespace agent;

namespace {

// The launch settings with the write community for reads too: the community table is readable
// only with write access.
SessionSettings WithWriteCommunityForReads(SessionSettings s) {
    s.ReadCommunity = s.WriteCommunity;
    return s;
}

std::string Bytes(const std::vector<std::uint8_t>& b) { return std::string(b.begin(), b.end()); }

}  // namespace

CSnmpAgentAccess::CSnmpAgentAccess(IAgentNotify& owner, platform::Form* form)
    : m_cCommonSNMP(Settings()),
      m_cCommonSNMPSet(Settings()),
      m_cCommonSNMPTable(WithWriteCommunityForReads(Settings())),
      m_cCommonSNMPGetUse(Settings()),
      m_owner(owner),
      m_form(form),
      m_settings(Settings()) {}

bool CSnmpAgentAccess::Walk(const char* name, CTableWalk& walk, const std::vector<std::string>& columns,
                            CTableWalk::RowHandler onRow, CTableWalk::EndHandler onEnd,
                            const CTableWalk::Options& options) {
    if (m_form) return features::WalkRead(*m_form, name, walk, columns, std::move(onRow), std::move(onEnd), options);
    return walk.Start(columns, std::move(onRow), std::move(onEnd), options);
}

bool CSnmpAgentAccess::Get(const char* name, CTableWalk& walk, const std::vector<std::string>& objects,
                           CTableWalk::RowHandler onReply) {
    if (m_form) return features::AsyncRead(*m_form, name, walk, objects, std::move(onReply));
    return walk.Read(objects, std::move(onReply));
}

std::string CSnmpAgentAccess::OctetIndex(const std::string& text) {
    std::string out = "." + std::to_string(text.size());
    for (unsigned char c : text) out += "." + std::to_string(static_cast<unsigned>(c));
    return out;
}

std::string CSnmpAgentAccess::UserIndex(const std::string& name, const std::string& version) {
    std::string out = OctetIndex(name);
    if (version == "v1" || version == "V1") out += ".1";
    else if (version == "v2c" || version == "V2c") out += ".2";
    else if (version == "v3" || version == "V3") out += ".3";
    return out;
}

bool CSnmpAgentAccess::NameCheck(const std::string& text) { return IsValidName(text); }

bool CSnmpAgentAccess::RowStatus(const std::string& oid, const std::string& status, std::vector<Binding>& step) {
    if (status != "1" && status != "5" && status != "6") {
        platform::ShowMessage("error istatus value!");
        return false;
    }
    step = {{oid, SNMP_T_INTEGER, status}};
    return true;
}

std::string CSnmpAgentAccess::RowStatusText(const std::string& code) {
    if (code == "1") return "Active";
    if (code == "2") return "Not in service";
    if (code == "3") return "Not ready";
    return code.empty() ? "Unknown" : "Unknown (" + code + ")";
}

std::vector<features::SetValue> CSnmpAgentAccess::Values(const std::vector<Binding>& bindings) {
    std::vector<features::SetValue> values;
    for (const Binding& b : bindings)
        values.push_back(b.type == SNMP_T_OCTETS ? features::SetValue::Bytes(b.oid, Octets(b.value.begin(), b.value.end()))
                                                 : features::SetValue::Text(b.oid, b.type, b.value));
    return values;
}

std::vector<CSnmpAgentAccess::Binding> CSnmpAgentAccess::GlobalStateBindings(bool enabled) {
    return {{kOidGlobalState, SNMP_T_INTEGER, enabled ? "1" : "2"}};
}

std::vector<CSnmpAgentAccess::Binding> CSnmpAgentAccess::EngineIdBindings(const std::string& text, bool useDefault) {
    const std::vector<std::uint8_t> octets = EngineIdOctets(useDefault ? std::string(kDefaultEngineId) : text);
    return {{kOidEngineId, SNMP_T_OCTETS, Bytes(octets)}};
}

std::vector<CSnmpAgentAccess::Binding> CSnmpAgentAccess::TrapEnableBindings(const std::array<bool, 9>& enabled, bool poe) {
    std::vector<Binding> bindings;
    for (int n = 1; n <= (poe ? 9 : 6); ++n)
        bindings.push_back({TrapEnableOid(n), SNMP_T_INTEGER, enabled[static_cast<size_t>(n - 1)] ? "1" : "2"});
    return bindings;
}

void CSnmpAgentAccess::Notify(int kind, const Record& record) { m_owner.OnAgentNotice(kind, record); }
void CSnmpAgentAccess::Scalar(const std::string& value) { m_owner.OnAgentScalar(value); }

// ---------------------------------------------------------------- scalars

bool CSnmpAgentAccess::ReadGlobalState() {
    return Get("global state", m_read, {kOidGlobalState}, [this](const ReplyRow& row, CSnmp&) {
        if (row.present(0)) Scalar(row.text(0));
        return false;
    });
}

bool CSnmpAgentAccess::ReadEngineId() {
    return Get("engine ID", m_readWalk, {kOidEngineId}, [this](const ReplyRow& row, CSnmp&) {
        if (row.present(0) && row.value(0).type == SNMP_T_OCTETS) Scalar(LowerHex(row.bytes(0)));
        return false;
    });
}

bool CSnmpAgentAccess::ReadTrapEnables(bool poe) {
    std::vector<std::string> oids;
    for (int n = 1; n <= (poe ? 9 : 6); ++n) oids.push_back(TrapEnableOid(n));
    return Get("trap enables", m_read, oids, [this](const ReplyRow& row, CSnmp&) {
        Record values;
        for (size_t i = 0; i < row.size(); ++i) values.push_back(row.present(i) ? row.text(i) : std::string());
        Notify(kNoticeRow, values);
        return false;
    });
}

// ---------------------------------------------------------------- walks

bool CSnmpAgentAccess::WalkCommunities() {
    CTableWalk::Options options;
    options.maxRows = kWalkBoundSmall;
    const bool started = Walk(
        "communities", m_tableWalk, {Column(kOidCommunityEntry, 1), Column(kOidCommunityEntry, 2), Column(kOidCommunityEntry, 3)},
        [this](const ReplyRow& row, CSnmp&) {
            Notify(kNoticeCommunity, {Bytes(row.bytes(0)), Bytes(row.bytes(1)), row.text(2)});
            return true;
        },
        [this](int) { EndOfCommunities(); }, options);
    if (!started) EndOfCommunities();
    return started;
}

void CSnmpAgentAccess::EndOfCommunities() {
    // The user names for the view policy come next; their end is the end of the whole read.
    WalkUsers();
}

bool CSnmpAgentAccess::WalkUsers() {
    CTableWalk::Options options;
    options.maxRows = kWalkBoundLarge;
    std::vector<std::string> columns;
    for (int c = 1; c <= 8; ++c) columns.push_back(Column(kOidUserEntry, c));
    const bool started = Walk(
        "users", m_readWalk, columns,
        [this](const ReplyRow& row, CSnmp&) {
            // Pass phrases (columns 5 and 7) are never kept, whatever the switch returns.
            Notify(kNoticeUser, {Bytes(row.bytes(0)), Bytes(row.bytes(2)), UserVersionText(row.text(1)),
                                 AuthText(row.text(3)), std::string(), PrivText(row.text(5)), std::string(),
                                 row.text(7)});
            return true;
        },
        [this](int) { Notify(kNoticeEnd, {}); }, options);
    if (!started) Notify(kNoticeEnd, {});
    return started;
}

bool CSnmpAgentAccess::WalkHosts() {
    CTableWalk::Options options;
    options.maxRows = kWalkBoundSmall;
    const std::string name = Column(kOidHostEntry, 2);
    const bool started = Walk(
        "hosts", m_tableWalk, {name, Column(kOidHostEntry, 1), Column(kOidHostEntry, 3), Column(kOidHostEntry, 4)},
        [this, name](const ReplyRow& row, CSnmp&) {
            // The address is the row's index when the switch leaves column 1 out.
            const std::string address = row.present(1) ? row.text(1) : row.instance(0, name);
            Notify(kNoticeRow, {address, HostVersionText(row.text(2)), Bytes(row.bytes(0)), row.text(3)});
            return true;
        },
        [this](int) { Notify(kNoticeEnd, {}); }, options);
    if (!started) Notify(kNoticeEnd, {});
    return started;
}

bool CSnmpAgentAccess::WalkGroups() {
    CTableWalk::Options options;
    options.maxRows = kWalkBoundLarge;
    std::vector<std::string> columns;
    for (int c = 1; c <= 7; ++c) columns.push_back(Column(kOidGroupEntry, c));
    const bool started = Walk(
        "groups", m_readWalk, columns,
        [this](const ReplyRow& row, CSnmp&) {
            Notify(kNoticeRow, {Bytes(row.bytes(0)), Bytes(row.bytes(3)), Bytes(row.bytes(4)), Bytes(row.bytes(5)),
                                ModelText(row.text(1)), LevelText(row.text(2)), row.text(6)});
            return true;
        },
        [this](int) { Notify(kNoticeEnd, {}); }, options);
    if (!started) Notify(kNoticeEnd, {});
    return started;
}

namespace {

// The subtree of a view row from its index: name length L, L bytes, subtree length n, n
// sub-identifiers. Empty when the index does not hold that much.
std::vector<std::string> SubtreeOfIndex(const std::string& index) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= index.size()) {
        const size_t dot = index.find('.', start);
        parts.push_back(index.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) break;
        start = dot + 1;
    }
    auto number = [](const std::string& s) -> long {
        if (s.empty() || s.size() > 9 || s.find_first_not_of("0123456789") != std::string::npos) return -1;
        return std::stol(s);
    };
    if (parts.empty()) return {};
    const long nameLength = number(parts[0]);
    if (nameLength < 0 || static_cast<size_t>(nameLength) + 1 >= parts.size()) return {};
    const size_t at = static_cast<size_t>(nameLength) + 1;
    const long n = number(parts[at]);
    if (n <= 0 || at + 1 + static_cast<size_t>(n) != parts.size()) return {};
    return std::vector<std::string>(parts.begin() + static_cast<long>(at) + 1, parts.end());
}

}  // namespace

bool CSnmpAgentAccess::WalkViews() {
    CTableWalk::Options options;
    options.maxRows = kWalkBoundLarge;
    const std::string nameColumn = Column(kOidViewEntry, 1);
    const bool started = Walk(
        "views", m_readWalk, {nameColumn, Column(kOidViewEntry, 3), Column(kOidViewEntry, 4), Column(kOidViewEntry, 5)},
        [this, nameColumn](const ReplyRow& row, CSnmp&) {
            const std::vector<std::string> subtree = SubtreeOfIndex(row.instance(0, nameColumn));
            std::string subtreeText, mask;
            for (size_t i = 0; i < subtree.size(); ++i) {
                if (i) subtreeText += ".";
                subtreeText += subtree[i];
            }
            const std::vector<std::uint8_t>& octets = row.bytes(1);
            for (size_t i = 0; i < subtree.size() && i < octets.size(); ++i) {
                if (i) mask += ".";
                mask += std::to_string(static_cast<unsigned>(octets[i]));
            }
            Notify(kNoticeRow, {Bytes(row.bytes(0)), subtreeText, mask, ViewTypeText(row.text(2)), row.text(3)});
            return true;
        },
        [this](int) { Notify(kNoticeEnd, {}); }, options);
    if (!started) Notify(kNoticeEnd, {});
    return started;
}

// ---------------------------------------------------------------- the launch line's own access

bool CSnmpAgentAccess::SessionHasPrivacy() const {
    return m_cCommonSNMPSet.Version() == 3 && m_settings.SecurityLevel == "3" && m_settings.PrivProtocol == "2";
}

bool CSnmpAgentAccess::IsOwnCommunity(const std::string& name) const {
    return m_cCommonSNMPSet.Version() == 1 && (name == m_settings.ReadCommunity || name == m_settings.WriteCommunity);
}

bool CSnmpAgentAccess::IsOwnUser(const std::string& name, const std::string& versionText) const {
    return m_cCommonSNMPSet.Version() == 3 && (versionText == "V3" || versionText == "v3") && name == m_settings.UserName;
}

void CSnmpAgentAccess::Close() {
    CloseSessions({{m_cCommonSNMP, "m_cCommonSNMP"},
                   {m_cCommonSNMPSet, "m_cCommonSNMPSet"},
                   {m_cCommonSNMPTable, "m_cCommonSNMPTable"},
                   {m_cCommonSNMPGetUse, "m_cCommonSNMPGetUse"}});
}
