#pragma once
// What a user does with the rows of any report list, free of the window system: find (which
// cells contain a text), copy (tab-separated lines) and export (CSV as RFC 4180 has it).
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class ReportList;

// A text to look for in cells. Letters compare without case (ASCII). A text of hex digits and
// separators (":", "-", ".", " ") also finds a MAC address written with other separators or
// none: "00:11:22", "00-11-22" and "001122" find "00:11:22:33:44:55" alike.
class FindPattern {
public:
    explicit FindPattern(std::string_view text);
    bool empty() const { return lower_.empty(); }
    bool matches(std::string_view cell) const;

private:
    std::string lower_;
    std::string hex_;  // the hex digits alone, lower case; empty when the text is not hex-like
};

// 1234567 as "1,234,567".
std::string GroupedNumber(long long n);

// One line of tab-separated cells, ended by "\n"; tabs and line breaks within a cell become
// blanks so that a paste keeps its rows and columns.
std::string TabLine(const std::vector<std::string_view>& cells);

// One CSV record ended by CRLF: a field holding a comma, a quote, CR or LF is quoted and its
// quotes doubled. Bytes that are not UTF-8 become U+FFFD.
std::string CsvLine(const std::vector<std::string_view>& cells);

// Saves rows of a list as CSV (headings first) in slices on posted work, so that a list of a
// million rows keeps the window painting; progress(done, total) follows, finished(ok, message)
// ends it once. A failure names the file and the system's reason; the partial file is removed.
class ListExport {
public:
    using Progress = std::function<void(int done, int total)>;
    using Finished = std::function<void(bool ok, const std::string& message)>;
    // rows: the list rows to save, in order; none = every row the list holds now.
    ListExport(ReportList& list, std::string path, std::optional<std::vector<int>> rows, Progress progress,
               Finished finished);
    ~ListExport();
    ListExport(const ListExport&) = delete;
    ListExport& operator=(const ListExport&) = delete;
    void start();
    void cancel();  // the partial file is removed; finished is not called
    bool running() const { return file_ != nullptr; }
    static constexpr int kSliceRows = 20000;

private:
    void step();
    void fail(const std::string& why);
    ReportList& list_;
    std::string path_;
    std::vector<int> rows_;
    int total_ = 0, done_ = 0;
    bool all_ = false;
    Progress progress_;
    Finished finished_;
    std::FILE* file_ = nullptr;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace platform
