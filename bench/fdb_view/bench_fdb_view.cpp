// Forwarding table view throughput: the forwarding table form, headless, on a virtual switch with
// a large forwarding table, against Net-SNMP's snmpwalk over the same two columns (one get-next
// walk per column, one after the other). Prints rows per second for both, their ratio, and the
// longest time the UI thread was busy in one go. With --v3 the form and snmpwalk use one SNMPv3
// authPriv user (SHA, DES) instead of the SNMPv1 community.
//
//   bench_fdb_view --sim path/to/corvex-sim [--fdb N] [--runs N] [--v3]
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "app/session_settings.h"
#include "features/mib/table_dlgs.h"
#include "platform/ui.h"
#include "support/sim_fixture.h"

namespace {

using Clock = std::chrono::steady_clock;

// UI services that run posted work on this thread and time every task.
class TimedUi : public platform::UiServices {
public:
    TimedUi() : uiThread_(std::this_thread::get_id()) {}
    platform::MsgAnswer messageBox(const platform::MessageRequest& r) override {
        std::fprintf(stderr, "message: %s\n", r.text.c_str());
        return platform::MsgAnswer::Ok;
    }
    void post(std::function<void()> fn) override { schedule(Clock::now(), std::move(fn)); }
    void singleShot(int ms, std::function<void()> fn) override {
        schedule(Clock::now() + std::chrono::milliseconds(ms), std::move(fn));
    }
    void setWaitCursor(bool) override {}
    bool isUiThread() const override { return std::this_thread::get_id() == uiThread_; }

    // Runs due tasks until pred() holds or the limit passes.
    bool runUntil(const std::function<bool()>& pred, std::chrono::seconds limit) {
        const auto deadline = Clock::now() + limit;
        while (!pred()) {
            std::function<void()> fn;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                auto due = [&] {
                    for (auto it = tasks_.begin(); it != tasks_.end(); ++it)
                        if (it->first <= Clock::now()) return it;
                    return tasks_.end();
                };
                auto it = due();
                if (it == tasks_.end()) {
                    if (Clock::now() >= deadline) return false;
                    wake_.wait_for(lock, std::chrono::milliseconds(2));
                    continue;
                }
                fn = std::move(it->second);
                tasks_.erase(it);
            }
            timed(fn);
        }
        return true;
    }
    // Runs fn on the UI thread now and counts it as one busy stretch.
    void timed(const std::function<void()>& fn) {
        const auto start = Clock::now();
        fn();
        longest_ = std::max(longest_, Clock::now() - start);
        ++tasksRun_;
    }
    double longestMs() const { return std::chrono::duration<double, std::milli>(longest_).count(); }
    long tasksRun() const { return tasksRun_; }
    void resetStats() {
        longest_ = {};
        tasksRun_ = 0;
    }

private:
    void schedule(Clock::time_point due, std::function<void()> fn) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            tasks_.emplace_back(due, std::move(fn));
        }
        wake_.notify_one();
    }
    std::thread::id uiThread_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::pair<Clock::time_point, std::function<void()>>> tasks_;
    Clock::duration longest_{};
    long tasksRun_ = 0;
};

// Runs a shell command and counts its output lines; seconds, or -1 on failure.
double TimedCommand(const std::string& command, long& lines) {
    const auto start = Clock::now();
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return -1;
    lines = 0;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0)
        for (std::size_t i = 0; i < n; ++i) lines += buf[i] == '\n';
    const int status = pclose(pipe);
    const double secs = std::chrono::duration<double>(Clock::now() - start).count();
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? secs : -1;
}

struct ViewRun {
    long rows = 0;
    double seconds = 0;
    double longestBusyMs = 0;
    long tasks = 0;
};

