#include "checksum.h"

#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <nmmintrin.h>
#endif

namespace engine {

namespace {

using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables makeTables() {
    Tables t{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t c = i;
        for (int k = 0; k < 8; ++k)
            c = (c & 1) ? (c >> 1) ^ 0x82F63B78U : c >> 1;
        t[0][i] = c;
    }
    for (std::size_t k = 1; k < 8; ++k)
        for (std::size_t i = 0; i < 256; ++i)
            t[k][i] = (t[k - 1][i] >> 8) ^ t[0][t[k - 1][i] & 0xFF];
    return t;
}

constexpr Tables kTables = makeTables();

inline std::uint32_t byteAt(const unsigned char* p, int i) {
    return p[i];
}

// Slicing-by-8: about a byte per cycle.
std::uint32_t crc32cTables(std::string_view bytes, std::uint32_t crc) {
    auto p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size();
    crc = ~crc;
    while (n >= 8) {
        const std::uint32_t lo =
            crc ^ (byteAt(p, 0) | byteAt(p, 1) << 8 | byteAt(p, 2) << 16 | byteAt(p, 3) << 24);
        crc = kTables[7][lo & 0xFF] ^ kTables[6][(lo >> 8) & 0xFF] ^ kTables[5][(lo >> 16) & 0xFF] ^
              kTables[4][lo >> 24] ^ kTables[3][p[4]] ^ kTables[2][p[5]] ^ kTables[1][p[6]] ^
              kTables[0][p[7]];
        p += 8;
        n -= 8;
    }
    while (n--)
        crc = kTables[0][(crc ^ *p++) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

#if defined(__x86_64__)
// The processor's CRC-32C instruction, eight bytes at a time. Each takes a few cycles before the
// next can use its result, so large inputs run three stripes side by side and join their CRCs:
// the register after a stripe and then L more bytes is the register moved over L zero bytes,
// xor the CRC of those bytes from zero; moving over zeros is linear, so it is a table lookup.
constexpr std::size_t kStripe = 4096;

__attribute__((target("sse4.2"))) std::uint64_t word(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}

using ShiftTables = std::array<std::array<std::uint32_t, 256>, 4>;

__attribute__((target("sse4.2"))) ShiftTables makeStripeShift() {
    std::array<std::uint32_t, 32> bit{};
    for (int j = 0; j < 32; ++j) {
        std::uint64_t c = std::uint32_t{1} << j;
        for (std::size_t i = 0; i < kStripe; i += 8)
            c = _mm_crc32_u64(c, 0);
        bit[static_cast<std::size_t>(j)] = static_cast<std::uint32_t>(c);
    }
    ShiftTables t{};
    for (std::size_t k = 0; k < 4; ++k)
        for (std::size_t b = 0; b < 256; ++b)
            for (std::size_t j = 0; j < 8; ++j)
                if (b & (std::size_t{1} << j))
                    t[k][b] ^= bit[8 * k + j];
    return t;
}

std::uint32_t overStripe(const ShiftTables& t, std::uint32_t c) {
    return t[0][c & 0xFF] ^ t[1][(c >> 8) & 0xFF] ^ t[2][(c >> 16) & 0xFF] ^ t[3][c >> 24];
}

__attribute__((target("sse4.2"))) std::uint32_t crc32cHardware(std::string_view bytes,
                                                               std::uint32_t crc) {
    const char* p = bytes.data();
    std::size_t n = bytes.size();
    std::uint64_t c = ~crc;
    if (n >= 3 * kStripe) {
        static const ShiftTables shift = makeStripeShift();
        for (; n >= 3 * kStripe; p += 3 * kStripe, n -= 3 * kStripe) {
            std::uint64_t c1 = 0, c2 = 0;
            for (std::size_t i = 0; i < kStripe; i += 8) {
                c = _mm_crc32_u64(c, word(p + i));
                c1 = _mm_crc32_u64(c1, word(p + kStripe + i));
                c2 = _mm_crc32_u64(c2, word(p + 2 * kStripe + i));
            }
            c = overStripe(shift, static_cast<std::uint32_t>(c)) ^ c1;
            c = overStripe(shift, static_cast<std::uint32_t>(c)) ^ c2;
        }
    }
    for (; n >= 8; p += 8, n -= 8)
        c = _mm_crc32_u64(c, word(p));
    auto c32 = static_cast<std::uint32_t>(c);
    for (; n > 0; ++p, --n)
        c32 = _mm_crc32_u8(c32, static_cast<unsigned char>(*p));
    return ~c32;
}
#endif

} // namespace

std::uint32_t crc32c(std::string_view bytes, std::uint32_t crc) {
#if defined(__x86_64__)
    static const bool hardware = __builtin_cpu_supports("sse4.2");
    if (hardware)
        return crc32cHardware(bytes, crc);
#endif
    return crc32cTables(bytes, crc);
}

} // namespace engine
