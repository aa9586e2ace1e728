#include "snmp/encodings.h"

#include <algorithm>
#include <cstdio>

namespace {

int ClampPorts(int portCount) { return std::clamp(portCount, 0, kMaxEncodedPorts); }

bool PortIsSet(const std::uint8_t* octets, std::size_t length, int port) {
    const std::size_t index = static_cast<std::size_t>(port - 1) / 8;
    if (!octets || index >= length) return false;
    return (octets[index] & (0x80u >> ((port - 1) % 8))) != 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

void AppendNumber(PortText& out, int port) {
    if (!out.text.empty()) out.text.push_back(',');
    out.text += std::to_string(port);
    ++out.count;
}

// Padding digits that round the PortList of a known switch size up to whole 4-octet groups.
const char* PaddingDigits(int portCount) {
    switch (portCount) {
    case 10: return "00000";
    case 16: return "0000";
    case 24: return "00";
    case 28: return "0";
    case 48: return "0000";
    case 52: return "000";
    default: return "";
    }
}

// Calls fn(number) for each comma-separated item that is a plain decimal number (atoi rules:
// leading blanks, optional sign, digits up to the first other character). Huge numbers saturate.
template <typename Fn>
void ForEachNumber(const std::string& text, Fn fn) {
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        std::size_t i = pos;
        while (i < comma && (text[i] == ' ' || text[i] == '\t')) ++i;
        bool negative = false;
        if (i < comma && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
        long long n = 0;
        bool any = false;
        for (; i < comma && text[i] >= '0' && text[i] <= '9'; ++i) {
            any = true;
            n = std::min(n * 10 + (text[i] - '0'), 1LL << 40);
        }
        if (any) fn(negative ? -n : n);
        pos = comma + 1;
    }
}

}  // namespace

PortText PortListToNumbers(const std::uint8_t* octets, std::size_t length, int portCount) {
    PortText out;
    const int ports = ClampPorts(portCount);
    // Only the octets that cover the port count are examined; ports beyond it in the last
    // examined octet are still reported, as the switch sets them.
    const int examined = (ports + 7) / 8 * 8;
    for (int port = 1; port <= examined; ++port)
        if (PortIsSet(octets, length, port)) AppendNumber(out, port);
    return out;
}

PortText PortListToNumbers(const Octets& octets, int portCount) {
    return PortListToNumbers(octets.data(), octets.size(), portCount);
}

PortText PortListToRanges(const std::uint8_t* octets, std::size_t length, int low, int high) {
    PortText out;
    const long long available = static_cast<long long>(std::min<std::size_t>(length, kMaxEncodedPorts / 8)) * 8;
    const int first = std::max(low, 1);
    const int last = static_cast<int>(std::min<long long>(high, available));
    int runStart = 0;
    auto flush = [&](int runEnd) {
        if (!out.text.empty()) out.text.push_back(',');
        out.text += std::to_string(runStart);
        if (runEnd > runStart) out.text += "-" + std::to_string(runEnd);
        runStart = 0;
    };
    for (int port = first; port <= last; ++port) {
        if (PortIsSet(octets, length, port)) {
            ++out.count;
            if (!runStart) runStart = port;
        } else if (runStart) {
            flush(port - 1);
        }
    }
    if (runStart) flush(last);
    return out;
}

PortText PortListToRanges(const Octets& octets, int low, int high) {
    return PortListToRanges(octets.data(), octets.size(), low, high);
}

std::vector<int> PortListToFlags(const Octets& octets, int portCount) {
    const int ports = ClampPorts(portCount);
    std::vector<int> flags(static_cast<std::size_t>(ports), 0);
    for (int port = 1; port <= ports; ++port)
        if (PortIsSet(octets.data(), octets.size(), port)) flags[static_cast<std::size_t>(port - 1)] = 1;
    return flags;
}

std::string OctetsToHex(const std::uint8_t* octets, std::size_t length) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex;
    if (!octets) return hex;
    hex.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        hex.push_back(digits[octets[i] >> 4]);
        hex.push_back(digits[octets[i] & 0x0F]);
    }
    return hex;
}

std::string OctetsToHex(const Octets& octets) { return OctetsToHex(octets.data(), octets.size()); }

PortText HexToPortNumbers(const std::string& hex) {
    PortText out;
    int base = 0;  // ports before the current digit
    for (char c : hex) {
        const int value = HexValue(c);
        if (value < 0) continue;
        for (int bit = 0; bit < 4; ++bit)
            if (value & (8 >> bit)) AppendNumber(out, base + bit + 1);
        base += 4;
    }
    return out;
}

