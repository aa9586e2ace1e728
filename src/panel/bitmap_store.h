#pragma once
// The picture store: small indicator pictures compiled into the module, looked up by their
// resource number and drawn unscaled.
#include <cstdint>
#include <memory>
#include <vector>

#include "panel/panel_canvas.h"

namespace panel {

enum PictureResource {
    kResPanelIndicator = 158,  // power indicator of the panel
    kResLampOff = 159,
    kResLampFibre = 160,       // idle lamp of a fibre twin
    kResLampTop = 161,         // lit: top speed, or powered
    kResConsole = 162,
    kResLampLower = 163,       // lit: lower speed
    kResSpeed = 164,
    kResWarning = 190,         // PoE power budget exhausted, or fan failure
    kResModeOn = 191,          // LED-mode indicator, selected
    kResModeOff = 192,         // LED-mode indicator, not selected
};

// The load order of the main window.
inline constexpr int kPanelResources[] = {160, 159, 161, 162, 158, 163, 164, 190, 191, 192};

// The encoded picture of a resource number, or null for an unknown number.
const std::vector<std::uint8_t>* FindResourcePicture(int resource);

class CMyBitmapApp {
public:
    // Decodes a compiled-in picture and keeps it; false when unknown or undecodable.
    bool LoadBitmapResource(IPictureLoader& loader, int resource);
    // Copies the picture unscaled to (x, y); nothing when it was not loaded.
    void DrawBitmap(IPanelCanvas& canvas, int resource, int x, int y) const;
    const IPicture* Find(int resource) const;
    size_t Count() const { return m_pictures.size(); }

private:
    struct Entry {
        int resource;
        std::shared_ptr<IPicture> picture;
    };
    std::vector<Entry> m_pictures;
};

}  // namespace panel
