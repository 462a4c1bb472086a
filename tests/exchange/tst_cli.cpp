// levyholvi-cli as a user runs it: exit status, messages, what ends up in the data folder.
#include "store/collectionlock.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int status = -1;
    QString out, err;
};

Run cli(const QStringList& args) {
    QProcess p;
    p.start(LEVYHOLVI_CLI, args);
    p.waitForFinished(60000);
    return {p.exitCode(), QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

const QByteArray kExport =
    "\xEF\xBB\xBF"
    "Catalog#,Artist,Title,Label,Format,Rating,Released,release_id,CollectionFolder,Date Added,"
    "Collection Media Condition,Collection Sleeve Condition,Collection Notes\r\n"
    "KS-1,Kaija Virta (2),Talvi,Sointu,\"LP, Album\",,1975,101,Jazz,2020-05-14 10:23:11,,,\r\n"
    "KS-2,Eero Aalto,Kesä,Sointu,\"CD, Album\",,0,102,Uncategorized,2021-01-02 08:00:00,,,\r\n"
    "KS-3,Eero Aalto,Video,Sointu,\"DVD, PAL\",,0,103,Uncategorized,2021-01-02 08:00:00,,,\r\n";

} // namespace

class TestCli : public QObject {
    Q_OBJECT

private slots:
    void importCheckExportAndImportAgain();
    void failures_data();
    void failures();
    void refusesWhileTheCollectionIsOpen();
    void checkCutsTitlesInCharacters();
    void setRenameAndStats();
    void coversImportExportAndCheck();
};

// Each command's wiring and what it saves; the exact CSV round trip is tst_csvtables'.
void TestCli::importCheckExportAndImportAgain() {
    QTemporaryDir dir;
    write(dir.filePath("export.csv"), kExport);
    const QString data = dir.filePath("data");
    const QStringList import{"import", "discogs", dir.filePath("export.csv"),
                             "--data", data,      "--folder-as-genre"};
    Run r = cli(import + QStringList{"--dry-run"});
    QCOMPARE(r.status, 0);
    QVERIFY(r.out.startsWith("2 levyä"));
    QVERIFY(!QFile::exists(dir.filePath("data/Lydsam.dat")));

    r = cli(import);
    QCOMPARE(r.err, QString());
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString("2 levyä, 0 kappaletta, 0 muusikkoa tuotu; 1 ohitettu\n"));
    r = cli({"check", "--data", data});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("Lydsam: 2 riviä\nArkiv: 2 riviä\nNumre: 0 riviä\nGenre: 1 riviä\n"),
             qPrintable(r.out));
    QVERIFY(r.out.contains("Kappaleita ilman levyä: 0\n"));
    QVERIFY(r.out.endsWith("Ristiriitakopioita: 0\n"));
    const QString copy = data + "/Lydsam.sync-conflict-20261208-101500-ABCDEF1.dat";
    QVERIFY(QFile::copy(data + "/Lydsam.dat", copy));
    r = cli({"check", "--data", data});
    QVERIFY2(r.out.endsWith("Ristiriitakopioita: 1\n  " + copy + "\n"), qPrintable(r.out));
    QVERIFY(QFile::remove(copy));
    r = cli(import);
    QCOMPARE(r.status, 0);
    QCOMPARE(r.out, QString("0 levyä, 0 kappaletta, 0 muusikkoa tuotu; 3 ohitettu\n"));

    QCOMPARE(cli({"export", "csv", dir.filePath("csv"), "--data", data}).status, 0);
    QFile genre(dir.filePath("csv/Genre.csv"));
    QVERIFY(genre.open(QIODevice::ReadOnly));
    QCOMPARE(genre.readAll(), QByteArray("Genre,Nr\r\nJazz,1\r\n"));
    r = cli({"import", "csv", dir.filePath("csv"), "--data", dir.filePath("b")});
    QCOMPARE(r.out, QString("2 levyä, 0 kappaletta, 0 muusikkoa tuotu; 0 ohitettu\n"));

    QCOMPARE(cli({"export", "html", dir.filePath("page.html"), "--data", data}).status, 0);
    QFile page(dir.filePath("page.html"));
    QVERIFY(page.open(QIODevice::ReadOnly) && page.readAll().contains("Content-Security-Policy"));
}

