#include "roworder.h"

#include <algorithm>

namespace engine {

namespace {

// Large enough that a million rows make a few thousand blocks (one start each to shift on an
// insert), small enough that moving a block's ids or searching one for a row stays cheap.
constexpr std::size_t kMaxBlock = 512;
constexpr std::size_t kFillBlock = 384; // filled blocks leave room for inserts
constexpr std::uint32_t kNoBlock = UINT32_MAX;

} // namespace

void RowOrder::clear() {
    size_ = 0;
    blocks_.clear();
    starts_.clear();
    blockIndex_.clear();
    blockOfRow_.clear();
    nextBlockId_ = 0;
    lastBlock_ = 0;
}

template <class At> void RowOrder::fill(std::size_t n, At at) {
    const std::size_t count = (n + kFillBlock - 1) / kFillBlock;
    blocks_.reserve(count);
    starts_.reserve(count);
    for (std::size_t from = 0; from < n; from += kFillBlock) {
        const std::size_t to = std::min(n, from + kFillBlock);
        Block block; // no room kept: a first insert into it grows it
        block.rows.resize(to - from);
        for (std::size_t i = from; i < to; ++i)
            block.rows[i - from] = at(i);
        block.id = nextBlockId_++;
        blockIndex_.push_back(static_cast<std::uint32_t>(blocks_.size()));
        starts_.push_back(from);
        blocks_.push_back(std::move(block));
    }
    size_ = n;
}

void RowOrder::assign(const std::vector<std::uint32_t>& rows) {
    clear();
    if (tracked_ && !rows.empty())
        blockOfRow_.assign(*std::max_element(rows.begin(), rows.end()) + std::size_t{1}, kNoBlock);
    fill(rows.size(), [&](std::size_t i) { return rows[i]; });
    for (std::size_t b = 0; b < blocks_.size(); ++b)
        placeRows(b);
}

bool RowOrder::assignPermutation(std::size_t n,
                                 const std::function<std::uint32_t(std::size_t)>& at) {
    clear();
    if (!tracked_)
        return false;
    blockOfRow_.assign(n, kNoBlock);
    bool valid = true;
    fill(n, [&](std::size_t i) {
        const std::uint32_t row = at(i);
        // The block ids are the fill's: i's block is i / kFillBlock.
        if (row >= n || blockOfRow_[row] != kNoBlock) {
            valid = false;
            return std::uint32_t{0};
        }
        blockOfRow_[row] = static_cast<std::uint32_t>(i / kFillBlock);
        return row;
    });
    if (!valid)
        clear();
    return valid;
}

std::size_t RowOrder::findBlock(std::size_t position) const {
    const auto it = std::upper_bound(starts_.begin(), starts_.end(), position);
    return static_cast<std::size_t>(it - starts_.begin()) - 1;
}

std::size_t RowOrder::blockAt(std::size_t position) const {
    std::size_t b = lastBlock_;
    if (b < blocks_.size() && position >= starts_[b]) {
        if (position - starts_[b] < blocks_[b].rows.size())
            return b;
        if (++b < blocks_.size() && position - starts_[b] < blocks_[b].rows.size())
            return lastBlock_ = b; // the next block, as a scan reads it
    }
    return lastBlock_ = findBlock(position);
}

std::size_t RowOrder::positionOf(std::uint32_t row) const {
    if (row >= blockOfRow_.size() || blockOfRow_[row] == kNoBlock)
        return npos;
    const std::size_t b = blockIndex_[blockOfRow_[row]];
    const std::vector<std::uint32_t>& rows = blocks_[b].rows;
    return starts_[b] +
           static_cast<std::size_t>(std::find(rows.begin(), rows.end(), row) - rows.begin());
}

void RowOrder::placeRows(std::size_t block) {
    if (!tracked_)
        return;
    const Block& b = blocks_[block];
    for (std::uint32_t row : b.rows) {
        if (row >= blockOfRow_.size())
            blockOfRow_.resize(std::max<std::size_t>(row + std::size_t{1}, blockOfRow_.size() * 2),
                               kNoBlock);
        blockOfRow_[row] = b.id;
    }
}

void RowOrder::renumberFrom(std::size_t block) {
    for (std::size_t b = block; b < blocks_.size(); ++b)
        blockIndex_[blocks_[b].id] = static_cast<std::uint32_t>(b);
}

void RowOrder::insert(std::size_t position, std::uint32_t row) {
    position = std::min(position, size_);
    if (blocks_.empty()) {
        Block block;
        block.rows.reserve(kMaxBlock);
        block.id = nextBlockId_++;
        blockIndex_.push_back(0);
        blocks_.push_back(std::move(block));
        starts_.push_back(0);
    }
    // The end belongs to the last block; any other position to the block holding it.
    const std::size_t b = position == size_ ? blocks_.size() - 1 : blockAt(position);
    std::vector<std::uint32_t>& rows = blocks_[b].rows;
    rows.insert(rows.begin() + static_cast<std::ptrdiff_t>(position - starts_[b]), row);
    for (std::size_t k = b + 1; k < starts_.size(); ++k)
        ++starts_[k];
    ++size_;
    if (tracked_) {
        if (row >= blockOfRow_.size())
            blockOfRow_.resize(std::max<std::size_t>(row + std::size_t{1}, blockOfRow_.size() * 2),
                               kNoBlock);
        blockOfRow_[row] = blocks_[b].id;
    }
    if (rows.size() > kMaxBlock)
        split(b);
}

void RowOrder::split(std::size_t block) {
    Block upper;
    upper.rows.reserve(kMaxBlock);
    std::vector<std::uint32_t>& rows = blocks_[block].rows;
    const std::size_t half = rows.size() / 2;
    upper.rows.assign(rows.begin() + static_cast<std::ptrdiff_t>(half), rows.end());
    rows.resize(half);
    upper.id = nextBlockId_++;
    blockIndex_.push_back(0);
    const std::size_t start = starts_[block] + half;
    blocks_.insert(blocks_.begin() + static_cast<std::ptrdiff_t>(block + 1), std::move(upper));
    starts_.insert(starts_.begin() + static_cast<std::ptrdiff_t>(block + 1), start);
    renumberFrom(block + 1);
    placeRows(block + 1);
}

void RowOrder::erase(std::size_t position) {
    const std::size_t b = blockAt(position);
    std::vector<std::uint32_t>& rows = blocks_[b].rows;
    const auto at = rows.begin() + static_cast<std::ptrdiff_t>(position - starts_[b]);
    if (tracked_)
        blockOfRow_[*at] = kNoBlock;
    rows.erase(at);
    for (std::size_t k = b + 1; k < starts_.size(); ++k)
        --starts_[k];
    --size_;
    if (rows.empty()) {
        blocks_.erase(blocks_.begin() + static_cast<std::ptrdiff_t>(b));
        starts_.erase(starts_.begin() + static_cast<std::ptrdiff_t>(b));
        renumberFrom(b);
        lastBlock_ = 0;
    }
}

} // namespace engine
