#include "benchdata.h"

#include "rng.h"

#include "store/collection.h"

#include <chrono>
#include <filesystem>
#include <iterator>
#include <set>
#include <span>
#include <stdexcept>
#include <utility>
#include <vector>

namespace benchdata {

namespace {

using benchutil::Rng;

constexpr const char* kFirstNames[] = {
    "Anna",     "Björn",   "Åsa",     "Jørgen",  "Søren",   "Mette",  "Lars",  "Ulla",   "Kjell",
    "Ingrid",   "Märta",   "Göran",   "Örjan",   "Åke",     "Pär",    "Bård",  "Trond",  "Sigrid",
    "Maja",     "Nils",    "Kirsten", "Helle",   "Jens",    "Mikael", "Karin", "Bente",  "Rune",
    "Tove",     "Finn",    "Gunnar",  "Øystein", "Ånund",   "Jukka",  "Päivi", "Tuula",  "Mikko",
    "Sakari",   "Eero",    "Hannele", "Jönsi",   "Sølvi",   "Æsa",    "Ægir",  "Dag",    "Liv",
    "Torbjørn", "Hjördis", "Ebbe",    "John",    "Paul",    "Mary",   "Bob",   "Aretha", "Miles",
    "Nina",     "Ella",    "David",   "Joni",    "Leonard", "Patti",  "Tom",   "Lou",    "Billie",
    "Etta",     "Chet",    "Herbie",  "Kate",    "Neil",    "Sinéad", "Björk", "Ane",    "Gitte",
    "Povl",     "Kim",     "Sanne",   "Thomas",  "Cecilie", "Stine",  "Frode", "Randi",
};

constexpr const char* kLastNames[] = {
    "Andersson",   "Lindström",    "Sørensen",  "Jørgensen", "Ødegaard",  "Østergaard", "Åkesson",
    "Ärlebäck",    "Öhman",        "Hägg",      "Löfgren",   "Strøm",     "Bråten",     "Mæhle",
    "Ærtebjerg",   "Nyström",      "Sjöberg",   "Holm",      "Dahl",      "Lund",       "Berg",
    "Kristiansen", "Nielsen",      "Hansen",    "Pedersen",  "Johansson", "Karlsson",   "Eriksson",
    "Larsen",      "Møller",       "Kjær",      "Bæk",       "Dræby",     "Frøland",    "Grønlund",
    "Hæggström",   "Virtanen",     "Mäkinen",   "Häkkinen",  "Järvinen",  "Korhonen",   "Lönnqvist",
    "Öberg",       "Åberg",        "Smith",     "Jones",     "Davis",     "Mitchell",   "Simone",
    "Baker",       "Hancock",      "Cohen",     "O'Connor",  "O'Brien",   "D'Angelo",   "McCartney",
    "Waits",       "Reed",         "Holiday",   "James",     "Bush",      "Young",      "Dylan",
    "Fitzgerald",  "Coltrane",     "Armstrong", "Parker",    "Brubeck",   "Garbarek",   "Rypdal",
    "Stenson",     "Gustafsson",   "Sandström", "Wallin",    "Ekström",   "Sundqvist",  "Fält",
    "Kölbel",      "Jääskeläinen", "Ørsted",    "Åhlén",     "Blåsgård",
};

constexpr const char* kBandAdjectivesNordic[] = {
    "Blå",   "Röda",   "Gyldne", "Svarte", "Sorte", "Hvide",    "Gamla",      "Vilde",
    "Lilla", "Stille", "Kolde",  "Varme",  "Sene",  "Nordiska", "Elektriske", "Ärliga",
};
constexpr const char* kBandNounsNordic[] = {
    "Ulvene",     "Hästar",   "Drømme",  "Stjärnor", "Fåglar", "Bølger", "Tåget",  "Sjömän",
    "Spillemænd", "Orkester", "Kvartet", "Trio",     "Band",   "Bröder", "Søstre", "Öar",
};
constexpr const char* kBandAdjectives[] = {
    "Blue",   "Electric", "Silent", "Midnight", "Velvet", "Rolling",  "Crimson",
    "Golden", "Wild",     "Lonely", "Northern", "Broken", "Restless", "Paper",
};
constexpr const char* kBandNouns[] = {
    "Wolves",    "Riders", "Stones", "Hearts",  "Shadows",   "Kings",  "Dreamers",
    "Strangers", "Roses",  "Angels", "Sailors", "Mountains", "Tigers", "Echoes",
};
constexpr const char* kFamousBands[] = {
    "Guns N' Roses",   "Gasolin'",         "Rock 'n' Roll Kings", "Don't Panic",
    "Blå Tåget",       "Ärlighetens Trio", "Sällskapet",          "Øresund Spillemænd",
    "Ærø Brass Band",  "Åbo Akademis Kör", "Hootin' Annies",      "Kaizers Orkester",
    "Bo's Blues Band", "Mamma's Boys",     "Jazz 'n' Soul Five",  "The Rockin' Vickers",
};

constexpr const char* kTitleFirst[] = {
    "Sommer",    "Vinter",   "Blå",      "Midnight", "Silent",  "Sidste", "Första",  "Gamle",
    "Lonely",    "Electric", "Nordiska", "Stille",   "Golden",  "Wild",   "Sene",    "Morgon",
    "Kärlekens", "Havets",   "Byens",    "Nattens",  "Highway", "Broken", "Søndags", "Älvens",
};
constexpr const char* kTitleSecond[] = {
    "nætter",  "Dreams",   "Roads",  "ljus",     "Hjerter",    "Songs",   "Blues", "vals",
    "Tango",   "Stories",  "Hearts", "visor",    "sange",      "Ballads", "Rain",  "Fields",
    "skygger", "Sessions", "Lights", "Rhapsody", "stämningar", "Waltz",   "Fire",  "minnen",
};
constexpr const char* kWholeTitles[] = {
    "Don't Stop",
    "Rock 'n' Roll",
    "Ain't No Sunshine",
    "Jag vill ha en egen måne",
    "Åh, vad det är skönt",
    "Kärlek på export",
    "Nu går sista visan",
    "Sømandens sang",
    "Öppna landskap",
    "Don't Stop Me Now",
    "Rock 'n' Roll Will Never Die",
    "I Can't Go On",
    "Det är vår",
    "Så länge skutan kan gå",
    "Æblerne i Æbeltoft",
    "Ølhunden og jeg",
    "Sommeren i Ærøskøbing",
    "Älska mig i Ängelholm",
    "Ön som försvann",
    "Østerbro Boogie",
    "Isn't She Lovely",
    "We Won't Get Fooled Again",
    "Livet är en schlager",
    "Kom hjem til Åbenrå",
};
constexpr const char* kTrackTags[] = {
    " (live)", " (remix)", " (demo)", " (Radio Edit)", " - Part II", " (instrumental)",
};
constexpr const char* kCities[] = {
    "Göteborg", "København", "Tromsø",   "Århus",  "Malmö", "Helsinki",
    "Oslo",     "Umeå",      "Roskilde", "Bergen", "Åbo",   "Ærøskøbing",
};

constexpr const char* kLabels[] = {
    "Sonet",
    "Polydor",
    "EMI",
    "CBS",
    "Metronome",
    "Abra Cadabra",
    "Playground",
    "Grappa",
    "Kirkelig Kulturverksted",
    "Mercury",
    "Columbia",
    "Decca",
    "Blue Note",
    "ECM",
    "Caprice",
    "Silence",
    "MNW",
    "Love Records",
    "Poko",
    "Johanna",
    "Medley",
    "Olga",
    "Tutl",
    "Dacapo",
    "Øresund Musik",
    "Mårten Musik",
    "Bællebøl Records",
    "Hälsinge Skivbolag",
    "Åhus Records",
    "Mill Records",
    "Philips",
    "Odeon",
    "Telefunken",
    "Storyville",
    "Dragon",
};

constexpr const char* kInstruments[] = {
    "sang",
    "kor",
    "guitar",
    "elektrisk guitar",
    "akustisk guitar",
    "bas",
    "kontrabas",
    "trommer",
    "slagtøj",
    "klaver",
    "flygel",
    "orgel",
    "hammondorgel",
    "synthesizer",
    "saxofon",
    "altsaxofon",
    "tenorsaxofon",
    "trompet",
    "basun",
    "tuba",
    "klarinet",
    "fløjte",
    "tværfløjte",
    "obo",
    "fagot",
    "violin",
    "bratsch",
    "cello",
    "harpe",
    "mandolin",
    "banjo",
    "mundharmonika",
    "harmonika",
    "nyckelharpa",
    "hardingfele",
    "kantele",
    "vibrafon",
    "bækkener",
    "tamburin",
    "lap steel",
};

constexpr const char* kBaseGenres[] = {
    "Rock",       "Pop",        "Jazz",        "Blues",
    "Folk",       "Viser",      "Klassisk",    "Country",
    "Soul",       "Funk",       "Reggae",      "Punk",
    "Metal",      "Hiphop",     "Elektronisk", "Schlager",
    "Dansband",   "Gospel",     "Opera",       "Kammermusik",
    "Swing",      "Bebop",      "Fusion",      "Disco",
    "Rockabilly", "Progrock",   "Psykedelisk", "Singer/songwriter",
    "Filmmusik",  "Børnemusik", "Julemusik",   "Spillemandsmusik",
    "Polka",      "Tango",      "Latin",       "Verdensmusik",
    "Ambient",    "New wave",   "Grunge",      "Ska",
};
constexpr const char* kGenreQualifiers[] = {
    "Dansk",   "Svensk", "Norsk",    "Finsk", "Nordisk", "Britisk", "Tidlig",
    "Moderne", "Live",   "Akustisk", "Ny",    "Gammel",  "Færøsk",  "Islandsk",
};

constexpr const char* kNotes[] = {
    "Købt på loppemarked", "Signeret af kunstneren", "Gave fra Åse",          "Ridset på side B",
    "Førstepresning",      "Omslag slidt",           "Lånt ud til Jørgen",    "Köpt i Göteborg",
    "Mangler tekstark",    "Don't lend this one",    "Rock 'n' Roll-samling", "Bytte med Søren",
};

constexpr const char* kMediaCodes[] = {"CD", "MD", "LP", "MC", "SG", "78"};
// Per mille of releases on each medium, in the order above.
constexpr int kMediaShare[] = {500, 40, 260, 90, 80, 30};
constexpr const char* kRegPrefix[] = {"CDP", "MDX", "SLP", "MC", "SG", "78-"};

std::string personName(Rng& rng) {
    return std::string(rng.pick(kFirstNames)) + " " + rng.pick(kLastNames);
}

// Unique names from generator `make` until the pool holds n of them.
template <class Make> std::vector<std::string> uniquePool(std::size_t n, Make make) {
    std::vector<std::string> pool;
    std::set<std::string> seen;
    while (pool.size() < n) {
        std::string s = make();
        if (seen.insert(s).second)
            pool.push_back(std::move(s));
    }
    return pool;
}

std::vector<std::string> artistPool(Rng& rng) {
    std::vector<std::string> pool = uniquePool(2000, [&] { return personName(rng); });
    for (const char* a : kBandAdjectivesNordic)
        for (const char* n : kBandNounsNordic)
            pool.push_back(std::string(a) + " " + n);
    for (const char* a : kBandAdjectives)
        for (const char* n : kBandNouns)
            pool.push_back(std::string("The ") + a + " " + n);
    for (const char* b : kFamousBands)
        pool.push_back(b);
    // Shuffle so that the favoured front of the pool mixes persons and bands.
    for (std::size_t i = pool.size() - 1; i > 0; --i)
        std::swap(pool[i], pool[rng.below(i + 1)]);
    return pool;
}

// The plain genres, then qualified ones ("Svensk jazz") in a shuffled order until there are 200.
std::vector<std::string> genrePool(Rng& rng) {
    std::vector<std::string> qualified;
    for (const char* q : kGenreQualifiers)
        for (const char* g : kBaseGenres) {
            std::string lower(g);
            if (lower[0] >= 'A' && lower[0] <= 'Z')
                lower[0] = static_cast<char>(lower[0] + 32);
            qualified.push_back(std::string(q) + " " + lower);
        }
    for (std::size_t i = qualified.size() - 1; i > 0; --i)
        std::swap(qualified[i], qualified[rng.below(i + 1)]);
    std::vector<std::string> pool(std::begin(kBaseGenres), std::end(kBaseGenres));
    for (std::string& g : qualified)
        if (pool.size() < static_cast<std::size_t>(kGenres) && charCount(g) <= 20)
            pool.push_back(std::move(g));
    if (pool.size() != static_cast<std::size_t>(kGenres))
        throw std::logic_error("the genre word lists give too few genres");
    return pool;
}

// A title of 10 to `maxChars` characters.
std::string title(Rng& rng, int maxChars) {
    for (;;) {
        std::string t;
        switch (rng.below(5)) {
        case 0:
            t = rng.pick(kWholeTitles);
            break;
        case 1:
            t = std::string(rng.pick(kTitleFirst)) + " " + rng.pick(kTitleSecond) + " " +
                rng.pick(kCities);
            break;
        case 2:
            t = std::string(rng.pick(kWholeTitles)) + " " + rng.pick(kTitleSecond);
            break;
        default:
            t = std::string(rng.pick(kTitleFirst)) + " " + rng.pick(kTitleSecond);
            break;
        }
        const int n = charCount(t);
        if (n >= 10 && n <= maxChars)
            return t;
    }
}

// Mostly 10 to 30 characters; now and then up to 40, longer than a musician row keeps.
std::string trackTitle(Rng& rng) {
    std::string t = title(rng, 30);
    if (rng.percent(8)) {
        std::string longer = t + (rng.percent(50) ? std::string(rng.pick(kTrackTags))
                                                  : " i " + std::string(rng.pick(kCities)));
        if (charCount(longer) <= 40)
            t = std::move(longer);
    }
    return t;
}

std::string twoDigits(int v) {
    return std::string(1, static_cast<char>('0' + v / 10)) + static_cast<char>('0' + v % 10);
}

double elapsedMs(std::chrono::steady_clock::time_point since) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - since)
        .count();
}

} // namespace

