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

using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::MsgAnswer;
using Strings = std::vector<std::string>;

inline const std::string kPriv = "1.3.6.1.4.1.171.10.76.12";

// Text as the simulator logs octet strings.
inline std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

class MaintSimTest : public ::testing::Test {
protected:
    void Start(const std::vector<std::string>& state = {}, std::vector<std::string> extra = {}) {
        if (!state.empty()) extra.insert(extra.end(), {"--state", sim.writeStateFile(state)});
        std::string error;
        ASSERT_TRUE(sim.start("10p", extra, &error)) << error;
        sim.installAsDevice();
    }
    void TearDown() override { sim.stop(); }

    // Every set request since the last clearLog, one "oid=value" list per request.
    std::vector<Strings> Sets() const {
        std::vector<Strings> out;
        for (const auto& r : sim.sets()) {
            Strings one;
            for (const auto& b : r.bindings) one.push_back(b.oid + "=" + b.value);
            out.push_back(one);
        }
        return out;
    }
    // Requests of a kind that name the object (in any binding).
    int CountOf(const std::string& pdu, const std::string& oid) const {
        int n = 0;
        for (const auto& r : sim.requests())
            if (r.pdu == pdu)
                for (const auto& b : r.bindings)
                    if (b.oid == oid) {
                        ++n;
                        break;
                    }
        return n;
    }

    corvex::test::SimDevice sim;
    DialogEnvironment env;
};

}  // namespace mainttest
