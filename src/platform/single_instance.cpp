#include "platform/single_instance.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/trace.h"
#include "platform/ui.h"

namespace platform {

namespace {

constexpr std::size_t kMaxMessage = 4096;

// A directory we may trust: a real directory (not a link), owned by us, closed to others.
bool IsPrivateDirectory(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    return S_ISDIR(st.st_mode) && st.st_uid == ::getuid() && (st.st_mode & 077) == 0;
}

bool MakePrivateDirectory(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsPrivateDirectory(path);
}

std::string DefaultDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && runtime[0] == '/') {
        std::string dir = std::string(runtime) + "/corvex";
        // Leave room for "/<16 hex>.sock" within the socket address.
        if (dir.size() + 22 < sizeof(sockaddr_un::sun_path)) return dir;
    }
    return "/tmp/corvex-" + std::to_string(::getuid());
}

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

}  // namespace

SingleInstance::SingleInstance(std::string directory) : directory_(std::move(directory)) {
    if (directory_.empty()) directory_ = DefaultDirectory();
}

std::string SingleInstance::defaultDirectory() { return DefaultDirectory(); }

int SingleInstance::broadcast(const std::string& directory, const std::string& message, unsigned long wParam,
                              unsigned long lParam) {
    // Only a directory that is ours and closed to others: nobody else can plant sockets there.
    if (!IsPrivateDirectory(directory)) return 0;
    const std::string text = message + " " + std::to_string(wParam) + " " + std::to_string(lParam);
    if (text.size() > kMaxMessage) return 0;
    DIR* dir = ::opendir(directory.c_str());
    if (!dir) return 0;
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    int delivered = 0;
    constexpr int kMaxTargets = 1024;  // a bound on the work, whatever lies in the directory
    int seen = 0;
    while (fd >= 0 && seen < kMaxTargets) {
        const dirent* entry = ::readdir(dir);
        if (!entry) break;
        const std::string file = entry->d_name;
        if (file.size() <= 5 || file.compare(file.size() - 5, 5, ".sock") != 0) continue;
        ++seen;
        const std::string path = directory + "/" + file;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISSOCK(st.st_mode)) continue;
        sockaddr_un addr;
        if (!FillAddress(path, addr)) continue;
        // A full or dead socket is skipped; nobody waits for a slow receiver.
        const ssize_t sent = ::sendto(fd, text.data(), text.size(), MSG_DONTWAIT | MSG_NOSIGNAL,
                                      reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        if (sent == static_cast<ssize_t>(text.size())) ++delivered;
    }
    if (fd >= 0) ::close(fd);
    ::closedir(dir);
    return delivered;
}

SingleInstance::~SingleInstance() {
    stopListening();
    if (socketFd_ >= 0) {
        ::close(socketFd_);
        ::unlink(socketPath(name_).c_str());
    }
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::string SingleInstance::fileStem(const std::string& name) {
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (unsigned char c : name) {
        hash ^= c;
        hash *= 1099511628211ull;
    }
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
    return text;
}

std::string SingleInstance::socketPath(const std::string& name) const {
    return directory_ + "/" + fileStem(name) + ".sock";
}

bool SingleInstance::ensureDirectory() {
    if (MakePrivateDirectory(directory_)) return true;
    Trace("single instance: directory %s is not usable", directory_.c_str());
    return false;
}

bool SingleInstance::claim(const std::string& name) {
    if (lockFd_ >= 0) return name == name_;
    if (!ensureDirectory()) return true;
    const std::string path = directory_ + "/" + fileStem(name) + ".lock";
    int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        Trace("single instance: cannot open lock %s: %s", path.c_str(), std::strerror(errno));
        return true;
    }
    int rc;
    do rc = ::flock(fd, LOCK_EX | LOCK_NB);
    while (rc != 0 && errno == EINTR);
    if (rc != 0) {
        bool busy = errno == EWOULDBLOCK;
        ::close(fd);
        return !busy;
    }
    lockFd_ = fd;
    name_ = name;
    return true;
}

bool SingleInstance::notifyRunning(const std::string& name) {
    sockaddr_un addr;
    if (!FillAddress(socketPath(name), addr)) return false;
    int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const std::size_t length = std::min(name.size(), kMaxMessage);
    ssize_t sent = ::sendto(fd, name.data(), length, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&addr),
                            sizeof addr);
    ::close(fd);
    return sent == static_cast<ssize_t>(length);
}

bool SingleInstance::listen(std::function<void()> onActivate) {
    if (lockFd_ < 0 || listener_.joinable() || !onActivate) return false;
    const std::string path = socketPath(name_);
    sockaddr_un addr;
    if (!FillAddress(path, addr)) return false;
    if (socketFd_ < 0) {
        int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        if (fd < 0) return false;
        ::unlink(path.c_str());  // a socket left by a holder that died; we hold the lock now
        if (::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            Trace("single instance: cannot bind %s: %s", path.c_str(), std::strerror(errno));
            ::close(fd);
            return false;
        }
        socketFd_ = fd;
    }
    if (::pipe2(wakeFds_, O_CLOEXEC) != 0) {
        wakeFds_[0] = wakeFds_[1] = -1;
        return false;
    }
    const int sock = socketFd_;
    const int wake = wakeFds_[0];
    const std::string expected = name_.substr(0, kMaxMessage);
    listener_ = std::thread([sock, wake, expected, onActivate = std::move(onActivate)] {
        std::string buffer(kMaxMessage, '\0');
        for (;;) {
            pollfd fds[2] = {{sock, POLLIN, 0}, {wake, POLLIN, 0}};
            if (::poll(fds, 2, -1) < 0) {
                if (errno == EINTR) continue;
                return;
            }
            if (fds[1].revents) return;
            if (!(fds[0].revents & POLLIN)) {
                if (fds[0].revents) return;
                continue;
            }
            ssize_t n = ::recv(sock, buffer.data(), buffer.size(), MSG_DONTWAIT);
            if (n < 0) continue;
            // Only a message naming this instance activates the window.
            if (buffer.compare(0, static_cast<std::size_t>(n), expected) == 0 &&
                static_cast<std::size_t>(n) == expected.size())
                ui().post(onActivate);
        }
    });
    return true;
}

void SingleInstance::stopListening() {
    if (listener_.joinable()) {
        char byte = 1;
        ssize_t ignored = ::write(wakeFds_[1], &byte, 1);
        (void)ignored;
        listener_.join();
    }
    for (int& fd : wakeFds_) {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
}

}  // namespace platform
