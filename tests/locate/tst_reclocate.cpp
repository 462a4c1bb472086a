#include "dbaware/datasource.h"
#include "engine/collation.h"
#include "engine/table.h"
#include "locate/keyedtable.h"
#include "locate/reclocate.h"

#include <QGuiApplication>
#include <QtTest>

using engine::FieldType;
using engine::Table;

namespace {

// Releases: Artist string(30), Notes memo, Num integer; an index on Artist.
void fill(Table& t, const QStringList& artists) {
    for (const QString& a : artists) {
        t.append();
        t.setText("Artist", a.toStdString());
        t.setText("Notes", ("notes of " + a).toStdString());
        t.setText("Num", std::to_string(t.recordCount() + 1));
        t.post();
    }
    t.first();
}

void makeTable(Table& t) {
    t.create({{"Artist", FieldType::String, 30},
              {"Notes", FieldType::Memo, 35},
              {"Num", FieldType::Integer, 0}});
}

QString current(const Table& t) {
    return QString::fromStdString(t.asText("Artist"));
}

// A keyed table made for the tests: engine indices serve as its keys.
class KeyedTable : public Table, public TKeyedTable {
public:
    bool caseInsensitive = true;
    std::vector<IndexDef> keyedIndexDefs() override {
        std::vector<IndexDef> defs;
        for (const auto& d : indexDefs())
            defs.push_back({d.name, d.fields, caseInsensitive, false});
        return defs;
    }
    std::string keyedActiveIndex() const override { return activeIndex(); }
    void setKeyedActiveIndex(const std::string& name) override { setActiveIndex(name); }
    std::string firstKeyText() const override { return asText(keyField()); }
    bool findKey(const std::string& key) override {
        const engine::Bookmark b = bookmark();
        for (first(); !eof(); next())
            if (folded(asText(keyField())) == folded(key))
                return true;
        gotoBookmark(b);
        return false;
    }
    void findNearest(const std::string& key) override {
        for (first(); !eof(); next())
            if (folded(asText(keyField())) >= folded(key))
                return;
    }

private:
    int keyField() const {
        for (const auto& d : indexDefs())
            if (d.name == activeIndex())
                return findField(d.fields.substr(0, d.fields.find(';')));
        return 0;
    }
    static std::string folded(std::string s) {
        for (char& c : s)
            c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        return s;
    }
};

class Counter : public engine::TableObserver {
public:
    int changed = 0;
    void dataSetChanged() override { ++changed; }
};

} // namespace

class TestRecLocate : public QObject {
    Q_OBJECT

private slots:
    // National letters in the order a Finnish user sees them, whatever the machine's locale.
    void initTestCase() { engine::collation::setLocale("fi_FI"); }
    void init();
    void defaultsAndSetterRules();
    void matching_data();
    void matching();
    void emptyText_data();
    void emptyText();
    void failPosition_data();
    void failPosition();
    void findNextVisitsEveryMatch();
    void numRecsBoundsTheScan();
    void errorsBeforeTheScan_data();
    void errorsBeforeTheScan();
    void memoComparison_data();
    void memoComparison();
    void numberFieldStopsWithMemoError();
    void viewsSuspendedOnceAndCursorRestored();
    void exceptionPassesAfterCleanup();
    void nestedSearchFromProgress();
    void keyedTable_data();
    void keyedTable();
    void indexedScanEndsLikeRowByRow_data();
    void indexedScanEndsLikeRowByRow();

private:
    Table table_;
    TDataSource source_;
    TRecLocate loc_;
    int finds_ = 0;
    int fails_ = 0;
};

