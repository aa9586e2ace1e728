// The SNMP layer end to end against Debian's snmpd: v1 and v3 requests, walks through the
// session object, failures that must stay bounded, and several sessions at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <map>
#include <thread>

#include "platform/headless_ui.h"
#include "snmp/common_snmp.h"
#include "snmp/snmp_transport.h"
#include "support/snmpd_fixture.h"

namespace {

using corvex::test::SnmpdAccounts;
using Clock = std::chrono::steady_clock;

constexpr const char* kSysDescr = "1.3.6.1.2.1.1.1.0";
constexpr const char* kSysLocation = "1.3.6.1.2.1.1.6.0";
constexpr const char* kIfDescr = "1.3.6.1.2.1.2.2.1.2";
constexpr const char* kIfType = "1.3.6.1.2.1.2.2.1.3";
constexpr const char* kMib2 = "1.3.6.1.2.1";

struct Row {
    std::string suffix;
    std::vector<std::string> values;
    bool operator==(const Row&) const = default;
};

// A walk as every feature writes its callback.
struct Walk {
    CCommonSnmp* session = nullptr;
    int columns = 1;
    std::vector<Row> rows;
    int endStatus = 1;
    bool ended = false;
    int stale = 0;
    std::atomic<int> calls{0};
    int stopAfter = -1;  // rows after which the callback stops asking

    static unsigned Callback(CSnmp* reply, int id, void* param, int status) {
        auto* w = static_cast<Walk*>(param);
        w->calls++;
        if (!w->session->FindRequestID(id)) {
            if (status == CSnmp4w::EC_NO_ERROR) delete reply;
            w->stale++;
            return 0;
        }
        if (status != CSnmp4w::EC_NO_ERROR) {
            w->ended = true;
            w->endStatus = status;
            w->session->SignalDone();
            return 0;
        }
        Row row;
        w->session->GetSuffix(0, reply, row.suffix);
        for (int i = 0; i < reply->getValuesCount(); ++i) {
            std::string oid, value;
            int type = 0;
            reply->getOid(i, oid);
            if (IsProxyMarker(oid)) continue;
            reply->getValue(i, type, value);
            row.values.push_back(value);
        }
        w->rows.push_back(row);
        delete reply;
        if (w->stopAfter >= 0 && static_cast<int>(w->rows.size()) >= w->stopAfter) return 0;
        w->session->GetNextAsync(&Walk::Callback, w, 0);
        return 0;
    }
};

class SnmpAgent : public corvex::test::SnmpdTest {
protected:
    void SetUp() override {
        SnmpdTest::SetUp();
        platform::setUi(&ui_);
    }
    void TearDown() override { platform::setUi(nullptr); }

    SessionSettings V1(const char* read = SnmpdAccounts::kReadCommunity,
                       const char* write = SnmpdAccounts::kWriteCommunity) const {
        SessionSettings s;
        s.DeviceAddress = "127.0.0.1";
        s.AgentPort = std::to_string(agent().port());
        s.ReadCommunity = read;
        s.WriteCommunity = write;
        s.TimeoutMs = "1000";
        return s;
    }
    SessionSettings V3(const char* user, const char* level, const char* auth, const char* priv,
                       const char* authPass = SnmpdAccounts::kAuthPass,
                       const char* privPass = SnmpdAccounts::kPrivPass) const {
        SessionSettings s = V1();
        s.SnmpVersion = "3";
        s.UserName = user;
        s.SecurityLevel = level;
        s.AuthProtocol = auth;
        s.PrivProtocol = priv;
        s.AuthPassword = authPass;
        s.PrivPassword = privPass;
        return s;
    }

    // Scalar read through a session; "" plus a failure when it did not work.
    static int Get(CCommonSnmp& session, const char* oid, std::string& value) {
        if (!session.Open(0)) return -100;
        if (session.AddValue(oid, SNMP_T_NULL, nullptr) != 0) return -101;
        CSnmp* reply = nullptr;
        int rc = session.Send(&reply, 0);
        if (rc != 0) return rc;
        int type = 0;
        reply->getValue(0, type, value);
        delete reply;
        return 0;
    }

    static int Set(CCommonSnmp& session, const char* oid, int type, const char* value) {
        if (!session.Open(3)) return -100;
        if (session.AddValue(oid, type, value) != 0) return -101;
        CSnmp* reply = nullptr;
        int rc = session.Send(&reply, 0);
        delete reply;
        return rc;
    }

