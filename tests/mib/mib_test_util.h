#pragma once
// Helpers of the public MIB viewer tests: running the Net-SNMP command-line tools.
#include <string>
#include <vector>

namespace mibtest {

// Runs a shell command; its standard output split into lines (empty lines dropped).
std::vector<std::string> RunLines(const std::string& command, int* exitCode = nullptr);

// One "OID VALUE" line of `snmpwalk -On -Oq -Ot -Oe` output.
struct WalkLine {
    std::string oid;
    std::string value;
};
// snmpwalk -v1 of one column without MIBs, numeric OIDs and enums, values unquoted.
std::vector<WalkLine> Walk(const std::string& address, const std::string& community, const std::string& column);
// The values of one column.
std::vector<std::string> WalkValues(const std::string& address, const std::string& community,
                                    const std::string& column);
// snmpget -v1 of one object: its value, unquoted.
std::string Get(const std::string& address, const std::string& community, const std::string& oid);

}  // namespace mibtest
