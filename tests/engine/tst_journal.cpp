#include "engine/error.h"
#include "engine/rowcodec.h"
#include "engine/rowmerge.h"
#include "engine/table.h"

#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

using engine::FieldType;
using engine::RowChange;
using engine::Table;

namespace {

void makeTracks(Table& t) {
    t.create({{"Num", FieldType::Integer, 0},
              {"Title", FieldType::String, 30},
              {"Notes", FieldType::Memo, 35}});
    t.addIndex("Title", "Title");
    t.setActiveIndex("Title");
}

std::string row(int num, const std::string& title) {
    return engine::rowcodec::encode({engine::rowcodec::intPayload(num), title, std::nullopt});
}

std::vector<std::string> storedRows(const Table& t) {
    std::vector<std::string> rows;
    for (int r = 0; r < t.storedRowCount(); ++r)
        rows.emplace_back(t.storedBlob(r));
    std::sort(rows.begin(), rows.end());
    return rows;
}

// The base with the net changes replayed onto it, as a sorted multiset.
std::vector<std::string> replayed(std::vector<std::string> base,
                                  const std::vector<RowChange>& changes) {
    for (const RowChange& c : changes) {
        if (c.before) {
            const auto it = std::find(base.begin(), base.end(), *c.before);
            if (it == base.end())
                return {"a change's old value is not in the base"};
            base.erase(it);
        }
        if (c.after)
            base.push_back(*c.after);
    }
    std::sort(base.begin(), base.end());
    return base;
}

// Rows as "num:title" for readable comparisons.
QStringList readable(std::vector<std::string> rows) {
    QStringList out;
    for (const std::string& r : rows)
        out << QStringLiteral("%1:%2")
                   .arg(engine::rowcodec::intFromPayload(engine::rowcodec::field(r, 0).bytes))
                   .arg(QString::fromStdString(std::string(engine::rowcodec::field(r, 1).bytes)));
    out.sort();
    return out;
}

std::vector<std::string> rowsOf(const QStringList& spec) {
    std::vector<std::string> rows;
    for (const QString& s : spec) {
        const QStringList parts = s.split(QLatin1Char(':'));
        rows.push_back(row(parts[0].toInt(), parts[1].toStdString()));
    }
    return rows;
}

} // namespace

class TestJournal : public QObject {
    Q_OBJECT

private slots:
    void replayingTheJournalGivesTheRows();
    void mergeRows_data();
    void mergeRows();
    void mergeFileKeepsTheViewAndPendingChanges();
    void mergeFileRefusesAnotherTable();
};

// Random inserts, edits, deletes (through the cursor, as the window makes them) and saves: at
// every step the base plus the journal's net changes is exactly the table's rows.
void TestJournal::replayingTheJournalGivesTheRows() {
    std::mt19937 rng(20261208);
    Table t;
    makeTracks(t);
    std::vector<std::string> base;
    for (int step = 0; step < 3000; ++step) {
        const unsigned op = rng() % 10;
        if (op < 4 || t.isEmpty()) {
            t.append();
            t.setInteger("Num", static_cast<int>(rng() % 50));
            t.setText("Title", "T" + std::to_string(rng() % 40)); // equal rows happen
            t.post();
        } else if (op < 7) {
            t.moveTo(static_cast<int>(rng() % static_cast<unsigned>(t.recordCount())));
            t.edit();
            t.setText("Title", "E" + std::to_string(rng() % 40));
            if (rng() % 3 == 0)
                t.cancel();
            else
                t.post();
        } else if (op < 9) {
            t.moveTo(static_cast<int>(rng() % static_cast<unsigned>(t.recordCount())));
            t.deleteRecord();
        } else {
            t.mergeChangeLog(); // a save: the rows become the base
            base = storedRows(t);
            QVERIFY(t.journal().empty());
        }
        if (step % 37 == 0)
            QCOMPARE(replayed(base, t.netChanges()), storedRows(t));
    }
    QCOMPARE(replayed(base, t.netChanges()), storedRows(t));
}

void TestJournal::mergeRows_data() {
    QTest::addColumn<QStringList>("base");
    QTest::addColumn<QStringList>("theirs");
    QTest::addColumn<QStringList>("ours");
    QTest::addColumn<QStringList>("merged");
    QTest::addColumn<int>("conflicts");

    const QStringList base{"1:a", "2:b", "3:c"};
    QTest::newRow("changes on different rows both stay")
        << base << QStringList{"1:A", "2:b", "3:c", "4:d"}
        << QStringList{"1:a", "2:B", "3:c", "5:e"} << QStringList{"1:A", "2:B", "3:c", "4:d", "5:e"}
        << 0;
    QTest::newRow("one row changed two ways keeps both")
        << base << QStringList{"1:x", "2:b", "3:c"} << QStringList{"1:y", "2:b", "3:c"}
        << QStringList{"1:x", "1:y", "2:b", "3:c"} << 1;
    QTest::newRow("the same change on both sides counts once")
        << base << QStringList{"1:x", "2:b", "3:c"} << QStringList{"1:x", "2:b", "3:c"}
        << QStringList{"1:x", "2:b", "3:c"} << 0;
    QTest::newRow("changed here, deleted there: ours is kept")
        << base << QStringList{"2:b", "3:c"} << QStringList{"1:y", "2:b", "3:c"}
        << QStringList{"1:y", "2:b", "3:c"} << 1;
    QTest::newRow("deleted here, changed there: theirs is kept")
        << base << QStringList{"1:x", "2:b", "3:c"} << QStringList{"2:b", "3:c"}
        << QStringList{"1:x", "2:b", "3:c"} << 0;
    QTest::newRow("deleted on both sides")
        << base << QStringList{"2:b", "3:c"} << QStringList{"2:b", "3:c"}
        << QStringList{"2:b", "3:c"} << 0;
    QTest::newRow("the same row added on both sides counts once")
        << base << QStringList{"1:a", "2:b", "3:c", "9:n"}
        << QStringList{"1:a", "2:b", "3:c", "9:n"} << QStringList{"1:a", "2:b", "3:c", "9:n"} << 0;
    QTest::newRow("a second copy of an existing row is added")
        << base << base << QStringList{"1:a", "1:a", "2:b", "3:c"}
        << QStringList{"1:a", "1:a", "2:b", "3:c"} << 0;
    QTest::newRow("one of two equal rows deleted")
        << QStringList{"1:a", "1:a"} << QStringList{"1:a", "1:a", "2:b"} << QStringList{"1:a"}
        << QStringList{"1:a", "2:b"} << 0;
    QTest::newRow("their file emptied: our new row stays")
        << base << QStringList{} << QStringList{"1:a", "2:b", "3:c", "4:d"} << QStringList{"4:d"}
        << 0;
}

