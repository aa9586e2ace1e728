// The spanning tree forms against the virtual switch: what they read, the order of the input
// checks, and the exact set requests they send (the switch's request log).
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "app/session_settings.h"
#include "features/mib/stp_dlgs.h"
#include "mib/stp_table_of.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

using corvex::test::SimDevice;
using corvex::test::SimRequest;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;

namespace {

const std::string kStpState = "1.3.6.1.4.1.171.10.76.12.6.1.1.0";
const std::string kStpVersion = "1.3.6.1.4.1.171.10.76.12.6.1.2.0";
const std::string kStp = "1.3.6.1.2.1.17.2.";

// A set request as "oid=value" texts.
using Set = std::vector<std::string>;
std::vector<Set> SetsOf(const std::vector<SimRequest>& sets) {
    std::vector<Set> out;
    for (const auto& r : sets) {
        Set s;
        for (const auto& b : r.bindings) s.push_back(b.oid + "=" + b.value);
        out.push_back(std::move(s));
    }
    return out;
}

class StpForms : public ::testing::Test {
protected:
    // Starts a 10-port switch; `state` preloads objects ("OID TYPE VALUE").
    void start(std::vector<std::string> state = {}) {
        std::vector<std::string> args;
        if (!state.empty()) {
            stateFile = std::filesystem::temp_directory_path() /
                        ("corvex-mib-state-" + std::to_string(::getpid()) + ".txt");
            std::ofstream out(stateFile);
            for (const auto& line : state) out << line << "\n";
            args = {"--state", stateFile.string()};
        }
        std::string error;
        ASSERT_TRUE(sim.start("10p", args, &error)) << error;
        sim.installAsDevice();
    }
    // Opens the bridge form and waits for its read (the state line shows the result).
    void waitRead(DialogDriver& d) {
        ASSERT_TRUE(env.waitUntil([&] { return !d.control(CStpBridgeDlg::kIdDesignatedRoot).text().empty(); }));
    }
    void TearDown() override {
        if (!stateFile.empty()) std::filesystem::remove(stateFile);
    }
    std::filesystem::path stateFile;
    SimDevice sim;
    DialogEnvironment env;
};

}  // namespace

