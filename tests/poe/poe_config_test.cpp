// The PoE port dialog against the virtual switch: its reads and what the list shows,
// one write per port with its bindings, the user-defined limit refusals, a failing port, and
// writes that leave the window free (progress shown, Close honoured between ports).
#include "features/poe/poe_config_dlg.h"
#include "poe/poe_sim.h"

#include <algorithm>

namespace poetest {
namespace {

using poe::CPoeConfigDlg;
constexpr int kList = CPoeConfigDlg::IDC_LIST_PORT;

// The last request that reads or writes the tables: each reading of the port table is followed by
// one get of the switch's power level, for the total under the list.
corvex::test::SimRequest LastTableRequest(const corvex::test::SimDevice& sim) {
    const auto requests = sim.requests();
    for (auto it = requests.rbegin(); it != requests.rend(); ++it)
        if (it->pdu != "get" || it->bindings.empty() || it->bindings.front().oid != poe::kOidPoePowerLevel) return *it;
    return {};
}

bool Loaded(DialogDriver& d, CPoeConfigDlg& dlg) {
    return d.env().waitUntil([&] { return !dlg.Loading() && !dlg.Applying() && d.rowCount(kList) == 8; });
}

TEST_F(PoeSimTest, ListShowsEveryPoePortWithRangeNamesAndLimitsOnBothModels) {
    for (const std::string model : {"10p", "28p"}) {
        SCOPED_TRACE(model);
        Strings state = RangeState(1, "night");
        for (const auto& extra : {PortObj(4, 2) + " i 1", PortObj(7, 3) + " i 1", PortObj(8, 3) + " s 15.4",
                                  PortObj(3, 4) + " i 2", PortObj(5, 4) + " i 3", PortObj(6, 4) + " i 3",
                                  PortObj(6, 6) + " i 9"})
            state.push_back(extra);
        ASSERT_NO_FATAL_FAILURE(Start(model, state));
        CPoeConfigDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Loaded(d, dlg));
        const auto rows = d.rows(kList);
        EXPECT_EQ(rows[0], (Strings{"1", "Enable", "N/A", "Normal", "Auto", "6.4", "53.6", "119", "Class 2", "POWER ON"}));
        EXPECT_EQ(Strings(rows[1].begin(), rows[1].begin() + 5), (Strings{"2", "Enable", "night", "Normal", "Auto"}));
        EXPECT_EQ(Strings(rows[2].begin(), rows[2].begin() + 5), (Strings{"3", "Enable", "N/A", "Normal", "15.4"}));
        EXPECT_EQ(Strings(rows[3].begin(), rows[3].begin() + 5), (Strings{"4", "Disable", "N/A", "High", "Class 2"}));
        EXPECT_EQ(rows[5][4], "");  // an unknown class code
        EXPECT_EQ(rows[7], (Strings{"8", "Enable", "N/A", "Normal", "Auto", "0.0", "0.0", "0", "N/A", "POWER OFF"}));
        EXPECT_EQ(d.as<platform::ComboBox>(CPoeConfigDlg::IDC_COMBO_TIME_RANGE).items(), (Strings{"N/A", "night"}));
        // The ports were read beside the time-range walk, all eight in one round of requests.
        const auto requests = sim.requests();
        EXPECT_TRUE(std::any_of(requests.begin(), requests.end(), [](const auto& r) {
            return r.pdu == "getnext" && r.bindings.size() > 11 && r.bindings[0].oid.rfind(kPort + ".3", 0) == 0;
        }));
        EXPECT_TRUE(env.takeMessages().empty());
        sim.stop();
    }
}

TEST_F(PoeSimTest, ApplyWritesOneRequestPerPortWithTheFormsSettings) {
    ASSERT_NO_FATAL_FAILURE(Start("10p", RangeState(1, "night")));
    struct Case {
        std::string from, to;
        bool custom;
        std::vector<Strings> sets;
    };
    auto defaults = [](int p) {
        return Strings{PortObj(3, p) + "=1", PortObj(4, p) + "=0", PortObj(5, p) + "=2", PortObj(7, p) + "=2",
                       PortObj(6, p) + "=1"};
    };
    const std::vector<Case> cases = {
        {"3", "3", false, {defaults(3)}},
        {"2", "4", false, {defaults(2), defaults(3), defaults(4)}},
        {"3", "3", true,
         {{PortObj(3, 3) + "=2", PortObj(4, 3) + "=1", PortObj(5, 3) + "=3", PortObj(7, 3) + "=1",
           PortObj(8, 3) + "=" + Hex("15.4")}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from + "-" + c.to + (c.custom ? " custom" : ""));
        CPoeConfigDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Loaded(d, dlg));
        d.choose("Form Port", c.from);
        d.choose("To Port", c.to);
        if (c.custom) {
            d.choose("Time Range", "night");
            d.choose("State", "Disable");
            d.choose("Priority", "High");
            d.tick("User Define");
            EXPECT_FALSE(d.enabled(CPoeConfigDlg::IDC_COMBO_LIMIT));
            d.type(CPoeConfigDlg::IDC_EDIT_LIMIT, "15.4");
        }
        sim.clearLog();
        d.click("&Apply");
        // The writes go on without holding the window: the progress is already on show.
        EXPECT_TRUE(dlg.Applying());
        EXPECT_TRUE(d.visible(CPoeConfigDlg::IDC_PROGRESS));
        EXPECT_EQ(d.control(CPoeConfigDlg::IDC_PROGRESS_TEXT).text(),
                  "Port " + c.from + " (1 of " + std::to_string(std::stoi(c.to) - std::stoi(c.from) + 1) + ")");
        EXPECT_FALSE(d.enabled("&Apply"));
        ASSERT_TRUE(Loaded(d, dlg));
        EXPECT_FALSE(d.visible(CPoeConfigDlg::IDC_PROGRESS));
        EXPECT_EQ(sim.setBindingLists(), c.sets);
        EXPECT_TRUE(env.takeMessages().empty());
        // The list was read again after the writes.
        EXPECT_EQ(LastTableRequest(sim).pdu, "getnext");
        if (c.custom) {
            const auto row = d.rows(kList)[2];
            EXPECT_EQ(Strings(row.begin(), row.begin() + 5), (Strings{"3", "Disable", "night", "High", "15.4"}));
        }
    }
}

// Only a plain number passes, and it travels as the switch writes it; the whole text counts, not
// its leading number.
TEST_F(PoeSimTest, UserDefinedLimitIsCheckedWholeAndSentAsANumber) {
    ASSERT_NO_FATAL_FAILURE(Start("10p"));
    struct Case {
        std::string typed;
        const char* message;    // nullptr: accepted
        std::string canonical;  // what is sent
    };
    const std::vector<Case> cases = {{"15.5", poe::kMsgLimitStep, ""},   {"0.8", poe::kMsgLimitRange, ""},
                                     {"30.2", poe::kMsgLimitRange, ""},  {"", poe::kMsgLimitRange, ""},
                                     {"nan", poe::kMsgLimitRange, ""},   {"15.4W", poe::kMsgLimitRange, ""},
                                     {"1e1", poe::kMsgLimitRange, ""},   {"-2", poe::kMsgLimitRange, ""},
                                     {"15.44", poe::kMsgLimitStep, ""},  {"30.01", poe::kMsgLimitRange, ""},
                                     {".", poe::kMsgLimitRange, ""},     {"1.2.3", poe::kMsgLimitRange, ""},
                                     {"30", nullptr, "30.0"},            {"1", nullptr, "1.0"},
                                     {" 20", nullptr, "20.0"},           {"15.40", nullptr, "15.4"},
                                     {"015.4 ", nullptr, "15.4"},        {"7.", nullptr, "7.0"}};
    CPoeConfigDlg dlg;
    dlg.SetTiming({0});
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Loaded(d, dlg));
    d.choose("Form Port", "5");
    d.choose("To Port", "6");
    d.tick("User Define");
    for (const auto& c : cases) {
        SCOPED_TRACE("'" + c.typed + "'");
        d.type(CPoeConfigDlg::IDC_EDIT_LIMIT, c.typed);
        sim.clearLog();
        d.click("&Apply");
        ASSERT_TRUE(Loaded(d, dlg));
        if (c.message) {
            EXPECT_EQ(env.takeMessages(), Strings{c.message});
            EXPECT_TRUE(sim.sets().empty());
            EXPECT_FALSE(sim.requests().empty());  // the port list is read again
            EXPECT_EQ(d.text(CPoeConfigDlg::IDC_EDIT_LIMIT), c.typed);  // kept for a retry
        } else {
            EXPECT_TRUE(env.takeMessages().empty());
            const auto sets = sim.setBindingLists();
            ASSERT_EQ(sets.size(), 2u);
            EXPECT_EQ(sets[0].back(), PortObj(8, 5) + "=" + Hex(c.canonical));
            EXPECT_EQ(sets[1].back(), PortObj(8, 6) + "=" + Hex(c.canonical));
            EXPECT_EQ(d.cell(kList, 5, 4), c.canonical);
        }
    }
}

