#pragma once
// The texts the port table shows for the values the switch reports, and the operating mode
// shown for combo ports, whose copper and fibre interfaces share one port number.
#include <string>

namespace features {

// Media types of portCtrlMedium.
constexpr int kMediaNoGiga = 1;      // a port without 1000M speed
constexpr int kMediaCopper = 2;      // a copper port
constexpr int kMediaFibre100 = 3;    // fibre with a 100Base-X module
constexpr int kMediaFibre1000 = 4;   // fibre with a 1000Base-X module

// Speed control 1..7: "1000MFull", "100MFull", "100MHalf", "10MFull", "10MHalf", "Auto",
// "Disable"; anything else "1000MFull".
std::string SpeedControlText(const std::string& value);
// The speed text of a selector index 0..6 (value index + 1); empty outside.
std::string SpeedIndexText(int index);
// Operating mode 1..6: "Down", "1000MFull", "100MFull", "100MHalf", "10MFull", "10MHalf";
// anything else "1000MFull".
std::string OperModeText(const std::string& value);
// Flow control: "1" "Enable", anything else "Disable".
std::string FlowControlText(const std::string& value);
// Default priority 1..4: "Low", "Middle", "High", "Highest"; anything else "Low".
std::string PriorityText(const std::string& value);
// Operating flow control: "1" "Enabled", "2" "Disabled", anything else as received.
std::string OperFlowControlText(const std::string& value);

// Combo ports: 4 of 16, 24 or 48 ports, 2 of 10, none otherwise; they are the last ports.
int ComboPortCount(int portCount);
bool IsComboPort(int port, int portCount);

// The operating mode text of a port given its media type. Ports that are not combo ports show
// OperModeText. A combo port's mode is taken as its copper text ("1000M C Full", "100M C Full",
// "100M C Half", "10M C Full", "10M C Half", "Down"); then media 3 shows "100M F Half" and
// "100M F Full" for the 100M modes, media 4 "1000M F Full" for 1000M full, and media 2 the
// copper text when port <= portCount - 2 or allGiga. Any other case keeps OperModeText.
std::string PortOperModeText(const std::string& value, int port, int media, int portCount, bool allGiga);

}  // namespace features
