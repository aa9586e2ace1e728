// Where the keyboard focus goes when a dialog refuses what was typed, and the read-only boxes
// that never take it; headless, each dialog against the virtual switch.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "features/agent/host_dlg.h"
#include "features/agent/user_dlg.h"
#include "features/lldp/lldp_dlgs.h"
#include "features/maintenance/firmware_dlg.h"
#include "features/ports/port_set_info.h"
#include "features/ports/trunk_dlg.h"
#include "features/security/arp_spoofing_dlgs.h"
#include "support/dialog_driver.h"
#include "support/sim_fixture.h"

namespace {

using dialogtest::DialogDriver;
using dialogtest::DialogEnvironment;
using Strings = std::vector<std::string>;

struct FocusCase {
    std::string name;
    std::function<std::unique_ptr<platform::Form>()> make;
    int ready;                                   // enabled once the dialog has read the switch
    std::function<void(DialogDriver&)> input;    // what the user types
    int button;                                  // then clicks
    std::string message;                         // the refusal shown
    int focus;                                   // the field that then has the focus; 0: the button keeps it
    bool selected = false;                       // its text selected
};

std::unique_ptr<platform::Form> User() { return std::make_unique<CSnmpUserDlg>(); }

void UserV3(DialogDriver& d, const std::string& auth, const std::string& authPass, const std::string& priv,
            const std::string& privPass) {
    d.type(CSnmpUserDlg::IDC_USER_NAME, "ops");
    d.type(CSnmpUserDlg::IDC_GROUP_NAME, "g");
    d.choose(CSnmpUserDlg::IDC_VERSION, "V3");
    d.tick(CSnmpUserDlg::IDC_ENCRYPTED);
    d.choose(CSnmpUserDlg::IDC_AUTH_PROTOCOL, auth);
    d.type(CSnmpUserDlg::IDC_AUTH_PASSWORD, authPass);
    d.choose(CSnmpUserDlg::IDC_PRIV_PROTOCOL, priv);
    if (priv == "DES") d.type(CSnmpUserDlg::IDC_PRIV_PASSWORD, privPass);
}

class DialogFocus : public corvex::test::SimDeviceTest {
protected:
    DialogEnvironment env;
};

TEST_F(DialogFocus, ARefusedFieldGetsTheFocusAndNothingElseMovesIt) {
    using features::CTrunkConfigDlg;
    const std::string a33(33, 'a'), a41(41, 'a');
    const std::vector<FocusCase> cases = {
        {"trunk ID out of range", [] { return std::make_unique<CTrunkConfigDlg>(); }, CTrunkConfigDlg::IDC_REFRESH,
         [](DialogDriver& d) { d.type(CTrunkConfigDlg::IDC_TRUNK_ID, "9"); }, CTrunkConfigDlg::IDC_APPLY,
         "Invliad VLAN ID, VLAN ID should be (1-8) !", CTrunkConfigDlg::IDC_TRUNK_ID, true},
        {"trunk ID 0 before the member dialog", [] { return std::make_unique<CTrunkConfigDlg>(); },
         CTrunkConfigDlg::IDC_PORT_MEMBER,
         [](DialogDriver& d) {
             d.type(CTrunkConfigDlg::IDC_TRUNK_ID, "0");
             d.choose(CTrunkConfigDlg::IDC_MODE, "Static");
         },
         CTrunkConfigDlg::IDC_PORT_MEMBER, "Invliad VLAN ID, VLAN ID should be (1-8) !", CTrunkConfigDlg::IDC_TRUNK_ID,
         true},
        {"host address incomplete", [] { return std::make_unique<CSnmpHostDlg>(); }, CAgentTableDlg::IDC_APPLY,
         [](DialogDriver& d) { d.type(CSnmpHostDlg::IDC_ADDRESS, "10.0..7"); }, CAgentTableDlg::IDC_APPLY,
         "Invalid Host IP.", CSnmpHostDlg::IDC_ADDRESS},
        {"host address complete but refused", [] { return std::make_unique<CSnmpHostDlg>(); }, CAgentTableDlg::IDC_APPLY,
         [](DialogDriver& d) { d.type(CSnmpHostDlg::IDC_ADDRESS, "10.0.0.255"); }, CAgentTableDlg::IDC_APPLY,
         "Invalid Host IP.", 0},
        {"MD5 pass phrase too long", User, CAgentTableDlg::IDC_APPLY,
         [&](DialogDriver& d) { UserV3(d, "MD5", a33, "None", ""); }, CAgentTableDlg::IDC_APPLY,
         " MD5 Max. Password length is 32.", CSnmpUserDlg::IDC_AUTH_PASSWORD},
        {"SHA pass phrase too long", User, CAgentTableDlg::IDC_APPLY,
         [&](DialogDriver& d) { UserV3(d, "SHA", a41, "None", ""); }, CAgentTableDlg::IDC_APPLY,
         " SHA Max. Password length is 40.", CSnmpUserDlg::IDC_AUTH_PASSWORD},
        {"DES pass phrase too long", User, CAgentTableDlg::IDC_APPLY,
         [&](DialogDriver& d) { UserV3(d, "SHA", "authPhrase01", "DES", a33); }, CAgentTableDlg::IDC_APPLY,
         " DES Max. Password length is 32.", CSnmpUserDlg::IDC_PRIV_PASSWORD},
        {"empty pass phrase is not a length message", User, CAgentTableDlg::IDC_APPLY,
         [&](DialogDriver& d) { UserV3(d, "MD5", " ", "None", ""); }, CAgentTableDlg::IDC_APPLY,
         "Auth-Protocol Password can't be empty.", 0},
        {"transfer address incomplete", [] { return std::make_unique<CFirmwareUpgradeDlg>(); },
         CFirmwareUpgradeDlg::IDC_APPLY,
         [](DialogDriver& d) {
             d.choose(CFirmwareUpgradeDlg::IDC_OPERATION, "Backup");
             d.type(CFirmwareUpgradeDlg::IDC_TFTP_IP, "192.168.1.");
             d.type(CFirmwareUpgradeDlg::IDC_FILE_NAME, "a.cfg");
         },
         CFirmwareUpgradeDlg::IDC_APPLY, "Invalid TFTP server IP.", CFirmwareUpgradeDlg::IDC_TFTP_IP},
        {"transfer address complete but refused", [] { return std::make_unique<CFirmwareUpgradeDlg>(); },
         CFirmwareUpgradeDlg::IDC_APPLY,
         [](DialogDriver& d) {
             d.choose(CFirmwareUpgradeDlg::IDC_OPERATION, "Backup");
             d.type(CFirmwareUpgradeDlg::IDC_TFTP_IP, "0.0.0.0");
             d.type(CFirmwareUpgradeDlg::IDC_FILE_NAME, "a.cfg");
         },
         CFirmwareUpgradeDlg::IDC_APPLY, "Invalid TFTP server IP.", 0},
        {"gateway address incomplete", [] { return std::make_unique<security::CArpSpoofingEntryDlg>(10); },
         security::CArpSpoofingEntryDlg::IDC_APPLY,
         [](DialogDriver& d) {
             d.type(security::CArpSpoofingEntryDlg::IDC_IP, "192.168..1");
             d.type(security::CArpSpoofingEntryDlg::IDC_MAC, "00-11-22-33-44-55");
         },
         security::CArpSpoofingEntryDlg::IDC_APPLY, "Please enter correct IP format(ex:192.168.0.10)",
         security::CArpSpoofingEntryDlg::IDC_IP},
        {"gateway MAC refused", [] { return std::make_unique<security::CArpSpoofingEntryDlg>(10); },
         security::CArpSpoofingEntryDlg::IDC_APPLY,
         [](DialogDriver& d) {
             d.type(security::CArpSpoofingEntryDlg::IDC_IP, "192.168.0.1");
             d.type(security::CArpSpoofingEntryDlg::IDC_MAC, "00-11-22");
         },
         security::CArpSpoofingEntryDlg::IDC_APPLY, "Please enter correct MAC format(ex:00-00-00-00-00-01)", 0},
    };
    ASSERT_NO_FATAL_FAILURE(Start("10p"));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<platform::Form> form = c.make();
        DialogDriver d(env, *form);
        ASSERT_TRUE(d.waitEnabled(c.ready));
        c.input(d);
        sim.clearLog();
        d.click(c.button);
        EXPECT_EQ(env.takeMessages(), Strings{c.message});
        EXPECT_TRUE(sim.sets().empty());
        ASSERT_NE(d.focused(), nullptr);
        EXPECT_EQ(d.focused()->id(), c.focus ? c.focus : c.button);
        EXPECT_EQ(d.focusSelectsAll(), c.selected);
    }
}

