#include "features/agent/host_dlg.h"

#include "platform/ui.h"

using namespace agent;

namespace {
constexpr const char* kMsgInvalidHost = "Invalid Host IP.";
constexpr const char* kMsgAddressUsed = "This IP Address has used,please enter other IP Address";
constexpr const char* kMsgNameEmpty = "The Community String or SNMPv3 User Name can not be empty.";
constexpr const char* kMsgInvalidName = "Invalid Community String/SNMPv3 User Name. ";
constexpr const char* kMsgMaximum = "Maximum number of Host Entry is 10.";
constexpr const char* kMsgSelect = "Please Selecte the Item you would delete";
const std::vector<std::string> kVersions = {"V1", "V2c", "V3-NoAuthNoPriv", "V3-AuthNoPriv", "V3-AuthPriv"};
}  // namespace

void CSnmpHostDlg::createControls() {
    setCaption("SNMP Host Table");
    AddTableList("Host Table Info",
                 {{"Host IP Address", 130}, {"SNMP Version", 130}, {"Community Name/SNMPv3 User Name ", 240}});
    addLabel(0, "Host IP Adress");
    addIpAddress(IDC_ADDRESS);
    addLabel(0, "SNMP Version");
    addCombo(IDC_VERSION, kVersions);
    addLabel(0, "Community String/SNMPv3 User Name");
    addEdit(IDC_NAME).setMaxLength(32);
    AddTableButtons();
}

void CSnmpHostDlg::initDialog() {
    get<platform::ComboBox>(IDC_VERSION).setCurrent(0);
    Reload();
}

void CSnmpHostDlg::StartWalk() { m_access.WalkHosts(); }

void CSnmpHostDlg::OnRecord(int kind, const Record& r) {
    if (kind == kNoticeRow && r.size() >= 4) List(r, {r[0], r[1], r[2]}, r[3]);
}

void CSnmpHostDlg::OnApply() {
    const auto& field = get<platform::IpAddressField>(IDC_ADDRESS);
    if (!field.complete()) {
        platform::ShowMessage(kMsgInvalidHost);
        setFocus(get<platform::IpAddressField>(IDC_ADDRESS));
        return;
    }
    std::array<int, 4> octets{};
    for (int i = 0; i < 4; ++i) octets[static_cast<size_t>(i)] = field.octet(i).value_or(-1);
    if (!IsTrapHostAddress(octets)) {
        platform::ShowMessage(kMsgInvalidHost);
        return;
    }
    const std::string address = field.address();
    for (const Record& r : Listed()) {
        if (r[0] == address) {
            platform::ShowMessage(ExistsMessage(kMsgAddressUsed, r[3]));
            return;
        }
    }
    const std::string name = TrimBlanks(get<platform::EditBox>(IDC_NAME).text());
    if (name.empty()) {
        platform::ShowMessage(kMsgNameEmpty);
        return;
    }
    if (!CSnmpAgentAccess::NameCheck(name)) {
        platform::ShowMessage(kMsgInvalidName);
        return;
    }
    if (const std::string tooLong = TooLongMessage("The Community String/SNMPv3 User Name", name, kMaxNameBytes);
        !tooLong.empty()) {
        platform::ShowMessage(tooLong);
        return;
    }
    if (static_cast<int>(Listed().size()) >= kMaxHosts) {
        platform::ShowMessage(kMsgMaximum);
        return;
    }
    const std::string index = "." + address;
    const int version = get<platform::ComboBox>(IDC_VERSION).current() + 1;
    AddRow("trap host", Column(kOidHostEntry, 4) + index,
           {{{Column(kOidHostEntry, 2) + index, SNMP_T_OCTETS, name},
             {Column(kOidHostEntry, 3) + index, SNMP_T_INTEGER, std::to_string(version < 1 ? 1 : version)}}},
           [this](bool added) {
               if (added) return OnCancelEdit();
               Reload();  // what was typed stays for another try
           });
}

void CSnmpHostDlg::ClearInputs() {
    get<platform::IpAddressField>(IDC_ADDRESS).clear();
    get<platform::ComboBox>(IDC_VERSION).setCurrent(0);
    get<platform::EditBox>(IDC_NAME).setText("");
}

void CSnmpHostDlg::OnCancelEdit() {
    ClearInputs();
    Reload();
}

void CSnmpHostDlg::OnDelete() {
    const Record* r = Selected();
    if (!r) {
        platform::ShowMessage(kMsgSelect);
        return;
    }
    DeleteRow("trap host", Column(kOidHostEntry, 4) + "." + (*r)[0], [this] { Reload(); });
}
