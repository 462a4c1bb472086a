#include "exchange/mediumcode.h"
#include "exchange/musicbrainz.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// A two-disc release as the web service returns it with recording and work relations.
const char* const kRelease = R"({"title": "Kesäyön ääniä", "date": "1998-05-12",
  "artist-credit": [{"name": "Aino Ek", "joinphrase": " & "}, {"name": "Юрий", "joinphrase": ""}],
  "label-info": [{"catalog-number": "KX-101", "label": {"name": "Pohjola Records"}},
                 {"catalog-number": "other", "label": {"name": "Second Label"}}],
  "media": [{"format": "Enhanced CD", "tracks": [{"title": "Aamu",
    "artist-credit": [{"name": "Aino Ek", "joinphrase": " feat. "}, {"artist": {"name": "Bo"}}],
    "recording": {"title": "Aamu", "relations": [
      {"type": "instrument", "target-type": "artist", "attributes": ["guitar", "bass guitar"],
       "artist": {"name": "Carl Dahl"}},
      {"type": "instrument", "target-type": "artist", "attributes": ["guest", "piano"],
       "artist": {"name": "Dora Ek"}},
      {"type": "vocal", "target-type": "artist", "attributes": [], "artist": {"name": "Bo Berg"}},
      {"type": "performer", "target-type": "artist", "artist": {"name": "Orkesteri"}},
      {"type": "producer", "target-type": "artist", "artist": {"name": "Not a musician"}},
      {"type": "performance", "target-type": "work", "work": {"relations": [
        {"type": "composer", "target-type": "artist", "artist": {"name": "Eva Fors"}},
        {"type": "lyricist", "target-type": "artist", "artist": {"name": "Not a composer"}},
        {"type": "composer", "target-type": "artist", "artist": {"name": "Gustav Holm"}}]}}]}}]},
    {"format": "CD", "tracks": [{"title": "Ilta", "artist-credit": null,
      "recording": {"artist-credit": [{"name": "Bo"}]}}]}]})";

} // namespace

