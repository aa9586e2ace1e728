#pragma once
// A reader for the small profile file beside the executable (User.ini). It follows the rules
// of the classic Windows profile functions the profile was written for:
//  - section and key names are matched without regard to letter case;
//  - blanks (spaces and tabs) around names and values are ignored;
//  - lines whose first non-blank character is ';' are comments;
//  - CRLF and LF line ends are both accepted, a leading UTF-8 byte order mark is skipped;
//  - a value enclosed in double quotes loses the two quotes;
//  - the first occurrence of a section, and of a key within it, wins;
//  - string values are cut to 259 bytes (never inside a UTF-8 sequence);
//  - a missing file, section or key yields the caller's default.
#include <cstddef>
#include <map>
#include <optional>
#include <string>

class IniFile {
public:
    // Longest string value handed out (a 260-byte buffer with its terminator).
    static constexpr std::size_t kMaxValueLength = 259;
    // Files larger than this are not profiles; only this much is read.
    static constexpr std::size_t kMaxFileSize = 1 << 20;

    // Reads and parses the file. A file that cannot be read gives an empty profile
    // (every lookup then returns its default); loaded() tells the two apart.
    explicit IniFile(const std::string& path);
    // Parses profile text directly.
    static IniFile fromText(const std::string& text);

    bool loaded() const { return loaded_; }
    // The value of `key` in `section`, trimmed, unquoted and cut to kMaxValueLength;
    // nothing when the section or key is absent. A key without "=" has an empty value.
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // The value, or `def` when the key is absent.
    std::string readString(const std::string& section, const std::string& key,
                           const std::string& def = {}) const;
    // The value as an integer: optional blanks and sign, then decimal digits ("0x" for hex);
    // reading stops at the first other character, so "12abc" is 12 and "abc" is 0.
    // An absent key or an empty value gives `def`. Out-of-range values saturate.
    int readInt(const std::string& section, const std::string& key, int def) const;

    // The integer rule of readInt applied to a text.
    static int parseInt(const std::string& text);

private:
    IniFile() = default;
    void parse(const std::string& text);

    bool loaded_ = false;
    // Lower-cased section name -> lower-cased key -> value.
    std::map<std::string, std::map<std::string, std::string>> sections_;
};
