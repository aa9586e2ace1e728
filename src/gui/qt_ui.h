#pragma once
// The Qt implementations of the platform services: UiServices (message boxes, posting to the
// UI thread, timers, wait cursor) and FormHost (forms as real modal dialogs).
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

private:
    int waitDepth_ = 0;
};

class QtFormHost : public platform::FormHost {
public:
    int runModal(platform::Form& form) override;
};

}  // namespace gui
