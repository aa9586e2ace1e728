#include "mib_test_util.h"

#include <sys/wait.h>

#include <cstdio>

namespace mibtest {

std::vector<std::string> RunLines(const std::string& command, int* exitCode) {
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) {
        if (exitCode) *exitCode = -1;
        return lines;
    }
    std::string out;
    char buf[8192];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, pipe)) > 0) out.append(buf, n);
    int status = pclose(pipe);
    if (exitCode) *exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::size_t start = 0;
    while (start < out.size()) {
        std::size_t end = out.find('\n', start);
        if (end == std::string::npos) end = out.size();
        if (end > start) lines.push_back(out.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

namespace {
std::string Unquote(std::string v) {
    if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
    return v;
}
std::string Tool(const char* tool, const std::string& address, const std::string& community) {
    return std::string(tool) + " -v1 -c " + community + " -m '' -On -Oq -Ot -Oe -t 3 -r 1 " + address + " ";
}
}  // namespace

std::vector<WalkLine> Walk(const std::string& address, const std::string& community, const std::string& column) {
    std::vector<WalkLine> out;
    for (const auto& line : RunLines(Tool("snmpwalk", address, community) + column + " 2>/dev/null")) {
        auto space = line.find(' ');
        WalkLine w;
        w.oid = line.substr(0, space);
        if (!w.oid.empty() && w.oid[0] == '.') w.oid.erase(0, 1);
        w.value = space == std::string::npos ? std::string() : Unquote(line.substr(space + 1));
        out.push_back(std::move(w));
    }
    return out;
}

std::vector<std::string> WalkValues(const std::string& address, const std::string& community,
                                    const std::string& column) {
    std::vector<std::string> values;
    for (auto& w : Walk(address, community, column)) values.push_back(w.value);
    return values;
}

std::string Get(const std::string& address, const std::string& community, const std::string& oid) {
    auto lines = RunLines(Tool("snmpget", address, community) + oid + " 2>/dev/null");
    if (lines.empty()) return "<no answer>";
    auto space = lines[0].find(' ');
    return space == std::string::npos ? std::string() : Unquote(lines[0].substr(space + 1));
}

}  // namespace mibtest
