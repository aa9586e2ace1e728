// Users, groups and views against the virtual switch: the exact request sequence of each kind of
// user, the question before pass phrases cross the network without privacy, the refusals with
// their messages and nothing sent, the group and view indexes and the mask octets.
#include "agent/agent_sim.h"
#include "features/agent/group_dlg.h"
#include "features/agent/user_dlg.h"
#include "features/agent/view_dlg.h"
#include "support/write_sequence.h"

namespace agenttest {
namespace {

constexpr int kList = CAgentTableDlg::IDC_LIST;
using U = CSnmpUserDlg;

struct UserInput {
    std::string name, group, version;
    bool encrypted = false;
    std::string auth = "MD5", authPass, priv = "DES", privPass;
};

void TypeUser(DialogDriver& d, const UserInput& u) {
    d.type(U::IDC_USER_NAME, u.name);
    d.type(U::IDC_GROUP_NAME, u.group);
    d.choose(U::IDC_VERSION, u.version);
    if (!u.encrypted) return;
    d.tick(U::IDC_ENCRYPTED);
    d.choose(U::IDC_AUTH_PROTOCOL, u.auth);
    d.type("Auth Password", u.authPass);
    d.choose(U::IDC_PRIV_PROTOCOL, u.priv);
    if (u.priv == "DES") d.type("Priv Password", u.privPass);
}

// Back to a user without pass phrases, without touching the switch.
void ResetControls(DialogDriver& d) { d.choose(U::IDC_VERSION, "V1"); }

TEST_F(AgentSimTest, UserRequestSequencePerVersion) {
    Start("28");
    UseV3("3");  // with privacy: no question
    CSnmpUserDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    const std::string e = kUser + ".";
    struct Case {
        UserInput in;
        std::string index;
        Strings middle;  // the requests between row status 5 and 1
        Strings row;     // the listed row afterwards
    };
    const std::vector<Case> cases = {
        {{"u1", "g1", "V1"}, ".2.117.49.1", {e + "3.2.117.49.1=" + Hex("g1")}, {"u1", "g1", "V1", "None", "None", "Active"}},
        {{"u1", "g1", "V2c"}, ".2.117.49.2", {e + "3.2.117.49.2=" + Hex("g1")}, {"u1", "g1", "V2c", "None", "None", "Active"}},
        {{"sha", "g", "V3", true, "SHA", "shaPhrase01", "None"},
         ".3.115.104.97.3",
         {e + "3.3.115.104.97.3=" + Hex("g"), e + "4.3.115.104.97.3=3", e + "5.3.115.104.97.3=" + Hex("shaPhrase01")},
         {"sha", "g", "V3", "SHA", "None", "Active"}},
        {{"md5", "g", "V3", true, "MD5", "md5Phrase01", "DES", "desPhrase01"},
         ".3.109.100.53.3",
         {e + "3.3.109.100.53.3=" + Hex("g"), e + "4.3.109.100.53.3=2 " + e + "6.3.109.100.53.3=2",
          e + "5.3.109.100.53.3=" + Hex("md5Phrase01") + " " + e + "7.3.109.100.53.3=" + Hex("desPhrase01")},
         {"md5", "g", "V3", "MD5", "DES_CBC", "Active"}},
        {{"plain", "g", "V3"},
         ".5.112.108.97.105.110.3",
         {e + "3.5.112.108.97.105.110.3=" + Hex("g"), e + "4.5.112.108.97.105.110.3=1", e + "5.5.112.108.97.105.110.3="},
         {"plain", "g", "V3", "None", "None", "Active"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.in.name + " " + c.in.version);
        sim.clearLog();
        TypeUser(d, c.in);
        d.click("&Apply");
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_TRUE(env.takeMessages().empty());
        Strings want = {e + "8" + c.index + "=5"};
        want.insert(want.end(), c.middle.begin(), c.middle.end());
        want.push_back(e + "8" + c.index + "=1");
        EXPECT_EQ(sim.setLines(), want);
        for (const auto& r : sim.sets()) EXPECT_EQ(r.level, "authPriv");
        const auto& list = d.list(kList);
        int found = -1;
        for (int r = 0; r < list.rowCount(); ++r)
            if (list.row(r) == c.row) found = r;
        EXPECT_GE(found, 0);
        // Back to the start: V1, nothing typed, the SNMPv3 controls off.
        EXPECT_EQ(d.text(U::IDC_VERSION), "V1");
        EXPECT_EQ(d.text(U::IDC_USER_NAME), "");
        EXPECT_FALSE(d.checked(U::IDC_ENCRYPTED));
        EXPECT_FALSE(d.enabled(U::IDC_ENCRYPTED));
        EXPECT_FALSE(d.enabled(U::IDC_AUTH_PASSWORD));
    }
}

// Pass phrases written over a session without privacy: the user is asked first, Cancel by default.
TEST_F(AgentSimTest, PassPhrasesWithoutPrivacyAskFirst) {
    struct Case {
        std::string version, level;  // the module's own session
        bool asks;
    };
    // The switch lets each user read its tables only at the level it was made for: an
    // authentication-only user stands for the sessions without privacy.
    for (const Case& c : std::vector<Case>{{"1", "", true}, {"3", "2", true}, {"3", "3", false}}) {
        SCOPED_TRACE(c.version + "/" + c.level);
        Start("28", {}, {"--user", "authonly:SHA:authPhrase88"});
        if (c.version == "3") UseV3(c.level);
        if (c.level == "2") {
            MutableSettings().UserName = "authonly";
            MutableSettings().AuthPassword = "authPhrase88";
        }
        {
            CSnmpUserDlg dlg;
            DialogDriver d(env, dlg);
            ASSERT_TRUE(Settled(d, dlg));
            ASSERT_TRUE(dlg.readsOk()) << dlg.readStatusText();
            sim.clearLog();
            const UserInput u{"ops", "g", "V3", true, "SHA", "opsPhrase01", "DES", "opsPhrase02"};
            TypeUser(d, u);
            d.click("&Apply");  // unanswered: Cancel
            if (c.asks) {
                ASSERT_EQ(env.messages().size(), 1u);
                EXPECT_EQ(env.messages()[0].buttons, platform::MsgButtons::OkCancel);
                EXPECT_EQ(env.messages()[0].defaultButton, 1);
                EXPECT_NE(env.messages()[0].text.find("clear text"), std::string::npos);
                env.takeMessages();
                EXPECT_TRUE(sim.requests().empty());
                EXPECT_EQ(d.text(U::IDC_USER_NAME), "ops");  // the input stays
                env.answer(MsgAnswer::Ok);
                d.click("&Apply");
                EXPECT_EQ(env.takeMessages().size(), 1u);
            } else {
                EXPECT_TRUE(env.takeMessages().empty());
            }
            ASSERT_TRUE(Settled(d, dlg));
            EXPECT_EQ(sim.sets().size(), 5u);
        }
        sim.stop();
    }
}

TEST_F(AgentSimTest, UserRefusalsInOrderSendNothing) {
    Start("28");
    CSnmpUserDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    const std::string a40(40, 'a'), a41(41, 'a'), a33(33, 'a');
    const std::vector<std::pair<UserInput, std::string>> cases = {
        {{" ", "g", "V1"}, "Please enter valid User Name "},
        {{"u?", "g", "V1"}, "Invalid User Name ."},
        {{"u", "  ", "V1"}, "Please enter valid Group Name "},
        {{"u", "g<", "V1"}, "Invalid Group Name."},
        {{"ReadOnly", "g", "V2c"}, "This User Entry already exists."},
        {{"u", "g", "V3", true, "MD5", "  "}, "Auth-Protocol Password can't be empty."},
        {{"u", "g", "V3", true, "MD5", "seven77"}, "Auth-Protocol Password needs at least 8 characters."},
        {{"u", "g", "V3", true, "SHA", a40, "DES", "seven77"}, "Priv-Protocol Password needs at least 8 characters."},
        {{"u", "g", "V3", true, "MD5", a33}, " MD5 Max. Password length is 32."},
        {{"u", "g", "V3", true, "SHA", a41}, " SHA Max. Password length is 40."},
        {{"u", "g", "V3", true, "SHA", a40, "DES", " "}, "Priv-Protocol Password can't be empty."},
        {{"u", "g", "V3", true, "SHA", a40, "DES", a33}, " DES Max. Password length is 32."},
    };
    for (const auto& [in, message] : cases) {
        ResetControls(d);
        TypeUser(d, in);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{message})) << in.name << "/" << in.authPass.size();
    }
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), (Strings{"Please select the item would be delete!\n"}));
    EXPECT_TRUE(sim.requests().empty());

    // An SHA pass phrase of 40 characters is taken (after the question: this session has no privacy).
    ResetControls(d);
    TypeUser(d, {"u", "g", "V3", true, "SHA", a40, "None"});
    env.answer(MsgAnswer::Ok);
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(env.takeMessages().size(), 1u);
    EXPECT_EQ(sim.sets().size(), 5u);
}

