#include "exchange/mediumcode.h"
#include "exchange/musicbrainz.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using exchange::MusicianRecord;

namespace {

// A two-disc release as the web service returns it with recording and work relations.
const char* const kRelease = R"({
  "title": "Kesäyön ääniä", "date": "1998-05-12",
  "artist-credit": [{"name": "Aino Ek", "joinphrase": " & ", "artist": {"name": "Aino Ek"}},
                    {"name": "Юрий", "joinphrase": "", "artist": {"name": "Yuri Petrov"}}],
  "label-info": [{"catalog-number": "KX-101", "label": {"name": "Pohjola Records"}},
                 {"catalog-number": "other", "label": {"name": "Second Label"}}],
  "media": [
    {"position": 1, "format": "Enhanced CD", "tracks": [
      {"position": 1, "number": "1", "title": "Aamu",
       "artist-credit": [{"name": "Aino Ek", "joinphrase": " feat. ", "artist": {"name": "Aino Ek"}},
                         {"name": "Bo", "artist": {"name": "Bo Berg"}}],
       "recording": {"title": "Aamu", "relations": [
         {"type": "instrument", "target-type": "artist", "attributes": ["guitar", "bass guitar"],
          "artist": {"name": "Carl Dahl"}},
         {"type": "instrument", "target-type": "artist", "attributes": ["guest", "piano"],
          "artist": {"name": "Dora Ek"}},
         {"type": "vocal", "target-type": "artist", "attributes": ["lead vocals"],
          "artist": {"name": "Aino Ek"}},
         {"type": "vocal", "target-type": "artist", "attributes": [], "artist": {"name": "Bo Berg"}},
         {"type": "performer", "target-type": "artist", "attributes": [], "artist": {"name": "Orkesteri"}},
         {"type": "producer", "target-type": "artist", "artist": {"name": "Not a musician"}},
         {"type": "performance", "target-type": "work", "work": {"title": "Aamu", "relations": [
           {"type": "composer", "target-type": "artist", "artist": {"name": "Eva Fors"}},
           {"type": "lyricist", "target-type": "artist", "artist": {"name": "Not a composer"}},
           {"type": "composer", "target-type": "artist", "artist": {"name": "Gustav Holm"}}]}}]}}]},
    {"position": 2, "format": "CD", "tracks": [
      {"position": 1, "number": "1", "title": "Ilta", "artist-credit": null,
       "recording": {"artist-credit": [{"name": "Bo", "artist": {"name": "Bo Berg"}}]}}]}]
})";

QByteArray releaseTitled(const char* title) {
    return QByteArray(R"({"title": ")") + title + R"(", "media": [{"tracks": [{"title": "t"}]}]})";
}

} // namespace

class TestMusicBrainz : public QObject {
    Q_OBJECT

private slots:
    void readsReleaseFile() {
        QTemporaryDir dir;
        const QString path = dir.filePath("release.json");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(kRelease);
        file.close();

        const exchange::ReadResult result = exchange::readMusicBrainz(path);
        QCOMPARE(result.releases.size(), 1u);
        const exchange::ReleaseRecord& r = result.releases[0];
        QCOMPARE(r.titel, "Kesäyön ääniä");
        QCOMPARE(r.kunstner, "Aino Ek & Юрий");
        QCOMPARE(r.forlag, "Pohjola Records");
        QCOMPARE(r.regNr, "KX-101");
        QCOMPARE(r.indspillet, "1998-05-12");
        QCOMPARE(r.media, "CD");
        QCOMPARE(r.tracks.size(), 2u);

        const exchange::TrackRecord& first = r.tracks[0];
        QCOMPARE(first.nummer, 1);
        QCOMPARE(first.nrTitel, "Aamu");
        QCOMPARE(first.kunstner, "Aino Ek feat. Bo");
        QCOMPARE(first.komponist, "Eva Fors, Gustav Holm");
        const std::vector<MusicianRecord> expected{
            {"Carl Dahl", "guitar", ""},   {"Carl Dahl", "bass guitar", ""},
            {"Dora Ek", "piano", "guest"}, {"Aino Ek", "lead vocals", ""},
            {"Bo Berg", "vocals", ""},     {"Orkesteri", "", ""}};
        QCOMPARE(first.musicians.size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i) {
            QCOMPARE(first.musicians[i].musiker, expected[i].musiker);
            QCOMPARE(first.musicians[i].instrument, expected[i].instrument);
            QCOMPARE(first.musicians[i].notat, expected[i].notat);
        }

        // Numbered on across the second disc; credited as its recording.
        QCOMPARE(r.tracks[1].nummer, 2);
        QCOMPARE(r.tracks[1].kunstner, "Bo");
        QVERIFY(r.tracks[1].musicians.empty());
    }

