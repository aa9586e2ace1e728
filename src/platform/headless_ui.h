#pragma once
// UiServices without a display: posted tasks wait in a queue that the owner pumps, message
// boxes are recorded and answered from a scripted list. Used by tests and by the command-line
// tools; the thread that constructs it is the UI thread.
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/ui.h"

namespace platform {

class HeadlessUi : public UiServices {
public:
    HeadlessUi();
    MsgAnswer messageBox(const MessageRequest& request) override;
    void post(std::function<void()> fn) override;
    void singleShot(int ms, std::function<void()> fn) override;
    void setWaitCursor(bool on) override { waitCursor_ = on; }
    bool isUiThread() const override { return std::this_thread::get_id() == uiThread_; }

    // Runs every task that is due now; returns how many ran.
    int processPending();
    // Pumps tasks until pred() is true or the time runs out; returns pred().
    bool runUntil(const std::function<bool()>& pred, std::chrono::milliseconds limit);
    // Pumps tasks for the given time.
    void runFor(std::chrono::milliseconds span);

    // The clock of timers: real time plus every advance so far. Advancing moves timers closer
    // to being due (a 15 s timer fires after advanceClock(15s) and a pump), so tests of
    // timer-driven forms run in real seconds; posted work is not affected.
    void advanceClock(std::chrono::milliseconds span);
    std::chrono::milliseconds advanced() const;

    // Answers for the next message boxes, in order; when none is queued the default button answers.
    void queueAnswer(MsgAnswer answer) { answers_.push_back(answer); }
    const std::vector<MessageRequest>& messages() const { return messages_; }
    void clearMessages() { messages_.clear(); }
    bool waitCursor() const { return waitCursor_; }

private:
    using Clock = std::chrono::steady_clock;
    Clock::time_point nowLocked() const { return Clock::now() + advanced_; }  // mutex_ held
    struct Task {
        Clock::time_point due;
        std::function<void()> fn;
    };
    std::thread::id uiThread_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;  // kept in posting order; timers are skipped until due
    std::deque<MsgAnswer> answers_;
    std::vector<MessageRequest> messages_;
    bool waitCursor_ = false;
    std::chrono::milliseconds advanced_{0};  // guarded by mutex_
};

}  // namespace platform
