#pragma once
// "SNMP Community Table Configuration": the switch's communities with the user whose view each
// one gets; add and delete.
#include "features/agent/agent_table_dlg.h"

class CSnmpCommunityDlg : public CAgentTableDlg {
public:
    enum : int { IDC_NAME = 1101, IDC_USER = 1102 };

protected:
    void createControls() override;
    void initDialog() override;

private:
    void StartWalk() override;
    void OnRecord(int kind, const agent::Record& record) override;
    void OnApply() override;
    void OnCancelEdit() override;
    void OnDelete() override;
    void OnAdd() override;
};
