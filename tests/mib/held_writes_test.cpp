// A way out tried during a write (Esc, Close, OK) leaves the form open until the outcome is told.
#include <gtest/gtest.h>

#include "features/maintenance/jumbo_frame_dlg.h"
#include "features/maintenance/multicast_filter_dlg.h"
#include "features/maintenance/syslog_host_dlg.h"
#include "features/mib/stp_dlgs.h"
#include "features/mib/sys_info_dlg.h"
#include "mib/stp_table_of.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

using Strings = std::vector<std::string>;

TEST(HeldWrites, NoWayOutEndsAWriteHalfWay) {
    const std::string refused = " could not be changed: the switch refused the value (genErr).";
    auto table = std::make_shared<StpTableOf>(Strings{"2", "3"});  // the port form's rows
    table->build();
    struct Case {
        std::function<std::unique_ptr<platform::Form>()> make;
        Strings state, refuse;                 // preloaded objects; OIDs whose sets are refused
        std::vector<std::pair<std::string, std::string>> input;  // typed ("" ticks, "-" unticks)
        std::string write, wayOut, message;   // the button that writes; "" for Esc
        bool ends = false;                      // the write itself ends the form
    };
    const Case cases[] = {
        {[] { return std::make_unique<CSysInfoDlg>(); }, {}, {"1.3.6.1.2.1.1.6.0"},
         {{"Name:", "core-7"}, {"Location:", "rack 2"}}, "&Apply", "&Close", "The system name and location" + refused},
        {[] { return std::make_unique<CJumboFrameDlg>(); }, {}, {}, {{"Enable Jumbo Frame", ""}}, "&Apply", "",
         "Enabled Jumbo Frame", true},
        {[] { return std::make_unique<CSyslogHostDlg>(); }, {}, {}, {{"SysLogEnable", ""}, {"Host IP:", "0.0.0.0"}},
         "&Apply", "&Close", "The syslog host was cleared."},
        {[] { return std::make_unique<CMulticastFilterDlg>(); }, {}, {"1.3.6.1.4.1.171.10.76.12.7.8.1.2"}, {}, "&Apply",
         "&Close", "The multicast filtering mode of VLAN 1" + refused},
        // Nine requests and two pauses: the priority is refused, the timers go back.
        {[] { return std::make_unique<CStpBridgeDlg>(); }, {"1.3.6.1.4.1.171.10.76.12.6.1.1.0 i 1"},
         {"1.3.6.1.2.1.17.2.2"}, {{"Age Time(600-4000):", "1800"}, {"Delay(400-3000):", "1200"}}, "&Apply", "Cancel",
         "The spanning tree settings" + refused + " The bridge timers were put back as they were."},
        {[table] { return std::make_unique<CStpPortDlg>(table->list(), 0); }, {},
         {"1.3.6.1.4.1.171.10.76.12.6.2.1.5"}, {{"Cost:(1-200000000,\n0=auto)", "77"}}, "&OK", "",
         "The spanning tree settings of port 2" + refused},
    };
    corvex::test::SimDevice sim;
    dialogtest::DialogEnvironment env;
    for (const Case& c : cases) {
        Strings args = {"--delay-ms", "300"};
        for (const std::string& oid : c.refuse) args.insert(args.end(), {"--set-error", oid + ":genErr"});
        ASSERT_TRUE(sim.startAsDevice("10p", c.state, args));
        {
            std::unique_ptr<platform::Form> form = c.make();
            dialogtest::DialogDriver d(env, *form);
            SCOPED_TRACE(form->caption());
            ASSERT_TRUE(d.waitEnabled(c.write));
            for (const auto& [ref, text] : c.input) {
                if (text.empty() || text == "-") d.tick(ref, text.empty());
                else d.type(ref, text);
            }
            d.click(c.write);
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
