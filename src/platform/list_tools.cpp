#include "platform/list_tools.h"

#include <cerrno>
#include <cstring>

#include "platform/form.h"

namespace platform {

namespace {

char Lower(char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; }

bool IsHex(char ch) { return (ch >= '0' && ch <= '9') || (Lower(ch) >= 'a' && Lower(ch) <= 'f'); }

bool IsMacSeparator(char ch) { return ch == ':' || ch == '-' || ch == '.' || ch == ' '; }

// The hex digits of a text made only of hex digits and separators, lower case; empty otherwise.
std::string HexOnly(std::string_view text) {
    std::string out;
    for (char ch : text) {
        if (IsHex(ch)) out += Lower(ch);
        else if (!IsMacSeparator(ch)) return {};
    }
    return out;
}

bool ContainsNoCase(std::string_view hay, std::string_view lowerNeedle) {
    if (lowerNeedle.size() > hay.size()) return false;
    const char first = lowerNeedle[0];
    for (std::size_t i = 0; i + lowerNeedle.size() <= hay.size(); ++i) {
        if (Lower(hay[i]) != first) continue;
        std::size_t k = 1;
        while (k < lowerNeedle.size() && Lower(hay[i + k]) == lowerNeedle[k]) ++k;
        if (k == lowerNeedle.size()) return true;
    }
    return false;
}

// Appends text with invalid UTF-8 replaced by U+FFFD.
void AppendUtf8(std::string& out, std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t len = b < 0x80 ? 1 : (b >> 5) == 0x6 ? 2 : (b >> 4) == 0xE ? 3 : (b >> 3) == 0x1E ? 4 : 0;
        bool ok = len > 0 && i + len <= text.size();
        for (std::size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (ok && len == 2 && b < 0xC2) ok = false;  // overlong
        if (ok) {
            out.append(text.substr(i, len));
            i += len;
        } else {
            out += "\xEF\xBF\xBD";
            ++i;
        }
    }
}

}  // namespace

FindPattern::FindPattern(std::string_view text) {
    for (char ch : text) lower_ += Lower(ch);
    std::string hex = HexOnly(text);
    // Two digits at least: one digit alone finds everything a plain search finds.
    if (hex.size() >= 2) hex_ = std::move(hex);
}

bool FindPattern::matches(std::string_view cell) const {
    if (lower_.empty()) return true;
    if (ContainsNoCase(cell, lower_)) return true;
    if (hex_.empty()) return false;
    // A MAC address in any of its forms: twelve hex digits with separators or none; the text
    // starts at an octet.
    std::string digits = HexOnly(cell);
    if (digits.size() != 12) return false;
    for (std::size_t at = digits.find(hex_); at != std::string::npos; at = digits.find(hex_, at + 1))
        if (at % 2 == 0) return true;
    return false;
}

std::string GroupedNumber(long long n) {
    std::string digits = std::to_string(n < 0 ? -n : n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i && (digits.size() - i) % 3 == 0) out += ',';
        out += digits[i];
    }
    return n < 0 ? "-" + out : out;
}

std::string TabLine(const std::vector<std::string_view>& cells) {
    std::string out;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c) out += '\t';
        for (char ch : cells[c]) out += ch == '\t' || ch == '\n' || ch == '\r' ? ' ' : ch;
    }
    out += '\n';
    return out;
}

std::string CsvLine(const std::vector<std::string_view>& cells) {
    std::string out;
    for (std::size_t c = 0; c < cells.size(); ++c) {
        if (c) out += ',';
        const std::string_view v = cells[c];
        if (v.find_first_of(",\"\r\n") == std::string_view::npos) {
            AppendUtf8(out, v);
            continue;
        }
        out += '"';
        std::size_t start = 0;
        for (std::size_t q = v.find('"'); q != std::string_view::npos; q = v.find('"', start)) {
            AppendUtf8(out, v.substr(start, q + 1 - start));
            out += '"';
            start = q + 1;
        }
        AppendUtf8(out, v.substr(start));
        out += '"';
    }
    out += "\r\n";
    return out;
}

// ---------------------------------------------------------------- ListExport

ListExport::ListExport(ReportList& list, std::string path, std::optional<std::vector<int>> rows, Progress progress,
                       Finished finished)
    : list_(list), path_(std::move(path)), rows_(rows ? std::move(*rows) : std::vector<int>()), all_(!rows),
      progress_(std::move(progress)), finished_(std::move(finished)) {}

ListExport::~ListExport() {
    *alive_ = false;
    cancel();
}

void ListExport::start() {
    total_ = all_ ? list_.rowCount() : static_cast<int>(rows_.size());
    done_ = 0;
    file_ = std::fopen(path_.c_str(), "wb");
    if (!file_) {
        const int err = errno;
        if (finished_) finished_(false, "The list could not be saved to " + path_ + ": " + std::strerror(err) + ".");
        return;
    }
    std::vector<std::string_view> headings;
    for (const auto& c : list_.columns()) headings.push_back(c.heading);
    const std::string line = CsvLine(headings);
    if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) return fail(std::strerror(errno));
    if (progress_) progress_(0, total_);
    step();
}

void ListExport::step() {
    if (!file_) return;
    const int end = std::min(total_, done_ + kSliceRows);
    std::string chunk;
    std::vector<std::string_view> cells(static_cast<std::size_t>(std::max(1, list_.columnCount())));
    for (; done_ < end; ++done_) {
        const int r = all_ ? done_ : rows_[static_cast<std::size_t>(done_)];
        if (r >= list_.rowCount()) continue;  // removed meanwhile
        for (std::size_t c = 0; c < cells.size(); ++c) cells[c] = list_.cellView(r, static_cast<int>(c));
        chunk += CsvLine(cells);
    }
    if (!chunk.empty() && std::fwrite(chunk.data(), 1, chunk.size(), file_) != chunk.size())
        return fail(std::strerror(errno));
    if (progress_) progress_(done_, total_);
    if (done_ < total_) {
        list_.form().post([this, alive = std::weak_ptr<bool>(alive_)] {
            if (auto a = alive.lock(); a && *a) step();
        });
        return;
    }
    std::FILE* f = file_;
    file_ = nullptr;
    if (std::fclose(f) != 0) {
        const int err = errno;
        std::remove(path_.c_str());
        if (finished_) finished_(false, "The list could not be saved to " + path_ + ": " + std::strerror(err) + ".");
        return;
    }
    if (finished_)
        finished_(true, GroupedNumber(total_) + (total_ == 1 ? " row" : " rows") + " saved to " + path_ + ".");
}

void ListExport::fail(const std::string& why) {
    std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
    if (finished_) finished_(false, "The list could not be saved to " + path_ + ": " + why + ".");
}

void ListExport::cancel() {
    if (!file_) return;
    std::fclose(file_);
    file_ = nullptr;
    std::remove(path_.c_str());
}

}  // namespace platform
