#pragma once
// Painting of the front panel in two layers: the background (panel picture and every element
// with the picture of its status) and the indicators (fixed pictures from the picture store
// and the port lamps that blink with the 200 ms timer).
#include <string>

#include "panel/bitmap_store.h"
#include "panel/panel_object.h"
#include "panel/port_state.h"

namespace panel {

// Stretches the root's picture over the client rectangle, hands every element the window and
// the rectangle, draws every direct child of the root and clears its changed mark.
void PaintBackground(CDevModule& root, IPanelCanvas& canvas, const Rect& client, IPanelWindow* window);

// Draws the fixed indicators and the port lamps. `blinkPhase` flips on every timer tick.
// Updates the record's overlay position as it goes.
void PaintIndicators(IPanelCanvas& canvas, PortStateRecord& record, const CDevModule& root,
                     const CMyBitmapApp& store, const std::string& deviceName, bool blinkPhase);

// The lamp position of port element `element` (top-left of its first child); false when the
// element or its lamp is missing.
bool LampPosition(const CDevModule& root, int element, int& x, int& y);

}  // namespace panel
