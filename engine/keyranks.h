#pragma once

#include "field.h"
#include "rowstore.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace engine {

// One field's values as ranks: equal values (in the order of KeyOrder) share a rank, and ranks
// rise with the order. Indexed by row id.
struct FieldRanks {
    std::vector<std::uint32_t> bySlot;
    std::uint32_t distinct = 0;
};

FieldRanks rankField(const RowStore& rows, const std::vector<std::uint32_t>& ids, int field,
                     FieldType type);

// ids ordered by the ranks of each key field in turn; equal keys keep their order in ids.
std::vector<std::uint32_t> sortByRanks(const std::vector<std::uint32_t>& ids,
                                       const std::vector<const FieldRanks*>& keys);

// Ranks of the fields of one table, kept while its rows and the collation are unchanged, so that
// indices sharing a field (as artist and title in most release indices) compute its collation keys
// once.
class RankCache {
public:
    const FieldRanks& get(const RowStore& rows, const std::vector<std::uint32_t>& ids, int field,
                          FieldType type);
    void clear() { byField_.clear(); }

private:
    std::uint64_t version_ = 0;
    std::string locale_;
    std::map<int, FieldRanks> byField_;
};

} // namespace engine
