// The time-range list and its form against the virtual switch: the free index and the write
// order of an add, the name, date and time refusals, the maximum, an edit written in place, and
// delete.
#include "features/poe/time_range_dlg.h"
#include "poe/poe_sim.h"

namespace poetest {
namespace {

using poe::CTimeRangeEditDlg;
using poe::CTimeRangeListDlg;
constexpr int kList = CTimeRangeListDlg::IDC_LIST;

bool Listed(DialogDriver& d, CTimeRangeListDlg& dlg) { return d.env().waitUntil([&] { return !dlg.Busy(); }); }

// The full-row request of index i as the log shows it; dates only when given.
Strings FullRow(int i, const std::string& name, const Strings& dates, const Strings& times, const std::string& days) {
    Strings b = {RangeObj(2, i) + "=" + Hex(name), RangeObj(3, i) + "=" + (dates.empty() ? "2" : "1")};
    const int dateCols[] = {4, 5, 6, 9, 10, 11};
    for (size_t k = 0; k < dates.size(); ++k) b.push_back(RangeObj(dateCols[k], i) + "=" + dates[k]);
    const int timeCols[] = {7, 8, 12, 13};
    for (size_t k = 0; k < 4; ++k) b.push_back(RangeObj(timeCols[k], i) + "=" + times[k]);
    for (int d = 0; d < 7; ++d) b.push_back(RangeObj(14 + d, i) + "=" + (days[static_cast<size_t>(d)] == '1' ? "1" : "2"));
    b.push_back(RangeObj(21, i) + "=1");
    return b;
}

void ChooseTimes(DialogDriver& c, const std::string& sh, const std::string& sm, const std::string& eh,
                 const std::string& em) {
    c.choose(CTimeRangeEditDlg::IDC_START_HOUR, sh);
    c.choose(CTimeRangeEditDlg::IDC_START_MINUTE, sm);
    c.choose(CTimeRangeEditDlg::IDC_END_HOUR, eh);
    c.choose(CTimeRangeEditDlg::IDC_END_MINUTE, em);
}

void ChooseDates(DialogDriver& c, const Strings& ymd) {
    const int ids[] = {CTimeRangeEditDlg::IDC_FROM_YEAR, CTimeRangeEditDlg::IDC_FROM_MONTH, CTimeRangeEditDlg::IDC_FROM_DAY,
                       CTimeRangeEditDlg::IDC_TO_YEAR,   CTimeRangeEditDlg::IDC_TO_MONTH,   CTimeRangeEditDlg::IDC_TO_DAY};
    for (size_t k = 0; k < 6; ++k) c.choose(ids[k], ymd[k]);
}

TEST_F(PoeSimTest, AddTakesTheLowestFreeIndexAndWritesCreateThenTheActiveRow) {
    struct Case {
        std::vector<int> listed;
        int expected;
        Strings dates;  // empty: no date span
        Strings listRow;
    };
    const std::vector<Case> cases = {
        {{1, 2, 4}, 3, {}, {"lab", "Mon,Wed", "", "", "08:05", "18:00", "Active"}},
        {{1, 2, 3, 4, 5}, 6, {}, {"lab", "Mon,Wed", "", "", "08:05", "18:00", "Active"}},
        // With a date span, an end time before the start time is accepted.
        {{}, 1, {"2010", "3", "7", "2010", "3", "8"}, {"lab", "Mon,Wed", "2010/03/07", "2010/03/08", "18:05", "06:00", "Active"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        Strings state;
        for (int i : c.listed)
            for (const auto& line : RangeState(i, "r" + std::to_string(i))) state.push_back(line);
        ASSERT_NO_FATAL_FAILURE(Start("10p", state));
        CTimeRangeListDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Listed(d, dlg));
        sim.clearLog();
        const bool date = !c.dates.empty();
        env.onChild("Time Based PoE Config", [&](DialogDriver& f) {
            f.type("Range Name", "lab");
            if (date) {
                f.tick("Date");
                ChooseDates(f, c.dates);
                ChooseTimes(f, "18", "5", "6", "0");
            } else {
                EXPECT_FALSE(f.enabled(CTimeRangeEditDlg::IDC_FROM_YEAR));
                ChooseTimes(f, "8", "5", "18", "0");
            }
            f.tick("Mon ");
            f.tick("Wed ");
            f.click("Apply");
            EXPECT_TRUE(f.waitEnded());
            EXPECT_EQ(f.result(), platform::kIdOk);
        });
        d.click("&Add");
        ASSERT_TRUE(Listed(d, dlg));
        const int i = c.expected;
        const Strings times = date ? Strings{"18", "5", "6", "0"} : Strings{"8", "5", "18", "0"};
        EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{RangeObj(21, i) + "=5"}, FullRow(i, "lab", c.dates, times, "1010000")}));
        ASSERT_EQ(d.rowCount(kList), static_cast<int>(c.listed.size()) + 1);
        EXPECT_EQ(d.rows(kList)[static_cast<size_t>(d.list(kList).findRow(0, "lab"))], c.listRow);
        EXPECT_TRUE(env.takeMessages().empty());
        sim.stop();
    }
}

