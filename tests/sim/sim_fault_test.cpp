// Behaviour over time and on demand: faults, request log, reboot, transfers, SNMPv3.
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>

#include "sim/sim_fixture.h"

using namespace simtest;

namespace {
const std::string P = ".1.3.6.1.4.1.171.10.76.12";

std::string tempPath(const std::string& tag) {
    return "/tmp/corvex-sim-test-" + tag + "-" + std::to_string(getpid()) + ".log";
}

long long msSince(std::chrono::steady_clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t).count();
}

bool timedOut(const CmdResult& r) { return r.code != 0 && r.out.find("Timeout") != std::string::npos; }

// The distinct values a transfer status takes, polled until it ends (1 success, 2 failure) or 30 s pass.
std::vector<std::string> statusSequence(const Sim& sim, const std::string& oid) {
    std::vector<std::string> seen;
    auto start = std::chrono::steady_clock::now();
    while (msSince(start) < 30000) {
        std::string v = sim.value(oid);
        if (!v.empty() && (seen.empty() || seen.back() != v)) seen.push_back(v);
        if (v == "1" || v == "2") break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return seen;
}
}  // namespace

TEST(SimFault, DropPrefixSilencesOnlyThatSubtree) {
    Sim sim({"--drop-prefix", "1.3.6.1.4.1.171.10.76.12.22"});
    EXPECT_TRUE(timedOut(sim.tool("snmpget", "-v2c -c qorvin", P + ".22.8.0", 1)));
    EXPECT_TRUE(timedOut(sim.tool("snmpgetnext", "-v2c -c qorvin", P + ".21.9", 1)));  // a get-next landing in it
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.1.5.0"), "\"Corvex-10P\"");
    EXPECT_EQ(sim.value(P + ".1.13.1.7.1"), "1");
}

TEST(SimFault, DelayHoldsEveryReply) {
    Sim sim({"--delay-ms", "300"});
    auto t = std::chrono::steady_clock::now();
    EXPECT_NE(sim.tool("snmpget", "-v2c -c qorvin", ".1.3.6.1.2.1.1.5.0", 10).out.find("Corvex-10P"),
              std::string::npos);
    EXPECT_GE(msSince(t), 300);
    // Two clients at once are both answered, neither earlier than the delay (generous time-outs: a
    // loaded machine may take its time, only the lower bound is the agent's doing).
    auto timedGet = [&](const std::string& oid, CmdResult& r, long long& ms) {
        auto t0 = std::chrono::steady_clock::now();
        r = sim.tool("snmpget", "-v2c -c qorvin", oid, 10);
        ms = msSince(t0);
    };
    CmdResult first, second;
    long long firstMs = 0, secondMs = 0;
    std::thread other([&] { timedGet(".1.3.6.1.2.1.1.6.0", second, secondMs); });
    timedGet(".1.3.6.1.2.1.1.4.0", first, firstMs);
    other.join();
    EXPECT_EQ(first.code, 0) << first.out;
    EXPECT_EQ(second.code, 0) << second.out;
    EXPECT_NE(first.out.find(".1.3.6.1.2.1.1.4.0 = STRING"), std::string::npos) << first.out;
    EXPECT_NE(second.out.find(".1.3.6.1.2.1.1.6.0 = STRING"), std::string::npos) << second.out;
    EXPECT_GE(firstMs, 300);
    EXPECT_GE(secondMs, 300);
}

