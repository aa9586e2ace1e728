#pragma once
// Texts of LLDP-MIB values: subtype names and chassis / port identifiers.
#include <cstdint>
#include <string>
#include <vector>

namespace lldp {

// LldpChassisIdSubtype 1 to 7 ("chassisComponent" ... "local"); empty for any other code.
std::string ChassisSubtypeText(const std::string& code);
// LldpPortIdSubtype 1 to 7 ("interfaceAlias" ... "local"); empty for any other code.
std::string PortSubtypeText(const std::string& code);

// A chassis ID as its subtype reads: macAddress (4) as 12 upper-case hex digits of the first
// six octets ("0011223344AA"); networkAddress (5) as the dotted IPv4 address after the address
// family octet; the name subtypes as their text; any other subtype as the hex of the first six
// octets.
std::string ChassisIdText(const std::string& subtype, const std::vector<std::uint8_t>& id);
// A port ID likewise: macAddress (3) in hex, networkAddress (4) dotted, the others as text.
std::string PortIdText(const std::string& subtype, const std::vector<std::uint8_t>& id);
// Octets shown as text: control characters become '.'.
std::string PrintableText(const std::vector<std::uint8_t>& octets);

}  // namespace lldp
