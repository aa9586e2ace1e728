// Starts one corvex-sim per test on a free loopback port and drives it with Net-SNMP's command-line tools.
#pragma once

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace simtest {

inline std::string buildDir() {
    const char* b = std::getenv("CORVEX_BUILD_DIR");
#ifdef SIM_BUILD_DIR
    if (!b) b = SIM_BUILD_DIR;
#endif
    return b ? b : ".";
}

inline std::string sourceDir() {
    const char* s = std::getenv("CORVEX_SOURCE_DIR");
#ifdef SIM_SOURCE_DIR
    if (!s) s = SIM_SOURCE_DIR;
#endif
    return s ? s : "..";
}

inline std::string simBinary() { return buildDir() + "/sim/corvex-sim"; }

inline int freeUdpPort() {
    int fd = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t len = sizeof a;
    getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    int port = ntohs(a.sin_port);
    close(fd);
    return port;
}

struct CmdResult {
    int code = -1;
    std::string out;
};

// Runs a shell command, capturing stdout and stderr together.
inline CmdResult run(const std::string& cmd) {
    CmdResult r;
    FILE* p = popen((cmd + " 2>&1").c_str(), "r");
    if (!p) return r;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
    int st = pclose(p);
    r.code = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

inline std::vector<std::string> lines(const std::string& s) {
    std::vector<std::string> out;
    std::istringstream in(s);
    std::string l;
    while (std::getline(in, l))
        if (!l.empty()) out.push_back(l);
    return out;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

class Sim {
public:
    explicit Sim(std::vector<std::string> args = {}) {
        port_ = freeUdpPort();
        int fds[2];
        if (pipe(fds) != 0) return;
        args.insert(args.begin(), {simBinary(), "--listen", "udp:127.0.0.1:" + std::to_string(port_)});
        pid_ = fork();
        if (pid_ == 0) {
            dup2(fds[1], 1);
            close(fds[0]);
            close(fds[1]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(fds[1]);
        // Wait for the ready line.
        std::string got;
        pollfd pfd{fds[0], POLLIN, 0};
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (got.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
            if (poll(&pfd, 1, 100) > 0) {
                char buf[256];
                ssize_t n = read(fds[0], buf, sizeof buf);
                if (n <= 0) break;
                got.append(buf, static_cast<size_t>(n));
            }
        }
        close(fds[0]);
        ready_ = got;
    }
    ~Sim() { stop(); }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;

    // Stops the agent; returns its exit status, or -1 when it had to be killed.
    int stop() {
        if (pid_ <= 0) return status_;
        kill(pid_, SIGTERM);
        // A clean exit is quick; sanitizer builds take a few seconds to wind down.
        for (int i = 0; i < 500; ++i) {
            int st;
            if (waitpid(pid_, &st, WNOHANG) == pid_) {
                pid_ = 0;
                status_ = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
                return status_;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = 0;
        return status_ = -1;
    }

    bool alive() const { return pid_ > 0 && waitpid(pid_, nullptr, WNOHANG) == 0; }
    const std::string& readyLine() const { return ready_; }
    std::string target() const { return "127.0.0.1:" + std::to_string(port_); }
    int port() const { return port_; }

    // Net-SNMP tool invocations with numeric OIDs and no retries. The time-out leaves room for a loaded
    // machine; checks that expect no answer pass a short one.
    CmdResult tool(const std::string& tool, const std::string& auth, const std::string& rest, int timeoutS = 3) const {
        return run(tool + " -On -t " + std::to_string(timeoutS) + " -r 0 " + auth + " " + target() + " " + rest);
    }
    CmdResult get(const std::string& oids, const std::string& auth = "-v2c -c qorvin") const {
        return tool("snmpget", auth, oids);
    }
    CmdResult walk(const std::string& oid, const std::string& auth = "-v2c -c qorvin") const {
        return tool("snmpwalk", auth, oid);
    }
    CmdResult set(const std::string& bindings, const std::string& auth = "-v2c -c tessmar") const {
        return tool("snmpset", auth, bindings);
    }
    // Value text of one object ("INTEGER: 5" style), empty on failure.
    std::string value(const std::string& oid) const {
        CmdResult r = run("snmpget -On -Oqv -t 3 -r 0 -v2c -c qorvin " + target() + " " + oid);
        if (r.code != 0) return "";
        while (!r.out.empty() && (r.out.back() == '\n' || r.out.back() == '\r')) r.out.pop_back();
        return r.out;
    }

private:
    int port_ = 0;
    pid_t pid_ = 0;
    int status_ = -1;
    std::string ready_;
};

}  // namespace simtest
