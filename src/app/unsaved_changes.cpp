#include "app/unsaved_changes.h"

namespace app {

namespace {

std::function<void()>& Handler() {
    static std::function<void()> handler;
    return handler;
}

}  // namespace

void SetWriteTakenHandler(std::function<void()> handler) { Handler() = std::move(handler); }

void NoteWriteTaken() {
    if (Handler()) Handler()();
}

}  // namespace app
