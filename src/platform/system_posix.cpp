#include "platform/system.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

#include "platform/trace.h"

extern char** environ;

namespace platform {

std::optional<std::string> ReadFileBounded(const std::string& path, std::size_t limit) {
    // Non-blocking open: a FIFO in place of the file must not hang the caller.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::nullopt;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string data;
    char buf[8192];
    while (data.size() < limit) {
        const std::size_t want = std::min(sizeof buf, limit - data.size());
        const ssize_t n = ::read(fd, buf, want);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        data.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return data;
}

bool IsRegularFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool IsExecutableFile(const std::string& path) {
    return IsRegularFile(path) && ::access(path.c_str(), X_OK) == 0;
}

std::string ExecutableDirectory() {
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    std::string path(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}

std::optional<std::string> EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

std::vector<std::string> SearchPathFolders() {
    const std::string dirs = EnvironmentValue("PATH").value_or("/usr/local/bin:/usr/bin:/bin");
    std::vector<std::string> folders;
    std::size_t start = 0;
    while (start <= dirs.size()) {
        std::size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        if (end > start) folders.push_back(dirs.substr(start, end - start));
        start = end + 1;
    }
    return folders;
}

bool StartDetachedProcess(const std::vector<std::string>& argv) {
    if (argv.empty() || argv.front().empty()) return false;
    std::vector<char*> args;
    for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    const int rc = ::posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (rc != 0) {
        Trace("cannot start %s (%d)", argv.front().c_str(), rc);
        return false;
    }
    // The child runs on its own; reap it when it ends so that it leaves no zombie.
    std::thread([pid] {
        int status = 0;
        ::waitpid(pid, &status, 0);
    }).detach();
    return true;
}

void ReleaseFreeMemory() {
#if defined(__GLIBC__)
    // glibc keeps freed heap pages mapped; after a large list this would be tens of megabytes.
    malloc_trim(0);
#endif
}

}  // namespace platform
