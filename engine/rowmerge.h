#pragma once

#include "journal.h"

#include <cstddef>
#include <functional>
#include <string_view>
#include <vector>

// Three-way merge of keyless rows: another side's rows (a table file saved elsewhere) and our
// changes since the common base. Rows are compared whole and merge as multisets: a change of
// ours applies where its old value is still there; the same row added or changed alike on both
// sides counts once; where the other side changed or deleted the row we changed, both versions
// are kept and counted as a conflict. Nothing of either side is lost.
namespace engine {

struct RowMergeStep {
    enum class Kind { Replace, Remove, Add };
    Kind kind;
    std::size_t row = 0;    // in theirs; Replace and Remove
    std::string_view value; // Replace and Add; points into ours
};

struct RowMerge {
    std::vector<RowMergeStep> steps; // Replace and Remove first, by row; then Add
    int applied = 0;                 // changes of ours that found their place
    int conflicts = 0;               // rows kept in both versions
};

// baseCount(value) tells how many rows held value at the base; it is asked only for values
// the other side may have added too.
RowMerge mergeRows(const std::vector<std::string_view>& theirs, const std::vector<RowChange>& ours,
                   const std::function<std::size_t(std::string_view)>& baseCount);

} // namespace engine
