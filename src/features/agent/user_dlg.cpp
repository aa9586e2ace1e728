#include "features/agent/user_dlg.h"

#include "platform/ui.h"

using namespace agent;

namespace {
constexpr const char* kMsgEnterUser = "Please enter valid User Name ";
constexpr const char* kMsgInvalidUser = "Invalid User Name .";
constexpr const char* kMsgEnterGroup = "Please enter valid Group Name ";
constexpr const char* kMsgInvalidGroup = "Invalid Group Name.";
constexpr const char* kMsgExists = "This User Entry already exists.";
constexpr const char* kMsgMaximum = "Maximum number of User Entry is 50.";
constexpr const char* kMsgAuthEmpty = "Auth-Protocol Password can't be empty.";
constexpr const char* kMsgMd5Length = " MD5 Max. Password length is 32.";
constexpr const char* kMsgShaLength = " SHA Max. Password length is 40.";
constexpr const char* kMsgPrivEmpty = "Priv-Protocol Password can't be empty.";
constexpr const char* kMsgAuthShort = "Auth-Protocol Password needs at least 8 characters.";
constexpr const char* kMsgPrivShort = "Priv-Protocol Password needs at least 8 characters.";
constexpr std::size_t kMinPassPhrase = 8;
constexpr const char* kMsgDesLength = " DES Max. Password length is 32.";
constexpr const char* kMsgSelect = "Please select the item would be delete!\n";
constexpr const char* kMsgInClear =
    "This module reaches the switch without SNMPv3 privacy (encryption), so the pass phrases of this "
    "user would cross the network in clear text, readable by anyone who can see the traffic.\n\n"
    "Write them anyway?";
constexpr const char* kMsgOwnUser =
    "This module reaches the switch as this SNMPv3 user. Deleting the user cuts the module off from "
    "the switch until the user is set up again from another console.\n\nDelete it anyway?";
}  // namespace

void CSnmpUserDlg::createControls() {
    setCaption("SNMP User Table ");
    AddTableList("User Table Info", {{"User Name", 110},
                                     {"Group Name", 110},
                                     {"SNMP Version", 90},
                                     {"Auth Protocol", 90},
                                     {"Priv-Protocol", 90}});
    addLabel(0, "User Name");
    addEdit(IDC_USER_NAME).setMaxLength(32);
    addLabel(0, "Group Name");
    addEdit(IDC_GROUP_NAME).setMaxLength(32);
    addLabel(0, "SNMP Version");
    addCombo(IDC_VERSION, {"V1", "V2c", "V3"}).onChange([this] { OnVersion(); });
    addCheck(IDC_ENCRYPTED, "encrypted").sameLine();
    get<platform::CheckBox>(IDC_ENCRYPTED).onToggle([this] { OnEncrypted(); });
    addLabel(0, "Auth-Protocol");
    addCombo(IDC_AUTH_PROTOCOL, {"MD5", "SHA"}).setWidth(90);
    addLabel(0, "Password").setName("Auth Password").sameLine();
    addEdit(IDC_AUTH_PASSWORD).setPassword();
    addLabel(0, "Priv-Protocol");
    addCombo(IDC_PRIV_PROTOCOL, {"DES", "None"}).onChange([this] { OnPrivProtocol(); }).setWidth(90);
    addLabel(0, "Password").setName("Priv Password").sameLine();
    addEdit(IDC_PRIV_PASSWORD).setPassword();
    AddTableButtons();
}

void CSnmpUserDlg::initDialog() {
    ResetInputs();
    Reload();
}

