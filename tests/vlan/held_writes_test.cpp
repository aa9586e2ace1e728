// Writes that the user cannot cut short, undos that leave other managers' rows alone, and lists
// read again after an editor's write, for the VLAN, trunk and time range dialogs.
#include "features/poe/time_range_dlg.h"
#include "features/ports/trunk_dlg.h"
#include "features/vlan/auto_surveillance_vlan_dlg.h"
#include "features/vlan/pvid_dlg.h"
#include "features/vlan/vlan_entry_dlg.h"
#include "support/held.h"
#include "vlan_sim.h"

namespace vlantest {
namespace {

using Strings = std::vector<std::string>;
using namespace std::chrono_literals;

const std::string kSurv = kPriv + ".34.1";
const std::string kOui = kPriv + ".34.2.1.1";
const std::string kRange = kPriv + ".23.1.1";
const std::string kMode = kPriv + ".8.1.3.1.3";

std::string Range(int column, int index) { return kRange + "." + std::to_string(column) + "." + std::to_string(index); }

void TypeLab(DialogDriver& f) {
    f.type("Range Name", "lab");
    f.choose(poe::CTimeRangeEditDlg::IDC_START_HOUR, "8");
    f.choose(poe::CTimeRangeEditDlg::IDC_END_HOUR, "18");
    f.click("Apply");
}

const vlan::VlanRecordList& Records(int ports) {
    static vlan::VlanRecordList records;
    records = {{.vid = 1, .name = "default", .egressCount = ports},
               {.vid = 10, .name = "ten", .egressPorts = "1", .egressCount = 1}};
    return records;
}

struct HeldCase {
    std::string name, model = "10p";
    Strings state;
    int delayMs = 150;  // every reply late
    std::function<std::unique_ptr<platform::Form>()> make;
    dialogtest::Ref ready = "OK";  // enabled once the form has read what it needs
    std::function<void(DialogDriver&)> act;  // up to the click that starts the write
    std::vector<dialogtest::Ref> held;       // buttons that would end the form or write again
    Strings sets;                            // every binding of the whole write
    bool endsForm = false;                   // with OK, once the write is over
};

// A way out during the write: the buttons are held and Esc (the close box) does nothing; the
// whole write reaches the switch and its outcome is told.
TEST_F(VlanSimTest, AWriteUnderWayHoldsItsFormToTheEnd) {
    const std::string oui = ".0.26.43.60.77.94";
    Strings pvids;
    for (int p = 1; p <= 52; ++p) pvids.push_back(kPvid + "." + std::to_string(p) + "=" + (p == 52 ? "10" : "1"));
    // Time range "lab" under index 1, 08:00 to 18:00, no day: created, then its columns.
    Strings timeRange = {Range(21, 1) + "=5", Range(2, 1) + "=" + Hex("lab"), Range(3, 1) + "=2", Range(7, 1) + "=8",
                         Range(8, 1) + "=0", Range(12, 1) + "=18", Range(13, 1) + "=0"};
    for (int d = 14; d <= 21; ++d) timeRange.push_back(Range(d, 1) + (d < 21 ? "=2" : "=1"));
    using features::CTrunkConfigDlg, features::CTrunkMemberDlg;
    const std::vector<HeldCase> cases = {
        {.name = "VLAN entry add, active after a pause",
         .make = [] { return std::make_unique<CVlanEntryDlg>(10, &Records(10), 1, true); }, .ready = "OK",
         .act = [](DialogDriver& d) { d.type("VID:", "20"), d.tickPort(CVlanEntryDlg::IDC_PORTS, 0, 1), d.click("OK"); },
         .held = {"OK", "Cancel"},
         .sets = {kRowState + ".20=5", kEgress + ".20=ffc00000", kUntagged + ".20=00000000", kEgress + ".20=80000000",
                  kName + ".20=", kRowState + ".20=1"},
         .endsForm = true},
        {.name = "PVID of 52 ports, the last twelve after a pause", .model = "52",
         .state = {kName + ".10 s \"ten\"", kEgress + ".10 x 8000000000000000"}, .delayMs = 30,
         .make = [] { return std::make_unique<CPvidDlg>(52, "1,10", 2, &Records(52)); }, .ready = "Apply",
         .act = [](DialogDriver& d) { d.typePort(CPvidDlg::IDC_PVID_GRID, 52, "10"), d.click("Apply"); },
         .held = {"Apply", "Cancel", "&Refresh"}, .sets = pvids, .endsForm = true},
        {.name = "surveillance OUI add, filled after a pause", .state = {kSurv + ".1.0 i 1", kSurv + ".2.0 i 100"},
         .make = [] { return std::make_unique<CAutoSurveillanceVlanDlg>(); }, .ready = "&Add",
         .act = [](DialogDriver& d) { d.type(CAutoSurveillanceVlanDlg::IDC_MAC, "00-1a-2B-3c-4D-5e"), d.click("&Add"); },
         .held = {"&Add", "&Delete", "&Close"},
         .sets = {kOui + ".5" + oui + "=4", kOui + ".2" + oui + "=", kOui + ".4" + oui + "=0"}},
        {.name = "trunk members (the switch-wide states read again first)", .delayMs = 50,
         .make = [] { return std::make_unique<CTrunkMemberDlg>("1", "Static", "", 10); }, .ready = "OK",
         .act = [](DialogDriver& d) { d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 1), d.tickPort(CTrunkMemberDlg::IDC_PORTS, 0, 2), d.click("OK"); },
         .held = {"OK", "Cancel"}, .sets = {kTrunkMembers + ".1=c0000000", kMode + ".1=2"}, .endsForm = true},
        {.name = "link aggregation state", .make = [] { return std::make_unique<CTrunkConfigDlg>(); },
         .ready = CTrunkConfigDlg::IDC_STATE_APPLY,
         .act = [](DialogDriver& d) { d.tick("Enable Trunk", false), d.click(CTrunkConfigDlg::IDC_STATE_APPLY); },
         .held = {"&Refresh", "&Close"}, .sets = {kPriv + ".8.1.2.0=2"}},
        {.name = "time range add",
         .make = [] { return std::make_unique<poe::CTimeRangeEditDlg>(poe::CTimeRangeEditDlg::Mode::Add, "", Strings{}, std::vector<int>{}); },
         .ready = "Apply", .act = TypeLab, .held = {"Apply", "Cancel"}, .sets = timeRange, .endsForm = true},
    };
    for (const HeldCase& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start(c.model, c.state, {"--delay-ms", std::to_string(c.delayMs)}));
        std::unique_ptr<platform::Form> form = c.make();
        {
            DialogDriver d(env, *form);
            ASSERT_TRUE(d.waitEnabled(c.ready, 20s));
            env.takeMessages();
            sim.clearLog();
            c.act(d);
            ASSERT_TRUE(env.waitUntil([&] { return form->writing() || form->ended(); }, 20s));
            for (const dialogtest::Ref& r : c.held) EXPECT_FALSE(d.enabled(r)) << r.describe();
            d.closeWindow();
            EXPECT_FALSE(form->ended());
            ASSERT_TRUE(env.waitUntil([&] { return !form->writing(); }, 20s));
            EXPECT_EQ(sim.setBindings(), c.sets);
            EXPECT_EQ(env.takeMessages(), Strings{});  // taken, nothing to tell
            EXPECT_EQ(form->ended(), c.endsForm);
            EXPECT_EQ(form->result(), c.endsForm ? platform::kIdOk : 0);
        }
        sim.stop();
    }
}

