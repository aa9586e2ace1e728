#include "features/agent/register.h"

#include "app/main_window.h"
#include "features/agent/community_dlg.h"
#include "features/agent/group_dlg.h"
#include "features/agent/host_dlg.h"
#include "features/agent/scalar_dlgs.h"
#include "features/agent/user_dlg.h"
#include "features/agent/view_dlg.h"
#include "features/common/form_command.h"

void RegisterAgentDialogs(app::DialogRegistry& registry) {
    features::RegisterFormCommand<CSnmpGlobalStateDlg>(registry, app::kCmdSnmpGlobalState);
    features::RegisterFormCommand<CSnmpHostDlg>(registry, app::kCmdSnmpHostTable);
    features::RegisterFormCommand<CSnmpUserDlg>(registry, app::kCmdSnmpUserTable);
    features::RegisterFormCommand<CSnmpGroupDlg>(registry, app::kCmdSnmpGroupTable);
    features::RegisterFormCommand<CSnmpViewDlg>(registry, app::kCmdSnmpViewTable);
    features::RegisterFormCommand<CSnmpCommunityDlg>(registry, app::kCmdSnmpCommunityTable);
    features::RegisterFormCommand<CSnmpEngineIdDlg>(registry, app::kCmdSnmpEngineId);
    features::RegisterFormCommand<CSnmpTrapDlg>(registry, app::kCmdSnmpTrapConfiguration);
}
