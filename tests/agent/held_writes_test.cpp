// A way out of a form (Esc, the close box, its Close or Cancel button) while a write is on its
// way to a switch that answers late: every write of the security, agent and LLDP dialogs holds
// its form until the write has ended, the whole write reaches the switch, its outcome is told
// and a change the switch took marks the title.
#include "agent/agent_sim.h"
#include "app/unsaved_changes.h"
#include "features/agent/community_dlg.h"
#include "features/agent/group_dlg.h"
#include "features/agent/host_dlg.h"
#include "features/agent/scalar_dlgs.h"
#include "features/agent/user_dlg.h"
#include "features/agent/view_dlg.h"
#include "features/lldp/lldp_dlgs.h"
#include "features/security/arp_spoofing_dlgs.h"
#include "features/security/dhcp_screening_dlg.h"
#include "features/security/dot1x_dlgs.h"

#include <functional>
#include <memory>

namespace agenttest {
namespace {

using Act = std::function<void(DialogDriver&, DialogEnvironment&)>;

struct HeldCase {
    std::string name;
    std::string model = "28";
    Strings state;
    Strings args = {"--delay-ms", "300"};
    std::function<std::unique_ptr<platform::Form>()> make;
    Act act;                 // the user starts the write
    bool closeBox = true;    // the way out: Esc / the close box, else the Close (Cancel) button
    size_t sets = 0;         // requests of the whole write
    std::string message;     // the outcome told ("" when the switch took it all)
    bool endsForm = false;   // the form's own end once the write is done (an entry form's OK)
    bool marks = true;       // the switch took a change: the title is marked
};

template <class T, class... A>
std::function<std::unique_ptr<platform::Form>()> Make(A... a) {
    return [=] { return std::make_unique<T>(a...); };
}
Act Click(const char* button, bool confirm = false) {
    return [=](DialogDriver& d, DialogEnvironment& env) {
        if (confirm) env.answer(MsgAnswer::Ok);
        d.click(button);
    };
}
Act TypeThen(std::vector<std::pair<int, std::string>> typed, Act then) {
    return [=](DialogDriver& d, DialogEnvironment& env) {
        for (const auto& [id, text] : typed) d.type(id, text);
        then(d, env);
    };
}

TEST_F(AgentSimTest, AWayOutDuringAWriteWaitsForItsEnd) {
    using namespace security;
    using namespace lldp;
    const std::string priv = "1.3.6.1.4.1.171.10.76.12";
    Strings allAuto;
    for (int p = 1; p <= 52; ++p) allAuto.push_back(priv + ".11.2.9.1.2." + std::to_string(p) + " i 2");
    const std::string arp = ".10.0.0.1";
    const std::vector<HeldCase> cases = {
        {.name = "community add", .make = Make<CSnmpCommunityDlg>(),
         .act = TypeThen({{CSnmpCommunityDlg::IDC_NAME, "lab7"}}, Click("&Apply")), .sets = 3},
        {.name = "host add", .make = Make<CSnmpHostDlg>(),
         .act = TypeThen({{CSnmpHostDlg::IDC_ADDRESS, "10.0.0.1"}, {CSnmpHostDlg::IDC_NAME, "trapper"}}, Click("&Apply")),
         .closeBox = false, .sets = 3},
        {.name = "user add", .make = Make<CSnmpUserDlg>(),
         .act = TypeThen({{CSnmpUserDlg::IDC_USER_NAME, "ops"}, {CSnmpUserDlg::IDC_GROUP_NAME, "g"}}, Click("&Apply")),
         .sets = 3},
        {.name = "group add, its column refused: the new row removed", .args = {"--delay-ms", "300", "--set-error",
                                                                                kGroup + ".4:genErr"},
         .make = Make<CSnmpGroupDlg>(),
         .act = TypeThen({{CSnmpGroupDlg::IDC_GROUP_NAME, "ops"}, {CSnmpGroupDlg::IDC_READ_VIEW, "v"}}, Click("&Apply")),
         .closeBox = false, .sets = 3,
         .message = "The group could not be added: the switch refused the value (genErr). The new group was removed."},
        {.name = "view add", .make = Make<CSnmpViewDlg>(),
         .act = TypeThen({{CSnmpViewDlg::IDC_VIEW_NAME, "lab"}, {CSnmpViewDlg::IDC_SUBTREE, "1.3.6"},
                          {CSnmpViewDlg::IDC_MASK, "1"}}, Click("&Apply")),
         .sets = 3},
        {.name = "trap settings, refused", .args = {"--delay-ms", "800", "--set-error", kAgent + ".8:genErr"},
         .make = Make<CSnmpTrapDlg>(), .act = Click("&Apply"), .closeBox = false, .sets = 1,
         .message = "The trap settings could not be changed: the switch refused the value (genErr).", .marks = false},
        {.name = "global state", .args = {"--delay-ms", "800"}, .make = Make<CSnmpGlobalStateDlg>(),
         .act = Click("&Apply"), .sets = 1},
        {.name = "engine ID", .args = {"--delay-ms", "800"}, .make = Make<CSnmpEngineIdDlg>(),
         .act = Click("&Default", true), .closeBox = false, .sets = 1},
        {.name = "802.1X off", .state = {priv + ".11.2.1.0 i 1"}, .make = Make<C8021xGlobalDlg>(),
         .act = [](DialogDriver& d, DialogEnvironment&) {
             d.tick("Enable 802.1X", false);
             d.click("&Apply");
         },
         .sets = 1},
        {.name = "802.1X ports beyond thirty", .model = "52", .state = allAuto, .args = {},
         .make = Make<C8021xPortDlg>(Dot1xParamTexts{}),
         .act = [](DialogDriver& d, DialogEnvironment&) {
             d.choose("Control:", "forceAuthorized");
             d.click("Apply");
         },
         .closeBox = false, .sets = 2},
        {.name = "ARP entry", .make = Make<CArpSpoofingEntryDlg>(28),
         .act = TypeThen({{CArpSpoofingEntryDlg::IDC_IP, "10.0.0.1"}, {CArpSpoofingEntryDlg::IDC_MAC, "00-11-22-33-44-55"}},
                         Click("&Apply", true)),
         .sets = 3, .endsForm = true},
        {.name = "ARP delete", .state = {priv + ".14.3.1.1.4" + arp + " i 1"}, .make = Make<CArpSpoofingDlg>(),
         .act = [](DialogDriver& d, DialogEnvironment&) {
             d.clickRow(CArpSpoofingDlg::IDC_LIST, 0);
             d.click("&Delete");
         },
         .closeBox = false, .sets = 1},
        {.name = "DHCP screening", .make = Make<CDhcpScreeningDlg>(), .act = Click("&Apply"), .sets = 1},
        {.name = "LLDP state, refused at every try", .args = {"--delay-ms", "300", "--set-error", kOidLldpState + ":genErr"},
         .make = Make<CLldpGlobalDlg>(),
         .act = [](DialogDriver& d, DialogEnvironment&) {
             d.tick(" LLDP Enable ", false);
             d.click("&Apply");
         },
         .closeBox = false, .sets = 3, .message = "The LLDP state could not be changed: the switch refused the value (genErr).",
         .marks = false},
        {.name = "LLDP MED", .model = "28p", .args = {"--delay-ms", "100"}, .make = Make<CLldpMedDlg>(),
         .act = [](DialogDriver& d, DialogEnvironment&) {
             d.choose("To Port", "   3 ");
             d.click("&Apply");
         },
         .sets = 3},
    };
    int taken = 0;
    app::SetWriteTakenHandler([&] { ++taken; });
    for (const HeldCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start(c.model, c.state, c.args));
        {
            std::unique_ptr<platform::Form> form = c.make();
            DialogDriver d(env, *form);
            ASSERT_TRUE(env.waitUntil([&] { return form->readsOk() && !form->writing(); }, std::chrono::seconds(20)));
            env.takeMessages();
            sim.clearLog();
            taken = 0;
            c.act(d, env);
            ASSERT_TRUE(form->writing());
            EXPECT_FALSE(d.enabled(platform::kIdCancel));  // Close / Cancel held
            if (c.closeBox) d.closeWindow();
            ASSERT_TRUE(env.waitUntil([&] { return !form->writing(); }, std::chrono::seconds(20)));
            EXPECT_EQ(form->ended(), c.endsForm);
            EXPECT_EQ(sim.sets().size(), c.sets);
            Strings told = env.takeMessages();
            if (!told.empty() && told.front().rfind("Make sure", 0) == 0) told.erase(told.begin());
            EXPECT_EQ(told, c.message.empty() ? Strings{} : Strings{c.message});
            EXPECT_EQ(taken > 0, c.marks);
        }
        sim.stop();
    }
    app::SetWriteTakenHandler({});
}

}  // namespace
}  // namespace agenttest
