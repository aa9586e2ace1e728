#include "features/poe/register.h"

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/poe/poe_config_dlg.h"
#include "features/poe/time_range_dlg.h"

void RegisterPoeDialogs(app::DialogRegistry& registry) {
    features::RegisterFormCommand<poe::CPoeConfigDlg>(registry, app::kCmdPoePortConfig);
    features::RegisterFormCommand<poe::CTimeRangeListDlg>(registry, app::kCmdTimeBasedPoe);
}
