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
        FlushHeld held(*this);
        for (const auto& [id, blob] : rows)
            if (rows_.row(id) != blob)
                replaceRow(id, blob);
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
    FlushHeld held(*this);
    for (std::size_t i = to; i-- > from;) {
        // Copied: the entries and their values move as the journal grows under this loop.
        const Journal::Entry e = journal_.entries()[i];
        switch (e.kind) {
        case Journal::Kind::Inserted:
            removeRow(e.row);
            break;
        case Journal::Kind::Edited:
            replaceRow(e.row, std::string(journal_.before(e)));
            break;
        case Journal::Kind::Deleted:
            restoreRow(e.row, std::string(journal_.before(e)));
            break;
        }
    }
    resyncCurrent(rows_.live(current) ? current : UINT32_MAX, fallback);
    notify(Event::Changed);
    if (from == to)
        return std::nullopt;
    const std::uint32_t first = journal_.entries()[from].row;
    return rows_.live(first) ? std::optional(first) : std::nullopt;
}

} // namespace engine
