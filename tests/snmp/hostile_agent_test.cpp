// The session layer against agents that do not answer as they should: a relay's marker binding
// in every reply, bindings that do not answer the request, a walk that repeats an OID or never
// ends, unknown hosts. Through the table walk, Send and the corvex-snmp tool.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <functional>
#include <chrono>
#include <cstdio>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "platform/headless_ui.h"
#include "snmp/table_walk.h"
#include "support/sim_fixture.h"

namespace {

using namespace std::chrono_literals;

const std::string kIfIndex = "1.3.6.1.2.1.2.2.1.1";
const std::string kIfOper = "1.3.6.1.2.1.2.2.1.8";
const std::string kSysName = "1.3.6.1.2.1.1.5.0";
const std::string kSysDescr = "1.3.6.1.2.1.1.1.0";
const std::string kV3User = "admin:MD5:authpass1:DES:privpass1";

struct ToolRun {
    int code = -1;
    std::string out, err;
};

// Runs corvex-snmp with the host line and arguments (behind `prefix`, e.g. a `timeout`);
// standard error goes to a file.
ToolRun RunTool(const std::string& hostLine, const std::string& args, const std::string& prefix = "") {
    const char* dir = std::getenv("CORVEX_BUILD_DIR");
    const std::string tool = std::string(dir ? dir : "build") + "/tools/corvex-snmp/corvex-snmp";
    // One file per test process: ctest runs other tests of this program at the same time.
    const std::string errFile = testing::TempDir() + "corvex-snmp-err." + std::to_string(getpid()) + ".txt";
    const std::string command = prefix + tool + " '" + hostLine + "' " + args + " 2>" + errFile;
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buf{};
    size_t n = 0;
    while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) run.out.append(buf.data(), n);
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (FILE* f = std::fopen(errFile.c_str(), "r")) {
        while ((n = fread(buf.data(), 1, buf.size(), f)) > 0) run.err.append(buf.data(), n);
        std::fclose(f);
    }
    return run;
}

size_t Lines(const std::string& text) { return static_cast<size_t>(std::count(text.begin(), text.end(), '\n')); }

SessionSettings V3(const corvex::test::SimDevice& sim) {
    SessionSettings s = sim.settings();
    s.SnmpVersion = "3";
    s.SecurityLevel = "3";
    s.UserName = "admin";
    s.AuthProtocol = "2";
    s.AuthPassword = "authpass1";
    s.PrivProtocol = "2";
    s.PrivPassword = "privpass1";
    return s;
}

std::string V3Line(const corvex::test::SimDevice& sim) {
    return "/Hx/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F3/G" + std::to_string(sim.port()) +
           "/a/b/c/K3/Ladmin/Mauthpass1/Nprivpass1/O2/P2";
}

class HostileAgent : public ::testing::Test {
protected:
    void SetUp() override { platform::setUi(&ui_); }
    void start(std::vector<std::string> args) {
        args.push_back("--user");
        args.push_back(kV3User);
        std::string error;
        ASSERT_TRUE(sim_.start("10p", args, &error)) << error;
    }
    // Walks ifIndex and ifOperStatus; returns the end status and the rows as "index/instance".
    int walk(CCommonSnmp& session, std::vector<std::string>& rows, size_t maxRows = 0, CTableWalk* out = nullptr) {
        CTableWalk own(session);
        CTableWalk& w = out ? *out : own;
        CTableWalk::Options options;
        options.maxRows = maxRows;
        int end = 99;
        EXPECT_TRUE(w.Start(
            {kIfIndex, kIfOper},
            [&](const ReplyRow& row, CSnmp& reply) {
                std::string suffix;
                session.GetSuffix(row.value(1).binding, &reply, suffix);
                rows.push_back(row.text(0) + "/" + row.instance(1, kIfOper) + suffix);
                return true;
            },
            [&](int status) { end = status; }, options));
        EXPECT_TRUE(ui_.runUntil([&] { return end != 99; }, 20s));
        return end;
    }

    platform::HeadlessUi ui_;
    corvex::test::SimDevice sim_;
};