// A reply still waiting out its delay when SIGTERM comes is dropped with the rest of the agent's
// state: the exit is clean, under a sanitizer build's leak check too.
TEST(SimFault, StopWithRepliesStillQueuedExitsCleanly) {
    const std::string log = tempPath("queued");
    std::remove(log.c_str());
    Sim sim({"--delay-ms", "600000", "--log", log});
    EXPECT_TRUE(timedOut(sim.tool("snmpget", "-v2c -c qorvin", ".1.3.6.1.2.1.1.5.0", 1)));
    // The agent logs a request and queues its reply in one go: once the line is there, so is the reply.
    for (int i = 0; i < 500 && readFile(log).find("\"pdu\":\"get\"") == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    ASSERT_NE(readFile(log).find("\"pdu\":\"get\""), std::string::npos);
    EXPECT_EQ(sim.stop(), 0);
    std::remove(log.c_str());
}

TEST(SimFault, SetErrorAnswersSetsUnderThePrefix) {
    Sim sim({"--set-error", "1.3.6.1.4.1.171.10.76.12.7:genErr", "--set-error", "1.3.6.1.2.1.1.6:6"});
    auto r = sim.set(P + ".7.5.0 i 1");
    EXPECT_NE(r.out.find("genErr"), std::string::npos) << r.out;
    EXPECT_NE(sim.set(".1.3.6.1.2.1.1.6.0 s x").out.find("noAccess"), std::string::npos);
    EXPECT_EQ(sim.value(P + ".7.5.0"), "2");
    EXPECT_EQ(sim.set(".1.3.6.1.2.1.1.5.0 s fine").code, 0);
}

TEST(SimFault, LoopAtReturnsANonIncreasingOid) {
    Sim sim({"--loop-at", "1.3.6.1.2.1.2.2.1.8.3"});
    auto r = sim.walk(".1.3.6.1.2.1.2.2.1.8");
    EXPECT_NE(r.out.find("OID not increasing"), std::string::npos) << r.out;
    auto l = lines(r.out);
    ASSERT_GE(l.size(), 3u);
    EXPECT_EQ(l[2].substr(0, l[2].find(' ')), ".1.3.6.1.2.1.2.2.1.8.3");
}

TEST(SimFault, SilentAfterAnswersOnlyTheFirstRequests) {
    Sim sim({"--silent-after", "2"});
    EXPECT_FALSE(sim.value(".1.3.6.1.2.1.1.5.0").empty());
    EXPECT_FALSE(sim.value(".1.3.6.1.2.1.1.5.0").empty());
    EXPECT_TRUE(timedOut(sim.tool("snmpget", "-v2c -c qorvin", ".1.3.6.1.2.1.1.5.0", 1)));
    EXPECT_TRUE(sim.alive());
}

TEST(SimFault, LogRecordsEveryRequestExactly) {
    std::string log = tempPath("log");
    std::remove(log.c_str());
    {
        Sim sim({"--log", log});
        sim.get(".1.3.6.1.2.1.1.5.0 .1.3.6.1.2.1.1.3.0", "-v1 -c qorvin");
        sim.set(P + ".7.6.1.2.1 x ffc00000 " + P + ".7.7.1.1.2 u 1");
        sim.tool("snmpgetnext", "-v2c -c qorvin", ".1.3.6.1.2.1.2.2.1.8");
        sim.get(".1.3.6.1.2.1.1.5.0", "-v2c -c wrong");
    }
    auto l = lines(readFile(log));
    ASSERT_EQ(l.size(), 4u) << readFile(log);
    auto field = [](const std::string& line, const std::string& f) {
        return line.find(f) != std::string::npos;
    };
    EXPECT_TRUE(field(l[0], "\"seq\":1,\"time\":\"")) << l[0];
    EXPECT_TRUE(field(l[0], "\"version\":\"1\",\"community\":\"qorvin\",\"pdu\":\"get\",\"request_id\":")) << l[0];
    EXPECT_TRUE(field(l[0], "\"bindings\":[{\"oid\":\"1.3.6.1.2.1.1.5.0\",\"type\":\"NULL\",\"value\":null},"
                            "{\"oid\":\"1.3.6.1.2.1.1.3.0\",\"type\":\"NULL\",\"value\":null}]}"))
        << l[0];
    EXPECT_TRUE(field(l[1], "\"version\":\"2c\",\"community\":\"tessmar\",\"pdu\":\"set\"")) << l[1];
    EXPECT_TRUE(field(l[1], "{\"oid\":\"1.3.6.1.4.1.171.10.76.12.7.6.1.2.1\",\"type\":\"OCTET STRING\",\"value\":"
                            "\"ffc00000\"},{\"oid\":\"1.3.6.1.4.1.171.10.76.12.7.7.1.1.2\",\"type\":\"Gauge32\","
                            "\"value\":1}]}"))
        << l[1];
    EXPECT_TRUE(field(l[2], "\"pdu\":\"getnext\"")) << l[2];
    EXPECT_TRUE(field(l[3], "\"community\":\"wrong\"")) << l[3];  // logged although refused
    std::remove(log.c_str());
}

TEST(SimFault, RebootGoesSilentAndKeepsOnlyWhatWasSaved) {
    Sim sim({"--reboot-seconds", "3"});
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // an uptime that kept running is ahead by this
    ASSERT_EQ(sim.set(".1.3.6.1.2.1.1.5.0 s saved-name").code, 0);
    ASSERT_EQ(sim.set(P + ".1.10.0 i 1").code, 0);
    EXPECT_EQ(sim.value(P + ".1.10.0"), "2");
    ASSERT_EQ(sim.set(".1.3.6.1.2.1.1.5.0 s unsaved-name " + P + ".7.6.1.5.30 i 4").code, 0);
    auto requested = std::chrono::steady_clock::now();
    ASSERT_EQ(sim.set(P + ".1.9.0 i 1").code, 0);  // the reboot request itself is answered
    EXPECT_TRUE(timedOut(sim.tool("snmpget", "-v2c -c qorvin", ".1.3.6.1.2.1.1.5.0", 1)));
    // Back within a generous bound; until then every request goes unanswered.
    std::string name;
    for (int i = 0; i < 20 && name.empty(); ++i) name = sim.value(".1.3.6.1.2.1.1.5.0");
    EXPECT_EQ(name, "\"saved-name\"");
    EXPECT_NE(sim.get(P + ".7.6.1.5.30").out.find("No Such Instance"), std::string::npos);
    // The uptime restarted with the reboot: it is below the time since the request, which a clock
    // that kept running could not be (the agent ran half a second before the request).
    long long up = std::stoll(run("snmpget -Oqvt -t 3 -r 0 -v2c -c qorvin " + sim.target() + " .1.3.6.1.2.1.1.3.0").out);
    EXPECT_LE(up * 10, msSince(requested));
}

TEST(SimFault, TransferRunsTheStatusMachine) {
    Sim sim({"--transfer-ms", "2000", "--fail-file", "broken.bin"});
    std::string cfg = P + ".3";
    EXPECT_EQ(sim.value(cfg + ".8.0"), "4");
    EXPECT_NE(sim.set(cfg + ".7.0 i 2").out.find("inconsistentValue"), std::string::npos);  // no server, no file
    ASSERT_EQ(sim.set(cfg + ".5.0 a 10.90.90.1 " + cfg + ".6.0 s backup.cfg").code, 0);
    ASSERT_EQ(sim.set(cfg + ".7.0 i 2").code, 0);
    EXPECT_NE(sim.set(cfg + ".7.0 i 2").out.find("inconsistentValue"), std::string::npos);  // busy
    // Not started, in progress, success: in that order, each state seen at most once in a row.
    std::vector<std::string> seen = statusSequence(sim, cfg + ".8.0");
    EXPECT_EQ(seen, (std::vector<std::string>{"4", "3", "1"}));
    // Firmware with the failing file name ends in failure.
    ASSERT_EQ(sim.set(cfg + ".1.0 a 10.90.90.1 " + cfg + ".2.0 s broken.bin " + cfg + ".3.0 i 1").code, 0);
    seen = statusSequence(sim, cfg + ".4.0");
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), "2");
}

