#pragma once

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Counting over millions of rows: a cheap 64-bit hash of bytes, a table giving each distinct
// text a number (the counts then live in plain vectors), and a set of hashes for counting
// distinct texts without keeping them.
namespace stats {

inline std::uint64_t hashBytes(std::string_view s) {
    // Fixed-size loads only (a copy of a varying length is a library call); the tail is read
    // overlapping what went before, the length being in the seed.
    const auto load = [](const char* p, auto word) {
        decltype(word) w;
        std::memcpy(&w, p, sizeof w);
        return static_cast<std::uint64_t>(w);
    };
    const char* p = s.data();
    std::size_t n = s.size();
    std::uint64_t h = 0x9E3779B97F4A7C15ull ^ (n * 0xC2B2AE3D27D4EB4Full);
    std::uint64_t tail = 0;
    if (n >= 8) {
        for (; n > 8; p += 8, n -= 8) {
            h = (h ^ load(p, std::uint64_t{})) * 0xFF51AFD7ED558CCDull;
            h ^= h >> 32;
        }
        tail = load(p + n - 8, std::uint64_t{});
    } else if (n >= 4) {
        tail = load(p, std::uint32_t{}) | load(p + n - 4, std::uint32_t{}) << 32;
    } else if (n > 0) {
        tail = static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[n / 2]) << 8 |
               static_cast<unsigned char>(p[n - 1]) << 16;
    }
    h = (h ^ tail) * 0xC4CEB9FE1A85EC53ull;
    return h ^ (h >> 29);
}

// Each distinct text its number, from 0 in order of first sight. The texts are copied side by
// side, where comparing with them stays in the cache.
class Interner {
public:
    std::uint32_t intern(std::string_view text) { return intern(text, hashBytes(text)); }
    std::uint32_t intern(std::string_view text, std::uint64_t hash); // hash: hashBytes(text)
    std::optional<std::uint32_t> find(std::string_view text) const;
    std::uint32_t size() const { return static_cast<std::uint32_t>(starts_.size() - 1); }
    std::string_view text(std::uint32_t number) const {
        return std::string_view(texts_).substr(starts_[number],
                                               starts_[number + 1] - starts_[number]);
    }

private:
    void grow();
    std::size_t slotOf(std::string_view text, std::uint64_t hash) const; // its, or a free one
    struct Slot {
        std::uint64_t hash = 0;
        std::uint32_t number = UINT32_MAX; // none
    };
    std::vector<Slot> slots_ = std::vector<Slot>(64);
    std::string texts_;
    std::vector<std::size_t> starts_{0};
};

// Which 64-bit hashes were seen: the low bits choose the slot, the high 32 are kept. Two hashes
// are taken for one only when they share those 32 bits and meet while probing; over a million
// rows that happens about once in a few thousand counts, which a chart can bear, and it keeps
// the set small enough to stay in the cache. It cannot grow (the bits that placed a print are
// gone), so it is made for the most it may ever hold. Two threads may insert at once.
class SeenSet {
public:
    explicit SeenSet(std::size_t most);
    bool insert(std::uint64_t hash); // true when it was not there
    bool contains(std::uint64_t hash) const;
    // For scans that know which hash comes next: its slot fetched while the row is read.
    void prefetch(std::uint64_t hash) const { __builtin_prefetch(&slots_[hash & mask_]); }

private:
    static std::uint32_t print(std::uint64_t hash) {
        return static_cast<std::uint32_t>(hash >> 32) | 1; // 0 marks a free slot
    }
    std::vector<std::uint32_t> slots_;
    std::size_t mask_ = 0;
};

} // namespace stats
