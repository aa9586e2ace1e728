#include "platform/headless_ui.h"

namespace platform {

HeadlessUi::HeadlessUi() : uiThread_(std::this_thread::get_id()) {}

MsgAnswer HeadlessUi::messageBox(const MessageRequest& request) {
    messages_.push_back(request);
    if (!answers_.empty()) {
        MsgAnswer answer = answers_.front();
        answers_.pop_front();
        return answer;
    }
    switch (request.buttons) {
    case MsgButtons::Ok: return MsgAnswer::Ok;
    case MsgButtons::OkCancel: return request.defaultButton == 0 ? MsgAnswer::Ok : MsgAnswer::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return request.defaultButton == 0 ? MsgAnswer::Yes
               : request.defaultButton == 1 ? MsgAnswer::No : MsgAnswer::Cancel;
    }
    return MsgAnswer::Cancel;
}

void HeadlessUi::post(std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back({Clock::time_point::min(), std::move(fn)});
    }
    wake_.notify_all();
}

void HeadlessUi::singleShot(int ms, std::function<void()> fn) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks_.push_back({nowLocked() + std::chrono::milliseconds(ms), std::move(fn)});
    }
    wake_.notify_all();
}

int HeadlessUi::processPending() {
    int ran = 0;
    for (;;) {
        std::function<void()> fn;
        {
            std::lock_guard<std::mutex> lock(mutex_);
            auto now = nowLocked();
            for (auto it = tasks_.begin(); it != tasks_.end(); ++it) {
                if (it->due <= now) {
                    fn = std::move(it->fn);
                    tasks_.erase(it);
                    break;
                }
            }
        }
        if (!fn) return ran;
        fn();  // outside the lock: a task may post more work
        ++ran;
    }
}

bool HeadlessUi::runUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit) {
    auto deadline = Clock::now() + limit;
    for (;;) {
        processPending();
        if (pred()) return true;
        auto now = Clock::now();
        if (now >= deadline) return pred();
        std::unique_lock<std::mutex> lock(mutex_);
        // Due times are on the advanced clock; the wait is in real time.
        auto wakeAt = std::min(deadline, now + std::chrono::milliseconds(20));
        for (const Task& t : tasks_)
            wakeAt = std::min(wakeAt, t.due <= now + advanced_ ? now : t.due - advanced_);
        wake_.wait_until(lock, wakeAt);
    }
}

void HeadlessUi::advanceClock(std::chrono::milliseconds span) {
    if (span.count() <= 0) return;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        advanced_ += span;
    }
    wake_.notify_all();
}

std::chrono::milliseconds HeadlessUi::advanced() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return advanced_;
}

void HeadlessUi::runFor(std::chrono::milliseconds span) {
    runUntil([] { return false; }, span);
}

}  // namespace platform
