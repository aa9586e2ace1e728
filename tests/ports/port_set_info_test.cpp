// The port configuration dialog against the virtual switch: what it shows, the Apply rules in
// their order, and what it writes.
#include <gtest/gtest.h>

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/ports/port_set_info.h"
#include "features/ports/register.h"
#include "port_sim_support.h"

using namespace features;
using namespace portstest;
using dialogtest::DialogDriver;
using platform::MsgAnswer;
using Strings = std::vector<std::string>;

namespace {

const char* kList = "Port Information";

// Both walks have ended: the port table and the trunk map.
bool Ready(dialogtest::DialogEnvironment& env, DialogDriver& d, CPortSetInfo& dlg) {
    return d.waitEnabled("&Apply") && env.waitUntil([&] { return !dlg.Trunks().Walking(); });
}


Write SpeedOf(int port, int v) { return {kSpeed + "." + std::to_string(port), std::to_string(v)}; }
Write FlowOf(int port, int v) { return {kFlow + "." + std::to_string(port), std::to_string(v)}; }

}  // namespace

using PortDialog = SimTest;

TEST_F(PortDialog, ListsEveryPortWithItsTexts) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {SpeedLine(2, 3), kFlow + ".4 i 1"}));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    EXPECT_EQ(dlg.caption(), "Port Configuration");
    const auto& cols = d.list(kList).columns();
    Strings headings;
    for (const auto& c : cols) headings.push_back(c.heading);
    EXPECT_EQ(headings, (Strings{"Index ", "PortControlSpeed ", "OperMode  ", "FlowControlMode  ", "DefaultPriority  ",
                                 "OperFlowControlMode  "}));
    EXPECT_EQ(d.as<platform::ComboBox>("PortControlSpeed:").items(),
              (Strings{"1000M-Full", "100M-Full", "100M-Half", "10M-Full", "10M-Half", "Auto", "Disable"}));
    EXPECT_EQ(d.as<platform::ComboBox>("FlowControlMode:").items(), (Strings{"Enable", "Disable"}));

    ASSERT_EQ(d.rowCount(kList), 10);
    EXPECT_EQ(d.rows(kList)[0], (Strings{"1", "Auto", "100MFull", "Disable", "Low", "Disabled"}));
    EXPECT_EQ(d.rows(kList)[1], (Strings{"2", "100MHalf", "100MHalf", "Disable", "Low", "Disabled"}));
    EXPECT_EQ(d.cell(kList, 3, 3), "Enable");
    EXPECT_EQ(d.cell(kList, 3, 5), "Enabled");        // linked with flow control on
    EXPECT_EQ(d.cell(kList, 4, 2), "Down");           // port 5 has no link partner
    EXPECT_EQ(d.cell(kList, 6, 1), "Disable");        // port 7 is shut
    EXPECT_EQ(dlg.MediaOf(1), 1);
    EXPECT_EQ(dlg.MediaOf(9), 2);

    // Row click: the port, its speed item and its flow control item.
    d.clickRow(kList, 1);
    EXPECT_EQ(d.text("Port ID:"), "2");
    EXPECT_EQ(d.text("PortControlSpeed:"), "100M-Half");
    EXPECT_EQ(d.text("FlowControlMode:"), "Disable");
    d.clickRow(kList, 3);
    EXPECT_EQ(d.text("PortControlSpeed:"), "Auto");
    EXPECT_EQ(d.text("FlowControlMode:"), "Enable");
    EXPECT_EQ(dlg.SelectedPort(), "4");
}

TEST_F(PortDialog, ComboPortsShowTheirMedia) {
    // 10 ports: 9 and 10 are combo ports. Port 9 holds a 100Base-X module at 100M full.
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--fiber", "9:3"}, {SpeedLine(9, 2), SpeedLine(8, 2)}));
    {
        CPortSetInfo dlg;
        DialogDriver d(m_env, dlg);
        ASSERT_TRUE(Ready(m_env, d, dlg));
        EXPECT_EQ(dlg.ComboPorts(), 2);
        EXPECT_EQ(d.cell(kList, 8, 2), "100M F Full");
        EXPECT_EQ(d.cell(kList, 7, 2), "100MFull");  // port 8 is no combo port
    }
}

