// The auto surveillance VLAN dialog against the virtual switch: the settings write on the wire,
// the Apply refusals in their order, the trunk rule on a map still being read, and the OUI
// table's additions and deletions.
#include "features/vlan/auto_surveillance_vlan_dlg.h"

#include "app/main_window.h"
#include "app/session_settings.h"
#include "features/common/form_reads.h"
#include "features/vlan/register.h"
#include "platform/trace.h"
#include "vlan/vlan_sim.h"

namespace vlantest {
namespace {

using Strings = std::vector<std::string>;
using Dlg = CAutoSurveillanceVlanDlg;
using namespace std::chrono_literals;

const std::string kSurvState = kPriv + ".34.1.1.0";
const std::string kSurvVid = kPriv + ".34.1.2.0";
const std::string kSurvPriority = kPriv + ".34.1.3.0";
const std::string kSurvPorts = kPriv + ".34.1.4.0";
const std::string kVoiceState = kPriv + ".21.1.2.0";
const std::string kVoiceVid = kPriv + ".21.1.3.0";
const std::string kOui = kPriv + ".34.2.1.1";

const char* const kPoeNotice =
    "Switch will automatically turn on PoE function to all the member ports of surveillance VLAN, \n"
    "please ensure all the member ports of surveillance VLAN connected to PoE power devices.";
const char* const kMacFormat = "Please enter correct MAC format(ex:00-00-00-00-00-01)";

// The feature on with VLAN 100, so that the OUI controls are open to the user.
const Strings kEnabled = {kSurvState + " i 1", kSurvVid + " i 100"};

// One user entry of the OUI table as the state file preloads it (index = the six octets).
Strings OuiRow(const std::string& index, const std::string& hex, int type = 4) {
    return {kOui + ".1." + index + " x " + hex, kOui + ".4." + index + " i " + std::to_string(type),
            kOui + ".5." + index + " i 1"};
}

Strings Join(Strings a, const Strings& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class SurveillanceTest : public VlanSimTest {
protected:
    // Every read of the refresh has ended, the 50 ms wait after a write included.
    static bool Settled(DialogDriver& d, Dlg& dlg) {
        return d.env().waitUntil([&] { return !dlg.Refreshing() && !dlg.writing() && d.enabled("&Refresh"); });
    }
    // The write of the last click has ended.
    static bool Written(DialogDriver& d, Dlg& dlg) { return d.env().waitUntil([&] { return !dlg.writing(); }); }
    // Refreshes seen on the wire since the last clearLog: each reads the asymmetric mode once.
    int Refreshes() const {
        int n = 0;
        for (const auto& r : sim.requests())
            for (const auto& b : r.bindings)
                if (b.oid == kAsymmetric && r.pdu != "set") ++n;
        return n;
    }
    static int OuiRowOf(DialogDriver& d, const std::string& mac) {
        static const dialogtest::Ref kList(Dlg::IDC_OUI_LIST);
        return d.list(kList).findRow(3, mac);
    }
};

TEST_F(SurveillanceTest, EnablingWritesOneRequestOfFourAndDisablingTheStateAlone) {
    // The PoE notice belongs to PoE models only, and only while the feature is off.
    for (const auto& [model, notice] : {std::pair{"10p", true}, std::pair{"52", false}}) {
        SCOPED_TRACE(model);
        Start(model);
        Dlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_FALSE(d.checked(Dlg::IDC_ENABLE));
        EXPECT_FALSE(d.enabled(Dlg::IDC_VLAN_ID));  // the settings read follows the device
        EXPECT_EQ(d.as<platform::ComboBox>(Dlg::IDC_PRIORITY).current(), 2);
        sim.clearLog();

        d.tick(Dlg::IDC_ENABLE);
        EXPECT_TRUE(d.enabled(Dlg::IDC_VLAN_ID));
        d.type(Dlg::IDC_VLAN_ID, "100");
        d.choose(Dlg::IDC_PRIORITY, "High");
        d.type(Dlg::IDC_UPLINK_PORTS, "1-2,10");
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), notice ? Strings{kPoeNotice} : Strings{});
        ASSERT_TRUE(Written(d, dlg));
        ASSERT_EQ(sim.sets().size(), 1u);
        const std::string ports = std::string(model) == "52" ? "c040000000000000" : "c0400000";
        EXPECT_EQ(sim.setBindings(), (Strings{kSurvVid + "=100", kSurvPriority + "=1", kSurvPorts + "=" + ports,
                                          kSurvState + "=1"}));
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_EQ(dlg.CurrentStateText(), "1");
        EXPECT_EQ(d.text(Dlg::IDC_UPLINK_PORTS), "1-2,10");

        // On already: no notice.
        sim.clearLog();
        d.click("&Apply");
        ASSERT_TRUE(Written(d, dlg));
        EXPECT_TRUE(env.takeMessages().empty());
        EXPECT_EQ(sim.sets().size(), 1u);
        ASSERT_TRUE(Settled(d, dlg));

        sim.clearLog();
        d.tick(Dlg::IDC_ENABLE, false);
        EXPECT_FALSE(d.enabled(Dlg::IDC_UPLINK_PORTS));
        d.click("&Apply");
        ASSERT_TRUE(Written(d, dlg));
        EXPECT_TRUE(env.takeMessages().empty());
        EXPECT_EQ(sim.setBindings(), (Strings{kSurvState + "=2"}));
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_EQ(dlg.CurrentStateText(), "2");
    }
}

TEST_F(SurveillanceTest, ApplyRefusalsComeInOrderRefreshTheFormAndSendNothing) {
    // Voice VLAN 200 on; trunk 1 holds ports 3 and 4.
    Start("10p", Join(kEnabled, {kVoiceState + " i 1", kVoiceVid + " i 200", kTrunkMembers + ".1 x 30000000"}));
    const struct {
        const char* vid;
        const char* ports;
        const char* message;
        bool refreshes;
    } cases[] = {
        {"1", "1", "Default VLAN cannot be set as Auto Surveillance VLAN.", true},
        {"0", "1", "The VLAN ID value range is 2 - 4094", true},
        {"4095", "1", "The VLAN ID value range is 2 - 4094", true},
        {"", "1", "The VLAN ID value range is 2 - 4094", true},
        {"200", "1,a", "The VLAN ID already is voice VLAN ID.", true},  // the VID before the ports
        {"300", "1,a", "Invalid Portlist", false},
        {"300", "1;2", "Invalid Portlist", false},
        {"300", "2,11", "Invalid Portlist", true},
        {"300", "0", "Invalid Portlist", true},
        {"300", "1,3", "If Link Aggregation member port is selected, it must have the same port list as Auto "
                       "Surveillance VLAN Tagged Uplink/Downlink Port.", true},
    };
    Dlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(dlg.VoiceVlanState(), 1);
    ASSERT_EQ(dlg.TrunkPorts(), (std::vector<int>{0, 0, 1, 1, 0, 0, 0, 0, 0, 0}));
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.vid) + " / " + c.ports);
        d.type(Dlg::IDC_VLAN_ID, c.vid);
        d.type(Dlg::IDC_UPLINK_PORTS, c.ports);
        sim.clearLog();
        d.click("&Apply");
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_EQ(env.takeMessages(), Strings{c.message});
        EXPECT_EQ(Refreshes(), c.refreshes ? 1 : 0);
        // A refresh puts the device's values back.
        EXPECT_EQ(d.text(Dlg::IDC_VLAN_ID), c.refreshes ? "100" : c.vid);
        EXPECT_TRUE(sim.sets().empty());
    }
    // The whole trunk is accepted.
    d.type(Dlg::IDC_UPLINK_PORTS, "3-4");
    d.click("&Apply");
    ASSERT_TRUE(Written(d, dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setBindings(), (Strings{kSurvVid + "=100", kSurvPriority + "=2", kSurvPorts + "=30000000",
                                      kSurvState + "=1"}));
}

