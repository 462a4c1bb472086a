#include "keyorder.h"

#include "collation.h"

#include <algorithm>
#include <bit>
#include <compare>

namespace engine {

KeyOrder::KeyOrder(std::vector<int> fields, const std::vector<FieldDef>& defs)
    : fields_(std::move(fields)) {
    for (int f : fields_)
        types_.push_back(defs[static_cast<std::size_t>(f)].type);
}

int KeyOrder::compareSlices(FieldType type, const rowcodec::Slice& a, const rowcodec::Slice& b) {
    if (isTextType(type))
        return collation::compare(a.bytes, b.bytes);
    if (a.null || b.null)
        return a.null == b.null ? 0 : (a.null ? -1 : 1);
    if (isIntegerType(type)) {
        const auto x = rowcodec::intFromPayload(a.bytes);
        const auto y = rowcodec::intFromPayload(b.bytes);
        return x < y ? -1 : (y < x ? 1 : 0);
    }
    // A total order, so that even odd values from a file cannot upset sorting.
    const auto o = std::strong_order(rowcodec::doubleFromPayload(a.bytes),
                                     rowcodec::doubleFromPayload(b.bytes));
    return o < 0 ? -1 : (o > 0 ? 1 : 0);
}

int KeyOrder::compare(std::string_view blobA, std::string_view blobB) const {
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        const int c = compareSlices(types_[k], rowcodec::field(blobA, fields_[k]),
                                    rowcodec::field(blobB, fields_[k]));
        if (c != 0)
            return c;
    }
    return 0;
}

int KeyOrder::compareFirst(std::string_view blob, const rowcodec::Slice& value) const {
    return compareSlices(types_[0], rowcodec::field(blob, fields_[0]), value);
}

void KeyOrder::appendSortKey(std::string& out, std::string_view blob) const {
    for (std::size_t k = 0; k < fields_.size(); ++k) {
        const rowcodec::Slice s = rowcodec::field(blob, fields_[k]);
        if (isTextType(types_[k])) {
            collation::appendSortKey(out, s.bytes);
            continue;
        }
        if (s.null) { // no value sorts first
            out += '\0';
            continue;
        }
        out += '\1';
        std::uint64_t bits = 0;
        int bytes = 8;
        if (isIntegerType(types_[k])) {
            bits = static_cast<std::uint32_t>(rowcodec::intFromPayload(s.bytes)) ^ 0x80000000U;
            bytes = 4;
        } else { // the IEEE total order as unsigned bits
            bits = std::bit_cast<std::uint64_t>(rowcodec::doubleFromPayload(s.bytes));
            bits = (bits & (1ULL << 63)) ? ~bits : bits | (1ULL << 63);
        }
        for (int i = bytes - 1; i >= 0; --i)
            out += static_cast<char>((bits >> (8 * i)) & 0xFF);
    }
}

bool KeyOrder::continuesWith(const KeyOrder& other) const {
    return fields_.size() == other.fields_.size() + 1 &&
           std::equal(other.fields_.begin(), other.fields_.end(), fields_.begin() + 1);
}

} // namespace engine
