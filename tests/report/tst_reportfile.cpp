// The picture store and the report file: byte layout, spilling to a temporary file, round
// trips with and without compression, and damaged or foreign files.
#include "reporttestutil.h"

#include "report/pagepicture.h"
#include "report/pagestore.h"
#include "report/reportfile.h"
#include "report/repprinter.h"
#include "report/storesink.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>

using namespace reporttest;

namespace {

quint32 u32(const QByteArray& b, int at) {
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}

quint16 u16(const QByteArray& b, int at) {
    return quint16(quint8(b[at]) | (quint8(b[at + 1]) << 8));
}

void setU32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

QByteArray picture(const QString& text) {
    report::PagePicture p;
    p.size = QSizeF(794, 1123);
    const int f = p.fontIndex({QStringLiteral("Arial"), 13, false, false, false, false});
    p.ops.emplace_back(report::FillOp{QRectF(38, 38, 718, 24), qRgb(192, 192, 192)});
    p.ops.emplace_back(report::LineOp{QLineF(38, 38, 756, 38), 1, qRgb(0, 0, 0)});
    p.ops.emplace_back(report::TextOp{QPointF(46, 55), f, qRgb(0, 0, 0), QRectF(), text});
    return report::encodePicture(p);
}

// A finished store of two small pages.
std::unique_ptr<report::PageStore> twoPages(bool compressed) {
    auto s = std::make_unique<report::PageStore>();
    s->begin(compressed);
    s->addPage(picture(QStringLiteral("first page")));
    s->addPage(picture(QStringLiteral("second page")));
    s->finish();
    return s;
}

// The stored pages of a real run over n releases.
std::unique_ptr<TRepPrinter> generated(int releases, bool compressed, engine::Table& t,
                                       TReport& r) {
    fillReleases(t, releases);
    releasesLayout(r, &t);
    r.Options.Compression = compressed;
    auto rec = std::make_unique<TRepPrinter>(std::make_unique<report::StoreSink>());
    r.generate(*rec);
    return rec;
}

} // namespace

class TestReportFile : public QObject {
    Q_OBJECT

private slots:
    void headerAndRecordLayout_data();
    void headerAndRecordLayout();
    void pageCountIsWrittenWhenTheRunEnds();
    void storeSpillsToTemporaryFileAndRemovesIt();
    void saveAndLoadGiveTheSamePages_data();
    void saveAndLoadGiveTheSamePages();
    void missingFileIsReported();
    void damagedFilesAreRefused_data();
    void damagedFilesAreRefused();

private:
    QTemporaryDir dir_;
};

void TestReportFile::headerAndRecordLayout_data() {
    QTest::addColumn<bool>("compressed");
    QTest::newRow("plain pages") << false;
    QTest::newRow("compressed pages") << true;
}

void TestReportFile::headerAndRecordLayout() {
    QFETCH(bool, compressed);
    const QDateTime before = QDateTime::currentDateTime();
    const QByteArray b = twoPages(compressed)->bytes();
    QCOMPARE(u16(b, 0), quint16(3));
    QCOMPARE(u16(b, 2), quint16(212));
    QCOMPARE(u32(b, 4), 0u);
    QCOMPARE(u32(b, 8), 2u);
    double created;
    std::memcpy(&created, b.constData() + 12, 8);
    QVERIFY(std::abs(created - report::reportfile::toDayNumber(before)) < 1.0 / 24 / 60);
    QVERIFY(created > 45000); // days since 30 December 1899: after 2023
    QCOMPARE(int(b[20]), 0);
    QCOMPARE(int(b[21]), compressed ? 1 : 0);
    QCOMPARE(b.mid(22, 102), QByteArray(102, '\0'));

    const int extra = compressed ? 4 : 0;
    const QByteArray first = picture(QStringLiteral("first page"));
    quint32 at = 124;
    for (quint32 page = 1; page <= 2; ++page) {
        QCOMPARE(u32(b, int(at)), page);
        const quint32 next = u32(b, int(at) + 4);
        QCOMPARE(u32(b, int(next) - 4), at); // the record's own start closes it
        if (compressed)
            QCOMPARE(
                u32(b, int(at) + 8),
                quint32(
                    picture(QString::fromLatin1(page == 1 ? "first page" : "second page")).size()));
        else if (page == 1)
            QCOMPARE(b.mid(int(at) + 8, int(next - at) - 12), first);
        QVERIFY(next - at > quint32(12 + extra));
        at = next;
    }
    QCOMPARE(at, quint32(b.size()));
    QCOMPARE(u32(b, b.size() - 4), u32(b, 124 + 4)); // last 4 bytes: start of the last record
}

