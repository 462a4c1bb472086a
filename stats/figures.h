#pragma once

#include "engine/table.h"

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The collection's figures: what it holds by medium, genre, decade and year of purchase, what it
// is worth, whose records and which players dominate. Plain computation over the tables.
namespace stats {

struct Count {
    std::string name;
    long long n = 0;
    bool operator==(const Count&) const = default;
};

struct Amount {
    std::string name;
    double value = 0;
    bool operator==(const Amount&) const = default;
};

struct Player {
    std::string name;
    long long tracks = 0;                 // distinct track titles played on
    std::vector<std::string> instruments; // most played first
    bool operator==(const Player&) const = default;
};

struct Figures {
    std::vector<Count> perMedium;     // the six media in their order, then others, then none
    std::vector<Count> perGenre;      // the 15 largest, then the rest together
    std::vector<Count> perDecade;     // ascending; releases without a year last
    std::vector<Count> boughtPerYear; // ascending; without a date last
    std::vector<Count> growth;        // releases held at the end of each year bought
    std::vector<Amount> valuePerMedium;
    std::vector<Count> topArtists;  // 20
    std::vector<Player> topPlayers; // 20
    std::vector<Count> topInstruments;
    long long releases = 0, tracks = 0, credits = 0, tracksWithoutRelease = 0;
    double value = 0;
    bool operator==(const Figures&) const = default;
};

// The names the figures give what has none.
inline constexpr std::string_view kUnknown = "tuntematon";
inline constexpr std::string_view kOthers = "muut";

// The year a free-text date holds ("1973", "1973-03-24", "24.3.1973", "ca. 1965"): a run of
// exactly four digits between 1000 and 2999; nothing when there is none.
std::optional<int> yearIn(std::string_view text);

// A change of the tables came while they were counted, and the counting gave way to it.
struct Cancelled : std::runtime_error {
    Cancelled() : std::runtime_error("Tilastot jäivät kesken: kokoelma muuttui.") {}
};

// Over every release, or over those of selected (row ids of releases) with their tracks (by
// archive number) and those tracks' musicians (by track title). The tables' gates are held
// meanwhile, so this may run on a thread of its own while the window's thread reads them; it
// throws Cancelled when a change of them waits.
Figures compute(const engine::Table& releases, const engine::Table& tracks,
                const engine::Table& musicians,
                const std::vector<std::uint32_t>* selected = nullptr);

} // namespace stats
