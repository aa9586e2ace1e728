// PoE: LED mode, power flag, per-port PoE settings and readings, PoE time ranges.
#include <cmath>
#include <cstdio>
#include <ctime>
#include <memory>

#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {
constexpr int kPoePorts = 8;
Oid poeCol(SubId col, int port) { return priv({22, 1, 1, col, 1, static_cast<SubId>(port)}); }
Oid rangeCol(SubId col, SubId idx) { return priv({23, 1, 1, col, idx}); }

std::string watts(int mw) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%d.%d", mw / 1000, (mw % 1000) / 100);
    return buf;
}

// Power limit typed by the user: 1.0 to 30.0 watts in steps of 0.2.
int checkLimit(const Value& v) {
    if (v.str.empty() || v.str.size() > 5) return err::WrongLength;
    int tenths = 0, digitsAfter = 0;
    bool dot = false;
    for (char c : v.str) {
        if (c == '.' && !dot) {
            dot = true;
            continue;
        }
        if (c < '0' || c > '9' || digitsAfter >= 1) return err::WrongValue;
        tenths = tenths * 10 + (c - '0');
        if (dot) ++digitsAfter;
    }
    if (!digitsAfter) tenths *= 10;
    return tenths < 10 || tenths > 300 || tenths % 2 ? err::WrongValue : err::NoError;
}

// Whether time range idx covers the current local time.
bool inRange(const Device& d, long long idx) {
    SubId i = static_cast<SubId>(idx);
    if (d.intAt(rangeCol(21, i)) != rs::Active) return true;
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    int weekday = (t.tm_wday + 6) % 7;  // Monday = 0
    if (d.intAt(rangeCol(14 + static_cast<SubId>(weekday), i)) != 1) return false;
    if (d.intAt(rangeCol(3, i)) == 1) {
        long long today = (t.tm_year + 1900) * 10000LL + (t.tm_mon + 1) * 100 + t.tm_mday;
        long long from = d.intAt(rangeCol(4, i)) * 10000 + d.intAt(rangeCol(5, i)) * 100 + d.intAt(rangeCol(6, i));
        long long to = d.intAt(rangeCol(9, i)) * 10000 + d.intAt(rangeCol(10, i)) * 100 + d.intAt(rangeCol(11, i));
        if (today < from || today > to) return false;
    }
    long long minute = t.tm_hour * 60 + t.tm_min;
    long long start = d.intAt(rangeCol(7, i)) * 60 + d.intAt(rangeCol(8, i));
    long long end = d.intAt(rangeCol(12, i)) * 60 + d.intAt(rangeCol(13, i));
    return minute >= start && minute <= end;
}

void derivePoe(Device& d) {
    for (int p = 1; p <= kPoePorts; ++p) {
        const PortLink& l = d.links[static_cast<size_t>(p - 1)];
        bool portUp = d.intAt(priv({1, 13, 1, 2, static_cast<SubId>(p)})) != 7;
        long long range = d.intAt(poeCol(4, p));
        std::string status = "POWER OFF";
        int mw = 0;
        if (d.intAt(poeCol(3, p)) == 1 && portUp) {
            if (range && !inRange(d, range)) status = "Time-based OFF";
            else if (l.partner && l.poweredDevice) {
                status = "POWER ON";
                mw = l.drawMw;
                if (d.intAt(poeCol(7, p)) == 1) {
                    double limit = std::atof(d.strAt(poeCol(8, p)).c_str());
                    mw = std::min(mw, static_cast<int>(limit * 1000));
                }
            }
        }
        d.put(poeCol(9, p), Value::octets(watts(mw)));
        d.put(poeCol(10, p), Value::octets(mw ? "53.6" : "0.0"));
        d.put(poeCol(11, p), Value::integer(mw * 10 / 536));
        d.put(poeCol(12, p), Value::octets(mw ? "Class " + std::to_string(l.pdClass) : std::string("N/A")));
        d.put(poeCol(13, p), Value::octets(status));
    }
}
}  // namespace

