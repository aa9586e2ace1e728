// DHCP server screening against the virtual switch: the PortList read into per-port states, the
// From/To rule, one write of the whole PortList, the trunk rule, and a refused Apply that leaves
// nothing behind for the next one.
#include "features/security/dhcp_screening_dlg.h"
#include "security/security_sim.h"

namespace securitytest {
namespace {

using security::CDhcpScreeningDlg;
constexpr int kList = CDhcpScreeningDlg::IDC_LIST;

void Choose(DialogDriver& d, const char* from, const char* to, const char* state) {
    d.choose("From Port", from);
    d.choose("To Port", to);
    d.choose("State", state);
}

Strings StatesShown(DialogDriver& d) {
    Strings out;
    for (const auto& row : d.rows(kList)) out.push_back(row.at(1));
    return out;
}

TEST_F(SecuritySimTest, DhcpScreeningWritesOnePortListAndShowsWhatTheSwitchHolds) {
    Start("10p", {kDhcpPorts + " x 00400000"});  // port 10
    CDhcpScreeningDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Apply"));
    ASSERT_EQ(d.rowCount(kList), 10);
    EXPECT_EQ(d.rows(kList)[9], (Strings{"10", "Enabled"}));
    EXPECT_EQ(d.text("From Port"), "1");
    EXPECT_EQ(d.text("To Port"), "10");
    EXPECT_EQ(d.text("State"), "Disabled");

    // From moves To along; a To below From is refused and put back.
    d.choose("From Port", "5");
    EXPECT_EQ(d.text("To Port"), "5");
    d.choose("To Port", "3");
    EXPECT_EQ(env.takeMessages(), Strings{"'To Port' can not be smaller than 'From Port'"});
    EXPECT_EQ(d.text("To Port"), "5");
    sim.clearLog();

    // Ports 1 and 2 on, port 10 off: one request with the four octets of the 10-port switch.
    Choose(d, "1", "2", "Enabled");
    d.click("&Apply");
    Choose(d, "10", "10", "Disabled");
    ASSERT_TRUE(d.waitEnabled("&Apply"));  // the trunk map is read again after a write
    d.click("&Apply");
    ASSERT_TRUE(Written(dlg));
    EXPECT_EQ(sim.setBindings(), (Strings{kDhcpPorts + "=c0400000", kDhcpPorts + "=c0000000"}));
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_EQ(StatesShown(d), (Strings{"Enabled", "Enabled", "Disabled", "Disabled", "Disabled", "Disabled",
                                       "Disabled", "Disabled", "Disabled", "Disabled"}));
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(SecuritySimTest, DhcpScreeningRefusesHalfATrunkAndForgetsTheRefusedStates) {
    Start("52", {kTrunkMembers + ".3 x 0000000000003000"});  // ports 51 and 52
    CDhcpScreeningDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Trunks().Walking(); }));
    ASSERT_EQ(d.rowCount(kList), 52);
    sim.clearLog();

    Choose(d, "51", "51", "Enabled");
    d.click("&Apply");
    EXPECT_EQ(env.takeMessages(),
              Strings{"Cannot add ports with different DHCP Server Screening Port Settings to an aggregated link."});
    EXPECT_TRUE(sim.sets().empty());
    // The next Apply carries port 1 only, not the refused port 51.
    Choose(d, "1", "1", "Enabled");
    d.click("&Apply");
    ASSERT_TRUE(d.waitEnabled("&Apply"));
    // Both ports of the trunk together are accepted.
    Choose(d, "51", "52", "Enabled");
    d.click("&Apply");
    ASSERT_TRUE(Written(dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setBindings(), (Strings{kDhcpPorts + "=8000000000000000", kDhcpPorts + "=8000000000003000"}));
}

}  // namespace
}  // namespace securitytest
