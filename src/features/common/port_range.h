#pragma once
// The port choosers of the dialogs that act on a range of ports: a "From Port" and a "To Port"
// combo box holding the device's ports.
//
//   auto& from = g.addCombo(IDC_FROM_PORT, features::PortItems(ports));
//   auto& to = g.addCombo(IDC_TO_PORT, features::PortItems(ports));
//   features::BindFromToPorts(from, to);
//   ...
//   const int first = features::ChosenPort(from), last = features::ChosenPort(to);
#include <string>
#include <vector>

namespace platform {
class ComboBox;
}

namespace features {

inline constexpr const char* kMsgToBelowFrom = "'To Port' can not be smaller than 'From Port'";

// The port count of the managed device, 0..kMaxPortCount.
int DevicePorts();

// "1" .. "N".
std::vector<std::string> PortItems(int ports);

// Choosing a From port sets To to the same port; choosing a To port below From shows
// "'To Port' can not be smaller than 'From Port'" and sets To back to From.
void BindFromToPorts(platform::ComboBox& from, platform::ComboBox& to);

// The port a port chooser names (its current item + 1), 0 when nothing is chosen.
int ChosenPort(const platform::ComboBox& ports);

}  // namespace features
