#include "features/mib/mib_format.h"

#include <cstdio>

#include "snmp/snmp_lib.h"
#include "snmp/validation.h"

namespace mib {

std::string FormatUptime(const std::string& ticks) {
    if (ticks.empty()) return {};
    const long long v = TextToInt64(ticks);
    const long long h = v / 360000;
    const long long m = (v - h * 360000) / 6000;
    return std::to_string(h) + " Hour " + std::to_string(m) + " Min";
}

namespace {
std::string HexPairs(const Octets& bytes, const char* separator) {
    std::string out;
    char buf[4];
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i) out += separator;
        std::snprintf(buf, sizeof buf, "%02X", bytes[i]);
        out += buf;
    }
    return out;
}
}  // namespace

std::string FormatBridgeId(const ReplyValue& value) {
    if (value.type == SNMP_T_OCTETS && value.bytes.size() == 8) return HexPairs(value.bytes, ":");
    return value.text;
}

std::string StpPortStateText(const std::string& state) {
    static const char* const kNames[] = {"Disabled", "Blocked", "Monitored", "Learn", "Forward", "Token"};
    for (int i = 0; i < 6; ++i)
        if (state == std::to_string(i + 1)) return kNames[i];
    return state;
}

std::string StpEnableText(const std::string& enable) { return enable == "1" ? "Y" : "N"; }

std::string DesignatedPortText(const ReplyValue& value) {
    if (value.type == SNMP_T_OCTETS && value.bytes.size() == 2) return HexPairs(value.bytes, " ");
    return value.text;
}

std::string IfStatusText(const std::string& status) {
    if (status == "1") return "Connected";
    if (status == "2") return "UnConnected";
    if (status == "3") return "Test";
    return "Unknown";
}

std::string IfSpeedText(const std::string& speed) {
    if (speed.empty()) return {};
    // A gauge reaches 4294967295: read it wide so that fast links do not wrap.
    return std::to_string(TextToInt64(speed) / 1000000) + "M";
}

std::string FdbMacFromSuffix(const std::string& suffix) {
    // ".fdbId.a.b.c.d.e.f": seven numbers, the last six octets.
    std::vector<long long> parts;
    std::size_t i = 0;
    if (i < suffix.size() && suffix[i] == '.') ++i;
    while (i <= suffix.size()) {
        std::size_t end = suffix.find('.', i);
        if (end == std::string::npos) end = suffix.size();
        if (end == i || end - i > 10) return {};
        long long n = 0;
        for (std::size_t k = i; k < end; ++k) {
            if (suffix[k] < '0' || suffix[k] > '9') return {};
            n = n * 10 + (suffix[k] - '0');
        }
        parts.push_back(n);
        i = end + 1;
    }
    if (parts.size() != 7) return {};
    std::string mac;
    char buf[4];
    for (std::size_t k = 1; k < 7; ++k) {
        if (parts[k] > 255) return {};
        std::snprintf(buf, sizeof buf, "%02X", static_cast<unsigned>(parts[k]));
        if (k > 1) mac += '-';
        mac += buf;
    }
    return mac;
}

std::string FdbStatusText(const std::string& status) {
    if (status.empty()) return status;
    switch (status[0]) {
    case '1': return "Other";
    case '2': return "Invalid";
    case '3': return "Learn";
    case '4': return "Own";
    case '5': return "Static";
    default: return status;
    }
}

std::string TcpStateText(const std::string& state) {
    static const char* const kNames[] = {"listen",   "synSent",  "synReceived", "established", "finWait1", "finWait2",
                                         "closeWait", "lastAck", "closing",     "timeWait",    "deleteTCB"};
    for (int i = 0; i < 11; ++i)
        if (state == std::to_string(i + 2)) return kNames[i];
    return "closed";
}

}  // namespace mib
