// The 802.1X dialogs against the virtual switch: every check of the global Apply runs before
// anything is written, the writes go out in their order, switching off writes the state only,
// the port control rules with their messages, and batches of at most 30 ports per request.
#include "features/security/dot1x_dlgs.h"
#include "security/security_sim.h"

namespace securitytest {
namespace {

using security::C8021xGlobalDlg;
using security::C8021xPortDlg;

const char* kIp = "Radius Server IP:";
const char* kKey = "Key:";
const char* kConfirm = "Confirm Key:";
const char* kQuiet = "QuietPeriod(0-65535 sec)";
const char* kTx = "TxPeriod(1-65535 sec)";
const char* kSupp = "SuppTimeout(1-65535 sec)";
const char* kServer = "ServerTimeout(1-65535 sec)";
const char* kMaxReq = "MaxReq(1-10)";
const char* kReAuth = "ReAuthPeriod(1-4294967295 sec)";

void FillValid(DialogDriver& d) {
    d.type(kIp, "10.0.0.1");
    d.type(kKey, "radius-key");
    d.type(kConfirm, "radius-key");
    d.type(kQuiet, "0");
    d.type(kTx, "65535");
    d.type(kSupp, "12");
    d.type(kServer, "13");
    d.type(kMaxReq, "10");
    d.type(kReAuth, "4294967295");
    d.choose("ReAuthEnabled", "Enable");
}

TEST_F(SecuritySimTest, Dot1xApplyChecksEverythingFirstThenWritesServerStateAndParameters) {
    Start("10p");
    C8021xGlobalDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    // Off on the switch: the fields and PortSet stay greyed until the box is ticked.
    EXPECT_FALSE(d.checked("Enable 802.1X"));
    EXPECT_FALSE(d.enabled(C8021xGlobalDlg::IDC_KEY));
    EXPECT_FALSE(d.enabled("&PortSet"));
    EXPECT_EQ(d.text(kQuiet), "60");
    EXPECT_EQ(d.text("ReAuthEnabled"), "Disabled");
    d.tick("Enable 802.1X");
    EXPECT_TRUE(d.enabled(C8021xGlobalDlg::IDC_KEY));
    sim.clearLog();

    struct Refusal {
        const char* field;
        const char* value;
        const char* message;
    };
    const Refusal refusals[] = {
        {kIp, "10.0.0.255", "Invalid RADIUS Server IP Address."},
        {kIp, "0.1.2.3", "Invalid RADIUS Server IP Address."},
        {kIp, "10..0.1", "Invalid RADIUS Server IP Address."},
        {kKey, "", "Please confirm the key again !"},  // the confirmation holds a key
        {kKey, "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9",
         "Invalid Key."},  // 17 characters, 34 octets
        {kConfirm, "radius-kez", "Please confirm the key again !"},
        {kQuiet, "65536", "Invalid QuietPeriod (0-65535)"},
        {kTx, "0", "Invalid TxPeriod (1-65535)"},
        {kSupp, "", "Invalid SuppTimeout (1-65535)"},
        {kServer, "99999", "Invalid ServerTimeout (1-65535)"},
        {kMaxReq, "11", "Invalid MaxReq (1-10)"},
        {kReAuth, "4294967296", "Invalid ReAuthPeriod (1-4294967295)"},
        {kReAuth, "0", "Invalid ReAuthPeriod (1-4294967295)"},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(std::string(r.field) + " = " + r.value);
        FillValid(d);
        d.type(r.field, r.value);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), Strings{r.message});
    }
    // Not one binding of a refused Apply reached the switch: no server, key or state either.
    EXPECT_TRUE(sim.sets().empty());

    FillValid(d);
    d.click("&Apply");
    ASSERT_TRUE(Written(dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sim.setBindings(), (Strings{kRadiusServer + "=10.0.0.1", kRadiusKey + "=" + Hex("radius-key"),
                                      kDot1xState + "=1", kPriv + ".11.2.2.0=0", kPriv + ".11.2.3.0=65535",
                                      kPriv + ".11.2.4.0=12", kPriv + ".11.2.5.0=13", kPriv + ".11.2.6.0=10",
                                      kPriv + ".11.2.7.0=4294967295", kPriv + ".11.2.8.0=1"}));
    EXPECT_EQ(sets[1].bindings.size(), 1u);  // the state alone, after the server and key
    // The read that follows shows what the switch now holds.
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_TRUE(d.checked("Enable 802.1X"));
    EXPECT_TRUE(d.enabled("&PortSet"));
    EXPECT_EQ(d.text(kReAuth), "4294967295");
    EXPECT_EQ(d.text("ReAuthEnabled"), "Enable");

    // PortSet hands the seven texts to the port dialog.
    env.onChild("802.1X Port Configuration", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("&Refresh"));
        ASSERT_EQ(c.rowCount(C8021xPortDlg::IDC_LIST), 10);
        EXPECT_EQ(c.rows(C8021xPortDlg::IDC_LIST)[0],
                  (Strings{"1", "authorized", "forceAuthorized", "0", "65535", "12", "13", "10", "4294967295", "Enable"}));
        c.click("Cancel");
    });
    d.click("&PortSet");
}

