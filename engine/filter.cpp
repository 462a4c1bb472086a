#include "filter.h"

#include "error.h"

#include <charconv>
#include <cmath>

namespace engine {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool isNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
           static_cast<unsigned char>(c) >= 0x80;
}

[[noreturn]] void invalid(std::string_view expression, const std::string& why) {
    throw Error("Invalid filter expression \"" + std::string(expression) + "\": " + why);
}

} // namespace

int findField(const std::vector<FieldDef>& fields, std::string_view name) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const std::string& n = fields[i].name;
        if (n.size() != name.size())
            continue;
        bool same = true;
        for (std::size_t k = 0; k < n.size() && same; ++k) {
            auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
            same = up(n[k]) == up(name[k]);
        }
        if (same)
            return static_cast<int>(i);
    }
    return -1;
}

bool parseInteger(std::string_view text, std::int32_t& out) {
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

bool parseCurrency(std::string_view text, double& out) {
    text = trim(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty())
        return false;
    std::string s(text);
    for (char& c : s)
        if (c == ',')
            c = '.'; // the decimal comma of Nordic input
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), out);
    return ec == std::errc() && end == s.data() + s.size() && std::isfinite(out);
}

bool equalsCondition(int field, const FieldDef& def, std::string_view value, Condition& out) {
    out = Condition{};
    out.field = field;
    if (isTextType(def.type)) {
        out.kind = value.empty() ? Condition::Kind::IsEmpty : Condition::Kind::Equals;
        out.payload = std::string(value);
        return true;
    }
    if (value.empty()) {
        out.kind = Condition::Kind::IsEmpty;
        return true;
    }
    if (isIntegerType(def.type)) {
        std::int32_t v = 0;
        if (!parseInteger(value, v))
            return false;
        out.payload = rowcodec::intPayload(v);
        return true;
    }
    double d = 0;
    if (!parseCurrency(value, d))
        return false;
    out.payload = rowcodec::doublePayload(d);
    return true;
}

std::optional<Condition> parseFilter(std::string_view expression,
                                     const std::vector<FieldDef>& fields) {
    const std::string_view text = trim(expression);
    if (text.empty())
        return std::nullopt;
    std::size_t i = 0;
    while (i < text.size() && isNameChar(text[i]))
        ++i;
    const std::string_view name = text.substr(0, i);
    if (name.empty())
        invalid(expression, "a field name is expected at the start");
    const int field = findField(fields, name);
    if (field < 0)
        throw Error("Field '" + std::string(name) + "' not found");
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '=')
        invalid(expression, "\"=\" is expected after the field name");
    ++i;
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '\'')
        invalid(expression, "the value must stand between single quotes");
    ++i;
    std::string literal;
    bool closed = false;
    while (i < text.size()) {
        const char c = text[i++];
        if (c != '\'') {
            literal += c;
            continue;
        }
        if (i < text.size() && text[i] == '\'') { // a doubled quote stands for one
            literal += '\'';
            ++i;
            continue;
        }
        closed = true;
        break;
    }
    if (!closed)
        invalid(expression, "the closing quote is missing");
    if (i != text.size())
        invalid(expression, "unexpected text after the closing quote");

    const FieldDef& def = fields[static_cast<std::size_t>(field)];
    Condition c;
    if (isTextType(def.type) && literal.size() > 1 && literal.back() == '*') {
        c.field = field;
        c.kind = Condition::Kind::Prefix;
        c.payload = literal.substr(0, literal.size() - 1);
        return c;
    }
    if (!equalsCondition(field, def, literal, c)) {
        if (isIntegerType(def.type))
            throw Error("'" + literal + "' is not a valid integer value");
        throw Error("'" + literal + "' is not a valid floating point value");
    }
    return c;
}

bool Condition::matches(std::string_view rowBlob) const {
    const rowcodec::Slice s = rowcodec::field(rowBlob, field);
    switch (kind) {
    case Kind::IsEmpty:
        return s.null || s.bytes.empty();
    case Kind::Prefix:
        return !s.null && s.bytes.starts_with(payload);
    case Kind::Equals:
        return !s.null && s.bytes == payload;
    }
    return false;
}

} // namespace engine
