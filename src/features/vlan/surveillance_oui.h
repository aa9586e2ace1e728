#pragma once
// Objects of the auto surveillance VLAN and its OUI table, and the small conversions the
// "Auto Surveillance VLAN Settings" dialog needs between the table's MAC texts and its indexes.
#include <array>
#include <cstdint>
#include <string>

namespace vlan {

// Auto surveillance VLAN settings beside the state and VLAN ID of vlan_common.h (instance ".0").
inline constexpr const char* kOidSurveillancePriority = "1.3.6.1.4.1.171.10.76.12.34.1.3.0";     // 0 highest .. 3 low
inline constexpr const char* kOidSurveillanceUplinkPorts = "1.3.6.1.4.1.171.10.76.12.34.1.4.0";  // PortList

// Surveillance OUI table: index = the six address octets as six decimal arcs.
inline constexpr const char* kOidSurvOuiAddress = "1.3.6.1.4.1.171.10.76.12.34.2.1.1.1";
inline constexpr const char* kOidSurvOuiDescription = "1.3.6.1.4.1.171.10.76.12.34.2.1.1.2";
inline constexpr const char* kOidSurvOuiMask = "1.3.6.1.4.1.171.10.76.12.34.2.1.1.3";
inline constexpr const char* kOidSurvOuiComponentType = "1.3.6.1.4.1.171.10.76.12.34.2.1.1.4";
inline constexpr const char* kOidSurvOuiRowStatus = "1.3.6.1.4.1.171.10.76.12.34.2.1.1.5";
// Voice VLAN OUI table: address and row status, read to keep the two tables apart.
inline constexpr const char* kOidVoiceOuiAddress = "1.3.6.1.4.1.171.10.76.12.21.2.1.1.1";
inline constexpr const char* kOidVoiceOuiStatus = "1.3.6.1.4.1.171.10.76.12.21.2.1.1.4";

// Rows the tables hold: the maker's entry and five of the user's; eight well-known phone
// makers and eight of the user's.
inline constexpr int kMaxSurvOuiUserEntries = 5;
inline constexpr int kSurvOuiTableRows = 1 + kMaxSurvOuiUserEntries;
inline constexpr int kVoiceOuiTableRows = 16;
// Highest VLAN ID: the static VLAN table has at most this many rows.
inline constexpr int kMaxVlanId = 4094;

// The maker's own entry as listed, and the prefix of the 12 digits that marks it.
inline constexpr const char* kDefaultOuiText = "F0-7D-68-00-00-00";
inline constexpr const char* kDefaultOuiDigits = "F07D680";
// The component type of the maker's entry: listed, never offered.
inline constexpr int kMakerComponentType = 5;

// List text of a component type value ("0".."5"); any other text is shown as received.
std::string ComponentTypeText(const std::string& value);
// The five types the user may choose, by list position 0..4.
const std::array<const char*, 5>& ChoosableComponentTypes();

// A MAC text with every "-" removed.
std::string MacDigits(const std::string& text);
// True when the first seven of the digits are those of the maker's entry (any letter case).
bool IsDefaultOuiDigits(const std::string& digits);
// Case-insensitive comparison of two digit texts.
bool SameDigits(const std::string& a, const std::string& b);
// ".240.125.104.0.0.0": each octet in decimal after a ".".
std::string OuiIndexSuffix(const std::array<std::uint8_t, 6>& octets);
// The same from 12 hexadecimal digits; false (and no suffix) for anything else.
bool OuiIndexSuffixFromDigits(const std::string& digits, std::string& suffix);

}  // namespace vlan
