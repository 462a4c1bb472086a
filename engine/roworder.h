#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iterator>
#include <vector>

namespace engine {

// Row ids in an order (an index, the insertion order, a filtered view) with positional access.
// The ids live in blocks of a few hundred, so an insert or an erase moves one block's ids and
// one start per block rather than up to a million ids; position i is found from the blocks'
// starts, and reading positions one after another costs no search. A tracked order also knows
// each row's block, so a row's position is found without comparing keys.
class RowOrder {
public:
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);

    explicit RowOrder(bool tracked = false) : tracked_(tracked) {}

    void assign(const std::vector<std::uint32_t>& rows);
    // For a tracked order: the rows at(0) to at(n - 1) must be each of 0 to n - 1 once. False,
    // leaving the order empty, when they are not.
    bool assignPermutation(std::size_t n, const std::function<std::uint32_t(std::size_t)>& at);
    void clear();
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    bool tracked() const { return tracked_; }

    std::uint32_t operator[](std::size_t position) const {
        const std::size_t b = blockAt(position);
        return blocks_[b].rows[position - starts_[b]];
    }
    // The row's position, or npos when it is not in the order; tracked orders only.
    std::size_t positionOf(std::uint32_t row) const;

    void insert(std::size_t position, std::uint32_t row);
    void push_back(std::uint32_t row) { insert(size_, row); }
    void erase(std::size_t position);

    // The first position whose row fails before(row), for rows ordered so that before holds for
    // a prefix of them.
    template <class Before> std::size_t partitionPoint(Before before) const;

    // Calls f(row) for the rows at positions [from, to) in order, until f returns false.
    template <class F> void forEach(std::size_t from, std::size_t to, F f) const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = std::uint32_t;
        using difference_type = std::ptrdiff_t;
        using pointer = const std::uint32_t*;
        using reference = std::uint32_t;

        const_iterator() = default;
        std::uint32_t operator*() const { return order_->blocks_[block_].rows[offset_]; }
        const_iterator& operator++() {
            if (++offset_ == order_->blocks_[block_].rows.size()) {
                ++block_;
                offset_ = 0;
            }
            return *this;
        }
        const_iterator operator++(int) {
            const_iterator was = *this;
            ++*this;
            return was;
        }
        bool operator==(const const_iterator& o) const {
            return block_ == o.block_ && offset_ == o.offset_;
        }

    private:
        friend class RowOrder;
        const_iterator(const RowOrder* order, std::size_t block, std::size_t offset)
            : order_(order), block_(block), offset_(offset) {}
        const RowOrder* order_ = nullptr;
        std::size_t block_ = 0;
        std::size_t offset_ = 0;
    };
    const_iterator begin() const { return {this, 0, 0}; }
    const_iterator end() const { return {this, blocks_.size(), 0}; }
    // At a position up to size(); touches nothing, so readers on other threads may ask too.
    const_iterator iteratorAt(std::size_t position) const {
        if (position >= size_)
            return end();
        const std::size_t b = findBlock(position);
        return {this, b, position - starts_[b]};
    }

private:
    struct Block {
        std::vector<std::uint32_t> rows; // never empty
        std::uint32_t id = 0;            // for the row-to-block map; stays with the block
    };

    template <class At> void fill(std::size_t n, At at); // at(i) for i below n, in blocks
    std::size_t blockAt(std::size_t position) const;     // a position below size(); remembers it
    std::size_t findBlock(std::size_t position) const;   // the same, touching nothing
    void placeRows(std::size_t block);                   // the map entries of the block's rows
    void renumberFrom(std::size_t block);                // block indices after a block came or went
    void split(std::size_t block);

    bool tracked_;
    std::size_t size_ = 0;
    std::vector<Block> blocks_;
    std::vector<std::size_t> starts_;       // position of each block's first row
    std::vector<std::uint32_t> blockIndex_; // block id -> index in blocks_
    std::vector<std::uint32_t> blockOfRow_; // row -> block id, kNoBlock when absent
    std::uint32_t nextBlockId_ = 0;
    mutable std::size_t lastBlock_ = 0; // where the previous read was
};

template <class Before> std::size_t RowOrder::partitionPoint(Before before) const {
    // The last block whose first row is before, then the point inside it.
    std::size_t lo = 0, hi = blocks_.size();
    while (lo < hi) {
        const std::size_t mid = lo + (hi - lo) / 2;
        if (before(blocks_[mid].rows.front()))
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo == 0)
        return 0;
    const std::vector<std::uint32_t>& rows = blocks_[lo - 1].rows;
    std::size_t a = 1, b = rows.size();
    while (a < b) {
        const std::size_t mid = a + (b - a) / 2;
        if (before(rows[mid]))
            a = mid + 1;
        else
            b = mid;
    }
    return starts_[lo - 1] + a;
}

template <class F> void RowOrder::forEach(std::size_t from, std::size_t to, F f) const {
    if (from >= to || from >= size_)
        return;
    std::size_t b = findBlock(from); // no remembered block: scans may run on other threads
    std::size_t at = from;
    for (; b < blocks_.size() && at < to; ++b) {
        const std::vector<std::uint32_t>& rows = blocks_[b].rows;
        std::size_t k = at - starts_[b];
        for (; k < rows.size() && at < to; ++k, ++at)
            if (!f(rows[k]))
                return;
    }
}

} // namespace engine
