// BRIDGE-MIB (base, spanning tree, transparent bridging) and the Q-BRIDGE forwarding database.
#include <memory>

#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {
const Oid kBridge = {1, 3, 6, 1, 2, 1, 17};
const Oid kStp = {1, 3, 6, 1, 2, 1, 17, 2};
const Oid kStpPortEntry = {1, 3, 6, 1, 2, 1, 17, 2, 15, 1};
const Oid kFdbEntry = {1, 3, 6, 1, 2, 1, 17, 7, 1, 2, 2, 1};

// 802.1D timer relations: maxAge >= 2 * (hello + 1 s) and 2 * (forwardDelay - 1 s) >= maxAge.
int stpTimersConsistent(const View& v, const Oid&, const Value&) {
    long long maxAge = v.integer(join(kStp, {12, 0}));
    long long hello = v.integer(join(kStp, {13, 0}));
    long long delay = v.integer(join(kStp, {14, 0}));
    if (maxAge < 2 * (hello + 100) || 2 * (delay - 100) < maxAge) return err::InconsistentValue;
    return err::NoError;
}

// Vendor prefixes of the hosts seen on the network.
const unsigned char kOuis[][3] = {{0x00, 0x1b, 0x21}, {0x3c, 0xd9, 0x2b}, {0xf0, 0x7d, 0x68}, {0x00, 0x50, 0x56},
                                  {0xb8, 0x27, 0xeb}, {0x00, 0x17, 0x88}, {0xac, 0xde, 0x48}, {0x00, 0x0c, 0x29}};
}  // namespace

