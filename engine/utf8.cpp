#include "utf8.h"

#include <algorithm>

namespace engine::utf8 {

namespace {

constexpr char32_t kInvalidBase = 0xDC00;

inline bool isContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

char32_t decode(const char*& p, const char* end) {
    const auto c0 = static_cast<unsigned char>(*p);
    if (c0 < 0x80) {
        ++p;
        return c0;
    }
    int len = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((c0 & 0xE0) == 0xC0) {
        len = 2, cp = c0 & 0x1F, min = 0x80;
    } else if ((c0 & 0xF0) == 0xE0) {
        len = 3, cp = c0 & 0x0F, min = 0x800;
    } else if ((c0 & 0xF8) == 0xF0) {
        len = 4, cp = c0 & 0x07, min = 0x10000;
    }
    if (len == 0 || end - p < len) {
        ++p;
        return kInvalidBase + c0;
    }
    for (int i = 1; i < len; ++i) {
        const auto c = static_cast<unsigned char>(p[i]);
        if (!isContinuation(c)) {
            ++p;
            return kInvalidBase + c0;
        }
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++p;
        return kInvalidBase + c0;
    }
    p += len;
    return cp;
}

void append(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

int charCount(std::string_view s) {
    int n = 0;
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end) {
        decode(p, end);
        ++n;
    }
    return n;
}

bool isValid(std::string_view s) {
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end) {
        const char32_t cp = decode(p, end);
        if (cp >= kInvalidBase && cp <= kInvalidBase + 0xFF)
            return false;
    }
    return true;
}

std::string_view cutToChars(std::string_view s, int n) {
    if (s.size() <= static_cast<std::size_t>(std::max(n, 0)))
        return s; // no more characters than bytes
    const char* p = s.data();
    const char* end = p + s.size();
    for (int i = 0; i < n && p < end; ++i)
        decode(p, end);
    return s.substr(0, static_cast<std::size_t>(p - s.data()));
}

} // namespace engine::utf8
