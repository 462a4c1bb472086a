#include "dbaware/datasource.h"
#include "dbaware/dbgrid.h"
#include "dbaware/errorbox.h"
#include "engine/error.h"
#include "engine/table.h"
#include "store/collection.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QtTest>

#include <functional>
#include <memory>

using engine::Table;
using engine::TableState;
using Op = std::function<void(Table&)>;
Q_DECLARE_METATYPE(Op)
Q_DECLARE_METATYPE(engine::TableState)

namespace {

void addGenres(Table& t, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        t.append();
        t.setText("Genre", name);
        t.post();
    }
}

void addTrack(Table& t, int num, int nummer, const char* title) {
    t.append();
    t.setInteger("Num", num);
    t.setInteger("Nummer", nummer);
    t.setText("NrTitel", title);
    t.setText("Titel", "Levy");
    t.post();
}

QList<TColumn> trackColumns() {
    return {{"Titel", "Kappale", 0},    {"Nummer", "Kappaleet"},    {"NrTitel", "Kappaleen nimi"},
            {"Kunstner", "Taiteilija"}, {"Komponist", "Säveltäjä"}, {"Musiker", "Muusikot"}};
}

} // namespace

class TestDBGrid : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void modelFollowsEngine_data();
    void modelFollowsEngine();
    void fieldChangeRepaintsCurrentRowOnly();
    void userMovesTheTable_data();
    void userMovesTheTable();
    void tableMovesTheGrid();
    void keys_data();
    void keys();
    void cellEditing_data();
    void cellEditing();
    void openEditorIsStoredWhenTablePosts();
    void failedPostKeepsTheRow();
    void doubleClickMakesRowCurrentFirst();
    void columnWidths();
    void moveColumnSwapsTitles();
    void cellColoursLeaveTitles();
    void indicatorShowsState();

private:
    // A grid over `table`, shown and active, its model under the model tester.
    void makeGrid(Table& table, const QList<TColumn>& columns);
    void press(const QString& token);
    QRect indicatorRect(int row) const;

    Table genres_;
    Table tracks_;
    std::unique_ptr<TDataSource> source_;
    std::unique_ptr<TDBGrid> grid_;
    std::unique_ptr<QAbstractItemModelTester> tester_;
    QStringList errors_;
    QStringList questions_;
    bool answer_ = true;
};

void TestDBGrid::init() {
    store::CreateGenreTable(genres_);
    store::SetDisplayWidthsGenre(genres_);
    store::CreateGenreIndices(genres_);
    addGenres(genres_, {"Rock", "Blues", "Pop", "Jazz"});
    store::CreateNumreTable(tracks_);
    store::SetDisplayWidthsNumre(tracks_);
    for (int i = 1; i <= 40; ++i)
        addTrack(tracks_, 1, i, qPrintable(QStringLiteral("Kappale %1").arg(i)));
    store::CreateNumreIndices(tracks_);
    errors_.clear();
    questions_.clear();
    answer_ = true;
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dbaware::setConfirmHandler([this](const QString& q) {
        questions_ << q;
        return answer_;
    });
}

void TestDBGrid::cleanup() {
    tester_.reset();
    grid_.reset();
    source_.reset();
    genres_.beforePost = nullptr;
    genres_.afterInsert = nullptr;
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setConfirmHandler(nullptr);
}

void TestDBGrid::makeGrid(Table& table, const QList<TColumn>& columns) {
    source_ = std::make_unique<TDataSource>();
    source_->setDataSet(&table);
    grid_ = std::make_unique<TDBGrid>();
    tester_ = std::make_unique<QAbstractItemModelTester>(
        grid_->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
    grid_->setColumns(columns);
    grid_->setDataSource(source_.get());
    grid_->resize(400, 220);
    grid_->show();
    QApplication::setActiveWindow(grid_.get());
    QVERIFY(QTest::qWaitForWindowActive(grid_.get()));
    grid_->setFocus();
}

// "Down", "Ctrl+End", ... or "text:abc" typed into whatever has the focus in the grid.
void TestDBGrid::press(const QString& token) {
    QWidget* target = QApplication::focusWidget();
    if (!target || (target != grid_.get() && !grid_->isAncestorOf(target)))
        target = grid_.get();
    if (token.startsWith("text:")) {
        for (QChar c : token.mid(5)) {
            QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : target,
                            c.toLatin1());
        }
        return;
    }
    const QKeySequence seq(token);
    QVERIFY2(seq.count() == 1, qPrintable(token));
    QTest::keyClick(target, seq[0].key(), seq[0].keyboardModifiers());
    QCoreApplication::processEvents(); // the delegate commits on Enter a moment later
}

