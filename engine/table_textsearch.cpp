// Contains-searches in the view through per-field text indices.
#include "table.h"

#include "textindex.h"

#include <algorithm>

namespace engine {

TextIndex& Table::textIndex(int field) {
    std::unique_ptr<TextIndex>& index = textIndices_[field];
    if (!index) {
        auto built = std::make_unique<TextIndex>();
        built->build(rows_, std::vector<std::uint32_t>(natural_.begin(), natural_.end()), field);
        index = std::move(built);
    }
    return *index;
}

void Table::updateTextIndices(std::uint32_t id, std::string_view blob,
                              const std::string_view* previous) {
    for (const auto& [field, index] : textIndices_) {
        const rowcodec::Slice text = rowcodec::field(blob, field);
        if (previous && rowcodec::field(*previous, field).bytes == text.bytes)
            continue;
        index->add(id, text.bytes);
    }
}

void Table::prepareTextSearch(int field) {
    requireOpen();
    requireField(field);
    if (fields_[static_cast<std::size_t>(field)].type == FieldType::String)
        textIndex(field);
}

std::optional<int> Table::findInView(int field, std::string_view needle, int from, int to,
                                     const std::function<bool(std::string_view)>& accept) {
    requireOpen();
    requireField(field);
    if (fields_[static_cast<std::size_t>(field)].type != FieldType::String ||
        needle.size() < TextIndex::kGram)
        return std::nullopt;
    const std::optional<std::vector<std::uint32_t>> found = textIndex(field).candidates(needle);
    if (!found)
        return std::nullopt;
    from = std::max(from, 0);
    to = std::min(to, viewSize());
    if (found->empty() || from >= to)
        return -1;
    // Marking the candidates lets the view be walked by row id alone: no other row is read.
    std::vector<std::uint64_t> marked((rows_.slotCount() + 63) / 64);
    for (std::uint32_t row : *found)
        if (row < rows_.slotCount())
            marked[row >> 6] |= std::uint64_t{1} << (row & 63);
    int at = -1;
    int p = from;
    view_->forEach(static_cast<std::size_t>(from), static_cast<std::size_t>(to),
                   [&](std::uint32_t row) {
                       if (((marked[row >> 6] >> (row & 63)) & 1) &&
                           accept(rowcodec::field(rows_.row(row), field).bytes)) {
                           at = p;
                           return false;
                       }
                       ++p;
                       return true;
                   });
    return at;
}

} // namespace engine
