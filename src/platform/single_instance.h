#pragma once
// One module process per managed device. The first process for an instance name holds an
// exclusive lock on a per-user lock file; the lock belongs to the open file, so the system
// drops it when the process ends, however it ends. A later process for the same name sends an
// activation datagram to the first one over a local socket beside the lock and exits.
// Files live in $XDG_RUNTIME_DIR/corvex (or /tmp/corvex-<uid>), a directory only the user can
// enter; file names are a hash of the instance name, so any device name is safe to use.
#include <atomic>
#include <functional>
#include <string>
#include <thread>

namespace platform {

class SingleInstance {
public:
    // `directory` overrides the per-user directory (tests); it is created when missing.
    explicit SingleInstance(std::string directory = {});
    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Takes the lock for `name`. False only when another process (or another object) holds
    // it. When the lock cannot be set up at all (no usable directory) the module runs
    // unprotected and this returns true.
    bool claim(const std::string& name);
    // True when this object holds the lock.
    bool holding() const { return lockFd_ >= 0; }
    // Sends the activation message to the process that holds `name`, without waiting.
    // False when nothing could be sent (no holder listening).
    bool notifyRunning(const std::string& name);
    // After a successful claim: receives activation messages on a background thread and hands
    // each to the UI thread through ui().post(onActivate). False when the socket can't be set up.
    bool listen(std::function<void()> onActivate);
    // Stops listening (also done by the destructor). The lock stays held.
    void stopListening();

    // Posts a registered message to every running module (and to any other program of this user
    // that listens there): one datagram "<message> <wParam> <lParam>" to each "*.sock" socket in
    // `directory`, without waiting. Returns how many sockets took it. The modules ignore every
    // datagram that is not their own activation message.
    static int broadcast(const std::string& directory, const std::string& message, unsigned long wParam,
                         unsigned long lParam);
    // $XDG_RUNTIME_DIR/corvex, or /tmp/corvex-<uid>.
    static std::string defaultDirectory();

    // The file names used for `name` (without directory): "<hash>.lock", "<hash>.sock".
    static std::string fileStem(const std::string& name);
    // The directory in use.
    const std::string& directory() const { return directory_; }

private:
    bool ensureDirectory();
    std::string socketPath(const std::string& name) const;

    std::string directory_;
    std::string name_;
    int lockFd_ = -1;
    int socketFd_ = -1;
    int wakeFds_[2] = {-1, -1};
    std::thread listener_;
};

}  // namespace platform
