// MIB-II: system group, interfaces, IP address, TCP connection and UDP listener tables.
#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {
const Oid kSystem = {1, 3, 6, 1, 2, 1, 1};
const Oid kIfEntry = {1, 3, 6, 1, 2, 1, 2, 2, 1};
}  // namespace

void registerSystem(Device& d) {
    const Model& m = d.model();
    std::string kind = m.allGiga ? "Gigabit" : "Fast Ethernet";
    std::string descr = m.name + " " + std::to_string(m.ports) + "-Port " + kind + (m.poe ? " PoE" : "") +
                        " Managed Switch, firmware 1.02.008";
    d.scalar(join(kSystem, {1}), "sysDescr", Value::octets(descr));
    d.scalar(join(kSystem, {2}), "sysObjectID", Value::objectId(priv({100, static_cast<SubId>(m.ports)})));
    d.scalar(join(kSystem, {3}), "sysUpTime", Value::ticks(0));
    d.scalar(join(kSystem, {4}), "sysContact", Value::octets("noc@corvex.example"), Access::ReadWrite,
             sizeRange(0, 128));
    d.scalar(join(kSystem, {5}), "sysName", Value::octets(m.name), Access::ReadWrite, sizeRange(0, 128));
    d.scalar(join(kSystem, {6}), "sysLocation", Value::octets("Rack 2, Wiring Closet B"), Access::ReadWrite,
             sizeRange(0, 128));
    d.scalar(join(kSystem, {7}), "sysServices", Value::integer(2));
    Device* dev = &d;
    d.beforeRequest([dev] { dev->put(join(kSystem, {3, 0}), Value::ticks(dev->uptimeTicks())); });

    // Interfaces: one row per front-panel port, plus the CPU interface above them.
    d.scalar({1, 3, 6, 1, 2, 1, 2, 1}, "ifNumber", Value::integer(m.ports + 1));
    TableDef& t = d.table("ifTable", kIfEntry);
    d.column(t, 1, "ifIndex", tag::Integer);
    d.column(t, 2, "ifDescr", tag::Octets);
    d.column(t, 3, "ifType", tag::Integer);
    d.column(t, 4, "ifMtu", tag::Integer);
    d.column(t, 5, "ifSpeed", tag::Gauge);
    d.column(t, 6, "ifPhysAddress", tag::Octets);
    ObjectDef& admin = d.column(t, 7, "ifAdminStatus", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(t, 8, "ifOperStatus", tag::Integer);
    d.column(t, 9, "ifLastChange", tag::TimeTicks);
    for (SubId c = 10; c <= 20; ++c) {
        static const char* names[] = {"ifInOctets",    "ifInUcastPkts", "ifInNUcastPkts",  "ifInDiscards",
                                      "ifInErrors",    "ifInUnknownProtos", "ifOutOctets", "ifOutUcastPkts",
                                      "ifOutNUcastPkts", "ifOutDiscards", "ifOutErrors"};
        d.column(t, c, names[c - 10], tag::Counter);
    }
    d.column(t, 21, "ifOutQLen", tag::Gauge);
    d.column(t, 22, "ifSpecific", tag::ObjectId);
    // The CPU interface cannot be shut down.
    admin.consistent = [](const View&, const Oid& inst, const Value& v) {
        return inst.back() == kCpuIfIndex && v.num != 1 ? err::InconsistentValue : err::NoError;
    };
    for (int p = 1; p <= m.ports; ++p) {
        bool giga = d.portMaxMbps(p) == 1000;
        std::string name = std::string(giga ? "Gigabit" : "Fast") + " Ethernet port " + std::to_string(p);
        long long seed = 7919LL * p;
        d.row(t, {static_cast<SubId>(p)},
              {{1, Value::integer(p)},
               {2, Value::octets(name)},
               {3, Value::integer(6)},
               {4, Value::integer(1518)},
               {6, Value::octets(switchMac(p))},
               {7, Value::integer(1)},
               {10, Value::counter(seed * 1311 % 4000000000LL)},
               {11, Value::counter(seed * 17 % 90000000)},
               {12, Value::counter(seed * 3 % 900000)},
               {16, Value::counter(seed * 2711 % 4000000000LL)},
               {17, Value::counter(seed * 23 % 90000000)},
               {18, Value::counter(seed * 5 % 900000)},
               {22, Value::objectId({0, 0})}});
    }
    d.row(t, {kCpuIfIndex},
          {{1, Value::integer(kCpuIfIndex)},
           {2, Value::octets("System CPU interface")},
           {3, Value::integer(53)},
           {4, Value::integer(1500)},
           {5, Value::gauge(0)},
           {6, Value::octets(switchMac(0))},
           {7, Value::integer(1)},
           {8, Value::integer(1)},
           {22, Value::objectId({0, 0})}});

    // IP address table: the management interface.
    TableDef& ip = d.table("ipAddrTable", {1, 3, 6, 1, 2, 1, 4, 20, 1});
    d.column(ip, 1, "ipAdEntAddr", tag::IpAddress);
    d.column(ip, 2, "ipAdEntIfIndex", tag::Integer);
    d.column(ip, 3, "ipAdEntNetMask", tag::IpAddress);
    d.column(ip, 4, "ipAdEntBcastAddr", tag::Integer);
    d.column(ip, 5, "ipAdEntReasmMaxSize", tag::Integer);
    d.row(ip, {10, 90, 90, 90},
          {{1, Value::ip(10, 90, 90, 90)},
           {2, Value::integer(kCpuIfIndex)},
           {3, Value::ip(255, 0, 0, 0)},
           {4, Value::integer(1)},
           {5, Value::integer(65535)}});

    // TCP connections: Telnet and Web listeners and one open Web session.
    TableDef& tcp = d.table("tcpConnTable", {1, 3, 6, 1, 2, 1, 6, 13, 1});
    d.column(tcp, 1, "tcpConnState", tag::Integer);
    d.column(tcp, 2, "tcpConnLocalAddress", tag::IpAddress);
    d.column(tcp, 3, "tcpConnLocalPort", tag::Integer);
    d.column(tcp, 4, "tcpConnRemAddress", tag::IpAddress);
    d.column(tcp, 5, "tcpConnRemPort", tag::Integer);
    struct Conn {
        unsigned la[4];
        int lp;
        unsigned ra[4];
        int rp;
        int state;
    };
    const Conn conns[] = {{{0, 0, 0, 0}, 23, {0, 0, 0, 0}, 0, 2},
                          {{0, 0, 0, 0}, 80, {0, 0, 0, 0}, 0, 2},
                          {{10, 90, 90, 90}, 80, {10, 90, 90, 12}, 51724, 5},
                          {{10, 90, 90, 90}, 80, {10, 90, 90, 12}, 51730, 11}};
    for (auto& c : conns) {
        Oid idx = {c.la[0], c.la[1], c.la[2], c.la[3], static_cast<SubId>(c.lp),
                   c.ra[0], c.ra[1], c.ra[2], c.ra[3], static_cast<SubId>(c.rp)};
        d.row(tcp, idx,
              {{1, Value::integer(c.state)},
               {2, Value::ip(c.la[0], c.la[1], c.la[2], c.la[3])},
               {3, Value::integer(c.lp)},
               {4, Value::ip(c.ra[0], c.ra[1], c.ra[2], c.ra[3])},
               {5, Value::integer(c.rp)}});
    }

    // UDP listeners: SNMP, SNMP traps out, TFTP client, DHCP client.
    TableDef& udp = d.table("udpTable", {1, 3, 6, 1, 2, 1, 7, 5, 1});
    d.column(udp, 1, "udpLocalAddress", tag::IpAddress);
    d.column(udp, 2, "udpLocalPort", tag::Integer);
    for (int port : {68, 69, 161, 162})
        d.row(udp, {0, 0, 0, 0, static_cast<SubId>(port)},
              {{1, Value::ip(0, 0, 0, 0)}, {2, Value::integer(port)}});
}

}  // namespace corvex::sim
