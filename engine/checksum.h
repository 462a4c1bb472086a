#pragma once

#include <cstdint>
#include <string_view>

namespace engine {

// CRC-32C (Castagnoli) of the bytes; table files carry it to detect damage.
std::uint32_t crc32c(std::string_view bytes, std::uint32_t crc = 0);

} // namespace engine
