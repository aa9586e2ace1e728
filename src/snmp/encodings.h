#pragma once
// Conversions between the values the switch carries over SNMP and the texts the forms show.
//
// PortList (as in Q-BRIDGE-MIB): octet k holds ports 8k+1..8k+8, the most significant bit being
// the lowest port, so port 1 is bit 0x80 of octet 0. Port flags: one int per port, index =
// port - 1, 0 = not selected. Functions take the port count as a parameter (callers pass
// Profile().DevicePortNum); negative counts act as 0 and counts above kMaxEncodedPorts are cut.
// Octet strings read from the switch may be shorter than the port count needs: missing octets
// count as zero.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using Octets = std::vector<std::uint8_t>;

// Largest port count the encodings handle (1024 PortList octets).
constexpr int kMaxEncodedPorts = 8192;

// A port text with the number of ports it names.
struct PortText {
    std::string text;  // "1,2,5" or "1-3,5"
    int count = 0;
};

// Ports set in the first ceil(portCount/8) octets, ascending, joined by "," ("1,2,5").
PortText PortListToNumbers(const std::uint8_t* octets, std::size_t length, int portCount);
PortText PortListToNumbers(const Octets& octets, int portCount);
// Ports p with low <= p <= high set anywhere in the octets, runs written "a-b" ("1-3,5,7-8").
PortText PortListToRanges(const std::uint8_t* octets, std::size_t length, int low, int high);
PortText PortListToRanges(const Octets& octets, int low, int high);
// Per-port flags (size portCount) with 1 for every port set in the first ceil(portCount/8) octets.
std::vector<int> PortListToFlags(const Octets& octets, int portCount);

// Two upper-case hexadecimal digits per octet, no separator ("80400000").
std::string OctetsToHex(const std::uint8_t* octets, std::size_t length);
std::string OctetsToHex(const Octets& octets);
// Each hex digit covers the next four ports (8 = first, 1 = fourth); other characters are
// skipped without advancing. Port numbers joined by ",".
PortText HexToPortNumbers(const std::string& hex);
// Pairs of hex digits to octets; an odd-length text gets a "0" appended first. A pair is read
// up to its first non-hex character ("1G" is 0x01, "G1" is 0x00).
Octets HexToOctets(const std::string& hex);

// The hex digits for the first portCount flags (4 ports per digit, first port = 8, missing
// flags count 0), followed by the padding digits of the port count: 10 "00000", 16 "0000",
// 24 "00", 28 "0", 48 "0000", 52 "000", none for other counts.
std::string PortFlagsToHex(const std::vector<int>& flags, int portCount);
// PortFlagsToHex converted to octets; send it as type 2 with octets.size() as the length.
Octets PortFlagsToPortList(const std::vector<int>& flags, int portCount);
// For each comma-separated number n with 1 <= n <= portCount, sets flags[n-1] = value; other
// numbers are ignored. `flags` grows to portCount when shorter.
void PortNumbersToFlags(const std::string& numbers, int portCount, std::vector<int>& flags, int value = 1);
// Same, on a fresh all-zero flag array of portCount entries.
std::vector<int> PortNumbersToFlags(const std::string& numbers, int portCount, int value = 1);
// The numbers of the ports whose flag is not 0, joined by "," (inverse of PortNumbersToFlags).
PortText PortFlagsToNumbers(const std::vector<int>& flags);

// Record text: entries "key:ports" each followed by the literal separator "%0A0A".
constexpr const char* kRecordSeparator = "%0A0A";
struct PortRecord {
    std::string key;
    std::string ports;
};
// "key:ports%0A0A".
std::string BuildRecord(const std::string& key, const std::string& ports);
// Appends one entry to `text`.
void AppendRecord(std::string& text, const std::string& key, const std::string& ports);
// Every entry that a separator ends (text after the last separator is not an entry). The key is
// the text before the first ":", the ports the text after it (empty when there is no ":").
std::vector<PortRecord> ParseRecords(const std::string& text);

// "%02X:%02X:%02X:%02X:%02X:%02X" of the first six octets (missing octets show as 00);
// `separator` ':' by default, some tables show '-'.
std::string FormatMac(const std::uint8_t* octets, std::size_t length, char separator = ':');
std::string FormatMac(const Octets& octets, char separator = ':');

// Object instances. "<column>.<index>": the object of one row of a table indexed by a number.
std::string InstanceOid(const std::string& column, int index);
// The number of a one-arc instance ("12", or ".12"): 1..max, 0 for anything else (empty,
// non-numeric, several arcs, 0, above max).
int InstanceNumber(const std::string& suffix, int max);

// UTF-8 texts. At most maxBytes bytes of `text`, cut before a character that would not fit whole.
std::string Utf8CutBytes(const std::string& text, std::size_t maxBytes);
// At most maxChars characters of `text` (a character is never cut in half).
std::string Utf8Prefix(const std::string& text, std::size_t maxChars);
