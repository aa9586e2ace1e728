// Walks in parts against the virtual switch's forwarding table: every row once, in OID order,
// across the edges of the parts, with both versions, and while the table changes under the walk.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <set>

#include "platform/headless_ui.h"
#include "snmp/table_walk.h"
#include "support/sim_fixture.h"

namespace {

using namespace std::chrono_literals;

const std::string kFdbStatus = "1.3.6.1.2.1.17.7.1.2.2.1.3";
const std::string kFdbPort = "1.3.6.1.2.1.17.7.1.2.2.1.2";

// The rows' instances in the order the handler got them; the end status.
// slowRowUs: the handler's time per row (a list that takes its time: held rows go over in slices).
int Walk(platform::HeadlessUi& ui, CCommonSnmp& session, int parts, std::vector<std::string>& rows, size_t* walked,
         int slowRowUs = 0) {
    CTableWalk walk(session);
    CTableWalk::Options options;
    options.parts = parts;
    options.minValues = 2;
    options.nextFirst = true;
    int end = 99;
    EXPECT_TRUE(walk.Start(
        {kFdbStatus, kFdbPort},
        [&](const ReplyRow& row, CSnmp&) {
            EXPECT_TRUE(row.present(1));
            rows.push_back(row.instance(0, kFdbStatus));
            for (auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(slowRowUs);
                 std::chrono::steady_clock::now() < until;) {
            }
            return true;
        },
        [&](int status) { end = status; }, options));
    EXPECT_TRUE(ui.runUntil([&] { return end != 99; }, 120s));
    if (walked) *walked = walk.PartsWalked();
    return end;
}

bool Churned(const std::string& instance) { return instance.find(".238.238.0.0.") != std::string::npos; }

TEST(WalkInParts, EveryRowOnceInOrder) {
    platform::HeadlessUi ui;
    platform::setUi(&ui);
    struct Case {
        const char* version;
        bool churn;
        int slowRowUs = 0;
    };
    for (const Case c : {Case{"1", false}, Case{"3", false}, Case{"1", true}, Case{"3", true}, Case{"1", false, 100}}) {
        SCOPED_TRACE(std::string("SNMPv") + c.version + (c.churn ? ", table changing" : "") +
                     (c.slowRowUs ? ", slow list" : ""));
        corvex::test::SimDevice sim;
        std::vector<std::string> args = {"--fdb", "600", "--delay-ms", "5", "--user", "walker:SHA:walkAuth1:DES:walkPriv1"};
        if (c.churn) args.push_back("--fdb-churn");
        std::string error;
        ASSERT_TRUE(sim.start("28", args, &error)) << error;
        SessionSettings s = sim.settings();
        s.SnmpVersion = c.version;
        if (s.SnmpVersion == "3") {
            s.SecurityLevel = "3";
            s.UserName = "walker";
            s.AuthProtocol = "3";
            s.AuthPassword = "walkAuth1";
            s.PrivProtocol = "2";
            s.PrivPassword = "walkPriv1";
        }
        std::vector<std::string> whole, parted;
        CCommonSnmp one(s), many(s);
        ASSERT_EQ(CSnmp4w::EC_END_OF_TABLE, Walk(ui, one, 0, whole, nullptr));
        size_t parts = 0;
        sim.clearLog();
        const unsigned long probesBefore = SnmpEngineProbes();
        ASSERT_EQ(CSnmp4w::EC_END_OF_TABLE, Walk(ui, many, CTableWalk::kMaxParts, parted, &parts, c.slowRowUs));
        EXPECT_GT(parts, 2u);  // the table was split, so rows crossed part edges
        if (s.SnmpVersion == "3") {
            // The twins take the engine ID the first session learnt, and a part's first GETBULK
            // is sized by the rows seen elsewhere, as the requests after it are.
            EXPECT_EQ(SnmpEngineProbes() - probesBefore, 1u);
            long most = 0, least = 1000;
            std::vector<corvex::test::SimRequest> bulks;
            for (const auto& r : sim.requests())
                if (r.pdu == "getbulk" && r.bindings.size() == 2) bulks.push_back(r);
            ASSERT_GT(bulks.size(), 3u);
            for (size_t i = 1; i < bulks.size(); ++i) {
                most = std::max(most, bulks[i].maxRepetitions);
                least = std::min(least, bulks[i].maxRepetitions);
            }
            EXPECT_GE(least * 4, most * 3) << least << " against " << most;
        }
        // In OID order, each once.
        for (size_t i = 1; i < parted.size(); ++i)
            ASSERT_LT(SnmpOidCompare(parted[i - 1], parted[i]), 0) << parted[i - 1] << " then " << parted[i];
        // Every row that stayed in the table throughout is there; the walk alone gives the same.
        std::vector<std::string> stayed, stayedParted;
        for (const auto& r : whole)
            if (!Churned(r)) stayed.push_back(r);
        for (const auto& r : parted)
            if (!Churned(r)) stayedParted.push_back(r);
        EXPECT_EQ(stayedParted, stayed);
        EXPECT_EQ(stayed.size(), 601u);
        if (!c.churn) {
            EXPECT_EQ(parted, whole);
        }
    }
    platform::setUi(nullptr);
}

}  // namespace