void CSnmpUserDlg::ResetInputs() {
    get<platform::EditBox>(IDC_USER_NAME).setText("");
    get<platform::EditBox>(IDC_GROUP_NAME).setText("");
    get<platform::EditBox>(IDC_AUTH_PASSWORD).setText("");
    get<platform::EditBox>(IDC_PRIV_PASSWORD).setText("");
    get<platform::ComboBox>(IDC_VERSION).setCurrent(0);
    get<platform::ComboBox>(IDC_AUTH_PROTOCOL).setCurrent(0);
    get<platform::ComboBox>(IDC_PRIV_PROTOCOL).setCurrent(0);
    get<platform::CheckBox>(IDC_ENCRYPTED).setChecked(false);
    enable({IDC_ENCRYPTED, IDC_AUTH_PROTOCOL, IDC_AUTH_PASSWORD, IDC_PRIV_PROTOCOL, IDC_PRIV_PASSWORD}, false);
}

bool CSnmpUserDlg::IsV3() const { return get<platform::ComboBox>(IDC_VERSION).text() == "V3"; }

void CSnmpUserDlg::OnVersion() {
    if (IsV3()) {
        enable({IDC_ENCRYPTED}, true);
        return;
    }
    // Only SNMPv3 users have pass phrases: what was typed for one is dropped.
    get<platform::CheckBox>(IDC_ENCRYPTED).setChecked(false);
    get<platform::EditBox>(IDC_AUTH_PASSWORD).setText("");
    get<platform::EditBox>(IDC_PRIV_PASSWORD).setText("");
    enable({IDC_ENCRYPTED, IDC_AUTH_PROTOCOL, IDC_AUTH_PASSWORD, IDC_PRIV_PROTOCOL, IDC_PRIV_PASSWORD}, false);
}

void CSnmpUserDlg::OnEncrypted() {
    const bool on = get<platform::CheckBox>(IDC_ENCRYPTED).checked();
    enable({IDC_AUTH_PROTOCOL, IDC_PRIV_PROTOCOL, IDC_AUTH_PASSWORD}, on);
    enable({IDC_PRIV_PASSWORD}, on && get<platform::ComboBox>(IDC_PRIV_PROTOCOL).text() == "DES");
}

void CSnmpUserDlg::OnPrivProtocol() {
    enable({IDC_PRIV_PASSWORD}, get<platform::ComboBox>(IDC_PRIV_PROTOCOL).text() == "DES");
}

void CSnmpUserDlg::StartWalk() { m_access.WalkUsers(); }

void CSnmpUserDlg::OnRecord(int kind, const Record& r) {
    if (kind == kNoticeUser && r.size() >= 8) List(r, {r[0], r[1], r[2], r[3], r[5]}, r[7]);
}

