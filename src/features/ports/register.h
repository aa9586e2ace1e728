#pragma once
// Menu commands of the port dialogs.
namespace app {
class DialogRegistry;
}

namespace features {

// Registers the port configuration dialog for "&Port Configuration..." (32774). The main
// window's port click opens the same dialog with the clicked port's row selected. Registers the trunk
// configuration dialog for "&Trunk Configuration..." (32818).
void RegisterPortDialogs(app::DialogRegistry& registry);

}  // namespace features
