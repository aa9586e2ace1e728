#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/headless_ui.h"
#include "platform/single_instance.h"

namespace {

using platform::SingleInstance;

class SingleInstanceTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/corvex-si-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        base_ = pattern;
        dir_ = base_ + "/run";
        name_ = "Module:CVX-1028P10.1.2." + std::to_string(getpid());
        platform::setUi(&ui_);
    }
    void TearDown() override {
        platform::setUi(nullptr);
        std::filesystem::remove_all(base_);
    }
    // Runs fn in a child process and returns its exit code (-1 when it did not exit normally).
    template <typename Fn>
    static int InChild(Fn fn) {
        pid_t pid = fork();
        if (pid == 0) _exit(fn() ? 0 : 1);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    platform::HeadlessUi ui_;
    std::string base_, dir_, name_;
};

TEST_F(SingleInstanceTest, SecondClaimFailsWhileFirstHolds) {
    SingleInstance first(dir_);
    ASSERT_TRUE(first.claim(name_));
    EXPECT_TRUE(first.holding());
    // Another process for the same device is refused; another device is not.
    EXPECT_EQ(InChild([&] { return SingleInstance(dir_).claim(name_); }), 1);
    EXPECT_EQ(InChild([&] { return SingleInstance(dir_).claim(name_ + "9"); }), 0);
    // A second object in the same process is refused as well.
    SingleInstance second(dir_);
    EXPECT_FALSE(second.claim(name_));
    EXPECT_FALSE(second.holding());
}

TEST_F(SingleInstanceTest, LockIsFreedWhenTheHolderIsKilled) {
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t holder = fork();
    if (holder == 0) {
        SingleInstance instance(dir_);
        char byte = instance.claim(name_) ? 1 : 0;
        if (write(ready[1], &byte, 1) != 1) _exit(2);
        for (;;) pause();
    }
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    ASSERT_EQ(byte, 1);
    EXPECT_FALSE(SingleInstance(dir_).claim(name_));

    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    SingleInstance next(dir_);
    EXPECT_TRUE(next.claim(name_));
    close(ready[0]);
    close(ready[1]);
}

TEST_F(SingleInstanceTest, ActivationReachesTheRunningInstance) {
    SingleInstance first(dir_);
    ASSERT_TRUE(first.claim(name_));
    int activations = 0;
    ASSERT_TRUE(first.listen([&] {
        EXPECT_TRUE(ui_.isUiThread());
        ++activations;
    }));
    EXPECT_EQ(InChild([&] {
                  SingleInstance second(dir_);
                  return !second.claim(name_) && second.notifyRunning(name_);
              }),
              0);
    EXPECT_TRUE(ui_.runUntil([&] { return activations == 1; }, std::chrono::seconds(5)));

    // A message for another instance name is not an activation.
    SingleInstance other(dir_);
    other.notifyRunning(name_ + "x");
    ui_.runFor(std::chrono::milliseconds(100));
    EXPECT_EQ(activations, 1);
    first.stopListening();
}

TEST_F(SingleInstanceTest, NotifyWithoutHolderFailsQuietly) {
    EXPECT_FALSE(SingleInstance(dir_).notifyRunning(name_));
}

TEST_F(SingleInstanceTest, AnyNameGivesASafeFileName) {
    const std::string hostile = "../../etc/passwd\n/\\:*?\"<>|" + std::string(5000, 'x');
    const std::string stem = SingleInstance::fileStem(hostile);
    EXPECT_EQ(stem.size(), 16u);
    EXPECT_EQ(stem.find_first_not_of("0123456789abcdef"), std::string::npos);
    EXPECT_NE(stem, SingleInstance::fileStem(hostile + "y"));
    SingleInstance instance(dir_);
    EXPECT_TRUE(instance.claim(hostile));
    EXPECT_TRUE(instance.listen([] {}));
}

TEST_F(SingleInstanceTest, RefusesADirectoryOthersCanEnter) {
    std::filesystem::create_directories(dir_);
    std::filesystem::permissions(dir_, std::filesystem::perms::all);
    SingleInstance instance(dir_);
    // No trusted place for the lock: the module runs unprotected rather than not at all.
    EXPECT_TRUE(instance.claim(name_));
    EXPECT_FALSE(instance.holding());
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/" + SingleInstance::fileStem(name_) + ".lock"));
}

}  // namespace
