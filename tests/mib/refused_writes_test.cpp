// Every write of the system information and spanning tree forms against a switch that refuses
// it: the message names what was not changed, the form reads the switch again, what was typed
// stays for another try, and the switch holds what it held (a bridge timer write that fails half
// way puts the timers back).
#include <gtest/gtest.h>

#include <memory>

#include "features/common/sync_request.h"
#include "features/mib/stp_dlgs.h"
#include "mib/stp_table_of.h"
#include "features/mib/sys_info_dlg.h"
#include "support/held.h"
#include "support/refused_write.h"

using corvex::test::SimDevice;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using dialogtest::RefusedWriteCase;
using Strings = std::vector<std::string>;

namespace {

const std::string kSysName = "1.3.6.1.2.1.1.5.0", kSysLocation = "1.3.6.1.2.1.1.6.0";
const std::string kStpState = "1.3.6.1.4.1.171.10.76.12.6.1.1.0";
const std::string kStpVersion = "1.3.6.1.4.1.171.10.76.12.6.1.2.0";
const std::string kStp = "1.3.6.1.2.1.17.2.";
const std::string kPortCost = "1.3.6.1.4.1.171.10.76.12.6.2.1.5";
const std::string kRefused = "the switch refused the value (genErr).";

// What the switch holds now, read on a session of the test's own.
using corvex::test::Held;


// The bridge form once its read has come in, with the timers typed and Apply clicked.
bool BridgeRead(DialogDriver& d, platform::Form& form) {
    return d.waitEnabled("&Apply") && form.readsOk();
}
void TypeTimersAndApply(DialogDriver& d) {
    d.type("Age Time(600-4000):", "1800");
    d.type("Delay(400-3000):", "1200");
    d.type("Hello Time(100-1000):", "300");
    d.type("Priority:", "8192");
    d.click("&Apply");
}
// The timers and the priority as the switch holds them after a write that did not go through.
void ExpectBridgeAsShipped() {
    EXPECT_EQ(Held(kStp + "12.0"), "2000");
    EXPECT_EQ(Held(kStp + "14.0"), "1500");
    EXPECT_EQ(Held(kStp + "13.0"), "200");
    EXPECT_EQ(Held(kStp + "2.0"), "32768");
}
void ExpectTypedTimersKept(DialogDriver& d) {
    EXPECT_EQ(d.text("Age Time(600-4000):"), "1800");
    EXPECT_EQ(d.text("Delay(400-3000):"), "1200");
    EXPECT_EQ(d.text("Hello Time(100-1000):"), "300");
    EXPECT_EQ(d.text("Priority:"), "8192");
}

class MibRefusedWrites : public ::testing::Test {
protected:
    SimDevice sim;
    DialogEnvironment env;
};

// A case of the spanning tree bridge form, once its read has come in.
RefusedWriteCase BridgeCase(RefusedWriteCase c) {
    c.make = [] { return std::make_unique<CStpBridgeDlg>(); };
    c.ready = BridgeRead;
    return c;
}

TEST_F(MibRefusedWrites, RefusedWritesTellWhatWasNotChanged) {
    const Strings widen = {kStp + "13.0=100", kStp + "14.0=3000"};
    const Strings timers = {kStp + "12.0=1800", kStp + "14.0=1200", kStp + "13.0=300"};
    const Strings last = {kStp + "13.0=300", kStp + "2.0=8192", kStpVersion + "=2"};
    const Strings putBack = {kStp + "13.0=100", kStp + "14.0=3000", kStp + "12.0=2000", kStp + "14.0=1500",
                             kStp + "13.0=200"};
    auto join = [](std::initializer_list<Strings> parts) {
        Strings all;
        for (const Strings& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    };
    // Kept alive for the port form, which moves through its rows.
    auto table = std::make_shared<StpTableOf>(Strings{"2", "3"});
    table->build();

    const std::vector<RefusedWriteCase> cases = {
        {.name = "system name and location",
         .refuse = {kSysLocation},
         .make = [] { return std::make_unique<CSysInfoDlg>(); },
         .ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("&Apply"); },
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.type("Name:", "core-9");
                 d.type("Location:", "rack 2");
                 d.click("&Apply");
             },
         .message = "The system name and location could not be changed: " + kRefused,
         .check =
             [](DialogDriver& d, platform::Form&, SimDevice& sim) {
                 EXPECT_EQ(d.text("Name:"), "core-9");
                 EXPECT_EQ(d.text("Location:"), "rack 2");
                 EXPECT_EQ(sim.setBindings().size(), 2u);
                 EXPECT_NE(Held(kSysName), "core-9");
                 EXPECT_NE(Held(kSysLocation), "rack 2");
             }},
        BridgeCase({.name = "spanning tree turned off",
         .state = {kStpState + " i 1", kStpVersion + " i 2"},
         .refuse = {kStpState},
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick("Enable RSTP", false);
                 d.click("&Apply");
             },
         .message = "The spanning tree state could not be changed: " + kRefused,
         .check =
             [](DialogDriver& d, platform::Form&, SimDevice& sim) {
                 // Read again: the box shows the tree on, as the switch holds it.
                 EXPECT_TRUE(d.checked("Enable RSTP"));
                 EXPECT_EQ(sim.setBindings(), Strings{kStpState + "=2"});
                 EXPECT_EQ(Held(kStpState), "1");
             }}),
        BridgeCase({.name = "spanning tree turned on: nothing follows the refused state",
         .state = {kStpState + " i 2", kStpVersion + " i 2"},
         .refuse = {kStpState},
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick("Enable RSTP");
                 TypeTimersAndApply(d);
             },
         .message = "The spanning tree state could not be changed: " + kRefused,
         .check =
             [](DialogDriver& d, platform::Form&, SimDevice& sim) {
                 EXPECT_FALSE(d.checked("Enable RSTP"));
                 EXPECT_EQ(sim.setBindings(), Strings{kStpState + "=1"});
                 EXPECT_EQ(Held(kStpState), "2");
                 ExpectBridgeAsShipped();
             }}),
        BridgeCase({.name = "bridge timers: the widening refused",
         .state = {kStpState + " i 1", kStpVersion + " i 2"},
         .refuse = {kStp + "13"},
         .act = [](DialogDriver& d, DialogEnvironment&) { TypeTimersAndApply(d); },
         .message = "The spanning tree settings could not be changed: " + kRefused,
         .check =
             [widen](DialogDriver& d, platform::Form&, SimDevice& sim) {
                 ExpectTypedTimersKept(d);
                 EXPECT_EQ(sim.setBindings(), widen);
                 ExpectBridgeAsShipped();
             }}),
        BridgeCase({.name = "bridge timers: the priority refused after the timers went through",
         .state = {kStpState + " i 1", kStpVersion + " i 2"},
         .refuse = {kStp + "2"},
         .act = [](DialogDriver& d, DialogEnvironment&) { TypeTimersAndApply(d); },
         .message = "The spanning tree settings could not be changed: the switch refused the value (genErr). The "
                    "bridge timers were put back as they were.",
         .check =
             [=](DialogDriver& d, platform::Form&, SimDevice& sim) {
                 ExpectTypedTimersKept(d);
                 // The read-only values show what the switch holds: the timers as before.
                 EXPECT_EQ(d.control(CStpBridgeDlg::kIdHello).text(), "200");
                 EXPECT_EQ(sim.setBindings(), join({widen, timers, last, putBack}));
                 ExpectBridgeAsShipped();
             }}),
        BridgeCase({.name = "bridge timers: turned on, then the priority refused",
         .state = {kStpState + " i 2", kStpVersion + " i 2"},
         .refuse = {kStp + "2"},
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick("Enable RSTP");
                 TypeTimersAndApply(d);
             },
         .message = "The spanning tree settings could not be changed: the switch refused the value (genErr). The "
                    "bridge timers were put back as they were. The spanning tree was turned on.",
         .check =
             [=](DialogDriver& d, platform::Form&, SimDevice& sim) {
                 EXPECT_TRUE(d.checked("Enable RSTP"));
                 EXPECT_EQ(sim.setBindings(), join({{kStpState + "=1"}, widen, timers, last, putBack}));
                 EXPECT_EQ(Held(kStpState), "1");
                 ExpectBridgeAsShipped();
             }}),
        BridgeCase({.name = "bridge timers: max age refused, the other timers still go back",
         .state = {kStpState + " i 1", kStpVersion + " i 2"},
         .refuse = {kStp + "12"},
         .act = [](DialogDriver& d, DialogEnvironment&) { TypeTimersAndApply(d); },
         .message = "The spanning tree settings could not be changed: the switch refused the value (genErr). The "
                    "bridge timers could not all be put back; the form shows what the switch holds.",
         .check =
             [=](DialogDriver& d, platform::Form&, SimDevice& sim) {
                 ExpectTypedTimersKept(d);
                 // Widened on the way out and again on the way back; the refused max age does not
                 // stop the forward delay and hello time from going back.
                 EXPECT_EQ(sim.setBindings(), join({widen, {kStp + "12.0=1800"}, putBack}));
                 ExpectBridgeAsShipped();
                 EXPECT_EQ(d.control(CStpBridgeDlg::kIdHello).text(), "200");
             }}),
        {.name = "spanning tree settings of a port",
         .state = {kStp + "15.1.2.2 i 128", kPortCost + ".2 i 19", kStp + "15.1.4.2 i 1"},
         .refuse = {kPortCost},
         .make = [table] { return std::make_unique<CStpPortDlg>(table->list(), 0); },
         .ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("&OK"); },
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.type(CStpPortDlg::kIdCost, "77");
                 d.choose("Priority:", "64");
                 d.click("&OK");
             },
         .message = "The spanning tree settings of port 2 could not be changed: " + kRefused,
         .check =
             [](DialogDriver& d, platform::Form& form, SimDevice& sim) {
                 // OK keeps the form open for another try: the cost typed stays, the rest is read again.
                 EXPECT_FALSE(form.ended());
                 EXPECT_EQ(d.text(CStpPortDlg::kIdCost), "77");
                 EXPECT_EQ(d.text("Priority:"), "128");
                 EXPECT_TRUE(d.enabled("&OK"));
                 EXPECT_EQ(sim.setBindings(), (Strings{kStp + "15.1.2.2=64", kPortCost + ".2=77", kStp + "15.1.4.2=1"}));
                 EXPECT_EQ(Held(kPortCost + ".2"), "19");
                 EXPECT_EQ(Held(kStp + "15.1.2.2"), "128");
             }},
    };
    for (const RefusedWriteCase& c : cases) RunRefusedWriteCase(sim, env, c);
}

}  // namespace
