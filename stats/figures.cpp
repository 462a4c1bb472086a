#include "figures.h"

#include "engine/rowcodec.h"

#include <algorithm>
#include <array>
#include <map>
#include <unordered_map>
#include <unordered_set>

namespace stats {

std::optional<int> yearIn(std::string_view text) {
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t i = 0; i < text.size();) {
        if (!digit(text[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < text.size() && digit(text[end]))
            ++end;
        if (end - i == 4) {
            const int year = std::stoi(std::string(text.substr(i, 4)));
            if (year >= 1000 && year <= 2999)
                return year;
        }
        i = end;
    }
    return std::nullopt;
}

namespace {

constexpr std::array<std::string_view, 6> kMedia{"CD", "MD", "LP", "MC", "SG", "78"};

using Tally = std::unordered_map<std::string_view, long long>;

// Largest first, equal counts by name; at most limit of them, the rest as one "muut" when
// others is set.
std::vector<Count> largest(const Tally& tally, std::size_t limit, bool others) {
    std::vector<Count> all;
    all.reserve(tally.size());
    for (const auto& [name, n] : tally)
        all.push_back({std::string(name), n});
    std::sort(all.begin(), all.end(), [](const Count& a, const Count& b) {
        return a.n != b.n ? a.n > b.n : a.name < b.name;
    });
    if (all.size() > limit) {
        long long rest = 0;
        for (std::size_t i = limit; i < all.size(); ++i)
            rest += all[i].n;
        all.resize(limit);
        if (others)
            all.push_back({std::string(kOthers), rest});
    }
    return all;
}

std::string_view text(std::string_view row, int field) {
    return engine::rowcodec::field(row, field).bytes;
}

template <class F> void eachRow(const engine::Table& t, F f) {
    t.eachStoredRow(f);
}

} // namespace

Figures compute(const engine::Table& releases, const engine::Table& tracks,
                const engine::Table& musicians, const std::vector<std::uint32_t>* selected) {
    Figures out;
    const int media = releases.fieldIndex("Media"), genre = releases.fieldIndex("Genre"),
              recorded = releases.fieldIndex("Indspillet"),
              bought = releases.fieldIndex("Anskaffet"), price = releases.fieldIndex("Pris"),
              num = releases.fieldIndex("Num"), artist = releases.fieldIndex("Kunstner");

    Tally perMedium, perGenre, artists;
    std::map<int, long long> decades, years;
    long long noYear = 0, noDate = 0;
    std::map<std::string_view, double> value;
    std::unordered_set<std::int32_t> nums;
    const auto release = [&](std::string_view row) {
        ++out.releases;
        ++perMedium[text(row, media)];
        ++perGenre[text(row, genre)];
        if (const auto y = yearIn(text(row, recorded)))
            ++decades[*y / 10 * 10];
        else
            ++noYear;
        if (const auto y = yearIn(text(row, bought)))
            ++years[*y];
        else
            ++noDate;
        if (const auto p = engine::rowcodec::field(row, price); !p.null) {
            const double v = engine::rowcodec::doubleFromPayload(p.bytes);
            value[text(row, media)] += v;
            out.value += v;
        }
        if (const auto n = engine::rowcodec::intField(row, num))
            nums.insert(*n);
        if (const std::string_view a = text(row, artist); !a.empty())
            ++artists[a];
    };
    if (selected) {
        for (std::uint32_t id : *selected)
            if (const auto row = releases.rowById(id))
                release(*row);
    } else {
        eachRow(releases, release);
    }

    for (std::string_view m : kMedia) {
        const auto it = perMedium.find(m);
        out.perMedium.push_back({std::string(m), it == perMedium.end() ? 0 : it->second});
        if (it != perMedium.end())
            perMedium.erase(it);
    }
    long long noMedium = 0;
    if (const auto it = perMedium.find(""); it != perMedium.end()) {
        noMedium = it->second;
        perMedium.erase(it);
    }
    for (Count& c : largest(perMedium, perMedium.size(), false))
        out.perMedium.push_back(std::move(c));
    if (noMedium > 0)
        out.perMedium.push_back({std::string(kUnknown), noMedium});
    long long noGenre = 0;
    if (const auto it = perGenre.find(""); it != perGenre.end()) {
        noGenre = it->second;
        perGenre.erase(it);
    }
    out.perGenre = largest(perGenre, 15, true);
    if (noGenre > 0)
        out.perGenre.push_back({std::string(kUnknown), noGenre});
    for (const auto& [decade, n] : decades)
        out.perDecade.push_back({std::to_string(decade) + "-luku", n});
    if (noYear > 0)
        out.perDecade.push_back({std::string(kUnknown), noYear});
    long long held = 0;
    for (const auto& [year, n] : years) {
        out.boughtPerYear.push_back({std::to_string(year), n});
        out.growth.push_back({std::to_string(year), held += n});
    }
    if (noDate > 0)
        out.boughtPerYear.push_back({std::string(kUnknown), noDate});
    for (std::string_view m : kMedia)
        if (const auto it = value.find(m); it != value.end())
            out.valuePerMedium.push_back({std::string(m), it->second});
    for (const auto& [m, v] : value)
        if (std::find(kMedia.begin(), kMedia.end(), m) == kMedia.end())
            out.valuePerMedium.push_back({m.empty() ? std::string(kUnknown) : std::string(m), v});
    out.topArtists = largest(artists, 20, false);

    // Tracks: of the chosen releases, by archive number; the whole collection counts those
    // whose number no release has.
    const int trackNum = tracks.fieldIndex("Num"), trackTitle = tracks.fieldIndex("NrTitel");
    std::unordered_set<std::string_view> titles;
    std::unordered_set<std::int32_t> allNums;
    if (selected)
        eachRow(releases, [&](std::string_view row) {
            if (const auto n = engine::rowcodec::intField(row, num))
                allNums.insert(*n);
        });
    const std::unordered_set<std::int32_t>& known = selected ? allNums : nums;
    eachRow(tracks, [&](std::string_view row) {
        const auto n = engine::rowcodec::intField(row, trackNum);
        if (!n || !known.count(*n))
            ++out.tracksWithoutRelease;
        if (selected && (!n || !nums.count(*n)))
            return;
        ++out.tracks;
        if (selected)
            titles.insert(text(row, trackTitle).substr(0, 30));
    });

    // Musicians: rows of the chosen tracks' titles (a musician row keeps 30 characters of it).
    const int player = musicians.fieldIndex("Musiker"),
              instrument = musicians.fieldIndex("Instrument"),
              playedOn = musicians.fieldIndex("NrTitel");
    // One pass: each row's player, by number; the players' rows then found without another.
    const int rowCount = musicians.storedRowCount();
    std::unordered_map<std::string_view, std::uint32_t> playerNumber;
    std::vector<std::string_view> playerName;
    std::vector<long long> rowsOf;
    std::vector<std::uint32_t> playerOf(static_cast<std::size_t>(rowCount), UINT32_MAX);
    Tally instruments;
    int r = -1;
    musicians.eachStoredRow([&](std::string_view row) {
        ++r;
        if (selected && !titles.count(text(row, playedOn)))
            return;
        ++out.credits;
        if (const std::string_view what = text(row, instrument); !what.empty())
            ++instruments[what];
        const std::string_view name = text(row, player);
        if (name.empty())
            return;
        const auto [it, fresh] =
            playerNumber.try_emplace(name, static_cast<std::uint32_t>(playerName.size()));
        if (fresh) {
            playerName.push_back(name);
            rowsOf.push_back(0);
        }
        ++rowsOf[it->second];
        playerOf[static_cast<std::size_t>(r)] = it->second;
    });
    std::vector<std::size_t> start(playerName.size() + 1, 0);
    for (std::size_t p = 0; p < playerName.size(); ++p)
        start[p + 1] = start[p] + static_cast<std::size_t>(rowsOf[p]);
    std::vector<std::uint32_t> rowsByPlayer(start.back());
    {
        std::vector<std::size_t> at(start.begin(), start.end() - 1);
        for (int r = 0; r < rowCount; ++r)
            if (const std::uint32_t p = playerOf[static_cast<std::size_t>(r)]; p != UINT32_MAX)
                rowsByPlayer[at[p]++] = static_cast<std::uint32_t>(r);
    }
    playerOf = {};
    // A player's tracks are the distinct titles of their rows, never more than the rows: the
    // titles are looked at only for those whose rows could still reach the top 20.
    std::vector<std::uint32_t> byRows(playerName.size());
    for (std::uint32_t p = 0; p < byRows.size(); ++p)
        byRows[p] = p;
    std::sort(byRows.begin(), byRows.end(), [&](std::uint32_t a, std::uint32_t b) {
        return rowsOf[a] != rowsOf[b] ? rowsOf[a] > rowsOf[b] : playerName[a] < playerName[b];
    });
    std::vector<Player> players;
    for (std::size_t i = 0; i < byRows.size(); ++i) {
        const std::uint32_t p = byRows[i];
        const long long least = players.size() < 20 ? 0 : players.back().tracks;
        if (players.size() >= 20 && rowsOf[p] < least)
            break;
        std::unordered_set<std::string_view> on;
        Tally played;
        for (std::size_t k = start[p]; k < start[p + 1]; ++k) {
            const std::string_view row = musicians.storedBlob(static_cast<int>(rowsByPlayer[k]));
            on.insert(text(row, playedOn));
            if (const std::string_view what = text(row, instrument); !what.empty())
                ++played[what];
        }
        Player one{std::string(playerName[p]), static_cast<long long>(on.size()), {}};
        for (const Count& c : largest(played, 5, false))
            one.instruments.push_back(c.name);
        const auto place = std::upper_bound(
            players.begin(), players.end(), one, [](const Player& a, const Player& b) {
                return a.tracks != b.tracks ? a.tracks > b.tracks : a.name < b.name;
            });
        players.insert(place, std::move(one));
        if (players.size() > 20)
            players.pop_back();
    }
    out.topPlayers = std::move(players);
    out.topInstruments = largest(instruments, 20, false);
    return out;
}

} // namespace stats