TEST_F(SurveillanceTest, AsymmetricModeRefusesEvenDisabling) {
    Start("10p", Join(kEnabled, {kAsymmetric + " i 1"}));
    Dlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    for (bool on : {true, false}) {
        d.tick(Dlg::IDC_ENABLE, on);
        d.click("&Apply");
        ASSERT_TRUE(Settled(d, dlg));
    }
    EXPECT_EQ(env.takeMessages(), (Strings{"Auto Surveillance Vlan can not support in Asymmetric VLAN mode.",
                                           "Auto Surveillance Vlan can not support in Asymmetric VLAN mode."}));
    EXPECT_TRUE(d.checked(Dlg::IDC_ENABLE));  // put back by the refresh
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(SurveillanceTest, ExistingVlanIsConfirmedAndCancelLeavesTheDeviceAlone) {
    Start("10p", {kName + ".100 s \"cams\""});
    Dlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(dlg.ExistingVids(), (Strings{"1", "100"}));
    const std::string ask =
        "The VLAN ID 100 already exists, still apply? \nIf yes, the original setting of VLAN 100 members will be removed.";
    sim.clearLog();
    d.tick(Dlg::IDC_ENABLE);
    d.type(Dlg::IDC_VLAN_ID, "100");
    env.answer(MsgAnswer::Cancel);
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(env.takeMessages(), Strings{ask});  // no PoE notice after Cancel
    EXPECT_TRUE(sim.sets().empty());
    EXPECT_EQ(Refreshes(), 1);
    EXPECT_FALSE(d.checked(Dlg::IDC_ENABLE));

    d.tick(Dlg::IDC_ENABLE);
    d.type(Dlg::IDC_VLAN_ID, "100");
    env.answer(MsgAnswer::Ok);
    d.click("&Apply");
    ASSERT_TRUE(Written(d, dlg));
    EXPECT_EQ(env.takeMessages(), (Strings{ask, kPoeNotice}));
    EXPECT_EQ(sim.setBindings(), (Strings{kSurvVid + "=100", kSurvPriority + "=2", kSurvPorts + "=00000000",
                                      kSurvState + "=1"}));
}

TEST_F(SurveillanceTest, ApplyWaitsForTheTrunkWalkUnderWayAndChecksItsWholeMap) {
    // The trunk table's replies late: the trunk walk is still going when Apply is clicked.
    Start("10p", Join(kEnabled, {kTrunkMembers + ".8 x 30000000"}), {"--delay-prefix", kTrunkMembers + ":1500"});
    Dlg dlg;
    DialogDriver d(env, dlg);
    // The settings are in long before the trunk map.
    ASSERT_TRUE(env.waitUntil([&] { return d.text(Dlg::IDC_VLAN_ID) == "100"; }));
    sim.clearLog();
    d.type(Dlg::IDC_UPLINK_PORTS, "4");
    d.click("&Apply");
    // The click came back at once; the check waits for the rest of the map.
    EXPECT_TRUE(dlg.ApplyWaiting());
    EXPECT_FALSE(d.enabled("&Apply"));
    EXPECT_TRUE(env.messages().empty());
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.ApplyWaiting(); }, 10000ms));
    EXPECT_EQ(env.takeMessages(), (Strings{"If Link Aggregation member port is selected, it must have the same port "
                                           "list as Auto Surveillance VLAN Tagged Uplink/Downlink Port."}));
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Refreshing() && d.enabled("&Apply"); }, 10000ms));
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(SurveillanceTest, ApplyWaitsForTheWholeVlanListAndTheSettingsBeforeItAsks) {
    // Twenty VLANs, every reply late: the VLAN ID walk outlasts the trunk walk.
    Strings state;
    for (int vid = 100; vid < 120; ++vid) state.push_back(kName + "." + std::to_string(vid) + " s \"v\"");
    Start("10p", state, {"--delay-ms", "50"});
    Dlg dlg;
    DialogDriver d(env, dlg);
    // The settings are read after the list: until both are in, the form offers nothing to write.
    EXPECT_FALSE(d.enabled(Dlg::IDC_ENABLE));
    EXPECT_FALSE(d.enabled("&Apply"));
    ASSERT_TRUE(d.waitEnabled("&Apply", 10000ms));
    EXPECT_EQ(dlg.ExistingVids().size(), 21u);  // the default VLAN and the twenty
    d.tick(Dlg::IDC_ENABLE);
    d.type(Dlg::IDC_VLAN_ID, "119");  // the last row of the walk
    env.answer(MsgAnswer::Cancel);
    d.click("&Apply");
    EXPECT_FALSE(dlg.ApplyWaiting());
    EXPECT_EQ(env.takeMessages(), Strings{"The VLAN ID 119 already exists, still apply? \nIf yes, the original "
                                          "setting of VLAN 119 members will be removed."});
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.Refreshing(); }, 10000ms));
    EXPECT_TRUE(sim.sets().empty());
}

