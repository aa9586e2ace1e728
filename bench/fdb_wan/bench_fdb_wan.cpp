// The Forwarding Table dialog against a switch far away: a virtual switch with 2,000 forwarding
// entries whose replies are held 0, 150 or 400 ms, or which loses 2% of the requests, under
// SNMPv1 and SNMPv3 (authPriv, SHA/DES). For each case it prints the fill time (from opening the
// dialog until its walk ends), the rows listed, the requests the switch received (from its
// request log), how many of them repeated a request ID already received (a request sent twice),
// the bound that the requests allow (requests / requests in flight × round trip) and the target
// (with loss at 150 ms: 1.5 times the fill time without loss).
// A run that is not filled within --cap seconds is closed and its rate extrapolated.
//
//   QT_QPA_PLATFORM=offscreen bench_fdb_wan --sim corvex-sim [--fdb N] [--cap SECONDS] [--only v1|v3]
// BENCH_IN_FLIGHT (default 4) is the number of requests in flight the bound assumes.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "app/session_settings.h"
#include "features/mib/table_dlgs.h"
#include "gui/qt_ui.h"
#include "support/sim_fixture.h"

namespace {

struct Case {
    const char* name;
    int delayMs;
    int dropPercent;
    double targetV1, targetV3;  // seconds; 0: none set
    double ofLossFree = 0;      // target: this many times the same switch's fill time without loss
};

struct Result {
    double seconds = 0;  // fill time, or the cap
    long rows = 0;
    bool filled = false;
    long requests = 0, repeated = 0, lost = 0;
};

// Opens the dialog and waits for its walk to end, or closes it at the cap.
void RunDialog(double capSeconds, Result& out) {
    QElapsedTimer clock;
    QTimer ticker;
    ticker.setInterval(5);
    bool walking = false;
    auto dlg = std::make_unique<CFdbTableDlg>();
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        if (dlg->Walking()) walking = true;
        const bool ended = walking && !dlg->Walking();
        const bool capped = clock.elapsed() > capSeconds * 1000;
        if ((ended || capped) && out.seconds == 0) {
            out.seconds = clock.elapsed() / 1000.0;
            out.rows = dlg->List().rowCount();
            out.filled = ended;
            QTimer::singleShot(0, [] {
                if (QWidget* w = QApplication::activeModalWidget()) w->close();
            });
        }
    });
    clock.start();
    ticker.start();
    gui::QtFormHost host;
    host.runModal(*dlg);
    ticker.stop();
}

void CountRequests(const corvex::test::SimDevice& device, Result& out) {
    std::map<long, int> seen;
    for (const corvex::test::SimRequest& r : device.requests()) {
        ++out.requests;
        if (!r.lost.empty()) ++out.lost;
        if (++seen[r.requestId] > 1) ++out.repeated;
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string sim, only;
    int fdb = 2000;
    double cap = 90;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--sim" && i + 1 < argc) sim = argv[++i];
        else if (a == "--fdb" && i + 1 < argc) fdb = std::max(1, std::atoi(argv[++i]));
        else if (a == "--cap" && i + 1 < argc) cap = std::max(1.0, std::atof(argv[++i]));
        else if (a == "--only" && i + 1 < argc) only = argv[++i];
        else {
            std::fprintf(stderr, "usage: bench_fdb_wan --sim corvex-sim [--fdb N] [--cap SECONDS] [--only v1|v3]\n");
            return 2;
        }
    }
    if (sim.empty()) {
        std::fprintf(stderr, "bench_fdb_wan: --sim is needed\n");
        return 2;
    }
    setenv("CORVEX_SIM", sim.c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    gui::QtUi ui;
    platform::setUi(&ui);

    // Requests the session keeps in flight to one switch when it walks in parts (1 before).
    const int inFlight = std::max(1, std::atoi(std::getenv("BENCH_IN_FLIGHT") ? std::getenv("BENCH_IN_FLIGHT") : "4"));
    const std::vector<Case> cases = {
        {"local", 0, 0, 0, 0},
        {"--delay-ms 150", 150, 0, 30, 5},
        {"--delay-ms 400", 400, 0, 0, 0},
        {"local, --drop-percent 2", 0, 2, 10, 10},
        {"--delay-ms 150, --drop-percent 2", 150, 2, 0, 0, 1.5},
    };
    std::map<std::pair<int, int>, double> lossFree;  // (delay, version) -> fill time
    std::printf("forwarding table of %d entries (+1 own address), Forwarding Table dialog (Qt offscreen), cap %.0f s\n",
                fdb, cap);
    std::printf("%-33s %-4s %9s %7s %9s %8s %6s %6s %11s %9s  %s\n", "switch", "SNMP", "fill s", "rows", "rows/s",
                "requests", "twice", "lost", "bound s", "target s", "");
    bool allMet = true;
    for (const Case& c : cases) {
        for (int version : {1, 3}) {
            if ((only == "v1" && version != 1) || (only == "v3" && version != 3)) continue;
            corvex::test::SimDevice device;
            const corvex::test::SimV3User user{"benchv3", "benchAuth1", "benchPriv1"};
            std::vector<std::string> args = user.args();
            args.insert(args.end(), {"--fdb", std::to_string(fdb)});
            if (c.delayMs) args.insert(args.end(), {"--delay-ms", std::to_string(c.delayMs)});
            if (c.dropPercent) args.insert(args.end(), {"--drop-percent", std::to_string(c.dropPercent)});
            std::string error;
            if (!device.start("28", args, &error)) {
                std::fprintf(stderr, "corvex-sim: %s\n", error.c_str());
                return 1;
            }
            device.installAsDevice();
            if (version == 3) user.use("3");
            Result r;
            RunDialog(cap, r);
            CountRequests(device, r);
            device.stop();
            double target = version == 1 ? c.targetV1 : c.targetV3;
            if (c.dropPercent == 0 && r.filled) lossFree[{c.delayMs, version}] = r.seconds;
            if (c.ofLossFree > 0 && lossFree.count({c.delayMs, version}))
                target = c.ofLossFree * lossFree[{c.delayMs, version}];
            // The requests, inFlight at a time, each waiting one round trip.
            const double bound = static_cast<double>(r.requests - r.lost) / inFlight * c.delayMs / 1000.0;
            const double rate = r.seconds > 0 ? r.rows / r.seconds : 0;
            char fill[32];
            if (r.filled) std::snprintf(fill, sizeof fill, "%.2f", r.seconds);
            else std::snprintf(fill, sizeof fill, ">%.0f(~%.0f)", r.seconds, rate > 0 ? (fdb + 1) / rate : 0);
            char targetText[24] = "-";
            const bool twiceOk = c.dropPercent != 0 || r.repeated == 0;
            bool met = twiceOk && r.filled;
            if (target > 0) {
                std::snprintf(targetText, sizeof targetText, "%.1f", target);
                met = met && r.seconds <= target;
            }
            allMet = allMet && met;
            std::printf("%-33s v%-3d %9s %7ld %9.0f %8ld %6ld %6ld %11.2f %9s  %s\n", c.name, version, fill, r.rows, rate,
                        r.requests, r.repeated, r.lost, bound, targetText, met ? "ok" : "MISSED");
            std::fflush(stdout);
        }
    }
    std::printf("targets: fill time within the target where one is set, every run filled, and no request sent twice "
                "to a switch that loses nothing: %s\n",
                allMet ? "all met" : "some MISSED");
    platform::setUi(nullptr);
    return 0;
}
