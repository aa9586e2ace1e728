#pragma once
// A virtual switch per test, with an optional preloaded state, installed as the managed device.
#include <gtest/gtest.h>

#include <chrono>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "support/dialog_driver.h"
#include "snmp/common_snmp.h"
#include "support/sim_fixture.h"
#include "support/sim_reboot.h"

namespace portstest {

// laPortChannelMemberList and the port table columns, for state lines.
inline const std::string kMembers = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.2";
inline const std::string kSpeed = "1.3.6.1.4.1.171.10.76.12.1.13.1.2";
inline const std::string kFlow = "1.3.6.1.4.1.171.10.76.12.1.13.1.5";
inline const std::string kMedium = "1.3.6.1.4.1.171.10.76.12.1.13.1.7";

inline std::string SpeedLine(int port, int value) { return kSpeed + "." + std::to_string(port) + " i " + std::to_string(value); }
inline std::string TrunkLine(int trunk, const std::string& hex) { return kMembers + "." + std::to_string(trunk) + " x " + hex; }

// An SNMPv3 user with authentication and privacy, for the dialogs that must work over SNMPv3.
inline const corvex::test::SimV3User kV3{"corvexv3", "corvexAuth1", "corvexPriv1"};

// One binding of a set request the switch received.
struct Write {
    std::string oid, value;
    bool operator==(const Write&) const = default;
};
inline std::ostream& operator<<(std::ostream& os, const Write& w) { return os << w.oid << "=" << w.value; }

// The bindings of each set request the switch received.
inline std::vector<std::vector<Write>> Sets(const corvex::test::SimDevice& sim) {
    std::vector<std::vector<Write>> out;
    for (const auto& r : sim.sets()) {
        out.emplace_back();
        for (const auto& b : r.bindings) out.back().push_back({b.oid, b.value});
    }
    return out;
}

using corvex::test::Reboot;

class SimTest : public corvex::test::SimDeviceTest {
protected:
    // Starts the switch (state lines preloaded) and makes it the device of the process records.
    void StartSim(const std::string& model, const std::vector<std::string>& args = {},
                  const std::vector<std::string>& state = {}) {
        ASSERT_NO_FATAL_FAILURE(Start(model, state, args));
    }

    dialogtest::DialogEnvironment m_env;
};

}  // namespace portstest
