#include "figures.h"

#include "engine/rowcodec.h"
#include "engine/utf8.h"
#include "tally.h"

#include <algorithm>
#include <array>
#include <functional>
#include <future>
#include <stdexcept>
#include <utility>

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
            int year = 0;
            for (std::size_t k = i; k < end; ++k)
                year = year * 10 + (text[k] - '0');
            if (year >= 1000 && year <= 2999)
                return year;
        }
        i = end;
    }
    return std::nullopt;
}

namespace {

constexpr std::array<std::string_view, 6> kMedia{"CD", "MD", "LP", "MC", "SG", "78"};
constexpr int kFirstYear = 1000, kYears = 2000;
using engine::rowcodec::Slice;

// Largest first, equal counts by name; at most limit of them, the rest as one "muut" when
// others is set. Texts without a count are left out.
std::vector<Count> largest(const Interner& names, const std::vector<long long>& counts,
                           std::size_t limit, bool others) {
    std::vector<Count> all;
    for (std::uint32_t i = 0; i < names.size(); ++i)
        if (counts[i] > 0)
            all.push_back({std::string(names.text(i)), counts[i]});
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

// Counts by text: the number of each text, then its count.
struct Tally {
    Interner names;
    std::vector<long long> counts;
    std::uint32_t add(std::string_view text, long long n = 1) {
        return add(text, hashBytes(text), n);
    }
    std::uint32_t add(std::string_view text, std::uint64_t hash, long long n) {
        const std::uint32_t i = names.intern(text, hash);
        if (i >= counts.size())
            counts.resize(i + 1, 0);
        counts[i] += n;
        return i;
    }
    long long take(std::string_view text) { // its count, then out of the figures
        const auto i = names.find(text);
        return i ? std::exchange(counts[*i], 0) : 0;
    }
    std::vector<Count> largest(std::size_t limit, bool others) const {
        return stats::largest(names, counts, limit, others);
    }
    void addAll(const Tally& other) {
        for (std::uint32_t i = 0; i < other.names.size(); ++i)
            add(other.names.text(i), other.counts[i]);
    }
};

// Archive numbers: a bitmap over their range, or sorted when they are spread too far for one.
class NumberSet {
public:
    void add(std::int32_t n) { all_.push_back(n); }
    void seal() {
        if (all_.empty())
            return;
        const auto [lo, hi] = std::minmax_element(all_.begin(), all_.end());
        low_ = *lo;
        const std::int64_t span = std::int64_t(*hi) - low_ + 1;
        if (span <= std::int64_t(1) << 26) {
            bits_.assign(static_cast<std::size_t>(span), false);
            for (std::int32_t n : all_)
                bits_[static_cast<std::size_t>(std::int64_t(n) - low_)] = true;
            all_ = {};
        } else {
            std::sort(all_.begin(), all_.end());
        }
    }
    bool has(std::int32_t n) const {
        if (!bits_.empty()) {
            const std::int64_t at = std::int64_t(n) - low_;
            return at >= 0 && at < std::int64_t(bits_.size()) &&
                   bits_[static_cast<std::size_t>(at)];
        }
        return std::binary_search(all_.begin(), all_.end(), n);
    }

private:
    std::vector<std::int32_t> all_;
    std::vector<bool> bits_;
    std::int64_t low_ = 0;
};

// How many of a row's fields a scan reads, the last it needs included, and where they go (kept
// from row to row: setting up the slices anew cost more than reading them).
constexpr int kMostRead = 32;
struct Fields {
    int count = 0;
    Slice at[kMostRead];
    template <class... I> explicit Fields(I... wanted) : count(std::max({wanted...}) + 1) {
        if (count > kMostRead || std::min({wanted...}) < 0)
            throw std::logic_error("statistics: a table lacks a field they need");
    }
};

// Gives up the scan when a change of its table waits for it (every few thousand rows).
class Watch {
public:
    explicit Watch(const engine::Table& table) : t_(table) {}
    void operator()() {
        if ((++rows_ & 4095) == 0 && t_.changeWaiting())
            throw Cancelled();
    }

private:
    const engine::Table& t_;
    unsigned rows_ = 0;
};

// The release part: by medium, genre, year, value and artist, and the releases' numbers.
struct ReleaseScan {
    // most: how many releases may be chosen, whose titles are kept; 0 for the whole collection.
    ReleaseScan(const engine::Table& table, std::size_t most)
        : t(table), titles(most), keepsTitles(most > 0) {}
    const engine::Table& t;
    const int media = t.fieldIndex("Media"), genre = t.fieldIndex("Genre"),
              recorded = t.fieldIndex("Indspillet"), bought = t.fieldIndex("Anskaffet"),
              price = t.fieldIndex("Pris"), num = t.fieldIndex("Num"),
              artist = t.fieldIndex("Kunstner"), title = t.fieldIndex("Titel");
    Fields read{media, genre, recorded, bought, price, num, artist, title};
    SeenSet titles; // of chosen releases: a musician row may name its release by 30 characters
    const bool keepsTitles;
    Slice* f = read.at;
    Tally perMedium, perGenre, artists;
    std::vector<double> value; // by medium number
    std::vector<char> priced;
    std::array<long long, kYears> recordedIn{}, boughtIn{};
    long long noYear = 0, noDate = 0, releases = 0;
    double total = 0;
    NumberSet nums;
    Watch watch{t};

    void operator()(std::string_view row) {
        watch();
        engine::rowcodec::fields(row, read.count, f);
        ++releases;
        const std::uint32_t m = perMedium.add(f[media].bytes);
        perGenre.add(f[genre].bytes);
        if (const auto y = yearIn(f[recorded].bytes))
            ++recordedIn[static_cast<std::size_t>(*y - kFirstYear)];
        else
            ++noYear;
        if (const auto y = yearIn(f[bought].bytes))
            ++boughtIn[static_cast<std::size_t>(*y - kFirstYear)];
        else
            ++noDate;
        if (!f[price].null) {
            const double v = engine::rowcodec::doubleFromPayload(f[price].bytes);
            if (m >= value.size()) {
                value.resize(m + 1, 0);
                priced.resize(m + 1, 0);
            }
            value[m] += v;
            priced[m] = 1;
            total += v;
        }
        if (!f[num].null)
            nums.add(engine::rowcodec::intFromPayload(f[num].bytes));
        if (!f[artist].bytes.empty())
            artists.add(f[artist].bytes);
        if (keepsTitles)
            titles.insert(hashBytes(engine::utf8::cutToChars(f[title].bytes, 30)));
    }
};

void releaseFigures(ReleaseScan& s, Figures& out) {
    out.releases = s.releases;
    out.value = s.total;
    for (std::string_view m : kMedia)
        out.perMedium.push_back({std::string(m), s.perMedium.take(m)});
    const long long noMedium = s.perMedium.take("");
    for (Count& c : s.perMedium.largest(SIZE_MAX, false))
        out.perMedium.push_back(std::move(c));
    if (noMedium > 0)
        out.perMedium.push_back({std::string(kUnknown), noMedium});
    const long long noGenre = s.perGenre.take("");
    out.perGenre = s.perGenre.largest(15, true);
    if (noGenre > 0)
        out.perGenre.push_back({std::string(kUnknown), noGenre});
    for (int decade = 0; decade < kYears; decade += 10) {
        long long n = 0;
        for (int y = decade; y < decade + 10; ++y)
            n += s.recordedIn[static_cast<std::size_t>(y)];
        if (n > 0)
            out.perDecade.push_back({std::to_string(kFirstYear + decade) + "-luku", n});
    }
    if (s.noYear > 0)
        out.perDecade.push_back({std::string(kUnknown), s.noYear});
    long long held = 0;
    for (int y = 0; y < kYears; ++y)
        if (const long long n = s.boughtIn[static_cast<std::size_t>(y)]; n > 0) {
            out.boughtPerYear.push_back({std::to_string(kFirstYear + y), n});
            out.growth.push_back({std::to_string(kFirstYear + y), held += n});
        }
    if (s.noDate > 0)
        out.boughtPerYear.push_back({std::string(kUnknown), s.noDate});
    const auto valueOf = [&](std::uint32_t m) {
        return m < s.priced.size() && s.priced[m] ? std::optional(s.value[m]) : std::nullopt;
    };
    std::vector<std::pair<std::string_view, std::uint32_t>> others;
    for (std::uint32_t m = 0; m < s.perMedium.names.size(); ++m) {
        const std::string_view name = s.perMedium.names.text(m);
        if (std::find(kMedia.begin(), kMedia.end(), name) == kMedia.end())
            others.emplace_back(name, m);
    }
    std::sort(others.begin(), others.end());
    for (std::string_view name : kMedia)
        if (const auto m = s.perMedium.names.find(name))
            if (const auto v = valueOf(*m))
                out.valuePerMedium.push_back({std::string(name), *v});
    for (const auto& [name, m] : others)
        if (const auto v = valueOf(m))
            out.valuePerMedium.push_back(
                {name.empty() ? std::string(kUnknown) : std::string(name), *v});
    out.topArtists = s.artists.largest(20, false);
}

// Tracks: of the chosen releases (by archive number), and their titles when chosen; the whole
// collection counts those whose number no release has.
struct TrackScan {
    TrackScan(const engine::Table& table, const NumberSet& all, const NumberSet* some)
        : t(table), known(all), chosen(some),
          titles(some ? static_cast<std::size_t>(table.storedRowCount()) : 0) {}
    const engine::Table& t;
    const NumberSet& known;  // every release's number
    const NumberSet* chosen; // the chosen releases' numbers, or all
    const int num = t.fieldIndex("Num"), title = t.fieldIndex("NrTitel");
    long long tracks = 0, withoutRelease = 0;
    SeenSet titles; // a musician row keeps 30 characters of the title
    Watch watch{t};

    void operator()(std::string_view row) {
        watch();
        const Slice n = engine::rowcodec::field(row, num);
        const bool has = !n.null;
        const std::int32_t number = has ? engine::rowcodec::intFromPayload(n.bytes) : 0;
        if (!has || !known.has(number))
            ++withoutRelease;
        if (!chosen)
            ++tracks;
        else if (has && chosen->has(number)) {
            ++tracks;
            titles.insert(
                hashBytes(engine::utf8::cutToChars(engine::rowcodec::field(row, title).bytes, 30)));
        }
    }
};

// Musicians: their rows (of the chosen tracks' titles), players and instruments counted, and
// each player's distinct titles. Two scans share the rows, and one set of the player and title
// pairs seen: a pair counts for the scan that sees it first.
struct MusicianScan {
    MusicianScan(const engine::Table& table, const SeenSet* chosenTracks,
                 const SeenSet* chosenReleases, SeenSet& pairs)
        : t(table), titles(chosenTracks), releaseTitles(chosenReleases), playedOn(pairs) {}
    MusicianScan(const MusicianScan&) = delete;
    const engine::Table& t;
    // Over a selection, a row counts when its track's title is a chosen track's, and the
    // release it names, if any, a chosen one (as the web page links them).
    const SeenSet *titles, *releaseTitles;
    SeenSet& playedOn;
    const int title = t.fieldIndex("NrTitel"), player = t.fieldIndex("Musiker"),
              instrument = t.fieldIndex("Instrument"), release = t.fieldIndex("Titel");
    Fields read{title, player, instrument, release};
    Slice* f = read.at;
    Tally players, instruments;
    std::vector<long long> tracksOf; // by player
    // Each credited row's player and instrument (UINT32_MAX: none), for the top players'
    // instruments once they are known.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> credited;
    long long credits = 0;
    Watch watch{t};

    void operator()(std::string_view row) {
        watch();
        engine::rowcodec::fields(row, read.count, f);
        const std::uint64_t titleHash = hashBytes(f[title].bytes);
        if (titles &&
            (!titles->contains(titleHash) ||
             (!f[release].bytes.empty() && !releaseTitles->contains(hashBytes(f[release].bytes)))))
            return;
        ++credits;
        const std::uint32_t what =
            f[instrument].bytes.empty() ? UINT32_MAX : instruments.add(f[instrument].bytes);
        const std::string_view name = f[player].bytes;
        if (name.empty())
            return;
        const std::uint64_t nameHash = hashBytes(name);
        const std::uint32_t p = players.add(name, nameHash, 1);
        credited.emplace_back(p, what);
        if (p >= tracksOf.size())
            tracksOf.resize(p + 1, 0);
        // The pair's slot is fetched now and looked at some rows later, by when it is there.
        const std::uint64_t pair = titleHash ^ (nameHash * 0x9E3779B97F4A7C15ull + 1);
        playedOn.prefetch(pair);
        waiting[waitingCount++] = {pair, p};
        if (waitingCount == waiting.size())
            settle();
    }
    void settle() {
        for (std::size_t i = 0; i < waitingCount; ++i)
            if (playedOn.insert(waiting[i].first))
                ++tracksOf[waiting[i].second];
        waitingCount = 0;
    }

private:
    std::array<std::pair<std::uint64_t, std::uint32_t>, 32> waiting;
    std::size_t waitingCount = 0;
};

// The 20 who play on most distinct tracks, with the instruments they play most.
std::vector<Player> topPlayers(std::array<MusicianScan*, 2> scans) {
    Tally tracksOf;
    for (MusicianScan* s : scans) {
        s->settle();
        for (std::uint32_t p = 0; p < s->players.names.size(); ++p)
            tracksOf.add(s->players.names.text(p), s->tracksOf[p]);
    }
    std::vector<Count> top = tracksOf.largest(20, false);
    Interner chosen;
    for (const Count& c : top)
        chosen.intern(c.name);
    std::vector<Tally> played(top.size());
    for (MusicianScan* s : scans) {
        std::vector<std::uint32_t> placeOf(s->players.names.size(), UINT32_MAX);
        for (std::uint32_t p = 0; p < placeOf.size(); ++p)
            placeOf[p] = chosen.find(s->players.names.text(p)).value_or(UINT32_MAX);
        for (const auto& [p, what] : s->credited)
            if (placeOf[p] != UINT32_MAX && what != UINT32_MAX)
                played[placeOf[p]].add(s->instruments.names.text(what));
    }
    std::vector<Player> out;
    for (std::size_t i = 0; i < top.size(); ++i) {
        Player one{std::move(top[i].name), top[i].n, {}};
        for (const Count& c : played[i].largest(5, false))
            one.instruments.push_back(c.name);
        out.push_back(std::move(one));
    }
    return out;
}

} // namespace

Figures compute(const engine::Table& releases, const engine::Table& tracks,
                const engine::Table& musicians, const std::vector<std::uint32_t>* selected) {
    Figures out;
    const auto gates = std::array{releases.readGate(), tracks.readGate(), musicians.readGate()};
    ReleaseScan chosenReleases(releases, selected ? selected->size() : 0);
    ReleaseScan allReleases(releases, 0); // only their numbers, when a selection is counted
    TrackScan trackScan(tracks, selected ? allReleases.nums : chosenReleases.nums,
                        selected ? &chosenReleases.nums : nullptr);
    const auto releasesAndTracks = [&] {
        if (selected) {
            for (std::uint32_t id : *selected)
                if (const auto row = releases.rowById(id))
                    chosenReleases(*row);
            const int num = allReleases.num;
            releases.eachStoredRow([&](std::string_view row) {
                if (const auto n = engine::rowcodec::intField(row, num))
                    allReleases.nums.add(*n);
            });
            allReleases.nums.seal();
        } else {
            releases.eachStoredRow(std::ref(chosenReleases));
        }
        chosenReleases.nums.seal();
        tracks.eachStoredRow(std::ref(trackScan));
    };

    // The musicians on two threads, by halves of their rows. Over a selection they wait for the
    // tracks' titles; over the whole collection one thread first does the releases and tracks,
    // then the smaller part.
    const SeenSet* titles = selected ? &trackScan.titles : nullptr;
    const SeenSet* releaseTitles = selected ? &chosenReleases.titles : nullptr;
    const int rows = musicians.storedRowCount();
    SeenSet pairs(static_cast<std::size_t>(rows));
    MusicianScan first(musicians, titles, releaseTitles, pairs),
        second(musicians, titles, releaseTitles, pairs);
    const int split = selected ? rows / 2 : rows / 10 * 3;
    if (selected)
        releasesAndTracks();
    auto other = std::async(std::launch::async, [&] {
        if (!selected)
            releasesAndTracks();
        musicians.eachStoredRow(0, split, first);
    });
    musicians.eachStoredRow(split, rows, second);
    other.get();
    out.topPlayers = topPlayers({&first, &second});

    releaseFigures(chosenReleases, out);
    out.tracks = trackScan.tracks;
    out.tracksWithoutRelease = trackScan.withoutRelease;
    out.credits = first.credits + second.credits;
    first.instruments.addAll(second.instruments);
    out.topInstruments = first.instruments.largest(20, false);
    return out;
}

} // namespace stats
