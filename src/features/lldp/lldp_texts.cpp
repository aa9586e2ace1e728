#include "features/lldp/lldp_texts.h"

#include <algorithm>

#include "snmp/encodings.h"

namespace lldp {

namespace {

std::string Pick(const std::string& code, const char* const* names, int count) {
    if (code.size() != 1 || code[0] < '1' || code[0] >= '1' + count) return {};
    return names[code[0] - '1'];
}

std::string FirstSixHex(const std::vector<std::uint8_t>& id) {
    return OctetsToHex(id.data(), std::min<std::size_t>(id.size(), 6));
}

// An address of the IANA address families: 1 IPv4 dotted, 2 IPv6 in groups; else hex.
std::string NetworkAddressText(const std::vector<std::uint8_t>& id) {
    if (id.size() == 5 && id[0] == 1)
        return std::to_string(id[1]) + "." + std::to_string(id[2]) + "." + std::to_string(id[3]) + "." +
               std::to_string(id[4]);
    if (id.size() == 17 && id[0] == 2) {
        static const char* digits = "0123456789abcdef";
        std::string out;
        for (std::size_t i = 1; i < 17; i += 2) {
            if (i > 1) out += ':';
            const unsigned group = (static_cast<unsigned>(id[i]) << 8) | id[i + 1];
            std::string g;
            for (int shift = 12; shift >= 0; shift -= 4) g += digits[(group >> shift) & 15];
            out += g.substr(std::min(g.find_first_not_of('0'), g.size() - 1));
        }
        return out;
    }
    return OctetsToHex(id);
}

}  // namespace

std::string ChassisSubtypeText(const std::string& code) {
    static const char* const names[] = {"chassisComponent", "interfaceAlias", "portComponent", "macAddress",
                                        "networkAddress",   "interfaceName",  "local"};
    return Pick(code, names, 7);
}

std::string PortSubtypeText(const std::string& code) {
    static const char* const names[] = {"interfaceAlias", "portComponent", "macAddress", "networkAddress",
                                        "interfaceName",  "agentCircuitld", "local"};
    return Pick(code, names, 7);
}

std::string PrintableText(const std::vector<std::uint8_t>& octets) {
    std::string out;
    for (std::uint8_t c : octets) out += (c < 0x20 || c == 0x7f) ? '.' : static_cast<char>(c);
    return out;
}

std::string ChassisIdText(const std::string& subtype, const std::vector<std::uint8_t>& id) {
    if (subtype == "4") return FirstSixHex(id);
    if (subtype == "5") return NetworkAddressText(id);
    if (subtype == "1" || subtype == "2" || subtype == "3" || subtype == "6" || subtype == "7") return PrintableText(id);
    return FirstSixHex(id);
}

std::string PortIdText(const std::string& subtype, const std::vector<std::uint8_t>& id) {
    if (subtype == "3") return FirstSixHex(id);
    if (subtype == "4") return NetworkAddressText(id);
    return PrintableText(id);
}

}  // namespace lldp
