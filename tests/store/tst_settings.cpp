// The four settings kept between runs: how they read and how they are written.
#include "store/settings.h"

#include "platform/inifile.h"

#include <QtTest>

#include <sys/inotify.h>
#include <unistd.h>

class TestSettings : public QObject {
    Q_OBJECT

private slots:
    void colours_data();
    void colours();
    void writtenInOneReplacement();
};

void TestSettings::colours_data() {
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("background");
    QTest::addColumn<int>("text");
    QTest::newRow("plain colours") << "255" << 255 << 255;
    QTest::newRow("negative: a system colour, read as the default")
        << "-16777201" << store::kDefaultBackground << store::kDefaultText;
    QTest::newRow("top bit in hexadecimal is negative too")
        << "$80000008" << store::kDefaultBackground << store::kDefaultText;
}

void TestSettings::colours() {
    QFETCH(QString, stored);
    QFETCH(int, background);
    QFETCH(int, text);
    QTemporaryDir dir;
    TIniFile ini(dir.filePath(QStringLiteral("t.INI")));
    ini.writeString(QStringLiteral("Startup"), QStringLiteral("BgColor"), stored);
    ini.writeString(QStringLiteral("Startup"), QStringLiteral("TxColor"), stored);
    const store::Settings s = store::readSettings(TIniFile(ini.fileName()));
    QCOMPARE(s.bgColor, background);
    QCOMPARE(s.txColor, text);
}

void TestSettings::writtenInOneReplacement() {
    QTemporaryDir dir;
    TIniFile ini(dir.filePath(QStringLiteral("t.INI")));
    const int watch = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    QVERIFY(watch >= 0);
    QVERIFY(::inotify_add_watch(watch, QFile::encodeName(dir.path()).constData(),
                                IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE) >= 0);
    store::writeSettings(ini, {3, 4, 5, 6});
    int replacements = 0;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(watch, buffer, sizeof buffer)) > 0;)
        for (char* p = buffer; p < buffer + n;) {
            const auto* e = reinterpret_cast<const inotify_event*>(p);
            // A new name appears (created, linked or renamed) or is written in place.
            if (e->len && QByteArray(e->name) == QByteArrayLiteral("t.INI"))
                ++replacements;
            p += sizeof(inotify_event) + e->len;
        }
    ::close(watch);
    QCOMPARE(replacements, 1);
    const store::Settings back = store::readSettings(TIniFile(ini.fileName()));
    QCOMPARE(QList<int>({back.num, back.side, back.bgColor, back.txColor}),
             QList<int>({3, 4, 5, 6}));
}

QTEST_APPLESS_MAIN(TestSettings)
#include "tst_settings.moc"
