#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "app/ini_file.h"
#include "app/session_settings.h"

namespace {

class ProfileFile : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvex-profile-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        path_ = dir_ + "/User.ini";
    }
    void TearDown() override {
        std::remove(path_.c_str());
        rmdir(dir_.c_str());
    }
    void write(const std::string& text) {
        std::ofstream out(path_, std::ios::binary | std::ios::trunc);
        out << text;
    }
    std::string dir_, path_;
};

TEST(IniText, NamesIgnoreCaseAndValuesAreTrimmedAndUnquoted) {
    auto ini = IniFile::fromText(
        "\xEF\xBB\xBF; comment line\r\n"
        "orphan=before any section\r\n"
        "  [ deviceinfo ]  \r\n"
        "  DEVICENAME =  CVX 1028P  \r\n"
        "  ; DeviceName=commented\r\n"
        "XMLName=\"panel file.xml\"\r\n"
        "Quoted=\"\r\n"
        "Bare\r\n"
        "DeviceName=second\r\n"
        "[Other]\r\nIsHasFan=Y\r\n"
        "[DeviceInfo]\r\nDevicePortNum=52\r\nXMLName=later.xml\r\n");
    EXPECT_EQ(ini.readString("DeviceInfo", "DeviceName"), "CVX 1028P");
    EXPECT_EQ(ini.readString("DEVICEINFO", "xmlname"), "panel file.xml");
    EXPECT_EQ(ini.readString("DeviceInfo", "Quoted"), "\"");
    EXPECT_EQ(ini.value("DeviceInfo", "Bare"), std::optional<std::string>(""));
    EXPECT_EQ(ini.readString("DeviceInfo", "IsHasFan", "dflt"), "dflt");
    EXPECT_EQ(ini.readString("Other", "IsHasFan"), "Y");
    EXPECT_EQ(ini.readInt("DeviceInfo", "DevicePortNum", 28), 52);
    EXPECT_FALSE(ini.value("", "orphan").has_value());
    EXPECT_FALSE(ini.value("Missing", "DeviceName").has_value());
}

TEST(IniText, LongValuesAreCutTo259Bytes) {
    auto ini = IniFile::fromText("[s]\nk=" + std::string(300, 'a') + "\nu=" + std::string(258, 'a') + "\xC3\xA9\n");
    EXPECT_EQ(ini.readString("s", "k"), std::string(259, 'a'));
    // A two-byte character that would straddle the cut is dropped whole.
    EXPECT_EQ(ini.readString("s", "u"), std::string(258, 'a'));
}

TEST(IniText, IntegersTakeLeadingDigits) {
    auto ini = IniFile::fromText("[s]\na=12abc\nb=abc\nc=\nd=-5\ne= +7 \nf=0x1A\ng=99999999999999\nh=-99999999999999\n");
    EXPECT_EQ(ini.readInt("s", "a", 28), 12);
    EXPECT_EQ(ini.readInt("s", "b", 28), 0);
    EXPECT_EQ(ini.readInt("s", "c", 28), 28);
    EXPECT_EQ(ini.readInt("s", "d", 28), -5);
    EXPECT_EQ(ini.readInt("s", "e", 28), 7);
    EXPECT_EQ(ini.readInt("s", "f", 28), 26);
    EXPECT_EQ(ini.readInt("s", "g", 28), 2147483647);
    EXPECT_EQ(ini.readInt("s", "h", 28), -2147483647 - 1);
    EXPECT_EQ(ini.readInt("s", "missing", 28), 28);
}

TEST_F(ProfileFile, LoadsAllFiveKeys) {
    write("[DeviceInfo]\r\nDeviceName=CVX-1052P\r\nDevicePortNum=52\r\nXMLName=cvx52.xml\r\nIsAllGiga=y\r\nIsHasFan=Y\r\n");
    DeviceProfile p;
    EXPECT_EQ(LoadDeviceProfile(path_, p), ProfileLoad::Ok);
    EXPECT_EQ(p.DeviceName, "CVX-1052P");
    EXPECT_EQ(p.DevicePortNum, 52);
    EXPECT_EQ(p.XMLName, "cvx52.xml");
    EXPECT_TRUE(p.IsAllGiga);
    EXPECT_TRUE(p.IsHasFan);
    EXPECT_EQ(LoadDeviceName(path_), "CVX-1052P");
    EXPECT_TRUE(IsPoeModel(p.DeviceName));
    EXPECT_FALSE(IsPoeModel("CVX-1028"));
}

