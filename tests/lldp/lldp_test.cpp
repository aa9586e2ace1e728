// The LLDP dialogs against the virtual switch: the global read and its two writes with the
// three-attempt rule, the timer refusals, the MED per-port writes and the LLDP-off refusal,
// and the neighbour list with identifiers shown by their subtype, under SNMPv1 and SNMPv3.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/session_settings.h"
#include "features/lldp/lldp_dlgs.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace {

using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using Strings = std::vector<std::string>;
using namespace lldp;

const std::string kRem = "1.0.8802.1.1.2.1.4.1.1";  // .<column>.<time mark>.<port>.<index>

std::string RemObj(int column, int port, int index) {
    return kRem + "." + std::to_string(column) + ".0." + std::to_string(port) + "." + std::to_string(index);
}

class LldpSimTest : public corvex::test::SimDeviceTest {
protected:
    DialogEnvironment env;
};

const CLldpGlobalDlg::Timing kFast{20, 10};

TEST_F(LldpSimTest, GlobalDialogShowsStateTimersAndLocalSystem) {
    ASSERT_NO_FATAL_FAILURE(Start("10p", {kOidLocChassisId + " x 0011223344aa", kOidTxInterval + " i 40"}));
    CLldpGlobalDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return dlg.ReadCount() == 1; }));
    EXPECT_TRUE(d.checked(" LLDP Enable "));
    EXPECT_EQ(d.text("Message TX Hold Multipier(2 - 10)"), "4");
    EXPECT_EQ(d.text("Message TX Interval(5 - 32768)"), "40");
    EXPECT_EQ(d.text("LLDP Reinit Delay (1 - 10)"), "2");
    EXPECT_EQ(d.text("LLDP TX Delay (1 - 8192)"), "2");
    EXPECT_EQ(d.text("Chassis ID Subtype"), "macAddress");
    EXPECT_EQ(d.text("Chassis ID"), "0011223344AA");
    EXPECT_EQ(d.text("System Name"), "Corvex-10P");
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(LldpSimTest, TimerApplyChecksInOrderAndSendsTheFourTogether) {
    ASSERT_NO_FATAL_FAILURE(Start("10p"));
    struct Case {
        Strings typed;        // hold, interval, reinit, delay
        const char* message;  // nullptr: written
    };
    const std::vector<Case> cases = {
        {{"1", "30", "2", "2"}, kMsgHoldMultiplier},  {{"11", "30", "2", "2"}, kMsgHoldMultiplier},
        {{"4", "4", "2", "1"}, kMsgTxInterval},       {{"4", "32769", "2", "2"}, kMsgTxInterval},
        {{"4", "30", "0", "2"}, kMsgReinitDelay},     {{"4", "30", "11", "2"}, kMsgReinitDelay},
        {{"4", "30", "2", "0"}, kMsgTxDelay},         {{"4", "30000", "2", "8193"}, kMsgTxDelay},
        {{"4", "30", "2", "8"}, kMsgTxDelayQuarter},  {{"1", "4", "0", "0"}, kMsgHoldMultiplier},
        {{"4", "30", "2", "7"}, nullptr},             {{"10", "5", "10", "1"}, nullptr},
    };
    CLldpGlobalDlg dlg;
    dlg.SetTiming(kFast);
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy(); }));
    const Strings labels = {"Message TX Hold Multipier(2 - 10)", "Message TX Interval(5 - 32768)",
                            "LLDP Reinit Delay (1 - 10)", "LLDP TX Delay (1 - 8192)"};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed[0] + "/" + c.typed[1] + "/" + c.typed[2] + "/" + c.typed[3]);
        for (size_t i = 0; i < 4; ++i) d.type(labels[i], c.typed[i]);
        sim.clearLog();
        const int reads = dlg.ReadCount();
        d.click("Apply");
        if (c.message) {
            EXPECT_EQ(env.takeMessages(), Strings{c.message});
            EXPECT_TRUE(sim.requests().empty());
            continue;
        }
        EXPECT_FALSE(d.enabled("Apply"));
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy() && dlg.ReadCount() > reads; }));
        EXPECT_TRUE(env.takeMessages().empty());
        EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kOidHoldMultiplier + "=" + c.typed[0],
                                                        kOidTxInterval + "=" + c.typed[1],
                                                        kOidReinitDelay + "=" + c.typed[2],
                                                        kOidTxDelay + "=" + c.typed[3]}}));
        EXPECT_EQ(d.text(labels[1]), c.typed[1]);  // read back from the switch
        EXPECT_TRUE(d.enabled("Apply"));
    }
    // The boxes take digits only.
    d.type(labels[0], "a5b");
    EXPECT_EQ(d.text(labels[0]), "5");
}