TEST_F(AgentSimTest, FiftyFirstUserGroupOrViewIsRefused) {
    std::vector<std::string> state;
    // The switch has 5 users, 4 groups and 2 views: fill each table to 50.
    for (int i = 0; i < 45; ++i) state.push_back(kUser + ".3" + NameIndex("u" + std::to_string(i)) + ".1 s \"g\"");
    for (int i = 0; i < 46; ++i) state.push_back(kGroup + ".4" + NameIndex("g" + std::to_string(i)) + ".1.1 s \"v\"");
    for (int i = 0; i < 48; ++i) state.push_back(kView + ".4" + NameIndex("v" + std::to_string(i)) + ".1.1 i 1");
    Start("28", state);
    {
        CSnmpUserDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Settled(d, dlg));
        ASSERT_EQ(d.rowCount(kList), 50);
        TypeUser(d, {"new", "g", "V1"});
        sim.clearLog();
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{"Maximum number of User Entry is 50."}));
    }
    {
        CSnmpGroupDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Settled(d, dlg));
        ASSERT_EQ(d.rowCount(kList), 50);
        d.type(CSnmpGroupDlg::IDC_GROUP_NAME, "new");
        sim.clearLog();
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{"Maximum number of Group Entry is 50."}));
    }
    {
        CSnmpViewDlg dlg;
        DialogDriver d(env, dlg);
        ASSERT_TRUE(Settled(d, dlg));
        ASSERT_EQ(d.rowCount(kList), 50);
        d.type(CSnmpViewDlg::IDC_VIEW_NAME, "new");
        d.type(CSnmpViewDlg::IDC_SUBTREE, "1.3");
        d.type(CSnmpViewDlg::IDC_MASK, "1");
        sim.clearLog();
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{"Maximum number of View Entry is 50."}));
    }
    EXPECT_TRUE(sim.requests().empty());
}