TEST_F(PoeSimTest, FormRefusesBadNamesDatesAndTimesAndSendsNothing) {
    ASSERT_NO_FATAL_FAILURE(Start("10p", RangeState(1, "day")));
    CTimeRangeListDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Listed(d, dlg));
    sim.clearLog();
    struct Case {
        std::string name;
        Strings dates;  // empty: no date span
        Strings times;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"", {}, {"8", "0", "18", "0"}, poe::kMsgNameEmpty},
        {"A.B", {}, {"8", "0", "18", "0"}, poe::kMsgNameInvalid},
        {"a/b", {}, {"8", "0", "18", "0"}, poe::kMsgNameInvalid},
        {"day", {}, {"8", "0", "18", "0"}, poe::kMsgNameInvalid},
        {"ok", {}, {"8", "0", "8", "0"}, poe::kMsgSameTime},
        {"ok", {"2010", "1", "1", "2010", "1", "2"}, {"8", "0", "8", "0"}, poe::kMsgSameTime},
        {"ok", {}, {"18", "0", "6", "0"}, poe::kMsgStartAfterEnd},
        {"ok", {"2010", "1", "1", "2010", "1", "1"}, {"18", "0", "6", "0"}, poe::kMsgStartAfterEnd},
        {"ok", {"2011", "5", "1", "2010", "6", "1"}, {"8", "0", "18", "0"}, poe::kMsgToYear},
        {"ok", {"2010", "6", "1", "2010", "5", "30"}, {"8", "0", "18", "0"}, poe::kMsgToMonth},
        {"ok", {"2010", "5", "30", "2010", "5", "1"}, {"8", "0", "18", "0"}, poe::kMsgToDay},
    };
    env.onChild("Time Based PoE Config", [&](DialogDriver& f) {
        for (const auto& c : cases) {
            SCOPED_TRACE(c.name + " " + c.times[0] + "-" + c.times[2]);
            f.type("Range Name", c.name);
            if (f.checked("Date") != !c.dates.empty()) f.tick("Date", !c.dates.empty());
            if (!c.dates.empty()) ChooseDates(f, c.dates);
            ChooseTimes(f, c.times[0], c.times[1], c.times[2], c.times[3]);
            f.click("Apply");
            EXPECT_FALSE(f.ended());
            EXPECT_EQ(f.env().takeMessages(), Strings{c.message});
        }
        // The box takes 20 characters and no more.
        f.type("Range Name", "abcdefghijklmnopqrstu");
        EXPECT_EQ(f.text("Range Name"), "abcdefghijklmnopqrst");
        f.click("Cancel");
    });
    d.click("&Add");
    EXPECT_TRUE(sim.sets().empty());
}

// The switch counts a name in octets of its UTF-8 form, 1 to 20: a name of 20 characters may be
// too long, and one of 20 octets goes as typed.
TEST_F(PoeSimTest, NamesAreCountedInOctets) {
    ASSERT_NO_FATAL_FAILURE(Start("10p"));
    CTimeRangeListDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Listed(d, dlg));
    struct Case {
        std::string name;
        const char* message;  // nullptr: written
    };
    const std::string e = "\xC3\xA9";  // two octets
    std::string ten, eleven;
    for (int i = 0; i < 10; ++i) ten += e;
    eleven = ten + "a";
    const std::vector<Case> cases = {{eleven, poe::kMsgNameTooLong},
                                     {"abcdefghij" + ten.substr(0, 12), poe::kMsgNameTooLong},
                                     {ten, nullptr}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        sim.clearLog();
        env.onChild("Time Based PoE Config", [&](DialogDriver& f) {
            f.type("Range Name", c.name);
            EXPECT_EQ(f.text("Range Name"), c.name);  // the box takes 20 characters
            ChooseTimes(f, "8", "0", "9", "0");
            f.click("Apply");
            if (c.message) {
                EXPECT_EQ(f.env().takeMessages(), Strings{c.message});
                EXPECT_FALSE(f.ended());
                f.click("Cancel");
            } else {
                EXPECT_TRUE(f.waitEnded());
            }
        });
        d.click("&Add");
        ASSERT_TRUE(Listed(d, dlg));
        if (c.message) {
            EXPECT_TRUE(sim.sets().empty());
        } else {
            const auto sets = sim.setBindingLists();
            ASSERT_EQ(sets.size(), 2u);
            EXPECT_EQ(sets[1].front(), RangeObj(2, 1) + "=" + Hex(c.name));
            EXPECT_EQ(d.cell(kList, 0, 0), c.name);
            EXPECT_TRUE(env.takeMessages().empty());
        }
    }
}

