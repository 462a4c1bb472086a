#pragma once

#include <QByteArray>

#include <cstddef>

// Adaptive splay-tree prefix code over bytes (256 symbols). The code tree starts as a complete
// tree of depth 8 and is splayed after every symbol, so frequent bytes get short codes. Bits are
// packed into bytes starting at the least significant bit.
namespace report {

QByteArray splayCompress(const QByteArray& plain);
// Raises report::Error when the bits run out before `size` bytes are decoded.
QByteArray splayExpand(const char* data, std::size_t length, std::size_t size);

} // namespace report