TEST_F(PortDialog, ComboPortsOfTwentyFour) {
    // 21..24 are combo ports: copper text on 21 and 22 only; port 22 holds a 100Base-X module.
    ASSERT_NO_FATAL_FAILURE(StartSim("24", {"--fiber", "22:3"}, {SpeedLine(22, 2)}));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    ASSERT_EQ(d.rowCount(kList), 24);
    EXPECT_EQ(dlg.ComboPorts(), 4);
    EXPECT_EQ(d.cell(kList, 20, 2), "1000M C Full");
    EXPECT_EQ(d.cell(kList, 21, 2), "100M F Full");
    EXPECT_EQ(d.cell(kList, 23, 2), "1000MFull");  // copper, but one of the last two ports
    EXPECT_EQ(d.cell(kList, 18, 2), "100MFull");   // port 19 is no combo port
}

TEST_F(PortDialog, ApplyNeedsAPort) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p"));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(), (Strings{"Please Select one port !"}));
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(PortDialog, LastEnabledPortCannotBeDisabled) {
    // Every port but 2 and 3 shut (7 is shut already).
    std::vector<std::string> state;
    for (int p : {1, 4, 5, 6, 8, 9, 10}) state.push_back(SpeedLine(p, 7));
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, state));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));

    // Port 3 still runs: port 2 may be disabled; neither question is asked for Disable.
    d.clickRow(kList, 1);
    d.choose("PortControlSpeed:", "Disable");
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_TRUE(m_env.takeMessages().empty());
    EXPECT_EQ(Sets(sim), (std::vector<std::vector<Write>>{{SpeedOf(2, 7), FlowOf(2, 2)}}));
    ASSERT_TRUE(d.waitEnabled("&Apply"));
    EXPECT_EQ(d.cell(kList, 1, 1), "Disable");  // read back

    // Now port 3 is the last one.
    sim.clearLog();
    d.clickRow(kList, 2);
    d.choose("PortControlSpeed:", "Disable");
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(), (Strings{"Sorry, you cannot disable all ports."}));
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(PortDialog, MediaRules) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--fiber", "9:3", "--fiber", "10:4"}));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    auto tryApply = [&](int row, const char* speed) {
        d.clickRow(kList, row);
        d.choose("PortControlSpeed:", speed);
        d.click("&Apply");
        EXPECT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
        auto shown = m_env.takeMessages();
        return shown.empty() ? std::string() : shown.front();
    };
    EXPECT_EQ(tryApply(0, "1000M-Full"), "Port 1 can not support 1000M speed.");
    EXPECT_EQ(tryApply(8, "Auto"), "Fiber Port 9 with 100Base-x SFP Module can not support in Auto mode.");
    for (const char* s : {"1000M-Full", "10M-Full", "10M-Half"})
        EXPECT_EQ(tryApply(8, s), "Fiber Port 9 with 100Base-x SFP Module can not support this speed.") << s;
    for (const char* s : {"100M-Full", "100M-Half", "10M-Full", "10M-Half"})
        EXPECT_EQ(tryApply(9, s), "Fiber Port 10 with 1000Base-x SFP Module can not support this speed.") << s;
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(PortDialog, AllGigaLetsMediaOneRunAtGigabit) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p"));
    MutableProfile().IsAllGiga = true;
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    d.clickRow(kList, 0);
    d.choose("PortControlSpeed:", "1000M-Full");
    m_env.answer(MsgAnswer::Ok);
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    ASSERT_EQ(m_env.messages().size(), 1u);
    EXPECT_EQ(m_env.messages()[0].text, kMsgForceMode);
    EXPECT_EQ(Sets(sim), (std::vector<std::vector<Write>>{{SpeedOf(1, 1), FlowOf(1, 2)}}));
}

TEST_F(PortDialog, ForcedSpeedAndFlowControlInOneRequest) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p"));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    d.clickRow(kList, 0);
    d.choose("PortControlSpeed:", "100M-Full");
    d.choose("FlowControlMode:", "Enable");
    m_env.answer({MsgAnswer::Ok, MsgAnswer::Ok});
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    ASSERT_EQ(m_env.messages().size(), 2u);
    for (const auto& m : m_env.messages()) {
        EXPECT_EQ(m.buttons, platform::MsgButtons::OkCancel);
        EXPECT_EQ(m.defaultButton, 1);  // Cancel
    }
    EXPECT_EQ(m_env.takeMessages(), (Strings{kMsgForceMode, kMsgFlowControlQos}));
    EXPECT_EQ(Sets(sim), (std::vector<std::vector<Write>>{{SpeedOf(1, 2), FlowOf(1, 1)}}));
    // The list is read again and shows the switch's state.
    ASSERT_TRUE(d.waitEnabled("&Apply"));
    EXPECT_EQ(d.rows(kList)[0], (Strings{"1", "100MFull", "100MFull", "Enable", "Low", "Enabled"}));
}

