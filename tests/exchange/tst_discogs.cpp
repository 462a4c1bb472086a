// The Discogs collection export as releases.
#include "exchange/discogs.h"

#include <QBuffer>
#include <QTest>

namespace {

const QByteArray kHeader =
    "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder,Date Added,"
    "Collection Media Condition,Collection Sleeve Condition,Collection Notes\r\n";

exchange::ReadResult read(const QByteArray& bytes, bool folderAsGenre = false) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return exchange::readDiscogs(buffer, "export.csv", {folderAsGenre});
}

} // namespace

class TestDiscogs : public QObject {
    Q_OBJECT

private slots:
    void media_data();
    void media();
    void mapsOneRow();
    void nameSuffixes_data();
    void nameSuffixes();
    void laterColumnsMayBeMissing();
    void folderAsGenre();
    void nonAudioSkippedAndCounted();
    void badInputNamesFileLineAndExpectation_data();
    void badInputNamesFileLineAndExpectation();
};

void TestDiscogs::media_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("media");
    QTest::newRow("CD album") << "CD, Album"
                              << "CD";
    QTest::newRow("CDr") << "CDr, Album, Ltd"
                         << "CD";
    QTest::newRow("SACD") << "SACD, Hybrid"
                          << "CD";
    QTest::newRow("box of CDs") << "Box Set, 5xCD, Comp"
                                << "CD";
    QTest::newRow("Minidisc") << "Minidisc, Album"
                              << "MD";
    QTest::newRow("cassette") << "Cass, Album"
                              << "MC";
    QTest::newRow("shellac") << "Shellac, 10\""
                             << "78";
    QTest::newRow("78 RPM vinyl") << "Vinyl, 10\", 78 RPM"
                                  << "78";
    QTest::newRow("7 inch") << "7\", Single, 45 RPM"
                            << "SG";
    QTest::newRow("12 inch single") << "Vinyl, 12\", Single"
                                    << "SG";
    QTest::newRow("LP") << "LP, Album, RE"
                        << "LP";
    QTest::newRow("double LP") << "2xLP, Album"
                               << "LP";
    QTest::newRow("10 inch") << "10\", Mini"
                             << "LP";
    QTest::newRow("12 inch maxi") << "12\", 33 ⅓ RPM"
                                  << "LP";
    QTest::newRow("first carrier decides") << "CD, Album + DVD, PAL"
                                           << "CD";
    QTest::newRow("file") << "File, MP3, Album"
                          << "";
    QTest::newRow("DVD") << "DVD, PAL"
                         << "";
    QTest::newRow("Blu-ray") << "Blu-ray, Album"
                             << "";
    QTest::newRow("empty") << ""
                           << "";
}

void TestDiscogs::media() {
    QFETCH(QString, format);
    QFETCH(QString, media);
    QCOMPARE(QString::fromStdString(exchange::discogsMedia(format.toStdString())), media);
}

void TestDiscogs::mapsOneRow() {
    const auto r =
        read(kHeader + "\"SKL 7, SKL 7b\",Kaija Virta (2),Talvi,\"Sointu (3), Muu\","
                       "2xLP,4,0,4711,Jazz,2020-05-14 10:23:11,"
                       "Very Good Plus (VG+),Good (G),\"Hyvä, \"\"siisti\"\"\nlevy\"\r\n");
    QCOMPARE(r.releases.size(), std::size_t(1));
    const exchange::ReleaseRecord& rel = r.releases[0];
    QCOMPARE(QString::fromStdString(rel.kunstner), QString("Kaija Virta"));
    QCOMPARE(QString::fromStdString(rel.titel), QString("Talvi"));
    QCOMPARE(QString::fromStdString(rel.forlag), QString("Sointu"));
    QCOMPARE(QString::fromStdString(rel.regNr), QString("SKL 7"));
    QCOMPARE(QString::fromStdString(rel.media), QString("LP"));
    QCOMPARE(QString::fromStdString(rel.indspillet), QString("")); // "0" is unknown
    QCOMPARE(QString::fromStdString(rel.anskaffet), QString("2020-05-14"));
    QCOMPARE(QString::fromStdString(rel.genre), QString("")); // only with the folder option
    QCOMPARE(QString::fromStdString(rel.notater),
             QString("Discogs 4711\nMedia Condition: Very Good Plus (VG+)\n"
                     "Sleeve Condition: Good (G)\nHyvä, \"siisti\"\nlevy"));
}

