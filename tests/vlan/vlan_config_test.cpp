// The 802.1Q VLAN table dialog against the virtual switch: what it lists, its refusals in their
// order, the mode change, the 256 limit, the editing switch and the close order.
#include <cstdlib>

#include "features/vlan/register.h"
#include "app/main_window.h"
#include "platform/trace.h"
#include "vlan/vlan_sim.h"

namespace vlantest {
namespace {

using Strings = std::vector<std::string>;
constexpr int kList = CVlanConfigDlg::IDC_VLAN_LIST;

TEST_F(VlanSimTest, ListsOnlyActiveRowsWithTheirMembers) {
    Start("10p", {kName + ".10 s \"ten\"", kEgress + ".10 x 81000000", kUntagged + ".10 x 01000000",
                  kName + ".20 s \"idle\"", kRowState + ".20 i 2"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"1", "default", "10", "1-10", "1-10"}, {"10", "ten", "2", "1,8", "8"}}));
    ASSERT_EQ(dlg.Records().size(), 2u);
    EXPECT_EQ(dlg.Records()[1].untaggedCount, 1);
    EXPECT_EQ(dlg.Pvids(), std::vector<int>(10, 1));
    EXPECT_FALSE(d.checked(CVlanConfigDlg::IDC_ASYMMETRIC));
}

// Members of a large switch read as ranges; the records keep every port for the editors.
TEST_F(VlanSimTest, MembersOfALargeSwitchAreListedAsRanges) {
    Start("52", {kName + ".30 s \"cams\"", kEgress + ".30 x ffffff0000008001", kUntagged + ".30 x 0000000000008000"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    const int row = d.list(kList).findRow(0, "30");
    ASSERT_GE(row, 0);
    EXPECT_EQ(d.rows(kList)[static_cast<size_t>(row)], (Strings{"30", "cams", "25", "1-24,49", "49"}));
    EXPECT_EQ(d.cell(kList, d.list(kList).findRow(0, "1"), 3), "1-52");
    const auto* r = vlan::FindVlan(dlg.Records(), 30);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->egressPorts, "1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,49");
}

TEST_F(VlanSimTest, DeleteRefusesInOrderThenConfirmsAndDestroys) {
    Start("10p", {kAsymmetric + " i 1", kName + ".10 s \"ten\"", kEgress + ".10 x 80000000", kName + ".20 s \"cam\"",
                  kName + ".30 s \"spare\"", kPvid + ".3 g 10", kPriv + ".21.1.2.0 i 1", kPriv + ".21.1.3.0 i 10",
                  kPriv + ".34.1.1.0 i 1", kPriv + ".34.1.2.0 i 20"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(kList), 4);
    EXPECT_EQ(dlg.Pvids()[2], 10);
    sim.clearLog();

    d.click("&Delete");  // nothing selected
    ASSERT_EQ(env.messages().size(), 1u);
    EXPECT_EQ(env.messages()[0].icon, platform::MsgIcon::Information);
    d.clickRow(kList, RowOf(d, "1"));  // the default VLAN, also every port's PVID
    d.click("&Delete");
    d.clickRow(kList, RowOf(d, "10"));  // port 3's PVID and the voice VLAN
    d.click("&Delete");
    d.tick(CVlanConfigDlg::IDC_ASYMMETRIC, false);  // without asymmetric VLAN the PVID rule is off
    d.click("&Delete");
    d.clickRow(kList, RowOf(d, "20"));
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(),
              (Strings{"Please select the VLAN want to be deleted!", "Can't delete the default VLAN!",
                       "The VID is one of The PVID, so it cannot be deleted.", "The VLAN ID is Voice VLAN ID.",
                       "The VLAN ID is Surveillance VLAN ID."}));
    EXPECT_TRUE(sim.requests().empty());

    // Cancel: nothing written, the table is read again.
    d.clickRow(kList, RowOf(d, "30"));
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(),
              (Strings{"The VLAN 30 settings in IGMP Snooping and MAC Address Table maybe be affected, continue?"}));
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_TRUE(sim.sets().empty());
    EXPECT_FALSE(sim.requests().empty());
    EXPECT_EQ(d.rowCount(kList), 4);

    d.clickRow(kList, RowOf(d, "30"));
    env.answer(MsgAnswer::Ok);
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setBindings(), (Strings{kRowState + ".30=6"}));
    EXPECT_EQ(RowOf(d, "30"), -1);
    EXPECT_EQ(d.rowCount(kList), 3);
}

