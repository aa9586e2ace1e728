#pragma once
// The Qt implementations of the platform services: UiServices (message boxes, posting to the
// UI thread, timers, wait cursor) and FormHost (forms as real modal dialogs).
#include <functional>
#include <memory>
#include <deque>

#include "platform/form.h"
#include "platform/ui.h"

namespace gui {

class QtUi : public platform::UiServices {
public:
    platform::MsgAnswer messageBox(const platform::MessageRequest& request) override;
    void post(std::function<void()> fn) override;
    void singleShot(int ms, std::function<void()> fn) override;
    void setWaitCursor(bool on) override;
    bool isUiThread() const override;
    // Runs work on a helper thread while this thread keeps processing window-system events
    // (painting, exposure) but no user input; posted tasks and timers of the logic wait until
    // work has returned and then run in their order.
    void waitRepainting(const std::function<void()>& work) override;
    // True while a request of the UI thread waits: windows refuse to close meanwhile.
    static bool Waiting();

private:
    void run(std::function<void()> fn);  // a posted task or timer, deferred while waiting
    void flush();                         // runs the deferred tasks in order
    int waitDepth_ = 0;
    std::deque<std::function<void()>> deferred_;
    // Tasks and timers run on the UI thread, which is also where this object goes: those still
    // pending then find it gone and are dropped.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

class QtFormHost : public platform::FormHost {
public:
    int runModal(platform::Form& form) override;
    // How long a form whose window went away with the module waits for its write: every step
    // of a long write with its tries, and some.
    static constexpr int kLongestWriteSeconds = 60;
};

}  // namespace gui
