#include "journal.h"

#include <unordered_map>

namespace engine {

std::size_t Journal::bytes() const {
    std::size_t n = entries_.capacity() * sizeof(Entry) + befores_.capacity() * sizeof(std::string);
    for (const std::string& b : befores_)
        if (b.capacity() > sizeof(std::string) - 1) // beyond the short-string buffer
            n += b.capacity() + 1;
    return n;
}

std::vector<RowChange> Journal::netChanges(
    const std::function<std::optional<std::string_view>(std::uint32_t)>& current) const {
    // A row's base value is what its first entry found.
    std::vector<const Entry*> first;
    std::unordered_map<std::uint32_t, std::size_t> seen;
    for (const Entry& e : entries_)
        if (seen.try_emplace(e.row, first.size()).second)
            first.push_back(&e);
    std::vector<RowChange> changes;
    for (const Entry* e : first) {
        RowChange c;
        c.row = e->row;
        if (e->kind != Kind::Inserted)
            c.before = std::string(before(*e));
        if (const auto now = current(e->row))
            c.after = std::string(*now);
        if (c.before != c.after)
            changes.push_back(std::move(c));
    }
    return changes;
}

} // namespace engine
