// The access object of the agent dialogs: its index encodings, the row-status
// write and its refusal, and the order of its notifications (rows in table order, the end of a
// walk always last, also after a failed walk; nothing after Close).

#include "agent/agent_sim.h"
#include "features/agent/community_dlg.h"
#include "features/agent/group_dlg.h"
#include "features/agent/host_dlg.h"
#include "features/agent/user_dlg.h"
#include "features/agent/view_dlg.h"
#include "platform/ui.h"

namespace agenttest {
namespace {

using agent::Record;

TEST(AgentIndex, EncodingsOfNamesVersionsLevelsAndSubtrees) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {CSnmpAgentAccess::OctetIndex("abc"), ".3.97.98.99"},
        {CSnmpAgentAccess::OctetIndex(""), ".0"},
        {CSnmpAgentAccess::OctetIndex("\x80z\xff"), ".3.128.122.255"},  // never negative
        {CSnmpAgentAccess::OctetIndex("caf\xc3\xa9"), ".5.99.97.102.195.169"},
        {CSnmpAgentAccess::UserIndex("u", "v1"), ".1.117.1"},
        {CSnmpAgentAccess::UserIndex("u", "V1"), ".1.117.1"},
        {CSnmpAgentAccess::UserIndex("u", "v2c"), ".1.117.2"},
        {CSnmpAgentAccess::UserIndex("u", "V2c"), ".1.117.2"},
        {CSnmpAgentAccess::UserIndex("u", "V3"), ".1.117.3"},
        {CSnmpAgentAccess::UserIndex("u", "v3"), ".1.117.3"},
        {CSnmpAgentAccess::UserIndex("u", "V2"), ".1.117"},
        {CSnmpAgentAccess::UserIndex("u", ""), ".1.117"},
        {CSnmpGroupDlg::GroupIndex("g", "v3", "AuthNoPriv"), ".1.103.3.2"},
        {CSnmpGroupDlg::GroupIndex("g", "v3", "AuthPriv"), ".1.103.3.3"},
        {CSnmpGroupDlg::GroupIndex("g", "v1", "NoAuthNoPriv"), ".1.103.1.1"},
        {CSnmpViewDlg::ViewIndex("abc", 3, "1.3.6"), ".3.97.98.99.3.1.3.6"},
    };
    for (const auto& [got, want] : cases) EXPECT_EQ(got, want);
    EXPECT_TRUE(CSnmpAgentAccess::NameCheck("view-1 (lab)_+="));
    for (char c : std::string("~`!@#$%^&*{}[]|\\:;\"'<>,.?/"))
        EXPECT_FALSE(CSnmpAgentAccess::NameCheck(std::string("a") + c)) << c;
}

// Collects what an access object tells its owner.
struct Recorder : IAgentNotify {
    std::vector<std::pair<int, Record>> notices;
    std::vector<std::string> scalars;
    void OnAgentNotice(int kind, const Record& r) override {
        EXPECT_TRUE(platform::ui().isUiThread());
        notices.emplace_back(kind, r);
    }
    void OnAgentScalar(const std::string& v) override {
        EXPECT_TRUE(platform::ui().isUiThread());
        scalars.push_back(v);
    }
    bool ended() const { return !notices.empty() && notices.back().first == agent::kNoticeEnd; }
    Strings kinds() const {
        Strings out;
        for (const auto& n : notices) out.push_back(std::to_string(n.first) + ":" + (n.second.empty() ? "" : n.second[0]));
        return out;
    }
};

TEST_F(AgentSimTest, RowStatusAcceptsOnlyOneFiveSixAndRefusesWithItsText) {
    const std::string oid = kHost + ".4.10.90.90.12";
    std::vector<CSnmpAgentAccess::Binding> step;
    for (const char* bad : {"2", "4", "", "16", " 1"}) EXPECT_FALSE(CSnmpAgentAccess::RowStatus(oid, bad, step)) << bad;
    EXPECT_EQ(env.takeMessages(), Strings(5, "error istatus value!"));
    EXPECT_TRUE(step.empty());
    ASSERT_TRUE(CSnmpAgentAccess::RowStatus(oid, "6", step));
    ASSERT_EQ(step.size(), 1u);
    EXPECT_EQ(step[0].oid + "=" + step[0].value, oid + "=6");
    EXPECT_EQ(step[0].type, SNMP_T_INTEGER);
    EXPECT_TRUE(env.takeMessages().empty());
}