// A VLAN list or trunk map that could not be read: the form still shows the switch's settings
// (before, a failed VLAN list left the feature shown off with an empty VLAN ID), and an Apply
// that needs the missing data refuses with the not-read message instead of skipping the
// question about an existing VLAN or the trunk rule. Disabling writes the state alone: it needs
// neither, and the stored ports (greyed) are not held against the trunks.
TEST_F(SurveillanceTest, AnUnreadVlanListOrTrunkMapStopsTheApplyThatNeedsIt) {
    struct Case {
        const char* name;
        std::string unanswered;  // "" every read answered
        bool disable;
        Strings messages;
        Strings sets;
        Strings state = {};
    } cases[] = {
        {"VLAN list, enabling", kName, false, {features::kMsgNotRead}, {}},
        {"VLAN list, disabling", kName, true, {}, {kSurvState + "=2"}},
        {"trunk map, enabling", kTrunkMembers, false, {features::kMsgNotRead}, {}},
        {"trunk map, disabling", kTrunkMembers, true, {}, {kSurvState + "=2"}},
        {"stored port 3 of trunk 3-4, disabling", "", true, {}, {kSurvState + "=2"},
         {kSurvPorts + " x 20000000", kTrunkMembers + ".1 x 30000000"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // VLAN 100 exists: enabling on it must ask first.
        Strings args;
        if (!c.unanswered.empty()) args = {"--drop-prefix", c.unanswered};
        ASSERT_NO_FATAL_FAILURE(Start("10p", Join(Join(kEnabled, {kName + ".100 s \"cams\""}), c.state), args));
        MutableSettings().TimeoutMs = "300";
        Dlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Refreshing() && d.enabled("&Refresh"); }, 10000ms));
        EXPECT_TRUE(d.checked(Dlg::IDC_ENABLE));
        EXPECT_EQ(d.text(Dlg::IDC_VLAN_ID), "100");
        EXPECT_EQ(d.control(platform::Form::kIdReadStatus).visible(), !c.unanswered.empty());
        sim.clearLog();
        if (c.disable) d.tick(Dlg::IDC_ENABLE, false);
        d.click("&Apply");
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Refreshing() && !dlg.writing(); }, 10000ms));
        EXPECT_EQ(env.takeMessages(), c.messages);
        EXPECT_EQ(sim.setBindings(), c.sets);
        sim.stop();
    }
}

