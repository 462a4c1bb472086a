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

namespace {

// Letters in both cases, national letters in both cases, and bytes that share classes.
const char* const kPieces[] = {"a", "A", "b", "B", "z", "1", " ", "-", ".", "ä", "Ä", "ö", "é"};

std::string foldAz(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 32);
    return s;
}

} // namespace

class TestTextSearch : public QObject {
    Q_OBJECT

private slots:
    void findsWhatAWalkFinds_data();
    void findsWhatAWalkFinds();
    void declinesWhatItCannotNarrow();
    void readsOnlyRowsHoldingEveryRun_data();
    void readsOnlyRowsHoldingEveryRun();

private:
    std::string randomText(int maxPieces);
    std::string randomNeedle(const Table& t);
    void check(Table& t, const QString& step);
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }

    std::mt19937 rng_;
};

std::string TestTextSearch::randomText(int maxPieces) {
    std::string s;
    for (int i = pick(maxPieces + 1); i > 0; --i)
        s += kPieces[pick(static_cast<int>(std::size(kPieces)))];
    return s;
}

// Mostly a piece of a stored name, its a-z case sometimes flipped; else anything.
std::string TestTextSearch::randomNeedle(const Table& t) {
    if (t.storedRowCount() == 0 || pick(4) == 0)
        return randomText(4);
    const std::string name = t.storedText(pick(t.storedRowCount()), 0);
    if (name.size() < 3)
        return randomText(4);
    const std::size_t at = static_cast<std::size_t>(pick(static_cast<int>(name.size()) - 2));
    std::string needle = name.substr(at, 3 + static_cast<std::size_t>(pick(3)));
    if (pick(2))
        for (char& c : needle)
            if (std::isalpha(static_cast<unsigned char>(c)))
                c = static_cast<char>(c ^ 0x20);
    return needle;
}

void TestTextSearch::check(Table& t, const QString& step) {
    const int n = t.recordCount();
    for (int k = 0; k < 4; ++k) {
        const bool fold = pick(2);
        const std::string needle = fold ? foldAz(randomNeedle(t)) : randomNeedle(t);
        auto accept = [&](std::string_view value) {
            return (fold ? foldAz(std::string(value)) : std::string(value)).find(needle) !=
                   std::string::npos;
        };
        const int from = pick(3) == 0 ? pick(n + 1) : 0;
        const int to = pick(3) == 0 ? from + pick(n + 1) : n;
        int expected = -1;
        for (int p = from; p < std::min(to, n) && expected < 0; ++p)
            if (accept(t.textAt(p, 0)))
                expected = p;
        const int before = t.currentDisplayRow();
        const std::optional<int> got = t.findInView(0, needle, from, to, accept);
        const QString what = QStringLiteral("%1: \"%2\" in [%3, %4)%5")
                                 .arg(step, QString::fromStdString(needle))
                                 .arg(from)
                                 .arg(to)
                                 .arg(fold ? QStringLiteral(" folded") : QString());
        if (needle.size() < 3) {
            QVERIFY2(!got, qPrintable(what));
            continue;
        }
        QVERIFY2(got.has_value(), qPrintable(what));
        QVERIFY2(*got == expected,
                 qPrintable(what + QStringLiteral(": %1, expected %2").arg(*got).arg(expected)));
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
    QVERIFY(dir.isValid());
    const std::string path = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    auto addIndices = [&] {
        t.addIndex("ByName", "Name");
        t.addIndex("ByNum", "Num;Other");
    };
    auto create = [&] {
        t.create({{"Name", FieldType::String, 12},
                  {"Other", FieldType::String, 12},
                  {"Num", FieldType::Integer, 0}});
        addIndices();
    };
    auto write = [&] {
        t.setText(0, randomText(8));
        if (pick(2))
            t.setText(1, randomText(4));
        t.setInteger(2, pick(5));
    };
    create();
    for (int step = 0; step < 400; ++step) {
        QString name;
        switch (pick(12)) {
        case 0:
        case 1:
        case 2:
            name = QStringLiteral("append");
            t.append();
            write();
            t.post();
            break;
        case 3:
            name = QStringLiteral("insert");
            t.insert();
            write();
            t.post();
            break;
        case 4:
        case 5:
            name = QStringLiteral("edit");
            if (t.isEmpty())
                break;
            t.edit();
            if (pick(3) == 0)
                t.setText(1, randomText(4)); // the searched text stays
            else
                t.setText(0, randomText(8));
            t.post();
            break;
        case 6:
            name = QStringLiteral("delete");
            if (!t.isEmpty())
                t.deleteRecord();
            break;
        case 7:
            name = QStringLiteral("move");
            t.moveTo(pick(t.displayRowCount() + 1));
            break;
        case 8: {
            const char* indices[] = {"", "ByName", "ByNum"};
            name = QStringLiteral("order");
            t.setActiveIndex(indices[pick(3)]);
            break;
        }
        case 9: {
            const char* filters[] = {"Num = '2'", "Name = 'a*'", "Other = ''"};
            name = QStringLiteral("filter");
            t.setFilter(filters[pick(3)]);
            t.setFiltered(pick(3) != 0);
            break;
        }
        case 10:
            name = QStringLiteral("bulk");
            t.beginBulk();
            for (int i = pick(20); i > 0; --i) {
                t.append();
                write();
                t.post();
            }
            check(t, QStringLiteral("step %1: during a bulk load").arg(step));
            t.endBulk();
            break;
        case 11:
            name = QStringLiteral("reopen");
            if (pick(4) == 0) {
                create();
            } else {
                t.save(path);
                t.load(path); // new row ids: the old index must not survive
                addIndices();
            }
            break;
        }
        check(t, QStringLiteral("step %1: %2").arg(step).arg(name));
    }
}

void TestTextSearch::declinesWhatItCannotNarrow() {
    Table t;
    t.create({{"Name", FieldType::String, 12}, {"Notes", FieldType::Memo, 0}});
    t.append();
    t.setText(0, "abcdef");
    t.setText(1, "abcdef");
    t.post();
    auto any = [](std::string_view) { return true; };
    QVERIFY(!t.findInView(0, "ab", 0, 1, any));
    QVERIFY(!t.findInView(1, "abc", 0, 1, any)); // memo fields are scanned
    QCOMPARE(t.findInView(0, "bcd", 0, 1, any), std::optional<int>(0));
    QCOMPARE(t.findInView(0, "xyz", 0, 1, any), std::optional<int>(-1));
    QVERIFY_THROWS_EXCEPTION(engine::Error, t.findInView(2, "abc", 0, 1, any));
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
    t.create({{"Name", FieldType::String, 12}});
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
}

QTEST_APPLESS_MAIN(TestTextSearch)
#include "tst_textsearch.moc"
