#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// One row's change between a table's base (its load or last save) and now. before is empty for a
// row new since the base, after for a row deleted since.
struct RowChange {
    std::optional<std::string> before;
    std::optional<std::string> after;
    std::uint32_t row = 0; // the table's id of the row, for a journal that goes on after this
};

// Told of every posted change of a table's rows as it is made (a journal on disk, say). A load,
// a merge or a takeOver is not told: whoever keeps the sink writes its record anew then.
class ChangeSink {
public:
    virtual ~ChangeSink() = default;
    // before is empty for a new row, after for a deleted one; the views last only for the call.
    virtual void changed(std::uint32_t row, std::optional<std::string_view> before,
                         std::optional<std::string_view> after) = 0;
    // What was told so far is one whole change (a post, a delete, a bulk load).
    virtual void flush() = 0;
};

// What a table's rows went through since its base, one entry per posted change, oldest first.
// It keeps only what the table no longer holds: a new row is known by its id, an edited or
// deleted row by the value it had before, so its memory follows what changed.
class Journal {
public:
    enum class Kind : std::uint8_t { Inserted, Edited, Deleted };
    struct Entry {
        Kind kind;
        std::uint32_t row;
        std::uint32_t before; // into befores(); unused for Inserted
    };

    void inserted(std::uint32_t row) { entries_.push_back({Kind::Inserted, row, 0}); }
    void edited(std::uint32_t row, std::string_view before) { keep(Kind::Edited, row, before); }
    void deleted(std::uint32_t row, std::string_view before) { keep(Kind::Deleted, row, before); }
    // And gives the memory back (an import may be large); the entries before are gone for good.
    void clear() {
        const std::uint64_t cleared = cleared_;
        *this = Journal();
        cleared_ = cleared + 1;
    }
    // Changes whenever the entries start again, so positions taken before mean nothing.
    std::uint64_t epoch() const { return cleared_; }
    bool empty() const { return entries_.empty(); }
    const std::vector<Entry>& entries() const { return entries_; }
    std::string_view before(const Entry& e) const { return befores_[e.before]; }
    std::size_t bytes() const; // what the entries and the values kept take

    // The net change of every row touched, in the order first touched; rows that came back to
    // their base value, and rows both added and deleted, are left out. current gives a row's
    // value now, nothing for a deleted one.
    std::vector<RowChange>
    netChanges(const std::function<std::optional<std::string_view>(std::uint32_t)>& current) const;

private:
    void keep(Kind kind, std::uint32_t row, std::string_view before) {
        entries_.push_back({kind, row, static_cast<std::uint32_t>(befores_.size())});
        befores_.emplace_back(before);
    }

    std::vector<Entry> entries_; // small: a big import adds millions
    std::vector<std::string> befores_;
    std::uint64_t cleared_ = 0;
};

} // namespace engine