void registerPoe(Device& d) {
    if (!d.model().poe) return;
    Device* dev = &d;
    // LED mode: 1 the port LEDs show link state, 2 they show PoE state.
    d.scalar(priv({22, 8}), "poeLedMode", Value::integer(1), Access::ReadWrite, oneOf({1, 2}));
    // Power budget level; above 7 the switch has power to spare.
    d.scalar(priv({22, 6}), "poePowerLevel", Value::integer(9));

    // Powered devices: cameras, access points and phones on the first ports.
    const int draw[kPoePorts] = {6400, 11800, 4200, 15200, 0, 3900, 7100, 0};
    const int cls[kPoePorts] = {2, 3, 1, 4, 0, 1, 2, 0};
    for (int p = 1; p <= kPoePorts && p <= d.model().ports; ++p) {
        PortLink& l = d.links[static_cast<size_t>(p - 1)];
        l.poweredDevice = draw[p - 1] > 0;
        l.drawMw = draw[p - 1];
        l.pdClass = cls[p - 1];
    }

    TableDef& t = d.table("poePortTable", priv({22, 1, 1}));
    d.column(t, 3, "poePortState", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(t, 4, "poePortTimeRange", tag::Integer, Access::ReadWrite, range(0, 8)).consistent =
        [dev](const View& v, const Oid&, const Value& val) {
            if (val.num == 0) return err::NoError;
            return v.integer(rangeCol(21, static_cast<SubId>(val.num)), 0) == rs::Active ? err::NoError
                                                                                         : err::InconsistentValue;
        };
    d.column(t, 5, "poePortPriority", tag::Integer, Access::ReadWrite, range(1, 3));
    d.column(t, 6, "poePortPowerClass", tag::Integer, Access::ReadWrite, range(1, 5));
    d.column(t, 7, "poePortUserLimit", tag::Integer, Access::ReadWrite, oneOf({1, 2}));
    d.column(t, 8, "poePortUserLimitWatts", tag::Octets, Access::ReadWrite, checkLimit);
    d.column(t, 9, "poePortPower", tag::Octets);
    d.column(t, 10, "poePortVoltage", tag::Octets);
    d.column(t, 11, "poePortCurrent", tag::Integer);
    d.column(t, 12, "poePortClass", tag::Octets);
    d.column(t, 13, "poePortStatus", tag::Octets);
    for (int p = 1; p <= kPoePorts; ++p)
        d.row(t, {1, static_cast<SubId>(p)},
              {{3, Value::integer(1)},
               {4, Value::integer(0)},
               {5, Value::integer(2)},
               {6, Value::integer(1)},
               {7, Value::integer(2)},
               {8, Value::octets("30.0")}});

    TableDef& tr = d.table("poeTimeRangeTable", priv({23, 1, 1}));
    d.column(tr, 1, "poeTimeRangeIndex", tag::Integer);
    d.column(tr, 2, "poeTimeRangeName", tag::Octets, Access::ReadCreate, sizeRange(1, 20));
    d.column(tr, 3, "poeTimeRangeDateSpan", tag::Integer, Access::ReadCreate, oneOf({1, 2}));
    d.column(tr, 4, "poeTimeRangeFromYear", tag::Integer, Access::ReadCreate, range(2009, 2037));
    d.column(tr, 5, "poeTimeRangeFromMonth", tag::Integer, Access::ReadCreate, range(1, 12));
    d.column(tr, 6, "poeTimeRangeFromDay", tag::Integer, Access::ReadCreate, range(1, 31));
    d.column(tr, 7, "poeTimeRangeStartHour", tag::Integer, Access::ReadCreate, range(0, 23));
    d.column(tr, 8, "poeTimeRangeStartMinute", tag::Integer, Access::ReadCreate, range(0, 59));
    d.column(tr, 9, "poeTimeRangeToYear", tag::Integer, Access::ReadCreate, range(2009, 2037));
    d.column(tr, 10, "poeTimeRangeToMonth", tag::Integer, Access::ReadCreate, range(1, 12));
    d.column(tr, 11, "poeTimeRangeToDay", tag::Integer, Access::ReadCreate, range(1, 31));
    d.column(tr, 12, "poeTimeRangeEndHour", tag::Integer, Access::ReadCreate, range(0, 23));
    d.column(tr, 13, "poeTimeRangeEndMinute", tag::Integer, Access::ReadCreate, range(0, 59));
    static const char* days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    for (SubId c = 14; c <= 20; ++c)
        d.column(tr, c, std::string("poeTimeRange") + days[c - 14], tag::Integer, Access::ReadCreate, oneOf({1, 2}));
    d.column(tr, 21, "poeTimeRangeRowStatus", tag::Integer, Access::ReadCreate,
             oneOf({rs::Active, rs::NotInService, rs::CreateAndGo, rs::CreateAndWait, rs::Destroy}));
    tr.rowStatusCol = 21;
    tr.maxRows = 8;
    tr.validIndex = [](const Oid& idx) { return idx.size() == 1 && idx[0] >= 1 && idx[0] <= 8; };
    tr.newRow = [](const Oid& idx) {
        std::map<SubId, Value> r = {{1, Value::integer(static_cast<long long>(idx[0]))},
                                    {2, Value::octets("")},
                                    {3, Value::integer(2)},
                                    {4, Value::integer(2009)},
                                    {5, Value::integer(1)},
                                    {6, Value::integer(1)},
                                    {7, Value::integer(0)},
                                    {8, Value::integer(0)},
                                    {9, Value::integer(2037)},
                                    {10, Value::integer(12)},
                                    {11, Value::integer(31)},
                                    {12, Value::integer(23)},
                                    {13, Value::integer(59)}};
        for (SubId c = 14; c <= 20; ++c) r[c] = Value::integer(2);
        return r;
    };
    tr.canActivate = [](const View& v, const Oid& idx) {
        return v.octets(rangeCol(2, idx[0])).empty() ? err::InconsistentValue : err::NoError;
    };
    tr.canDestroy = [](const View& v, const Oid& idx) {
        for (int p = 1; p <= kPoePorts; ++p)
            if (v.integer(poeCol(4, p)) == static_cast<long long>(idx[0])) return err::InconsistentValue;
        return err::NoError;
    };

    d.onDerive([dev] { derivePoe(*dev); });
    if (d.options().live) {
        auto tick = std::make_shared<unsigned long>(0);
        d.everySecond([dev, tick] {
            // The powered devices draw a little more or less every second.
            unsigned long n = ++*tick;
            for (int p = 1; p <= kPoePorts; ++p) {
                PortLink& l = dev->links[static_cast<size_t>(p - 1)];
                if (!l.poweredDevice) continue;
                int step = static_cast<int>((n * 31 + static_cast<unsigned long>(p) * 17) % 7) - 3;
                l.drawMw = std::max(1500, std::min(25500, l.drawMw + step * 100));
            }
        });
    }
}

}  // namespace corvex::sim
