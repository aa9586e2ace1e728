// Port control, default priority, link aggregation, fan, save and reboot.
// The port state (speed setting, link partner) drives ifTable, the operating mode columns and STP port state.
#include <algorithm>
#include <memory>

#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {
const Oid kIfEntry = {1, 3, 6, 1, 2, 1, 2, 2, 1};
const Oid kStpPortEntry = {1, 3, 6, 1, 2, 1, 17, 2, 15, 1};

// Speed control values.
enum Speed { S1000Full = 1, S100Full, S100Half, S10Full, S10Half, SAuto, SDisable };

Oid portCtl(SubId col, int port) { return priv({1, 13, 1, col, static_cast<SubId>(port)}); }
Oid ifCol(SubId col, int port) { return join(kIfEntry, {col, static_cast<SubId>(port)}); }
Oid trunkCol(SubId col, SubId trunk) { return priv({8, 1, 3, 1, col, trunk}); }

void derivePorts(Device& d) {
    const Model& m = d.model();
    for (int p = 1; p <= m.ports; ++p) {
        const PortLink& link = d.links[static_cast<size_t>(p - 1)];
        long long speedCtl = d.intAt(portCtl(2, p), SAuto);
        bool enabled = speedCtl != SDisable;
        bool up = enabled && link.partner;
        int mbps = 0;
        bool full = true;
        switch (speedCtl) {
        case S1000Full: mbps = 1000; break;
        case S100Full: mbps = 100; break;
        case S100Half: mbps = 100, full = false; break;
        case S10Full: mbps = 10; break;
        case S10Half: mbps = 10, full = false; break;
        default: mbps = std::min(link.partnerMbps, d.portMaxMbps(p)); break;
        }
        long long mode = 1;  // Down
        if (up) {
            if (mbps >= 1000) mode = 2;
            else if (mbps >= 100) mode = full ? 3 : 4;
            else mode = full ? 5 : 6;
        }
        bool wasUp = d.intAt(ifCol(8, p)) == 1;
        d.put(ifCol(7, p), Value::integer(enabled ? 1 : 2));
        d.put(ifCol(8, p), Value::integer(up ? 1 : 2));
        d.put(ifCol(5, p), Value::gauge(up ? static_cast<long long>(mbps) * 1000000 : 0));
        if (wasUp != up) d.put(ifCol(9, p), Value::ticks(d.uptimeTicks()));
        d.put(portCtl(3, p), Value::integer(mode));
        d.put(portCtl(6, p), Value::integer(up && d.intAt(portCtl(5, p)) == 1 ? 1 : 2));
        long long stpEnabled = d.intAt(join(kStpPortEntry, {4, static_cast<SubId>(p)}), 1);
        d.put(join(kStpPortEntry, {3, static_cast<SubId>(p)}), Value::integer(!up || stpEnabled != 1 ? 1 : 5));
    }
}

}  // namespace

