#include "features/agent/view_dlg.h"

#include "platform/ui.h"

using namespace agent;

namespace {
constexpr const char* kMsgEnterName = "Please enter valid view name.";
constexpr const char* kMsgInvalidName = "Invalid View Name.";
constexpr const char* kMsgSubtreeCharacters = "Please enter valid subtree OID";
constexpr const char* kMsgSubtreeEmptyPart = "Please enter valid subtree OID .";
constexpr const char* kMsgMask = "Please enter valid OID Mask.";
constexpr const char* kMsgMaskLength = "Invalid  OID length";
constexpr const char* kMsgExists = "This View Entry already exist.";
constexpr const char* kMsgMaximum = "Maximum number of View Entry is 50.";
constexpr const char* kMsgSelect = "Please Selecte the Item you would delete";

std::vector<std::string> SplitDots(const std::string& text) {
    std::vector<std::string> parts;
    size_t start = 0;
    for (;;) {
        const size_t dot = text.find('.', start);
        parts.push_back(text.substr(start, dot == std::string::npos ? std::string::npos : dot - start));
        if (dot == std::string::npos) return parts;
        start = dot + 1;
    }
}

// A sub-identifier must fit 32 bits unsigned.
bool FitsSubId(const std::string& digits) {
    size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return true;
    const std::string significant = digits.substr(first);
    return significant.size() < 10 || (significant.size() == 10 && significant <= "4294967295");
}
}  // namespace

std::string CSnmpViewDlg::ViewIndex(const std::string& name, int n, const std::string& subtree) {
    return CSnmpAgentAccess::OctetIndex(name) + "." + std::to_string(n) + "." + subtree;
}

void CSnmpViewDlg::createControls() {
    setCaption("SNMP View Table Configuration");
    AddTableList("SNMP View Table  Info", {{"View Name", 130}, {"Subtree OID", 160}, {"OID Mask", 130}, {"View Type", 100}});
    addLabel(0, "View Name ");
    addEdit(IDC_VIEW_NAME).setMaxLength(32);
    addLabel(0, "Subtree OID ");
    addEdit(IDC_SUBTREE).setMaxLength(32);
    addLabel(0, "OID Mask ");
    addEdit(IDC_MASK);
    addLabel(0, "View Type");
    addCombo(IDC_TYPE, {"Included", "Excluded"});
    AddTableButtons();
}

void CSnmpViewDlg::initDialog() {
    ResetInputs();
    Reload();
}

void CSnmpViewDlg::ResetInputs() {
    for (int id : {IDC_VIEW_NAME, IDC_SUBTREE, IDC_MASK}) get<platform::EditBox>(id).setText("");
    get<platform::ComboBox>(IDC_TYPE).setCurrent(0);
}

void CSnmpViewDlg::StartWalk() { m_access.WalkViews(); }

void CSnmpViewDlg::OnRecord(int kind, const Record& r) {
    if (kind == kNoticeRow && r.size() >= 5 && r[4] == "1") List(r, {r[0], r[1], r[2], r[3]});
}

void CSnmpViewDlg::OnApply() {
    const std::string name = TrimBlanks(get<platform::EditBox>(IDC_VIEW_NAME).text());
    if (name.empty()) return (void)platform::ShowMessage(kMsgEnterName);
    if (!CSnmpAgentAccess::NameCheck(name)) return (void)platform::ShowMessage(kMsgInvalidName);

    const std::string subtree = TrimBlanks(get<platform::EditBox>(IDC_SUBTREE).text());
    if (subtree.find_first_not_of("0123456789.") != std::string::npos)
        return (void)platform::ShowMessage(kMsgSubtreeCharacters);
    const std::vector<std::string> arcs = SplitDots(subtree);
    for (const std::string& arc : arcs) {
        if (arc.empty()) return (void)platform::ShowMessage(kMsgSubtreeEmptyPart);
        // A number no OID can hold is no valid subtree either.
        if (!FitsSubId(arc)) return (void)platform::ShowMessage(kMsgSubtreeCharacters);
    }
    const int n = static_cast<int>(arcs.size());

    const std::string maskText = TrimBlanks(get<platform::EditBox>(IDC_MASK).text());
    if (maskText.empty()) return (void)platform::ShowMessage(kMsgMask);
    std::string mask;
    for (const std::string& part : SplitDots(maskText)) {
        if (part == "0" || part == "00") mask += '\x00';
        else if (part == "1" || part == "01") mask += '\x01';
        else return (void)platform::ShowMessage(kMsgMask);
    }
    if (static_cast<int>(mask.size()) > n) return (void)platform::ShowMessage(kMsgMaskLength);
    for (const Record& r : Listed())
        if (r[0] == name && r[1] == subtree) return (void)platform::ShowMessage(kMsgExists);
    if (static_cast<int>(Listed().size()) >= kMaxViews) return (void)platform::ShowMessage(kMsgMaximum);

    const std::string index = ViewIndex(name, n, subtree);
    const bool included = get<platform::ComboBox>(IDC_TYPE).text() == "Included";
    m_access.SetRowStatus(Column(kOidViewEntry, 5) + index, "5");
    CSnmpAgentAccess::Set(m_access.m_cCommonSNMPSet, {{Column(kOidViewEntry, 3) + index, SNMP_T_OCTETS, mask},
                                                      {Column(kOidViewEntry, 4) + index, SNMP_T_INTEGER,
                                                       included ? "1" : "2"}});
    m_access.SetRowStatus(Column(kOidViewEntry, 5) + index, "1");
    ResetInputs();
    Reload();
}

void CSnmpViewDlg::OnCancelEdit() {
    ResetInputs();
    Reload();
}

void CSnmpViewDlg::OnDelete() {
    const Record* r = Selected();
    if (!r) return (void)platform::ShowMessage(kMsgSelect);
    const std::string& subtree = (*r)[1];
    const int n = subtree.empty() ? 0 : static_cast<int>(SplitDots(subtree).size());
    m_access.SetRowStatus(Column(kOidViewEntry, 5) + ViewIndex((*r)[0], n, subtree), "6");
    Reload();
}