void TestDiscogs::nameSuffixes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    QTest::newRow("suffix dropped") << "Kaija Virta (2)"
                                    << "Kaija Virta";
    QTest::newRow("each of several names") << "Aino (12), Eero (3)"
                                           << "Aino, Eero";
    QTest::newRow("with an ampersand") << "Aino (2) & Eero"
                                       << "Aino & Eero";
    QTest::newRow("words in brackets stay") << "Trio (Live)"
                                            << "Trio (Live)";
    QTest::newRow("a number inside the name stays") << "Joukko (2) Jatkuu"
                                                    << "Joukko (2) Jatkuu";
}

void TestDiscogs::nameSuffixes() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(exchange::withoutDiscogsSuffix(name.toStdString())), expected);
}

void TestDiscogs::laterColumnsMayBeMissing() {
    const auto r = read("Catalog#,Artist,Title,Label,Format,Rating,Released,release_id\n"
                        "A-1,Aino,Kevät,Levy,CD,,1999,12\n"
                        "A-2,Eero,Syksy,Levy,CD\n");
    QCOMPARE(r.releases.size(), std::size_t(2));
    QCOMPARE(QString::fromStdString(r.releases[0].indspillet), QString("1999"));
    QCOMPARE(QString::fromStdString(r.releases[0].notater), QString("Discogs 12"));
    QCOMPARE(QString::fromStdString(r.releases[1].notater), QString(""));
    QCOMPARE(QString::fromStdString(r.releases[1].anskaffet), QString(""));
}

void TestDiscogs::folderAsGenre() {
    const QByteArray rows =
        kHeader + "1,A,B,L,CD,,,1,Jazz,,,,\r\n2,C,D,L,CD,,,2,Uncategorized,,,,\r\n";
    const auto on = read(rows, true);
    QCOMPARE(QString::fromStdString(on.releases[0].genre), QString("Jazz"));
    QCOMPARE(QString::fromStdString(on.releases[1].genre), QString("")); // never "Uncategorized"
    QCOMPARE(QString::fromStdString(read(rows, false).releases[0].genre), QString(""));
}

void TestDiscogs::nonAudioSkippedAndCounted() {
    const auto r = read(kHeader + "1,A,Film,L,\"DVD, PAL\",,,1,,,,,\r\n"
                                  "2,A,Levy,L,CD,,,2,,,,,\r\n"
                                  "3,A,Tiedosto,L,\"File, FLAC\",,,3,,,,,\r\n");
    QCOMPARE(r.releases.size(), std::size_t(1));
    QCOMPARE(r.skipped, 2);
    QCOMPARE(r.notes.size(), std::size_t(2));
    QVERIFY(QString::fromStdString(r.notes[0]).startsWith("Line 2: A - Film"));
}

void TestDiscogs::badInputNamesFileLineAndExpectation_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("start");
    QTest::newRow("empty file") << QByteArray()
                                << "export.csv, line 1: expected the header Catalog#";
    QTest::newRow("not an export")
        << QByteArray("Name,Price\nx,1\n") << "export.csv, line 1: expected the header Catalog#";
    QTest::newRow("a row wider than the header")
        << QByteArray("Catalog#,Artist,Title\n1,A,B\n2,C,D,E\n")
        << "export.csv, line 3: expected at most 3 fields, found 4";
    QTest::newRow("quote left open") << kHeader + "1,A,\"B,L,CD\r\n"
                                     << "export.csv, line 2: a quoted field is not closed";
}

void TestDiscogs::badInputNamesFileLineAndExpectation() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, start);
    try {
        read(bytes);
        QFAIL("no error");
    } catch (const exchange::ReadError& e) {
        QVERIFY2(QString::fromUtf8(e.what()).startsWith(start), e.what());
    }
}

QTEST_GUILESS_MAIN(TestDiscogs)
#include "tst_discogs.moc"