TEST_F(LldpSimTest, StateApplyTriesThreeTimesThenReadsTheSwitch) {
    struct Case {
        Strings args;
        size_t attempts;
    };
    for (const auto& c : {Case{{}, 1}, Case{{"--set-error", kOidLldpState + ":genErr"}, 3}}) {
        SCOPED_TRACE(c.attempts);
        ASSERT_NO_FATAL_FAILURE(Start("10p", {}, c.args));
        CLldpGlobalDlg dlg;
        dlg.SetTiming(kFast);
        DialogDriver d(env, dlg);
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy(); }));
        sim.clearLog();
        d.tick(" LLDP Enable ", false);
        d.click("&Apply");
        EXPECT_FALSE(d.enabled("&Apply"));
        EXPECT_FALSE(d.enabled("Apply"));
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy() && dlg.ReadCount() == 2; }));
        EXPECT_EQ(sim.setBindingLists(), std::vector<Strings>(c.attempts, Strings{kOidLldpState + "=2"}));
        EXPECT_EQ(sim.requests().back().pdu, "get");
        EXPECT_EQ(d.checked(" LLDP Enable "), c.attempts == 3);  // what the switch holds
        // Only the last failure is told.
        EXPECT_EQ(env.takeMessages(),
                  c.attempts == 3 ? Strings{"The LLDP state could not be changed: the switch refused the value (genErr)."}
                                  : Strings{});
        EXPECT_TRUE(d.enabled("&Apply"));
        sim.stop();
    }
    // Close while a failing write is on its way is held: every try goes out and the refusal is told.
    ASSERT_NO_FATAL_FAILURE(Start("10p", {}, {"--set-error", kOidLldpState + ":genErr", "--delay-ms", "100"}));
    CLldpGlobalDlg dlg;
    dlg.SetTiming(kFast);
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy(); }));
    sim.clearLog();
    d.tick(" LLDP Enable ", false);
    d.click("&Apply");
    EXPECT_FALSE(d.enabled("Close"));
    d.closeWindow();
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy() && !dlg.writing(); }, std::chrono::seconds(10)));
    EXPECT_FALSE(d.ended());
    EXPECT_EQ(sim.sets().size(), 3u);
    EXPECT_EQ(env.takeMessages(), Strings{"The LLDP state could not be changed: the switch refused the value (genErr)."});
}

TEST_F(LldpSimTest, MedApplyWritesOnePortPerRequestAndRefusesWhileLldpIsOff) {
    for (const std::string model : {"10p", "28p"}) {
        SCOPED_TRACE(model);
        ASSERT_NO_FATAL_FAILURE(Start(model));
        CLldpMedDlg dlg;
        dlg.SetTiming({5});
        DialogDriver d(env, dlg);
        ASSERT_TRUE(env.waitUntil([&] { return dlg.StateRead() && !dlg.Busy(); }));
        ASSERT_EQ(d.rowCount(CLldpMedDlg::IDC_LIST), 8);
        EXPECT_EQ(d.rows(CLldpMedDlg::IDC_LIST)[0], (Strings{"    1", "Disable"}));
        d.choose("From Port", "   3 ");
        d.choose("To Port", "   5 ");
        d.choose("Power PSE TLV", "Enable");
        sim.clearLog();
        d.click("&Apply");
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy(); }));
        EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{kOidPsePowerTlv + ".3=1"},
                                                        {kOidPsePowerTlv + ".4=1"},
                                                        {kOidPsePowerTlv + ".5=1"}}));
        EXPECT_EQ(sim.requests().back().pdu, "getnext");
        Strings tlv;
        for (const auto& row : d.rows(CLldpMedDlg::IDC_LIST)) tlv.push_back(row[1]);
        EXPECT_EQ(tlv, (Strings{"Disable", "Disable", "Enable", "Enable", "Enable", "Disable", "Disable", "Disable"}));
        d.choose("To Port", "   2 ");
        EXPECT_EQ(env.takeMessages(), Strings{kMsgToBeforeFrom});
        EXPECT_EQ(d.text("To Port"), "   3 ");
        sim.stop();
    }
    ASSERT_NO_FATAL_FAILURE(Start("10p", {kOidLldpState + " i 2"}));
    CLldpMedDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return dlg.StateRead() && !dlg.Busy(); }));
    EXPECT_EQ(env.takeMessages(), Strings{kMsgMedDisabled});
    EXPECT_EQ(d.rowCount(CLldpMedDlg::IDC_LIST), 8);
    for (int id : {+CLldpMedDlg::IDC_BUTTON_APPLY, +CLldpMedDlg::IDC_BUTTON_REFRESH, +CLldpMedDlg::IDC_COMBO_FROM,
                   +CLldpMedDlg::IDC_COMBO_TO, +CLldpMedDlg::IDC_COMBO_TLV, +CLldpMedDlg::IDC_LIST})
        EXPECT_FALSE(d.enabled(id)) << id;
    EXPECT_TRUE(sim.sets().empty());
}

