#include "panel/port_state.h"

#include <algorithm>

namespace panel {

int ComboCountFor(int portCount) {
    switch (portCount) {
    case 16:
    case 24:
    case 28:
    case 48:
    case 52: return 4;
    case 10: return 2;
    default: return 0;
    }
}

int GigabitBoundary(int portCount) { return portCount == 10 ? portCount - 2 : portCount - 4; }

void PortStateRecord::Reset(int portCount) {
    PortCount = std::max(portCount, 0);
    ComboCount = ComboCountFor(PortCount);
    PortIndicator.fill(3);
    PortMedium.assign(PortCount, 0);
    OverlayX = OverlayY = 0;
}

}  // namespace panel
