// The switch's own SNMP agent configuration: global state, users, groups, views, communities,
// trap hosts, engine ID and trap enables. Rows are indexed by length-prefixed names.
#include <algorithm>
#include <tuple>

#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {

Check rowStatusCheck() { return oneOf({rs::Active, rs::NotInService, rs::CreateAndGo, rs::CreateAndWait, rs::Destroy}); }

Oid nameIndex(const std::string& name) {
    Oid o = {static_cast<SubId>(name.size())};
    for (unsigned char c : name) o.push_back(c);
    return o;
}

// Splits a length-prefixed name off an index; false when malformed.
bool takeName(const Oid& idx, size_t& pos, std::string& name, size_t maxLen) {
    if (pos >= idx.size() || idx[pos] == 0 || idx[pos] > maxLen || pos + 1 + idx[pos] > idx.size()) return false;
    name.clear();
    for (size_t i = 0; i < idx[pos]; ++i) {
        SubId c = idx[pos + 1 + i];
        if (c > 255) return false;
        name += static_cast<char>(c);
    }
    pos += 1 + idx[pos];
    return true;
}

bool codeAt(const Oid& idx, size_t pos, SubId lo, SubId hi) { return pos < idx.size() && idx[pos] >= lo && idx[pos] <= hi; }
}  // namespace

