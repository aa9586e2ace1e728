// What the agent table dialogs take before they write: names and pass phrases counted in bytes
// as the switch counts them, and view subtrees read as OIDs (by value, as long as an index can
// carry).
#include "agent/agent_sim.h"
#include "features/agent/community_dlg.h"
#include "features/agent/group_dlg.h"
#include "features/agent/host_dlg.h"
#include "features/agent/user_dlg.h"
#include "features/agent/view_dlg.h"

#include <functional>
#include <memory>

namespace agenttest {
namespace {

constexpr int kList = CAgentTableDlg::IDC_LIST;
using U = CSnmpUserDlg;
using V = CSnmpViewDlg;

std::string Repeat(const std::string& piece, int times) {
    std::string out;
    for (int i = 0; i < times; ++i) out += piece;
    return out;
}

const std::string kE = "\xc3\xa9";          // é: 2 bytes
const std::string kSmile = "\xf0\x9f\x98\x80";  // 4 bytes

std::string TooLong(const std::string& label, int bytes) {
    return label + " is too long: the switch takes at most " + std::to_string(bytes) +
           " bytes, and letters such as \xc3\xa9 or \xe2\x82\xac take 2 or 3 bytes each.";
}

// Each box holds no more characters than its limit, but more bytes than the switch takes.
TEST_F(AgentSimTest, NamesAndPassPhrasesAreCountedInBytes) {
    Start("28");
    struct Case {
        std::string name;
        std::function<std::unique_ptr<CAgentTableDlg>()> make;
        std::function<void(DialogDriver&)> fill;
        std::string message;
    };
    const std::string e17 = Repeat(kE, 17);  // 17 characters, 34 bytes
    auto user = [](std::string name, std::string group, std::string auth, std::string authPass, std::string privPass) {
        return [=](DialogDriver& d) {
            d.type(U::IDC_USER_NAME, name);
            d.type(U::IDC_GROUP_NAME, group);
            d.choose(U::IDC_VERSION, "V3");
            if (authPass.empty()) return;
            d.tick(U::IDC_ENCRYPTED);
            d.choose(U::IDC_AUTH_PROTOCOL, auth);
            d.type("Auth Password", authPass);
            d.type("Priv Password", privPass);
        };
    };
    const std::vector<Case> cases = {
        {"community name", [] { return std::make_unique<CSnmpCommunityDlg>(); },
         [&](DialogDriver& d) { d.type(CSnmpCommunityDlg::IDC_NAME, e17); }, TooLong("The Community Name", 32)},
        {"trap host name", [] { return std::make_unique<CSnmpHostDlg>(); },
         [&](DialogDriver& d) {
             d.type(CSnmpHostDlg::IDC_ADDRESS, "10.0.0.1");
             d.type(CSnmpHostDlg::IDC_NAME, e17);
         },
         TooLong("The Community String/SNMPv3 User Name", 32)},
        {"user name", [] { return std::make_unique<CSnmpUserDlg>(); }, user(e17, "g", "", "", ""),
         TooLong("The User Name", 32)},
        {"user's group", [] { return std::make_unique<CSnmpUserDlg>(); }, user("u", Repeat(kSmile, 32), "", "", ""),
         TooLong("The Group Name", 127)},
        {"MD5 pass phrase", [] { return std::make_unique<CSnmpUserDlg>(); },
         user("u", "g", "MD5", e17, "privPhrase1"), " MD5 Max. Password length is 32."},
        {"SHA pass phrase", [] { return std::make_unique<CSnmpUserDlg>(); },
         user("u", "g", "SHA", Repeat(kE, 21), "privPhrase1"), " SHA Max. Password length is 40."},
        {"DES pass phrase", [] { return std::make_unique<CSnmpUserDlg>(); },
         user("u", "g", "SHA", "authPhrase1", e17), " DES Max. Password length is 32."},
        {"group name", [] { return std::make_unique<CSnmpGroupDlg>(); },
         [&](DialogDriver& d) { d.type(CSnmpGroupDlg::IDC_GROUP_NAME, e17); }, TooLong("The Group Name", 32)},
        {"group's read view", [] { return std::make_unique<CSnmpGroupDlg>(); },
         [&](DialogDriver& d) {
             d.type(CSnmpGroupDlg::IDC_GROUP_NAME, "g");
             d.type(CSnmpGroupDlg::IDC_READ_VIEW, Repeat(kSmile, 32));
         },
         TooLong("The Read View Name", 127)},
        {"view name", [] { return std::make_unique<CSnmpViewDlg>(); },
         [&](DialogDriver& d) {
             d.type(V::IDC_VIEW_NAME, e17);
             d.type(V::IDC_SUBTREE, "1.3.6");
             d.type(V::IDC_MASK, "1");
         },
         TooLong("The View Name", 32)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto dlg = c.make();
        DialogDriver d(env, *dlg);
        ASSERT_TRUE(Settled(d, *dlg));
        sim.clearLog();
        c.fill(d);
        d.click("&Apply");
        EXPECT_EQ(env.takeMessages(), (Strings{c.message}));
        EXPECT_TRUE(sim.requests().empty());
    }

    // 16 two-byte letters are 32 bytes: taken, and listed back.
    CSnmpCommunityDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    const std::string e16 = Repeat(kE, 16);
    d.type(CSnmpCommunityDlg::IDC_NAME, e16);
    d.click("&Apply");
    ASSERT_TRUE(Settled(d, dlg));
    EXPECT_TRUE(env.takeMessages().empty());
    EXPECT_EQ(sim.sets().size(), 3u);
    EXPECT_GE(d.list(kList).findRow(0, e16), 0);
}

TEST_F(AgentSimTest, ViewSubtreesAreOidsComparedByValue) {
    Start("28");
    CSnmpViewDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(Settled(d, dlg));
    sim.clearLog();
    auto apply = [&](const std::string& name, const std::string& subtree, const std::string& mask) {
        d.type(V::IDC_VIEW_NAME, name);
        d.type(V::IDC_SUBTREE, subtree);
        d.type(V::IDC_MASK, mask);
        d.click("&Apply");
    };
    std::string numbers109 = "1";
    for (int i = 1; i < 109; ++i) numbers109 += ".1";
    const std::vector<std::tuple<std::string, std::string, std::string>> refused = {
        // The rows the switch lists, written another way.
        {"restricted", "1.3.6.1.2.1.01", "This View Entry already exist."},
        {"restricted", "01.3.6.1.2.001.1", "This View Entry already exist."},
        {"CommunityView", "0001", "This View Entry already exist."},
        // No OID starts so.
        {"lab", "3.6.1", "Please enter valid subtree OID"},
        {"lab", "1.40.6", "Please enter valid subtree OID"},
        // The row's whole OID (entry, column, name, subtree) holds at most 128 numbers.
        {"lab", numbers109, "The subtree OID is too long: with this view name it may have at most 108 numbers."},
    };
    for (const auto& [name, subtree, message] : refused) {
        apply(name, subtree, "1");
        EXPECT_EQ(env.takeMessages(), (Strings{message})) << name << " " << subtree;
        EXPECT_EQ(d.text(V::IDC_SUBTREE), subtree);
    }
    EXPECT_TRUE(sim.requests().empty());

    // A subtree of more than 40 characters, and one written with leading zeros: each row is
    // made under the subtree's numbers and listed so.
    const std::string longSubtree = "1.3.6.1.4.1.171.10.76.12.25.4.1.1.5.100.200";
    ASSERT_GE(longSubtree.size(), 40u);
    const struct {
        std::string name, typed, listed, index;
    } added[] = {
        {"lab", longSubtree, longSubtree, NameIndex("lab") + ".17." + longSubtree},
        {"zero", "1.3.06.01", "1.3.6.1", NameIndex("zero") + ".4.1.3.6.1"},
    };
    for (const auto& a : added) {
        SCOPED_TRACE(a.typed);
        sim.clearLog();
        apply(a.name, a.typed, "1.1");
        ASSERT_TRUE(Settled(d, dlg));
        EXPECT_TRUE(env.takeMessages().empty());
        EXPECT_EQ(sim.setLines(), (Strings{kView + ".5" + a.index + "=5",
                                          kView + ".3" + a.index + "=0101 " + kView + ".4" + a.index + "=1",
                                          kView + ".5" + a.index + "=1"}));
        const int row = d.list(kList).findRow(0, a.name);
        ASSERT_GE(row, 0);
        EXPECT_EQ(d.list(kList).cell(row, 1), a.listed);
    }
    // Both are the switch's rows now, whatever way they are written.
    apply("zero", "1.3.6.1", "1");
    EXPECT_EQ(env.takeMessages(), (Strings{"This View Entry already exist."}));
}

}  // namespace
}  // namespace agenttest
