#pragma once
// "SNMP View Table Configuration": the switch's MIB views (name, subtree, mask, included or
// excluded); add and delete.
#include <cstdint>
#include <string>
#include <vector>

#include "features/agent/agent_table_dlg.h"

class CSnmpViewDlg : public CAgentTableDlg {
public:
    enum : int { IDC_VIEW_NAME = 1801, IDC_SUBTREE = 1802, IDC_MASK = 1803, IDC_TYPE = 1804 };
    // The view index: octet-string index of the name, ".", n, ".", the subtree.
    static std::string ViewIndex(const std::string& name, int n, const std::string& subtree);

protected:
    void createControls() override;
    void initDialog() override;

private:
    void StartWalk() override;
    void OnRecord(int kind, const agent::Record& record) override;
    void OnApply() override;
    void OnCancelEdit() override;
    void OnDelete() override;
    void ResetInputs();
};