TEST_F(SecuritySimTest, Dot1xSwitchingOffWritesOnlyTheState) {
    Start("10p", {kDot1xState + " i 1", kRadiusServer + " a 10.1.1.1", kRadiusKey + " s \"abc\""});
    C8021xGlobalDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_TRUE(d.checked("Enable 802.1X"));
    EXPECT_EQ(d.text(kIp), "10.1.1.1");
    // The switch's key is never shown: the boxes hold only a key typed.
    EXPECT_EQ(d.text(kKey), "");
    EXPECT_EQ(d.text(kConfirm), "");
    EXPECT_TRUE(d.as<platform::EditBox>(kKey).password());
    EXPECT_TRUE(d.as<platform::EditBox>(kConfirm).password());
    sim.clearLog();

    // Nothing but the state is looked at or written.
    d.type(kIp, "0.0.0.0");
    d.type(kQuiet, "99999");
    d.type(kKey, "");
    d.tick("Enable 802.1X", false);
    EXPECT_FALSE(d.enabled(C8021xGlobalDlg::IDC_QUIET_PERIOD));
    d.click("&Apply");
    ASSERT_TRUE(Written(dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setBindings(), Strings{kDot1xState + "=2"});
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    EXPECT_FALSE(d.checked("Enable 802.1X"));
    EXPECT_FALSE(d.enabled("&PortSet"));
    EXPECT_EQ(d.text(kIp), "10.1.1.1");
}

// The switch never gives its key back: the boxes start empty and say that empty boxes keep the
// switch's key, an Apply with them empty writes no key, and a key typed in both is written once.
TEST_F(SecuritySimTest, Dot1xEmptyKeyBoxesKeepTheSwitchKey) {
    Start("10p", {kDot1xState + " i 1", kRadiusServer + " a 10.1.1.1", kRadiusKey + " s \"abc\""});
    C8021xGlobalDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled("&Apply"));
    EXPECT_EQ(d.text(kKey), "");
    EXPECT_EQ(d.text(kConfirm), "");
    EXPECT_EQ(d.as<platform::Label>(C8021xGlobalDlg::IDC_KEY_NOTE).text(), "Both boxes empty: the switch keeps its key.");
    const auto params = [](const std::string& tx) {
        return Strings{kPriv + ".11.2.2.0=60", kPriv + ".11.2.3.0=" + tx, kPriv + ".11.2.4.0=30",
                       kPriv + ".11.2.5.0=30", kPriv + ".11.2.6.0=2",       kPriv + ".11.2.7.0=3600",
                       kPriv + ".11.2.8.0=2"};
    };
    struct Step {
        const char* what;
        const char* key;
        const char* confirm;
        Strings messages;
        Strings keyBindings;  // the key's binding, when one goes out
    };
    const Step steps[] = {
        {"both empty: the switch's key stays", "", "", {}, {}},
        {"only the confirmation", "", "abc", {"Please confirm the key again !"}, {}},
        {"only the key", "abc", "", {"Please confirm the key again !"}, {}},
        {"33 octets", "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9x",
         "\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9x", {},
         {kRadiusKey + "=" + Hex("\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9\u00e9x")}},
        {"a new key", "new", "new", {}, {kRadiusKey + "=" + Hex("new")}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        sim.clearLog();
        d.type(kKey, step.key);
        d.type(kConfirm, step.confirm);
        d.type(kTx, "31");
        d.click("&Apply");
        ASSERT_TRUE(Written(dlg));
        EXPECT_EQ(env.takeMessages(), step.messages);
        Strings sent;
        if (step.messages.empty()) {
            sent = {kRadiusServer + "=10.1.1.1"};
            sent.insert(sent.end(), step.keyBindings.begin(), step.keyBindings.end());
            sent.push_back(kDot1xState + "=1");
            for (const auto& p : params("31")) sent.push_back(p);
        }
        EXPECT_EQ(sim.setBindings(), sent);
        ASSERT_TRUE(d.waitEnabled("&Apply"));
        // A key the switch took leaves the boxes; a refused one stays for the retry.
        EXPECT_EQ(d.text(kKey), step.messages.empty() ? "" : step.key);
    }
}

const security::Dot1xParamTexts kTexts{"60", "30", "30", "30", "2", "3600", "Disabled"};

std::vector<std::string> AllPorts(int n, const std::string& value) {
    std::vector<std::string> lines;
    for (int p = 1; p <= n; ++p) lines.push_back(kPortControl + "." + std::to_string(p) + " i " + value);
    return lines;
}

TEST_F(SecuritySimTest, Dot1xPortControlKeepsOnePortForceAuthorizedAndRefusesTrunks) {
    const std::string trunk910 = kTrunkMembers + ".1 x 00c00000";
    struct Case {
        const char* what;
        std::vector<std::string> state;
        const char* from;
        const char* to;
        const char* control;
        std::string message;  // empty: accepted
        Strings written;
    };
    std::vector<std::string> autoTrunk = AllPorts(10, "2");
    autoTrunk.push_back(trunk910);
    Strings forced;
    for (int p = 1; p <= 10; ++p) forced.push_back(kPortControl + "." + std::to_string(p) + "=3");
    Strings auto2to10;
    for (int p = 2; p <= 10; ++p) auto2to10.push_back(kPortControl + "." + std::to_string(p) + "=2");
    const Case cases[] = {
        {"all auto, 1-10 auto", AllPorts(10, "2"), "1", "10", "auto",
         "Could not set all port AUTO  to the port access control.", {}},
        {"all auto, 1-10 forceUnauthorized", AllPorts(10, "2"), "1", "10", "forceUnauthorized",
         "Could not set all port  Force Unauthorized to the port access control.", {}},
        {"all auto, 1-10 forceAuthorized", AllPorts(10, "2"), "1", "10", "forceAuthorized", "", forced},
        {"trunk member before the control rules", autoTrunk, "9", "10", "forceUnauthorized",
         "Cannot add an aggregated link to the 802.1X-enabled port", {}},
        {"auto and forceUnauthorized together", autoTrunk, "1", "8", "forceUnauthorized",
         "Could not set all port AUTO or Force Unauthorized to the port access control.", {}},
        {"port 1 stays forceAuthorized", {}, "2", "10", "auto", "", auto2to10},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(Start("10p", c.state));
        C8021xPortDlg dlg(kTexts);
        DialogDriver d(env, dlg);
        ASSERT_TRUE(d.waitEnabled("&Refresh"));
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Trunks().Walking(); }));
        sim.clearLog();
        d.choose("From Port:", c.from);
        d.choose("To Port:", c.to);
        d.choose("Control:", c.control);
        d.click("Apply");
        ASSERT_TRUE(Written(dlg));
        EXPECT_EQ(env.takeMessages(), c.message.empty() ? Strings{} : Strings{c.message});
        EXPECT_EQ(sim.setBindings(), c.written);
        if (!c.written.empty()) {
            EXPECT_EQ(sim.sets().size(), 1u);
            ASSERT_TRUE(d.waitEnabled("&Refresh"));
            const std::string shown = std::string(c.control);
            EXPECT_EQ(d.cell(C8021xPortDlg::IDC_LIST, 9, 2), shown);
        }
        sim.stop();
    }
}

