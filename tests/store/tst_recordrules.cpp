#include "engine/error.h"
#include "engine/table.h"
#include "platform/inifile.h"
#include "store/collection.h"
#include "store/recordrules.h"
#include "store/settings.h"

#include <QTemporaryDir>
#include <QtTest>

using engine::Table;

namespace {

// The five tables with the rules hooked in the way the main window hooks them.
struct Collection {
    Table lydsam, arkiv, numre, musiker;
    Collection() {
        for (auto [t, name] : {std::pair{&lydsam, "Lydsam"},
                               {&arkiv, "Arkiv"},
                               {&numre, "Numre"},
                               {&musiker, "Musiker"}}) {
            const store::CollectionTable& table = store::collectionTable(name);
            table.create(*t);
            table.setDisplayWidths(*t);
            table.createIndices(*t);
        }
        lydsam.afterInsert = [this] {
            lydsam.setInteger("Num", store::issueArchiveNumber(arkiv, lydsam));
        };
        numre.afterInsert = [this] {
            store::linkNewTrack(numre, lydsam.asText("Titel"), lydsam.asText("Num"));
        };
        musiker.afterInsert = [this] {
            store::linkNewMusician(musiker, numre.asText("NrTitel"), lydsam.asText("Titel"));
        };
    }
    int addRelease(const char* title) {
        lydsam.append();
        lydsam.setText("Titel", title);
        lydsam.post();
        return lydsam.asInteger("Num");
    }
    void addTrack(const char* title) {
        numre.append();
        numre.setText("NrTitel", title);
        numre.post();
    }
    QList<int> archive() {
        QList<int> out;
        for (arkiv.first(); !arkiv.eof(); arkiv.next())
            out << arkiv.asInteger("ArkivNr");
        return out;
    }
};

} // namespace

class TestRecordRules : public QObject {
    Q_OBJECT

private slots:
    void firstReleaseGetsOne();
    void cancelledReleaseConsumesItsNumber();
    void deletedHighestIsNotReused();
    void lostArchiveDoesNotRepeatNumbers();
    void archiveNumbersAtTheEdges_data();
    void archiveNumbersAtTheEdges();
    void tracksAreLinkedAndNumbered();
    void unfilteredTrackCountsAllTracks();
    void trackWithoutReleaseIsLinkedToNone();
    void musicianKeepsThirtyCharactersOfTheTitle();
    void pageForSide_data();
    void pageForSide();
    void settingsDefaultsAndRoundTrip();
};

void TestRecordRules::firstReleaseGetsOne() {
    Collection c;
    QCOMPARE(c.addRelease("A"), 1);
    QCOMPARE(c.archive(), QList<int>{1});
}

void TestRecordRules::cancelledReleaseConsumesItsNumber() {
    Collection c;
    c.addRelease("A");
    c.lydsam.append();
    c.lydsam.cancel();
    QCOMPARE(c.addRelease("B"), 3);
    QCOMPARE(c.archive(), (QList<int>{1, 2, 3}));
}

void TestRecordRules::deletedHighestIsNotReused() {
    Collection c;
    c.addRelease("A");
    c.addRelease("B");
    c.lydsam.locate("Num", "2");
    c.lydsam.deleteRecord();
    QCOMPARE(c.addRelease("C"), 3);
}

void TestRecordRules::lostArchiveDoesNotRepeatNumbers() {
    Collection c;
    c.addRelease("A");
    c.addRelease("B");
    store::CreateArkivTable(c.arkiv); // as if Arkiv.dat were lost
    QCOMPARE(c.addRelease("C"), 3);
    QCOMPARE(c.archive(), QList<int>{3});
}

void TestRecordRules::archiveNumbersAtTheEdges_data() {
    QTest::addColumn<int>("last");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("first"); // 0: none are left
    QTest::newRow("after a negative number") << -5 << 3 << -4;
    QTest::newRow("after the lowest number") << INT32_MIN << 2 << INT32_MIN + 1;
    QTest::newRow("the last one") << INT32_MAX - 1 << 1 << INT32_MAX;
    QTest::newRow("one too many") << INT32_MAX - 1 << 2 << 0;
    QTest::newRow("after the highest number") << INT32_MAX << 1 << 0;
}

