// Table file decoding on arbitrary bytes. Only engine::Error may come out of the engine; any
// other exception, crash or sanitizer report is a bug. Inputs that pass the structure checks
// also go through Table: loaded (with their checksum made right), read, sorted by every
// field, saved and loaded again, which must give the same rows.
#include "engine/checksum.h"
#include "engine/error.h"
#include "engine/table.h"
#include "engine/tablefile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

bool decodes(const std::uint8_t* data, std::size_t size, bool verifyChecksum) {
    // Exactly the input's size, so the sanitizer sees any read past it.
    std::unique_ptr<char[]> bytes(new char[size]);
    if (size)
        std::memcpy(bytes.get(), data, size);
    try {
        engine::tablefile::decode(std::move(bytes), size, verifyChecksum);
        return true;
    } catch (const engine::Error&) {
        return false;
    }
}

// Scratch files in memory-backed storage where there is some: saving syncs to disk.
const std::string& scratchFolder() {
    static std::string folder;
    if (folder.empty()) {
        std::string base = "/dev/shm";
        if (::access(base.c_str(), W_OK) != 0) {
            const char* tmp = std::getenv("TMPDIR");
            base = tmp && *tmp ? tmp : "/tmp";
        }
        folder = base + "/fuzz_tablefile-" + std::to_string(::getpid());
        std::filesystem::create_directories(folder);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(folder, ec);
        });
    }
    return folder;
}

bool sameFields(const engine::Table& a, const engine::Table& b) {
    if (a.fieldCount() != b.fieldCount())
        return false;
    for (std::size_t f = 0; f < a.fields().size(); ++f) {
        const engine::FieldDef& x = a.fields()[f];
        const engine::FieldDef& y = b.fields()[f];
        if (x.name != y.name || x.type != y.type || x.size != y.size)
            return false;
    }
    return true;
}

std::vector<std::vector<std::string>> cells(const engine::Table& t) {
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < t.displayRowCount(); ++r) {
        rows.emplace_back();
        for (int f = 0; f < t.fieldCount(); ++f)
            rows.back().push_back(t.textAt(r, f));
    }
    return rows;
}

void exerciseTable(const std::uint8_t* data, std::size_t size) {
    std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::uint32_t crc = engine::crc32c(std::string_view(bytes).substr(0, size - 4));
    for (int i = 0; i < 4; ++i)
        bytes[size - 4 + static_cast<std::size_t>(i)] = static_cast<char>(crc >> (8 * i));
    const std::string in = scratchFolder() + "/in.dat";
    const std::string out = scratchFolder() + "/out.dat";
    {
        std::ofstream file(in, std::ios::binary | std::ios::trunc);
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }

    engine::Table t;
    t.load(in); // the structure passed, so only a real bug makes this raise
    const auto loaded = cells(t);
    for (int f = 0; f < t.fieldCount(); ++f) {
        const std::string name = "i" + std::to_string(f);
        try {
            t.addIndex(name, t.fields()[static_cast<std::size_t>(f)].name);
        } catch (const engine::Error&) {
            continue; // a field name the index syntax cannot name, such as one with ';'
        }
        t.setActiveIndex(name);
        for (t.first(); !t.eof(); t.next())
            t.asText(f);
    }
    t.setActiveIndex("");

    t.save(out);
    engine::Table again;
    again.load(out);
    if (cells(again) != loaded || !sameFields(again, t))
        std::abort(); // a saved table did not load back the same
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    decodes(data, size, true);
    if (decodes(data, size, false))
        exerciseTable(data, size);
    return 0;
}