void registerBridge(Device& d) {
    const Model& m = d.model();
    Device* dev = &d;
    d.scalar(join(kBridge, {1, 1}), "dot1dBaseBridgeAddress", Value::octets(switchMac(0)));
    d.scalar(join(kBridge, {1, 2}), "dot1dBaseNumPorts", Value::integer(m.ports));
    d.scalar(join(kBridge, {1, 3}), "dot1dBaseType", Value::integer(2));
    TableDef& bp = d.table("dot1dBasePortTable", join(kBridge, {1, 4, 1}));
    d.column(bp, 1, "dot1dBasePort", tag::Integer);
    d.column(bp, 2, "dot1dBasePortIfIndex", tag::Integer);
    d.column(bp, 4, "dot1dBasePortDelayExceededDiscards", tag::Counter);
    d.column(bp, 5, "dot1dBasePortMtuExceededDiscards", tag::Counter);
    for (int p = 1; p <= m.ports; ++p)
        d.row(bp, {static_cast<SubId>(p)}, {{1, Value::integer(p)}, {2, Value::integer(p)}});

    d.scalar(join(kStp, {1}), "dot1dStpProtocolSpecification", Value::integer(3));
    d.scalar(join(kStp, {2}), "dot1dStpPriority", Value::integer(32768), Access::ReadWrite,
                               [](const Value& v) {
                                   return v.num < 0 || v.num > 61440 || v.num % 4096 ? err::WrongValue : err::NoError;
                               });
    d.scalar(join(kStp, {3}), "dot1dStpTimeSinceTopologyChange", Value::ticks(0));
    d.scalar(join(kStp, {4}), "dot1dStpTopChanges", Value::counter(3));
    d.scalar(join(kStp, {5}), "dot1dStpDesignatedRoot", Value::octets(bridgeId(32768, switchMac(0))));
    d.scalar(join(kStp, {6}), "dot1dStpRootCost", Value::integer(0));
    d.scalar(join(kStp, {7}), "dot1dStpRootPort", Value::integer(0));
    d.scalar(join(kStp, {8}), "dot1dStpMaxAge", Value::integer(2000));
    d.scalar(join(kStp, {9}), "dot1dStpHelloTime", Value::integer(200));
    d.scalar(join(kStp, {10}), "dot1dStpHoldTime", Value::integer(100));
    d.scalar(join(kStp, {11}), "dot1dStpForwardDelay", Value::integer(1500));
    d.scalar(join(kStp, {12}), "dot1dStpBridgeMaxAge", Value::integer(2000), Access::ReadWrite, range(600, 4000))
        .consistent = stpTimersConsistent;
    d.scalar(join(kStp, {13}), "dot1dStpBridgeHelloTime", Value::integer(200), Access::ReadWrite, range(100, 1000))
        .consistent = stpTimersConsistent;
    d.scalar(join(kStp, {14}), "dot1dStpBridgeForwardDelay", Value::integer(1500), Access::ReadWrite,
             range(400, 3000))
        .consistent = stpTimersConsistent;
    // The operational timers follow the bridge's own values while it is the root.
    d.onDerive([dev] {
        dev->put(join(kStp, {8, 0}), Value::integer(dev->intAt(join(kStp, {12, 0}))));
        dev->put(join(kStp, {9, 0}), Value::integer(dev->intAt(join(kStp, {13, 0}))));
        dev->put(join(kStp, {11, 0}), Value::integer(dev->intAt(join(kStp, {14, 0}))));
        long long p = dev->intAt(join(kStp, {2, 0}));
        dev->put(join(kStp, {5, 0}), Value::octets(bridgeId(static_cast<int>(p), switchMac(0))));
    });
    d.beforeRequest([dev] { dev->put(join(kStp, {3, 0}), Value::ticks(dev->uptimeTicks())); });

    TableDef& sp = d.table("dot1dStpPortTable", kStpPortEntry);
    d.column(sp, 1, "dot1dStpPort", tag::Integer);
    d.column(sp, 2, "dot1dStpPortPriority", tag::Integer, Access::ReadWrite,
             [](const Value& v) { return v.num < 0 || v.num > 240 || v.num % 16 ? err::WrongValue : err::NoError; });
    d.column(sp, 3, "dot1dStpPortState", tag::Integer);
    d.column(sp, 4, "dot1dStpPortEnable", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(sp, 5, "dot1dStpPortPathCost", tag::Integer, Access::ReadWrite, range(1, 200000000));
    d.column(sp, 6, "dot1dStpPortDesignatedRoot", tag::Octets);
    d.column(sp, 7, "dot1dStpPortDesignatedCost", tag::Integer);
    d.column(sp, 8, "dot1dStpPortDesignatedBridge", tag::Octets);
    d.column(sp, 9, "dot1dStpPortDesignatedPort", tag::Octets);
    d.column(sp, 10, "dot1dStpPortForwardTransitions", tag::Counter);
    for (int p = 1; p <= m.ports; ++p) {
        std::string port;
        port += static_cast<char>(0x80);
        port += static_cast<char>(p);
        d.row(sp, {static_cast<SubId>(p)},
              {{1, Value::integer(p)},
               {2, Value::integer(128)},
               {3, Value::integer(5)},
               {4, Value::integer(1)},
               {5, Value::integer(d.portMaxMbps(p) == 1000 ? 20000 : 200000)},
               {6, Value::octets(bridgeId(32768, switchMac(0)))},
               {8, Value::octets(bridgeId(32768, switchMac(0)))},
               {9, Value::octets(port)},
               {10, Value::counter(1)}});
    }

    d.scalar(join(kBridge, {4, 1}), "dot1dTpLearnedEntryDiscards", Value::counter(0));
    d.scalar(join(kBridge, {4, 2}), "dot1dTpAgingTime", Value::integer(300), Access::ReadWrite, range(10, 1000000));

    // Forwarding database: dynamic entries on linked ports, in VLAN 1 and a few in VLAN 20.
    TableDef& fdb = d.table("dot1qTpFdbTable", kFdbEntry);
    d.column(fdb, 2, "dot1qTpFdbPort", tag::Integer);
    d.column(fdb, 3, "dot1qTpFdbStatus", tag::Integer);
    d.row(fdb, {1, 0x02, 0xc0, 0x4e, 0x3a, 0x10, 0x00}, {{2, Value::integer(0)}, {3, Value::integer(4)}});
    for (int i = 0; i < d.options().fdbSize; ++i) {
        const unsigned char* oui = kOuis[i % 8];
        unsigned long x = (static_cast<unsigned long>(i / 8) * 0x9E3779B1UL + 0x5bd1e9UL) & 0xffffffUL;
        int port = 1 + static_cast<int>((static_cast<unsigned long>(i) * 7 + x) % static_cast<unsigned long>(m.ports));
        while (!carriesHosts(port)) port = port % m.ports + 1;
        SubId vlan = i % 10 == 9 ? 20 : 1;
        d.row(fdb, {vlan, oui[0], oui[1], oui[2], (x >> 16) & 0xff, (x >> 8) & 0xff, x & 0xff},
              {{2, Value::integer(port)}, {3, Value::integer(i % 25 == 24 ? 5 : 3)}});
    }
    if (d.options().fdbChurn) {
        // Hosts come and go all over VLAN 1 while a walk runs: locally administered addresses
        // x2-EE-EE-00-00-nn with first octets spread over the whole range; 32 stay at a time.
        auto count = std::make_shared<unsigned long>(0);
        const TableDef* table = &fdb;
        auto churnIndex = [](unsigned long k) -> Oid {
            return {1, static_cast<SubId>(((k * 37) % 64) * 4 + 2), 0xee, 0xee, 0, 0, static_cast<SubId>(k % 251)};
        };
        d.beforeRequest([dev, table, count, churnIndex] {
            const unsigned long k = (*count)++;
            dev->row(*table, churnIndex(k), {{2, Value::integer(1)}, {3, Value::integer(3)}});
            if (k >= 32) dev->store().eraseRow(*table, churnIndex(k - 32));
        });
    }
}

}  // namespace corvex::sim
