#include <gtest/gtest.h>

#include "snmp/encodings.h"

namespace {

TEST(PortListDecode, NumbersAndRanges) {
    const Octets octets{0xC0, 0x01};
    auto numbers = PortListToNumbers(octets, 28);
    EXPECT_EQ(numbers.text, "1,2,16");
    EXPECT_EQ(numbers.count, 3);
    auto ranges = PortListToRanges(octets, 1, 28);
    EXPECT_EQ(ranges.text, "1-2,16");
    EXPECT_EQ(ranges.count, 3);

    ranges = PortListToRanges(Octets{0xE5, 0x80}, 1, 28);  // 1,2,3,6,8,9
    EXPECT_EQ(ranges.text, "1-3,6,8-9");
    EXPECT_EQ(PortListToRanges(Octets{0xE5, 0x80}, 2, 8).text, "2-3,6,8");
    EXPECT_EQ(PortListToRanges(Octets{0xE5, 0x80}, 2, 8).count, 4);
    EXPECT_EQ(PortListToRanges(Octets{0xFF}, 5, 4).count, 0);
    EXPECT_EQ(PortListToNumbers(Octets{}, 28).text, "");
    EXPECT_EQ(PortListToNumbers(Octets{0, 0, 0, 0}, 28).count, 0);
}

TEST(PortListDecode, ExaminesOnlyTheOctetsOfThePortCount) {
    const Octets octets{0x80, 0x00, 0x01, 0xFF};
    // 10 ports: two octets, so ports 24 and 25-32 are not seen.
    EXPECT_EQ(PortListToNumbers(octets, 10).text, "1");
    EXPECT_EQ(PortListToNumbers(octets, 24).text, "1,24");
    // The range form looks at every octet it is given.
    EXPECT_EQ(PortListToRanges(octets, 1, 1000).text, "1,24-32");
}

TEST(PortListDecode, ShortOctetStringsCountAsZero) {
    // A switch may send fewer octets than the port count needs.
    const Octets one{0x81};
    EXPECT_EQ(PortListToNumbers(one, 52).text, "1,8");
    EXPECT_EQ(PortListToNumbers(nullptr, 0, 52).count, 0);
    auto flags = PortListToFlags(one, 52);
    ASSERT_EQ(flags.size(), 52u);
    EXPECT_EQ(flags[0], 1);
    EXPECT_EQ(flags[7], 1);
    EXPECT_EQ(std::count(flags.begin(), flags.end(), 1), 2);
    EXPECT_TRUE(PortListToFlags(one, -5).empty());
}

TEST(HexText, OctetsAndPorts) {
    EXPECT_EQ(OctetsToHex(Octets{0x80, 0x4A, 0x00, 0xff}), "804A00FF");
    auto ports = HexToPortNumbers("80 4z1");  // blank and 'z' skipped without advancing
    EXPECT_EQ(ports.text, "1,10,16");
    EXPECT_EQ(ports.count, 3);
    EXPECT_EQ(HexToPortNumbers("f").text, "1,2,3,4");
    EXPECT_EQ(HexToPortNumbers("").count, 0);
    EXPECT_EQ(HexToOctets("80400"), (Octets{0x80, 0x40, 0x00}));
    EXPECT_EQ(HexToOctets("aBc"), (Octets{0xAB, 0xC0}));
    EXPECT_EQ(HexToOctets("1GG1"), (Octets{0x01, 0x00}));
}

TEST(PortFlagsEncode, PaddingFollowsThePortCount) {
    std::vector<int> flags(10, 0);
    flags[0] = flags[9] = 1;
    EXPECT_EQ(PortFlagsToHex(flags, 10), "80400000");
    EXPECT_EQ(PortFlagsToPortList(flags, 10), (Octets{0x80, 0x40, 0x00, 0x00}));

    const struct {
        int ports;
        std::size_t octets;
    } sizes[] = {{10, 4}, {16, 4}, {24, 4}, {28, 4}, {48, 8}, {52, 8}, {8, 1}, {12, 2}, {100, 13}, {0, 0}};
    for (auto [ports, octets] : sizes) {
        SCOPED_TRACE(ports);
        std::vector<int> all(static_cast<std::size_t>(ports), 2);  // any non-zero value selects
        auto encoded = PortFlagsToPortList(all, ports);
        EXPECT_EQ(encoded.size(), octets);
        EXPECT_EQ(PortListToNumbers(encoded, ports).count, ports);
    }
    // 28 ports: seven digits and one padding digit; ports beyond the flags count as zero.
    EXPECT_EQ(PortFlagsToHex(std::vector<int>{1, 0, 0, 1}, 28), "90000000");
    EXPECT_EQ(PortFlagsToHex(std::vector<int>(40, 1), 6), "FC");
}

TEST(PortFlagsEncode, NumbersToFlagsAndBack) {
    std::vector<int> flags;
    PortNumbersToFlags("1,5,28,29,0,-3,x,7", 28, flags, 3);
    ASSERT_EQ(flags.size(), 28u);
    EXPECT_EQ(flags[0], 3);
    EXPECT_EQ(flags[4], 3);
    EXPECT_EQ(flags[6], 3);
    EXPECT_EQ(flags[27], 3);
    EXPECT_EQ(std::count(flags.begin(), flags.end(), 0), 24);
    EXPECT_EQ(PortFlagsToNumbers(flags).text, "1,5,7,28");
    EXPECT_EQ(PortNumbersToFlags("99999999999999999999,2", 4), (std::vector<int>{0, 1, 0, 0}));
}

TEST(RecordText, BuildAndParse) {
    std::string text;
    AppendRecord(text, "1", "1,2,5");
    AppendRecord(text, "20", "");
    AppendRecord(text, "3", "7:8");
    EXPECT_EQ(text, "1:1,2,5%0A0A20:%0A0A3:7:8%0A0A");
    auto records = ParseRecords(text + "4:9");  // no separator after the last text: not an entry
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].key, "1");
    EXPECT_EQ(records[0].ports, "1,2,5");
    EXPECT_EQ(records[1].key, "20");
    EXPECT_EQ(records[1].ports, "");
    EXPECT_EQ(records[2].ports, "7:8");
    records = ParseRecords("nokey%0A0A%0A0A");
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].key, "nokey");
    EXPECT_EQ(records[1].key, "");
    EXPECT_TRUE(ParseRecords("%0A0").empty());
}