// Marker first or last, v1 and v3: walks go on to the end of the table with every column in
// place (GetSuffix included), gets and the tool see only the real bindings as data.
TEST_F(HostileAgent, ProxyMarkerFirstOrLastBreaksNothing) {
    for (const char* where : {"first", "last"}) {
        SCOPED_TRACE(where);
        start({"--proxy-marker", where});
        for (const SessionSettings& settings : {sim_.settings(), V3(sim_)}) {
            SCOPED_TRACE("version " + settings.SnmpVersion);
            CCommonSnmp session(settings);
            std::vector<std::string> rows;
            EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, walk(session, rows));
            ASSERT_GE(rows.size(), 10u);
            for (size_t i = 0; i < 10; ++i) {
                const std::string n = std::to_string(i + 1);
                EXPECT_EQ(rows[i], n + "/" + n + "." + n);
            }

            ASSERT_TRUE(session.Open(SNMP_PDU_GET_T));
            session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
            session.AddValue(kSysDescr.c_str(), SNMP_T_NULL, nullptr);
            CSnmp* reply = nullptr;
            ASSERT_EQ(0, session.Send(&reply, 0)) << session.LastFailureText();
            std::unique_ptr<CSnmp> owned(reply);
            EXPECT_EQ(3, reply->getValuesCount());  // the marker travels with the reply
            const ReplyRow row = ReadReplyRow(*reply);
            ASSERT_EQ(2u, row.size());
            EXPECT_EQ("Corvex-10P", row.text(0));
        }
        for (const std::string& line : {sim_.hostLine(), V3Line(sim_)}) {
            const ToolRun run = RunTool(line, "walk " + kIfIndex);
            EXPECT_EQ(0, run.code) << run.err;
            EXPECT_GE(Lines(run.out), 10u);
            EXPECT_EQ(std::string::npos, run.out.find("7777")) << run.out;
            const ToolRun get = RunTool(line, "get " + kSysName);
            EXPECT_EQ(0, get.code) << get.err;
            EXPECT_EQ(kSysName + " = Corvex-10P\n", get.out);
        }
    }
}

// Replies with one binding more, one fewer, or another OID than asked: every Send fails and
// says why; so does corvex-snmp get.
TEST_F(HostileAgent, RepliesThatDoNotAnswerTheRequestFail) {
    for (const char* how : {"extra", "missing", "renamed"}) {
        SCOPED_TRACE(how);
        start({"--bad-reply", how});
        for (int pdu : {SNMP_PDU_GET_T, SNMP_PDU_SET_T}) {
            CCommonSnmp session(sim_.settings());
            ASSERT_TRUE(session.Open(pdu));
            if (pdu == SNMP_PDU_GET_T) {
                session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
                session.AddValue(kSysDescr.c_str(), SNMP_T_NULL, nullptr);
            } else {
                session.AddValue(kSysName.c_str(), SNMP_T_OCTETS, "lab-switch");
            }
            CSnmp* reply = reinterpret_cast<CSnmp*>(1);
            EXPECT_EQ(-1, session.Send(&reply, 0)) << "pdu " << pdu;
            EXPECT_EQ(nullptr, reply);
            EXPECT_EQ(SnmpFailure::BadReply, session.LastFailure());
        }
        const ToolRun run = RunTool(sim_.hostLine(), "get " + kSysName + " " + kSysDescr);
        EXPECT_EQ(1, run.code) << run.out;
        EXPECT_NE(std::string::npos, run.err.find("do not answer the request")) << run.err;
    }
    // An error status no agent may send is neither a time-out nor a known error.
    start({"--bad-reply", "status"});
    CCommonSnmp session(sim_.settings());
    ASSERT_TRUE(session.Open(SNMP_PDU_GET_T));
    session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    EXPECT_EQ(99, session.Send(&reply, 0));
    EXPECT_EQ(SnmpFailure::UnknownErrorStatus, session.LastFailure());
    const ToolRun run = RunTool(sim_.hostLine(), "get " + kSysName);
    EXPECT_EQ(1, run.code);
    EXPECT_NE(std::string::npos, run.err.find("unknown error status 99")) << run.err;
}

