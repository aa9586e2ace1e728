#pragma once
// Texts the public MIB viewers show for standard MIB values. All functions are pure: they take
// the value as the session hands it over (text or octets).
#include <optional>
#include <string>
#include <vector>

#include "snmp/encodings.h"
#include "snmp/table_walk.h"

namespace mib {

// One value of a reply (ReadReplyRow).
using ReplyValue = ReplyRow::Value;

// sysUpTime in hundredths of a second as "h Hour m Min"; empty text stays empty.
std::string FormatUptime(const std::string& ticks);

// A bridge identifier (priority and MAC, 8 octets) as eight "%02X" pairs joined by ":".
// Any other length is shown as the value came.
std::string FormatBridgeId(const ReplyValue& value);

// dot1dStpPortState: 1..6 "Disabled", "Blocked", "Monitored", "Learn", "Forward", "Token";
// other values as they came.
std::string StpPortStateText(const std::string& state);
// dot1dStpPortEnable: "1" shows "Y", anything else "N".
std::string StpEnableText(const std::string& enable);
// dot1dStpPortDesignatedPort: 2 octets as "%02X %02X", any other length as it came.
std::string DesignatedPortText(const ReplyValue& value);

// ifOperStatus: "1" "Connected", "2" "UnConnected", "3" "Test", anything else "Unknown".
std::string IfStatusText(const std::string& status);
// ifSpeed (an unsigned 32-bit gauge) in whole Mbit/s followed by "M"; empty stays empty.
std::string IfSpeedText(const std::string& speed);

// The MAC of a forwarding table instance suffix ".fdbId.m1.m2.m3.m4.m5.m6" as "00-1B-21-0A-0B-0C".
// Empty when the suffix is not an identifier followed by six octet values.
std::string FdbMacFromSuffix(const std::string& suffix);
// dot1qTpFdbStatus by its first character: '1' "Other", '2' "Invalid", '3' "Learn", '4' "Own",
// '5' "Static"; anything else as it came.
std::string FdbStatusText(const std::string& status);

// tcpConnState: 2 "listen" ... 12 "deleteTCB"; anything else "closed".
std::string TcpStateText(const std::string& state);

}  // namespace mib
