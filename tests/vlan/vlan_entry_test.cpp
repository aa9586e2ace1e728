// The Add/Edit VLAN form against the virtual switch: the write sequence on the wire, the port
// membership rules, the checks of OK in their order, and names beyond ASCII.
#include "features/vlan/vlan_entry_dlg.h"

#include "app/session_settings.h"
#include "vlan/vlan_sim.h"

namespace vlantest {
namespace {

using Strings = std::vector<std::string>;
constexpr int kGrid = CVlanEntryDlg::IDC_PORTS;

TEST_F(VlanSimTest, CreatingVlanOnTenPortsSendsTheRowInOrderAndListsIt) {
    Start("10p", {kAsymmetric + " i 1"});  // asymmetric: port 2 may be untagged beside VLAN 1
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    env.onChild("Add VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        c.type("VID:", "10");
        c.type("VLAN Name:", "office");
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 1);
        c.tickPort(kGrid, CVlanEntryDlg::kUntag, 2);
        c.click("OK");
        EXPECT_TRUE(c.waitEnded());
    });
    d.click("&Add");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.sets().size(), 6u);  // one request per step
    EXPECT_EQ(sim.setBindings(), (Strings{kRowState + ".10=5", kEgress + ".10=ffc00000", kUntagged + ".10=40000000",
                                      kEgress + ".10=c0000000", kName + ".10=" + Hex("office"),
                                      kRowState + ".10=1"}));
    const int row = RowOf(d, "10");
    ASSERT_GE(row, 0);
    EXPECT_EQ(d.rows(CVlanConfigDlg::IDC_VLAN_LIST)[static_cast<size_t>(row)],
              (Strings{"10", "office", "2", "1-2", "2"}));
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(VlanSimTest, CreatingVlanOnFiftyTwoPortsWritesEightOctetPortLists) {
    Start("52", {kAsymmetric + " i 1"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    env.onChild("Add VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        c.type("VID:", "10");
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 1);
        c.tickPort(kGrid, CVlanEntryDlg::kUntag, 2);
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 52);
        c.click("OK");
    });
    d.click("&Add");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setBindings(), (Strings{kRowState + ".10=5", kEgress + ".10=fffffffffffff000",
                                      kUntagged + ".10=4000000000000000", kEgress + ".10=c000000000001000",
                                      kName + ".10=", kRowState + ".10=1"}));
    const int row = RowOf(d, "10");
    ASSERT_GE(row, 0);
    EXPECT_EQ(d.cell(CVlanConfigDlg::IDC_VLAN_LIST, row, 3), "1-2,52");
}

