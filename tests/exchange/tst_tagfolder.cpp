#include "exchange/tagfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <taglib/attachedpictureframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tfile.h>
#include <taglib/tpropertymap.h>
#include <taglib/xiphcomment.h>

namespace {

QByteArray bigEndian(quint32 v, int bytes) {
    QByteArray out;
    for (int i = bytes - 1; i >= 0; --i)
        out += char(v >> (8 * i));
    return out;
}

QByteArray littleEndian(quint32 v, int bytes) {
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char(v >> (8 * i));
    return out;
}

// An Ogg page of one packet shorter than 255 bytes.
QByteArray oggPage(const QByteArray& packet, char flags, quint32 sequence) {
    return "OggS" + QByteArray(1, '\0') + QByteArray(1, flags) + littleEndian(960, 4) +
           littleEndian(0, 4) + littleEndian(1, 4) + littleEndian(sequence, 4) +
           littleEndian(0, 4) + QByteArray(1, '\1') + QByteArray(1, char(packet.size())) + packet;
}

QByteArray atom(const char* type, const QByteArray& body) {
    return bigEndian(8 + body.size(), 4) + type + body;
}

// The smallest streams TagLib reads as audio: a FLAC signature with its STREAMINFO block
// (44.1 kHz, stereo, 16 bits), silent MPEG-1 layer III frames (128 kbit/s, 44.1 kHz), and
// WAV and AIFF headers of 16-bit mono 44.1 kHz before a little silence.
QByteArray audioStream(const QString& name) {
    if (name.endsWith(".mp3"))
        return (QByteArray("\xFF\xFB\x90", 3) + QByteArray(414, '\0')).repeated(12);
    if (name.endsWith(".opus"))
        return oggPage("OpusHead\1\2" + littleEndian(312, 2) + littleEndian(48000, 4) +
                           QByteArray(3, '\0'),
                       2, 0) +
               oggPage("OpusTags" + littleEndian(1, 4) + "x" + littleEndian(0, 4), 0, 1) +
               oggPage(QByteArray(40, '\0'), 4, 2);
    if (name.endsWith(".m4a")) {
        // A sound track whose sample description TagLib takes the rate from.
        const QByteArray mp4a = QByteArray(6, '\0') + bigEndian(1, 2) + QByteArray(8, '\0') +
                                bigEndian(2, 2) + bigEndian(16, 2) + QByteArray(4, '\0') +
                                bigEndian(44100, 2) + QByteArray(2, '\0');
        const QByteArray mdia =
            atom("mdhd", QByteArray(12, '\0') + bigEndian(44100, 4) + bigEndian(44100, 4) +
                             QByteArray(4, '\0')) +
            atom("hdlr", QByteArray(8, '\0') + "soun" + QByteArray(13, '\0')) +
            atom("minf", atom("stbl", atom("stsd", bigEndian(0, 4) + bigEndian(1, 4) +
                                                       atom("mp4a", mp4a))));
        return atom("ftyp", "M4A " + bigEndian(0, 4) + "M4A isom") +
               atom("moov", atom("trak", atom("mdia", mdia))) + atom("mdat", QByteArray(16, '\0'));
    }
    if (name.endsWith(".wav")) {
        const QByteArray format = littleEndian(1, 2) + littleEndian(1, 2) + littleEndian(44100, 4) +
                                  littleEndian(88200, 4) + littleEndian(2, 2) + littleEndian(16, 2);
        const QByteArray body = "WAVEfmt " + littleEndian(16, 4) + format + "data" +
                                littleEndian(400, 4) + QByteArray(400, '\0');
        return "RIFF" + littleEndian(body.size(), 4) + body;
    }
    if (name.endsWith(".aiff")) {
        // 44100 as an 80-bit extended float: exponent 0x400E, mantissa 0xAC44 << 48.
        const QByteArray rate = bigEndian(0x400E, 2) + bigEndian(0xAC440000, 4) + bigEndian(0, 4);
        const QByteArray common = bigEndian(1, 2) + bigEndian(200, 4) + bigEndian(16, 2) + rate;
        const QByteArray body = "AIFFCOMM" + bigEndian(18, 4) + common + "SSND" +
                                bigEndian(408, 4) + QByteArray(408, '\0');
        return "FORM" + bigEndian(body.size(), 4) + body;
    }
    QByteArray info(34, '\0');
    info[0] = info[2] = 0x10;
    const quint64 format = (quint64(44100) << 44) | (quint64(1) << 41) | (quint64(15) << 36);
    for (int i = 0; i < 8; ++i)
        info[10 + i] = char(format >> (56 - 8 * i));
    return QByteArray("fLaC\x80\x00\x00\x22", 8) + info;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
}

using Tags = QList<std::pair<QByteArray, QString>>;

// A tiny audio file at folder/name with the tags written through TagLib.
void writeTagged(const QString& folder, const QString& name, const Tags& tags) {
    const QString path = folder + '/' + name;
    writeFile(path, audioStream(name));
    TagLib::FileRef ref(QFile::encodeName(path).constData());
    QVERIFY(!ref.isNull());
    TagLib::PropertyMap map;
    for (const auto& [key, value] : tags)
        map[key.constData()].append(TagLib::String(value.toStdString(), TagLib::String::UTF8));
    QVERIFY(ref.file()->setProperties(map).isEmpty());
    QVERIFY(ref.save());
}

// Pictures embedded as each format keeps them: "f..." is the front cover, others the back.
void embed(const QString& path, const QStringList& pictures) {
    TagLib::FileRef ref(QFile::encodeName(path).constData());
    for (const QString& p : pictures) {
        const bool front = p.startsWith('f');
        const TagLib::ByteVector data(p.toUtf8().constData());
        if (auto* mp3 = dynamic_cast<TagLib::MPEG::File*>(ref.file())) {
            auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
            frame->setType(front ? TagLib::ID3v2::AttachedPictureFrame::FrontCover
                                 : TagLib::ID3v2::AttachedPictureFrame::BackCover);
            frame->setPicture(data);
            mp3->ID3v2Tag(true)->addFrame(frame);
        } else if (auto* mp4 = dynamic_cast<TagLib::MP4::Tag*>(ref.tag())) {
            TagLib::MP4::CoverArtList art = mp4->item("covr").toCoverArtList();
            mp4->setItem("covr", art.append({TagLib::MP4::CoverArt::JPEG, data}));
        } else {
            auto* picture = new TagLib::FLAC::Picture;
            picture->setType(front ? TagLib::FLAC::Picture::FrontCover
                                   : TagLib::FLAC::Picture::BackCover);
            picture->setData(data);
            if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(ref.file()))
                flac->addPicture(picture);
            else
                dynamic_cast<TagLib::Ogg::XiphComment&>(*ref.tag()).addPicture(picture);
        }
    }
    QVERIFY(ref.save());
}

