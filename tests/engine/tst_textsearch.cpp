// Contains-searches through the text index: after any seeded sequence of changes, findInView
// must give the position a plain walk over the view gives, so the index never loses a row.
#include "engine/error.h"
#include "engine/table.h"

#include <QTemporaryDir>
#include <QtTest>

#include <optional>
#include <random>
#include <string>

using engine::FieldType;
using engine::Table;

class TestTextSearch : public QObject {
    Q_OBJECT

private slots:
    void findsWhatAWalkFinds_data();
    void findsWhatAWalkFinds();
    void readsOnlyRowsHoldingEveryRun_data();
    void readsOnlyRowsHoldingEveryRun();

private:
    std::string randomText(int maxPieces) {
        // Both cases of a-z and of national letters, and bytes that share classes.
        const char* const pieces[] = {"a", "A", "b", "B", "z", "1", " ", "-", "ä", "Ä", "é"};
        std::string s;
        for (int i = pick(maxPieces + 1); i > 0; --i)
            s += pieces[pick(static_cast<int>(std::size(pieces)))];
        return s;
    }
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    void check(Table& t, int step);

    std::mt19937 rng_;
};

// Needles are pieces of the row just changed or of any stored name (folded a-z half the time),
// or anything.
void TestTextSearch::check(Table& t, int step) {
    const int n = t.recordCount();
    for (int k = 0; k < 4; ++k) {
        std::string needle = randomText(4);
        if (t.storedRowCount() > 0 && pick(4) > 0) {
            const std::string name =
                k < 2 && n > 0 ? t.asText(0) : t.storedText(pick(t.storedRowCount()), 0);
            needle = name.substr(static_cast<std::size_t>(pick(static_cast<int>(name.size()) + 1)),
                                 3 + static_cast<std::size_t>(pick(3)));
        }
        const bool fold = pick(2);
        auto folded = [&](std::string s) {
            for (char& c : s)
                c = fold && c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
            return s;
        };
        needle = folded(needle);
        auto accept = [&](std::string_view v) {
            return folded(std::string(v)).find(needle) != std::string::npos;
        };
        const int from = pick(3) == 0 ? pick(n + 1) : 0;
        const int to = pick(3) == 0 ? from + pick(n + 1) : n;
        int expected = -1;
        for (int p = from; p < std::min(to, n) && expected < 0; ++p)
            expected = accept(t.textAt(p, 0)) ? p : -1;
        const int before = t.currentDisplayRow();
        const std::optional<int> got = t.findInView(0, needle, from, to, accept);
        const QByteArray what = QStringLiteral("step %1: \"%2\" in [%3, %4)")
                                    .arg(step)
                                    .arg(QString::fromStdString(needle))
                                    .arg(from)
                                    .arg(to)
                                    .toUtf8();
        QVERIFY2(needle.size() < 3 ? !got : got == expected, what.constData());
        QCOMPARE(t.currentDisplayRow(), before);
    }
}

void TestTextSearch::findsWhatAWalkFinds_data() {
    QTest::addColumn<unsigned>("seed");
    for (unsigned seed : {1U, 2U, 3U, 4U})
        QTest::addRow("seed %u", seed) << seed;
}

void TestTextSearch::findsWhatAWalkFinds() {
    QFETCH(unsigned, seed);
    rng_.seed(seed);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    auto addIndices = [&] {
        t.addIndex("ByName", "Name");
        t.addIndex("ByNum", "Num;Other");
    };
    auto addRow = [&] {
        pick(4) ? t.append() : t.insert();
        t.setText(0, randomText(8));
        t.setText(1, randomText(2));
        t.setInteger(2, pick(5));
        t.post();
    };
    t.create({{"Name", FieldType::String, 12},
              {"Other", FieldType::String, 12},
              {"Num", FieldType::Integer, 0}});
    addIndices();
    for (int step = 0; step < 400; ++step) {
        switch (pick(8)) {
        case 0:
        case 1:
            addRow();
            break;
        case 2: // the searched text, or only another field
            if (t.isEmpty())
                break;
            t.edit();
            t.setText(pick(3) ? 0 : 1, randomText(8));
            t.post();
            break;
        case 3:
            if (!t.isEmpty())
                t.deleteRecord();
            break;
        case 4: {
            const char* indices[] = {"", "ByName", "ByNum"};
            const char* filters[] = {"Num = '2'", "Name = 'a*'", "Other = ''"};
            t.setActiveIndex(indices[pick(3)]);
            t.setFilter(filters[pick(3)]);
            t.setFiltered(pick(2));
            t.moveTo(pick(t.recordCount() + 1));
            break;
        }
        case 5:
            t.beginBulk();
            for (int i = pick(20); i > 0; --i)
                addRow();
            check(t, step); // during the bulk load too
            t.endBulk();
            break;
        case 6: // new row ids: the old index must not survive
            if (pick(3))
                break; // saves wait for the disk: not too many
            t.save(path);
            t.load(path);
            addIndices();
            break;
        }
        check(t, step);
    }
}

void TestTextSearch::readsOnlyRowsHoldingEveryRun_data() {
    QTest::addColumn<int>("rows");
    QTest::newRow("built on one thread") << 800;
    QTest::newRow("two threads build a half each") << 70000;
}

// Lists of very different lengths meet (a galloping intersection), and the rows that hold some
// runs of the needle but not all are never read.
void TestTextSearch::readsOnlyRowsHoldingEveryRun() {
    QFETCH(int, rows);
    Table t;
    t.create({{"Name", FieldType::String, 12}, {"Notes", FieldType::Memo, 0}});
    for (int i = 0; i < rows; ++i) {
        t.append();
        const int k = i % 50;
        t.setText(0, k == 0 ? "abcxyz" : k == 10 ? "bcxy" : k == 25 ? "xyzxyz" : "abcabc");
        t.post();
    }
    int read = 0;
    auto onlyCandidates = [&](std::string_view value) {
        ++read;
        return value != "abcxyz"; // any other row read ends the search
    };
    QCOMPARE(t.findInView(0, "ABCXYZ", 0, rows, onlyCandidates), std::optional<int>(-1));
    QCOMPARE(read, rows / 50);
    auto any = [](std::string_view) { return true; };
    for (int from : {1, rows / 2 - 1, rows / 2 + 1}) {
        const int next = (from + 49) / 50 * 50;
        QCOMPARE(t.findInView(0, "ABCXYZ", from, rows, any), std::optional<int>(next));
        QCOMPARE(t.findInView(0, "ABCXYZ", from, next, any), std::optional<int>(-1));
    }
    QVERIFY(!t.findInView(1, "abc", 0, rows, any)); // memo fields are scanned
    QVERIFY_THROWS_EXCEPTION(engine::Error, t.findInView(2, "abc", 0, rows, any));
}

QTEST_APPLESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