void CSnmpUserDlg::OnApply() {
    const std::string user = TrimBlanks(get<platform::EditBox>(IDC_USER_NAME).text());
    if (user.empty()) return (void)platform::ShowMessage(kMsgEnterUser);
    if (!CSnmpAgentAccess::NameCheck(user)) return (void)platform::ShowMessage(kMsgInvalidUser);
    // The user name is the row's index, which the switch counts in bytes.
    if (const std::string tooLong = TooLongMessage("The User Name", user, kMaxNameBytes); !tooLong.empty())
        return (void)platform::ShowMessage(tooLong);
    const std::string group = TrimBlanks(get<platform::EditBox>(IDC_GROUP_NAME).text());
    if (group.empty()) return (void)platform::ShowMessage(kMsgEnterGroup);
    if (!CSnmpAgentAccess::NameCheck(group)) return (void)platform::ShowMessage(kMsgInvalidGroup);
    if (const std::string tooLong = TooLongMessage("The Group Name", group, kMaxReferenceBytes); !tooLong.empty())
        return (void)platform::ShowMessage(tooLong);
    const std::string version = get<platform::ComboBox>(IDC_VERSION).text();
    for (const Record& r : Listed())
        if (r[0] == user && r[2] == version) return (void)platform::ShowMessage(ExistsMessage(kMsgExists, r[7]));
    if (static_cast<int>(Listed().size()) >= kMaxUsers) return (void)platform::ShowMessage(kMsgMaximum);

    const bool v3 = version == "V3";
    const bool encrypted = v3 && get<platform::CheckBox>(IDC_ENCRYPTED).checked();
    std::string auth = "None", priv = "None", authPassword, privPassword;
    if (encrypted) {
        auth = get<platform::ComboBox>(IDC_AUTH_PROTOCOL).text();
        priv = get<platform::ComboBox>(IDC_PRIV_PROTOCOL).text() == "DES" ? "DES" : "None";
        authPassword = get<platform::EditBox>(IDC_AUTH_PASSWORD).text();
        if (TrimBlanks(authPassword).empty()) return (void)platform::ShowMessage(kMsgAuthEmpty);
        // The switch derives the user's key from the pass phrase, which takes at least 8 octets.
        if (authPassword.size() < kMinPassPhrase) {
            platform::ShowMessage(kMsgAuthShort);
            setFocus(get<platform::EditBox>(IDC_AUTH_PASSWORD));
            return;
        }
        if ((auth == "MD5" && authPassword.size() > 32) || (auth == "SHA" && authPassword.size() > 40)) {
            platform::ShowMessage(auth == "MD5" ? kMsgMd5Length : kMsgShaLength);
            setFocus(get<platform::EditBox>(IDC_AUTH_PASSWORD));
            return;
        }
        if (priv == "DES") {
            privPassword = get<platform::EditBox>(IDC_PRIV_PASSWORD).text();
            if (TrimBlanks(privPassword).empty()) return (void)platform::ShowMessage(kMsgPrivEmpty);
            if (privPassword.size() < kMinPassPhrase) {
                platform::ShowMessage(kMsgPrivShort);
                setFocus(get<platform::EditBox>(IDC_PRIV_PASSWORD));
                return;
            }
            if (privPassword.size() > 32) {
                platform::ShowMessage(kMsgDesLength);
                setFocus(get<platform::EditBox>(IDC_PRIV_PASSWORD));
                return;
            }
        }
        // Pass phrases written over a session without privacy cross the network in clear.
        if (!m_access.SessionHasPrivacy() && !platform::Confirm(kMsgInClear, platform::MsgIcon::Warning)) return;
    }

    const std::string index = CSnmpAgentAccess::UserIndex(user, version);
    std::vector<Step> steps = {{{Column(kOidUserEntry, 3) + index, SNMP_T_OCTETS, group}}};
    if (v3) {
        const bool withPriv = priv != "None";
        Step protocols = {
            {Column(kOidUserEntry, 4) + index, SNMP_T_INTEGER, auth == "MD5" ? "2" : auth == "SHA" ? "3" : "1"}};
        if (withPriv) protocols.push_back({Column(kOidUserEntry, 6) + index, SNMP_T_INTEGER, "2"});
        Step phrases = {{Column(kOidUserEntry, 5) + index, SNMP_T_OCTETS, authPassword}};
        if (withPriv) phrases.push_back({Column(kOidUserEntry, 7) + index, SNMP_T_OCTETS, privPassword});
        steps.push_back(std::move(protocols));
        steps.push_back(std::move(phrases));
    }
    AddRow("user", Column(kOidUserEntry, 8) + index, steps, [this](bool added) {
        if (added) ResetInputs();  // otherwise what was typed stays for another try
        Reload();
    });
}

void CSnmpUserDlg::OnCancelEdit() {
    ResetInputs();
    Reload();
}

void CSnmpUserDlg::OnDelete() {
    const Record* r = Selected();
    if (!r) return (void)platform::ShowMessage(kMsgSelect);
    const std::string name = (*r)[0], version = (*r)[2];
    if (m_access.IsOwnUser(name, version) && !platform::Confirm(kMsgOwnUser, platform::MsgIcon::Warning)) return;
    DeleteRow("user", Column(kOidUserEntry, 8) + CSnmpAgentAccess::UserIndex(name, version), [this] { Reload(); });
}
