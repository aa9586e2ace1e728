// The trunk configuration dialog against the virtual switch: the trunk table and the
// switch-wide state, the channel-mode Apply with its checks in order, the member button's
// refusals, and the member dialog opened from a row.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "features/ports/register.h"
#include "features/ports/trunk_dlg.h"
#include "port_sim_support.h"

using namespace features;
using namespace portstest;
using dialogtest::DialogDriver;
using Strings = std::vector<std::string>;

namespace {

const char* kList = "Trunk Information";
const std::string kLaState = "1.3.6.1.4.1.171.10.76.12.8.1.2.0";
const std::string kMode = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.3";


}  // namespace

using TrunkConfig = SimTest;

TEST_F(TrunkConfig, ListsTrunksAndSwitchesLinkAggregation) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {TrunkLine(1, "c0000000"), kMode + ".1 i 2", TrunkLine(2, "0f000000"),
                                                 kMode + ".2 i 1"}));
    CTrunkConfigDlg dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(d.waitRows(kList, 8));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    ASSERT_TRUE(m_env.waitUntil([&] { return d.checked("Enable Trunk"); }));
    Strings headings;
    for (const auto& c : d.list(kList).columns()) headings.push_back(c.heading);
    EXPECT_EQ(headings, (Strings{"TrunkID    ", "PortChannelMode    ", "PortMember                            "}));
    EXPECT_EQ(d.rows(kList)[0], (Strings{"1", "Static", "1,2"}));
    EXPECT_EQ(d.rows(kList)[1], (Strings{"2", "LACP", "5,6,7,8"}));
    EXPECT_EQ(d.rows(kList)[7], (Strings{"8", "Disable", ""}));
    EXPECT_TRUE(d.enabled("&PortMember"));

    // Switching link aggregation off: one set, then the form shows the switch's state.
    d.tick("Enable Trunk", false);
    d.click(CTrunkConfigDlg::IDC_STATE_APPLY);
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(sim.setLines(), Strings{kLaState + "=2"});
    ASSERT_TRUE(m_env.waitUntil([&] { return !d.enabled("&PortMember"); }));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_FALSE(d.checked("Enable Trunk"));
    EXPECT_EQ(d.rowCount(kList), 8);
}

TEST_F(TrunkConfig, StartsDisabledWhenTheSwitchSaysSo) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {kLaState + " i 2"}));
    CTrunkConfigDlg dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(d.waitRows(kList, 8));
    m_env.runFor(std::chrono::milliseconds(200));
    EXPECT_FALSE(d.checked("Enable Trunk"));
    EXPECT_FALSE(d.enabled("&PortMember"));
}

// The channel-mode Apply: each check in order, and the one write it makes.
TEST_F(TrunkConfig, ChannelModeApply) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {TrunkLine(1, "c0000000"), kMode + ".1 i 2"}));
    CTrunkConfigDlg dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(d.waitRows(kList, 8));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    struct Case {
        const char* trunk;
        const char* mode;
        Strings messages;
    } refused[] = {
        {"", "LACP", {}},                                      // nothing happens
        {"9", "LACP", {CTrunkConfigDlg::kMsgBadTrunk}},
        {"0", "LACP", {CTrunkConfigDlg::kMsgBadTrunk}},
        {"1", "Static", {}},                                   // already the row's mode
        {"2", "LACP", {CTrunkConfigDlg::kMsgNoMembers}},       // no members yet
    };
    for (const auto& c : refused) {
        d.type("Trunk ID:", c.trunk);
        d.choose("PortChannelMode:", c.mode);
        d.click(CTrunkConfigDlg::IDC_APPLY);
        EXPECT_EQ(m_env.takeMessages(), c.messages) << c.trunk;
    }
    EXPECT_TRUE(sim.sets().empty());

    d.clickRow(kList, 0);
    EXPECT_EQ(d.text("Trunk ID:"), "1");
    EXPECT_EQ(d.text("PortChannelMode:"), "Static");
    d.choose("PortChannelMode:", "LACP");
    d.click(CTrunkConfigDlg::IDC_APPLY);
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(sim.setLines(), Strings{kMode + ".1=1"});
    ASSERT_TRUE(d.waitRows(kList, 8));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rows(kList)[0], (Strings{"1", "LACP", "1,2"}));
}

// "&PortMember": its refusals, then the member dialog for the clicked row, whose write the
// trunk list shows afterwards.
TEST_F(TrunkConfig, PortMemberOpensTheMemberDialog) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {TrunkLine(4, "c0000000"), kMode + ".4 i 2"}));
    CTrunkConfigDlg dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(d.waitRows(kList, 8));
    ASSERT_TRUE(d.waitEnabled("&PortMember"));
    d.click("&PortMember");
    d.clickRow(kList, 7);  // trunk 8, mode Disable
    d.click("&PortMember");
    d.clickRow(kList, 3);
    d.choose("PortChannelMode:", "Disable");  // whatever the switch-wide state is
    d.click("&PortMember");
    EXPECT_EQ(m_env.takeMessages(), (Strings{CTrunkConfigDlg::kMsgSelectTrunk, CTrunkConfigDlg::kMsgDisabled,
                                             CTrunkConfigDlg::kMsgDisabled}));
    EXPECT_TRUE(m_env.childHistory().empty());

    d.clickRow(kList, 3);
    ASSERT_EQ(d.text("PortChannelMode:"), "Static");
    m_env.onChild("Trunk member", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK", std::chrono::milliseconds(10000)));
        EXPECT_EQ(c.text(CTrunkMemberDlg::IDC_TRUNK_ID), "4");
        EXPECT_EQ(c.text(CTrunkMemberDlg::IDC_MODE), "Static");
        auto& grid = c.as<platform::PortGrid>(CTrunkMemberDlg::IDC_PORTS);
        EXPECT_TRUE(grid.checked(0, 1));
        EXPECT_TRUE(grid.checked(0, 2));
        EXPECT_FALSE(grid.checked(0, 3));
        c.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 3);
        c.click("OK");
        ASSERT_TRUE(c.waitEnded(std::chrono::milliseconds(10000)));
    });
    sim.clearLog();
    d.click("&PortMember");
    EXPECT_TRUE(m_env.takeMessages().empty());
    EXPECT_EQ(sim.setLines(), Strings{kMembers + ".4=e0000000 " + kMode + ".4=2"});
    ASSERT_TRUE(d.waitRows(kList, 8));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(d.rows(kList)[3], (Strings{"4", "Static", "1,2,3"}));
}

TEST_F(TrunkConfig, MenuCommandOpensTheTrunkDialog) {
    ASSERT_NO_FATAL_FAILURE(StartSim("52"));
    app::DialogRegistry registry;
    RegisterPortDialogs(registry);
    auto command = registry.Create(app::kCmdTrunkConfiguration);
    ASSERT_TRUE(command);
    m_env.onChild("Trunk Configuration", [](DialogDriver& d) {
        ASSERT_TRUE(d.waitRows(kList, 8));
        ASSERT_TRUE(d.waitEnabled("&Refresh"));
        d.click("&Close");
    });
    EXPECT_EQ(command->RunModal(), platform::kIdCancel);
}