TEST_F(PoeSimTest, FailedPortStopsTheRemainingPortsAndCloseWaitsForTheWholeRun) {
    ASSERT_NO_FATAL_FAILURE(Start("28p", {}, {"--set-error", PortObj(3, 4) + ":genErr"}));
    {
        CPoeConfigDlg dlg;
        dlg.SetTiming({0});
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Loaded(d, dlg));
        d.choose("Form Port", "2");
        d.choose("To Port", "6");
        sim.clearLog();
        d.click("&Apply");
        ASSERT_TRUE(Loaded(d, dlg));
        EXPECT_EQ(env.takeMessages(),
                  Strings{"The PoE settings of ports 4 to 6 could not be changed: the switch refused the value (genErr)."});
        const auto sets = sim.setBindingLists();
        ASSERT_EQ(sets.size(), 3u);  // ports 2, 3 and the failing 4
        EXPECT_EQ(sets[2].front(), PortObj(3, 4) + "=1");
        EXPECT_EQ(LastTableRequest(sim).pdu, "getnext");
    }
    sim.stop();
    ASSERT_NO_FATAL_FAILURE(Start("10p", {}, {"--delay-ms", "150"}));
    CPoeConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Loaded(d, dlg));
    sim.clearLog();
    d.click("&Apply");  // ports 1 to 8
    // No way out while the run writes: every port is written, then the form can be closed.
    EXPECT_FALSE(d.enabled("&Close"));
    d.closeWindow();
    ASSERT_TRUE(Loaded(d, dlg));
    EXPECT_FALSE(d.ended());
    EXPECT_EQ(sim.sets().size(), 8u);
    d.click("&Close");
    EXPECT_EQ(d.result(), platform::kIdCancel);
}

