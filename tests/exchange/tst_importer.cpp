// The importer: record rules, duplicates, genres, cut values, all or nothing.
#include "collection.h"
#include "exchange/bulkapply.h"
#include "exchange/importer.h"
#include "store/coverimage.h"

#include <QImage>
#include <QTemporaryDir>
#include <QTest>

using exchange::ReleaseRecord;
using exchange::TrackRecord;

namespace {

ReleaseRecord release(std::string artist, std::string title, std::string regNr = "",
                      std::string notes = "") {
    ReleaseRecord r;
    r.kunstner = artist;
    r.titel = title;
    r.regNr = regNr;
    r.notater = notes;
    r.media = "CD";
    return r;
}

exchange::ReadResult found(std::vector<ReleaseRecord> releases) {
    exchange::ReadResult r;
    r.releases = std::move(releases);
    return r;
}

} // namespace

class TestImporter : public QObject {
    Q_OBJECT

private slots:
    void numbersAndLinksFollowTheRecordRules();
    void trackAfterTheHighestNumber();
    void duplicates_data();
    void duplicates();
    void genresAddedWhenNew();
    void longValuesCutAndCounted();
    void dryRunAndCancelChangeNothing();
    void stepLeftHalfWayTakesItsRowsBack();
    void hooksStayOffAndViewsFollow();
    void coversGoToTheirReleases();
    void acquiredDateAsTheLocaleWritesIt_data();
    void acquiredDateAsTheLocaleWritesIt();
    void summaryText();
};

void TestImporter::numbersAndLinksFollowTheRecordRules() {
    TestCollection c;
    TestCollection::add(c.lydsam, {"Kunstner=Vanha", "Titel=Levy", "Num=7"});
    for (const char* n : {"1", "2", "5"})
        TestCollection::add(c.arkiv, {QStringLiteral("ArkivNr=") + QLatin1String(n)});
    ReleaseRecord a = release("Aino", "Kevät");
    a.tracks.resize(3);
    a.tracks[0].nrTitel = "Ensimmäinen kappale jonka nimi on pitkä"; // 39 characters
    a.tracks[0].musicians = {{"Eero", "vocals", ""}};
    a.tracks[1].nrTitel = "Toinen";
    a.tracks[2].nummer = 5;
    a.tracks[2].nrTitel = "Viides";
    const auto s = exchange::importRecords(c.tables, found({a, release("Bertta", "Syksy")}));

    QCOMPARE(QList<int>({s.releases, s.tracks, s.musicians}), QList<int>({2, 3, 1}));
    // The next number is past both the last Arkiv number and the highest Num.
    QCOMPARE(TestCollection::column(c.lydsam, "Num"), (QStringList{"7", "8", "9"}));
    QCOMPARE(TestCollection::column(c.arkiv, "ArkivNr"), (QStringList{"1", "2", "5", "8", "9"}));
    QCOMPARE(TestCollection::column(c.numre, "Num"), (QStringList{"8", "8", "8"}));
    QCOMPARE(TestCollection::column(c.numre, "Titel"), (QStringList{"Kevät", "Kevät", "Kevät"}));
    QCOMPARE(TestCollection::column(c.numre, "Nummer"), (QStringList{"1", "2", "5"}));
    QCOMPARE(TestCollection::column(c.musiker, "NrTitel") +
                 TestCollection::column(c.musiker, "Titel") +
                 TestCollection::column(c.musiker, "Instrument"),
             (QStringList{"Ensimmäinen kappale jonka nimi", "Kevät", "vocals"}));
    // Pending like typed rows, saved at close.
    QVERIFY(c.lydsam.changeCount() > 0 && c.numre.changeCount() > 0);
}

void TestImporter::trackAfterTheHighestNumber() {
    TestCollection c;
    ReleaseRecord a = release("Aino", "Kevät");
    a.tracks.resize(2);
    a.tracks[0].nummer = INT32_MAX;
    exchange::importRecords(c.tables, found({a}));
    QCOMPARE(TestCollection::column(c.numre, "Nummer"), (QStringList{"2147483647", "2147483647"}));
}