class TestMusicBrainz : public QObject {
    Q_OBJECT

private slots:
    // Pictures beside "release.json"; the cover file the release gets.
    void coverBesideTheFile_data() {
        QTest::addColumn<QStringList>("pictures");
        QTest::addColumn<bool>("twoReleases");
        QTest::addColumn<QString>("cover");
        QTest::newRow("the file's own name beats cover.*")
            << QStringList{"cover.jpg", "release.PNG", "other.jpg"} << false << "release.PNG";
        QTest::newRow("cover.* when none has the file's name")
            << QStringList{"Cover.jpeg", "other.jpg"} << false << "Cover.jpeg";
        QTest::newRow("a file of two releases: none")
            << QStringList{"release.jpg", "cover.jpg"} << true << ",";
    }
    void coverBesideTheFile() {
        QFETCH(QStringList, pictures);
        QFETCH(bool, twoReleases);
        QFETCH(QString, cover);
        QTemporaryDir dir;
        for (const QString& name : pictures) {
            QFile picture(dir.filePath(name));
            QVERIFY(picture.open(QIODevice::WriteOnly));
        }
        QFile file(dir.filePath("release.json"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(twoReleases ? R"({"releases": [{"title": "A"}, {"title": "B"}]})"
                               : R"({"title": "A"})");
        file.close();
        QStringList covers;
        for (const auto& r : exchange::readMusicBrainz(file.fileName()).releases)
            covers << QFileInfo(QString::fromStdString(r.coverFile)).fileName();
        QCOMPARE(covers.join(','), cover);
    }

    void readsReleaseFile() {
        QTemporaryDir dir;
        QFile file(dir.filePath("release.json"));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(kRelease) > 0);
        file.close();

        const exchange::ReadResult result = exchange::readMusicBrainz(file.fileName());
        QCOMPARE(result.releases.size(), 1u);
        const exchange::ReleaseRecord& r = result.releases[0];
        QCOMPARE(r.kunstner + '|' + r.titel + '|' + r.forlag + '|' + r.regNr + '|' + r.indspillet +
                     '|' + r.media,
                 "Aino Ek & Юрий|Kesäyön ääniä|Pohjola Records|KX-101|1998-05-12|CD");
        // Numbered on across the second disc; a track without a credit has its recording's.
        QStringList got;
        for (const exchange::TrackRecord& t : r.tracks) {
            got.append(QString::fromStdString(std::to_string(t.nummer.value_or(-1)) + '|' +
                                              t.nrTitel + '|' + t.kunstner + '|' + t.komponist));
            for (const exchange::MusicianRecord& m : t.musicians)
                got.append(QString::fromStdString(m.musiker + '|' + m.instrument + '|' + m.notat));
        }
        QCOMPARE(got,
                 QStringList({"1|Aamu|Aino Ek feat. Bo|Eva Fors, Gustav Holm", "Carl Dahl|guitar|",
                              "Carl Dahl|bass guitar|", "Dora Ek|piano|guest", "Bo Berg|vocals|",
                              "Orkesteri||", "2|Ilta|Bo|"}));
    }

    void readsReleaseList() {
        const exchange::ReadResult result = exchange::readMusicBrainzJson(
            R"({"releases": [{"title": "One"}, {"title": "Two", "media": [{"tracks": [{}]}]}]})",
            "list.json");
        QCOMPARE(result.releases.size(), 2u);
        QCOMPARE(result.releases[1].titel, "Two");
        QCOMPARE(result.releases[1].tracks.at(0).nummer, 1);
    }

    void damagedInputIsNamed_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QString>("message");
        QTest::newRow("truncated") << QByteArray("{\"title\": \"x\",\n  \"media\": [")
                                   << "bad.json: line 2, column 13: expected JSON";
        QTest::newRow("not an object")
            << QByteArray("[1, 2]") << "bad.json: the top level: expected a JSON object";
        QTest::newRow("no title") << QByteArray("{\"media\": []}")
                                  << "bad.json: title: expected the release title";
        QTest::newRow("label name a number")
            << QByteArray(R"({"title": "x", "label-info": [{"label": {"name": 7}}]})")
            << "bad.json: label-info[0].label.name: expected a string";
        QTest::newRow("attributes not strings")
            << QByteArray(R"({"title": "x", "media": [{"tracks": [{}, {"recording": {"relations":
                 [{"type": "vocal", "target-type": "artist", "attributes": [3]}]}}]}]})")
            << "bad.json: media[0].tracks[1].recording.relations[0].attributes: expected an "
               "array of strings";
        QTest::newRow("not UTF-8")
            << QByteArray("{\"title\":\n \"M\xF6tley\"}") << "bad.json: line 2: not UTF-8";
        QTest::newRow("release in list not an object")
            << QByteArray(R"({"releases": [{"title": "ok"}, 5]})")
            << "bad.json: releases[1]: expected an object";
    }
    void damagedInputIsNamed() {
        QFETCH(QByteArray, json);
        QFETCH(QString, message);
        try {
            exchange::readMusicBrainzJson(json, "bad.json");
            QFAIL("no error raised");
        } catch (const exchange::ReadError& e) {
            QVERIFY2(QString::fromUtf8(e.what()).startsWith(message), e.what());
        }
    }
    // Video and file media go as the Discogs reader lets them go; values lose their spaces.
    void mediaAndValues_data() {
        QTest::addColumn<QByteArray>("json");
        QTest::addColumn<QStringList>("expected"); // releases, then notes and the skipped count
        const QByteArray credit = R"("artist-credit": [{"name": "A ", "joinphrase": " & "},
                                                       {"name": " B", "joinphrase": " "}])";
        QTest::newRow("a video disc beside the CD")
            << R"({"title": "Live", )" + credit + R"(, "media": [
                  {"format": "DVD-Video", "tracks": [{"title": "Film"}]},
                  {"format": "CD", "tracks": [{"title": "Yksi"}, {"title": "Kaksi"}]},
                  {"format": "Blu-ray", "tracks": [{"title": "Film"}]}]})"
            << QStringList{"A & B|Live|CD|1 Yksi|2 Kaksi",
                           "A & B - Live: tracks of DVD-Video, Blu-ray left out, not a sound "
                           "carrier",
                           "skipped 1"};
        QTest::newRow("digital media only")
            << QByteArray(R"({"releases": [{"title": "Lataus", "media": [
                  {"format": "Digital Media", "tracks": [{"title": "Yksi"}]}]}]})")
            << QStringList{"releases[0]:  - Lataus: not a sound carrier (Digital Media)",
                           "skipped 1"};
        QTest::newRow("values trimmed, the join phrase kept")
            << R"({"title": " Talvi ", )" + credit + R"(, "label-info": [{"catalog-number":
                  "50999 029435 2 ", "label": {"name": " EMI "}}], "media": [{"format": " CD ",
                  "tracks": [{"title": " Yö ", "recording": {"relations": [{"type": "vocal",
                  "target-type": "artist", "attributes": [" lead vocals "],
                  "artist": {"name": " Eero "}}]}}]}]})"
            << QStringList{"A & B|Talvi|CD|1 Yö|Eero/lead vocals|EMI/50999 029435 2", "skipped 0"};
    }
    void mediaAndValues() {
        QFETCH(QByteArray, json);
        QFETCH(QStringList, expected);
        const exchange::ReadResult result = exchange::readMusicBrainzJson(json, "mb.json");
        QStringList got;
        for (const exchange::ReleaseRecord& r : result.releases) {
            QString line = QString::fromStdString(r.kunstner + '|' + r.titel + '|' + r.media);
            for (const exchange::TrackRecord& t : r.tracks) {
                line += QString::fromStdString('|' + std::to_string(t.nummer.value_or(-1)) + ' ' +
                                               t.nrTitel);
                for (const exchange::MusicianRecord& m : t.musicians)
                    line += QString::fromStdString('|' + m.musiker + '/' + m.instrument);
            }
            if (!r.forlag.empty())
                line += QString::fromStdString('|' + r.forlag + '/' + r.regNr);
            got.append(line);
        }
        for (const std::string& n : result.notes)
            got.append(QString::fromStdString(n));
        got.append("skipped " + QString::number(result.skipped));
        QCOMPARE(got, expected);
    }

    void missingFileRaises() {
        QVERIFY_THROWS_EXCEPTION(exchange::ReadError, exchange::readMusicBrainz("/none/x.json"));
    }

    void mediumCodes_data() {
        QTest::addColumn<QString>("format");
        QTest::addColumn<QString>("code");
        for (const char* text :
             {"Enhanced CD>CD", "Hybrid SACD>CD", "SHM-CD>CD", "VCD>", "CDV>", "MiniDisc>MD",
              "Cassette>MC", "Microcassette>", "7\" Vinyl>SG", "12\" Vinyl>LP", "10\" Shellac>78",
              "TT/45>SG", "Digital Media>", "lp>LP"})
            QTest::newRow(text) << QString::fromUtf8(text).section('>', 0, 0)
                                << QString::fromUtf8(text).section('>', 1);
    }
    void mediumCodes() {
        QFETCH(QString, format);
        QFETCH(QString, code);
        QCOMPARE(QString::fromStdString(exchange::mediumCode(format)), code);
    }
};

QTEST_GUILESS_MAIN(TestMusicBrainz)
#include "tst_musicbrainz.moc"
