#pragma once
// Shared set-up of the VLAN dialog tests: a virtual switch per test, installed as the managed
// device, and the dialog environment that plays the user.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "app/session_settings.h"
#include "features/vlan/vlan_config_dlg.h"
#include "snmp/common_snmp.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"
#include "support/sim_reboot.h"

namespace vlantest {

using corvex::test::Hex;
using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::MsgAnswer;

inline const std::string kPriv = "1.3.6.1.4.1.171.10.76.12";
inline const std::string kName = kPriv + ".7.6.1.1";
inline const std::string kEgress = kPriv + ".7.6.1.2";
inline const std::string kUntagged = kPriv + ".7.6.1.4";
inline const std::string kRowState = kPriv + ".7.6.1.5";
inline const std::string kPvid = kPriv + ".7.7.1.1";
inline const std::string kAsymmetric = kPriv + ".7.5.0";
inline const std::string kTrunkMembers = kPriv + ".8.1.3.1.2";

using corvex::test::Reboot;

class VlanSimTest : public corvex::test::SimDeviceTest {
protected:
    // Starts the switch with the given model, preloaded objects ("OID TYPE VALUE") and options.
    void Start(const std::string& model, const std::vector<std::string>& state = {},
               const std::vector<std::string>& extra = {}) {
        ASSERT_NO_FATAL_FAILURE(SimDeviceTest::Start(model, state, extra));
        ASSERT_EQ(Profile().DevicePortNum, model == "52" ? 52 : 10);
    }

    // Waits until the VLAN dialog has finished all the reads of its Refresh.
    static bool Settled(DialogDriver& d, CVlanConfigDlg& dlg) {
        return d.env().waitUntil(
            [&] {
                return !dlg.writing() && !dlg.TableWalking() && !dlg.PvidWalking() && dlg.VoiceStateRead() &&
                       dlg.readState("asymmetric mode") != platform::Form::ReadState::Running;
            });
    }

    static int RowOf(DialogDriver& d, const std::string& vid) {
        // One reference kept for all calls: GCC 12 with the sanitizers takes the copy of a
        // reference built in place for a read of an uninitialised string (-Wmaybe-uninitialized).
        static const dialogtest::Ref kList(CVlanConfigDlg::IDC_VLAN_LIST);
        return d.list(kList).findRow(0, vid);
    }

    DialogEnvironment env;
};

}  // namespace vlantest
