// LLDP-MIB local system data and neighbours, and the switch's private LLDP settings.
#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {
const Oid kLldp = {1, 0, 8802, 1, 1, 2, 1};
const Oid kRemEntry = {1, 0, 8802, 1, 1, 2, 1, 4, 1, 1};

std::string mac(std::initializer_list<unsigned char> b) { return std::string(b.begin(), b.end()); }
}  // namespace

void registerLldp(Device& d) {
    Device* dev = &d;
    // Private settings; the standard lldpConfiguration group shows the same timers.
    d.scalar(priv({24, 1}), "lldpState", Value::integer(1), Access::ReadWrite, oneOf({1, 2}));
    d.scalar(priv({24, 2}), "lldpTxHoldMultiplier", Value::integer(4), Access::ReadWrite, range(2, 10));
    d.scalar(priv({24, 3}), "lldpTxInterval", Value::integer(30), Access::ReadWrite, range(5, 32768)).consistent =
        [](const View& v, const Oid&, const Value& val) {
            return v.integer(privScalar({24, 5})) * 4 > val.num ? err::InconsistentValue : err::NoError;
        };
    d.scalar(priv({24, 4}), "lldpReinitDelay", Value::integer(2), Access::ReadWrite, range(1, 10));
    d.scalar(priv({24, 5}), "lldpTxDelay", Value::integer(2), Access::ReadWrite, range(1, 8192)).consistent =
        [](const View& v, const Oid&, const Value& val) {
            return val.num * 4 > v.integer(privScalar({24, 3})) ? err::InconsistentValue : err::NoError;
        };
    if (d.model().poe) {
        TableDef& med = d.table("lldpMedPsePortTable", priv({24, 7, 1}));
        d.column(med, 2, "lldpMedPsePowerTlv", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
        for (int p = 1; p <= 8; ++p) d.row(med, {static_cast<SubId>(p)}, {{2, Value::integer(2)}});
    }

    d.scalar(join(kLldp, {1, 1}), "lldpMessageTxInterval", Value::integer(30));
    d.scalar(join(kLldp, {1, 2}), "lldpMessageTxHoldMultiplier", Value::integer(4));
    d.scalar(join(kLldp, {1, 3}), "lldpReinitDelay", Value::integer(2));
    d.scalar(join(kLldp, {1, 4}), "lldpTxDelay", Value::integer(2));
    d.scalar(join(kLldp, {3, 1}), "lldpLocChassisIdSubtype", Value::integer(4));
    d.scalar(join(kLldp, {3, 2}), "lldpLocChassisId", Value::octets(switchMac(0)));
    d.scalar(join(kLldp, {3, 3}), "lldpLocSysName", Value::octets(d.model().name));
    d.scalar(join(kLldp, {3, 4}), "lldpLocSysDesc", Value::octets(""));
    d.onDerive([dev] {
        dev->put(join(kLldp, {1, 1, 0}), Value::integer(dev->intAt(privScalar({24, 3}))));
        dev->put(join(kLldp, {1, 2, 0}), Value::integer(dev->intAt(privScalar({24, 2}))));
        dev->put(join(kLldp, {1, 3, 0}), Value::integer(dev->intAt(privScalar({24, 4}))));
        dev->put(join(kLldp, {1, 4, 0}), Value::integer(dev->intAt(privScalar({24, 5}))));
        dev->put(join(kLldp, {3, 3, 0}), Value::octets(dev->strAt({1, 3, 6, 1, 2, 1, 1, 5, 0})));
        dev->put(join(kLldp, {3, 4, 0}), Value::octets(dev->strAt({1, 3, 6, 1, 2, 1, 1, 1, 0})));
    });

    // Neighbours: an access point, an IP phone and the uplink switch.
    TableDef& rem = d.table("lldpRemTable", kRemEntry);
    d.column(rem, 4, "lldpRemChassisIdSubtype", tag::Integer);
    d.column(rem, 5, "lldpRemChassisId", tag::Octets);
    d.column(rem, 6, "lldpRemPortIdSubtype", tag::Integer);
    d.column(rem, 7, "lldpRemPortId", tag::Octets);
    d.column(rem, 8, "lldpRemPortDesc", tag::Octets);
    d.column(rem, 9, "lldpRemSysName", tag::Octets);
    d.column(rem, 10, "lldpRemSysDesc", tag::Octets);
    struct Neighbour {
        SubId port;
        std::string chassis, portId, portDesc, name, desc;
        long long portSubtype;
    };
    int up = d.model().ports - 1;  // a gigabit port
    const Neighbour list[] = {
        {2, mac({0x3c, 0xd9, 0x2b, 0x41, 0x07, 0x9e}), mac({0x3c, 0xd9, 0x2b, 0x41, 0x07, 0x9e}), "eth0",
         "ap-lobby", "Wireless Access Point, PoE powered", 3},
        {4, mac({0x00, 0x1b, 0x21, 0x0a, 0x0b, 0x0c}), "LAN", "Phone LAN port", "phone-204", "IP Phone 7960", 5},
        {static_cast<SubId>(up), mac({0x02, 0xc0, 0x4e, 0x77, 0x20, 0x00}), "Gi0/24", "uplink to access layer",
         "core-sw1", "Core switch, 24 x 10G", 5}};
    for (auto& n : list)
        d.row(rem, {0, n.port, 1},
              {{4, Value::integer(4)},
               {5, Value::octets(n.chassis)},
               {6, Value::integer(n.portSubtype)},
               {7, Value::octets(n.portId)},
               {8, Value::octets(n.portDesc)},
               {9, Value::octets(n.name)},
               {10, Value::octets(n.desc)}});
}

}  // namespace corvex::sim
