#include "panel/panel_painter.h"

#include "panel/status_rules.h"

namespace panel {

void PaintBackground(CDevModule& root, IPanelCanvas& canvas, const Rect& client, IPanelWindow* window) {
    if (root.m_pPicture) canvas.DrawStretched(*root.m_pPicture, client);
    SetWindow(root, window, client);
    for (auto& child : root.m_children) {
        child->Draw(canvas);
        child->m_bChanged = false;
    }
}

bool LampPosition(const CDevModule& root, int element, int& x, int& y) {
    const CPort* port = FindPort(root, element);
    if (!port || port->m_children.empty()) return false;
    x = port->m_children.front()->m_iLeft;
    y = port->m_children.front()->m_iTop;
    return true;
}

namespace {

// The LED-mode pair (link above, PoE below; the lit one is the mode in force) and the
// power-budget warning of the PoE models.
void DrawPoeIndicators(IPanelCanvas& canvas, const PortStateRecord& record, const CMyBitmapApp& store) {
    if (record.LinkModeShown) {
        store.DrawBitmap(canvas, kResModeOn, 81, 42);
        store.DrawBitmap(canvas, kResModeOff, 81, 55);
    } else {
        store.DrawBitmap(canvas, kResModeOff, 81, 42);
        store.DrawBitmap(canvas, kResModeOn, 81, 55);
    }
    if (record.PowerMax) store.DrawBitmap(canvas, kResWarning, 42, 38);
}

bool IsPoeName(const std::string& deviceName) { return deviceName.find_first_of("Pp") != std::string::npos; }

void DrawFixedIndicators(IPanelCanvas& canvas, const PortStateRecord& record, const CDevModule& root,
                         const CMyBitmapApp& store, const std::string& deviceName) {
    const bool fanFailed = record.FanStatus == '2';
    switch (record.PortCount) {
    case 24: store.DrawBitmap(canvas, kResPanelIndicator, 24, 25); break;
    case 16: store.DrawBitmap(canvas, kResPanelIndicator, 25, 26); break;
    case 48:
        store.DrawBitmap(canvas, kResPanelIndicator, 21, 27);
        if (fanFailed) store.DrawBitmap(canvas, kResWarning, 55, 33);
        break;
    case 10:
        store.DrawBitmap(canvas, kResPanelIndicator, 12, 25);
        DrawPoeIndicators(canvas, record, store);
        break;
    default:
        // The 28-port PoE model carries the same mode lamps as the 10-port one, at the same place.
        if (record.PortCount == 28 && IsPoeName(deviceName)) DrawPoeIndicators(canvas, record, store);
        if (deviceName == "Vantor") store.DrawBitmap(canvas, kResPanelIndicator, 25, 23);
        // Other fan models show a fan failure where their description puts the FAN area.
        if (fanFailed) {
            for (auto& child : root.m_children) {
                auto* com = dynamic_cast<const CCom*>(child.get());
                if (com && com->m_strKind == "FAN") {
                    store.DrawBitmap(canvas, kResWarning, com->m_iLeft, com->m_iTop);
                    break;
                }
            }
        }
        break;
    }
}

}  // namespace

void PaintIndicators(IPanelCanvas& canvas, PortStateRecord& record, const CDevModule& root,
                     const CMyBitmapApp& store, const std::string& deviceName, bool blinkPhase) {
    DrawFixedIndicators(canvas, record, root, store, deviceName);

    int& ox = record.OverlayX;
    int& oy = record.OverlayY;
    // Idle lamps of the fibre twins.
    for (int i = record.PortCount; i < record.PortCount + record.ComboCount; ++i) {
        if (!LampPosition(root, i, ox, oy)) continue;
        if (record.PortCount != 10) store.DrawBitmap(canvas, kResLampFibre, ox, oy);
        store.DrawBitmap(canvas, kResLampOff, ox, oy);
    }

    const int ports = std::min(record.PortCount, kPortIndicatorCount);
    for (int j = 0; j < ports; ++j) {
        if (!LampPosition(root, j, ox, oy)) continue;
        if (ox != 0) store.DrawBitmap(canvas, kResLampOff, ox, oy);
        const int medium = j < static_cast<int>(record.PortMedium.size()) ? record.PortMedium[j] : 0;
        if ((medium == 3 || medium == 4) && HasFibreTwin(record, j + 1) &&
            LampPosition(root, j + record.ComboCount, ox, oy)) {
            store.DrawBitmap(canvas, (j + 1) % 2 == 1 ? kResLampFibre : kResLampOff, ox, oy);
        }
        switch (record.PortIndicator[j]) {
        case kPortLinkLower:
            if (blinkPhase) store.DrawBitmap(canvas, kResLampLower, ox, oy);
            break;
        case kPortLinkTop:
            if (!blinkPhase) store.DrawBitmap(canvas, kResLampTop, ox, oy);
            break;
        case kPortDisabled: store.DrawBitmap(canvas, kResLampOff, ox, oy); break;
        default: break;
        }
    }
}

}  // namespace panel