ViewRun RunView(TimedUi& ui) {
    ViewRun run;
    CFdbTableDlg dlg;
    ui.resetStats();
    const auto start = Clock::now();
    ui.timed([&] { dlg.open(); });  // controls, walk start and the age time read
    ui.runUntil([&] { return !dlg.Walking(); }, std::chrono::seconds(600));
    run.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.rows = dlg.List().rowCount();
    ui.timed([&] { dlg.destroy(); });
    run.longestBusyMs = ui.longestMs();
    run.tasks = ui.tasksRun();
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    std::string sim;
    int fdb = 100000;
    int runs = 1;
    bool v3 = false;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--v3") v3 = true;
        else if (a == "--sim" && i + 1 < argc) sim = argv[++i];
        else if (a == "--fdb" && i + 1 < argc) fdb = std::atoi(argv[++i]);
        else if (a == "--runs" && i + 1 < argc) runs = std::max(1, std::atoi(argv[++i]));
        else {
            std::fprintf(stderr, "usage: bench_fdb_view --sim path/to/corvex-sim [--fdb N] [--runs N] [--v3]\n");
            return 2;
        }
    }
    if (!sim.empty()) setenv("CORVEX_SIM", sim.c_str(), 1);

    corvex::test::SimDevice device;
    std::string error;
    if (!device.start("28", {"--fdb", std::to_string(fdb), "--user", "benchv3:SHA:benchAuth1:DES:benchPriv1"},
                      &error)) {
        std::fprintf(stderr, "corvex-sim: %s\n", error.c_str());
        return 1;
    }
    device.installAsDevice();
    if (v3) {
        SessionSettings& s = MutableSettings();
        s.SnmpVersion = "3";
        s.SecurityLevel = "3";
        s.UserName = "benchv3";
        s.AuthProtocol = "3";
        s.AuthPassword = "benchAuth1";
        s.PrivProtocol = "2";
        s.PrivPassword = "benchPriv1";
    }
    const std::string address = "127.0.0.1:" + std::to_string(device.port());
    const std::string walk =
        (v3 ? std::string("snmpwalk -v3 -l authPriv -u benchv3 -a SHA -A benchAuth1 -x DES -X benchPriv1")
            : "snmpwalk -v1 -c " + device.settings().ReadCommunity) +
        " -m '' -On -Oq -t 3 -r 0 " + address + " ";
    const char* columns[] = {"1.3.6.1.2.1.17.7.1.2.2.1.3", "1.3.6.1.2.1.17.7.1.2.2.1.2"};

    TimedUi ui;
    platform::setUi(&ui);
    double viewSecs = 0, walkSecs = 0, longestBusy = 0;
    long viewRows = 0, walkRows = 0, tasks = 0;
    for (int r = 0; r < runs; ++r) {  // interleaved so that drift hits both alike
        double secs = 0;
        long rows = 0;
        for (const char* column : columns) {
            long lines = 0;
            const double t = TimedCommand(walk + column, lines);
            if (t < 0) {
                std::fprintf(stderr, "snmpwalk of %s failed\n", column);
                return 1;
            }
            secs += t;
            rows = std::max(rows, lines);
        }
        walkSecs += secs;
        walkRows += rows;

        const ViewRun view = RunView(ui);
        viewSecs += view.seconds;
        viewRows += view.rows;
        longestBusy = std::max(longestBusy, view.longestBusyMs);
        tasks += view.tasks;
        if (view.rows != rows)
            std::fprintf(stderr, "run %d: the form listed %ld rows, snmpwalk %ld\n", r + 1, view.rows, rows);
    }
    platform::setUi(nullptr);

    const double viewRate = viewRows / viewSecs;
    const double walkRate = walkRows / walkSecs;
    const double ratio = viewRate / walkRate;
    std::printf("forwarding table entries : %d (+1 own address), %d run(s), SNMPv%s\n", fdb, runs, v3 ? "3 authPriv" : "1");
    std::printf("form (headless)          : %ld rows in %.2f s = %.0f rows/s (%ld UI tasks)\n", viewRows, viewSecs,
                viewRate, tasks);
    std::printf("snmpwalk -v%s, 2 columns  : %ld rows in %.2f s = %.0f rows/s\n", v3 ? "3" : "1", walkRows, walkSecs, walkRate);
    std::printf("ratio form / snmpwalk    : %.2f (target >= 0.80) %s\n", ratio, ratio >= 0.8 ? "ok" : "BELOW TARGET");
    std::printf("longest UI-thread task   : %.1f ms (target <= 100 ms) %s\n", longestBusy,
                longestBusy <= 100 ? "ok" : "ABOVE TARGET");
    return 0;
}