// A set is taken only when the reply gives back what was sent: another type, another value or
// an exception value (even inside an SNMPv1 reply) fails with its own reason, over v1 and v3,
// and so does corvex-snmp set. The same sets on an agent that echoes them go through.
TEST_F(HostileAgent, SetRepliesThatDoNotEchoTheValuesFail) {
    const std::string jumbo = "1.3.6.1.4.1.171.10.76.12.1.12.0", radius = "1.3.6.1.4.1.171.10.76.12.11.1.1.0";
    struct Write {
        std::string oid;
        int type;
        std::string value;
        std::string tool;  // the same write through corvex-snmp set
    };
    const std::vector<Write> writes = {{jumbo, SNMP_T_INTEGER, "1", jumbo + " 1 1"},
                                       {kSysName, SNMP_T_OCTETS, "lab-switch", kSysName + " 2 lab-switch"},
                                       {radius, SNMP_T_IPADDRESS, "10.1.1.2", radius + " 8 10.1.1.2"}};
    for (const char* how : {"", "retyped", "revalued", "exception"}) {
        SCOPED_TRACE(how);
        const bool echoed = !*how;
        if (echoed) start({});
        else start({"--bad-reply", how});
        for (const SessionSettings& settings : {sim_.settings(), V3(sim_)}) {
            SCOPED_TRACE("version " + settings.SnmpVersion);
            for (const Write& w : writes) {
                SCOPED_TRACE(w.oid);
                CCommonSnmp session(settings);
                ASSERT_TRUE(session.Open(SNMP_PDU_SET_T));
                ASSERT_EQ(0, session.AddValue(w.oid.c_str(), w.type, w.value.c_str()));
                CSnmp* reply = reinterpret_cast<CSnmp*>(1);
                const int rc = session.Send(&reply, 0);
                std::unique_ptr<CSnmp> owned(rc == 0 ? reply : nullptr);
                if (echoed) {
                    EXPECT_EQ(0, rc) << session.LastFailureText();
                    continue;
                }
                EXPECT_EQ(-1, rc);
                EXPECT_EQ(nullptr, reply);
                EXPECT_EQ(SnmpFailure::NotEchoed, session.LastFailure());
                EXPECT_EQ("the switch's reply does not match the request", session.LastFailureText());
            }
        }
        const ToolRun run = RunTool(sim_.hostLine(), "set " + writes[0].tool);
        EXPECT_EQ(echoed ? 0 : 1, run.code) << run.err;
        EXPECT_EQ(!echoed, run.err.find("the switch's reply does not match the request") != std::string::npos) << run.err;
    }
}

// A get-next that returns the asked OID again: a failed walk with the rows so far, never an
// end of the table; the tool says so and exits non-zero.
TEST_F(HostileAgent, RepeatedOidFailsTheWalk) {
    start({"--loop-at", kIfIndex + ".3"});
    CCommonSnmp session(sim_.settings());
    std::vector<std::string> rows;
    EXPECT_EQ(CSnmp4w::EC_FAILED, walk(session, rows));
    EXPECT_EQ(3u, rows.size());
    EXPECT_EQ(SnmpFailure::NotIncreasing, session.LastFailure());

    const ToolRun run = RunTool(sim_.hostLine(), "walk " + kIfIndex);
    EXPECT_EQ(1, run.code);
    EXPECT_EQ(3u, Lines(run.out)) << run.out;
    EXPECT_NE(std::string::npos, run.err.find("OID not increasing")) << run.err;
}

// The row bound of the shared walk: a table longer than its bound ends as a failed walk after
// exactly that many rows, the rows kept; a table that fits ends normally.
TEST_F(HostileAgent, WalkBeyondItsRowBoundFails) {
    start({});
    CCommonSnmp session(sim_.settings());
    for (size_t bound : {size_t{4}, size_t{11}, size_t{12}}) {
        SCOPED_TRACE(bound);
        std::vector<std::string> rows;
        CTableWalk w(session);
        const int end = walk(session, rows, bound, &w);
        // The 10p has 11 interfaces (ten ports and the CPU).
        EXPECT_EQ(bound < 11 ? CSnmp4w::EC_FAILED : CSnmp4w::EC_END_OF_TABLE, end);
        EXPECT_EQ(std::min<size_t>(bound, 11), rows.size());
        EXPECT_EQ(bound < 11, w.ReachedBound());
        EXPECT_TRUE(session.WaitDone(0));
    }
}

