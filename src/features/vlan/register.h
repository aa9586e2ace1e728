#pragma once
// Menu commands of the VLAN dialogs.
namespace app {
class DialogRegistry;
}

namespace vlan {
// "&VLAN Configuration..."
inline constexpr int kCmdVlanConfiguration = 32834;
}  // namespace vlan

// Registers "&VLAN Configuration..." (32834) to open the 802.1Q VLAN dialog and
// "&Auto Surveillance VLAN Setting " (app::kCmdAutoSurveillanceVlan) to open the auto
// surveillance VLAN dialog.
void RegisterVlanDialogs(app::DialogRegistry& registry);
