#include "support/snmpd_fixture.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include "snmp/snmp_lib.h"

extern char** environ;

namespace corvex::test {

int FindFreeUdpPort() {
    int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (fd < 0) return 0;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) == 0) {
        port = ntohs(addr.sin_port);
    }
    ::close(fd);
    return port;
}

std::string SnmpdProcess::address() const { return "127.0.0.1:" + std::to_string(port_); }

namespace {

std::string MakeTempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "corvex-snmpd-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) return {};
    return buf.data();
}

std::string Config(int port, const std::string& dir, const std::string& extra) {
    using A = SnmpdAccounts;
    std::string c;
    c += "agentaddress udp:127.0.0.1:" + std::to_string(port) + "\n";
    c += "master no\n";
    c += "agentXSocket " + dir + "/agentx\n";
    c += "sysContact corvex-test\n";  // sysLocation is left out on purpose: it stays writable
    c += std::string("rocommunity ") + A::kReadCommunity + " 127.0.0.1\n";
    c += std::string("rwcommunity ") + A::kWriteCommunity + " 127.0.0.1\n";
    c += std::string("createUser ") + A::kUserNone + "\n";
    c += std::string("createUser ") + A::kUserMd5 + " MD5 " + A::kAuthPass + "\n";
    c += std::string("createUser ") + A::kUserSha + " SHA " + A::kAuthPass + "\n";
    c += std::string("createUser ") + A::kUserMd5Des + " MD5 " + A::kAuthPass + " DES " + A::kPrivPass + "\n";
    c += std::string("createUser ") + A::kUserShaDes + " SHA " + A::kAuthPass + " DES " + A::kPrivPass + "\n";
    c += std::string("rouser ") + A::kUserNone + " noauth\n";
    c += std::string("rwuser ") + A::kUserMd5 + " auth\n";
    c += std::string("rwuser ") + A::kUserSha + " auth\n";
    c += std::string("rwuser ") + A::kUserMd5Des + " priv\n";
    c += std::string("rwuser ") + A::kUserShaDes + " priv\n";
    c += extra;
    if (!extra.empty() && extra.back() != '\n') c += "\n";
    return c;
}

bool Answers(const std::string& address) {
    CSnmpV1 request(0);
    request.setType(SNMP_PDU_GET_T);
    request.setCommunity(SnmpdAccounts::kReadCommunity);
    request.addValue("1.3.6.1.2.1.1.3.0", SNMP_T_NULL, nullptr);
    CSnmp* reply = nullptr;
    int rc = request.send(address.c_str(), &reply, 300);
    delete reply;
    return rc == 0;
}

}  // namespace

bool SnmpdProcess::start(const std::string& extraConfig, std::string* error, int waitMs) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        stop();
        return false;
    };
    stop();
    dir_ = MakeTempDir();
    if (dir_.empty()) return fail("no temporary directory");
    std::filesystem::create_directories(dir_ + "/state");
    port_ = FindFreeUdpPort();
    if (!port_) return fail("no free UDP port");
    const std::string conf = dir_ + "/snmpd.conf";
    {
        std::ofstream out(conf);
        out << Config(port_, dir_, extraConfig);
        if (!out) return fail("cannot write " + conf);
    }
    const std::string log = dir_ + "/snmpd.log";
    std::vector<std::string> args = {"/usr/sbin/snmpd", "-f", "-C", "-c", conf, "-Lf", log,
                                     "-p", dir_ + "/snmpd.pid", "-M", dir_, "-m", "", "-I", "-smux"};
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = {"SNMP_PERSISTENT_DIR=" + dir_ + "/state", "SNMPCONFPATH=" + dir_,
                                    "MIBS=", "MIBDIRS=" + dir_, "HOME=" + dir_, "PATH=/usr/sbin:/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) return fail("cannot start snmpd");
    pid_ = pid;

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
    while (std::chrono::steady_clock::now() < deadline) {
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            std::ifstream in(log);
            std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            return fail("snmpd exited: " + text);
        }
        if (Answers(address())) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return fail("snmpd did not answer on " + address());
}

void SnmpdProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        for (int i = 0; i < 100; ++i) {
            if (::waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
        pid_ = -1;
    }
    if (!dir_.empty() && !std::getenv("CORVEX_KEEP_SNMPD_DIR")) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    dir_.clear();
}

std::unique_ptr<SnmpdProcess> SnmpdTest::agent_;
std::string SnmpdTest::startError_;

void SnmpdTest::SetUpTestSuite() {
    agent_ = std::make_unique<SnmpdProcess>();
    startError_.clear();
    agent_->start("", &startError_);
}

void SnmpdTest::TearDownTestSuite() { agent_.reset(); }

void SnmpdTest::SetUp() { ASSERT_TRUE(agent_ && agent_->running()) << "snmpd: " << startError_; }

}  // namespace corvex::test