TEST(SimFault, SilentTransferStopsAnsweringTransferObjects) {
    Sim sim({"--transfer-silent"});
    std::string cfg = P + ".3";
    ASSERT_EQ(sim.set(cfg + ".1.0 a 10.90.90.1 " + cfg + ".2.0 s fw.hex " + cfg + ".3.0 i 1").code, 0);
    EXPECT_TRUE(timedOut(sim.tool("snmpget", "-v2c -c qorvin", cfg + ".4.0", 1)));
    EXPECT_FALSE(sim.value(".1.3.6.1.2.1.1.5.0").empty());
}

TEST(SimFault, SnmpV3UsersAuthenticateAndEncrypt) {
    Sim sim({"--user", "admin:SHA:authpass1:DES:privpass1", "--user", "viewer:MD5:md5pass99"});
    std::string priv = "-v3 -u admin -l authPriv -a SHA -A authpass1 -x DES -X privpass1";
    EXPECT_NE(sim.get(".1.3.6.1.2.1.1.5.0", priv).out.find("Corvex-10P"), std::string::npos);
    EXPECT_EQ(sim.set(".1.3.6.1.2.1.1.5.0 s v3-name", priv).code, 0);
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.1.5.0"), "\"v3-name\"");
    EXPECT_NE(sim.get(".1.3.6.1.2.1.1.5.0", "-v3 -u viewer -l authNoPriv -a MD5 -A md5pass99").out.find("v3-name"),
              std::string::npos);
    EXPECT_NE(sim.get(".1.3.6.1.2.1.1.5.0", "-v3 -u admin -l authPriv -a SHA -A wrongpass1 -x DES -X privpass1").code,
              0);
    // The privacy user may not fall back to authentication only.
    EXPECT_NE(sim.get(".1.3.6.1.2.1.1.5.0", "-v3 -u admin -l authNoPriv -a SHA -A authpass1").out.find(
                  "authorizationError"),
              std::string::npos);
}

