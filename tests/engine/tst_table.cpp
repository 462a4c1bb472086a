#include "engine/collation.h"
#include "engine/error.h"
#include "engine/table.h"

#include "engine/rowcodec.h"

#include <QtTest>

#include <atomic>
#include <thread>

#include <string>
#include <vector>

using engine::FieldDef;
using engine::FieldType;
using engine::Table;
using engine::TableState;

namespace {

// A small table of releases: Artist string(30), Title string(30), Media string(2), Num integer,
// Serial auto-increment, Price currency, Notes memo.
void makeReleases(Table& t) {
    t.create({{"Artist", FieldType::String, 30},
              {"Title", FieldType::String, 30},
              {"Media", FieldType::String, 2},
              {"Num", FieldType::Integer, 0},
              {"Serial", FieldType::AutoInc, 0},
              {"Price", FieldType::Currency, 0},
              {"Notes", FieldType::Memo, 35}});
}

void addRelease(Table& t, const std::string& artist, const std::string& title,
                const std::string& media, const std::string& num) {
    t.append();
    t.setText("Artist", artist);
    t.setText("Title", title);
    t.setText("Media", media);
    t.setText("Num", num);
    t.post();
}

QStringList column(const Table& t, const char* field) {
    QStringList out;
    const int f = t.fieldIndex(field);
    for (int i = 0; i < t.displayRowCount(); ++i)
        out << QString::fromStdString(t.textAt(i, f));
    return out;
}

QString current(const Table& t, const char* field) {
    return QString::fromStdString(t.asText(field));
}

QString errorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const engine::Error& e) {
        return QString::fromStdString(e.what());
    }
    return {};
}

class Recorder : public engine::TableObserver {
public:
    QStringList events;
    void activeChanged() override { events << QStringLiteral("active"); }
    void dataSetChanged() override { events << QStringLiteral("changed"); }
    void dataSetScrolled() override { events << QStringLiteral("scrolled"); }
    void recordChanged(int field) override { events << QStringLiteral("record %1").arg(field); }
    void editingChanged() override { events << QStringLiteral("editing"); }
    void updateData() override { events << QStringLiteral("update"); }
};

} // namespace

class TestTable : public QObject {
    Q_OBJECT

private slots:
    void cursorEnds();
    void deleteOnEmptyTable();
    void valuesByType_data();
    void valuesByType();
    void stringCutCountsCharacters();
    void autoIncrement();
    void indexOrder_data();
    void indexOrder();
    void indexBuiltOnNumbers_data();
    void indexBuiltOnNumbers();
    void indexSwitchKeepsCurrentRow();
    void indexDefinitionErrors_data();
    void indexDefinitionErrors();
    void filterSelects_data();
    void filterSelects();
    void filterErrors_data();
    void filterErrors();
    void failedFilterKeepsOldOne();
    void filterMakesFirstRowCurrent();
    void postedRowFollowsFilterAndOrder();
    void insertShowsNewRowAtItsPosition();
    void movingEndsAnEdit();
    void changeCountAndMerge();
    void locateExact();
    void bookmarks();
    void hooksRunAfterEngineWork();
    void notifications();
    void disabledControlsRefreshOnce();
    void observerRemovedDuringNotification();
    void closedTable();
    void changesWaitForReaders();
};

void TestTable::cursorEnds() {
    Table t;
    makeReleases(t);
    QVERIFY(t.bof() && t.eof());
    addRelease(t, "A", "1", "CD", "1");
    addRelease(t, "B", "2", "CD", "2");
    t.first();
    QVERIFY(t.bof());
    QVERIFY(!t.eof());
    t.next();
    QVERIFY(!t.bof() && !t.eof());
    QCOMPARE(current(t, "Artist"), QStringLiteral("B"));
    t.next(); // past the last row: stays, end reached
    QVERIFY(t.eof());
    QCOMPARE(current(t, "Artist"), QStringLiteral("B"));
    t.prior();
    QVERIFY(!t.eof());
    t.prior();
    QVERIFY(t.bof());
    QCOMPARE(current(t, "Artist"), QStringLiteral("A"));
    t.last();
    QVERIFY(t.eof());
}