void TestRecLocate::init() {
    makeTable(table_);
    table_.addIndex("Artist", "Artist");
    table_.setActiveIndex("Artist");
    fill(table_, {"Anna", "Hanna", "Björk", "ÄLPO", "Cream", "abba"});
    source_.setDataSet(&table_);
    loc_.setDataSource(&source_);
    loc_.DataField = QStringLiteral("Artist");
    loc_.MatchType = maAnywhere;
    loc_.IgnoreCase = true;
    loc_.FailPos = fpOriginal;
    loc_.NumRecs = 0;
    loc_.setProgressCount(0);
    loc_.OnProgress = nullptr;
    finds_ = fails_ = 0;
    loc_.OnFind = [this](TRecLocate* s) {
        QCOMPARE(s, &loc_);
        ++finds_;
    };
    loc_.OnFail = [this](TRecLocate*) { ++fails_; };
}

void TestRecLocate::defaultsAndSetterRules() {
    TRecLocate l;
    QVERIFY(l.DisableControls);
    QCOMPARE(l.FindCursor, short(-11));
    QCOMPARE(l.MatchType, maAnywhere);
    QVERIFY(l.IgnoreCase && l.DoBackground && l.UseIndexes);
    QCOMPARE(l.FailPos, fpOriginal);
    QCOMPARE(l.NumRecs, 0);
    QCOMPARE(l.MaxMemoSize(), 32767);
    QCOMPARE(l.Version(), QStringLiteral("Beta 0.94"));
    l.setVersion(QStringLiteral("2.0"));
    QCOMPARE(l.Version(), QStringLiteral("Beta 0.94"));
    const QString copyright = l.Copyright();
    l.setCopyright(QStringLiteral("x"));
    QCOMPARE(l.Copyright(), copyright);
    l.setMaxMemoSize(0);
    l.setMaxMemoSize(1048576);
    QCOMPARE(l.MaxMemoSize(), 32767);
    l.setMaxMemoSize(1048575);
    QCOMPARE(l.MaxMemoSize(), 1048575);
    l.setMaxMemoSize(1);
    QCOMPARE(l.MaxMemoSize(), 1);
    l.setProgressCount(5);
    l.setProgressCount(-1);
    QCOMPARE(l.ProgressCount(), 5);
    QVERIFY(!l.Found());
    QCOMPARE(l.Error(), erNone);
}

void TestRecLocate::matching_data() {
    QTest::addColumn<int>("matchType");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("found"); // empty: not found
    // Artist order: abba, Anna, Björk, Cream, Hanna, ÄLPO
    QTest::newRow("anywhere finds the first in index order") << int(maAnywhere) << true << "nn"
                                                             << "Anna";
    QTest::newRow("anywhere folds a-z") << int(maAnywhere) << true << "BJ"
                                        << "Björk";
    QTest::newRow("anywhere respects case when asked") << int(maAnywhere) << false << "ANN"
                                                       << "";
    QTest::newRow("ä does not find Ä") << int(maAnywhere) << true << "älpo"
                                       << "";
    QTest::newRow("Ä finds Ä") << int(maAnywhere) << true << "Älpo"
                               << "ÄLPO";
    QTest::newRow("beginning needs the start") << int(maBeginning) << true << "ann"
                                               << "Anna";
    QTest::newRow("beginning misses the middle") << int(maBeginning) << true << "ream"
                                                 << "";
    QTest::newRow("full needs the whole value") << int(maFull) << true << "cream"
                                                << "Cream";
    QTest::newRow("full refuses a part") << int(maFull) << true << "crea"
                                         << "";
}

void TestRecLocate::matching() {
    QFETCH(int, matchType);
    QFETCH(bool, ignoreCase);
    QFETCH(QString, text);
    QFETCH(QString, found);
    loc_.MatchType = static_cast<TRecMatchType>(matchType);
    loc_.IgnoreCase = ignoreCase;
    loc_.FindText = text;
    table_.locate("Artist", "Cream");
    loc_.FindFirst();
    QCOMPARE(loc_.Found(), !found.isEmpty());
    QCOMPARE(current(table_), found.isEmpty() ? QStringLiteral("Cream") : found);
    QCOMPARE(finds_ + fails_, 1);
    QCOMPARE(loc_.Optimized(), false);
    QCOMPARE(loc_.OptError(), erNotTable);
}

