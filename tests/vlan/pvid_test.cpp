// The PVID form against the virtual switch: trunk and VLAN rules, the writes and their failure.
#include "features/vlan/pvid_dlg.h"
#include "vlan/vlan_sim.h"

namespace vlantest {
namespace {

using Strings = std::vector<std::string>;
constexpr int kGrid = CPvidDlg::IDC_PVID_GRID;

bool PvidFormReady(CPvidDlg& p, DialogDriver& c) {
    return c.env().waitUntil([&] { return !p.Walking() && !p.Snmp().TrunkMap().Walking(); });
}

TEST_F(VlanSimTest, PvidFormRefusesTrunkMembersAndUnknownOrEmptyVlans) {
    // Trunk 1 = ports 3 and 4; VLAN 10 has port 1; VLAN 20 has no member.
    Start("10p", {kTrunkMembers + ".1 x 30000000", kName + ".10 s \"ten\"", kEgress + ".10 x 80000000",
                  kName + ".20 s \"empty\"", kPvid + ".7 g 10"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    env.onChild<CPvidDlg>([&](CPvidDlg& p, DialogDriver& c) {
        ASSERT_TRUE(PvidFormReady(p, c));
        auto& grid = c.as<platform::PortGrid>(kGrid);
        EXPECT_EQ(grid.cellText(0, 7), "10");
        EXPECT_EQ(grid.cellText(0, 1), "1");
        c.typePort(kGrid, 3, "10");
        c.click("Apply");  // port 4 still 1
        c.typePort(kGrid, 4, "10");
        c.click("Apply");  // both 10: still a trunk
        c.typePort(kGrid, 3, "1");
        c.typePort(kGrid, 4, "1");
        c.typePort(kGrid, 5, "99");
        c.click("Apply");
        c.typePort(kGrid, 5, "x");  // not a number: 0
        c.click("Apply");
        c.typePort(kGrid, 5, "20");
        c.click("Apply");
        EXPECT_FALSE(c.ended());
        c.click("Cancel");
    });
    d.click("&PVID");
    EXPECT_EQ(env.takeMessages(),
              (Strings{"You should let all Trunk member in the same PVID !",
                       "Setting PVID on a Trunk is not supported. Please use Web interface for the settings.",
                       "Invalid PVID", "Invalid PVID", "Invalid PVID,VlAN is empty"}));
    EXPECT_TRUE(sim.sets().empty());
    ASSERT_TRUE(Settled(d, dlg));  // the table is read again whatever the form returned
}

// A PVID walk that fails part way (port 6 never answers) fills no box and holds Apply back,
// with the status line saying why; typing every box does not make up for the read, so the empty
// boxes are never written as PVID 1. (Before, typed boxes counted as read.)
TEST_F(VlanSimTest, PvidApplyWaitsForACompleteRead) {
    Start("10p", {kName + ".10 s \"ten\"", kEgress + ".10 x ffc00000", kPvid + ".2 g 10"},
          {"--drop-prefix", kPvid + ".6"});
    MutableSettings().TimeoutMs = "300";
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.TableWalking() && !dlg.PvidWalking(); }, std::chrono::milliseconds(10000)));
    sim.clearLog();
    env.onChild<CPvidDlg>([&](CPvidDlg& p, DialogDriver& c) {
        ASSERT_TRUE(c.env().waitUntil([&] { return !p.Walking() && !p.Snmp().TrunkMap().Walking(); }, std::chrono::milliseconds(10000)));
        for (int port = 1; port <= 10; ++port) EXPECT_EQ(c.as<platform::PortGrid>(kGrid).cellText(0, port), "") << port;
        EXPECT_FALSE(c.enabled("Apply"));
        EXPECT_TRUE(c.control(platform::Form::kIdReadStatus).visible());
        const std::string status = c.control(platform::Form::kIdReadStatus).text();
        EXPECT_EQ(status.rfind("Not all settings could be read from the switch (", 0), 0u) << status;
        EXPECT_NE(status.find("Press Refresh."), std::string::npos) << status;
        for (int port = 1; port <= 10; ++port) c.typePort(kGrid, port, "10");
        EXPECT_FALSE(c.enabled("Apply"));
        EXPECT_FALSE(c.ended());
        c.click("Cancel");
    });
    d.click("&PVID");
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(VlanSimTest, PvidWriteStopsAtTheFailingPortAndKeepsTheFormOpen) {
    Start("10p", {kName + ".10 s \"ten\"", kEgress + ".10 x ffc00000"}, {"--set-error", kPvid + ".5:genErr"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    env.onChild<CPvidDlg>([&](CPvidDlg& p, DialogDriver& c) {
        ASSERT_TRUE(PvidFormReady(p, c));
        c.typePort(kGrid, 1, "10");
        c.typePort(kGrid, 6, "10");
        c.click("Apply");
        ASSERT_TRUE(c.env().waitUntil([&] { return !p.writing(); }));
        EXPECT_FALSE(c.ended());
        EXPECT_EQ(c.env().takeMessages(),
                  (Strings{"The PVID of port 5 could not be changed: the switch refused the value (genErr). "
                           "Ports 6 to 10 were not written."}));
        // Read again: port 1 shows what the switch took, port 6 what was typed for a retry.
        ASSERT_TRUE(c.env().waitUntil([&] { return !p.Walking() && sim.requests().back().pdu != "set"; }));
        ASSERT_TRUE(PvidFormReady(p, c));
        auto& grid = c.as<platform::PortGrid>(kGrid);
        EXPECT_EQ(grid.cellText(0, 1), "10");
        EXPECT_EQ(grid.cellText(0, 5), "1");
        EXPECT_EQ(grid.cellText(0, 6), "10");
        c.click("Cancel");
    });
    d.click("&PVID");
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setBindings(), (Strings{kPvid + ".1=10", kPvid + ".2=1", kPvid + ".3=1", kPvid + ".4=1", kPvid + ".5=1"}));
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(dlg.Pvids()[0], 10);  // written before the failure
    EXPECT_EQ(dlg.Pvids()[5], 1);   // never sent
}

TEST_F(VlanSimTest, PvidWritesEveryPortOfALargeSwitchAndClosesWithOk) {
    Start("52", {kName + ".10 s \"ten\"", kEgress + ".10 x 8000000000000000"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    env.onChild<CPvidDlg>([&](CPvidDlg& p, DialogDriver& c) {
        ASSERT_TRUE(PvidFormReady(p, c));
        c.typePort(kGrid, 52, "10");
        c.click("Apply");
        EXPECT_TRUE(c.waitEnded());
        EXPECT_EQ(c.result(), platform::kIdOk);
    });
    d.click("&PVID");
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 52u);
    for (int p = 1; p <= 52; ++p) {
        ASSERT_EQ(sets[static_cast<size_t>(p - 1)].bindings.size(), 1u);
        EXPECT_EQ(sets[static_cast<size_t>(p - 1)].bindings[0].oid, kPvid + "." + std::to_string(p));
    }
    EXPECT_EQ(sets[51].bindings[0].value, "10");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(dlg.Pvids()[51], 10);
}

}  // namespace
}  // namespace vlantest
