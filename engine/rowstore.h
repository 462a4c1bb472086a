#pragma once

#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

namespace engine {

// Row blobs by row id. Ids are handed out in insertion order and never reused; a deleted row
// leaves an empty slot. Blobs live in a few large chunks (a loaded file is one of them), so a
// million rows cost a million slots, not a million allocations.
class RowStore {
public:
    RowStore() = default;
    RowStore(RowStore&&) noexcept = default;
    RowStore& operator=(RowStore&&) noexcept = default;

    // Takes over a loaded file; the row views point into it.
    void adopt(std::unique_ptr<char[]> bytes, std::vector<std::string_view> rows);

    std::uint32_t add(std::string_view blob);
    void replace(std::uint32_t id, std::string_view blob);
    void remove(std::uint32_t id);
    // Puts a removed row back under its own id (an undone delete).
    void restore(std::uint32_t id, std::string_view blob);

    std::string_view row(std::uint32_t id) const { return rows_[id]; }
    bool live(std::uint32_t id) const { return id < rows_.size() && rows_[id].data() != nullptr; }
    // Hints for scans that know which rows come next: the slot first, the blob a little later.
    void prefetchSlot(std::uint32_t id) const { __builtin_prefetch(&rows_[id]); }
    void prefetchRow(std::uint32_t id) const {
        __builtin_prefetch(rows_[id].data());
        __builtin_prefetch(rows_[id].data() + 64); // later fields often start in the next line
    }
    std::uint32_t slotCount() const { return static_cast<std::uint32_t>(rows_.size()); }
    // Changes with every change of any row; never repeats across stores.
    std::uint64_t version() const { return version_; }

private:
    std::string_view store(std::string_view blob);

    std::vector<std::unique_ptr<char[]>> chunks_;
    std::size_t chunkUsed_ = 0;
    std::size_t chunkSize_ = 0;
    char* lastChunk_ = nullptr; // where small blobs are appended
    std::vector<std::string_view> rows_;
    std::uint64_t version_ = nextVersion();

    static std::uint64_t nextVersion();
};

} // namespace engine