void TestReportFile::pageCountIsWrittenWhenTheRunEnds() {
    report::PageStore s;
    s.begin(false);
    s.addPage(picture(QStringLiteral("p1")));
    s.addPage(picture(QStringLiteral("p2")));
    s.addPage(picture(QStringLiteral("p3")));
    QCOMPARE(u32(s.bytes(), 8), 0u);
    QCOMPARE(s.pageCount(), 3);
    s.finish();
    QCOMPARE(u32(s.bytes(), 8), 3u);
}

void TestReportFile::storeSpillsToTemporaryFileAndRemovesIt() {
    QString name;
    {
        engine::Table t;
        TReport r;
        auto rec = generated(600, false, t, r);
        report::PageStore* s = rec->store();
        QVERIFY(s->byteSize() > report::PageStore::kMemoryLimit);
        QVERIFY(s->onDisk());
        name = s->fileName();
        const QFileInfo info(name);
        QVERIFY(info.exists());
        QCOMPARE(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QVERIFY(info.fileName().startsWith(QLatin1String("PRP")));
        QCOMPARE(info.size(), s->byteSize());
        // Pages still read back after the move.
        QCOMPARE(s->pageCount(), rec->PageCount());
        QCOMPARE(texts({1, s->picture(2), {}})[0], QStringLiteral("Taiteilija"));
    }
    QVERIFY(!QFileInfo::exists(name));

    report::PageStore small;
    small.begin(false);
    small.addPage(picture(QStringLiteral("small")));
    QVERIFY(!small.onDisk());
}

void TestReportFile::saveAndLoadGiveTheSamePages_data() {
    QTest::addColumn<bool>("compressed");
    QTest::addColumn<int>("releases");
    QTest::newRow("one page") << false << 5;
    QTest::newRow("many pages, on disk") << false << 500;
    QTest::newRow("compressed") << true << 200;
}

void TestReportFile::saveAndLoadGiveTheSamePages() {
    QFETCH(bool, compressed);
    QFETCH(int, releases);
    engine::Table t;
    TReport r;
    auto rec = generated(releases, compressed, t, r);
    const QString path = dir_.filePath(QStringLiteral("saved.PRP"));
    rec->store()->saveTo(path);
    QCOMPARE(QFileInfo(path).size(), rec->store()->byteSize());
    const auto loaded = report::PageStore::load(path);
    QCOMPARE(loaded->pageCount(), rec->PageCount());
    QCOMPARE(loaded->compressed(), compressed);
    for (int p = 1; p <= loaded->pageCount(); ++p)
        QCOMPARE(loaded->pictureBytes(p), rec->store()->pictureBytes(p));
    QCOMPARE(loaded->bytes(), rec->store()->bytes());
    qint64 plain = 124;
    for (int p = 1; p <= loaded->pageCount(); ++p)
        plain += 12 + loaded->pictureBytes(p).size();
    if (compressed) // compression pays on page pictures
        QVERIFY2(rec->store()->byteSize() < plain,
                 qPrintable(QStringLiteral("%1 of %2").arg(rec->store()->byteSize()).arg(plain)));
    else
        QCOMPARE(rec->store()->byteSize(), plain);
}

void TestReportFile::missingFileIsReported() {
    try {
        report::PageStore::load(dir_.filePath(QStringLiteral("nothing.PRP")));
        QFAIL("a missing file loaded");
    } catch (const report::Error& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("File does not exist"));
    }
}