QRect TestDBGrid::indicatorRect(int row) const {
    const QHeaderView* h = grid_->verticalHeader();
    return QRect(h->mapTo(grid_.get(), QPoint(0, h->sectionViewportPosition(row))),
                 QSize(h->width(), h->sectionSize(row)));
}

void TestDBGrid::modelFollowsEngine_data() {
    QTest::addColumn<Op>("op");
    QTest::addColumn<int>("resets"); // -1: whatever the engine notifies
    QTest::newRow("insert shows the new row before the current one") << Op([](Table& t) {
        t.moveTo(2);
        t.insert();
    }) << 1;
    QTest::newRow("posting an insert resets once more") << Op([](Table& t) {
        t.insert();
        t.setText("Genre", "Ska");
        t.post();
    }) << 2;
    QTest::newRow("append then cancel") << Op([](Table& t) {
        t.append();
        t.cancel();
    }) << 2;
    QTest::newRow("delete") << Op([](Table& t) {
        t.moveTo(1);
        t.deleteRecord();
    }) << 1;
    QTest::newRow("delete the last row") << Op([](Table& t) {
        t.last();
        t.deleteRecord();
    }) << 1;
    QTest::newRow("filter on and off") << Op([](Table& t) {
        t.setFilter("Genre = 'Pop'");
        t.setFiltered(true);
        t.setFiltered(false);
    }) << 2;
    QTest::newRow("filter to nothing") << Op([](Table& t) {
        t.setFilter("Genre = 'Tango'");
        t.setFiltered(true);
    }) << 1;
    QTest::newRow("index switch") << Op([](Table& t) { t.setActiveIndex(""); }) << 1;
    QTest::newRow("scrolling does not reset") << Op([](Table& t) {
        t.last();
        t.prior();
    }) << 0;
    QTest::newRow("disabled controls refresh once at the end") << Op([](Table& t) {
        t.disableControls();
        t.append();
        t.setText("Genre", "Ska");
        t.post();
        t.first();
        t.deleteRecord();
        t.enableControls();
    }) << 1;
    QTest::newRow("close and create") << Op([](Table& t) {
        t.close();
        store::CreateGenreTable(t);
    }) << -1;
}

void TestDBGrid::modelFollowsEngine() {
    QFETCH(Op, op);
    QFETCH(int, resets);
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}, {"Nr", "Nr"}});
    QSignalSpy resetSpy(grid_->model(), &QAbstractItemModel::modelReset);
    QSignalSpy activeSpy(source_.get(), &TDataSource::activeChanged);
    QSignalSpy changedSpy(source_.get(), &TDataSource::dataSetChanged);
    op(genres_);
    QCOMPARE(resetSpy.count(), activeSpy.count() + changedSpy.count()); // once per notification
    if (resets >= 0)
        QCOMPARE(resetSpy.count(), resets);
    const QAbstractItemModel* m = grid_->model();
    QCOMPARE(m->rowCount(), genres_.displayRowCount());
    for (int row = 0; row < m->rowCount(); ++row)
        for (int column = 0; column < 2; ++column)
            QCOMPARE(m->index(row, column).data().toString(),
                     QString::fromStdString(genres_.textAt(row, column)));
    QCOMPARE(grid_->currentIndex().row(), genres_.currentDisplayRow());
}