// Typing over the selected text ends the selection; a second refusal selects it again.
TEST_F(DialogFocus, TypingEndsTheSelectionAndTheNextRefusalSelectsAgain) {
    using features::CTrunkConfigDlg;
    ASSERT_NO_FATAL_FAILURE(Start("10p"));
    CTrunkConfigDlg dlg;
    DialogDriver d(env, dlg);
    ASSERT_TRUE(d.waitEnabled(CTrunkConfigDlg::IDC_REFRESH));
    d.type(CTrunkConfigDlg::IDC_TRUNK_ID, "12");
    d.click(CTrunkConfigDlg::IDC_APPLY);
    EXPECT_TRUE(d.hasFocus(CTrunkConfigDlg::IDC_TRUNK_ID));
    EXPECT_TRUE(d.focusSelectsAll());
    d.type(CTrunkConfigDlg::IDC_TRUNK_ID, "0");
    EXPECT_TRUE(d.hasFocus(CTrunkConfigDlg::IDC_TRUNK_ID));
    EXPECT_FALSE(d.focusSelectsAll());
    // Enter presses Apply with the focus still in the box.
    d.form().get<platform::PushButton>(CTrunkConfigDlg::IDC_APPLY).userClick();
    EXPECT_TRUE(d.focusSelectsAll());
    EXPECT_EQ(env.takeMessages().size(), 2u);
}