// Deleting the SNMPv3 user this module reaches the switch as asks first; other users do not.
TEST_F(AgentSimTest, DeletingTheModulesOwnUserAsksFirst) {
    Start("28", {kUser + ".3" + NameIndex(kV3User) + ".1 s \"g\""});
    UseV3("3");
    CSnmpUserDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    auto rowOf = [&](const std::string& version) {
        const auto& list = d.list(kList);
        for (int r = 0; r < list.rowCount(); ++r)
            if (list.cell(r, 0) == kV3User && list.cell(r, 2) == version) return r;
        return -1;
    };
    sim.clearLog();
    d.clickRow(kList, rowOf("V3"));
    d.click("&Delete");  // Cancel
    ASSERT_EQ(env.messages().size(), 1u);
    EXPECT_NE(env.takeMessages()[0].find("cuts the module off"), std::string::npos);
    EXPECT_TRUE(sim.requests().empty());
    d.clickRow(kList, rowOf("V1"));  // the same name as an SNMPv1 user is not the module's access
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.setLines(), (Strings{kUser + ".8" + NameIndex(kV3User) + ".1=6"}));
}

TEST_F(AgentSimTest, UserControlRules) {
    Start("28");
    CSnmpUserDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    const std::vector<int> v3Controls = {U::IDC_ENCRYPTED, U::IDC_AUTH_PROTOCOL, U::IDC_AUTH_PASSWORD,
                                         U::IDC_PRIV_PROTOCOL, U::IDC_PRIV_PASSWORD};
    auto state = [&] {
        std::string s;
        for (int id : v3Controls) s += d.enabled(id) ? "1" : "0";
        return s;
    };
    EXPECT_EQ(state(), "00000");
    EXPECT_TRUE(d.as<platform::EditBox>(U::IDC_AUTH_PASSWORD).password());
    EXPECT_TRUE(d.as<platform::EditBox>(U::IDC_PRIV_PASSWORD).password());
    d.choose(U::IDC_VERSION, "V3");
    EXPECT_EQ(state(), "10000");
    d.tick(U::IDC_ENCRYPTED);
    EXPECT_EQ(state(), "11111");
    d.choose(U::IDC_PRIV_PROTOCOL, "None");
    EXPECT_EQ(state(), "11110");
    d.tick(U::IDC_ENCRYPTED, false);
    EXPECT_EQ(state(), "10000");
    d.tick(U::IDC_ENCRYPTED);
    d.type("Auth Password", "secretPhrase");
    d.choose(U::IDC_VERSION, "V2c");
    EXPECT_EQ(state(), "00000");
    EXPECT_FALSE(d.checked(U::IDC_ENCRYPTED));
    EXPECT_EQ(d.text(U::IDC_AUTH_PASSWORD), "");
}

