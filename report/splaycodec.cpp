#include "splaycodec.h"

#include "reporterror.h"

#include <array>
#include <cstdint>

namespace report {

namespace {

// Internal nodes are 1..255 (1 is the root), leaves 256..511 (byte b is leaf b + 256).
constexpr int kSymbols = 256;
constexpr int kRoot = 1;

class SplayTree {
public:
    SplayTree() {
        for (int i = 2; i < 2 * kSymbols; ++i)
            up_[static_cast<std::size_t>(i)] = static_cast<std::uint16_t>(i / 2);
        for (int j = 1; j < kSymbols; ++j) {
            left_[static_cast<std::size_t>(j)] = static_cast<std::uint16_t>(2 * j);
            right_[static_cast<std::size_t>(j)] = static_cast<std::uint16_t>(2 * j + 1);
        }
    }

    // Bits from the root down to the symbol's leaf: 0 left, 1 right; returns the count.
    int code(int symbol, std::array<std::uint8_t, kSymbols>& bits) const {
        int n = 0;
        int a = symbol + kSymbols;
        while (a != kRoot) {
            const int c = up_[static_cast<std::size_t>(a)];
            bits[static_cast<std::size_t>(n++)] = right_[static_cast<std::size_t>(c)] == a;
            a = c;
        }
        return n; // reversed: bits[n-1] is the first bit
    }

    int child(int node, bool right) const {
        return right ? right_[static_cast<std::size_t>(node)]
                     : left_[static_cast<std::size_t>(node)];
    }
    static bool isLeaf(int node) { return node >= kSymbols; }

    // Semi-splaying: every other node on the path rotates up, halving the symbol's depth.
    void splay(int symbol) {
        int a = symbol + kSymbols;
        do {
            const int c = up_[static_cast<std::size_t>(a)];
            if (c == kRoot) {
                a = c;
                continue;
            }
            const int d = up_[static_cast<std::size_t>(c)];
            int b = left_[static_cast<std::size_t>(d)];
            if (c == b) {
                b = right_[static_cast<std::size_t>(d)];
                right_[static_cast<std::size_t>(d)] = static_cast<std::uint16_t>(a);
            } else {
                left_[static_cast<std::size_t>(d)] = static_cast<std::uint16_t>(a);
            }
            if (left_[static_cast<std::size_t>(c)] == a)
                left_[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(b);
            else
                right_[static_cast<std::size_t>(c)] = static_cast<std::uint16_t>(b);
            up_[static_cast<std::size_t>(a)] = static_cast<std::uint16_t>(d);
            up_[static_cast<std::size_t>(b)] = static_cast<std::uint16_t>(c);
            a = d;
        } while (a != kRoot);
    }

private:
    std::array<std::uint16_t, kSymbols> left_{};
    std::array<std::uint16_t, kSymbols> right_{};
    std::array<std::uint16_t, 2 * kSymbols> up_{};
};

} // namespace

QByteArray splayCompress(const QByteArray& plain) {
    SplayTree tree;
    QByteArray out;
    out.reserve(plain.size() / 2 + 16);
    std::array<std::uint8_t, kSymbols> bits{};
    unsigned acc = 0;
    int filled = 0;
    for (const char ch : plain) {
        const int symbol = static_cast<unsigned char>(ch);
        for (int i = tree.code(symbol, bits) - 1; i >= 0; --i) {
            acc |= static_cast<unsigned>(bits[static_cast<std::size_t>(i)]) << filled;
            if (++filled == 8) {
                out.append(static_cast<char>(acc));
                acc = 0;
                filled = 0;
            }
        }
        tree.splay(symbol);
    }
    if (filled > 0)
        out.append(static_cast<char>(acc));
    return out;
}

QByteArray splayExpand(const char* data, std::size_t length, std::size_t size) {
    // Every symbol takes at least one bit: more output than 8 per input byte is impossible.
    if (size / 8 > length)
        throw Error("compressed page data ends too early");
    SplayTree tree;
    QByteArray out;
    out.resize(static_cast<qsizetype>(size));
    std::size_t bitPos = 0;
    const std::size_t totalBits = length * 8;
    for (std::size_t produced = 0; produced < size; ++produced) {
        int node = kRoot;
        while (!SplayTree::isLeaf(node)) {
            if (bitPos >= totalBits)
                throw Error("compressed page data ends too early");
            const bool bit = (static_cast<unsigned char>(data[bitPos / 8]) >> (bitPos % 8)) & 1;
            ++bitPos;
            node = tree.child(node, bit);
        }
        const int symbol = node - kSymbols;
        out[static_cast<qsizetype>(produced)] = static_cast<char>(symbol);
        tree.splay(symbol);
    }
    return out;
}

} // namespace report
