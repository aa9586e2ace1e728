#include "features/maintenance/jumbo_frame_dlg.h"

#include <string>

#include "features/common/sync_request.h"
#include "features/maintenance/maint_oids.h"
#include "platform/ui.h"
#include "snmp/session_close.h"

namespace {
constexpr const char* kMsgEnabled = "Enabled Jumbo Frame";
constexpr const char* kMsgDisabled = "Disabled Jumbo Frame";
constexpr const char* kMsgNotChanged = "The Jumbo Frame setting was not changed.";
}  // namespace

void CJumboFrameDlg::createControls() {
    setCaption("Jumbo Frame Configuration");
    setSize(300, 130);
    addCheck(IDC_JUMBO_ENABLE, "Enable Jumbo Frame");
    addLabel(IDC_NOTE, "Note: Maximum Length is 10000 bytes");
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault();
}

void CJumboFrameDlg::initDialog() { ReadState(); }

void CJumboFrameDlg::destroyWindow() { CloseDialogSessions({{m_cCommonSNMP, "m_cCommonSNMP"}}); }

void CJumboFrameDlg::ReadState() {
    if (!m_cCommonSNMP.Open(SNMP_PDU_GET_T) || m_cCommonSNMP.AddValue(maint::kOidJumboFrame, SNMP_T_NULL, nullptr) != 0)
        return;
    CSnmp* reply = nullptr;
    if (m_cCommonSNMP.Send(&reply, 0) != 0 || !reply) {
        delete reply;
        return;  // a failed read leaves the box as it was
    }
    int type = 0;
    std::string value;
    if (reply->getValuesCount() > 0 && reply->getValue(0, type, value) == 0 && type != SNMP_T_NONE)
        get<platform::CheckBox>(IDC_JUMBO_ENABLE).setChecked(value == "1");
    delete reply;
}

void CJumboFrameDlg::OnApply() {
    const bool on = get<platform::CheckBox>(IDC_JUMBO_ENABLE).checked();
    const int rc = features::SendSet(m_cCommonSNMP, {features::SetValue::Text(maint::kOidJumboFrame, SNMP_T_INTEGER, on ? "1" : "2")}, false);
    // The outcome is told only once the switch has answered.
    if (rc == 0) {
        platform::ShowMessage(on ? kMsgEnabled : kMsgDisabled);
        ReadState();
    } else {
        platform::ShowMessage(kMsgNotChanged);
    }
    end(platform::kIdOk);
}
