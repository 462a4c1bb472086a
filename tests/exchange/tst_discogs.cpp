// The Discogs collection export as releases.
#include "exchange/discogs.h"

#include <QBuffer>
#include <QTest>

namespace {

const QByteArray kHeader =
    "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder,Date Added,"
    "Collection Media Condition,Collection Sleeve Condition,Collection Notes\r\n";

// Each release as "artist|title|label|catalogue#|media|recorded|acquired|genre|notes", then
// each note as "note: ...", or the error as "error: ...".
QStringList read(const QByteArray& bytes, bool folderAsGenre) {
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    QStringList out;
    try {
        const auto r = exchange::readDiscogs(buffer, "export.csv", {folderAsGenre});
        for (const exchange::ReleaseRecord& e : r.releases)
            out << QString::fromStdString(e.kunstner + '|' + e.titel + '|' + e.forlag + '|' +
                                          e.regNr + '|' + e.media + '|' + e.indspillet + '|' +
                                          e.anskaffet + '|' + e.genre + '|' + e.notater);
        for (const std::string& n : r.notes)
            out << "note: " + QString::fromStdString(n);
        if (r.skipped != int(r.notes.size()))
            out << "skipped " + QString::number(r.skipped);
    } catch (const exchange::ReadError& e) {
        out << "error: " + QString::fromUtf8(e.what());
    }
    return out;
}

} // namespace

class TestDiscogs : public QObject {
    Q_OBJECT

private slots:
    void media_data();
    void media();
    void nameSuffixes_data();
    void nameSuffixes();
    void reads_data();
    void reads();
};

void TestDiscogs::media_data() {
    QTest::addColumn<QString>("format");
    QTest::addColumn<QString>("media");
    // The first carrier decides; files, video and nothing give no medium.
    for (const char* text :
         {"CD, Album>CD", "CDr, Album, Ltd>CD", "SACD, Hybrid>CD", "Box Set, 5xCD, Comp>CD",
          "Minidisc, Album>MD", "Cass, Album>MC", "Shellac, 10\">78", "Vinyl, 10\", 78 RPM>78",
          "7\", Single, 45 RPM>SG", "Vinyl, 12\", Single>SG", "LP, Album, RE>LP", "2xLP, Album>LP",
          "10\", Mini>LP", "12\", 33 ⅓ RPM>LP", "CD, Album + DVD, PAL>CD", "File, MP3, Album>",
          "DVD, PAL>", "Blu-ray, Album>", ">"})
        QTest::newRow(text) << QString::fromUtf8(text).section('>', 0, 0)
                            << QString::fromUtf8(text).section('>', 1);
}

void TestDiscogs::media() {
    QFETCH(QString, format);
    QFETCH(QString, media);
    QCOMPARE(QString::fromStdString(exchange::discogsMedia(format.toStdString())), media);
}

void TestDiscogs::nameSuffixes_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("expected");
    // The number suffix goes from each name; words in brackets and numbers inside stay.
    for (const char* text : {"Kaija Virta (2)>Kaija Virta", "Aino (12), Eero (3)>Aino, Eero",
                             "Aino (2) & Eero>Aino & Eero", "Trio (Live)>Trio (Live)",
                             "Joukko (2) Jatkuu>Joukko (2) Jatkuu"})
        QTest::newRow(text) << QString::fromUtf8(text).section('>', 0, 0)
                            << QString::fromUtf8(text).section('>', 1);
}

void TestDiscogs::nameSuffixes() {
    QFETCH(QString, name);
    QFETCH(QString, expected);
    QCOMPARE(QString::fromStdString(exchange::withoutDiscogsSuffix(name.toStdString())), expected);
}

// The CSV reader's own damage (quotes left open) is tst_csv's.
void TestDiscogs::reads_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("folderAsGenre");
    QTest::addColumn<QStringList>("expected"); // an error by its start
    const QString badHeader = "error: export.csv, line 1: expected the header Catalog#";
    QTest::newRow("every column; released 0 is unknown, no genre without the option")
        << kHeader + "\"SKL 7, SKL 7b\",Kaija Virta (2),Talvi,\"Sointu (3), Muu\",2xLP,4,0,4711,"
                     "Jazz,2020-05-14 10:23:11,Very Good Plus (VG+),Good (G),"
                     "\"Hyvä, \"\"siisti\"\"\nlevy\"\r\n"
        << false
        << QStringList{"Kaija Virta|Talvi|Sointu|SKL 7|LP||2020-05-14||Discogs 4711\n"
                       "Media Condition: Very Good Plus (VG+)\nSleeve Condition: Good (G)\n"
                       "Hyvä, \"siisti\"\nlevy"};
    QTest::newRow("later columns may be missing")
        << QByteArray("Catalog#,Artist,Title,Label,Format,Rating,Released,release_id\n"
                      "A-1,Aino,Kevät,Levy,CD,,1999,12\nA-2,Eero,Syksy,Levy,CD\n")
        << false
        << QStringList{"Aino|Kevät|Levy|A-1|CD|1999|||Discogs 12", "Eero|Syksy|Levy|A-2|CD||||"};
    const QByteArray folders =
        kHeader + "1,A,B,L,CD,,,1,Jazz,,,,\r\n2,C,D,L,CD,,,2,Uncategorized,,,,\r\n";
    QTest::newRow("folder as genre, never Uncategorized")
        << folders << true << QStringList{"A|B|L|1|CD|||Jazz|Discogs 1", "C|D|L|2|CD||||Discogs 2"};
    QTest::newRow("folder option off")
        << folders << false << QStringList{"A|B|L|1|CD||||Discogs 1", "C|D|L|2|CD||||Discogs 2"};
    QTest::newRow("non-audio skipped, counted and named")
        << kHeader + "1,A,Film,L,\"DVD, PAL\",,,1,,,,,\r\n2,A,Levy,L,CD,,,2,,,,,\r\n"
                     "3,A,Tiedosto,L,\"File, FLAC\",,,3,,,,,\r\n"
        << false
        << QStringList{"A|Levy|L|2|CD||||Discogs 2",
                       "note: Line 2: A - Film: not a sound carrier (DVD, PAL)",
                       "note: Line 4: A - Tiedosto: not a sound carrier (File, FLAC)"};
    QTest::newRow("re-saved as Windows-1252: converted and noted")
        << kHeader + "EKT 60,M\xF6tley Cr\xFC"
                     "e,Dr. Feelgood,\xC4\xE4ni (2),CD,,1989,5,,,,,\r\n"
        << false
        << QStringList{"Mötley Crüe|Dr. Feelgood|Ääni|EKT 60|CD|1989|||Discogs 5",
                       "note: export.csv: not UTF-8, read as Windows-1252", "skipped 0"};
    QTest::newRow("empty file") << QByteArray() << false << QStringList{badHeader};
    QTest::newRow("not an export")
        << QByteArray("Name,Price\nx,1\n") << false << QStringList{badHeader};
    QTest::newRow("a row wider than the header")
        << QByteArray("Catalog#,Artist,Title\n1,A,B\n2,C,D,E\n") << false
        << QStringList{"error: export.csv, line 3: expected at most 3 fields, found 4"};
}

void TestDiscogs::reads() {
    QFETCH(QByteArray, bytes);
    QFETCH(bool, folderAsGenre);
    QFETCH(QStringList, expected);
    QStringList got = read(bytes, folderAsGenre);
    if (got.size() == 1 && expected[0].startsWith("error: "))
        got[0].truncate(expected[0].size());
    QCOMPARE(got, expected);
}

QTEST_GUILESS_MAIN(TestDiscogs)
#include "tst_discogs.moc"