// A row click puts the whole port into the form, so that Apply on that port changes only what the
// user changed: switching PoE off keeps the port's schedule, priority and limit.
TEST_F(PoeSimTest, RowClickFillsEveryControlAndApplyKeepsWhatThePortHad) {
    Strings state = RangeState(1, "day");
    for (const auto& line : RangeState(3, "night", 20, 23)) state.push_back(line);
    for (const auto& extra : {PortObj(3, 5) + " i 2", PortObj(4, 5) + " i 3", PortObj(5, 5) + " i 3",
                              PortObj(7, 5) + " i 1", PortObj(8, 5) + " s 15.4", PortObj(5, 2) + " i 1",
                              PortObj(6, 2) + " i 4", PortObj(4, 2) + " i 1"})
        state.push_back(extra);
    ASSERT_NO_FATAL_FAILURE(Start("10p", state));
    struct Case {
        int row;
        Strings form;  // From, To, State, Time Range, Priority, Power Limit, User Define, limit box
        std::string state;
        Strings sent;  // after choosing State
    };
    const std::vector<Case> cases = {
        {4, {"5", "5", "Disable", "night", "High", "Auto", "1", "15.4"}, "Enable",
         {PortObj(3, 5) + "=1", PortObj(4, 5) + "=3", PortObj(5, 5) + "=3", PortObj(7, 5) + "=1",
          PortObj(8, 5) + "=" + Hex("15.4")}},
        {1, {"2", "2", "Enable", "day", "Low", "Class 3", "0", ""}, "Disable",
         {PortObj(3, 2) + "=2", PortObj(4, 2) + "=1", PortObj(5, 2) + "=1", PortObj(7, 2) + "=2", PortObj(6, 2) + "=4"}},
        {7, {"8", "8", "Enable", "N/A", "Normal", "Auto", "0", ""}, "Disable",
         {PortObj(3, 8) + "=2", PortObj(4, 8) + "=0", PortObj(5, 8) + "=2", PortObj(7, 8) + "=2", PortObj(6, 8) + "=1"}},
    };
    CPoeConfigDlg dlg;
    dlg.SetTiming({0});
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Loaded(d, dlg));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        d.clickRow(kList, c.row);
        const Strings form = {d.text("Form Port"), d.text("To Port"), d.text("State"), d.text("Time Range"),
                              d.text("Priority"), d.text("Power Limit"), d.checked("User Define") ? "1" : "0",
                              d.text(CPoeConfigDlg::IDC_EDIT_LIMIT)};
        EXPECT_EQ(form, c.form);
        EXPECT_EQ(d.enabled(CPoeConfigDlg::IDC_EDIT_LIMIT), c.form[6] == "1");
        EXPECT_EQ(d.enabled(CPoeConfigDlg::IDC_COMBO_LIMIT), c.form[6] == "0");
        d.choose("State", c.state);
        sim.clearLog();
        d.click("&Apply");
        ASSERT_TRUE(Loaded(d, dlg));
        EXPECT_EQ(sim.setBindingLists(), std::vector<Strings>{c.sent});
        EXPECT_TRUE(env.takeMessages().empty());
    }
    d.choose("To Port", "3");
    EXPECT_EQ(env.takeMessages(), Strings{"'To Port' can not be smaller than 'From Port'"});
    EXPECT_EQ(d.text("To Port"), "8");
    d.choose("Form Port", "2");
    EXPECT_EQ(d.text("To Port"), "2");
}