void TestTable::deleteOnEmptyTable() {
    Table t;
    makeReleases(t);
    QCOMPARE(errorOf([&] { t.deleteRecord(); }),
             QStringLiteral("Cannot perform this operation on an empty dataset"));
    addRelease(t, "A", "1", "CD", "1");
    t.deleteRecord();
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(t.changeCount(), 2);
}

void TestTable::valuesByType_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("empty");
    QTest::newRow("integer decimal") << "Num"
                                     << "42"
                                     << "42" << false;
    QTest::newRow("integer blanks and sign") << "Num"
                                             << " -7 "
                                             << "-7" << false;
    QTest::newRow("integer empty text empties") << "Num"
                                                << ""
                                                << "" << true;
    QTest::newRow("integer zero is a value") << "Num"
                                             << "0"
                                             << "0" << false;
    QTest::newRow("currency") << "Price"
                              << "12.5"
                              << "12.5" << false;
    QTest::newRow("currency decimal comma") << "Price"
                                            << "3,25"
                                            << "3.25" << false;
    QTest::newRow("string empties") << "Artist"
                                    << ""
                                    << "" << true;
    QTest::newRow("memo keeps all")
        << "Notes" << QString(500, QLatin1Char('x')) << QString(500, QLatin1Char('x')) << false;
}

void TestTable::valuesByType() {
    QFETCH(QString, field);
    QFETCH(QString, input);
    QFETCH(QString, stored);
    QFETCH(bool, empty);
    Table t;
    makeReleases(t);
    t.append();
    t.setText(field.toStdString(), input.toStdString());
    t.post();
    QCOMPARE(current(t, field.toUtf8().constData()), stored);
    QCOMPARE(t.isNull(t.fieldIndex(field.toStdString())), empty);
}

void TestTable::stringCutCountsCharacters() {
    Table t;
    makeReleases(t);
    t.append();
    std::string umlauts;
    for (int i = 0; i < 35; ++i)
        umlauts += "ä";
    t.setText("Artist", umlauts);
    t.setText("Media", "CDX");
    QCOMPARE(current(t, "Artist"), QString(30, QChar(0xE4)));
    QCOMPARE(current(t, "Media"), QStringLiteral("CD"));
    QCOMPARE(errorOf([&] { t.setText("Num", "12a"); }),
             QStringLiteral("'12a' is not a valid integer value"));
    QCOMPARE(errorOf([&] { t.setText("Num", "99999999999"); }),
             QStringLiteral("'99999999999' is not a valid integer value"));
}

void TestTable::autoIncrement() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    QCOMPARE(t.asInteger("Serial"), 1);
    t.append();
    t.setText("Serial", "10"); // kept as assigned
    t.post();
    QCOMPARE(t.asInteger("Serial"), 10);
    addRelease(t, "B", "", "", "");
    QCOMPARE(t.asInteger("Serial"), 11);
}

void TestTable::indexOrder_data() {
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QStringList>("artists");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("case-insensitive, equal keys in insertion order")
        << "" << QStringList{"beta", "Alpha", "BETA", "alpha", "Beta"}
        << QStringList{"Alpha", "alpha", "beta", "BETA", "Beta"};
    QTest::newRow("accents count after the letters, case does not")
        << "" << QStringList{"f", "é", "E", "e", "É"} << QStringList{"E", "e", "é", "É", "f"};
    QTest::newRow("empty sorts first")
        << "" << QStringList{"b", "", "a"} << QStringList{"", "a", "b"};
    QTest::newRow("root: national letters with their base letters")
        << "" << QStringList{"Zappa", "Öberg", "Ärrinen", "Åkerlund", "Édith"}
        << QStringList{"Åkerlund", "Ärrinen", "Édith", "Öberg", "Zappa"};
    QTest::newRow("Finnish: Å Ä Ö after Z, É with E")
        << "fi_FI" << QStringList{"Öberg", "Ärrinen", "Zappa", "Åkerlund", "Eva", "Édith"}
        << QStringList{"Édith", "Eva", "Zappa", "Åkerlund", "Ärrinen", "Öberg"};
    QTest::newRow("Danish: Æ Ø Å after Z, Aa as Å")
        << "da_DK" << QStringList{"Åge", "Aabenraa", "Østergaard", "Ærø", "Zappa", "Abe"}
        << QStringList{"Abe", "Zappa", "Ærø", "Østergaard", "Aabenraa", "Åge"};
}

