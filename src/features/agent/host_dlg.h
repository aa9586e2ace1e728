#pragma once
// "SNMP Host Table": the hosts the switch sends its traps to, with the SNMP version and the
// community or SNMPv3 user of each; add and delete.
#include "features/agent/agent_table_dlg.h"

class CSnmpHostDlg : public CAgentTableDlg {
public:
    enum : int { IDC_ADDRESS = 1201, IDC_VERSION = 1202, IDC_NAME = 1203 };

protected:
    void createControls() override;
    void initDialog() override;

private:
    void StartWalk() override;
    void OnRecord(int kind, const agent::Record& record) override;
    void OnApply() override;
    void OnCancelEdit() override;
    void OnDelete() override;
    void ClearInputs();
};
