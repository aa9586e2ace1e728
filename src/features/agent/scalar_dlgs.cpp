#include "features/agent/scalar_dlgs.h"

#include "app/session_settings.h"
#include "platform/trace.h"
#include "platform/ui.h"

using namespace agent;

namespace {
const char* const kTrapBoxes[9] = {"SNMP Authentication Traps",
                                   "System Device Bootup",
                                   "Fiber Port Link Up / Link Down",
                                   "Twisted Pair Port Link Up / Link Down",
                                   "RSTP Port State Change",
                                   "Firmware Upgrade State",
                                   "Trap notification if POE Power On / Off",
                                   "Trap notification if POE Power Error ",
                                   "Trap notification if over max power budget"};
constexpr const char* kMsgEngineLength = "ID length is 10-64";
constexpr const char* kMsgEngineDigits = "the accepted character is from 0 to F";
constexpr const char* kMsgAgentOff =
    "Turning the SNMP agent off cuts this module off from the switch until the agent is turned on at the switch "
    "itself. Turn it off?";
constexpr const char* kMsgEngineChange =
    "A new engine ID makes the switch's SNMPv3 users need their keys anew: managers that use them, this module "
    "among them, may lose access. Change the engine ID?";
}  // namespace

void CAgentScalarDlg::Write(features::CFormWrite& writer, std::string what,
                            const std::vector<CSnmpAgentAccess::Binding>& bindings, std::function<void()> reread) {
    writer.Send(std::move(what), CSnmpAgentAccess::Values(bindings), [this, reread = std::move(reread)](bool) {
        if (!destroyed() && reread) reread();
    });
}

void CAgentScalarDlg::destroyWindow() {
    platform::Trace("==================DestroyWindow===============");
    m_access.Close();
}

// ---------------------------------------------------------------- trap enables

CSnmpTrapDlg::CSnmpTrapDlg() : m_bPoe(IsPoeModel(Profile().DeviceName)) {}

void CSnmpTrapDlg::createControls() {
    setCaption("SNMP Trap Configuration");
    auto& group = addGroup(0, "Trap Settings");
    for (int i = 0; i < 9; ++i) group.addCheck(IDC_TRAP_FIRST + i, kTrapBoxes[i]);
    // Apply writes every box: only once every one was read.
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(platform::kIdCancel, "&Close");
}

void CSnmpTrapDlg::initDialog() {
    for (int i = 6; i < 9; ++i) get<platform::CheckBox>(IDC_TRAP_FIRST + i).setVisible(m_bPoe);
    m_access.ReadTrapEnables(m_bPoe);
}

void CSnmpTrapDlg::OnAgentNotice(int kind, const Record& values) {
    if (kind != kNoticeRow) return;
    for (size_t i = 0; i < values.size() && i < 9; ++i)
        get<platform::CheckBox>(IDC_TRAP_FIRST + static_cast<int>(i)).setChecked(values[i] == "1");
    ++m_reads;
}

void CSnmpTrapDlg::OnApply() {
    std::array<bool, 9> enabled{};
    for (int i = 0; i < 9; ++i) enabled[static_cast<size_t>(i)] = get<platform::CheckBox>(IDC_TRAP_FIRST + i).checked();
    Write(m_readSessionWrite, "The trap settings", CSnmpAgentAccess::TrapEnableBindings(enabled, m_bPoe),
          [this] { m_access.ReadTrapEnables(m_bPoe); });
}

// ---------------------------------------------------------------- global state

void CSnmpGlobalStateDlg::createControls() {
    setCaption("SNMP Global State Settings");
    addCheck(IDC_ENABLE, "Enable SNMP Global ");
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(platform::kIdCancel, "&Cancel");
}

void CSnmpGlobalStateDlg::initDialog() { m_access.ReadGlobalState(); }

void CSnmpGlobalStateDlg::OnAgentScalar(const std::string& value) {
    get<platform::CheckBox>(IDC_ENABLE).setChecked(value == "1");
    ++m_reads;
}

void CSnmpGlobalStateDlg::OnApply() {
    const bool on = get<platform::CheckBox>(IDC_ENABLE).checked();
    if (!on && !platform::Confirm(kMsgAgentOff, platform::MsgIcon::Warning)) return;
    Write(m_setSessionWrite, "The SNMP global state", CSnmpAgentAccess::GlobalStateBindings(on),
          [this] { m_access.ReadGlobalState(); });
}

// ---------------------------------------------------------------- engine ID

void CSnmpEngineIdDlg::createControls() {
    setCaption("SNMP Engine ID");
    addLabel(0, "SNMP Engine ID");
    addEdit(IDC_ENGINE_ID).setWidth(480);
    addLabel(0, "Note: Engine ID length is 10-64, the accepted character is from 0 to F.");
    addButton(IDC_APPLY, "&Apply", [this] { OnApply(); }).setDefault().needsRead();
    addButton(IDC_DEFAULT, "&Default", [this] { OnDefault(); });
    addButton(platform::kIdCancel, "&Close");
}

void CSnmpEngineIdDlg::initDialog() { m_access.ReadEngineId(); }

void CSnmpEngineIdDlg::OnAgentScalar(const std::string& value) {
    get<platform::EditBox>(IDC_ENGINE_ID).setText(value);
    ++m_reads;
}

void CSnmpEngineIdDlg::OnApply() {
    platform::WaitCursor wait;
    const std::string text = get<platform::EditBox>(IDC_ENGINE_ID).text();
    if (text.size() < 10 || text.size() > 64) {
        platform::ShowMessage(kMsgEngineLength);
        return;
    }
    if (text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
        platform::ShowMessage(kMsgEngineDigits);
        return;
    }
    if (!platform::Confirm(kMsgEngineChange, platform::MsgIcon::Warning)) return;
    Write(m_setSessionWrite, "The engine ID", CSnmpAgentAccess::EngineIdBindings(text, false),
          [this] { m_access.ReadEngineId(); });
}

void CSnmpEngineIdDlg::OnDefault() {
    if (!platform::Confirm(kMsgEngineChange, platform::MsgIcon::Warning)) return;
    Write(m_setSessionWrite, "The engine ID", CSnmpAgentAccess::EngineIdBindings({}, true),
          [this] { m_access.ReadEngineId(); });
}
