#pragma once
// The rules a set of ports must satisfy before they may form one aggregated link (trunk), over
// the port settings read from the switch. Pure logic: no sessions, no windows. The pieces (the
// two comparison forms, port lists as flags) are separate helpers for other forms to reuse.
//
// Selections and per-port arrays are indexed by port - 1; a selection flag other than 0 means
// "selected". Port lists are port numbers (1-based), in any order.
#include <array>
#include <bitset>
#include <optional>
#include <string>
#include <vector>

#include "snmp/encodings.h"

namespace features {

// The messages of the rules, as the switch's administrators know them.
namespace trunkmsg {
constexpr const char* kOtherTrunk = "Cannot add the port as it is a member of another aggregated link !";
constexpr const char* kMedia = "Cannot add ports of different types to an aggregated link !";
constexpr const char* kHalfDuplex = "Cannot add a port in half-duplex mode to an aggregated link.";
constexpr const char* kSpeed = "Cannot add ports of different speed to an aggregated link.";
constexpr const char* kDhcpScreening =
    "Cannot add ports with different DHCP Server Screening Port Settings to an aggregated link.";
constexpr const char* kDot1xAuto = "Cannot add the 802.1X-enabled port to an aggregated link.";
constexpr const char* kDot1xUnauthorised = "Setting the Channel Mode Fail.";
constexpr const char* kVlan = "Cannot add ports with different VLAN configurations to an aggregated link !";
constexpr const char* kAutoLearning = "Cannot add a Auto-learn disabled port to an aggregated link.";
constexpr const char* kPriority = "Cannot add ports with different 802.1p default priorities to an aggregated link.";
constexpr const char* kPvid = "Cannot add ports with different PVIDs to an aggregated link.";
constexpr const char* kPortSecurity = "Cannot add a port-security anabled port to an aggregated link.";
constexpr const char* kLoopback = "Cannot add a LBD-enabled port to an aggregated link.";
constexpr const char* kMirrorSource = "Cannot add ports of Port Mirror enable ports to an aggregated link.";
constexpr const char* kMirrorTarget = "Cannot add a mirror port to an aggregated link.";
constexpr const char* kArpSpoofing = "Cannot add ports of ARP Spoofing Prevent enable ports to an aggregated link.";
constexpr const char* kRateControl = "Cannot add ports with different rate control configurations to an aggregated link.";
constexpr const char* kRstp = "Cannot add a port with different RSTP port setting to an aggregated link. ";
constexpr const char* kVoiceVlan = "Cannot add a port in Voice Vlan Auto mode to an aggregated link.";
constexpr const char* kFdbHit = "Cannot add ports with different FDB-destination-hit configurations to an aggregated link.";
constexpr const char* kAcl = "Cannot add an ACL enabled port to an aggregated link.";
constexpr const char* kSurveillanceAuto = "Cannot add a port in  Auto Surveillance VLAN Auto mode to an aggregated link";
constexpr const char* kSurveillanceDynamic =
    "Cannot add a port in Auto Surveillance Vlan Auto dynamic mode to an aggregated link";
}  // namespace trunkmsg

// Number of RSTP port settings that must agree.
constexpr int kRstpValues = 7;

// ---------------------------------------------------------------- helpers

// The selected ports, ascending.
std::vector<int> SelectedPorts(const std::vector<int>& selection);
// How many ports are selected.
int CountSelected(const std::vector<int>& selection);
// True when `port` is in the list.
bool PortInList(const std::vector<int>& list, int port);
// Ports named by a PortList (first ceil(portCount/8) octets), ascending.
std::vector<int> PortListToPorts(const Octets& octets, int portCount);
// The value of a per-port array for a port, 0 outside the array.
int PortValue(const std::vector<int>& values, int port);

// "Equal from first": walking the ports in ascending order, the reference is the value of the
// first selected port whose value is not 0; every selected port after it must hold exactly that
// value (a 0 counts as different). True when they do (also when no selected port has a value).
bool EqualFromFirst(const std::vector<int>& values, const std::vector<int>& selection);
// The first selected port whose value is not 0, or 0 when there is none.
int ReferencePort(const std::vector<int>& values, const std::vector<int>& selection);
// "Not split": the selection lies wholly inside the list or wholly outside it. An empty list
// never splits.
bool NotSplit(const std::vector<int>& list, const std::vector<int>& selection);
// Every selected port is in the list exactly when the first selected port is.
bool SameMembershipAsFirst(const std::vector<int>& list, const std::vector<int>& selection);

// ---------------------------------------------------------------- the data the rules read

// The reads the rules depend on. A rule whose read did not come back complete cannot tell "not
// read" from "none" and refuses with kMsgNotRead.
enum class TrunkRead : unsigned {
    SpeedMedia,
    Priority,
    PortSecurity,
    Loopback,
    RateControl,
    Pvid,
    SurveillancePorts,
    RstpDot1xVoice,  // the RSTP columns, 802.1X port control and voice VLAN mode: one walk
    Trunks,
    Vlans,
    Arp,
    Acl,
    FdbHits,
    MirrorIngress,
    MirrorEgress,
    AutoLearning,
    MirrorState,
    MirrorTarget,
    DhcpScreening,
    Dot1xState,
    StpState,
    SurveillanceState,
    Count
};
// The read's name in the member dialog's read state.
const char* TrunkReadName(TrunkRead read);

// Everything gathered from the switch; what never arrived stays 0 / empty.
struct TrunkRuleData {
    explicit TrunkRuleData(int portCount = 0);
    void Reset(int portCount);  // every array sized to the port count and zeroed, lists emptied

