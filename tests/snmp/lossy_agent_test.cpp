// Requests lost on the way, and agents that say no: reads are asked again and complete, a set is
// sent once, an SNMPv3 report says what is wrong with the credentials, and a get-next reply
// whose columns name different rows fails the walk.
#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <memory>

#include "platform/headless_ui.h"
#include "snmp/snmp_transport.h"
#include "snmp/table_walk.h"
#include "support/sim_fixture.h"

namespace {

using namespace std::chrono_literals;

const std::string kIfIndex = "1.3.6.1.2.1.2.2.1.1";
const std::string kIfDescr = "1.3.6.1.2.1.2.2.1.2";
const std::string kSysName = "1.3.6.1.2.1.1.5.0";
const std::string kSysContact = "1.3.6.1.2.1.1.4.0";

class LossyAgent : public ::testing::Test {
protected:
    void SetUp() override { platform::setUi(&ui_); }
    void start(std::vector<std::string> args) {
        args.insert(args.end(), {"--user", "admin:MD5:authpass1:DES:privpass1"});
        std::string error;
        ASSERT_TRUE(sim_.start("10p", args, &error)) << error;
    }
    SessionSettings quick(SessionSettings s) const {
        s.TimeoutMs = "400";
        return s;
    }
    SessionSettings v3(const std::string& user, const std::string& auth, const std::string& priv) const {
        SessionSettings s = quick(sim_.settings());
        s.SnmpVersion = "3";
        s.SecurityLevel = "3";
        s.UserName = user;
        s.AuthProtocol = "2";
        s.AuthPassword = auth;
        s.PrivProtocol = "2";
        s.PrivPassword = priv;
        return s;
    }
    // Walks ifIndex and ifDescr; the end status, with the rows as "index=descr".
    int walk(CCommonSnmp& session, std::vector<std::string>& rows) {
        CTableWalk w(session);
        int end = 99;
        EXPECT_TRUE(w.Start(
            {kIfIndex, kIfDescr},
            [&](const ReplyRow& row, CSnmp&) {
                rows.push_back(row.text(0) + "=" + row.text(1));
                return true;
            },
            [&](int status) { end = status; }));
        EXPECT_TRUE(ui_.runUntil([&] { return end != 99; }, 60s));
        return end;
    }

    platform::HeadlessUi ui_;
    corvex::test::SimDevice sim_;
};

// Every third request lost: walks and gets of both versions end complete, each lost request
// was asked again with the same request ID, and nothing was asked more than kReadTries times.
TEST_F(LossyAgent, LostReadsAreAskedAgainAndComplete) {
    start({"--drop-every", "3"});
    CCommonSnmp reference(quick(sim_.settings()));
    for (const SessionSettings& settings : {quick(sim_.settings()), v3("admin", "authpass1", "privpass1")}) {
        SCOPED_TRACE("version " + settings.SnmpVersion);
        sim_.clearLog();
        CCommonSnmp session(settings);
        std::vector<std::string> rows;
        EXPECT_EQ(CSnmp4w::EC_END_OF_TABLE, walk(session, rows)) << session.LastFailureText();
        ASSERT_GE(rows.size(), 10u);
        EXPECT_EQ(rows.front().substr(0, 2), "1=");

        ASSERT_TRUE(session.Open(SNMP_PDU_GET_T));
        session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
        CSnmp* reply = nullptr;
        EXPECT_EQ(0, session.Send(&reply, 0)) << session.LastFailureText();
        delete reply;

        std::map<long, int> asked;
        int lost = 0;
        for (const auto& r : sim_.requests()) {
            ++asked[r.requestId];
            lost += r.lost == "request";
        }
        EXPECT_GT(lost, 0);
        int repeated = 0;
        for (const auto& [id, n] : asked) {
            EXPECT_LE(n, corvex::snmp::kReadTries) << "request " << id;
            repeated += n > 1;
        }
        EXPECT_EQ(repeated, lost);
    }
}

// A set whose request (or reply) is lost is not sent again: the switch sees it once and the
// caller hears no answer, whether or not the set took effect.
TEST_F(LossyAgent, ASetIsSentOnce) {
    for (const char* mode : {"request", "reply"}) {
        SCOPED_TRACE(mode);
        std::vector<std::string> args = {"--drop-every", "2"};
        if (std::string(mode) == "reply") args.push_back("--drop-replies");
        start(args);
        CCommonSnmp session(quick(sim_.settings()));
        ASSERT_TRUE(session.Open(SNMP_PDU_GET_T));  // request 1 arrives
        session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
        CSnmp* reply = nullptr;
        ASSERT_EQ(0, session.Send(&reply, 0));
        delete reply;
        ASSERT_TRUE(session.Open(SNMP_PDU_SET_T));  // request 2 is lost
        session.AddValue(kSysContact.c_str(), SNMP_T_OCTETS, "noc");
        reply = nullptr;
        EXPECT_EQ(-1, session.Send(&reply, 0));
        EXPECT_EQ(SnmpFailure::NoAnswer, session.LastFailure());
        EXPECT_EQ(sim_.sets().size(), 1u);
    }
}

// Wrong credentials are said as such at once, not as a time-out.
TEST_F(LossyAgent, ReportsSayWhatIsWrongWithTheCredentials) {
    start({});
    struct Case {
        const char* user;
        const char* auth;
        const char* priv;
        SnmpFailure want;
        const char* text;
    };
    for (const Case& c : {Case{"admin", "wrongpass1", "privpass1", SnmpFailure::AuthFailed, "authentication failed"},
                          Case{"nobody", "authpass1", "privpass1", SnmpFailure::UnknownUser, "unknown user"},
                          Case{"admin", "authpass1", "wrongpriv1", SnmpFailure::PrivacyFailed, "wrong privacy pass phrase"}}) {
        SCOPED_TRACE(c.text);
        sim_.clearLog();
        CCommonSnmp session(v3(c.user, c.auth, c.priv));
        ASSERT_TRUE(session.Open(SNMP_PDU_GET_T));
        session.AddValue(kSysName.c_str(), SNMP_T_NULL, nullptr);
        CSnmp* reply = nullptr;
        EXPECT_EQ(-1, session.Send(&reply, 0));
        EXPECT_EQ(c.want, session.LastFailure());
        EXPECT_NE(session.LastFailureText().find(c.text), std::string::npos) << session.LastFailureText();
        std::vector<std::string> rows;
        EXPECT_EQ(CSnmp4w::EC_FAILED, walk(session, rows));
        EXPECT_EQ(c.want, session.LastFailure());
    }
}

// A reply whose first column names another row than the second: the walk fails, for SNMPv1
// step by step as for SNMPv3 in bulk, and never ends as if the table were complete.
TEST_F(LossyAgent, ColumnsOfOneReplyMustNameOneRow) {
    start({"--bad-reply", "renamed"});
    for (const SessionSettings& settings : {quick(sim_.settings()), v3("admin", "authpass1", "privpass1")}) {
        SCOPED_TRACE("version " + settings.SnmpVersion);
        CCommonSnmp session(settings);
        std::vector<std::string> rows;
        EXPECT_EQ(CSnmp4w::EC_FAILED, walk(session, rows));
        EXPECT_TRUE(rows.empty()) << rows.front();
        EXPECT_NE(session.LastFailure(), SnmpFailure::None);
    }
}

}  // namespace