TEST_F(SecuritySimTest, Dot1xPortApplyOnFiftyTwoPortsSendsThirtyThenTwentyTwoPorts) {
    Start("52", AllPorts(52, "2"));
    C8021xPortDlg dlg(kTexts);
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitRows(C8021xPortDlg::IDC_LIST, 52));
    ASSERT_TRUE(d.waitEnabled("Apply"));  // the port list and the trunk map are in
    EXPECT_EQ(d.rows(C8021xPortDlg::IDC_LIST)[51],
              (Strings{"52", "authorized", "auto", "60", "30", "30", "30", "2", "3600", "Disabled"}));
    sim.clearLog();
    d.choose("From Port:", "1");
    d.choose("To Port:", "52");
    d.choose("Control:", "forceAuthorized");
    d.click("Apply");
    ASSERT_TRUE(Written(dlg));
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));  // the second batch follows a pause
    EXPECT_TRUE(env.takeMessages().empty());
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 2u);
    EXPECT_EQ(sets[0].bindings.size(), 30u);
    EXPECT_EQ(sets[1].bindings.size(), 22u);
    // Every port once, in order, across the two requests.
    Strings expected;
    for (int p = 1; p <= 52; ++p) expected.push_back(kPortControl + "." + std::to_string(p) + "=3");
    EXPECT_EQ(sim.setBindings(), expected);
    ASSERT_TRUE(d.waitEnabled("&Refresh"));
    ASSERT_EQ(d.rowCount(C8021xPortDlg::IDC_LIST), 52);
    EXPECT_EQ(d.cell(C8021xPortDlg::IDC_LIST, 51, 2), "forceAuthorized");
}

}  // namespace
}  // namespace securitytest
