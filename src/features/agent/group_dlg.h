#pragma once
// "SNMP Group Table Info": the switch's SNMP groups with their security model and level and the
// read, write and notify views; add and delete.
#include "features/agent/agent_table_dlg.h"

class CSnmpGroupDlg : public CAgentTableDlg {
public:
    enum : int {
        IDC_GROUP_NAME = 1701,
        IDC_READ_VIEW = 1702,
        IDC_WRITE_VIEW = 1703,
        IDC_NOTIFY_VIEW = 1704,
        IDC_MODEL = 1705,
        IDC_LEVEL = 1706,
    };
    // The group index: user index of (name, model) + ".1", ".2" or ".3" for the level.
    static std::string GroupIndex(const std::string& name, const std::string& model, const std::string& level);

protected:
    void createControls() override;
    void initDialog() override;

private:
    void StartWalk() override;
    void OnRecord(int kind, const agent::Record& record) override;
    void OnApply() override;
    void OnCancelEdit() override;
    void OnDelete() override;
    void OnModel();
    void ResetInputs();
};
