#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace benchutil {

// splitmix64: tiny, fast and the same on every platform (std distributions are not), so a seed
// gives the same run everywhere.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9e3779b97f4a7c15ULL);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
        return z ^ (z >> 31);
    }
    // 0 <= result < n
    std::size_t below(std::size_t n) {
        return static_cast<std::size_t>((static_cast<unsigned __int128>(next()) * n) >> 64);
    }
    int index(int n) { return static_cast<int>(below(static_cast<std::size_t>(n))); }
    int between(int lo, int hi) { return lo + index(hi - lo + 1); }
    bool percent(int p) { return index(100) < p; }
    // Favours the front of a pool, as a real collection favours some artists and genres.
    std::size_t skewed(std::size_t n) {
        const std::size_t a = below(n), b = below(n);
        return a < b ? a : b;
    }
    const char* pick(std::span<const char* const> pool) { return pool[below(pool.size())]; }

private:
    std::uint64_t state_;
};

} // namespace benchutil
