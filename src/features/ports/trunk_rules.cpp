#include "features/ports/trunk_rules.h"

#include <algorithm>
#include <initializer_list>

#include "features/common/form_reads.h"

namespace features {

// ---------------------------------------------------------------- helpers

std::vector<int> SelectedPorts(const std::vector<int>& selection) {
    std::vector<int> ports;
    for (std::size_t i = 0; i < selection.size(); ++i)
        if (selection[i] != 0) ports.push_back(static_cast<int>(i) + 1);
    return ports;
}

int CountSelected(const std::vector<int>& selection) {
    return static_cast<int>(std::count_if(selection.begin(), selection.end(), [](int f) { return f != 0; }));
}

bool PortInList(const std::vector<int>& list, int port) {
    return std::find(list.begin(), list.end(), port) != list.end();
}

std::vector<int> PortListToPorts(const Octets& octets, int portCount) {
    return SelectedPorts(PortListToFlags(octets, portCount));
}

int PortValue(const std::vector<int>& values, int port) {
    if (port < 1 || port > static_cast<int>(values.size())) return 0;
    return values[static_cast<std::size_t>(port - 1)];
}

int ReferencePort(const std::vector<int>& values, const std::vector<int>& selection) {
    for (int p : SelectedPorts(selection))
        if (PortValue(values, p) != 0) return p;
    return 0;
}

bool EqualFromFirst(const std::vector<int>& values, const std::vector<int>& selection) {
    const int reference = ReferencePort(values, selection);
    if (reference == 0) return true;
    const int value = PortValue(values, reference);
    for (int p : SelectedPorts(selection))
        if (p > reference && PortValue(values, p) != value) return false;
    return true;
}

bool NotSplit(const std::vector<int>& list, const std::vector<int>& selection) {
    if (list.empty()) return true;
    int inside = 0, outside = 0;
    for (int p : SelectedPorts(selection)) (PortInList(list, p) ? inside : outside)++;
    return inside == 0 || outside == 0;
}

bool SameMembershipAsFirst(const std::vector<int>& list, const std::vector<int>& selection) {
    const std::vector<int> ports = SelectedPorts(selection);
    if (ports.empty()) return true;
    const bool first = PortInList(list, ports.front());
    for (int p : ports)
        if (PortInList(list, p) != first) return false;
    return true;
}

// ---------------------------------------------------------------- data

const char* TrunkReadName(TrunkRead read) {
    switch (read) {
    case TrunkRead::SpeedMedia: return "speed and media";
    case TrunkRead::Priority: return "priorities";
    case TrunkRead::PortSecurity: return "port security";
    case TrunkRead::Loopback: return "loopback detection";
    case TrunkRead::RateControl: return "rate control";
    case TrunkRead::Pvid: return "PVIDs";
    case TrunkRead::SurveillancePorts: return "surveillance port modes";
    case TrunkRead::RstpDot1xVoice: return "RSTP, 802.1X and voice VLAN ports";
    case TrunkRead::Trunks: return "trunks";
    case TrunkRead::Vlans: return "VLANs";
    case TrunkRead::Arp: return "ARP spoofing prevention";
    case TrunkRead::Acl: return "ACLs";
    case TrunkRead::FdbHits: return "forwarding hits";
    case TrunkRead::MirrorIngress: return "mirror ingress ports";
    case TrunkRead::MirrorEgress: return "mirror egress ports";
    case TrunkRead::AutoLearning: return "auto-learning";
    case TrunkRead::MirrorState: return "mirror state";
    case TrunkRead::MirrorTarget: return "mirror target";
    case TrunkRead::DhcpScreening: return "DHCP server screening";
    case TrunkRead::Dot1xState: return "802.1X state";
    case TrunkRead::StpState: return "spanning tree state";
    case TrunkRead::SurveillanceState: return "surveillance VLAN state";
    case TrunkRead::Count: break;
    }
    return "";
}

TrunkRuleData::TrunkRuleData(int ports) { Reset(ports); }

void TrunkRuleData::Reset(int ports) {
    portCount = std::max(ports, 0);
    const std::size_t n = static_cast<std::size_t>(portCount);
    for (auto* v : {&speed, &priority, &pvid, &portSecurity, &media, &loopback, &rateIngress, &rateEgress,
                    &dot1xControl, &voiceMode, &trunkOf, &dhcpScreening, &survMode, &survDynamic})
        v->assign(n, 0);
    rstp.assign(n, {});
    vlanEgress.clear();
    vlanUntagged.clear();
    aclPorts.clear();
    arpPorts.clear();
    mirrorIngress.clear();
    mirrorEgress.clear();
    autoLearning.clear();
    fdbHitPorts.clear();
    mirrorState = mirrorTarget = 0;
    dot1xGlobal = stpGlobal = survGlobal = 0;
    arrived.reset();
}

// ---------------------------------------------------------------- the chain

namespace {

using Rule = std::optional<TrunkRefusal>;

Rule Refuse(int rule, const char* message) { return TrunkRefusal{rule, message}; }

// Two per-port values of every selected port equal those of the first selected port.
template <class Same>
bool AllLikeFirst(const std::vector<int>& selection, Same same) {
    const std::vector<int> ports = SelectedPorts(selection);
    for (int p : ports)
        if (!same(ports.front(), p)) return false;
    return true;
}

}  // namespace

std::optional<TrunkRefusal> FirstTrunkRefusal(const TrunkRuleData& d, const std::vector<int>& sel,
                                              const std::vector<int>& current) {
    const std::vector<int> ports = SelectedPorts(sel);
    // A rule whose data did not arrive cannot pass: unread reads as "none".
    auto missing = [&d](std::initializer_list<TrunkRead> reads) {
        for (TrunkRead r : reads)
            if (!d.Arrived(r)) return true;
        return false;
    };

    // 1. Ports of another trunk.
    if (missing({TrunkRead::Trunks})) return Refuse(1, kMsgNotRead);
    for (int p : ports)
        if (PortValue(d.trunkOf, p) != 0 && !PortInList(current, p)) return Refuse(1, trunkmsg::kOtherTrunk);
    // 2. Media type.
    if (missing({TrunkRead::SpeedMedia})) return Refuse(2, kMsgNotRead);
    if (!EqualFromFirst(d.media, sel)) return Refuse(2, trunkmsg::kMedia);
    // 3. Speed: no half duplex, one speed.
    const int speedRef = PortValue(d.speed, ReferencePort(d.speed, sel));
    if (speedRef == 3 || speedRef == 5) return Refuse(3, trunkmsg::kHalfDuplex);
    if (!EqualFromFirst(d.speed, sel)) return Refuse(3, trunkmsg::kSpeed);
    // 4. DHCP server screening. The flag's 0 is a setting (off), not a value left unread, so
    // every port is compared with the first: off-then-on differs as much as on-then-off.
    if (missing({TrunkRead::DhcpScreening})) return Refuse(4, kMsgNotRead);
    if (!AllLikeFirst(sel, [&](int a, int b) { return PortValue(d.dhcpScreening, a) == PortValue(d.dhcpScreening, b); }))
        return Refuse(4, trunkmsg::kDhcpScreening);
    // 5. 802.1X, when it is on.
    if (missing({TrunkRead::Dot1xState})) return Refuse(5, kMsgNotRead);
    if (d.dot1xGlobal == 1) {
        if (missing({TrunkRead::RstpDot1xVoice})) return Refuse(5, kMsgNotRead);
        for (int p : ports) {
            const int control = PortValue(d.dot1xControl, p);
            if (control == 2) return Refuse(5, trunkmsg::kDot1xAuto);
            if (control == 1) return Refuse(5, trunkmsg::kDot1xUnauthorised);
        }
    }
    // 6. VLANs: egress lists, then untagged lists.
    if (missing({TrunkRead::Vlans})) return Refuse(6, kMsgNotRead);
    for (const auto* lists : {&d.vlanEgress, &d.vlanUntagged})
        for (const auto& l : *lists)
            if (!NotSplit(l, sel)) return Refuse(6, trunkmsg::kVlan);
    // 7. Auto-learning.
    if (missing({TrunkRead::AutoLearning})) return Refuse(7, kMsgNotRead);
    if (d.autoLearning.empty()) return Refuse(7, trunkmsg::kAutoLearning);
    for (int p : ports)
        if (!PortInList(d.autoLearning, p)) return Refuse(7, trunkmsg::kAutoLearning);
    // 8. Priority, PVID, port security, loopback detection.
    if (missing({TrunkRead::Priority})) return Refuse(8, kMsgNotRead);
    if (!EqualFromFirst(d.priority, sel)) return Refuse(8, trunkmsg::kPriority);
    if (missing({TrunkRead::Pvid})) return Refuse(8, kMsgNotRead);
    if (!EqualFromFirst(d.pvid, sel)) return Refuse(8, trunkmsg::kPvid);
    if (missing({TrunkRead::PortSecurity})) return Refuse(8, kMsgNotRead);
    for (int p : ports)
        if (PortValue(d.portSecurity, p) == 1) return Refuse(8, trunkmsg::kPortSecurity);
    if (missing({TrunkRead::Loopback})) return Refuse(8, kMsgNotRead);
    for (int p : ports)
        if (PortValue(d.loopback, p) == 1) return Refuse(8, trunkmsg::kLoopback);
    // 9. Mirror sources.
    if (missing({TrunkRead::MirrorIngress, TrunkRead::MirrorEgress})) return Refuse(9, kMsgNotRead);
    if (!d.mirrorIngress.empty() || !d.mirrorEgress.empty())
        if (!SameMembershipAsFirst(d.mirrorIngress, sel) || !SameMembershipAsFirst(d.mirrorEgress, sel))
            return Refuse(9, trunkmsg::kMirrorSource);
    // 10. Mirror target.
    if (missing({TrunkRead::MirrorState})) return Refuse(10, kMsgNotRead);
    if (d.mirrorState == 1) {
        if (missing({TrunkRead::MirrorTarget})) return Refuse(10, kMsgNotRead);
        if (PortInList(ports, d.mirrorTarget)) return Refuse(10, trunkmsg::kMirrorTarget);
    }
    // 11. ARP spoofing prevention: every entry, each port protected or not as the first one.
    if (missing({TrunkRead::Arp})) return Refuse(11, kMsgNotRead);
    for (const auto& l : d.arpPorts)
        if (!SameMembershipAsFirst(l, sel)) return Refuse(11, trunkmsg::kArpSpoofing);
    // 12. Rate control.
    if (missing({TrunkRead::RateControl})) return Refuse(12, kMsgNotRead);
    if (!AllLikeFirst(sel, [&](int a, int b) {
            return PortValue(d.rateIngress, a) == PortValue(d.rateIngress, b) &&
                   PortValue(d.rateEgress, a) == PortValue(d.rateEgress, b);
        }))
        return Refuse(12, trunkmsg::kRateControl);
    // 13. RSTP, when spanning tree is on.
    if (missing({TrunkRead::StpState})) return Refuse(13, kMsgNotRead);
    if (d.stpGlobal == 1) {
        if (missing({TrunkRead::RstpDot1xVoice})) return Refuse(13, kMsgNotRead);
        if (!AllLikeFirst(sel, [&](int a, int b) {
                const auto at = [&](int p) {
                    return p >= 1 && p <= static_cast<int>(d.rstp.size()) ? d.rstp[static_cast<std::size_t>(p - 1)]
                                                                          : std::array<int, kRstpValues>{};
                };
                return at(a) == at(b);
            }))
            return Refuse(13, trunkmsg::kRstp);
    }
    // 14. Voice VLAN auto mode.
    if (missing({TrunkRead::RstpDot1xVoice})) return Refuse(14, kMsgNotRead);
    for (int p : ports)
        if (PortValue(d.voiceMode, p) == 1) return Refuse(14, trunkmsg::kVoiceVlan);
    // 15. Forwarding destination hits.
    if (missing({TrunkRead::FdbHits})) return Refuse(15, kMsgNotRead);
    for (int p : ports)
        if (PortInList(d.fdbHitPorts, p)) return Refuse(15, trunkmsg::kFdbHit);
    // 16. ACL entries.
    if (missing({TrunkRead::Acl})) return Refuse(16, kMsgNotRead);
    for (const auto& l : d.aclPorts)
        if (!NotSplit(l, sel)) return Refuse(16, trunkmsg::kAcl);
    // 17. Surveillance VLAN, when it is on.
    if (missing({TrunkRead::SurveillanceState})) return Refuse(17, kMsgNotRead);
    if (d.survGlobal == 1) {
        if (missing({TrunkRead::SurveillancePorts})) return Refuse(17, kMsgNotRead);
        for (int p : ports) {
            if (PortValue(d.survMode, p) == 1) return Refuse(17, trunkmsg::kSurveillanceAuto);
            if (PortValue(d.survDynamic, p) == 2) return Refuse(17, trunkmsg::kSurveillanceDynamic);
        }
    }
    return std::nullopt;
}

}  // namespace features