void TestDBGrid::fieldChangeRepaintsCurrentRowOnly() {
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}});
    genres_.moveTo(2);
    QSignalSpy changed(grid_->model(), &QAbstractItemModel::dataChanged);
    QSignalSpy resets(grid_->model(), &QAbstractItemModel::modelReset);
    genres_.edit();
    genres_.setText("Genre", "Polkka");
    QCOMPARE(resets.count(), 0);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed[0][0].toModelIndex().row(), 2);
    QCOMPARE(changed[0][1].toModelIndex().row(), 2);
    QCOMPARE(grid_->model()->index(2, 0).data().toString(), "Polkka");
}

void TestDBGrid::userMovesTheTable_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("clickRow");
    QTest::addColumn<bool>("onIndicator");
    QTest::addColumn<int>("expected"); // -1: some row further down than the next one
    QTest::newRow("Down moves to the next record") << "Down" << -1 << false << 11;
    QTest::newRow("Up moves to the previous record") << "Up" << -1 << false << 9;
    QTest::newRow("PageDown moves by a page") << "PgDown" << -1 << false << -1;
    QTest::newRow("Ctrl+End goes to the last record") << "Ctrl+End" << -1 << false << 39;
    QTest::newRow("Ctrl+Home goes to the first record") << "Ctrl+Home" << -1 << false << 0;
    QTest::newRow("click on a cell") << "" << 12 << false << 12;
    QTest::newRow("click on the indicator") << "" << 8 << true << 8;
}

void TestDBGrid::userMovesTheTable() {
    QFETCH(QString, key);
    QFETCH(int, clickRow);
    QFETCH(bool, onIndicator);
    QFETCH(int, expected);
    makeGrid(tracks_, trackColumns());
    tracks_.moveTo(10);
    if (!key.isEmpty()) {
        press(key);
    } else if (onIndicator) {
        const QHeaderView* h = grid_->verticalHeader();
        QTest::mouseClick(h->viewport(), Qt::LeftButton, {},
                          QPoint(5, h->sectionViewportPosition(clickRow) + 3));
    } else {
        QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {},
                          grid_->visualRect(grid_->model()->index(clickRow, 2)).center());
    }
    if (expected >= 0)
        QCOMPARE(tracks_.currentDisplayRow(), expected);
    else
        QVERIFY(tracks_.currentDisplayRow() > 11 && tracks_.currentDisplayRow() < 39);
    QCOMPARE(grid_->currentIndex().row(), tracks_.currentDisplayRow());
    QVERIFY(grid_->viewport()->rect().contains(grid_->visualRect(grid_->currentIndex())));
    QCOMPARE(tracks_.state(), TableState::Browse);
}

void TestDBGrid::tableMovesTheGrid() {
    makeGrid(tracks_, trackColumns());
    QCOMPARE(grid_->selectedIndex(), 1); // never the hidden column
    grid_->setSelectedIndex(2);
    for (int row : {35, 3, 39, 0}) {
        tracks_.moveTo(row);
        QCOMPARE(grid_->currentIndex(), grid_->model()->index(row, 2));
        QVERIFY(grid_->viewport()->rect().contains(grid_->visualRect(grid_->currentIndex())));
    }
}

