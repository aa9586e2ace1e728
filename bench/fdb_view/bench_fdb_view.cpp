// Forwarding table dialog throughput, window-thread stalls and memory: the Forwarding Table
// dialog through the Qt renderer (offscreen) against a virtual switch with a large forwarding
// table, next to two peers that read the same two columns over the same agent:
//   - corvex-snmp walk of dot1qTpFdbStatus and dot1qTpFdbPort (the module's own SNMP stack, the
//     same requests on the wire as the dialog: what the dialog could reach at best);
//   - Net-SNMP's snmpbulkwalk -v3 at its defaults (10 repetitions) of the table's entry, both
//     columns in one walk (SNMPv1: snmpwalk -v1 of the entry).
// Runs are interleaved so that drift hits all alike. Prints rows per second and processor
// seconds per 10000 rows of each, the window thread's longest task (the longest gap between
// ticks of a 5 ms timer while the rows arrive), and this process's resident memory before, at
// the peak of the list and 3 s after the dialog closed; then every target against its figure.
// With the table read, a find for part of a MAC address (written without separators) filters
// the list as the find line does: the time to the first match, to the full count, and the
// window thread's longest task meanwhile.
//
//   QT_QPA_PLATFORM=offscreen bench_fdb_view --sim corvex-sim --tool corvex-snmp [--fdb N]... [--runs N] [--v3]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/session_settings.h"
#include "features/mib/table_dlgs.h"
#include "gui/qt_ui.h"
#include "support/sim_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; }

double CpuOf(int who) {
    rusage u{};
    getrusage(who, &u);
    return Seconds(u.ru_utime) + Seconds(u.ru_stime);
}

// Resident memory of this process in MB.
double ResidentMb() {
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return 0;
    long pages = 0, resident = 0;
    const int got = std::fscanf(f, "%ld %ld", &pages, &resident);
    std::fclose(f);
    return got == 2 ? resident * static_cast<double>(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0) : 0;
}

struct Figures {
    double seconds = 0, cpu = 0;
    long rows = 0;
    double rate() const { return seconds > 0 ? rows / seconds : 0; }
    double cpuPer10k() const { return rows > 0 ? cpu / rows * 10000 : 0; }
};

