#pragma once
// A form opened on a switch that loses some of its requests: waits until its reads have settled,
// then checks what the user sees. The not-read line shows exactly when a read failed, and each
// of `writes` is usable exactly when every read in `reads` (those its writes need) is complete.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "support/dialog_driver.h"

namespace dialogtest {

inline void ExpectSettledOpen(DialogEnvironment& env, DialogDriver& d, const std::vector<std::string>& reads,
                              const std::vector<Ref>& writes) {
    platform::Form& form = d.form();
    using State = platform::Form::ReadState;
    ASSERT_TRUE(env.waitUntil(
        [&] {
            // A read that follows another begins only once that one is complete.
            bool unbegun = false;
            for (const std::string& r : reads) unbegun = unbegun || !form.readState(r);
            for (const std::string& r : form.readNames())
                if (form.readState(r) == State::Running) return false;
            return !unbegun || !form.readsOk();
        },
        std::chrono::seconds(10)));
    env.runFor(std::chrono::milliseconds(20));
    bool needed = true;
    for (const std::string& r : reads) needed = needed && form.readOk(r);
    if (form.readsOk()) {
        for (const std::string& r : reads) EXPECT_TRUE(form.readState(r).has_value()) << r;
    }
    EXPECT_EQ(d.visible(platform::Form::kIdReadStatus), !form.readsOk());
    for (const Ref& ref : writes) EXPECT_EQ(d.enabled(ref), needed) << ref.describe();
}

}  // namespace dialogtest