void TestDBGrid::keys_data() {
    QTest::addColumn<QStringList>("tokens");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("answer");
    QTest::addColumn<TableState>("state");
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("displayRows");
    QTest::addColumn<int>("currentRow");
    QTest::addColumn<int>("questions");
    QTest::addColumn<int>("inserts"); // new rows started, seen by an afterInsert hook
    // The grid starts on the last of Blues, Jazz, Pop, Rock.
    const auto browse = TableState::Browse;
    const auto insert = TableState::Insert;
    QTest::newRow("Down on the last row appends")
        << QStringList{"Down"} << false << true << insert << 4 << 5 << 4 << 0 << 1;
    QTest::newRow("Down on an untouched new row does nothing")
        << QStringList{"Down", "Down"} << false << true << insert << 4 << 5 << 4 << 0 << 1;
    QTest::newRow("Up from an untouched new row drops it")
        << QStringList{"Down", "Up"} << false << true << browse << 4 << 4 << 3 << 0 << 1;
    QTest::newRow("typed value then Up posts it") << QStringList{"Down", "text:Ska", "Up"} << false
                                                  << true << browse << 5 << 5 << 3 << 0 << 1;
    QTest::newRow("typed value then Down posts and appends again")
        << QStringList{"Down", "text:Ska", "Down"} << false << true << insert << 5 << 6 << 5 << 0
        << 2;
    QTest::newRow("Insert starts a row before the current one")
        << QStringList{"Up", "Ins"} << false << true << insert << 4 << 5 << 2 << 0 << 1;
    QTest::newRow("Esc cancels the insert")
        << QStringList{"Ins", "Esc"} << false << true << browse << 4 << 4 << 3 << 0 << 1;
    QTest::newRow("Esc in the editor of a new row drops it")
        << QStringList{"Down", "text:S", "Esc"} << false << true << browse << 4 << 4 << 3 << 0 << 1;
    QTest::newRow("Ctrl+Delete confirmed deletes")
        << QStringList{"Ctrl+Del"} << false << true << browse << 3 << 3 << 2 << 1 << 0;
    QTest::newRow("Ctrl+Delete declined keeps the record")
        << QStringList{"Ctrl+Del"} << false << false << browse << 4 << 4 << 3 << 1 << 0;
    QTest::newRow("read-only: Down on the last row does not append")
        << QStringList{"Down"} << true << true << browse << 4 << 4 << 3 << 0 << 0;
    QTest::newRow("read-only: typing opens no editor")
        << QStringList{"text:x", "F2", "Up"} << true << true << browse << 4 << 4 << 2 << 0 << 0;
    QTest::newRow("read-only: Insert and Ctrl+Delete do nothing")
        << QStringList{"Ins", "Ctrl+Del"} << true << true << browse << 4 << 4 << 3 << 0 << 0;
}

void TestDBGrid::keys() {
    QFETCH(QStringList, tokens);
    QFETCH(bool, readOnly);
    QFETCH(bool, answer);
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}});
    grid_->setReadOnly(readOnly);
    answer_ = answer;
    int inserts = 0;
    genres_.afterInsert = [&inserts] { ++inserts; };
    genres_.last();
    for (const QString& token : tokens)
        press(token);
    QTEST(genres_.state(), "state");
    QTEST(genres_.recordCount(), "records");
    QTEST(genres_.displayRowCount(), "displayRows");
    QTEST(genres_.currentDisplayRow(), "currentRow");
    QTEST(int(questions_.size()), "questions");
    QTEST(inserts, "inserts");
    if (!questions_.isEmpty())
        QCOMPARE(questions_.first(), "Delete record?");
    QCOMPARE(grid_->model()->rowCount(), genres_.displayRowCount());
    QCOMPARE(grid_->currentIndex().row(), genres_.currentDisplayRow());
    QVERIFY(errors_.isEmpty());
    if (genres_.recordCount() == 5) // the typed genre was posted, in index order
        QVERIFY(genres_.locate("Genre", "Ska"));
}

void TestDBGrid::cellEditing_data() {
    QTest::addColumn<QStringList>("tokens");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("value");
    QTest::addColumn<TableState>("state");
    QTest::addColumn<QString>("error");
    QTest::newRow("text committed with Enter is written")
        << QStringList{"text:Uusi", "Return"} << 2 << "Uusi" << TableState::Edit << "";
    QTest::newRow("integer committed by moving away is posted")
        << QStringList{"text:77", "Down"} << 1 << "77" << TableState::Browse << "";
    QTest::newRow("invalid integer shows the error and keeps the value")
        << QStringList{"text:x", "Return"} << 1 << "5" << TableState::Edit
        << "'x' is not a valid integer value.";
    QTest::newRow("invalid integer stops the move")
        << QStringList{"text:x", "Down"} << 1 << "5" << TableState::Edit
        << "'x' is not a valid integer value.";
    QTest::newRow("Esc in the editor reverts and leaves edit state")
        << QStringList{"text:Uusi", "Esc"} << 2 << "Kappale 5" << TableState::Browse << "";
    QTest::newRow("Esc after a stored value cancels the edit")
        << QStringList{"text:Uusi", "Return", "Esc"} << 2 << "Kappale 5" << TableState::Browse
        << "";
    QTest::newRow("leaving a cell unchanged does not modify the record")
        << QStringList{"F2", "Return", "Down"} << 2 << "Kappale 5" << TableState::Browse << "";
}

