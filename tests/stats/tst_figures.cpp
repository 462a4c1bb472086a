// The collection's figures against a straightforward count of the same rows.
#include "stats/figures.h"

#include "engine/rowcodec.h"
#include "store/collection.h"

#include <QTest>

#include <algorithm>
#include <map>
#include <random>
#include <set>

namespace {

struct Tables {
    engine::Table lydsam, numre, musiker;
    Tables() {
        for (const char* name : {"Lydsam", "Numre", "Musiker"}) {
            const store::CollectionTable& t = store::collectionTable(name);
            engine::Table& table = name == std::string("Lydsam")  ? lydsam
                                   : name == std::string("Numre") ? numre
                                                                  : musiker;
            t.create(table);
            t.createIndices(table);
        }
    }
};

std::string pick(std::mt19937& rng, std::initializer_list<const char*> from) {
    return *(from.begin() + rng() % from.size());
}

// A track title; every seventh is longer than the 30 characters a musician row keeps of it,
// with letters of two bytes before the cut.
std::string trackTitle(std::mt19937& rng) {
    const unsigned n = rng() % 900;
    return (n % 7 ? "T" : "Kevätyön sävelmä ja jäähyväiset, osa ") + std::to_string(n);
}

void generate(Tables& t, unsigned seed) {
    std::mt19937 rng(seed);
    for (int num = 1; num <= 400; ++num) {
        t.lydsam.append();
        t.lydsam.setInteger("Num", num);
        t.lydsam.setText("Media", pick(rng, {"CD", "LP", "LP", "MC", "SG", "78", "MD", "", "DV"}));
        t.lydsam.setText("Genre", "G" + std::to_string(rng() % 24));
        t.lydsam.setText("Kunstner", "A" + std::to_string(rng() % 40));
        t.lydsam.setText("Titel", "R" + std::to_string(num));
        t.lydsam.setText("Indspillet", pick(rng, {"1973", "24.3.1961", "1999-01-02", "ca. 1948", "",
                                                  "joskus", "85"}));
        t.lydsam.setText("Anskaffet", pick(rng, {"15.08.2015", "2001", "", "1.1.2020", "?"}));
        if (rng() % 4)
            t.lydsam.setText("Pris", std::to_string(rng() % 30) + ",5");
        t.lydsam.post();
        for (int k = static_cast<int>(rng() % 4); k > 0; --k) {
            t.numre.append();
            t.numre.setInteger("Num", rng() % 10 ? num : 9000);
            t.numre.setText("NrTitel", trackTitle(rng));
            t.numre.post();
        }
    }
    for (int i = 0; i < 1500; ++i) {
        t.musiker.append();
        t.musiker.setText("NrTitel", trackTitle(rng));
        t.musiker.setText("Musiker", "M" + std::to_string(rng() % 60));
        t.musiker.setText("Instrument", pick(rng, {"piano", "basso", "rummut", ""}));
        if (rng() % 3 == 0) // the release it was played for, by title
            t.musiker.setText("Titel", "R" + std::to_string(rng() % 400));
        t.musiker.post();
    }
}

// The same figures, counted the plain way.
stats::Figures reference(const Tables& t, const std::set<int>* chosen) {
    using Map = std::map<std::string, long long>;
    const auto ordered = [](const Map& m, std::size_t limit, bool others) {
        std::vector<stats::Count> v;
        for (const auto& [name, n] : m)
            if (!name.empty())
                v.push_back({name, n});
        std::stable_sort(v.begin(), v.end(),
                         [](const auto& a, const auto& b) { return a.n > b.n; });
        long long rest = 0;
        for (std::size_t i = limit; i < v.size(); ++i)
            rest += v[i].n;
        if (v.size() > limit) {
            v.resize(limit);
            if (others)
                v.push_back({"muut", rest});
        }
        return v;
    };
    const auto get = [](const engine::Table& table, int row, const char* field) {
        return table.storedText(row, table.fieldIndex(field));
    };
    stats::Figures f;
    Map media, genres, artists;
    std::map<int, long long> decades, years;
    long long noYear = 0, noDate = 0;
    std::map<std::string, double> value;
    std::set<std::string> all, titles, releaseTitles;
    std::set<std::string> nums;
    for (int r = 0; r < t.lydsam.storedRowCount(); ++r) {
        const std::string num = get(t.lydsam, r, "Num");
        all.insert(num);
        if (chosen && !chosen->count(std::stoi(num)))
            continue;
        nums.insert(num);
        releaseTitles.insert(get(t.lydsam, r, "Titel"));
        ++f.releases;
        ++media[get(t.lydsam, r, "Media")];
        ++genres[get(t.lydsam, r, "Genre")];
        ++artists[get(t.lydsam, r, "Kunstner")];
        if (const auto y = stats::yearIn(get(t.lydsam, r, "Indspillet")))
            ++decades[*y / 10 * 10];
        else
            ++noYear;
        if (const auto y = stats::yearIn(get(t.lydsam, r, "Anskaffet")))
            ++years[*y];
        else
            ++noDate;
        const auto price =
            engine::rowcodec::field(t.lydsam.storedBlob(r), t.lydsam.fieldIndex("Pris"));
        if (!price.null) {
            value[get(t.lydsam, r, "Media")] += engine::rowcodec::doubleFromPayload(price.bytes);
            f.value += engine::rowcodec::doubleFromPayload(price.bytes);
        }
    }
    const std::vector<std::string> six{"CD", "MD", "LP", "MC", "SG", "78"};
    Map others;
    for (const auto& [m, n] : media)
        if (std::find(six.begin(), six.end(), m) == six.end())
            others[m] = n;
    for (const std::string& m : six)
        f.perMedium.push_back({m, media.count(m) ? media[m] : 0});
    for (stats::Count& c : ordered(others, 1000, false))
        f.perMedium.push_back(c);
    if (media.count(""))
        f.perMedium.push_back({"tuntematon", media[""]});
    f.perGenre = ordered(genres, 15, true);
    if (genres.count(""))
        f.perGenre.push_back({"tuntematon", genres[""]});
    for (const auto& [d, n] : decades)
        f.perDecade.push_back({std::to_string(d) + "-luku", n});
    if (noYear)
        f.perDecade.push_back({"tuntematon", noYear});
    long long held = 0;
    for (const auto& [y, n] : years) {
        f.boughtPerYear.push_back({std::to_string(y), n});
        f.growth.push_back({std::to_string(y), held += n});
    }
    if (noDate)
        f.boughtPerYear.push_back({"tuntematon", noDate});
    for (const std::string& m : six)
        if (value.count(m))
            f.valuePerMedium.push_back({m, value[m]});
    for (const auto& [m, v] : value)
        if (std::find(six.begin(), six.end(), m) == six.end())
            f.valuePerMedium.push_back({m.empty() ? "tuntematon" : m, v});
    f.topArtists = ordered(artists, 20, false);

    for (int r = 0; r < t.numre.storedRowCount(); ++r) {
        const std::string num = get(t.numre, r, "Num");
        if (!all.count(num))
            ++f.tracksWithoutRelease;
        if (chosen && !nums.count(num))
            continue;
        ++f.tracks;
        titles.insert(QString::fromStdString(get(t.numre, r, "NrTitel")).left(30).toStdString());
    }
    std::map<std::string, std::set<std::string>> played;
    std::map<std::string, Map> playedOn;
    Map instruments;
    for (int r = 0; r < t.musiker.storedRowCount(); ++r) {
        const std::string release = get(t.musiker, r, "Titel");
        if (chosen && (!titles.count(get(t.musiker, r, "NrTitel")) ||
                       (!release.empty() && !releaseTitles.count(release))))
            continue;
        ++f.credits;
        const std::string name = get(t.musiker, r, "Musiker"),
                          what = get(t.musiker, r, "Instrument");
        ++instruments[what];
        if (name.empty())
            continue;
        played[name].insert(get(t.musiker, r, "NrTitel"));
        ++playedOn[name][what];
    }
    for (const auto& [name, on] : played) {
        stats::Player p{name, static_cast<long long>(on.size()), {}};
        for (const stats::Count& c : ordered(playedOn[name], 5, false))
            p.instruments.push_back(c.name);
        f.topPlayers.push_back(p);
    }
    std::stable_sort(f.topPlayers.begin(), f.topPlayers.end(),
                     [](const auto& a, const auto& b) { return a.tracks > b.tracks; });
    if (f.topPlayers.size() > 20)
        f.topPlayers.resize(20);
    f.topInstruments = ordered(instruments, 20, false);
    return f;
}

} // namespace

