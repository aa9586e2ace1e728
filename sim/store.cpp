#include "store.h"

#include <charconv>
#include <cstdio>

namespace corvex::sim {

namespace {
constexpr int kWrongValue = 10;
constexpr int kWrongLength = 8;
}  // namespace

std::string oidToString(const Oid& o) {
    std::string s;
    for (size_t i = 0; i < o.size(); ++i) {
        if (i) s += '.';
        s += std::to_string(o[i]);
    }
    return s;
}

std::optional<Oid> parseOid(std::string_view text) {
    if (!text.empty() && text.front() == '.') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    Oid out;
    while (!text.empty()) {
        size_t dot = text.find('.');
        std::string_view part = text.substr(0, dot);
        if (part.empty() || part.size() > 10) return std::nullopt;
        unsigned long long v = 0;
        auto [p, ec] = std::from_chars(part.data(), part.data() + part.size(), v);
        if (ec != std::errc() || p != part.data() + part.size() || v > 0xffffffffULL) return std::nullopt;
        out.push_back(static_cast<SubId>(v));
        if (out.size() > 128) return std::nullopt;
        if (dot == std::string_view::npos) break;
        text.remove_prefix(dot + 1);
        if (text.empty()) return std::nullopt;
    }
    return out;
}

bool isPrefix(const Oid& prefix, const Oid& o) {
    return prefix.size() <= o.size() && std::equal(prefix.begin(), prefix.end(), o.begin());
}

Oid join(const Oid& a, const Oid& b) {
    Oid r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

Oid join(const Oid& a, std::initializer_list<SubId> b) {
    Oid r = a;
    r.insert(r.end(), b.begin(), b.end());
    return r;
}

std::string tagName(unsigned char t) {
    switch (t) {
    case tag::Integer: return "INTEGER";
    case tag::Octets: return "OCTET STRING";
    case tag::Null: return "NULL";
    case tag::ObjectId: return "OBJECT IDENTIFIER";
    case tag::IpAddress: return "IpAddress";
    case tag::Counter: return "Counter32";
    case tag::Gauge: return "Gauge32";
    case tag::TimeTicks: return "TimeTicks";
    case tag::Counter64: return "Counter64";
    case 0x80: return "noSuchObject";
    case 0x81: return "noSuchInstance";
    case 0x82: return "endOfMibView";
    default: {
        char buf[16];
        std::snprintf(buf, sizeof buf, "tag-0x%02x", t);
        return buf;
    }
    }
}

Value Value::ip(unsigned a, unsigned b, unsigned c, unsigned d) {
    std::string s;
    s += static_cast<char>(a);
    s += static_cast<char>(b);
    s += static_cast<char>(c);
    s += static_cast<char>(d);
    return {tag::IpAddress, 0, s, {}};
}

std::string toHex(std::string_view bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string ipText(const std::string& b) {
    if (b.size() != 4) return toHex(b);
    char buf[20];
    std::snprintf(buf, sizeof buf, "%u.%u.%u.%u", static_cast<unsigned char>(b[0]), static_cast<unsigned char>(b[1]),
                  static_cast<unsigned char>(b[2]), static_cast<unsigned char>(b[3]));
    return buf;
}

namespace {
std::optional<long long> parseNum(std::string_view t, bool allowNegative) {
    long long v = 0;
    if (t.empty()) return std::nullopt;
    auto [p, ec] = std::from_chars(t.data(), t.data() + t.size(), v);
    if (ec != std::errc() || p != t.data() + t.size()) return std::nullopt;
    if (!allowNegative && v < 0) return std::nullopt;
    return v;
}
}  // namespace

std::optional<Value> parseTyped(char letter, std::string_view text) {
    switch (letter) {
    case 'i': {
        auto v = parseNum(text, true);
        if (!v || *v < INT32_MIN || *v > INT32_MAX) return std::nullopt;
        return Value::integer(*v);
    }
    case 'u':
    case 'g':
    case 'c':
    case 't': {
        auto v = parseNum(text, false);
        if (!v || *v > 0xffffffffLL) return std::nullopt;
        unsigned char t = letter == 'c' ? tag::Counter : letter == 't' ? tag::TimeTicks : tag::Gauge;
        return Value{t, *v, {}, {}};
    }
    case 's': return Value::octets(std::string(text));
    case 'x': {
        std::string bytes;
        int nibbles = 0, cur = 0;
        for (char ch : text) {
            int d;
            if (ch >= '0' && ch <= '9') d = ch - '0';
            else if (ch >= 'a' && ch <= 'f') d = ch - 'a' + 10;
            else if (ch >= 'A' && ch <= 'F') d = ch - 'A' + 10;
            else if (ch == ' ' || ch == ':' || ch == '-') continue;
            else return std::nullopt;
            cur = cur * 16 + d;
            if (++nibbles == 2) {
                bytes += static_cast<char>(cur);
                nibbles = cur = 0;
            }
        }
        if (nibbles) return std::nullopt;
        return Value::octets(bytes);
    }
    case 'a': {
        unsigned a[4];
        char tail;
        std::string s(text);
        if (std::sscanf(s.c_str(), "%u.%u.%u.%u%c", &a[0], &a[1], &a[2], &a[3], &tail) != 4) return std::nullopt;
        for (unsigned x : a)
            if (x > 255) return std::nullopt;
        return Value::ip(a[0], a[1], a[2], a[3]);
    }
    case 'o': {
        auto o = parseOid(text);
        if (!o) return std::nullopt;
        return Value::objectId(*o);
    }
    default: return std::nullopt;
    }
}

const Cell* Store::find(const Oid& o) const {
    auto it = cells_.find(o);
    return it == cells_.end() ? nullptr : &it->second;
}

Cell* Store::find(const Oid& o) {
    auto it = cells_.find(o);
    return it == cells_.end() ? nullptr : &it->second;
}

const Store::Map::value_type* Store::next(const Oid& o) const {
    auto it = cells_.upper_bound(o);
    return it == cells_.end() ? nullptr : &*it;
}

void Store::put(const Oid& o, Value v, const ObjectDef* def) { cells_[o] = Cell{std::move(v), def}; }

void Store::setValue(const Oid& o, Value v) {
    if (auto* c = find(o)) c->value = std::move(v);
}

void Store::erase(const Oid& o) { cells_.erase(o); }

void Store::eraseRow(const TableDef& t, const Oid& index) {
    for (auto& [col, def] : t.columns) erase(join(join(t.entry, {col}), index));
}

bool Store::hasAnyUnder(const Oid& prefix) const {
    auto it = cells_.lower_bound(prefix);
    return it != cells_.end() && isPrefix(prefix, it->first);
}

std::vector<Oid> Store::indexesOf(const TableDef& t, SubId column) const {
    std::vector<Oid> out;
    Oid col = join(t.entry, {column});
    for (auto it = cells_.upper_bound(col); it != cells_.end() && isPrefix(col, it->first); ++it)
        out.emplace_back(it->first.begin() + static_cast<long>(col.size()), it->first.end());
    return out;
}

std::optional<Value> View::get(const Oid& o) const {
    auto s = staged_.find(o);
    if (s != staged_.end()) return s->second;
    if (auto* c = store_.find(o)) return c->value;
    return std::nullopt;
}

long long View::integer(const Oid& o, long long fallback) const {
    auto v = get(o);
    return v ? v->num : fallback;
}

std::string View::octets(const Oid& o) const {
    auto v = get(o);
    return v ? v->str : std::string();
}

namespace {
SubId keyColumn(const TableDef& t) { return t.rowStatusCol ? t.rowStatusCol : t.columns.begin()->first; }
}  // namespace

bool View::rowExists(const TableDef& t, const Oid& index) const {
    return get(join(join(t.entry, {keyColumn(t)}), index)).has_value();
}

std::vector<Oid> View::rows(const TableDef& t) const {
    std::vector<Oid> out = store_.indexesOf(t, keyColumn(t));
    Oid col = join(t.entry, {keyColumn(t)});
    std::vector<Oid> result;
    for (auto& idx : out)
        if (get(join(col, idx))) result.push_back(idx);
    for (auto& [o, v] : staged_) {
        if (!v || !isPrefix(col, o) || store_.find(o)) continue;
        result.emplace_back(o.begin() + static_cast<long>(col.size()), o.end());
    }
    return result;
}

Check range(long long lo, long long hi) {
    return [lo, hi](const Value& v) { return v.num < lo || v.num > hi ? kWrongValue : 0; };
}

Check oneOf(std::initializer_list<long long> values) {
    std::vector<long long> allowed(values);
    return [allowed](const Value& v) {
        for (auto a : allowed)
            if (a == v.num) return 0;
        return kWrongValue;
    };
}

Check sizeRange(size_t lo, size_t hi) {
    return [lo, hi](const Value& v) { return v.str.size() < lo || v.str.size() > hi ? kWrongLength : 0; };
}

}  // namespace corvex::sim
