// 802.1Q static VLANs, PVIDs, asymmetric VLAN, voice VLAN and auto surveillance VLAN settings.
#include <algorithm>

#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {
Oid vlanCol(SubId col, SubId vid) { return priv({7, 6, 1, col, vid}); }
Oid pvid(int port) { return priv({7, 7, 1, 1, static_cast<SubId>(port)}); }
const Oid kAsymmetric = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12, 7, 5, 0};
const Oid kVoiceState = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12, 21, 1, 2, 0};
const Oid kVoiceVid = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12, 21, 1, 3, 0};
const Oid kSurvState = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12, 34, 1, 1, 0};
const Oid kSurvVid = {1, 3, 6, 1, 4, 1, 171, 10, 76, 12, 34, 1, 2, 0};
}  // namespace

void registerVlan(Device& d) {
    const Model& m = d.model();
    Device* dev = &d;

    d.scalar(priv({7, 5}), "asymmetricVlan", Value::integer(2), Access::ReadWrite, oneOf({1, 2})).consistent =
        [dev](const View& v, const Oid&, const Value& val) {
            // The mode cannot change while the voice or the surveillance VLAN is on. The view is
            // the state after the request, so the mode before it comes from the store.
            if (val.num == dev->intAt(kAsymmetric)) return err::NoError;
            if (v.integer(kVoiceState) == 1 || v.integer(kSurvState) == 1) return err::InconsistentValue;
            return err::NoError;
        };

    TableDef& t = d.table("dot1qVlanStaticTable", priv({7, 6, 1}));
    d.column(t, 1, "dot1qVlanStaticName", tag::Octets, Access::ReadCreate, sizeRange(0, 64));
    d.column(t, 2, "dot1qVlanStaticEgressPorts", tag::Octets, Access::ReadCreate, d.portListCheck());
    d.column(t, 3, "dot1qVlanForbiddenEgressPorts", tag::Octets, Access::ReadCreate, d.portListCheck());
    d.column(t, 4, "dot1qVlanStaticUntaggedPorts", tag::Octets, Access::ReadCreate, d.portListCheck());
    d.column(t, 5, "dot1qVlanStaticRowStatus", tag::Integer, Access::ReadCreate,
             oneOf({rs::Active, rs::NotInService, rs::CreateAndGo, rs::CreateAndWait, rs::Destroy}));
    t.rowStatusCol = 5;
    t.maxRows = 256;
    t.validIndex = [](const Oid& idx) { return idx.size() == 1 && idx[0] >= 1 && idx[0] <= 4094; };
    t.newRow = [dev](const Oid&) {
        std::string none = dev->portList({});
        return std::map<SubId, Value>{{1, Value::octets("")}, {2, Value::octets(none)}, {3, Value::octets(none)},
                                      {4, Value::octets(none)}};
    };
    t.canDestroy = [dev](const View& v, const Oid& idx) {
        SubId vid = idx[0];
        if (vid == 1) return err::InconsistentValue;
        for (int p = 1; p <= dev->model().ports; ++p)
            if (v.integer(pvid(p)) == static_cast<long long>(vid)) return err::InconsistentValue;
        if (v.integer(kVoiceState) == 1 && v.integer(kVoiceVid) == static_cast<long long>(vid))
            return err::InconsistentValue;
        if (v.integer(kSurvState) == 1 && v.integer(kSurvVid) == static_cast<long long>(vid))
            return err::InconsistentValue;
        return err::NoError;
    };
    d.row(t, {1},
          {{1, Value::octets("default")},
           {2, Value::octets(d.allPorts())},
           {3, Value::octets(d.portList({}))},
           {4, Value::octets(d.allPorts())},
           {5, Value::integer(rs::Active)}});

    TableDef& pv = d.table("dot1qPortVlanTable", priv({7, 7, 1}));
    d.column(pv, 1, "dot1qPvid", tag::Gauge, Access::ReadWrite, range(1, 4094)).consistent =
        [dev](const View& v, const Oid&, const Value& val) {
            const TableDef* vt = dev->tableAt(priv({7, 6, 1}));
            return v.rowExists(*vt, {static_cast<SubId>(val.num)}) ? err::NoError : err::InconsistentValue;
        };
    for (int p = 1; p <= m.ports; ++p) d.row(pv, {static_cast<SubId>(p)}, {{1, Value::gauge(1)}});

    // Voice VLAN: global state and VLAN; per-port mode (1 auto, 2 manual).
    auto vlanActive = [dev](const View& v, long long vid) {
        return v.integer(vlanCol(5, static_cast<SubId>(vid)), 0) == rs::Active;
    };
    d.scalar(priv({21, 1, 2}), "voiceVlanState", Value::integer(2), Access::ReadWrite, oneOf({1, 2})).consistent =
        [vlanActive](const View& v, const Oid&, const Value& val) {
            if (val.num != 1) return err::NoError;
            if (v.integer(kAsymmetric) == 1 || !vlanActive(v, v.integer(kVoiceVid))) return err::InconsistentValue;
            return err::NoError;
        };
    // While the voice VLAN is on, its VLAN must exist (and so cannot be left for a missing one).
    d.scalar(priv({21, 1, 3}), "voiceVlanId", Value::integer(0), Access::ReadWrite, range(2, 4094)).consistent =
        [vlanActive](const View& v, const Oid&, const Value& val) {
            if (v.integer(kVoiceState) == 1 && !vlanActive(v, val.num)) return err::InconsistentValue;
            return err::NoError;
        };
    TableDef& vp = d.table("voiceVlanPortTable", priv({21, 1, 6, 1}));
    d.column(vp, 2, "voiceVlanPortMode", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    for (int p = 1; p <= m.ports; ++p) d.row(vp, {static_cast<SubId>(p)}, {{2, Value::integer(2)}});

    // Auto surveillance VLAN: state, VLAN (2..4094), priority (0 highest .. 3 low), tagged uplink ports.
    d.scalar(priv({34, 1, 1}), "survVlanState", Value::integer(2), Access::ReadWrite, oneOf({1, 2})).consistent =
        [](const View& v, const Oid&, const Value& val) {
            if (val.num != 1) return err::NoError;
            long long vid = v.integer(kSurvVid);
            if (v.integer(kAsymmetric) == 1 || vid < 2) return err::InconsistentValue;
            if (v.integer(kVoiceState) == 1 && v.integer(kVoiceVid) == vid) return err::InconsistentValue;
            return err::NoError;
        };
    d.scalar(priv({34, 1, 2}), "survVlanId", Value::integer(0), Access::ReadWrite, range(2, 4094));
    d.scalar(priv({34, 1, 3}), "survVlanPriority", Value::integer(2), Access::ReadWrite, range(0, 3));
    d.scalar(priv({34, 1, 4}), "survVlanUplinkPorts", Value::octets(d.portList({})), Access::ReadWrite,
             d.portListCheck());
    // Per port: auto mode (1 enabled, 2 disabled) and dynamic membership (1 static, 2 dynamic).
    TableDef& sp = d.table("survVlanPortTable", priv({34, 1, 5, 1}));
    d.column(sp, 2, "survVlanPortState", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(sp, 3, "survVlanPortMember", tag::Integer);
    for (int p = 1; p <= m.ports; ++p)
        d.row(sp, {static_cast<SubId>(p)}, {{2, Value::integer(2)}, {3, Value::integer(1)}});
}

}  // namespace corvex::sim
