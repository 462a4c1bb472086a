#include "rowstore.h"

#include "error.h"

#include <atomic>
#include <cstring>

namespace engine {

namespace {
constexpr std::size_t kChunk = 256 * 1024;
}

std::uint64_t RowStore::nextVersion() {
    static std::atomic<std::uint64_t> counter{0};
    return ++counter;
}

void RowStore::adopt(std::unique_ptr<char[]> bytes, std::vector<std::string_view> rows) {
    chunks_.clear();
    chunks_.push_back(std::move(bytes));
    chunkUsed_ = chunkSize_ = 0; // the next blob opens a fresh chunk
    rows_ = std::move(rows);
    version_ = nextVersion();
}

std::string_view RowStore::store(std::string_view blob) {
    if (blob.size() > kChunk / 4) { // large memos get a chunk of their own
        chunks_.emplace_back(new char[blob.size()]);
        std::memcpy(chunks_.back().get(), blob.data(), blob.size());
        return {chunks_.back().get(), blob.size()};
    }
    if (chunkSize_ - chunkUsed_ < blob.size()) {
        chunks_.emplace_back(new char[kChunk]);
        chunkUsed_ = 0;
        chunkSize_ = kChunk;
        lastChunk_ = chunks_.back().get();
    }
    char* at = lastChunk_ + chunkUsed_;
    std::memcpy(at, blob.data(), blob.size());
    chunkUsed_ += blob.size();
    return {at, blob.size()};
}

std::uint32_t RowStore::add(std::string_view blob) {
    if (rows_.size() >= UINT32_MAX - 1)
        throw Error("The table cannot hold more rows");
    rows_.push_back(store(blob));
    version_ = nextVersion();
    return static_cast<std::uint32_t>(rows_.size() - 1);
}

void RowStore::replace(std::uint32_t id, std::string_view blob) {
    rows_[id] = store(blob);
    version_ = nextVersion();
}

void RowStore::restore(std::uint32_t id, std::string_view blob) {
    if (id >= rows_.size() || live(id))
        throw Error("Row " + std::to_string(id) + " cannot be restored");
    rows_[id] = store(blob);
    version_ = nextVersion();
}

void RowStore::remove(std::uint32_t id) {
    rows_[id] = std::string_view();
    version_ = nextVersion();
}

} // namespace engine
