#include "utf8.h"

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
    const char* p = s.data();
    const char* end = p + s.size();
    for (int i = 0; i < n && p < end; ++i)
        decode(p, end);
    return s.substr(0, static_cast<std::size_t>(p - s.data()));
}

char32_t foldCase(char32_t cp) {
    if (cp < 0x80)
        return (cp >= 'A' && cp <= 'Z') ? cp + 32 : cp;
    if (cp < 0xC0)
        return cp;
    if (cp <= 0xDE)
        return cp == 0xD7 ? cp : cp + 32; // À..Þ except ×
    if (cp < 0x100)
        return cp;
    if (cp < 0x180) { // Latin Extended-A: mostly upper/lower pairs
        if (cp == 0x130)
            return 'i';
        if (cp == 0x178)
            return 0xFF;
        if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E))
            return (cp & 1) ? cp + 1 : cp;
        if (cp == 0x131 || cp == 0x138 || cp == 0x149 || cp == 0x17F)
            return cp;
        return (cp & 1) ? cp : cp + 1;
    }
    if (cp >= 0x391 && cp <= 0x3AB && cp != 0x3A2)
        return cp + 32; // Greek
    if (cp >= 0x410 && cp <= 0x42F)
        return cp + 32; // Cyrillic
    if (cp >= 0x400 && cp <= 0x40F)
        return cp + 80;
    return cp;
}

int compareFolded(std::string_view a, std::string_view b) {
    const char* pa = a.data();
    const char* ea = pa + a.size();
    const char* pb = b.data();
    const char* eb = pb + b.size();
    while (pa < ea && pb < eb) {
        const auto ca = static_cast<unsigned char>(*pa);
        const auto cb = static_cast<unsigned char>(*pb);
        if ((ca | cb) < 0x80) { // both ASCII: the common case
            const int fa = (ca >= 'A' && ca <= 'Z') ? ca + 32 : ca;
            const int fb = (cb >= 'A' && cb <= 'Z') ? cb + 32 : cb;
            if (fa != fb)
                return fa < fb ? -1 : 1;
            ++pa, ++pb;
            continue;
        }
        const char32_t fa = foldCase(decode(pa, ea));
        const char32_t fb = foldCase(decode(pb, eb));
        if (fa != fb)
            return fa < fb ? -1 : 1;
    }
    if (pa < ea)
        return 1;
    if (pb < eb)
        return -1;
    return 0;
}

bool startsWithFolded(std::string_view s, std::string_view prefix) {
    const char* ps = s.data();
    const char* es = ps + s.size();
    const char* pp = prefix.data();
    const char* ep = pp + prefix.size();
    while (pp < ep) {
        if (ps >= es)
            return false;
        if (foldCase(decode(ps, es)) != foldCase(decode(pp, ep)))
            return false;
    }
    return true;
}

void appendFoldedKey(std::string& out, std::string_view s) {
    // UTF-8 keeps code point order; a zero byte is escaped so the terminator sorts first.
    const char* p = s.data();
    const char* end = p + s.size();
    while (p < end) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x80) {
            ++p;
            if (c == 0)
                out += std::string_view("\0\xFF", 2);
            else
                out += static_cast<char>((c >= 'A' && c <= 'Z') ? c + 32 : c);
            continue;
        }
        append(out, foldCase(decode(p, end)));
    }
    out += std::string_view("\0\0", 2);
}

} // namespace engine::utf8
