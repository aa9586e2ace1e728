// What the port and trunk dialogs do when their reads fail: the switch reboots (and answers
// nothing) just as a dialog opens. The dialog then says so in its status line and holds back
// every control that would write or check what it did not read; nothing reaches the switch.
// Once the switch is back, Refresh reads everything and the controls come back.
#include <functional>
#include <memory>

#include "app/session_settings.h"
#include "features/ports/port_set_info.h"
#include "features/ports/trunk_dlg.h"
#include "port_sim_support.h"

using namespace features;
using namespace portstest;
using dialogtest::DialogDriver;
using namespace std::chrono_literals;

namespace {

constexpr int kSilentSeconds = 3;

bool StatusSaysNotRead(DialogDriver& d) {
    const platform::Control& line = d.control(platform::Form::kIdReadStatus);
    return line.visible() && line.text().rfind("Not all settings could be read from the switch (", 0) == 0 &&
           line.text().find("Press Refresh.") != std::string::npos;
}

}  // namespace

TEST_F(SimTest, ADialogOpenedOnASilentSwitchWritesNothingUntilRefreshReadsIt) {
    struct Case {
        const char* name;
        std::vector<std::string> state;
        std::function<std::unique_ptr<platform::Form>()> make;
        std::vector<dialogtest::Ref> writes;  // held back while not read
    } cases[] = {
        // The port table's first step waits 8 s a try and outlasts the silence; the trunk map
        // does not.
        {"port configuration", {TrunkLine(1, "30000000")}, [] { return std::make_unique<CPortSetInfo>(); },
         {CPortSetInfo::IDC_BUTTON_APPLY}},
        {"trunk configuration", {TrunkLine(1, "30000000"), "1.3.6.1.4.1.171.10.76.12.8.1.2.0 i 1"},
         [] { return std::make_unique<CTrunkConfigDlg>(); },
         {CTrunkConfigDlg::IDC_ENABLE, CTrunkConfigDlg::IDC_STATE_APPLY, CTrunkConfigDlg::IDC_APPLY,
          CTrunkConfigDlg::IDC_PORT_MEMBER}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--reboot-seconds", std::to_string(kSilentSeconds)}, c.state));
        MutableSettings().TimeoutMs = "200";
        const auto silent = Reboot(sim);
        sim.clearLog();
        auto form = c.make();
        DialogDriver d(m_env, *form);
        ASSERT_TRUE(m_env.waitUntil([&] { return StatusSaysNotRead(d) && d.enabled("&Refresh"); }, 30000ms));
        for (const auto& w : c.writes) EXPECT_FALSE(d.enabled(w)) << w.describe();
        EXPECT_TRUE(sim.sets().empty());

        // The switch is back: Refresh reads it all and the controls come back.
        ASSERT_TRUE(m_env.waitUntil(
            [&] { return std::chrono::steady_clock::now() > silent + std::chrono::seconds(kSilentSeconds) + 300ms; },
            std::chrono::seconds(kSilentSeconds + 2)));
        d.click("&Refresh");
        ASSERT_TRUE(m_env.waitUntil(
            [&] {
                for (const auto& w : c.writes)
                    if (!d.enabled(w)) return false;
                return form->readsOk() && !d.control(platform::Form::kIdReadStatus).visible();
            },
            20000ms));
        EXPECT_TRUE(sim.sets().empty());
        EXPECT_TRUE(m_env.takeMessages().empty());
        sim.stop();
    }
}


// The port rows come with requests of several ports each: a port the switch lacks has no row, a
// column it lacks leaves that cell to its default text (neither costs a request of its own, nor
// does a switch without the table), and a request left unanswered ends the read after the ports
// before it, which the status line then reports.
TEST_F(SimTest, PortRowsOfASwitchLackingSomeOrNotAnswering) {
    const std::vector<std::string> row6 = {"--absent", std::string(kOidPortCtrlSpeed) + ".6",
                                           "--absent", std::string(kOidPortCtrlOperMode) + ".6",
                                           "--absent", std::string(kOidPortCtrlFlowControl) + ".6",
                                           "--absent", std::string(kOidPortDefaultPriority) + ".6",
                                           "--absent", std::string(kOidPortCtrlOperFlowControl) + ".6",
                                           "--absent", std::string(kOidPortCtrlMedium) + ".6"};
    struct Case {
        const char* name;
        std::vector<std::string> args;
        bool v3;
        std::vector<std::string> indexes;  // the Index column
        bool complete;
        const char* flow2;  // port 2's flow control (the switch holds "Enable"; "": no row)
        size_t requests;    // of the port table, two batches of five ports (0: not counted)
    } cases[] = {
        {"port 6 absent", row6, false, {"1", "2", "3", "4", "5", "7", "8", "9", "10"}, true, "Enable", 2},
        {"port 6 absent, SNMPv3", row6, true, {"1", "2", "3", "4", "5", "7", "8", "9", "10"}, true, "Enable", 2},
        {"flow control of port 2 absent", {"--absent", std::string(kOidPortCtrlFlowControl) + ".2"}, false,
         {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"}, true, "Disable", 2},
        {"no port table", {"--absent", kOidPortCtrlSpeed, "--absent", kOidPortCtrlOperMode, "--absent",
                           kOidPortCtrlFlowControl, "--absent", kOidPortDefaultPriority, "--absent",
                           kOidPortCtrlOperFlowControl, "--absent", kOidPortCtrlMedium},
         false, {}, true, "", 2},
        {"port 8 unanswered", {"--drop-prefix", std::string(kOidPortCtrlSpeed) + ".8"}, false,
         {"1", "2", "3", "4", "5"}, false, "Enable", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args = c.args;
        const std::vector<std::string> user = kV3.args();
        if (c.v3) args.insert(args.end(), user.begin(), user.end());
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", args, {kFlow + ".2 i 1"}));
        if (c.v3) kV3.use("3");
        MutableSettings().TimeoutMs = "200";
        CPortSetInfo dlg;
        DialogDriver d(m_env, dlg);
        ASSERT_TRUE(m_env.waitUntil([&] { return d.enabled("&Refresh") && !dlg.Trunks().Walking(); }, 30000ms));
        std::vector<std::string> indexes;
        for (const auto& row : d.rows(CPortSetInfo::IDC_LIST_PORT)) indexes.push_back(row.at(0));
        EXPECT_EQ(indexes, c.indexes);
        EXPECT_EQ(d.enabled("&Apply"), c.complete) << dlg.readStatusText();
        EXPECT_EQ(StatusSaysNotRead(d), !c.complete);
        if (*c.flow2) {
            EXPECT_EQ(d.rows(CPortSetInfo::IDC_LIST_PORT).at(1).at(3), c.flow2);
        }
        size_t requests = 0;
        for (const auto& r : sim.requests())
            requests += !r.bindings.empty() && r.bindings[0].oid.rfind(kOidPortCtrlSpeed, 0) == 0;
        if (c.requests) {
            EXPECT_EQ(requests, c.requests);
        }
        sim.stop();
    }
}
