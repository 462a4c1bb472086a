#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// A row is one contiguous blob: for each field in order either the byte 0 (empty) or
// varint(payload length + 1) followed by the payload. Text payloads are UTF-8, integers
// 4 bytes and currency 8 bytes, both little-endian. Rows in memory and in table files share it.
namespace engine::rowcodec {

struct Slice {
    bool null = true;
    std::string_view bytes;
};

using Payload = std::optional<std::string>;

void appendVarint(std::string& out, std::uint64_t v);

bool readLongVarint(const char*& p, const char* end, std::uint64_t& v);

// Reads a varint at p; false when it runs past end or is longer than 10 bytes. Most are one
// byte (field tags, short lengths), read here without a call: a load reads millions.
inline bool readVarint(const char*& p, const char* end, std::uint64_t& v) {
    if (p < end && static_cast<unsigned char>(*p) < 0x80) {
        v = static_cast<unsigned char>(*p++);
        return true;
    }
    return readLongVarint(p, end, v);
}

// Field i of a blob produced by encode() or accepted by validate().
Slice field(std::string_view blob, int i);
// The first count fields of a blob in one walk, for scans that read several of each row.
void fields(std::string_view blob, int count, Slice* out);

std::string encode(const std::vector<Payload>& fields);
std::vector<Payload> decode(std::string_view blob, int fieldCount);

std::string intPayload(std::int32_t v);
std::int32_t intFromPayload(std::string_view bytes);
// Field i of a blob read as an integer; nothing when it is empty.
std::optional<std::int32_t> intField(std::string_view blob, int i);
std::string doublePayload(double v);
double doubleFromPayload(std::string_view bytes);

} // namespace engine::rowcodec