TEST_F(ProfileFile, FlagsAreTrueOnlyForY) {
    write("[DeviceInfo]\nDeviceName=a\nXMLName=b\nIsAllGiga=yes\nIsHasFan=N\n");
    DeviceProfile p;
    p.IsAllGiga = p.IsHasFan = true;
    EXPECT_EQ(LoadDeviceProfile(path_, p), ProfileLoad::Ok);
    EXPECT_FALSE(p.IsAllGiga);
    EXPECT_FALSE(p.IsHasFan);
    EXPECT_EQ(p.DevicePortNum, 28);
}

TEST_F(ProfileFile, FailuresStopInOrderAndKeepWhatWasRead) {
    DeviceProfile p;
    EXPECT_EQ(LoadDeviceProfile(path_, p), ProfileLoad::MissingDeviceName);  // no file at all
    EXPECT_EQ(LoadDeviceName(path_), "");

    write("[DeviceInfo]\nDeviceName=\nDevicePortNum=10\nXMLName=x.xml\n");
    p = DeviceProfile{};
    EXPECT_EQ(LoadDeviceProfile(path_, p), ProfileLoad::MissingDeviceName);
    EXPECT_EQ(p.DevicePortNum, 28);  // not read yet
    EXPECT_EQ(p.XMLName, "");

    write("[DeviceInfo]\nDeviceName=CVX\nDevicePortNum=10\nIsHasFan=Y\n");
    p = DeviceProfile{};
    EXPECT_EQ(LoadDeviceProfile(path_, p), ProfileLoad::MissingXmlName);
    EXPECT_EQ(p.DeviceName, "CVX");
    EXPECT_EQ(p.DevicePortNum, 10);
    EXPECT_FALSE(p.IsHasFan);  // read only after XMLName
}

TEST_F(ProfileFile, PortCountsOutsideTheRecordFallBackToDefault) {
    for (const char* value : {"0", "-4", "101", "100000", "abc", ""}) {
        SCOPED_TRACE(value);
        write(std::string("[DeviceInfo]\nDeviceName=CVX\nXMLName=x\nDevicePortNum=") + value + "\n");
        DeviceProfile p;
        p.DevicePortNum = 5;
        LoadDeviceProfile(path_, p);
        EXPECT_EQ(p.DevicePortNum, 28);
    }
    write("[DeviceInfo]\nDeviceName=CVX\nXMLName=x\nDevicePortNum=100\n");
    DeviceProfile p;
    LoadDeviceProfile(path_, p);
    EXPECT_EQ(p.DevicePortNum, 100);
}

TEST_F(ProfileFile, DirectoriesAndBinaryFilesAreSafe) {
    DeviceProfile p;
    EXPECT_EQ(LoadDeviceProfile(dir_, p), ProfileLoad::MissingDeviceName);
    std::string junk;
    for (int i = 0; i < 5000; ++i) junk.push_back(static_cast<char>(i * 7919 % 256));
    write(junk + "\n[DeviceInfo]\nDeviceName=CVX\nXMLName=x\n");
    EXPECT_EQ(LoadDeviceName(path_), "CVX");
}

// An installed program has no User.ini beside it and finds the shared data folder's; a profile
// beside the executable still wins, and a missing one is reported at the beside path.
TEST(DefaultProfile, BesideTheExecutableThenTheSharedDataFolder) {
    namespace fs = std::filesystem;
    char pattern[] = "/tmp/corvex-prefix-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    const fs::path prefix = pattern;
    const fs::path bin = prefix / "bin", data = prefix / "share" / "corvex-module";
    fs::create_directories(bin);
    fs::create_directories(data);
    EXPECT_EQ(DefaultProfilePath(bin.string()), (bin / "User.ini").string());
    std::ofstream(data / "User.ini") << "[DeviceInfo]\nDeviceName=Shared\n";
    EXPECT_EQ(LoadDeviceName(DefaultProfilePath(bin.string())), "Shared");
    std::ofstream(bin / "User.ini") << "[DeviceInfo]\nDeviceName=Beside\n";
    EXPECT_EQ(LoadDeviceName(DefaultProfilePath(bin.string())), "Beside");
    fs::remove(bin / "User.ini");
    fs::create_directory(bin / "User.ini");  // a folder in its place is no profile
    EXPECT_EQ(LoadDeviceName(DefaultProfilePath(bin.string())), "Shared");
    fs::remove_all(prefix);
}

TEST(Instance, NameJoinsDeviceAndAddress) {
    EXPECT_EQ(InstanceName("CVX-1028P", "10.1.2.3"), "Module:CVX-1028P10.1.2.3");
    EXPECT_EQ(InstanceName("", ""), "Module:");
}

}  // namespace
