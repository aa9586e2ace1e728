// What the VLAN dialogs do when their reads fail: the switch reboots (and answers nothing) just
// as a dialog opens. The dialog then says so in its status line and holds back every control
// that would write or check what it did not read; nothing reaches the switch. Once the switch is
// back, Refresh reads everything and the controls come back.
#include <functional>
#include <memory>

#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/vlan/auto_surveillance_vlan_dlg.h"
#include "features/vlan/pvid_dlg.h"
#include "vlan/vlan_sim.h"

namespace vlantest {
namespace {

using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

constexpr int kSilentSeconds = 3;
const std::string kSurvOn = kPriv + ".34.1.1.0 i 1";
const std::string kSurvVid = kPriv + ".34.1.2.0 i 100";

bool StatusSaysNotRead(DialogDriver& d) {
    const platform::Control& line = d.control(platform::Form::kIdReadStatus);
    return line.visible() && line.text().rfind("Not all settings could be read from the switch (", 0) == 0 &&
           line.text().find("Press Refresh.") != std::string::npos;
}

TEST_F(VlanSimTest, ADialogOpenedOnASilentSwitchWritesNothingUntilRefreshReadsIt) {
    static const vlan::VlanRecordList kRecords = {{10, "ten", "1,2", "", "", 2, 0, 0}};
    struct Case {
        const char* name;
        Strings state;
        std::function<std::unique_ptr<platform::Form>()> make;
        std::vector<dialogtest::Ref> writes;  // held back while not read
    } cases[] = {
        {"802.1Q VLAN table", {kName + ".10 s \"ten\"", kEgress + ".10 x c0000000"},
         [] { return std::make_unique<CVlanConfigDlg>(); },
         {CVlanConfigDlg::IDC_ASYMMETRIC, CVlanConfigDlg::IDC_APPLY, CVlanConfigDlg::IDC_ADD, CVlanConfigDlg::IDC_EDIT,
          CVlanConfigDlg::IDC_DELETE, CVlanConfigDlg::IDC_PVID}},
        {"PVID form", {}, [] { return std::make_unique<CPvidDlg>(10, "10", 1, &kRecords); }, {CPvidDlg::IDC_APPLY}},
        {"auto surveillance VLAN", {kSurvOn, kSurvVid},
         [] { return std::make_unique<CAutoSurveillanceVlanDlg>(); },
         {CAutoSurveillanceVlanDlg::IDC_ENABLE, CAutoSurveillanceVlanDlg::IDC_VLAN_ID,
          CAutoSurveillanceVlanDlg::IDC_UPLINK_PORTS, CAutoSurveillanceVlanDlg::IDC_APPLY,
          CAutoSurveillanceVlanDlg::IDC_ADD}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start("10p", c.state, {"--reboot-seconds", std::to_string(kSilentSeconds)}));
        MutableSettings().TimeoutMs = "200";
        const auto silent = Reboot(sim);
        sim.clearLog();
        auto form = c.make();
        DialogDriver d(env, *form);
        ASSERT_TRUE(env.waitUntil([&] { return StatusSaysNotRead(d) && d.enabled("&Refresh"); }, 10000ms));
        for (const auto& w : c.writes) EXPECT_FALSE(d.enabled(w)) << w.describe();
        // The VLAN ID box is left empty rather than showing a value nobody read.
        if (std::string(c.name) == "auto surveillance VLAN") {
            EXPECT_EQ(d.control(CAutoSurveillanceVlanDlg::IDC_VLAN_ID).text(), "");
        }
        EXPECT_TRUE(sim.sets().empty());

        // The switch is back: Refresh reads it all and the controls come back.
        ASSERT_TRUE(env.waitUntil([&] { return std::chrono::steady_clock::now() > silent + std::chrono::seconds(kSilentSeconds) + 300ms; },
                                  std::chrono::seconds(kSilentSeconds + 2)));
        d.click("&Refresh");
        ASSERT_TRUE(env.waitUntil(
            [&] {
                for (const auto& w : c.writes)
                    if (!d.enabled(w)) return false;
                return form->readsOk() && !d.control(platform::Form::kIdReadStatus).visible();
            },
            10000ms));
        EXPECT_TRUE(sim.sets().empty());
        EXPECT_TRUE(env.takeMessages().empty());
        sim.stop();
    }
}

}  // namespace
}  // namespace vlantest
