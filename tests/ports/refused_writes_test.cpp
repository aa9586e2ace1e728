// Every write of the port and trunk dialogs against a switch that refuses it: the message that
// says what was not changed, the form read again (or kept open for a retry), and what the
// switch holds afterwards.
#include <gtest/gtest.h>

#include "features/common/sync_request.h"
#include "features/ports/port_set_info.h"
#include "features/ports/trunk_dlg.h"
#include "port_sim_support.h"
#include "support/held.h"
#include "support/refused_write.h"

using namespace features;
using namespace portstest;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using dialogtest::RefusedWriteCase;

namespace {

using Strings = std::vector<std::string>;

const std::string kLaState = "1.3.6.1.4.1.171.10.76.12.8.1.2.0";
const std::string kMode = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.3";
constexpr const char* kGenErr = "the switch refused the value (genErr)";

using corvex::test::HeldHex;

bool PortsReady(DialogDriver& d, platform::Form& f) {
    auto& dlg = dynamic_cast<CPortSetInfo&>(f);
    return d.waitEnabled("&Apply") && d.env().waitUntil([&] { return !dlg.Trunks().Walking(); });
}
bool TrunkReady(DialogDriver& d, platform::Form& f) {
    return d.waitRows("Trunk Information", 8) && d.waitEnabled(CTrunkConfigDlg::IDC_APPLY) &&
           d.waitEnabled(CTrunkConfigDlg::IDC_STATE_APPLY) && d.waitEnabled("&Refresh") && !f.writing();
}

using PortRefusedWrites = SimTest;

TEST_F(PortRefusedWrites, RefusedWritesTellTheirOutcome) {
    const std::vector<RefusedWriteCase> cases = {
        {.name = "port configuration",
         .refuse = {kFlow},
         .make = [] { return std::make_unique<CPortSetInfo>(); },
         .ready = PortsReady,
         .act =
             [](DialogDriver& d, DialogEnvironment& e) {
                 d.clickRow("Port Information", 1);
                 d.choose("PortControlSpeed:", "10M-Full");
                 e.answer(platform::MsgAnswer::Ok);  // the forced speed question
                 d.click("&Apply");
             },
         .message = std::string("The settings of port 2 could not be changed: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(PortsReady(d, f));
                 EXPECT_EQ(d.cell("Port Information", 1, 1), "Auto");  // read again: still auto
                 EXPECT_EQ(HeldHex({kSpeed + ".2"}), Strings{"6"});
                 // The selection stays for a retry.
                 EXPECT_EQ(d.text("Port ID:"), "2");
                 EXPECT_EQ(d.text("PortControlSpeed:"), "10M-Full");
             }},
        {.name = "trunk state",
         .refuse = {kLaState},
         .make = [] { return std::make_unique<CTrunkConfigDlg>(); },
         .ready = TrunkReady,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick("Enable Trunk", false);
                 d.click(CTrunkConfigDlg::IDC_STATE_APPLY);
             },
         .message = std::string("The link aggregation state could not be changed: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(TrunkReady(d, f));
                 EXPECT_TRUE(d.checked("Enable Trunk"));  // as the switch holds it
                 EXPECT_EQ(HeldHex({kLaState}), Strings{"1"});
             }},
        {.name = "trunk channel mode",
         .state = {TrunkLine(1, "c0000000"), kMode + ".1 i 2"},
         .refuse = {kMode},
         .make = [] { return std::make_unique<CTrunkConfigDlg>(); },
         .ready = TrunkReady,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.clickRow("Trunk Information", 0);
                 d.choose("PortChannelMode:", "LACP");
                 d.click(CTrunkConfigDlg::IDC_APPLY);
             },
         .message = std::string("The channel mode of trunk 1 could not be changed: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(TrunkReady(d, f));
                 EXPECT_EQ(d.cell("Trunk Information", 0, 1), "Static");
                 EXPECT_EQ(d.text("PortChannelMode:"), "LACP");  // kept for a retry
                 EXPECT_EQ(HeldHex({kMode + ".1"}), Strings{"2"});
             }},
        {.name = "trunk members",
         .refuse = {kMembers},
         .make = [] { return std::make_unique<CTrunkMemberDlg>("2", "LACP", "", 10); },
         .ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("OK"); },
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 5);
                 d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 6);
                 d.click("OK");
             },
         .message = std::string("The members of trunk 2 could not be changed: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice&) {
                 EXPECT_FALSE(d.ended());
                 EXPECT_TRUE(d.waitEnabled("OK"));
                 auto& grid = d.as<platform::PortGrid>(CTrunkMemberDlg::IDC_PORTS);
                 EXPECT_TRUE(grid.checked(0, 5));
                 EXPECT_TRUE(grid.checked(0, 6));
                 EXPECT_EQ(HeldHex({kMembers + ".2"}), Strings{"00000000"});
             }},
    };
    for (const RefusedWriteCase& c : cases) {
        dialogtest::RunRefusedWriteCase(sim, m_env, c);
        m_env.takeMessages();
    }
}

}  // namespace
