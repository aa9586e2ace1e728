#pragma once
// The operating-system services the application logic uses: files, the program's own place,
// the environment and starting other programs. Everything above src/platform goes through
// these, so a port to another desktop replaces this file's implementation only.
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace platform {

// At most `limit` bytes of a regular file; nothing for a missing file or anything else
// (a folder, a device, a pipe that would block).
std::optional<std::string> ReadFileBounded(const std::string& path, std::size_t limit);

// True for an existing regular file.
bool IsRegularFile(const std::string& path);

// True for a regular file this user may run.
bool IsExecutableFile(const std::string& path);

// The folder holding the running program, without a trailing separator ("" when unknown).
std::string ExecutableDirectory();

// The value of an environment variable, or nothing when it is not set.
std::optional<std::string> EnvironmentValue(const char* name);

// The folders of the program search path, in order (a default list when it is not set).
std::vector<std::string> SearchPathFolders();

// Starts a program with exactly these arguments (no shell), searched on the program search
// path; it runs on its own and is reaped when it ends. False when it could not be started.
bool StartDetachedProcess(const std::vector<std::string>& argv);

// Hands memory the program has freed back to the system (after a large list is gone).
void ReleaseFreeMemory();

}  // namespace platform