void TestRecLocate::emptyText_data() {
    QTest::addColumn<int>("matchType");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("at");
    QTest::newRow("anywhere: found without moving") << int(maAnywhere) << true << "Cream";
    QTest::newRow("beginning: found without moving") << int(maBeginning) << true << "Cream";
    QTest::newRow("full: finds the first empty field") << int(maFull) << true << "";
}

void TestRecLocate::emptyText() {
    QFETCH(int, matchType);
    QFETCH(bool, found);
    QFETCH(QString, at);
    table_.append();
    table_.post(); // a release without an artist sorts first
    table_.locate("Artist", "Cream");
    loc_.MatchType = static_cast<TRecMatchType>(matchType);
    loc_.FindText.clear();
    loc_.FindFirst();
    QCOMPARE(loc_.Found(), found);
    QCOMPARE(current(table_), at);
    QCOMPARE(finds_, 1);
}

void TestRecLocate::failPosition_data() {
    QTest::addColumn<int>("failPos");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("at");
    QTest::newRow("original: back where it was") << int(fpOriginal) << "zz"
                                                 << "Cream";
    QTest::newRow("ending: where the scan stopped") << int(fpEnding) << "zz"
                                                    << "ÄLPO";
    QTest::newRow("top after a failure") << int(fpTop) << "zz"
                                         << "abba";
    QTest::newRow("top also after a success") << int(fpTop) << "Hanna"
                                              << "abba";
    QTest::newRow("bottom after a success") << int(fpBottom) << "Anna"
                                            << "ÄLPO";
    QTest::newRow("original keeps the found record") << int(fpOriginal) << "Hanna"
                                                     << "Hanna";
}

void TestRecLocate::failPosition() {
    QFETCH(int, failPos);
    QFETCH(QString, text);
    QFETCH(QString, at);
    loc_.FailPos = static_cast<TRecFailPos>(failPos);
    loc_.FindText = text;
    table_.locate("Artist", "Cream");
    loc_.FindFirst();
    QCOMPARE(current(table_), at);
}

void TestRecLocate::findNextVisitsEveryMatch() {
    loc_.FindText = QStringLiteral("nn");
    loc_.FindFirst();
    QCOMPARE(current(table_), QStringLiteral("Anna"));
    loc_.FindNext();
    QCOMPARE(current(table_), QStringLiteral("Hanna"));
    loc_.FindNext(); // no further match: stays on the last one
    QVERIFY(!loc_.Found());
    QCOMPARE(current(table_), QStringLiteral("Hanna"));
    table_.last();
    loc_.FindText = QStringLiteral("a");
    loc_.FindNext(); // on the last record: nothing further is compared
    QVERIFY(!loc_.Found());
    QCOMPARE(current(table_), QStringLiteral("ÄLPO"));
    QCOMPARE(fails_, 2);
}

void TestRecLocate::numRecsBoundsTheScan() {
    loc_.FailPos = fpEnding;
    loc_.FindText = QStringLiteral("zz");
    loc_.NumRecs = 3; // compares abba and Anna, then stops on the next record uncompared
    loc_.FindFirst();
    QCOMPARE(current(table_), QStringLiteral("Björk"));
    loc_.FindText = QStringLiteral("Björk");
    loc_.FindFirst(); // the third record is beyond the bound
    QVERIFY(!loc_.Found());
    loc_.NumRecs = 1; // compares none
    loc_.FindText = QStringLiteral("abba");
    loc_.FindFirst();
    QVERIFY(!loc_.Found());
    loc_.NumRecs = -5;
    loc_.FindFirst();
    QVERIFY(!loc_.Found());
}

void TestRecLocate::errorsBeforeTheScan_data() {
    QTest::addColumn<QString>("setup");
    QTest::addColumn<int>("error");
    QTest::newRow("no data source") << "nosource" << int(erDataset);
    QTest::newRow("closed table") << "closed" << int(erDataset);
    QTest::newRow("empty field name") << "nofield" << int(erField);
    QTest::newRow("unknown field") << "badfield" << int(erField);
}