    // Runs one walk through GetNextAsync, pumping the UI thread until it ends.
    bool RunWalk(CCommonSnmp& session, Walk& walk, const std::vector<const char*>& columns,
                 std::chrono::milliseconds limit = std::chrono::seconds(20)) {
        walk.session = &session;
        walk.columns = static_cast<int>(columns.size());
        if (!session.Open(1)) return false;
        for (const char* c : columns) {
            if (session.AddValue(c, SNMP_T_NULL, nullptr) != 0) return false;
        }
        if (session.GetNextAsync(&Walk::Callback, &walk, 0) != 0) return false;
        return ui_.runUntil([&] { return walk.ended; }, limit);
    }

    // The same walk with the synchronous step, as the poller thread does it.
    static std::vector<Row> SyncWalk(CCommonSnmp& session, const std::vector<const char*>& columns, int* endStatus) {
        std::vector<Row> rows;
        *endStatus = 1;
        if (!session.Open(1)) return rows;
        for (const char* c : columns) session.AddValue(c, SNMP_T_NULL, nullptr);
        for (int guard = 0; guard < 100000; ++guard) {
            CSnmp* reply = nullptr;
            int rc = session.GetNext(&reply, 0);
            if (rc != 0) {
                *endStatus = rc;
                break;
            }
            Row row;
            session.GetSuffix(0, reply, row.suffix);
            for (int i = 0; i < reply->getValuesCount(); ++i) {
                std::string value;
                int type = 0;
                reply->getValue(i, type, value);
                row.values.push_back(value);
            }
            rows.push_back(row);
            delete reply;
        }
        return rows;
    }

    platform::HeadlessUi ui_;
};

// Net-SNMP's own snmpwalk as the reference for what the agent holds.
std::map<std::string, std::string> ReferenceWalk(const std::string& address, const char* column) {
    std::map<std::string, std::string> out;
    // Only the OIDs are compared to the reference; values are compared between our own walks.
    std::string cmd = std::string("snmpwalk -v1 -c public -On -Oq -m '' ") + address + " " + column + " 2>/dev/null";
    FILE* pipe = popen(cmd.c_str(), "r");
    if (!pipe) return out;
    char line[4096];
    while (fgets(line, sizeof line, pipe)) {
        std::string s(line);
        auto space = s.find(' ');
        std::string oid = s.substr(0, space);
        if (!oid.empty() && oid[0] == '.') oid.erase(0, 1);
        out[oid] = space == std::string::npos ? "" : s.substr(space + 1);
    }
    pclose(pipe);
    return out;
}

TEST_F(SnmpAgent, V1GetSetAndWalk) {
    CCommonSnmp session(V1());
    std::string descr;
    ASSERT_EQ(0, Get(session, kSysDescr, descr));
    EXPECT_FALSE(descr.empty());

    // A set goes out with the write community and reads back.
    ASSERT_EQ(0, Set(session, kSysLocation, SNMP_T_OCTETS, "rack 7"));
    std::string location;
    ASSERT_EQ(0, Get(session, kSysLocation, location));
    EXPECT_EQ("rack 7", location);

    // Two columns, row by row; the instance suffix is the interface index.
    Walk walk;
    ASSERT_TRUE(RunWalk(session, walk, {kIfDescr, kIfType}));
    EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, walk.endStatus);
    ASSERT_FALSE(walk.rows.empty());
    auto reference = ReferenceWalk(agent().address(), kIfDescr);
    ASSERT_EQ(reference.size(), walk.rows.size());
    for (const Row& row : walk.rows) {
        EXPECT_EQ(1u, reference.count(std::string(kIfDescr) + row.suffix)) << row.suffix;
        ASSERT_EQ(2u, row.values.size());
        EXPECT_FALSE(row.values[0].empty());
        EXPECT_NE("0", row.values[1]);  // ifType is a number > 0
    }
    EXPECT_EQ(".1", walk.rows.front().suffix);

    int end = 0;
    EXPECT_EQ(walk.rows, SyncWalk(session, {kIfDescr, kIfType}, &end));
    EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, end);
}

