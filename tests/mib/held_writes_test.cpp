// Every write of the MIB and maintenance forms holds its form until the outcome is told: on a
// switch that answers late, a way out tried during the write (Esc, the close box, Close, OK)
// leaves the form open, and the write ends with its message.
#include <gtest/gtest.h>

#include <memory>

#include "features/maintenance/jumbo_frame_dlg.h"
#include "features/maintenance/multicast_filter_dlg.h"
#include "features/maintenance/syslog_host_dlg.h"
#include "features/mib/stp_dlgs.h"
#include "features/mib/sys_info_dlg.h"
#include "mib/stp_table_of.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using Strings = std::vector<std::string>;

namespace {

const std::string kStpState = "1.3.6.1.4.1.171.10.76.12.6.1.1.0";
const std::string kStp = "1.3.6.1.2.1.17.2.";
const std::string kRefused = "the switch refused the value (genErr).";

struct HeldCase {
    std::string name;
    Strings state;
    Strings refuse;  // OIDs whose sets the switch answers with genErr
    std::function<std::unique_ptr<platform::Form>()> make;
    std::string writeButton;                      // enabled once the form has read
    std::function<void(DialogDriver&)> act;       // starts the write
    std::string wayOut;                           // a button held meanwhile; "" tries Esc
    std::string message;                          // the outcome, told at the end
    bool ends = false;                            // the write itself ends the form
};

TEST(HeldWrites, NoWayOutEndsAWriteHalfWay) {
    // Kept alive for the port form, which moves through its rows.
    auto table = std::make_shared<StpTableOf>(Strings{"2", "3"});
    table->build();
    const auto typeTimers = [](DialogDriver& d) {
        d.type("Age Time(600-4000):", "1800");
        d.type("Delay(400-3000):", "1200");
        d.type("Hello Time(100-1000):", "300");
        d.click("&Apply");
    };
    const std::vector<HeldCase> cases = {
        {"system information, Close", {}, {"1.3.6.1.2.1.1.6.0"}, [] { return std::make_unique<CSysInfoDlg>(); },
         "&Apply",
         [](DialogDriver& d) {
             d.type("Name:", "core-7");
             d.type("Location:", "rack 2");
             d.click("&Apply");
         },
         "&Close", "The system name and location could not be changed: " + kRefused},
        {"jumbo frame, Esc", {}, {}, [] { return std::make_unique<CJumboFrameDlg>(); }, "&Apply",
         [](DialogDriver& d) {
             d.tick("Enable Jumbo Frame");
             d.click("&Apply");
         },
         "", "Enabled Jumbo Frame", true},
        {"syslog state, Esc", {}, {}, [] { return std::make_unique<CSyslogHostDlg>(); }, "&Apply",
         [](DialogDriver& d) {
             d.tick("SysLogEnable", false);
             d.click("Apply");
         },
         "", "Set System log Server successfully"},
        {"syslog host, Close", {}, {}, [] { return std::make_unique<CSyslogHostDlg>(); }, "&Apply",
         [](DialogDriver& d) {
             d.tick("SysLogEnable");
             d.type("Host IP:", "0.0.0.0");
             d.click("&Apply");
         },
         "&Close", "The syslog host was cleared."},
        {"multicast filtering, Close", {}, {"1.3.6.1.4.1.171.10.76.12.7.8.1.2"},
         [] { return std::make_unique<CMulticastFilterDlg>(); }, "&Apply", [](DialogDriver& d) { d.click("&Apply"); },
         "&Close", "The multicast filtering mode of VLAN 1 could not be changed: " + kRefused},
        // Seven requests and two pauses: the priority is refused, the timers go back.
        {"spanning tree bridge, Cancel", {kStpState + " i 1"}, {kStp + "2"},
         [] { return std::make_unique<CStpBridgeDlg>(); }, "&Apply", typeTimers, "Cancel",
         "The spanning tree settings could not be changed: " + kRefused + " The bridge timers were put back as they were."},
        {"spanning tree port, OK then Esc", {}, {"1.3.6.1.4.1.171.10.76.12.6.2.1.5"},
         [table] { return std::make_unique<CStpPortDlg>(table->list(), 0); }, "&OK",
         [](DialogDriver& d) {
             d.type(CStpPortDlg::kIdCost, "77");
             d.click("&OK");
         },
         "", "The spanning tree settings of port 2 could not be changed: " + kRefused},
    };
    corvex::test::SimDevice sim;
    DialogEnvironment env;
    for (const HeldCase& c : cases) {
        SCOPED_TRACE(c.name);
        Strings args = {"--delay-ms", "300"};
        for (const std::string& oid : c.refuse) args.insert(args.end(), {"--set-error", oid + ":genErr"});
        std::string error;
        ASSERT_TRUE(sim.startAsDevice("10p", c.state, args, &error)) << error;
        {
            std::unique_ptr<platform::Form> form = c.make();
            DialogDriver d(env, *form);
            ASSERT_TRUE(d.waitEnabled(c.writeButton));
            env.takeMessages();
            c.act(d);
            EXPECT_TRUE(form->writing());
            if (c.wayOut.empty()) d.closeWindow();
            else EXPECT_FALSE(d.enabled(c.wayOut));
            EXPECT_FALSE(form->ended());
            EXPECT_TRUE(env.waitUntil([&] { return !form->writing(); }, std::chrono::seconds(15)));
            EXPECT_EQ(env.takeMessages(), Strings{c.message});
            EXPECT_EQ(form->ended(), c.ends);
        }
        sim.stop();
    }
}

}  // namespace
