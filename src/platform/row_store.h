#pragma once
// Compact storage for the rows of a report list: a row's texts are packed one after another
// (a length, then the bytes) into large blocks, and the list keeps one pointer per row. A row
// of a few short texts costs its text plus a few octets, where vectors of strings would cost
// about a hundred octets more; a cleared or destroyed store gives its blocks back at once.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

class RowStore {
public:
    RowStore() = default;
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;

    int size() const { return static_cast<int>(rows_.size()); }
    void append(const std::vector<std::string>& cells);
    // Replaces row r; the old texts become garbage that a later compaction reclaims.
    void assign(int r, const std::vector<std::string>& cells);
    void erase(int r);
    void clear();

    int cellCount(int r) const;
    // Valid until the store next changes; empty for a cell the row does not have.
    std::string_view cell(int r, int c) const;
    std::vector<std::string> cells(int r) const;

    // Octets held in blocks and the row table (not counting the allocator's own overhead).
    std::size_t bytesHeld() const;

    static constexpr std::size_t kBlockBytes = 256 * 1024;

private:
    const unsigned char* place(const std::vector<std::string>& cells);
    void compact();

    std::vector<const unsigned char*> rows_;
    std::vector<std::unique_ptr<unsigned char[]>> blocks_;
    std::vector<std::size_t> blockSizes_;
    std::size_t used_ = 0;     // octets of the last block in use
    std::size_t live_ = 0;     // octets of the rows still referenced
    std::size_t garbage_ = 0;  // octets of replaced and removed rows
};

}  // namespace platform
