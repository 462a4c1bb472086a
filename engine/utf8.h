#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// UTF-8 helpers that never fail: a byte that does not start a valid sequence counts as one
// character of its own (code point 0xDC00 + byte), so damaged text still sorts and cuts safely.
namespace engine::utf8 {

// Decodes one character at p (p < end) and advances p past it.
char32_t decode(const char*& p, const char* end);

void append(std::string& out, char32_t cp);

int charCount(std::string_view s);

bool isValid(std::string_view s);

// The first n characters of s.
std::string_view cutToChars(std::string_view s, int n);

// Lower-case partner of a letter (Latin, Greek, Cyrillic); other characters are returned as they
// are.
char32_t foldCase(char32_t cp);

// Three-way comparison of the case-folded characters of a and b, in code point order.
int compareFolded(std::string_view a, std::string_view b);

// Whether the case-folded s begins with the case-folded prefix.
bool startsWithFolded(std::string_view s, std::string_view prefix);

// Appends the case-folded text as bytes that compare (as unsigned bytes) in the order of
// compareFolded, followed by a terminator, so keys of several fields can be concatenated.
void appendFoldedKey(std::string& out, std::string_view s);

} // namespace engine::utf8
