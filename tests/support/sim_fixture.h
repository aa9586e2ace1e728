#pragma once
// A virtual switch (corvex-sim) for one test: started on a free loopback port with a request
// log, stopped at the end. Gives the host's launch line and session settings for it, and reads
// back what it received.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <string>
#include <vector>

#include "app/session_settings.h"

namespace corvex::test {

struct SimBinding {
    std::string oid;    // dotted, no leading dot
    std::string type;   // as the log writes it ("INTEGER", "OCTET STRING", ...)
    std::string value;  // numbers in decimal, octet strings in lower-case hex, addresses dotted
};

struct SimRequest {
    long seq = 0;
    std::string version;    // "1", "2c" or "3"
    std::string community;  // v1/v2c
    std::string user;       // v3
    std::string level;      // v3: "noAuthNoPriv", "authNoPriv" or "authPriv"
    std::string pdu;        // "get", "getnext", "set", ...
    long requestId = 0;
    std::string lost;       // "request" or "reply" when the device's lossy network lost it
    long maxSize = 0;         // v3: the maximum message size the sender advertised
    long maxRepetitions = 0;  // getbulk
    std::vector<SimBinding> bindings;
};

class SimDevice {
public:
    SimDevice() = default;
    ~SimDevice() { stop(); }
    SimDevice(const SimDevice&) = delete;
    SimDevice& operator=(const SimDevice&) = delete;

    // Starts corvex-sim with --model and the extra options, and waits for its ready line.
    // Starting again restarts the device with a fresh request log.
    bool start(const std::string& model = "10p", const std::vector<std::string>& extraArgs = {},
               std::string* error = nullptr);
    // Starts the device with preloaded objects (`OID TYPE VALUE` lines; none: its shipped
    // state) and the extra options, and installs it as the managed device.
    bool startAsDevice(const std::string& model, const std::vector<std::string>& state = {},
                       std::vector<std::string> extraArgs = {}, std::string* error = nullptr);
    void stop();
    bool running() const { return pid_ > 0; }
    int port() const { return port_; }
    const std::string& model() const { return model_; }

    // "/Htest/I127.0.0.1/Cqorvin/Dtessmar/ETRUE/F1/G<port>"
    std::string hostLine() const;
    // The settings that line gives.
    SessionSettings settings() const;
    // Installs settings() and the model's shipped User.ini as the process-wide records.
    void installAsDevice() const;

    // Every request logged since start (or since the last clearLog).
    std::vector<SimRequest> requests() const;
    // Only the set requests.
    std::vector<SimRequest> sets() const;
    // Each set request as its bindings "oid=value", one list per request.
    std::vector<std::vector<std::string>> setBindingLists() const;
    // Each set request as one line: its bindings "oid=value" joined by single spaces.
    std::vector<std::string> setLines() const;
    // Every binding of every set request, as "oid=value".
    std::vector<std::string> setBindings() const;
    // How many requests of the kind ("get", "set", ...) name the object in one of their bindings.
    int countRequests(const std::string& pdu, const std::string& oid) const;
    // Forget what was logged so far.
    void clearLog();
    const std::string& directory() const { return dir_; }

    // Writes a state file (one `OID TYPE VALUE` per line) into the device's folder and returns
    // its path, to pass as {"--state", path} to start().
    std::string writeStateFile(const std::vector<std::string>& lines);

    static std::string simulatorPath();
    static std::string panelsDirectory();

private:
    bool ensureDirectory();
    void stopProcess();

    pid_t pid_ = -1;
    int port_ = 0;
    std::string model_;
    std::string dir_;
    std::string logPath_;
    long skipBefore_ = 0;  // seq numbers up to this one are forgotten
};

// An SNMPv3 user of the device with SHA authentication and DES privacy.
struct SimV3User {
    std::string name, auth, priv;
    // The options that give the device this user: {"--user", "name:SHA:auth:DES:priv"}.
    std::vector<std::string> args() const;
    // Makes the process's session settings reach the device as this user at the security
    // level ("1" no authentication, "2" authentication, "3" authentication and privacy).
    void use(const std::string& level = "3") const;
};

// Bytes as the request log writes octet strings: two lower-case hex digits a byte.
std::string Hex(const std::string& bytes);

// A test with a virtual switch of its own, stopped at the end of the test.
class SimDeviceTest : public ::testing::Test {
protected:
    // Starts the switch with the model, preloaded objects ("OID TYPE VALUE") and options, and
    // installs it as the managed device; a switch that does not start fails the test.
    void Start(const std::string& model, const std::vector<std::string>& state = {},
               const std::vector<std::string>& extra = {}) {
        std::string error;
        ASSERT_TRUE(sim.startAsDevice(model, state, extra, &error)) << error;
    }
    void TearDown() override { sim.stop(); }

    SimDevice sim;
};

// Parses one line of the simulator's request log; false for a line that is not a request.
bool ParseSimLogLine(const std::string& line, SimRequest& out);

}  // namespace corvex::test