TEST_F(VlanSimTest, FailedDeleteSaysSoAndRereads) {
    Start("10p", {kName + ".30 s \"spare\""}, {"--set-error", kRowState + ".30:genErr"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    d.clickRow(kList, RowOf(d, "30"));
    env.answer(MsgAnswer::Ok);
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));  // the table is read again and still lists the VLAN
    const Strings shown = env.takeMessages();
    ASSERT_EQ(shown.size(), 2u);  // the confirmation, then the failure
    EXPECT_EQ(shown[1], "VLAN 30 could not be deleted: the switch refused the value (genErr).");
    ASSERT_GE(sim.requests().size(), 2u);
    EXPECT_EQ(sim.requests()[0].pdu, "set");
    EXPECT_EQ(sim.sets().size(), 1u);
    EXPECT_EQ(d.rowCount(kList), 2);
}

// The mode change: voice, then surveillance VLAN refuse it either way; otherwise it asks first.
TEST_F(VlanSimTest, ModeChangeRefusedWhileVoiceVlanIsOn) {
    Start("10p", {kName + ".10 s \"voice\"", kPriv + ".21.1.2.0 i 1", kPriv + ".21.1.3.0 i 10", kPriv + ".34.1.1.0 i 1",
                  kPriv + ".34.1.2.0 i 20"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    d.tick(CVlanConfigDlg::IDC_ASYMMETRIC);
    d.click("&Apply");
    EXPECT_EQ(env.takeMessages(), (Strings{"Voice Vlan is enable,the vlan mode can't change to Asymmetric mode!\n"
                                           "If you could disable it, please set it through the web!"}));
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_FALSE(d.checked(CVlanConfigDlg::IDC_ASYMMETRIC));  // read back from the switch
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(VlanSimTest, ModeChangeRefusedWhileSurveillanceVlanIsOnEvenToSwitchOff) {
    Start("10p", {kAsymmetric + " i 1", kPriv + ".34.1.1.0 i 1", kPriv + ".34.1.2.0 i 20"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_TRUE(d.checked(CVlanConfigDlg::IDC_ASYMMETRIC));
    sim.clearLog();
    d.tick(CVlanConfigDlg::IDC_ASYMMETRIC, false);
    d.click("&Apply");
    EXPECT_EQ(env.takeMessages(),
              (Strings{"Auto Surveillance VLAN is enable,the vlan mode can't change to Asymmetric mode!"}));
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_TRUE(d.checked(CVlanConfigDlg::IDC_ASYMMETRIC));
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(VlanSimTest, ModeChangeAsksAndWritesOnlyAfterOk) {
    Start("10p");
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    d.tick(CVlanConfigDlg::IDC_ASYMMETRIC);
    d.click("&Apply");  // Cancel is the default answer
    EXPECT_EQ(env.takeMessages(), (Strings{"The setting of VLAN, IGMP Snooping, Management VLAN and MAC Address Table "
                                           "will be reset to default."}));
    EXPECT_TRUE(d.checked(CVlanConfigDlg::IDC_ASYMMETRIC));
    EXPECT_TRUE(sim.sets().empty());
    env.answer(MsgAnswer::Ok);
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setBindings(), (Strings{kAsymmetric + "=1"}));
    EXPECT_TRUE(d.checked(CVlanConfigDlg::IDC_ASYMMETRIC));
}

TEST_F(VlanSimTest, AddStopsAt256Vlans) {
    std::vector<std::string> state;
    for (int vid = 100; vid < 355; ++vid) state.push_back(kName + "." + std::to_string(vid) + " s v" + std::to_string(vid));
    Start("10p", state);
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(kList), 256);
    d.click("&Add");
    EXPECT_EQ(env.takeMessages(), (Strings{" Number of VLAN group is over limit"}));
    EXPECT_TRUE(env.childHistory().empty());

    // One fewer: the editor opens.
    env.answer(MsgAnswer::Ok);
    d.clickRow(kList, RowOf(d, "354"));
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(kList), 255);
    env.onChild("Add VLAN", [](DialogDriver& c) { c.click("Cancel"); });
    d.click("&Add");
    EXPECT_EQ(env.childHistory(), (Strings{"Add VLAN"}));
}

TEST_F(VlanSimTest, EditAndDeleteOnAnEmptyListAskForASelection) {
    Start("10p", {kRowState + ".1 i 2"});  // not active: not listed
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(kList), 0);
    sim.clearLog();
    d.click("&Edit");
    d.click("&Delete");
    ASSERT_EQ(env.messages().size(), 2u);
    EXPECT_EQ(env.messages()[0].icon, platform::MsgIcon::None);
    EXPECT_EQ(env.takeMessages(), (Strings{"Please select the VLAN !", "Please select the VLAN want to be deleted!"}));
    EXPECT_TRUE(sim.requests().empty());
}

TEST_F(VlanSimTest, EditingDisabledKeepsEditorsOffAfterEveryWalk) {
    Start("10p");
    MutableSettings().VlanEditEnabled = false;
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    for (int pass = 0; pass < 2; ++pass) {
        for (const char* b : {"&Add", "&Edit", "&Delete", "&PVID"}) EXPECT_FALSE(d.enabled(b)) << b;
        for (const char* b : {"&Apply", "&Refresh", "&Close"}) EXPECT_TRUE(d.enabled(b)) << b;
        d.click("&Refresh");
        ASSERT_TRUE(Settled(d, dlg));
    }
}

// A double click or Enter on a row acts as "&Edit" only while "&Edit" is enabled: never with
// editing switched off, never while the walk is still filling the list.
TEST_F(VlanSimTest, RowActivationOpensTheEntryFormOnlyWhenEditIsEnabled) {
    Start("10p", {kName + ".10 s \"ten\"", kEgress + ".10 x 81000000", kUntagged + ".10 x 01000000",
                  kName + ".20 s \"cams\"", kEgress + ".20 x 40000000", kUntagged + ".20 x 00000000"},
          {"--delay-ms", "150"});
    for (int i = 0; i < 2; ++i) env.onChild("Edit VLAN", [](DialogDriver& c) { c.click("Cancel"); });
    {
        // During the walk: rows are listed but the records are partial.
        CVlanConfigDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(d.waitRows(kList, 1));
        ASSERT_TRUE(dlg.TableWalking());
        d.doubleClickRow(kList, 0);
        d.pressEnter(kList);
        EXPECT_TRUE(env.childHistory().empty());
        ASSERT_TRUE(Settled(d, dlg));
        ASSERT_EQ(d.rowCount(kList), 3);
        d.doubleClickRow(kList, 1);
        d.clickRow(kList, 2);
        d.pressEnter(kList);
        EXPECT_EQ(env.childHistory(), (Strings{"Edit VLAN", "Edit VLAN"}));
    }
    MutableSettings().VlanEditEnabled = false;
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    d.doubleClickRow(kList, 1);
    d.pressEnter(kList);
    EXPECT_EQ(env.childHistory().size(), 2u);  // none more
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(VlanSimTest, MenuCommandOpensTheDialogAndClosingTracesEverySessionInOrder) {
    Start("10p");
    app::DialogRegistry registry;
    RegisterVlanDialogs(registry);
    ASSERT_TRUE(registry.Has(32834));
    ASSERT_TRUE(platform::TraceEnabled());  // CORVEX_TRACE is set for this suite
    testing::internal::CaptureStderr();
    {
        CVlanConfigDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_EQ(dlg.caption(), "802.1Q VLAN Configuration");
    }
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(dialogtest::CloseTraceLines(err), (Strings{"==================DestroyWindow===============",
                               "==================m_cCommonSNMP.Close===============",
                               "==================m_cCommonSNMPTable.Close===============",
                               "==================m_cCommonSNMPVoiceVlan.Close===============",
                               "==================m_cCommonSNMPTableVlan.Close===============",
                               "==================m_cCommonSNMPTableVlanDelete.Close==============="}));
}

}  // namespace
}  // namespace vlantest

// Trace lines go to standard error for this suite (read once, before any trace).
static const bool kTraceOn = (setenv("CORVEX_TRACE", "1", 1), true);
