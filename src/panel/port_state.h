#pragma once
// The main window's per-port display state: written by the status poller, read by the painter.
#include <array>
#include <atomic>
#include <cstdint>
#include <vector>

namespace panel {

constexpr int kPortIndicatorCount = 100;

// Ports that also have a fibre twin element: 4 for 16, 24, 28, 48 and 52 ports, 2 for 10;
// no twins for any other count.
int ComboCountFor(int portCount);
// Ports above this number are gigabit ports when link speeds are judged.
int GigabitBoundary(int portCount);

struct PortStateRecord {
    explicit PortStateRecord(int portCount = 0) { Reset(portCount); }
    // Sizes the per-port fields for `portCount` ports; the shared flags keep their values.
    void Reset(int portCount);

    int PortCount = 0;
    int ComboCount = 0;
    // Written and read on the UI thread only (walk results are applied there).
    std::array<std::uint8_t, kPortIndicatorCount> PortIndicator{};
    std::vector<int> PortMedium;
    int OverlayX = 0;
    int OverlayY = 0;

    // Shared between the poll thread and the UI thread.
    std::atomic<bool> LinkModeShown{true};
    std::atomic<bool> PowerMax{false};
    std::atomic<char> FanStatus{'1'};  // '1' fan normal, '2' fan failure
    std::atomic<bool> PollPaused{false};
    std::atomic<bool> PollPending{false};

    void SetAllIndicators(std::uint8_t value) { PortIndicator.fill(value); }
};

}  // namespace panel
