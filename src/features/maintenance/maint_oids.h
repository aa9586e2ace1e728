#pragma once
// Objects of the maintenance dialogs (all under the switch's private tree).
namespace maint {

inline constexpr const char* kPriv = "1.3.6.1.4.1.171.10.76.12";

// TFTP transfer: firmware and configuration each have server, file name, operation and status.
struct TransferObjects {
    const char* server;     // IpAddress
    const char* fileName;   // OCTET STRING
    const char* operation;  // 1 upgrade, 2 backup
    const char* status;     // 0/1 success, 2 failure, 3 in progress, 4 not started
};
inline constexpr TransferObjects kFirmwareObjects{
    "1.3.6.1.4.1.171.10.76.12.3.1.0", "1.3.6.1.4.1.171.10.76.12.3.2.0", "1.3.6.1.4.1.171.10.76.12.3.3.0",
    "1.3.6.1.4.1.171.10.76.12.3.4.0"};
inline constexpr TransferObjects kConfigObjects{
    "1.3.6.1.4.1.171.10.76.12.3.5.0", "1.3.6.1.4.1.171.10.76.12.3.6.0", "1.3.6.1.4.1.171.10.76.12.3.7.0",
    "1.3.6.1.4.1.171.10.76.12.3.8.0"};

// Syslog host.
inline constexpr const char* kOidSyslogServer = "1.3.6.1.4.1.171.10.76.12.16.1.1.0";
inline constexpr const char* kOidSyslogPort = "1.3.6.1.4.1.171.10.76.12.16.1.2.0";
inline constexpr const char* kOidSyslogSeverity = "1.3.6.1.4.1.171.10.76.12.16.1.4.0";
inline constexpr const char* kOidSyslogFacility = "1.3.6.1.4.1.171.10.76.12.16.1.5.0";
inline constexpr const char* kOidSyslogState = "1.3.6.1.4.1.171.10.76.12.16.1.6.0";

// Jumbo frames: 1 enabled, 2 disabled.
inline constexpr const char* kOidJumboFrame = "1.3.6.1.4.1.171.10.76.12.1.12.0";

// Multicast filtering, indexed by VLAN ID.
inline constexpr const char* kOidMcastVlan = "1.3.6.1.4.1.171.10.76.12.7.8.1.1";
inline constexpr const char* kOidVlanName = "1.3.6.1.4.1.171.10.76.12.7.6.1.1";
inline constexpr const char* kOidMcastMode = "1.3.6.1.4.1.171.10.76.12.7.8.1.2";

}  // namespace maint