// Communities with the write community, then the users, then one end; rows in table order.
TEST_F(AgentSimTest, CommunityWalkThenUsersThenOneEnd) {
    Start("28", {kCommunity + ".2" + NameIndex("lab") + " s \"ReadOnly\""});
    Recorder owner;
    CSnmpAgentAccess access(owner);
    sim.clearLog();
    ASSERT_TRUE(access.WalkCommunities());
    ASSERT_TRUE(env.waitUntil([&] { return owner.ended(); }));
    env.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(owner.kinds(), (Strings{"100:lab", "100:qorvin", "100:tessmar", "111:admin3", "111:ReadOnly",
                                      "111:ReadOnly", "111:ReadWrite", "111:ReadWrite", "1:"}));
    EXPECT_EQ(owner.notices[0].second, (Record{"lab", "ReadOnly", "1"}));
    EXPECT_EQ(owner.notices[3].second, (Record{"admin3", "WriteGroup", "V3", "SHA", "", "DES_CBC", "", "1"}));
    for (const auto& r : sim.requests()) {
        ASSERT_FALSE(r.bindings.empty());
        const bool communityTable = r.bindings[0].oid.rfind(kCommunity, 0) == 0;
        EXPECT_EQ(r.community, communityTable ? "tessmar" : "qorvin") << r.bindings[0].oid;
    }
}

// A walk that fails still ends, and a closed access object tells nothing more.
TEST_F(AgentSimTest, FailedWalkStillEndsAndCloseSilencesLateReplies) {
    Start("28", {}, {"--drop-prefix", kHost, "--delay-ms", "300"});
    MutableSettings().TimeoutMs = "400";
    {
        Recorder owner;
        CSnmpAgentAccess access(owner);
        ASSERT_TRUE(access.WalkHosts());
        ASSERT_TRUE(env.waitUntil([&] { return owner.ended(); }));
        EXPECT_EQ(owner.kinds(), (Strings{"1:"}));
    }
    Recorder owner;
    {
        CSnmpAgentAccess access(owner);
        ASSERT_TRUE(access.WalkViews());  // answered after 300 ms
        access.Close();
    }
    env.runFor(std::chrono::milliseconds(600));
    EXPECT_TRUE(owner.notices.empty());
}

// A switch that answers with values of the wrong type or malformed indexes: every table dialog
// still lists, ends its reload and says nothing.
TEST_F(AgentSimTest, WrongTypesAndMalformedIndexesNeitherCrashNorHang) {
    Start("28",
          {kCommunity + ".2" + NameIndex("odd") + " i 7", kCommunity + ".3" + NameIndex("odd") + " s \"1\"",
           kHost + ".1.10.1.1.1 s \"\xff\"", kHost + ".3.10.1.1.1 s \"5\"", kUser + ".2" + NameIndex("x") + ".3 s \"V3\"",
           kUser + ".4" + NameIndex("x") + ".3 i 99", kGroup + ".2" + NameIndex("y") + ".1.1 o 1.3",
           kView + ".3" + NameIndex("z") + ".9.1.3 i 5", kView + ".1.200.1 s \"bad\""},
          {"--state-any-type"});
    auto check = [&](CAgentTableDlg& dlg, int atLeast) {
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_GE(d.rowCount(CAgentTableDlg::IDC_LIST), atLeast) << dlg.caption();
        EXPECT_TRUE(d.enabled("&Refresh"));
    };
    CSnmpCommunityDlg communities;
    check(communities, 2);
    CSnmpHostDlg hosts;
    check(hosts, 1);
    CSnmpUserDlg users;
    check(users, 4);
    CSnmpGroupDlg groups;
    check(groups, 4);
    CSnmpViewDlg views;
    check(views, 2);
    EXPECT_TRUE(env.takeMessages().empty());
}

}  // namespace
}  // namespace agenttest
