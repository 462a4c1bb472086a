#include "platform/startoptions.h"

#include <QtTest>

using platform::StartAction;

Q_DECLARE_METATYPE(platform::StartAction)

class TestStartOptions : public QObject {
    Q_OBJECT

private slots:
    void action_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<StartAction>("expected");
        QTest::newRow("no arguments") << QStringList{} << StartAction::Run;
        QTest::newRow("data folder") << QStringList{"/data"} << StartAction::Run;
        QTest::newRow("--help") << QStringList{"--help"} << StartAction::Help;
        QTest::newRow("-h") << QStringList{"-h"} << StartAction::Help;
        QTest::newRow("--version") << QStringList{"--version"} << StartAction::Version;
        QTest::newRow("-v") << QStringList{"-v"} << StartAction::Version;
        QTest::newRow("first of two options wins")
            << QStringList{"--version", "--help"} << StartAction::Version;
        QTest::newRow("after a Qt option")
            << QStringList{"-reverse", "--help"} << StartAction::Help;
        QTest::newRow("after the folder the rest is ignored")
            << QStringList{"/data", "--version"} << StartAction::Run;
        QTest::newRow("folder named like an option after --")
            << QStringList{"--", "--version"} << StartAction::Run;
        QTest::newRow("lone dash is a plain argument")
            << QStringList{"-", "-h"} << StartAction::Run;
        QTest::newRow("longer look-alike is no option")
            << QStringList{"--versions"} << StartAction::Run;
    }
    void action() {
        QFETCH(QStringList, arguments);
        QFETCH(StartAction, expected);
        QCOMPARE(platform::startAction(arguments), expected);
    }

    void helpNamesTheProgramAndBothOptions() {
        const QString help = platform::startHelpText("/usr/bin/levyholvi");
        QVERIFY(help.startsWith("Käyttö: /usr/bin/levyholvi "));
        QVERIFY(help.contains("--help"));
        QVERIFY(help.contains("--version"));
    }
};

QTEST_GUILESS_MAIN(TestStartOptions)
#include "tst_startoptions.moc"
