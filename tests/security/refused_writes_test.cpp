// Every write of the access security dialogs against a switch that refuses it: the message says
// what was not changed (and, for writes of several steps, what was written or removed), the form
// reads the switch again, and the switch holds what the message says.
#include <gtest/gtest.h>

#include "features/security/arp_spoofing_dlgs.h"
#include "features/security/dhcp_screening_dlg.h"
#include "features/security/dot1x_dlgs.h"
#include "security/security_sim.h"
#include "support/refused_write.h"

using namespace securitytest;
using namespace security;
using corvex::test::SimDevice;
using dialogtest::RefusedWriteCase;

namespace {

const Dot1xParamTexts kTexts{"60", "30", "30", "30", "2", "3600", "Disabled"};
const std::string kQuietPeriod = kPriv + ".11.2.2.0";
const std::string kGateway = ".10.0.0.1";

Strings Params(const std::string& quiet) {
    return {kQuietPeriod + "=" + quiet,   kPriv + ".11.2.3.0=30",   kPriv + ".11.2.4.0=30", kPriv + ".11.2.5.0=30",
            kPriv + ".11.2.6.0=2",       kPriv + ".11.2.7.0=3600", kPriv + ".11.2.8.0=2"};
}

Strings Concat(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The 802.1X global dialog with 802.1X switched on and a new server, key and QuietPeriod typed.
void EnableWithKey(DialogDriver& d) {
    d.tick("Enable 802.1X", true);
    d.type("Radius Server IP:", "10.0.0.9");
    d.type("Key:", "new-key");
    d.type("Confirm Key:", "new-key");
    d.type("QuietPeriod(0-65535 sec)", "61");
    d.click("&Apply");
}

RefusedWriteCase Dot1xGlobal(std::string name, std::vector<std::string> state, std::string refuse,
                             std::function<void(DialogDriver&)> act, std::string message, Strings sent,
                             bool enabledAfter, std::string keyAfter) {
    RefusedWriteCase c;
    c.name = std::move(name);
    c.state = std::move(state);
    c.refuse = {std::move(refuse)};
    c.make = [] { return std::make_unique<C8021xGlobalDlg>(); };
    c.ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("&Apply"); };
    c.act = [act](DialogDriver& d, DialogEnvironment&) { act(d); };
    c.message = std::move(message);
    c.check = [sent, enabledAfter, keyAfter](DialogDriver& d, platform::Form&, SimDevice& sim) {
        EXPECT_EQ(sim.setBindings(), sent);
        EXPECT_EQ(d.checked("Enable 802.1X"), enabledAfter);  // as read again from the switch
        EXPECT_EQ(d.text("QuietPeriod(0-65535 sec)"), "60");
        EXPECT_EQ(d.text("Key:"), keyAfter);                // a typed key is kept for the retry
        EXPECT_EQ(d.text("Confirm Key:"), keyAfter);
    };
    return c;
}

// The ARP list with the entry form played: a new entry for 10.0.0.1 on port 1, then Cancel
// once the write is over (a failed write keeps the form open with what was typed).
void AddEntry(DialogDriver& d, DialogEnvironment& env) {
    env.onChild("Add ARP Spoofing Prevention Entry", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("&Apply"));
        c.type("Router / Gateway IP Address", "10.0.0.1");
        c.type("Router / Gateway MAC Address", "00-11-22-33-44-55");
        c.tickPort(CArpSpoofingEntryDlg::IDC_PORTS, 0, 1);
        c.env().answer(MsgAnswer::Ok);
        c.click("&Apply");
        ASSERT_TRUE(c.env().waitUntil([&] { return !c.form().writing(); }));
        EXPECT_FALSE(c.ended());
        EXPECT_EQ(c.text("Router / Gateway MAC Address"), "00-11-22-33-44-55");
        c.click("&Cancel");
    });
    d.click("&Add");
}

