#pragma once
// Input checks shared by the forms. A failing check shows its message box itself (through
// platform::ShowMessage) and returns false; the caller then stops the operation.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Messages of the shared checks.
constexpr const char* kMsgInvalidPortlist = "Invalid Portlist";
constexpr const char* kMsgMacFormat = "Please enter correct MAC format(ex:00-00-00-00-00-01)";
constexpr const char* kMsgBroadcastMac = "Broadcast MAC is not allowed.";
constexpr const char* kMsgMulticastMac = "Multicast MAC is not allowed.";
constexpr const char* kMsgIpFormat = "Please enter correct IP format(ex:192.168.0.10)";
constexpr const char* kMsgInvalidIp = "Invalid IP.";
constexpr const char* kMsgInvalidIpFirstOctet = "Invalid  IP.";  // two spaces
constexpr const char* kMsgMulticastIp = "Multicast IP is not allowed";

// The 26 characters no user-typed name may contain.
constexpr const char* kForbiddenNameChars = "~`!@#$%^&*{}[]|\\:;\"'<>,.?/";

// True when `name` contains none of kForbiddenNameChars (each form shows its own message).
bool IsValidName(const std::string& name);

// The character rule of a typed port list, without a message: no letter A-Z / a-z and no
// character of kForbiddenNameChars other than ",". CheckPortListInput applies it first; a form
// that treats a refused character apart from a refused port number asks it on its own.
bool IsPortListText(const std::string& text);

// Checks a typed port list such as "1,3-5,8" against 1..portCount and sets flags[p-1] = 1 for
// every selected port ("Invalid Portlist" on failure; ports marked before a failing item stay
// marked). "a-b" with a > b selects nothing; empty items are skipped; blanks around numbers
// are ignored. `flags` grows to portCount when shorter; a null `flags` fails without a message.
bool CheckPortListInput(const std::string& text, int portCount, std::vector<int>* flags);

// What a form's MAC address check says for each failing rule; forms that word a rule
// differently pass their own text (a null text falls back to the shared one):
//   CheckMacInput(text, MacInputRules{.multicastMessage = "Multicast MAC address is not allowed."}, &mac)
struct MacInputRules {
    const char* formatMessage = kMsgMacFormat;        // length, "-" positions, all zero, non-hex digit
    const char* broadcastMessage = kMsgBroadcastMac;  // FF-FF-FF-FF-FF-FF in any letter case
    const char* multicastMessage = kMsgMulticastMac;  // group bit of the first octet set
    bool allowMulticast = false;                      // true: the group bit is not checked
};

// Checks a MAC address typed as XX-XX-XX-XX-XX-XX, in this order: 17 characters with "-" at
// positions 3, 6, 9, 12 and 15; with the "-" removed, not "000000000000" and not shorter than
// 12; hexadecimal digits only (all three with the format message); not the broadcast address;
// unless allowed, not a multicast address. The first failing rule shows its message and the
// check returns false. On success the six octets go to *octets when given.
bool CheckMacInput(const std::string& text, const MacInputRules& rules,
                   std::array<std::uint8_t, 6>* octets = nullptr);
// The same with the shared messages, only the multicast text replaceable.
bool CheckMacInput(const std::string& text, bool allowMulticast, std::array<std::uint8_t, 6>* octets = nullptr,
                   const char* multicastMessage = kMsgMulticastMac);

// An IPv4 address as the four fields of an address control; a field below 0 is blank.
using IpFields = std::array<int, 4>;
// Checks the fields in order: all filled (0..255), not 0.0.0.0, first octet not 0/255, last
// octet not 0/255, within the class A, B or C unicast ranges. The caller returns the focus to
// the address control when the format message was shown.
bool CheckIpInput(const IpFields& fields);
// Splits a dotted text into four fields for CheckIpInput: an empty or non-numeric field, or a
// value above 255, is blank; a text without exactly three dots gives four blank fields.
IpFields IpFieldsFromText(const std::string& text);
// "a.b.c.d".
std::string FormatIp(const IpFields& fields);

// Numbers typed into edit boxes, read as atoi does (leading blanks, sign, digits up to the first
// other character, 0 when there are none) but saturating instead of overflowing.
int TextToInt(const std::string& text);
long long TextToInt64(const std::string& text);