// Runs a shell command and counts its output lines; false on failure.
bool RunPeer(const std::string& command, int linesPerRow, Figures& into) {
    const double cpu0 = CpuOf(RUSAGE_CHILDREN);
    const auto start = Clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return false;
    long lines = 0;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        for (std::size_t i = 0; i < n; ++i) lines += buf[i] == '\n';
    const int status = pclose(pipe);
    into.seconds += std::chrono::duration<double>(Clock::now() - start).count();
    into.cpu += CpuOf(RUSAGE_CHILDREN) - cpu0;
    into.rows += lines / linesPerRow;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

struct DialogRun {
    Figures figures;
    double longestTaskMs = 0;
    double baseMb = 0, peakMb = 0, afterCloseMb = 0;
    std::string findText;
    double findFirstMs = -1, findAllMs = -1, findLongestTaskMs = 0;
    std::size_t findMatches = 0;
};

// Part of the MAC address of a row, without its separators: "00:1a:2b:3c:4d:5e" -> "001a2b3c".
std::string MacPart(std::string_view cell) {
    std::string hex;
    for (char ch : cell)
        if (std::isxdigit(static_cast<unsigned char>(ch)) && hex.size() < 8) hex += ch;
    return hex;
}

// Opens the dialog, lets it walk the whole table and closes it as the close box would.
bool RunDialog(DialogRun& run) {
    run.baseMb = ResidentMb();
    QElapsedTimer clock;
    qint64 lastTick = 0, longest = 0;
    double peak = run.baseMb;
    int ticks = 0;
    QTimer ticker;
    ticker.setInterval(5);
    bool walking = false;
    long rows = 0;
    double seconds = 0;
    const double cpu0 = CpuOf(RUSAGE_SELF);
    double cpu = 0;
    auto dlg = std::make_unique<CFdbTableDlg>();
    qint64 findStart = -1, findLongest = 0;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (findStart >= 0) {
            // The find: only its own stalls count here.
            findLongest = std::max(findLongest, now - lastTick);
            lastTick = now;
            platform::ReportList& list = dlg->List();
            if (run.findFirstMs < 0 && !list.findMatches().empty()) run.findFirstMs = static_cast<double>(now - findStart);
            if (run.findAllMs < 0 && list.findDone()) {
                run.findAllMs = static_cast<double>(now - findStart);
                run.findMatches = list.findMatches().size();
                findStart = -1;
                QTimer::singleShot(50, [] {
                    if (QWidget* w = QApplication::activeModalWidget()) w->close();
                });
            }
            return;
        }
        longest = std::max(longest, now - lastTick);
        lastTick = now;
        if (++ticks % 20 == 0) peak = std::max(peak, ResidentMb());
        if (dlg->Walking()) walking = true;
        if (walking && !dlg->Walking() && seconds == 0) {
            seconds = clock.elapsed() / 1000.0;
            cpu = CpuOf(RUSAGE_SELF) - cpu0;
            rows = dlg->List().rowCount();
            peak = std::max(peak, ResidentMb());
            // Painted once with every row, then a find for a MAC address in the middle of the table.
            QTimer::singleShot(50, [&] {
                platform::ReportList& list = dlg->List();
                run.findText = MacPart(list.cellView(list.rowCount() / 2, 0));
                lastTick = clock.elapsed();
                findStart = lastTick;
                list.setFindText(run.findText);
            });
        }
    });
    clock.start();
    ticker.start();
    gui::QtFormHost host;
    host.runModal(*dlg);
    ticker.stop();
    dlg.reset();
    QEventLoop settle;
    QTimer::singleShot(3000, &settle, &QEventLoop::quit);
    settle.exec();
    run.afterCloseMb = ResidentMb();
    run.peakMb = peak;
    run.longestTaskMs = static_cast<double>(longest);
    run.findLongestTaskMs = static_cast<double>(findLongest);
    run.figures = {seconds, cpu, rows};
    return seconds > 0;
}

struct SizeResult {
    int fdb = 0;
    Figures dialog, tool, peer;
    double longestTaskMs = 0, baseMb = 0, peakMb = 0, afterCloseMb = 0;
    double findFirstMs = 0, findAllMs = 0, findLongestTaskMs = 0;
    std::size_t findMatches = 0;
    std::string findText;
};

void Row(const char* name, const Figures& f, const Figures& dialog) {
    std::printf("  %-34s %8ld rows %8.2f s %10.0f rows/s %8.3f CPU s/10k rows   dialog: %5.2fx speed, %5.2fx CPU\n",
                name, f.rows, f.seconds, f.rate(), f.cpuPer10k(), f.rate() > 0 ? dialog.rate() / f.rate() : 0,
                f.cpuPer10k() > 0 ? dialog.cpuPer10k() / f.cpuPer10k() : 0);
}