void TestTable::indexOrder() {
    QFETCH(QString, locale);
    QFETCH(QStringList, artists);
    QFETCH(QStringList, sorted);
    const std::string before = engine::collation::locale();
    engine::collation::setLocale(locale.toStdString());
    const auto restore = qScopeGuard([&] { engine::collation::setLocale(before); });

    Table inserted; // kept sorted row by row
    makeReleases(inserted);
    inserted.addIndex("Artist", "Artist");
    inserted.setActiveIndex("Artist");
    Table built; // sorted in one go
    makeReleases(built);
    for (const QString& a : artists) {
        addRelease(inserted, a.toStdString(), "", "", "");
        addRelease(built, a.toStdString(), "", "", "");
    }
    built.addIndex("Artist", "Artist");
    built.setActiveIndex("Artist");
    QCOMPARE(column(inserted, "Artist"), sorted);
    QCOMPARE(column(built, "Artist"), sorted);
    // A prefix filter finds what a scan finds, though Danish "Aa" stands apart from "Ab".
    built.setFilter("Artist = 'A*'");
    built.setFiltered(true);
    QStringList prefixed;
    for (const QString& a : sorted)
        if (a.startsWith(QLatin1Char('A')))
            prefixed << a;
    QCOMPARE(column(built, "Artist"), prefixed);
    inserted.setActiveIndex(""); // back to insertion order
    QCOMPARE(column(inserted, "Artist"), artists);
}

void TestTable::indexBuiltOnNumbers_data() {
    QTest::addColumn<QString>("field");
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("sorted");
    QTest::newRow("integers: empty first, negatives before positives")
        << "Num" << QStringList{"7", "", "-5", "-2147483648", "2147483647", "0"}
        << QStringList{"", "-2147483648", "-5", "0", "7", "2147483647"};
    QTest::newRow("currency by value")
        << "Price" << QStringList{"3", "-2.5", "", "1000000000", "0.25", "-1000"}
        << QStringList{"", "-1000", "-2.5", "0.25", "3", "1000000000"};
}

void TestTable::indexBuiltOnNumbers() {
    QFETCH(QString, field);
    QFETCH(QStringList, values);
    QFETCH(QStringList, sorted);
    Table t;
    makeReleases(t);
    for (const QString& v : values) {
        t.append();
        t.setText(field.toStdString(), v.toStdString());
        t.post();
    }
    t.addIndex("ByValue", field.toStdString()); // built over existing rows at once
    t.setActiveIndex("ByValue");
    QCOMPARE(column(t, field.toUtf8().constData()), sorted);
    t.append(); // and kept in order by a post
    t.setText(field.toStdString(), "1");
    t.post();
    QCOMPARE(t.currentDisplayRow(), 4); // after the four smaller values in both rows
}

void TestTable::indexSwitchKeepsCurrentRow() {
    Table t;
    makeReleases(t);
    t.addIndex("Artist", "Artist;Title");
    t.addIndex("Num", "Num");
    addRelease(t, "C", "x", "CD", "1");
    addRelease(t, "A", "y", "CD", "3");
    addRelease(t, "B", "z", "CD", "2");
    t.setActiveIndex("Artist");
    t.locate("Title", "z");
    t.setActiveIndex("Num");
    QCOMPARE(current(t, "Title"), QStringLiteral("z"));
    QCOMPARE(t.currentDisplayRow(), 1);
    QCOMPARE(t.activeIndex(), std::string("Num"));
    QCOMPARE(column(t, "Num"), (QStringList{"1", "2", "3"}));
}

