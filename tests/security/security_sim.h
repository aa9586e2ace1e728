#pragma once
// Shared set-up of the access security dialog tests: a virtual switch per test, installed as
// the managed device, and the dialog environment that plays the user.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/session_settings.h"
#include "snmp/common_snmp.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace securitytest {

using corvex::test::Hex;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::MsgAnswer;
using Strings = std::vector<std::string>;

inline const std::string kPriv = "1.3.6.1.4.1.171.10.76.12";
inline const std::string kDot1xState = kPriv + ".11.2.1.0";
inline const std::string kRadiusServer = kPriv + ".11.1.1.0";
inline const std::string kRadiusKey = kPriv + ".11.1.2.0";
inline const std::string kPortControl = kPriv + ".11.2.9.1.2";
inline const std::string kArpMac = kPriv + ".14.3.1.1.2";
inline const std::string kArpPorts = kPriv + ".14.3.1.1.3";
inline const std::string kArpRowStatus = kPriv + ".14.3.1.1.4";
inline const std::string kDhcpPorts = kPriv + ".14.7.1.0";
inline const std::string kTrunkMembers = kPriv + ".8.1.3.1.2";

class SecuritySimTest : public corvex::test::SimDeviceTest {
protected:
    // Starts the switch with the given model, preloaded objects ("OID TYPE VALUE") and options.
    void Start(const std::string& model, const std::vector<std::string>& state = {},
               const std::vector<std::string>& extra = {}) {
        ASSERT_NO_FATAL_FAILURE(SimDeviceTest::Start(model, state, extra));
        ASSERT_EQ(Profile().DevicePortNum, std::stoi(model));
    }

    // True when the switch holds no row at all under the column (a get-next leaves it at once).
    bool ColumnEmpty(const std::string& column) const {
        CCommonSnmp session(sim.settings());
        if (!session.Open(SNMP_PDU_GETNEXT_T) || session.AddValue(column.c_str(), SNMP_T_NULL, nullptr) != 0)
            return false;
        CSnmp* reply = nullptr;
        const int rc = session.GetNext(&reply, 0);
        delete reply;
        return rc == CSnmp4w::EC_END_OF_TABLE;
    }

    // Waits until the form's write (if any) has ended.
    bool Written(const platform::Form& form) { return env.waitUntil([&] { return !form.writing(); }); }

    DialogEnvironment env;
};

}  // namespace securitytest