int charCount(std::string_view s) {
    int n = 0;
    for (char c : s)
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return n;
}

std::string_view firstChars(std::string_view s, int n) {
    std::size_t i = 0;
    for (int seen = 0; i < s.size(); ++i) {
        if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80 && seen++ == n)
            break;
    }
    return s.substr(0, i);
}

const engine::Table& Collection::byName(std::string_view name) const {
    if (name == "Lydsam")
        return lydsam;
    if (name == "Arkiv")
        return arkiv;
    if (name == "Numre")
        return numre;
    if (name == "Genre")
        return genre;
    if (name == "Musiker")
        return musiker;
    throw std::invalid_argument("no collection table is called " + std::string(name));
}

engine::Table& Collection::byName(std::string_view name) {
    return const_cast<engine::Table&>(std::as_const(*this).byName(name));
}

GenerateTimes generate(Collection& c, int releases, std::uint64_t seed) {
    if (releases < 1)
        throw std::invalid_argument("the number of releases must be at least 1");
    const auto start = std::chrono::steady_clock::now();
    Rng rng(seed);
    const std::vector<std::string> artists = artistPool(rng);
    const std::vector<std::string> musicians = uniquePool(3000, [&] { return personName(rng); });
    const std::vector<std::string> genres = genrePool(rng);
    std::vector<std::string> labels;
    for (const char* l : kLabels) {
        labels.push_back(l);
        if (charCount(l) <= 22)
            labels.push_back(std::string(l) + " Records");
    }

    // Tables are filled without indices: one sort per index afterwards is far cheaper than
    // keeping every index sorted on each post.
    for (const auto& desc : store::collectionTables())
        desc.create(c.byName(desc.name));

    engine::Table& g = c.genre;
    for (const std::string& name : genres) {
        g.append();
        g.setText(0, name);
        g.post();
    }

    engine::Table& a = c.arkiv;
    for (int i = 1; i <= releases; ++i) {
        a.append();
        a.setInteger(0, i);
        a.post();
    }

    engine::Table& l = c.lydsam;
    const int lKunstner = l.fieldIndex("Kunstner"), lTitel = l.fieldIndex("Titel"),
              lGenre = l.fieldIndex("Genre"), lMedia = l.fieldIndex("Media"),
              lForlag = l.fieldIndex("Forlag"), lRegNr = l.fieldIndex("RegNr"),
              lIndspillet = l.fieldIndex("Indspillet"), lAnskaffet = l.fieldIndex("Anskaffet"),
              lPris = l.fieldIndex("Pris"), lNum = l.fieldIndex("Num"),
              lNotater = l.fieldIndex("Notater");
    engine::Table& n = c.numre;
    const int nNum = n.fieldIndex("Num"), nTitel = n.fieldIndex("Titel"),
              nNummer = n.fieldIndex("Nummer"), nNrTitel = n.fieldIndex("NrTitel"),
              nKunstner = n.fieldIndex("Kunstner"), nKomponist = n.fieldIndex("Komponist"),
              nMusiker = n.fieldIndex("Musiker"), nKunstnerNotat = n.fieldIndex("KunstnerNotat"),
              nKomponistNotat = n.fieldIndex("KomponistNotat"), nNotat = n.fieldIndex("Notat"),
              nRegNr = n.fieldIndex("RegNr");
    engine::Table& m = c.musiker;
    const int mNrTitel = m.fieldIndex("NrTitel"), mMusiker = m.fieldIndex("Musiker"),
              mInstrument = m.fieldIndex("Instrument"), mTitel = m.fieldIndex("Titel"),
              mNum = m.fieldIndex("Num"), mNummer = m.fieldIndex("Nummer"),
              mNotat = m.fieldIndex("Notat");

    for (int num = 1; num <= releases; ++num) {
        const std::string& artist = artists[rng.skewed(artists.size())];
        const std::string releaseTitle = title(rng, 30);
        int medium = 0;
        for (int roll = static_cast<int>(rng.below(1000)); roll >= kMediaShare[medium]; ++medium)
            roll -= kMediaShare[medium];
        const int recorded = medium == 5 ? rng.between(1925, 1958) : rng.between(1958, 2024);
        const int acquired = rng.between(recorded, 2025);
        const std::string regNr =
            std::string(kRegPrefix[medium]) + " " + std::to_string(rng.between(100, 99999));

        l.append();
        l.setText(lKunstner, artist);
        l.setText(lTitel, releaseTitle);
        l.setText(lGenre, genres[rng.skewed(genres.size())]);
        l.setText(lMedia, kMediaCodes[medium]);
        l.setText(lForlag, labels[rng.below(labels.size())]);
        l.setText(lRegNr, regNr);
        l.setText(lIndspillet, std::to_string(recorded));
        l.setText(lAnskaffet, twoDigits(rng.between(1, 28)) + "." + twoDigits(rng.between(1, 12)) +
                                  "." + std::to_string(acquired));
        const double cents[] = {0.0, 0.5, 0.95};
        l.setFloat(lPris, rng.between(25, 349) + cents[rng.below(3)]);
        l.setInteger(lNum, num);
        if (rng.percent(8))
            l.setText(lNotater, rng.pick(kNotes));
        l.post();

        const std::string& composerOfRelease = artists[rng.below(artists.size())];
        for (int nr = 1; nr <= kTracksPerRelease; ++nr) {
            const std::string track = trackTitle(rng);
            const std::string& musician = musicians[rng.skewed(musicians.size())];
            n.append();
            n.setInteger(nNum, num);
            n.setText(nTitel, releaseTitle);
            n.setInteger(nNummer, nr);
            n.setText(nNrTitel, track);
            n.setText(nKunstner, rng.percent(7) ? artists[rng.below(artists.size())] : artist);
            n.setText(nKomponist,
                      rng.percent(70) ? composerOfRelease : musicians[rng.below(musicians.size())]);
            n.setText(nMusiker, musician);
            if (rng.percent(3))
                n.setText(nKunstnerNotat, rng.pick(kNotes));
            if (rng.percent(2))
                n.setText(nKomponistNotat, rng.pick(kNotes));
            if (rng.percent(5))
                n.setText(nNotat, rng.pick(kNotes));
            n.setText(nRegNr, regNr);
            n.post();

            m.append();
            m.setText(mNrTitel, firstChars(track, 30));
            m.setText(mMusiker, musician);
            m.setText(mInstrument, rng.pick(kInstruments));
            m.setText(mTitel, releaseTitle);
            m.setInteger(mNum, num);
            m.setInteger(mNummer, nr);
            if (rng.percent(2))
                m.setText(mNotat, rng.pick(kNotes));
            m.post();
        }
    }

    GenerateTimes times;
    times.fillMs = elapsedMs(start);
    const auto indexStart = std::chrono::steady_clock::now();
    for (const auto& desc : store::collectionTables()) {
        engine::Table& t = c.byName(desc.name);
        t.mergeChangeLog(); // the collection looks freshly opened, not edited
        desc.setDisplayWidths(t);
        desc.createIndices(t);
        t.first();
    }
    times.indexMs = elapsedMs(indexStart);
    return times;
}

void save(const Collection& c, const std::string& dir) {
    std::filesystem::create_directories(dir);
    for (const auto& desc : store::collectionTables())
        c.byName(desc.name).save(dir + "/" + desc.fileName);
}

} // namespace benchdata
