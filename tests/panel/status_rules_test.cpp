// How walk replies become port states: the link and PoE rules, fibre twins, the walk ends and
// failures, and replies that do not fit the panel.
#include <gtest/gtest.h>

#include "panel/panel_status.h"
#include "panel/status_rules.h"
#include "panel_fakes.h"
#include "snmp/common_snmp.h"
#include "snmp/snmp_lib.h"

using namespace panel;
using namespace paneltest;

namespace {

struct Panel {
    CDevModule root;
    ModuleList modules;
    FakeLoader loader;
    PortStateRecord record;
    Panel(int portCount, int elements) : record(portCount) {
        EXPECT_TRUE(LoadPanelFromText(SyntheticPanel(elements, 0), "", root, modules, &loader));
    }
    int Status(int element) const { return StatusOf(root, element); }
};

LinkRow Up(int port, const char* speed, int medium = 1) {
    return {std::to_string(port), "1", "1", speed, std::to_string(medium)};
}

TEST(LinkRules, SpeedJudgedByTheGigabitBoundary) {
    // A 10-port model without IsAllGiga: ports 9 and 10 are gigabit ports.
    EXPECT_EQ(LinkStatus(Up(9, "1000000000"), 10, false), kPortLinkTop);
    EXPECT_EQ(LinkStatus(Up(9, "100000000"), 10, false), kPortLinkLower);
    EXPECT_EQ(LinkStatus(Up(3, "100000000"), 10, false), kPortLinkTop);
    EXPECT_EQ(LinkStatus(Up(3, "10000000"), 10, false), kPortLinkLower);
    EXPECT_EQ(LinkStatus(Up(3, "1000000000"), 10, false), kPortLinkLower);
    // IsAllGiga: every port judged against 1 Gbit/s; 28 ports: 25 and up are gigabit.
    EXPECT_EQ(LinkStatus(Up(3, "100000000"), 10, true), kPortLinkLower);
    EXPECT_EQ(LinkStatus(Up(24, "100000000"), 28, false), kPortLinkTop);
    EXPECT_EQ(LinkStatus(Up(25, "1000000000"), 28, false), kPortLinkTop);
    // Admin down wins over everything; admin up and no link is "enabled".
    EXPECT_EQ(LinkStatus({"3", "2", "1", "100000000", "1"}, 10, false), kPortDisabled);
    EXPECT_EQ(LinkStatus({"3", "", "1", "100000000", "1"}, 10, false), kPortDisabled);
    EXPECT_EQ(LinkStatus({"3", "1", "2", "100000000", "1"}, 10, false), kPortEnabled);
}

TEST(LinkRules, ApplySetsElementsIndicatorsAndFibreTwins) {
    Panel p(10, 12);
    SetStatus(FindPort(p.root, 11), kPortLinkTop);
    std::vector<LinkRow> rows = {Up(1, "100000000"), Up(3, "10000000"), Up(9, "1000000000", 3),
                                 {"10", "2", "2", "0", "4"}};
    ApplyLinkRows(rows, p.record, p.root, false);
    EXPECT_EQ(p.Status(0), kPortLinkTop);
    EXPECT_EQ(p.Status(2), kPortLinkLower);
    // Port 9 on fibre: its twin (element 10) shows the link, the copper element 8 "enabled".
    EXPECT_EQ(p.Status(10), kPortLinkTop);
    EXPECT_EQ(p.Status(8), kPortEnabled);
    // Port 10 on fibre, admin down: twin element 11 disabled, copper element 9 enabled.
    EXPECT_EQ(p.Status(11), kPortDisabled);
    EXPECT_EQ(p.Status(9), kPortEnabled);
    EXPECT_EQ(p.record.PortIndicator[8], kPortLinkTop);
    EXPECT_EQ(p.record.PortMedium[8], 3);
    EXPECT_EQ(p.record.PortIndicator[9], kPortDisabled);
    EXPECT_EQ(p.record.PortIndicator[1], 3);  // no row: unchanged

    // The next poll: port 9 back on copper, and port 1 first resets both twins.
    ApplyLinkRows({Up(1, "100000000"), Up(9, "1000000000", 1)}, p.record, p.root, false);
    EXPECT_EQ(p.Status(8), kPortLinkTop);
    EXPECT_EQ(p.Status(10), kPortEnabled);
    EXPECT_EQ(p.Status(11), kPortEnabled);
}

TEST(LinkRules, RowsThatDoNotFitThePanelAreIgnored) {
    // Fewer port elements than the port count, indices out of range or not numbers, a fibre
    // medium reported for a copper-only port.
    Panel p(28, 8);
    std::vector<LinkRow> rows = {Up(0, "100000000"), {"abc", "1", "1", "100000000", "1"}, Up(29, "100000000"),
                                 Up(-3, "100000000"), Up(2, "100000000", 3), Up(27, "1000000000", 4)};
    ApplyLinkRows(rows, p.record, p.root, false);
    EXPECT_EQ(p.Status(1), kPortLinkTop);  // port 2 stays on its own element
    EXPECT_EQ(p.Status(5), -1);            // and the element a twin would have is untouched
    EXPECT_EQ(p.record.PortIndicator[26], kPortLinkTop);
    EXPECT_EQ(p.record.PortMedium[26], 4);

    // More ports than the indicator array holds.
    Panel big(150, 2);
    ApplyLinkRows({Up(120, "100000000"), Up(1, "100000000")}, big.record, big.root, false);
    EXPECT_EQ(big.record.PortIndicator[0], kPortLinkTop);
}

TEST(PoeRules, StatesPortsAndTheNinthElementOnwards) {
    EXPECT_EQ(PoeStatus("POWER ON"), kPortLinkTop);
    EXPECT_EQ(PoeStatus("POWER OFF"), kPortDisabled);
    EXPECT_EQ(PoeStatus("Time-based OFF"), kPortDisabled);
    EXPECT_EQ(PoeStatus(""), kPortLinkLower);
    EXPECT_EQ(PoeStatus("power on"), kPortLinkLower);

    Panel p(10, 12);
    p.record.PortMedium[8] = 3;
    ApplyPoeRows({{"1", "POWER ON"}, {"2", "Time-based OFF"}, {"3", "searching"}, {"11", "POWER ON"}, {"x", "POWER ON"}},
                 p.record, p.root);
    EXPECT_EQ(p.Status(0), kPortLinkTop);
    EXPECT_EQ(p.Status(1), kPortDisabled);
    EXPECT_EQ(p.Status(2), kPortLinkLower);
    for (int e = 8; e < 12; ++e) EXPECT_EQ(p.Status(e), kPortDisabled) << e;
    EXPECT_EQ(p.record.PortMedium[0], 2);
    EXPECT_EQ(p.record.PortMedium[8], 3);  // no row for port 9
    EXPECT_EQ(p.record.PortIndicator[2], kPortLinkLower);
}

TEST(ReplyParsing, SuffixesMarkersAndRowsOutsideTheTable) {
    EXPECT_EQ(InstanceSuffix("1.3.6.1.2.1.2.2.1.3.5", kIfTypeOid), ".5");
    EXPECT_EQ(InstanceSuffix(".1.3.6.1.2.1.2.2.1.3.17", kIfTypeOid), ".17");
    EXPECT_FALSE(InstanceSuffix("1.3.6.1.2.1.2.2.1.30.5", kIfTypeOid));
    EXPECT_FALSE(InstanceSuffix("1.3.6.1.2.1.2.2.1.3", kIfTypeOid));
    EXPECT_FALSE(InstanceSuffix("1.3.6.1.2.1.2.2.1.4.1", kIfTypeOid));

    EXPECT_TRUE(IsProxyMarker("1.3.6.1.4.1.171.7777.1.0"));
    EXPECT_FALSE(IsProxyMarker("1.3.6.1.4.1.171.7777.2.0"));

    ReplyBindings reply = {{"1.3.6.1.4.1.171.7777.1.0", "10.0.0.9"},
                           {"1.3.6.1.2.1.2.2.1.3.4", "6"},
                           {"1.3.6.1.2.1.2.2.1.5.4", "100000000"},
                           {"1.3.6.1.2.1.2.2.1.7.4", "1"},
                           {"1.3.6.1.2.1.2.2.1.8.4", "2"},
                           {"1.3.6.1.4.1.171.10.76.12.1.13.1.7.4", "1"}};
    auto row = ParseLinkRow(reply);
    ASSERT_TRUE(row);
    EXPECT_EQ(row->index, "4");
    EXPECT_EQ(row->speed, "100000000");
    EXPECT_EQ(row->admin, "1");
    EXPECT_EQ(row->oper, "2");
    EXPECT_EQ(row->medium, "1");
    // A short reply reads missing values as empty; the walk past the column is the end.
    auto shortRow = ParseLinkRow({{"1.3.6.1.2.1.2.2.1.3.2", "6"}});
    ASSERT_TRUE(shortRow);
    EXPECT_EQ(LinkStatus(*shortRow, 10, false), kPortDisabled);
    EXPECT_FALSE(ParseLinkRow({{"1.3.6.1.2.1.2.2.1.4.1", "1500"}}));
    EXPECT_FALSE(ParseLinkRow({}));

    auto poe = ParsePoeRow({{"1.3.6.1.4.1.171.10.76.12.22.1.1.13.1.7", "POWER ON"}});
    ASSERT_TRUE(poe);
    EXPECT_EQ(poe->port, "7");
    EXPECT_EQ(poe->state, "POWER ON");
    EXPECT_EQ(ParsePoeRow({{"1.3.6.1.4.1.171.10.76.12.22.1.1.13.1.12", ""}})->port, "12");
    EXPECT_FALSE(ParsePoeRow({{"1.3.6.1.4.1.171.10.76.12.22.1.1.13.1", "x"}}));
    EXPECT_FALSE(ParsePoeRow({{"1.3.6.1.4.1.171.10.76.12.22.1.1.14.1.1", "x"}}));

    EXPECT_EQ(ToInt("42"), 42);
    EXPECT_EQ(ToInt(" -7x"), -7);
    EXPECT_EQ(ToInt("abc"), 0);
    EXPECT_EQ(ToInt("99999999999999"), 2147483647);
}

// ---- the walk state: rows, the end of a walk, failures ------------------------------------

struct RecordingView : IPanelView {
    void RepaintPanel() override { ++repaints; }
    void SetBlinkTimer(int ms) override { timers.push_back(ms); }
    void SetDeviceAnswering(bool on) override { answering.push_back(on); }
    void SetDeviceRefusing(const std::string& why) override { refusals.push_back(why); }
    int repaints = 0;
    std::vector<std::string> refusals;
    std::vector<int> timers;
    std::vector<bool> answering;
};

ReplyBindings LinkReply(int index, const char* admin, const char* oper, const char* speed) {
    auto col = [&](const char* c) { return std::string(c) + "." + std::to_string(index); };
    return {{col(kIfTypeOid), "6"}, {col(kIfSpeedOid), speed}, {col(kIfAdminStatusOid), admin},
            {col(kIfOperStatusOid), oper}, {col(kPortMediumOid), "1"}};
}

TEST(WalkState, IndexPastThePortCountEndsAndAppliesTheWalk) {
    Panel p(10, 12);
    RecordingView view;
    CPanelWalkState walks(p.record, p.root, p.modules, false, view);
    walks.BeginLinkWalk();
    EXPECT_TRUE(walks.OnLinkRow(LinkReply(1, "1", "1", "100000000")));
    EXPECT_TRUE(walks.OnLinkRow(LinkReply(2, "2", "2", "0")));
    EXPECT_EQ(view.repaints, 0);
    EXPECT_EQ(p.Status(0), -1);  // nothing applied before the end
    // Interface 11 (a VLAN interface, say) ends the walk even though more rows would follow.
    EXPECT_FALSE(walks.OnLinkRow(LinkReply(11, "1", "1", "100000000")));
    EXPECT_EQ(p.Status(0), kPortLinkTop);
    EXPECT_EQ(p.Status(1), kPortDisabled);
    EXPECT_EQ(view.repaints, 1);
    EXPECT_EQ(view.timers, (std::vector<int>{200}));
    EXPECT_EQ(walks.LinkRowCount(), 2u);

    // A new walk starts empty; a row that left the table ends it too.
    walks.BeginLinkWalk();
    EXPECT_FALSE(walks.OnLinkRow({{"1.3.6.1.2.1.2.2.1.4.1", "1500"}}));
    EXPECT_EQ(walks.LinkRowCount(), 0u);
}

TEST(WalkState, FailuresMarkIndicatorsAndResetOrApply) {
    Panel p(10, 12);
    RecordingView view;
    CPanelWalkState walks(p.record, p.root, p.modules, false, view);
    p.record.PortIndicator.fill(1);
    for (int e = 0; e < 12; ++e) SetStatus(FindPort(p.root, e), kPortLinkTop);

    // Any other failure: indicators only.
    walks.OnLinkWalkFailed(-7);
    EXPECT_EQ(p.record.PortIndicator[0], 3);
    EXPECT_EQ(p.Status(0), kPortLinkTop);
    EXPECT_EQ(view.repaints, 0);

    // -1: every port picture reset as well.
    walks.OnLinkWalkFailed(CSnmp4w::EC_FAILED);
    EXPECT_EQ(p.Status(0), kPortEnabled);
    EXPECT_EQ(p.Status(11), kPortEnabled);
    EXPECT_EQ(view.repaints, 1);

    // -2: the rows so far are applied.
    walks.BeginLinkWalk();
    walks.OnLinkRow(LinkReply(4, "2", "2", "0"));
    walks.OnLinkWalkFailed(CSnmp4w::EC_END_OF_TABLE);
    EXPECT_EQ(p.Status(3), kPortDisabled);
    EXPECT_EQ(p.record.PortIndicator[3], kPortDisabled);
    EXPECT_EQ(p.record.PortIndicator[0], 3);

    // PoE walk: -2 applies, others only mark the indicators.
    walks.BeginPoeWalk();
    EXPECT_TRUE(walks.OnPoeRow({{"1.3.6.1.4.1.171.10.76.12.22.1.1.13.1.5", "POWER ON"}}));
    walks.OnPoeWalkFailed(CSnmp4w::EC_END_OF_TABLE);
    EXPECT_EQ(p.Status(4), kPortLinkTop);
    SetStatus(FindPort(p.root, 4), kPortEmpty);
    walks.OnPoeWalkFailed(CSnmp4w::EC_FAILED);
    EXPECT_EQ(p.Status(4), kPortEmpty);
    EXPECT_EQ(p.record.PortIndicator[4], 3);

    // The window hears of every time-out (-1) and of every applied walk: -7 (an error reply) was
    // an answer, -1, -2, -2 (PoE) and -1 (PoE) follow.
    EXPECT_EQ(view.answering, (std::vector<bool>{false, true, true, false}));

    // A switch that refuses the credentials answered: the window says why, not "not answering".
    for (SnmpFailure f : {SnmpFailure::AuthFailed, SnmpFailure::UnknownUser, SnmpFailure::PrivacyFailed}) {
        walks.OnLinkWalkFailed(CSnmp4w::EC_FAILED, f);
        walks.OnPoeWalkFailed(CSnmp4w::EC_FAILED, f);
    }
    EXPECT_EQ(view.refusals, (std::vector<std::string>{"authentication failed", "authentication failed", "unknown user",
                                                       "unknown user", "wrong privacy pass phrase",
                                                       "wrong privacy pass phrase"}));
    EXPECT_EQ(view.answering.size(), 4u);
}

TEST(WalkState, ADeviceThatNeverLeavesThePortRangeIsCutOff) {
    Panel p(10, 12);
    RecordingView view;
    CPanelWalkState walks(p.record, p.root, p.modules, false, view);
    walks.BeginLinkWalk();
    int rows = 0;
    while (walks.OnLinkRow(LinkReply(3, "1", "1", "100000000")) && rows < 1000) ++rows;
    EXPECT_LT(rows, 100);
    EXPECT_EQ(view.repaints, 1);
    EXPECT_EQ(p.Status(2), kPortLinkTop);

    walks.BeginPoeWalk();
    rows = 0;
    while (walks.OnPoeRow({{"1.3.6.1.4.1.171.10.76.12.22.1.1.13.1.1", "POWER ON"}}) && rows < 1000) ++rows;
    EXPECT_LT(rows, 100);
}

}  // namespace
