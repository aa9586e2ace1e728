#pragma once
// Menu commands of the maintenance dialogs.
namespace app {
class DialogRegistry;
}

// "&Firmware and Configuration Upgrade/Backup...", the syslog host, jumbo frame and multicast
// filtering dialogs.
void RegisterMaintenanceDialogs(app::DialogRegistry& registry);