Tags track(const QString& album, const QString& disc, const QString& number, const QString& title,
           const Tags& more = {}) {
    return Tags{{"ALBUMARTIST", "Åsa Lind"}, {"ARTIST", "Åsa Lind"},  {"ALBUM", album},
                {"DISCNUMBER", disc},        {"TRACKNUMBER", number}, {"TITLE", title}} +
           more;
}

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

QStringList releaseFields(const exchange::ReleaseRecord& r) {
    QStringList fields{text(r.kunstner),   text(r.titel), text(r.forlag), text(r.regNr),
                       text(r.indspillet), text(r.genre), text(r.media)};
    for (const exchange::TrackRecord& t : r.tracks)
        fields.append(QString::number(t.nummer.value_or(-1)) + ' ' + text(t.nrTitel));
    return fields;
}

// "name|instrument" of each musician.
QStringList musicians(const exchange::TrackRecord& t) {
    QStringList out;
    for (const exchange::MusicianRecord& m : t.musicians)
        out.append(text(m.musiker + '|' + m.instrument));
    return out;
}

} // namespace

class TestTagFolder : public QObject {
    Q_OBJECT

private slots:
    void twoAlbumsBecomeTwoReleases() {
        QTemporaryDir dir;
        // File names sort against the track order on purpose.
        writeTagged(dir.path(), "a/01.flac",
                    track("Pohjoinen", "1/2", "2/2", "Toinen",
                          {{"LABEL", "Revontuli"},
                           {"CATALOGNUMBER", "RT-7"},
                           {"DATE", "2003"},
                           {"GENRE", "Kansanmusiikki"},
                           {"MEDIA", "CD"},
                           {"COMPOSER", "Eino Virta"},
                           {"COMPOSER", "Liisa Virta"}}));
        writeTagged(dir.path(), "a/02.flac", track("Pohjoinen", "2/2", "1/1", "Kolmas"));
        // Performer credits: a name with instruments, and the musician credits of ID3v2.
        writeTagged(dir.path(), "a/03.flac",
                    track("Pohjoinen", "1/2", "1/2", "Ensimmäinen",
                          {{"PERFORMER", "Карл Дал (cello)"},
                           {"PERFORMER", "Bo Berg (bass, vocals)"},
                           {"PERFORMER", "Orkesteri"}}));
        // A single disc keeps its track numbers, gaps and all.
        writeTagged(dir.path(), "b/x.mp3",
                    track("Etelä", "", "5", "Viides", {{"MEDIA", "12\" Vinyl"}}));
        writeTagged(dir.path(), "b/y.mp3",
                    track("Etelä", "", "2", "Toinen",
                          {{"PERFORMER:DRUMS", "Eva Fors"}, {"PERFORMER:DRUMS", "Gustav Holm"}}));
        writeFile(dir.filePath("b/notes.txt"), audioStream("notes.flac")); // never read
        // Unreadable files are counted and named, and the rest is read.
        writeFile(dir.filePath("a/broken.flac"), "not audio");
        writeFile(dir.filePath("empty.mp3"), {});

        QList<std::pair<int, int>> calls;
        const exchange::ReadResult result = exchange::readTagFolder(dir.path(), [&](int d, int t) {
            calls.append({d, t});
            return true;
        });
        QCOMPARE(calls.size(), 7);
        QCOMPARE(calls.last(), std::pair(7, 7));
        QCOMPARE(result.skipped, 2);
        QCOMPARE(result.notes.size(), 2u);
        QVERIFY(text(result.notes[0]).startsWith("a/broken.flac: "));
        QVERIFY(text(result.notes[1]).startsWith("empty.mp3: "));
        QCOMPARE(result.releases.size(), 2u);
        QCOMPARE(releaseFields(result.releases[0]),
                 QStringList({"Åsa Lind", "Pohjoinen", "Revontuli", "RT-7", "2003",
                              "Kansanmusiikki", "CD", "1 Ensimmäinen", "2 Toinen", "3 Kolmas"}));
        QCOMPARE(result.releases[0].tracks[1].komponist, "Eino Virta, Liisa Virta");
        QCOMPARE(releaseFields(result.releases[1]),
                 QStringList({"Åsa Lind", "Etelä", "", "", "", "", "LP", "2 Toinen", "5 Viides"}));
        QCOMPARE(musicians(result.releases[0].tracks[0]),
                 QStringList({"Карл Дал|cello", "Bo Berg|bass", "Bo Berg|vocals", "Orkesteri|"}));
        QCOMPARE(musicians(result.releases[1].tracks[0]),
                 QStringList({"Eva Fors|drums", "Gustav Holm|drums"}));
    }

