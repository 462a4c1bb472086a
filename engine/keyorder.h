#pragma once

#include "field.h"
#include "rowcodec.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace engine {

// Ordering of rows by a list of key fields: text by the collation (an empty text equals no
// value), numbers by value with no value first.
class KeyOrder {
public:
    KeyOrder() = default;
    KeyOrder(std::vector<int> fields, const std::vector<FieldDef>& defs);

    const std::vector<int>& fields() const { return fields_; }
    bool empty() const { return fields_.empty(); }

    int compare(std::string_view blobA, std::string_view blobB) const;
    // Compares only the first key field of a row with a payload of that field's type.
    int compareFirst(std::string_view blob, const rowcodec::Slice& value) const;
    // Appends the row's key as bytes that compare like compare() does.
    void appendSortKey(std::string& out, std::string_view blob) const;
    // Whether every field of this order is also, in turn, a field of other after its first.
    bool continuesWith(const KeyOrder& other) const;

    static int compareSlices(FieldType type, const rowcodec::Slice& a, const rowcodec::Slice& b);

private:
    std::vector<int> fields_;
    std::vector<FieldType> types_;
};

} // namespace engine