void TestReportFile::damagedFilesAreRefused_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("message");
    const QByteArray good = twoPages(false)->bytes();
    const QByteArray packed = twoPages(true)->bytes();
    const quint32 second = u32(good, 124 + 4);
    const QString damaged = QStringLiteral("The report file 'bad.PRP' is damaged: ");

    QTest::newRow("empty file") << QByteArray() << "'bad.PRP' is not a report file";
    QTest::newRow("a text file") << QByteArray(400, 'x') << "'bad.PRP' is not a report file";
    QByteArray b = good;
    b[0] = 4;
    QTest::newRow("wrong format number") << b << "'bad.PRP' is not a report file";
    b = good;
    b[2] = char(213);
    QTest::newRow("wrong mark") << b << "'bad.PRP' is not a report file";
    QTest::newRow("header cut short") << good.left(60) << damaged + "it ends too early";
    QTest::newRow("no pages after the header")
        << good.left(128) << damaged + "the page count 2 does not fit the file";
    b = good;
    setU32(b, 8, 0);
    QTest::newRow("page count zero") << b << damaged + "it holds no pages";
    b = good;
    setU32(b, 8, 3);
    QTest::newRow("page count one too many") << b << damaged + "page 3 is missing";
    b = good;
    setU32(b, 8, 0xFFFFFFFF);
    QTest::newRow("page count huge")
        << b << damaged + "the page count 4294967295 does not fit the file";
    b = good;
    setU32(b, 8, 1);
    QTest::newRow("page count one too few") << b << damaged + "there are bytes after the last page";
    QTest::newRow("last page cut off")
        << good.left(good.size() - 10) << damaged + "page 2 has an invalid length";
    QTest::newRow("bytes after the last page")
        << good + QByteArray(4, '\0') << damaged + "there are bytes after the last page";
    b = good;
    setU32(b, 124, 2);
    QTest::newRow("page number out of order") << b << damaged + "page 1 is out of order";
    b = good;
    setU32(b, 128, quint32(good.size() + 100));
    QTest::newRow("next offset past the end") << b << damaged + "page 1 has an invalid length";
    b = good;
    setU32(b, 128, 130);
    QTest::newRow("next offset inside the record head")
        << b << damaged + "page 1 has an invalid length";
    b = good;
    setU32(b, int(second) - 4, 0);
    QTest::newRow("start offset that points elsewhere")
        << b << damaged + "page 1 does not end where it should";
    b = good;
    b[21] = 7;
    QTest::newRow("compression mark neither 0 nor 1")
        << b << damaged + "the compression mark is invalid";
    b = good;
    b[132] = 'X';
    QTest::newRow("page that is not a page picture")
        << b << damaged + "page 1: a page is not a page picture of this program";
    b = good;
    b[21] = 1;
    QTest::newRow("plain pages marked compressed") << b << damaged;
    b = packed;
    setU32(b, 132, 50000000);
    QTest::newRow("compressed size larger than the bits allow")
        << b << damaged + "page 1: compressed page data ends too early";
    b = packed;
    setU32(b, 132, 0x7FFFFFFF);
    QTest::newRow("compressed size beyond a page") << b << damaged + "a page is too large";
    b = good;
    b[124 + 8 + 16] = char(0xFF); // font count: more fonts than the page holds
    QTest::newRow("picture claims more than it holds") << b << damaged + "page 1: a page picture";
}

void TestReportFile::damagedFilesAreRefused() {
    QFETCH(QByteArray, bytes);
    QFETCH(QString, message);
    const QString path = dir_.filePath(QStringLiteral("bad.PRP"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
    f.close();
    try {
        report::PageStore::load(path);
        QFAIL("a damaged file loaded");
    } catch (const report::Error& e) {
        const QString what = QString::fromUtf8(e.what());
        QVERIFY2(what.startsWith(message), qPrintable(what));
    }
}

QTEST_MAIN(TestReportFile)
#include "tst_reportfile.moc"
