#include "features/security/register.h"

#include "app/main_window.h"
#include "features/common/form_command.h"
#include "features/security/arp_spoofing_dlgs.h"
#include "features/security/dhcp_screening_dlg.h"
#include "features/security/dot1x_dlgs.h"

void RegisterSecurityDialogs(app::DialogRegistry& registry) {
    features::RegisterFormCommand<security::C8021xGlobalDlg>(registry, app::kCmd8021X);
    features::RegisterFormCommand<security::CArpSpoofingDlg>(registry, app::kCmdArpSpoofing);
    features::RegisterFormCommand<security::CDhcpScreeningDlg>(registry, app::kCmdDhcpScreening);
}
