// The port and trunk dialogs read the switch again a moment after a write: the pause is a form
// timer, the buttons that would write again are held meanwhile, and a form closed during the
// pause sends nothing more.
#include <gtest/gtest.h>

#include "features/ports/port_set_info.h"
#include "features/ports/trunk_dlg.h"
#include "port_sim_support.h"
#include "support/write_sequence.h"

using namespace features;
using namespace portstest;
using dialogtest::DialogDriver;
using dialogtest::WriteSequenceCase;

namespace {

const std::string kLaState = "1.3.6.1.4.1.171.10.76.12.8.1.2.0";
const std::string kMode = "1.3.6.1.4.1.171.10.76.12.8.1.3.1.3";

bool TrunkReady(DialogDriver& d, platform::Form&) {
    return d.waitRows("Trunk Information", 8) && d.waitEnabled(CTrunkConfigDlg::IDC_APPLY) &&
           d.waitEnabled(CTrunkConfigDlg::IDC_STATE_APPLY) && d.waitEnabled("&Refresh");
}

}  // namespace

using PortWriteTimers = SimTest;

TEST_F(PortWriteTimers, ReadingAgainAfterAWriteWaitsOnATimer) {
    const std::vector<WriteSequenceCase> cases = {
        {.name = "port configuration, refused set",
         .args = {"--set-error", kFlow + ":genErr"},
         .make = [] { return std::make_unique<CPortSetInfo>(); },
         .ready =
             [](DialogDriver& d, platform::Form& f) {
                 auto& dlg = dynamic_cast<CPortSetInfo&>(f);
                 return d.waitEnabled("&Apply") && d.env().waitUntil([&] { return !dlg.Trunks().Walking(); });
             },
         .act =
             [](DialogDriver& d) {
                 d.clickRow("Port Information", 0);
                 d.choose("PortControlSpeed:", "Auto");
                 d.choose("FlowControlMode:", "Disable");
                 d.click("&Apply");
             },
         .sentAtOnce = {kSpeed + ".1=6", kFlow + ".1=2"},
         .sentInAll = {kSpeed + ".1=6", kFlow + ".1=2"},
         .held = {"&Apply", "&Refresh"}},
        {.name = "trunk state",
         .make = [] { return std::make_unique<CTrunkConfigDlg>(); },
         .ready = TrunkReady,
         .act =
             [](DialogDriver& d) {
                 d.tick("Enable Trunk", false);
                 d.click(CTrunkConfigDlg::IDC_STATE_APPLY);
             },
         .sentAtOnce = {kLaState + "=2"},
         .sentInAll = {kLaState + "=2"},
         .held = {CTrunkConfigDlg::IDC_STATE_APPLY, CTrunkConfigDlg::IDC_APPLY, "&Refresh"}},
        {.name = "trunk channel mode",
         .state = {TrunkLine(1, "c0000000"), kMode + ".1 i 2"},
         .make = [] { return std::make_unique<CTrunkConfigDlg>(); },
         .ready = TrunkReady,
         .act =
             [](DialogDriver& d) {
                 d.clickRow("Trunk Information", 0);
                 d.choose("PortChannelMode:", "LACP");
                 d.click(CTrunkConfigDlg::IDC_APPLY);
             },
         .sentAtOnce = {kMode + ".1=1"},
         .sentInAll = {kMode + ".1=1"},
         .held = {CTrunkConfigDlg::IDC_STATE_APPLY, CTrunkConfigDlg::IDC_APPLY, "&Refresh"}},
    };
    for (const auto& c : cases) RunWriteSequenceCase(sim, m_env, c);
}