TEST_F(PortDialog, CancellingEitherQuestionSendsNothing) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p"));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    const auto before = d.rows(kList);
    const auto requestsBefore = sim.requests().size();

    d.clickRow(kList, 0);
    d.choose("PortControlSpeed:", "10M-Full");
    m_env.answer(MsgAnswer::Cancel);
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(), (Strings{kMsgForceMode}));

    d.choose("PortControlSpeed:", "Auto");
    d.choose("FlowControlMode:", "Enable");
    d.click("&Apply");  // unanswered: the default button, Cancel
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(), (Strings{kMsgFlowControlQos}));

    m_env.runFor(std::chrono::milliseconds(200));
    EXPECT_EQ(sim.requests().size(), requestsBefore);  // no set, and no read either
    EXPECT_EQ(d.rows(kList), before);
    EXPECT_TRUE(d.enabled("&Refresh"));
}

TEST_F(PortDialog, TrunkMembersKeepOneSpeedAndFullDuplex) {
    // Trunk 1: ports 3 and 4, both at 100M half; trunk 2: ports 5 and 6 at auto.
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {},
             {TrunkLine(1, "30000000"), TrunkLine(2, "0C000000"), SpeedLine(3, 3), SpeedLine(4, 3)}));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    ASSERT_EQ(dlg.Trunks().TrunkOf(3), 1);
    ASSERT_EQ(dlg.Trunks().TrunkOf(6), 2);

    // Same speed as the partner but half duplex.
    d.clickRow(kList, 2);
    d.choose("PortControlSpeed:", "100M-Half");
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(), (Strings{"LA port 3 can not support in half-duplex mode."}));

    // A speed the partner does not have.
    d.clickRow(kList, 4);
    d.choose("PortControlSpeed:", "100M-Full");
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(), (Strings{"LA port can not support in different speed."}));
    EXPECT_TRUE(sim.sets().empty());

    // The partner's speed: only flow control is written, the speed is not.
    d.clickRow(kList, 4);
    d.choose("PortControlSpeed:", "Auto");
    d.choose("FlowControlMode:", "Enable");
    m_env.answer(MsgAnswer::Ok);
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(), (Strings{kMsgFlowControlQos}));
    EXPECT_EQ(Sets(sim), (std::vector<std::vector<Write>>{{FlowOf(5, 1)}}));
}

TEST_F(PortDialog, FailedWriteSaysSoAndRereads) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--set-error", kFlow + ":genErr"}));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    d.clickRow(kList, 0);
    d.choose("PortControlSpeed:", "Auto");
    sim.clearLog();
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_EQ(m_env.takeMessages(),
              Strings{"The settings of port 1 could not be changed: the switch refused the value (genErr)."});
    EXPECT_EQ(Sets(sim).size(), 1u);
    ASSERT_TRUE(d.waitEnabled("&Apply"));
    EXPECT_EQ(d.rowCount(kList), 10);
    EXPECT_EQ(d.cell(kList, 0, 1), "Auto");
    size_t reads = 0;
    for (const auto& r : sim.requests())
        reads += r.pdu == "getnext" && !r.bindings.empty() && r.bindings[0].oid.rfind(kSpeed, 0) == 0;
    EXPECT_GE(reads, 2u);  // the table was read again
}

TEST_F(PortDialog, MenuCommandOpensTheDialog) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p"));
    app::DialogRegistry registry;
    RegisterPortDialogs(registry);
    ASSERT_TRUE(registry.Has(app::kCmdPortConfiguration));
    auto command = registry.Create(app::kCmdPortConfiguration);
    ASSERT_TRUE(command);
    m_env.onChild("Port Configuration", [](DialogDriver& d) {
        ASSERT_TRUE(d.waitEnabled("&Apply"));
        EXPECT_EQ(d.rowCount("Port Information"), 10);
        d.click("&Close");
    });
    EXPECT_EQ(command->RunModal(), platform::kIdCancel);
}

