#pragma once
// The launch parameters (from the host's command line) and the device profile (from User.ini).
// Both are process-wide, written during start-up and read-only afterwards.
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

struct SessionSettings {
    std::string DeviceAddress;            // field 2, at most 15 characters
    std::string ReadCommunity = "qorvin";  // field 3, at most 51
    std::string WriteCommunity = "tessmar";  // field 4, at most 51
    bool VlanEditEnabled = true;          // field 5
    std::string SnmpVersion = "1";        // field 6, at most 7
    std::string AgentPort = "161";        // field 7, at most 7
    std::string SecurityLevel = "1";      // field 11
    std::string UserName;                 // field 12, at most 31
    std::string AuthPassword;             // field 13, at most 31
    std::string PrivPassword;             // field 14, at most 39
    std::string AuthProtocol = "1";       // field 15: "1" none, "2" HMAC-MD5, "3" HMAC-SHA
    std::string PrivProtocol = "1";       // field 16: "1" none, "2" CBC-DES
    std::string TimeoutMs = "3000";       // fixed, never from the command line
};

// Port counts the profile may set. The panel's port state record holds kMaxPortCount ports;
// a DevicePortNum outside 1..kMaxPortCount is not trusted and the default is used instead.
constexpr int kDefaultPortCount = 28;
constexpr int kMaxPortCount = 100;

struct DeviceProfile {
    std::string DeviceName;   // a name with "P" or "p" denotes a PoE model
    int DevicePortNum = 28;
    std::string XMLName;
    bool IsAllGiga = false;
    bool IsHasFan = false;
};

// Process-wide records. The Mutable forms are for start-up (and tests) only.
const SessionSettings& Settings();
SessionSettings& MutableSettings();
const DeviceProfile& Profile();
DeviceProfile& MutableProfile();

// True when the device name denotes a PoE model (contains "P" or "p").
bool IsPoeModel(const std::string& deviceName);

// Fills `settings` from the host's command line; see the grammar in session_settings.cpp.
// Returns false when "/I" is missing or the address field is empty.
bool ParseCommandLine(const std::string& line, SessionSettings& settings);

// Why no session can be opened with these settings, in a sentence for the administrator; "" when
// they can. The module and corvex-snmp refuse such a line before anything is sent: a line without
// the switch's address, or an SNMPv3 line without a user name.
std::string LaunchLineProblem(const SessionSettings& settings);

// Joins the program arguments (without the program name) into one command line, separated by
// single spaces, the way the host's line reaches the module.
std::string CommandLineFromArgs(int argc, const char* const* argv);

// Where the secrets of a host command line stand: [begin, end) of the values of fields 3 and 4
// (the communities) and 13 and 14 (the SNMPv3 pass phrases), found by position as
// ParseCommandLine finds them, whatever the SNMP version. Empty values give no range.
std::vector<std::pair<std::size_t, std::size_t>> SecretFieldRanges(const std::string& line);

// Overwrites the secrets of the host command line in the program's own argument strings, so
// that process listings (ps, /proc/PID/cmdline) no longer show them. `args` are the `count`
// argument strings that, joined by single spaces, make the line (as CommandLineFromArgs joins
// them); each secret character becomes '*'. Call it once the line has been parsed.
void ScrubSecretArguments(char** args, int count);

// Reads DeviceName from section DeviceInfo of the profile at `path`.
std::string LoadDeviceName(const std::string& path);

// Where the profile is when no --profile is given: User.ini beside the executable, or, for an
// installed program without one, the default profile of the shared data folder
// (<prefix>/share/corvex-module/User.ini beside <prefix>/bin). When neither exists, the path
// beside the executable, so that the missing profile is reported as usual.
std::string DefaultProfilePath(const std::string& executableDirectory);

enum class ProfileLoad { Ok, MissingDeviceName, MissingXmlName };
// Reads the five DeviceInfo keys in order into `profile`. On a failure the keys read before
// the failure stay set. The caller shows "Read User.ini Error !" for anything but Ok.
ProfileLoad LoadDeviceProfile(const std::string& path, DeviceProfile& profile);

// The port count to use for a DevicePortNum value: the value when it lies in 1..kMaxPortCount,
// kDefaultPortCount otherwise.
int SanitizePortCount(int devicePortNum);

// "Module:" + DeviceName + DeviceAddress.
std::string InstanceName(const std::string& deviceName, const std::string& deviceAddress);
