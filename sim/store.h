// Object store of the virtual switch: every served object instance, ordered by OID,
// with the definitions (type, access, checks) that govern reads and writes.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::sim {

using SubId = unsigned long;  // same width as Net-SNMP's oid
using Oid = std::vector<SubId>;

std::string oidToString(const Oid& o);
std::optional<Oid> parseOid(std::string_view text);  // "1.3.6" or ".1.3.6"
bool isPrefix(const Oid& prefix, const Oid& o);
Oid join(const Oid& a, const Oid& b);
Oid join(const Oid& a, std::initializer_list<SubId> b);

// ASN.1 tags, identical to Net-SNMP's ASN_* values.
namespace tag {
constexpr unsigned char Integer = 0x02, Octets = 0x04, Null = 0x05, ObjectId = 0x06, IpAddress = 0x40,
                        Counter = 0x41, Gauge = 0x42, TimeTicks = 0x43, Counter64 = 0x46;
}
std::string tagName(unsigned char t);

struct Value {
    unsigned char type = tag::Null;
    long long num = 0;  // Integer, Counter, Gauge, TimeTicks, Counter64
    std::string str;    // Octets; IpAddress as 4 raw bytes
    Oid oid;            // ObjectId

    static Value integer(long long v) { return {tag::Integer, v, {}, {}}; }
    static Value octets(std::string s) { return {tag::Octets, 0, std::move(s), {}}; }
    static Value gauge(long long v) { return {tag::Gauge, v, {}, {}}; }
    static Value counter(long long v) { return {tag::Counter, v, {}, {}}; }
    static Value ticks(long long v) { return {tag::TimeTicks, v, {}, {}}; }
    static Value objectId(Oid o) { return {tag::ObjectId, 0, {}, std::move(o)}; }
    static Value ip(unsigned a, unsigned b, unsigned c, unsigned d);
    bool operator==(const Value&) const = default;
};

// Text as snmpset would take it: TYPE letter (i u s x a t c g o) and value text.
std::optional<Value> parseTyped(char typeLetter, std::string_view text);
std::string toHex(std::string_view bytes);
std::string ipText(const std::string& fourBytes);

enum class Access { ReadOnly, ReadWrite, ReadCreate };

class View;
// Returns an SNMP error status (0 = fine) for a value that already has the right type.
using Check = std::function<int(const Value&)>;
// Cross-object check against the store as it would be after the whole set request.
using Consistency = std::function<int(const View&, const Oid& instance, const Value&)>;

struct ObjectDef {
    std::string name;
    unsigned char type = tag::Integer;
    Access access = Access::ReadOnly;
    Check check;              // optional
    Consistency consistent;   // optional
    std::function<void(const Oid& instance, const Value&)> onCommit;  // optional side effect
    bool secret = false;      // written, never read back: reads as an empty string
};

struct TableDef {
    std::string name;
    Oid entry;                           // the xxxEntry OID; cells are entry.column.index
    std::map<SubId, ObjectDef> columns;  // accessible columns
    SubId rowStatusCol = 0;              // 0: rows are fixed, no creation
    size_t maxRows = 0;                  // 0: unlimited
    std::function<bool(const Oid& index)> validIndex;
    std::function<std::map<SubId, Value>(const Oid& index)> newRow;  // defaults of a created row
    std::function<int(const View&, const Oid& index)> canActivate;
    std::function<int(const View&, const Oid& index)> canDestroy;
    bool readNeedsWrite = false;  // rows are visible only to requests with write access
};

struct Cell {
    Value value;
    const ObjectDef* def = nullptr;
};

class Store {
public:
    using Map = std::map<Oid, Cell>;
    const Cell* find(const Oid& o) const;
    Cell* find(const Oid& o);
    // First instance strictly after o, or null.
    const Map::value_type* next(const Oid& o) const;
    void put(const Oid& o, Value v, const ObjectDef* def);
    void setValue(const Oid& o, Value v);  // keeps the definition; creates no cell
    void erase(const Oid& o);
    void eraseRow(const TableDef& t, const Oid& index);
    bool hasAnyUnder(const Oid& prefix) const;
    std::vector<Oid> indexesOf(const TableDef& t, SubId column) const;
    size_t size() const { return cells_.size(); }
    const Map& cells() const { return cells_; }
    Map& cells() { return cells_; }

private:
    Map cells_;
};

// The store seen through the pending changes of one set request.
class View {
public:
    View(const Store& s, const std::map<Oid, std::optional<Value>>& staged) : store_(s), staged_(staged) {}
    std::optional<Value> get(const Oid& o) const;
    long long integer(const Oid& o, long long fallback = 0) const;
    std::string octets(const Oid& o) const;
    bool rowExists(const TableDef& t, const Oid& index) const;
    std::vector<Oid> rows(const TableDef& t) const;  // indexes of existing rows (by first column / row status)

private:
    const Store& store_;
    const std::map<Oid, std::optional<Value>>& staged_;
};

// Common checks.
Check range(long long lo, long long hi);
Check oneOf(std::initializer_list<long long> values);
Check sizeRange(size_t lo, size_t hi);

}  // namespace corvex::sim
