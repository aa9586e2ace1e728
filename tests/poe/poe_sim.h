#pragma once
// Shared set-up of the PoE dialog tests: a virtual switch per test, installed as the managed
// device, the dialog environment that plays the user, and readings of the request log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/session_settings.h"
#include "features/common/sync_request.h"
#include "support/dialog_driver.h"
#include "support/held.h"
#include "support/sim_fixture.h"

namespace poetest {

using corvex::test::Hex;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::MsgAnswer;
using Strings = std::vector<std::string>;

inline const std::string kPort = "1.3.6.1.4.1.171.10.76.12.22.1.1";   // .<column>.1.<port>
inline const std::string kRange = "1.3.6.1.4.1.171.10.76.12.23.1.1";  // .<column>.<index>

inline std::string PortObj(int column, int port) {
    return kPort + "." + std::to_string(column) + ".1." + std::to_string(port);
}
inline std::string RangeObj(int column, int index) {
    return kRange + "." + std::to_string(column) + "." + std::to_string(index);
}

// State lines of an active time range with a name, times and weekdays (1 selected, 2 not).
inline Strings RangeState(int index, const std::string& name, int startHour = 8, int endHour = 18,
                          const std::string& days = "1111100") {
    Strings s = {RangeObj(2, index) + " s \"" + name + "\"", RangeObj(7, index) + " i " + std::to_string(startHour),
                 RangeObj(12, index) + " i " + std::to_string(endHour)};
    for (int d = 0; d < 7; ++d)
        s.push_back(RangeObj(14 + d, index) + " i " + (days[static_cast<size_t>(d)] == '1' ? "1" : "2"));
    return s;
}

using corvex::test::Held;

class PoeSimTest : public corvex::test::SimDeviceTest {
protected:
    DialogEnvironment env;
};

}  // namespace poetest
