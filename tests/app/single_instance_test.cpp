#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sys/socket.h>
#include <sys/un.h>
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

// A registered message reaches every socket in the directory; a running module does not take
// it for an activation, and files that are not sockets are passed over.
TEST_F(SingleInstanceTest, BroadcastReachesEverySocketAndActivatesNothing) {
    SingleInstance module(dir_);
    ASSERT_TRUE(module.claim(name_));
    int activations = 0;
    ASSERT_TRUE(module.listen([&] { ++activations; }));
    const std::string path = dir_ + "/other-program.sock";
    int other = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_un addr {};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof addr.sun_path - 1);
    ASSERT_EQ(bind(other, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    { std::ofstream plain(dir_ + "/plain.sock"); }

    const std::string message = "{6FD9BA9B-9875-4c53-A57D-5E76258D10BE}";
    EXPECT_EQ(SingleInstance::broadcast(dir_, message, 0, 17), 2);
    char buffer[128];
    const ssize_t n = recv(other, buffer, sizeof buffer, MSG_DONTWAIT);
    ASSERT_GT(n, 0);
    EXPECT_EQ(std::string(buffer, static_cast<size_t>(n)), message + " 0 17");
    ui_.runFor(std::chrono::milliseconds(200));
    EXPECT_EQ(activations, 0);

    // Activation still works after the broadcast.
    EXPECT_TRUE(SingleInstance(dir_).notifyRunning(name_));
    EXPECT_TRUE(ui_.runUntil([&] { return activations == 1; }, std::chrono::seconds(5)));
    // A message too long for one datagram is not cut short: it is not sent.
    EXPECT_EQ(SingleInstance::broadcast(dir_, std::string(5000, 'x'), 0, 1), 0);
    module.stopListening();
    close(other);

    // Nothing goes into a directory that others may write, nor into a missing one.
    std::filesystem::permissions(dir_, std::filesystem::perms::all);
    EXPECT_EQ(SingleInstance::broadcast(dir_, message, 0, 1), 0);
    EXPECT_EQ(SingleInstance::broadcast(base_ + "/missing", message, 0, 1), 0);
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
