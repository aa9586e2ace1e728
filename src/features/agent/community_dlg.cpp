#include "features/agent/community_dlg.h"

#include "platform/ui.h"

using namespace agent;

namespace {
constexpr const char* kMsgEnterName = "Please enter valid Community Name !";
constexpr const char* kMsgInvalidName = "Invalid Community Name.";
constexpr const char* kMsgExists = "This Community Entry already exists.";
constexpr const char* kMsgMaximum = "Maximum number of Community Entry is 10.";
constexpr const char* kMsgSelect = "Please select the item would be delete!\n";
constexpr const char* kMsgOwnCommunity =
    "This module reaches the switch with this community. Deleting it cuts the module off from the "
    "switch until the community is set up again from another console.\n\nDelete it anyway?";
}  // namespace

void CSnmpCommunityDlg::createControls() {
    setCaption("SNMP Community Table Configuration");
    AddTableList("Community Table Info", {{"Community Name", 200}, {"User Name", 200}});
    addLabel(0, "Community Name ");
    addEdit(IDC_NAME).setMaxLength(32);
    addLabel(0, "User Name (View Policy)");
    addCombo(IDC_USER);
    AddTableButtons();
}

void CSnmpCommunityDlg::initDialog() {
    enable({IDC_APPLY}, true);
    Reload();
}

void CSnmpCommunityDlg::StartWalk() { m_access.WalkCommunities(); }

void CSnmpCommunityDlg::OnRecord(int kind, const Record& r) {
    if (kind == kNoticeCommunity && r.size() >= 3) {
        List(r, {r[0], r[1]}, r[2]);
        return;
    }
    if (kind == kNoticeUser && r.size() >= 8) {
        // Users of SNMPv1 and SNMPv2c give the view policy of a community.
        auto& users = get<platform::ComboBox>(IDC_USER);
        if (r[2] == "V3" || r[2] == "v3" || r[7] != "1" || users.findItem(r[0]) >= 0) return;
        users.addItem(r[0]);
        users.setCurrent(0);
    }
}

void CSnmpCommunityDlg::OnAdd() { enable({IDC_APPLY}, true); }

void CSnmpCommunityDlg::OnApply() {
    const std::string name = TrimBlanks(get<platform::EditBox>(IDC_NAME).text());
    if (name.empty()) {
        platform::ShowMessage(kMsgEnterName);
        return;
    }
    if (!CSnmpAgentAccess::NameCheck(name)) {
        platform::ShowMessage(kMsgInvalidName);
        return;
    }
    // The name is the row's index, which the switch counts in bytes.
    if (const std::string tooLong = TooLongMessage("The Community Name", name, kMaxNameBytes); !tooLong.empty()) {
        platform::ShowMessage(tooLong);
        return;
    }
    for (const Record& r : Listed()) {
        if (r[0] == name) {
            platform::ShowMessage(ExistsMessage(kMsgExists, r[2]));
            return;
        }
    }
    if (static_cast<int>(Listed().size()) >= kMaxCommunities) {
        platform::ShowMessage(kMsgMaximum);
        return;
    }
    const std::string index = CSnmpAgentAccess::OctetIndex(name);
    const std::string user = get<platform::ComboBox>(IDC_USER).text();
    AddRow("community", Column(kOidCommunityEntry, 3) + index, {{{Column(kOidCommunityEntry, 2) + index, SNMP_T_OCTETS, user}}},
           [this](bool added) {
               if (added) return OnCancelEdit();
               Reload();  // what was typed stays for another try
           });
}

void CSnmpCommunityDlg::OnCancelEdit() {
    get<platform::ComboBox>(IDC_USER).setCurrent(0);
    get<platform::EditBox>(IDC_NAME).setText("");
    Reload();
}

void CSnmpCommunityDlg::OnDelete() {
    const Record* r = Selected();
    if (!r) {
        platform::ShowMessage(kMsgSelect);
        return;
    }
    const std::string name = (*r)[0];
    if (m_access.IsOwnCommunity(name) && !platform::Confirm(kMsgOwnCommunity, platform::MsgIcon::Warning)) return;
    DeleteRow("community", Column(kOidCommunityEntry, 3) + CSnmpAgentAccess::OctetIndex(name), [this] { Reload(); });
}