// Boxes that only show what the switch holds: the program cannot give them the focus either.
TEST_F(DialogFocus, ReadOnlyBoxesTakeNoFocus) {
    struct Box {
        std::string name;
        std::function<std::unique_ptr<platform::Form>()> make;
        int box;
        int field;  // a field of the same dialog that does take the focus
    };
    const std::vector<Box> boxes = {
        {"ARP total entries", [] { return std::make_unique<security::CArpSpoofingDlg>(); },
         security::CArpSpoofingDlg::IDC_TOTAL, security::CArpSpoofingDlg::IDC_LIST},
        {"LLDP neighbour count", [] { return std::make_unique<lldp::CLldpRemoteDlg>(); }, lldp::CLldpRemoteDlg::IDC_EDIT_COUNT,
         lldp::CLldpRemoteDlg::IDC_LIST},
        {"trunk member's trunk ID",
         [] { return std::make_unique<features::CTrunkMemberDlg>("2", "Static", "3,4", 10); },
         features::CTrunkMemberDlg::IDC_TRUNK_ID, features::CTrunkMemberDlg::IDC_PORTS},
        {"port configuration's port ID", [] { return std::make_unique<features::CPortSetInfo>(); },
         features::CPortSetInfo::IDC_EDIT_PORT_ID, features::CPortSetInfo::IDC_LIST_PORT},
    };
    ASSERT_NO_FATAL_FAILURE(Start("10p"));
    for (const auto& b : boxes) {
        SCOPED_TRACE(b.name);
        std::unique_ptr<platform::Form> form = b.make();
        DialogDriver d(env, *form);
        auto& box = d.form().get<platform::EditBox>(b.box);
        EXPECT_TRUE(box.readOnly());
        EXPECT_FALSE(box.takesFocus());
        EXPECT_THROW(d.type(b.box, "7"), std::logic_error);
        auto& other = d.control(b.field);
        ASSERT_TRUE(d.form().setFocus(other));
        EXPECT_FALSE(d.form().setFocus(box, true));
        EXPECT_EQ(d.focused(), &other);
        env.takeMessages();
    }
}

}  // namespace
