// The membership rules on data built in the test: the two comparison forms and the places of
// the chain where the order of checks or a special value decides the outcome.
#include <gtest/gtest.h>

#include <functional>

#include "features/common/form_reads.h"
#include "features/ports/trunk_rules.h"

using namespace features;
using Ints = std::vector<int>;

namespace {

// Flags of `count` ports with the listed ports selected.
Ints Pick(int count, Ints ports) {
    Ints flags(static_cast<std::size_t>(count), 0);
    for (int p : ports) flags[static_cast<std::size_t>(p - 1)] = 1;
    return flags;
}

}  // namespace

TEST(TrunkCompare, EqualFromFirstTakesTheFirstNonZeroValueAsReference) {
    struct Case {
        Ints values;
        Ints selected;
        bool equal;
        int reference;
    } cases[] = {
        {{1, 1, 1, 1}, {1, 2}, true, 1},
        {{1, 2, 1, 1}, {1, 2}, false, 1},
        {{0, 0, 5, 5}, {1, 2}, true, 0},        // nothing arrived: passes
        {{0, 3, 3, 9}, {1, 2, 3}, true, 2},     // a 0 before the reference is not compared
        {{3, 0, 3, 3}, {1, 2, 3}, false, 1},    // a 0 after it counts as different
        {{4, 9, 4, 4}, {1, 3, 4}, true, 1},     // unselected ports do not count
        {{4, 4, 4, 7}, {1, 4}, false, 1},
    };
    for (const auto& c : cases) {
        const Ints sel = Pick(4, c.selected);
        EXPECT_EQ(EqualFromFirst(c.values, sel), c.equal) << ::testing::PrintToString(c.values);
        EXPECT_EQ(ReferencePort(c.values, sel), c.reference) << ::testing::PrintToString(c.values);
    }
}

TEST(TrunkCompare, NotSplitAndSameMembership) {
    struct Case {
        Ints list;
        Ints selected;
        bool notSplit;
    } cases[] = {
        {{}, {1, 2}, true},         // an empty list never splits
        {{1}, {1, 2}, false},
        {{1, 2}, {1, 2}, true},
        {{1, 2, 3}, {1, 2}, true},  // wholly inside
        {{3, 4}, {1, 2}, true},     // wholly outside
        {{2, 7}, {1, 2, 3}, false},
    };
    for (const auto& c : cases) {
        const Ints sel = Pick(8, c.selected);
        EXPECT_EQ(NotSplit(c.list, sel), c.notSplit) << ::testing::PrintToString(c.list);
        // Same membership as the first port is the same test for a non-empty list.
        if (!c.list.empty()) {
            EXPECT_EQ(SameMembershipAsFirst(c.list, sel), c.notSplit);
        }
    }
    EXPECT_EQ(SelectedPorts(Pick(8, {7, 2, 5})), (Ints{2, 5, 7}));
    EXPECT_EQ(CountSelected(Pick(8, {7, 2, 5})), 3);
    EXPECT_EQ(PortListToPorts({0xC1, 0xC0, 0xFF}, 10), (Ints{1, 2, 8, 9, 10}));
    EXPECT_EQ(PortValue({5, 6}, 3), 0);
    EXPECT_EQ(PortValue({5, 6}, 0), 0);
}

