#pragma once
// Checks of a dialog opened on a switch that loses the replies touching one object: once its
// reads have ended, the status line says what was not read, the list holds the rows read so
// far, the controls that would write what was read are disabled and do nothing, and nothing
// reaches the switch. Refresh, where the case names what it asks first, reads again.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/session_settings.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace dialogtest {

inline const std::string kNotReadLead = "Not all settings could be read from the switch (";
inline const std::string kPressRefresh = "). Press Refresh.";
inline const std::string kReopen = "). Close the dialog and open it again.";

struct FailedReadCase {
    std::string what;
    std::vector<std::string> state;  // preloaded objects
    std::string dropped;             // no answer for requests touching it ("": none)
    std::function<std::unique_ptr<platform::Form>()> make;
    // The dialog's reads, all ended before the checks (none named: the status line shows and
    // Refresh, where there is one, is enabled again).
    std::vector<std::string> reads;
    std::vector<Ref> held;  // disabled, and a click does nothing
    std::string status;     // how the status line ends: kPressRefresh or kReopen
    int rows = -1;          // rows listed after the failure (-1: no list)
    int list = 0;
    std::vector<std::string> messages;  // shown meanwhile
    std::string again;                  // an object the first request of Refresh names ("": not tried)
};

inline void RunFailedReadCase(corvex::test::SimDevice& sim, DialogEnvironment& env, const FailedReadCase& c) {
    using platform::Form;
    SCOPED_TRACE(c.what);
    std::vector<std::string> args;
    if (!c.dropped.empty()) args = {"--drop-prefix", c.dropped};
    std::string error;
    ASSERT_TRUE(sim.startAsDevice("10p", c.state, args, &error)) << error;
    MutableSettings().TimeoutMs = "200";
    std::unique_ptr<Form> dlg = c.make();
    DialogDriver d(env, *dlg);
    const auto readsEnded = [&] {
        for (const std::string& r : c.reads)
            if (dlg->readState(r) == Form::ReadState::Running) return false;
        return c.reads.empty() ? dlg->find("&Refresh") == nullptr || d.enabled("&Refresh") : true;
    };
    ASSERT_TRUE(env.waitUntil([&] { return readsEnded() && !dlg->readStatusText().empty(); }, std::chrono::seconds(10)));
    env.runFor(std::chrono::milliseconds(50));
    EXPECT_TRUE(d.visible(Form::kIdReadStatus));
    const std::string line = dlg->find(Form::kIdReadStatus)->text();
    EXPECT_EQ(line.rfind(kNotReadLead, 0), 0u) << line;
    EXPECT_TRUE(line.size() > c.status.size() && line.ends_with(c.status)) << line;
    if (c.rows >= 0) {
        EXPECT_EQ(d.rowCount(c.list), c.rows);
    }
    sim.clearLog();
    for (const Ref& ref : c.held) {
        EXPECT_FALSE(d.enabled(ref)) << ref.describe();
        EXPECT_ANY_THROW(d.click(ref)) << ref.describe();
    }
    EXPECT_EQ(env.takeMessages(), c.messages);
    EXPECT_TRUE(sim.sets().empty());
    if (!c.again.empty()) {
        ASSERT_TRUE(d.waitEnabled("&Refresh"));
        d.click("&Refresh");
        ASSERT_TRUE(env.waitUntil([&] { return !sim.requests().empty(); }));
        const auto first = sim.requests().front();
        ASSERT_FALSE(first.bindings.empty());
        EXPECT_EQ(first.bindings[0].oid, c.again);
        ASSERT_TRUE(env.waitUntil(readsEnded, std::chrono::seconds(10)));
        env.takeMessages();
    }
    sim.stop();
}

}  // namespace dialogtest
