#include "collation.h"

#include "error.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <cstdlib>
#include <memory>
#include <vector>

namespace engine::collation {

namespace {

struct CollatorDeleter {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using Collator = std::unique_ptr<UCollator, CollatorDeleter>;

struct State {
    std::string locale;
    Collator collator;
};

Collator openCollator(const std::string& locale) {
    UErrorCode status = U_ZERO_ERROR;
    Collator c(ucol_open(locale.c_str(), &status));
    if (U_FAILURE(status))
        throw Error("Cannot open the collation for locale '" + locale +
                    "': " + u_errorName(status));
    // Secondary strength: accents count, letter case does not.
    ucol_setStrength(c.get(), UCOL_SECONDARY);
    return c;
}

State& state() {
    static State s = [] {
        State fresh;
        fresh.locale = localeFromEnvironment();
        fresh.collator = openCollator(fresh.locale);
        return fresh;
    }();
    return s;
}

// UTF-16 for the collator, with damaged sequences as U+FFFD; the buffer is reused.
std::u16string_view toUtf16(std::string_view s, std::vector<UChar>& buffer) {
    if (buffer.size() < s.size() + 1)
        buffer.resize(s.size() + 1);
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8WithSub(buffer.data(), static_cast<int32_t>(buffer.size()), &length, s.data(),
                         static_cast<int32_t>(s.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) // cannot happen: UTF-16 never needs more units than UTF-8 has bytes
        length = 0;
    return {buffer.data(), static_cast<std::size_t>(length)};
}

} // namespace

std::string localeFromEnvironment() {
    std::string name;
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const char* value = std::getenv(variable);
        if (value && *value) {
            name = value;
            break;
        }
    }
    name = name.substr(0, name.find_first_of(".@"));
    return name == "C" || name == "POSIX" ? std::string() : name;
}

void setLocale(const std::string& locale) {
    State& s = state();
    s.collator = openCollator(locale);
    s.locale = locale;
}

std::string locale() {
    return state().locale;
}

int compare(std::string_view a, std::string_view b) {
    if (a == b) // keys often share a field (an artist's releases); no collator needed
        return 0;
    // The collator reads UTF-8 itself, damaged sequences as U+FFFD, as toUtf16 makes them.
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r =
        ucol_strcollUTF8(state().collator.get(), a.data(), static_cast<int32_t>(a.size()), b.data(),
                         static_cast<int32_t>(b.size()), &status);
    if (U_FAILURE(status))
        throw Error(std::string("Text cannot be compared: ") + u_errorName(status));
    return r == UCOL_LESS ? -1 : (r == UCOL_GREATER ? 1 : 0);
}

void appendSortKey(std::string& out, std::string_view s) {
    thread_local std::vector<UChar> buffer;
    const std::u16string_view u = toUtf16(s, buffer);
    const std::size_t start = out.size();
    std::size_t room = 4 * u.size() + 16;
    while (true) {
        out.resize(start + room);
        const int32_t n = ucol_getSortKey(
            state().collator.get(), u.data(), static_cast<int32_t>(u.size()),
            reinterpret_cast<uint8_t*>(out.data() + start), static_cast<int32_t>(room));
        if (n > 0 && static_cast<std::size_t>(n) <= room) {
            out.resize(start + static_cast<std::size_t>(n)); // n counts the closing zero
            return;
        }
        room = n > 0 ? static_cast<std::size_t>(n) : 2 * room;
    }
}

} // namespace engine::collation
