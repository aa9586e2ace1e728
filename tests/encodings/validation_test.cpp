#include <gtest/gtest.h>

#include "platform/headless_ui.h"
#include "snmp/validation.h"

namespace {

class Validation : public ::testing::Test {
protected:
    void SetUp() override { platform::setUi(&ui_); }
    void TearDown() override { platform::setUi(nullptr); }
    // The texts of the messages shown since the last call.
    std::vector<std::string> shown() {
        std::vector<std::string> texts;
        for (const auto& m : ui_.messages()) texts.push_back(m.text);
        ui_.clearMessages();
        return texts;
    }
    using Texts = std::vector<std::string>;
    platform::HeadlessUi ui_;
};

TEST_F(Validation, NameCharacters) {
    EXPECT_TRUE(IsValidName("VLAN 10 (voice)_a-b+c=d"));
    EXPECT_TRUE(IsValidName(""));
    const std::string forbidden = "~`!@#$%^&*{}[]|\\:;\"'<>,.?/";
    ASSERT_EQ(forbidden.size(), 26u);
    for (char c : forbidden) EXPECT_FALSE(IsValidName(std::string("ab") + c)) << c;
    EXPECT_TRUE(shown().empty());
}

TEST_F(Validation, PortListSelectsPortsInRange) {
    std::vector<int> flags(28, 0);
    EXPECT_TRUE(CheckPortListInput("1,3-5, 8 ,28,", 28, &flags));
    EXPECT_EQ(flags, (std::vector<int>{1, 0, 1, 1, 1, 0, 0, 1, 0, 0, 0, 0, 0, 0,
                                       0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}));
    std::vector<int> none(28, 0);
    EXPECT_TRUE(CheckPortListInput("3-1", 28, &none));
    EXPECT_TRUE(CheckPortListInput("", 28, &none));
    EXPECT_EQ(std::count(none.begin(), none.end(), 1), 0);
    std::vector<int> grown;
    EXPECT_TRUE(CheckPortListInput("10", 10, &grown));
    EXPECT_EQ(grown.size(), 10u);
    EXPECT_TRUE(shown().empty());
    EXPECT_FALSE(CheckPortListInput("1", 28, nullptr));
    EXPECT_TRUE(shown().empty());
}

TEST_F(Validation, PortListRefusals) {
    for (const char* text : {"0", "29", "1,a", "1.5", "1;2", "3-", "-3", "1-2-3", "2-99999999999999", "1 2", "+1"}) {
        SCOPED_TRACE(text);
        std::vector<int> flags(28, 0);
        EXPECT_FALSE(CheckPortListInput(text, 28, &flags));
        EXPECT_EQ(shown(), Texts{"Invalid Portlist"});
    }
    // The character rule alone: letters and forbidden characters except ","; numbers, blanks,
    // "-" and "+" are left to the parser.
    for (const char* text : {"1,a", "1.5", "1;2", "X", "1/2"}) EXPECT_FALSE(IsPortListText(text)) << text;
    for (const char* text : {"", "0", "1,3-5", "2-99999999999999", "1 2", "+1", "-3"})
        EXPECT_TRUE(IsPortListText(text)) << text;
    // Ports marked before the failing item stay marked.
    std::vector<int> flags(28, 0);
    EXPECT_FALSE(CheckPortListInput("2,27-30", 28, &flags));
    EXPECT_EQ(flags[1], 1);
    EXPECT_EQ(flags[26], 1);
    EXPECT_EQ(flags[27], 1);
    EXPECT_EQ(shown(), Texts{"Invalid Portlist"});
}

TEST_F(Validation, MacChecksInOrder) {
    std::array<std::uint8_t, 6> mac{};
    EXPECT_TRUE(CheckMacInput("00-1a-2B-3c-4D-5e", false, &mac));
    EXPECT_EQ(mac, (std::array<std::uint8_t, 6>{0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E}));
    EXPECT_TRUE(shown().empty());

    const std::string format = "Please enter correct MAC format(ex:00-00-00-00-00-01)";
    for (const char* text : {"", "00-11-22-33-44-5", "00-11-22-33-44-555", "00:11:22:33:44:55", "001-12-23-34-45-5",
                             "00-00-00-00-00-00", "0--000-00-00-00-00", "00-11-22-33-44-GG", "00-11-22-33-44- 5"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(CheckMacInput(text, true));
        EXPECT_EQ(shown(), Texts{format});
    }
    EXPECT_FALSE(CheckMacInput("FF-ff-FF-ff-FF-ff", true));
    EXPECT_EQ(shown(), Texts{"Broadcast MAC is not allowed."});
    EXPECT_FALSE(CheckMacInput("FF-FF-FF-FF-FF-FF", false));  // broadcast is checked before multicast
    EXPECT_EQ(shown(), Texts{"Broadcast MAC is not allowed."});

    EXPECT_FALSE(CheckMacInput("01-00-5E-00-00-01", false));
    EXPECT_EQ(shown(), Texts{"Multicast MAC is not allowed."});
    EXPECT_FALSE(CheckMacInput("03-00-00-00-00-00", false, nullptr, "Multicast MAC address is not allowed."));
    EXPECT_EQ(shown(), Texts{"Multicast MAC address is not allowed."});
    EXPECT_TRUE(CheckMacInput("01-00-5E-00-00-01", true));
    EXPECT_TRUE(CheckMacInput("02-00-00-00-00-00", false));
    EXPECT_TRUE(shown().empty());
}

TEST_F(Validation, MacRulesCarryEachFormsOwnMessages) {
    // Every rule with a text of its own, as a form that words them differently passes them.
    const MacInputRules own{"format?", "broadcast?", "multicast?"};
    const struct {
        const char* text;
        const char* shown;  // nullptr: accepted
    } cases[] = {
        {"00:11:22:33:44:55", "format?"},   {"00-00-00-00-00-00", "format?"},
        {"00-11-22-33-44-5G", "format?"},   {"0011223344556677X", "format?"},
        {"ff-FF-ff-FF-ff-FF", "broadcast?"}, {"01-00-5E-00-00-01", "multicast?"},
        {"F1-7D-68-00-00-00", "multicast?"}, {"F0-7D-68-00-00-01", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::array<std::uint8_t, 6> mac{};
        EXPECT_EQ(CheckMacInput(c.text, own, &mac), c.shown == nullptr);
        EXPECT_EQ(shown(), c.shown ? Texts{c.shown} : Texts{});
        if (!c.shown) {
            EXPECT_EQ(mac, (std::array<std::uint8_t, 6>{0xF0, 0x7D, 0x68, 0x00, 0x00, 0x01}));
        }
    }
    // Only the multicast text replaced: the others stay the shared ones; null texts fall back.
    EXPECT_FALSE(CheckMacInput("03-00-00-00-00-00", MacInputRules{.multicastMessage = "Multicast MAC address is not allowed."}));
    EXPECT_FALSE(CheckMacInput("FF-FF-FF-FF-FF-FF", MacInputRules{.multicastMessage = "Multicast MAC address is not allowed."}));
    EXPECT_FALSE(CheckMacInput("03-00-00-00-00", MacInputRules{nullptr, nullptr, nullptr}));
    EXPECT_FALSE(CheckMacInput("03-00-00-00-00-00", MacInputRules{nullptr, nullptr, nullptr}));
    EXPECT_TRUE(CheckMacInput("03-00-00-00-00-00", MacInputRules{.allowMulticast = true}));
    EXPECT_EQ(shown(), (Texts{"Multicast MAC address is not allowed.", "Broadcast MAC is not allowed.",
                              "Please enter correct MAC format(ex:00-00-00-00-00-01)", "Multicast MAC is not allowed."}));
}

TEST_F(Validation, IpChecksInOrder) {
    EXPECT_TRUE(CheckIpInput({9, 1, 1, 1}));
    EXPECT_TRUE(CheckIpInput({192, 168, 0, 10}));
    EXPECT_TRUE(CheckIpInput({1, 0, 0, 1}));
    EXPECT_TRUE(CheckIpInput({223, 255, 254, 254}));
    EXPECT_TRUE(CheckIpInput({128, 1, 0, 1}));
    EXPECT_TRUE(shown().empty());

    const struct {
        IpFields ip;
        const char* message;
    } cases[] = {
        {{-1, 168, 0, 1}, "Please enter correct IP format(ex:192.168.0.10)"},
        {{192, 168, 0, -1}, "Please enter correct IP format(ex:192.168.0.10)"},
        {{192, 256, 0, 1}, "Please enter correct IP format(ex:192.168.0.10)"},
        {{0, 0, 0, 0}, "Invalid IP."},
        {{0, 1, 1, 1}, "Invalid  IP."},
        {{255, 1, 1, 0}, "Invalid  IP."},  // first octet before last
        {{10, 0, 0, 255}, "Invalid IP."},
        {{10, 0, 0, 0}, "Invalid IP."},
        {{224, 0, 0, 1}, "Multicast IP is not allowed"},
        {{127, 0, 0, 1}, "Multicast IP is not allowed"},
        {{128, 0, 255, 1}, "Multicast IP is not allowed"},
        {{191, 255, 0, 1}, "Multicast IP is not allowed"},
        {{192, 0, 0, 1}, "Multicast IP is not allowed"},
        {{223, 255, 255, 1}, "Multicast IP is not allowed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(FormatIp(c.ip));
        EXPECT_FALSE(CheckIpInput(c.ip));
        EXPECT_EQ(shown(), Texts{c.message});
    }
}

TEST_F(Validation, IpTextSplitsIntoFields) {
    EXPECT_EQ(IpFieldsFromText("192.168.0.10"), (IpFields{192, 168, 0, 10}));
    EXPECT_EQ(IpFieldsFromText(" 10. 1.x.256"), (IpFields{10, 1, -1, -1}));
    EXPECT_EQ(IpFieldsFromText("1..2.3"), (IpFields{1, -1, 2, 3}));
    EXPECT_EQ(IpFieldsFromText("1.2.3"), (IpFields{-1, -1, -1, -1}));
    EXPECT_EQ(IpFieldsFromText("1.2.3.4.5"), (IpFields{-1, -1, -1, -1}));
    EXPECT_EQ(IpFieldsFromText("0001.2.3.4"), (IpFields{-1, 2, 3, 4}));
    EXPECT_EQ(FormatIp({10, 0, 0, 1}), "10.0.0.1");
}

TEST_F(Validation, NumbersReadAsAtoiWithoutOverflow) {
    EXPECT_EQ(TextToInt(" 42abc"), 42);
    EXPECT_EQ(TextToInt("-7"), -7);
    EXPECT_EQ(TextToInt("abc"), 0);
    EXPECT_EQ(TextToInt("99999999999"), 2147483647);
    EXPECT_EQ(TextToInt("-99999999999"), -2147483647 - 1);
    EXPECT_EQ(TextToInt64("4294967295"), 4294967295LL);
    EXPECT_EQ(TextToInt64("9223372036854775807"), 9223372036854775807LL);
    EXPECT_EQ(TextToInt64("9223372036854775800"), 9223372036854775800LL);
    EXPECT_EQ(TextToInt64("99999999999999999999999"), 9223372036854775807LL);
    EXPECT_EQ(TextToInt64("-9223372036854775808"), -9223372036854775807LL - 1);
}

}  // namespace
