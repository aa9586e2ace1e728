#pragma once
// Connects a dialog written on the form model to a main-window menu command.
#include <memory>
#include <utility>

#include "app/main_window.h"
#include "platform/form.h"

namespace features {

// Owns one form and runs it modally through the installed form host.
template <class Dialog>
class FormCommand : public app::IModalDialog {
public:
    template <class... Args>
    explicit FormCommand(Args&&... args) : m_dialog(std::forward<Args>(args)...) {}
    int RunModal() override { return platform::formHost().runModal(m_dialog); }
    Dialog& dialog() { return m_dialog; }

private:
    Dialog m_dialog;
};

// Registers `command` to open a new Dialog each time it is chosen.
template <class Dialog>
void RegisterFormCommand(app::DialogRegistry& registry, int command) {
    registry.Register(command, [] { return std::make_unique<FormCommand<Dialog>>(); });
}

// As RegisterFormCommand; a click on a port opens the dialog with that port chosen
// (Dialog::SelectPortOnOpen).
template <class Dialog>
void RegisterPortFormCommand(app::DialogRegistry& registry, int command) {
    RegisterFormCommand<Dialog>(registry, command);
    registry.RegisterForPort(command, [](int port) {
        auto dialog = std::make_unique<FormCommand<Dialog>>();
        dialog->dialog().SelectPortOnOpen(port);
        return dialog;
    });
}

}  // namespace features