TEST_F(StpForms, BridgeFormShowsTheBridgeAndFollowsTheSpanningTreeState) {
    start({kStpState + " i 1", kStpVersion + " i 0"});
    CStpBridgeDlg dlg;
    DialogDriver d(env, dlg);
    EXPECT_EQ(dlg.caption(), " STP Configuration ");
    waitRead(d);
    EXPECT_TRUE(d.checked("Enable RSTP"));
    EXPECT_EQ(dlg.RstpState(), "1");
    EXPECT_EQ(d.text("STP Version:"), "STP Compatible");
    EXPECT_EQ(d.text("Priority:"), "32768");
    EXPECT_EQ(d.text("Age Time(600-4000):"), "2000");
    EXPECT_EQ(d.text("Hello Time(100-1000):"), "200");
    EXPECT_EQ(d.text("Delay(400-3000):"), "1500");
    EXPECT_EQ(d.control(CStpBridgeDlg::kIdHello).text(), "200");
    EXPECT_EQ(d.control(CStpBridgeDlg::kIdHoldTime).text(), "100");
    EXPECT_EQ(d.control(CStpBridgeDlg::kIdForwardDelay).text(), "1500");
    EXPECT_EQ(d.control(CStpBridgeDlg::kIdRootPort).text(), "0");
    EXPECT_EQ(d.control(CStpBridgeDlg::kIdTopoChanged).text(), "3");
    // Priority 32768 (0x8000) and the switch's MAC.
    const std::string root = d.control(CStpBridgeDlg::kIdDesignatedRoot).text();
    EXPECT_EQ(root.size(), 23u) << root;
    EXPECT_EQ(root.rfind("80:00:", 0), 0u) << root;
    EXPECT_TRUE(d.enabled("Port Setting"));
    EXPECT_TRUE(d.enabled(CStpBridgeDlg::kIdAgeTime));

    // Unticking disables the settings but not "Port Setting".
    d.tick("Enable RSTP", false);
    for (int id : {CStpBridgeDlg::kIdVersion, CStpBridgeDlg::kIdPriority, CStpBridgeDlg::kIdAgeTime,
                   CStpBridgeDlg::kIdDelay, CStpBridgeDlg::kIdHelloTime})
        EXPECT_FALSE(d.enabled(id)) << id;
    EXPECT_TRUE(d.enabled("Port Setting"));
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(StpForms, BridgeFormStartsLockedWhenTheSpanningTreeIsOff) {
    start({kStpState + " i 2", kStpVersion + " i 2"});
    CStpBridgeDlg dlg;
    DialogDriver d(env, dlg);
    waitRead(d);
    EXPECT_FALSE(d.checked("Enable RSTP"));
    EXPECT_EQ(dlg.RstpState(), "0");
    EXPECT_EQ(d.text("STP Version:"), "RSTP");
    for (int id : {CStpBridgeDlg::kIdVersion, CStpBridgeDlg::kIdPriority, CStpBridgeDlg::kIdAgeTime,
                   CStpBridgeDlg::kIdDelay, CStpBridgeDlg::kIdHelloTime, CStpBridgeDlg::kIdPortSetting})
        EXPECT_FALSE(d.enabled(id)) << id;
}

TEST_F(StpForms, BridgeApplyChecksInOrderAndSendsNothingOnAFailure) {
    start({kStpState + " i 1", kStpVersion + " i 2"});
    CStpBridgeDlg dlg;
    DialogDriver d(env, dlg);
    waitRead(d);
    sim.clearLog();
    struct Case {
        const char *age, *delay, *hello, *message;
    };
    const Case cases[] = {
        // Every field wrong: the age range is checked first.
        {"500", "300", "50", "Invalid Age Time value, the valid Age Time range is  (600-4000) ms !"},
        {"4001", "1500", "200", "Invalid Age Time value, the valid Age Time range is  (600-4000) ms !"},
        {"2000", "399", "50", "Invalid Forward Delay value, the valid Forward Delay range is (400-3000) ms !"},
        {"2000", "3001", "200", "Invalid Forward Delay value, the valid Forward Delay range is (400-3000) ms !"},
        {"2000", "1500", "99", "Invalid Hello Time value, the valid Hello Time range is (100-1000) ms !"},
        {"4000", "400", "1001", "Invalid Hello Time value, the valid Hello Time range is (100-1000) ms !"},
        // Both relations broken: the hello relation comes first.
        {"600", "400", "300",
         "To set the parameters Hello Time and Max Age the following relation is to be satisfied: \n"
         "Max Age >= (2*(Hello Time + 1.0))"},
        {"4000", "1500", "200",
         "To set the parameters Forward Delay and Max Age, the following relation is to be satisfied: \n"
         "2*(Forward Delay - 1) >= Max Age"},
        {"", "1500", "200", "Invalid Age Time value, the valid Age Time range is  (600-4000) ms !"},
    };
    for (const auto& c : cases) {
        d.type("Age Time(600-4000):", c.age);
        d.type("Delay(400-3000):", c.delay);
        d.type("Hello Time(100-1000):", c.hello);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (std::vector<std::string>{c.message})) << c.age << "/" << c.delay << "/" << c.hello;
    }
    EXPECT_TRUE(sim.sets().empty());
    // The edges of both relations are allowed: 600 = 2*200+200 and 2*400-200 = 600.
    d.type("Age Time(600-4000):", "600");
    d.type("Delay(400-3000):", "400");
    d.type("Hello Time(100-1000):", "200");
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_FALSE(sim.sets().empty());
}

