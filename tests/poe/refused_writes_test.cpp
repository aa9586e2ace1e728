// Every write of the PoE port and time-range dialogs against a switch that refuses it: the message
// says what was not changed, the form reads the switch again and keeps what the user chose, and
// the switch is left as it was (a refused add leaves no nameless row behind).
#include "features/poe/poe_config_dlg.h"
#include "features/poe/time_range_dlg.h"
#include "poe/poe_sim.h"
#include "support/refused_write.h"

namespace poetest {
namespace {

using dialogtest::RefusedWriteCase;
using poe::CPoeConfigDlg;
using poe::CTimeRangeEditDlg;
using poe::CTimeRangeListDlg;

bool PortsLoaded(DialogDriver& d, platform::Form& form) {
    auto& dlg = static_cast<CPoeConfigDlg&>(form);
    return d.env().waitUntil(
        [&] { return !dlg.Loading() && !dlg.Applying() && d.rowCount(CPoeConfigDlg::IDC_LIST_PORT) == 8; });
}

bool RangesListed(DialogDriver& d, platform::Form& form) {
    return d.env().waitUntil([&] { return !static_cast<CTimeRangeListDlg&>(form).Busy(); });
}

std::unique_ptr<platform::Form> MakePoe() {
    auto dlg = std::make_unique<CPoeConfigDlg>();
    dlg->SetTiming({0});
    return dlg;
}

// The Time Range items the PoE dialog offers, as a user opening it next would see them.
Strings OfferedRanges(DialogEnvironment& env) {
    CPoeConfigDlg dlg;
    DialogDriver d(env, dlg);
    if (!PortsLoaded(d, dlg)) return {"<not loaded>"};
    return d.as<platform::ComboBox>(CPoeConfigDlg::IDC_COMBO_TIME_RANGE).items();
}

// Plays the form: fills it, clicks Apply, and once the write is over checks that the form is still
// open with the user's values, then cancels it.
void AddInForm(DialogEnvironment& env, const std::string& name) {
    env.onChild<CTimeRangeEditDlg>([name](CTimeRangeEditDlg& e, DialogDriver& f) {
        f.type("Range Name", name);
        f.choose(CTimeRangeEditDlg::IDC_START_HOUR, "9");
        f.choose(CTimeRangeEditDlg::IDC_END_HOUR, "18");
        f.tick("Tue");
        f.click("Apply");
        ASSERT_TRUE(f.env().waitUntil([&] { return !e.Saving(); }));
        EXPECT_FALSE(f.ended());
        EXPECT_EQ(f.text("Range Name"), name);
        EXPECT_EQ(f.text(CTimeRangeEditDlg::IDC_START_HOUR), "9");
        EXPECT_TRUE(f.checked("Tue"));
        EXPECT_TRUE(f.enabled("Apply"));
        f.click("Cancel");
    });
}

TEST_F(PoeSimTest, RefusedWritesTellTheirOutcome) {
    const std::string day = "\"day\"";
    Strings ranges = RangeState(1, "day");
    for (const auto& line : RangeState(3, "eve", 17, 22)) ranges.push_back(line);
    const std::vector<RefusedWriteCase> cases = {
        {"PoE Apply on a range of ports, refused at the second",
         "10p",
         {},
         {kPort + ".3.1.3"},
         {},
         MakePoe,
         PortsLoaded,
         [](DialogDriver& d, DialogEnvironment&) {
             d.choose("Form Port", "2");
             d.choose("To Port", "4");
             d.choose("Priority", "High");
             d.click("&Apply");
         },
         "The PoE settings of ports 3 to 4 could not be changed: the switch refused the value (genErr).",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(PortsLoaded(d, form));
             const auto sets = sim.setBindingLists();
             ASSERT_EQ(sets.size(), 2u);  // port 2, then port 3 refused; port 4 not tried
             EXPECT_EQ(sets[1].front(), PortObj(3, 3) + "=1");
             EXPECT_EQ(Held(PortObj(5, 2)), "3");
             EXPECT_EQ(Held(PortObj(5, 3)), "2");
             EXPECT_EQ(d.cell(CPoeConfigDlg::IDC_LIST_PORT, 2, 3), "Normal");  // read again
             EXPECT_EQ(d.text("Priority"), "High");                          // the user's choice stays
             EXPECT_EQ(d.text("Form Port"), "2");
         }},
        {"PoE Apply of a user limit",
         "28p",
         {},
         {PortObj(8, 5)},
         {},
         MakePoe,
         PortsLoaded,
         [](DialogDriver& d, DialogEnvironment&) {
             d.clickRow(CPoeConfigDlg::IDC_LIST_PORT, 4);
             d.tick("User Define");
             d.type(CPoeConfigDlg::IDC_EDIT_LIMIT, "12.2");
             d.click("&Apply");
         },
         "The PoE settings of port 5 could not be changed: the switch refused the value (genErr).",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(PortsLoaded(d, form));
             EXPECT_EQ(sim.sets().size(), 1u);
             EXPECT_EQ(Held(PortObj(7, 5)), "2");
             EXPECT_EQ(Held(PortObj(8, 5)), "30.0");
             EXPECT_EQ(d.cell(CPoeConfigDlg::IDC_LIST_PORT, 4, 4), "Auto");
             EXPECT_EQ(d.text(CPoeConfigDlg::IDC_EDIT_LIMIT), "12.2");
             EXPECT_TRUE(d.checked("User Define"));
         }},
        {"time range Add, create refused",
         "10p",
         ranges,
         {kRange + ".21.2"},
         {},
         [] { return std::make_unique<CTimeRangeListDlg>(); },
         RangesListed,
         [](DialogDriver& d, DialogEnvironment& env) {
             AddInForm(env, "lab");
             d.click("&Add");
         },
         "The time range \"lab\" could not be added: the switch refused the value.",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(RangesListed(d, form));
             EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{RangeObj(21, 2) + "=5"}}));
             EXPECT_EQ(Held(RangeObj(21, 2)), "-");
             EXPECT_EQ(d.rowCount(CTimeRangeListDlg::IDC_LIST), 2);
         }},
        {"time range Add, row refused after the create: the half-made row goes",
         "10p",
         ranges,
         {kRange + ".7.2"},
         {},
         [] { return std::make_unique<CTimeRangeListDlg>(); },
         RangesListed,
         [](DialogDriver& d, DialogEnvironment& env) {
             AddInForm(env, "lab");
             d.click("&Add");
         },
         "The time range \"lab\" could not be added: the switch refused the value. The half-made time range was "
         "removed.",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(RangesListed(d, form));
             const auto sets = sim.setBindingLists();
             ASSERT_EQ(sets.size(), 3u);
             EXPECT_EQ(sets[0], Strings{RangeObj(21, 2) + "=5"});
             EXPECT_EQ(sets[1].front(), RangeObj(2, 2) + "=" + Hex("lab"));
             EXPECT_EQ(sets[2], Strings{RangeObj(21, 2) + "=6"});
             EXPECT_EQ(Held(RangeObj(2, 2)), "-");
             EXPECT_EQ(d.rowCount(CTimeRangeListDlg::IDC_LIST), 2);
         }},
        {"time range Add, row unanswered after the create: the row goes all the same",
         "10p",
         ranges,
         {},
         {"--drop-prefix", kRange + ".7.2"},
         [] {
             MutableSettings().TimeoutMs = "300";  // the unanswered row is given up after its tries
             return std::make_unique<CTimeRangeListDlg>();
         },
         RangesListed,
         [](DialogDriver& d, DialogEnvironment& env) {
             AddInForm(env, "lab");
             d.click("&Add");
         },
         "The time range \"lab\" could not be added: the switch did not answer. The half-made time range was "
         "removed.",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(RangesListed(d, form));
             const auto sets = sim.setBindingLists();
             ASSERT_FALSE(sets.empty());
             EXPECT_EQ(sets.back(), Strings{RangeObj(21, 2) + "=6"});
             EXPECT_EQ(Held(RangeObj(21, 2)), "-");
             EXPECT_EQ(d.rowCount(CTimeRangeListDlg::IDC_LIST), 2);
         }},
        {"time range Edit",
         "10p",
         ranges,
         {kRange + ".12.3"},
         {},
         [] { return std::make_unique<CTimeRangeListDlg>(); },
         RangesListed,
         [](DialogDriver& d, DialogEnvironment& env) {
             d.clickRow(CTimeRangeListDlg::IDC_LIST, 1);
             env.onChild<CTimeRangeEditDlg>([](CTimeRangeEditDlg& e, DialogDriver& f) {
                 ASSERT_TRUE(f.env().waitUntil([&] { return e.RowRead(); }));
                 f.choose(CTimeRangeEditDlg::IDC_END_HOUR, "20");
                 f.click("Apply");
                 ASSERT_TRUE(f.env().waitUntil([&] { return !e.Saving(); }));
                 EXPECT_FALSE(f.ended());
                 EXPECT_EQ(f.text(CTimeRangeEditDlg::IDC_END_HOUR), "20");
                 f.click("Cancel");
             });
             d.click("&Edit");
         },
         "The time range \"eve\" could not be changed: the switch refused the value (genErr).",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(RangesListed(d, form));
             const auto sets = sim.setBindingLists();
             ASSERT_EQ(sets.size(), 1u);  // in place: no destroy, no create
             EXPECT_EQ(sets[0].front(), RangeObj(2, 3) + "=" + Hex("eve"));
             EXPECT_EQ(Held(RangeObj(12, 3)), "22");
             EXPECT_EQ(Held(RangeObj(21, 3)), "1");
             EXPECT_EQ(d.cell(CTimeRangeListDlg::IDC_LIST, 1, 5), "22:59");
         }},
        {"time range Delete",
         "10p",
         ranges,
         {kRange + ".21.1"},
         {},
         [] { return std::make_unique<CTimeRangeListDlg>(); },
         RangesListed,
         [](DialogDriver& d, DialogEnvironment&) {
             d.clickRow(CTimeRangeListDlg::IDC_LIST, 0);
             d.click("&Delete");
         },
         "The time range " + day + " could not be changed: the switch refused the value (genErr).",
         [](DialogDriver& d, platform::Form& form, corvex::test::SimDevice& sim) {
             ASSERT_TRUE(RangesListed(d, form));
             EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{RangeObj(21, 1) + "=6"}}));
             EXPECT_EQ(Held(RangeObj(21, 1)), "1");
             EXPECT_EQ(d.cell(CTimeRangeListDlg::IDC_LIST, 0, 0), "day");
         }},
    };
    for (const RefusedWriteCase& c : cases) {
        dialogtest::RunRefusedWriteCase(sim, env, c);
        env.takeMessages();
    }
}