void TestDBGrid::cellEditing() {
    QFETCH(QStringList, tokens);
    QFETCH(int, column);
    QFETCH(QString, value);
    QFETCH(QString, error);
    makeGrid(tracks_, trackColumns());
    tracks_.moveTo(4);
    const engine::Bookmark edited = tracks_.bookmark();
    const int changes = tracks_.changeCount();
    grid_->setSelectedIndex(column);
    for (const QString& token : tokens)
        press(token);
    QTEST(tracks_.state(), "state");
    QCOMPARE(errors_, error.isEmpty() ? QStringList() : QStringList{error});
    if (tracks_.state() == TableState::Browse)
        tracks_.gotoBookmark(edited);
    const int field = grid_->gridModel()->fieldAt(column);
    QCOMPARE(QString::fromStdString(tracks_.asText(field)), value);
    QCOMPARE(grid_->model()->index(tracks_.currentDisplayRow(), column).data().toString(), value);
    if (value == "Kappale 5" && tracks_.state() == TableState::Browse)
        QCOMPARE(tracks_.changeCount(), changes);
}

void TestDBGrid::openEditorIsStoredWhenTablePosts() {
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}});
    genres_.moveTo(0);
    press("text:Boogie");
    QCOMPARE(genres_.state(), TableState::Edit);
    genres_.post(); // as the navigator's post button does
    QVERIFY(genres_.locate("Genre", "Boogie"));
    QVERIFY(!genres_.locate("Genre", "Blues"));
    QVERIFY(grid_->hasFocus());
}

void TestDBGrid::failedPostKeepsTheRow() {
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}});
    genres_.beforePost = [] { throw engine::Error("Tallennus epäonnistui"); };
    genres_.moveTo(1);
    genres_.edit();
    genres_.setText("Genre", "Jatsi");
    QTest::mouseClick(grid_->viewport(), Qt::LeftButton, {},
                      grid_->visualRect(grid_->model()->index(3, 0)).center());
    QCOMPARE(errors_, QStringList{"Tallennus epäonnistui."});
    QCOMPARE(genres_.state(), TableState::Edit);
    QCOMPARE(genres_.currentDisplayRow(), 1);
    QCOMPARE(grid_->currentIndex().row(), 1);
    QCOMPARE(grid_->model()->index(1, 0).data().toString(), "Jatsi");
}

void TestDBGrid::doubleClickMakesRowCurrentFirst() {
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}});
    QStringList seen;
    connect(grid_.get(), &QAbstractItemView::doubleClicked, this,
            [&] { seen << QString::fromStdString(genres_.asText("Genre")); });
    QTest::mouseDClick(grid_->viewport(), Qt::LeftButton, {},
                       grid_->visualRect(grid_->model()->index(2, 0)).center());
    QCOMPARE(seen, QStringList{"Pop"});
    QCOMPARE(genres_.state(), TableState::Browse); // a double-click does not start editing
}

void TestDBGrid::columnWidths() {
    makeGrid(tracks_, trackColumns());
    QVERIFY(grid_->isColumnHidden(0));
    QCOMPARE(grid_->columnWidth(0), 0);
    QCOMPARE(grid_->model()->columnCount(), 6);
    // Unsized columns take their field's display width in the grid's font.
    const int chars = grid_->fontMetrics().averageCharWidth();
    QVERIFY(grid_->columnWidth(2) >= 40 * chars); // NrTitel, 40 characters
    QVERIFY(grid_->columnWidth(1) >= 11 * chars); // an integer's default width
    QVERIFY(grid_->columnWidth(1) < grid_->columnWidth(2));
    QFont big = grid_->font();
    big.setPixelSize(big.pixelSize() > 0 ? big.pixelSize() * 2 : 26);
    const int before = grid_->columnWidth(3);
    grid_->horizontalHeader()->resizeSection(4, 123); // the user's width sticks
    grid_->setFont(big);
    QVERIFY(grid_->columnWidth(3) > before);
    QCOMPARE(grid_->columnWidth(4), 123);

    grid_->setColumnWidthPixels(0, 200);
    QVERIFY(!grid_->isColumnHidden(0));
    QCOMPARE(grid_->columnWidth(0), 200);
    QCOMPARE(grid_->columns()[0].width, 200);
    tracks_.setFiltered(true); // a reset keeps it
    QCOMPARE(grid_->columnWidth(0), 200);
}