// Cases of the chain on an 8-port switch whose data otherwise lets ports 1 and 2 pass: the order
// of the checks and the values that decide (the cases against the switch cover the rest).
TEST(TrunkChain, OrderAndSpecialValues) {
    struct Case {
        const char* name;
        std::function<void(TrunkRuleData&)> set;
        Ints selected;
        Ints current;
        int rule;  // 0: passes
        const char* message;
    } cases[] = {
        {"all agree", [](TrunkRuleData&) {}, {1, 2}, {}, 0, ""},
        {"a member of another trunk", [](TrunkRuleData& d) { d.trunkOf[1] = 3; }, {1, 2}, {1}, 1, trunkmsg::kOtherTrunk},
        {"speed 1 and 2", [](TrunkRuleData& d) { d.speed[0] = 1, d.speed[1] = 2; }, {1, 2}, {}, 3, trunkmsg::kSpeed},
        {"reference at 3 is half duplex", [](TrunkRuleData& d) { d.speed[0] = d.speed[1] = 3; }, {1, 2}, {}, 3,
         trunkmsg::kHalfDuplex},
        {"reference after a 0 at 5", [](TrunkRuleData& d) { d.speed[0] = 0, d.speed[1] = 5; }, {1, 2}, {}, 3,
         trunkmsg::kHalfDuplex},
        {"media decides before speed", [](TrunkRuleData& d) { d.media[0] = 1, d.media[1] = 2, d.speed[1] = 2; }, {1, 2}, {}, 2,
         trunkmsg::kMedia},
        {"802.1X unauthorised on port 2 after authorised port 1",
         [](TrunkRuleData& d) { d.dot1xGlobal = 1, d.dot1xControl = {3, 1, 2, 3, 3, 3, 3, 3}; }, {1, 2}, {}, 5,
         trunkmsg::kDot1xUnauthorised},
        {"untagged lists split after equal egress lists",
         [](TrunkRuleData& d) { d.vlanEgress = {{1, 2}}, d.vlanUntagged = {{2}}; }, {1, 2}, {}, 6, trunkmsg::kVlan},
        {"auto-learning not read", [](TrunkRuleData& d) { d.autoLearning.clear(); }, {1, 2}, {}, 7,
         trunkmsg::kAutoLearning},
        {"mirror lists: only one direction set", [](TrunkRuleData& d) { d.mirrorEgress = {1, 2}; }, {1, 2}, {}, 0, ""},
        {"mirror target outside the selection", [](TrunkRuleData& d) { d.mirrorState = 1, d.mirrorTarget = 3; }, {1, 2},
         {}, 0, ""},
        {"rate control compared with 0 included", [](TrunkRuleData& d) { d.rateEgress[1] = 64; }, {1, 2}, {}, 12,
         trunkmsg::kRateControl},
        {"ACL on port 1 only", [](TrunkRuleData& d) { d.aclPorts = {{1, 2}, {1}}; }, {1, 2}, {}, 16, trunkmsg::kAcl},
        {"surveillance off", [](TrunkRuleData& d) { d.survGlobal = 2, d.survMode[0] = 1; }, {1, 2}, {}, 0, ""},
        // Every ARP entry counts: the one on port 1 splits {1, 2} although the last is on port 5.
        {"ARP entries on ports 1 and 5", [](TrunkRuleData& d) { d.arpPorts = {{1}, {5}}; }, {1, 2}, {}, 11,
         trunkmsg::kArpSpoofing},
        {"ARP entries on ports 5 and 1", [](TrunkRuleData& d) { d.arpPorts = {{5}, {1}}; }, {1, 2}, {}, 11,
         trunkmsg::kArpSpoofing},
        {"ARP entries on both or neither", [](TrunkRuleData& d) { d.arpPorts = {{1, 2}, {5}}; }, {1, 2}, {}, 0, ""},
    };
    for (const auto& c : cases) {
        TrunkRuleData d(8);
        d.MarkAllArrived();
        d.autoLearning = {1, 2, 3, 4, 5, 6, 7, 8};
        c.set(d);
        const auto refusal = FirstTrunkRefusal(d, Pick(8, c.selected), c.current);
        if (c.rule == 0) {
            EXPECT_FALSE(refusal.has_value()) << c.name << ": rule " << refusal->rule;
        } else {
            ASSERT_TRUE(refusal.has_value()) << c.name;
            EXPECT_EQ(*refusal, (TrunkRefusal{c.rule, c.message})) << c.name;
        }
    }
}