void TestRecLocate::errorsBeforeTheScan() {
    QFETCH(QString, setup);
    QFETCH(int, error);
    table_.locate("Artist", "Cream");
    Table closed;
    TDataSource closedSource;
    closedSource.setDataSet(&closed);
    if (setup == QLatin1String("nosource"))
        loc_.setDataSource(nullptr);
    else if (setup == QLatin1String("closed"))
        loc_.setDataSource(&closedSource);
    else if (setup == QLatin1String("nofield"))
        loc_.DataField.clear();
    else
        loc_.DataField = QStringLiteral("Nope");
    loc_.FindText = QStringLiteral("Anna");
    loc_.FindFirst();
    QCOMPARE(int(loc_.Error()), error);
    QVERIFY(!loc_.Found());
    QCOMPARE(fails_, 1);
    QCOMPARE(current(table_), QStringLiteral("Cream"));
    loc_.setDataSource(&source_);
}

void TestRecLocate::memoComparison_data() {
    QTest::addColumn<int>("matchType");
    QTest::addColumn<int>("maxMemo");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("found");
    QTest::newRow("anywhere in a memo") << int(maAnywhere) << 32767 << "OF HANNA"
                                        << "Hanna";
    QTest::newRow("beyond the memo limit") << int(maAnywhere) << 8 << "of hanna"
                                           << "";
    QTest::newRow("full memo") << int(maFull) << 32767 << "notes of cream"
                               << "Cream";
    QTest::newRow("full memo cut by the limit") << int(maFull) << 9 << "notes of "
                                                << "abba";
    QTest::newRow("beginning of a memo") << int(maBeginning) << 32767 << "notes of b"
                                         << "Björk";
}

void TestRecLocate::memoComparison() {
    QFETCH(int, matchType);
    QFETCH(int, maxMemo);
    QFETCH(QString, text);
    QFETCH(QString, found);
    loc_.DataField = QStringLiteral("notes"); // field names ignore case
    loc_.MatchType = static_cast<TRecMatchType>(matchType);
    loc_.setMaxMemoSize(maxMemo);
    loc_.FindText = text;
    loc_.FindFirst();
    QCOMPARE(loc_.Found(), !found.isEmpty());
    QCOMPARE(loc_.Error(), erNone);
    if (!found.isEmpty())
        QCOMPARE(current(table_), found);
}

void TestRecLocate::numberFieldStopsWithMemoError() {
    loc_.DataField = QStringLiteral("Num");
    loc_.FailPos = fpEnding;
    loc_.FindText = QStringLiteral("3");
    table_.locate("Artist", "Cream");
    loc_.FindFirst();
    QCOMPARE(loc_.Error(), erMem);
    QVERIFY(!loc_.Found());
    QCOMPARE(current(table_), QStringLiteral("abba")); // stopped on the first record compared
    QCOMPARE(fails_, 1);
}

void TestRecLocate::viewsSuspendedOnceAndCursorRestored() {
    Counter counter;
    table_.addObserver(&counter);
    bool busy = false;
    loc_.setProgressCount(1);
    loc_.OnProgress = [&](TRecLocate*) {
        busy = QGuiApplication::overrideCursor() &&
               QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        QVERIFY(table_.controlsDisabled());
    };
    loc_.FindText = QStringLiteral("Cream");
    loc_.FindFirst();
    table_.removeObserver(&counter);
    QVERIFY(busy);
    QCOMPARE(counter.changed, 1); // one refresh at the end
    QVERIFY(!table_.controlsDisabled());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestRecLocate::exceptionPassesAfterCleanup() {
    loc_.setProgressCount(2);
    loc_.OnProgress = [](TRecLocate*) { throw std::runtime_error("stop"); };
    loc_.FindText = QStringLiteral("zz");
    table_.locate("Artist", "Cream");
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, loc_.FindFirst());
    QVERIFY(!table_.controlsDisabled());
    QVERIFY(!QGuiApplication::overrideCursor());
    QCOMPARE(current(table_), QStringLiteral("Cream")); // positioned back before passing on
    QCOMPARE(finds_ + fails_, 0);
}

