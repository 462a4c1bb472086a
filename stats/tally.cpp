#include "tally.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <stdexcept>

namespace stats {

std::size_t Interner::slotOf(std::string_view text, std::uint64_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& s = slots_[i];
        if (s.number == UINT32_MAX || (s.hash == hash && this->text(s.number) == text))
            return i;
    }
}

std::optional<std::uint32_t> Interner::find(std::string_view text) const {
    const std::uint32_t number = slots_[slotOf(text, hashBytes(text))].number;
    return number == UINT32_MAX ? std::nullopt : std::optional(number);
}

std::uint32_t Interner::intern(std::string_view text, std::uint64_t hash) {
    Slot& s = slots_[slotOf(text, hash)];
    if (s.number != UINT32_MAX)
        return s.number;
    s = {hash, size()};
    texts_ += text;
    starts_.push_back(texts_.size());
    if (size() * 2 > slots_.size())
        grow();
    return size() - 1;
}

void Interner::grow() {
    std::vector<Slot> old(slots_.size() * 2);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const Slot& s : old) {
        if (s.number == UINT32_MAX)
            continue;
        std::size_t i = s.hash & mask;
        while (slots_[i].number != UINT32_MAX)
            i = (i + 1) & mask;
        slots_[i] = s;
    }
}

SeenSet::SeenSet(std::size_t most)
    : slots_(std::bit_ceil(most * 4 / 3 + 16), 0), mask_(slots_.size() - 1) {}

bool SeenSet::insert(std::uint64_t hash) {
    const std::uint32_t p = print(hash);
    for (std::size_t i = hash & mask_, probed = 0; probed <= mask_; i = (i + 1) & mask_, ++probed) {
        std::atomic_ref<std::uint32_t> slot(slots_[i]);
        std::uint32_t seen = slot.load(std::memory_order_relaxed);
        if (seen == 0 && slot.compare_exchange_strong(seen, p, std::memory_order_relaxed))
            return true;
        if (seen == p)
            return false;
    }
    throw std::logic_error("statistics: more hashes than their set was made for");
}

bool SeenSet::contains(std::uint64_t hash) const {
    const std::uint32_t p = print(hash);
    for (std::size_t i = hash & mask_, probed = 0; probed <= mask_; i = (i + 1) & mask_, ++probed)
        if (slots_[i] == p)
            return true;
        else if (slots_[i] == 0)
            return false;
    return false;
}

} // namespace stats
