#pragma once
// The process listing of a program stopped at its start: both programs stop themselves (SIGSTOP)
// right after overwriting their launch line's secrets when CORVEX_STOP_AT_START is set.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace corvex::test {

// Runs `program` with CORVEX_STOP_AT_START set, `extraEnv` added and its output to /dev/null,
// until it stops itself or ends. What /proc/PID/cmdline showed while it was stopped (NULs as
// spaces), or "" when it ended without stopping.
inline std::string ListingAtStart(const std::string& program, const std::vector<std::string>& args,
                                  const std::vector<std::string>& extraEnv = {}) {
    std::vector<std::string> env = {"CORVEX_STOP_AT_START=1"};
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    for (char** e = environ; *e; ++e) env.emplace_back(*e);
    std::vector<char*> envp, argv = {const_cast<char*>(program.c_str())};
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    for (const auto& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, WUNTRACED) != pid) return "";
    std::string listing;
    if (WIFSTOPPED(status)) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline");
        listing.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        std::replace(listing.begin(), listing.end(), '\0', ' ');
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
    }
    return listing;
}

}  // namespace corvex::test
