#pragma once
// A manual-reset event: stays set until reset, wakes every waiter.
#include <chrono>
#include <condition_variable>
#include <mutex>

namespace platform {

class Event {
public:
    explicit Event(bool initiallySet = false) : set_(initiallySet) {}
    void set() {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            set_ = true;
        }
        cv_.notify_all();
    }
    void reset() {
        std::lock_guard<std::mutex> lock(mutex_);
        set_ = false;
    }
    bool isSet() const {
        std::lock_guard<std::mutex> lock(mutex_);
        return set_;
    }
    void wait() {
        std::unique_lock<std::mutex> lock(mutex_);
        cv_.wait(lock, [&] { return set_; });
    }
    // True when the event was set within the time.
    bool waitFor(std::chrono::milliseconds span) {
        std::unique_lock<std::mutex> lock(mutex_);
        return cv_.wait_for(lock, span, [&] { return set_; });
    }

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool set_;
};

}  // namespace platform