TEST_F(AgentSimTest, GroupIndexWithModelAndLevel) {
    Start("28");
    using G = CSnmpGroupDlg;
    CSnmpGroupDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_FALSE(d.enabled(G::IDC_LEVEL));
    sim.clearLog();
    d.type(G::IDC_GROUP_NAME, "g");
    d.type(G::IDC_READ_VIEW, "CommunityView");
    d.choose(G::IDC_MODEL, "v3");
    d.choose(G::IDC_LEVEL, "AuthNoPriv");
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setLines(), (Strings{kGroup + ".7.1.103.3.2=5", kGroup + ".4.1.103.3.2=" + Hex("CommunityView"),
                                      kGroup + ".7.1.103.3.2=1"}));
    EXPECT_EQ(d.list(kList).findRow(0, "g"), 0);
    EXPECT_EQ(d.list(kList).row(0), (Strings{"g", "CommunityView", "", "", "v3", "AuthNoPriv", "Active"}));
    EXPECT_EQ(d.text(G::IDC_MODEL), "v1");
    EXPECT_FALSE(d.enabled(G::IDC_LEVEL));

    // The level does not make another entry; a model does.
    sim.clearLog();
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> refused = {
        {"", "v1", "", "Please enter valid group name!"},
        {"g!", "v1", "", "Invalid Group Name."},
        {"g", "v3", "AuthPriv", "This Group Entry already exists."},
    };
    for (const auto& [name, model, level, message] : refused) {
        d.type(G::IDC_GROUP_NAME, name);
        d.choose(G::IDC_MODEL, model);
        if (!level.empty()) d.choose(G::IDC_LEVEL, level);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{message})) << name;
    }
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), (Strings{"Please select the item would be delete!\n"}));
    EXPECT_TRUE(sim.requests().empty());

    d.clickRow(kList, 0);
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setLines(), (Strings{kGroup + ".7.1.103.3.2=6"}));
}

