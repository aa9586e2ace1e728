#include "app/ini_file.h"

#include <algorithm>
#include <cctype>
#include <climits>

#include "platform/system.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Cuts to at most `limit` bytes without leaving half of a UTF-8 sequence at the end.
std::string CutUtf8(const std::string& s, std::size_t limit) {
    if (s.size() <= limit) return s;
    std::size_t end = limit;
    // Step back over continuation bytes when the byte at the cut continues a sequence.
    while (end > 0 && (static_cast<unsigned char>(s[end]) & 0xC0) == 0x80) --end;
    return s.substr(0, end);
}

}  // namespace

IniFile::IniFile(const std::string& path) {
    if (auto text = platform::ReadFileBounded(path, kMaxFileSize)) {
        loaded_ = true;
        parse(*text);
    }
}

IniFile IniFile::fromText(const std::string& text) {
    IniFile f;
    f.loaded_ = true;
    f.parse(text);
    return f;
}

void IniFile::parse(const std::string& input) {
    std::size_t pos = 0;
    if (input.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    std::map<std::string, std::string>* current = nullptr;  // keys before any section are ignored
    while (pos < input.size()) {
        std::size_t eol = input.find_first_of("\r\n", pos);
        if (eol == std::string::npos) eol = input.size();
        std::string line = Trim(input.substr(pos, eol - pos));
        pos = eol + 1;
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            std::size_t close = line.find(']');
            std::string name = Lower(Trim(line.substr(1, close == std::string::npos ? std::string::npos : close - 1)));
            // A repeated section continues the first one; keys defined earlier keep their values.
            current = &sections_[name];
            continue;
        }
        if (!current) continue;
        std::size_t eq = line.find('=');
        std::string key = Lower(Trim(line.substr(0, eq)));
        std::string value = eq == std::string::npos ? std::string() : Trim(line.substr(eq + 1));
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (key.empty()) continue;
        current->try_emplace(key, CutUtf8(value, kMaxValueLength));
    }
}

std::optional<std::string> IniFile::value(const std::string& section, const std::string& key) const {
    auto s = sections_.find(Lower(Trim(section)));
    if (s == sections_.end()) return std::nullopt;
    auto k = s->second.find(Lower(Trim(key)));
    if (k == s->second.end()) return std::nullopt;
    return k->second;
}

std::string IniFile::readString(const std::string& section, const std::string& key,
                                const std::string& def) const {
    if (auto v = value(section, key)) return *v;
    return CutUtf8(def, kMaxValueLength);
}

int IniFile::parseInt(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        base = 16;
        i += 2;
    }
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        int c = static_cast<unsigned char>(text[i]);
        int digit;
        if (c >= '0' && c <= '9') digit = c - '0';
        else if (base == 16 && std::isxdigit(c)) digit = std::tolower(c) - 'a' + 10;
        else break;
        magnitude = magnitude * base + digit;
        if (magnitude > static_cast<long long>(INT_MAX) + 1) magnitude = static_cast<long long>(INT_MAX) + 1;
    }
    long long v = negative ? -magnitude : magnitude;
    if (v > INT_MAX) v = INT_MAX;
    return static_cast<int>(v);
}

int IniFile::readInt(const std::string& section, const std::string& key, int def) const {
    auto v = value(section, key);
    if (!v || v->empty()) return def;
    return parseInt(*v);
}
