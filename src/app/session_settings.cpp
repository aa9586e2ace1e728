#include "app/session_settings.h"

#include "app/ini_file.h"
#include "platform/system.h"

// Command-line grammar (as the Orbisa host writes it):
//   The line is a sequence of fields "/" letter value. A value runs up to the next "/" or the
//   end of the line; spaces are dropped from values. Fields are taken by position: the letters
//   are skipped, never compared. The first value starts at the third character of the line and
//   each later one two characters after the slash that ended the previous value. The only
//   marker looked for is "/I" anywhere in the line.
//   Field 1: ignored. 2: DeviceAddress. 3: ReadCommunity. 4: WriteCommunity. 5: VlanEditEnabled
//   ("TRUE" or "true"). 6: SnmpVersion. 7: AgentPort. For version "1" parsing ends there.
//   8-10: ignored. 11-16: SecurityLevel, UserName, AuthPassword, PrivPassword, AuthProtocol,
//   PrivProtocol. Empty values (except field 2 and 5) leave the default in place.
//   A value longer than its field's capacity is cut to the capacity.

namespace {

SessionSettings& SettingsRecord() {
    static SessionSettings settings;
    return settings;
}

DeviceProfile& ProfileRecord() {
    static DeviceProfile profile;
    return profile;
}

// Capacity of each field (index = field number), in characters.
constexpr std::size_t kFieldCapacity[17] = {0, 19, 15, 51, 51, 11, 7, 7, 7, 7, 7, 7, 31, 31, 39, 7, 7};

constexpr const char* kProfileSection = "DeviceInfo";

// Walks the fields of a command line by position.
class FieldReader {
public:
    explicit FieldReader(const std::string& line) : line_(line) {}

    // Reads the value of field `number` and reports through atEnd() whether the line ended
    // with it. The position of the first value is the third character of the line.
    std::string next(int number) {
        std::string value;
        std::size_t stop = line_.size();
        if (start_ < line_.size()) {
            std::size_t slash = line_.find('/', start_);
            if (slash != std::string::npos) stop = slash;
            for (std::size_t i = start_; i < stop; ++i)
                if (line_[i] != ' ') value.push_back(line_[i]);
        }
        ended_ = stop >= line_.size();
        start_ = ended_ ? line_.size() : stop + 2;
        std::size_t capacity = kFieldCapacity[number];
        if (value.size() > capacity) value.resize(capacity);
        return value;
    }
    bool atEnd() const { return ended_; }

private:
    const std::string& line_;
    std::size_t start_ = 2;
    bool ended_ = false;
};

}  // namespace

const SessionSettings& Settings() { return SettingsRecord(); }
SessionSettings& MutableSettings() { return SettingsRecord(); }
const DeviceProfile& Profile() { return ProfileRecord(); }
DeviceProfile& MutableProfile() { return ProfileRecord(); }

bool IsPoeModel(const std::string& deviceName) {
    return deviceName.find_first_of("Pp") != std::string::npos;
}

std::string LaunchLineProblem(const SessionSettings& settings) {
    if (settings.DeviceAddress.empty())
        return "The launch line names no switch address (/I<address>); nothing was sent.";
    if (settings.SnmpVersion == "3" && settings.UserName.empty())
        return "The launch line asks for SNMPv3 but names no user (field 12); nothing was sent.";
    return {};
}

bool ParseCommandLine(const std::string& line, SessionSettings& settings) {
    FieldReader fields(line);

    fields.next(1);  // carries no setting
    if (fields.atEnd()) return true;
    if (line.find("/I") == std::string::npos) return false;

    settings.DeviceAddress = fields.next(2);
    if (settings.DeviceAddress.empty()) return false;
    if (fields.atEnd()) return true;

    auto assignIfPresent = [](std::string& target, const std::string& value) {
        if (!value.empty()) target = value;
    };

    assignIfPresent(settings.ReadCommunity, fields.next(3));
    if (fields.atEnd()) return true;
    assignIfPresent(settings.WriteCommunity, fields.next(4));
    if (fields.atEnd()) return true;

    const std::string vlanEdit = fields.next(5);
    settings.VlanEditEnabled = vlanEdit == "TRUE" || vlanEdit == "true";
    if (fields.atEnd()) return true;

    assignIfPresent(settings.SnmpVersion, fields.next(6));
    if (fields.atEnd()) return true;
    assignIfPresent(settings.AgentPort, fields.next(7));
    if (fields.atEnd()) return true;
    if (settings.SnmpVersion == "1") return true;  // a version-1 launch carries no SNMPv3 fields

    for (int number = 8; number <= 10; ++number) {
        fields.next(number);  // host fields the module does not use
        if (fields.atEnd()) return true;
    }

    std::string* const v3Fields[] = {&settings.SecurityLevel, &settings.UserName,
                                     &settings.AuthPassword,  &settings.PrivPassword,
                                     &settings.AuthProtocol,  &settings.PrivProtocol};
    int number = 11;
    for (std::string* target : v3Fields) {
        assignIfPresent(*target, fields.next(number++));
        if (fields.atEnd()) return true;
    }
    return true;
}