// Failures say what happened: no answer, a host name that does not resolve, a deadline.
TEST_F(HostileAgent, FailureTextsSayWhatHappened) {
    start({"--drop-prefix", "1.3.6.1.2.1.1"});
    SessionSettings settings = sim_.settings();
    settings.TimeoutMs = "300";
    for (const auto& [host, expected] : std::vector<std::pair<std::string, std::string>>{
             {"127.0.0.1", "no answer (time-out)"},
             {"no-such-host.invalid", "could not be resolved"}}) {
        settings.DeviceAddress = host;
        CCommonSnmp session(settings);
        ASSERT_TRUE(session.Open(SNMP_PDU_GET_T));
        session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
        CSnmp* reply = nullptr;
        EXPECT_EQ(-1, session.Send(&reply, 0));
        EXPECT_NE(std::string::npos, session.LastFailureText().find(expected)) << session.LastFailureText();
    }
    // A walk too slow for the tool's deadline stops there, with the rows so far printed.
    sim_.stop();
    start({"--delay-ms", "400"});
    const auto begin = std::chrono::steady_clock::now();
    const ToolRun run = RunTool(sim_.hostLine(), "walk --deadline 1 " + kIfIndex);
    EXPECT_LT(std::chrono::steady_clock::now() - begin, 5s);
    EXPECT_EQ(1, run.code);
    EXPECT_GE(Lines(run.out), 1u);
    EXPECT_LE(Lines(run.out), 3u);
    EXPECT_NE(std::string::npos, run.err.find("did not end within 1 s")) << run.err;
    // Killed in the middle of a walk, the tool has already written the rows it received.
    const ToolRun killed = RunTool(sim_.hostLine(), "walk " + kIfIndex, "timeout -s KILL 1.5 ");
    EXPECT_NE(0, killed.code);
    EXPECT_GE(Lines(killed.out), 1u);
    EXPECT_LT(Lines(killed.out), 11u);
}

}  // namespace

namespace {

int GetSysName(CCommonSnmp& session, std::string* name = nullptr) {
    if (!session.Open(SNMP_PDU_GET_T)) return -100;
    session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    const int rc = session.Send(&reply, 0);
    if (rc == 0 && name) *name = ReadReplyRow(*reply).text(0);
    delete reply;
    return rc;
}

}  // namespace

// SNMPv3: a session opened while the switch reboots fails, but the sessions of the same user
// that were open before keep working once the switch is back, and the new one recovers too,
// each by itself.
TEST_F(HostileAgent, FailedV3OpenLeavesOtherSessionsWorking) {
    start({"--reboot-seconds", "4"});  // longer than a failed open and a failed get, with their retries
    SessionSettings settings = V3(sim_);
    settings.TimeoutMs = "400";
    CCommonSnmp early(settings), poller(settings);
    std::string name;
    ASSERT_EQ(0, GetSysName(early, &name)) << early.LastFailureText();
    EXPECT_EQ("Corvex-10P", name);
    ASSERT_EQ(0, GetSysName(poller)) << poller.LastFailureText();

    ASSERT_TRUE(early.Open(SNMP_PDU_SET_T));
    early.AddValue("1.3.6.1.4.1.171.10.76.12.1.9.0", SNMP_T_INTEGER, "1");
    CSnmp* reply = nullptr;
    early.Send(&reply, 0);  // the switch may go silent before it answers
    delete reply;
    const auto rebooted = std::chrono::steady_clock::now();

    // While it reboots: a new session cannot learn the engine, and nothing answers.
    CCommonSnmp late(settings);
    EXPECT_EQ(-1, GetSysName(late));
    EXPECT_EQ(SnmpFailure::NoAnswer, late.LastFailure()) << late.LastFailureText();
    EXPECT_EQ(-1, GetSysName(poller));

    // Back again: every session answers without being opened anew.
    std::this_thread::sleep_until(rebooted + 4500ms);
    sim_.clearLog();
    EXPECT_EQ(0, GetSysName(poller)) << poller.LastFailureText();
    EXPECT_EQ(0, GetSysName(early)) << early.LastFailureText();
    EXPECT_EQ(0, GetSysName(late)) << late.LastFailureText();
    size_t gets = 0;
    for (const auto& r : sim_.requests()) gets += r.pdu == "get" && r.level == "authPriv";
    EXPECT_GE(gets, 3u);
}

// A session without a user name sends nothing (Net-SNMP would take its shared default user for
// it), and leaves the sessions of real users working.
TEST_F(HostileAgent, V3SessionWithoutUserSendsNothing) {
    start({});
    SessionSettings nameless = V3(sim_);
    nameless.UserName.clear();
    CCommonSnmp named(V3(sim_)), unnamed(nameless);
    ASSERT_EQ(0, GetSysName(named)) << named.LastFailureText();
    sim_.clearLog();
    EXPECT_EQ(-1, GetSysName(unnamed));
    EXPECT_EQ(SnmpFailure::NotSent, unnamed.LastFailure()) << unnamed.LastFailureText();
    EXPECT_TRUE(sim_.requests().empty());
    EXPECT_EQ(0, GetSysName(named)) << named.LastFailureText();
}

