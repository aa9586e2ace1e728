// Writes of the agent table dialogs that the switch refuses or does not answer: every add and
// delete says what was not changed, an add that fails leaves no row it made and no other's row
// touched, and the form reads the table again with what was typed kept; every write of the
// agent, security and LLDP dialogs holds its form until it has ended.
#include "agent/agent_sim.h"
#include "features/agent/community_dlg.h"
#include "features/agent/group_dlg.h"
#include "features/agent/host_dlg.h"
#include "features/agent/user_dlg.h"
#include "features/agent/view_dlg.h"
#include "app/unsaved_changes.h"
#include "features/agent/scalar_dlgs.h"
#include "features/common/sync_request.h"
#include "features/lldp/lldp_dlgs.h"
#include "features/security/dhcp_screening_dlg.h"
#include "features/security/dot1x_dlgs.h"
#include "features/security/arp_spoofing_dlgs.h"
#include "features/security/security_common.h"
#include "support/refused_write.h"

namespace agenttest {
namespace {

using dialogtest::RefusedWriteCase;
constexpr int kList = CAgentTableDlg::IDC_LIST;

bool Ready(DialogDriver& d, platform::Form& f) {
    auto& dlg = dynamic_cast<CAgentTableDlg&>(f);
    return d.env().waitUntil([&] { return !dlg.writing() && !dlg.Reloading(); }) && dlg.readsOk();
}

template <class Dlg, class... A>
std::function<std::unique_ptr<platform::Form>()> Make(A... a) {
    return [=] { return std::make_unique<Dlg>(a...); };
}

// Whether the switch holds the object, read with the write community (the community table
// is readable only so). An SNMPv1 get of an object the switch lacks is answered noSuchName.
bool Holds(const std::string& oid) {
    SessionSettings s = Settings();
    s.ReadCommunity = s.WriteCommunity;
    CCommonSnmp session(s);
    ReplyRow row;
    const bool read = features::GetNow(session, {oid}, false, row);
    EXPECT_TRUE(read || session.LastFailure() == SnmpFailure::AgentError) << oid;
    session.Close();
    return read && row.present(0);
}

// The object's value as text; empty when the switch does not hold it.
std::string Value(const std::string& oid) {
    SessionSettings s = Settings();
    s.ReadCommunity = s.WriteCommunity;
    CCommonSnmp session(s);
    ReplyRow row;
    const bool read = features::GetNow(session, {oid}, false, row);
    session.Close();
    return read && row.present(0) ? row.text(0) : std::string();
}

bool Listed(DialogDriver& d, const std::string& first) { return d.list(kList).findRow(0, first) >= 0; }

// The requests of an add that is refused: "oid=value" bindings in order.
Strings Bindings(const std::string& status, const Strings& columns, bool undone) {
    Strings out = {status + "=5"};
    out.insert(out.end(), columns.begin(), columns.end());
    if (undone) out.push_back(status + "=6");
    return out;
}

const std::string kLab = NameIndex("lab7");
const std::string kGenErr = "the switch refused the value (genErr).";

void AddCommunity(DialogDriver& d, DialogEnvironment&) {
    d.type(CSnmpCommunityDlg::IDC_NAME, "lab7");
    d.click("&Apply");
}
void AddHost(DialogDriver& d, DialogEnvironment&) {
    d.type(CSnmpHostDlg::IDC_ADDRESS, "10.0.0.1");
    d.choose(CSnmpHostDlg::IDC_VERSION, "V2c");
    d.type(CSnmpHostDlg::IDC_NAME, "trapper");
    d.click("&Apply");
}
void AddV3User(DialogDriver& d, DialogEnvironment& env) {
    d.type(CSnmpUserDlg::IDC_USER_NAME, "ops");
    d.type(CSnmpUserDlg::IDC_GROUP_NAME, "WriteGroup");
    d.choose(CSnmpUserDlg::IDC_VERSION, "V3");
    d.tick(CSnmpUserDlg::IDC_ENCRYPTED);
    d.choose(CSnmpUserDlg::IDC_AUTH_PROTOCOL, "SHA");
    d.type("Auth Password", "opsPhrase01");
    d.choose(CSnmpUserDlg::IDC_PRIV_PROTOCOL, "None");
    env.answer(MsgAnswer::Ok);  // pass phrases without privacy: written anyway
    d.click("&Apply");
}
void AddGroup(DialogDriver& d, DialogEnvironment&) {
    d.type(CSnmpGroupDlg::IDC_GROUP_NAME, "ops");
    d.type(CSnmpGroupDlg::IDC_READ_VIEW, "restricted");
    d.click("&Apply");
}
void AddView(DialogDriver& d, DialogEnvironment&) {
    d.type(CSnmpViewDlg::IDC_VIEW_NAME, "lab");
    d.type(CSnmpViewDlg::IDC_SUBTREE, "1.3.6.1.4");
    d.type(CSnmpViewDlg::IDC_MASK, "1.1");
    d.click("&Apply");
}
std::function<void(DialogDriver&, DialogEnvironment&)> Delete(std::string first) {
    return [first](DialogDriver& d, DialogEnvironment&) {
        d.clickRow(kList, d.list(kList).findRow(0, first));
        d.click("&Delete");
    };
}

TEST_F(AgentSimTest, TableWritesTellTheirOutcome) {
    const std::string c3 = kCommunity + ".3" + kLab, c2 = kCommunity + ".2" + kLab;
    const std::string h4 = kHost + ".4.10.0.0.1", h2 = kHost + ".2.10.0.0.1", h3 = kHost + ".3.10.0.0.1";
    const std::string ops = NameIndex("ops");
    const std::string u8 = kUser + ".8" + ops + ".3", u3 = kUser + ".3" + ops + ".3", u4 = kUser + ".4" + ops + ".3",
                      u5 = kUser + ".5" + ops + ".3";
    const std::string g7 = kGroup + ".7" + ops + ".1.1", g4 = kGroup + ".4" + ops + ".1.1";
    const std::string vIndex = NameIndex("lab") + ".5.1.3.6.1.4";
    const std::string v5 = kView + ".5" + vIndex, v3 = kView + ".3" + vIndex, v4 = kView + ".4" + vIndex;

    const Strings communityColumns = {c2 + "=" + Hex("ReadOnly")};
    const Strings hostColumns = {h2 + "=" + Hex("trapper"), h3 + "=2"};
    const Strings userColumns = {u3 + "=" + Hex("WriteGroup"), u4 + "=3", u5 + "=" + Hex("opsPhrase01")};
    const Strings groupColumns = {g4 + "=" + Hex("restricted")};
    const Strings viewColumns = {v3 + "=0101", v4 + "=1"};

    // After a failed add: the typed text is still there, the row is neither listed nor on the switch.
    auto notAdded = [](int box, std::string typed, std::string first, std::string status, Strings sent) {
        return [=](DialogDriver& d, platform::Form&, corvex::test::SimDevice& sim) {
            EXPECT_EQ(sim.setBindings(), sent);
            EXPECT_EQ(d.text(box), typed);
            EXPECT_FALSE(Listed(d, first));
            EXPECT_FALSE(Holds(status));
        };
    };
    // After a failed delete: the row is still listed and still on the switch.
    auto notDeleted = [](std::string first, std::string status) {
        return [=](DialogDriver& d, platform::Form&, corvex::test::SimDevice& sim) {
            EXPECT_EQ(sim.setBindings(), (Strings{status + "=6"}));
            EXPECT_TRUE(Listed(d, first));
            EXPECT_TRUE(Holds(status));
        };
    };
    const std::string refusedCreate = kGenErr + " Nothing was changed.";
    const std::vector<RefusedWriteCase> cases = {
        // Every add, refused at its create: nothing more is written.
        {.name = "community add, create refused", .refuse = {kCommunity + ".3"}, .make = Make<CSnmpCommunityDlg>(),
         .ready = Ready, .act = AddCommunity,
         .message = "The community could not be added: " + refusedCreate,
         .check = notAdded(CSnmpCommunityDlg::IDC_NAME, "lab7", "lab7", c3, Bindings(c3, {}, false))},
        {.name = "host add, create refused", .refuse = {kHost + ".4"}, .make = Make<CSnmpHostDlg>(), .ready = Ready,
         .act = AddHost, .message = "The trap host could not be added: " + refusedCreate,
         .check = notAdded(CSnmpHostDlg::IDC_NAME, "trapper", "10.0.0.1", h4, Bindings(h4, {}, false))},
        {.name = "user add, create refused", .refuse = {kUser + ".8"}, .make = Make<CSnmpUserDlg>(), .ready = Ready,
         .act = AddV3User, .message = "The user could not be added: " + refusedCreate,
         .check = notAdded(CSnmpUserDlg::IDC_USER_NAME, "ops", "ops", u8, Bindings(u8, {}, false))},
        {.name = "group add, create refused", .refuse = {kGroup + ".7"}, .make = Make<CSnmpGroupDlg>(), .ready = Ready,
         .act = AddGroup, .message = "The group could not be added: " + refusedCreate,
         .check = notAdded(CSnmpGroupDlg::IDC_GROUP_NAME, "ops", "ops", g7, Bindings(g7, {}, false))},
        {.name = "view add, create refused", .refuse = {kView + ".5"}, .make = Make<CSnmpViewDlg>(), .ready = Ready,
         .act = AddView, .message = "The view could not be added: " + refusedCreate,
         .check = notAdded(CSnmpViewDlg::IDC_SUBTREE, "1.3.6.1.4", "lab", v5, Bindings(v5, {}, false))},

        // Every add, refused after its create: the new row is destroyed again.
        {.name = "community add, user name refused", .refuse = {kCommunity + ".2"}, .make = Make<CSnmpCommunityDlg>(),
         .ready = Ready, .act = AddCommunity,
         .message = "The community could not be added: " + kGenErr + " The new community was removed.",
         .check = notAdded(CSnmpCommunityDlg::IDC_NAME, "lab7", "lab7", c3, Bindings(c3, communityColumns, true))},
        {.name = "host add, version refused", .refuse = {kHost + ".3"}, .make = Make<CSnmpHostDlg>(), .ready = Ready,
         .act = AddHost, .message = "The trap host could not be added: " + kGenErr + " The new trap host was removed.",
         .check = notAdded(CSnmpHostDlg::IDC_NAME, "trapper", "10.0.0.1", h4, Bindings(h4, hostColumns, true))},
        {.name = "user add, pass phrase refused (third step)", .refuse = {kUser + ".5"}, .make = Make<CSnmpUserDlg>(),
         .ready = Ready, .act = AddV3User,
         .message = "The user could not be added: " + kGenErr + " The new user was removed.",
         .check = notAdded(CSnmpUserDlg::IDC_USER_NAME, "ops", "ops", u8, Bindings(u8, userColumns, true))},
        {.name = "group add, read view refused", .refuse = {kGroup + ".4"}, .make = Make<CSnmpGroupDlg>(),
         .ready = Ready, .act = AddGroup,
         .message = "The group could not be added: " + kGenErr + " The new group was removed.",
         .check = notAdded(CSnmpGroupDlg::IDC_READ_VIEW, "restricted", "ops", g7, Bindings(g7, groupColumns, true))},
        {.name = "view add, mask refused", .refuse = {kView + ".3"}, .make = Make<CSnmpViewDlg>(), .ready = Ready,
         .act = AddView, .message = "The view could not be added: " + kGenErr + " The new view was removed.",
         .check = notAdded(CSnmpViewDlg::IDC_MASK, "1.1", "lab", v5, Bindings(v5, viewColumns, true))},
        // A column write the switch does not answer: it may have been taken, so the row goes too.
        {.name = "community add, user name unanswered", .args = {"--drop-prefix", c2},
         .make = Make<CSnmpCommunityDlg>(), .ready = Ready, .act = AddCommunity,
         .message = "The community could not be added: the switch did not answer, so it may or may not have taken "
                    "the change; the settings are read again. The new community was removed.",
         .check = notAdded(CSnmpCommunityDlg::IDC_NAME, "lab7", "lab7", c3, Bindings(c3, communityColumns, true))},

        // A create the switch does not answer may have been taken: the row was free, so it is
        // destroyed again, and when that is not answered either the user learns what may be left.
        {.name = "community add, create unanswered", .args = {"--drop-prefix", c3}, .make = Make<CSnmpCommunityDlg>(),
         .ready = Ready,
         .act =
             [](DialogDriver& d, DialogEnvironment& env) {
                 AddCommunity(d, env);  // two requests unanswered: two time-outs
                 env.waitUntil([&] { return !d.form().writing(); }, std::chrono::seconds(10));
             },
         .message = "The community could not be added: the switch did not answer, so it may or may not have taken "
                    "the change; the settings are read again. An unfinished community may be left on the switch; it "
                    "is listed with its status, and Delete removes it.",
         .check =
             [c3](DialogDriver& d, platform::Form&, corvex::test::SimDevice& sim) {
                 EXPECT_EQ(sim.setBindings(), (Strings{c3 + "=5", c3 + "=6"}));
                 EXPECT_EQ(d.text(CSnmpCommunityDlg::IDC_NAME), "lab7");
             }},

        // Every delete, refused: the row stays.
        {.name = "community delete", .state = {c2 + " s \"ReadOnly\""}, .refuse = {kCommunity + ".3"},
         .make = Make<CSnmpCommunityDlg>(), .ready = Ready, .act = Delete("lab7"),
         .message = "The community could not be deleted: " + kGenErr, .check = notDeleted("lab7", c3)},
        {.name = "host delete", .refuse = {kHost + ".4"}, .make = Make<CSnmpHostDlg>(), .ready = Ready,
         .act = Delete("10.90.90.12"), .message = "The trap host could not be deleted: " + kGenErr,
         .check = notDeleted("10.90.90.12", kHost + ".4.10.90.90.12")},
        {.name = "user delete", .refuse = {kUser + ".8"}, .make = Make<CSnmpUserDlg>(), .ready = Ready,
         .act = Delete("ReadWrite"), .message = "The user could not be deleted: " + kGenErr,
         .check = notDeleted("ReadWrite", kUser + ".8" + NameIndex("ReadWrite") + ".1")},
        {.name = "group delete", .refuse = {kGroup + ".7"}, .make = Make<CSnmpGroupDlg>(), .ready = Ready,
         .act = Delete("ReadGroup"), .message = "The group could not be deleted: " + kGenErr,
         .check = notDeleted("ReadGroup", kGroup + ".7" + NameIndex("ReadGroup") + ".1.1")},
        {.name = "view delete", .refuse = {kView + ".5"}, .make = Make<CSnmpViewDlg>(), .ready = Ready,
         .act = Delete("restricted"), .message = "The view could not be deleted: " + kGenErr,
         .check = notDeleted("restricted", kView + ".5" + NameIndex("restricted") + ".7.1.3.6.1.2.1.1")},
    };
    for (const RefusedWriteCase& c : cases) {
        RunRefusedWriteCase(sim, env, c);
        env.takeMessages();
    }
}

using Act = std::function<void(DialogDriver&, DialogEnvironment&)>;

// Fills the controls ("untick", "row" clicks the first row, "=X" chooses X, else typed), answers
// OK to a question, clicks the button.
Act Do(std::vector<std::pair<dialogtest::Ref, std::string>> input, const char* button) {
    return [=](DialogDriver& d, DialogEnvironment& env) {
        for (const auto& [ref, text] : input) {
            if (text == "untick") d.tick(ref, false);
            else if (text == "row") d.clickRow(ref, 0);
            else if (text[0] == '=') d.choose(ref, text.substr(1));
            else d.type(ref, text);
        }
        env.answer(MsgAnswer::Ok);
        d.click(button);
    };
}

// Another manager's row, not active, holds the key of an add: whether the switch would refuse
// the create or lose its answer, the row is neither taken over nor removed, and the message says
// what is there.
TEST_F(AgentSimTest, AnAddLeavesAnotherManagersRowAlone) {
    const std::string c3 = kCommunity + ".3" + kLab, h4 = kHost + ".4.10.0.0.1";
    const std::string u8 = kUser + ".8" + NameIndex("ops") + ".3", g7 = kGroup + ".7" + NameIndex("ops") + ".1.1";
    const std::string v5 = kView + ".5" + NameIndex("lab") + ".5.1.3.6.1.4";
    const std::string arp = std::string(security::kOidArpRowStatus) + ".10.0.0.1";
    const std::string notActive = " The switch holds it, not active (Not in service); Delete removes it.";
    struct Case {
        std::string name, rowStatus;
        std::function<std::unique_ptr<platform::Form>()> make;
        Act act;
        std::string message;
    };
    const Case cases[] = {
        {"community", c3, Make<CSnmpCommunityDlg>(), AddCommunity, "This Community Entry already exists." + notActive},
        {"host", h4, Make<CSnmpHostDlg>(), AddHost,
         "This IP Address has used,please enter other IP Address." + notActive},
        {"user", u8, Make<CSnmpUserDlg>(), AddV3User, "This User Entry already exists." + notActive},
        {"group", g7, Make<CSnmpGroupDlg>(), AddGroup, "This Group Entry already exists." + notActive},
        {"view", v5, Make<CSnmpViewDlg>(), AddView, "This View Entry already exist." + notActive},
        {"ARP entry", arp, Make<security::CArpSpoofingEntryDlg>(10),
         Do({{security::CArpSpoofingEntryDlg::IDC_IP, "10.0.0.1"}, {security::CArpSpoofingEntryDlg::IDC_MAC, "00-11-22-33-44-66"}},
            "&Apply"),
         "The ARP Spoofing Prevention entry could not be added: the switch already holds an entry for 10.0.0.1 that "
         "is not active (made by another manager, or left by an earlier try); it was left as it is. The list shows "
         "it with its status, and Delete removes it."},
    };
    for (const Case& c : cases) {
        for (const bool replyLost : {false, true}) {
            SCOPED_TRACE(c.name + (replyLost ? ", its create's reply lost" : ", its create refused"));
            const Strings args = replyLost ? Strings{"--drop-set-reply", c.rowStatus} : Strings{};
            ASSERT_NO_FATAL_FAILURE(Start("10p", {c.rowStatus + " i 2"}, args));
            {
                std::unique_ptr<platform::Form> form = c.make();
                DialogDriver d(env, *form);
                ASSERT_TRUE(env.waitUntil([&] { return form->readsOk() && !form->writing(); }));
                env.takeMessages();
                sim.clearLog();
                c.act(d, env);
                ASSERT_TRUE(env.waitUntil([&] { return !form->writing() && !env.messageTexts().empty() &&
                                                       env.messageTexts().back().rfind("Make sure", 0) != 0; }));
                EXPECT_EQ(env.messageTexts().back(), c.message);
                EXPECT_TRUE(sim.sets().empty());
            }
            EXPECT_EQ(Value(c.rowStatus), "2");  // the other manager's row, as it was
            sim.stop();
        }
    }
}

struct HeldCase {
    std::string name;
    std::function<std::unique_ptr<platform::Form>()> make;
    Act act;              // the user starts the write
    size_t sets;          // requests of the whole write
    std::string message;  // the outcome told ("" when the switch took it all)
    Strings args = {"--delay-ms", "300"};
    std::string model = "28";
    Strings state = {};
    bool marks = true;      // the switch took a change: the title is marked
    bool endsForm = false;  // the form's own end once the write is done (an entry form's OK)
};

TEST_F(AgentSimTest, AWayOutDuringAWriteWaitsForItsEnd) {
    using namespace security;
    using namespace lldp;
    const std::string priv = "1.3.6.1.4.1.171.10.76.12";
    Strings allAuto;
    for (int p = 1; p <= 52; ++p) allAuto.push_back(priv + ".11.2.9.1.2." + std::to_string(p) + " i 2");
    const std::string genErr = "could not be changed: the switch refused the value (genErr).";
    const std::vector<HeldCase> cases = {
        {"community add", Make<CSnmpCommunityDlg>(), AddCommunity, 3},
        {"host add", Make<CSnmpHostDlg>(), AddHost, 3},
        {"user add", Make<CSnmpUserDlg>(), AddV3User, 5},
        {"group add, its column refused", Make<CSnmpGroupDlg>(), AddGroup, 3,
         "The group could not be added: " + kGenErr + " The new group was removed.",
         {"--delay-ms", "300", "--set-error", kGroup + ".4:genErr"}},
        {"view add", Make<CSnmpViewDlg>(), AddView, 3},
        {"trap settings, refused", Make<CSnmpTrapDlg>(), Do({}, "&Apply"), 1, "The trap settings " + genErr,
         {"--delay-ms", "800", "--set-error", kAgent + ".8:genErr"}, "28", {}, false},
        {"global state", Make<CSnmpGlobalStateDlg>(), Do({}, "&Apply"), 1, "", {"--delay-ms", "800"}},
        {"engine ID", Make<CSnmpEngineIdDlg>(), Do({}, "&Default"), 1, "", {"--delay-ms", "800"}},
        {"802.1X off", Make<C8021xGlobalDlg>(), Do({{"Enable 802.1X", "untick"}}, "&Apply"), 1, "", {"--delay-ms", "300"},
         "28", {priv + ".11.2.1.0 i 1"}},
        {"802.1X ports beyond thirty", Make<C8021xPortDlg>(Dot1xParamTexts{}),
         Do({{"Control:", "=forceAuthorized"}}, "Apply"), 2, "", {}, "52", allAuto},
        {"ARP entry", Make<CArpSpoofingEntryDlg>(28),
         Do({{CArpSpoofingEntryDlg::IDC_IP, "10.0.0.1"}, {CArpSpoofingEntryDlg::IDC_MAC, "00-11-22-33-44-55"}}, "&Apply"),
         3, "", {"--delay-ms", "300"}, "28", {}, true, true},
        {"ARP delete", Make<CArpSpoofingDlg>(), Do({{CArpSpoofingDlg::IDC_LIST, "row"}}, "&Delete"), 1, "",
         {"--delay-ms", "300"}, "28", {priv + ".14.3.1.1.4.10.0.0.1 i 1"}},
        {"DHCP screening", Make<CDhcpScreeningDlg>(), Do({}, "&Apply"), 1},
        {"LLDP state, refused at every try", Make<CLldpGlobalDlg>(), Do({{" LLDP Enable ", "untick"}}, "&Apply"), 3,
         "The LLDP state " + genErr, {"--delay-ms", "300", "--set-error", kOidLldpState + ":genErr"}, "28", {}, false},
        {"LLDP MED", Make<CLldpMedDlg>(), Do({{"To Port", "=   3 "}}, "&Apply"), 3, "", {"--delay-ms", "100"}, "28p"},
    };
    int taken = 0;
    app::SetWriteTakenHandler([&] { ++taken; });
    for (size_t i = 0; i < cases.size(); ++i) {
        const HeldCase& c = cases[i];
        SCOPED_TRACE(c.name);
        ASSERT_NO_FATAL_FAILURE(Start(c.model, c.state, c.args));
        {
            std::unique_ptr<platform::Form> form = c.make();
            DialogDriver d(env, *form);
            ASSERT_TRUE(env.waitUntil([&] { return form->readsOk() && !form->writing(); }, std::chrono::seconds(20)));
            env.takeMessages();
            sim.clearLog();
            taken = 0;
            c.act(d, env);
            ASSERT_TRUE(form->writing());
            EXPECT_FALSE(d.enabled(platform::kIdCancel));  // Close / Cancel held
            if (i % 2 == 0) d.closeWindow();               // Esc, the close box
            ASSERT_TRUE(env.waitUntil([&] { return !form->writing(); }, std::chrono::seconds(20)));
            EXPECT_EQ(form->ended(), c.endsForm);
            EXPECT_EQ(sim.sets().size(), c.sets);
            Strings told;  // the questions asked before the write aside
            for (const auto& m : env.messages())
                if (m.buttons != platform::MsgButtons::OkCancel) told.push_back(m.text);
            env.takeMessages();
            EXPECT_EQ(told, c.message.empty() ? Strings{} : Strings{c.message});
            EXPECT_EQ(taken > 0, c.marks);
        }
        sim.stop();
    }
    app::SetWriteTakenHandler({});
}

}  // namespace
}  // namespace agenttest
