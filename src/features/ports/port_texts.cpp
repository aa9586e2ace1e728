#include "features/ports/port_texts.h"

#include <array>

namespace features {

namespace {

// Index = value - 1.
constexpr std::array<const char*, 7> kSpeedTexts = {"1000MFull", "100MFull", "100MHalf", "10MFull",
                                                    "10MHalf",   "Auto",     "Disable"};
constexpr std::array<const char*, 6> kOperModeTexts = {"Down", "1000MFull", "100MFull", "100MHalf", "10MFull", "10MHalf"};
constexpr std::array<const char*, 6> kCopperTexts = {"Down",         "1000M C Full", "100M C Full",
                                                     "100M C Half",  "10M C Full",   "10M C Half"};
constexpr std::array<const char*, 4> kPriorityTexts = {"Low", "Middle", "High", "Highest"};

// 1..count for a plain decimal text, 0 for anything else ("01" and "1 " are not values).
int EnumValue(const std::string& value, std::size_t count) {
    if (value.size() != 1 || value[0] < '1' || value[0] > '9') return 0;
    int v = value[0] - '0';
    return static_cast<std::size_t>(v) <= count ? v : 0;
}

}  // namespace

std::string SpeedControlText(const std::string& value) {
    int v = EnumValue(value, kSpeedTexts.size());
    return v ? kSpeedTexts[static_cast<std::size_t>(v - 1)] : kSpeedTexts[0];
}

std::string SpeedIndexText(int index) {
    if (index < 0 || index >= static_cast<int>(kSpeedTexts.size())) return {};
    return kSpeedTexts[static_cast<std::size_t>(index)];
}

std::string OperModeText(const std::string& value) {
    int v = EnumValue(value, kOperModeTexts.size());
    return v ? kOperModeTexts[static_cast<std::size_t>(v - 1)] : "1000MFull";
}

std::string FlowControlText(const std::string& value) { return value == "1" ? "Enable" : "Disable"; }

std::string PriorityText(const std::string& value) {
    int v = EnumValue(value, kPriorityTexts.size());
    return v ? kPriorityTexts[static_cast<std::size_t>(v - 1)] : kPriorityTexts[0];
}

std::string OperFlowControlText(const std::string& value) {
    if (value == "1") return "Enabled";
    if (value == "2") return "Disabled";
    return value;
}

int ComboPortCount(int portCount) {
    if (portCount == 16 || portCount == 24 || portCount == 48) return 4;
    if (portCount == 10) return 2;
    return 0;
}

bool IsComboPort(int port, int portCount) {
    int combo = ComboPortCount(portCount);
    return combo > 0 && port > portCount - combo && port <= portCount;
}

std::string PortOperModeText(const std::string& value, int port, int media, int portCount, bool allGiga) {
    std::string shown = OperModeText(value);
    if (!IsComboPort(port, portCount)) return shown;
    int v = EnumValue(value, kCopperTexts.size());
    if (v == 0) return shown;
    const std::string copper = kCopperTexts[static_cast<std::size_t>(v - 1)];
    switch (media) {
    case kMediaFibre100:
        if (copper == "100M C Half") return "100M F Half";
        if (copper == "100M C Full") return "100M F Full";
        break;
    case kMediaFibre1000:
        if (copper == "1000M C Full") return "1000M F Full";
        break;
    case kMediaCopper:
        if (port <= portCount - 2 || allGiga) return copper;
        break;
    default:
        break;
    }
    return shown;
}

}  // namespace features