TEST_F(StpForms, BridgeApplyWritesTimersInASafeOrderThenPriorityAndVersion) {
    start({kStpState + " i 1", kStpVersion + " i 2"});
    CStpBridgeDlg dlg;
    DialogDriver d(env, dlg);
    waitRead(d);
    sim.clearLog();
    d.type("Age Time(600-4000):", "1800");
    d.type("Delay(400-3000):", "1200");
    d.type("Hello Time(100-1000):", "300");
    d.type("Priority:", "8192");
    d.choose("STP Version:", "STP Compatible");
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));  // the timers go out after a pause
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(SetsOf(sim.sets()),
              (std::vector<Set>{{kStp + "13.0=100", kStp + "14.0=3000"},
                                {kStp + "12.0=1800"},
                                {kStp + "14.0=1200"},
                                {kStp + "13.0=300"},
                                {kStp + "13.0=300", kStp + "2.0=8192", kStpVersion + "=0"}}));
    // The form reads the bridge again afterwards: the timers the switch took are shown.
    ASSERT_TRUE(env.waitUntil([&] { return d.control(CStpBridgeDlg::kIdHello).text() == "300"; }));
    EXPECT_EQ(d.text("Age Time(600-4000):"), "1800");
    EXPECT_EQ(d.control(CStpBridgeDlg::kIdForwardDelay).text(), "1200");
}

TEST_F(StpForms, BridgeApplyTurnsTheSpanningTreeOnFirstWhenItWasOff) {
    start({kStpState + " i 2", kStpVersion + " i 2"});
    CStpBridgeDlg dlg;
    DialogDriver d(env, dlg);
    waitRead(d);
    sim.clearLog();
    d.tick("Enable RSTP");
    EXPECT_TRUE(d.enabled(CStpBridgeDlg::kIdAgeTime));
    EXPECT_FALSE(d.enabled("Port Setting"));
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));  // the timers go out after a pause
    const auto sets = SetsOf(sim.sets());
    ASSERT_EQ(sets.size(), 6u);
    EXPECT_EQ(sets[0], (Set{kStpState + "=1"}));
    EXPECT_EQ(sets[1], (Set{kStp + "13.0=100", kStp + "14.0=3000"}));
    EXPECT_EQ(sets[5], (Set{kStp + "13.0=200", kStp + "2.0=32768", kStpVersion + "=2"}));
}

TEST_F(StpForms, BridgeApplyWithTheBoxUntickedOnlyTurnsTheSpanningTreeOff) {
    start({kStpState + " i 1", kStpVersion + " i 2"});
    CStpBridgeDlg dlg;
    DialogDriver d(env, dlg);
    waitRead(d);
    sim.clearLog();
    d.type("Age Time(600-4000):", "2500");
    d.type("Priority:", "4096");
    d.tick("Enable RSTP", false);
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));  // one request, nothing follows
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(SetsOf(sim.sets()), (std::vector<Set>{{kStpState + "=2"}}));
}