TEST_F(SurveillanceTest, AddingWritesTheRowThenItsColumnsAndListsIt) {
    Start("10p", kEnabled);
    Dlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(d.rows(Dlg::IDC_OUI_LIST), (std::vector<Strings>{{"1", "Norvane Surveillance Device", "", "F0-7D-68-00-00-00", "FF-FF-FF-00-00-00"}}));

    // OUI mode: eight characters, the box emptied on every switch.
    d.type(Dlg::IDC_MAC, "00-11-22-33-44-55");
    d.choose(Dlg::IDC_MAC_MODE, "OUI");
    EXPECT_EQ(d.text(Dlg::IDC_MAC), "");
    d.type(Dlg::IDC_MAC, "00-11-22-33");
    EXPECT_EQ(d.text(Dlg::IDC_MAC), "00-11-22");
    d.choose(Dlg::IDC_COMPONENT_TYPE, "Network Storage");
    d.type(Dlg::IDC_DESCRIPTION, "recorder (east)");
    sim.clearLog();
    d.click("&Add");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));  // the entry is filled from a timer
    ASSERT_EQ(sim.sets().size(), 2u);
    const std::string idx = ".0.17.34.0.0.0";
    EXPECT_EQ(sim.setBindings(), (Strings{kOui + ".5" + idx + "=4", kOui + ".2" + idx + "=" + Hex("recorder (east)"),
                                      kOui + ".4" + idx + "=3", kOui + ".3" + idx + "=ffffff000000"}));
    EXPECT_EQ(d.text(Dlg::IDC_MAC), "");
    EXPECT_EQ(d.text(Dlg::IDC_DESCRIPTION), "");
    ASSERT_TRUE(Settled(d, dlg));
    // Rows come in index order: the new entry before the maker's.
    EXPECT_EQ(d.rows(Dlg::IDC_OUI_LIST), (std::vector<Strings>{{"1", "Network Storage", "recorder (east)", "00-11-22-00-00-00", "FF-FF-FF-00-00-00"},
                                                               {"2", "Norvane Surveillance Device", "", "F0-7D-68-00-00-00", "FF-FF-FF-00-00-00"}}));

    // MAC mode writes no mask; the description travels as UTF-8.
    d.choose(Dlg::IDC_MAC_MODE, "MAC");
    d.type(Dlg::IDC_MAC, "00-1a-2B-3c-4D-5e");
    d.type(Dlg::IDC_DESCRIPTION, "Kamera Süd");
    d.choose(Dlg::IDC_COMPONENT_TYPE, "Video Management Server");
    sim.clearLog();
    d.click("&Add");
    ASSERT_TRUE(env.waitUntil([&] { return !dlg.writing(); }));
    const std::string mac = ".0.26.43.60.77.94";
    EXPECT_EQ(sim.setBindings(), (Strings{kOui + ".5" + mac + "=4", kOui + ".2" + mac + "=" + Hex("Kamera Süd"),
                                      kOui + ".4" + mac + "=0"}));
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(d.rows(Dlg::IDC_OUI_LIST)[1], (Strings{"2", "Video Management Server", "Kamera Süd", "00-1A-2B-3C-4D-5E", "FF-FF-FF-FF-FF-FF"}));
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(SurveillanceTest, AddRefusalsComeInOrderAndSendNothing) {
    // Four user entries: the fifth is accepted, the sixth is refused (the maker's does not count).
    Strings state = kEnabled;
    for (const char* row : {"0.17.34.0.0.0/001122000000", "0.17.35.0.0.0/001123000000", "0.17.36.0.0.0/001124000000",
                            "2.0.0.0.0.1/020000000001"}) {
        const std::string r = row;
        state = Join(state, OuiRow(r.substr(0, r.find('/')), r.substr(r.find('/') + 1)));
    }
    Start("10p", state);
    Dlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(Dlg::IDC_OUI_LIST), 5);

    const struct {
        const char* mode;
        const char* mac;
        const char* description;
        const char* message;
    } cases[] = {
        {"MAC", "00:11:22:33:44:55", "a.b", "Invalid Description."},  // the description first
        {"MAC", "00:11:22:33:44:55", "", kMacFormat},
        {"MAC", "00-00-00-00-00-00", "", kMacFormat},
        {"MAC", "00-11-22-33-44-5G", "", kMacFormat},
        {"OUI", "00-11-2", "", kMacFormat},
        {"MAC", "ff-FF-ff-FF-ff-FF", "", "Broadcast MAC is not allowed."},
        {"MAC", "01-00-5E-00-00-01", "", "Multicast MAC is not allowed."},
        {"OUI", "00-e0-bb", "", "The OUI is already exist at Voice Vlan OUI Table!"},
        {"MAC", "00-09-6E-12-34-56", "", "The OUI is already exist at Voice Vlan OUI Table!"},
        {"MAC", "F0-7D-68-00-00-01", "", "This OUI is default, please select the default mode!"},
        {"OUI", "F0-7D-68", "", "This OUI is default, please select the default mode!"},
        {"MAC", "f0-7d-68-00-00-01", "", "This OUI is default, please select the default mode!"},
        {"OUI", "00-11-23", "", "The OUI is already exist!"},
        {"MAC", "02-00-00-00-00-01", "", "The OUI is already exist!"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " " + c.mac);
        d.choose(Dlg::IDC_MAC_MODE, c.mode);
        d.type(Dlg::IDC_MAC, c.mac);
        d.type(Dlg::IDC_DESCRIPTION, c.description);
        sim.clearLog();
        d.click("&Add");
        EXPECT_EQ(env.takeMessages(), Strings{c.message});
        EXPECT_TRUE(sim.sets().empty());
        EXPECT_EQ(Refreshes(), 0);
    }

    d.choose(Dlg::IDC_MAC_MODE, "OUI");
    d.type(Dlg::IDC_MAC, "00-11-25");
    d.click("&Add");
    EXPECT_TRUE(env.takeMessages().empty());
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(Dlg::IDC_OUI_LIST), 6);
    sim.clearLog();
    d.type(Dlg::IDC_MAC, "00-11-26");
    d.click("&Add");
    EXPECT_EQ(env.takeMessages(), Strings{"OUI Table is full,Maximum user defined OUI is 5."});
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(SurveillanceTest, DeleteRefusesTheDefaultEntryAndDestroysAnyOther) {
    Start("10p", Join(kEnabled, OuiRow("0.17.34.0.0.0", "001122000000", 2)));
    Dlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(Dlg::IDC_OUI_LIST), 2);
    EXPECT_EQ(d.cell(Dlg::IDC_OUI_LIST, OuiRowOf(d, "00-11-22-00-00-00"), 1), "Video Encoder");
    sim.clearLog();

    d.click("&Delete");
    d.clickRow(Dlg::IDC_OUI_LIST, OuiRowOf(d, "F0-7D-68-00-00-00"));
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), (Strings{"Please Selecte the OUI Entry you would to delete",
                                           "The default Surveillance OUI can not be deleted."}));
    EXPECT_TRUE(sim.sets().empty());

    d.clickRow(Dlg::IDC_OUI_LIST, OuiRowOf(d, "00-11-22-00-00-00"));
    d.click("&Delete");
    ASSERT_TRUE(Written(d, dlg));
    EXPECT_EQ(sim.setBindings(), (Strings{kOui + ".5.0.17.34.0.0.0=6"}));
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(d.rows(Dlg::IDC_OUI_LIST), (std::vector<Strings>{{"1", "Norvane Surveillance Device", "", "F0-7D-68-00-00-00", "FF-FF-FF-00-00-00"}}));
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(SurveillanceTest, NonsenseFromTheSwitchLeavesAUsableForm) {
    // Values of the wrong type, out of range and oversized, as a broken switch might answer.
    const std::string big(2000, 'f');
    Start("10p",
          {kSurvState + " s \"1\"", kSurvVid + " s \"" + std::string(300, 'A') + "\"", kSurvPriority + " i 99",
           kSurvPorts + " x " + big, kAsymmetric + " s \"on\"", kVoiceState + " x 01",
           kOui + ".1.0.17.34.0.0.0 x " + big, kOui + ".2.0.17.34.0.0.0 s \"" + std::string(500, 'd') + "\"",
           kOui + ".4.0.17.34.0.0.0 i 77", kOui + ".5.0.17.34.0.0.0 i 1", kOui + ".1.0.17.35.0.0.0 x 0011",
           kOui + ".4.0.17.35.0.0.0 s \"video\"", kOui + ".5.0.17.35.0.0.0 i 1",
           kPriv + ".21.2.1.1.1.0.17.36.0.0.0 x 00", kPriv + ".21.2.1.1.4.0.17.36.0.0.0 i 1"},
          {"--state-any-type"});
    Dlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_TRUE(d.checked(Dlg::IDC_ENABLE));
    EXPECT_EQ(d.text(Dlg::IDC_VLAN_ID), "0");
    EXPECT_EQ(d.as<platform::ComboBox>(Dlg::IDC_PRIORITY).current(), 2);  // 99 is no position
    EXPECT_EQ(d.text(Dlg::IDC_UPLINK_PORTS), "1-10");
    EXPECT_EQ(dlg.AsymmetricModeState(), 2);
    EXPECT_EQ(dlg.VoiceVlanState(), 2);
    const auto rows = d.rows(Dlg::IDC_OUI_LIST);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0], (Strings{"1", "77", std::string(500, 'd'), "FF-FF-FF-FF-FF-FF", "FF-FF-FF-FF-FF-FF"}));
    EXPECT_EQ(rows[1], (Strings{"2", "video", "", "00-11-00-00-00-00", "FF-FF-FF-FF-FF-FF"}));
    // The VLAN ID read as nothing is refused like a typed one.
    d.click("&Apply");
    EXPECT_EQ(env.takeMessages(), Strings{"The VLAN ID value range is 2 - 4094"});
}