TEST_F(VlanSimTest, UntaggedPortBelongsToOneVlanUnlessAsymmetric) {
    Start("10p");  // asymmetric off; VLAN 1 holds every port untagged
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();

    // Adding: port 2 is untagged in VLAN 1, so Untag falls back silently, also after Tag.
    env.onChild("Add VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        auto& grid = c.as<platform::PortGrid>(kGrid);
        c.tickPort(kGrid, CVlanEntryDlg::kUntag, 2);
        EXPECT_EQ(grid.selectedLayer(2), CVlanEntryDlg::kNotMember);
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 2);
        c.tickPort(kGrid, CVlanEntryDlg::kUntag, 2);
        EXPECT_EQ(grid.selectedLayer(2), CVlanEntryDlg::kTag);
        c.click("Cancel");
    });
    d.click("&Add");
    // Editing VLAN 1: a port taken out of its untagged set may be untagged again.
    env.onChild("Edit VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        auto& grid = c.as<platform::PortGrid>(kGrid);
        EXPECT_FALSE(c.enabled(CVlanEntryDlg::IDC_VID));
        EXPECT_EQ(c.text("VID:"), "1");
        EXPECT_EQ(grid.selectedLayer(3), CVlanEntryDlg::kUntag);
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 3);
        c.tickPort(kGrid, CVlanEntryDlg::kUntag, 3);
        EXPECT_EQ(grid.selectedLayer(3), CVlanEntryDlg::kUntag);
        c.click("Cancel");
    });
    d.doubleClickRow(CVlanConfigDlg::IDC_VLAN_LIST, RowOf(d, "1"));
    // With the box ticked (not yet applied) the editor allows it while adding.
    d.tick(CVlanConfigDlg::IDC_ASYMMETRIC);
    env.onChild("Add VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        c.tickPort(kGrid, CVlanEntryDlg::kUntag, 2);
        EXPECT_EQ(c.as<platform::PortGrid>(kGrid).selectedLayer(2), CVlanEntryDlg::kUntag);
        c.click("Cancel");
    });
    d.click("&Add");
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(VlanSimTest, AddRefusesInOrderAndSendsNothingUntilAllChecksPass) {
    Start("10p", {kName + ".10 s \"ten\"", kEgress + ".10 x 80000000", kTrunkMembers + ".1 x 30000000"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    env.onChild<CVlanEntryDlg>([&](CVlanEntryDlg& e, DialogDriver& c) {
        ASSERT_TRUE(c.env().waitUntil([&] { return !e.Snmp().TrunkMap().Walking(); }));
        c.type("VLAN Name:", "a.b");
        for (const char* vid : {"1", "4095", "0"}) {
            c.type("VID:", vid);
            c.click("OK");
        }
        c.type("VID:", "10");
        c.click("OK");
        c.type("VID:", "11");
        c.click("OK");
        c.type("VLAN Name:", "lab net (2)_x+y=z, more than twenty");
        EXPECT_EQ(c.text("VLAN Name:"), "lab net (2)_x+y=z, m");  // cut at 20 characters
        c.type("VLAN Name:", "lab net (2)_x+y=z");
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 3);  // port 4 of the same trunk left out
        c.click("OK");
        EXPECT_FALSE(c.ended());
        EXPECT_TRUE(sim.sets().empty());
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 4);
        c.click("OK");
        EXPECT_TRUE(c.waitEnded());
    });
    d.click("&Add");
    EXPECT_EQ(env.takeMessages(),
              (Strings{"Invalid VLAN ID, VLAN ID should be (2-4094) !", "Invalid VLAN ID, VLAN ID should be (2-4094) !",
                       "Invalid VLAN ID, VLAN ID should be (2-4094) !", "The VLAN ID has been used, please input again !",
                       "Invalid Vlan Name.", "Members in VLAN have to be in the same trunk !"}));
    ASSERT_TRUE(Settled(d, dlg));
    const int row = RowOf(d, "11");
    ASSERT_GE(row, 0);
    EXPECT_EQ(d.cell(CVlanConfigDlg::IDC_VLAN_LIST, row, 1), "lab net (2)_x+y=z");
    EXPECT_EQ(d.cell(CVlanConfigDlg::IDC_VLAN_LIST, row, 3), "3-4");
}

TEST_F(VlanSimTest, EditingVlanOneKeepsItsRowAndLockedPortsAreWrittenAsNonMembers) {
    Start("10p", {kName + ".10 s \"ten\"", kEgress + ".10 x c0000000", kPriv + ".7.6.1.3.10 x 40000000"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();

    env.onChild("Edit VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        c.tickPort(kGrid, CVlanEntryDlg::kTag, 10);
        c.click("OK");
    });
    d.clickRow(CVlanConfigDlg::IDC_VLAN_LIST, RowOf(d, "1"));
    d.click("&Edit");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setBindings(), (Strings{kUntagged + ".1=ff800000", kEgress + ".1=ffc00000",
                                      kName + ".1=" + Hex("default"), kRowState + ".1=1"}));

    // VLAN 10: port 2 is egress and forbidden, so it is greyed and never written as a member.
    sim.clearLog();
    env.onChild("Edit VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        auto& grid = c.as<platform::PortGrid>(kGrid);
        EXPECT_FALSE(grid.cellEnabled(CVlanEntryDlg::kTag, 2));
        EXPECT_EQ(grid.selectedLayer(2), CVlanEntryDlg::kTag);
        EXPECT_EQ(c.text("VLAN Name:"), "ten");
        c.click("OK");
    });
    d.clickRow(CVlanConfigDlg::IDC_VLAN_LIST, RowOf(d, "10"));
    d.click("&Edit");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setBindings(), (Strings{kRowState + ".10=2", kEgress + ".10=bfc00000", kUntagged + ".10=00000000",
                                      kEgress + ".10=80000000", kName + ".10=" + Hex("ten"), kRowState + ".10=1"}));
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(VlanSimTest, EditNeedsOneMemberSomewhere) {
    // VLAN 1 without members; VLAN 10 with port 1 only.
    Start("10p", {kEgress + ".1 x 00000000", kUntagged + ".1 x 00000000", kName + ".10 s \"ten\"",
                  kEgress + ".10 x 80000000"});
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    env.onChild("Edit VLAN", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
        c.tickPort(kGrid, CVlanEntryDlg::kNotMember, 1);
        c.click("OK");
        EXPECT_FALSE(c.ended());
        c.click("Cancel");
    });
    d.clickRow(CVlanConfigDlg::IDC_VLAN_LIST, RowOf(d, "10"));
    d.click("&Edit");
    EXPECT_EQ(env.takeMessages(), (Strings{"You have to include at least one member in the vlan"}));
    EXPECT_TRUE(sim.sets().empty());
}