void TestRecLocate::nestedSearchFromProgress() {
    loc_.setProgressCount(2);
    int depth = 0;
    loc_.OnProgress = [&](TRecLocate* l) {
        if (depth++ > 0)
            return;
        l->FindText = QStringLiteral("Cream"); // a keystroke during the scan
        l->FindFirst();
        QVERIFY(l->Found());
        QVERIFY(table_.controlsDisabled()); // the outer search still holds its suspension
        QVERIFY(QGuiApplication::overrideCursor());
    };
    loc_.FindText = QStringLiteral("zz");
    loc_.FindFirst();
    QVERIFY(loc_.Found()); // the outer one goes on with the state the inner one left
    QCOMPARE(current(table_), QStringLiteral("Cream"));
    QVERIFY(!table_.controlsDisabled());
    QVERIFY(!QGuiApplication::overrideCursor());
}

void TestRecLocate::keyedTable_data() {
    QTest::addColumn<int>("matchType");
    QTest::addColumn<QString>("field");
    QTest::addColumn<bool>("caseInsensitive");
    QTest::addColumn<bool>("optimized");
    QTest::addColumn<int>("optError");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("found");
    QTest::newRow("full key lookup")
        << int(maFull) << "Artist" << true << true << int(erOptNone) << "cream"
        << "Cream";
    QTest::newRow("nearest key, beginning")
        << int(maBeginning) << "Artist" << true << true << int(erOptNone) << "bj"
        << "Björk";
    QTest::newRow("anywhere cannot use an index")
        << int(maAnywhere) << "Artist" << true << false << int(erMatchType) << "ream"
        << "Cream";
    QTest::newRow("no index on the field")
        << int(maBeginning) << "Notes" << true << false << int(erNoInd) << "notes of h"
        << "Hanna";
    QTest::newRow("case sensitivity differs")
        << int(maBeginning) << "Artist" << false << false << int(erCaseSens) << "Cr"
        << "Cream";
}

void TestRecLocate::keyedTable() {
    QFETCH(int, matchType);
    QFETCH(QString, field);
    QFETCH(bool, caseInsensitive);
    QFETCH(bool, optimized);
    QFETCH(int, optError);
    QFETCH(QString, text);
    QFETCH(QString, found);
    KeyedTable keyed;
    makeTable(keyed);
    keyed.addIndex("Num", "Num");
    keyed.addIndex("ByArtist", "artist");
    keyed.setActiveIndex("Num");
    keyed.caseInsensitive = caseInsensitive;
    fill(keyed, {"Anna", "Hanna", "Björk", "Cream"});
    TDataSource source;
    source.setDataSet(&keyed);
    loc_.setDataSource(&source);
    loc_.DataField = field;
    loc_.MatchType = static_cast<TRecMatchType>(matchType);
    loc_.FindText = text;
    loc_.FindFirst();
    QCOMPARE(loc_.Optimized(), optimized);
    QCOMPARE(int(loc_.OptError()), optError);
    QVERIFY(loc_.Found());
    QCOMPARE(current(keyed), found);
    QCOMPARE(keyed.activeIndex(), std::string("Num")); // the table's own order is back
    loc_.setDataSource(&source_);
}

void TestRecLocate::indexedScanEndsLikeRowByRow_data() {
    QTest::addColumn<QString>("change"); // made after a first search built the text index
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ignoreCase");
    QTest::addColumn<int>("matchType");
    QTest::addColumn<int>("numRecs");
    QTest::newRow("unchanged") << ""
                               << "anna" << true << int(maAnywhere) << 0;
    QTest::newRow("Nordic letters, case kept") << ""
                                               << "ÄLP" << false << int(maAnywhere) << 0;
    QTest::newRow("inserts, Nordic folded") << "insert"
                                            << "kärp" << true << int(maAnywhere) << 0;
    QTest::newRow("edits") << "edit"
                           << "nna" << true << int(maAnywhere) << 0;
    QTest::newRow("deletes") << "delete"
                             << "Kärppä" << false << int(maBeginning) << 0;
    QTest::newRow("filter") << "filter"
                            << "ann" << true << int(maAnywhere) << 0;
    QTest::newRow("own index") << "order"
                               << "nna" << true << int(maAnywhere) << 0;
    QTest::newRow("insertion order") << "natural"
                                     << "ÄLPO" << true << int(maBeginning) << 0;
    QTest::newRow("NumRecs 2") << ""
                               << "anna" << true << int(maAnywhere) << 2;
    QTest::newRow("NumRecs 4 after edits") << "edit"
                                           << "nna" << true << int(maAnywhere) << 4;
}