void TestCli::failures_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("damaged source names file and line")
        << QStringList{"import", "discogs", "@/bad.csv", "--data", "@/data"}
        << "levyholvi-cli: @/bad.csv, line 3: a quoted field is not closed\n";
    QTest::newRow("damaged table file")
        << QStringList{"check", "--data", "@/damaged"} << "levyholvi-cli: Cannot load";
    QTest::newRow("unknown source kind")
        << QStringList{"import", "cassette", "x", "--data", "@/data"}
        << "levyholvi-cli: unknown source kind 'cassette'";
    QTest::newRow("no data folder")
        << QStringList{"export", "csv", "@/out"} << "levyholvi-cli: --data DIR is needed\n";
    // A mistyped or unmounted folder is no empty collection: nothing is read, made or written.
    QTest::newRow("export from a missing folder")
        << QStringList{"export", "csv", "@/backup", "--data", "@/typo"}
        << "levyholvi-cli: no collection folder '@/typo/'\n";
    QTest::newRow("web page from a folder without tables")
        << QStringList{"export", "html", "@/backup/page.html", "--data", "@/unmounted"}
        << "levyholvi-cli: no collection in '@/unmounted/': it holds no table file\n";
    QTest::newRow("check of a missing folder") << QStringList{"check", "--data", "@/typo"}
                                               << "levyholvi-cli: no collection folder '@/typo/'\n";
    QTest::newRow("empty --data") << QStringList{"import", "csv", "@/backup", "--data", ""}
                                  << "levyholvi-cli: --data names no folder\n";
    QTest::newRow("a source file that is missing")
        << QStringList{"import", "musicbrainz", "@/x.json", "--data", "@/data"}
        << "levyholvi-cli: @/x.json: cannot be read";
    QTest::newRow("a field set cannot change") << QStringList{"set", "Num", "7", "--data", "@/data"}
                                               << "levyholvi-cli: set cannot change 'Num'";
    QTest::newRow("an unknown kind of name")
        << QStringList{"rename", "singer", "a", "b", "--data", "@/data"}
        << "levyholvi-cli: unknown kind of name 'singer'";
}

void TestCli::failures() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    QTemporaryDir dir;
    write(dir.filePath("bad.csv"), kExport.left(200) + "\r\nKS-9,\"Open,Levy\r\n");
    QDir(dir.path()).mkpath("damaged");
    QDir(dir.path()).mkpath("unmounted");
    QDir(dir.path()).mkpath("backup");
    const QByteArray backup = "Genre,Nr\r\nJazz,1\r\n";
    write(dir.filePath("backup/Genre.csv"), backup);
    write(dir.filePath("damaged/Numre.dat"), "not a table file");
    for (QString& a : args)
        a.replace("@", dir.path());
    message.replace("@", dir.path());
    const Run r = cli(args);
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.startsWith(message), qPrintable(r.err));
    QVERIFY(!QFile::exists(dir.filePath("data/Lydsam.dat")));
    QVERIFY(!QFile::exists(dir.filePath("typo")));
    QVERIFY(QDir(dir.filePath("unmounted")).isEmpty());
    QFile kept(dir.filePath("backup/Genre.csv"));
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), backup);
    QVERIFY(!QFile::exists(dir.filePath("backup/page.html")));
}

void TestCli::refusesWhileTheCollectionIsOpen() {
    QTemporaryDir dir;
    const store::CollectionLock window(dir.filePath("data").toStdString());
    QVERIFY(window.held());
    write(dir.filePath("data/Lydsam.dat"), "any table file");
    const Run r = cli({"check", "--data", dir.filePath("data")});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("Kokoelma on jo avattu toisessa Levyholvi-ikkunassa."),
             qPrintable(r.err));
}

// The engine cuts a musician row's copy of a track title at 30 characters; a character
// outside the Basic Multilingual Plane is one of them, not two.
void TestCli::checkCutsTitlesInCharacters() {
    QTemporaryDir dir;
    const QByteArray title = QByteArray(29, 'a') + "\xF0\x9F\x8E\xB5";
    write(dir.filePath("Lydsam.csv"), "Kunstner,Titel,Genre,Media,Forlag,RegNr,Indspillet,"
                                      "Anskaffet,Pris,Num,Notater\r\nA,Levy,,CD,,,,,,1,\r\n");
    write(dir.filePath("Numre.csv"),
          "Num,Titel,Nummer,NrTitel,Kunstner,Komponist,Musiker,KunstnerNotat,KomponistNotat,"
          "Notat,RegNr\r\n1,Levy,1," +
              title + "bc,,,,,,,\r\n");
    write(dir.filePath("Musiker.csv"), "NrTitel,Musiker,Instrument,Titel,Num,Nummer,Notat\r\n" +
                                           title + ",Soittaja,,Levy,,,\r\n");
    QCOMPARE(cli({"import", "csv", dir.path(), "--data", dir.filePath("data")}).status, 0);
    const Run r = cli({"check", "--data", dir.filePath("data")});
    QVERIFY2(r.out.contains("Muusikkorivejä ilman kappaletta: 0\n"), qPrintable(r.out));
}

