// The community and trap-host dialogs against the virtual switch: the request sequences of an
// add, names with bytes above 127, the refusals in their order with nothing sent, the table
// maxima, and the confirmation before deleting the module's own community.
#include "agent/agent_sim.h"
#include "features/agent/community_dlg.h"
#include "features/agent/host_dlg.h"

namespace agenttest {
namespace {

constexpr int kList = CAgentTableDlg::IDC_LIST;

TEST_F(AgentSimTest, CommunityAddSendsThreeRequestsAndListsTheRow) {
    Start("28");
    CSnmpCommunityDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"qorvin", "ReadOnly", "Active"}, {"tessmar", "ReadWrite", "Active"}}));
    // SNMPv1/v2c users only, each name once, the first chosen.
    EXPECT_EQ(d.as<platform::ComboBox>(CSnmpCommunityDlg::IDC_USER).items(), (Strings{"ReadOnly", "ReadWrite"}));
    EXPECT_EQ(d.text(CSnmpCommunityDlg::IDC_USER), "ReadOnly");
    sim.clearLog();

    d.type(CSnmpCommunityDlg::IDC_NAME, "  seventh ");
    d.choose(CSnmpCommunityDlg::IDC_USER, "ReadWrite");
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    const std::string index = ".7.115.101.118.101.110.116.104";
    EXPECT_EQ(sim.setLines(), (Strings{kCommunity + ".3" + index + "=5", kCommunity + ".2" + index + "=" + Hex("ReadWrite"),
                                      kCommunity + ".3" + index + "=1"}));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"qorvin", "ReadOnly", "Active"}, {"seventh", "ReadWrite", "Active"}, {"tessmar", "ReadWrite", "Active"}}));
    EXPECT_EQ(d.text(CSnmpCommunityDlg::IDC_NAME), "");
    EXPECT_EQ(d.text(CSnmpCommunityDlg::IDC_USER), "ReadOnly");
    EXPECT_TRUE(env.takeMessages().empty());
}

TEST_F(AgentSimTest, CommunityWithBytesAbove127ListsBackUnchanged) {
    Start("28");
    CSnmpCommunityDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    const std::string name = "caf\xc3\xa9-\xe2\x82\xac";  // café-€
    d.type(CSnmpCommunityDlg::IDC_NAME, name);
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    const auto sets = sim.sets();
    ASSERT_EQ(sets.size(), 3u);
    EXPECT_EQ(sets[0].bindings[0].oid, kCommunity + ".3.9.99.97.102.195.169.45.226.130.172");
    const int row = d.list(kList).findRow(0, name);
    ASSERT_EQ(row, 2);  // after qorvin and tessmar: the index starts with the length in bytes
    // And it can be deleted again through the same index.
    d.clickRow(kList, row);
    sim.clearLog();
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setLines(), (Strings{kCommunity + ".3.9.99.97.102.195.169.45.226.130.172=6"}));
    EXPECT_EQ(d.list(kList).findRow(0, name), -1);
}

TEST_F(AgentSimTest, CommunityRefusalsSendNothing) {
    std::vector<std::string> state;
    for (int i = 0; i < 8; ++i) state.push_back(kCommunity + ".2" + NameIndex("c" + std::to_string(i)) + " s \"ReadOnly\"");
    Start("28", state);
    CSnmpCommunityDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(kList), 10);
    sim.clearLog();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"   ", "Please enter valid Community Name !"},
        {"lab.1", "Invalid Community Name."},
        {"a/b", "Invalid Community Name."},
        {"c3", "This Community Entry already exists."},
        {"C3", "Maximum number of Community Entry is 10."},  // names are case-sensitive
        {"eleventh", "Maximum number of Community Entry is 10."},
    };
    for (const auto& [typed, message] : cases) {
        d.type(CSnmpCommunityDlg::IDC_NAME, typed);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{message})) << typed;
        EXPECT_EQ(d.text(CSnmpCommunityDlg::IDC_NAME), typed);  // the input stays
    }
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), (Strings{"Please select the item would be delete!\n"}));
    EXPECT_TRUE(sim.requests().empty());
}