    // Each file "path|KEY=value|..."; each release "artist|album|n title/track artist|...".
    void groupsAndCopies_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QStringList>("releases");
        QTest::addColumn<int>("skipped");
        QTest::newRow("FLAC and MP3 of one album: one file a track, the lossless one")
            << QStringList{"Aino/Kevät/01.mp3|ARTIST=Aino|ALBUM=Kevät|TRACKNUMBER=1|TITLE=Yksi mp3",
                           "Aino/Kevät/01.flac|ARTIST=Aino|ALBUM=Kevät|TRACKNUMBER=1|TITLE=Yksi",
                           "Aino/Kevät/02.mp3|ARTIST=Aino|ALBUM=Kevät|TRACKNUMBER=2|TITLE=Kaksi"}
            << QStringList{"Aino|Kevät|1 Yksi/Aino|2 Kaksi/Aino"} << 1;
        QTest::newRow("a compilation without album artist stays one release")
            << QStringList{"Hitit/01.flac|ARTIST=Aino|ALBUM=Hitit|TRACKNUMBER=1|TITLE=A",
                           "Hitit/02.flac|ARTIST=Eero|ALBUM=Hitit|TRACKNUMBER=2|TITLE=B"}
            << QStringList{"Various Artists|Hitit|1 A/Aino|2 B/Eero"} << 0;
        QTest::newRow("no artist tag: the Artist/Album folders tell")
            << QStringList{"Pekka/Levy/01.flac|ALBUM=Levy|TRACKNUMBER=1|TITLE=A",
                           "Pekka/Levy/02.flac|TRACKNUMBER=2|TITLE=B"}
            << QStringList{"Pekka|Levy|1 A/Pekka|2 B/Pekka"} << 0;
        QTest::newRow("decomposed names are the composed ones")
            << QStringList{"x/"
                           "01.flac|ALBUMARTIST=A\u0308ino|ALBUM=Keva\u0308t|TRACKNUMBER=1|TITLE=A",
                           "y/02.flac|ALBUMARTIST=Äino|ALBUM=Kevät|TRACKNUMBER=2|TITLE=Yo\u0308"}
            << QStringList{"Äino|Kevät|1 A/Äino|2 Yö/Äino"} << 0;
        QTest::newRow("disc folders belong to their album")
            << QStringList{"Levy/CD1/"
                           "01.flac|ARTIST=Aino|ALBUM=Levy|DISCNUMBER=1|TRACKNUMBER=1|TITLE=A",
                           "Levy/CD2/"
                           "01.flac|ARTIST=Aino|ALBUM=Levy|DISCNUMBER=2|TRACKNUMBER=1|TITLE=B"}
            << QStringList{"Aino|Levy|1 A/Aino|2 B/Aino"} << 0;
        QTest::newRow("WAV and AIFF with tags")
            << QStringList{"W/01.wav|ARTIST=Aino|ALBUM=Aalto|TRACKNUMBER=1|TITLE=Wav",
                           "W/02.aiff|ARTIST=Aino|ALBUM=Aalto|TRACKNUMBER=2|TITLE=Aiff"}
            << QStringList{"Aino|Aalto|1 Wav/Aino|2 Aiff/Aino"} << 0;
    }
    void groupsAndCopies() {
        QFETCH(QStringList, files);
        QFETCH(QStringList, releases);
        QFETCH(int, skipped);
        QTemporaryDir dir;
        for (const QString& file : files) {
            Tags tags;
            for (const QString& tag : file.split('|').mid(1))
                tags.append({tag.section('=', 0, 0).toUtf8(), tag.section('=', 1)});
            writeTagged(dir.path(), file.section('|', 0, 0), tags);
        }
        const exchange::ReadResult result = exchange::readTagFolder(dir.path());
        QStringList got;
        for (const exchange::ReleaseRecord& r : result.releases) {
            QString line = text(r.kunstner + '|' + r.titel);
            for (const exchange::TrackRecord& t : r.tracks)
                line += '|' + QString::number(t.nummer.value_or(-1)) + ' ' +
                        text(t.nrTitel + '/' + t.kunstner);
            got.append(line);
        }
        QCOMPARE(got, releases);
        QCOMPARE(result.skipped, skipped);
    }

    // Each file "path|picture|..." of one album; the cover as bytes or as a file's name.
    void covers_data() {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QString>("cover");
        QTest::newRow("MP3: the front cover, not the picture before it")
            << QStringList{"a/1.mp3|back|front"} << "bytes:front";
        QTest::newRow("MP3: no front cover, the first picture")
            << QStringList{"a/1.mp3|back|b2"} << "bytes:back";
        QTest::newRow("a later file's front cover beats an earlier one's back")
            << QStringList{"a/1.flac|back", "a/2.flac|b2|front"} << "bytes:front";
        QTest::newRow("Opus picture blocks") << QStringList{"a/1.opus|back|front"} << "bytes:front";
        QTest::newRow("M4A: the first covr") << QStringList{"a/1.m4a|f1|f2"} << "bytes:f1";
        QTest::newRow("Cover.JPG beside the files beats the embedded front")
            << QStringList{"a/1.flac|front", "a/Cover.JPG", "a/folder.png"} << "file:Cover.JPG";
        QTest::newRow("folder.png in the album folder of disc folders")
            << QStringList{"a/CD1/1.mp3", "a/folder.png", "a/back.jpg"} << "file:folder.png";
        QTest::newRow("no picture anywhere") << QStringList{"a/1.mp3", "a/scan.jpg"} << "";
    }
    void covers() {
        QFETCH(QStringList, files);
        QFETCH(QString, cover);
        QTemporaryDir dir;
        for (const QString& f : files) {
            const QStringList parts = f.split('|');
            if (!exchange::tagFolderSuffixes().contains(QFileInfo(parts[0]).suffix())) {
                writeFile(dir.filePath(parts[0]), "picture");
                continue;
            }
            writeTagged(dir.path(), parts[0],
                        track("Albumi", "1", QFileInfo(parts[0]).baseName(), "T"));
            embed(dir.filePath(parts[0]), parts.mid(1));
        }
        const exchange::ReadResult result = exchange::readTagFolder(dir.path());
        QCOMPARE(result.releases.size(), 1u);
        const exchange::ReleaseRecord& r = result.releases[0];
        QString got;
        if (!r.coverBytes.empty())
            got = "bytes:" + text(r.coverBytes);
        else if (!r.coverFile.empty())
            got = "file:" + QFileInfo(text(r.coverFile)).fileName();
        QCOMPARE(got, cover);
    }

    void cancelOrNoFolderRaise() {
        QTemporaryDir dir;
        writeTagged(dir.path(), "1.flac", track("Album", "1", "1", "One"));
        writeTagged(dir.path(), "2.flac", track("Album", "1", "2", "Two"));
        QList<int> done;
        const auto cancel = [&](int d, int) { return done.append(d), false; };
        QVERIFY_THROWS_EXCEPTION(exchange::ReadError, exchange::readTagFolder(dir.path(), cancel));
        QCOMPARE(done, QList<int>{1});
        QVERIFY_THROWS_EXCEPTION(exchange::ReadError,
                                 exchange::readTagFolder(dir.filePath("1.flac")));
    }
};

QTEST_GUILESS_MAIN(TestTagFolder)
#include "tst_tagfolder.moc"
