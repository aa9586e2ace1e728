#include "features/vlan/register.h"

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/vlan/auto_surveillance_vlan_dlg.h"
#include "features/vlan/vlan_config_dlg.h"

void RegisterVlanDialogs(app::DialogRegistry& registry) {
    features::RegisterFormCommand<CVlanConfigDlg>(registry, vlan::kCmdVlanConfiguration);
    features::RegisterFormCommand<CAutoSurveillanceVlanDlg>(registry, app::kCmdAutoSurveillanceVlan);
}
