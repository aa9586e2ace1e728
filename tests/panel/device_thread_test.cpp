// The poll loop against a scripted device and a virtual clock: cadence, pause, the skip rule,
// the fan and mode reads, and the stop handshake on a real thread.
#include <gtest/gtest.h>

#include <chrono>
#include <deque>
#include <functional>

#include "panel/device_thread.h"

using namespace panel;

namespace {

struct ScriptedDevice : IPanelStatusSource {
    bool ReadFan(std::string& value) override {
        ++fanReads;
        value = fan;
        return fanOk;
    }
    bool ReadMode(std::string& m, std::string& p) override {
        ++modeReads;
        m = mode;
        p = power;
        return modeOk;
    }
    void StartLinkWalk() override { log.push_back("link"); }
    void StartPoeWalk() override { log.push_back("poe"); }
    std::string fan = "1", mode = "1", power = "15";
    bool fanOk = true, modeOk = true;
    int fanReads = 0, modeReads = 0;
    std::vector<std::string> log;
};

// Records every sleep; runs `onSleep` so a test can stop the loop or change the device.
struct VirtualClock : IPollClock {
    void Sleep(int ms) override {
        sleeps.push_back(ms);
        if (onSleep) onSleep();
    }
    void Wake() override {}
    std::vector<int> sleeps;
    std::function<void()> onSleep;
};

struct Loop {
    PortStateRecord record{10};
    ScriptedDevice device;
    VirtualClock clock;
    platform::Event stopped;
    std::unique_ptr<CPanelDeviceThread> thread;
    Loop(const std::string& version, const std::string& name, bool fan) {
        thread = std::make_unique<CPanelDeviceThread>(record, &device, clock, PollConfig{version, name, fan}, stopped);
    }
};

int Sum(const std::vector<int>& v) {
    int s = 0;
    for (int x : v) s += x;
    return s;
}

TEST(PollLoop, CadenceFollowsTheSnmpVersion) {
    // Non-PoE model, SNMPv1: 500 ms, the link walk, ten periods of 500 ms.
    Loop v1("1", "Corvex-28", false);
    v1.clock.onSleep = [&] {
        if (v1.clock.sleeps.size() == 11) v1.thread->m_iStop = 1;
    };
    EXPECT_EQ(v1.thread->Run(), 0);
    EXPECT_EQ(v1.clock.sleeps.front(), 500);
    EXPECT_EQ(Sum(v1.clock.sleeps), 5500);
    EXPECT_EQ(v1.device.log, (std::vector<std::string>{"link"}));
    EXPECT_EQ(v1.device.fanReads, 0);
    EXPECT_TRUE(v1.stopped.isSet());

    // SNMPv3: periods of 1000 ms, 10.5 s a pass.
    Loop v3("3", "Corvex-52", true);
    v3.clock.onSleep = [&] {
        if (v3.clock.sleeps.size() == 11) v3.thread->m_iStop = 1;
    };
    v3.thread->Run();
    EXPECT_EQ(Sum(v3.clock.sleeps), 10500);
    EXPECT_EQ(v3.device.fanReads, 1);
}

TEST(PollLoop, PendingWalkSkipsThreePassesWithShortWaits) {
    // PoE model, the walk never ends: three skipped mode polls, then a new walk.
    Loop l("1", "Corvex-10P", false);
    std::vector<int> results;
    for (int i = 0; i < 5; ++i) results.push_back(l.thread->ModePoll());
    EXPECT_EQ(results, (std::vector<int>{0, -1, -1, -1, 0}));
    EXPECT_EQ(l.device.log, (std::vector<std::string>{"link", "link"}));
    EXPECT_EQ(l.device.modeReads, 2);
    EXPECT_TRUE(l.record.PollPending);

    // The waits under SNMPv3: pass 1 is 500, 500 before the walk, ten periods of 1000; the
    // skipped pass 2 is 500 and two periods (2.5 s).
    Loop w("3", "Corvex-10P", false);
    w.clock.onSleep = [&] {
        if (w.clock.sleeps.size() == 16) w.thread->m_iStop = 1;
    };
    w.thread->Run();
    std::vector<int> expected = {500, 500};
    expected.insert(expected.end(), 10, 1000);
    expected.insert(expected.end(), {500, 1000, 1000, 500});
    EXPECT_EQ(w.clock.sleeps, expected);
    EXPECT_EQ(w.device.log.size(), 1u);

    // A walk that completes clears the pending flag: the next pass walks again.
    Loop c("1", "Corvex-10P", false);
    EXPECT_EQ(c.thread->ModePoll(), 0);
    c.record.PollPending = false;
    EXPECT_EQ(c.thread->ModePoll(), 0);
    EXPECT_EQ(c.device.log.size(), 2u);
    EXPECT_EQ(c.thread->SkipCount(), 0);
}

TEST(PollLoop, NonPoeModelsDoNotStackWalksEither) {
    Loop l("1", "Corvex-28", false);
    for (int i = 0; i < 5; ++i) l.thread->LinkPoll();
    EXPECT_EQ(l.device.log.size(), 2u);  // walk, three skips, walk
}

TEST(PollLoop, ModeAndPowerFlags) {
    Loop l("1", "Corvex-10p", false);
    ASSERT_TRUE(l.thread->IsPoeModel());
    auto poll = [&](const char* mode, const char* power) {
        l.device.mode = mode;
        l.device.power = power;
        l.record.PollPending = false;
        l.thread->ModePoll();
    };
    poll("2", "7");
    EXPECT_FALSE(l.record.LinkModeShown);
    EXPECT_TRUE(l.record.PowerMax);
    EXPECT_EQ(l.device.log.back(), "poe");
    poll("1", "8");
    EXPECT_TRUE(l.record.LinkModeShown);
    EXPECT_FALSE(l.record.PowerMax);
    EXPECT_EQ(l.device.log.back(), "link");
    poll("01", "abc");  // not exactly "1"; not a number reads as 0
    EXPECT_FALSE(l.record.LinkModeShown);
    EXPECT_TRUE(l.record.PowerMax);
    // A failed read keeps both flags and still walks by the kept mode.
    l.device.modeOk = false;
    poll("1", "100");
    EXPECT_FALSE(l.record.LinkModeShown);
    EXPECT_TRUE(l.record.PowerMax);
    EXPECT_EQ(l.device.log.back(), "poe");
    EXPECT_FALSE(Loop("1", "Corvex-28", false).thread->IsPoeModel());
}

TEST(PollLoop, FanStatus) {
    Loop l("1", "Corvex-52", true);
    l.device.fan = "2";
    l.thread->FanPoll();
    EXPECT_EQ(l.record.FanStatus.load(), '2');
    l.device.fan = "1";
    l.thread->FanPoll();
    EXPECT_EQ(l.record.FanStatus.load(), '1');
    l.device.fan = "0";
    l.thread->FanPoll();
    EXPECT_EQ(l.record.FanStatus.load(), '2');
    l.device.fan = "1";
    l.device.fanOk = false;
    l.thread->FanPoll();
    EXPECT_EQ(l.record.FanStatus.load(), '2');
}

TEST(PollLoop, PausedLoopSendsNothing) {
    Loop l("1", "Corvex-10P", true);
    l.record.PollPaused = true;
    l.clock.onSleep = [&] {
        if (l.clock.sleeps.size() == 40) l.thread->m_iStop = 1;
    };
    l.thread->Run();
    EXPECT_EQ(l.device.fanReads + l.device.modeReads, 0);
    EXPECT_TRUE(l.device.log.empty());
    EXPECT_EQ(l.clock.sleeps.size(), 40u);
}

TEST(PollLoop, WithoutDeviceTheLoopReturnsAtOnce) {
    PortStateRecord record(10);
    VirtualClock clock;
    platform::Event stopped;
    CPanelDeviceThread thread(record, nullptr, clock, {}, stopped);
    EXPECT_EQ(thread.Run(), -1);
    EXPECT_TRUE(clock.sleeps.empty());
}

TEST(PollLoop, StopOnARealThreadEndsWellWithinASecond) {
    PortStateRecord record(10);
    ScriptedDevice device;
    SteadyPollClock clock;
    platform::Event stopped(true);
    CPanelDeviceThread thread(record, &device, clock, PollConfig{"3", "Corvex-10P", true}, stopped);
    thread.Start();
    EXPECT_FALSE(stopped.isSet());
    std::this_thread::sleep_for(std::chrono::milliseconds(700));  // inside the first pass's waits
    const auto t0 = std::chrono::steady_clock::now();
    EXPECT_TRUE(thread.Stop(1000));
    EXPECT_LT(std::chrono::steady_clock::now() - t0, std::chrono::milliseconds(300));
    EXPECT_TRUE(stopped.isSet());
    EXPECT_EQ(device.fanReads, 1);
}

}  // namespace