class TestFigures : public QObject {
    Q_OBJECT

private slots:
    void yearIn_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("year"); // 0: none
        QTest::addRow("year") << "1973" << 1973;
        QTest::addRow("ISO date") << "1973-03-24" << 1973;
        QTest::addRow("Finnish date") << "24.3.1973" << 1973;
        QTest::addRow("about") << "ca. 1965" << 1965;
        QTest::addRow("first of two") << "kesä 1969 / 1970" << 1969;
        QTest::addRow("empty") << "" << 0;
        QTest::addRow("words") << "joskus" << 0;
        QTest::addRow("two digits") << "24.3.73" << 0;
        QTest::addRow("five digits") << "12345" << 0;
        QTest::addRow("out of range") << "0999" << 0;
    }
    void yearIn() {
        QFETCH(QString, text);
        QFETCH(int, year);
        QCOMPARE(stats::yearIn(text.toStdString()).value_or(0), year);
    }

    void figures_data() {
        QTest::addColumn<unsigned>("seed");
        QTest::addColumn<bool>("selection");
        for (unsigned seed = 1; seed <= 4; ++seed) {
            QTest::addRow("whole collection, seed %u", seed) << seed << false;
            QTest::addRow("the LPs, seed %u", seed) << seed << true;
        }
    }
    void figures() {
        QFETCH(unsigned, seed);
        QFETCH(bool, selection);
        Tables t;
        generate(t, seed);
        std::vector<std::uint32_t> ids;
        std::set<int> nums;
        t.lydsam.setFilter("Media = 'LP'");
        t.lydsam.setFiltered(true);
        ids = t.lydsam.viewRowIds();
        for (std::uint32_t id : ids)
            nums.insert(
                *engine::rowcodec::intField(*t.lydsam.rowById(id), t.lydsam.fieldIndex("Num")));
        const stats::Figures got =
            stats::compute(t.lydsam, t.numre, t.musiker, selection ? &ids : nullptr);
        const stats::Figures want = reference(t, selection ? &nums : nullptr);
        QVERIFY(got.perMedium == want.perMedium);
        QVERIFY(got.perGenre == want.perGenre);
        QVERIFY(got.perDecade == want.perDecade);
        QVERIFY(got.boughtPerYear == want.boughtPerYear);
        QVERIFY(got.growth == want.growth);
        QVERIFY(got.topArtists == want.topArtists);
        QVERIFY(got.topPlayers == want.topPlayers);
        QVERIFY(got.topInstruments == want.topInstruments);
        QCOMPARE(got.releases, want.releases);
        QCOMPARE(got.tracks, want.tracks);
        QCOMPARE(got.credits, want.credits);
        QCOMPARE(got.tracksWithoutRelease, want.tracksWithoutRelease);
        QCOMPARE(got.valuePerMedium.size(), want.valuePerMedium.size());
        for (std::size_t i = 0; i < got.valuePerMedium.size(); ++i) {
            QCOMPARE(got.valuePerMedium[i].name, want.valuePerMedium[i].name);
            QCOMPARE(got.valuePerMedium[i].value, want.valuePerMedium[i].value);
        }
        QCOMPARE(got.value, want.value);
        QVERIFY(got.releases > 0 && got.topPlayers.size() == 20);
    }
};

QTEST_GUILESS_MAIN(TestFigures)
#include "tst_figures.moc"
