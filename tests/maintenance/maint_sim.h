#pragma once
// Shared set-up of the maintenance dialog tests: a virtual switch per test, installed as the
// managed device, and the dialog environment that plays the user.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/session_settings.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace mainttest {

using corvex::test::Hex;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::MsgAnswer;
using Strings = std::vector<std::string>;

inline const std::string kPriv = "1.3.6.1.4.1.171.10.76.12";

class MaintSimTest : public corvex::test::SimDeviceTest {
protected:
    void Start(const std::vector<std::string>& state = {}, const std::vector<std::string>& extra = {}) {
        ASSERT_NO_FATAL_FAILURE(SimDeviceTest::Start("10p", state, extra));
    }

    // Starts the switch again on the same address, so that open dialogs reach it, with new
    // options (none: a switch that answers everything) and its shipped state plus `state`.
    void Restart(const std::vector<std::string>& state = {}, std::vector<std::string> extra = {}) {
        const int port = sim.port();
        if (!state.empty()) {
            extra.push_back("--state");
            extra.push_back(sim.writeStateFile(state));
        }
        // The last --listen is the one the switch takes.
        extra.push_back("--listen");
        extra.push_back("udp:127.0.0.1:" + std::to_string(port));
        std::string error;
        ASSERT_TRUE(sim.start("10p", extra, &error)) << error;
    }

    DialogEnvironment env;
};

}  // namespace mainttest
