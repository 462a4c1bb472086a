// The sample collection in samples/: it comes in whole through the CSV import, its rows linked
// as the record rules link them.
#include "collection.h"
#include "exchange/csvtables.h"

#include <QSet>
#include <QtTest>

class TestSamples : public QObject {
    Q_OBJECT

private slots:
    void importsWholeAndLinked() {
        TestCollection c;
        const auto s = exchange::importCsvTables(
            c.tables, QStringLiteral(LEVYHOLVI_TEST_SOURCE_DIR "/../../samples"));
        QCOMPARE(s.releases, 40);
        QCOMPARE(s.cut + s.skipped, 0);
        const QStringList nums = TestCollection::column(c.lydsam, "Num");
        QCOMPARE(TestCollection::column(c.arkiv, "ArkivNr"), nums);
        const auto set = [](const QStringList& l) { return QSet<QString>(l.begin(), l.end()); };
        QCOMPARE(set(TestCollection::column(c.lydsam, "Media")),
                 (QSet<QString>{"CD", "MD", "LP", "MC", "SG", "78"}));
        QVERIFY(set(TestCollection::column(c.genre, "Genre"))
                    .contains(set(TestCollection::column(c.lydsam, "Genre"))));
        QVERIFY(set(nums).contains(set(TestCollection::column(c.numre, "Num"))));
        QSet<QString> trackKeys;
        for (const QString& t : TestCollection::column(c.numre, "NrTitel"))
            trackKeys << t.left(30);
        QVERIFY(trackKeys.contains(set(TestCollection::column(c.musiker, "NrTitel"))));
        const QString names = TestCollection::column(c.lydsam, "Kunstner").join(u' ');
        for (const char* letter : {"å", "ä", "ö", "æ", "ø"})
            QVERIFY2(names.contains(QString::fromUtf8(letter), Qt::CaseInsensitive), letter);
    }
};

QTEST_GUILESS_MAIN(TestSamples)
#include "tst_samples.moc"
