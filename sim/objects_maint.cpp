// Maintenance: firmware and configuration transfer over TFTP (status machine), syslog host,
// jumbo frames and multicast filtering.
#include <algorithm>
#include <chrono>
#include <memory>

#include "device.h"
#include "objects_common.h"

namespace corvex::sim {

namespace {

// Transfer status values.
constexpr long long kSuccess = 1, kFailure = 2, kInProgress = 3, kNotStarted = 4;
constexpr long long kStartDelayMs = 1000;  // the switch contacts the server before it reports progress

struct Transfer {
    SubId server, file, op, status;  // sub-identifiers under ...12.3
    bool running = false;
    bool fails = false;
    std::chrono::steady_clock::time_point started;
};

void registerTransfer(Device& d, std::shared_ptr<Transfer> tr, const char* kind) {
    Device* dev = &d;
    std::string k = kind;
    d.scalar(priv({3, tr->server}), k + "TftpServer", Value::ip(0, 0, 0, 0), Access::ReadWrite);
    d.scalar(priv({3, tr->file}), k + "FileName", Value::octets(""), Access::ReadWrite, sizeRange(1, 64));
    ObjectDef& op = d.scalar(priv({3, tr->op}), k + "Operation", Value::integer(0), Access::ReadWrite, oneOf({1, 2}));
    d.scalar(priv({3, tr->status}), k + "Status", Value::integer(kNotStarted));
    op.consistent = [tr](const View& v, const Oid&, const Value&) {
        if (tr->running && v.integer(privScalar({3, tr->status})) != kSuccess &&
            v.integer(privScalar({3, tr->status})) != kFailure)
            return err::InconsistentValue;  // busy
        std::string ip = v.get(privScalar({3, tr->server}))->str;
        if (ip == std::string(4, '\0') || v.octets(privScalar({3, tr->file})).empty()) return err::InconsistentValue;
        return err::NoError;
    };
    op.onCommit = [dev, tr](const Oid&, const Value&) {
        tr->running = true;
        tr->started = std::chrono::steady_clock::now();
        tr->fails = !dev->options().failFile.empty() && dev->strAt(privScalar({3, tr->file})) == dev->options().failFile;
        dev->put(privScalar({3, tr->status}), Value::integer(kNotStarted));
        if (dev->options().transferSilent) dev->quietPrefixes.insert(priv({3}));
    };
    d.beforeRequest([dev, tr] {
        if (!tr->running) return;
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - tr->started)
                      .count();
        long long s = ms < kStartDelayMs                                     ? kNotStarted
                      : ms < kStartDelayMs + dev->options().transferMs      ? kInProgress
                      : tr->fails                                            ? kFailure
                                                                             : kSuccess;
        dev->put(privScalar({3, tr->status}), Value::integer(s));
    });
    d.afterReboot([dev, tr] {
        tr->running = false;
        dev->quietPrefixes.erase(priv({3}));
    });
}

// A syslog server is a unicast host: not 0.x.x.x, loopback, multicast or reserved, and not a network
// or broadcast address (last octet 0 or 255). 0.0.0.0 clears the server.
int syslogServerCheck(const Value& v) {
    if (v.str.size() != 4) return err::WrongLength;
    auto o = [&](size_t i) { return static_cast<unsigned char>(v.str[i]); };
    if (v.str == std::string(4, '\0')) return err::NoError;
    if (o(0) == 0 || o(0) == 127 || o(0) >= 224 || o(3) == 0 || o(3) == 255) return err::WrongValue;
    return err::NoError;
}

void registerSyslog(Device& d) {
    d.scalar(priv({16, 1, 1}), "syslogServerAddress", Value::ip(0, 0, 0, 0), Access::ReadWrite, syslogServerCheck);
    d.scalar(priv({16, 1, 2}), "syslogServerUdpPort", Value::integer(514), Access::ReadWrite, range(1, 65535));
    // Severity: 4 warning, 6 informational, 7 everything.
    d.scalar(priv({16, 1, 4}), "syslogSeverity", Value::integer(6), Access::ReadWrite, oneOf({4, 6, 7}));
    // Facility: local0 (128) to local7 (184), as the facility code times 8.
    d.scalar(priv({16, 1, 5}), "syslogFacility", Value::integer(128), Access::ReadWrite,
             oneOf({128, 136, 144, 152, 160, 168, 176, 184}));
    d.scalar(priv({16, 1, 6}), "syslogState", Value::integer(2), Access::ReadWrite, oneOf({1, 2}));
}

// Per-VLAN handling of unregistered multicast groups (0 forward, 1 filter): one row per VLAN of the
// static VLAN table, appearing and disappearing with it; a VLAN starts by forwarding.
void registerMulticastFiltering(Device& d) {
    Device* dev = &d;
    TableDef& t = d.table("mcastFilterTable", priv({7, 8, 1}));
    d.column(t, 1, "mcastFilterVid", tag::Integer);
    d.column(t, 2, "mcastFilterMode", tag::Integer, Access::ReadWrite, oneOf({0, 1}));
    const TableDef* filters = &t;
    d.onDerive([dev, filters] {
        const TableDef* vlans = dev->tableAt(priv({7, 6, 1}));
        Store& s = dev->store();
        std::vector<Oid> have = s.indexesOf(*filters, 1);
        std::vector<Oid> want = s.indexesOf(*vlans, vlans->rowStatusCol);
        for (const Oid& idx : have)
            if (std::find(want.begin(), want.end(), idx) == want.end()) s.eraseRow(*filters, idx);
        for (const Oid& idx : want)
            if (!s.find(join(priv({7, 8, 1, 1}), idx)))
                dev->row(*filters, idx, {{1, Value::integer(static_cast<long long>(idx[0]))}, {2, Value::integer(0)}});
    });
}

}  // namespace

void registerMaint(Device& d) {
    registerTransfer(d, std::make_shared<Transfer>(Transfer{1, 2, 3, 4}), "firmware");
    registerTransfer(d, std::make_shared<Transfer>(Transfer{5, 6, 7, 8}), "config");
    registerSyslog(d);
    d.scalar(priv({1, 12}), "jumboFrameState", Value::integer(2), Access::ReadWrite, oneOf({1, 2}));
    registerMulticastFiltering(d);
}

}  // namespace corvex::sim