void TestTable::indexDefinitionErrors_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("message");
    QTest::newRow("unknown field") << "X"
                                   << "Artist;Nope"
                                   << "Field 'Nope' not found";
    QTest::newRow("duplicate name") << "Artist"
                                    << "Title"
                                    << "Index 'Artist' already exists";
    QString seventeen = QStringLiteral("Artist");
    for (int i = 0; i < 16; ++i)
        seventeen += QStringLiteral(";Title");
    QTest::newRow("more than 16 fields")
        << "Many" << seventeen << "Index 'Many' has more than 16 fields";
}

void TestTable::indexDefinitionErrors() {
    QFETCH(QString, name);
    QFETCH(QString, fields);
    QFETCH(QString, message);
    Table t;
    makeReleases(t);
    t.addIndex("Artist", "Artist");
    QCOMPARE(errorOf([&] { t.addIndex(name.toStdString(), fields.toStdString()); }), message);
    QCOMPARE(errorOf([&] { t.setActiveIndex("Missing"); }),
             QStringLiteral("Index 'Missing' not found"));
}

void TestTable::filterSelects_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<bool>("indexed");
    QTest::addColumn<QStringList>("titles");
    for (bool indexed : {false, true}) {
        const char* how = indexed ? " (through an index)" : " (scan)";
        auto row = [&](const char* name) { return &QTest::addRow("%s%s", name, how); };
        *row("whole value, case matters") << "Media = 'LP'" << indexed << QStringList{"b", "e"};
        *row("prefix star") << "Artist = 'Jo*'" << indexed << QStringList{"c", "d"};
        *row("lone star is a literal") << "Artist = '*'" << indexed << QStringList{"f"};
        *row("doubled quote") << "Artist = 'Don''t Stop'" << indexed << QStringList{"a"};
        *row("integer literal") << "Num = '2'" << indexed << QStringList{"b", "c"};
        *row("empty integer literal matches empty") << "Num = ''" << indexed << QStringList{"f"};
        *row("empty text literal matches empty")
            << "Media = ''" << indexed << QStringList{"d", "f"};
        *row("national letters exact") << "Artist = 'Ärla'" << indexed << QStringList{"e"};
        *row("blank expression passes all")
            << "  " << indexed << QStringList{"a", "b", "c", "d", "e", "f"};
    }
}

void TestTable::filterSelects() {
    QFETCH(QString, expression);
    QFETCH(bool, indexed);
    QFETCH(QStringList, titles);
    Table t;
    makeReleases(t);
    addRelease(t, "Don't Stop", "a", "CD", "1");
    addRelease(t, "Abba", "b", "LP", "2");
    addRelease(t, "John", "c", "lp", "2");
    addRelease(t, "Joni", "d", "", "3");
    addRelease(t, "Ärla", "e", "LP", "4");
    addRelease(t, "*", "f", "", "");
    if (indexed) {
        t.addIndex("Artist", "Artist");
        t.addIndex("Media", "Media;Num");
        t.addIndex("Num", "Num");
        t.addIndex("Title", "Title");
        t.setActiveIndex("Title");
    }
    t.setFilter(expression.toStdString());
    t.setFiltered(true);
    QCOMPARE(column(t, "Title"), titles);
    QCOMPARE(t.recordCount(), titles.size());
}

