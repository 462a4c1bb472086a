// The adaptive splay-tree code: round trips, the bit order, and damaged input.
#include "report/reporterror.h"
#include "report/splaycodec.h"

#include <QRandomGenerator>
#include <QtTest>

class TestSplayCodec : public QObject {
    Q_OBJECT

private slots:
    void roundTrip_data();
    void roundTrip();
    void firstSymbolIsItsEightBitsPackedFromTheLowBit();
    void repeatedBytesGetShortCodes();
    void truncatedDataIsRefused();
};

void TestSplayCodec::roundTrip_data() {
    QTest::addColumn<QByteArray>("plain");
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QByteArray random(100000, '\0');
    QRandomGenerator gen(1234);
    for (char& c : random)
        c = char(gen.bounded(256));
    QByteArray skewed;
    for (int i = 0; i < 50000; ++i)
        skewed.append(char(gen.bounded(100) < 90 ? 'a' + gen.bounded(4) : gen.bounded(256)));
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("one byte") << QByteArray("x");
    QTest::newRow("every byte value once") << all;
    QByteArray backwards = all;
    std::reverse(backwards.begin(), backwards.end());
    QTest::newRow("every byte value, backwards and again") << all + backwards + all;
    QTest::newRow("one byte repeated") << QByteArray(10000, '\0');
    QTest::newRow("text") << QByteArray("Levyholvi Levyholvi Page 1 of 3 Artist Title Rock 1990");
    QTest::newRow("random bytes") << random;
    QTest::newRow("skewed bytes") << skewed;
}

void TestSplayCodec::roundTrip() {
    QFETCH(QByteArray, plain);
    const QByteArray packed = report::splayCompress(plain);
    QCOMPARE(report::splayExpand(packed.constData(), std::size_t(packed.size()),
                                 std::size_t(plain.size())),
             plain);
}

void TestSplayCodec::firstSymbolIsItsEightBitsPackedFromTheLowBit() {
    // The starting tree is complete: a byte's first code is its own bits, high bit first;
    // packing starts at the least significant bit of the first byte.
    QCOMPARE(report::splayCompress(QByteArray(1, char(0x80))), QByteArray(1, char(0x01)));
    QCOMPARE(report::splayCompress(QByteArray(1, char(0x01))), QByteArray(1, char(0x80)));
    QCOMPARE(report::splayCompress(QByteArray(1, char(0xC5))), QByteArray(1, char(0xA3)));
}

void TestSplayCodec::repeatedBytesGetShortCodes() {
    const QByteArray plain(10000, 'a');
    QVERIFY(report::splayCompress(plain).size() < plain.size() / 4);
}

void TestSplayCodec::truncatedDataIsRefused() {
    const QByteArray plain("Levyholvi report page");
    const QByteArray packed = report::splayCompress(plain);
    QVERIFY_THROWS_EXCEPTION(report::Error,
                             report::splayExpand(packed.constData(), std::size_t(packed.size() - 3),
                                                 std::size_t(plain.size())));
    // A size far beyond what the bits can hold is refused before anything is allocated.
    QVERIFY_THROWS_EXCEPTION(
        report::Error,
        report::splayExpand(packed.constData(), std::size_t(packed.size()), std::size_t(1) << 40));
}

QTEST_MAIN(TestSplayCodec)
#include "tst_splaycodec.moc"
