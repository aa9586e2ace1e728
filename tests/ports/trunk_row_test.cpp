// The row rule of the trunk map: instance suffix to trunk number, member PortList to ports.
#include <gtest/gtest.h>

#include "features/common/trunk_map.h"

using namespace features;

TEST(TrunkRow, SuffixGivesTheTrunkNumber) {
    EXPECT_EQ(TrunkNumberFromSuffix(".3"), 3);
    EXPECT_EQ(TrunkNumberFromSuffix("8"), 8);
    EXPECT_EQ(TrunkNumberFromSuffix(".65535"), 65535);
    // Not a trunk: nothing, zero, several arcs, signs, letters, numbers too large for a trunk.
    for (const char* bad : {"", ".", ".0", ".3.1", "..3", ".-1", ".+2", ".a", ".3a", ". 3", ".65536",
                            ".99999999999999999999999"})
        EXPECT_EQ(TrunkNumberFromSuffix(bad), 0) << '"' << bad << '"';
}

TEST(TrunkRow, ListedPortsGetTheTrunk) {
    std::vector<int> map(10, 0);
    EXPECT_EQ(ApplyTrunkRow(map, ".1", Octets{0x30, 0x00, 0x00, 0x00}), 2);  // ports 3 and 4
    EXPECT_EQ(map, (std::vector<int>{0, 0, 1, 1, 0, 0, 0, 0, 0, 0}));
    // A second row adds to the map and leaves the other ports alone.
    EXPECT_EQ(ApplyTrunkRow(map, ".2", Octets{0x00, 0xC0, 0x00, 0x00}), 2);  // ports 9 and 10
    EXPECT_EQ(map, (std::vector<int>{0, 0, 1, 1, 0, 0, 0, 0, 2, 2}));
    // An empty member list names no port: the row changes nothing.
    EXPECT_EQ(ApplyTrunkRow(map, ".1", Octets{0, 0, 0, 0}), 0);
    EXPECT_EQ(map[2], 1);
}

TEST(TrunkRow, BadRepliesCannotReachOutsideTheMap) {
    std::vector<int> map(10, 0);
    // Short list: one octet only covers ports 1..8, the rest count as zero.
    EXPECT_EQ(ApplyTrunkRow(map, ".4", Octets{0x80}), 1);
    EXPECT_EQ(map[0], 4);
    // Ports beyond the port count (11..16 in octet 1, anything in later octets) are ignored.
    EXPECT_EQ(ApplyTrunkRow(map, ".5", Octets{0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 2);
    EXPECT_EQ(map, (std::vector<int>{4, 0, 0, 0, 0, 0, 0, 0, 5, 5}));
    // A suffix that is no trunk number stores nothing, even with members.
    for (const char* bad : {".0", ".99999999999", ".x", ".1.2", ""})
        EXPECT_EQ(ApplyTrunkRow(map, bad, Octets{0xFF, 0xFF, 0xFF, 0xFF}), 0) << bad;
    EXPECT_EQ(map, (std::vector<int>{4, 0, 0, 0, 0, 0, 0, 0, 5, 5}));
    // No octets at all, a null buffer, an empty map.
    EXPECT_EQ(ApplyTrunkRow(map, ".1", Octets{}), 0);
    EXPECT_EQ(ApplyTrunkRow(map, ".1", nullptr, 4), 0);
    std::vector<int> none;
    EXPECT_EQ(ApplyTrunkRow(none, ".1", Octets{0xFF}), 0);
    EXPECT_TRUE(none.empty());
}
