#include "snmp/validation.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "platform/ui.h"

namespace {

bool Fail(const char* message) {
    platform::ShowMessage(message);
    return false;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::string TrimBlanks(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
    return s.substr(b, e - b);
}

// A port number item: decimal digits only (after trimming). Values beyond any port count
// saturate. False for anything else.
bool ParsePortNumber(const std::string& item, long long& value) {
    const std::string digits = TrimBlanks(item);
    if (digits.empty()) return false;
    value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return false;
        value = std::min(value * 10 + (c - '0'), 1LL << 40);
    }
    return true;
}

}  // namespace

bool IsValidName(const std::string& name) {
    return name.find_first_of(kForbiddenNameChars) == std::string::npos;
}

bool IsPortListText(const std::string& text) {
    for (char c : text) {
        const bool letter = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
        if (letter || (c != ',' && c != '\0' && std::strchr(kForbiddenNameChars, c))) return false;
    }
    return true;
}

bool CheckPortListInput(const std::string& text, int portCount, std::vector<int>* flags) {
    if (!flags) return false;
    if (!IsPortListText(text)) return Fail(kMsgInvalidPortlist);
    const int ports = std::max(portCount, 0);
    if (flags->size() < static_cast<std::size_t>(ports)) flags->resize(static_cast<std::size_t>(ports), 0);

    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        const std::string item = text.substr(pos, comma - pos);
        pos = comma + 1;
        if (TrimBlanks(item).empty()) continue;

        long long first = 0, last = 0;
        const std::size_t dash = item.find('-');
        if (dash == std::string::npos) {
            if (!ParsePortNumber(item, first)) return Fail(kMsgInvalidPortlist);
            last = first;
        } else if (!ParsePortNumber(item.substr(0, dash), first) || !ParsePortNumber(item.substr(dash + 1), last)) {
            return Fail(kMsgInvalidPortlist);
        }
        // Marks in order and stops at the first port outside 1..portCount, so the loop never
        // runs past portCount + 1 whatever the typed bounds.
        for (long long port = first; port <= last; ++port) {
            if (port < 1 || port > ports) return Fail(kMsgInvalidPortlist);
            (*flags)[static_cast<std::size_t>(port - 1)] = 1;
        }
    }
    return true;
}

bool CheckMacInput(const std::string& text, const MacInputRules& rules, std::array<std::uint8_t, 6>* octets) {
    const char* format = rules.formatMessage ? rules.formatMessage : kMsgMacFormat;
    if (text.size() != 17) return Fail(format);
    for (std::size_t i : {2u, 5u, 8u, 11u, 14u})
        if (text[i] != '-') return Fail(format);

    std::string digits;
    for (char c : text)
        if (c != '-') digits.push_back(c);
    if (digits.size() < 12 || digits == "000000000000") return Fail(format);
    for (char c : digits)
        if (HexValue(c) < 0) return Fail(format);

    std::array<std::uint8_t, 6> mac{};
    for (std::size_t i = 0; i < 6; ++i)
        mac[i] = static_cast<std::uint8_t>(HexValue(digits[2 * i]) * 16 + HexValue(digits[2 * i + 1]));
    if (std::all_of(mac.begin(), mac.end(), [](std::uint8_t b) { return b == 0xFF; }))
        return Fail(rules.broadcastMessage ? rules.broadcastMessage : kMsgBroadcastMac);
    if (!rules.allowMulticast && (mac[0] & 0x01))
        return Fail(rules.multicastMessage ? rules.multicastMessage : kMsgMulticastMac);
    if (octets) *octets = mac;
    return true;
}

bool CheckMacInput(const std::string& text, bool allowMulticast, std::array<std::uint8_t, 6>* octets,
                   const char* multicastMessage) {
    MacInputRules rules;
    rules.multicastMessage = multicastMessage;
    rules.allowMulticast = allowMulticast;
    return CheckMacInput(text, rules, octets);
}

bool CheckIpInput(const IpFields& f) {
    for (int v : f)
        if (v < 0 || v > 255) return Fail(kMsgIpFormat);
    if (f[0] == 0 && f[1] == 0 && f[2] == 0 && f[3] == 0) return Fail(kMsgInvalidIp);
    if (f[0] == 0 || f[0] == 255) return Fail(kMsgInvalidIpFirstOctet);
    if (f[3] == 0 || f[3] == 255) return Fail(kMsgInvalidIp);

    const auto value = [](int a, int b, int c, int d) {
        return (static_cast<std::uint32_t>(a) << 24) | (static_cast<std::uint32_t>(b) << 16) |
               (static_cast<std::uint32_t>(c) << 8) | static_cast<std::uint32_t>(d);
    };
    const std::uint32_t ip = value(f[0], f[1], f[2], f[3]);
    const bool classA = ip >= value(1, 0, 0, 1) && ip <= value(126, 255, 255, 254);
    const bool classB = ip >= value(128, 1, 0, 1) && ip <= value(191, 254, 255, 254);
    const bool classC = ip >= value(192, 0, 1, 1) && ip <= value(223, 255, 254, 254);
    if (!classA && !classB && !classC) return Fail(kMsgMulticastIp);
    return true;
}

IpFields IpFieldsFromText(const std::string& text) {
    IpFields fields{-1, -1, -1, -1};
    if (std::count(text.begin(), text.end(), '.') != 3) return fields;
    std::size_t pos = 0;
    for (int i = 0; i < 4; ++i) {
        std::size_t dot = text.find('.', pos);
        if (dot == std::string::npos) dot = text.size();
        const std::string part = TrimBlanks(text.substr(pos, dot - pos));
        pos = dot + 1;
        if (part.empty() || part.size() > 3) continue;
        int v = 0;
        bool digits = true;
        for (char c : part) {
            if (c < '0' || c > '9') digits = false;
            else v = v * 10 + (c - '0');
        }
        if (digits && v <= 255) fields[static_cast<std::size_t>(i)] = v;
    }
    return fields;
}

std::string FormatIp(const IpFields& f) {
    return std::to_string(f[0]) + "." + std::to_string(f[1]) + "." + std::to_string(f[2]) + "." +
           std::to_string(f[3]);
}

long long TextToInt64(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    unsigned long long magnitude = 0;
    const unsigned long long limit = static_cast<unsigned long long>(LLONG_MAX) + 1;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    {
        const unsigned digit = static_cast<unsigned>(text[i] - '0');
        magnitude = magnitude > (limit - digit) / 10 ? limit : magnitude * 10 + digit;
    }
    if (negative) return magnitude >= limit ? LLONG_MIN : -static_cast<long long>(magnitude);
    return magnitude >= limit ? LLONG_MAX : static_cast<long long>(magnitude);
}

int TextToInt(const std::string& text) {
    return static_cast<int>(std::clamp<long long>(TextToInt64(text), INT_MIN, INT_MAX));
}