void TestTable::filterErrors_data() {
    QTest::addColumn<QString>("expression");
    QTest::addColumn<QString>("message");
    QTest::newRow("not an integer") << "Num = 'x1'"
                                    << "'x1' is not a valid integer value";
    QTest::newRow("empty value on closed quote") << "Num = 'abc'"
                                                 << "'abc' is not a valid integer value";
    QTest::newRow("single quote inside")
        << "Artist = 'Don't'"
        << "Invalid filter expression \"Artist = 'Don't'\": unexpected text after the closing "
           "quote";
    QTest::newRow("missing closing quote")
        << "Artist = 'abc"
        << "Invalid filter expression \"Artist = 'abc\": the closing quote "
           "is missing";
    QTest::newRow("unquoted value")
        << "Media = CD"
        << "Invalid filter expression \"Media = CD\": the value must stand "
           "between single quotes";
    QTest::newRow("no equals sign")
        << "Media 'CD'"
        << "Invalid filter expression \"Media 'CD'\": \"=\" is expected after "
           "the field name";
    QTest::newRow("unknown field") << "Nope = 'x'"
                                   << "Field 'Nope' not found";
}

void TestTable::filterErrors() {
    QFETCH(QString, expression);
    QFETCH(QString, message);
    Table t;
    makeReleases(t);
    QCOMPARE(errorOf([&] { t.setFilter(expression.toStdString()); }), message);
}

void TestTable::failedFilterKeepsOldOne() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "a", "CD", "1");
    addRelease(t, "B", "b", "LP", "2");
    t.setFilter("Media = 'LP'");
    t.setFiltered(true);
    QVERIFY(!errorOf([&] { t.setFilter("Num = ''''"); }).isEmpty());
    QCOMPARE(t.filter(), std::string("Media = 'LP'"));
    QCOMPARE(column(t, "Title"), QStringList{"b"});
}

void TestTable::filterMakesFirstRowCurrent() {
    Table t;
    makeReleases(t);
    for (const char* a : {"A", "B", "C", "D"})
        addRelease(t, a, a, "CD", "1");
    t.last();
    t.setFilter("Media = 'CD'"); // off: nothing moves
    QCOMPARE(current(t, "Artist"), QStringLiteral("D"));
    t.setFiltered(true);
    QCOMPARE(current(t, "Artist"), QStringLiteral("A"));
    t.last();
    t.setFiltered(true); // already on: still back to the first row
    QCOMPARE(current(t, "Artist"), QStringLiteral("A"));
    t.last();
    t.setFilter("Media = 'CD'"); // while on
    QCOMPARE(current(t, "Artist"), QStringLiteral("A"));
}

void TestTable::postedRowFollowsFilterAndOrder() {
    Table t;
    makeReleases(t);
    t.addIndex("Artist", "Artist");
    t.setActiveIndex("Artist");
    addRelease(t, "B", "b", "LP", "1");
    addRelease(t, "D", "d", "LP", "1");
    t.setFilter("Media = 'LP'");
    t.setFiltered(true);
    addRelease(t, "C", "c", "LP", "1"); // passes: lands in order and stays current
    QCOMPARE(column(t, "Artist"), (QStringList{"B", "C", "D"}));
    QCOMPARE(current(t, "Artist"), QStringLiteral("C"));
    t.edit();
    t.setText("Artist", "A"); // a changed key moves the row
    t.post();
    QCOMPARE(column(t, "Artist"), (QStringList{"A", "B", "D"}));
    QCOMPARE(t.currentDisplayRow(), 0);
    t.edit();
    t.setText("Media", "CD"); // no longer passes: leaves the view
    t.post();
    QCOMPARE(column(t, "Artist"), (QStringList{"B", "D"}));
    t.setFiltered(false);
    QCOMPARE(column(t, "Artist"), (QStringList{"A", "B", "D"}));
}

void TestTable::insertShowsNewRowAtItsPosition() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    addRelease(t, "B", "", "", "");
    t.first();
    t.next();
    t.insert();
    QCOMPARE(t.state(), TableState::Insert);
    QCOMPARE(t.currentDisplayRow(), 1);
    QCOMPARE(t.recordCount(), 2);
    t.setText("Artist", "New");
    QCOMPARE(column(t, "Artist"), (QStringList{"A", "New", "B"}));
    t.cancel();
    QCOMPARE(current(t, "Artist"), QStringLiteral("B"));
    t.append();
    QCOMPARE(t.currentDisplayRow(), 2);
    t.cancel();
    QCOMPARE(t.recordCount(), 2);
    QCOMPARE(t.changeCount(), 2);
}

