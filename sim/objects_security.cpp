// Access security and per-port features that a link aggregation must agree on: 802.1X, ARP spoofing
// prevention, DHCP server screening, port security, loopback detection, rate control, RSTP port settings,
// ACL ports, mirroring, auto-learning and forwarding hits, spanning tree state.
#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {
Oid perPort(std::initializer_list<SubId> col, int port) { return join(priv(col), {static_cast<SubId>(port)}); }

// A per-port table with one row per front-panel port.
TableDef& portTable(Device& d, const std::string& name, std::initializer_list<SubId> entry) {
    TableDef& t = d.table(name, priv(entry));
    return t;
}

void fillPorts(Device& d, TableDef& t, const std::map<SubId, Value>& values) {
    for (int p = 1; p <= d.model().ports; ++p) d.row(t, {static_cast<SubId>(p)}, values);
}

bool validMac(const Value& v) { return v.str.size() == 6; }
}  // namespace

void registerSecurity(Device& d) {
    Device* dev = &d;

    // 802.1X: RADIUS server and key, timers, per-port control and status.
    d.scalar(priv({11, 1, 1}), "dot1xRadiusServer", Value::ip(0, 0, 0, 0), Access::ReadWrite,
             [](const Value& v) { return v.str == std::string(4, '\0') ? err::WrongValue : err::NoError; });
    // A shared key is never given back.
    d.scalar(priv({11, 1, 2}), "dot1xRadiusKey", Value::octets(""), Access::ReadWrite, sizeRange(1, 33)).secret = true;
    d.scalar(priv({11, 2, 1}), "dot1xState", Value::integer(2), Access::ReadWrite, oneOf({1, 2}));
    d.scalar(priv({11, 2, 2}), "dot1xQuietPeriod", Value::integer(60), Access::ReadWrite, range(0, 65535));
    d.scalar(priv({11, 2, 3}), "dot1xTxPeriod", Value::integer(30), Access::ReadWrite, range(1, 65535));
    d.scalar(priv({11, 2, 4}), "dot1xSuppTimeout", Value::integer(30), Access::ReadWrite, range(1, 65535));
    d.scalar(priv({11, 2, 5}), "dot1xServerTimeout", Value::integer(30), Access::ReadWrite, range(1, 65535));
    d.scalar(priv({11, 2, 6}), "dot1xMaxReq", Value::integer(2), Access::ReadWrite, range(1, 10));
    d.scalar(priv({11, 2, 7}), "dot1xReAuthPeriod", Value::gauge(3600), Access::ReadWrite, range(1, 4294967295LL));
    d.scalar(priv({11, 2, 8}), "dot1xReAuthEnabled", Value::integer(2), Access::ReadWrite, oneOf({1, 2}));
    TableDef& x = portTable(d, "dot1xPortTable", {11, 2, 9, 1});
    d.column(x, 2, "dot1xPortControl", tag::Integer, Access::ReadWrite, range(1, 3));
    d.column(x, 3, "dot1xPortStatus", tag::Integer);
    fillPorts(d, x, {{2, Value::integer(3)}, {3, Value::integer(1)}});
    d.onDerive([dev] {
        // Authorised: forced, or auto with 802.1X off (a RADIUS exchange is not simulated).
        bool on = dev->intAt(privScalar({11, 2, 1})) == 1;
        for (int p = 1; p <= dev->model().ports; ++p) {
            long long c = dev->intAt(perPort({11, 2, 9, 1, 2}, p));
            bool ok = c == 3 || (c == 2 && !on);
            dev->put(perPort({11, 2, 9, 1, 3}, p), Value::integer(ok ? 1 : 2));
        }
    });

    // ARP spoofing prevention: gateway IP (index) bound to a MAC on a set of ports, 64 entries.
    TableDef& arp = d.table("arpSpoofingTable", priv({14, 3, 1, 1}));
    d.column(arp, 1, "arpSpoofingGateway", tag::IpAddress);
    d.column(arp, 2, "arpSpoofingMac", tag::Octets, Access::ReadCreate,
             [](const Value& v) { return validMac(v) ? err::NoError : err::WrongLength; });
    d.column(arp, 3, "arpSpoofingPorts", tag::Octets, Access::ReadCreate, d.portListCheck());
    d.column(arp, 4, "arpSpoofingRowStatus", tag::Integer, Access::ReadCreate,
             oneOf({rs::Active, rs::NotInService, rs::CreateAndGo, rs::CreateAndWait, rs::Destroy}));
    arp.rowStatusCol = 4;
    arp.maxRows = 64;
    arp.validIndex = [](const Oid& idx) {
        if (idx.size() != 4) return false;
        for (SubId s : idx)
            if (s > 255) return false;
        return idx[0] != 0 && idx[0] < 224;
    };
    arp.newRow = [dev](const Oid& idx) {
        std::string ip;
        for (SubId s : idx) ip += static_cast<char>(s);
        return std::map<SubId, Value>{{1, Value{tag::IpAddress, 0, ip, {}}},
                                      {2, Value::octets(std::string(6, '\0'))},
                                      {3, Value::octets(dev->portList({}))}};
    };
    arp.canActivate = [](const View& v, const Oid& idx) {
        std::string mac = v.octets(join(priv({14, 3, 1, 1, 2}), idx));
        return mac == std::string(6, '\0') || (static_cast<unsigned char>(mac[0]) & 1) ? err::InconsistentValue
                                                                                      : err::NoError;
    };

    // DHCP server screening ports.
    d.scalar(priv({14, 7, 1}), "dhcpScreeningPorts", Value::octets(d.portList({})), Access::ReadWrite,
             d.portListCheck());

    // Port security (1 enabled, 2 disabled) and loopback detection per port.
    TableDef& ps = portTable(d, "portSecurityTable", {14, 2, 1, 1});
    d.column(ps, 2, "portSecurityState", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    fillPorts(d, ps, {{2, Value::integer(2)}});
    TableDef& lbd = portTable(d, "loopbackPortTable", {17, 4, 1});
    d.column(lbd, 2, "loopbackPortState", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    fillPorts(d, lbd, {{2, Value::integer(2)}});

    // Rate control: ingress and egress limit per port, 0 = no limit (kbit/s).
    TableDef& rc = portTable(d, "rateControlTable", {13, 1, 2, 1});
    d.column(rc, 2, "rateControlIngress", tag::Integer, Access::ReadWrite, range(0, 1000000));
    d.column(rc, 3, "rateControlEgress", tag::Integer, Access::ReadWrite, range(0, 1000000));
    fillPorts(d, rc, {{2, Value::integer(0)}, {3, Value::integer(0)}});

    // Spanning tree: global state (1 on, 2 off), version (0 STP compatible, 2 RSTP), per-port RSTP settings.
    d.scalar(priv({6, 1, 1}), "stpState", Value::integer(2), Access::ReadWrite, oneOf({1, 2}));
    d.scalar(priv({6, 1, 2}), "stpVersion", Value::integer(2), Access::ReadWrite, oneOf({0, 2}));
    TableDef& rstp = portTable(d, "rstpPortTable", {6, 2, 1});
    d.column(rstp, 2, "rstpPortPriority", tag::Integer, Access::ReadWrite, range(0, 240));
    d.column(rstp, 4, "rstpPortState", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(rstp, 5, "rstpPortPathCost", tag::Integer, Access::ReadWrite, range(0, 200000000));
    d.column(rstp, 14, "rstpPortEdge", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(rstp, 16, "rstpPortP2P", tag::Integer, Access::ReadWrite, range(1, 3));
    d.column(rstp, 17, "rstpPortRestrictedRole", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(rstp, 18, "rstpPortRestrictedTcn", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    fillPorts(d, rstp,
              {{2, Value::integer(128)},
               {4, Value::integer(1)},
               {5, Value::integer(0)},
               {14, Value::integer(2)},
               {16, Value::integer(3)},
               {17, Value::integer(2)},
               {18, Value::integer(2)}});

    // ACL entries with their ports (no entries at first; --state can add some).
    TableDef& acl = d.table("aclEntryTable", priv({15, 2, 1, 1}));
    d.column(acl, 10, "aclEntryPorts", tag::Octets, Access::ReadWrite, d.portListCheck());

    // Mirroring: state, target port, source ports (ingress and egress).
    d.scalar(priv({18, 1}), "mirrorState", Value::integer(2), Access::ReadWrite, oneOf({1, 2}));
    d.scalar(priv({18, 2}), "mirrorTargetPort", Value::integer(d.model().ports), Access::ReadWrite,
             range(1, d.model().ports));
    d.scalar(priv({18, 3}), "mirrorSourceIngress", Value::octets(d.portList({})), Access::ReadWrite,
             d.portListCheck());
    d.scalar(priv({18, 4}), "mirrorSourceEgress", Value::octets(d.portList({})), Access::ReadWrite,
             d.portListCheck());

    // Auto-learning ports (all learn) and the forwarding destination hit table (static entries, none at first).
    d.scalar(priv({9, 2}), "autoLearningPorts", Value::octets(d.allPorts()), Access::ReadWrite, d.portListCheck());
    TableDef& hits = d.table("fdbHitTable", priv({9, 3, 1}));
    d.column(hits, 3, "fdbHitPort", tag::Integer);
}

}  // namespace corvex::sim
