// What users do with lists and grids, headless: find, CSV export, the first focus and the keys of
// a port grid.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/form.h"
#include "platform/list_tools.h"
#include "support/dialog_driver.h"

using namespace platform;

namespace {

class TestForm : public Form {
public:
    explicit TestForm(std::function<void(TestForm&)> build) : build_(std::move(build)) {}
    std::function<void()> init;

protected:
    void createControls() override { build_(*this); }
    void initDialog() override {
        if (init) init();
    }

private:
    std::function<void(TestForm&)> build_;
};

TEST(ListFind, CellsContainingTheTextWithoutCaseAndMacAddressesWhateverTheirSeparators) {
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) { t.addList(1, "", {{"MAC", 120}, {"Port", 40}, {"Name", 80}}); });
    dialogtest::DialogDriver d(env, f);
    auto& list = f.get<ReportList>(1);
    list.appendRow({"00:11:22:33:44:55", "3", "Core-Uplink"});
    list.appendRow({"00-1A-2B-3C-4D-5E", "12", "printer"});
    list.appendRow({"0011.2233.4466", "7", "camera 00112"});
    list.appendRow({"a01122334455", "1122", "ap"});
    const struct {
        const char* text;
        std::vector<int> rows;
    } cases[] = {
        {"uplink", {0}},          // no case
        {"00:11:22", {0, 2}},     // the other separators and none
        {"00-11-22", {0, 2}},
        {"001122", {0, 2}},
        {"00 1a 2b", {1}},
        {"1a:2B", {1}},
        {"11:22", {0, 2, 3}},     // row 3: "1122" in its port cell, and its MAC from the second octet
        {"0112", {2, 3}},         // not row 0: a MAC matches from the start of an octet only
        {"44:66", {2}},
        {"zz", {}},
    };
    for (const auto& c : cases) {
        list.setFindText(c.text);
        ASSERT_TRUE(env.waitUntil([&] { return list.findDone(); })) << c.text;
        EXPECT_EQ(list.findMatches(), c.rows) << "find " << c.text;
    }

    // Rows that arrive, change or go while a find stands are followed.
    list.setFindText("printer");
    env.waitUntil([&] { return list.findDone(); });
    list.appendRow({"00:00:00:00:00:01", "9", "Printer 2"});
    list.setCell(0, 2, "printer 3");
    list.removeRow(1);
    EXPECT_EQ(list.findMatches(), (std::vector<int>{0, 3}));
    EXPECT_EQ(list.findCountText(), "2 of 4");
    list.setFindText("");
    EXPECT_TRUE(list.findMatches().empty());
    EXPECT_TRUE(list.isMatch(1));
}

// A million rows are looked at in slices: the first slice leaves the rest for later.
TEST(ListFind, AMillionRowsInSlicesWithTheCount) {
    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) { t.addList(1, "", {{"MAC", 120}, {"Port", 40}}); });
    dialogtest::DialogDriver d(env, f);
    auto& list = f.get<ReportList>(1);
    char mac[18];
    for (int i = 0; i < 1000000; ++i) {
        std::snprintf(mac, sizeof mac, "00:%02X:%02X:%02X:%02X:%02X", i >> 24, (i >> 16) & 255, (i >> 8) & 255, i & 255,
                      i % 7);
        list.appendRow({mac, std::to_string(i % 52 + 1)});
    }
    list.setFindText("0A-0b-0c");  // row 0x0A0B0C only
    EXPECT_FALSE(list.findDone());
    EXPECT_GE(env.pump(), 1000000 / ReportList::kFindSliceRows);
    ASSERT_TRUE(list.findDone());
    EXPECT_EQ(list.findMatches(), std::vector<int>{0x0A0B0C});
    EXPECT_EQ(list.findCountText(), "1 of 1,000,000");
}

