#include "panel/device_thread.h"

#include "panel/status_rules.h"
#include "platform/trace.h"

namespace panel {

void SteadyPollClock::Sleep(int ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    cv_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return woken_; });
}

void SteadyPollClock::Wake() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        woken_ = true;
    }
    cv_.notify_all();
}

namespace {
bool NameHasP(const std::string& name) { return name.find_first_of("Pp") != std::string::npos; }
}  // namespace

CPanelDeviceThread::CPanelDeviceThread(PortStateRecord& record, IPanelStatusSource* source, IPollClock& clock,
                                       PollConfig config, platform::Event& stopEvent)
    : m_record(record), m_pSource(source), m_clock(clock), m_config(std::move(config)), m_stopEvent(stopEvent) {
    m_iPeriodMs = m_config.snmpVersion == "1" ? 500 : 1000;
    m_bPoeModel = NameHasP(m_config.deviceName);
}

CPanelDeviceThread::~CPanelDeviceThread() { Stop(1000); }

void CPanelDeviceThread::Start() {
    if (m_thread.joinable()) return;
    m_stopEvent.reset();
    m_bRunning = true;
    m_thread = std::thread([this] {
        Run();
        m_bRunning = false;
    });
}

int CPanelDeviceThread::Run() {
    if (!m_pSource) return -1;
    int r = 0;
    while (m_iStop == 0) {
        m_clock.Sleep(500);
        if (m_iStop != 0) break;
        if (!m_record.PollPaused) {
            if (m_config.hasFan) FanPoll();
            if (m_iStop != 0) break;  // asked to stop during the fan read: no new status read
            if (m_bPoeModel)
                r = ModePoll();
            else
                LinkPoll();
        }
        const int steps = r == -1 ? 2 : 10;
        for (int i = 0; i < steps && m_iStop == 0; ++i) m_clock.Sleep(m_iPeriodMs);
    }
    m_stopEvent.set();
    return 0;
}

bool CPanelDeviceThread::Stop(int waitMs) {
    m_iStop = 1;
    m_clock.Wake();
    bool inTime = true;
    if (m_thread.joinable()) {
        inTime = m_stopEvent.waitFor(std::chrono::milliseconds(waitMs));
        if (!inTime) platform::Trace("status poller did not stop within %d ms; waiting for its request", waitMs);
        m_thread.join();
    }
    return inTime;
}

void CPanelDeviceThread::FanPoll() {
    platform::Trace("======GetGetFanStatus======");
    std::string value;
    if (!m_pSource->ReadFan(value)) return;
    m_record.FanStatus = value == "1" ? '1' : '2';
}

bool CPanelDeviceThread::TakeWalkTurn() {
    if (m_record.PollPending && m_iSkipCount < 3) {
        ++m_iSkipCount;
        return false;
    }
    m_iSkipCount = 0;
    m_record.PollPending = true;
    return true;
}

int CPanelDeviceThread::ModePoll() {
    platform::Trace("Get10PPOEOrLinkStatus");
    if (!TakeWalkTurn()) return -1;
    std::string mode, power;
    if (m_pSource->ReadMode(mode, power)) {
        m_record.LinkModeShown = mode == "1";
        if (ToInt(power) > 7) {
            m_record.PowerMax = false;
            platform::Trace("pThis->m_BIsPowMax = FALSE");
        } else {
            m_record.PowerMax = true;
            platform::Trace("pThis->m_BIsPowMax = TRUE");
        }
    }
    m_clock.Sleep(500);
    if (m_iStop != 0) {
        m_record.PollPending = false;
        return 0;
    }
    if (m_record.LinkModeShown)
        m_pSource->StartLinkWalk();
    else
        m_pSource->StartPoeWalk();
    return 0;
}

void CPanelDeviceThread::LinkPoll() {
    if (TakeWalkTurn()) m_pSource->StartLinkWalk();
}

}  // namespace panel