TEST_F(SnmpAgent, V1ReadOnlyCommunityCannotSetAndErrorIsReported) {
    // Writes with the read community are refused by the agent: a failure, not a success.
    CCommonSnmp session(V1(SnmpdAccounts::kReadCommunity, SnmpdAccounts::kReadCommunity));
    EXPECT_NE(0, Set(session, kSysLocation, SNMP_T_OCTETS, "nowhere"));
    // A wrong type for a writable object comes back as an error status.
    CCommonSnmp writer(V1());
    ASSERT_TRUE(writer.Open(3));
    ASSERT_EQ(0, writer.AddValue(kSysLocation, SNMP_T_INTEGER, "5"));
    CSnmp* reply = nullptr;
    EXPECT_GT(writer.Send(&reply, 0), 0);
    EXPECT_EQ(nullptr, reply);
    // A get of an object that does not exist fails under v1 (noSuchName).
    std::string value;
    EXPECT_NE(0, Get(writer, "1.3.6.1.2.1.1.99.0", value));
}

TEST_F(SnmpAgent, V1RowStatusRoutineSendsTheSet) {
    // No row-status object on this agent: the routine must report the agent's refusal.
    CCommonSnmp session(V1());
    EXPECT_EQ(0, session.SetRowStatus("1.3.6.1.2.1.1.6.0", "1"));
    EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(SnmpAgent, V3AllSecurityLevelsAndProtocols) {
    struct Case {
        const char* user;
        const char* level;
        const char* auth;
        const char* priv;
        bool canWrite;
    } cases[] = {
        {SnmpdAccounts::kUserNone, "1", "1", "1", false},
        {SnmpdAccounts::kUserMd5, "2", "2", "1", true},
        {SnmpdAccounts::kUserSha, "2", "3", "1", true},
        {SnmpdAccounts::kUserMd5Des, "3", "2", "2", true},
        {SnmpdAccounts::kUserShaDes, "3", "3", "2", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.user);
        CCommonSnmp session(V3(c.user, c.level, c.auth, c.priv));
        std::string descr;
        ASSERT_EQ(0, Get(session, kSysDescr, descr));
        EXPECT_FALSE(descr.empty());
        std::string text = std::string("set by ") + c.user;
        if (c.canWrite) {
            ASSERT_EQ(0, Set(session, kSysLocation, SNMP_T_OCTETS, text.c_str()));
            std::string back;
            ASSERT_EQ(0, Get(session, kSysLocation, back));
            EXPECT_EQ(text, back);
        } else {
            EXPECT_NE(0, Set(session, kSysLocation, SNMP_T_OCTETS, text.c_str()));
        }
        Walk walk;
        ASSERT_TRUE(RunWalk(session, walk, {kIfDescr}));
        EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, walk.endStatus);
        EXPECT_EQ(ReferenceWalk(agent().address(), kIfDescr).size(), walk.rows.size());
    }
}

TEST_F(SnmpAgent, V3PrivacyLevelWithoutPrivacyProtocolSendsAuthOnly) {
    // Level "3" with privacy protocol "1": authentication only. The auth-only user accepts it;
    // an authPriv message would be refused by this user's access entry... and with no privacy
    // pass phrase could not even be built.
    CCommonSnmp session(V3(SnmpdAccounts::kUserMd5, "3", "2", "1", SnmpdAccounts::kAuthPass, ""));
    std::string descr;
    EXPECT_EQ(0, Get(session, kSysDescr, descr));
}

