#include "extras/effectlabel.h"

#include <QPainter>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <functional>

using L = TEffectLabel;
using Action = std::function<void(L&)>;
Q_DECLARE_METATYPE(Action)

namespace {

const QColor Bg(255, 0, 255), Red(255, 0, 0), Blue(0, 0, 255), Green(0, 128, 0);
const QString NewState =
    QStringLiteral("esRaised csWindows #ffffff #000000 #808080 edUpLeft/edDownRight 1/1");

// Aliased glyphs keep each layer's exact colour, so layers can be told apart by pixel.
void prepare(L& l, const QString& caption, QSize size = {300, 300}) {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setPixelSize(30);
    f.setStyleStrategy(QFont::NoAntialias);
    l.setFont(f);
    l.setText(caption);
    l.resize(size);
}

QImage shot(L& l) {
    QImage img(l.size(), QImage::Format_RGB32);
    img.fill(Bg);
    l.render(&img, QPoint(), QRegion(), QWidget::RenderFlags());
    return img;
}

// The box around the pixels of colour c, or with match false, around all other pixels.
QRect colourBox(const QImage& img, QColor c, bool match = true) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) == c.rgb()) == match)
                r |= QRect(x, y, 1, 1);
    return r;
}
QRect inkBox(const QImage& img) {
    return colourBox(img, Bg, false);
}

// Where a caption's ink lies when drawn plainly as one line with its cell's top-left at 0, 0.
QRect referenceInk(const QFont& font, const QString& text) {
    QImage img(1000, 200, QImage::Format_RGB32);
    img.fill(Bg);
    QPainter p(&img);
    p.setFont(font);
    p.drawText(QPointF(0, QFontMetrics(font).ascent()), text);
    p.end();
    return inkBox(img);
}

// Everything the setters change, in one line.
QString state(const L& l) {
    auto key = [](auto v) {
        return QString::fromLatin1(QMetaEnum::fromType<decltype(v)>().valueToKey(v));
    };
    return QStringLiteral("%1 %2 %3 %4 %5 %6/%7 %8/%9%10")
        .arg(key(l.effectStyle()), key(l.colourScheme()), l.colourHighlight().name(),
             l.colourShadow().name(), l.fontColor().name(), key(l.directionHighlight()),
             key(l.directionShadow()))
        .arg(l.depthHighlight())
        .arg(l.depthShadow())
        .arg(l.asButton() ? QStringLiteral(" button") : QString());
}

void send(L& l, QEvent::Type type, QPoint pos, Qt::MouseButton button = Qt::LeftButton,
          Qt::MouseButtons buttons = Qt::LeftButton, Qt::KeyboardModifiers keys = {}) {
    QMouseEvent e(type, pos, l.mapToGlobal(pos), button, buttons, keys);
    QApplication::sendEvent(&l, &e);
}
void press(L& l, QPoint pos) {
    send(l, QEvent::MouseButtonPress, pos);
}
void drag(L& l, QPoint pos) {
    send(l, QEvent::MouseMove, pos, Qt::NoButton);
}
void release(L& l, QPoint pos) {
    send(l, QEvent::MouseButtonRelease, pos, Qt::LeftButton, Qt::NoButton);
}

} // namespace

class TestEffectLabel : public QObject {
    Q_OBJECT

private slots:
    void newLabel();
    void setters_data();
    void setters();
    void badValuesChangeNothing_data();
    void badValuesChangeNothing();
    void layers_data();
    void layers();
    void rotation_data();
    void rotation();
    void background_data();
    void background();
    void textLayout();
    void button_data();
    void button();
    void mouseEventsWithoutButtonMode();
};