void TestTable::movingEndsAnEdit() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    addRelease(t, "B", "", "", "");
    t.first();
    t.edit();
    t.setText("Artist", "A2");
    t.next(); // modified: posted
    QCOMPARE(t.state(), TableState::Browse);
    QCOMPARE(column(t, "Artist"), (QStringList{"A2", "B"}));
    QCOMPARE(t.changeCount(), 3);
    t.append();
    t.first(); // untouched new row: dropped
    QCOMPARE(t.recordCount(), 2);
    QCOMPARE(t.changeCount(), 3);
    t.edit(); // an edit on an empty view would insert; here it edits
    QCOMPARE(t.state(), TableState::Edit);
    t.setFiltered(true);
    QCOMPARE(t.state(), TableState::Browse);
}

void TestTable::changeCountAndMerge() {
    Table t;
    QCOMPARE(t.changeCount(), 0);
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    t.edit();
    t.setText("Title", "x");
    QCOMPARE(t.changeCount(), 1);
    t.mergeChangeLog(); // posts the modified edit, then forgets
    QCOMPARE(t.changeCount(), 0);
    QCOMPARE(current(t, "Title"), QStringLiteral("x"));
    t.edit();
    t.mergeChangeLog(); // unmodified: cancelled
    QCOMPARE(t.state(), TableState::Browse);
    QCOMPARE(t.changeCount(), 0);
}

void TestTable::locateExact() {
    Table t;
    makeReleases(t);
    t.addIndex("Num", "Num");
    addRelease(t, "anna", "", "", "17");
    addRelease(t, "Anna", "", "", "3");
    t.first();
    QVERIFY(t.locate("Artist", "Anna"));
    QCOMPARE(current(t, "Num"), QStringLiteral("3"));
    QVERIFY(t.locate("num", "17")); // field names ignore case, values do not
    QCOMPARE(current(t, "Artist"), QStringLiteral("anna"));
    QVERIFY(!t.locate("Artist", "ANNA"));
    QVERIFY(!t.locate("Num", "x"));
    QCOMPARE(current(t, "Artist"), QStringLiteral("anna"));
}

void TestTable::bookmarks() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "", "CD", "");
    addRelease(t, "B", "", "LP", "");
    addRelease(t, "C", "", "CD", "");
    t.locate("Artist", "C");
    engine::Bookmark b = t.bookmark();
    t.first();
    t.gotoBookmark(b);
    QCOMPARE(current(t, "Artist"), QStringLiteral("C"));
    t.setFilter("Media = 'LP'");
    t.setFiltered(true);
    QVERIFY(!t.bookmarkValid(b));
    QCOMPARE(errorOf([&] { t.gotoBookmark(b); }), QStringLiteral("Record not found"));
    t.setFiltered(false);
    t.gotoBookmark(b);
    t.deleteRecord();
    QVERIFY(!t.bookmarkValid(b));
    t.freeBookmark(b);
    QVERIFY(!b.valid());
}

void TestTable::hooksRunAfterEngineWork() {
    Table t;
    makeReleases(t);
    QStringList log;
    t.afterInsert = [&] {
        log << QStringLiteral("afterInsert count=%1").arg(t.recordCount());
        t.setText("Num", "5"); // a hook fills the new row
    };
    t.beforePost = [&] { log << QStringLiteral("beforePost"); };
    t.afterPost = [&] { log << QStringLiteral("afterPost count=%1").arg(t.recordCount()); };
    t.afterDelete = [&] { log << QStringLiteral("afterDelete count=%1").arg(t.recordCount()); };
    t.append();
    t.first(); // modified by the hook: posted by the move
    t.deleteRecord();
    QCOMPARE(log, (QStringList{"afterInsert count=0", "beforePost", "afterPost count=1",
                               "afterDelete count=0"}));
}