TEST_F(StpForms, PortTableListsEveryPortAndThePortFormWalksThroughThem) {
    // Ports 3 and 4 form an aggregated link.
    start({kStpState + " i 1", "1.3.6.1.4.1.171.10.76.12.8.1.3.1.2.1 x 30000000"});
    CStpBridgeDlg bridge;
    DialogDriver b(env, bridge);
    waitRead(b);
    sim.clearLog();

    bool sawTable = false;
    env.onChild("Spanning Tree Table", [&](DialogDriver& t) {
        sawTable = true;
        ASSERT_TRUE(t.waitEnabled("&Refresh"));
        ASSERT_EQ(t.rowCount(CStpTableDlg::kIdList), 10);
        EXPECT_EQ(t.control(CStpTableDlg::kIdEntries).text(), "10");
        EXPECT_FALSE(t.visible("&Bridge Config"));
        const auto row = t.rows(CStpTableDlg::kIdList)[0];
        ASSERT_EQ(row.size(), 10u);
        EXPECT_EQ(row[0], "1");
        EXPECT_EQ(row[1], "128");
        EXPECT_EQ(row[3], "Y");
        EXPECT_EQ(row[4], "Forward");
        EXPECT_EQ(row[5].rfind("80:00:", 0), 0u) << row[5];
        EXPECT_EQ(row[8], "80 01");
        EXPECT_EQ(t.rows(CStpTableDlg::kIdList)[9][8], "80 0A");

        // Port 3 is in the aggregated link: unchanged is silently accepted, a change refused.
        t.clickRow(CStpTableDlg::kIdList, 2);
        env.onChild(" Port STP Configuration", [&](DialogDriver& p) {
            ASSERT_TRUE(p.waitEnabled("&Apply"));
            EXPECT_EQ(p.control(CStpPortDlg::kIdPort).text(), "3");
            EXPECT_EQ(p.text("Priority:"), "128");
            EXPECT_EQ(p.text("Cost:(1-200000000,\n0=auto)"), row[2]);
            EXPECT_TRUE(p.checked(CStpPortDlg::kIdEnable));
            EXPECT_EQ(p.control("Status:").form().next(p.control("Status:"))->text(), "Forward");
            EXPECT_EQ(p.control("Desig Port:").form().next(p.control("Desig Port:"))->text(), "80 03");
            p.click("&Apply");
            EXPECT_TRUE(env.takeMessages().empty());
            p.type("Cost:(1-200000000,\n0=auto)", "5000");
            p.click("&Apply");
            EXPECT_EQ(env.takeMessages(),
                      (std::vector<std::string>{"Cannot add ports with different STP configurations to an aggregated link."}));
            p.type("Cost:(1-200000000,\n0=auto)", "300000000");
            p.click("&Apply");
            EXPECT_EQ(env.takeMessages(), (std::vector<std::string>{"Invalid Path Cost(1-200000000)"}));
            EXPECT_TRUE(sim.sets().empty());

            // Port 5 is not: its settings are written.
            p.click("Next Port =>");
            p.click("Next Port =>");
            EXPECT_EQ(p.control(CStpPortDlg::kIdPort).text(), "5");
            ASSERT_TRUE(p.waitEnabled("&OK"));
            p.choose("Priority:", "64");
            p.type("Cost:(1-200000000,\n0=auto)", "0");
            p.tick(CStpPortDlg::kIdEnable, false);
            p.click("&OK");  // applies, then closes
        });
        t.click("&Port Config");
        EXPECT_TRUE(env.takeMessages().empty());
        // After OK the table is walked again.
        ASSERT_TRUE(t.waitEnabled("&Refresh"));
        EXPECT_EQ(t.rowCount(CStpTableDlg::kIdList), 10);
        EXPECT_EQ(t.cell(CStpTableDlg::kIdList, 4, CStpTableDlg::kColPriority), "64");
        EXPECT_EQ(t.cell(CStpTableDlg::kIdList, 4, CStpTableDlg::kColEnable), "N");

        // The form stops at both ends of the table.
        env.onChild(" Port STP Configuration", [&](DialogDriver& p) {
            EXPECT_EQ(p.control(CStpPortDlg::kIdPort).text(), "10");
            EXPECT_FALSE(p.enabled("Next Port =>"));
            for (int i = 0; i < 9; ++i) p.click("<= Prev Port");
            EXPECT_EQ(p.control(CStpPortDlg::kIdPort).text(), "1");
            EXPECT_FALSE(p.enabled("<= Prev Port"));
            EXPECT_TRUE(p.enabled("Next Port =>"));
            p.click("&Cancel");
        });
        t.doubleClickRow(CStpTableDlg::kIdList, 9);
        t.click("&Close");
    });
    b.click("Port Setting");
    EXPECT_TRUE(sawTable);
    EXPECT_EQ(SetsOf(sim.sets()),
              (std::vector<Set>{{kStp + "15.1.2.5=64", "1.3.6.1.4.1.171.10.76.12.6.2.1.5.5=0", kStp + "15.1.4.5=2"}}));
}