TEST_F(SnmpAgent, WrongCredentialsFailWithinTheTimeOut) {
    auto bounded = [](auto fn) {
        auto start = Clock::now();
        fn();
        // Three tries of 1000 ms, one more for the privacy check of a silent authPriv request, and slack.
        return Clock::now() - start < std::chrono::milliseconds(1000 * (corvex::snmp::kReadTries + 1) + 1500);
    };
    std::string value;
    CCommonSnmp wrongCommunity(V1("nobody", "nobody"));
    EXPECT_TRUE(bounded([&] { EXPECT_NE(0, Get(wrongCommunity, kSysDescr, value)); }));
    EXPECT_TRUE(bounded([&] { EXPECT_NE(0, Set(wrongCommunity, kSysLocation, SNMP_T_OCTETS, "x")); }));

    // Debian's snmpd says what is wrong with SNMPv3 credentials, and the session says it too.
    CCommonSnmp wrongAuth(V3(SnmpdAccounts::kUserSha, "2", "3", "1", "wrongpass1"));
    EXPECT_TRUE(bounded([&] { EXPECT_NE(0, Get(wrongAuth, kSysDescr, value)); }));
    EXPECT_EQ(SnmpFailure::AuthFailed, wrongAuth.LastFailure()) << wrongAuth.LastFailureText();
    CCommonSnmp wrongPriv(V3(SnmpdAccounts::kUserMd5Des, "3", "2", "2", SnmpdAccounts::kAuthPass, "wrongpriv1"));
    EXPECT_TRUE(bounded([&] { EXPECT_NE(0, Get(wrongPriv, kSysDescr, value)); }));
    EXPECT_EQ(SnmpFailure::PrivacyFailed, wrongPriv.LastFailure()) << wrongPriv.LastFailureText();
    CCommonSnmp unknownUser(V3("nosuchuser", "2", "2", "1"));
    EXPECT_TRUE(bounded([&] { EXPECT_NE(0, Get(unknownUser, kSysDescr, value)); }));
    EXPECT_EQ(SnmpFailure::UnknownUser, unknownUser.LastFailure()) << unknownUser.LastFailureText();
    CCommonSnmp shortPass(V3(SnmpdAccounts::kUserMd5, "2", "2", "1", "short"));
    EXPECT_TRUE(bounded([&] { EXPECT_NE(0, Get(shortPass, kSysDescr, value)); }));

    // A walk with the wrong community ends with a failure status.
    Walk walk;
    EXPECT_TRUE(bounded([&] { ASSERT_TRUE(RunWalk(wrongCommunity, walk, {kIfDescr}, std::chrono::seconds(6))); }));
    EXPECT_EQ(CSnmp4w::EC_FAILED, walk.endStatus);
    EXPECT_TRUE(walk.rows.empty());
}

TEST_F(SnmpAgent, ClosedWalkDropsLateRepliesAndStartsNoFurtherStep) {
    CCommonSnmp session(V1());
    Walk walk;
    walk.session = &session;
    ASSERT_TRUE(session.Open(1));
    ASSERT_EQ(0, session.AddValue(kMib2, SNMP_T_NULL, nullptr));
    ASSERT_EQ(0, session.GetNextAsync(&Walk::Callback, &walk, 0));
    ASSERT_TRUE(ui_.runUntil([&] { return walk.rows.size() >= 3; }, std::chrono::seconds(5)));

    // The reply of the step that is now under way reaches the UI queue without being pumped.
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    int callsBefore = walk.calls;
    auto start = Clock::now();
    session.Close();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(500));  // nothing to wait for
    EXPECT_TRUE(session.IsCancelled());
    ui_.runFor(std::chrono::milliseconds(500));
    EXPECT_EQ(callsBefore, walk.calls.load());  // the late reply was dropped, not delivered
    EXPECT_FALSE(walk.ended);
    EXPECT_EQ(-1, session.GetNextAsync(&Walk::Callback, &walk, 0));  // a closed session refuses steps

    // Open clears the cancelled flag: the same member walks again.
    Walk again;
    ASSERT_TRUE(RunWalk(session, again, {kIfDescr}));
    EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, again.endStatus);
}

TEST_F(SnmpAgent, CloseWhileAStepIsInFlightDoesNotWaitForTheUiThread) {
    // The agent never answers this community: the step waits its whole time-out.
    CCommonSnmp session(V1("nobody"));
    Walk walk;
    walk.session = &session;
    ASSERT_TRUE(session.Open(1));
    ASSERT_EQ(0, session.AddValue(kIfDescr, SNMP_T_NULL, nullptr));
    ASSERT_EQ(0, session.GetNextAsync(&Walk::Callback, &walk, 0));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    auto start = Clock::now();
    session.Close();  // on the UI thread, which is not pumped meanwhile
    auto took = Clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(1800));  // the step's own time-out, not + 1000
    EXPECT_TRUE(session.WaitDone(0));
    ui_.runFor(std::chrono::milliseconds(200));
    EXPECT_EQ(0, walk.calls.load());
}

TEST_F(SnmpAgent, DestroyedSessionDropsQueuedDelivery) {
    Walk walk;
    {
        CCommonSnmp session(V1());
        walk.session = &session;
        ASSERT_TRUE(session.Open(1));
        ASSERT_EQ(0, session.AddValue(kIfDescr, SNMP_T_NULL, nullptr));
        ASSERT_EQ(0, session.GetNextAsync(&Walk::Callback, &walk, 0));
        std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the row waits in the UI queue
    }
    ui_.runFor(std::chrono::milliseconds(200));
    EXPECT_EQ(0, walk.calls.load());
}

