#pragma once

#include "engine/table.h"

#include <cstdint>
#include <string>
#include <string_view>

// A large, deterministic music collection for the benchmarks and for trying the program on a
// realistic volume of data.
namespace benchdata {

constexpr int kDefaultReleases = 100000;
constexpr int kTracksPerRelease = 12;
constexpr int kGenres = 200;
constexpr std::uint64_t kDefaultSeed = 0x4c657679686f6c76ULL;

// The five collection tables.
struct Collection {
    engine::Table lydsam, arkiv, numre, genre, musiker;
    // By table name: Lydsam, Arkiv, Numre, Genre or Musiker.
    engine::Table& byName(std::string_view name);
    const engine::Table& byName(std::string_view name) const;
};

struct GenerateTimes {
    double fillMs = 0;  // appending and posting the rows
    double indexMs = 0; // display widths and indices, built once after the rows
};

// Creates all five tables and fills them: `releases` releases, each with 12 tracks and 12
// musician rows, an archive row per release and 200 genres. Then sets the display widths and
// builds the indices as opening the files does. The same seed always gives the same rows.
GenerateTimes generate(Collection& c, int releases, std::uint64_t seed = kDefaultSeed);

// Writes the five table files into dir, creating dir when missing.
void save(const Collection& c, const std::string& dir);

// The first n characters (not bytes) of UTF-8 text.
std::string_view firstChars(std::string_view s, int n);
int charCount(std::string_view s);

} // namespace benchdata
