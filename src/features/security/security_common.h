#pragma once
// Objects and small helpers shared by the access security dialogs (802.1X, ARP spoofing
// prevention, DHCP server screening).
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/port_range.h"
#include "features/common/sync_request.h"
#include "snmp/common_snmp.h"
#include "snmp/encodings.h"

namespace security {

// ---- 802.1X (scalars with their ".0" instance)
inline constexpr const char* kOidDot1xState = "1.3.6.1.4.1.171.10.76.12.11.2.1.0";
inline constexpr const char* kOidRadiusServer = "1.3.6.1.4.1.171.10.76.12.11.1.1.0";
inline constexpr const char* kOidRadiusKey = "1.3.6.1.4.1.171.10.76.12.11.1.2.0";
inline constexpr const char* kOidQuietPeriod = "1.3.6.1.4.1.171.10.76.12.11.2.2.0";
inline constexpr const char* kOidTxPeriod = "1.3.6.1.4.1.171.10.76.12.11.2.3.0";
inline constexpr const char* kOidSuppTimeout = "1.3.6.1.4.1.171.10.76.12.11.2.4.0";
inline constexpr const char* kOidServerTimeout = "1.3.6.1.4.1.171.10.76.12.11.2.5.0";
inline constexpr const char* kOidMaxReq = "1.3.6.1.4.1.171.10.76.12.11.2.6.0";
inline constexpr const char* kOidReAuthPeriod = "1.3.6.1.4.1.171.10.76.12.11.2.7.0";
inline constexpr const char* kOidReAuthEnabled = "1.3.6.1.4.1.171.10.76.12.11.2.8.0";
// Per-port columns (instance = port number).
inline constexpr const char* kOidAuthControlledPortControl = "1.3.6.1.4.1.171.10.76.12.11.2.9.1.2";
inline constexpr const char* kOidAuthControlledPortStatus = "1.3.6.1.4.1.171.10.76.12.11.2.9.1.3";

// ---- ARP spoofing prevention table (instance = the gateway address as four arcs)
inline constexpr const char* kOidArpGatewayIp = "1.3.6.1.4.1.171.10.76.12.14.3.1.1.1";
inline constexpr const char* kOidArpGatewayMac = "1.3.6.1.4.1.171.10.76.12.14.3.1.1.2";
inline constexpr const char* kOidArpPorts = "1.3.6.1.4.1.171.10.76.12.14.3.1.1.3";
inline constexpr const char* kOidArpRowStatus = "1.3.6.1.4.1.171.10.76.12.14.3.1.1.4";
// Most entries the switch holds.
inline constexpr int kMaxArpEntries = 64;

// ---- DHCP server screening: PortList of the screened ports.
inline constexpr const char* kOidDhcpScreeningPorts = "1.3.6.1.4.1.171.10.76.12.14.7.1.0";

// The set bindings of these dialogs' writes (features::CFormWrite).
using features::SetValue;

// A user's write of several steps, with the message worded by the dialog.
using features::NotChanged;
using features::StepResult;

// The port choosers and the device's port count, as every port loop of these dialogs uses them.
using features::BindFromToPorts;
using features::ChosenPort;
using features::DevicePorts;
using features::PortItems;

}  // namespace security
