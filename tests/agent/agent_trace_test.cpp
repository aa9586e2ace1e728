// With tracing on, what the agent dialogs write (communities, pass phrases) never reaches a trace
// line: a community added and deleted, SNMPv3 users with pass phrases written and a walk of the
// user table, over SNMPv1 and over SNMPv3 with privacy.
#include "agent/agent_sim.h"
#include "features/agent/community_dlg.h"
#include "features/agent/user_dlg.h"
#include "app/main_window.h"
#include "features/agent/register.h"
#include "platform/trace.h"

// Tracing is decided once, before the first trace line: switch it on for this program.
static const bool kTraceOn = (setenv("CORVEX_TRACE", "1", 1), true);

namespace agenttest {
namespace {

using U = CSnmpUserDlg;

TEST_F(AgentSimTest, NoPassPhraseOrCommunityInAnyTraceLine) {
    ASSERT_TRUE(kTraceOn && platform::TraceEnabled());
    const Strings secrets = {"authSecret4711", "privSecret4711", "shaSecret4711", "commSecret4711"};
    testing::internal::CaptureStderr();
    for (const std::string version : {"1", "3"}) {
        Start("28");
        if (version == "3") UseV3("3");
        {
            CSnmpUserDlg dlg;
            DialogDriver d(env, dlg);
            ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reloading() && !dlg.writing(); }));
            d.type(U::IDC_USER_NAME, "tracer");
            d.type(U::IDC_GROUP_NAME, "g");
            d.choose(U::IDC_VERSION, "V3");
            d.tick(U::IDC_ENCRYPTED);
            d.type("Auth Password", secrets[0]);
            d.type("Priv Password", secrets[1]);
            env.answer(MsgAnswer::Ok);  // the question over SNMPv1
            d.click("&Apply");
            ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reloading() && !dlg.writing(); }));
            d.type(U::IDC_USER_NAME, "tracer2");
            d.type(U::IDC_GROUP_NAME, "g");
            d.choose(U::IDC_VERSION, "V3");
            d.tick(U::IDC_ENCRYPTED);
            d.choose(U::IDC_AUTH_PROTOCOL, "SHA");
            d.type("Auth Password", secrets[2]);
            d.choose(U::IDC_PRIV_PROTOCOL, "None");
            env.answer(MsgAnswer::Ok);
            d.click("&Apply");
            ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reloading() && !dlg.writing(); }));
            EXPECT_GE(dlg.Listed().size(), 6u);
        }
        {
            CSnmpCommunityDlg dlg;
            DialogDriver d(env, dlg);
            ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reloading() && !dlg.writing(); }));
            d.type(CSnmpCommunityDlg::IDC_NAME, secrets[3]);
            d.click("&Apply");
            ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reloading() && !dlg.writing(); }));
            const int row = d.list(CAgentTableDlg::IDC_LIST).findRow(0, secrets[3]);
            ASSERT_GE(row, 0);
            d.clickRow(CAgentTableDlg::IDC_LIST, row);
            d.click("&Delete");
            ASSERT_TRUE(env.waitUntil([&] { return !dlg.Reloading() && !dlg.writing(); }));
        }
        // The pass phrases did reach the switch.
        int phrases = 0;
        for (const auto& r : sim.sets())
            for (const auto& b : r.bindings) phrases += b.value == Hex(secrets[0]) || b.value == Hex(secrets[2]);
        EXPECT_EQ(phrases, 2);
        sim.stop();
    }
    const std::string trace = testing::internal::GetCapturedStderr();
    EXPECT_NE(trace.find("getNext begin"), std::string::npos);  // tracing really was on
    EXPECT_NE(trace.find("m_cCommonSNMPGetUse.Close"), std::string::npos);
    for (const std::string& secret : secrets) {
        EXPECT_EQ(trace.find(secret), std::string::npos) << secret;
        EXPECT_EQ(trace.find(Hex(secret)), std::string::npos) << secret;
    }
    for (const char* launch : {"qorvin", "tessmar", kV3Auth, kV3Priv}) EXPECT_EQ(trace.find(launch), std::string::npos);
    for (const auto& m : env.messages())
        for (const std::string& secret : secrets) EXPECT_EQ(m.text.find(secret), std::string::npos);
}

// Each item of "&SNMP Setting" opens its dialog; closing it (here while it still reads) closes
// the four sessions in order, each with its trace.
TEST_F(AgentSimTest, MenuItemsOpenTheirDialogsAndCloseTheSessionsInOrder) {
    Start("10p");
    app::DialogRegistry registry;
    RegisterAgentDialogs(registry);
    const std::vector<std::pair<int, std::string>> items = {
        {app::kCmdSnmpGlobalState, "SNMP Global State Settings"},
        {app::kCmdSnmpUserTable, "SNMP User Table "},
        {app::kCmdSnmpGroupTable, "SNMP Group Table Info"},
        {app::kCmdSnmpViewTable, "SNMP View Table Configuration"},
        {app::kCmdSnmpCommunityTable, "SNMP Community Table Configuration"},
        {app::kCmdSnmpHostTable, "SNMP Host Table"},
        {app::kCmdSnmpEngineId, "SNMP Engine ID"},
        {app::kCmdSnmpTrapConfiguration, "SNMP Trap Configuration"},
    };
    for (const auto& [command, caption] : items) {
        SCOPED_TRACE(caption);
        ASSERT_TRUE(registry.Has(command));
        bool opened = false;
        env.onChild(caption, [&](DialogDriver& d) {
            opened = true;
            d.closeWindow();
        });
        testing::internal::CaptureStderr();
        EXPECT_EQ(registry.Create(command)->RunModal(), platform::kIdCancel);
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_TRUE(opened);
        EXPECT_EQ(dialogtest::CloseTraceLines(err), (Strings{"==================DestroyWindow===============",
                                   "==================m_cCommonSNMP.Close===============",
                                   "==================m_cCommonSNMPSet.Close===============",
                                   "==================m_cCommonSNMPTable.Close===============",
                                   "==================m_cCommonSNMPGetUse.Close==============="}));
    }
    env.runFor(std::chrono::milliseconds(200));  // late replies find closed sessions
    EXPECT_TRUE(env.takeMessages().empty());
}

}  // namespace
}  // namespace agenttest
