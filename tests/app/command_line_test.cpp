#include <gtest/gtest.h>

#include "app/session_settings.h"

namespace {

SessionSettings Parse(const std::string& line, bool* result = nullptr) {
    SessionSettings s;
    bool ok = ParseCommandLine(line, s);
    if (result) *result = ok;
    return s;
}

void ExpectV3Defaults(const SessionSettings& s) {
    EXPECT_EQ(s.SecurityLevel, "1");
    EXPECT_EQ(s.UserName, "");
    EXPECT_EQ(s.AuthPassword, "");
    EXPECT_EQ(s.PrivPassword, "");
    EXPECT_EQ(s.AuthProtocol, "1");
    EXPECT_EQ(s.PrivProtocol, "1");
}

TEST(CommandLine, VersionOneLineStopsAfterSeventhField) {
    bool ok = false;
    auto s = Parse("/ax/I10.1.2.3/Rrc/Wwc/VTRUE/S1/P161/a8/b9/c10/d3/euser/fauth/gpriv/h2/i2", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.DeviceAddress, "10.1.2.3");
    EXPECT_EQ(s.ReadCommunity, "rc");
    EXPECT_EQ(s.WriteCommunity, "wc");
    EXPECT_TRUE(s.VlanEditEnabled);
    EXPECT_EQ(s.SnmpVersion, "1");
    EXPECT_EQ(s.AgentPort, "161");
    ExpectV3Defaults(s);
    EXPECT_EQ(s.TimeoutMs, "3000");
}

TEST(CommandLine, VersionThreeLineFillsSnmpV3Fields) {
    auto s = Parse("/ax/I10.0.0.7/Rrc/Wwc/Vtrue/S3/P1161/x/any thing/z!?/L3/Uadmin/Aauthpass/Xprivpass/M2/N2");
    EXPECT_EQ(s.SnmpVersion, "3");
    EXPECT_EQ(s.AgentPort, "1161");
    EXPECT_EQ(s.SecurityLevel, "3");
    EXPECT_EQ(s.UserName, "admin");
    EXPECT_EQ(s.AuthPassword, "authpass");
    EXPECT_EQ(s.PrivPassword, "privpass");
    EXPECT_EQ(s.AuthProtocol, "2");
    EXPECT_EQ(s.PrivProtocol, "2");
}

TEST(CommandLine, EarlyEndsAndEmptyFieldsKeepDefaults) {
    bool ok = false;
    auto s = Parse("/ax/I10.1.2.3", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.DeviceAddress, "10.1.2.3");
    EXPECT_EQ(s.ReadCommunity, "qorvin");
    EXPECT_EQ(s.WriteCommunity, "tessmar");
    EXPECT_TRUE(s.VlanEditEnabled);

    s = Parse("/ax/I10.1.2.3/R/Wwc/VTRUE");
    EXPECT_EQ(s.ReadCommunity, "qorvin");
    EXPECT_EQ(s.WriteCommunity, "wc");

    // Empty v3 fields leave the defaults; stopping midway keeps what was read.
    s = Parse("/ax/I1.2.3.4/R/W/Vtrue/S3/P/8/9/10/L/Ubob");
    EXPECT_EQ(s.AgentPort, "161");
    EXPECT_EQ(s.SecurityLevel, "1");
    EXPECT_EQ(s.UserName, "bob");
    EXPECT_EQ(s.AuthPassword, "");
}

TEST(CommandLine, VlanEditFlagNeedsExactTrue) {
    EXPECT_FALSE(Parse("/ax/I1.2.3.4/Ra/Wb/V/S1").VlanEditEnabled);
    EXPECT_FALSE(Parse("/ax/I1.2.3.4/Ra/Wb/VTrue/S1").VlanEditEnabled);
    EXPECT_FALSE(Parse("/ax/I1.2.3.4/Ra/Wb/Vyes").VlanEditEnabled);
    EXPECT_TRUE(Parse("/ax/I1.2.3.4/Ra/Wb/Vtrue").VlanEditEnabled);
    EXPECT_TRUE(Parse("/ax/I1.2.3.4/Ra/Wb/V T R U E ").VlanEditEnabled);
}

TEST(CommandLine, SpacesVanishFromValues) {
    auto s = Parse("/a x /I 10.1.2.3 /Rmy comm/W w c ");
    EXPECT_EQ(s.DeviceAddress, "10.1.2.3");
    EXPECT_EQ(s.ReadCommunity, "mycomm");
    EXPECT_EQ(s.WriteCommunity, "wc");
}

TEST(CommandLine, MarkerAndAddressFailures) {
    bool ok = true;
    auto s = Parse("/ax/J10.1.2.3/Rrc", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(s.DeviceAddress, "");
    EXPECT_EQ(s.ReadCommunity, "qorvin");
    EXPECT_EQ(InstanceName("CVX-1028P", s.DeviceAddress), "Module:CVX-1028P");

    s = Parse("/ax/I/Rrc", &ok);
    EXPECT_FALSE(ok);
    EXPECT_EQ(s.DeviceAddress, "");
    EXPECT_EQ(s.ReadCommunity, "qorvin");

    // The letters are never compared: field 2 is taken by position, the marker may be anywhere.
    s = Parse("/Ix/Z10.9.9.9/Rrc", &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.DeviceAddress, "10.9.9.9");
    EXPECT_EQ(s.ReadCommunity, "rc");
}

TEST(CommandLine, ValuesAreCutToFieldCapacity) {
    const std::string longText(200, 'k');
    auto s = Parse("/a" + std::string(40, 'f') + "/I123.123.123.123456/R" + longText + "/W" + longText +
                   "/VTRUE/S3333333333/P161616161616/a/b/c/L12345678/U" + longText + "/A" + longText + "/X" +
                   longText + "/M123456789/N987654321");
    EXPECT_EQ(s.DeviceAddress, "123.123.123.123");
    EXPECT_EQ(s.ReadCommunity, std::string(51, 'k'));
    EXPECT_EQ(s.WriteCommunity, std::string(51, 'k'));
    EXPECT_EQ(s.SnmpVersion, "3333333");
    EXPECT_EQ(s.AgentPort, "1616161");
    EXPECT_EQ(s.SecurityLevel, "1234567");
    EXPECT_EQ(s.UserName, std::string(31, 'k'));
    EXPECT_EQ(s.AuthPassword, std::string(31, 'k'));
    EXPECT_EQ(s.PrivPassword, std::string(39, 'k'));
    EXPECT_EQ(s.AuthProtocol, "1234567");
    EXPECT_EQ(s.PrivProtocol, "9876543");
    // A field 5 cut to 11 characters is no longer "TRUE".
    EXPECT_FALSE(Parse("/ax/I1.1.1.1/R/W/Vtrue" + std::string(20, ' ') + "x").VlanEditEnabled);
}

TEST(CommandLine, MalformedLinesAreHandled) {
    bool ok = false;
    // Shorter than a first field, no leading slash, trailing slashes, slashes only.
    for (const char* line : {"", "/", "/a", "x", "abc/I", "/I", "//////", "/ax/I", "/ax/I1/", "///I//",
                             "/ax/I1.2.3.4/", "/ax/I1.2.3.4/R/", "/ax/I1.2.3.4/Rr/Ww/V/S3/P/1/2/3/4/5/6/7/8/"}) {
        SCOPED_TRACE(line);
        SessionSettings s = Parse(line, &ok);
        EXPECT_LE(s.DeviceAddress.size(), 15u);
    }
    auto s = Parse("abc/I1.2.3.4", &ok);  // the first value starts at the third character
    EXPECT_TRUE(ok);
    EXPECT_EQ(s.DeviceAddress, "1.2.3.4");
    s = Parse("/ax/I1.2.3.4/", &ok);  // a slash at the very end leaves an empty field 3
    EXPECT_EQ(s.ReadCommunity, "qorvin");
}

TEST(CommandLine, ArgumentsJoinIntoOneLine) {
    const char* argv[] = {"corvex", "/ax/I10.1.2.3", "/Rmy", "comm", nullptr};
    EXPECT_EQ(CommandLineFromArgs(4, argv), "/ax/I10.1.2.3 /Rmy comm");
    auto s = Parse(CommandLineFromArgs(4, argv));
    EXPECT_EQ(s.DeviceAddress, "10.1.2.3");
    EXPECT_EQ(s.ReadCommunity, "mycomm");
    EXPECT_EQ(CommandLineFromArgs(1, argv), "");
    EXPECT_EQ(CommandLineFromArgs(0, nullptr), "");
}

}  // namespace

namespace {

// The host line split into argument strings the way a shell would (at spaces), scrubbed in place.
std::vector<std::string> Scrubbed(const std::string& line) {
    std::vector<std::vector<char>> storage;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t space = line.find(' ', start);
        if (space == std::string::npos) space = line.size();
        storage.emplace_back(line.begin() + static_cast<long>(start), line.begin() + static_cast<long>(space));
        storage.back().push_back('\0');
        start = space + 1;
    }
    std::vector<char*> args;
    for (auto& a : storage) args.push_back(a.data());
    ScrubSecretArguments(args.data(), static_cast<int>(args.size()));
    std::vector<std::string> out;
    for (auto& a : storage) out.emplace_back(a.data());
    return out;
}

}  // namespace