// The add whose row write fails leaves nothing that the PoE dialog would offer under an empty name.
TEST_F(PoeSimTest, RefusedAddLeavesNoNamelessRangeForThePorts) {
    ASSERT_NO_FATAL_FAILURE(Start("10p", RangeState(1, "day"), {"--set-error", kRange + ".2.2:genErr"}));
    {
        CTimeRangeListDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(RangesListed(d, dlg));
        AddInForm(env, "lab");
        d.click("&Add");
        ASSERT_TRUE(RangesListed(d, dlg));
    }
    EXPECT_EQ(env.takeMessages(), Strings{"The time range \"lab\" could not be added: the switch refused the value. "
                                          "The half-made time range was removed."});
    EXPECT_EQ(OfferedRanges(env), (Strings{"N/A", "day"}));
}

// The switch keeps a time range that a port uses: Delete says which ports, and sends nothing.
TEST_F(PoeSimTest, DeletingAUsedTimeRangeSaysWhichPortsUseIt) {
    Strings state = RangeState(1, "day");
    for (const auto& line : RangeState(2, "eve", 17, 22)) state.push_back(line);
    state.push_back(PortObj(4, 3) + " i 2");
    state.push_back(PortObj(4, 6) + " i 2");
    state.push_back(PortObj(4, 7) + " i 1");
    ASSERT_NO_FATAL_FAILURE(Start("10p", state));
    CTimeRangeListDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(RangesListed(d, dlg));
    sim.clearLog();
    d.clickRow(CTimeRangeListDlg::IDC_LIST, 1);
    d.click("&Delete");
    d.clickRow(CTimeRangeListDlg::IDC_LIST, 0);
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(),
              (Strings{"The time range \"eve\" is used by ports 3, 6, so the switch keeps it. Set the Time Range of "
                       "those ports to N/A in PoE Configuration first.",
                       "The time range \"day\" is used by port 7, so the switch keeps it. Set the Time Range of "
                       "that port to N/A in PoE Configuration first."}));
    EXPECT_TRUE(sim.sets().empty());
    EXPECT_EQ(d.rowCount(CTimeRangeListDlg::IDC_LIST), 2);
}

}  // namespace
}  // namespace poetest
