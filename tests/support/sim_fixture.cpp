#include "support/sim_fixture.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "support/snmpd_fixture.h"

namespace corvex::test {

namespace {

// A tiny reader for the flat JSON the simulator writes: objects, arrays, strings, numbers, null.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : s_(text) {}

    bool object(const std::function<bool(const std::string& key)>& onKey) {
        skipBlanks();
        if (!take('{')) return false;
        skipBlanks();
        if (take('}')) return true;
        for (;;) {
            std::string key;
            if (!string(key)) return false;
            skipBlanks();
            if (!take(':')) return false;
            if (!onKey(key)) return false;
            skipBlanks();
            if (take('}')) return true;
            if (!take(',')) return false;
            skipBlanks();
        }
    }
    bool array(const std::function<bool()>& onItem) {
        skipBlanks();
        if (!take('[')) return false;
        skipBlanks();
        if (take(']')) return true;
        for (;;) {
            if (!onItem()) return false;
            skipBlanks();
            if (take(']')) return true;
            if (!take(',')) return false;
        }
    }
    // Any scalar as text (strings unquoted, null as empty).
    bool scalar(std::string& out) {
        skipBlanks();
        if (pos_ < s_.size() && s_[pos_] == '"') return string(out);
        size_t start = pos_;
        while (pos_ < s_.size() && std::strchr(",}] \t\r\n", s_[pos_]) == nullptr) ++pos_;
        out = s_.substr(start, pos_ - start);
        if (out == "null") out.clear();
        return pos_ > start;
    }
    bool skipValue() {
        skipBlanks();
        if (pos_ >= s_.size()) return false;
        if (s_[pos_] == '{') return object([&](const std::string&) { return skipValue(); });
        if (s_[pos_] == '[') return array([&] { return skipValue(); });
        std::string ignored;
        return scalar(ignored);
    }

private:
    void skipBlanks() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool take(char c) {
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    bool string(std::string& out) {
        skipBlanks();
        if (!take('"')) return false;
        out.clear();
        while (pos_ < s_.size() && s_[pos_] != '"') {
            char c = s_[pos_++];
            if (c == '\\' && pos_ < s_.size()) {
                char e = s_[pos_++];
                switch (e) {
                case 'n': out += '\n'; break;
                case 't': out += '\t'; break;
                case 'r': out += '\r'; break;
                case 'u':
                    if (pos_ + 4 <= s_.size()) {
                        out += static_cast<char>(std::strtol(s_.substr(pos_, 4).c_str(), nullptr, 16));
                        pos_ += 4;
                    }
                    break;
                default: out += e;
                }
            } else {
                out += c;
            }
        }
        return take('"');
    }

    const std::string& s_;
    size_t pos_ = 0;
};

std::string envOr(const char* name, const std::string& fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

}  // namespace

std::vector<std::string> SimV3User::args() const { return {"--user", name + ":SHA:" + auth + ":DES:" + priv}; }

void SimV3User::use(const std::string& level) const {
    SessionSettings& s = MutableSettings();
    s.SnmpVersion = "3";
    s.SecurityLevel = level;
    s.UserName = name;
    s.AuthProtocol = "3";
    s.AuthPassword = auth;
    s.PrivProtocol = "2";
    s.PrivPassword = priv;
}

std::string Hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

bool ParseSimLogLine(const std::string& line, SimRequest& out) {
    out = SimRequest{};
    JsonReader r(line);
    bool ok = r.object([&](const std::string& key) {
        std::string v;
        if (key == "bindings") {
            return r.array([&] {
                SimBinding b;
                bool okb = r.object([&](const std::string& k) {
                    std::string bv;
                    if (!r.scalar(bv)) return false;
                    if (k == "oid") b.oid = bv;
                    else if (k == "type") b.type = bv;
                    else if (k == "value") b.value = bv;
                    return true;
                });
                if (okb) out.bindings.push_back(b);
                return okb;
            });
        }
        if (key == "seq" || key == "version" || key == "community" || key == "user" || key == "level" ||
            key == "pdu" || key == "request_id" || key == "lost" ||
            key == "max_size" || key == "max_repetitions") {
            if (!r.scalar(v)) return false;
            if (key == "seq") out.seq = std::atol(v.c_str());
            else if (key == "version") out.version = v;
            else if (key == "community") out.community = v;
            else if (key == "user") out.user = v;
            else if (key == "level") out.level = v;
            else if (key == "pdu") out.pdu = v;
            else if (key == "lost") out.lost = v;
            else if (key == "max_size") out.maxSize = std::atol(v.c_str());
            else if (key == "max_repetitions") out.maxRepetitions = std::atol(v.c_str());
            else out.requestId = std::atol(v.c_str());
            return true;
        }
        return r.skipValue();
    });
    return ok && !out.pdu.empty();
}

std::string SimDevice::simulatorPath() {
    return envOr("CORVEX_SIM", envOr("CORVEX_BUILD_DIR", "build") + "/sim/corvex-sim");
}

std::string SimDevice::panelsDirectory() { return envOr("CORVEX_SOURCE_DIR", ".") + "/panels"; }

bool SimDevice::ensureDirectory() {
    if (!dir_.empty()) return true;
    char tmpl[] = "/tmp/corvex-simtest.XXXXXX";
    if (!mkdtemp(tmpl)) return false;
    dir_ = tmpl;
    return true;
}

bool SimDevice::start(const std::string& model, const std::vector<std::string>& extraArgs, std::string* error) {
    stopProcess();
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        stopProcess();
        return false;
    };
    if (!ensureDirectory()) return fail("cannot create a temporary folder");
    logPath_ = dir_ + "/requests.jsonl";
    std::remove(logPath_.c_str());
    model_ = model;
    skipBefore_ = 0;

