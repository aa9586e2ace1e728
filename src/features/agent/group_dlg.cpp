#include "features/agent/group_dlg.h"

#include "platform/ui.h"

using namespace agent;

namespace {
constexpr const char* kMsgEnterName = "Please enter valid group name!";
constexpr const char* kMsgInvalidName = "Invalid Group Name.";
constexpr const char* kMsgExists = "This Group Entry already exists.";
constexpr const char* kMsgMaximum = "Maximum number of Group Entry is 50.";
constexpr const char* kMsgSelect = "Please select the item would be delete!\n";
// The switch needs a moment after a new group before its table shows it: the table is read
// again a moment after a group was added (a form timer).
constexpr int kSettleDelayMs = 50;
constexpr int kTimerSettle = 1;
}  // namespace

std::string CSnmpGroupDlg::GroupIndex(const std::string& name, const std::string& model, const std::string& level) {
    std::string index = CSnmpAgentAccess::UserIndex(name, model);
    if (level == "NoAuthNoPriv") index += ".1";
    else if (level == "AuthNoPriv") index += ".2";
    else if (level == "AuthPriv") index += ".3";
    return index;
}

void CSnmpGroupDlg::createControls() {
    setCaption("SNMP Group Table Info");
    AddTableList("SNMP Group Table", {{"Group Name", 110},
                                      {"Read View", 125},
                                      {"Write View", 125},
                                      {"Notify View", 125},
                                      {"Security Model", 110},
                                      {"Security Level", 110}});
    addLabel(0, "Group Name");
    addEdit(IDC_GROUP_NAME).setMaxLength(32);
    addLabel(0, "Read View Name ");
    addEdit(IDC_READ_VIEW).setMaxLength(32);
    addLabel(0, "Write View Name");
    addEdit(IDC_WRITE_VIEW).setMaxLength(32);
    addLabel(0, "Notify View Name ");
    addEdit(IDC_NOTIFY_VIEW).setMaxLength(32);
    addLabel(0, "Security Model");
    addCombo(IDC_MODEL, {"v1", "v2c", "v3"}).onChange([this] { OnModel(); });
    addLabel(0, "Security Level");
    addCombo(IDC_LEVEL, {"NoAuthNoPriv", "AuthNoPriv", "AuthPriv"});
    AddTableButtons();
}

void CSnmpGroupDlg::initDialog() {
    ResetInputs();
    Reload();
}

void CSnmpGroupDlg::ResetInputs() {
    for (int id : {IDC_GROUP_NAME, IDC_READ_VIEW, IDC_WRITE_VIEW, IDC_NOTIFY_VIEW})
        get<platform::EditBox>(id).setText("");
    get<platform::ComboBox>(IDC_MODEL).setCurrent(0);
    get<platform::ComboBox>(IDC_LEVEL).setCurrent(0);
    enable({IDC_LEVEL}, false);
}

void CSnmpGroupDlg::OnModel() {
    const bool v3 = get<platform::ComboBox>(IDC_MODEL).text() == "v3";
    if (!v3) get<platform::ComboBox>(IDC_LEVEL).setCurrent(0);
    enable({IDC_LEVEL}, v3);
}

void CSnmpGroupDlg::StartWalk() { m_access.WalkGroups(); }

void CSnmpGroupDlg::OnRecord(int kind, const Record& r) {
    if (kind == kNoticeRow && r.size() >= 7) List(r, {r[0], r[1], r[2], r[3], r[4], r[5]}, r[6]);
}

void CSnmpGroupDlg::OnApply() {
    platform::WaitCursor wait;
    const std::string name = TrimBlanks(get<platform::EditBox>(IDC_GROUP_NAME).text());
    if (name.empty()) return (void)platform::ShowMessage(kMsgEnterName);
    if (!CSnmpAgentAccess::NameCheck(name)) return (void)platform::ShowMessage(kMsgInvalidName);
    // The group name is the row's index, which the switch counts in bytes.
    if (const std::string tooLong = TooLongMessage("The Group Name", name, kMaxNameBytes); !tooLong.empty())
        return (void)platform::ShowMessage(tooLong);
    const std::pair<int, const char*> viewBoxes[] = {{IDC_READ_VIEW, "The Read View Name"},
                                                     {IDC_WRITE_VIEW, "The Write View Name"},
                                                     {IDC_NOTIFY_VIEW, "The Notify View Name"}};
    for (const auto& [id, label] : viewBoxes) {
        const std::string tooLong = TooLongMessage(label, get<platform::EditBox>(id).text(), kMaxReferenceBytes);
        if (!tooLong.empty()) return (void)platform::ShowMessage(tooLong);
    }
    const std::string model = get<platform::ComboBox>(IDC_MODEL).text();
    for (const Record& r : Listed())
        if (r[0] == name && r[4] == model) return (void)platform::ShowMessage(ExistsMessage(kMsgExists, r[6]));
    if (static_cast<int>(Listed().size()) >= kMaxGroups) return (void)platform::ShowMessage(kMsgMaximum);

    const std::string level = model == "v3" ? get<platform::ComboBox>(IDC_LEVEL).text() : std::string("NoAuthNoPriv");
    const std::string index = GroupIndex(name, model, level);
    Step views;
    int column = 4;
    for (int id : {IDC_READ_VIEW, IDC_WRITE_VIEW, IDC_NOTIFY_VIEW}) {
        const std::string view = get<platform::EditBox>(id).text();
        if (!view.empty()) views.push_back({Column(kOidGroupEntry, column) + index, SNMP_T_OCTETS, view});
        ++column;
    }
    AddRow("group", Column(kOidGroupEntry, 7) + index, {views}, [this](bool added) {
        if (added) ResetInputs();  // otherwise what was typed stays for another try
        beginWrite({IDC_ADD, IDC_APPLY, IDC_CANCEL, IDC_DELETE, IDC_REFRESH});
        setTimer(kTimerSettle, kSettleDelayMs, [this] {
            endWrite();
            Reload();
        });
    });
}

void CSnmpGroupDlg::OnCancelEdit() {
    ResetInputs();
    Reload();
}

void CSnmpGroupDlg::OnDelete() {
    const Record* r = Selected();
    if (!r) return (void)platform::ShowMessage(kMsgSelect);
    DeleteRow("group", Column(kOidGroupEntry, 7) + GroupIndex((*r)[0], (*r)[4], (*r)[5]), [this] { Reload(); });
}
