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

} // namespace engine::utf8
