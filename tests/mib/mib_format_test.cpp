// Texts of the public MIB viewers for the values a switch (or a broken one) may send.
#include <gtest/gtest.h>

#include "features/mib/mib_format.h"
#include "snmp/snmp_lib.h"

using namespace mib;

namespace {
ReplyValue Octet(std::initializer_list<int> bytes) {
    ReplyValue v;
    v.present = true;
    v.type = SNMP_T_OCTETS;
    for (int b : bytes) v.bytes.push_back(static_cast<std::uint8_t>(b));
    for (auto b : v.bytes) {
        if (!b) break;
        v.text += static_cast<char>(b);
    }
    return v;
}
}  // namespace

TEST(MibFormat, UptimeInHoursAndMinutes) {
    EXPECT_EQ(FormatUptime("1234567"), "3 Hour 25 Min");
    EXPECT_EQ(FormatUptime("0"), "0 Hour 0 Min");
    EXPECT_EQ(FormatUptime("359999"), "0 Hour 59 Min");
    EXPECT_EQ(FormatUptime("360000"), "1 Hour 0 Min");
    // The largest TimeTicks value does not wrap.
    EXPECT_EQ(FormatUptime("4294967295"), "11930 Hour 27 Min");
    EXPECT_EQ(FormatUptime(""), "");
}

TEST(MibFormat, BridgeIdentifiersAndDesignatedPorts) {
    // A priority of 0 starts the identifier with a NUL octet; it must still show whole.
    EXPECT_EQ(FormatBridgeId(Octet({0x00, 0x00, 0x00, 0x1B, 0x21, 0x0A, 0x0B, 0xFC})), "00:00:00:1B:21:0A:0B:FC");
    EXPECT_EQ(FormatBridgeId(Octet({0x80, 0x00, 0x02, 0xc0, 0x4e, 0x3a, 0x10, 0x00})), "80:00:02:C0:4E:3A:10:00");
    // Not 8 octets: shown as it came.
    EXPECT_EQ(FormatBridgeId(Octet({'a', 'b', 'c'})), "abc");
    EXPECT_EQ(DesignatedPortText(Octet({0x80, 0x0a})), "80 0A");
    EXPECT_EQ(DesignatedPortText(Octet({0x00, 0x01})), "00 01");
    EXPECT_EQ(DesignatedPortText(Octet({'7'})), "7");
}

TEST(MibFormat, SpanningTreePortTexts) {
    const char* names[] = {"Disabled", "Blocked", "Monitored", "Learn", "Forward", "Token"};
    for (int s = 1; s <= 6; ++s) EXPECT_EQ(StpPortStateText(std::to_string(s)), names[s - 1]);
    EXPECT_EQ(StpPortStateText("7"), "7");
    EXPECT_EQ(StpPortStateText("0"), "0");
    EXPECT_EQ(StpEnableText("1"), "Y");
    EXPECT_EQ(StpEnableText("2"), "N");
    EXPECT_EQ(StpEnableText(""), "N");
}

TEST(MibFormat, InterfaceStatusAndSpeed) {
    EXPECT_EQ(IfStatusText("1"), "Connected");
    EXPECT_EQ(IfStatusText("2"), "UnConnected");
    EXPECT_EQ(IfStatusText("3"), "Test");
    EXPECT_EQ(IfStatusText("7"), "Unknown");
    EXPECT_EQ(IfStatusText(""), "Unknown");
    EXPECT_EQ(IfSpeedText("100000000"), "100M");
    EXPECT_EQ(IfSpeedText("10000000"), "10M");
    EXPECT_EQ(IfSpeedText("1000000000"), "1000M");
    EXPECT_EQ(IfSpeedText("0"), "0M");
    EXPECT_EQ(IfSpeedText("1500000"), "1M");
    // The gauge's top (ifSpeed of links faster than 4 Gbit/s) does not overflow a 32-bit int.
    EXPECT_EQ(IfSpeedText("4294967295"), "4294M");
    EXPECT_EQ(IfSpeedText(""), "");
}

