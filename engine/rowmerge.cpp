#include "rowmerge.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>
#include <unordered_set>

namespace engine {

namespace {

// The places in theirs of the values our changes mention, found in one pass; each place is
// taken at most once.
class Places {
public:
    Places(const std::vector<std::string_view>& theirs, const std::vector<RowChange>& ours)
        : sieve_(kSieveBits) {
        const auto want = [&](const std::optional<std::string>& v) {
            if (v) {
                places_.try_emplace(*v);
                sieve_[sieveKey(*v)] = true;
            }
        };
        for (const RowChange& c : ours) {
            want(c.before);
            want(c.after);
        }
        if (places_.empty())
            return;
        for (std::size_t i = 0; i < theirs.size(); ++i) {
            if (!sieve_[sieveKey(theirs[i])])
                continue; // most rows are told apart without hashing them whole
            if (auto it = places_.find(theirs[i]); it != places_.end())
                it->second.rows.push_back(i);
        }
    }
    // Takes the next free place of value; nothing when all are taken.
    std::optional<std::size_t> take(std::string_view value) {
        auto it = places_.find(value);
        if (it == places_.end() || it->second.next == it->second.rows.size())
            return std::nullopt;
        return it->second.rows[it->second.next++];
    }
    std::size_t count(std::string_view value) const {
        const auto it = places_.find(value);
        return it == places_.end() ? 0 : it->second.rows.size();
    }
    // The rows of value that theirs added beyond the base, one each: a change of ours that
    // made the same row needs no copy of its own.
    bool takeAdded(std::string_view value, std::size_t base) {
        auto it = places_.find(value);
        if (it == places_.end() || it->second.rows.size() <= base + it->second.addedTaken)
            return false;
        if (!take(value))
            return false;
        ++it->second.addedTaken;
        return true;
    }

private:
    static constexpr std::size_t kSieveBits = std::size_t{1} << 20;
    // A cheap key of a row: its length and its first and last bytes.
    static std::size_t sieveKey(std::string_view v) {
        std::uint64_t head = 0, tail = 0;
        const std::size_t n = std::min<std::size_t>(v.size(), 8);
        std::memcpy(&head, v.data(), n);
        std::memcpy(&tail, v.data() + v.size() - n, n);
        const std::uint64_t mixed = (head * 0x9E3779B97F4A7C15ULL) ^
                                    (tail * 0xC2B2AE3D27D4EB4FULL) ^
                                    (v.size() * 0x165667B19E3779F9ULL);
        return static_cast<std::size_t>(mixed >> 44) & (kSieveBits - 1);
    }

    std::vector<bool> sieve_;
    struct Rows {
        std::vector<std::size_t> rows;
        std::size_t next = 0;
        std::size_t addedTaken = 0;
    };
    std::unordered_map<std::string_view, Rows> places_;
};

} // namespace

RowMerge mergeRows(const std::vector<std::string_view>& theirs, const std::vector<RowChange>& ours,
                   const std::function<std::size_t(std::string_view)>& baseCount) {
    Places places(theirs, ours);
    RowMerge merge;
    std::vector<RowMergeStep> adds;
    const auto sameOnTheirSide = [&](std::string_view value) {
        return places.count(value) > 0 && places.takeAdded(value, baseCount(value));
    };
    for (const RowChange& c : ours) {
        if (c.before) {
            if (const auto at = places.take(*c.before)) {
                if (c.after)
                    merge.steps.push_back({RowMergeStep::Kind::Replace, *at, *c.after});
                else
                    merge.steps.push_back({RowMergeStep::Kind::Remove, *at, {}});
                ++merge.applied;
                continue;
            }
            // They changed or deleted this row as well. A delete of ours leaves their version;
            // a change of ours is kept beside it unless they made the very same change.
            if (!c.after)
                continue;
            if (!sameOnTheirSide(*c.after)) {
                adds.push_back({RowMergeStep::Kind::Add, 0, *c.after});
                ++merge.conflicts;
            }
            continue;
        }
        if (!sameOnTheirSide(*c.after))
            adds.push_back({RowMergeStep::Kind::Add, 0, *c.after});
        ++merge.applied;
    }
    std::sort(merge.steps.begin(), merge.steps.end(),
              [](const RowMergeStep& a, const RowMergeStep& b) { return a.row < b.row; });
    merge.steps.insert(merge.steps.end(), adds.begin(), adds.end());
    return merge;
}

} // namespace engine
