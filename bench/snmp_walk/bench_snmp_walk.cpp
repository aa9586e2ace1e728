// Walk throughput and processor time: corvex-snmp (session object, worker thread, UI-thread
// delivery) against Net-SNMP's command-line tools, same agent, same column, interleaved runs.
// Prints rows per second and processor seconds (user and system) per 10000 rows of each, and
// corvex-snmp's against each.
//
//   bench_snmp_walk --tool path/to/corvex-snmp [--runs N] [--sim path/to/corvex-sim [--fdb N]...]
//
// Agent 1: Debian's snmpd on a free port, walking all of MIB-II ("1.3.6.1.2.1") as one column
// with SNMPv1 (against snmpwalk -v1) and SNMPv3 authPriv, SHA and DES (against snmpbulkwalk -v3
// at its defaults). Agent 2 (with --sim): the virtual switch with a forwarding table of
// each --fdb size (default 20000 and 100000), walking dot1qTpFdbPort with SNMPv1 (against
// snmpwalk -v1) and with SNMPv3 authPriv, SHA and DES (against snmpwalk -v3, one get-next per
// row, and snmpbulkwalk -v3 with its default of 10 repetitions per GETBULK), one user for all.
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/snmpd_fixture.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// Runs a shell command, counts its output lines; returns seconds, or -1 on failure. cpu gets the
// processor seconds (user and system) the command and its children used.
double Timed(const std::string& command, long& lines, double& cpu) {
    rusage before{}, after{};
    getrusage(RUSAGE_CHILDREN, &before);
    auto start = Clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    lines = 0;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) {
        for (std::size_t i = 0; i < n; ++i) lines += buf[i] == '\n';
    }
    int status = pclose(pipe);
    double secs = std::chrono::duration<double>(Clock::now() - start).count();
    getrusage(RUSAGE_CHILDREN, &after);
    auto seconds = [](const timeval& tv) { return static_cast<double>(tv.tv_sec) + tv.tv_usec / 1e6; };
    cpu = seconds(after.ru_utime) - seconds(before.ru_utime) + seconds(after.ru_stime) - seconds(before.ru_stime);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? secs : -1;
}

struct Contender {
    std::string name;
    std::string command;
    double seconds = 0, cpu = 0;
    long rows = 0;
};

// Runs every contender `runs` times, interleaved so that drift hits all alike, and prints rows per
// second, processor seconds per 10000 rows, and both against the first contender's.
bool Compare(const char* label, const std::string& column, std::vector<Contender> all, int runs) {
    for (int i = 0; i < runs; ++i) {
        for (Contender& c : all) {
            long rows = 0;
            double cpu = 0;
            const double t = Timed(c.command, rows, cpu);
            if (t < 0) {
                std::fprintf(stderr, "%s: %s failed\n", label, c.name.c_str());
                return false;
            }
            c.seconds += t;
            c.cpu += cpu;
            c.rows += rows;
        }
    }
    std::printf("%s: column %s, %ld rows per walk, %d interleaved runs\n", label, column.c_str(), all[0].rows / runs,
                runs);
    std::printf("  %-26s %12s %18s %10s %10s\n", "", "rows/s", "CPU s/10000 rows", "speed", "CPU");
    const double rate0 = all[0].rows / all[0].seconds, cpu0 = all[0].cpu / all[0].rows * 10000;
    for (const Contender& c : all) {
        const double rate = c.rows / c.seconds, cpu = c.cpu / c.rows * 10000;
        std::printf("  %-26s %12.0f %18.3f %9.2fx %9.2fx\n", c.name.c_str(), rate, cpu, rate0 / rate, cpu0 / cpu);
        if (c.rows != all[0].rows) std::printf("  note: row counts differ (%ld vs %ld)\n", c.rows, all[0].rows);
    }
    std::printf("  (speed: corvex-snmp's rows/s over this one's; CPU: corvex-snmp's CPU per row over this one's)\n");
    return true;
}