TEST(MibFormat, ForwardingEntryMacFromIndex) {
    EXPECT_EQ(FdbMacFromSuffix(".12.0.27.33.10.11.12"), "00-1B-21-0A-0B-0C");
    EXPECT_EQ(FdbMacFromSuffix(".1.2.192.78.58.16.0"), "02-C0-4E-3A-10-00");
    EXPECT_EQ(FdbMacFromSuffix(".4094.255.255.255.255.255.255"), "FF-FF-FF-FF-FF-FF");
    // Malformed indexes from a broken agent show no MAC rather than garbage.
    EXPECT_EQ(FdbMacFromSuffix(".1.2.3.4.5.6"), "");          // one octet short
    EXPECT_EQ(FdbMacFromSuffix(".1.2.3.4.5.6.7.8"), "");      // one too many
    EXPECT_EQ(FdbMacFromSuffix(".1.2.3.4.5.6.256"), "");      // not an octet
    EXPECT_EQ(FdbMacFromSuffix(".1.2.3..5.6.7"), "");
    EXPECT_EQ(FdbMacFromSuffix(".1.2.3.x.5.6.7"), "");
    EXPECT_EQ(FdbMacFromSuffix(".1.2.3.4.5.6.99999999999999999999"), "");
    EXPECT_EQ(FdbMacFromSuffix(""), "");
}

TEST(MibFormat, ForwardingStatusAndTcpState) {
    EXPECT_EQ(FdbStatusText("1"), "Other");
    EXPECT_EQ(FdbStatusText("2"), "Invalid");
    EXPECT_EQ(FdbStatusText("3"), "Learn");
    EXPECT_EQ(FdbStatusText("4"), "Own");
    EXPECT_EQ(FdbStatusText("5"), "Static");
    EXPECT_EQ(FdbStatusText("9"), "9");
    EXPECT_EQ(FdbStatusText(""), "");

    const char* names[] = {"listen", "synSent", "synReceived", "established", "finWait1", "finWait2",
                           "closeWait", "lastAck", "closing", "timeWait", "deleteTCB"};
    for (int s = 2; s <= 12; ++s) EXPECT_EQ(TcpStateText(std::to_string(s)), names[s - 2]);
    EXPECT_EQ(TcpStateText("1"), "closed");
    EXPECT_EQ(TcpStateText("13"), "closed");
    EXPECT_EQ(TcpStateText(""), "closed");
}

TEST(MibFormat, Utf8CutsKeepWholeCharacters) {
    const std::string s = "Ost-Geb\xC3\xA4ude";  // "Ost-Gebäude": ä is two bytes
    EXPECT_EQ(Utf8CutBytes(s, 8), "Ost-Geb");      // the ä would not fit whole
    EXPECT_EQ(Utf8CutBytes(s, 9), "Ost-Geb\xC3\xA4");
    EXPECT_EQ(Utf8CutBytes(s, 100), s);
    EXPECT_EQ(Utf8Prefix(s, 8), "Ost-Geb\xC3\xA4");
    EXPECT_EQ(Utf8Prefix(s, 3), "Ost");
    EXPECT_EQ(Utf8Prefix(std::string(300, 'x'), 256).size(), 256u);
}

TEST(MibFormat, ReplyValuesSkipTheProxyMarker) {
    CSnmpV1 reply(0);
    reply.addValue("1.3.6.1.2.1.1.5.0", SNMP_T_OCTETS, "core");
    reply.addValue("1.3.6.1.4.1.171.7777.1.0", SNMP_T_IPADDRESS, "10.0.0.1");
    reply.addValue("1.3.6.1.2.1.1.6.0", SNMP_T_OCTETS, "lab");
    auto& b = reply.mutableBindings();
    b.push_back({"1.3.6.1.2.1.1.4.0", SNMP_T_NONE, {}});
    const auto v = ReadReplyRow(reply).values;
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].text, "core");
    EXPECT_EQ(v[1].text, "lab");
    EXPECT_TRUE(v[1].present);
    EXPECT_FALSE(v[2].present);
}
