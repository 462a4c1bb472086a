// The covers: their log for undo, what a crash leaves, numbers moved by a merge, and pictures
// that are not what they claim to be.
#include "store/coverimage.h"
#include "store/covers.h"

#include "engine/error.h"

#include "machine.h"

#include <QBuffer>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string jpegOf(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPEG");
    return bytes.toStdString();
}

QImage gradient(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixel(x, y, qRgb(x % 256, y % 256, 128));
    return image;
}

// A BMP header that claims width × height pixels and holds none of them.
std::string bmpHeader(std::uint32_t width, std::uint32_t height) {
    std::string b(54, '\0');
    const auto put = [&](std::size_t at, std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, 54, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, width, 4);
    put(22, height, 4);
    put(26, 1, 2);
    put(28, 24, 2);
    return b;
}

// Made with an image tool: 8 × 8 red in CMYK (with the inverted values such files carry), and
// 4 × 4 animated red then blue.
const char* const kCmykJpeg =
    "/9j/7gAOQWRvYmUAZAAAAAAC/9sAQwADAgIDAgIDAwMDBAMDBAUIBQUEBAUKBwcGCAwKDAwLCgsLDQ4SEA0OEQ4LCxAW"
    "EBETFBUVFQwPFxgWFBgSFBUU/"
    "9sAQwEDBAQFBAUJBQUJFA0LDRQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQUFBQU"
    "FBQUFBQUFBQU/8AAFAgACAAIBAERAAIRAQMRAQQRAP/EABUAAQEAAAAAAAAAAAAAAAAAAAgJ/"
    "8QAFBABAAAAAAAAAAAAAAAAAAAAAP/"
    "EABUBAQEAAAAAAAAAAAAAAAAAAAcJ/8QAFBEBAAAAAAAAAAAAAAAAAAAAAP/aAA4EAQACEQMRBAAAPwBEHNKpVN//2Q==";
const char* const kAnimatedGif =
    "R0lGODlhBAAEAPAAAP8AAAAAACH5BAAKAAAAIf8LTkVUU0NBUEUyLjADAQAAACwAAAAA"
    "BAAEAAACBISPCQUAIfkEAAoAAAAsAAAAAAQABACAAAD/AAAAAgSEjwkFADs=";

std::string fromBase64(const char* text) {
    return QByteArray::fromBase64(QByteArray(text)).toStdString();
}

} // namespace

class TestCovers : public QObject {
    Q_OBJECT

private slots:
    void init();
    void undoTakesBackThroughTheLog();
    void stagedChangesSurviveACrash();
    void mergeMovesAWaitingCoverWithItsRelease();
    void picturesAreReadSafely_data();
    void picturesAreReadSafely();
    void coverFileNames_data();
    void coverFileNames();

private:
    QTemporaryDir dir_;
    std::string base_;
};

void TestCovers::init() {
    QVERIFY(dir_.isValid());
    static int run = 0;
    base_ = dir_.filePath(QStringLiteral("c%1/").arg(++run)).toStdString();
    fs::create_directories(base_);
    Machine m(base_);
    for (int i = 0; i < 2; ++i)
        m.newRelease("Alku " + std::to_string(i), 1);
    m.files.covers().set(1, picture("levy 1"));
    m.files.save();
}

void TestCovers::undoTakesBackThroughTheLog() {
    store::Covers covers(base_);
    covers.set(1, picture("toinen"));
    covers.set(1, picture("toinen")); // the same: no change
    covers.set(2, picture("uusi"));
    covers.set(1, nullptr);
    QCOMPARE(covers.log().size(), std::size_t(3));
    covers.revert(1, 3); // the second and third, last first
    QCOMPARE(*covers.picture(1), std::string("toinen"));
    QVERIFY(!covers.has(2));
    QCOMPARE(covers.log().size(), std::size_t(5)); // and that can be taken back in turn
    covers.revert(3, 5);
    QVERIFY(!covers.has(1));
    QCOMPARE(*covers.picture(2), std::string("uusi"));
    covers.revert(0, 1);
    QCOMPARE(*covers.picture(1), std::string("levy 1"));
    QVERIFY(covers.stored(1) && *covers.stored(1) == "levy 1"); // nothing written meanwhile
}

void TestCovers::stagedChangesSurviveACrash() {
    {
        Machine m(base_);
        m.files.keepJournal([](const std::string&) {});
        m.files.covers().set(2, picture("kaksi"));
        m.files.covers().set(1, nullptr);
        // ends here without a save, as a crash would
    }
    Machine again(base_);
    const store::JournalReplay replay = again.files.replayJournal();
    QCOMPARE(replay.covers, 2);
    QVERIFY(QString::fromStdString(replay.text()).contains(QStringLiteral("kansikuvan")));
    QCOMPARE(*again.files.covers().picture(2), std::string("kaksi"));
    QVERIFY(!again.files.covers().has(1));
    again.files.save();
    QCOMPARE(store::Covers(base_).numbersOnDisk(), std::vector<std::int32_t>{2});
    Machine third(base_);
    QCOMPARE(third.files.replayJournal().covers, 0); // saved: nothing is staged any more
}

