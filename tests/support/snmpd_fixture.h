#pragma once
// A real Net-SNMP agent (Debian's snmpd) for tests: started as an ordinary process on a free
// UDP port of 127.0.0.1 with its own configuration and state directory in a temporary folder,
// and killed again at the end. Needs no root and touches no system service.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <memory>
#include <string>

namespace corvex::test {

// A UDP port on 127.0.0.1 that was free a moment ago.
int FindFreeUdpPort();

// The accounts the agent is configured with.
struct SnmpdAccounts {
    static constexpr const char* kReadCommunity = "public";
    static constexpr const char* kWriteCommunity = "private";
    // noAuthNoPriv (read-only)
    static constexpr const char* kUserNone = "corvexNone";
    // authNoPriv
    static constexpr const char* kUserMd5 = "corvexMd5";
    static constexpr const char* kUserSha = "corvexSha";
    // authPriv with DES
    static constexpr const char* kUserMd5Des = "corvexMd5Des";
    static constexpr const char* kUserShaDes = "corvexShaDes";
    static constexpr const char* kAuthPass = "corvexAuth1";
    static constexpr const char* kPrivPass = "corvexPriv1";
};

class SnmpdProcess {
public:
    SnmpdProcess() = default;
    ~SnmpdProcess() { stop(); }
    SnmpdProcess(const SnmpdProcess&) = delete;
    SnmpdProcess& operator=(const SnmpdProcess&) = delete;

    // Starts the agent (extra lines are appended to its configuration) and waits up to
    // waitMs until it answers a get. False with *error set when it did not come up.
    bool start(const std::string& extraConfig = "", std::string* error = nullptr, int waitMs = 15000);
    void stop();
    bool running() const { return pid_ > 0; }
    int port() const { return port_; }
    // "127.0.0.1:<port>"
    std::string address() const;
    const std::string& directory() const { return dir_; }

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string dir_;
};

// One agent shared by every test of a suite.
class SnmpdTest : public ::testing::Test {
public:
    static void SetUpTestSuite();
    static void TearDownTestSuite();

protected:
    void SetUp() override;
    static SnmpdProcess& agent() { return *agent_; }
    static std::string address() { return agent_->address(); }

private:
    static std::unique_ptr<SnmpdProcess> agent_;
    static std::string startError_;
};

}  // namespace corvex::test