TEST_F(SnmpAgent, WalkStepsFromAnotherThreadAreDeliveredOnTheUiThread) {
    // The poller starts walks from its own thread; rows still arrive on the UI thread, in order.
    CCommonSnmp session(V1());
    Walk walk;
    walk.session = &session;
    std::thread poller([&] {
        session.Open(1);
        session.AddValue(kIfDescr, SNMP_T_NULL, nullptr);
        session.GetNextAsync(&Walk::Callback, &walk, 0);
    });
    poller.join();
    ASSERT_TRUE(ui_.runUntil([&] { return walk.ended; }, std::chrono::seconds(10)));
    EXPECT_EQ(ReferenceWalk(agent().address(), kIfDescr).size(), walk.rows.size());
    for (std::size_t i = 1; i < walk.rows.size(); ++i) {
        EXPECT_LT(SnmpOidCompare(walk.rows[i - 1].suffix.substr(1), walk.rows[i].suffix.substr(1)), 0);
    }
}

// Several sessions at once, v1 and v3 authPriv, each on its own thread, plus a session to a
// device that never answers: results must equal a serial walk, and the silent device must not
// hold up the others.
TEST_F(SnmpAgent, ConcurrentSessionsWalkIndependently) {
    std::vector<SessionSettings> kinds = {
        V1(),
        V3(SnmpdAccounts::kUserShaDes, "3", "3", "2"),
        V3(SnmpdAccounts::kUserMd5Des, "3", "2", "2"),
        V1(),
    };
    const std::vector<const char*> columns = {kIfDescr, kIfType};
    int end = 0;
    CCommonSnmp reference(V1());
    const std::vector<Row> expected = SyncWalk(reference, columns, &end);
    ASSERT_FALSE(expected.empty());

    SessionSettings silent = V1();
    silent.AgentPort = std::to_string(corvex::test::FindFreeUdpPort());
    silent.TimeoutMs = "3000";
    std::atomic<bool> silentDone{false};
    std::thread slow([&] {
        CCommonSnmp session(silent);
        std::string value;
        EXPECT_NE(0, Get(session, kSysDescr, value));
        silentDone = true;
    });

    std::atomic<int> good{0};
    auto start = Clock::now();
    std::vector<std::thread> threads;
    for (const SessionSettings& s : kinds) {
        threads.emplace_back([&, s] {
            CCommonSnmp session(s);
            for (int round = 0; round < 5; ++round) {
                int status = 0;
                if (SyncWalk(session, columns, &status) == expected && status == CSnmp4w::EC_END_OF_TABLE) ++good;
            }
        });
    }
    for (auto& t : threads) t.join();
    auto took = Clock::now() - start;
    EXPECT_EQ(static_cast<int>(kinds.size()) * 5, good.load());
    EXPECT_FALSE(silentDone.load()) << "the other sessions waited for the silent device";
    EXPECT_LT(took, std::chrono::milliseconds(2500));
    slow.join();
    EXPECT_TRUE(silentDone.load());
}

// Walks through GetNextAsync on several sessions at once, all delivered to the one UI thread.
TEST_F(SnmpAgent, ConcurrentAsyncWalksKeepTheirRowsApart) {
    std::vector<std::unique_ptr<CCommonSnmp>> sessions;
    sessions.push_back(std::make_unique<CCommonSnmp>(V1()));
    sessions.push_back(std::make_unique<CCommonSnmp>(V3(SnmpdAccounts::kUserShaDes, "3", "3", "2")));
    sessions.push_back(std::make_unique<CCommonSnmp>(V3(SnmpdAccounts::kUserMd5, "2", "2", "1")));
    std::vector<Walk> walks(sessions.size());
    for (std::size_t i = 0; i < sessions.size(); ++i) {
        walks[i].session = sessions[i].get();
        ASSERT_TRUE(sessions[i]->Open(1));
        ASSERT_EQ(0, sessions[i]->AddValue(kIfDescr, SNMP_T_NULL, nullptr));
        ASSERT_EQ(0, sessions[i]->AddValue(kIfType, SNMP_T_NULL, nullptr));
        ASSERT_EQ(0, sessions[i]->GetNextAsync(&Walk::Callback, &walks[i], 0));
    }
    ASSERT_TRUE(ui_.runUntil([&] {
        for (auto& w : walks) if (!w.ended) return false;
        return true;
    }, std::chrono::seconds(20)));
    for (auto& w : walks) {
        EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, w.endStatus);
        EXPECT_EQ(walks[0].rows, w.rows);
        EXPECT_EQ(0, w.stale);
    }
}

}  // namespace