RefusedWriteCase ArpList(std::string name, std::vector<std::string> state, std::string refuse,
                         std::function<void(DialogDriver&, DialogEnvironment&)> act, std::string message, Strings sent,
                         std::vector<Strings> rowsAfter) {
    RefusedWriteCase c;
    c.name = std::move(name);
    c.state = std::move(state);
    c.refuse = {std::move(refuse)};
    c.make = [] { return std::make_unique<CArpSpoofingDlg>(); };
    c.ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("&Refresh"); };
    c.act = std::move(act);
    c.message = std::move(message);
    c.check = [sent, rowsAfter](DialogDriver& d, platform::Form&, SimDevice& sim) {
        EXPECT_EQ(sim.setBindings(), sent);
        ASSERT_TRUE(d.waitEnabled("&Refresh"));
        EXPECT_EQ(d.rows(CArpSpoofingDlg::IDC_LIST), rowsAfter);
        EXPECT_EQ(d.text("Total Entries:"), std::to_string(rowsAfter.size()));
    };
    return c;
}

}  // namespace

TEST_F(SecuritySimTest, RefusedWritesSayWhatWasNotChanged) {
    const std::vector<std::string> dot1xOn = {kDot1xState + " i 1", kRadiusServer + " a 10.1.1.1"};
    const Strings newServerAndKey = {kRadiusServer + "=10.0.0.9", kRadiusKey + "=" + Hex("new-key")};

    std::vector<std::string> allAuto;
    Strings allForced;
    for (int p = 1; p <= 52; ++p) {
        allAuto.push_back(kPortControl + "." + std::to_string(p) + " i 2");
        allForced.push_back(kPortControl + "." + std::to_string(p) + "=3");
    }
    const std::vector<std::string> entry = {kArpMac + kGateway + " x 001122334400", kArpPorts + kGateway + " x 80000000",
                                            kArpRowStatus + kGateway + " i 1"};

    std::vector<RefusedWriteCase> cases = {
        Dot1xGlobal(
            "802.1X switched off", dot1xOn, kDot1xState, [](DialogDriver& d) {
                d.tick("Enable 802.1X", false);
                d.click("&Apply");
            },
            "The 802.1X state could not be changed: the switch refused the value (genErr).", {kDot1xState + "=2"},
            true, ""),
        Dot1xGlobal("802.1X on: the server and key refused, nothing after them", {}, kRadiusServer, EnableWithKey,
                    "The RADIUS server and key could not be changed: the switch refused the value (genErr). The "
                    "802.1X state and parameters were not written.",
                    newServerAndKey, false, "new-key"),
        Dot1xGlobal("802.1X on: the state refused after the server", {}, kDot1xState, EnableWithKey,
                    "The 802.1X state could not be changed: the switch refused the value (genErr). The RADIUS server "
                    "and key were changed; the parameters were not written.",
                    Concat(newServerAndKey, {kDot1xState + "=1"}), false, "new-key"),
        Dot1xGlobal("802.1X on: the parameters refused last", {}, kQuietPeriod, EnableWithKey,
                    "The 802.1X parameters could not be changed: the switch refused the value (genErr). The RADIUS "
                    "server, the key and the state were changed.",
                    Concat(Concat(newServerAndKey, {kDot1xState + "=1"}), Params("61")), true, "new-key"),
    };

    RefusedWriteCase ports;
    ports.name = "802.1X ports 1-52: the second batch refused";
    ports.model = "52";
    ports.state = allAuto;
    ports.refuse = {kPortControl + ".31"};  // one port refuses, and its whole request with it
    ports.make = [] { return std::make_unique<C8021xPortDlg>(kTexts); };
    ports.ready = [](DialogDriver& d, platform::Form&) {
        return d.waitRows(C8021xPortDlg::IDC_LIST, 52) && d.waitEnabled("Apply");
    };
    ports.act = [](DialogDriver& d, DialogEnvironment&) {
        d.choose("From Port:", "1");
        d.choose("To Port:", "52");
        d.choose("Control:", "forceAuthorized");
        d.click("Apply");
    };
    ports.message = "The port access control of ports 31-52 could not be changed: the switch refused the value (genErr).";
    ports.check = [allForced](DialogDriver& d, platform::Form&, SimDevice& sim) {
        EXPECT_EQ(sim.setBindings(), allForced);
        ASSERT_TRUE(d.waitRows(C8021xPortDlg::IDC_LIST, 52));
        EXPECT_EQ(d.cell(C8021xPortDlg::IDC_LIST, 29, 2), "forceAuthorized");  // the first batch stands
        EXPECT_EQ(d.cell(C8021xPortDlg::IDC_LIST, 30, 2), "auto");
        EXPECT_EQ(d.cell(C8021xPortDlg::IDC_LIST, 51, 2), "auto");
    };
    cases.push_back(ports);

    RefusedWriteCase dhcp;
    dhcp.name = "DHCP server screening";
    dhcp.state = {kDhcpPorts + " x 00400000"};  // port 10
    dhcp.refuse = {kDhcpPorts};
    dhcp.make = [] { return std::make_unique<CDhcpScreeningDlg>(); };
    dhcp.ready = [](DialogDriver& d, platform::Form&) { return d.waitEnabled("&Apply"); };
    dhcp.act = [](DialogDriver& d, DialogEnvironment&) {
        d.choose("From Port", "1");
        d.choose("To Port", "2");
        d.choose("State", "Enabled");
        d.click("&Apply");
    };
    dhcp.message = "The DHCP server screening ports could not be changed: the switch refused the value (genErr).";
    dhcp.check = [](DialogDriver& d, platform::Form& f, SimDevice& sim) {
        EXPECT_EQ(sim.setBindings(), Strings{kDhcpPorts + "=c0400000"});
        ASSERT_TRUE(d.waitEnabled("&Apply"));
        const auto rows = d.rows(CDhcpScreeningDlg::IDC_LIST);
        ASSERT_EQ(rows.size(), 10u);
        EXPECT_EQ(rows[0][1], "Disabled");
        EXPECT_EQ(rows[9][1], "Enabled");
        // The refused states are not carried into the next Apply.
        EXPECT_EQ(dynamic_cast<CDhcpScreeningDlg&>(f).States()[0], CDhcpScreeningDlg::kDisabled);
    };
    cases.push_back(dhcp);

    cases.push_back(ArpList(
        "ARP entry deleted", entry, kArpRowStatus,
        [](DialogDriver& d, DialogEnvironment&) {
            d.clickRow(CArpSpoofingDlg::IDC_LIST, 0);
            d.click("&Delete");
        },
        "The ARP Spoofing Prevention entry for 10.0.0.1 could not be deleted: the switch refused the value (genErr).",
        {kArpRowStatus + kGateway + "=6"}, {{"1", "10.0.0.1", "00-11-22-33-44-00", "1", "Active"}}));
    cases.push_back(ArpList(
        "ARP entry: the creation refused", {}, kArpRowStatus, AddEntry,
        "The ARP Spoofing Prevention entry could not be added: the switch refused the value (genErr). Nothing was "
        "changed.",
        {kArpRowStatus + kGateway + "=5"}, {}));
    cases.push_back(ArpList(
        "ARP entry: the values refused, the new row removed", {}, kArpPorts, AddEntry,
        "The ARP Spoofing Prevention entry could not be added: the switch refused the value (genErr). The "
        "unfinished entry was removed.",
        {kArpRowStatus + kGateway + "=5", kArpMac + kGateway + "=001122334455", kArpPorts + kGateway + "=80000000",
         kArpRowStatus + kGateway + "=6"},
        {}));

    for (const RefusedWriteCase& c : cases) {
        RunRefusedWriteCase(sim, env, c);
        env.takeMessages();
    }
}