void TestEffectLabel::newLabel() {
    L l;
    QCOMPARE(l.size(), QSize(142, 33));
    QCOMPARE(QFontInfo(l.font()).family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(l.font().pixelSize(), 27);
    QVERIFY(l.transparent());
    QCOMPARE(state(l), NewState);
    QCOMPARE(l.property("ColourScheme").value<L::TColourScheme>(), L::csWindows); // for layouts
}

void TestEffectLabel::setters_data() {
    QTest::addColumn<Action>("action");
    QTest::addColumn<QString>("want");
    auto row = [](const char* name, Action a, const char* want) {
        QTest::newRow(name) << a << QString::fromLatin1(want);
    };
    row(
        "unchanged values switch nothing",
        [](L& l) { l.setColourHighlight(Qt::white), l.setDepthShadow(1), l.setAsButton(false); },
        "esRaised csWindows #ffffff #000000 #808080 edUpLeft/edDownRight 1/1");
    row(
        "a depth by hand makes the style custom", [](L& l) { l.setDepthShadow(4); },
        "esCustom csWindows #ffffff #000000 #808080 edUpLeft/edDownRight 1/4");
    row(
        "a highlight by hand makes the scheme custom, face from its row",
        [](L& l) { l.setDepthShadow(4), l.setColourHighlight(QColor(128, 128, 128)); },
        "esCustom csCustom #808080 #000000 #808080 edUpLeft/edDownRight 1/4");
    row(
        "main window title: a font colour given afterwards stays",
        [](L& l) {
            l.setDepthShadow(4), l.setColourHighlight(QColor(128, 128, 128));
            l.setFontColor(Qt::cyan);
        },
        "esCustom csCustom #808080 #000000 #00ffff edUpLeft/edDownRight 1/4");
    row(
        "gold then custom keeps the gold colours",
        [](L& l) { l.setColourScheme(L::csGold), l.setColourScheme(L::csCustom); },
        "esRaised csCustom #ffff00 #000000 #808000 edUpLeft/edDownRight 1/1");
    row(
        "a font colour set directly is not kept by the custom row",
        [](L& l) { l.setFontColor(Red), l.setColourShadow(Blue); },
        "esRaised csCustom #ffffff #0000ff #808080 edUpLeft/edDownRight 1/1");
    row(
        "steel scheme", [](L& l) { l.setColourScheme(L::csSteel); },
        "esRaised csSteel #00ffff #000080 #008080 edUpLeft/edDownRight 1/1");
    row(
        "text scheme", [](L& l) { l.setColourScheme(L::csText); },
        "esRaised csText #ffffff #808080 #000000 edUpLeft/edDownRight 1/1");
    row(
        "embossed scheme", [](L& l) { l.setColourScheme(L::csEmbossed); },
        "esRaised csEmbossed #ffffff #000000 #c0c0c0 edUpLeft/edDownRight 1/1");
    row(
        "AsButton forces raised", [](L& l) { l.setEffectStyle(L::esShadow), l.setAsButton(true); },
        "esRaised csWindows #ffffff #000000 #808080 edUpLeft/edDownRight 1/1 button");
    row(
        "a direction by hand turns the button off",
        [](L& l) { l.setAsButton(true), l.setDirectionHighlight(L::edUp); },
        "esCustom csWindows #ffffff #000000 #808080 edUp/edDownRight 1/1");
    row(
        "none turns the button off", [](L& l) { l.setAsButton(true), l.setEffectStyle(L::esNone); },
        "esNone csWindows #ffffff #000000 #808080 edNone/edNone 0/0");
    row(
        "custom keeps the geometry, turns the button off",
        [](L& l) { l.setAsButton(true), l.setEffectStyle(L::esCustom); },
        "esCustom csWindows #ffffff #000000 #808080 edUpLeft/edDownRight 1/1");
    row(
        "sunken keeps the button", [](L& l) { l.setAsButton(true), l.setEffectStyle(L::esSunken); },
        "esSunken csWindows #ffffff #000000 #808080 edDownRight/edUpLeft 1/1 button");
    row(
        "shadow turns the button off",
        [](L& l) { l.setAsButton(true), l.setEffectStyle(L::esShadow); },
        "esShadow csWindows #ffffff #000000 #808080 edNone/edDownRight 0/2");
    row(
        "flying: highlight in the shadow colour, no button",
        [](L& l) { l.setAsButton(true), l.setEffectStyle(L::esFlying); },
        "esFlying csWindows #000000 #000000 #808080 edDownRight/edDownRight 1/5");
    row(
        "raised after flying brings the highlight back",
        [](L& l) { l.setEffectStyle(L::esFlying), l.setEffectStyle(L::esRaised); },
        "esRaised csWindows #ffffff #000000 #808080 edUpLeft/edDownRight 1/1");
    row(
        "about box motto",
        [](L& l) {
            l.setDepthHighlight(0), l.setColourHighlight(Qt::yellow);
            l.setEffectStyle(L::esCustom), l.setColourScheme(L::csGold);
            l.setAngle(12), l.setFontColor(QColor(128, 0, 128));
        },
        "esCustom csGold #ffff00 #000000 #800080 edUpLeft/edDownRight 0/1");
}

void TestEffectLabel::setters() {
    QFETCH(Action, action);
    L l;
    action(l);
    QTEST(state(l), "want");
}

void TestEffectLabel::badValuesChangeNothing_data() {
    QTest::addColumn<Action>("action");
    QTest::newRow("depth 11") << Action([](L& l) { l.setDepthShadow(11); });
    QTest::newRow("negative depth") << Action([](L& l) { l.setDepthHighlight(-1); });
    QTest::newRow("depth 11 from a layout")
        << Action([](L& l) { l.setProperty("DepthShadow", 11); });
    QTest::newRow("angle 361") << Action([](L& l) { l.setAngle(361); });
    QTest::newRow("negative angle") << Action([](L& l) { l.setAngle(-1); });
    QTest::newRow("direction 9") << Action(
        [](L& l) { l.setDirectionShadow(L::TEffectDirection(9)); });
    QTest::newRow("style 6") << Action([](L& l) { l.setEffectStyle(L::TEffectStyle(6)); });
    QTest::newRow("scheme -1") << Action([](L& l) { l.setColourScheme(L::TColourScheme(-1)); });
    QTest::newRow("invalid colour") << Action([](L& l) { l.setColourHighlight(QColor()); });
}

void TestEffectLabel::badValuesChangeNothing() {
    QFETCH(Action, action);
    L l;
    QVERIFY_THROWS_EXCEPTION(std::exception, action(l));
    QCOMPARE(state(l), NewState);
    QCOMPARE(l.angle(), 0);
    l.setDepthShadow(2); // no lock was left set
    QCOMPARE(l.effectStyle(), L::esCustom);
}

void TestEffectLabel::layers_data() {
    QTest::addColumn<Action>("setup");
    QTest::addColumn<QPoint>("highlight");
    QTest::addColumn<QPoint>("shadow");
    QTest::addColumn<QPoint>("face");
    auto row = [](const char* name, Action a, QPoint h, QPoint s, QPoint f) {
        QTest::newRow(name) << a << h << s << f;
    };
    row("new label: highlight at the origin, face 1,1, shadow 2,2", {}, {0, 0}, {2, 2}, {1, 1});
    row("sunken", [](L& l) { l.setEffectStyle(L::esSunken); }, {2, 2}, {0, 0}, {1, 1});
    row("shadow", [](L& l) { l.setEffectStyle(L::esShadow); }, {0, 0}, {2, 2}, {0, 0});
    row("flying", [](L& l) { l.setEffectStyle(L::esFlying); }, {1, 1}, {5, 5}, {0, 0});
    row("none", [](L& l) { l.setEffectStyle(L::esNone); }, {0, 0}, {0, 0}, {0, 0});
    row("shadow four up: all move four down and right",
        [](L& l) { l.setDirectionShadow(L::edUp), l.setDepthShadow(4); }, {3, 3}, {4, 0}, {4, 4});
    row("highlight three left, shadow ten right",
        [](L& l) {
            l.setDirectionHighlight(L::edLeft), l.setDepthHighlight(3);
            l.setDirectionShadow(L::edRight), l.setDepthShadow(10);
        },
        {0, 3}, {13, 3}, {3, 3});
    row("depth 0 puts the highlight under the face", [](L& l) { l.setDepthHighlight(0); }, {0, 0},
        {1, 1}, {0, 0});
}

// Each layer is found by its colour. The face is drawn last and shows whole; of an earlier layer
// only the edges that stick out beyond every later layer are sure to show.
void TestEffectLabel::layers() {
    QFETCH(Action, setup);
    QFETCH(QPoint, highlight);
    QFETCH(QPoint, shadow);
    QFETCH(QPoint, face);
    L l;
    prepare(l, QStringLiteral("H"));
    QColor colH = Qt::white, colS = Qt::black, colF(128, 128, 128);
    if (setup) {
        setup(l);
        l.setColourHighlight(colH = Red), l.setColourShadow(colS = Blue);
        l.setFontColor(colF = Green);
    }
    const QImage img = shot(l);
    const QRect ink = referenceInk(l.font(), l.text());
    QCOMPARE(colourBox(img, colF), ink.translated(face));
    auto check = [&](const QColor& c, QPoint off, const QList<QPoint>& later) {
        const QRect box = colourBox(img, c), want = ink.translated(off);
        if (later.contains(off)) { // hidden under an equal layer
            QVERIFY(box.isNull());
            return;
        }
        auto beyond = [&](auto side) {
            return std::all_of(later.begin(), later.end(), [&](QPoint p) { return side(off, p); });
        };
        if (beyond([](QPoint a, QPoint b) { return a.x() < b.x(); }))
            QCOMPARE(box.left(), want.left());
        if (beyond([](QPoint a, QPoint b) { return a.y() < b.y(); }))
            QCOMPARE(box.top(), want.top());
        if (beyond([](QPoint a, QPoint b) { return a.x() > b.x(); }))
            QCOMPARE(box.right(), want.right());
        if (beyond([](QPoint a, QPoint b) { return a.y() > b.y(); }))
            QCOMPARE(box.bottom(), want.bottom());
    };
    check(colH, highlight, {face});
    check(colS, shadow, {highlight, face});
}

void TestEffectLabel::rotation_data() {
    QTest::addColumn<int>("angle");
    QTest::newRow("12 degrees, the about box motto") << 12;
    QTest::newRow("90: reads upwards") << 90;
    QTest::newRow("180: upside down") << 180;
    QTest::newRow("270: reads downwards") << 270;
    QTest::newRow("360 still takes the rotated path") << 360;
}

// The text box is centred on (h, h), "&" is a plain character, the alignment turns left, and
// the layers stay offset in screen directions.
void TestEffectLabel::rotation() {
    QFETCH(int, angle);
    L l;
    const QString caption = QStringLiteral("H&i      "); // trailing blanks: ink lies at the start
    prepare(l, caption);
    l.setColourHighlight(Red), l.setColourShadow(Blue), l.setFontColor(Green);
    l.setAlignment(Qt::AlignRight);
    l.setAngle(angle);
    QCOMPARE(l.alignment() & Qt::AlignHorizontal_Mask, Qt::AlignLeft);

    const QFontMetrics fm(l.font());
    const int h = fm.horizontalAdvance(caption + QStringLiteral("   ")) / 2;
    const QRect ref = referenceInk(l.font(), caption);
    // Offset of the ink's centre from the text box's centre, unrotated.
    const QPointF d =
        QRectF(ref).center() - QPointF(fm.horizontalAdvance(caption) / 2.0, fm.height() / 2.0);
    const double a = angle * M_PI / 180, c = std::cos(a), s = std::sin(a);
    const QPointF want =
        QPointF(h + 1, h + 1) + QPointF(d.x() * c + d.y() * s, d.y() * c - d.x() * s);
    const QImage img = shot(l);
    const QRect faceBox = colourBox(img, Green);
    const QPointF got = QRectF(faceBox).center();
    QVERIFY2((got - want).manhattanLength() <= 4,
             qPrintable(QStringLiteral("ink centre %1,%2, expected %3,%4")
                            .arg(got.x())
                            .arg(got.y())
                            .arg(want.x())
                            .arg(want.y())));
    if (angle % 90 == 0) // as long as "H&i", not "Hi"
        QVERIFY(std::abs(std::max(faceBox.width(), faceBox.height()) - ref.width()) <= 2);
    QCOMPARE(colourBox(img, Blue).bottomRight(), faceBox.bottomRight() + QPoint(1, 1));
    QCOMPARE(colourBox(img, Red).topLeft(), faceBox.topLeft() - QPoint(1, 1));
}

void TestEffectLabel::background_data() {
    QTest::addColumn<int>("angle");
    QTest::newRow("unrotated fills the client rectangle") << 0;
    QTest::newRow("30 degrees fills a slanted box") << 30;
    QTest::newRow("90 degrees fills an upright box") << 90;
    QTest::newRow("360 degrees fills a box only") << 360;
}

void TestEffectLabel::background() {
    QFETCH(int, angle);
    L l;
    const QString blanks(10, QLatin1Char(' '));
    prepare(l, blanks);
    QCOMPARE(shot(l).pixel(150, 150), Bg.rgb()); // transparent by default
    l.setTransparent(false);
    l.setColor(Qt::yellow);
    l.setAngle(angle);
    const QImage img = shot(l);
    if (angle == 0) {
        QCOMPARE(colourBox(img, Qt::yellow), l.rect());
        return;
    }
    const QFontMetrics fm(l.font());
    const double h = fm.horizontalAdvance(blanks + QStringLiteral("   ")) / 2;
    const double halfW = (fm.horizontalAdvance(blanks) + 7) / 2.0, halfH = (fm.height() + 5) / 2.0;
    const double a = angle * M_PI / 180;
    const QPointF along(std::cos(a), -std::sin(a)), across(std::sin(a), std::cos(a));
    auto at = [&](QPointF p) { return QColor(img.pixel((QPointF(h, h) + p).toPoint())); };
    QCOMPARE(at(along * (halfW - 4)), QColor(Qt::yellow));
    QCOMPARE(at(-across * (halfH - 4)), QColor(Qt::yellow));
    QCOMPARE(at(along * (halfW + 4)), Bg);
    QCOMPARE(at(across * (halfH + 4)), Bg);
    QVERIFY(!colourBox(img, Qt::black).isNull()); // outlined with the default pen
}

// Unrotated: top-aligned, broken at words, "&" marks the access key, at most 255 characters.
void TestEffectLabel::textLayout() {
    L l;
    l.setEffectStyle(L::esNone);
    prepare(l, QStringLiteral("one two three"), {400, 200});
    const QRect oneLine = inkBox(shot(l));
    QVERIFY(!l.wordWrap());
    l.resize(70, 200);
    QVERIFY(inkBox(shot(l)).height() > 2 * oneLine.height());

    l.resize(400, 200);
    l.setAlignment(Qt::AlignRight | Qt::AlignBottom);
    QVERIFY(inkBox(shot(l)).right() >= 395);
    QCOMPARE(inkBox(shot(l)).top(), oneLine.top());
    l.setAlignment(Qt::AlignHCenter);
    QVERIFY(std::abs(inkBox(shot(l)).center().x() - 200) <= 2);

    l.setText(QStringLiteral("A&B")); // drawn as "AB" with B underlined
    const QRect ab = referenceInk(l.font(), QStringLiteral("AB")), ink = inkBox(shot(l));
    QVERIFY(std::abs(ink.width() - ab.width()) <= 2 && ink.height() > ab.height());

    l.setAlignment(Qt::AlignLeft);
    l.resize(3000, 40);
    const QString longest(255, QLatin1Char('l'));
    l.setText(longest);
    const QImage cut = shot(l);
    l.setText(longest + QStringLiteral("WWW"));
    QCOMPARE(shot(l), cut);
}

void TestEffectLabel::button_data() {
    QTest::addColumn<Action>("mouse");
    QTest::addColumn<L::TEffectStyle>("style");
    QTest::addColumn<int>("clicks");
    auto row = [](const char* name, Action a, L::TEffectStyle style, int clicks) {
        QTest::newRow(name) << a << style << clicks;
    };
    row(
        "press sinks",
        [](L& l) {
            press(l, {5, 5});
        },
        L::esSunken, 0);
    row(
        "release inside raises and clicks",
        [](L& l) {
            press(l, {5, 5}), release(l, {5, 5});
        },
        L::esRaised, 1);
    row(
        "dragging out raises",
        [](L& l) {
            press(l, {5, 5}), drag(l, {150, 5});
        },
        L::esRaised, 0);
    row(
        "dragging back in sinks",
        [](L& l) {
            press(l, {5, 5}), drag(l, {150, 5}), drag(l, {99, 29});
        },
        L::esSunken, 0);
    row(
        "release outside stays raised, no click",
        [](L& l) {
            press(l, {5, 5}), drag(l, {5, -9}), release(l, {5, -9});
        },
        L::esRaised, 0);
    row(
        "release on the right edge counts as inside",
        [](L& l) {
            press(l, {5, 5}), release(l, {100, 10});
        },
        L::esRaised, 0);
    row(
        "release on the bottom edge counts as inside",
        [](L& l) {
            press(l, {5, 5}), release(l, {10, 30});
        },
        L::esRaised, 0);
    row(
        "release past the edge changes nothing",
        [](L& l) {
            press(l, {5, 5}), release(l, {101, 10});
        },
        L::esSunken, 0);
    row(
        "a drag with Shift held changes nothing",
        [](L& l) {
            press(l, {5, 5});
            send(l, QEvent::MouseMove, {150, 5}, Qt::NoButton, Qt::LeftButton, Qt::ShiftModifier);
        },
        L::esSunken, 0);
    row(
        "a drag with two buttons held changes nothing",
        [](L& l) {
            press(l, {5, 5});
            send(l, QEvent::MouseMove, {150, 5}, Qt::NoButton, Qt::LeftButton | Qt::RightButton);
        },
        L::esSunken, 0);
    row(
        "a right press does not sink",
        [](L& l) {
            send(l, QEvent::MouseButtonPress, {5, 5}, Qt::RightButton, Qt::RightButton);
        },
        L::esRaised, 0);
    row(
        "hovering changes nothing",
        [](L& l) {
            send(l, QEvent::MouseMove, {5, 5}, Qt::NoButton, Qt::NoButton);
        },
        L::esRaised, 0);
}

void TestEffectLabel::button() {
    QFETCH(Action, mouse);
    L l;
    prepare(l, QStringLiteral("OK"), {100, 30});
    l.setAsButton(true);
    QSignalSpy clicks(&l, &L::clicked), presses(&l, &L::mousePressed);
    mouse(l);
    QTEST(l.effectStyle(), "style");
    QTEST(int(clicks.size()), "clicks");
    QCOMPARE(presses.size(), 0); // replaced by the button behaviour
}

void TestEffectLabel::mouseEventsWithoutButtonMode() {
    L l;
    prepare(l, QStringLiteral("OK"), {100, 30});
    QSignalSpy clicks(&l, &L::clicked), doubles(&l, &L::doubleClicked);
    QSignalSpy presses(&l, &L::mousePressed), moves(&l, &L::mouseMoved);
    QSignalSpy releases(&l, &L::mouseReleased);
    press(l, {5, 5});
    drag(l, {6, 6});
    release(l, {6, 6});
    send(l, QEvent::MouseButtonDblClick, {6, 6});
    release(l, {6, 6});
    QCOMPARE(l.effectStyle(), L::esRaised);
    QCOMPARE(presses.size() * 100 + moves.size() * 10 + releases.size(), 212);
    QCOMPARE(doubles.size(), 1);
    QCOMPARE(clicks.size(), 1); // the release after a double click does not click again
}

QTEST_MAIN(TestEffectLabel)
#include "tst_effectlabel.moc"