void Target(const char* what, double figure, const char* unit, const char* peer, double peerFigure, double ratio,
            const char* goal, bool met) {
    std::printf("  %-44s %10.2f %-6s %-22s %10.2f %8.2f  %-10s %s\n", what, figure, unit, peer, peerFigure, ratio, goal,
                met ? "ok" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    std::string sim, tool;
    std::vector<int> sizes;
    int runs = 1;
    bool v3 = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--v3") v3 = true;
        else if (a == "--sim" && i + 1 < argc) sim = argv[++i];
        else if (a == "--tool" && i + 1 < argc) tool = argv[++i];
        else if (a == "--fdb" && i + 1 < argc) sizes.push_back(std::atoi(argv[++i]));
        else if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: bench_fdb_view --sim corvex-sim --tool corvex-snmp [--fdb N]... [--runs N] [--v3]\n");
            return 2;
        }
    }
    if (sim.empty() || tool.empty()) {
        std::fprintf(stderr, "bench_fdb_view: --sim and --tool are needed\n");
        return 2;
    }
    if (sizes.empty()) sizes = {100000};
    setenv("CORVEX_SIM", sim.c_str(), 1);
    if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    gui::QtUi ui;
    platform::setUi(&ui);

    const char* entry = "1.3.6.1.2.1.17.7.1.2.2.1";
    const std::string columns = "1.3.6.1.2.1.17.7.1.2.2.1.3 1.3.6.1.2.1.17.7.1.2.2.1.2";
    const char* peerName = v3 ? "snmpbulkwalk -v3 (defaults), entry" : "snmpwalk -v1, entry";
    std::vector<SizeResult> results;
    for (int fdb : sizes) {
        corvex::test::SimDevice device;
        std::string error;
        if (!device.start("28", {"--fdb", std::to_string(fdb), "--user", "benchv3:SHA:benchAuth1:DES:benchPriv1"},
                          &error)) {
            std::fprintf(stderr, "corvex-sim: %s\n", error.c_str());
            return 1;
        }
        device.installAsDevice();
        SessionSettings& s = MutableSettings();
        if (v3) {
            s.SnmpVersion = "3";
            s.SecurityLevel = "3";
            s.UserName = "benchv3";
            s.AuthProtocol = "3";
            s.AuthPassword = "benchAuth1";
            s.PrivProtocol = "2";
            s.PrivPassword = "benchPriv1";
        }
        const std::string port = std::to_string(device.port());
        const std::string address = "127.0.0.1:" + port;
        const std::string line = v3 ? "/Hx/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F3/G" + port +
                                          "/a/b/c/K3/Lbenchv3/MbenchAuth1/NbenchPriv1/O3/P2"
                                    : "/Hx/I127.0.0.1/C" + s.ReadCommunity + "/D" + s.WriteCommunity +
                                          "/ETRUE/F1/G" + port;
        const std::string toolCommand = tool + " '" + line + "' walk " + columns;
        const std::string peerCommand =
            v3 ? "snmpbulkwalk -v3 -l authPriv -u benchv3 -a SHA -A benchAuth1 -x DES -X benchPriv1 -m '' -On -Oq -t 3 -r 0 " +
                     address + " " + entry
               : "snmpwalk -v1 -c " + s.ReadCommunity + " -m '' -On -Oq -t 3 -r 0 " + address + " " + entry;

        SizeResult result;
        result.fdb = fdb;
        for (int r = 0; r < runs; ++r) {
            if (!RunPeer(toolCommand, 2, result.tool)) {
                std::fprintf(stderr, "corvex-snmp walk failed\n");
                return 1;
            }
            if (!RunPeer(peerCommand, 2, result.peer)) {
                std::fprintf(stderr, "%s failed\n", peerName);
                return 1;
            }
            DialogRun run;
            if (!RunDialog(run)) {
                std::fprintf(stderr, "the dialog's walk did not end\n");
                return 1;
            }
            result.dialog.seconds += run.figures.seconds;
            result.dialog.cpu += run.figures.cpu;
            result.dialog.rows += run.figures.rows;
            result.longestTaskMs = std::max(result.longestTaskMs, run.longestTaskMs);
            result.baseMb = run.baseMb;
            result.peakMb = std::max(result.peakMb, run.peakMb);
            result.afterCloseMb = std::max(result.afterCloseMb, run.afterCloseMb);
            result.findFirstMs = std::max(result.findFirstMs, run.findFirstMs);
            result.findAllMs = std::max(result.findAllMs, run.findAllMs);
            result.findLongestTaskMs = std::max(result.findLongestTaskMs, run.findLongestTaskMs);
            result.findMatches = run.findMatches;
            result.findText = run.findText;
        }
        std::printf("forwarding table of %d entries (+1 own address), SNMPv%s, %d run(s)\n", fdb,
                    v3 ? "3 authPriv SHA/DES" : "1", runs);
        Row("Forwarding Table dialog (Qt)", result.dialog, result.dialog);
        Row("corvex-snmp walk, same 2 columns", result.tool, result.dialog);
        Row(peerName, result.peer, result.dialog);
        std::printf("  window thread's longest task %.0f ms; resident memory %.0f MB before, %.0f MB at the peak, "
                    "%.0f MB 3 s after closing\n",
                    result.longestTaskMs, result.baseMb, result.peakMb, result.afterCloseMb);
        std::printf("  find \"%s\" in %ld rows: first match after %.0f ms, full count (%zu) after %.0f ms; "
                    "window thread's longest task meanwhile %.0f ms\n",
                    result.findText.c_str(), result.dialog.rows / runs, result.findFirstMs, result.findMatches,
                    result.findAllMs, result.findLongestTaskMs);
        if (result.dialog.rows != result.tool.rows || result.dialog.rows != result.peer.rows)
            std::printf("  note: row counts differ (dialog %ld, corvex-snmp %ld, peer %ld)\n", result.dialog.rows,
                        result.tool.rows, result.peer.rows);
        std::fflush(stdout);
        results.push_back(result);
    }
    platform::setUi(nullptr);

    std::printf("\ntargets (figure, peer figure, ratio):\n");
    for (const SizeResult& r : results) {
        char what[96];
        std::snprintf(what, sizeof what, "%d rows: dialog vs corvex-snmp walk", r.fdb);
        const double toTool = r.dialog.rate() / r.tool.rate();
        Target(what, r.dialog.rate(), "rows/s", "corvex-snmp rows/s", r.tool.rate(), toTool, ">= 0.90", toTool >= 0.9);
        const double toPeer = r.dialog.rate() / r.peer.rate();
        std::snprintf(what, sizeof what, "%d rows: dialog vs %s", r.fdb, v3 ? "snmpbulkwalk -v3" : "snmpwalk -v1");
        Target(what, r.dialog.rate(), "rows/s", v3 ? "snmpbulkwalk rows/s" : "snmpwalk rows/s", r.peer.rate(), toPeer,
               v3 ? ">= 1.20" : "(info)", !v3 || toPeer >= 1.2);
        std::snprintf(what, sizeof what, "%d rows: window thread's longest task", r.fdb);
        Target(what, r.longestTaskMs, "ms", "-", 0, 0, "< 50 ms", r.longestTaskMs < 50);
        std::snprintf(what, sizeof what, "%d rows: find, window thread's longest task", r.fdb);
        Target(what, r.findLongestTaskMs, "ms", "-", 0, 0, "<= 100 ms", r.findLongestTaskMs <= 100);
        std::snprintf(what, sizeof what, "%d rows: resident memory at the peak", r.fdb);
        Target(what, r.peakMb, "MB", "-", 0, 0, "<= 100 MB", r.peakMb <= 100);
        std::snprintf(what, sizeof what, "%d rows: resident memory 3 s after closing", r.fdb);
        Target(what, r.afterCloseMb, "MB", "before opening", r.baseMb, r.afterCloseMb / r.baseMb, "< 50 MB",
               r.afterCloseMb < 50);
    }
    if (results.size() > 1) {
        const SizeResult& small = results.front();
        const SizeResult& large = results.back();
        const double perRowSmall = small.dialog.seconds / small.dialog.rows;
        const double perRowLarge = large.dialog.seconds / large.dialog.rows;
        char what[96];
        std::snprintf(what, sizeof what, "time per row, %d vs %d rows (us)", large.fdb, small.fdb);
        Target(what, perRowLarge * 1e6, "us", "at the smaller size", perRowSmall * 1e6, perRowLarge / perRowSmall,
               "<= 1.10", perRowLarge / perRowSmall <= 1.10);
    }
    return 0;
}
