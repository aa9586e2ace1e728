// Compact list rows: every text comes back as it went in (empty ones, long ones, ones longer
// than a storage block, bytes of any value), through replacement, removal and the repacking
// that follows many of them; and a row of a few short texts stays small.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/row_store.h"

using platform::RowStore;
using Row = std::vector<std::string>;

namespace {

std::vector<Row> Contents(const RowStore& store) {
    std::vector<Row> out;
    for (int r = 0; r < store.size(); ++r) out.push_back(store.cells(r));
    return out;
}

TEST(RowStore, TextsComeBackIntactWhateverTheirLength) {
    const std::string allBytes = [] {
        std::string s;
        for (int b = 0; b < 256; ++b) s += static_cast<char>(b);
        return s;
    }();
    const std::vector<Row> rows = {
        {},                                                   // no cells at all
        {""},                                                 // one empty cell
        {"", "", ""},                                         // only empty cells
        {"00-1B-21-0A-0B-0C", "Learn", "5"},                  // a forwarding entry
        {std::string(127, 'a'), std::string(128, 'b')},       // either side of a one-octet length
        {std::string(16383, 'c'), std::string(16384, 'd')},   // either side of a two-octet length
        {std::string(RowStore::kBlockBytes + 10, 'e'), "f"},  // larger than a block
        {allBytes, std::string("nul\0inside", 10)},
        {"Ünïcödé", "末尾"},
    };
    RowStore store;
    for (const Row& r : rows) store.append(r);
    ASSERT_EQ(store.size(), static_cast<int>(rows.size()));
    EXPECT_EQ(Contents(store), rows);
    EXPECT_EQ(store.cellCount(0), 0);
    EXPECT_EQ(store.cellCount(2), 3);
    EXPECT_EQ(store.cell(3, 1), "Learn");
    EXPECT_EQ(store.cell(3, 3), "");   // beyond the row's cells
    EXPECT_EQ(store.cell(3, -1), "");
    EXPECT_EQ(store.cell(7, 1).size(), 10u);
    EXPECT_THROW(store.cells(static_cast<int>(rows.size())), std::out_of_range);
    EXPECT_THROW(store.erase(-1), std::out_of_range);
}

// Replacements and removals in random order against a plain vector of rows; enough of them that
// the store repacks its blocks several times.
TEST(RowStore, ReplacingAndRemovingKeepsEveryOtherRow) {
    std::mt19937 random(7);
    auto text = [&] {
        const int len = std::uniform_int_distribution<int>(0, 300)(random);
        return std::string(static_cast<size_t>(len), static_cast<char>('a' + random() % 26));
    };
    RowStore store;
    std::vector<Row> expected;
    for (int i = 0; i < 20000; ++i) {
        Row r = {std::to_string(i), text()};
        store.append(r);
        expected.push_back(r);
    }
    for (int step = 0; step < 60000; ++step) {
        const int r = static_cast<int>(random() % expected.size());
        if (step % 3 == 0 && expected.size() > 1000) {
            store.erase(r);
            expected.erase(expected.begin() + r);
        } else {
            Row row = {std::to_string(step), text(), text()};
            store.assign(r, row);
            expected[static_cast<size_t>(r)] = row;
        }
    }
    EXPECT_EQ(Contents(store), expected);
    // Repacked: the blocks hold the live rows, not every text ever written.
    std::size_t live = 0;
    for (const Row& row : expected)
        for (const auto& c : row) live += c.size() + 2;
    EXPECT_LT(store.bytesHeld(), 2 * live + 8 * RowStore::kBlockBytes);
    store.clear();
    EXPECT_EQ(store.size(), 0);
    EXPECT_EQ(store.bytesHeld(), 0u);
    store.append({"again"});
    EXPECT_EQ(store.cells(0), Row{"again"});
}

// A forwarding table's row (a MAC address, a status word and a port) costs well under 100
// octets, and the list's own calls read and change it as before.
TEST(RowStore, AReportListRowOfShortTextsIsSmall) {
    RowStore store;
    const int rows = 100000;
    for (int i = 0; i < rows; ++i) store.append({"00-1B-21-0A-0B-0C", "Learn", std::to_string(i % 52 + 1)});
    EXPECT_LT(store.bytesHeld() / rows, 64u);
    EXPECT_EQ(store.cells(rows - 1), (Row{"00-1B-21-0A-0B-0C", "Learn", std::to_string((rows - 1) % 52 + 1)}));
}

}  // namespace
