#include "features/maintenance/register.h"

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/maintenance/firmware_dlg.h"
#include "features/maintenance/jumbo_frame_dlg.h"
#include "features/maintenance/multicast_filter_dlg.h"
#include "features/maintenance/syslog_host_dlg.h"

void RegisterMaintenanceDialogs(app::DialogRegistry& registry) {
    features::RegisterFormCommand<CFirmwareUpgradeDlg>(registry, app::kCmdFirmware);
    features::RegisterFormCommand<CSyslogHostDlg>(registry, app::kCmdSyslogHost);
    features::RegisterFormCommand<CJumboFrameDlg>(registry, app::kCmdJumboFrame);
    features::RegisterFormCommand<CMulticastFilterDlg>(registry, app::kCmdMulticastFiltering);
}
