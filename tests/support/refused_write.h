#pragma once
// Checks of a write that the switch refuses. A case names the form, how to get it ready, the
// objects the switch refuses (`--set-error OID:genErr`), the user action that starts the write,
// the message the user must see, and what the switch holds afterwards. The run checks that the
// message came, that the form read the switch again and is still usable, and the case's own
// checks of the form and of the switch.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace dialogtest {

struct RefusedWriteCase {
    std::string name;
    std::string model = "10p";
    std::vector<std::string> state;   // preloaded objects
    std::vector<std::string> refuse;  // OIDs (subtrees) whose sets the switch answers with genErr
    std::vector<std::string> args;    // more simulator options
    std::function<std::unique_ptr<platform::Form>()> make;
    std::function<bool(DialogDriver&, platform::Form&)> ready;
    // Plays the user up to the action that starts the write (the click) included; queue answers
    // to questions with env.answer() before the click.
    std::function<void(DialogDriver&, DialogEnvironment&)> act;
    std::string message;  // the last message shown
    // After the message: the form's state and the switch's (sets on the wire, rows left over).
    std::function<void(DialogDriver&, platform::Form&, corvex::test::SimDevice&)> check;
};

inline void RunRefusedWriteCase(corvex::test::SimDevice& sim, DialogEnvironment& env, const RefusedWriteCase& c) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    for (const std::string& oid : c.refuse) {
        args.push_back("--set-error");
        args.push_back(oid + ":genErr");
    }
    std::string error;
    ASSERT_TRUE(sim.startAsDevice(c.model, c.state, args, &error)) << error;
    {
        std::unique_ptr<platform::Form> form = c.make();
        DialogDriver d(env, *form);
        ASSERT_TRUE(c.ready(d, *form));
        env.takeMessages();
        sim.clearLog();
        c.act(d, env);
        ASSERT_TRUE(env.waitUntil([&] {
            const std::vector<std::string> shown = env.messageTexts();
            return !shown.empty() && shown.back() == c.message;
        })) << ::testing::PrintToString(env.messageTexts());
        // The form reads the switch again after the failure, and comes back usable.
        EXPECT_TRUE(env.waitUntil([&] { return !form->writing() && (form->ended() || form->readsOk()); }));
        EXPECT_TRUE(env.waitUntil([&] {
            bool setSeen = false, readAfter = false;
            for (const corvex::test::SimRequest& r : sim.requests()) {
                if (r.pdu == "set") setSeen = true;
                else if (setSeen) readAfter = true;
            }
            return readAfter || form->ended();
        })) << "the form did not read the switch again after the refused write";
        if (c.check) c.check(d, *form, sim);
    }
    sim.stop();
}

}  // namespace dialogtest