    void readsReleaseList() {
        const QByteArray list = "{\"releases\": [" + releaseTitled("One") + ", " +
                                releaseTitled("Two") + "], \"release-count\": 2}";
        const exchange::ReadResult result = exchange::readMusicBrainzJson(list, "list.json");
        QCOMPARE(result.releases.size(), 2u);
        QCOMPARE(result.releases[1].titel, "Two");
        QCOMPARE(result.releases[1].tracks.at(0).nummer, 1);
    }

    void damagedInputIsNamed_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("truncated") << QByteArray("{\"title\": \"x\",\n  \"media\": [")
                                   << "bad.json: line 2, column 13: expected JSON";
        QTest::newRow("empty file") << QByteArray() << "bad.json: line 1, column 1: expected JSON";
        QTest::newRow("not an object")
            << QByteArray("[1, 2]") << "bad.json: the top level: expected a JSON object";
        QTest::newRow("no title") << QByteArray("{\"media\": []}")
                                  << "bad.json: title: expected the release title";
        QTest::newRow("media not a list") << QByteArray("{\"title\": \"x\", \"media\": {}}")
                                          << "bad.json: media: expected an array";
        QTest::newRow("label name a number")
            << QByteArray("{\"title\": \"x\", \"label-info\": [{\"label\": {\"name\": 7}}]}")
            << "bad.json: label-info[0].label.name: expected a string";
        QTest::newRow("attributes not strings")
            << QByteArray(R"({"title": "x", "media": [{"tracks": [{}, {"recording": {"relations":
                 [{"type": "instrument", "target-type": "artist", "artist": {"name": "A"},
                   "attributes": [3]}]}}]}]})")
            << "bad.json: media[0].tracks[1].recording.relations[0].attributes: expected an "
               "array of strings";
        QTest::newRow("release in list not an object")
            << QByteArray("{\"releases\": [" + releaseTitled("ok") + ", 5]}")
            << "bad.json: releases[1]: expected an object";
        QTest::newRow("composer artist not an object")
            << QByteArray(R"({"title": "x", "media": [{"tracks": [{"recording": {"relations": [
                 {"target-type": "work", "work": {"relations": [
                   {"type": "composer", "artist": "Eva"}]}}]}}]}]})")
            << "bad.json: media[0].tracks[0].recording.relations[0].work.relations[0].artist: "
               "expected an object";
    }
    void damagedInputIsNamed() {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        try {
            exchange::readMusicBrainzJson(json, "bad.json");
            QFAIL("no error raised");
        } catch (const exchange::ReadError& e) {
            const QString what = QString::fromStdString(e.what());
            QVERIFY2(what.startsWith(message), qPrintable(what));
        }
    }

    void missingFileIsNamed() {
        QTemporaryDir dir;
        const QString path = dir.filePath("gone.json");
        QVERIFY_THROWS_EXCEPTION(exchange::ReadError, exchange::readMusicBrainz(path));
        try {
            exchange::readMusicBrainz(path);
        } catch (const exchange::ReadError& e) {
            QVERIFY(QString::fromStdString(e.what()).startsWith(path + ": cannot be read"));
        }
    }

    void mediumCodes_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("code");
        const std::pair<const char*, const char*> rows[] = {{"CD", "CD"},
                                                            {"Enhanced CD", "CD"},
                                                            {"HDCD", "CD"},
                                                            {"Hybrid SACD", "CD"},
                                                            {"SHM-CD", "CD"},
                                                            {"CD-R", "CD"},
                                                            {"CD/A", "CD"},
                                                            {"VCD", ""},
                                                            {"CDV", ""},
                                                            {"DVD", ""},
                                                            {"MiniDisc", "MD"},
                                                            {"Cassette", "MC"},
                                                            {"Microcassette", ""},
                                                            {"7\" Vinyl", "SG"},
                                                            {"12\" Vinyl", "LP"},
                                                            {"Vinyl", "LP"},
                                                            {"10\" Shellac", "78"},
                                                            {"Shellac", "78"},
                                                            {"TT/78", "78"},
                                                            {"TT/45", "SG"},
                                                            {"Digital Media", ""},
                                                            {"lp", "LP"},
                                                            {"", ""}};
        for (const auto& [format, code] : rows)
            QTest::newRow(*format ? format : "empty")
                << QString::fromUtf8(format) << QString::fromUtf8(code);
    }
    void mediumCodes() {
        QFETCH(QString, format);
        QFETCH(QString, code);
        QCOMPARE(QString::fromStdString(exchange::mediumCode(format)), code);
    }
};

QTEST_GUILESS_MAIN(TestMusicBrainz)
#include "tst_musicbrainz.moc"