void TestImporter::duplicates_data() {
    QTest::addColumn<QStringList>("r"); // artist, title, catalogue number, notes
    QTest::addColumn<bool>("twice");    // the source has the release twice
    QTest::addColumn<int>("added");
    QTest::newRow("same Discogs release, other names")
        << QStringList{"Muu", "Nimi", "", "Discogs 5\nother notes"} << false << 0;
    QTest::newRow("same artist, title and number in other case")
        << QStringList{"AINO", "kevät", "a-1", ""} << false << 0;
    QTest::newRow("other catalogue number")
        << QStringList{"Aino", "Kevät", "A-2", ""} << false << 1;
    QTest::newRow("other Discogs release")
        << QStringList{"Muu", "Nimi", "", "Discogs 55"} << false << 1;
    QTest::newRow("a user's note line is no source line")
        << QStringList{"Muu", "Nimi", "", "Lahja"} << false << 1;
    QTest::newRow("decomposed letters (NFD)")
        << QStringList{"Aino", "Keva\u0308t", "A-1", ""} << false << 0;
    QTest::newRow("a new release twice in the source")
        << QStringList{"Uusi", "Levy", "", ""} << true << 1;
    QTest::newRow("a new Discogs release twice, one copy each row")
        << QStringList{"Uusi", "Levy", "U-1", "Discogs 77"} << true << 1;
    QTest::newRow("a release of the collection twice in the source")
        << QStringList{"Aino", "Kevät", "A-1", ""} << true << 0;
}

void TestImporter::duplicates() {
    QFETCH(QStringList, r);
    QFETCH(int, added);
    TestCollection c;
    TestCollection::add(c.lydsam, {"Kunstner=Aino", "Titel=Kevät", "RegNr=A-1", "Num=1",
                                   "Notater=Discogs 5\nMedia Condition: Mint (M)"});
    TestCollection::add(c.lydsam, {"Kunstner=Toinen", "Titel=Kevät", "Num=2", "Notater=Lahja"});
    QFETCH(bool, twice);
    const ReleaseRecord one =
        release(r[0].toStdString(), r[1].toStdString(), r[2].toStdString(), r[3].toStdString());
    const int count = twice ? 2 : 1;
    const auto s = exchange::importRecords(c.tables, found(std::vector(count, one)));
    QCOMPARE(s.releases, added);
    QCOMPARE(s.skipped, count - added);
    QCOMPARE(c.lydsam.storedRowCount(), 2 + added);
}

void TestImporter::genresAddedWhenNew() {
    TestCollection c;
    TestCollection::add(c.genre, {"Genre=Jazz"});
    std::vector<ReleaseRecord> releases{release("A", "1"), release("B", "2"), release("D", "3")};
    for (auto [i, genre] : {std::pair{0, "jazz"}, {1, "Rock"}, {2, "Rock"}})
        releases[i].genre = genre;
    auto in = found(releases);
    in.genres = {"Blues", "JAZZ"};
    const auto s = exchange::importRecords(c.tables, in);
    QCOMPARE(s.genres, 2);
    QCOMPARE(TestCollection::column(c.genre, "Genre"), (QStringList{"Jazz", "Rock", "Blues"}));
    QCOMPARE(TestCollection::column(c.genre, "Nr"), (QStringList{"1", "2", "3"}));
}

void TestImporter::longValuesCutAndCounted() {
    TestCollection c;
    ReleaseRecord r = release("Ääääääääää Öööööööööö Åååååååååå Ω", "東京");
    r.media = "CDR";
    const auto s = exchange::importRecords(c.tables, found({r}));
    QCOMPARE(s.cut, 2);
    QCOMPARE(TestCollection::column(c.lydsam, "Kunstner"),
             QStringList{"Ääääääääää Öööööööööö Åååååååå"});
    QCOMPARE(TestCollection::column(c.lydsam, "Titel"), QStringList{"東京"});
    QCOMPARE(TestCollection::column(c.lydsam, "Media"), QStringList{"CD"});
}