    for (int attempt = 0; attempt < 5; ++attempt) {
        port_ = FindFreeUdpPort();
        std::vector<std::string> args = {simulatorPath(), "--model", model, "--listen",
                                         "udp:127.0.0.1:" + std::to_string(port_), "--log", logPath_};
        args.insert(args.end(), extraArgs.begin(), extraArgs.end());
        int out[2];
        if (pipe(out) != 0) return fail("pipe failed");
        pid_t pid = fork();
        if (pid < 0) return fail("fork failed");
        if (pid == 0) {
            dup2(out[1], STDOUT_FILENO);
            dup2(out[1], STDERR_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            for (auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        pid_ = pid;
        std::string seen;
        auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        bool ready = false, ended = false;
        while (!ready && !ended && std::chrono::steady_clock::now() < deadline) {
            pollfd p{out[0], POLLIN, 0};
            if (poll(&p, 1, 100) > 0) {
                char buf[512];
                ssize_t n = read(out[0], buf, sizeof buf);
                if (n <= 0) ended = true;
                else seen.append(buf, static_cast<size_t>(n));
                ready = seen.find("ready") != std::string::npos;
            }
        }
        if (ready) {
            // Keep draining its output so the simulator never blocks on a full pipe.
            std::thread([fd = out[0]] {
                char buf[512];
                while (read(fd, buf, sizeof buf) > 0) {
                }
                close(fd);
            }).detach();
            return true;
        }
        close(out[0]);
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
        if (seen.find("ddress already in use") == std::string::npos)
            return fail("corvex-sim did not start: " + seen);
    }
    return fail("corvex-sim found no free port");
}

bool SimDevice::startAsDevice(const std::string& model, const std::vector<std::string>& state,
                              std::vector<std::string> extraArgs, std::string* error) {
    if (!state.empty()) {
        const std::string path = writeStateFile(state);
        if (path.empty()) {
            if (error) *error = "cannot write the state file";
            return false;
        }
        extraArgs.insert(extraArgs.end(), {"--state", path});
    }
    if (!start(model, extraArgs, error)) return false;
    installAsDevice();
    return true;
}

void SimDevice::stop() {
    stopProcess();
    if (!dir_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
        dir_.clear();
    }
}

void SimDevice::stopProcess() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        for (int i = 0; i < 250; ++i) {  // sanitizer builds take a few seconds to wind down
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            usleep(20000);
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
    }
}

std::string SimDevice::hostLine() const {
    return "/Htest/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G" + std::to_string(port_);
}

SessionSettings SimDevice::settings() const {
    SessionSettings s;
    ParseCommandLine(hostLine(), s);
    return s;
}

void SimDevice::installAsDevice() const {
    MutableSettings() = settings();
    DeviceProfile profile;
    LoadDeviceProfile(panelsDirectory() + "/" + model_ + "/User.ini", profile);
    MutableProfile() = profile;
}

std::vector<SimRequest> SimDevice::requests() const {
    std::vector<SimRequest> out;
    std::ifstream in(logPath_);
    std::string line;
    while (std::getline(in, line)) {
        SimRequest r;
        if (ParseSimLogLine(line, r) && r.seq > skipBefore_) out.push_back(std::move(r));
    }
    return out;
}

std::vector<SimRequest> SimDevice::sets() const {
    std::vector<SimRequest> out;
    for (auto& r : requests())
        if (r.pdu == "set") out.push_back(r);
    return out;
}

std::vector<std::vector<std::string>> SimDevice::setBindingLists() const {
    std::vector<std::vector<std::string>> out;
    for (const auto& r : sets()) {
        std::vector<std::string> one;
        for (const auto& b : r.bindings) one.push_back(b.oid + "=" + b.value);
        out.push_back(std::move(one));
    }
    return out;
}

std::vector<std::string> SimDevice::setLines() const {
    std::vector<std::string> out;
    for (const auto& r : sets()) {
        std::string line;
        for (const auto& b : r.bindings) line += (line.empty() ? "" : " ") + b.oid + "=" + b.value;
        out.push_back(line);
    }
    return out;
}

std::vector<std::string> SimDevice::setBindings() const {
    std::vector<std::string> out;
    for (const auto& r : sets())
        for (const auto& b : r.bindings) out.push_back(b.oid + "=" + b.value);
    return out;
}

int SimDevice::countRequests(const std::string& pdu, const std::string& oid) const {
    int n = 0;
    for (const auto& r : requests())
        if (r.pdu == pdu)
            for (const auto& b : r.bindings)
                if (b.oid == oid) {
                    ++n;
                    break;
                }
    return n;
}

void SimDevice::clearLog() {
    auto all = requests();
    if (!all.empty()) skipBefore_ = all.back().seq;
}

std::string SimDevice::writeStateFile(const std::vector<std::string>& lines) {
    static int counter = 0;
    if (!ensureDirectory()) return {};
    std::string path = dir_ + "/state" + std::to_string(++counter) + ".txt";
    std::ofstream out(path);
    for (auto& l : lines) out << l << "\n";
    return path;
}

}  // namespace corvex::test
