#include "features/maintenance/jumbo_frame_dlg.h"

#include <string>

#include "features/common/form_reads.h"
#include "features/common/form_write.h"
#include "features/maintenance/maint_oids.h"
#include "platform/ui.h"
#include "snmp/session_close.h"

namespace {
constexpr const char* kMsgEnabled = "Enabled Jumbo Frame";
constexpr const char* kMsgDisabled = "Disabled Jumbo Frame";
}  // namespace

void CJumboFrameDlg::createControls() {
    setCaption("Jumbo Frame Configuration");
    setSize(300, 130);
    addCheck(IDC_JUMBO_ENABLE, "Enable Jumbo Frame");
    addLabel(IDC_NOTE, "Note: Maximum Length is 10000 bytes");
    // Apply writes the box: only once the switch's state was read into it.
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
}

void CJumboFrameDlg::initDialog() { ReadState(); }

void CJumboFrameDlg::destroyWindow() {
    // A request still on its way ends first; its outcome goes nowhere.
    m_write.Abandon();
    CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}});
}

void CJumboFrameDlg::ReadState() {
    // A failed read leaves the box as it was, and Apply held back.
    features::AsyncRead(*this, "jumbo", m_read, {maint::kOidJumboFrame}, [this](const ReplyRow& row, CSnmp&) {
        if (row.present(0)) get<platform::CheckBox>(IDC_JUMBO_ENABLE).setChecked(row.text(0) == "1");
        return false;
    });
}

void CJumboFrameDlg::OnApply() {
    const bool on = get<platform::CheckBox>(IDC_JUMBO_ENABLE).checked();
    // The writer holds the form until the switch has answered and the outcome is told.
    m_write.Send(
        "The Jumbo Frame setting", {features::SetValue::Text(maint::kOidJumboFrame, SNMP_T_INTEGER, on ? "1" : "2")},
        [this, on](bool ok) {
            if (ok) {
                platform::ShowMessage(on ? kMsgEnabled : kMsgDisabled);
                end(platform::kIdOk);
            } else {
                // The box shows what the switch holds, and the dialog stays for another try.
                ReadState();
            }
        });
}
