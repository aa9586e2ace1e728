// Trap enables, global state and engine ID against the virtual switch: what each shows, what
// each write carries, and the engine ID checks.
#include "agent/agent_sim.h"
#include "app/unsaved_changes.h"
#include "features/agent/scalar_dlgs.h"

#include <functional>
#include <memory>

namespace agenttest {
namespace {

// Six trap bindings without PoE, nine on a PoE model, each 1 or 2 by its box, in object order.
TEST_F(AgentSimTest, TrapEnablesBySixOrNineBoxes) {
    for (const std::string model : {"28", "10p"}) {
        SCOPED_TRACE(model);
        const bool poe = model == "10p";
        Start(model, {kAgent + ".8.2.0 i 2"});
        CSnmpTrapDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 1; }));
        EXPECT_EQ(dlg.Poe(), poe);
        // The switch starts with authentication traps off, the rest on; box 2 was preloaded off.
        for (int i = 0; i < 9; ++i) {
            const int id = CSnmpTrapDlg::IDC_TRAP_FIRST + i;
            EXPECT_EQ(d.visible(id), i < 6 || poe) << i;
            if (i < 6 || poe) {
                EXPECT_EQ(d.checked(id), i != 0 && i != 1) << i;
            }
        }
        sim.clearLog();
        d.tick(CSnmpTrapDlg::IDC_TRAP_FIRST + 0, true);
        d.tick(CSnmpTrapDlg::IDC_TRAP_FIRST + 4, false);
        d.click("&Apply");
        ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 2; }));  // the switch is read again
        std::string want;
        for (int n = 1; n <= (poe ? 9 : 6); ++n)
            want += (n > 1 ? " " : "") + kAgent + ".8." + std::to_string(n) + ".0=" + (n == 2 || n == 5 ? "2" : "1");
        EXPECT_EQ(sim.setLines(), (Strings{want}));
        EXPECT_EQ(sim.sets()[0].community, "tessmar");
        EXPECT_FALSE(env.ui().waitCursor());
        sim.stop();
    }
}

TEST_F(AgentSimTest, GlobalStateShowsWritesAndReadsAgain) {
    Start("28", {kAgent + ".1.0 i 2"});
    CSnmpGlobalStateDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 1; }));
    EXPECT_FALSE(d.checked(CSnmpGlobalStateDlg::IDC_ENABLE));
    sim.clearLog();
    d.tick(CSnmpGlobalStateDlg::IDC_ENABLE);
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 2; }));
    EXPECT_EQ(sim.setLines(), (Strings{kAgent + ".1.0=1"}));
    EXPECT_TRUE(d.checked(CSnmpGlobalStateDlg::IDC_ENABLE));
    d.click("&Cancel");
    EXPECT_TRUE(d.ended());
}