Octets HexToOctets(const std::string& hex) {
    std::string digits = hex;
    if (digits.size() % 2) digits.push_back('0');
    Octets octets;
    octets.reserve(digits.size() / 2);
    for (std::size_t i = 0; i < digits.size(); i += 2) {
        const int high = HexValue(digits[i]);
        const int low = HexValue(digits[i + 1]);
        int value = 0;
        if (high >= 0) value = low >= 0 ? high * 16 + low : high;
        octets.push_back(static_cast<std::uint8_t>(value));
    }
    return octets;
}

std::string PortFlagsToHex(const std::vector<int>& flags, int portCount) {
    static const char digits[] = "0123456789ABCDEF";
    const int ports = ClampPorts(portCount);
    std::string hex;
    hex.reserve(static_cast<std::size_t>(ports / 4 + 6));
    for (int group = 0; group < ports; group += 4) {
        int value = 0;
        for (int bit = 0; bit < 4; ++bit) {
            const int port = group + bit;  // index into flags
            if (port < ports && static_cast<std::size_t>(port) < flags.size() && flags[static_cast<std::size_t>(port)])
                value |= 8 >> bit;
        }
        hex.push_back(digits[value]);
    }
    hex += PaddingDigits(ports);
    return hex;
}

Octets PortFlagsToPortList(const std::vector<int>& flags, int portCount) {
    return HexToOctets(PortFlagsToHex(flags, portCount));
}

void PortNumbersToFlags(const std::string& numbers, int portCount, std::vector<int>& flags, int value) {
    const int ports = ClampPorts(portCount);
    if (flags.size() < static_cast<std::size_t>(ports)) flags.resize(static_cast<std::size_t>(ports), 0);
    ForEachNumber(numbers, [&](long long n) {
        if (n >= 1 && n <= ports) flags[static_cast<std::size_t>(n - 1)] = value;
    });
}

std::vector<int> PortNumbersToFlags(const std::string& numbers, int portCount, int value) {
    std::vector<int> flags;
    PortNumbersToFlags(numbers, portCount, flags, value);
    return flags;
}

PortText PortFlagsToNumbers(const std::vector<int>& flags) {
    PortText out;
    for (std::size_t i = 0; i < flags.size(); ++i)
        if (flags[i]) AppendNumber(out, static_cast<int>(i + 1));
    return out;
}

std::string BuildRecord(const std::string& key, const std::string& ports) {
    return key + ":" + ports + kRecordSeparator;
}

void AppendRecord(std::string& text, const std::string& key, const std::string& ports) {
    text += BuildRecord(key, ports);
}

std::vector<PortRecord> ParseRecords(const std::string& text) {
    std::vector<PortRecord> records;
    const std::string separator = kRecordSeparator;
    std::size_t pos = 0;
    for (;;) {
        const std::size_t end = text.find(separator, pos);
        if (end == std::string::npos) break;
        const std::string entry = text.substr(pos, end - pos);
        const std::size_t colon = entry.find(':');
        if (colon == std::string::npos) records.push_back({entry, {}});
        else records.push_back({entry.substr(0, colon), entry.substr(colon + 1)});
        pos = end + separator.size();
    }
    return records;
}

std::string FormatMac(const std::uint8_t* octets, std::size_t length, char separator) {
    std::uint8_t mac[6] = {};
    for (std::size_t i = 0; i < 6 && octets && i < length; ++i) mac[i] = octets[i];
    char text[18];
    std::snprintf(text, sizeof text, "%02X%c%02X%c%02X%c%02X%c%02X%c%02X", mac[0], separator, mac[1], separator,
                  mac[2], separator, mac[3], separator, mac[4], separator, mac[5]);
    return text;
}

std::string FormatMac(const Octets& octets, char separator) {
    return FormatMac(octets.data(), octets.size(), separator);
}

std::string InstanceOid(const std::string& column, int index) { return column + "." + std::to_string(index); }

int InstanceNumber(const std::string& suffix, int max) {
    std::size_t i = suffix.empty() || suffix[0] != '.' ? 0 : 1;
    if (i == suffix.size()) return 0;
    long long value = 0;
    for (; i < suffix.size(); ++i) {
        const char c = suffix[i];
        if (c < '0' || c > '9') return 0;
        value = value * 10 + (c - '0');
        if (value > max) return 0;
    }
    return static_cast<int>(value);
}

namespace {
bool IsUtf8Continuation(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }
}  // namespace

std::string Utf8CutBytes(const std::string& text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) return text;
    std::size_t cut = maxBytes;
    while (cut > 0 && IsUtf8Continuation(text[cut])) --cut;
    return text.substr(0, cut);
}

std::string Utf8Prefix(const std::string& text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsUtf8Continuation(text[i])) continue;
        if (chars == maxChars) return text.substr(0, i);
        ++chars;
    }
    return text;
}