TEST(SimFault, GarbageDatagramsDoNotHurtTheAgent) {
    Sim sim;
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<uint16_t>(sim.port()));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const unsigned char junk[][12] = {{0x30, 0x82, 0xff, 0xff, 0x02}, {0x30, 0x03, 0x02, 0x01, 0x05, 0xa0},
                                      {0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff}};
    for (auto& j : junk) sendto(fd, j, sizeof j, 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    sendto(fd, "", 0, 0, reinterpret_cast<sockaddr*>(&a), sizeof a);
    close(fd);
    EXPECT_EQ(sim.value(".1.3.6.1.2.1.1.5.0"), "\"Corvex-10P\"");
    // Odd but valid requests: an empty OID tail, a very long OID, a get-next past the end.
    EXPECT_NE(sim.get(P + ".1.2.3.4.5.6.7.8.9.10.11.12.13.14.15.16.17.18.19.20.21.22.23.24.25.26.27.28").out.find("No Such"),
              std::string::npos);
    EXPECT_NE(sim.tool("snmpgetnext", "-v2c -c qorvin", ".1.5").out.find("No more variables"), std::string::npos);
    EXPECT_EQ(sim.stop(), 0);
}

// The switch keeps its secrets: pass phrases and the RADIUS key read back empty, the community
// and trap-host tables are seen only with write access (the read-write community or an SNMPv3
// user), and the request log, which records every community received, is readable by its owner
// only.
TEST(SimFault, SecretsAreNeverReadBackAndTheLogIsPrivate) {
    const std::string log = tempPath("secrets");
    std::remove(log.c_str());
    Sim sim({"--user", "admin:SHA:authpass1:DES:privpass1", "--log", log});
    const std::string user = P + ".25.2.1.1", readOnly1 = ".8.82.101.97.100.79.110.108.121.1";
    ASSERT_EQ(sim.set(user + ".5" + readOnly1 + " s authphrase1 " + user + ".7" + readOnly1 + " s privphrase1").code, 0);
    const std::string v3 = "-v3 -u admin -l authPriv -a SHA -A authpass1 -x DES -X privpass1";
    const std::string rw = "-v2c -c tessmar", ro = "-v2c -c qorvin", v1ro = "-v1 -c qorvin";
    for (const std::string& auth : {rw, ro, v3}) {
        const CmdResult r = sim.walk(user, auth);
        EXPECT_EQ(r.out.find("phrase1"), std::string::npos) << auth << "\n" << r.out;
        EXPECT_NE(r.out.find(user + ".5" + readOnly1 + " = \"\""), std::string::npos) << auth << "\n" << r.out;
        EXPECT_NE(sim.get(user + ".7" + readOnly1, auth).out.find(" = \"\""), std::string::npos) << auth;
    }
    const std::string community = P + ".25.5.1.1", tessmar = ".7.116.101.115.115.109.97.114";
    struct Reader {
        std::string auth;
        bool sees;
    };
    for (const Reader& reader : {Reader{rw, true}, Reader{v3, true}, Reader{ro, false}, Reader{v1ro, false}}) {
        const CmdResult walked = sim.walk(community, reader.auth);
        const CmdResult got = sim.get(community + ".1" + tessmar, reader.auth);
        EXPECT_EQ(walked.out.find("tessmar") != std::string::npos, reader.sees) << reader.auth << "\n" << walked.out;
        EXPECT_EQ(got.out.find("tessmar") != std::string::npos, reader.sees) << reader.auth << "\n" << got.out;
        // Without write access no instance of the table shows, not even its row states.
        if (!reader.sees) {
            EXPECT_EQ(walked.out.find(community + "."), std::string::npos) << walked.out;
        }
    }
    // The RADIUS key is taken, and reads back empty for everyone, by get and get-next alike.
    const std::string radiusKey = P + ".11.1.2.0";
    ASSERT_EQ(sim.set(radiusKey + " s sharedkey9").code, 0);
    for (const std::string& auth : {rw, ro, v3, v1ro}) {
        const CmdResult got = sim.get(radiusKey, auth);
        const CmdResult next = sim.tool("snmpgetnext", auth, P + ".11.1.1.0");
        EXPECT_NE(got.out.find(radiusKey + " = \"\""), std::string::npos) << auth << "\n" << got.out;
        EXPECT_NE(next.out.find(radiusKey + " = \"\""), std::string::npos) << auth << "\n" << next.out;
        EXPECT_EQ((got.out + next.out).find("sharedkey9"), std::string::npos) << auth;
    }
    // A trap host set up with the write community: only readers with write access see the table.
    const std::string host = P + ".25.6.1.1", at = ".10.1.1.7";
    ASSERT_EQ(sim.set(host + ".4" + at + " i 5 " + host + ".2" + at + " s tessmar " + host + ".4" + at + " i 1").code, 0);
    for (const Reader& reader : {Reader{rw, true}, Reader{v3, true}, Reader{ro, false}, Reader{v1ro, false}}) {
        const CmdResult walked = sim.walk(host, reader.auth);
        const CmdResult got = sim.get(host + ".2" + at, reader.auth);
        EXPECT_EQ(walked.out.find("tessmar") != std::string::npos, reader.sees) << reader.auth << "\n" << walked.out;
        EXPECT_EQ(got.out.find("tessmar") != std::string::npos, reader.sees) << reader.auth << "\n" << got.out;
        if (!reader.sees) {
            EXPECT_EQ(walked.out.find(host + "."), std::string::npos) << walked.out;
        }
    }
    struct stat st {};
    ASSERT_EQ(stat(log.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    sim.stop();
    std::remove(log.c_str());
}

// A reply that would not fit into one UDP datagram is answered with tooBig (no bindings), for a
// get-next as for a get; each value alone still fits.
TEST(SimFault, ReplyBeyondTheLargestDatagramIsTooBig) {
    const std::string state = tempPath("toobig");
    {
        std::ofstream out(state);
        const std::string big(40000, 'a');
        out << "1.3.6.1.2.1.1.1.0 s " << big << "\n1.3.6.1.2.1.1.4.0 s " << big << "\n";
    }
    Sim sim({"--state", state, "--user", "admin:MD5:authpass1:DES:privpass1"});
    const std::string v3 = "-v3 -l authPriv -u admin -a MD5 -A authpass1 -x DES -X privpass1";
    for (const std::string& auth : {std::string("-v1 -c qorvin"), std::string("-v2c -c qorvin"), v3}) {
        SCOPED_TRACE(auth);
        const CmdResult next = sim.tool("snmpgetnext", auth, ".1.3.6.1.2.1.1 .1.3.6.1.2.1.1.3.0");
        EXPECT_NE(next.out.find("tooBig"), std::string::npos) << next.out;
        const CmdResult get = sim.tool("snmpget", auth, ".1.3.6.1.2.1.1.1.0 .1.3.6.1.2.1.1.4.0");
        EXPECT_NE(get.out.find("tooBig"), std::string::npos) << get.out;
        const CmdResult one = sim.tool("snmpgetnext", auth, ".1.3.6.1.2.1.1.3.0");
        EXPECT_EQ(one.code, 0) << one.out;
        EXPECT_NE(one.out.find(".1.3.6.1.2.1.1.4.0 = STRING: \"aaaa"), std::string::npos);
    }
    std::remove(state.c_str());
}
