#pragma once
// Menu commands of the LLDP dialogs.
namespace app {
class DialogRegistry;
}

// Registers the three items of the LLDP sub-menu: app::kCmdLldpGlobal, app::kCmdLldpRemote and
// app::kCmdLldpMed.
void RegisterLldpDialogs(app::DialogRegistry& registry);
