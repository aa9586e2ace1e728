#include "features/vlan/surveillance_oui.h"

#include <cctype>

namespace vlan {

namespace {

constexpr std::array<const char*, 6> kComponentTypes = {
    "Video Management Server", "VMS client/Remote viewer",      "Video Encoder",
    "Network Storage",         "Other IP Surveillance Devices", "Norvane Surveillance Device",
};

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

char Upper(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

}  // namespace

std::string ComponentTypeText(const std::string& value) {
    if (value.size() == 1 && value[0] >= '0' && value[0] <= '5') return kComponentTypes[static_cast<std::size_t>(value[0] - '0')];
    return value;
}

const std::array<const char*, 5>& ChoosableComponentTypes() {
    static const std::array<const char*, 5> types = {kComponentTypes[0], kComponentTypes[1], kComponentTypes[2],
                                                     kComponentTypes[3], kComponentTypes[4]};
    return types;
}

std::string MacDigits(const std::string& text) {
    std::string digits;
    for (char c : text)
        if (c != '-') digits.push_back(c);
    return digits;
}

bool SameDigits(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

bool IsDefaultOuiDigits(const std::string& digits) {
    const std::string prefix = kDefaultOuiDigits;
    return digits.size() >= prefix.size() && SameDigits(digits.substr(0, prefix.size()), prefix);
}

std::string OuiIndexSuffix(const std::array<std::uint8_t, 6>& octets) {
    std::string suffix;
    for (std::uint8_t b : octets) suffix += "." + std::to_string(b);
    return suffix;
}

bool OuiIndexSuffixFromDigits(const std::string& digits, std::string& suffix) {
    if (digits.size() != 12) return false;
    std::array<std::uint8_t, 6> octets{};
    for (std::size_t i = 0; i < 6; ++i) {
        const int hi = HexDigit(digits[2 * i]), lo = HexDigit(digits[2 * i + 1]);
        if (hi < 0 || lo < 0) return false;
        octets[i] = static_cast<std::uint8_t>(hi * 16 + lo);
    }
    suffix = OuiIndexSuffix(octets);
    return true;
}

}  // namespace vlan
