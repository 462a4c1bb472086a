#include "extras/aboutbox.h"
#include "extras/effectlabel.h"
#include "levyholvi_version.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

class TestAboutBox : public QObject {
    Q_OBJECT

private slots:
    void layoutAndTexts();
    void memoryFigures_data();
    void memoryFigures();
    void installedMemoryGroupedUnderCLocale();
    void mottoAsTheLayoutNamesIt_data();
    void mottoAsTheLayoutNamesIt();
    void panelMouseRules_data();
    void panelMouseRules();
    void rightDoubleClickLeavesPanelAsItWas();
    void enterAndEscapeClose_data();
    void enterAndEscapeClose();
};

namespace {
QString text(const TOrvena& d, const char* name) {
    return d.findChild<QLabel*>(QString::fromLatin1(name))->text();
}
} // namespace

void TestAboutBox::layoutAndTexts() {
    TOrvena d;
    QCOMPARE(d.windowTitle(), QStringLiteral("Info"));
    QCOMPARE(d.size(), QSize(389, 225));
    QCOMPARE(text(d, "Label1"), QStringLiteral("Levyholvi"));
    // The project version, as the package and --version carry it.
    QCOMPARE(text(d, "Label13"), QStringLiteral("Versio " LEVYHOLVI_VERSION));
    QCOMPARE(text(d, "Label3"), QStringLiteral("Asennettu muisti"));
    QCOMPARE(text(d, "Label4"), QStringLiteral("Muisti käytössä"));
    QVERIFY(text(d, "PhysMem").endsWith(QStringLiteral(" KB")));
    QVERIFY(text(d, "FreeRes").endsWith(QStringLiteral(" %")));
    QVERIFY(!d.panel()->isVisible());
    QCOMPARE(d.panel()->geometry(), QRect(10, 15, 369, 169));
    d.show();
    d.grab().save(QStringLiteral("/tmp/aboutbox.png"));
    d.panel()->show();
    d.grab().save(QStringLiteral("/tmp/aboutbox-panel.png"));
}

void TestAboutBox::memoryFigures_data() {
    QTest::addColumn<quint64>("kb");
    QTest::addColumn<QString>("shown");
    QTest::newRow("grouped thousands") << quint64(65536) << "65,536 KB";
    QTest::newRow("millions") << quint64(24576000) << "24,576,000 KB";
    QTest::newRow("small") << quint64(640) << "640 KB";
}

void TestAboutBox::memoryFigures() {
    QFETCH(quint64, kb);
    QFETCH(QString, shown);
    QCOMPARE(TOrvena::installedMemoryText(kb, QLocale(QLocale::English, QLocale::UnitedStates)),
             shown);
    QCOMPARE(TOrvena::memoryLoadText(42), QStringLiteral("42 %"));
}

void TestAboutBox::installedMemoryGroupedUnderCLocale() {
    const QLocale before;
    QLocale::setDefault(QLocale::c());
    QCOMPARE(TOrvena::installedMemoryText(65536, QLocale::c()), QStringLiteral("65,536 KB"));
    TOrvena d;
    QLocale::setDefault(before);
    QVERIFY(text(d, "PhysMem").contains(',')); // any machine has more than 999 KB
}

void TestAboutBox::mottoAsTheLayoutNamesIt_data() {
    QTest::addColumn<QByteArray>("property");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("purple face") << QByteArray("FontColor") << QVariant(QColor(128, 0, 128));
    QTest::newRow("yellow highlight")
        << QByteArray("ColourHighlight") << QVariant(QColor(Qt::yellow));
    QTest::newRow("gold scheme") << QByteArray("ColourScheme")
                                 << QVariant::fromValue(TEffectLabel::csGold);
}

void TestAboutBox::mottoAsTheLayoutNamesIt() {
    QFETCH(QByteArray, property);
    QFETCH(QVariant, value);
    TOrvena d;
    const auto* motto = d.panel()->findChild<TEffectLabel*>(QStringLiteral("EffectLabel1"));
    QVERIFY(motto);
    QCOMPARE(motto->property(property.constData()), value);
}

void TestAboutBox::panelMouseRules_data() {
    QTest::addColumn<QString>("where"); // icon or surface
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("panelBefore");
    QTest::addColumn<bool>("panelAfter");
    QTest::newRow("right press on the icon shows")
        << "icon" << int(Qt::RightButton) << false << true;
    QTest::newRow("left click on the icon does nothing")
        << "icon" << int(Qt::LeftButton) << false << false;
    QTest::newRow("right press on the surface shows")
        << "surface" << int(Qt::RightButton) << false << true;
    QTest::newRow("right press on the surface hides")
        << "surface" << int(Qt::RightButton) << true << false;
    QTest::newRow("left click on the surface hides")
        << "surface" << int(Qt::LeftButton) << true << false;
    QTest::newRow("left click on the surface, hidden stays")
        << "surface" << int(Qt::LeftButton) << false << false;
    QTest::newRow("a label is not the surface")
        << "label" << int(Qt::RightButton) << false << false;
    QTest::newRow("the panel reacts to nothing") << "panel" << int(Qt::RightButton) << true << true;
}

void TestAboutBox::panelMouseRules() {
    QFETCH(QString, where);
    QFETCH(int, button);
    QFETCH(bool, panelBefore);
    QFETCH(bool, panelAfter);
    TOrvena d;
    d.show();
    d.panel()->setVisible(panelBefore);
    QWidget* target = &d;
    QPoint pos(5, 200); // the strip beside the OK button
    if (where == QLatin1String("icon")) {
        target = d.programIcon();
        pos = QPoint(16, 16);
    } else if (where == QLatin1String("label")) {
        target = d.findChild<QLabel*>(QStringLiteral("Label3"));
        pos = QPoint(3, 3);
    } else if (where == QLatin1String("panel")) {
        target = d.panel();
        pos = QPoint(200, 150);
    }
    QTest::mouseClick(target, static_cast<Qt::MouseButton>(button), {}, pos);
    QCOMPARE(d.panel()->isVisible(), panelAfter);
}

void TestAboutBox::rightDoubleClickLeavesPanelAsItWas() {
    TOrvena d;
    d.show();
    const QPoint pos(5, 200);
    QTest::mousePress(&d, Qt::RightButton, {}, pos);
    QTest::mouseRelease(&d, Qt::RightButton, {}, pos);
    QTest::mouseDClick(&d, Qt::RightButton, {}, pos);
    QVERIFY(!d.panel()->isVisible());
}

void TestAboutBox::enterAndEscapeClose_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void TestAboutBox::enterAndEscapeClose() {
    QFETCH(int, key);
    TOrvena d;
    d.show();
    QVERIFY(QTest::qWaitForWindowExposed(&d));
    QSignalSpy finished(&d, &QDialog::finished);
    QTest::keyClick(d.focusWidget() ? d.focusWidget() : &d, static_cast<Qt::Key>(key));
    QCOMPARE(finished.count(), 1);
    QCOMPARE(d.result(), int(QDialog::Rejected));
}

QTEST_MAIN(TestAboutBox)
#include "tst_aboutbox.moc"
