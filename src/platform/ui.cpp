#include "platform/ui.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

namespace platform {

namespace {
std::atomic<UiServices*> g_ui{nullptr};
}

UiServices& ui() {
    UiServices* services = g_ui.load();
    if (!services) {
        std::fputs("corvex: no UI services installed\n", stderr);
        std::abort();
    }
    return *services;
}

void setUi(UiServices* services) { g_ui.store(services); }

UiServices* uiIfInstalled() { return g_ui.load(); }

MsgAnswer ShowMessage(const std::string& text, MsgIcon icon) {
    MessageRequest request;
    request.text = text;
    request.icon = icon;
    return ui().messageBox(request);
}

bool Confirm(const std::string& text, MsgIcon icon) {
    MessageRequest request;
    request.text = text;
    request.buttons = MsgButtons::OkCancel;
    request.icon = icon;
    request.defaultButton = 1;
    return ui().messageBox(request) == MsgAnswer::Ok;
}

}  // namespace platform
