// With tracing on, the diagnostic lines of every kind of traffic (v1 reads and writes, v3 walks
// with authentication and privacy, a wrong pass phrase) carry neither communities nor pass phrases;
// nor does corvex-snmp's process listing, from its first moment.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "platform/headless_ui.h"
#include "platform/trace.h"
#include "snmp/table_walk.h"
#include "support/listing_at_start.h"
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

// The host line's communities and pass phrases are overwritten before the tool does anything
// else: stopped at its start, its listing no longer shows them. (A line it would refuse makes
// the tool end at once should it never stop.)
TEST(TraceSecrets, CorvexSnmpListingLosesTheSecretsFirstOfAll) {
    const char* dir = std::getenv("CORVEX_BUILD_DIR");
    const std::string tool = std::string(dir ? dir : "build") + "/tools/corvex-snmp/corvex-snmp";
    if (access(tool.c_str(), X_OK) != 0) GTEST_SKIP() << "not built";
    const std::string listing =
        corvex::test::ListingAtStart(tool, {"/Hx/I127.0.0.1/Crc7secret/Dwc7secret/ETRUE/F2/G1/a/b/c/L3/Uadmin/Aauth7secret/Xpriv7secret/M2/N2",
                              "get", "1.3.6.1.2.1.1.5.0"});
    ASSERT_FALSE(listing.empty()) << "corvex-snmp did not stop at its start";
    EXPECT_NE(listing.find("/Hx/I127.0.0.1/C*********/D*********/ETRUE/F2/G1/a/b/c/L3/Uadmin/A***********/X***********/M2/N2 get"),
              std::string::npos)
        << listing;
    EXPECT_EQ(listing.find("7secret"), std::string::npos) << listing;
}

}  // namespace
