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
#include "support/sim_fixture.h"

namespace {

using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using platform::Form;
using Strings = std::vector<std::string>;
using namespace lldp;

const std::string kNotRead = "Not all settings could be read from the switch (";
const std::string kPressRefresh = "). Press Refresh.";
const std::string kReopen = "). Close the dialog and open it again.";
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
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(Start("10p", {}, {"--drop-prefix", c.dropped}));
        MutableSettings().TimeoutMs = "200";
        std::unique_ptr<Form> dlg = c.make();
        DialogDriver d(env, *dlg);
        ASSERT_TRUE(env.waitUntil(
            [&] {
                for (const std::string& r : c.reads)
                    if (dlg->readState(r) == Form::ReadState::Running) return false;
                return !dlg->readStatusText().empty();
            },
            std::chrono::seconds(10)));
        env.runFor(std::chrono::milliseconds(20));
        EXPECT_TRUE(d.visible(Form::kIdReadStatus));
        const std::string line = dlg->find(Form::kIdReadStatus)->text();
        EXPECT_EQ(line.rfind(kNotRead, 0), 0u) << line;
        EXPECT_TRUE(line.size() > c.status.size() && line.ends_with(c.status)) << line;
        if (c.rows >= 0) {
            EXPECT_EQ(d.rowCount(c.list), c.rows);
        }
        sim.clearLog();
        for (const dialogtest::Ref& ref : c.held) {
            EXPECT_FALSE(d.enabled(ref)) << ref.describe();
            EXPECT_ANY_THROW(d.click(ref)) << ref.describe();
        }
        EXPECT_EQ(env.takeMessages(), c.messages);
        EXPECT_TRUE(sim.sets().empty());
        // Refresh, where there is one, asks again for what failed.
        if (!c.again.empty()) {
            ASSERT_TRUE(d.waitEnabled("&Refresh"));
            d.click("&Refresh");
            ASSERT_TRUE(env.waitUntil([&] { return !sim.requests().empty(); }));
            const auto first = sim.requests().front();
            ASSERT_FALSE(first.bindings.empty());
            EXPECT_EQ(first.bindings[0].oid, c.again);
            ASSERT_TRUE(env.waitUntil(
                [&] {
                    for (const std::string& r : c.reads)
                        if (dlg->readState(r) == Form::ReadState::Running) return false;
                    return true;
                },
                std::chrono::seconds(10)));
            env.takeMessages();
        }
        sim.stop();
    }
}

}  // namespace