TEST_F(PoeSimTest, NoMoreThanEightTimeRangesAreKeptWhateverTheSwitchLists) {
    Strings state;
    for (int i = 1; i <= 11; ++i) state.push_back(RangeObj(2, i) + " s r" + std::to_string(i));
    ASSERT_NO_FATAL_FAILURE(Start("10p", state));
    CPoeConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Loaded(d, dlg));
    EXPECT_EQ(dlg.TimeRanges().size(), 8u);
    EXPECT_EQ(dlg.TimeRanges().back(), (std::pair<int, std::string>{8, "r8"}));
    EXPECT_EQ(d.as<platform::ComboBox>(CPoeConfigDlg::IDC_COMBO_TIME_RANGE).count(), 9);
}

}  // namespace
TEST(PoeTotal, SumsTheReadingsAndJudgesTheBudget) {
    struct Case {
        Strings powers;
        std::string level, text;
    };
    for (const Case& c : std::vector<Case>{
             {{"6.4", "11.8", "4.2", "15.2", "0.0", "3.9", "7.1", "0.0"}, "9", "Total Power(W): 48.6 (within the power budget)"},
             {{"30.0", "30.0"}, "7", "Total Power(W): 60.0 (power budget exhausted)"},
             {{"12.5W", "", "n/a", "-4"}, "", "Total Power(W): 12.5"},  // no number counts as 0, nor below 0
             {{}, "8", "Total Power(W): 0.0 (within the power budget)"},
             {{"abc"}, "x", "Total Power(W): 0.0 (power budget exhausted)"},
         })
        EXPECT_EQ(poe::TotalPowerText(c.powers, c.level), c.text);
}

TEST_F(PoeSimTest, TotalPowerIsShownAgainstTheBudget) {
    struct Case {
        std::string name;
        Strings state, options;
        std::string text;
    };
    const std::string level = "1.3.6.1.4.1.171.10.76.12.22.6";
    for (const Case& c : std::vector<Case>{
             // Port 7 is shut on the virtual switch, so its device draws nothing.
             {"power to spare", {}, {}, "Total Power(W): 41.5 (within the power budget)"},
             {"budget spent", {level + ".0 i 3", PortObj(3, 2) + " i 2"}, {}, "Total Power(W): 29.7 (power budget exhausted)"},
             {"level not answered", {}, {"--drop-prefix", level}, "Total Power(W): 41.5"},
         }) {
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start("10p", c.state, c.options));
        // The port walk's last step and the level go unanswered, each after three tries.
        if (!c.options.empty()) MutableSettings().TimeoutMs = "500";
        CPoeConfigDlg dlg;
        DialogDriver d(env, dlg);
        // An unanswered read ends after its tries, each of the session's time-out.
        ASSERT_TRUE(env.waitUntil([&] { return !dlg.Loading() && d.rowCount(kList) == 8; }, std::chrono::seconds(15)));
        EXPECT_EQ(d.as<platform::Label>(CPoeConfigDlg::IDC_TOTAL_POWER).text(), c.text);
        // The level is read once, after the port table, with a get.
        if (c.options.empty()) EXPECT_EQ(sim.countRequests("get", level + ".0"), 1);
        else EXPECT_GE(sim.countRequests("get", level + ".0"), 1);
        sim.stop();
    }
}

}  // namespace poetest
