#pragma once
// Objects, records and small helpers shared by the 802.1Q VLAN dialogs.
#include <functional>
#include <string>
#include <vector>

#include "features/common/form_write.h"
#include "features/common/sync_request.h"
#include "snmp/common_snmp.h"
#include "snmp/encodings.h"
#include "snmp/table_walk.h"

namespace vlan {

// Private copy of the Q-BRIDGE static VLAN table (same column numbering) and its neighbours.
inline constexpr const char* kOidAsymmetricVlan = "1.3.6.1.4.1.171.10.76.12.7.5.0";
inline constexpr const char* kOidVlanStaticName = "1.3.6.1.4.1.171.10.76.12.7.6.1.1";
inline constexpr const char* kOidVlanStaticEgressPorts = "1.3.6.1.4.1.171.10.76.12.7.6.1.2";
inline constexpr const char* kOidVlanForbiddenEgressPorts = "1.3.6.1.4.1.171.10.76.12.7.6.1.3";
inline constexpr const char* kOidVlanStaticUntaggedPorts = "1.3.6.1.4.1.171.10.76.12.7.6.1.4";
inline constexpr const char* kOidVlanStaticRowState = "1.3.6.1.4.1.171.10.76.12.7.6.1.5";
inline constexpr const char* kOidVlanPvid = "1.3.6.1.4.1.171.10.76.12.7.7.1.1";
inline constexpr const char* kOidVoiceVlanState = "1.3.6.1.4.1.171.10.76.12.21.1.2.0";
inline constexpr const char* kOidVoiceVlanId = "1.3.6.1.4.1.171.10.76.12.21.1.3.0";
inline constexpr const char* kOidSurveillanceVlanState = "1.3.6.1.4.1.171.10.76.12.34.1.1.0";
inline constexpr const char* kOidSurveillanceVlanId = "1.3.6.1.4.1.171.10.76.12.34.1.2.0";

// Most VLANs the switch holds.
inline constexpr int kMaxVlanCount = 256;
// The bound of the static VLAN table walk: every VLAN ID a switch can carry (1..4094).
inline constexpr size_t kMaxVlanRows = 4094;
// Longest name the switch stores, in UTF-8 bytes.
inline constexpr int kMaxNameBytes = 127;

// One active static VLAN as listed by the VLAN table dialog. The editors only read it.
struct VlanRecord {
    int vid = 0;
    std::string name;            // UTF-8
    std::string egressPorts;     // "1,2,5"
    std::string untaggedPorts;
    std::string forbiddenPorts;
    int egressCount = 0;
    int untaggedCount = 0;
    int forbiddenCount = 0;
};
using VlanRecordList = std::vector<VlanRecord>;

// The record with the given VID, or null.
const VlanRecord* FindVlan(const VlanRecordList& records, int vid);

// Port numbers of a "1,2,5" text.
std::vector<int> ParsePortNumbers(const std::string& text);

// Reads objects of one table row with an asynchronous get, to tell what a write left behind:
// done(answered, row) on the UI thread. answered is false only when the switch did not answer;
// a row that is not there reads as values not present (SNMPv1 answers noSuchName for it).
using RowReadDone = std::function<void(bool answered, const ReplyRow& row)>;
void ReadRowLater(CTableWalk& walk, const std::vector<std::string>& oids, RowReadDone done);
}  // namespace vlan
