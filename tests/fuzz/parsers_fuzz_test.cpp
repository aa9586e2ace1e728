// Deterministic random inputs for every parser of user, device and host input: none may crash
// or read out of bounds, and the encodings must round-trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "app/ini_file.h"
#include "app/session_settings.h"
#include "platform/headless_ui.h"
#include "snmp/encodings.h"
#include "snmp/validation.h"

namespace {

constexpr int kRounds = 20000;

class Fuzz : public ::testing::Test {
protected:
    void SetUp() override { platform::setUi(&ui_); }
    void TearDown() override { platform::setUi(nullptr); }

    int number(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    std::string text(const std::string& alphabet, int maxLength) {
        std::string s(static_cast<std::size_t>(number(0, maxLength)), ' ');
        for (char& c : s) c = alphabet[static_cast<std::size_t>(number(0, static_cast<int>(alphabet.size()) - 1))];
        return s;
    }
    std::string bytes(int maxLength) {
        std::string s(static_cast<std::size_t>(number(0, maxLength)), ' ');
        for (char& c : s) c = static_cast<char>(number(0, 255));
        return s;
    }
    Octets octets(int maxLength) {
        Octets o(static_cast<std::size_t>(number(0, maxLength)));
        for (auto& b : o) b = static_cast<std::uint8_t>(number(0, 1) ? number(0, 255) : 0);
        return o;
    }
    int portCount() {
        static const int usual[] = {10, 16, 24, 28, 48, 52};
        return number(0, 1) ? usual[number(0, 5)] : number(-20, 120);
    }
    // The numbers of a "1,3-5" text.
    static std::vector<int> Expand(const std::string& ranges) {
        std::vector<int> out;
        std::size_t pos = 0;
        while (pos < ranges.size()) {
            std::size_t comma = ranges.find(',', pos);
            if (comma == std::string::npos) comma = ranges.size();
            std::string item = ranges.substr(pos, comma - pos);
            std::size_t dash = item.find('-');
            int a = std::stoi(item.substr(0, dash));
            int b = dash == std::string::npos ? a : std::stoi(item.substr(dash + 1));
            for (int p = a; p <= b; ++p) out.push_back(p);
            pos = comma + 1;
        }
        return out;
    }
    static std::vector<int> Numbers(const std::string& list) { return Expand(list); }

    std::mt19937_64 rng_{0xC0FFEE};
    platform::HeadlessUi ui_;
};

TEST_F(Fuzz, PortListRoundTrips) {
    for (int round = 0; round < kRounds; ++round) {
        const int ports = portCount();
        const int valid = std::max(ports, 0);
        std::vector<int> flags(static_cast<std::size_t>(number(0, valid + 10)));
        for (int& f : flags) f = number(0, 3) == 0 ? number(1, 9) : 0;

        // flags -> octets -> list -> flags keeps exactly the selected ports within the count.
        const Octets encoded = PortFlagsToPortList(flags, ports);
        ASSERT_GE(encoded.size() * 8, static_cast<std::size_t>(valid));
        const PortText list = PortListToNumbers(encoded, ports);
        const std::vector<int> back = PortNumbersToFlags(list.text, ports);
        ASSERT_EQ(back.size(), static_cast<std::size_t>(valid));
        int selected = 0;
        for (int i = 0; i < valid; ++i) {
            const bool want = static_cast<std::size_t>(i) < flags.size() && flags[static_cast<std::size_t>(i)] != 0;
            ASSERT_EQ(back[static_cast<std::size_t>(i)], want ? 1 : 0) << "ports " << ports << " port " << i + 1;
            selected += want;
        }
        ASSERT_EQ(list.count, selected);
        ASSERT_EQ(PortListToFlags(encoded, ports), back);

        // The range form names the same ports; the typed-list check accepts it and agrees.
        const PortText ranges = PortListToRanges(encoded, 1, valid);
        ASSERT_EQ(ranges.count, list.count);
        ASSERT_EQ(Expand(ranges.text), Numbers(list.text));
        std::vector<int> typed(static_cast<std::size_t>(valid), 0);
        ASSERT_TRUE(CheckPortListInput(ranges.text, ports, &typed));
        ASSERT_EQ(typed, back);

        // Hex text of the octets covers the same ports, and converts back to the same octets.
        const std::string hex = OctetsToHex(encoded);
        ASSERT_EQ(HexToOctets(hex), encoded);
        ASSERT_EQ(HexToPortNumbers(hex).text, PortListToNumbers(encoded, static_cast<int>(encoded.size() * 8)).text);
    }
    EXPECT_TRUE(ui_.messages().empty());
}

TEST_F(Fuzz, DeviceOctetsOfAnyLength) {
    for (int round = 0; round < kRounds; ++round) {
        const Octets o = octets(20);
        const int ports = number(-10, 200);
        const PortText list = PortListToNumbers(o, ports);
        const std::vector<int> numbers = list.text.empty() ? std::vector<int>{} : Numbers(list.text);
        ASSERT_EQ(static_cast<int>(numbers.size()), list.count);
        ASSERT_TRUE(std::is_sorted(numbers.begin(), numbers.end()));
        const int limit = std::min<int>((std::max(ports, 0) + 7) / 8, static_cast<int>(o.size())) * 8;
        for (int n : numbers) ASSERT_TRUE(n >= 1 && n <= limit);

        const int low = number(-5, 100), high = number(-5, 200);
        const PortText ranges = PortListToRanges(o, low, high);
        const std::vector<int> inRange = ranges.text.empty() ? std::vector<int>{} : Expand(ranges.text);
        ASSERT_EQ(static_cast<int>(inRange.size()), ranges.count);
        for (int n : inRange) ASSERT_TRUE(n >= low && n <= high && n >= 1);

        const std::string noise = text("0123456789abcdefABCDEFxyz -,", 40);
        (void)HexToPortNumbers(noise);
        const Octets fromNoise = HexToOctets(noise);
        ASSERT_EQ(fromNoise.size(), (noise.size() + 1) / 2);
        (void)FormatMac(o, '-');
    }
}

TEST_F(Fuzz, TypedPortListsNeverMarkOutsideTheCount) {
    for (int round = 0; round < kRounds; ++round) {
        const int ports = portCount();
        const std::string input = number(0, 3) ? text("0123456789-, ", 30) : bytes(30);
        std::vector<int> flags(static_cast<std::size_t>(number(0, 5)), 0);
        const bool ok = CheckPortListInput(input, ports, &flags);
        if (ok) {
            ASSERT_GE(flags.size(), static_cast<std::size_t>(std::max(ports, 0)));
        }
        for (std::size_t i = static_cast<std::size_t>(std::max(ports, 0)); i < flags.size(); ++i)
            ASSERT_EQ(flags[i], 0);
        ASSERT_EQ(ui_.messages().size(), ok ? 0u : 1u) << input;
        ui_.clearMessages();
        std::vector<int> listed = PortNumbersToFlags(input, ports);
        ASSERT_EQ(listed.size(), static_cast<std::size_t>(std::max(ports, 0)));
        (void)IsValidName(input);
        (void)TextToInt64(input);
    }
}

TEST_F(Fuzz, MacAndIpInput) {
    for (int round = 0; round < kRounds; ++round) {
        std::string mac = number(0, 1) ? text("0123456789abcdefABCDEF-", 19) : bytes(19);
        if (number(0, 1)) {  // mostly well-formed texts, to reach the later checks
            mac = text("0123456789abcdefABCDEF", 12);
            mac.resize(12, '0');
            for (std::size_t i = 2; i < mac.size(); i += 3) mac.insert(i, "-");
        }
        std::array<std::uint8_t, 6> out{};
        const bool allowMulticast = number(0, 1);
        const bool ok = CheckMacInput(mac, allowMulticast, &out);
        ASSERT_EQ(ui_.messages().size(), ok ? 0u : 1u);
        ui_.clearMessages();
        if (ok) {
            std::string upper = mac;
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            ASSERT_EQ(FormatMac(out.data(), out.size(), '-'), upper);
            ASSERT_TRUE(allowMulticast || (out[0] & 1) == 0);
        }

        IpFields ip{number(-2, 257), number(-2, 257), number(-2, 257), number(-2, 257)};
        if (number(0, 1))
            for (int& f : ip) f = number(0, 255);
        const bool ipOk = CheckIpInput(ip);
        ASSERT_EQ(ui_.messages().size(), ipOk ? 0u : 1u);
        ui_.clearMessages();
        if (ipOk) {
            ASSERT_EQ(IpFieldsFromText(FormatIp(ip)), ip);
        }
        const IpFields parsed = IpFieldsFromText(number(0, 1) ? text("0123456789. x", 20) : bytes(20));
        for (int f : parsed) ASSERT_TRUE(f >= -1 && f <= 255);
    }
}

TEST_F(Fuzz, CommandLinesAndProfiles) {
    const std::string alphabet = "/II/ ab1.TRUEtrue3";
    for (int round = 0; round < kRounds; ++round) {
        const std::string line = number(0, 3) ? text(alphabet, 400) : bytes(400);
        SessionSettings s;
        (void)ParseCommandLine(line, s);
        ASSERT_LE(s.DeviceAddress.size(), 15u);
        ASSERT_LE(s.ReadCommunity.size(), 51u);
        ASSERT_LE(s.WriteCommunity.size(), 51u);
        ASSERT_LE(s.SnmpVersion.size(), 7u);
        ASSERT_LE(s.UserName.size(), 31u);
        ASSERT_LE(s.PrivPassword.size(), 39u);
        ASSERT_LE(s.PrivProtocol.size(), 7u);
        ASSERT_EQ(s.DeviceAddress.find_first_of(" /"), std::string::npos);
        ASSERT_EQ(s.TimeoutMs, "3000");

        const std::string ini = number(0, 1) ? text("[]=;\r\n\" DeviceInfoName", 300) : bytes(300);
        const IniFile file = IniFile::fromText(ini);
        ASSERT_LE(file.readString("DeviceInfo", "DeviceName").size(), IniFile::kMaxValueLength);
        (void)file.readInt("DeviceInfo", "DevicePortNum", 28);
        ASSERT_GE(SanitizePortCount(IniFile::parseInt(bytes(12))), 1);

        std::string records;
        std::vector<PortRecord> written;
        for (int i = number(0, 4); i > 0; --i) {
            PortRecord r{text("0123456789ab", 4), text("0123456789,:", 10)};
            written.push_back(r);
            AppendRecord(records, r.key, r.ports);
        }
        const auto read = ParseRecords(records);
        ASSERT_EQ(read.size(), written.size());
        for (std::size_t i = 0; i < read.size(); ++i) {
            ASSERT_EQ(read[i].key, written[i].key);
            ASSERT_EQ(read[i].ports, written[i].ports);
        }
        (void)ParseRecords(bytes(60) + "%0A0A" + bytes(10));
    }
}

}  // namespace
