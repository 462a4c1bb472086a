#include "platform/inifile.h"
#include "platform/paths.h"
#include "platform/wincolor.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

class TestPlatform : public QObject {
    Q_OBJECT

private slots:
    void numberRules_data();
    void numberRules();
    void missingFileSectionOrKeyReadsDefault();
    void namesIgnoreCaseAndQuotesAreStripped();
    void writeKeepsOtherContent();
    void unwritableFileRaises();
    void onlyARegularFileIsReadOrWritten_data();
    void onlyARegularFileIsReadOrWritten();
    void settingsFileName_data();
    void settingsFileName();
    void colourValues_data();
    void colourValues();
};

void TestPlatform::numberRules_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("decimal") << "17" << 17;
    QTest::newRow("negative decimal") << "-5" << -5;
    QTest::newRow("0x hexadecimal") << "0xFF" << 255;
    QTest::newRow("0X hexadecimal") << "0Xff" << 255;
    QTest::newRow("dollar hexadecimal") << "$FF" << 255;
    QTest::newRow("eight hex digits reach the top bit") << "$80000005" << int(0x80000005);
    QTest::newRow("leading zeros beyond eight digits") << "0x0000000FF" << 255;
    QTest::newRow("more than 32 bits gives the default") << "$100000000" << -1;
    QTest::newRow("a sign after the prefix gives the default") << "0x-1" << -1;
    QTest::newRow("blanks around") << "  42 " << 42;
    QTest::newRow("text gives the default") << "seven" << -1;
    QTest::newRow("empty gives the default") << "" << -1;
    QTest::newRow("bad hex gives the default") << "0xZZ" << -1;
    QTest::newRow("too large gives the default") << "99999999999" << -1;
    QTest::newRow("bare prefix gives the default") << "$" << -1;
}

void TestPlatform::numberRules() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QTemporaryDir dir;
    TIniFile ini(dir.filePath(QStringLiteral("t.INI")));
    ini.writeString(QStringLiteral("Startup"), QStringLiteral("Num"), text);
    QCOMPARE(
        TIniFile(ini.fileName()).readInteger(QStringLiteral("Startup"), QStringLiteral("Num"), -1),
        value);
}

void TestPlatform::missingFileSectionOrKeyReadsDefault() {
    QTemporaryDir dir;
    TIniFile missing(dir.filePath(QStringLiteral("none.INI")));
    QCOMPARE(missing.readInteger(QStringLiteral("Faneblad"), QStringLiteral("Side"), 1), 1);
    TIniFile ini(dir.filePath(QStringLiteral("t.INI")));
    ini.writeInteger(QStringLiteral("Startup"), QStringLiteral("Num"), 3);
    QCOMPARE(ini.readInteger(QStringLiteral("Other"), QStringLiteral("Num"), 9), 9);
    QCOMPARE(ini.readInteger(QStringLiteral("Startup"), QStringLiteral("Nope"), 8), 8);
}

void TestPlatform::namesIgnoreCaseAndQuotesAreStripped() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.INI"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("; comment\n[StartUp]\n  num = 12 \nName=\"quoted\"\n");
    f.close();
    TIniFile ini(path);
    QCOMPARE(ini.readInteger(QStringLiteral("startup"), QStringLiteral("NUM"), 0), 12);
    QCOMPARE(ini.readString(QStringLiteral("Startup"), QStringLiteral("Name"), QString()),
             QStringLiteral("quoted"));
}

void TestPlatform::writeKeepsOtherContent() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.INI"));
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("; keep me\n[Startup]\nNum=1\nOther=x\n\n[Faneblad]\nSide=2\n");
    f.close();
    TIniFile ini(path);
    ini.writeInteger(QStringLiteral("startup"), QStringLiteral("num"), 17);
    ini.writeInteger(QStringLiteral("Startup"), QStringLiteral("BgColor"), 16777088);
    ini.writeInteger(QStringLiteral("New"), QStringLiteral("K"), -4);
    TIniFile again(path);
    QCOMPARE(again.readInteger(QStringLiteral("Startup"), QStringLiteral("Num"), 0), 17);
    QCOMPARE(again.readString(QStringLiteral("Startup"), QStringLiteral("Other"), QString()),
             QStringLiteral("x"));
    QCOMPARE(again.readInteger(QStringLiteral("Startup"), QStringLiteral("BgColor"), 0), 16777088);
    QCOMPARE(again.readInteger(QStringLiteral("Faneblad"), QStringLiteral("Side"), 0), 2);
    QCOMPARE(again.readInteger(QStringLiteral("New"), QStringLiteral("K"), 0), -4);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    QVERIFY(text.startsWith("; keep me\n[Startup]\nnum=17\nOther=x\nBgColor=16777088\n"));
}