// Where the search ends, what it found and the end flags are the same whether the rows between
// are skipped through the text index or compared one by one (a scroll hook forces that).
void TestRecLocate::indexedScanEndsLikeRowByRow() {
    QFETCH(QString, change);
    QFETCH(QString, text);
    QFETCH(bool, ignoreCase);
    QFETCH(int, matchType);
    QFETCH(int, numRecs);
    fill(table_, {"Joanna Kärppä", "KÄRPPÄ", "kärppä", "Hanna-Maija", "Annabella", "Ann",
                  "Björk Guðmundsdóttir", "Älpo Ålander", "Susanna", "Anna Hanna"});
    loc_.IgnoreCase = ignoreCase;
    loc_.MatchType = static_cast<TRecMatchType>(matchType);
    loc_.FailPos = fpEnding;
    loc_.FindText = text;
    loc_.FindFirst();
    auto set = [&](const char* artist, const char* field, const std::string& value) {
        QVERIFY(table_.locate("Artist", artist));
        table_.edit();
        table_.setText(field, value);
        table_.post();
    };
    auto renumber = [&](int step, int mod) {
        int i = 0;
        for (table_.first(); !table_.eof(); table_.next())
            set(table_.asText("Artist").c_str(), "Num", std::to_string(i++ * step % mod));
    };
    if (change == QLatin1String("insert")) {
        fill(table_, {"Zanna", "ÄLPOnen", "Kärppänen"});
        table_.insert();
        table_.setText("Artist", "Kärppä-Kanna");
        table_.post();
    } else if (change == QLatin1String("edit")) {
        set("Anna", "Artist", "Anja");
        set("Cream", "Artist", "Creanna");
        set("Susanna", "Artist", "Susanna Ånna");
        set("Annabella", "Notes", "moved"); // the searched text stays
    } else if (change == QLatin1String("delete")) {
        for (const char* artist : {"KÄRPPÄ", "kärppä", "Hanna"}) {
            QVERIFY(table_.locate("Artist", artist));
            table_.deleteRecord();
        }
    } else if (change == QLatin1String("filter")) {
        renumber(1, 2);
        table_.setFilter("Num = '1'");
        table_.setFiltered(true);
    } else if (change == QLatin1String("order")) {
        renumber(7, 5);
        table_.addIndex("Num", "Num");
        table_.setActiveIndex("Num");
    } else if (change == QLatin1String("natural")) {
        table_.setActiveIndex("");
    }
    loc_.NumRecs = numRecs;
    const int n = table_.recordCount();
    auto outcome = [&](int start) { // -1: FindFirst; n: FindNext on the last row with eof set
        finds_ = fails_ = 0;
        table_.moveTo(start);
        if (start == n)
            table_.next();
        start < 0 ? loc_.FindFirst() : loc_.FindNext();
        return QStringLiteral("%1 at %2 (%3) eof %4 bof %5 events %6 %7")
            .arg(loc_.Found())
            .arg(table_.currentDisplayRow())
            .arg(current(table_))
            .arg(table_.eof())
            .arg(table_.bof())
            .arg(finds_)
            .arg(fails_);
    };
    for (int start = -1; start <= n; ++start) {
        const QString indexed = outcome(start);
        table_.afterScroll = [] {};
        QCOMPARE(indexed, outcome(start));
        table_.afterScroll = nullptr;
    }
}

QTEST_MAIN(TestRecLocate)
#include "tst_reclocate.moc"
