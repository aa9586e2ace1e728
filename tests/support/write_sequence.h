#pragma once
// Checks for a write of several requests that continues on form timers. A case names the form,
// how to get it ready, the user action that starts the write, the requests that go out at once
// (before the first pause), the whole write, and the buttons held meanwhile. Each case runs
// twice: once to its end (the same requests, in the same order, and the buttons back), once
// with the user trying to leave right after the action (Esc or the close box, and every button
// that would end the form is held): the form stays, and the whole write still reaches the switch.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace dialogtest {

struct WriteSequenceCase {
    std::string name;
    std::string model = "10p";
    std::vector<std::string> state;  // preloaded objects
    std::vector<std::string> args;   // more simulator options
    std::function<std::unique_ptr<platform::Form>()> make;
    std::function<bool(DialogDriver&, platform::Form&)> ready;
    // Plays the user up to the action that starts the write (the click) included.
    std::function<void(DialogDriver&)> act;
    std::vector<std::string> sentAtOnce;  // set bindings "oid=value" before the first pause
    std::vector<std::string> sentInAll;   // set bindings of the whole write, in order
    std::vector<Ref> held;                // disabled until the write ends
    // After the write: the form ended (a child dialog closes with OK), or reads what it wrote.
    bool endsForm = false;
};

// Runs the case on the switch; a failure names the case and the run.
inline void RunWriteSequenceCase(corvex::test::SimDevice& sim, DialogEnvironment& env, const WriteSequenceCase& c) {
    for (const bool closeMidway : {false, true}) {
        SCOPED_TRACE(c.name + (closeMidway ? " (the user tries to leave mid-way)" : " (to its end)"));
        std::string error;
        ASSERT_TRUE(sim.startAsDevice(c.model, c.state, c.args, &error)) << error;
        std::unique_ptr<platform::Form> form = c.make();
        {
            DialogDriver d(env, *form);
            ASSERT_TRUE(c.ready(d, *form));
            sim.clearLog();
            c.act(d);
            // The first requests go out from the write helper's sender thread: they are waited
            // for without running the form's timers or handlers.
            for (int i = 0; i < 250 && sim.setBindings().size() < c.sentAtOnce.size(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            // Nothing has been pumped: the write now waits on a timer, with its buttons held.
            EXPECT_EQ(sim.setBindings(), c.sentAtOnce) << ::testing::PrintToString(env.messageTexts());
            EXPECT_TRUE(form->writing());
            for (const Ref& r : c.held) EXPECT_FALSE(d.enabled(r)) << r.describe();
            if (closeMidway) {
                d.closeWindow();
                EXPECT_FALSE(form->ended()) << "the form let go in the middle of its write";
                for (int id : {platform::kIdOk, platform::kIdCancel}) {
                    if (form->find(id)) {
                        EXPECT_FALSE(d.enabled(id)) << "button " << id << " not held";
                    }
                }
            }
            ASSERT_TRUE(env.waitUntil([&] { return !form->writing(); }));
            EXPECT_EQ(sim.setBindings(), c.sentInAll);
            EXPECT_EQ(form->ended(), c.endsForm);
            if (!c.endsForm) {
                for (const Ref& r : c.held) EXPECT_TRUE(d.waitEnabled(r)) << r.describe();
            }
        }  // the window is destroyed
        sim.stop();
    }
}

}  // namespace dialogtest
