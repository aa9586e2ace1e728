#pragma once
// The single-value dialogs of the switch's agent: trap enables, global state and engine ID.
#include <array>
#include <functional>
#include <string>

#include "features/agent/agent_access.h"
#include "features/common/form_write.h"
#include "platform/form.h"

// The owner of an access object that closes its sessions when the window goes.
class CAgentScalarDlg : public platform::Form, public IAgentNotify {
public:
    CAgentScalarDlg() : m_access(*this, this) {}
    CSnmpAgentAccess& Access() { return m_access; }
    // How many answers of the device have been shown since the dialog opened.
    int Reads() const { return m_reads; }

protected:
    void destroyWindow() override;
    void OnAgentNotice(int, const agent::Record&) override {}
    // Sends the bindings on the session; says what was not changed when the switch does not take
    // them; then reads the switch again (reread) so the form shows what it holds.
    void Write(features::CFormWrite& writer, std::string what, const std::vector<CSnmpAgentAccess::Binding>& bindings,
               std::function<void()> reread);
    CSnmpAgentAccess m_access;
    // After the access object: a write in flight ends before the sessions go.
    features::CFormWrite m_readSessionWrite{*this, m_access.m_cCommonSNMP};
    features::CFormWrite m_setSessionWrite{*this, m_access.m_cCommonSNMPSet};
    int m_reads = 0;
};

// "SNMP Trap Configuration": six trap enables, nine on a PoE model.
class CSnmpTrapDlg : public CAgentScalarDlg {
public:
    enum : int { IDC_TRAP_FIRST = 1301, IDC_APPLY = 1310 };  // boxes 1301..1309 in object order
    CSnmpTrapDlg();
    bool Poe() const { return m_bPoe; }

protected:
    void createControls() override;
    void initDialog() override;
    void OnAgentNotice(int kind, const agent::Record& record) override;

private:
    void OnApply();
    bool m_bPoe;
};

// "SNMP Global State Settings": the agent on or off.
class CSnmpGlobalStateDlg : public CAgentScalarDlg {
public:
    enum : int { IDC_ENABLE = 1401, IDC_APPLY = 1402 };

protected:
    void createControls() override;
    void initDialog() override;
    void OnAgentScalar(const std::string& value) override;

private:
    void OnApply();
};

// "SNMP Engine ID": the local engine ID as hexadecimal digits.
class CSnmpEngineIdDlg : public CAgentScalarDlg {
public:
    enum : int { IDC_ENGINE_ID = 1501, IDC_APPLY = 1502, IDC_DEFAULT = 1503 };

protected:
    void createControls() override;
    void initDialog() override;
    void OnAgentScalar(const std::string& value) override;

private:
    void OnApply();
    void OnDefault();
};