void registerAgentMib(Device& d) {
    const bool poe = d.model().poe;
    d.scalar(priv({25, 1}), "snmpGlobalState", Value::integer(1), Access::ReadWrite, oneOf({1, 2}));
    std::string engine = std::string("\x80\x00\x00\xab\x03", 5) + switchMac(0);
    d.scalar(priv({25, 7}), "snmpEngineId", Value::octets(engine), Access::ReadWrite, sizeRange(5, 32));
    for (SubId t = 1; t <= 9; ++t) {
        if (t >= 7 && !poe) break;
        d.scalar(priv({25, 8, t}), "snmpTrap" + std::to_string(t), Value::integer(t == 1 ? 2 : 1), Access::ReadWrite,
                 oneOf({1, 2}));
    }

    // Users: index name.version.
    TableDef& u = d.table("snmpUserTable", priv({25, 2, 1, 1}));
    d.column(u, 1, "snmpUserName", tag::Octets);
    d.column(u, 2, "snmpUserVersion", tag::Integer);
    d.column(u, 3, "snmpUserGroup", tag::Octets, Access::ReadCreate, sizeRange(0, 127));
    d.column(u, 4, "snmpUserAuthProtocol", tag::Integer, Access::ReadCreate, range(1, 3));
    // Pass phrases are written, never read back.
    d.column(u, 5, "snmpUserAuthPassword", tag::Octets, Access::ReadCreate, sizeRange(0, 40)).secret = true;
    d.column(u, 6, "snmpUserPrivProtocol", tag::Integer, Access::ReadCreate, range(1, 2));
    d.column(u, 7, "snmpUserPrivPassword", tag::Octets, Access::ReadCreate, sizeRange(0, 32)).secret = true;
    d.column(u, 8, "snmpUserRowStatus", tag::Integer, Access::ReadCreate, rowStatusCheck());
    u.rowStatusCol = 8;
    u.maxRows = 10;
    u.validIndex = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        return takeName(idx, pos, n, 32) && pos + 1 == idx.size() && codeAt(idx, pos, 1, 3);
    };
    u.newRow = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        takeName(idx, pos, n, 32);
        return std::map<SubId, Value>{{1, Value::octets(n)}, {2, Value::integer(static_cast<long long>(idx[pos]))},
                                      {4, Value::integer(1)}, {6, Value::integer(1)}};
    };
    for (auto& [name, ver, group] : {std::tuple<std::string, int, std::string>{"ReadOnly", 1, "ReadGroup"},
                                     {"ReadOnly", 2, "ReadGroup"},
                                     {"ReadWrite", 1, "WriteGroup"},
                                     {"ReadWrite", 2, "WriteGroup"}}) {
        Oid idx = nameIndex(name);
        idx.push_back(static_cast<SubId>(ver));
        d.row(u, idx,
              {{1, Value::octets(name)}, {2, Value::integer(ver)}, {3, Value::octets(group)}, {4, Value::integer(1)},
               {6, Value::integer(1)}, {8, Value::integer(rs::Active)}});
    }
    for (auto& spec : d.options().users) {
        std::string name = spec.substr(0, spec.find(':'));
        bool sha = spec.find(":SHA:") != std::string::npos;
        bool priv = std::count(spec.begin(), spec.end(), ':') >= 4;
        if (name.empty() || name.size() > 32) continue;
        Oid idx = nameIndex(name);
        idx.push_back(3);
        d.row(u, idx,
              {{1, Value::octets(name)}, {2, Value::integer(3)}, {3, Value::octets("WriteGroup")},
               {4, Value::integer(sha ? 3 : 2)}, {6, Value::integer(priv ? 2 : 1)}, {8, Value::integer(rs::Active)}});
    }

    // Groups: index name.model.level.
    TableDef& g = d.table("snmpGroupTable", priv({25, 3, 1, 1}));
    d.column(g, 1, "snmpGroupName", tag::Octets);
    d.column(g, 2, "snmpGroupModel", tag::Integer);
    d.column(g, 3, "snmpGroupLevel", tag::Integer);
    d.column(g, 4, "snmpGroupReadView", tag::Octets, Access::ReadCreate, sizeRange(0, 127));
    d.column(g, 5, "snmpGroupWriteView", tag::Octets, Access::ReadCreate, sizeRange(0, 127));
    d.column(g, 6, "snmpGroupNotifyView", tag::Octets, Access::ReadCreate, sizeRange(0, 127));
    d.column(g, 7, "snmpGroupRowStatus", tag::Integer, Access::ReadCreate, rowStatusCheck());
    g.rowStatusCol = 7;
    g.maxRows = 20;
    g.validIndex = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        return takeName(idx, pos, n, 32) && pos + 2 == idx.size() && codeAt(idx, pos, 1, 3) &&
               codeAt(idx, pos + 1, 1, 3) && (idx[pos] == 3 || idx[pos + 1] == 1);
    };
    g.newRow = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        takeName(idx, pos, n, 32);
        return std::map<SubId, Value>{{1, Value::octets(n)},
                                      {2, Value::integer(static_cast<long long>(idx[pos]))},
                                      {3, Value::integer(static_cast<long long>(idx[pos + 1]))}};
    };
    for (auto& [name, model, write] : {std::tuple<std::string, int, bool>{"ReadGroup", 1, false},
                                       {"ReadGroup", 2, false},
                                       {"WriteGroup", 1, true},
                                       {"WriteGroup", 2, true}}) {
        Oid idx = nameIndex(name);
        idx.push_back(static_cast<SubId>(model));
        idx.push_back(1);
        d.row(g, idx,
              {{1, Value::octets(name)}, {2, Value::integer(model)}, {3, Value::integer(1)},
               {4, Value::octets("CommunityView")}, {5, Value::octets(write ? "CommunityView" : "")},
               {6, Value::octets("CommunityView")}, {7, Value::integer(rs::Active)}});
    }

    // Views: index name.n.subtree.
    TableDef& v = d.table("snmpViewTable", priv({25, 4, 1, 1}));
    d.column(v, 1, "snmpViewName", tag::Octets);
    d.column(v, 2, "snmpViewSubtree", tag::ObjectId);
    d.column(v, 3, "snmpViewMask", tag::Octets, Access::ReadCreate, sizeRange(0, 16));
    d.column(v, 4, "snmpViewType", tag::Integer, Access::ReadCreate, range(1, 2));
    d.column(v, 5, "snmpViewRowStatus", tag::Integer, Access::ReadCreate, rowStatusCheck());
    v.rowStatusCol = 5;
    v.maxRows = 30;
    v.validIndex = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        return takeName(idx, pos, n, 32) && pos < idx.size() && idx[pos] >= 1 && idx[pos] <= 64 &&
               pos + 1 + idx[pos] == idx.size();
    };
    v.newRow = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        takeName(idx, pos, n, 32);
        Oid subtree(idx.begin() + static_cast<long>(pos) + 1, idx.end());
        return std::map<SubId, Value>{{1, Value::octets(n)}, {2, Value::objectId(subtree)},
                                      {3, Value::octets(std::string(subtree.size(), '\x01'))}, {4, Value::integer(1)}};
    };
    for (auto& [name, subtree] : {std::pair<std::string, Oid>{"CommunityView", {1}},
                                  {"restricted", {1, 3, 6, 1, 2, 1, 1}}}) {
        Oid idx = nameIndex(name);
        idx.push_back(static_cast<SubId>(subtree.size()));
        idx.insert(idx.end(), subtree.begin(), subtree.end());
        d.row(v, idx,
              {{1, Value::octets(name)}, {2, Value::objectId(subtree)},
               {3, Value::octets(std::string(subtree.size(), '\x01'))}, {4, Value::integer(1)},
               {5, Value::integer(rs::Active)}});
    }

    // Communities: index name; column 2 names the user whose view applies. At most 10.
    TableDef& c = d.table("snmpCommunityTable", priv({25, 5, 1, 1}));
    d.column(c, 1, "snmpCommunityName", tag::Octets);
    d.column(c, 2, "snmpCommunityUser", tag::Octets, Access::ReadCreate, sizeRange(0, 32));
    d.column(c, 3, "snmpCommunityRowStatus", tag::Integer, Access::ReadCreate, rowStatusCheck());
    c.rowStatusCol = 3;
    c.maxRows = 10;
    c.readNeedsWrite = true;  // the names are the communities themselves
    c.validIndex = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        return takeName(idx, pos, n, 32) && pos == idx.size();
    };
    c.newRow = [](const Oid& idx) {
        size_t pos = 0;
        std::string n;
        takeName(idx, pos, n, 32);
        return std::map<SubId, Value>{{1, Value::octets(n)}};
    };
    for (auto& [name, user] : {std::pair<std::string, std::string>{d.options().communityRo, "ReadOnly"},
                               {d.options().communityRw, "ReadWrite"}}) {
        if (name.empty() || name.size() > 32) continue;
        d.row(c, nameIndex(name),
              {{1, Value::octets(name)}, {2, Value::octets(user)}, {3, Value::integer(rs::Active)}});
    }

    // Trap hosts: index IPv4 address.
    TableDef& h = d.table("snmpHostTable", priv({25, 6, 1, 1}));
    d.column(h, 1, "snmpHostAddress", tag::IpAddress);
    d.column(h, 2, "snmpHostCommunity", tag::Octets, Access::ReadCreate, sizeRange(0, 32));
    d.column(h, 3, "snmpHostVersion", tag::Integer, Access::ReadCreate, range(1, 5));
    d.column(h, 4, "snmpHostRowStatus", tag::Integer, Access::ReadCreate, rowStatusCheck());
    h.rowStatusCol = 4;
    h.maxRows = 10;
    h.readNeedsWrite = true;  // a host's community may be the write community
    h.validIndex = [](const Oid& idx) {
        return idx.size() == 4 && idx[0] >= 1 && idx[0] < 224 && idx[1] < 256 && idx[2] < 256 && idx[3] < 255;
    };
    h.newRow = [](const Oid& idx) {
        std::string ip;
        for (SubId s : idx) ip += static_cast<char>(s);
        return std::map<SubId, Value>{{1, Value{tag::IpAddress, 0, ip, {}}}, {3, Value::integer(2)}};
    };
    d.row(h, {10, 90, 90, 12},
          {{1, Value::ip(10, 90, 90, 12)}, {2, Value::octets(d.options().communityRo)}, {3, Value::integer(2)},
           {4, Value::integer(rs::Active)}});
}

}  // namespace corvex::sim