// Deleting the community this module uses asks first (Cancel by default); others do not.
TEST_F(AgentSimTest, DeletingTheModulesOwnCommunityAsksFirst) {
    Start("28", {kCommunity + ".2" + NameIndex("lab") + " s \"ReadOnly\""});
    CSnmpCommunityDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    for (const std::string own : {"qorvin", "tessmar"}) {
        d.clickRow(kList, d.list(kList).findRow(0, own));
        d.click("&Delete");  // the default answer: Cancel
        const auto& shown = env.messages();
        ASSERT_EQ(shown.size(), 1u);
        EXPECT_EQ(shown[0].buttons, platform::MsgButtons::OkCancel);
        EXPECT_EQ(shown[0].defaultButton, 1);
        EXPECT_NE(shown[0].text.find("cuts the module off"), std::string::npos);
        EXPECT_EQ(shown[0].text.find(own), std::string::npos);  // the community itself is not shown
        env.takeMessages();
    }
    EXPECT_TRUE(sim.requests().empty());

    d.clickRow(kList, d.list(kList).findRow(0, "lab"));
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setLines(), (Strings{kCommunity + ".3" + NameIndex("lab") + "=6"}));

    sim.clearLog();
    d.clickRow(kList, d.list(kList).findRow(0, "qorvin"));
    env.answer(MsgAnswer::Ok);
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(env.takeMessages().size(), 1u);
    EXPECT_EQ(sim.setLines(), (Strings{kCommunity + ".3" + NameIndex("qorvin") + "=6"}));
}

TEST_F(AgentSimTest, HostAddSendsItsSequenceWithTheVersionCode) {
    Start("28");
    CSnmpHostDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"10.90.90.12", "V2c", "qorvin", "Active"}}));
    sim.clearLog();
    d.type(CSnmpHostDlg::IDC_ADDRESS, "10.0.0.1");
    d.choose(CSnmpHostDlg::IDC_VERSION, "V3-AuthPriv");
    d.type(CSnmpHostDlg::IDC_NAME, " trapper ");
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setLines(), (Strings{kHost + ".4.10.0.0.1=5",
                                      kHost + ".2.10.0.0.1=" + Hex("trapper") + " " + kHost + ".3.10.0.0.1=5",
                                      kHost + ".4.10.0.0.1=1"}));
    EXPECT_EQ(d.rows(kList), (std::vector<Strings>{{"10.0.0.1", "V3-AuthPriv", "trapper", "Active"}, {"10.90.90.12", "V2c", "qorvin", "Active"}}));
    EXPECT_EQ(d.text(CSnmpHostDlg::IDC_VERSION), "V1");
    EXPECT_TRUE(d.as<platform::IpAddressField>(CSnmpHostDlg::IDC_ADDRESS).blank());

    sim.clearLog();
    d.clickRow(kList, 0);
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setLines(), (Strings{kHost + ".4.10.0.0.1=6"}));
    EXPECT_EQ(d.rowCount(kList), 1);
}

TEST_F(AgentSimTest, HostRefusalsInOrderSendNothing) {
    std::vector<std::string> state;
    for (int i = 1; i <= 9; ++i) state.push_back(kHost + ".2.192.168.0." + std::to_string(i) + " s \"h\"");
    Start("28", state);
    CSnmpHostDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    ASSERT_EQ(d.rowCount(kList), 10);
    sim.clearLog();
    const std::string bad = "Invalid Host IP.";
    struct Case {
        std::string address, name, message;
    };
    const std::vector<Case> cases = {
        {"10..0.1", "n", bad},           {"0.0.0.0", "n", bad},
        {"0.1.1.1", "n", bad},           {"255.1.1.1", "n", bad},
        {"10.0.0.0", "n", bad},          {"10.1.1.255", "n", bad},
        {"127.0.0.1", "n", bad},         {"224.0.0.5", "n", bad},
        {"172.16.255.255", "n", bad},    {"192.168.0.3", "n", "This IP Address has used,please enter other IP Address"},
        {"10.0.0.1", "  ", "The Community String or SNMPv3 User Name can not be empty."},
        {"10.0.0.1", "a;b", "Invalid Community String/SNMPv3 User Name. "},
        {"10.0.0.1", "n", "Maximum number of Host Entry is 10."},
    };
    for (const auto& c : cases) {
        d.as<platform::IpAddressField>(CSnmpHostDlg::IDC_ADDRESS).clear();
        d.type(CSnmpHostDlg::IDC_ADDRESS, c.address);
        d.type(CSnmpHostDlg::IDC_NAME, c.name);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{c.message})) << c.address << " " << c.name;
    }
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), (Strings{"Please Selecte the Item you would delete"}));
    EXPECT_TRUE(sim.requests().empty());
}

}  // namespace
}  // namespace agenttest
