#include "keyranks.h"

#include "collation.h"
#include "keyorder.h"
#include "rowcodec.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>

namespace engine {

FieldRanks rankField(const RowStore& rows, const std::vector<std::uint32_t>& ids, int field,
                     FieldType type) {
    // The distinct stored values first (a cheap byte-wise hash), then one collation key or one
    // comparison per distinct value rather than per row.
    const bool text = isTextType(type);
    std::unordered_map<std::string_view, std::uint32_t> idOf;
    std::vector<rowcodec::Slice> values;
    std::vector<std::uint32_t> valueOfRow(ids.size());
    constexpr std::uint32_t kNull = UINT32_MAX;
    bool anyNull = false;
    for (std::size_t i = 0; i < ids.size(); ++i) {
        const rowcodec::Slice s = rowcodec::field(rows.row(ids[i]), field);
        if (s.null && !text) {
            valueOfRow[i] = kNull;
            anyNull = true;
            continue;
        }
        const auto [it, added] =
            idOf.try_emplace(s.bytes, static_cast<std::uint32_t>(values.size()));
        if (added)
            values.push_back({false, s.bytes});
        valueOfRow[i] = it->second;
    }

    std::vector<std::uint32_t> byOrder(values.size());
    for (std::uint32_t v = 0; v < byOrder.size(); ++v)
        byOrder[v] = v;
    std::vector<std::string> keys;
    if (text) {
        keys.resize(values.size());
        for (std::size_t v = 0; v < values.size(); ++v)
            collation::appendSortKey(keys[v], values[v].bytes);
        std::sort(byOrder.begin(), byOrder.end(),
                  [&](std::uint32_t a, std::uint32_t b) { return keys[a] < keys[b]; });
    } else {
        std::sort(byOrder.begin(), byOrder.end(), [&](std::uint32_t a, std::uint32_t b) {
            return KeyOrder::compareSlices(type, values[a], values[b]) < 0;
        });
    }
    const auto same = [&](std::uint32_t a, std::uint32_t b) {
        return text ? keys[a] == keys[b] : KeyOrder::compareSlices(type, values[a], values[b]) == 0;
    };

    // No value sorts first, with rank 0.
    std::vector<std::uint32_t> rankOfValue(values.size());
    std::uint32_t rank = anyNull ? 1 : 0;
    for (std::size_t pos = 0; pos < byOrder.size(); ++pos) {
        if (pos > 0 && !same(byOrder[pos - 1], byOrder[pos]))
            ++rank;
        rankOfValue[byOrder[pos]] = rank;
    }
    FieldRanks out;
    out.distinct = byOrder.empty() ? rank : rank + 1;
    out.bySlot.assign(rows.slotCount(), 0);
    for (std::size_t i = 0; i < ids.size(); ++i)
        out.bySlot[ids[i]] = valueOfRow[i] == kNull ? 0 : rankOfValue[valueOfRow[i]];
    return out;
}

std::vector<std::uint32_t> sortByRanks(const std::vector<std::uint32_t>& ids,
                                       const std::vector<const FieldRanks*>& keys) {
    // A stable counting sort per field, least significant first.
    std::vector<std::uint32_t> order = ids;
    std::vector<std::uint32_t> next(ids.size());
    std::vector<std::uint32_t> start;
    for (auto k = keys.rbegin(); k != keys.rend(); ++k) {
        const FieldRanks& r = **k;
        start.assign(static_cast<std::size_t>(r.distinct) + 1, 0);
        for (std::uint32_t id : order)
            ++start[r.bySlot[id] + 1];
        for (std::size_t d = 1; d < start.size(); ++d)
            start[d] += start[d - 1];
        for (std::uint32_t id : order)
            next[start[r.bySlot[id]]++] = id;
        order.swap(next);
    }
    return order;
}

const FieldRanks& RankCache::get(const RowStore& rows, const std::vector<std::uint32_t>& ids,
                                 int field, FieldType type) {
    if (version_ != rows.version() || locale_ != collation::locale()) {
        byField_.clear();
        version_ = rows.version();
        locale_ = collation::locale();
    }
    auto it = byField_.find(field);
    if (it == byField_.end())
        it = byField_.emplace(field, rankField(rows, ids, field, type)).first;
    return it->second;
}

} // namespace engine