void TestRecordRules::archiveNumbersAtTheEdges() {
    QFETCH(int, last);
    QFETCH(int, count);
    QFETCH(int, first);
    Collection c;
    c.arkiv.append();
    c.arkiv.setInteger("ArkivNr", last);
    c.arkiv.post();
    if (first == 0) {
        QVERIFY_THROWS_EXCEPTION(engine::Error,
                                 store::issueArchiveNumbers(c.arkiv, c.lydsam, count));
        QCOMPARE(c.archive(), QList<int>{last});
    } else {
        QCOMPARE(store::issueArchiveNumbers(c.arkiv, c.lydsam, count), first);
        QCOMPARE(c.archive().size(), count + 1);
    }
}

void TestRecordRules::tracksAreLinkedAndNumbered() {
    Collection c;
    c.addRelease("First");
    const int num = c.addRelease("Second");
    c.lydsam.locate("Num", "1");
    c.numre.setFilter("Num = '1'");
    c.numre.setFiltered(true);
    c.addTrack("other release");
    c.lydsam.locate("Num", std::to_string(num));
    c.numre.setFilter("Num = '" + std::to_string(num) + "'");
    for (const char* t : {"a", "b", "c", "d", "e"})
        c.addTrack(t);
    QCOMPARE(c.numre.recordCount(), 5);
    c.numre.last();
    QCOMPARE(c.numre.asInteger("Nummer"), 5);
    QCOMPARE(c.numre.asInteger("Num"), num);
    QCOMPARE(QString::fromStdString(c.numre.asText("Titel")), QStringLiteral("Second"));
}

void TestRecordRules::unfilteredTrackCountsAllTracks() {
    Collection c;
    c.addRelease("A");
    for (const char* t : {"a", "b", "c"})
        c.addTrack(t);
    c.addRelease("B");
    c.addTrack("d");
    c.numre.last();
    QCOMPARE(c.numre.asInteger("Nummer"), 4);
}

void TestRecordRules::trackWithoutReleaseIsLinkedToNone() {
    Collection c;
    c.addTrack("lonely");
    QVERIFY(c.numre.isNull(c.numre.fieldIndex("Num")));
    QCOMPARE(c.numre.asInteger("Nummer"), 1);
}

void TestRecordRules::musicianKeepsThirtyCharactersOfTheTitle() {
    Collection c;
    c.addRelease("Album");
    c.addTrack("Ääniraita jonka nimi on 35 merkkiä");
    c.musiker.append();
    c.musiker.setText("Musiker", "Soittaja");
    c.musiker.post();
    QCOMPARE(QString::fromStdString(c.musiker.asText("NrTitel")),
             QStringLiteral("Ääniraita jonka nimi on 35 mer"));
    QCOMPARE(QString::fromStdString(c.musiker.asText("Titel")), QStringLiteral("Album"));
    QVERIFY(c.musiker.isNull(c.musiker.fieldIndex("Num")));
}

void TestRecordRules::pageForSide_data() {
    QTest::addColumn<int>("side");
    QTest::addColumn<int>("page");
    QTest::newRow("title page") << 1 << 1;
    QTest::newRow("tracks") << 3 << 3;
    QTest::newRow("overview") << 5 << 5;
    QTest::newRow("notes page opens the first") << 6 << 1;
    QTest::newRow("genre page opens the first") << 7 << 1;
    QTest::newRow("zero opens the first") << 0 << 1;
    QTest::newRow("negative opens the first") << -3 << 1;
}

void TestRecordRules::pageForSide() {
    QFETCH(int, side);
    QFETCH(int, page);
    QCOMPARE(store::pageForSide(side), page);
}

void TestRecordRules::settingsDefaultsAndRoundTrip() {
    QTemporaryDir dir;
    TIniFile ini(dir.filePath(QStringLiteral("Levyholvi.INI")));
    const store::Settings defaults = store::readSettings(ini);
    QCOMPARE(defaults.num, 0);
    QCOMPARE(defaults.side, 1);
    QCOMPARE(defaults.bgColor, 16777088);
    QCOMPARE(defaults.txColor, 0);
    store::writeSettings(ini, {17, 3, 255, 0x800000});
    const store::Settings back = store::readSettings(TIniFile(ini.fileName()));
    QCOMPARE(back.num, 17);
    QCOMPARE(back.side, 3);
    QCOMPARE(back.bgColor, 255);
    QCOMPARE(back.txColor, 0x800000);
}

QTEST_APPLESS_MAIN(TestRecordRules)
#include "tst_recordrules.moc"
