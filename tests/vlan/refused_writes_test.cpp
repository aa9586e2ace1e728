// Every write of the VLAN dialogs against a switch that refuses it: the message that says what
// was not changed, the form read again and kept for a retry, and what the switch holds after.
// The writes of several steps are undone: a VLAN entry puts its port lists back or removes the
// new row, an OUI entry that could not be filled is removed.
#include "features/vlan/auto_surveillance_vlan_dlg.h"
#include "features/vlan/pvid_dlg.h"
#include "features/vlan/vlan_entry_dlg.h"
#include "features/common/sync_request.h"
#include "support/held.h"
#include "support/refused_write.h"
#include "vlan_sim.h"

namespace vlantest {
namespace {

using dialogtest::RefusedWriteCase;
using Strings = std::vector<std::string>;

const std::string kOui = kPriv + ".34.2.1.1";
const std::string kSurvState = kPriv + ".34.1.1.0";
// The surveillance VLAN on (VLAN 100): the OUI entry controls follow its state.
const Strings kSurveillanceOn = {kSurvState + " i 1", kPriv + ".34.1.2.0 i 100", kName + ".100 s \"cams\""};
const std::string kOuiIndex = ".0.17.34.0.0.0";  // 00-11-22-00-00-00
constexpr const char* kGenErr = "the switch refused the value (genErr)";

using corvex::test::HeldHex;

Strings Row(const std::string& vid) { return {kEgress + "." + vid, kUntagged + "." + vid, kRowState + "." + vid}; }

// VLAN 20 "twenty": port 1 tagged, port 2 untagged; the list the VLAN dialog passes its editors.
const Strings kVlan20 = {kName + ".20 s \"twenty\"", kEgress + ".20 x c0000000", kUntagged + ".20 x 40000000"};
const vlan::VlanRecordList kRecords = {{.vid = 20, .name = "twenty", .egressPorts = "1,2", .untaggedPorts = "2",
                                        .egressCount = 2, .untaggedCount = 1}};
// The PVID form also needs the default VLAN.
const vlan::VlanRecordList kPvidRecords = {{.vid = 1, .name = "default", .egressPorts = "1,2,3,4,5,6,7,8,9,10",
                                            .untaggedPorts = "1,2,3,4,5,6,7,8,9,10", .egressCount = 10,
                                            .untaggedCount = 10},
                                           kRecords[0]};

bool EntryReady(DialogDriver& d, platform::Form&) { return d.waitEnabled("OK"); }
bool ConfigReady(DialogDriver& d, platform::Form& f) {
    auto& dlg = dynamic_cast<CVlanConfigDlg&>(f);
    return d.env().waitUntil([&] {
        return !dlg.writing() && !dlg.TableWalking() && !dlg.PvidWalking() && dlg.VoiceStateRead() &&
               dlg.readState("asymmetric mode") != platform::Form::ReadState::Running && d.enabled("&Refresh");
    });
}
bool SurveillanceReady(DialogDriver& d, platform::Form& f) {
    auto& dlg = dynamic_cast<CAutoSurveillanceVlanDlg&>(f);
    return d.env().waitUntil([&] { return !dlg.Refreshing() && !dlg.writing() && d.enabled("&Refresh"); });
}
bool PvidReady(DialogDriver& d, platform::Form& f) {
    auto& dlg = dynamic_cast<CPvidDlg&>(f);
    return d.env().waitUntil([&] { return !dlg.Walking() && !dlg.Snmp().TrunkMap().Walking() && d.enabled("Apply"); });
}

// Edit VLAN 20: port 2 tagged instead of untagged, port 3 tagged.
void EditVlan20(DialogDriver& d, DialogEnvironment&) {
    d.tickPort(CVlanEntryDlg::IDC_PORTS, CVlanEntryDlg::kTag, 2);
    d.tickPort(CVlanEntryDlg::IDC_PORTS, CVlanEntryDlg::kTag, 3);
    d.click("OK");
}
// Add VLAN 30 with port 1 tagged and port 2 untagged.
void AddVlan30(DialogDriver& d, DialogEnvironment&) {
    d.type(CVlanEntryDlg::IDC_VID, "30");
    d.type(CVlanEntryDlg::IDC_VLAN_NAME, "thirty");
    d.tickPort(CVlanEntryDlg::IDC_PORTS, CVlanEntryDlg::kTag, 1);
    d.tickPort(CVlanEntryDlg::IDC_PORTS, CVlanEntryDlg::kUntag, 2);
    d.click("OK");
}
// The form stayed open with the user's choice: port 2 and 3 tagged.
void EditKept(DialogDriver& d) {
    EXPECT_FALSE(d.ended());
    auto& grid = d.as<platform::PortGrid>(CVlanEntryDlg::IDC_PORTS);
    EXPECT_EQ(grid.selectedLayer(2), CVlanEntryDlg::kTag);
    EXPECT_EQ(grid.selectedLayer(3), CVlanEntryDlg::kTag);
}
// Add the OUI 00-11-22 as "Network Storage" described "cam".
void AddOui(DialogDriver& d, DialogEnvironment&) {
    d.choose(CAutoSurveillanceVlanDlg::IDC_MAC_MODE, "OUI");
    d.type(CAutoSurveillanceVlanDlg::IDC_MAC, "00-11-22");
    d.choose(CAutoSurveillanceVlanDlg::IDC_COMPONENT_TYPE, "Network Storage");
    d.type(CAutoSurveillanceVlanDlg::IDC_DESCRIPTION, "cam");
    d.click("&Add");
}
void OuiInputKept(DialogDriver& d) {
    EXPECT_EQ(d.text(CAutoSurveillanceVlanDlg::IDC_MAC), "00-11-22");
    EXPECT_EQ(d.text(CAutoSurveillanceVlanDlg::IDC_DESCRIPTION), "cam");
    EXPECT_EQ(d.list(CAutoSurveillanceVlanDlg::IDC_OUI_LIST).findRow(3, "00-11-22-00-00-00"), -1);
}

// A case of the VLAN entry form: editing VLAN 20 (on a switch that holds it) or adding VLAN 30.
RefusedWriteCase EntryCase(bool add, RefusedWriteCase c) {
    if (!add) c.state.insert(c.state.end(), kVlan20.begin(), kVlan20.end());
    c.make = [add]() -> std::unique_ptr<platform::Form> {
        if (add) return std::make_unique<CVlanEntryDlg>(10, &kRecords, 2, true);
        return std::make_unique<CVlanEntryDlg>(10, &kRecords, 2, false, 20);
    };
    c.ready = EntryReady;
    c.act = add ? AddVlan30 : EditVlan20;
    return c;
}

// A case whose sets go unanswered: each costs one session time-out, so it is made short.
RefusedWriteCase Quick(RefusedWriteCase c) {
    c.make = [inner = c.make] {
        MutableSettings().TimeoutMs = "500";
        return inner();
    };
    return c;
}

TEST_F(VlanSimTest, RefusedWritesTellTheirOutcome) {
    const std::vector<RefusedWriteCase> cases = {
        {.name = "asymmetric VLAN mode",
         .refuse = {kPriv + ".7.5"},
         .make = [] { return std::make_unique<CVlanConfigDlg>(); },
         .ready = ConfigReady,
         .act =
             [](DialogDriver& d, DialogEnvironment& e) {
                 d.tick(CVlanConfigDlg::IDC_ASYMMETRIC);
                 e.answer(MsgAnswer::Ok);
                 d.click("&Apply");
             },
         .message = std::string("The asymmetric VLAN mode could not be changed: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(ConfigReady(d, f));
                 EXPECT_FALSE(d.checked(CVlanConfigDlg::IDC_ASYMMETRIC));  // as the switch holds it
                 EXPECT_EQ(HeldHex({kAsymmetric}), Strings{"2"});
             }},
        {.name = "VLAN delete",
         .state = kVlan20,
         .refuse = {kRowState + ".20"},
         .make = [] { return std::make_unique<CVlanConfigDlg>(); },
         .ready = ConfigReady,
         .act =
             [](DialogDriver& d, DialogEnvironment& e) {
                 d.clickRow(CVlanConfigDlg::IDC_VLAN_LIST, d.list(CVlanConfigDlg::IDC_VLAN_LIST).findRow(0, "20"));
                 e.answer(MsgAnswer::Ok);
                 d.click("&Delete");
             },
         .message = std::string("VLAN 20 could not be deleted: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(ConfigReady(d, f));
                 EXPECT_GE(d.list(CVlanConfigDlg::IDC_VLAN_LIST).findRow(0, "20"), 0);
                 EXPECT_EQ(HeldHex({kRowState + ".20"}), Strings{"1"});
             }},
        {.name = "PVID",
         .state = kVlan20,
         .refuse = {kPvid + ".3"},
         .make = [] { return std::make_unique<CPvidDlg>(10, "1,20", 2, &kPvidRecords); },
         .ready = PvidReady,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 for (int p = 1; p <= 10; ++p) d.typePort(CPvidDlg::IDC_PVID_GRID, p, p <= 4 ? "20" : "1");
                 d.click("Apply");
             },
         .message = std::string("The PVID of port 3 could not be changed: ") + kGenErr + ". Ports 4 to 10 were not written.",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(PvidReady(d, f));
                 EXPECT_FALSE(d.ended());
                 EXPECT_EQ(HeldHex({kPvid + ".2", kPvid + ".3", kPvid + ".4"}), (Strings{"20", "1", "1"}));
                 // Read again: port 2 as taken; ports 3 and 4 as typed, for a retry.
                 auto& grid = d.as<platform::PortGrid>(CPvidDlg::IDC_PVID_GRID);
                 EXPECT_EQ(grid.cellText(0, 2), "20");
                 EXPECT_EQ(grid.cellText(0, 3), "20");
                 EXPECT_EQ(grid.cellText(0, 4), "20");
             }},
        EntryCase(false, {.name = "VLAN edit, untagged ports refused after the egress list was widened",
         .refuse = {kUntagged + ".20"},
         .message = std::string("The VLAN could not be changed: ") + kGenErr + ". Its ports were put back as they were.",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice& s) {
                 EditKept(d);
                 EXPECT_EQ(HeldHex(Row("20")), (Strings{"c0000000", "40000000", "1"}));
                 // Out of service, widened, untagged refused; the egress list put back, active again.
                 EXPECT_EQ(s.setBindings(), (Strings{kRowState + ".20=2", kEgress + ".20=ffc00000",
                                                     kUntagged + ".20=00000000", kEgress + ".20=c0000000",
                                                     kRowState + ".20=1"}));
             }}),
        EntryCase(false, {.name = "VLAN edit, name refused after both port lists were written",
         .refuse = {kName + ".20"},
         .message = std::string("The VLAN could not be changed: ") + kGenErr + ". Its ports were put back as they were.",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice&) {
                 EditKept(d);
                 EXPECT_EQ(HeldHex(Row("20")), (Strings{"c0000000", "40000000", "1"}));
                 EXPECT_EQ(HeldHex({kName + ".20"}), Strings{"7477656e7479"});  // "twenty"
             }}),
        Quick(EntryCase(false, {.name = "VLAN edit, name write unanswered",
         .args = {"--drop-prefix", kName + ".20"},
         .message = "The VLAN could not be changed: the switch did not answer, so it may or may not have taken the "
                    "change; the settings are read again. Its ports were put back as they were.",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice&) {
                 EditKept(d);
                 EXPECT_EQ(HeldHex(Row("20")), (Strings{"c0000000", "40000000", "1"}));
             }})),
        EntryCase(true, {.name = "VLAN add, untagged ports refused",
         .refuse = {kUntagged},
         .message = std::string("The VLAN could not be added: ") + kGenErr + ". The new VLAN was removed.",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice&) {
                 EXPECT_FALSE(d.ended());
                 EXPECT_EQ(d.text(CVlanEntryDlg::IDC_VID), "30");
                 EXPECT_EQ(HeldHex(Row("30")), (Strings{"-", "-", "-"}));
             }}),
        EntryCase(true, {.name = "VLAN add, untagged ports refused and the new row kept by a port's PVID",
         .state = {kPvid + ".7 g 30"},  // the switch refuses to destroy a VLAN that is a PVID
         .refuse = {kUntagged},
         .message = std::string("The VLAN could not be added: ") + kGenErr +
                    ". VLAN 30 could not be removed: the switch holds it with egress ports 1-10 and untagged ports "
                    "none, not active.",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice&) {
                 EXPECT_FALSE(d.ended());
                 EXPECT_EQ(HeldHex(Row("30")), (Strings{"ffc00000", "00000000", "2"}));
             }}),
        EntryCase(true, {.name = "VLAN add, the ID held by a row that is not active",
         .state = {kEgress + ".30 x 80000000", kUntagged + ".30 x 00000000", kRowState + ".30 i 2"},
         .message = "The VLAN could not be added: the switch refused the value (badValue). The switch "
                    "already holds VLAN 30 with egress ports 1 and untagged ports none, not active.",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice& s) {
                 EXPECT_FALSE(d.ended());
                 EXPECT_EQ(s.setBindings(), Strings{kRowState + ".30=5"});  // nothing else, no destroy
                 EXPECT_EQ(HeldHex(Row("30")), (Strings{"80000000", "00000000", "2"}));
             }}),
        EntryCase(true, {.name = "VLAN add, name refused",
         .refuse = {kName},
         .message = std::string("The VLAN could not be added: ") + kGenErr + ". The new VLAN was removed.",
         .check =
             [](DialogDriver& d, platform::Form&, corvex::test::SimDevice&) {
                 EXPECT_FALSE(d.ended());
                 EXPECT_EQ(HeldHex(Row("30")), (Strings{"-", "-", "-"}));
             }}),
        {.name = "auto surveillance VLAN settings",
         .refuse = {kPriv + ".34.1"},
         .make = [] { return std::make_unique<CAutoSurveillanceVlanDlg>(); },
         .ready = SurveillanceReady,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 d.tick(CAutoSurveillanceVlanDlg::IDC_ENABLE);
                 d.type(CAutoSurveillanceVlanDlg::IDC_VLAN_ID, "30");
                 d.type(CAutoSurveillanceVlanDlg::IDC_UPLINK_PORTS, "1");
                 d.click(CAutoSurveillanceVlanDlg::IDC_APPLY);  // the PoE notice first, then the write
             },
         .message = std::string("The auto surveillance VLAN settings could not be changed: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(SurveillanceReady(d, f));
                 EXPECT_FALSE(d.checked(CAutoSurveillanceVlanDlg::IDC_ENABLE));
                 EXPECT_EQ(HeldHex({kSurvState}), Strings{"2"});
             }},
        {.name = "OUI add, the entry's columns refused",
         .state = kSurveillanceOn,
         .refuse = {kOui + ".2"},
         .make = [] { return std::make_unique<CAutoSurveillanceVlanDlg>(); },
         .ready = SurveillanceReady,
         .act = AddOui,
         .message = std::string("The OUI entry 00-11-22-00-00-00 could not be added: ") + kGenErr +
                    ". The entry that was created was removed.",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(SurveillanceReady(d, f));
                 OuiInputKept(d);
                 // No row of one address and type "Other" is left behind.
                 EXPECT_EQ(HeldHex({kOui + ".5" + kOuiIndex, kOui + ".3" + kOuiIndex}), (Strings{"-", "-"}));
             }},
        {.name = "OUI add, creation refused",
         .state = kSurveillanceOn,
         .refuse = {kOui + ".5"},
         .make = [] { return std::make_unique<CAutoSurveillanceVlanDlg>(); },
         .ready = SurveillanceReady,
         .act = AddOui,
         .message = std::string("The OUI entry 00-11-22-00-00-00 could not be added: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice& s) {
                 ASSERT_TRUE(SurveillanceReady(d, f));
                 OuiInputKept(d);
                 EXPECT_EQ(s.sets().size(), 1u);
                 EXPECT_EQ(HeldHex({kOui + ".5" + kOuiIndex}), Strings{"-"});
             }},
        {.name = "OUI delete",
         .state = {kSurveillanceOn[0], kSurveillanceOn[1], kSurveillanceOn[2], kOui + ".1" + kOuiIndex + " x 001122000000", kOui + ".3" + kOuiIndex + " x ffffff000000",
                   kOui + ".4" + kOuiIndex + " i 3", kOui + ".5" + kOuiIndex + " i 1"},
         .refuse = {kOui + ".5"},
         .make = [] { return std::make_unique<CAutoSurveillanceVlanDlg>(); },
         .ready = SurveillanceReady,
         .act =
             [](DialogDriver& d, DialogEnvironment&) {
                 const int row = d.list(CAutoSurveillanceVlanDlg::IDC_OUI_LIST).findRow(3, "00-11-22-00-00-00");
                 d.clickRow(CAutoSurveillanceVlanDlg::IDC_OUI_LIST, row);
                 d.click("&Delete");
             },
         .message = std::string("The OUI entry 00-11-22-00-00-00 could not be deleted: ") + kGenErr + ".",
         .check =
             [](DialogDriver& d, platform::Form& f, corvex::test::SimDevice&) {
                 ASSERT_TRUE(SurveillanceReady(d, f));
                 const int row = d.list(CAutoSurveillanceVlanDlg::IDC_OUI_LIST).findRow(3, "00-11-22-00-00-00");
                 ASSERT_GE(row, 0);
                 EXPECT_EQ(d.cell(CAutoSurveillanceVlanDlg::IDC_OUI_LIST, row, 4), "FF-FF-FF-00-00-00");
                 EXPECT_EQ(HeldHex({kOui + ".5" + kOuiIndex}), Strings{"1"});
             }},
    };
    for (const RefusedWriteCase& c : cases) {
        dialogtest::RunRefusedWriteCase(sim, env, c);
        env.takeMessages();
    }
}

}  // namespace
}  // namespace vlantest
