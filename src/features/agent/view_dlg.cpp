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
// Room for the longest subtree an index can carry: 128 numbers of up to ten digits.
constexpr int kMaxSubtreeChars = static_cast<int>(kMaxOidLength) * 11;

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

// An OID's first number is 0, 1 or 2, and under 0 and 1 the second is at most 39: no other
// OID can be encoded.
bool EncodableOid(const std::vector<std::uint32_t>& oid) {
    if (oid.empty() || oid[0] > 2) return false;
    return oid.size() < 2 || oid[0] == 2 || oid[1] <= 39;
}

// The most numbers a view's subtree may have: the whole OID of a column instance, entry,
// column, name and subtree, holds at most kMaxOidLength.
size_t MaxSubtreeLength(const std::string& name) {
    const size_t fixed = ParseOid(Column(kOidViewEntry, 5)).size() + 1 + name.size() + 1;
    return fixed < kMaxOidLength ? kMaxOidLength - fixed : 0;
}
}  // namespace

std::string CSnmpViewDlg::ViewIndex(const std::string& name, int n, const std::string& subtree) {
    // The subtree by value: "1.3.06" and "1.3.6" name the same row.
    const std::vector<std::uint32_t> oid = ParseOid(subtree);
    return CSnmpAgentAccess::OctetIndex(name) + "." + std::to_string(n) + "." + (oid.empty() ? subtree : OidText(oid));
}

void CSnmpViewDlg::createControls() {
    setCaption("SNMP View Table Configuration");
    AddTableList("SNMP View Table  Info", {{"View Name", 130}, {"Subtree OID", 150}, {"OID Mask", 120}, {"View Type", 100}});
    addLabel(0, "View Name ");
    addEdit(IDC_VIEW_NAME).setMaxLength(32);
    addLabel(0, "Subtree OID ");
    addEdit(IDC_SUBTREE).setMaxLength(kMaxSubtreeChars);
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
    if (kind == kNoticeRow && r.size() >= 5) List(r, {r[0], r[1], r[2], r[3]}, r[4]);
}

void CSnmpViewDlg::OnApply() {
    const std::string name = TrimBlanks(get<platform::EditBox>(IDC_VIEW_NAME).text());
    if (name.empty()) return (void)platform::ShowMessage(kMsgEnterName);
    if (!CSnmpAgentAccess::NameCheck(name)) return (void)platform::ShowMessage(kMsgInvalidName);
    // The view name is part of the row's index, which the switch counts in bytes.
    if (const std::string tooLong = TooLongMessage("The View Name", name, kMaxNameBytes); !tooLong.empty())
        return (void)platform::ShowMessage(tooLong);

    const std::string subtree = TrimBlanks(get<platform::EditBox>(IDC_SUBTREE).text());
    if (subtree.find_first_not_of("0123456789.") != std::string::npos)
        return (void)platform::ShowMessage(kMsgSubtreeCharacters);
    for (const std::string& arc : SplitDots(subtree))
        if (arc.empty()) return (void)platform::ShowMessage(kMsgSubtreeEmptyPart);
    // Numbers above 32 bits, or a start no OID has, make no valid subtree either.
    const std::vector<std::uint32_t> oid = ParseOid(subtree);
    if (!EncodableOid(oid)) return (void)platform::ShowMessage(kMsgSubtreeCharacters);
    if (const size_t most = MaxSubtreeLength(name); oid.size() > most)
        return (void)platform::ShowMessage("The subtree OID is too long: with this view name it may have at most " +
                                           std::to_string(most) + " numbers.");
    const int n = static_cast<int>(oid.size());

    const std::string maskText = TrimBlanks(get<platform::EditBox>(IDC_MASK).text());
    if (maskText.empty()) return (void)platform::ShowMessage(kMsgMask);
    std::string mask;
    for (const std::string& part : SplitDots(maskText)) {
        if (part == "0" || part == "00") mask += '\x00';
        else if (part == "1" || part == "01") mask += '\x01';
        else return (void)platform::ShowMessage(kMsgMask);
    }
    if (static_cast<int>(mask.size()) > n) return (void)platform::ShowMessage(kMsgMaskLength);
    // The same row whatever way its subtree is written ("1.3.6.1.2.1.01" is 1.3.6.1.2.1.1).
    for (const Record& r : Listed())
        if (r[0] == name && ParseOid(r[1]) == oid) return (void)platform::ShowMessage(ExistsMessage(kMsgExists, r[4]));
    if (static_cast<int>(Listed().size()) >= kMaxViews) return (void)platform::ShowMessage(kMsgMaximum);

    const std::string index = ViewIndex(name, n, subtree);
    const bool included = get<platform::ComboBox>(IDC_TYPE).text() == "Included";
    AddRow("view", Column(kOidViewEntry, 5) + index,
           {{{Column(kOidViewEntry, 3) + index, SNMP_T_OCTETS, mask},
             {Column(kOidViewEntry, 4) + index, SNMP_T_INTEGER, included ? "1" : "2"}}},
           [this](bool added) {
               if (added) ResetInputs();  // otherwise what was typed stays for another try
               Reload();
           });
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
    DeleteRow("view", Column(kOidViewEntry, 5) + ViewIndex((*r)[0], n, subtree), [this] { Reload(); });
}