// Our side is made as the window makes it (a table with a journal); theirs is a file.
void TestJournal::mergeRows() {
    QFETCH(QStringList, base);
    QFETCH(QStringList, theirs);
    QFETCH(QStringList, ours);
    QFETCH(QStringList, merged);
    QFETCH(int, conflicts);
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table other;
    makeTracks(other);
    for (const std::string& r : rowsOf(theirs))
        other.addStoredRow(r);
    other.save(file);

    Table t;
    makeTracks(t);
    for (const std::string& r : rowsOf(base))
        t.addStoredRow(r);
    t.mergeChangeLog();
    // Turn the base into ours row by row: what stays, what changes, what goes, what is new.
    std::vector<std::string> want = rowsOf(ours);
    for (int r = t.storedRowCount() - 1; r >= 0; --r) {
        const std::string have(t.storedBlob(r));
        if (const auto it = std::find(want.begin(), want.end(), have); it != want.end()) {
            want.erase(it);
            continue;
        }
        const auto same = std::find_if(want.begin(), want.end(), [&](const std::string& w) {
            return engine::rowcodec::field(w, 0).bytes == engine::rowcodec::field(have, 0).bytes;
        });
        t.locate("Title", std::string(engine::rowcodec::field(have, 1).bytes));
        if (same != want.end()) {
            t.edit();
            t.setText("Title", std::string(engine::rowcodec::field(*same, 1).bytes));
            t.post();
            want.erase(same);
        } else {
            t.deleteRecord();
        }
    }
    for (const std::string& r : want)
        t.addStoredRow(r);
    QCOMPARE(readable(storedRows(t)), readable(rowsOf(ours)));

    const Table::MergeCounts counts = t.mergeFile(file);
    QCOMPARE(readable(storedRows(t)), merged);
    QCOMPARE(counts.conflicts, conflicts);
    // The file is the new base: what is pending is exactly what the merge added to it.
    QCOMPARE(readable(replayed(rowsOf(theirs), t.netChanges())), merged);
}

void TestJournal::mergeFileKeepsTheViewAndPendingChanges() {
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("t.dat")).toStdString();
    Table t;
    makeTracks(t);
    for (int i = 0; i < 6; ++i)
        t.addStoredRow(row(i % 2, "T" + std::to_string(i)));
    t.save(file);
    t.mergeChangeLog();
    t.setDisplayWidth(1, 44);
    t.setFilter("Num = '1'");
    t.setFiltered(true);
    t.locate("Title", "T3");

    Table there; // another machine adds a row and edits another
    there.load(file);
    there.addStoredRow(row(1, "T9"));
    there.locate("Title", "T5");
    there.edit();
    there.setText("Title", "T5b");
    there.post();
    there.save(file);

    t.append(); // an unfinished row of ours is posted first
    t.setInteger("Num", 1);
    t.setText("Title", "T0b");
    t.mergeFile(file);

    QCOMPARE(t.state(), engine::TableState::Browse);
    QCOMPARE(t.activeIndex(), std::string("Title"));
    QCOMPARE(t.displayWidth(1), 44);
    QVERIFY(t.filtered());
    QStringList shown;
    for (int i = 0; i < t.displayRowCount(); ++i)
        shown << QString::fromStdString(t.textAt(i, 1));
    QCOMPARE(shown, (QStringList{"T0b", "T1", "T3", "T5b", "T9"}));
    QCOMPARE(QString::fromStdString(t.asText("Title")), QStringLiteral("T0b")); // just posted
    QVERIFY(t.changeCount() > 0);
    t.save(file);
    t.mergeChangeLog();
    Table back;
    back.load(file);
    QCOMPARE(back.storedRowCount(), 8);
}

void TestJournal::mergeFileRefusesAnotherTable() {
    QTemporaryDir dir;
    const std::string file = dir.filePath(QStringLiteral("other.dat")).toStdString();
    Table other;
    other.create({{"Genre", FieldType::String, 20}});
    other.save(file);
    Table t;
    makeTracks(t);
    t.addStoredRow(row(1, "kept"));
    bool raised = false;
    try {
        t.mergeFile(file);
    } catch (const engine::Error& e) {
        raised = QString::fromStdString(e.what()).contains(QStringLiteral("other fields"));
    }
    QVERIFY(raised);
    QCOMPARE(t.storedRowCount(), 1);
    QCOMPARE(t.changeCount(), 1);
}

QTEST_APPLESS_MAIN(TestJournal)
#include "tst_journal.moc"