void registerPorts(Device& d) {
    const Model& m = d.model();
    Device* dev = &d;

    // What is plugged in: 100M ports mostly at 100M with an old 10M device now and then,
    // gigabit ports mostly at 1G with a 100M device here and there.
    for (int p = 1; p <= m.ports; ++p) {
        PortLink& l = d.links[static_cast<size_t>(p - 1)];
        l.partner = initiallyLinked(p);
        if (d.portMaxMbps(p) == 1000) l.partnerMbps = p % 4 == 2 ? 100 : 1000;
        else l.partnerMbps = p % 7 == 3 ? 10 : 100;
    }

    TableDef& pc = d.table("portCtrlTable", priv({1, 13, 1}));
    d.column(pc, 2, "portCtrlSpeed", tag::Integer, Access::ReadWrite, range(S1000Full, SDisable)).onCommit =
        [dev](const Oid& inst, const Value& v) {
            // Disabling a port shuts it down; choosing a speed for a shut port opens it again.
            dev->put(join(kIfEntry, {7, inst.back()}), Value::integer(v.num == SDisable ? 2 : 1));
        };
    d.column(pc, 3, "portCtrlOperMode", tag::Integer);
    d.column(pc, 5, "portCtrlFlowControl", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(pc, 6, "portCtrlOperFlowControl", tag::Integer);
    d.column(pc, 7, "portCtrlMedium", tag::Integer);
    for (int p = 1; p <= m.ports; ++p) {
        long long medium = d.portMaxMbps(p) == 1000 ? 2 : 1;
        auto fibre = d.options().fibrePorts.find(p);
        if (fibre != d.options().fibrePorts.end()) medium = fibre->second;
        d.row(pc, {static_cast<SubId>(p)},
              {{2, Value::integer(p == kDisabledPort ? SDisable : SAuto)},
               {3, Value::integer(1)},
               {5, Value::integer(2)},
               {6, Value::integer(2)},
               {7, Value::integer(medium)}});
    }
    // ifAdminStatus and the speed setting describe the same switch: down means "Disable".
    d.table("ifTable", kIfEntry).columns.at(7).onCommit = [dev](const Oid& inst, const Value& v) {
        int p = static_cast<int>(inst.back());
        if (p < 1 || p > dev->model().ports) return;
        long long cur = dev->intAt(portCtl(2, p));
        if (v.num == 2) dev->put(portCtl(2, p), Value::integer(SDisable));
        else if (cur == SDisable) dev->put(portCtl(2, p), Value::integer(SAuto));
    };

    TableDef& pri = d.table("portPriorityTable", priv({12, 3, 1, 1}));
    d.column(pri, 2, "portDefaultPriority", tag::Integer, Access::ReadWrite, range(1, 4));
    for (int p = 1; p <= m.ports; ++p) d.row(pri, {static_cast<SubId>(p)}, {{2, Value::integer(1)}});

    // Link aggregation: 8 groups of 2 to 8 ports; a port belongs to at most one group.
    d.scalar(priv({8, 1, 2}), "laState", Value::integer(1), Access::ReadWrite, oneOf({1, 2}));
    TableDef& la = d.table("laPortChannelTable", priv({8, 1, 3, 1}));
    d.column(la, 1, "laPortChannelId", tag::Integer);
    ObjectDef& members =
        d.column(la, 2, "laPortChannelMemberList", tag::Octets, Access::ReadWrite, [dev](const Value& v) {
            int e = dev->portListCheck()(v);
            if (e) return e;
            size_t n = dev->ports(v.str).size();
            return n == 1 || n > 8 ? err::WrongValue : err::NoError;
        });
    members.consistent = [dev](const View& view, const Oid& inst, const Value& v) {
        SubId self = inst.back();
        for (int p : dev->ports(v.str))
            for (SubId t = 1; t <= 8; ++t) {
                if (t == self) continue;
                auto other = dev->ports(view.octets(trunkCol(2, t)));
                if (std::find(other.begin(), other.end(), p) != other.end()) return err::InconsistentValue;
            }
        return err::NoError;
    };
    d.column(la, 3, "laPortChannelMode", tag::Integer, Access::ReadWrite, range(1, 3));
    for (SubId t = 1; t <= 8; ++t)
        d.row(la, {t},
              {{1, Value::integer(static_cast<long long>(t))},
               {2, Value::octets(d.portList({}))},
               {3, Value::integer(3)}});

    if (m.fan) d.scalar(priv({1, 15, 1}), "fanStatus", Value::integer(1));

    // Save and reboot read back 2 ("nothing pending"); writing 1 acts.
    d.scalar(priv({1, 10}), "saveConfig", Value::integer(2), Access::ReadWrite, oneOf({1})).onCommit =
        [dev](const Oid& inst, const Value&) {
            dev->put(inst, Value::integer(2));
            dev->saveConfig();
        };
    d.scalar(priv({1, 9}), "rebootDevice", Value::integer(2), Access::ReadWrite, oneOf({1})).onCommit =
        [dev](const Oid& inst, const Value&) {
            dev->put(inst, Value::integer(2));
            if (dev->requestReboot) dev->requestReboot();
        };

    d.onDerive([dev] { derivePorts(*dev); });

    if (d.options().live) {
        auto tick = std::make_shared<unsigned long>(0);
        d.everySecond([dev, tick] {
            // Every few seconds one port's link partner comes or goes.
            unsigned long n = ++*tick;
            if (n % 4) return;
            int ports = dev->model().ports;
            int p = static_cast<int>((n / 4 * 7) % static_cast<unsigned long>(ports)) + 1;
            PortLink& l = dev->links[static_cast<size_t>(p - 1)];
            l.partner = !l.partner;
        });
    }
}

}  // namespace corvex::sim
