// The LLDP dialogs after a read that did not arrive: the status line says so, the controls that
// would write what was read stay disabled and nothing reaches the switch; Refresh reads again
// what failed.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/session_settings.h"
#include "features/lldp/lldp_dlgs.h"
#include "support/dialog_driver.h"
#include "support/failed_read.h"
#include "support/sim_fixture.h"

namespace {

using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::Form;
using Strings = std::vector<std::string>;
using namespace lldp;

using dialogtest::kPressRefresh;
using dialogtest::kReopen;
const std::string kRem = "1.0.8802.1.1.2.1.4.1.1";

class LldpReadsTest : public corvex::test::SimDeviceTest {
protected:
    DialogEnvironment env;
};

TEST_F(LldpReadsTest, FailedReadsShowTheStatusLineAndHoldBackEveryWrite) {
    struct Case {
        const char* what;
        std::string dropped;  // no answer for requests touching it
        std::function<std::unique_ptr<Form>()> make;
        Strings reads;  // the dialog's reads, all ended before the checks
        std::vector<dialogtest::Ref> held;
        std::string status;
        int rows;  // rows listed after the failure (-1: no list)
        int list;
        Strings messages;
        std::string again;  // an object the first request of Refresh names ("": no Refresh)
    };
    const Case cases[] = {
        {"global settings without the TX delay", kOidTxDelay, [] { return std::make_unique<CLldpGlobalDlg>(); },
         {"settings"}, {+CLldpGlobalDlg::IDC_BUTTON_STATE_APPLY, +CLldpGlobalDlg::IDC_BUTTON_APPLY}, kReopen, -1, 0, {},
         ""},
        // Whether LLDP is on decides whether MED may be set at all.
        {"MED without the LLDP state", kOidLldpState, [] { return std::make_unique<CLldpMedDlg>(); }, {"state"},
         {"&Apply"}, kPressRefresh, 0, CLldpMedDlg::IDC_LIST, {}, kOidLldpState},
        {"MED ports cut after port 4", kOidPsePowerTlv + ".5", [] { return std::make_unique<CLldpMedDlg>(); },
         {"state", "ports"}, {"&Apply"}, kPressRefresh, 4, CLldpMedDlg::IDC_LIST, {}, kOidPsePowerTlv},
        {"remote list without its neighbours", kRem + ".8", [] { return std::make_unique<CLldpRemoteDlg>(); },
         {"state", "neighbours"}, {}, kPressRefresh, 0, CLldpRemoteDlg::IDC_LIST, {}, kRem + ".4"},
        {"remote list without the LLDP state", kOidLldpState, [] { return std::make_unique<CLldpRemoteDlg>(); },
         {"state"}, {}, kPressRefresh, 0, CLldpRemoteDlg::IDC_LIST, {kMsgRemoteReadFailed}, kOidLldpState},
    };
    for (const Case& c : cases)
        dialogtest::RunFailedReadCase(
            sim, env, {c.what, {}, c.dropped, c.make, c.reads, c.held, c.status, c.rows, c.list, c.messages, c.again});
}

}  // namespace
