#pragma once

#include "field.h"
#include "rowcodec.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// One comparison `Field = 'literal'` of a filter expression. Inside the literal a quote is
// written twice. Comparison is case-sensitive on the whole value; a text literal ending in
// "*" after at least one other character compares only the text before the star.
struct Condition {
    enum class Kind { Equals, Prefix, IsEmpty };
    int field = -1;
    Kind kind = Kind::Equals;
    std::string payload; // text, or the encoded integer / currency value

    bool matches(std::string_view rowBlob) const;
};

// An empty (blank) expression gives no condition: every row passes. Raises Error with a clear
// message for anything else that is not one well-formed comparison.
std::optional<Condition> parseFilter(std::string_view expression,
                                     const std::vector<FieldDef>& fields);

// The condition `field = value` for a value given as text, without the star rule.
// Returns false when the value cannot be held by the field (then nothing can match).
bool equalsCondition(int field, const FieldDef& def, std::string_view value, Condition& out);

// Case-insensitive field lookup; -1 when there is none.
int findField(const std::vector<FieldDef>& fields, std::string_view name);

// Text to a 32-bit integer: optional blanks and sign, decimal digits. False when invalid.
bool parseInteger(std::string_view text, std::int32_t& out);
bool parseCurrency(std::string_view text, double& out);

} // namespace engine
