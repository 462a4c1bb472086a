#include "extras/splash.h"

#include <QPointer>
#include <QtTest>

class TestSplash : public QObject {
    Q_OBJECT

private slots:
    void sizeAndFrame();
    void goesWhenAnotherWindowOfTheProgramIsActivated();
};

void TestSplash::sizeAndFrame() {
    TKvaril splash;
    QCOMPARE(splash.size(), QSize(353, 91));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(splash.objectName(), QStringLiteral("Kvaril"));
    const QImage image = splash.grab().toImage();
    QCOMPARE(image.pixelColor(0, 0), QColor(Qt::black)); // the border line
    // The banner fills the inside of the frame: 331 x 69.
    QVERIFY(image.pixelColor(11, 11) != splash.palette().color(QPalette::Button));
    QCOMPARE(image.pixelColor(1, 1).rgb(),
             splash.palette().color(QPalette::Light).rgb()); // raised bevel
    QCOMPARE(image.pixelColor(7, 7).rgb(),
             splash.palette().color(QPalette::Dark).rgb()); // lowered bevel
    splash.grab().save(QStringLiteral("/tmp/splash.png"));
}

void TestSplash::goesWhenAnotherWindowOfTheProgramIsActivated() {
    QPointer<TKvaril> splash = new TKvaril;
    splash->showNow();
    QVERIFY(splash->isVisible());
    QCoreApplication::processEvents();
    QVERIFY(splash); // its own showing does not remove it
    QWidget main;
    main.show();
    main.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&main));
    QTRY_VERIFY(!splash);
}

QTEST_MAIN(TestSplash)
#include "tst_splash.moc"
