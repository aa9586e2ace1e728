#pragma once
// Shared set-up of the agent dialog tests: a virtual switch per test, installed as the managed
// device, the dialog environment that plays the user, and readers of the request log.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/session_settings.h"
#include "features/agent/agent_access.h"
#include "features/agent/agent_table_dlg.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace agenttest {

using corvex::test::Hex;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::MsgAnswer;
using Strings = std::vector<std::string>;

inline const std::string kAgent = agent::kOidAgent;
inline const std::string kUser = agent::kOidUserEntry;
inline const std::string kGroup = agent::kOidGroupEntry;
inline const std::string kView = agent::kOidViewEntry;
inline const std::string kCommunity = agent::kOidCommunityEntry;
inline const std::string kHost = agent::kOidHostEntry;

// ".n.b1...bn" of a name, written out independently of the code under test.
inline std::string NameIndex(const std::string& name) {
    std::string out = "." + std::to_string(name.size());
    for (unsigned char c : name) out += "." + std::to_string(static_cast<int>(c));
    return out;
}

// An SNMPv3 user of the virtual switch with authentication and privacy.
inline const char* kV3User = "admin3";
inline const char* kV3Auth = "authPhrase77";
inline const char* kV3Priv = "privPhrase77";
inline const corvex::test::SimV3User kV3{kV3User, kV3Auth, kV3Priv};

class AgentSimTest : public corvex::test::SimDeviceTest {
protected:
    // Starts the switch with the model and preloaded objects ("OID TYPE VALUE").
    void Start(const std::string& model = "10p", const std::vector<std::string>& state = {},
               std::vector<std::string> extra = {}) {
        const Strings user = kV3.args();
        extra.insert(extra.end(), user.begin(), user.end());
        ASSERT_NO_FATAL_FAILURE(SimDeviceTest::Start(model, state, extra));
    }
    // The module reaches the switch as the SNMPv3 user, at the given level (1, 2 or 3).
    void UseV3(const std::string& level) { kV3.use(level); }

    static bool Settled(DialogDriver& d, CAgentTableDlg& dlg) {
        return d.env().waitUntil([&] { return !dlg.writing() && !dlg.Reloading(); });
    }

    DialogEnvironment env;
};

}  // namespace agenttest
