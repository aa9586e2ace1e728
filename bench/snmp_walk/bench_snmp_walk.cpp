// Walk throughput: corvex-snmp (session object, worker thread, UI-thread delivery) against
// Net-SNMP's snmpwalk, both SNMPv1 get-next one object per request, same agent, same subtree,
// interleaved runs. Prints rows per second for both and their ratio.
//
//   bench_snmp_walk --tool path/to/corvex-snmp [--runs N] [--sim path/to/corvex-sim [--fdb N]]
//
// Agent 1: Debian's snmpd on a free port, walking all of MIB-II ("1.3.6.1.2.1") as one column:
// the largest amount of data a stock agent holds. Agent 2 (with --sim): the virtual switch with a
// large forwarding table, walking dot1qTpFdbPort.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

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

// Runs a shell command, counts its output lines; returns seconds, or -1 on failure.
double Timed(const std::string& command, long& lines) {
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
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? secs : -1;
}

bool Compare(const char* label, const std::string& hostLine, const std::string& address, const std::string& community,
             const std::string& column, const std::string& tool, int runs) {
    std::string ours = tool + " '" + hostLine + "' walk " + column;
    std::string theirs = "snmpwalk -v1 -c " + community + " -On -m '' -t 3 -r 0 " + address + " " + column;
    double oursTime = 0, theirTime = 0;
    long oursRows = 0, theirRows = 0;
    for (int i = 0; i < runs; ++i) {  // interleaved so that drift hits both alike
        long rows = 0;
        double t = Timed(ours, rows);
        if (t < 0) {
            std::fprintf(stderr, "%s: corvex-snmp walk failed\n", label);
            return false;
        }
        oursTime += t;
        oursRows += rows;
        t = Timed(theirs, rows);
        if (t < 0) {
            std::fprintf(stderr, "%s: snmpwalk failed\n", label);
            return false;
        }
        theirTime += t;
        theirRows += rows;
    }
    double oursRate = oursRows / oursTime, theirRate = theirRows / theirTime;
    std::printf("%s: column %s, %ld rows per walk, %d runs\n", label, column.c_str(), oursRows / runs, runs);
    std::printf("  corvex-snmp walk : %10.0f rows/s\n", oursRate);
    std::printf("  snmpwalk -v1     : %10.0f rows/s\n", theirRate);
    std::printf("  ratio            : %10.2f (target >= 0.90)\n", oursRate / theirRate);
    if (oursRows != theirRows) std::printf("  note: row counts differ (%ld vs %ld)\n", oursRows, theirRows);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    std::string tool, sim;
    int runs = 5;
    int fdb = 100000;
    for (int i = 1; i + 1 < argc; i += 2) {
        std::string a = argv[i];
        if (a == "--tool") tool = argv[i + 1];
        else if (a == "--runs") runs = std::max(1, std::atoi(argv[i + 1]));
        else if (a == "--sim") sim = argv[i + 1];
        else if (a == "--fdb") fdb = std::atoi(argv[i + 1]);
    }
    if (tool.empty()) {
        std::fprintf(stderr, "usage: bench_snmp_walk --tool corvex-snmp [--runs N] [--sim corvex-sim [--fdb N]]\n");
        return 2;
    }
    bool ok = true;
    {
        corvex::test::SnmpdProcess agent;
        std::string error;
        if (!agent.start("", &error)) {
            std::fprintf(stderr, "snmpd: %s\n", error.c_str());
            return 1;
        }
        std::string host = "/Hx/I127.0.0.1/Cpublic/Dprivate/ETRUE/F1/G" + std::to_string(agent.port());
        ok &= Compare("snmpd", host, agent.address(), "public", "1.3.6.1.2.1", tool, runs);
    }
    if (!sim.empty()) {
        int port = corvex::test::FindFreeUdpPort();
        std::string listen = "udp:127.0.0.1:" + std::to_string(port);
        std::string fdbText = std::to_string(fdb);
        std::vector<std::string> args = {sim, "--listen", listen, "--fdb", fdbText};
        std::vector<char*> argv2;
        for (auto& a : args) argv2.push_back(a.data());
        argv2.push_back(nullptr);
        pid_t pid = -1;
        if (posix_spawn(&pid, sim.c_str(), nullptr, nullptr, argv2.data(), environ) != 0) {
            std::fprintf(stderr, "cannot start %s\n", sim.c_str());
            return 1;
        }
        std::this_thread::sleep_for(std::chrono::seconds(2));
        std::string host = "/Hx/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G" + std::to_string(port);
        ok &= Compare("corvex-sim", host, "127.0.0.1:" + std::to_string(port), "qorvin", "1.3.6.1.2.1.17.7.1.2.2.1.2",
                      tool, std::max(1, runs / 5));
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    return ok ? 0 : 1;
}