// Pictures named by number in, a number with no release and a bad picture reported and
// skipped; out again; a cover of no release and a damaged one fail the check.
void TestCli::coversImportExportAndCheck() {
    QTemporaryDir dir;
    write(dir.filePath("export.csv"), kExport);
    const QString data = dir.filePath("data");
    QCOMPARE(cli({"import", "discogs", dir.filePath("export.csv"), "--data", data}).status, 0);
    QVERIFY(QDir().mkpath(dir.filePath("in")));
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::green);
    QVERIFY(image.save(dir.filePath("in/0001.png")) && image.save(dir.filePath("in/77.jpg")));
    write(dir.filePath("in/2.jpg"), "not a picture");
    write(dir.filePath("in/notes.txt"), "");
    Run r = cli({"covers", "import", dir.filePath("in"), "--data", data});
    QCOMPARE(r.status, 0);
    QVERIFY2(r.out.startsWith("1 kansikuvaa tuotu; 3 ohitettu\n") &&
                 r.out.contains("  77.jpg: ei levyä numerolla 77\n") &&
                 r.out.contains("  notes.txt: ") && r.out.contains("2.jpg ei voi lukea: "),
             qPrintable(r.out));
    QVERIFY(QFile::exists(data + "/Kannet/1.jpg") && !QFile::exists(data + "/Kannet/2.jpg"));
    r = cli({"covers", "export", dir.filePath("out"), "--data", data});
    QCOMPARE(r.out, QString("1 kansikuvaa viety\n"));
    QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files), QStringList{"1.jpg"});
    QCOMPARE(cli({"covers", "check", "--data", data}).status, 0);
    write(data + "/Kannet/5.jpg", "damaged");
    r = cli({"covers", "check", "--data", data});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.out.contains("Kansikuvia ilman levyä: 1\n  " + data + "/Kannet/5.jpg\n") &&
                 r.out.contains("Lukukelvottomia kansikuvia: 1\n"),
             qPrintable(r.out));
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"

// Many releases at once: a dry run says how many and saves nothing; then it is saved.
void TestCli::setRenameAndStats() {
    QTemporaryDir dir;
    write(dir.filePath("export.csv"), kExport);
    const QString data = dir.filePath("data");
    QCOMPARE(cli({"import", "discogs", dir.filePath("export.csv"), "--data", data}).status, 0);
    const QStringList set{"set", "genre", "Blues", "--medium", "LP", "--data", data};
    Run r = cli(set + QStringList{"--dry-run"});
    QCOMPARE(r.out,
             QString("1 levyä muuttuisi (valittuna 1)\nKokeiluajo: mitään ei tallennettu.\n"));
    r = cli(set);
    QCOMPARE(r.out, QString("1 levyä muutettu (valittuna 1)\n"));
    r = cli({"rename", "artist", "EERO AALTO", "Eero Aalto Trio", "--data", data});
    QCOMPARE(r.out, QString("1 riviä muutettu (Lydsam 1, Numre 0)\n"));
    r = cli({"set", "Pris", "a3", "--data", data});
    QCOMPARE(r.status, 1);
    QVERIFY2(r.err.contains("'a3' is not a valid"), qPrintable(r.err));
    QCOMPARE(cli({"export", "csv", dir.filePath("csv"), "--data", data}).status, 0);
    QFile releases(dir.filePath("csv/Lydsam.csv"));
    QVERIFY(releases.open(QIODevice::ReadOnly));
    const QByteArray rows = releases.readAll();
    QVERIFY2(rows.contains("Kaija Virta,Talvi,Blues,LP") &&
                 rows.contains("Eero Aalto Trio,Kesä,,CD"),
             rows.constData());
}