void TestCovers::mergeMovesAWaitingCoverWithItsRelease() {
    const std::string other = base_.substr(0, base_.size() - 1) + "-toinen/";
    fs::copy(base_, other, fs::copy_options::recursive);
    Machine ours(base_);
    const int n = ours.newRelease("Meidän", 1);
    ours.files.covers().set(n, picture("meidän kansi"));
    {
        Machine theirs(other);
        QCOMPARE(theirs.newRelease("Heidän", 1), n);
        theirs.files.save();
    }
    for (const char* file : {"Arkiv.dat", "Lydsam.dat", "Numre.dat"})
        fs::copy_file(other + file, base_ + file, fs::copy_options::overwrite_existing);
    const store::MergeReport report = ours.files.save();
    QCOMPARE(report.renumbered, 1);
    QVERIFY(ours["Lydsam"].locate("Kunstner", "Meidän"));
    const std::int32_t moved = ours["Lydsam"].asInteger("Num");
    QVERIFY(moved != n);
    QCOMPARE(*store::Covers(base_).picture(moved), std::string("meidän kansi"));
    QVERIFY(!store::Covers(base_).has(n)); // theirs has no cover of ours
}

void TestCovers::picturesAreReadSafely_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QSize>("size"); // invalid: refused with a message
    const std::string big = jpegOf(gradient(2400, 1200));
    const std::string small = jpegOf(gradient(300, 200));
    QTest::newRow("a large scan is scaled to the kept size")
        << QByteArray::fromStdString(big) << QSize(1600, 800);
    QTest::newRow("a small picture keeps its size")
        << QByteArray::fromStdString(small) << QSize(300, 200);
    QTest::newRow("no picture at all") << QByteArray("just some text, no picture") << QSize();
    QTest::newRow("nothing") << QByteArray() << QSize();
    QTest::newRow("a JPEG cut short reads as far as it goes")
        << QByteArray::fromStdString(small.substr(0, small.size() / 2)) << QSize(300, 200);
    QTest::newRow("only a JPEG's first bytes")
        << QByteArray::fromStdString(small.substr(0, 20)) << QSize();
    QTest::newRow("a header asking for gigabytes")
        << QByteArray::fromStdString(bmpHeader(60000, 60000)) << QSize();
    QTest::newRow("an animation gives its first frame")
        << QByteArray::fromStdString(fromBase64(kAnimatedGif)) << QSize(4, 4);
    QTest::newRow("CMYK becomes RGB")
        << QByteArray::fromStdString(fromBase64(kCmykJpeg)) << QSize(8, 8);
}

void TestCovers::picturesAreReadSafely() {
    QFETCH(QByteArray, bytes);
    QFETCH(QSize, size);
    const std::string data = bytes.toStdString();
    if (!size.isValid()) {
        try {
            store::normalizeCover(data, QStringLiteral("kansi.jpg"));
            QFAIL("a picture that cannot be read was taken");
        } catch (const engine::Error& e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains(QStringLiteral("kansi.jpg")), e.what());
        }
        return;
    }
    const QImage image =
        store::readCoverImage(store::normalizeCover(data, QStringLiteral("kansi.jpg")),
                              store::kCoverLongSide, QStringLiteral("kansi.jpg"));
    QCOMPARE(image.size(), size);
    if (QTest::currentDataTag() == QByteArray("CMYK becomes RGB")) {
        const QColor c = image.pixelColor(4, 4);
        QVERIFY2(c.red() > 200 && c.green() < 60 && c.blue() < 60, qPrintable(c.name()));
    }
    if (QTest::currentDataTag() == QByteArray("an animation gives its first frame"))
        QVERIFY(image.pixelColor(1, 1).red() > 200);
}

void TestCovers::coverFileNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("num"); // 0: not a cover's file
    QTest::newRow("a cover") << "1234.jpg" << 1234;
    QTest::newRow("its backup") << "1234.jpg.bak" << 0;
    QTest::newRow("a save's temporary") << "1234.jpg.tmp-AbC123" << 0;
    QTest::newRow("leading zero") << "01.jpg" << 0;
    QTest::newRow("no number") << ".jpg" << 0;
    QTest::newRow("another format") << "12.png" << 0;
    QTest::newRow("too large a number") << "99999999999.jpg" << 0;
}

void TestCovers::coverFileNames() {
    QFETCH(QString, name);
    QFETCH(int, num);
    QCOMPARE(store::coverNumber(name.toStdString()).value_or(0), num);
}

QTEST_GUILESS_MAIN(TestCovers)
#include "tst_covers.moc"