TEST_F(AgentSimTest, EngineIdChecksOddLengthAndDefault) {
    Start("28");
    CSnmpEngineIdDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 1; }));
    EXPECT_EQ(d.text(CSnmpEngineIdDlg::IDC_ENGINE_ID).substr(0, 10), "800000ab03");
    sim.clearLog();
    const std::vector<std::pair<std::string, std::string>> refused = {
        {"123456789", "ID length is 10-64"},
        {std::string(65, 'a'), "ID length is 10-64"},
        {"", "ID length is 10-64"},
        {"12345678g0", "the accepted character is from 0 to F"},
        {"12345 6789", "the accepted character is from 0 to F"},
    };
    for (const auto& [typed, message] : refused) {
        d.type(CSnmpEngineIdDlg::IDC_ENGINE_ID, typed);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{message})) << typed;
    }
    EXPECT_TRUE(sim.requests().empty());

    int taken = 0;  // the writes reported to the window's unsaved-changes mark
    app::SetWriteTakenHandler([&] { ++taken; });
    const std::string id = kAgent + ".7.0=";
    d.type(CSnmpEngineIdDlg::IDC_ENGINE_ID, "ABCDEF0123456");  // 13 digits: 7 octets, a 0 in front
    d.click("&Apply");  // the question is left at its default, Cancel: nothing is written
    ASSERT_EQ(env.messages().size(), 1u);
    EXPECT_EQ(env.messages()[0].buttons, platform::MsgButtons::OkCancel);
    EXPECT_EQ(env.messages()[0].defaultButton, 1);
    env.takeMessages();
    env.runFor(std::chrono::milliseconds(200));
    EXPECT_TRUE(sim.requests().empty());
    env.answer({MsgAnswer::Ok, MsgAnswer::Ok, MsgAnswer::Ok});
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 2; }));
    EXPECT_EQ(d.text(CSnmpEngineIdDlg::IDC_ENGINE_ID), "0abcdef0123456");
    d.type(CSnmpEngineIdDlg::IDC_ENGINE_ID, std::string(64, 'F'));
    d.click("&Apply");
    ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 3; }));
    d.type(CSnmpEngineIdDlg::IDC_ENGINE_ID, "zz");
    d.click("&Default");
    ASSERT_TRUE(env.waitUntil([&] { return dlg.Reads() == 4; }));
    EXPECT_EQ(d.text(CSnmpEngineIdDlg::IDC_ENGINE_ID), "8000081c044653");
    EXPECT_EQ(sim.setLines(), (Strings{id + "0abcdef0123456", id + std::string(64, 'f'), id + "8000081c044653"}));
    EXPECT_EQ(env.takeMessages().size(), 3u);  // the three questions, and no failure
    EXPECT_EQ(taken, 3);
    app::SetWriteTakenHandler(nullptr);
}

// A write the switch refuses or does not answer says what was not changed, and the form reads
// the switch again; turning the agent off asks first.
TEST_F(AgentSimTest, ScalarWritesTellTheirOutcome) {
    struct Case {
        const char* name;
        std::function<std::unique_ptr<CAgentScalarDlg>()> make;
        std::function<void(DialogDriver&)> change;
        std::string object;
        int questions;  // OK/Cancel questions before the write
        std::string message;
    };
    const std::vector<Case> cases = {
        {"traps", [] { return std::make_unique<CSnmpTrapDlg>(); },
         [](DialogDriver& d) { d.tick(CSnmpTrapDlg::IDC_TRAP_FIRST + 2, false); }, kAgent + ".8", 0,
         "The trap settings could not be changed: the switch refused the value (genErr)."},
        {"global state off", [] { return std::make_unique<CSnmpGlobalStateDlg>(); },
         [](DialogDriver& d) { d.tick(CSnmpGlobalStateDlg::IDC_ENABLE, false); }, kAgent + ".1", 1,
         "The SNMP global state could not be changed: the switch refused the value (genErr)."},
        {"engine ID", [] { return std::make_unique<CSnmpEngineIdDlg>(); },
         [](DialogDriver& d) { d.type(CSnmpEngineIdDlg::IDC_ENGINE_ID, "0123456789ab"); }, kAgent + ".7", 1,
         "The engine ID could not be changed: the switch refused the value (genErr)."},
    };
    int taken = 0;
    app::SetWriteTakenHandler([&] { ++taken; });
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Start("10p", {kAgent + ".1.0 i 1"}, {"--set-error", c.object + ":genErr"});
        auto dlg = c.make();
        DialogDriver d(env, *dlg);
        ASSERT_TRUE(env.waitUntil([&] { return dlg->Reads() == 1; }));
        c.change(d);
        for (int i = 0; i < c.questions; ++i) env.answer(MsgAnswer::Ok);
        d.click("&Apply");
        ASSERT_TRUE(env.waitUntil([&] { return dlg->Reads() == 2; }));
        Strings shown = env.takeMessages();
        ASSERT_EQ(shown.size(), static_cast<size_t>(c.questions + 1));
        EXPECT_EQ(shown.back(), c.message);
        EXPECT_EQ(sim.sets().size(), 1u);
        EXPECT_TRUE(dlg->readsOk());
        EXPECT_EQ(taken, 0) << "a refused write marked the configuration as changed";
        sim.stop();
    }
    app::SetWriteTakenHandler(nullptr);
}

}  // namespace
}  // namespace agenttest