    // Which reads came back complete (none after Reset).
    std::bitset<static_cast<std::size_t>(TrunkRead::Count)> arrived;
    bool Arrived(TrunkRead r) const { return arrived.test(static_cast<std::size_t>(r)); }
    void SetArrived(TrunkRead r, bool on) { arrived.set(static_cast<std::size_t>(r), on); }
    void MarkAllArrived() { arrived.set(); }

    int portCount = 0;
    // Per port (index = port - 1).
    std::vector<int> speed;           // speed control 1..7
    std::vector<int> priority;        // 802.1p default priority
    std::vector<int> pvid;
    std::vector<int> portSecurity;    // 1 = enabled
    std::vector<int> media;
    std::vector<int> loopback;        // 1 = enabled
    std::vector<int> rateIngress, rateEgress;
    std::vector<std::array<int, kRstpValues>> rstp;
    std::vector<int> dot1xControl;    // 1 forced unauthorised, 2 auto, 3 forced authorised
    std::vector<int> voiceMode;       // 1 = auto
    std::vector<int> trunkOf;         // trunk number, 0 = none
    std::vector<int> dhcpScreening;   // 1 = screening port
    std::vector<int> survMode, survDynamic;  // surveillance port modes (first, second value)
    // Lists.
    std::vector<std::vector<int>> vlanEgress, vlanUntagged;  // one port list per VLAN
    std::vector<std::vector<int>> aclPorts;                  // one port list per ACL entry with ports
    std::vector<std::vector<int>> arpPorts;                  // one port list per ARP spoofing entry with ports
    std::vector<int> mirrorIngress, mirrorEgress;
    std::vector<int> autoLearning;
    std::vector<int> fdbHitPorts;     // destination port of each forwarding hit entry
    // Numbers.
    int mirrorState = 0;
    int mirrorTarget = 0;
    int dot1xGlobal = 0;              // 1 enabled, 2 not (0 before it was read)
    int stpGlobal = 0;
    int survGlobal = 0;
};

// A rule that refused the selection: its number in the chain (1..17) and its message.
struct TrunkRefusal {
    int rule = 0;
    std::string message;
    bool operator==(const TrunkRefusal&) const = default;
};

// Runs the chain of seventeen rules in order on the selection; the first that fails is returned.
// A rule whose data has not arrived refuses with kMsgNotRead.
// currentMembers: the trunk's present member ports (they may be members of a trunk: their own).
std::optional<TrunkRefusal> FirstTrunkRefusal(const TrunkRuleData& data, const std::vector<int>& selection,
                                              const std::vector<int>& currentMembers);

}  // namespace features
