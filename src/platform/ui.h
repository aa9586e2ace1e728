#pragma once
// The window-system services that the logic layer needs: message boxes, posting work to the
// UI thread, one-shot timers and the wait cursor. The Qt front end and the headless test
// driver each provide one implementation; every dialog and the main window go through it.
#include <functional>
#include <string>

namespace platform {

enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgIcon { None, Information, Warning, Error, Question };
enum class MsgAnswer { Ok, Cancel, Yes, No };

struct MessageRequest {
    std::string text;
    std::string caption;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
    int defaultButton = 0;  // index of the default button, 0 = the first
};

class UiServices {
public:
    virtual ~UiServices() = default;
    // Shows a modal message box and returns the user's answer.
    virtual MsgAnswer messageBox(const MessageRequest& request) = 0;
    // Runs fn later on the UI thread. Callable from any thread; tasks run in posting order.
    virtual void post(std::function<void()> fn) = 0;
    // Runs fn once on the UI thread after ms milliseconds.
    virtual void singleShot(int ms, std::function<void()> fn) = 0;
    virtual void setWaitCursor(bool on) = 0;
    virtual bool isUiThread() const = 0;
    // Runs work, a request that waits for the switch, on behalf of the UI thread. For the logic
    // it stays synchronous: this returns when work has, no posted task or timer of the logic runs
    // meanwhile, user input waits and the wait cursor shows. A window system may keep painting
    // its windows in the meantime. Default: work runs right here.
    virtual void waitRepainting(const std::function<void()>& work) { work(); }
};

// The services in use. Installed once by the application (or by a test) before any window opens.
UiServices& ui();
void setUi(UiServices* services);
// The services in use, or null when none are installed (command-line tools without a window).
UiServices* uiIfInstalled();

// Shorthands over ui().messageBox.
MsgAnswer ShowMessage(const std::string& text, MsgIcon icon = MsgIcon::None);
// OK/Cancel with Cancel as the default button; true only for OK.
bool Confirm(const std::string& text, MsgIcon icon = MsgIcon::Question);

}  // namespace platform
