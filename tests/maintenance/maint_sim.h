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

    DialogEnvironment env;
};

}  // namespace mainttest