// Neighbours: identifiers read as their subtype says, under both SNMP versions.
TEST_F(LldpSimTest, RemoteListShowsNeighboursByTheirSubtypes) {
    const Strings state = {
        RemObj(4, 3, 1) + " i 4",       RemObj(5, 3, 1) + " x 0011223344aa", RemObj(6, 3, 1) + " i 6",
        RemObj(7, 3, 1) + " s circuit", RemObj(4, 5, 1) + " i 7",            RemObj(5, 5, 1) + " s switch-a",
        RemObj(6, 5, 1) + " i 4",       RemObj(7, 5, 1) + " x 01c0a80001",   RemObj(4, 6, 2) + " i 5",
        RemObj(5, 6, 2) + " x 010a000001", RemObj(6, 6, 2) + " i 9",         RemObj(7, 6, 2) + " s p1",
    };
    for (const std::string version : {"1", "3"}) {
        SCOPED_TRACE("SNMPv" + version);
        const corvex::test::SimV3User user{"lldpv3", "lldpAuth11", "lldpPriv11"};
        ASSERT_NO_FATAL_FAILURE(Start("28p", state, user.args()));
        if (version == "3") user.use();
        CLldpRemoteDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(env.waitUntil([&] { return dlg.StateRead() && !dlg.Busy(); }));
        const auto rows = d.rows(CLldpRemoteDlg::IDC_LIST);
        ASSERT_EQ(rows.size(), 6u);  // three preloaded and the switch's own three, in table order
        EXPECT_EQ(d.text("Remote Entities Count: "), "  6");
        // Port, subtype texts and identifiers of a neighbour (the Entity number follows table order).
        auto ids = [&](const std::string& port) {
            for (const auto& r : rows)
                if (r[0] == port) return Strings{r[0], r[2], r[3], r[4], r[5]};
            return Strings{};
        };
        EXPECT_EQ(ids("3"), (Strings{"3", "macAddress", "0011223344AA", "agentCircuitld", "circuit"}));
        EXPECT_EQ(ids("5"), (Strings{"5", "local", "switch-a", "networkAddress", "192.168.0.1"}));
        EXPECT_EQ(ids("6"), (Strings{"6", "networkAddress", "10.0.0.1", "", "p1"}));
        auto find = [&](const std::string& port) {
            for (const auto& r : rows)
                if (r[0] == port) return r;
            return Strings{};
        };
        const auto ap = find("2");
        EXPECT_EQ(ap, (Strings{"2", "  1", "macAddress", "3CD92B41079E", "macAddress", "3CD92B41079E", "eth0",
                               "ap-lobby", "Wireless Access Point, PoE powered"}));
        EXPECT_TRUE(env.takeMessages().empty());
        for (const auto& r : sim.requests()) EXPECT_EQ(r.version, version);
        // Refresh reads the table again.
        sim.clearLog();
        d.click("&Refresh");
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Busy(); }));
        EXPECT_EQ(d.rowCount(CLldpRemoteDlg::IDC_LIST), 6);
        EXPECT_FALSE(sim.requests().empty());
        sim.stop();
        MutableSettings() = sim.settings();
    }
}

TEST_F(LldpSimTest, RemoteListWithLldpOffOrUnreadableState) {
    ASSERT_NO_FATAL_FAILURE(Start("10p", {kOidLldpState + " i 2"}));
    {
        CLldpRemoteDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(env.waitUntil([&] { return dlg.StateRead() && !dlg.Busy(); }));
        EXPECT_EQ(d.rowCount(CLldpRemoteDlg::IDC_LIST), 3);  // still read, but not usable
        EXPECT_FALSE(d.enabled(CLldpRemoteDlg::IDC_LIST));
        EXPECT_FALSE(d.enabled("&Refresh"));
        EXPECT_TRUE(env.takeMessages().empty());
    }
    sim.stop();
    ASSERT_NO_FATAL_FAILURE(Start("10p", {}, {"--drop-prefix", "1.3.6.1.4.1.171.10.76.12.24.1"}));
    MutableSettings().TimeoutMs = "500";  // three tries before the state counts as unanswered
    CLldpRemoteDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(env.waitUntil([&] { return !env.messages().empty(); }, std::chrono::milliseconds(8000)));
    EXPECT_EQ(env.takeMessages(), Strings{kMsgRemoteReadFailed});
    EXPECT_EQ(d.rowCount(CLldpRemoteDlg::IDC_LIST), 0);
    EXPECT_EQ(d.text("Remote Entities Count: "), "0");
}

}  // namespace