void TestImporter::dryRunAndCancelChangeNothing() {
    TestCollection c;
    ReleaseRecord r = release("A", "B");
    r.tracks.resize(3);
    const auto dry = exchange::importRecords(c.tables, found({r}), true);
    QCOMPARE(dry.releases, 1);
    QCOMPARE(dry.tracks, 3);
    const auto cancelled =
        exchange::importRecords(c.tables, found({r}), false, [](int, int) { return false; });
    QVERIFY(cancelled.cancelled);
    QCOMPARE(c.changes(), 0);
    QCOMPARE(c.lydsam.storedRowCount() + c.arkiv.storedRowCount() + c.numre.storedRowCount(), 0);
}

// An error on the way through a step (thrown out of its middle) leaves the tables as they
// were: no release without its tracks, nothing pending to save.
void TestImporter::stepLeftHalfWayTakesItsRowsBack() {
    TestCollection c;
    TestCollection::add(c.lydsam, {"Kunstner=Vanha", "Num=1"});
    TestCollection::add(c.numre, {"NrTitel=Vanha kappale", "Num=1"});
    c.lydsam.setActiveIndex("Kunstner");
    c.lydsam.last();
    const int changes = c.changes();
    try {
        exchange::BulkApply bulk(c.tables);
        TestCollection::add(c.arkiv, {"ArkivNr=2"});
        TestCollection::add(c.lydsam, {"Kunstner=Uusi", "Num=2"});
        TestCollection::add(c.numre, {"NrTitel=Uusi kappale", "Num=2"});
        c.musiker.append(); // unfinished
        throw std::runtime_error("disk full");
    } catch (const std::runtime_error&) {
    }
    QCOMPARE(TestCollection::column(c.lydsam, "Kunstner"), QStringList{"Vanha"});
    QCOMPARE(TestCollection::column(c.numre, "NrTitel"), QStringList{"Vanha kappale"});
    QCOMPARE(c.arkiv.storedRowCount() + c.musiker.storedRowCount(), 0);
    QCOMPARE(c.lydsam.asText("Kunstner"), std::string("Vanha"));
    QVERIFY(c.changes() > changes); // counted, but nothing left to save
    for (const engine::Table* t : {&c.lydsam, &c.arkiv, &c.numre, &c.genre, &c.musiker})
        QCOMPARE(t->netChanges().size(), t == &c.lydsam || t == &c.numre ? 1U : 0U);
}

void TestImporter::hooksStayOffAndViewsFollow() {
    TestCollection c;
    TestCollection::add(c.lydsam, {"Kunstner=Cecilia", "Titel=X", "Num=1"});
    TestCollection::add(c.numre, {"Num=1", "NrTitel=Oma"});
    c.numre.setFilter("Num = '1'");
    c.numre.setFiltered(true);
    int hooks = 0;
    c.lydsam.afterInsert = [&hooks] { ++hooks; };
    c.numre.afterInsert = [&hooks] { ++hooks; };
    ReleaseRecord a = release("Aino", "A"), b = release("Daavid", "D");
    a.tracks.resize(2);
    exchange::importRecords(c.tables, found({b, a}));
    QCOMPARE(hooks, 0);
    QVERIFY(c.lydsam.afterInsert); // given back afterwards
    // The artist index holds the new releases in order; the current release stays current.
    QCOMPARE(c.lydsam.recordCount(), 3);
    QCOMPARE(QString::fromStdString(c.lydsam.textAt(0, 0)), QString("Aino"));
    QCOMPARE(QString::fromStdString(c.lydsam.textAt(2, 0)), QString("Daavid"));
    QCOMPARE(QString::fromStdString(c.lydsam.asText("Kunstner")), QString("Cecilia"));
    QCOMPARE(c.numre.recordCount(), 1); // the filter still holds
    QCOMPARE(c.numre.storedRowCount(), 3);
}

