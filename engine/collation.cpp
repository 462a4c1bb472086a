#include "collation.h"

#include "error.h"

#include <unicode/ucol.h>
#include <unicode/ustring.h>

#include <atomic>
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
    std::atomic<std::uint64_t> generation{1}; // changes with the locale
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
    static State s;
    static const bool opened = [] {
        s.locale = localeFromEnvironment();
        s.collator = openCollator(s.locale);
        return true;
    }();
    (void)opened;
    return s;
}

// Each thread compares with its own copy of the collator (tables load on several threads), made
// again when the locale changes.
UCollator* collator() {
    thread_local Collator copy;
    thread_local std::uint64_t copied = 0;
    State& s = state();
    const std::uint64_t now = s.generation.load(std::memory_order_acquire);
    if (copied != now) {
        UErrorCode status = U_ZERO_ERROR;
        Collator fresh(ucol_clone(s.collator.get(), &status));
        if (U_FAILURE(status))
            throw Error(std::string("Cannot copy the collation: ") + u_errorName(status));
        copy = std::move(fresh);
        copied = now;
    }
    return copy.get();
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
    s.generation.fetch_add(1, std::memory_order_release);
}

std::string locale() {
    return state().locale;
}

std::string identity() {
    UVersionInfo version{};
    ucol_getVersion(collator(), version);
    std::string id = state().locale + "/";
    for (int i = 0; i < U_MAX_VERSION_LENGTH; ++i) {
        if (i > 0)
            id += '.';
        id += std::to_string(version[i]);
    }
    return id;
}

int compare(std::string_view a, std::string_view b) {
    if (a == b) // keys often share a field (an artist's releases); no collator needed
        return 0;
    // The collator reads UTF-8 itself, damaged sequences as U+FFFD, as toUtf16 makes them.
    UErrorCode status = U_ZERO_ERROR;
    const UCollationResult r =
        ucol_strcollUTF8(collator(), a.data(), static_cast<int32_t>(a.size()), b.data(),
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
        const int32_t n = ucol_getSortKey(collator(), u.data(), static_cast<int32_t>(u.size()),
                                          reinterpret_cast<uint8_t*>(out.data() + start),
                                          static_cast<int32_t>(room));
        if (n > 0 && static_cast<std::size_t>(n) <= room) {
            out.resize(start + static_cast<std::size_t>(n)); // n counts the closing zero
            return;
        }
        room = n > 0 ? static_cast<std::size_t>(n) : 2 * room;
    }
}

} // namespace engine::collation
