// Text elements: word wrap to the box, lines that would end below the box, alignment, auto
// size and align-to-band. Every character is 10 tenths wide and a line is 40 tenths high.
#include "report/textlayout.h"

#include <QtTest>

using report::placeText;
using report::splitLines;

namespace {

double width(const QString& s) {
    return 10.0 * double(s.size());
}

report::TextMetricsTenths metrics(bool italic = false) {
    report::TextMetricsTenths m;
    m.width = width;
    m.lineHeight = 40;
    m.ascent = 30;
    m.spaceWidth = 10;
    m.italic = italic;
    return m;
}

TRepElementBase element(TRepAlignment a, bool wrap = true) {
    TRepElementBase e;
    e.Alignment = a;
    e.WordWrap = wrap;
    return e;
}

const QRectF kBand(100, 500, 1900, 64);

} // namespace

class TestTextLayout : public QObject {
    Q_OBJECT

private slots:
    void split_data();
    void split();
    void linesBelowTheBoxAreLeftOut_data();
    void linesBelowTheBoxAreLeftOut();
    void alignment_data();
    void alignment();
    void autoSize_data();
    void autoSize();
    void fixedBoxesAreClippedToTheirArea();
};

void TestTextLayout::split_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<double>("maxWidth");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("fits: one line") << "Abba Gold" << true << 100.0 << QStringList{"Abba Gold"};
    QTest::newRow("wraps at the word that does not fit")
        << "one two three" << true << 70.0 << QStringList{"one two", "three"};
    QTest::newRow("exact width still fits") << "one two" << true << 70.0 << QStringList{"one two"};
    QTest::newRow("long word stands alone")
        << "a verylongword b" << true << 50.0 << QStringList{"a", "verylongword", "b"};
    QTest::newRow("no wrap: one line however long")
        << "one two three" << false << 10.0 << QStringList{"one two three"};
    QTest::newRow("memo line breaks always split")
        << "first\r\nsecond" << false << 1000.0 << QStringList{"first", "second"};
    QTest::newRow("empty text: one empty line") << "" << true << 100.0 << QStringList{""};
}

void TestTextLayout::split() {
    QFETCH(QString, text);
    QFETCH(bool, wrap);
    QFETCH(double, maxWidth);
    QFETCH(QStringList, lines);
    QCOMPARE(splitLines(text, wrap, maxWidth, width), lines);
}

void TestTextLayout::linesBelowTheBoxAreLeftOut_data() {
    QTest::addColumn<double>("boxHeight");
    QTest::addColumn<int>("drawn");
    QTest::newRow("box of 45: one line of 40") << 45.0 << 1;
    QTest::newRow("box of 78: second line would end 2 below") << 78.0 << 1;
    QTest::newRow("box of 79: second line ends exactly 1 below, drawn") << 79.0 << 2;
    QTest::newRow("box of 80: two lines") << 80.0 << 2;
    QTest::newRow("box of 38: even the first line is left out") << 38.0 << 0;
}

void TestTextLayout::linesBelowTheBoxAreLeftOut() {
    QFETCH(double, boxHeight);
    QFETCH(int, drawn);
    const QRectF box(200, 510, 50, boxHeight);
    const auto placed =
        placeText("aaa bbb ccc ddd", element(taLeftJustify), box, kBand, 0, metrics());
    QCOMPARE(int(placed.lines.size()), drawn);
    for (int i = 0; i < drawn; ++i)
        QCOMPARE(placed.lines[std::size_t(i)].baseline, 510 + 40.0 * i + 30);
    if (drawn > 0)
        QCOMPARE(placed.lines[0].text, QStringLiteral("aaa"));
}

void TestTextLayout::alignment_data() {
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("toBand");
    QTest::addColumn<bool>("italic");
    QTest::addColumn<double>("x");
    // Box from 300 to 500; text "abc" is 30 wide; band from 100 to 2000.
    QTest::newRow("left: from the box's left edge")
        << int(taLeftJustify) << false << false << 300.0;
    QTest::newRow("right: ends at the box's right edge")
        << int(taRightJustify) << false << false << 470.0;
    QTest::newRow("right, italic: one space further left")
        << int(taRightJustify) << false << true << 460.0;
    QTest::newRow("centre: on the box's middle") << int(taCenter) << false << false << 385.0;
    QTest::newRow("right against the band's edge")
        << int(taRightJustify) << true << false << 1970.0;
    QTest::newRow("centred across the band") << int(taCenter) << true << false << 1035.0;
    QTest::newRow("left of the band") << int(taLeftJustify) << true << false << 100.0;
}

void TestTextLayout::alignment() {
    QFETCH(int, alignment);
    QFETCH(bool, toBand);
    QFETCH(bool, italic);
    QFETCH(double, x);
    TRepElementBase e = element(TRepAlignment(alignment));
    e.AlignToBand = toBand;
    const auto placed = placeText("abc", e, QRectF(300, 510, 200, 45), kBand, 0, metrics(italic));
    QCOMPARE(int(placed.lines.size()), 1);
    QCOMPARE(placed.lines[0].x, x);
    QCOMPARE(placed.box, QRectF(300, 510, 200, 45)); // fixed size: the box stays
}

void TestTextLayout::autoSize_data() {
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("toBand");
    QTest::addColumn<double>("frameSides");
    QTest::addColumn<QRectF>("box");
    QTest::newRow("left keeps the left edge")
        << int(taLeftJustify) << false << 0.0 << QRectF(300, 510, 50, 45);
    QTest::newRow("right keeps the right edge")
        << int(taRightJustify) << false << 0.0 << QRectF(450, 510, 50, 45);
    QTest::newRow("centre keeps the centre")
        << int(taCenter) << false << 0.0 << QRectF(375, 510, 50, 45);
    QTest::newRow("frame side lines widen the box")
        << int(taLeftJustify) << false << 6.0 << QRectF(300, 510, 56, 45);
    QTest::newRow("centred across the band")
        << int(taCenter) << true << 0.0 << QRectF(1025, 510, 50, 45);
}

void TestTextLayout::autoSize() {
    QFETCH(int, alignment);
    QFETCH(bool, toBand);
    QFETCH(double, frameSides);
    QFETCH(QRectF, box);
    TRepElementBase e = element(TRepAlignment(alignment), false);
    e.AutoSize = true;
    e.AlignToBand = toBand;
    const auto placed =
        placeText("Hinta", e, QRectF(300, 510, 200, 45), kBand, frameSides, metrics());
    QCOMPARE(placed.box, box);
    QVERIFY(placed.clip.isNull());
    QCOMPARE(placed.lines[0].x, box.left() + frameSides / 2);
}

void TestTextLayout::fixedBoxesAreClippedToTheirArea() {
    const auto placed = placeText("averyveryverylongword", element(taLeftJustify),
                                  QRectF(300, 510, 100, 45), kBand, 0, metrics());
    QCOMPARE(placed.lines[0].text, QStringLiteral("averyveryverylongword"));
    QCOMPARE(placed.clip, QRectF(300, 510, 100, 45));
}

QTEST_MAIN(TestTextLayout)
#include "tst_textlayout.moc"