// The communities and pass phrases leave the argument strings, wherever they stand: nothing else
// changes, and the settings parsed before keep them.
TEST(CommandLine, ScrubbingOverwritesExactlyTheSecretFields) {
    struct Case {
        std::string line;
        std::vector<std::string> want;
    };
    const std::vector<Case> cases = {
        {"/Hx/I10.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G161", {"/Hx/I10.0.0.1/C******/D*******/ETRUE/F1/G161"}},
        {"/Hx/I10.0.0.1/Cro/Drw/ETRUE/F3/G161/a/b/c/L3/Uadmin/Aauthpass1/Xprivpass1/M2/N2",
         {"/Hx/I10.0.0.1/C**/D**/ETRUE/F3/G161/a/b/c/L3/Uadmin/A*********/X*********/M2/N2"}},
        // A version-1 line that still carries pass phrases loses them too.
        {"/Hx/I1.2.3.4/Cro/Drw/ETRUE/F1/G161/a/b/c/L3/Uu/Asecret12/Xsecret34",
         {"/Hx/I1.2.3.4/C**/D**/ETRUE/F1/G161/a/b/c/L3/Uu/A********/X********"}},
        // Split by spaces into several arguments; empty fields and a short line.
        {"/Hx/I10.0.0.1/Cmy comm/D/ETRUE", {"/Hx/I10.0.0.1/C**", "****/D/ETRUE"}},
        {"/Hx/I10.0.0.1/Conly", {"/Hx/I10.0.0.1/C****"}},
        {"/Hx/I10.0.0.1", {"/Hx/I10.0.0.1"}},
        {"", {""}},
    };
    for (const Case& c : cases) {
        const SessionSettings before = Parse(c.line);
        EXPECT_EQ(Scrubbed(c.line), c.want) << c.line;
        std::string joined;
        for (const auto& part : c.want) joined += (joined.empty() && &part == &c.want.front() ? "" : " ") + part;
        const SessionSettings after = Parse(joined);
        EXPECT_EQ(after.DeviceAddress, before.DeviceAddress) << c.line;
        EXPECT_EQ(after.UserName, before.UserName) << c.line;
    }
}
