#pragma once
// What the window knows about the switch's configuration since the module started or since the
// last "Save Configuration": whether a write was taken that the switch would lose on a reboot.
// The dialogs' write helpers report each accepted write here; the window shows the mark.
#include <functional>

namespace app {

// Called on the UI thread after every write the switch took (never for Save or Reboot).
void NoteWriteTaken();
// The window's listener; an empty function turns it off.
void SetWriteTakenHandler(std::function<void()> handler);

}  // namespace app
