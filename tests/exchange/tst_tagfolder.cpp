#include "exchange/tagfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <taglib/fileref.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>

namespace {

// The smallest streams TagLib reads as audio: a FLAC signature with its STREAMINFO block,
// and a run of silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz, 417 bytes each).
QByteArray flacStream() {
    QByteArray b("fLaC\x80\x00\x00\x22", 8);
    QByteArray info(34, '\0');
    info[0] = 0x10; // block sizes 4096
    info[2] = 0x10;
    const quint64 format = (quint64(44100) << 44) | (quint64(1) << 41) | (quint64(15) << 36);
    for (int i = 0; i < 8; ++i)
        info[10 + i] = char(format >> (56 - 8 * i));
    return b + info;
}

QByteArray mp3Stream() {
    QByteArray frame(417, '\0');
    frame[0] = char(0xFF);
    frame[1] = char(0xFB);
    frame[2] = char(0x90);
    return frame.repeated(12);
}

using Tags = QList<std::pair<QByteArray, QString>>;

// Writes a tiny audio file of the suffix's kind at folder/name and tags it through TagLib.
void writeTagged(const QString& folder, const QString& name, const Tags& tags) {
    const QString path = folder + '/' + name;
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(name.endsWith(".mp3") ? mp3Stream() : flacStream());
    file.close();

    TagLib::FileRef ref(QFile::encodeName(path).constData());
    QVERIFY(!ref.isNull());
    TagLib::PropertyMap map;
    for (const auto& [key, value] : tags)
        map[key.constData()].append(TagLib::String(value.toStdString(), TagLib::String::UTF8));
    QVERIFY(ref.file()->setProperties(map).isEmpty());
    QVERIFY(ref.save());
}

Tags track(const QString& album, const QString& disc, const QString& number, const QString& title) {
    return {{"ALBUMARTIST", "Åsa Lind"}, {"ARTIST", "Åsa Lind"},  {"ALBUM", album},
            {"DISCNUMBER", disc},        {"TRACKNUMBER", number}, {"TITLE", title}};
}

} // namespace

class TestTagFolder : public QObject {
    Q_OBJECT

private slots:
    void twoAlbumsBecomeTwoReleases() {
        QTemporaryDir dir;
        const QString root = dir.path();
        // File names sort against the track order on purpose.
        Tags first = track("Pohjoinen", "1/2", "2/2", "Toinen");
        first.append({{"LABEL", "Revontuli"},
                      {"CATALOGNUMBER", "RT-7"},
                      {"DATE", "2003-10-01"},
                      {"GENRE", "Kansanmusiikki"},
                      {"MEDIA", "CD"},
                      {"COMPOSER", "Eino Virta"},
                      {"COMPOSER", "Liisa Virta"}});
        writeTagged(root, "a/01.flac", first);
        writeTagged(root, "a/02.flac", track("Pohjoinen", "2/2", "1/1", "Kolmas"));
        writeTagged(root, "a/03.flac", track("Pohjoinen", "1/2", "1/2", "Ensimmäinen"));
        // A single disc keeps its track numbers, gaps and all.
        Tags single = track("Etelä", "", "5", "Viides");
        single.append({{"MEDIA", "12\" Vinyl"}});
        writeTagged(root, "b/x.mp3", single);
        writeTagged(root, "b/y.mp3", track("Etelä", "", "2", "Toinen"));
        QFile notes(root + "/b/notes.txt"); // not an audio suffix: never read
        QVERIFY(notes.open(QIODevice::WriteOnly));
        notes.write(flacStream());
        notes.close();

        QList<std::pair<int, int>> calls;
        const exchange::ReadResult result = exchange::readTagFolder(root, [&](int done, int total) {
            calls.append({done, total});
            return true;
        });
        QCOMPARE(calls.size(), 5);
        QCOMPARE(calls.last(), std::pair(5, 5));
        QCOMPARE(result.skipped, 0);
        QCOMPARE(result.releases.size(), 2u);

        const exchange::ReleaseRecord& north = result.releases[0];
        QCOMPARE(north.kunstner, "Åsa Lind");
        QCOMPARE(north.titel, "Pohjoinen");
        QCOMPARE(north.forlag, "Revontuli");
        QCOMPARE(north.regNr, "RT-7");
        QCOMPARE(north.indspillet, "2003-10-01");
        QCOMPARE(north.genre, "Kansanmusiikki");
        QCOMPARE(north.media, "CD");
        QCOMPARE(north.tracks.size(), 3u);
        const char* northTitles[] = {"Ensimmäinen", "Toinen", "Kolmas"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(north.tracks[i].nrTitel, northTitles[i]);
            QCOMPARE(north.tracks[i].nummer, i + 1);
        }
        QCOMPARE(north.tracks[1].komponist, "Eino Virta, Liisa Virta");

        const exchange::ReleaseRecord& south = result.releases[1];
        QCOMPARE(south.titel, "Etelä");
        QCOMPARE(south.media, "LP");
        QCOMPARE(south.tracks.size(), 2u);
        QCOMPARE(south.tracks[0].nrTitel, "Toinen");
        QCOMPARE(south.tracks[0].nummer, 2);
        QCOMPARE(south.tracks[1].nummer, 5);
    }