void TestDBGrid::moveColumnSwapsTitles() {
    for (int i = 0; i < 3; ++i) {
        tracks_.moveTo(i);
        tracks_.edit();
        tracks_.setText("Kunstner", qPrintable(QStringLiteral("Taiteilija %1").arg(i)));
        tracks_.post();
    }
    makeGrid(tracks_, {{"Kunstner", "Taiteilija", 150}, {"NrTitel", "Kappaleen nimi", 90}});
    tracks_.moveTo(0);
    const QAbstractItemModel* m = grid_->model();
    for (int move = 0; move < 2; ++move) {
        grid_->moveColumn(0, 1);
        const bool swapped = move == 0;
        QCOMPARE(m->headerData(0, Qt::Horizontal).toString(),
                 QString::fromUtf8(swapped ? "Kappaleen nimi" : "Taiteilija"));
        QCOMPARE(m->headerData(1, Qt::Horizontal).toString(),
                 QString::fromUtf8(swapped ? "Taiteilija" : "Kappaleen nimi"));
        QCOMPARE(m->index(0, 0).data().toString(),
                 QString::fromUtf8(swapped ? "Kappale 1" : "Taiteilija 0"));
        QCOMPARE(grid_->columnWidth(0), swapped ? 90 : 150);
        QCOMPARE(grid_->columns()[1].fieldName,
                 QString::fromUtf8(swapped ? "Kunstner" : "NrTitel"));
    }
}

void TestDBGrid::cellColoursLeaveTitles() {
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}});
    QFont titles = grid_->font();
    titles.setBold(true);
    grid_->setTitleFont(titles);
    const QHeaderView* h = grid_->horizontalHeader();
    const QPoint title = h->mapTo(grid_.get(), QPoint(h->sectionSize(0) - 4, h->height() / 2));
    const QPoint indicator = indicatorRect(0).center() + QPoint(0, 4);
    const QPoint emptyCell = grid_->viewport()->mapTo(grid_.get(), QPoint(100, 150));
    const QImage before = grid_->grab().toImage();
    const QPalette titlePalette = h->palette();
    grid_->setCellColors(Qt::red, Qt::yellow);
    for (auto role : {QPalette::Text, QPalette::Base}) // whatever roles a style draws titles with
        QCOMPARE(h->palette().color(role), titlePalette.color(role));
    QCOMPARE(grid_->textColor(), QColor(Qt::red));
    QCOMPARE(grid_->backgroundColor(), QColor(Qt::yellow));
    const QImage after = grid_->grab().toImage();
    QCOMPARE(after.pixelColor(emptyCell), QColor(Qt::yellow));
    QCOMPARE(after.pixelColor(title), before.pixelColor(title));
    QCOMPARE(after.pixelColor(indicator), before.pixelColor(indicator));
    QVERIFY(grid_->font() != grid_->titleFont());
}

void TestDBGrid::indicatorShowsState() {
    makeGrid(genres_, {{"Genre", "Musiikkityypit"}});
    genres_.moveTo(1);
    auto mark = [this](int row) { return grid_->grab(indicatorRect(row)).toImage(); };
    const QImage none = mark(2);
    const QImage browse = mark(1);
    genres_.edit();
    const QImage edit = mark(1);
    QCOMPARE(mark(2), none);
    genres_.cancel();
    genres_.insert();
    const QImage insert = mark(1);
    QCOMPARE(mark(2), none); // the old current row moved down and lost its mark
    QVERIFY(browse != none && edit != none && insert != none);
    QVERIFY(browse != edit && edit != insert && browse != insert);
}

QTEST_MAIN(TestDBGrid)
#include "tst_dbgrid.moc"
