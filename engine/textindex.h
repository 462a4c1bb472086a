#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace engine {

class RowStore;

// The rows of one text field by the three-byte runs their text holds, for contains-searches.
// Bytes are first put in 64 classes (a-z with A-Z, digits, space, the rest shared), so a run
// is an 18-bit code and one index serves case-sensitive and a-z-folded searches alike. The
// classes lose detail: a row found is a candidate, to be checked against its text.
//
// Every list holds row ids ascending, each once. Entries of edited and deleted rows may stay
// behind; they only add candidates that fail the check or are no longer stored.
class TextIndex {
public:
    static constexpr std::size_t kGram = 3;
    static constexpr int kCodeBits = 18;

    TextIndex();

    // The field's text of the given rows; ids must be ascending.
    void build(const RowStore& rows, const std::vector<std::uint32_t>& ids, int field);

    // A new row's text, or an edited row's new text (its old entries may stay).
    void add(std::uint32_t row, std::string_view text);

    // Rows whose text may hold needle, ascending; nullopt when the needle is shorter than a run
    // and so narrows nothing.
    std::optional<std::vector<std::uint32_t>> candidates(std::string_view needle) const;

private:
    std::vector<std::vector<std::uint32_t>> lists_; // by code
};

} // namespace engine