    void performerCredits_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QStringList>("expected"); // "name|instrument" rows

        QTest::newRow("name with instrument")
            << "t.flac"
            << "PERFORMER" << QStringList{"Карл Дал (cello)"} << QStringList{"Карл Дал|cello"};
        QTest::newRow("several instruments")
            << "t.flac"
            << "PERFORMER" << QStringList{"Bo Berg (bass, vocals)", "Orkesteri"}
            << QStringList{"Bo Berg|bass", "Bo Berg|vocals", "Orkesteri|"};
        QTest::newRow("role in the key, FLAC")
            << "t.flac"
            << "PERFORMER:PIANO" << QStringList{"Dora Ek"} << QStringList{"Dora Ek|piano"};
        QTest::newRow("ID3v2 musician credits")
            << "t.mp3"
            << "PERFORMER:DRUMS" << QStringList{"Eva Fors", "Gustav Holm"}
            << QStringList{"Eva Fors|drums", "Gustav Holm|drums"};
    }
    void performerCredits() {
        QFETCH(QString, file);
        QFETCH(QString, key);
        QFETCH(QStringList, values);
        QFETCH(QStringList, expected);
        QTemporaryDir dir;
        Tags tags = track("Album", "1", "1", "Title");
        const QByteArray k = key.toUtf8();
        for (const QString& v : values)
            tags.append({k, v});
        writeTagged(dir.path(), file, tags);

        const exchange::ReadResult result = exchange::readTagFolder(dir.path());
        QCOMPARE(result.releases.size(), 1u);
        QStringList got;
        for (const exchange::MusicianRecord& m : result.releases[0].tracks.at(0).musicians)
            got.append(QString::fromStdString(m.musiker + '|' + m.instrument));
        QCOMPARE(got, expected);
    }

    void unreadableFilesAreNotedNotFatal() {
        QTemporaryDir dir;
        writeTagged(dir.path(), "good.flac", track("Album", "1", "1", "Title"));
        for (const auto& [name, bytes] : {std::pair("broken.flac", QByteArray("not audio")),
                                          std::pair("sub/empty.mp3", QByteArray())}) {
            QDir(dir.path()).mkpath("sub");
            QFile f(dir.filePath(QString::fromUtf8(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(bytes);
        }

        const exchange::ReadResult result = exchange::readTagFolder(dir.path());
        QCOMPARE(result.releases.size(), 1u);
        QCOMPARE(result.skipped, 2);
        QCOMPARE(result.notes.size(), 2u);
        QVERIFY(QString::fromStdString(result.notes[0]).startsWith("broken.flac: "));
        QVERIFY(QString::fromStdString(result.notes[1]).startsWith("sub/empty.mp3: "));
    }

    void cancelOrNoFolderRaise() {
        QTemporaryDir dir;
        writeTagged(dir.path(), "1.flac", track("Album", "1", "1", "One"));
        writeTagged(dir.path(), "2.flac", track("Album", "1", "2", "Two"));
        int calls = 0;
        QVERIFY_THROWS_EXCEPTION(exchange::ReadError,
                                 exchange::readTagFolder(dir.path(), [&](int, int) {
                                     ++calls;
                                     return false;
                                 }));
        QCOMPARE(calls, 1);
        QVERIFY_THROWS_EXCEPTION(exchange::ReadError,
                                 exchange::readTagFolder(dir.filePath("1.flac")));
    }
};

QTEST_GUILESS_MAIN(TestTagFolder)
#include "tst_tagfolder.moc"
