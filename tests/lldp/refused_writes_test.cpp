// Every write of the LLDP dialogs against a switch that refuses it: the message says what was not
// changed, the form reads the switch again, and the switch keeps what it had.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "features/common/sync_request.h"
#include "features/lldp/lldp_dlgs.h"
#include "support/held.h"
#include "support/refused_write.h"

namespace {

using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using dialogtest::RefusedWriteCase;
using Strings = std::vector<std::string>;
using namespace lldp;

class LldpRefusedTest : public corvex::test::SimDeviceTest {
protected:
    DialogEnvironment env;
};

using corvex::test::Held;

std::unique_ptr<platform::Form> MakeGlobal() {
    auto dlg = std::make_unique<CLldpGlobalDlg>();
    dlg->SetTiming({20, 10});
    return dlg;
}

bool GlobalRead(DialogDriver& d, platform::Form& form) {
    auto& dlg = static_cast<CLldpGlobalDlg&>(form);
    return d.env().waitUntil([&] { return !dlg.Busy() && dlg.ReadCount() >= 1; });
}

std::unique_ptr<platform::Form> MakeMed() {
    auto dlg = std::make_unique<CLldpMedDlg>();
    dlg->SetTiming({5});
    return dlg;
}

bool MedLoaded(DialogDriver& d, platform::Form& form) {
    auto& dlg = static_cast<CLldpMedDlg&>(form);
    return d.env().waitUntil([&] { return dlg.StateRead() && !dlg.Busy() && d.rowCount(CLldpMedDlg::IDC_LIST) == 8; });
}

TEST_F(LldpRefusedTest, RefusedWritesTellTheirOutcome) {
    const std::vector<RefusedWriteCase> cases = {
        {"LLDP state Apply, refused three times",
         "10p",
         {},
         {kOidLldpState},
         {},
         MakeGlobal,
         GlobalRead,
         [](DialogDriver& d, DialogEnvironment&) {
             d.tick(" LLDP Enable ", false);
             d.click("&Apply");
         },
         "The LLDP state could not be changed: the switch refused the value (genErr).",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             auto& dlg = static_cast<CLldpGlobalDlg&>(form);
             ASSERT_TRUE(d.env().waitUntil([&] { return !dlg.Busy() && dlg.ReadCount() == 2; }));
             EXPECT_EQ(sim.setBindingLists(), std::vector<Strings>(3, Strings{kOidLldpState + "=2"}));
             EXPECT_EQ(d.env().messageTexts().size(), 1u);  // the first two failures are not told
             EXPECT_EQ(Held(kOidLldpState), "1");
             EXPECT_TRUE(d.checked(" LLDP Enable "));  // read again
             EXPECT_TRUE(d.enabled("&Apply"));
         }},
        {"LLDP timers Apply",
         "10p",
         {},
         {kOidTxInterval},
         {},
         MakeGlobal,
         GlobalRead,
         [](DialogDriver& d, DialogEnvironment&) {
             d.type("Message TX Interval(5 - 32768)", "40");
             d.click("Apply");
         },
         "The LLDP timers could not be changed: the switch refused the value (genErr).",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             auto& dlg = static_cast<CLldpGlobalDlg&>(form);
             ASSERT_TRUE(d.env().waitUntil([&] { return !dlg.Busy() && dlg.ReadCount() == 2; }));
             EXPECT_EQ(sim.sets().size(), 3u);
             EXPECT_EQ(Held(kOidTxInterval), "30");
             EXPECT_EQ(d.text("Message TX Interval(5 - 32768)"), "30");
             EXPECT_TRUE(d.enabled("Apply"));
         }},
        // Every port is tried; the ports refused are named together.
        {"MED Apply on ports 3 to 7, refused at ports 4 and 6",
         "10p",
         {},
         {kOidPsePowerTlv + ".4", kOidPsePowerTlv + ".6"},
         {},
         MakeMed,
         MedLoaded,
         [](DialogDriver& d, DialogEnvironment&) {
             d.choose("From Port", "   3 ");
             d.choose("To Port", "   7 ");
             d.choose("Power PSE TLV", "Enable");
             d.click("&Apply");
         },
         "The Power PSE TLV could not be changed on ports 4 and 6: the switch refused the value (genErr). The other "
         "ports were changed.",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(MedLoaded(d, form));
             std::vector<Strings> sent;
             for (int p = 3; p <= 7; ++p) sent.push_back({kOidPsePowerTlv + "." + std::to_string(p) + "=1"});
             EXPECT_EQ(sim.setBindingLists(), sent);
             EXPECT_EQ(d.env().messageTexts().size(), 1u);
             Strings tlv;
             for (const auto& row : d.rows(CLldpMedDlg::IDC_LIST)) tlv.push_back(row[1]);
             EXPECT_EQ(tlv, (Strings{"Disable", "Disable", "Enable", "Disable", "Enable", "Disable", "Enable", "Disable"}));
             EXPECT_EQ(d.text("Power PSE TLV"), "Enable");  // the user's choice stays for a retry
             EXPECT_TRUE(d.enabled("&Apply"));
         }},
    };
    for (const RefusedWriteCase& c : cases) {
        dialogtest::RunRefusedWriteCase(sim, env, c);
        env.takeMessages();
    }
}

}  // namespace
