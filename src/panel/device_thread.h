#pragma once
// The status poller: a worker thread that reads the fan and LED-mode state of the switch and
// starts one status walk per pass. The device side and the waiting are behind small
// interfaces so the loop can run against a scripted device and a virtual clock.
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "panel/port_state.h"
#include "platform/event.h"

namespace panel {

// The device operations the loop drives.
class IPanelStatusSource {
public:
    virtual ~IPanelStatusSource() = default;
    // Reads the fan state scalar; true with the first value on success.
    virtual bool ReadFan(std::string& value) = 0;
    // Reads the LED mode and the PoE power scalars; true with both values on success.
    virtual bool ReadMode(std::string& mode, std::string& power) = 0;
    // Start one asynchronous walk; the results are applied when it ends.
    virtual void StartLinkWalk() = 0;
    virtual void StartPoeWalk() = 0;
};

// Waiting between passes. Wake() ends the current and every later Sleep at once.
class IPollClock {
public:
    virtual ~IPollClock() = default;
    virtual void Sleep(int ms) = 0;
    virtual void Wake() = 0;
};

class SteadyPollClock : public IPollClock {
public:
    void Sleep(int ms) override;
    void Wake() override;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
    bool woken_ = false;
};

struct PollConfig {
    std::string snmpVersion = "1";
    std::string deviceName;
    bool hasFan = false;
};

class CPanelDeviceThread {
public:
    // `stopEvent` is the owner's event; it is set when the loop ends.
    CPanelDeviceThread(PortStateRecord& record, IPanelStatusSource* source, IPollClock& clock, PollConfig config,
                       platform::Event& stopEvent);
    ~CPanelDeviceThread();
    CPanelDeviceThread(const CPanelDeviceThread&) = delete;
    CPanelDeviceThread& operator=(const CPanelDeviceThread&) = delete;

    // Starts the loop on its own thread.
    void Start();
    // The poll loop; returns 0, or -1 without a device source.
    int Run();
    // Stop handshake: sets the stop flag and waits up to `waitMs` for the stop event. True
    // when the loop ended in time. The thread is joined either way (every blocking step of
    // the loop is bounded by its own time-out, so the join ends shortly after).
    bool Stop(int waitMs = 1000);

    // One fan read: FanStatus '1' when the first value is exactly "1", else '2'.
    void FanPoll();
    // One mode read and walk start; -1 when skipped because a walk is still pending.
    int ModePoll();
    // Non-PoE models: start the link walk unless one is still pending (same skip rule).
    void LinkPoll();

    // True from Start until the loop's thread has finished.
    bool Running() const { return m_bRunning.load(); }
    int PeriodMs() const { return m_iPeriodMs; }
    bool IsPoeModel() const { return m_bPoeModel; }
    int SkipCount() const { return m_iSkipCount; }
    std::atomic<int> m_iStop{0};

private:
    bool TakeWalkTurn();

    PortStateRecord& m_record;
    IPanelStatusSource* m_pSource;
    IPollClock& m_clock;
    PollConfig m_config;
    platform::Event& m_stopEvent;
    int m_iPeriodMs = 500;
    bool m_bPoeModel = false;
    int m_iSkipCount = 0;  // mode polls skipped in a row because a walk was pending
    std::thread m_thread;
    std::atomic<bool> m_bRunning{false};
};

}  // namespace panel