// A rule whose read did not come back complete refuses with the not-read message, in its place
// in the chain: an earlier rule that has its data still decides first, and a read that only a
// switched-off feature needs does not stop the chain.
TEST(TrunkChain, RulesWithoutTheirDataRefuse) {
    struct Case {
        const char* name;
        TrunkRead missing;
        std::function<void(TrunkRuleData&)> set;
        int rule;  // 0: passes
        const char* message;
    } cases[] = {
        {"trunks", TrunkRead::Trunks, [](TrunkRuleData&) {}, 1, kMsgNotRead},
        {"speed and media", TrunkRead::SpeedMedia, [](TrunkRuleData&) {}, 2, kMsgNotRead},
        {"DHCP screening", TrunkRead::DhcpScreening, [](TrunkRuleData&) {}, 4, kMsgNotRead},
        {"802.1X state", TrunkRead::Dot1xState, [](TrunkRuleData&) {}, 5, kMsgNotRead},
        {"802.1X ports with 802.1X on", TrunkRead::RstpDot1xVoice, [](TrunkRuleData& d) { d.dot1xGlobal = 1; }, 5,
         kMsgNotRead},
        {"VLANs", TrunkRead::Vlans, [](TrunkRuleData&) {}, 6, kMsgNotRead},
        {"auto-learning", TrunkRead::AutoLearning, [](TrunkRuleData&) {}, 7, kMsgNotRead},
        {"priorities", TrunkRead::Priority, [](TrunkRuleData&) {}, 8, kMsgNotRead},
        {"PVIDs", TrunkRead::Pvid, [](TrunkRuleData&) {}, 8, kMsgNotRead},
        {"port security", TrunkRead::PortSecurity, [](TrunkRuleData&) {}, 8, kMsgNotRead},
        {"loopback detection", TrunkRead::Loopback, [](TrunkRuleData&) {}, 8, kMsgNotRead},
        {"mirror egress", TrunkRead::MirrorEgress, [](TrunkRuleData&) {}, 9, kMsgNotRead},
        {"mirror state", TrunkRead::MirrorState, [](TrunkRuleData&) {}, 10, kMsgNotRead},
        {"mirror target, mirroring off", TrunkRead::MirrorTarget, [](TrunkRuleData& d) { d.mirrorState = 2; }, 0, ""},
        {"mirror target, mirroring on", TrunkRead::MirrorTarget, [](TrunkRuleData& d) { d.mirrorState = 1; }, 10,
         kMsgNotRead},
        {"ARP", TrunkRead::Arp, [](TrunkRuleData&) {}, 11, kMsgNotRead},
        {"rate control", TrunkRead::RateControl, [](TrunkRuleData&) {}, 12, kMsgNotRead},
        {"STP state", TrunkRead::StpState, [](TrunkRuleData&) {}, 13, kMsgNotRead},
        {"RSTP ports, STP off", TrunkRead::RstpDot1xVoice, [](TrunkRuleData& d) { d.stpGlobal = 2; }, 14, kMsgNotRead},
        {"forwarding hits", TrunkRead::FdbHits, [](TrunkRuleData&) {}, 15, kMsgNotRead},
        {"ACL", TrunkRead::Acl, [](TrunkRuleData&) {}, 16, kMsgNotRead},
        {"surveillance state", TrunkRead::SurveillanceState, [](TrunkRuleData&) {}, 17, kMsgNotRead},
        {"surveillance ports, feature off", TrunkRead::SurveillancePorts, [](TrunkRuleData& d) { d.survGlobal = 2; }, 0,
         ""},
        {"surveillance ports, feature on", TrunkRead::SurveillancePorts, [](TrunkRuleData& d) { d.survGlobal = 1; }, 17,
         kMsgNotRead},
        // An earlier rule with its data decides before the unread one.
        {"media differ, ACL unread", TrunkRead::Acl, [](TrunkRuleData& d) { d.media[0] = 1, d.media[1] = 2; }, 2,
         trunkmsg::kMedia},
    };
    for (const auto& c : cases) {
        TrunkRuleData d(8);
        d.MarkAllArrived();
        d.autoLearning = {1, 2, 3, 4, 5, 6, 7, 8};
        c.set(d);
        d.SetArrived(c.missing, false);
        const auto refusal = FirstTrunkRefusal(d, Pick(8, {1, 2}), {});
        if (c.rule == 0) {
            EXPECT_FALSE(refusal.has_value()) << c.name << ": rule " << refusal->rule;
        } else {
            ASSERT_TRUE(refusal.has_value()) << c.name;
            EXPECT_EQ(*refusal, (TrunkRefusal{c.rule, c.message})) << c.name;
        }
    }
    // Nothing read at all: the first rule already refuses, not some rule on zeros further on.
    EXPECT_EQ(FirstTrunkRefusal(TrunkRuleData(8), Pick(8, {1, 2}), {}), (TrunkRefusal{1, kMsgNotRead}));
}