std::string CommandLineFromArgs(int argc, const char* const* argv) {
    std::string line;
    for (int i = 1; i < argc && argv; ++i) {
        if (!argv[i]) break;
        if (i > 1) line.push_back(' ');
        line += argv[i];
    }
    return line;
}

std::vector<std::pair<std::size_t, std::size_t>> SecretFieldRanges(const std::string& line) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    // The walk of FieldReader: the first value at the third character, each next one two
    // characters after the slash that ended the previous value.
    std::size_t start = 2;
    for (int number = 1; number <= 16 && start < line.size(); ++number) {
        const std::size_t slash = line.find('/', start);
        const std::size_t stop = slash == std::string::npos ? line.size() : slash;
        const bool secret = number == 3 || number == 4 || number == 13 || number == 14;
        if (secret && stop > start) ranges.emplace_back(start, stop);
        if (slash == std::string::npos) break;
        start = slash + 2;
    }
    return ranges;
}

void ScrubSecretArguments(char** args, int count) {
    if (!args || count <= 0) return;
    // Where each character of the joined line lives: argument and offset (-1 for the joining spaces).
    std::string line;
    std::vector<std::pair<int, std::size_t>> where;
    for (int i = 0; i < count && args[i]; ++i) {
        if (i > 0) {
            line.push_back(' ');
            where.emplace_back(-1, 0);
        }
        for (std::size_t k = 0; args[i][k] != '\0'; ++k) {
            line.push_back(args[i][k]);
            where.emplace_back(i, k);
        }
    }
    for (const auto& [begin, end] : SecretFieldRanges(line))
        for (std::size_t pos = begin; pos < end; ++pos)
            if (where[pos].first >= 0) args[where[pos].first][where[pos].second] = '*';
}

std::string LoadDeviceName(const std::string& path) {
    return IniFile(path).readString(kProfileSection, "DeviceName");
}

int SanitizePortCount(int devicePortNum) {
    return devicePortNum >= 1 && devicePortNum <= kMaxPortCount ? devicePortNum : kDefaultPortCount;
}

ProfileLoad LoadDeviceProfile(const std::string& path, DeviceProfile& profile) {
    const IniFile ini(path);

    profile.DeviceName = ini.readString(kProfileSection, "DeviceName");
    if (profile.DeviceName.empty()) return ProfileLoad::MissingDeviceName;

    profile.DevicePortNum = SanitizePortCount(ini.readInt(kProfileSection, "DevicePortNum", kDefaultPortCount));

    profile.XMLName = ini.readString(kProfileSection, "XMLName");
    if (profile.XMLName.empty()) return ProfileLoad::MissingXmlName;

    auto yes = [](const std::string& v) { return v == "Y" || v == "y"; };
    profile.IsAllGiga = yes(ini.readString(kProfileSection, "IsAllGiga"));
    profile.IsHasFan = yes(ini.readString(kProfileSection, "IsHasFan"));
    return ProfileLoad::Ok;
}

std::string InstanceName(const std::string& deviceName, const std::string& deviceAddress) {
    return "Module:" + deviceName + deviceAddress;
}

std::string DefaultProfilePath(const std::string& executableDirectory) {
    const std::string dir = executableDirectory.empty() ? "." : executableDirectory;
    const std::string beside = dir + "/User.ini";
    if (platform::IsRegularFile(beside)) return beside;
    const std::string shared = dir + "/../share/corvex-module/User.ini";
    if (platform::IsRegularFile(shared)) return shared;
    return beside;
}
