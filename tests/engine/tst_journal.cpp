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

std::vector<std::string> rowsOf(const QStringList& written) {
    std::vector<std::string> rows;
    for (const QString& s : written) {
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

// Ours as changes: "1:a>1:y" changed, ">9:n" added, "1:a>" deleted.
void TestJournal::mergeRows_data() {
    QTest::addColumn<QStringList>("base");
    QTest::addColumn<QStringList>("theirs");
    QTest::addColumn<QStringList>("ours");
    QTest::addColumn<QStringList>("merged");
    QTest::addColumn<int>("conflicts");

    const QStringList base{"1:a", "2:b", "3:c"};
    QTest::newRow("changes on different rows both stay")
        << base << QStringList{"1:A", "2:b", "3:c", "4:d"} << QStringList{"2:b>2:B", ">5:e"}
        << QStringList{"1:A", "2:B", "3:c", "4:d", "5:e"} << 0;
    QTest::newRow("one row changed two ways keeps both")
        << base << QStringList{"1:x", "2:b", "3:c"} << QStringList{"1:a>1:y"}
        << QStringList{"1:x", "1:y", "2:b", "3:c"} << 1;
    QTest::newRow("the same change on both sides counts once")
        << base << QStringList{"1:x", "2:b", "3:c"} << QStringList{"1:a>1:x"}
        << QStringList{"1:x", "2:b", "3:c"} << 0;
    QTest::newRow("changed here, deleted there: ours is kept")
        << base << QStringList{"2:b", "3:c"} << QStringList{"1:a>1:y"}
        << QStringList{"1:y", "2:b", "3:c"} << 1;
    QTest::newRow("deleted here, changed there: theirs is kept")
        << base << QStringList{"1:x", "2:b", "3:c"} << QStringList{"1:a>"}
        << QStringList{"1:x", "2:b", "3:c"} << 0;
    QTest::newRow("deleted on both sides") << base << QStringList{"2:b", "3:c"}
                                           << QStringList{"1:a>"} << QStringList{"2:b", "3:c"} << 0;
    QTest::newRow("a second copy of an existing row is added")
        << base << base << QStringList{">1:a"} << QStringList{"1:a", "1:a", "2:b", "3:c"} << 0;
    QTest::newRow("one of two equal rows deleted")
        << QStringList{"1:a", "1:a"} << QStringList{"1:a", "1:a", "2:b"} << QStringList{"1:a>"}
        << QStringList{"1:a", "2:b"} << 0;
    QTest::newRow("their file emptied: our new row stays")
        << base << QStringList{} << QStringList{">4:d"} << QStringList{"4:d"} << 0;
}

void TestJournal::mergeRows() {
    QFETCH(QStringList, base);
    QFETCH(QStringList, theirs);
    QFETCH(QStringList, ours);
    QFETCH(QStringList, merged);
    QFETCH(int, conflicts);
    std::vector<RowChange> changes;
    for (const QString& c : ours) {
        const QStringList sides = c.split(QLatin1Char('>'));
        RowChange change;
        if (!sides[0].isEmpty())
            change.before = rowsOf({sides[0]}).front();
        if (!sides[1].isEmpty())
            change.after = rowsOf({sides[1]}).front();
        changes.push_back(change);
    }
    const std::vector<std::string> theirRows = rowsOf(theirs), baseRows = rowsOf(base);
    const engine::RowMerge merge =
        engine::mergeRows({theirRows.begin(), theirRows.end()}, changes, [&](std::string_view v) {
            return static_cast<std::size_t>(std::count(baseRows.begin(), baseRows.end(), v));
        });
    std::vector<std::optional<std::string>> result(theirRows.begin(), theirRows.end());
    for (const engine::RowMergeStep& step : merge.steps) {
        if (step.kind == engine::RowMergeStep::Kind::Add)
            result.emplace_back(std::string(step.value));
        else if (step.kind == engine::RowMergeStep::Kind::Remove)
            result[step.row].reset();
        else
            result[step.row] = std::string(step.value);
    }
    std::vector<std::string> rows;
    for (const auto& r : result)
        if (r)
            rows.push_back(*r);
    QCOMPARE(readable(rows), merged);
    QCOMPARE(merge.conflicts, conflicts);
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

    t.addStoredRow(row(1, "T9")); // the same new row as theirs: counted once
    t.append();                   // an unfinished row of ours is posted first
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