// Add where the switch holds a row of that ID or index that is not active, with the replies to
// its creation lost: the other row is neither taken over nor removed, and the message is true.
TEST_F(VlanSimTest, AnAddLeavesARowItDidNotMake) {
    struct Case {
        std::string name;
        Strings state;
        std::string lostReplies;  // sets of these objects are carried out unanswered
        std::function<void(DialogDriver&)> add;
        std::string message;
        Strings oids;  // the other row, as it must stay
        Strings held;
    } cases[] = {
        {"VLAN 30, not active",
         {kEgress + ".30 x 80000000", kUntagged + ".30 x 00000000", kRowState + ".30 i 2"},
         kRowState,
         [](DialogDriver& d) {
             auto& dlg = dynamic_cast<CVlanConfigDlg&>(d.form());
             ASSERT_TRUE(Settled(d, dlg));
             EXPECT_EQ(dlg.HeldVids(), std::vector<int>{30});
             d.env().onChild("Add VLAN", [](DialogDriver& c) {
                 ASSERT_TRUE(c.waitEnabled("OK"));
                 c.type("VID:", "30");
                 c.tickPort(CVlanEntryDlg::IDC_PORTS, CVlanEntryDlg::kTag, 1);
                 c.click("OK");
                 ASSERT_TRUE(c.env().waitUntil([&] { return !c.form().writing() && !c.env().messages().empty(); }, 20s));
                 c.click("Cancel");
             });
             d.click("&Add");
         },
         "The VLAN ID has been used, please input again !\nThe switch holds VLAN 30, not active, so the list does not "
         "show it.",
         {kEgress + ".30", kUntagged + ".30", kRowState + ".30"},
         {"80000000", "00000000", "2"}},
        {"time range 1, not active",
         {Range(2, 1) + " s \"old\"", Range(21, 1) + " i 2"},
         kRange + ".21",
         [](DialogDriver& d) {
             auto& dlg = dynamic_cast<poe::CTimeRangeListDlg&>(d.form());
             ASSERT_TRUE(d.env().waitUntil([&] { return !dlg.Busy(); }));
             // Listed with its status, to be seen and deleted.
             EXPECT_EQ(d.rows(poe::CTimeRangeListDlg::IDC_LIST),
                       (std::vector<Strings>{{"old", "", "", "", "00:00", "23:59", "Not in service"}}));
             d.env().onChild("Time Based PoE Config", [](DialogDriver& c) {
                 TypeLab(c);
                 ASSERT_TRUE(c.env().waitUntil([&] { return !c.form().writing(); }, 20s));
                 c.click("Cancel");
             });
             d.click("&Add");
         },
         "The time range \"lab\" could not be added: the switch did not answer. A half-made time range without a "
         "name may be left on the switch under index 2.",
         {Range(2, 1), Range(21, 1)},
         {Hex("old"), "2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start("10p", c.state, {"--drop-set-reply", c.lostReplies}));
        MutableSettings().TimeoutMs = "500";
        std::unique_ptr<platform::Form> form;
        if (c.lostReplies == kRowState) form = std::make_unique<CVlanConfigDlg>();
        else form = std::make_unique<poe::CTimeRangeListDlg>();
        {
            DialogDriver d(env, *form);
            c.add(d);
            EXPECT_EQ(env.takeMessages(), Strings{c.message});
        }
        EXPECT_EQ(corvex::test::HeldHex(c.oids), c.held);
        sim.stop();
    }
}

// The trunk list shows what the switch holds after the member dialog wrote, also when that
// write went unanswered and the dialog was then cancelled.
TEST_F(VlanSimTest, TrunkListIsReadAgainAfterAnyMemberWrite) {
    ASSERT_NO_FATAL_FAILURE(Start("10p", {}, {"--drop-set-reply", kTrunkMembers}));
    MutableSettings().TimeoutMs = "500";
    features::CTrunkConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitRows(features::CTrunkConfigDlg::IDC_LIST, 8));
    ASSERT_TRUE(d.waitEnabled("&PortMember"));
    d.clickRow(features::CTrunkConfigDlg::IDC_LIST, 0);
    d.choose("PortChannelMode:", "Static");
    env.onChild("Trunk member", [](DialogDriver& c) {
        ASSERT_TRUE(c.waitEnabled("OK", 20s));
        c.tickPort(features::CTrunkMemberDlg::IDC_PORTS, 0, 1);
        c.tickPort(features::CTrunkMemberDlg::IDC_PORTS, 0, 2);
        c.click("OK");
        ASSERT_TRUE(c.env().waitUntil([&] { return !c.env().messages().empty() && !c.form().writing(); }, 20s));
        c.click("Cancel");
    });
    d.click("&PortMember");
    ASSERT_TRUE(env.waitUntil([&] { return d.rowCount(features::CTrunkConfigDlg::IDC_LIST) == 8 && d.enabled("&Refresh"); }));
    EXPECT_EQ(d.cell(features::CTrunkConfigDlg::IDC_LIST, 0, 2), "1,2");
}

}  // namespace
}  // namespace vlantest
