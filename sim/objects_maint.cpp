// Maintenance: firmware and configuration transfer over TFTP (status machine), syslog host,
// jumbo frames and multicast filtering.
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

}  // namespace

void registerMaint(Device& d) {
    registerTransfer(d, std::make_shared<Transfer>(Transfer{1, 2, 3, 4}), "firmware");
    registerTransfer(d, std::make_shared<Transfer>(Transfer{5, 6, 7, 8}), "config");
}

}  // namespace corvex::sim