TEST_F(VlanSimTest, NamesBeyondAsciiTravelAsUtf8AndComeBackIntact) {
    Start("10p");
    CVlanConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    const std::string name = "Büro Zürich €";
    const std::string wide = "日本語のネットワーク名前です二十文字";  // 18 characters, 54 bytes
    for (auto [vid, text] : {std::pair<const char*, std::string>{"30", name}, {"31", wide}}) {
        sim.clearLog();
        env.onChild("Add VLAN", [vid, text](DialogDriver& c) {
            ASSERT_TRUE(c.waitEnabled("OK"));  // the trunk map has been read
            c.type("VID:", vid);
            c.type("VLAN Name:", text);
            c.tickPort(kGrid, CVlanEntryDlg::kTag, 1);
            c.click("OK");
        });
        d.click("&Add");
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_EQ(sim.setBindings().at(4), kName + "." + vid + "=" + Hex(text));
        const int row = RowOf(d, vid);
        ASSERT_GE(row, 0);
        EXPECT_EQ(d.cell(CVlanConfigDlg::IDC_VLAN_LIST, row, 1), text);
    }
}

TEST(VlanNameCut, StopsBeforeACharacterThatWouldNotFit) {
    const std::string euro = "€";  // three bytes
    std::string name = "ab";
    for (int i = 0; i < 42; ++i) name += euro;  // 2 + 126 = 128 bytes
    const std::string cut = Utf8CutBytes(name, vlan::kMaxNameBytes);
    EXPECT_EQ(cut.size(), 125u);
    EXPECT_EQ(cut, name.substr(0, 125));
    EXPECT_EQ(Utf8CutBytes("plain", 127), "plain");
}

// The trunk rule waits for the whole trunk map: on a slow switch OK is held back until the map
// is in and then refuses a trunk split; when the map cannot be read OK stays held back and the
// form says so. Before, OK went ahead on the part of the map that had arrived, none at all on a
// slow switch, and wrote the split trunk.
TEST_F(VlanSimTest, OkWaitsForTheTrunkMapAndNeverDecidesWithoutIt) {
    const vlan::VlanRecordList records = {{1, "default", "1,2,3,4,5,6,7,8,9,10", "", "", 10, 0, 0}};
    struct Case {
        const char* name;
        Strings args;
        bool mapRead;
    } cases[] = {
        {"slow switch", {"--delay-ms", "150"}, true},
        {"trunk map unanswered", {"--drop-prefix", kTrunkMembers}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start("10p", {kTrunkMembers + ".1 x 30000000"}, c.args));
        MutableSettings().TimeoutMs = "300";
        CVlanEntryDlg dlg(10, &records, 1, true);
        DialogDriver d(env, dlg);
        d.type("VID:", "10");
        d.tickPort(kGrid, CVlanEntryDlg::kTag, 3);  // port 4 of the same trunk left out
        EXPECT_FALSE(d.enabled("OK"));
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Snmp().TrunkMap().Walking(); }, std::chrono::milliseconds(10000)));
        if (c.mapRead) {
            d.click("OK");
            EXPECT_EQ(env.takeMessages(), Strings{"Members in VLAN have to be in the same trunk !"});
        } else {
            EXPECT_FALSE(d.enabled("OK"));
            const std::string status = d.control(platform::Form::kIdReadStatus).text();
            EXPECT_TRUE(d.control(platform::Form::kIdReadStatus).visible());
            EXPECT_EQ(status.rfind("Not all settings could be read from the switch (", 0), 0u) << status;
            EXPECT_NE(status.find("Close the dialog and open it again."), std::string::npos) << status;
        }
        EXPECT_FALSE(d.ended());
        EXPECT_TRUE(sim.sets().empty());
        sim.stop();
    }
}

}  // namespace
}  // namespace vlantest