TEST_F(PoeSimTest, EightActiveRangesRefuseAnotherAndEditOrDeleteNeedASelection) {
    Strings state;
    for (int i = 1; i <= 8; ++i)
        for (const auto& line : RangeState(i, "r" + std::to_string(i))) state.push_back(line);
    ASSERT_NO_FATAL_FAILURE(Start("10p", state));
    CTimeRangeListDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Listed(d, dlg));
    ASSERT_EQ(d.rowCount(kList), 8);
    sim.clearLog();
    env.onChild("Time Based PoE Config", [](DialogDriver& f) {
        f.type("Range Name", "ninth");
        ChooseTimes(f, "8", "0", "9", "0");
        f.click("Apply");
        EXPECT_TRUE(f.ended());
    });
    d.click("&Add");
    ASSERT_TRUE(Listed(d, dlg));
    EXPECT_EQ(env.takeMessages(), Strings{poe::kMsgMaxRanges});
    d.click("&Edit");
    d.click("&Delete");
    ASSERT_EQ(env.messages().size(), 2u);
    EXPECT_EQ(env.messages()[1].icon, platform::MsgIcon::Information);  // rows, but none chosen
    EXPECT_EQ(env.takeMessages(), (Strings{poe::kMsgSelectEdit, poe::kMsgSelectDelete}));
    // Delete goes without a question and the list is read again.
    d.clickRow(kList, 2);
    d.click("&Delete");
    ASSERT_TRUE(Listed(d, dlg));
    EXPECT_EQ(sim.setBindingLists(), (std::vector<Strings>{{RangeObj(21, 3) + "=6"}}));
    EXPECT_EQ(d.rowCount(kList), 7);
    EXPECT_EQ(d.list(kList).findRow(0, "r3"), -1);
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(PoeSimTest, EmptyListAsksForASelection) {
    ASSERT_NO_FATAL_FAILURE(Start("28p"));
    CTimeRangeListDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Listed(d, dlg));
    d.click("&Edit");
    d.click("&Delete");
    ASSERT_EQ(env.messages().size(), 2u);
    EXPECT_EQ(env.messages()[1].icon, platform::MsgIcon::None);
    EXPECT_EQ(env.takeMessages(), (Strings{poe::kMsgSelectEdit, poe::kMsgSelectDelete}));
    EXPECT_TRUE(sim.sets().empty());
}

// An edit writes the row where it stands, in one request: a range that a port uses (which the
// switch will not destroy) is edited like any other.
TEST_F(PoeSimTest, EditWritesTheRowInPlaceUnderItsIndex) {
    for (const bool used : {false, true}) {
        SCOPED_TRACE(used ? "used by port 1" : "unused");
        Strings state = RangeState(2, "day");
        for (const auto& line : RangeState(5, "eve", 17, 22)) state.push_back(line);
        if (used) state.push_back(PortObj(4, 1) + " i 5");
        ASSERT_NO_FATAL_FAILURE(Start("10p", state));
        CTimeRangeListDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Listed(d, dlg));
        sim.clearLog();
        d.clickRow(kList, d.list(kList).findRow(0, "eve"));
        env.onChild<CTimeRangeEditDlg>([](CTimeRangeEditDlg& e, DialogDriver& f) {
            ASSERT_TRUE(f.env().waitUntil([&] { return e.RowRead(); }));
            EXPECT_FALSE(f.enabled(CTimeRangeEditDlg::IDC_EDIT_NAME));
            EXPECT_EQ(f.text("Range Name"), "eve");
            EXPECT_EQ(f.text(CTimeRangeEditDlg::IDC_START_HOUR), "17");
            EXPECT_EQ(f.text(CTimeRangeEditDlg::IDC_END_MINUTE), "59");
            EXPECT_TRUE(f.checked("Fri "));
            EXPECT_FALSE(f.checked("Sat"));
            f.choose(CTimeRangeEditDlg::IDC_END_HOUR, "20");
            f.tick("Fri ", false);
            f.click("Apply");
            EXPECT_TRUE(f.waitEnded());
        });
        d.click("&Edit");
        ASSERT_TRUE(Listed(d, dlg));
        EXPECT_EQ(sim.setBindingLists(),
                  (std::vector<Strings>{FullRow(5, "eve", {}, {"17", "0", "20", "59"}, "1111000")}));
        EXPECT_EQ(d.rows(kList)[static_cast<size_t>(d.list(kList).findRow(0, "eve"))],
                  (Strings{"eve", "Mon,Tue,Wed,Thu", "", "", "17:00", "20:59", "Active"}));
        EXPECT_TRUE(env.takeMessages().empty());
        if (used) {
            EXPECT_EQ(Held(PortObj(4, 1)), "5");
        }
        sim.stop();
    }
}

}  // namespace
}  // namespace poetest