TEST(ListExport, CsvAsRfc4180WithTheHeadingsAndAFailedSaveSaysWhy) {
    const struct {
        std::vector<std::string_view> cells;
        std::string line;
    } cases[] = {
        {{"1", "plain"}, "1,plain\r\n"},
        {{"a,b", "say \"hi\""}, "\"a,b\",\"say \"\"hi\"\"\"\r\n"},
        {{"two\nlines", "cr\r"}, "\"two\nlines\",\"cr\r\"\r\n"},
        {{"", " space "}, ", space \r\n"},
        {{"caf\xC3\xA9", "bad\xFF"}, "caf\xC3\xA9,bad\xEF\xBF\xBD\r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(CsvLine(c.cells), c.line);

    dialogtest::DialogEnvironment env;
    TestForm f([](TestForm& t) { t.addList(1, "", {{"VID", 40}, {"Name", 80}}); });
    dialogtest::DialogDriver d(env, f);
    auto& list = f.get<ReportList>(1);
    for (int i = 0; i < ListExport::kSliceRows + 5; ++i) list.appendRow({std::to_string(i), i == 1 ? "a,b" : "v"});
    const std::string path = ::testing::TempDir() + "corvex-export.csv";
    std::vector<std::pair<int, int>> progress;
    std::string message;
    bool ok = false, finished = false;
    ListExport all(list, path, std::nullopt, [&](int done, int total) { progress.emplace_back(done, total); },
                   [&](bool good, const std::string& m) { ok = good, message = m, finished = true; });
    all.start();
    ASSERT_TRUE(env.waitUntil([&] { return finished; }));
    EXPECT_TRUE(ok) << message;
    const int total = ListExport::kSliceRows + 5;
    EXPECT_EQ(progress, (std::vector<std::pair<int, int>>{{0, total}, {ListExport::kSliceRows, total}, {total, total}}));
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_EQ(text.str().substr(0, 29), "VID,Name\r\n0,v\r\n1,\"a,b\"\r\n2,v\r\n");
    std::remove(path.c_str());

    // The filtered rows only; a folder that does not exist.
    finished = false;
    ListExport some(list, path, std::vector<int>{2, 1}, {}, [&](bool good, const std::string& m) { ok = good, message = m, finished = true; });
    some.start();
    ASSERT_TRUE(env.waitUntil([&] { return finished; }));
    std::ifstream in2(path, std::ios::binary);
    std::stringstream text2;
    text2 << in2.rdbuf();
    EXPECT_EQ(text2.str(), "VID,Name\r\n2,v\r\n1,\"a,b\"\r\n");
    std::remove(path.c_str());
    finished = false;
    const std::string bad = ::testing::TempDir() + "no-such-folder/x.csv";
    ListExport refused(list, bad, std::nullopt, {}, [&](bool good, const std::string& m) { ok = good, message = m, finished = true; });
    refused.start();
    ASSERT_TRUE(env.waitUntil([&] { return finished; }));
    EXPECT_FALSE(ok);
    EXPECT_EQ(message, "The list could not be saved to " + bad + ": No such file or directory.");
}

// The focus starts on the first field that takes input: not a caption, a read-only box, a
// disabled field or a button.
TEST(FormFocus, StartsOnTheFirstFieldThatTakesInput) {
    dialogtest::DialogEnvironment env;
    const struct {
        std::function<void(TestForm&)> build;
        int focused;
    } cases[] = {
        {[](TestForm& t) {
             t.addButton(9, "&Refresh");
             t.addLabel(0, "VID:");
             t.addEdit(1).setReadOnly();
             t.addEdit(2).setEnabled(false);
             auto& g = t.addGroup(0, "Name");
             g.addEdit(3);
             t.addEdit(4);
         },
         3},
        {[](TestForm& t) {
             t.addList(5, "", {{"VID", 40}});
             t.addButton(6, "&Add");
         },
         5},
        {[](TestForm& t) {
             t.addEdit(7);
             t.addEdit(8);
             t.init = [&t] { t.setFocus(t.get<EditBox>(8)); };  // the form's own choice stands
         },
         8},
        {[](TestForm& t) { t.addButton(kIdOk, "OK"); }, 0},
    };
    for (const auto& c : cases) {
        TestForm f(c.build);
        dialogtest::DialogDriver d(env, f);
        EXPECT_EQ(d.focused() ? d.focused()->id() : 0, c.focused);
    }
}

TEST(PortGridKeys, ArrowsMoveTheFocusedCellPastDisabledOnesAndSpaceSetsIt) {
    dialogtest::DialogEnvironment env;
    std::vector<std::string> changes;
    TestForm f([&](TestForm& t) {
        t.addPortGrid(1, "", PortGrid::CellKind::Radio, 6, {"Tag", "Untag", "None"}, 3)
            .onCellChange([&](int l, int p) { changes.push_back(std::to_string(l) + "/" + std::to_string(p)); });
        t.addPortGrid(2, "", PortGrid::CellKind::Check, 4, {""});
    });
    dialogtest::DialogDriver d(env, f);
    auto& grid = f.get<PortGrid>(1);
    grid.setPortEnabled(2, false);
    using K = PortGrid::Key;
    const struct {
        K key;
        int layer, port;
    } steps[] = {
        {K::Right, 0, 3},  // over the disabled port 2
        {K::Right, 0, 4},  // on to the next block
        {K::Left, 0, 3},   {K::Down, 1, 3}, {K::Down, 2, 3},
        {K::Down, 0, 6},   // on to the block below, first layer
        {K::Up, 2, 3},     // and back to the block above, last layer
        {K::End, 2, 6},    {K::Right, 2, 6},  // the last port: stays
        {K::Home, 2, 1},   {K::Left, 2, 1},   {K::Space, 2, 1},
    };
    for (const auto& s : steps) {
        EXPECT_TRUE(grid.userKey(s.key));
        EXPECT_EQ(std::make_pair(grid.focusLayer(), grid.focusPort()), std::make_pair(s.layer, s.port));
    }
    EXPECT_EQ(grid.selectedLayer(1), 2);
    EXPECT_EQ(changes, (std::vector<std::string>{"2/1"}));

    auto& checks = f.get<PortGrid>(2);
    EXPECT_EQ(checks.focusPort(), 1);
    checks.userKey(K::Space);
    checks.userKey(K::Right);
    checks.userKey(K::Space);
    checks.userKey(K::Left);
    checks.userKey(K::Space);
    EXPECT_FALSE(checks.checked(0, 1));
    EXPECT_TRUE(checks.checked(0, 2));
    checks.setEnabled(false);
    EXPECT_FALSE(checks.userKey(K::Space));
    EXPECT_TRUE(checks.checked(0, 2));
}

}  // namespace
