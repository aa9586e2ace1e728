#include "features/lldp/register.h"

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/lldp/lldp_dlgs.h"

void RegisterLldpDialogs(app::DialogRegistry& registry) {
    features::RegisterFormCommand<lldp::CLldpGlobalDlg>(registry, app::kCmdLldpGlobal);
    features::RegisterFormCommand<lldp::CLldpRemoteDlg>(registry, app::kCmdLldpRemote);
    features::RegisterFormCommand<lldp::CLldpMedDlg>(registry, app::kCmdLldpMed);
}