TEST_F(SurveillanceTest, MenuCommandOpensTheDialogAndClosingClosesEverySessionInOrder) {
    Start("10p");
    app::DialogRegistry registry;
    RegisterVlanDialogs(registry);
    std::unique_ptr<app::IModalDialog> command = registry.Create(app::kCmdAutoSurveillanceVlan);
    ASSERT_NE(command, nullptr);
    ASSERT_TRUE(platform::TraceEnabled());
    testing::internal::CaptureStderr();
    env.onChild<Dlg>([](Dlg& dlg, DialogDriver& c) {
        ASSERT_TRUE(Settled(c, dlg));
        c.click("&Close");
    });
    EXPECT_EQ(command->RunModal(), platform::kIdCancel);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialogtest::CloseTraceLines(err), (Strings{"==================DestroyWindow===============",
                               "==================m_cCommonSNMP.Close===============",
                               "==================m_cCommonSNMPSet.Close===============",
                               "==================m_cCommonSNMPGet.Close===============",
                               "==================m_cCommonSNMPTable.Close===============",
                               "==================m_cCommonSNMPTableOui.Close===============",
                               "==================m_cCommonSNMPTableVoiceOui.Close===============",
                               "==================m_cCommonSNMPTableTrunk.Close===============",
                               "==================m_cCommonSNMPMode.Close==============="}));
}

}  // namespace
}  // namespace vlantest