// Each cover goes to its own release's number, past a release skipped as already there; a
// picture that cannot be read is a note, and its release comes in all the same.
void TestImporter::coversGoToTheirReleases() {
    QTemporaryDir dir;
    store::Covers covers(dir.path().toStdString() + '/');
    TestCollection c;
    c.tables.covers = &covers;
    TestCollection::add(c.lydsam, {"Kunstner=Aino", "Titel=Kevät", "Num=1"});
    QImage image(40, 20, QImage::Format_RGB32);
    image.fill(Qt::red);
    QVERIFY(image.save(dir.filePath("kansi.png")));
    ReleaseRecord old = release("Aino", "Kevät"), bad = release("B", "Huono"),
                  embedded = release("C", "Upotettu"), file = release("D", "Tiedosto");
    old.coverFile = file.coverFile = dir.filePath("kansi.png").toStdString();
    bad.coverBytes = "not a picture";
    embedded.coverBytes = store::encodeCover(image);
    const auto in = found({old, bad, embedded, file});

    QCOMPARE(exchange::importRecords(c.tables, in, true).covers, 3);
    QVERIFY(!covers.hasChanges());
    const auto s = exchange::importRecords(c.tables, in);
    QCOMPARE(QList<int>({s.releases, s.covers, s.badCovers}), QList<int>({3, 2, 1}));
    QVERIFY(QString::fromStdString(s.notes.back())
                .startsWith("Kansikuvaa ei voitu lukea: Kuvaa B - Huono (upotettu kuva)"));
    QCOMPARE(TestCollection::column(c.lydsam, "Num"), (QStringList{"1", "2", "3", "4"}));
    QCOMPARE(QList<bool>({covers.has(1), covers.has(2), covers.has(3), covers.has(4)}),
             QList<bool>({false, false, true, true}));
    QCOMPARE(store::readCoverImage(*covers.picture(4), 100, "4").size(), QSize(40, 20));
}

void TestImporter::acquiredDateAsTheLocaleWritesIt_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("date");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Finnish") << "fi_FI"
                             << "2026-05-01"
                             << "01.05.2026";
    QTest::newRow("Danish") << "da_DK"
                            << "2015-08-15"
                            << "15.08.2015";
    QTest::newRow("US English, four-digit year") << "en_US"
                                                 << "2026-05-01"
                                                 << "05/01/2026";
    QTest::newRow("a month name would not fit: ISO") << "C"
                                                     << "2026-05-01"
                                                     << "2026-05-01";
    QTest::newRow("already the locale's") << "fi_FI"
                                          << "15.08.2015"
                                          << "15.08.2015";
    QTest::newRow("a year only") << "fi_FI"
                                 << "2026"
                                 << "2026";
    QTest::newRow("no such day") << "fi_FI"
                                 << "2026-02-30"
                                 << "2026-02-30";
}

void TestImporter::acquiredDateAsTheLocaleWritesIt() {
    QFETCH(QString, locale);
    QFETCH(QString, date);
    QFETCH(QString, stored);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    TestCollection c;
    ReleaseRecord r = release("A", "B");
    r.anskaffet = date.toStdString();
    exchange::importRecords(c.tables, found({r}));
    QLocale::setDefault(before);
    QCOMPARE(TestCollection::column(c.lydsam, "Anskaffet"), QStringList{stored});
}

void TestImporter::summaryText() {
    exchange::ImportSummary s;
    s.releases = 2, s.tracks = 24, s.musicians = 3, s.skipped = 1;
    QCOMPARE(exchange::summaryText(s),
             QString("2 levyä, 24 kappaletta, 3 muusikkoa tuotu; 1 ohitettu"));
    s.covers = 5;
    QCOMPARE(exchange::summaryText(s),
             QString("2 levyä, 24 kappaletta, 3 muusikkoa, 5 kansikuvaa tuotu; 1 ohitettu"));
    s.cut = 4;
    QVERIFY(
        exchange::summaryText(s).endsWith("\n4 liian pitkää arvoa lyhennetty kentän pituuteen"));
    s.fromWindows1252 = true;
    QVERIFY(exchange::summaryText(s).endsWith("\nLähde ei ollut UTF-8:aa; teksti luettu "
                                              "Windows-1252-merkistönä"));
}

QTEST_GUILESS_MAIN(TestImporter)
#include "tst_importer.moc"
