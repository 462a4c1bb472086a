#include "extras/playwav.h"

#include <QApplication>
#include <QDataStream>
#include <QScopeGuard>
#include <QSoundEffect>
#include <QtTest>

#include <cmath>

namespace {

// 0.1 s of a 440 Hz tone: 16-bit mono PCM at 8000 samples per second.
void writeTinyWav(const QString& path) {
    const quint32 rate = 8000, samples = rate / 10, dataBytes = samples * 2;
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QDataStream out(&f);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << rate << quint32(rate * 2) << quint16(2)
        << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (quint32 i = 0; i < samples; ++i)
        out << qint16(8000 * std::sin(2 * M_PI * 440 * i / rate));
}

} // namespace

class TestPlayWav : public QObject {
    Q_OBJECT

private slots:
    void qualifies_data();
    void qualifies();
    void playsInTheBackgroundWithoutDevice();
};

void TestPlayWav::qualifies_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("plays");
    QTest::newRow("start-up sound") << "Kvaril.Wav" << true;
    QTest::newRow("lower case") << "kvaril.wav" << true;
    QTest::newRow("upper case behind a folder") << "/usr/share/sounds/KVARIL.WAV" << true;
    QTest::newRow("mixed case behind a Windows folder") << "C:\\Lyde\\a.wAv" << true;
    QTest::newRow("the extension alone") << ".wav" << true;
    QTest::newRow(".wave") << "Kvaril.wave" << false;
    QTest::newRow(".bak after .wav") << "Kvaril.wav.bak" << false;
    QTest::newRow("no extension") << "Kvaril" << false;
    QTest::newRow("empty name") << "" << false;
    QTest::newRow("only dot in a folder name") << "lyde.wav/Kvaril" << false;
    QTest::newRow("only dot in a Windows folder name") << "C:\\lyde.wav\\Kvaril" << false;
    QTest::newRow("trailing blank") << "Kvaril.wav " << false;
    QTest::newRow("250 characters") << QString(246, QLatin1Char('a')) + ".wav" << true;
    QTest::newRow("251 characters") << QString(247, QLatin1Char('a')) + ".wav" << false;
    QTest::newRow("250 characters, not bytes") << QString(246, QChar(0xE4)) + ".wav" << true;
    QTest::newRow("250 characters beyond 16 bits")
        << QString::fromUcs4(std::u32string(246, U'\U0001D11E').c_str()) + ".wav" << true;
}

void TestPlayWav::qualifies() {
    QFETCH(QString, name);
    QTEST(TPlayWav::qualifies(name), "plays");
}

// No sound device here: Play must still return at once, report nothing and not crash.
void TestPlayWav::playsInTheBackgroundWithoutDevice() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    writeTinyWav(dir.filePath(QStringLiteral("tiny.wav")));
    const auto restore = qScopeGuard([old = QDir::currentPath()] { QDir::setCurrent(old); });
    QVERIFY(QDir::setCurrent(dir.path()));
    {
        TPlayWav player;
        QElapsedTimer timer;
        timer.start();
        player.Play(QStringLiteral("missing.wav"));
        player.Play(QStringLiteral("tiny.wav"));
        auto* effect = player.findChild<QSoundEffect*>();
        QVERIFY(effect);
        // A relative name is taken against the current folder at the time of the call.
        QCOMPARE(effect->source(), QUrl::fromLocalFile(dir.filePath(QStringLiteral("tiny.wav"))));
        player.Play(QStringLiteral("tiny.txt"));
        QCOMPARE(effect->source(), QUrl::fromLocalFile(dir.filePath(QStringLiteral("tiny.wav"))));
        player.Play(QStringLiteral("tiny.wav"));
        player.Play(QStringLiteral("missing.wav")); // replaces the sound with silence
        QVERIFY(effect->source().isEmpty());
        player.Play(QStringLiteral("tiny.wav"));
        QVERIFY2(timer.elapsed() < 1000, "Play waited for the sound");
        QTest::qWait(300); // loading and the failing output run now
    }
    QTest::qWait(50);
    QVERIFY(QApplication::topLevelWidgets().isEmpty()); // no error box
}

QTEST_MAIN(TestPlayWav)
#include "tst_playwav.moc"
