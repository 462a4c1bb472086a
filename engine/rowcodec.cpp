#include "rowcodec.h"

#include <bit>

namespace engine::rowcodec {

void appendVarint(std::string& out, std::uint64_t v) {
    while (v >= 0x80) {
        out += static_cast<char>((v & 0x7F) | 0x80);
        v >>= 7;
    }
    out += static_cast<char>(v);
}

bool readLongVarint(const char*& p, const char* end, std::uint64_t& v) {
    v = 0;
    for (int shift = 0; shift < 70; shift += 7) {
        if (p >= end)
            return false;
        const auto c = static_cast<unsigned char>(*p++);
        v |= static_cast<std::uint64_t>(c & 0x7F) << shift;
        if (!(c & 0x80))
            return true;
    }
    return false;
}

namespace {

// Trusted blobs only: lengths were checked when the blob was built or loaded.
inline std::uint64_t readTag(const char*& p) {
    std::uint64_t v = static_cast<unsigned char>(*p++);
    if (v < 0x80)
        return v;
    v &= 0x7F;
    for (int shift = 7;; shift += 7) {
        const auto c = static_cast<unsigned char>(*p++);
        v |= static_cast<std::uint64_t>(c & 0x7F) << shift;
        if (!(c & 0x80))
            return v;
    }
}

} // namespace

Slice field(std::string_view blob, int i) {
    const char* p = blob.data();
    for (;;) {
        const std::uint64_t tag = readTag(p);
        if (i == 0)
            return tag == 0 ? Slice{} : Slice{false, std::string_view(p, tag - 1)};
        if (tag)
            p += tag - 1;
        --i;
    }
}

void fields(std::string_view blob, int count, Slice* out) {
    const char* p = blob.data();
    for (int i = 0; i < count; ++i) {
        const std::uint64_t tag = readTag(p);
        out[i] = tag == 0 ? Slice{} : Slice{false, std::string_view(p, tag - 1)};
        if (tag)
            p += tag - 1;
    }
}

std::string encode(const std::vector<Payload>& fields) {
    std::string out;
    std::size_t total = fields.size();
    for (const auto& f : fields)
        total += f ? f->size() + 2 : 0;
    out.reserve(total);
    for (const auto& f : fields) {
        if (!f) {
            out += '\0';
            continue;
        }
        appendVarint(out, f->size() + 1);
        out += *f;
    }
    return out;
}

std::vector<Payload> decode(std::string_view blob, int fieldCount) {
    std::vector<Payload> out(static_cast<std::size_t>(fieldCount));
    const char* p = blob.data();
    for (auto& f : out) {
        const std::uint64_t tag = readTag(p);
        if (tag) {
            f.emplace(p, tag - 1);
            p += tag - 1;
        }
    }
    return out;
}

std::string intPayload(std::int32_t v) {
    const auto u = static_cast<std::uint32_t>(v);
    std::string s(4, '\0');
    for (int i = 0; i < 4; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return s;
}

std::optional<std::int32_t> intField(std::string_view blob, int i) {
    const Slice s = field(blob, i);
    if (s.null)
        return std::nullopt;
    return intFromPayload(s.bytes);
}

std::int32_t intFromPayload(std::string_view bytes) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return static_cast<std::int32_t>(u);
}

std::string doublePayload(double v) {
    const auto u = std::bit_cast<std::uint64_t>(v);
    std::string s(8, '\0');
    for (int i = 0; i < 8; ++i)
        s[static_cast<std::size_t>(i)] = static_cast<char>((u >> (8 * i)) & 0xFF);
    return s;
}

double doubleFromPayload(std::string_view bytes) {
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i)
        u = (u << 8) | static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]);
    return std::bit_cast<double>(u);
}

} // namespace engine::rowcodec