TEST(MacDisplay, UpperCaseWithSeparator) {
    EXPECT_EQ(FormatMac(Octets{0x00, 0x1a, 0x2B, 0xcc, 0xdd, 0xee, 0x99}), "00:1A:2B:CC:DD:EE");
    EXPECT_EQ(FormatMac(Octets{0x01, 0x02}, '-'), "01-02-00-00-00-00");
    EXPECT_EQ(FormatMac(nullptr, 6), "00:00:00:00:00:00");
}

TEST(Instances, ObjectOfARowAndTheNumberOfAnInstance) {
    EXPECT_EQ(InstanceOid("1.3.6.1.4.1.171.10.76.12.7.7.1.1", 12), "1.3.6.1.4.1.171.10.76.12.7.7.1.1.12");
    EXPECT_EQ(InstanceNumber("12", 52), 12);
    EXPECT_EQ(InstanceNumber(".12", 52), 12);
    EXPECT_EQ(InstanceNumber("007", 52), 7);
    EXPECT_EQ(InstanceNumber("52", 52), 52);
    EXPECT_EQ(InstanceNumber("53", 52), 0);  // above the limit
    EXPECT_EQ(InstanceNumber("0", 52), 0);
    EXPECT_EQ(InstanceNumber("", 52), 0);
    EXPECT_EQ(InstanceNumber(".", 52), 0);
    EXPECT_EQ(InstanceNumber("1.2", 52), 0);  // two arcs
    EXPECT_EQ(InstanceNumber("1a", 52), 0);
    EXPECT_EQ(InstanceNumber("-1", 52), 0);
    EXPECT_EQ(InstanceNumber("99999999999999999999999", 65535), 0);  // no overflow
}

TEST(Utf8Cut, BytesStopBeforeACharacterThatWouldNotFit) {
    std::string name = "ab";
    for (int i = 0; i < 42; ++i) name += "\xE2\x82\xAC";  // euro sign, three bytes: 128 bytes in all
    EXPECT_EQ(Utf8CutBytes(name, 127), name.substr(0, 125));
    EXPECT_EQ(Utf8CutBytes(name, 128), name);
    EXPECT_EQ(Utf8CutBytes(name, 2), "ab");
    EXPECT_EQ(Utf8CutBytes(name, 4), "ab");
    EXPECT_EQ(Utf8CutBytes(name, 5), "ab\xE2\x82\xAC");
    EXPECT_EQ(Utf8CutBytes("\xF0\x9F\x98\x80x", 3), "");  // a four-byte character does not fit
    EXPECT_EQ(Utf8CutBytes("plain", 3), "pla");
    EXPECT_EQ(Utf8CutBytes("", 0), "");
}

TEST(Utf8Cut, PrefixCountsCharactersNotBytes) {
    const std::string s = "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80z";  // a, a-umlaut, euro, emoji, z
    EXPECT_EQ(Utf8Prefix(s, 0), "");
    EXPECT_EQ(Utf8Prefix(s, 2), "a\xC3\xA4");
    EXPECT_EQ(Utf8Prefix(s, 4), "a\xC3\xA4\xE2\x82\xAC\xF0\x9F\x98\x80");
    EXPECT_EQ(Utf8Prefix(s, 5), s);
    EXPECT_EQ(Utf8Prefix(s, 50), s);
}

}  // namespace
