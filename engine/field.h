#pragma once

#include <string>
#include <vector>

namespace engine {

enum class FieldType : unsigned char {
    String = 1,   // UTF-8 text of at most `size` characters
    Integer = 2,  // 32-bit signed
    AutoInc = 3,  // 32-bit signed; given the next number on post when left empty
    Currency = 4, // double
    Memo = 5,     // UTF-8 text of any length
};

struct FieldDef {
    std::string name;
    FieldType type = FieldType::String;
    int size = 0; // characters for String; kept as declared for the others
};

inline bool isTextType(FieldType t) {
    return t == FieldType::String || t == FieldType::Memo;
}
inline bool isIntegerType(FieldType t) {
    return t == FieldType::Integer || t == FieldType::AutoInc;
}

// Same names, types and sizes in the same order: the same table's fields.
inline bool sameFields(const std::vector<FieldDef>& a, const std::vector<FieldDef>& b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].type != b[i].type || a[i].size != b[i].size)
            return false;
    return true;
}

// Payload size in bytes for fixed-size types, 0 for text.
inline int fixedPayloadSize(FieldType t) {
    return isIntegerType(t) ? 4 : t == FieldType::Currency ? 8 : 0;
}

} // namespace engine
