#pragma once

#include "engine/table.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Changes of many rows at once: one field of chosen releases, or a name wherever it stands.
namespace history {

// A field of a release that can be set on many at once, with the caption the user knows it by.
struct SettableField {
    const char* field;
    const char* caption;
};
const std::vector<SettableField>& settableFields();

// Sets field of the rows (ids of releases) to text, as typing it would store it. Returns how
// many rows it changes (those already holding it do not count); a dry run changes nothing.
// Raises, changing nothing, on a field that is not settable or a text the field cannot hold.
int setField(engine::Table& releases, const std::vector<std::uint32_t>& rows,
             std::string_view field, std::string_view text, bool dryRun = false);

// The kinds of name that can be replaced, each with where it stands.
struct NameKind {
    const char* key;     // "artist", ... (the command line's word)
    const char* caption; // what the user sees
    std::vector<std::pair<const char*, const char*>> places; // table, field
};
const std::vector<NameKind>& nameKinds();
const NameKind& nameKind(std::string_view key); // raises for an unknown one

struct RenameCount {
    int rows = 0;                                     // rows changed
    std::vector<std::pair<std::string, int>> byTable; // in the order of the kind's places
};
// Replaces from, as a whole value with letter case aside, by to wherever the kind of name
// stands; a genre list left with two equal rows keeps one. Returns the rows it changes.
using Tables = std::function<engine::Table&(std::string_view name)>;
RenameCount renameName(const Tables& tables, const NameKind& kind, std::string_view from,
                       std::string_view to, bool dryRun = false);

// Whole values equal when letter case is set aside.
bool sameName(std::string_view a, std::string_view b);

} // namespace history