// The virtual switch on a free port with a forwarding table of `fdb` entries and one SNMPv3 user.
struct Sim {
    pid_t pid = -1;
    int port = 0;
    bool start(const std::string& sim, int fdb) {
        port = corvex::test::FindFreeUdpPort();
        std::vector<std::string> args = {sim, "--listen", "udp:127.0.0.1:" + std::to_string(port), "--fdb",
                                         std::to_string(fdb), "--user", "benchv3:SHA:benchAuth1:DES:benchPriv1"};
        std::vector<char*> argv2;
        for (auto& a : args) argv2.push_back(a.data());
        argv2.push_back(nullptr);
        if (posix_spawn(&pid, sim.c_str(), nullptr, nullptr, argv2.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", sim.c_str());
            return false;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
        return true;
    }
    ~Sim() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
};

}  // namespace

int main(int argc, char** argv) {
    std::string tool, sim;
    int runs = 5;
    std::vector<int> fdbSizes;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--tool") tool = argv[i + 1];
        else if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--sim") sim = argv[i + 1];
        else if (a == "--fdb") fdbSizes.push_back(std::atoi(argv[i + 1]));
    }
    if (tool.empty()) {
        std::fprintf(stderr, "usage: bench_snmp_walk --tool corvex-snmp [--runs N] [--sim corvex-sim [--fdb N]...]\n");
        return 2;
    }
    if (fdbSizes.empty()) fdbSizes = {20000, 100000};
    bool ok = true;
    {
        corvex::test::SnmpdProcess agent;
        std::string error;
        if (!agent.start("", &error)) {
            std::fprintf(stderr, "snmpd: %s\n", error.c_str());
            return 1;
        }
        std::string host = "/Hx/I127.0.0.1/Cpublic/Dprivate/ETRUE/F1/G" + std::to_string(agent.port());
        const std::string column = "1.3.6.1.2.1";
        ok &= Compare("snmpd, SNMPv1", column,
                      {{"corvex-snmp walk (v1)", tool + " '" + host + "' walk " + column},
                       {"snmpwalk -v1", "snmpwalk -v1 -c public -On -m '' -t 3 -r 0 " + agent.address() + " " + column}},
                      runs);
        // MIB-II's rows differ in size (descriptions, addresses, counters): GETBULK sizing meets
        // the rows as they come.
        using A = corvex::test::SnmpdAccounts;
        const std::string v3Host = "/Hx/I127.0.0.1/Cpublic/Dprivate/ETRUE/F3/G" + std::to_string(agent.port()) +
                                   "/a/b/c/K3/L" + A::kUserShaDes + "/M" + A::kAuthPass + "/N" + A::kPrivPass + "/O3/P2";
        const std::string v3Args = std::string(" -v3 -l authPriv -u ") + A::kUserShaDes + " -a SHA -A " + A::kAuthPass +
                                   " -x DES -X " + A::kPrivPass + " -On -m '' -t 3 -r 0 ";
        ok &= Compare("snmpd, SNMPv3 authPriv", column,
                      {{"corvex-snmp walk (v3)", tool + " '" + v3Host + "' walk " + column},
                       {"snmpbulkwalk -v3", "snmpbulkwalk" + v3Args + agent.address() + " " + column}},
                      runs);
    }
    const std::string column = "1.3.6.1.2.1.17.7.1.2.2.1.2";  // dot1qTpFdbPort
    for (int fdb : sim.empty() ? std::vector<int>{} : fdbSizes) {
        Sim device;
        if (!device.start(sim, fdb)) return 1;
        const std::string port = std::to_string(device.port);
        const std::string address = "127.0.0.1:" + port;
        const std::string v1Line = "/Hx/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G" + port;
        const std::string v3Line =
            "/Hx/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F3/G" + port + "/a/b/c/K3/Lbenchv3/MbenchAuth1/NbenchPriv1/O3/P2";
        const std::string v3Args = " -v3 -l authPriv -u benchv3 -a SHA -A benchAuth1 -x DES -X benchPriv1 -On -m '' -t 3 -r 0 ";
        const int simRuns = std::max(1, fdb >= 100000 ? runs / 5 : runs / 2);
        const std::string label = "corvex-sim --fdb " + std::to_string(fdb);
        ok &= Compare((label + ", SNMPv1").c_str(), column,
                      {{"corvex-snmp walk (v1)", tool + " '" + v1Line + "' walk " + column},
                       {"snmpwalk -v1", "snmpwalk -v1 -c qorvin -On -m '' -t 3 -r 0 " + address + " " + column}},
                      simRuns);
        ok &= Compare((label + ", SNMPv3 authPriv").c_str(), column,
                      {{"corvex-snmp walk (v3)", tool + " '" + v3Line + "' walk " + column},
                       {"snmpwalk -v3", "snmpwalk" + v3Args + address + " " + column},
                       {"snmpbulkwalk -v3", "snmpbulkwalk" + v3Args + address + " " + column}},
                      simRuns);
    }
    std::printf("targets: SNMPv1 speed >= 1.00x and CPU <= 1.00x against snmpwalk -v1;\n"
                "         SNMPv3 speed >= 1.20x and CPU <= 1.00x against snmpbulkwalk -v3 (snmpd's MIB-II, forwarding tables);\n"
                "         SNMPv3 speed >= 5.00x against snmpwalk -v3\n");
    return ok ? 0 : 1;
}
