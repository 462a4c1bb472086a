// Taking back a table's posted changes, the way undo and redo need it.
#include "table.h"

#include "error.h"
#include "rowcodec.h"
#include "tablefile.h"

#include <algorithm>
#include <unordered_map>

namespace engine {

std::optional<std::string_view> Table::rowById(std::uint32_t id) const {
    if (!isOpen() || !rows_.live(id))
        return std::nullopt;
    return rows_.row(id);
}

std::vector<std::uint32_t> Table::viewRowIds() const {
    requireOpen();
    return {view_->begin(), view_->end()};
}

std::string Table::withText(std::string_view row, int field, std::string_view text) const {
    requireField(field);
    std::vector<rowcodec::Payload> values = rowcodec::decode(row, fieldCount());
    values[static_cast<std::size_t>(field)] = payloadFor(field, text);
    return rowcodec::encode(values);
}

void Table::replaceRows(const std::vector<std::pair<std::uint32_t, std::string>>& rows) {
    requireOpen();
    if (state_ != TableState::Browse || bulk_)
        throw Error("Dataset not in browse mode");
    for (const auto& [id, blob] : rows)
        if (!rows_.live(id) || !tablefile::validRow(blob, fields_))
            throw Error("Row " + std::to_string(id) + " cannot be changed");
    const std::uint32_t current = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    const int fallback = std::max(position_, 0);
    {
        std::vector<RowTarget> targets;
        for (const auto& [id, blob] : rows)
            if (rows_.row(id) != blob)
                targets.push_back({id, blob});
        FlushHeld held(*this);
        postRows(targets);
    }
    resyncCurrent(current, fallback);
    notify(Event::Changed);
}

bool Table::gotoRow(std::uint32_t id) {
    requireOpen();
    checkBrowseMode();
    const int at = rows_.live(id) ? positionInView(id) : -1;
    if (at < 0)
        return false;
    setCurrent(at);
    scrolled();
    return true;
}

std::optional<std::uint32_t> Table::revertChanges(std::size_t from, std::size_t to) {
    requireOpen();
    if (state_ != TableState::Browse || bulk_)
        throw Error("Dataset not in browse mode");
    if (from > to || to > journal_.entries().size())
        throw Error("No such changes to take back");
    // Every row must be as the entries left it, else nothing is touched.
    std::unordered_map<std::uint32_t, bool> live;
    for (std::size_t i = to; i-- > from;) {
        const Journal::Entry& e = journal_.entries()[i];
        const auto known = live.find(e.row);
        const bool isLive = known != live.end() ? known->second : rows_.live(e.row);
        if (isLive != (e.kind != Journal::Kind::Deleted) || e.row >= rows_.slotCount())
            throw Error("The rows have changed since; these changes cannot be taken back");
        live[e.row] = e.kind != Journal::Kind::Inserted;
    }
    const std::uint32_t current = position_ >= 0 ? rowAtPosition(position_) : UINT32_MAX;
    const int fallback = std::max(position_, 0);
    // Each row goes back to what its earliest entry found: one change per row.
    std::vector<RowTarget> targets;
    std::unordered_map<std::uint32_t, std::size_t> at;
    for (std::size_t i = to; i-- > from;) {
        const Journal::Entry& e = journal_.entries()[i];
        std::optional<std::string> value;
        if (e.kind != Journal::Kind::Inserted)
            value = std::string(journal_.before(e));
        const auto [it, fresh] = at.try_emplace(e.row, targets.size());
        if (fresh)
            targets.push_back({e.row, std::move(value)});
        else
            targets[it->second].value = std::move(value);
    }
    // A row added and deleted again within the run is where it should be already.
    std::erase_if(targets, [this](const RowTarget& t) {
        return rows_.live(t.row) ? t.value && *t.value == rows_.row(t.row) : !t.value;
    });
    {
        FlushHeld held(*this);
        postRows(targets);
    }
    resyncCurrent(rows_.live(current) ? current : UINT32_MAX, fallback);
    notify(Event::Changed);
    if (from == to)
        return std::nullopt;
    const std::uint32_t first = journal_.entries()[from].row;
    return rows_.live(first) ? std::optional(first) : std::nullopt;
}

} // namespace engine
