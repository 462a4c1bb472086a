// A table's changes since its base, and the merge of a file of it saved elsewhere.
#include "table.h"

#include "error.h"
#include "rowmerge.h"
#include "tablefile.h"

#include <unordered_map>
#include <unordered_set>
#include <utility>

namespace engine {

std::vector<RowChange> Table::netChanges() const {
    return journal_.netChanges([this](std::uint32_t id) -> std::optional<std::string_view> {
        if (!rows_.live(id))
            return std::nullopt;
        return rows_.row(id);
    });
}

Table::MergeCounts Table::mergeFile(const std::string& path) {
    requireOpen();
    return mergeImage(tablefile::read(path), path);
}

Table::MergeCounts Table::mergeImage(tablefile::Image theirs, const std::string& path) {
    requireOpen();
    checkBrowseMode();
    if (bulk_)
        throw Error("A table cannot be merged while a bulk load is under way");
    if (!sameFields(theirs.fields, fields_))
        throw Error("Cannot merge table file '" + path + "': it holds other fields");

    const std::vector<RowChange> ours = netChanges();
    // How many rows held a value at the base: those now, less what our changes made, plus
    // what they took away. Counted on first need, in one pass over the rows.
    std::unordered_map<std::string_view, std::size_t> base;
    bool counted = false;
    const auto baseCount = [&](std::string_view value) -> std::size_t {
        if (!counted) {
            for (const RowChange& c : ours)
                if (c.after)
                    base.try_emplace(*c.after, 0);
            for (std::uint32_t id : natural_)
                if (auto it = base.find(rows_.row(id)); it != base.end())
                    ++it->second;
            for (const RowChange& c : ours) {
                if (c.after)
                    --base[*c.after];
                if (c.before)
                    if (auto it = base.find(*c.before); it != base.end())
                        ++it->second;
            }
            counted = true;
        }
        const auto it = base.find(value);
        return it == base.end() ? 0 : it->second;
    };
    const RowMerge merge = mergeRows(theirs.rows, ours, baseCount);

    // What the user sees stays: the indices, the order, the filter, the widths, the row.
    const std::vector<IndexDef> indexDefs = this->indexDefs();
    const std::string activeName = activeName_;
    const std::string filterText = filterText_;
    const bool filtered = filtered_;
    const std::vector<int> widths = displayWidths_;
    std::optional<std::string> current;
    if (position_ >= 0)
        current = std::string(rows_.row(rowAtPosition(position_)));

    ++disableCount_;
    ChangeSink* const sink = std::exchange(sink_, nullptr); // its record is written anew
    try {
        RowStore rows;
        rows.adopt(std::move(theirs.bytes), std::move(theirs.rows));
        reset(std::move(theirs.fields), std::move(rows));
        storedOrders_ = std::move(theirs.orders);
        storedOrdersVersion_ = rows_.version();
        for (const IndexDef& d : indexDefs)
            addIndex(d.name, d.fields);
        if (!activeName.empty())
            setActiveIndex(activeName);
        displayWidths_ = widths;
        for (const RowMergeStep& step : merge.steps) {
            const auto id = static_cast<std::uint32_t>(step.row);
            switch (step.kind) {
            case RowMergeStep::Kind::Replace:
                replaceRow(id, step.value);
                break;
            case RowMergeStep::Kind::Remove:
                removeRow(id);
                break;
            case RowMergeStep::Kind::Add:
                addRow(step.value);
                break;
            }
        }
        if (!filterText.empty() || filtered) {
            filterText_ = filterText;
            condition_ = parseFilter(filterText, fields_);
            filtered_ = filtered;
            rebuildView();
        }
        setCurrent(0);
        if (current)
            for (std::uint32_t id : natural_)
                if (rows_.row(id) == *current) {
                    resyncCurrent(id, 0);
                    break;
                }
        bof_ = position_ <= 0;
    } catch (...) {
        sink_ = sink;
        --disableCount_;
        throw;
    }
    sink_ = sink;
    --disableCount_;
    notify(Event::Active);
    return {merge.applied, merge.conflicts};
}

Table::MergeCounts Table::replayChanges(const std::vector<RowChange>& changes, bool rowsAreBase) {
    requireOpen();
    checkBrowseMode();
    if (bulk_)
        throw Error("Changes cannot be replayed while a bulk load is under way");
    for (const RowChange& c : changes)
        for (const auto* value : {&c.before, &c.after})
            if (*value && !tablefile::validRow(**value, fields_))
                throw Error("A change to replay does not fit the table's fields");
    const std::vector<std::uint32_t> ids(natural_.begin(), natural_.end());
    std::vector<std::string_view> rows;
    rows.reserve(ids.size());
    for (std::uint32_t id : ids)
        rows.push_back(rows_.row(id));
    std::unordered_map<std::string_view, std::size_t> counts;
    const auto baseCount = [&](std::string_view value) -> std::size_t {
        if (!rowsAreBase)
            return 0; // what the rows hold came from elsewhere, or from our own later save
        if (counts.empty())
            for (std::string_view row : rows)
                ++counts[row];
        const auto it = counts.find(value);
        return it == counts.end() ? 0 : it->second;
    };
    const RowMerge merge = mergeRows(rows, changes, baseCount);
    const std::uint32_t current = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    for (const RowMergeStep& step : merge.steps) {
        switch (step.kind) {
        case RowMergeStep::Kind::Replace:
            replaceRow(ids[step.row], step.value);
            break;
        case RowMergeStep::Kind::Remove:
            removeRow(ids[step.row]);
            break;
        case RowMergeStep::Kind::Add:
            addRow(step.value);
            break;
        }
    }
    resyncCurrent(rows_.live(current) ? current : UINT32_MAX, 0);
    notify(Event::Changed);
    return {merge.applied, merge.conflicts};
}

std::uint32_t Table::storedId(int storedRow) const {
    requireOpen();
    if (storedRow < 0 || storedRow >= storedRowCount())
        throw Error("Row " + std::to_string(storedRow) + " is out of range");
    return natural_[static_cast<std::size_t>(storedRow)];
}

std::string_view Table::storedBlob(int storedRow) const {
    return rows_.row(storedId(storedRow));
}

void Table::requireIntegerChange(int field) const {
    requireField(field);
    if (!isIntegerType(fields_[static_cast<std::size_t>(field)].type))
        throw Error("Field '" + fields_[static_cast<std::size_t>(field)].name +
                    "' is not an integer field");
    if (state_ != TableState::Browse || bulk_)
        throw Error("Dataset not in browse mode");
}

void Table::replaceInteger(std::uint32_t id, int field, std::int32_t value) {
    std::vector<rowcodec::Payload> values = rowcodec::decode(rows_.row(id), fieldCount());
    values[static_cast<std::size_t>(field)] = rowcodec::intPayload(value);
    replaceRow(id, rowcodec::encode(values));
}

void Table::setStoredInteger(int storedRow, int field, std::int32_t value) {
    requireIntegerChange(field);
    replaceInteger(storedId(storedRow), field, value);
    notify(Event::Changed);
}

int Table::renumberChangedRows(int field,
                               const std::unordered_map<std::int32_t, std::int32_t>& map) {
    requireIntegerChange(field);
    std::vector<std::uint32_t> ids;
    std::unordered_set<std::uint32_t> seen;
    for (const Journal::Entry& e : journal_.entries())
        if (rows_.live(e.row) && seen.insert(e.row).second)
            ids.push_back(e.row);
    int moved = 0;
    for (std::uint32_t id : ids) {
        const auto n = rowcodec::intField(rows_.row(id), field);
        const auto to = n ? map.find(*n) : map.end();
        if (to == map.end())
            continue;
        replaceInteger(id, field, to->second);
        ++moved;
    }
    if (moved > 0)
        notify(Event::Changed);
    return moved;
}

void Table::addStoredRow(std::string_view row) {
    requireOpen();
    if (state_ != TableState::Browse)
        throw Error("Dataset not in browse mode");
    if (!tablefile::validRow(row, fields_))
        throw Error("The row does not fit the table's fields");
    const std::uint32_t current = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    addRow(row);
    if (!bulk_)
        resyncCurrent(current, 0);
    notify(Event::Changed);
}

void Table::removeStoredRowsFrom(int storedRows) {
    requireOpen();
    if (state_ != TableState::Browse || bulk_)
        throw Error("Dataset not in browse mode");
    if (storedRows >= storedRowCount())
        return;
    const std::uint32_t current = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    std::vector<std::uint32_t> ids;
    for (int r = std::max(storedRows, 0); r < storedRowCount(); ++r)
        ids.push_back(storedId(r));
    for (const std::uint32_t id : ids)
        removeRow(id);
    resyncCurrent(rows_.live(current) ? current : UINT32_MAX, 0);
    notify(Event::Changed);
}

} // namespace engine
