#include "features/ports/register.h"

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/ports/port_set_info.h"
#include "features/ports/trunk_dlg.h"

namespace features {

void RegisterPortDialogs(app::DialogRegistry& registry) {
    RegisterPortFormCommand<CPortSetInfo>(registry, app::kCmdPortConfiguration);
    RegisterFormCommand<CTrunkConfigDlg>(registry, app::kCmdTrunkConfiguration);
}

}  // namespace features
