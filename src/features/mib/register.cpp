#include "features/mib/register.h"

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/mib/stp_dlgs.h"
#include "features/mib/sys_info_dlg.h"
#include "features/mib/table_dlgs.h"

void RegisterMibDialogs(app::DialogRegistry& registry) {
    features::RegisterFormCommand<CSysInfoDlg>(registry, 32805);
    features::RegisterFormCommand<CStpBridgeDlg>(registry, 32813);
    features::RegisterFormCommand<CIfTableDlg>(registry, 32809);
    features::RegisterFormCommand<CIpTableDlg>(registry, 32808);
    features::RegisterFormCommand<CFdbTableDlg>(registry, 32810);
    features::RegisterFormCommand<CTcpTableDlg>(registry, 32811);
    features::RegisterFormCommand<CUdpTableDlg>(registry, 32812);
}