TEST_F(AgentSimTest, ViewMaskOctetsIndexAndRefusals) {
    Start("28");
    using V = CSnmpViewDlg;
    CSnmpViewDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    const std::vector<std::tuple<std::string, std::string, std::string, std::string>> refused = {
        {" ", "1.3", "1", "Please enter valid view name."},
        {"a,b", "1.3", "1", "Invalid View Name."},
        {"lab", "1.3.a", "1", "Please enter valid subtree OID"},
        {"lab", "1.3.6.1.99999999999", "1", "Please enter valid subtree OID"},
        {"lab", "1..3", "1", "Please enter valid subtree OID ."},
        {"lab", "1.3.", "1", "Please enter valid subtree OID ."},
        {"lab", ".1.3", "1", "Please enter valid subtree OID ."},
        {"lab", "", "1", "Please enter valid subtree OID ."},
        {"lab", "1.3.6.1", "", "Please enter valid OID Mask."},
        {"lab", "1.3.6.1", "1.2", "Please enter valid OID Mask."},
        {"lab", "1.3.6.1", "1..1", "Please enter valid OID Mask."},
        {"lab", "1.3.6.1", "001", "Please enter valid OID Mask."},
        {"lab", "1.3.6.1", "1.1.1.1.1", "Invalid  OID length"},
        {"restricted", "1.3.6.1.2.1.1", "1", "This View Entry already exist."},
    };
    for (const auto& [name, subtree, mask, message] : refused) {
        d.type(V::IDC_VIEW_NAME, name);
        d.type(V::IDC_SUBTREE, subtree);
        d.type(V::IDC_MASK, mask);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{message})) << name << " " << subtree << " " << mask;
    }
    d.click("&Delete");
    EXPECT_EQ(env.takeMessages(), (Strings{"Please Selecte the Item you would delete"}));
    EXPECT_TRUE(sim.requests().empty());

    d.type(V::IDC_VIEW_NAME, "lab");
    d.type(V::IDC_SUBTREE, "1.3.6.1");
    d.type(V::IDC_MASK, "01.1.00");
    d.choose(V::IDC_TYPE, "Excluded");
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    const std::string index = ".3.108.97.98.4.1.3.6.1";
    EXPECT_EQ(sim.setLines(), (Strings{kView + ".5" + index + "=5",
                                      kView + ".3" + index + "=010100 " + kView + ".4" + index + "=2",
                                      kView + ".5" + index + "=1"}));
    const int row = d.list(kList).findRow(0, "lab");
    ASSERT_GE(row, 0);
    EXPECT_EQ(d.list(kList).row(row), (Strings{"lab", "1.3.6.1", "1.1.0", "Excluded", "Active"}));
    EXPECT_EQ(d.text(V::IDC_TYPE), "Included");

    sim.clearLog();
    d.clickRow(kList, row);
    d.click("&Delete");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_EQ(sim.setLines(), (Strings{kView + ".5" + index + "=6"}));
    EXPECT_EQ(d.list(kList).findRow(0, "lab"), -1);
}

// A group is read again a moment after it was written: the pause is a form timer, with the
// table's buttons held; a form closed meanwhile reads nothing more.
TEST_F(AgentSimTest, GroupAddReadsAgainFromATimer) {
    const Strings written = {kGroup + ".7.1.103.3.2=5", kGroup + ".4.1.103.3.2=" + Hex("CommunityView"),
                             kGroup + ".7.1.103.3.2=1"};
    const dialogtest::WriteSequenceCase c{
        .name = "group added",
        .model = "28",
        .make = [] { return std::make_unique<CSnmpGroupDlg>(); },
        .ready = [](DialogDriver& d, platform::Form& f) { return Settled(d, dynamic_cast<CSnmpGroupDlg&>(f)); },
        .act =
            [](DialogDriver& d) {
                d.type(CSnmpGroupDlg::IDC_GROUP_NAME, "g");
                d.type(CSnmpGroupDlg::IDC_READ_VIEW, "CommunityView");
                d.choose(CSnmpGroupDlg::IDC_MODEL, "v3");
                d.choose(CSnmpGroupDlg::IDC_LEVEL, "AuthNoPriv");
                d.click("&Apply");
            },
        .sentInAll = written,
        .held = {"&Add", "&Apply", "&Delete", "&Refresh"},
        .fromSender = true};
    RunWriteSequenceCase(sim, env, c);
}

}  // namespace
}  // namespace agenttest