void TestTable::notifications() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    addRelease(t, "B", "", "", "");
    Recorder r;
    t.addObserver(&r);
    t.first();
    QCOMPARE(r.events, QStringList{"scrolled"});
    r.events.clear();
    t.edit();
    t.setText("Artist", "Z");
    t.post();
    QCOMPARE(r.events, (QStringList{"editing", "record 0", "update", "editing", "changed"}));
    t.removeObserver(&r);
    r.events.clear();
    t.next();
    QVERIFY(r.events.isEmpty());
}

void TestTable::disabledControlsRefreshOnce() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    addRelease(t, "B", "", "", "");
    Recorder r;
    t.addObserver(&r);
    t.disableControls();
    t.disableControls();
    for (t.first(); !t.eof(); t.next()) {
    }
    t.edit();
    t.setText("Artist", "C");
    t.post(); // pending input is still collected while disabled
    t.enableControls();
    QCOMPARE(r.events, QStringList{"update"});
    t.enableControls();
    QCOMPARE(r.events, (QStringList{"update", "changed"}));
    t.enableControls(); // unbalanced: ignored
    QVERIFY(!t.controlsDisabled());
    t.removeObserver(&r);
}

void TestTable::observerRemovedDuringNotification() {
    Table t;
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    struct SelfRemoving : engine::TableObserver {
        Table* table = nullptr;
        int calls = 0;
        void dataSetScrolled() override {
            ++calls;
            table->removeObserver(this);
        }
    };
    SelfRemoving a, b;
    a.table = b.table = &t;
    t.addObserver(&a);
    t.addObserver(&b);
    t.first();
    t.first();
    QCOMPARE(a.calls, 1);
    QCOMPARE(b.calls, 1);
}

void TestTable::closedTable() {
    Table t;
    QCOMPARE(t.recordCount(), 0);
    QCOMPARE(errorOf([&] { t.first(); }),
             QStringLiteral("Cannot perform this operation on a closed dataset"));
    makeReleases(t);
    addRelease(t, "A", "", "", "");
    t.close();
    QVERIFY(!t.isOpen());
    QCOMPARE(t.changeCount(), 0);
    QCOMPARE(errorOf([&] { t.append(); }),
             QStringLiteral("Cannot perform this operation on a closed dataset"));
}

// A reader on another thread holds the gate: a post waits for it, and meanwhile the reader is
// told so and can give way; what it read was whole. A range walk reads its rows only.
void TestTable::changesWaitForReaders() {
    Table t;
    makeReleases(t);
    for (int i = 0; i < 100; ++i)
        addRelease(t, "A" + std::to_string(i), "T", "CD", std::to_string(i));
    QStringList read;
    t.eachStoredRow(10, 13, [&](std::string_view row) {
        read << QString::fromStdString(std::string(engine::rowcodec::field(row, 0).bytes));
    });
    QCOMPARE(read, QStringList({"A10", "A11", "A12"}));

    std::atomic<bool> holding = false, toldToYield = false;
    std::atomic<int> rowsSeen = 0;
    std::thread reader([&] {
        const auto gate = t.readGate();
        holding = true;
        while (!t.changeWaiting())
            std::this_thread::yield();
        toldToYield = true;
        t.eachStoredRow([&](std::string_view) { ++rowsSeen; });
    });
    while (!holding)
        std::this_thread::yield();
    addRelease(t, "Uusi", "T", "LP", "100");
    reader.join();
    QVERIFY(toldToYield);
    QCOMPARE(rowsSeen.load(), 100);
    QCOMPARE(t.storedRowCount(), 101);
    QVERIFY(!t.changeWaiting());
}

QTEST_APPLESS_MAIN(TestTable)
#include "tst_table.moc"
