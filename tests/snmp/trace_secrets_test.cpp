// With tracing on, the diagnostic lines of every kind of traffic (v1 reads and writes, v3 walks
// with authentication and privacy, a wrong pass phrase) carry neither communities nor pass phrases.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>

#include "platform/headless_ui.h"
#include "platform/trace.h"
#include "snmp/table_walk.h"
#include "support/sim_fixture.h"

// Tracing is decided once, before the first trace line: switch it on for this program.
static const bool kTraceOn = (setenv("CORVEX_TRACE", "1", 1), true);

namespace {

using namespace std::chrono_literals;

const char* kReadCommunity = "rcSecret7";
const char* kWriteCommunity = "wcSecret7";
const char* kAuthPass = "authSecret7";
const char* kPrivPass = "privSecret7";

TEST(TraceSecrets, NoCommunityOrPassPhraseInAnyTraceLine) {
    ASSERT_TRUE(kTraceOn && platform::TraceEnabled());
    platform::HeadlessUi ui;
    platform::setUi(&ui);
    corvex::test::SimDevice sim;
    std::string error;
    ASSERT_TRUE(sim.start("10p",
                          {"--community-ro", kReadCommunity, "--community-rw", kWriteCommunity, "--user",
                           std::string("tracer:SHA:") + kAuthPass + ":DES:" + kPrivPass},
                          &error))
        << error;

    testing::internal::CaptureStderr();
    {
        // v1: a read, a write and a walk.
        SessionSettings v1 = sim.settings();
        v1.ReadCommunity = kReadCommunity;
        v1.WriteCommunity = kWriteCommunity;
        CCommonSnmp reads(v1), writes(v1);
        CSnmp* reply = nullptr;
        ASSERT_TRUE(reads.Open(SNMP_PDU_GET_T));
        reads.AddValue("1.3.6.1.2.1.1.5.0", SNMP_T_NULL, nullptr);
        ASSERT_EQ(reads.Send(&reply, 0), 0);
        delete reply;
        ASSERT_TRUE(writes.Open(SNMP_PDU_SET_T));
        writes.AddValue("1.3.6.1.2.1.1.6.0", SNMP_T_OCTETS, "lab");
        ASSERT_EQ(writes.Send(&reply, 0), 0);
        delete reply;

        // v3 authPriv walk, then the same user with a wrong privacy pass phrase.
        SessionSettings v3 = sim.settings();
        v3.SnmpVersion = "3";
        v3.SecurityLevel = "3";
        v3.UserName = "tracer";
        v3.AuthProtocol = "3";
        v3.PrivProtocol = "2";
        v3.AuthPassword = kAuthPass;
        v3.PrivPassword = kPrivPass;
        CCommonSnmp walker(v3);
        CTableWalk walk(walker);
        int rows = 0, end = 99;
        ASSERT_TRUE(walk.Start(
            {"1.3.6.1.2.1.2.2.1.1"}, [&](const ReplyRow&, CSnmp&) { return ++rows > 0; }, [&](int s) { end = s; }));
        ASSERT_TRUE(ui.runUntil([&] { return end != 99; }, 10s));
        EXPECT_EQ(end, CSnmp4w::EC_END_OF_TABLE);
        EXPECT_GE(rows, 10);

        v3.PrivPassword = "wrongSecret7";
        v3.TimeoutMs = "500";
        CCommonSnmp wrong(v3);
        ASSERT_TRUE(wrong.Open(SNMP_PDU_GET_T));
        wrong.AddValue("1.3.6.1.2.1.1.5.0", SNMP_T_NULL, nullptr);
        EXPECT_NE(wrong.Send(&reply, 0), 0);
    }
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_NE(trace.find("getNext begin"), std::string::npos);  // tracing really was on
    for (const char* secret : {kReadCommunity, kWriteCommunity, kAuthPass, kPrivPass, "wrongSecret7"})
        EXPECT_EQ(trace.find(secret), std::string::npos) << secret << " appears in:\n" << trace;
}

}  // namespace