namespace {

// UI services that record each wait of the UI thread and "paint" meanwhile: the work runs on
// another thread while this one keeps ticking.
class PaintingUi : public platform::HeadlessUi {
public:
    void waitRepainting(const std::function<void()>& work) override {
        ++waits;
        std::atomic<bool> done{false};
        std::thread helper([&] {
            work();
            done = true;
        });
        while (!done) {
            ++paints;
            std::this_thread::sleep_for(5ms);
        }
        helper.join();
    }
    std::atomic<int> waits{0};
    int paints = 0;
};

// A long walk is listed by `ps` while it runs: the tool's argument memory no longer holds the
// communities of its launch line, while the rest of the line stays readable.
TEST_F(HostileAgent, ToolKeepsTheLaunchLineSecretsOutOfProcessListings) {
    start({"--delay-ms", "200"});
    const char* dir = std::getenv("CORVEX_BUILD_DIR");
    const std::string tool = std::string(dir ? dir : "build") + "/tools/corvex-snmp/corvex-snmp";
    const std::string line = sim_.hostLine(), column = kIfIndex;
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        std::freopen("/dev/null", "w", stdout);
        execl(tool.c_str(), tool.c_str(), line.c_str(), "walk", column.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    std::string shown;
    for (int i = 0; i < 50 && shown.find("walk") == std::string::npos; ++i) {
        std::this_thread::sleep_for(50ms);
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
        shown.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::this_thread::sleep_for(300ms);  // well after the tool has read its line
    {
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
        shown.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    std::replace(shown.begin(), shown.end(), '\0', ' ');
    EXPECT_NE(shown.find("/I127.0.0.1/"), std::string::npos) << shown;
    EXPECT_NE(shown.find("walk " + column), std::string::npos) << shown;
    EXPECT_EQ(shown.find(sim_.settings().ReadCommunity), std::string::npos) << shown;
    EXPECT_EQ(shown.find(sim_.settings().WriteCommunity), std::string::npos) << shown;
}

}  // namespace

// A switch that never answers: closing or destroying a session whose walk step waits returns at
// once and drops the step; a synchronous request of the UI thread waits through the UI services
// (the window paints meanwhile), one of another thread does not; and a v3 session that probes
// the silent switch holds up no other session.
TEST_F(HostileAgent, SilentSwitchNeverHoldsUpTheWindowOrOtherSessions) {
    PaintingUi painting;
    platform::setUi(&painting);
    start({"--silent-after", "0"});
    SessionSettings settings = sim_.settings();
    settings.TimeoutMs = "8000";
    for (bool destroy : {false, true}) {
        SCOPED_TRACE(destroy ? "destroyed" : "closed");
        auto session = std::make_unique<CCommonSnmp>(settings);
        CTableWalk walk(*session);
        bool touched = false;
        ASSERT_TRUE(walk.Start({kIfIndex}, [&](const ReplyRow&, CSnmp&) { return touched = true; },
                               [&](int) { touched = true; }));
        std::this_thread::sleep_for(200ms);  // the step is out
        const auto begin = std::chrono::steady_clock::now();
        if (destroy) session.reset();
        else session->Close();
        EXPECT_LT(std::chrono::steady_clock::now() - begin, 2s);  // not the step's 8 s
        painting.runFor(100ms);
        EXPECT_FALSE(touched);
    }

    settings.TimeoutMs = "500";
    CCommonSnmp sync(settings);
    EXPECT_EQ(-1, GetSysName(sync));
    EXPECT_EQ(1, painting.waits.load());
    EXPECT_GT(painting.paints, 10);
    std::thread([&] { EXPECT_EQ(-1, GetSysName(sync)); }).join();
    EXPECT_EQ(1, painting.waits.load());

    // The v3 engine probe waits for the silent switch; meanwhile another session gets through.
    corvex::test::SimDevice live;
    std::string error;
    ASSERT_TRUE(live.start("10p", {}, &error)) << error;
    SessionSettings probing = V3(sim_);
    probing.TimeoutMs = "3000";
    CCommonSnmp v3(probing), v1(live.settings());
    std::thread prober([&] { EXPECT_EQ(-1, GetSysName(v3)); });
    std::this_thread::sleep_for(200ms);
    std::chrono::steady_clock::duration took{};
    std::thread([&] {
        const auto begin = std::chrono::steady_clock::now();
        EXPECT_EQ(0, GetSysName(v1)) << v1.LastFailureText();
        took = std::chrono::steady_clock::now() - begin;
    }).join();
    prober.join();
    EXPECT_LT(took, 1500ms);  // not held until the probe's 3 s are over
    platform::setUi(&ui_);
}
