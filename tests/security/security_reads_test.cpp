// The access security dialogs after a read that did not arrive: the status line says so, the
// controls that would write what was read stay disabled and nothing reaches the switch; once a
// read succeeds again they come back. The 802.1X rule that one port stays force-authorized
// refuses when only unread ports could keep it.
#include <functional>
#include <memory>

#include "features/common/form_reads.h"
#include "features/common/sync_request.h"
#include "features/security/arp_spoofing_dlgs.h"
#include "features/security/dhcp_screening_dlg.h"
#include "features/security/dot1x_dlgs.h"
#include "security/security_sim.h"
#include "support/failed_read.h"

namespace securitytest {
namespace {

using platform::Form;
using security::C8021xGlobalDlg;
using security::C8021xPortDlg;
using security::CArpSpoofingDlg;
using security::CArpSpoofingEntryDlg;
using security::CDhcpScreeningDlg;

const security::Dot1xParamTexts kTexts{"60", "30", "30", "30", "2", "3600", "Disabled"};
using dialogtest::kPressRefresh;
using dialogtest::kReopen;
const std::string kRebootDevice = kPriv + ".1.9.0";

std::vector<std::string> AllPorts(int n, const std::string& value) {
    std::vector<std::string> lines;
    for (int p = 1; p <= n; ++p) lines.push_back(kPortControl + "." + std::to_string(p) + " i " + value);
    return lines;
}

std::string StatusLine(const Form& form) { return form.find(Form::kIdReadStatus)->text(); }

TEST_F(SecuritySimTest, FailedReadsShowTheStatusLineAndHoldBackEveryWrite) {
    struct Case {
        const char* what;
        std::vector<std::string> state;
        std::string dropped;                          // no answer for requests touching it
        std::function<std::unique_ptr<Form>()> make;  // the dialog
        Strings held;                                 // controls that must stay disabled
        std::string status;
        int rows;  // rows listed after the failure (-1: no list)
        int list;
    };
    const std::string trunk910 = kTrunkMembers + ".1 x 00c00000";
    const Case cases[] = {
        {"802.1X global settings without the key", {}, kRadiusKey,
         [] { return std::make_unique<C8021xGlobalDlg>(); }, {"&Apply", "&PortSet"}, kPressRefresh, -1, 0},
        // The request that asks for port 6 goes unanswered: the ten ports travel in one request.
        {"802.1X ports without port 6", AllPorts(10, "2"), kPortControl + ".6",
         [] { return std::make_unique<C8021xPortDlg>(kTexts); }, {"Apply"}, kPressRefresh, 0,
         C8021xPortDlg::IDC_LIST},
        {"802.1X ports without the trunk map", {trunk910}, kTrunkMembers,
         [] { return std::make_unique<C8021xPortDlg>(kTexts); }, {"Apply"}, kPressRefresh, 10,
         C8021xPortDlg::IDC_LIST},
        {"ARP list without its entries", {}, kArpMac, [] { return std::make_unique<CArpSpoofingDlg>(); }, {"&Add"},
         kPressRefresh, 0, CArpSpoofingDlg::IDC_LIST},
        {"ARP entry without the trunk map", {trunk910}, kTrunkMembers,
         [] { return std::make_unique<CArpSpoofingEntryDlg>(10); }, {"&Apply"}, kReopen, -1, 0},
        {"DHCP screening without the port states", {}, kDhcpPorts,
         [] { return std::make_unique<CDhcpScreeningDlg>(); }, {"&Apply"}, kPressRefresh, 0,
         CDhcpScreeningDlg::IDC_LIST},
        {"DHCP screening without the trunk map", {trunk910}, kTrunkMembers,
         [] { return std::make_unique<CDhcpScreeningDlg>(); }, {"&Apply"}, kPressRefresh, 10,
         CDhcpScreeningDlg::IDC_LIST},
    };
    for (const Case& c : cases) {
        std::vector<dialogtest::Ref> held(c.held.begin(), c.held.end());
        dialogtest::RunFailedReadCase(sim, env, {c.what, c.state, c.dropped, c.make, {}, held, c.status, c.rows, c.list});
    }
}

// The switch falls silent for a while (a reboot): the dialog opened meanwhile holds its writes,
// and Refresh once the switch answers again reads everything and lets them through.
TEST_F(SecuritySimTest, RefreshAfterTheSwitchAnswersAgainReleasesTheWrites) {
    struct Case {
        const char* what;
        std::function<std::unique_ptr<Form>()> make;
        std::string apply;
        std::function<void(DialogDriver&)> choose;
        Strings written;
    };
    const Case cases[] = {
        {"802.1X ports",
         [] { return std::make_unique<C8021xPortDlg>(kTexts); }, "Apply",
         [](DialogDriver& d) {
             d.choose("From Port:", "2");
             d.choose("To Port:", "2");
             d.choose("Control:", "auto");
         },
         {kPortControl + ".2=2"}},
        {"DHCP screening",
         [] { return std::make_unique<CDhcpScreeningDlg>(); }, "&Apply",
         [](DialogDriver& d) {
             d.choose("From Port", "1");
             d.choose("To Port", "1");
             d.choose("State", "Enabled");
         },
         {kDhcpPorts + "=80000000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(Start("10p", {}, {"--reboot-seconds", "3"}));
        MutableSettings().TimeoutMs = "150";
        CCommonSnmp reboot(sim.settings());
        ASSERT_EQ(features::SendSet(reboot, {features::SetValue::Text(kRebootDevice, SNMP_T_INTEGER, "1")}, false), 0);
        CCommonSnmp probe(MutableSettings());
        auto answers = [&] {
            ReplyRow row;
            return features::GetNow(probe, {kDot1xState}, false, row);
        };
        ASSERT_TRUE(env.waitUntil([&] { return !answers(); }));  // the reboot has begun
        std::unique_ptr<Form> dlg = c.make();
        DialogDriver d(env, *dlg);
        ASSERT_TRUE(env.waitUntil([&] { return !StatusLine(*dlg).empty() && d.enabled("&Refresh"); },
                                  std::chrono::seconds(10)));
        EXPECT_FALSE(d.enabled(c.apply));
        // Wait for the switch to answer again, then read.
        ASSERT_TRUE(env.waitUntil(
answers, std::chrono::seconds(10)));
        d.click("&Refresh");
        ASSERT_TRUE(d.waitEnabled(c.apply));
        EXPECT_FALSE(d.visible(Form::kIdReadStatus));
        EXPECT_EQ(d.rowCount(c.what == std::string("DHCP screening") ? +CDhcpScreeningDlg::IDC_LIST
                                                                      : +C8021xPortDlg::IDC_LIST),
                  10);
        sim.clearLog();
        c.choose(d);
        d.click(c.apply);
        ASSERT_TRUE(Written(*dlg));
        EXPECT_TRUE(env.takeMessages().empty());
        EXPECT_EQ(sim.setBindings(), c.written);
        sim.stop();
    }
}

// The switch lists a control mode the dialog does not know for port 10: whether it is
// force-authorized cannot be told, so a range that would leave only it refuses, saying why.
TEST_F(SecuritySimTest, Dot1xForceAuthorizedRuleRefusesOnPortsItCouldNotRead) {
    std::vector<std::string> state = AllPorts(9, "2");
    state.push_back(kPortControl + ".10 i 9");
    struct Case {
        const char* from;
        const char* to;
        const char* control;
        std::string message;
        Strings written;
    };
    const std::string unknown = "The switch gives the port access control of port 10 (9) as none of forceUnauthorized, "
                                "auto and forceAuthorized, so whether a port would stay force-authorized cannot be told; nothing was changed.";
    const Case cases[] = {
        {"1", "9", "auto", unknown, {}},
        {"1", "9", "forceUnauthorized", unknown, {}},
        {"9", "9", "forceAuthorized", "", {kPortControl + ".9=3"}},
        // Port 9 now force-authorized: the others may go to auto.
        {"1", "8", "auto", "", {}},
    };
    ASSERT_NO_FATAL_FAILURE(Start("10p", state));
    C8021xPortDlg dlg(kTexts);
    DialogDriver d(env, dlg);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.from) + "-" + c.to + " " + c.control);
        ASSERT_TRUE(d.waitEnabled("Apply"));
        ASSERT_EQ(d.cell(C8021xPortDlg::IDC_LIST, 9, 2), "other");
        sim.clearLog();
        d.choose("From Port:", c.from);
        d.choose("To Port:", c.to);
        d.choose("Control:", c.control);
        d.click("Apply");
        ASSERT_TRUE(Written(dlg));
        EXPECT_EQ(env.takeMessages(), c.message.empty() ? Strings{} : Strings{c.message});
        Strings written = c.written;
        if (written.empty() && c.message.empty())
            for (int p = 1; p <= 8; ++p) written.push_back(kPortControl + "." + std::to_string(p) + "=2");
        EXPECT_EQ(sim.setBindings(), written);
    }
}

}  // namespace
}  // namespace securitytest