// The whole dialog over SNMPv3 with authentication and privacy: the walks fill the list and the
// write goes out as one authPriv set of the configured user.
TEST_F(PortDialog, WorksOverSnmpV3WithAuthenticationAndPrivacy) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", kV3.args()));
    kV3.use();
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(Ready(m_env, d, dlg));
    ASSERT_EQ(d.rowCount(kList), 10);
    EXPECT_EQ(d.rows(kList)[0][0], "1");

    d.clickRow(kList, 2);
    d.choose("PortControlSpeed:", "Auto");
    d.choose("FlowControlMode:", "Disable");
    d.click("&Apply");
    ASSERT_TRUE(m_env.waitUntil([&] { return !dlg.writing(); }));
    EXPECT_TRUE(m_env.takeMessages().empty());
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].version, "3");
    EXPECT_EQ(sets[0].user, "corvexv3");
    EXPECT_EQ(sets[0].level, "authPriv");
    EXPECT_EQ(Sets(sim), (std::vector<std::vector<Write>>{{SpeedOf(3, 6), FlowOf(3, 2)}}));
    for (const auto& r : sim.requests()) EXPECT_EQ(r.version, "3") << r.pdu;
}

// A relay's marker binding, first or last in every reply, leaves the list as without a relay.
TEST_F(PortDialog, ProxyMarkedRepliesFillTheList) {
    for (const char* where : {"first", "last"}) {
        SCOPED_TRACE(where);
        ASSERT_NO_FATAL_FAILURE(StartSim("10p", {"--proxy-marker", where}, {SpeedLine(2, 3)}));
        CPortSetInfo dlg;
        DialogDriver d(m_env, dlg);
        ASSERT_TRUE(Ready(m_env, d, dlg));
        ASSERT_EQ(d.rowCount(kList), 10);
        EXPECT_EQ(d.rows(kList)[1], (Strings{"2", "100MHalf", "100MHalf", "Disable", "Low", "Disabled"}));
        EXPECT_EQ(d.rows(kList)[9][0], "10");
    }
}

// A switch that answers port rows far beyond its port count: the ports the switch has are
// listed, and nothing beyond them is asked for.
TEST_F(PortDialog, PortTableBeyondThePortCountIsNotRead) {
    std::vector<std::string> state;
    for (int i = 11; i <= 200; ++i) state.push_back(SpeedLine(i, 6));
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, state));
    CPortSetInfo dlg;
    DialogDriver d(m_env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Apply"));
    EXPECT_EQ(d.rowCount(kList), 10);
    EXPECT_EQ(d.cell(kList, 9, 0), "10");
    for (const auto& r : sim.requests())
        for (const auto& b : r.bindings) EXPECT_NE(b.oid, std::string(kSpeed) + ".11") << r.pdu;
}

TEST_F(PortDialog, OpenedByAPortClickSelectsThatPortsRow) {
    ASSERT_NO_FATAL_FAILURE(StartSim("10p", {}, {SpeedLine(2, 3)}));
    app::DialogRegistry registry;
    RegisterPortDialogs(registry);
    using Command = FormCommand<CPortSetInfo>;
    // What the window's click opens, for port 2; and for ports the table does not have.
    for (int port : {2, 99}) {
        auto opened = registry.CreateForPort(app::kCmdPortConfiguration, port);
        auto* command = dynamic_cast<Command*>(opened.get());
        ASSERT_TRUE(command);
        CPortSetInfo& dlg = command->dialog();
        DialogDriver d(m_env, dlg);
        ASSERT_TRUE(Ready(m_env, d, dlg));
        if (port == 99) {
            EXPECT_EQ(d.list(kList).selectedRow(), -1);
            EXPECT_EQ(d.text("Port ID:"), "");
            continue;
        }
        EXPECT_EQ(d.list(kList).selectedRow(), 1);
        EXPECT_EQ(d.text("Port ID:"), "2");
        EXPECT_EQ(d.text("PortControlSpeed:"), "100M-Half");
        EXPECT_EQ(dlg.SelectedPort(), "2");
        // Chosen once: after the user's own choice, Refresh does not go back to port 2.
        d.clickRow(kList, 5);
        d.click("&Refresh");
        ASSERT_TRUE(Ready(m_env, d, dlg));
        EXPECT_NE(d.list(kList).selectedRow(), 1);
        EXPECT_EQ(d.text("Port ID:"), "6");
    }
    // From the menu (no port) nothing is chosen.
    auto menu = registry.CreateForPort(app::kCmdPortConfiguration, 0);
    auto* command = dynamic_cast<Command*>(menu.get());
    ASSERT_TRUE(command);
    DialogDriver d(m_env, command->dialog());
    ASSERT_TRUE(Ready(m_env, d, command->dialog()));
    EXPECT_EQ(d.list(kList).selectedRow(), -1);
    EXPECT_EQ(d.text("Port ID:"), "");
}
