#include "platform/row_store.h"

#include <cstring>
#include <stdexcept>

namespace platform {

namespace {

// Lengths as 7-bit groups, low group first: one octet for texts shorter than 128.
std::size_t VarLen(std::size_t v) {
    std::size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

unsigned char* PutVar(unsigned char* p, std::size_t v) {
    while (v >= 0x80) {
        *p++ = static_cast<unsigned char>(v | 0x80);
        v >>= 7;
    }
    *p++ = static_cast<unsigned char>(v);
    return p;
}

const unsigned char* GetVar(const unsigned char* p, std::size_t& v) {
    v = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = *p++;
        v |= static_cast<std::size_t>(b & 0x7f) << shift;
        if (!(b & 0x80)) return p;
    }
}

std::size_t Encoded(const std::vector<std::string>& cells) {
    std::size_t n = VarLen(cells.size());
    for (const auto& c : cells) n += VarLen(c.size()) + c.size();
    return n;
}

// Octets of the row that starts at p.
std::size_t EncodedAt(const unsigned char* p) {
    const unsigned char* start = p;
    std::size_t count = 0, len = 0;
    p = GetVar(p, count);
    for (std::size_t i = 0; i < count; ++i) {
        p = GetVar(p, len);
        p += len;
    }
    return static_cast<std::size_t>(p - start);
}

}  // namespace

const unsigned char* RowStore::place(const std::vector<std::string>& cells) {
    const std::size_t need = Encoded(cells);
    if (blocks_.empty() || used_ + need > blockSizes_.back()) {
        const std::size_t size = std::max(need, kBlockBytes);
        blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(size));
        blockSizes_.push_back(size);
        used_ = 0;
    }
    unsigned char* start = blocks_.back().get() + used_;
    unsigned char* p = PutVar(start, cells.size());
    for (const auto& c : cells) {
        p = PutVar(p, c.size());
        if (!c.empty()) std::memcpy(p, c.data(), c.size());
        p += c.size();
    }
    used_ += need;
    live_ += need;
    return start;
}

void RowStore::append(const std::vector<std::string>& cells) { rows_.push_back(place(cells)); }

void RowStore::assign(int r, const std::vector<std::string>& cells) {
    const unsigned char*& slot = rows_.at(static_cast<std::size_t>(r));
    const std::size_t old = EncodedAt(slot);
    slot = place(cells);
    live_ -= old;
    garbage_ += old;
    compact();
}

void RowStore::erase(int r) {
    if (r < 0 || r >= size()) throw std::out_of_range("list row");
    const std::size_t old = EncodedAt(rows_[static_cast<std::size_t>(r)]);
    rows_.erase(rows_.begin() + r);
    live_ -= old;
    garbage_ += old;
    compact();
}

void RowStore::clear() {
    std::vector<const unsigned char*>().swap(rows_);
    std::vector<std::unique_ptr<unsigned char[]>>().swap(blocks_);
    std::vector<std::size_t>().swap(blockSizes_);
    used_ = live_ = garbage_ = 0;
}

void RowStore::compact() {
    // Repack once garbage outweighs the live rows and is worth a few blocks: each row is copied
    // at most about as often as it was replaced or removed.
    if (garbage_ < 4 * kBlockBytes || garbage_ < live_) return;
    std::vector<std::unique_ptr<unsigned char[]>> oldBlocks;
    oldBlocks.swap(blocks_);
    blockSizes_.clear();
    used_ = live_ = garbage_ = 0;
    for (auto& row : rows_) {
        const std::size_t n = EncodedAt(row);
        if (blocks_.empty() || used_ + n > blockSizes_.back()) {
            const std::size_t size = std::max(n, kBlockBytes);
            blocks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(size));
            blockSizes_.push_back(size);
            used_ = 0;
        }
        unsigned char* to = blocks_.back().get() + used_;
        std::memcpy(to, row, n);
        row = to;
        used_ += n;
        live_ += n;
    }
}

int RowStore::cellCount(int r) const {
    std::size_t count = 0;
    GetVar(rows_.at(static_cast<std::size_t>(r)), count);
    return static_cast<int>(count);
}

std::string_view RowStore::cell(int r, int c) const {
    const unsigned char* p = rows_.at(static_cast<std::size_t>(r));
    std::size_t count = 0, len = 0;
    p = GetVar(p, count);
    if (c < 0 || static_cast<std::size_t>(c) >= count) return {};
    for (int i = 0;; ++i) {
        p = GetVar(p, len);
        if (i == c) return {reinterpret_cast<const char*>(p), len};
        p += len;
    }
}

std::vector<std::string> RowStore::cells(int r) const {
    const unsigned char* p = rows_.at(static_cast<std::size_t>(r));
    std::size_t count = 0, len = 0;
    p = GetVar(p, count);
    std::vector<std::string> out;
    out.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        p = GetVar(p, len);
        out.emplace_back(reinterpret_cast<const char*>(p), len);
        p += len;
    }
    return out;
}

std::size_t RowStore::bytesHeld() const {
    std::size_t n = rows_.capacity() * sizeof(const unsigned char*);
    for (std::size_t s : blockSizes_) n += s;
    return n;
}

}  // namespace platform