void TestPlatform::unwritableFileRaises() {
    QTemporaryDir dir;
    QFile blocker(dir.filePath(QStringLiteral("file")));
    QVERIFY(blocker.open(QIODevice::WriteOnly)); // a folder path through a plain file
    blocker.close();
    const QString path = dir.filePath(QStringLiteral("file/sub.INI"));
    TIniFile ini(path);
    try {
        ini.writeInteger(QStringLiteral("Startup"), QStringLiteral("Num"), 1);
        QFAIL("no error");
    } catch (const std::exception& e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Unable to write to ") + path);
    }
    QCOMPARE(ini.readInteger(QStringLiteral("Startup"), QStringLiteral("Num"), 5), 5);
}

void TestPlatform::onlyARegularFileIsReadOrWritten_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("regular");
    QTest::newRow("a regular file") << "file" << true;
    QTest::newRow("a link to a regular file") << "link" << true;
    QTest::newRow("a link to a device") << "device" << false;
    QTest::newRow("a named pipe") << "pipe" << false;
    QTest::newRow("a folder") << "folder" << false;
    QTest::newRow("a link to nothing") << "dangling" << false;
}

void TestPlatform::onlyARegularFileIsReadOrWritten() {
    QFETCH(QString, kind);
    QFETCH(bool, regular);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("t.INI"));
    const QByteArray p = QFile::encodeName(path), node = QFile::encodeName(dir.filePath("null"));
    if (kind == "file" || kind == "link") {
        QFile f(kind == "link" ? dir.filePath(QStringLiteral("real.INI")) : path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("[Startup]\nNum=4\n") > 0);
    }
    // A device of our own: should the write go wrong, no system device is harmed.
    if (kind == "device" && ::mknod(node.constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        QSKIP("no permission to make a device node");
    if (kind == "link" || kind == "device" || kind == "dangling")
        QCOMPARE(::symlink(kind == "link"     ? "real.INI"
                           : kind == "device" ? "null"
                                              : "puuttuu.INI",
                           p.constData()),
                 0);
    if (kind == "pipe")
        QCOMPARE(::mkfifo(p.constData(), 0644), 0); // reading it must not wait for a writer
    if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("t.INI")));
    struct stat before {};
    QCOMPARE(::lstat(p.constData(), &before), 0);

    TIniFile ini(path);
    QCOMPARE(ini.readInteger(QStringLiteral("Startup"), QStringLiteral("Num"), 0), regular ? 4 : 0);
    QString error;
    try {
        ini.writeInteger(QStringLiteral("Startup"), QStringLiteral("Num"), 7);
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    QCOMPARE(error, regular ? QString() : QStringLiteral("Unable to write to ") + path);
    struct stat after {};
    QCOMPARE(::lstat(p.constData(), &after), 0);
    QCOMPARE(after.st_mode & S_IFMT, before.st_mode & S_IFMT); // a link stays a link
    QCOMPARE(TIniFile(path).readInteger(QStringLiteral("Startup"), QStringLiteral("Num"), 0),
             regular ? 7 : 0);
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("puuttuu.INI"))));
    struct stat device {};
    QVERIFY(kind != "device" ||
            (::lstat(node.constData(), &device) == 0 && S_ISCHR(device.st_mode)));
}

void TestPlatform::settingsFileName_data() {
    QTest::addColumn<QString>("exe");
    QTest::addColumn<QString>("ini");
    QTest::newRow("no extension") << "levyholvi"
                                  << "levyholvi.INI";
    QTest::newRow("extension replaced") << "Levy.exe"
                                        << "Levy.INI";
}

void TestPlatform::settingsFileName() {
    QFETCH(QString, exe);
    QFETCH(QString, ini);
    QTemporaryDir dir;
    QCOMPARE(platform::settingsFilePath(dir.filePath(exe)), dir.filePath(ini));
    // Installed, its files go to the user's folders, also for root who could write /usr/bin.
    QStandardPaths::setTestModeEnabled(true);
    const auto restore = qScopeGuard([] { QStandardPaths::setTestModeEnabled(false); });
    QCOMPARE(
        platform::settingsFilePath(QStringLiteral("/usr/bin/") + exe),
        QDir(QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)).filePath(ini));
    QVERIFY(!platform::programDataFolder(QStringLiteral("/usr/bin/") + exe).startsWith("/usr/"));
}

void TestPlatform::colourValues_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QColor>("color");
    QTest::newRow("default background: red 128, green 255, blue 255")
        << 16777088 << QColor(128, 255, 255);
    QTest::newRow("black") << 0 << QColor(0, 0, 0);
    QTest::newRow("pure red is the low byte") << 0xFF << QColor(255, 0, 0);
    QTest::newRow("navy") << 0x800000 << QColor(0, 0, 128);
}

void TestPlatform::colourValues() {
    QFETCH(int, value);
    QFETCH(QColor, color);
    QCOMPARE(platform::colorFromValue(value), color);
    QCOMPARE(platform::valueFromColor(color), value);
}

QTEST_GUILESS_MAIN(TestPlatform)
#include "tst_platform.moc"
