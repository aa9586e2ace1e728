#include "features/mib/sys_info_dlg.h"

#include "snmp/session_close.h"
#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/mib/mib_format.h"
#include "platform/trace.h"
#include "platform/ui.h"
#include "snmp/validation.h"

namespace {
constexpr const char* kSystemOids[] = {"1.3.6.1.2.1.1.1.0", "1.3.6.1.2.1.1.2.0", "1.3.6.1.2.1.1.3.0",
                                       "1.3.6.1.2.1.1.4.0", "1.3.6.1.2.1.1.5.0", "1.3.6.1.2.1.1.6.0"};
constexpr const char* kSysNameOid = "1.3.6.1.2.1.1.5.0";
constexpr const char* kSysLocationOid = "1.3.6.1.2.1.1.6.0";
// The texts travel in 128-byte buffers with their terminator.
constexpr std::size_t kMaxTextBytes = 127;
// Longest name or location shown.
constexpr std::size_t kMaxShownChars = 256;
}  // namespace

void CSysInfoDlg::createControls() {
    setCaption("System Information");
    setSize(460, 320);
    addLabel(0, "Name:");
    addEdit(kIdName).setMaxLength(static_cast<int>(kMaxTextBytes));
    addLabel(0, "Location:");
    addEdit(kIdLocation).setMaxLength(static_cast<int>(kMaxTextBytes));
    auto& contactLabel = addLabel(0, "Contact:");
    auto& contact = addEdit(kIdContact);
    contactLabel.setVisible(false);
    contact.setVisible(false);
    addLabel(0, "Runtime:");
    addLabel(kIdRuntime, "");
    addLabel(0, "Object OID:");
    addLabel(kIdObjectId, "");
    auto& description = addGroup(0, "Description");
    description.addLabel(kIdDescription, "");
    addButton(kIdRefresh, "&Refresh", [this] { OnRefresh(false); });
    // Apply writes the name and location shown: only once they were read.
    addButton(kIdApply, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(kIdClose, "&Close", [this] { end(platform::kIdCancel); });
}

void CSysInfoDlg::initDialog() { OnRefresh(false); }

void CSysInfoDlg::OnRefresh(bool keepTyped) {
    m_bKeepTyped = keepTyped;
    const bool sent = features::AsyncRead(
        *this, "system", m_read, std::vector<std::string>(std::begin(kSystemOids), std::end(kSystemOids)),
        [this](const ReplyRow& row, CSnmp&) {
            OnRead(row);
            return false;
        },
        [this](int) { m_bKeepTyped = false; });
    if (!sent) m_bKeepTyped = false;
}

void CSysInfoDlg::OnRead(const ReplyRow& values) {
    if (values.size() < 6) return;
    get<platform::Label>(kIdDescription).setText(values.text(0));
    get<platform::Label>(kIdObjectId).setText(values.text(1));
    if (!values.text(2).empty()) get<platform::Label>(kIdRuntime).setText(mib::FormatUptime(values.text(2)));
    get<platform::EditBox>(kIdContact).setText(values.text(3));
    if (m_bKeepTyped) return;
    get<platform::EditBox>(kIdName).setText(Utf8Prefix(values.text(4), kMaxShownChars));
    get<platform::EditBox>(kIdLocation).setText(Utf8Prefix(values.text(5), kMaxShownChars));
}

void CSysInfoDlg::OnApply() {
    const std::string name = get<platform::EditBox>(kIdName).text();
    const std::string location = get<platform::EditBox>(kIdLocation).text();
    if (!IsValidName(name)) {
        platform::ShowMessage("Invalid System Name.");
        return;
    }
    if (!IsValidName(location)) {
        platform::ShowMessage("Invalid System Location.");
        return;
    }
    // Whole characters only: a cut multi-byte character would reach the switch as garbage.
    const std::string nameBytes = Utf8CutBytes(name, kMaxTextBytes);
    const std::string locationBytes = Utf8CutBytes(location, kMaxTextBytes);
    // Success is silent; after a failure the form reads again, keeping what was typed.
    m_write.Send("The system name and location",
                 {features::SetValue::Bytes(kSysNameOid, Octets(nameBytes.begin(), nameBytes.end())),
                  features::SetValue::Bytes(kSysLocationOid, Octets(locationBytes.begin(), locationBytes.end()))},
                 [this](bool ok) {
                     if (!ok) OnRefresh(true);
                 });
}

void CSysInfoDlg::destroyWindow() {
    // A request still on its way ends first; its outcome goes nowhere.
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}, {m_cCommonSNMPSet, "m_cCommonSNMPSet"}});
}
