#pragma once
// "SNMP User Table ": the switch's SNMP users with their group, version and, for SNMPv3, the
// authentication and privacy protocols and pass phrases; add and delete.
#include "features/agent/agent_table_dlg.h"

class CSnmpUserDlg : public CAgentTableDlg {
public:
    enum : int {
        IDC_USER_NAME = 1601,
        IDC_GROUP_NAME = 1602,
        IDC_VERSION = 1603,
        IDC_ENCRYPTED = 1604,
        IDC_AUTH_PROTOCOL = 1605,
        IDC_AUTH_PASSWORD = 1606,
        IDC_PRIV_PROTOCOL = 1607,
        IDC_PRIV_PASSWORD = 1608,
    };

protected:
    void createControls() override;
    void initDialog() override;

private:
    void StartWalk() override;
    void OnRecord(int kind, const agent::Record& record) override;
    void OnApply() override;
    void OnCancelEdit() override;
    void OnDelete() override;
    void OnVersion();
    void OnEncrypted();
    void OnPrivProtocol();
    void ResetInputs();
    bool IsV3() const;
};