// The port form writes only what it read for the port on screen: a priority the list does not
// offer is shown and written back as read; a port whose read fails cannot be written at all
// (its fields are empty, "&Apply" and "&OK" off) until a read succeeds.
TEST_F(StpForms, PortFormWritesOnlyValuesReadForThePortShown) {
    start({kStp + "15.1.2.2 i 100", kStp + "15.1.5.2 i 19", kStp + "15.1.2.3 i 32", kStp + "15.1.5.3 i 4"});
    StpTableOf table({"2", "99", "3"});  // port 99 does not exist: its read fails
    table.build();
    CStpPortDlg form(table.list(), 0);
    DialogDriver p(env, form);
    ASSERT_TRUE(p.waitEnabled("&Apply"));
    EXPECT_EQ(p.text("Priority:"), "100");
    EXPECT_EQ(p.text(CStpPortDlg::kIdCost), "19");
    sim.clearLog();
    p.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return !sim.sets().empty(); }));
    ASSERT_EQ(SetsOf(sim.sets()).size(), 1u);
    EXPECT_EQ(SetsOf(sim.sets())[0][0], kStp + "15.1.2.2=100");

    struct Step {
        const char* button;
        std::string port, priority, cost;
        bool writable;
    };
    for (const Step& s : {Step{"Next Port =>", "99", "", "", false}, Step{"&Refresh", "99", "", "", false},
                          Step{"Next Port =>", "3", "32", "4", true}, Step{"<= Prev Port", "99", "", "", false}}) {
        p.click(s.button);
        ASSERT_TRUE(env.waitUntil([&] { return form.readState("port") != platform::Form::ReadState::Running; }));
        EXPECT_EQ(p.control(CStpPortDlg::kIdPort).text(), s.port) << s.button;
        EXPECT_EQ(p.text("Priority:"), s.priority) << s.port;
        EXPECT_EQ(p.text(CStpPortDlg::kIdCost), s.cost) << s.port;
        EXPECT_EQ(p.enabled("&Apply"), s.writable) << s.port;
        EXPECT_EQ(p.enabled("&OK"), s.writable) << s.port;
        // The list keeps only its own items once a listed priority is shown.
        EXPECT_EQ(p.as<platform::ComboBox>("Priority:").findItem("100"), -1) << s.port;
    }
    sim.clearLog();
    p.closeWindow();
    EXPECT_TRUE(sim.sets().empty());
}

// The tree on again after this form turned it off, on after 3.2 s, a widening whose answer was lost.
TEST_F(StpForms, BridgeApplyFaults) {
    const Set widen = {kStp + "13.0=100", kStp + "14.0=3000"};
    struct Case {
        std::vector<std::string> state, args;
        std::vector<bool> applies;  // the box as ticked for each Apply in turn
        Set sentFirst;              // the first set bindings, in order
        std::string message;        // the last message ("" none naming the state)
    };
    const Case cases[] = {
        {{kStpState + " i 1"}, {}, {false, true}, {kStpState + "=2", kStpState + "=1", widen[0], widen[1]}, ""},
        {{kStpState + " i 2"}, {"--delay-ms", "3200"}, {true}, {kStpState + "=1", widen[0], widen[1]}, ""},
        {{kStpState + " i 1"}, {"--drop-every", "2", "--drop-replies"}, {true},
         {widen[0], widen[1], kStp + "14.0=1500", kStp + "13.0=200"},
         "The spanning tree settings could not be changed: the switch did not answer, so it may or may not have taken "
         "the change; the settings are read again. The bridge timers were put back as they were."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "off, then on" : c.args[0]);
        ASSERT_TRUE(sim.startAsDevice("10p", c.state, c.args));
        {
            CStpBridgeDlg dlg;
            DialogDriver d(env, dlg);
            ASSERT_TRUE(d.waitEnabled("&Apply", std::chrono::seconds(15)));
            for (const bool on : c.applies) {
                d.tick("Enable RSTP", on);
                d.click("&Apply");
                ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing() && dlg.readsOk(); }, std::chrono::seconds(40)));
                EXPECT_EQ(d.checked("Enable RSTP"), on);  // the box keeps what the user set
            }
            Set sent = sim.setBindings();
            sent.resize(std::min(sent.size(), c.sentFirst.size()));
            EXPECT_EQ(sent, c.sentFirst);
            const std::vector<std::string> shown = env.takeMessages();
            EXPECT_TRUE(c.message.empty() || shown == std::vector<std::string>{c.message}) << testing::PrintToString(shown);
            for (const std::string& m : shown) EXPECT_EQ(m.find("spanning tree state"), std::string::npos) << m;
            EXPECT_EQ(d.control(CStpBridgeDlg::kIdHello).text(), "200");  // what the switch holds
        }
        sim.stop();
    }
}
