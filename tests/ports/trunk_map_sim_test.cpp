// The trunk map walked from the virtual switch.
#include <gtest/gtest.h>

#include "features/common/trunk_map.h"
#include "port_sim_support.h"
#include "snmp/common_snmp.h"

using namespace features;
using namespace portstest;

using TrunkMapSim = SimTest;

TEST_F(TrunkMapSim, WalkFillsTheMapAndRunsTheCompletionOnce) {
    // Trunk 1: ports 3 and 4. Trunk 2: ports 9 and 10 in a list two octets short.
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {TrunkLine(1, "30000000"), TrunkLine(2, "00C0")}));
    CCommonSnmp session;
    CTrunkMap map(session);
    ASSERT_EQ(map.PortCount(), 10);
    EXPECT_FALSE(map.LastWalkComplete());
    int done = 0;
    ASSERT_TRUE(map.Start([&] { ++done; }));
    EXPECT_TRUE(map.Walking());
    ASSERT_TRUE(m_env.waitUntil([&] { return done > 0; }));
    m_env.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(done, 1);
    EXPECT_FALSE(map.Walking());
    EXPECT_TRUE(map.LastWalkComplete());
    EXPECT_EQ(map.Map(), (std::vector<int>{0, 0, 1, 1, 0, 0, 0, 0, 2, 2}));
    EXPECT_EQ(map.RowsTaken(), 2);
    EXPECT_EQ(map.TrunkOf(4), 1);
    EXPECT_EQ(map.TrunkOf(0), 0);
    EXPECT_EQ(map.TrunkOf(11), 0);
    EXPECT_EQ(map.PortsOfTrunk(2), (std::vector<int>{9, 10}));
    EXPECT_TRUE(map.PortsOfTrunk(0).empty());
    EXPECT_EQ(map.TrunkPeers(3), (std::vector<int>{4}));
    EXPECT_TRUE(map.TrunkPeers(1).empty());

    // The table of two rows came in one get-next of the member column after trunks 0 to 8.
    const auto requests = sim.requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].pdu, "getnext");
    EXPECT_EQ(requests[0].bindings.size(), 1u + CTrunkMap::kAskAhead);
    for (const auto& b : requests[0].bindings) EXPECT_EQ(b.oid.rfind(kMembers, 0), 0u) << b.oid;

    // A second walk adds to the map; Clear empties it.
    map.Clear();
    EXPECT_EQ(map.TrunkOf(3), 0);
    done = 0;
    ASSERT_TRUE(map.Start([&] { ++done; }));
    ASSERT_TRUE(m_env.waitUntil([&] { return done > 0; }));
    EXPECT_EQ(map.TrunkOf(3), 1);
}

TEST_F(TrunkMapSim, ClosedSessionDropsTheWalk) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {TrunkLine(1, "30000000")}));
    CCommonSnmp session;
    int done = 0;
    {
        CTrunkMap map(session);
        ASSERT_TRUE(map.Start([&] { ++done; }));
        session.Close();  // as the form does when its window goes
    }
    m_env.runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(done, 0);

    // A map that is gone before its reply arrives is not touched (the session lives on).
    CCommonSnmp other;
    {
        CTrunkMap map(other);
        ASSERT_TRUE(map.Start([&] { ++done; }));
    }
    m_env.runFor(std::chrono::milliseconds(500));
    EXPECT_EQ(done, 0);
}

TEST_F(TrunkMapSim, UnreachableSwitchEndsTheWalkWithAnEmptyMap) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--drop-prefix", kMembers}, {TrunkLine(1, "30000000")}));
    MutableSettings().TimeoutMs = "300";
    CCommonSnmp session;
    CTrunkMap map(session);
    int done = 0;
    ASSERT_TRUE(map.Start([&] { ++done; }));
    ASSERT_TRUE(m_env.waitUntil([&] { return done > 0; }));
    EXPECT_EQ(map.TrunkOf(3), 0);
    EXPECT_EQ(map.RowsTaken(), 0);
    EXPECT_FALSE(map.LastWalkComplete());  // a failed walk is not a map to rely on
}

// The switch has trunks 1 to 8: a ninth row, whatever its number, makes a table that cannot be
// relied on, over SNMPv1 and SNMPv3.
TEST_F(TrunkMapSim, ANinthRowIsRefused) {
    struct Case {
        const char* what;
        int trunk;
        bool v3;
    };
    const Case cases[] = {{"trunk 12", 12, false}, {"trunk 30 over SNMPv3", 30, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> extra;
        if (c.v3) extra = kV3.args();
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", extra, {TrunkLine(c.trunk, "20")}));
        if (c.v3) kV3.use("3");
        CCommonSnmp session;
        CTrunkMap map(session);
        int done = 0;
        ASSERT_TRUE(map.Start([&] { ++done; }));
        ASSERT_TRUE(m_env.waitUntil([&] { return done > 0; }));
        m_env.runFor(std::chrono::milliseconds(50));
        EXPECT_EQ(done, 1);
        EXPECT_FALSE(map.LastWalkComplete());
        sim.stop();
    }
}
