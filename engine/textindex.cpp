#include "textindex.h"

#include "error.h"
#include "rowcodec.h"
#include "rowstore.h"

#include <algorithm>
#include <array>
#include <exception>
#include <functional>
#include <system_error>
#include <thread>

namespace engine {

namespace {

constexpr std::size_t kCodes = std::size_t{1} << TextIndex::kCodeBits;
constexpr std::uint32_t kCodeMask = static_cast<std::uint32_t>(kCodes - 1);
// Below this many rows a second thread costs more than it saves.
constexpr std::size_t kThreadedFrom = 65536;

// a-z and A-Z 0-25, digits 26-35, space 36, other ASCII 37-45, the bytes of multibyte
// characters 46-63.
constexpr std::array<std::uint8_t, 256> kClass = [] {
    std::array<std::uint8_t, 256> c{};
    for (int b = 0; b < 256; ++b) {
        if (b >= 'a' && b <= 'z')
            c[b] = static_cast<std::uint8_t>(b - 'a');
        else if (b >= 'A' && b <= 'Z')
            c[b] = static_cast<std::uint8_t>(b - 'A');
        else if (b >= '0' && b <= '9')
            c[b] = static_cast<std::uint8_t>(26 + b - '0');
        else if (b == ' ')
            c[b] = 36;
        else if (b < 0x80)
            c[b] = static_cast<std::uint8_t>(37 + b % 9);
        else
            c[b] = static_cast<std::uint8_t>(46 + b % 18);
    }
    return c;
}();

inline std::uint32_t classOf(char c) {
    return kClass[static_cast<unsigned char>(c)];
}

template <typename F> void forEachCode(std::string_view text, F&& f) {
    if (text.size() < TextIndex::kGram)
        return;
    std::uint32_t code = (classOf(text[0]) << 6) | classOf(text[1]);
    for (std::size_t at = 2; at < text.size(); ++at) {
        code = ((code << 6) | classOf(text[at])) & kCodeMask;
        f(code);
    }
}

// One half of the rows being indexed. Per code: the last row that gave it (a row's repeated
// runs count once) and how many entries the half gives it, then where it writes the next one;
// side by side, as both are wanted together.
struct Part {
    struct Slot {
        std::uint32_t seen = UINT32_MAX;
        std::uint32_t next = 0;
    };
    const std::uint32_t* begin;
    const std::uint32_t* end;
    std::vector<Slot> slots;
};

template <typename F> void eachCodeOnce(const RowStore& rows, Part& p, int field, F&& f) {
    for (Part::Slot& slot : p.slots)
        slot.seen = UINT32_MAX;
    for (const std::uint32_t* id = p.begin; id != p.end; ++id) {
        const rowcodec::Slice s = rowcodec::field(rows.row(*id), field);
        forEachCode(s.bytes, [&](std::uint32_t code) {
            Part::Slot& slot = p.slots[code];
            if (slot.seen != *id) {
                slot.seen = *id;
                f(slot, code, *id);
            }
        });
    }
}

// Runs a on this thread and b on another when asked and one can be had, else both here.
template <typename A, typename B> void runBoth(bool parallel, A&& a, B&& b) {
    if (!parallel) {
        a();
        b();
        return;
    }
    std::exception_ptr failure;
    std::thread other;
    try {
        other = std::thread([&] {
            try {
                b();
            } catch (...) {
                failure = std::current_exception();
            }
        });
    } catch (const std::system_error&) {
        b();
    }
    try {
        a();
    } catch (...) {
        if (other.joinable())
            other.join();
        throw;
    }
    if (other.joinable())
        other.join();
    if (failure)
        std::rethrow_exception(failure);
}

// Keeps in out only what other holds too; both ascending.
void intersectInto(std::vector<std::uint32_t>& out, const std::vector<std::uint32_t>& other) {
    std::size_t kept = 0;
    const std::size_t n = other.size();
    std::size_t lo = 0;
    if (n / 16 > out.size()) { // far longer: gallop through it
        for (std::uint32_t x : out) {
            std::size_t step = 1;
            while (lo + step < n && other[lo + step] < x)
                step *= 2;
            const auto first = other.begin() + static_cast<std::ptrdiff_t>(lo + step / 2);
            const auto last = other.begin() + static_cast<std::ptrdiff_t>(std::min(lo + step, n));
            lo = static_cast<std::size_t>(std::lower_bound(first, last, x) - other.begin());
            if (lo == n)
                break;
            if (other[lo] == x)
                out[kept++] = x;
        }
    } else {
        for (std::uint32_t x : out) {
            while (lo < n && other[lo] < x)
                ++lo;
            if (lo == n)
                break;
            if (other[lo] == x)
                out[kept++] = x;
        }
    }
    out.resize(kept);
}

} // namespace

TextIndex::TextIndex() : lists_(kCodes) {}

void TextIndex::build(const RowStore& rows, const std::vector<std::uint32_t>& ids, int field) {
    if (std::adjacent_find(ids.begin(), ids.end(), std::greater_equal<>()) != ids.end())
        throw Error("A text index needs its rows in ascending order");
    lists_.assign(kCodes, {});
    const bool parallel = ids.size() >= kThreadedFrom;
    const std::size_t half = parallel ? ids.size() / 2 : ids.size();
    Part a{ids.data(), ids.data() + half, {}};
    Part b{ids.data() + half, ids.data() + ids.size(), {}};
    auto count = [&](Part& p) {
        p.slots.assign(kCodes, {});
        eachCodeOnce(rows, p, field,
                     [](Part::Slot& slot, std::uint32_t, std::uint32_t) { ++slot.next; });
    };
    runBoth(
        parallel, [&] { count(a); }, [&] { count(b); });
    // The second half's ids are all larger: its entries follow the first half's in each list.
    for (std::size_t code = 0; code < kCodes; ++code) {
        const std::uint32_t inA = a.slots[code].next;
        if (inA + b.slots[code].next == 0)
            continue;
        lists_[code].resize(inA + b.slots[code].next);
        b.slots[code].next = inA;
        a.slots[code].next = 0;
    }
    auto fill = [&](Part& p) {
        eachCodeOnce(rows, p, field, [&](Part::Slot& slot, std::uint32_t code, std::uint32_t id) {
            lists_[code][slot.next++] = id;
        });
    };
    runBoth(
        parallel, [&] { fill(a); }, [&] { fill(b); });
}

void TextIndex::add(std::uint32_t row, std::string_view text) {
    forEachCode(text, [&](std::uint32_t code) {
        std::vector<std::uint32_t>& list = lists_[code];
        if (list.empty() || list.back() < row) {
            list.push_back(row);
            return;
        }
        const auto at = std::lower_bound(list.begin(), list.end(), row);
        if (*at != row)
            list.insert(at, row);
    });
}

std::optional<std::vector<std::uint32_t>> TextIndex::candidates(std::string_view needle) const {
    if (needle.size() < kGram)
        return std::nullopt;
    std::vector<std::uint32_t> codes;
    forEachCode(needle, [&](std::uint32_t code) { codes.push_back(code); });
    std::sort(codes.begin(), codes.end());
    codes.erase(std::unique(codes.begin(), codes.end()), codes.end());
    std::vector<const std::vector<std::uint32_t>*> lists;
    for (std::uint32_t code : codes)
        lists.push_back(&lists_[code]);
    std::sort(lists.begin(), lists.end(),
              [](const auto* x, const auto* y) { return x->size() < y->size(); });
    std::vector<std::uint32_t> out(*lists.front());
    for (std::size_t i = 1; i < lists.size() && !out.empty(); ++i)
        intersectInto(out, *lists[i]);
    return out;
}

} // namespace engine
