#include "dbaware/controlcolors.h"
#include "dbaware/datasource.h"
#include "dbaware/dbedit.h"
#include "dbaware/dbgrid.h"
#include "dbaware/dblookupcombobox.h"
#include "dbaware/dbmemo.h"
#include "dbaware/dbnavigator.h"
#include "dbaware/dbradiogroup.h"
#include "dbaware/dbtext.h"
#include "dbaware/errorbox.h"
#include "engine/table.h"
#include "store/collection.h"

#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

using engine::Table;
using engine::TableState;

namespace {

void addRelease(Table& t, const char* artist, const char* title, const char* media,
                const char* genre) {
    t.append();
    t.setText("Kunstner", artist);
    t.setText("Titel", title);
    t.setText("Media", media);
    t.setText("Genre", genre);
    t.post();
}

void addGenre(Table& t, const char* name) {
    t.append();
    t.setText("Genre", name);
    t.post();
}

QString field(const Table& t, const char* name) {
    return QString::fromStdString(t.asText(name));
}

} // namespace

class TestControls : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void errorBoxText_data();
    void errorBoxText();
    void editTypingPostAndCancel();
    void editStoresOnEnterAndFocusLoss();
    void editEscapeBringsFieldBack();
    void editLimitsLengthAndFollowsRecord();
    void editShowsEngineError();
    void hiddenEditFollowsField();
    void memoEditsMemoField();
    void pasteStartsTheEdit_data();
    void pasteStartsTheEdit();
    void failedEditStartRestoresAfterTheSignal();
    void fieldLabelAutoSizes();
    void radioGroupChecksMatchingItem_data();
    void radioGroupChecksMatchingItem();
    void radioGroupWritesValue();
    void lookupListKeepsListTableInStep();
    void lookupPickWritesKeyAndUpdatesOtherControls();
    void navigatorButtonStates();
    void navigatorDeleteAsks();
    void navigatorWithoutSourceIsDisabled();
    void colours();

private:
    Table releases_;
    Table genres_;
    TDataSource* releaseSource_ = nullptr;
    TDataSource* genreSource_ = nullptr;
    QWidget* form_ = nullptr;
    QStringList errors_;
    bool answer_ = true;
    QStringList questions_;
};

void TestControls::init() {
    store::CreateLydsamTable(releases_);
    store::SetDisplayWidthsLydsam(releases_);
    store::CreateLydsamIndices(releases_);
    store::CreateGenreTable(genres_);
    store::CreateGenreIndices(genres_);
    addRelease(releases_, "Abba", "Arrival", "LP", "Pop");
    addRelease(releases_, "Bach", "Messe", "CD", "Klassisk");
    addRelease(releases_, "Cream", "Wheels", "MC", "Rock");
    releases_.first();
    for (const char* g : {"Jazz", "Klassisk", "Pop", "Rock"})
        addGenre(genres_, g);
    genres_.first();
    form_ = new QWidget;
    releaseSource_ = new TDataSource(form_);
    releaseSource_->setDataSet(&releases_);
    genreSource_ = new TDataSource(form_);
    genreSource_->setDataSet(&genres_);
    errors_.clear();
    questions_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dbaware::setConfirmHandler([this](const QString& q) {
        questions_ << q;
        return answer_;
    });
}

void TestControls::cleanup() {
    releases_.beforeEdit = nullptr;
    delete form_;
    form_ = nullptr;
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setConfirmHandler(nullptr);
}

void TestControls::errorBoxText_data() {
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter gets a full stop") << "Record not found"
                                             << "Record not found.";
    QTest::newRow("closing quote sorts after the stop") << "'x' is not a valid integer value"
                                                        << "'x' is not a valid integer value.";
    QTest::newRow("full stop kept") << "Done."
                                    << "Done.";
    QTest::newRow("exclamation sorts before the stop") << "Stop!"
                                                       << "Stop!";
    QTest::newRow("empty stays empty") << ""
                                       << "";
}

void TestControls::errorBoxText() {
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(dbaware::errorBoxText(message), shown);
}

void TestControls::editTypingPostAndCancel() {
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Titel"));
    QCOMPARE(edit->text(), QStringLiteral("Arrival"));
    QTest::keyClicks(edit, QStringLiteral("X"));
    QCOMPARE(releases_.state(), TableState::Edit);
    QCOMPARE(edit->text(), QStringLiteral("XArrival"));
    releases_.post(); // a post collects the control's text first
    QCOMPARE(field(releases_, "Titel"), QStringLiteral("XArrival"));
    QTest::keyClicks(edit, QStringLiteral("Y"));
    releases_.cancel();
    QCOMPARE(edit->text(), QStringLiteral("XArrival"));
    QCOMPARE(field(releases_, "Titel"), QStringLiteral("XArrival"));
}

void TestControls::editStoresOnEnterAndFocusLoss() {
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Kunstner"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("ABBA"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(releases_.state(), TableState::Edit); // stored, not posted
    QCOMPARE(field(releases_, "Kunstner"), QStringLiteral("ABBA"));
    QTest::keyClicks(edit, QStringLiteral("!"));
    QFocusEvent leave(QEvent::FocusOut);
    QApplication::sendEvent(edit, &leave);
    QCOMPARE(field(releases_, "Kunstner"), QStringLiteral("!"));
}

void TestControls::editEscapeBringsFieldBack() {
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Titel"));
    QTest::keyClicks(edit, QStringLiteral("zz"));
    QTest::keyClick(edit, Qt::Key_Escape);
    QCOMPARE(edit->text(), QStringLiteral("Arrival"));
    releases_.checkBrowseMode(); // nothing typed is left: the edit is dropped
    QCOMPARE(releases_.changeCount(), 3);
}

void TestControls::editLimitsLengthAndFollowsRecord() {
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Media"));
    QCOMPARE(edit->maxLength(), 2);
    releases_.next();
    QCOMPARE(edit->text(), QStringLiteral("CD"));
    releases_.setFilter("Media = 'MC'");
    releases_.setFiltered(true);
    QCOMPARE(edit->text(), QStringLiteral("MC"));
}

void TestControls::editShowsEngineError() {
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Num"));
    edit->selectAll();
    QTest::keyClicks(edit, QStringLiteral("abc"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(errors_, QStringList{"'abc' is not a valid integer value."});
    QCOMPARE(edit->text(), QStringLiteral("abc")); // the input stays for correction
}

void TestControls::hiddenEditFollowsField() {
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Num"));
    edit->hide();
    releases_.last();
    QCOMPARE(edit->text(), QStringLiteral("3"));
}

void TestControls::memoEditsMemoField() {
    auto* memo = new TDBMemo(form_);
    memo->setDataSource(releaseSource_);
    memo->setDataField(QStringLiteral("Notater"));
    QVERIFY(memo->toPlainText().isEmpty());
    QTest::keyClicks(memo, QStringLiteral("rad 1"));
    QTest::keyClick(memo, Qt::Key_Return);
    QTest::keyClicks(memo, QStringLiteral("rad 2"));
    QCOMPARE(releases_.state(), TableState::Edit);
    releases_.post();
    QCOMPARE(field(releases_, "Notater"), QStringLiteral("rad 1\nrad 2"));
    releases_.next();
    QVERIFY(memo->toPlainText().isEmpty());
}

void TestControls::pasteStartsTheEdit_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("clipboard");
    for (const char* control : {"edit", "memo", "grid cell"})
        for (const char* clipboard : {"nothing", "text", "image", "megabyte"})
            QTest::addRow("%s, %s", control, clipboard) << control << clipboard;
}

// Ctrl+V starts the table's edit from inside the control's own text signal, while Qt is still
// inserting: the control must not replace its text then (the memo crashed on it).
void TestControls::pasteStartsTheEdit() {
    QFETCH(QString, control);
    QFETCH(QString, clipboard);
    const QString megabyte = QStringLiteral("levyholvi\n").repeated((1 << 20) / 10);
    auto* mime = new QMimeData; // nothing: no format at all, as an empty clipboard offers
    if (clipboard == "text")
        mime->setText(QStringLiteral("Liitetty"));
    else if (clipboard == "megabyte")
        mime->setText(megabyte);
    else if (clipboard == "image")
        mime->setImageData(QImage(8, 8, QImage::Format_RGB32));
    QApplication::clipboard()->setMimeData(mime);

    // Empty fields: a paste of nothing leaves them as they are.
    const char* fieldName = control == "memo" ? "Notater" : "Forlag";
    QWidget* target = nullptr;
    std::function<QString()> shown;
    std::function<bool()> undoable; // the control's text was never replaced behind the paste
    if (control == "edit") {
        auto* edit = new TDBEdit(form_);
        edit->setDataSource(releaseSource_);
        edit->setDataField(QLatin1String(fieldName));
        target = edit;
        shown = [edit] { return edit->text(); };
        undoable = [edit] { return edit->isUndoAvailable(); };
    } else if (control == "memo") {
        auto* memo = new TDBMemo(form_);
        memo->setDataSource(releaseSource_);
        memo->setDataField(QLatin1String(fieldName));
        target = memo;
        shown = [memo] { return memo->toPlainText(); };
        undoable = [memo] { return memo->document()->isUndoAvailable(); };
    } else {
        auto* grid = new TDBGrid(form_);
        grid->setColumns({{QLatin1String(fieldName), QStringLiteral("Kustantaja"), -1}});
        grid->setDataSource(releaseSource_);
        form_->show();
        grid->setCurrentIndex(grid->model()->index(0, 0));
        grid->edit(grid->currentIndex());
        auto* line = grid->findChild<QLineEdit*>();
        QVERIFY(line);
        target = line;
        shown = [line] { return line->text(); };
        undoable = [line] { return line->isUndoAvailable(); };
    }
    QTest::keyClick(target, Qt::Key_V, Qt::ControlModifier);
    QCoreApplication::processEvents(); // whatever the paste left for later

    QString pasted = clipboard == "text"       ? QStringLiteral("Liitetty")
                     : clipboard == "megabyte" ? megabyte
                                               : QString();
    if (control != "memo")
        pasted.truncate(30);                    // the field's size
    const bool opened = control == "grid cell"; // the editor has started the edit
    QCOMPARE(releases_.state(),
             pasted.isEmpty() && !opened ? TableState::Browse : TableState::Edit);
    QCOMPARE(shown(), pasted);
    QCOMPARE(undoable(), !pasted.isEmpty());
    QCOMPARE(errors_, QStringList());
    releases_.checkBrowseMode();
    QCOMPARE(field(releases_, fieldName), pasted);
}

// A failed edit start shows the error and the field again, after the text signal is over.
void TestControls::failedEditStartRestoresAfterTheSignal() {
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Titel"));
    auto* memo = new TDBMemo(form_);
    memo->setDataSource(releaseSource_);
    memo->setDataField(QStringLiteral("Titel"));
    auto* group = new TDBRadioGroup(form_);
    group->setItems({"CD", "LP"});
    group->setDataSource(releaseSource_);
    group->setDataField(QStringLiteral("Media"));
    releases_.beforeEdit = [] { throw std::runtime_error("Lukittu"); };
    QTest::keyClicks(edit, QStringLiteral("X"));
    QTest::keyClicks(memo, QStringLiteral("Y"));
    group->button(0)->click();
    QTRY_COMPARE(errors_, (QStringList{"Lukittu.", "Lukittu.", "Lukittu."}));
    QCOMPARE(edit->text(), QStringLiteral("Arrival"));
    QCOMPARE(memo->toPlainText(), QStringLiteral("Arrival"));
    QCOMPARE(group->itemIndex(), 1);
    QCOMPARE(releases_.state(), TableState::Browse);
    QVERIFY(!edit->dataLink().isModified() && !memo->dataLink().isModified());
}

void TestControls::fieldLabelAutoSizes() {
    auto* label = new TDBText(form_);
    label->setDataSource(releaseSource_);
    label->setDataField(QStringLiteral("Kunstner"));
    label->setAutoSize(true);
    const int shortWidth = label->width();
    releases_.edit();
    releases_.setText("Kunstner", "A much longer artist name");
    QCOMPARE(label->text(), QStringLiteral("A much longer artist name"));
    QVERIFY(label->width() > shortWidth);
}

void TestControls::radioGroupChecksMatchingItem_data() {
    QTest::addColumn<QString>("media");
    QTest::addColumn<int>("checked");
    QTest::newRow("known value") << "LP" << 2;
    QTest::newRow("unknown value checks none") << "DVD" << -1;
    QTest::newRow("empty value checks none") << "" << -1;
}

void TestControls::radioGroupChecksMatchingItem() {
    QFETCH(QString, media);
    QFETCH(int, checked);
    auto* group = new TDBRadioGroup(form_);
    group->setItems({"CD", "MiniDisc", "LP", "Kasetti", "Single", "78"},
                    {"CD", "MD", "LP", "MC", "SG", "78"});
    group->setColumns(3);
    group->setDataSource(releaseSource_);
    group->setDataField(QStringLiteral("Media"));
    releases_.edit();
    releases_.setText("Media", media.toStdString());
    QCOMPARE(group->itemIndex(), checked);
    for (int i = 0; i < 6; ++i)
        QCOMPARE(group->button(i)->isChecked(), i == checked);
}

void TestControls::radioGroupWritesValue() {
    auto* group = new TDBRadioGroup(form_);
    group->setItems({"CD", "MiniDisc", "LP"}, {"CD", "MD", "LP"});
    group->setDataSource(releaseSource_);
    group->setDataField(QStringLiteral("Media"));
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Media"));
    group->button(1)->click();
    QCOMPARE(releases_.state(), TableState::Edit);
    QCOMPARE(field(releases_, "Media"), QStringLiteral("MD"));
    QCOMPARE(edit->text(), QStringLiteral("MD"));
    releases_.cancel();
    QCOMPARE(group->itemIndex(), 2);
}

void TestControls::lookupListKeepsListTableInStep() {
    auto* combo = new TDBLookupComboBox(form_);
    combo->setListSource(genreSource_);
    combo->setListField(QStringLiteral("Genre"));
    combo->setKeyField(QStringLiteral("Genre"));
    combo->setDataSource(releaseSource_);
    combo->setDataField(QStringLiteral("Genre"));
    QCOMPARE(combo->count(), 4);
    QCOMPARE(combo->currentText(), QStringLiteral("Pop"));
    QCOMPARE(field(genres_, "Genre"), QStringLiteral("Pop"));
    releases_.next();
    QCOMPARE(field(genres_, "Genre"), QStringLiteral("Klassisk"));
    releases_.edit();
    releases_.setText("Genre", "Polka"); // not in the list: the list table stays
    releases_.post();
    QCOMPARE(field(genres_, "Genre"), QStringLiteral("Klassisk"));
    QCOMPARE(combo->currentIndex(), -1);
    releases_.edit();
    releases_.setText("Genre", "rock"); // exact match only
    QCOMPARE(field(genres_, "Genre"), QStringLiteral("Klassisk"));
    addGenre(genres_, "Blues"); // new list rows appear
    QCOMPARE(combo->count(), 5);
}

void TestControls::lookupPickWritesKeyAndUpdatesOtherControls() {
    auto* combo = new TDBLookupComboBox(form_);
    combo->setListSource(genreSource_);
    combo->setListField(QStringLiteral("Genre"));
    combo->setDataSource(releaseSource_);
    combo->setDataField(QStringLiteral("Genre"));
    combo->setDropDownRows(16);
    auto* edit = new TDBEdit(form_);
    edit->setDataSource(releaseSource_);
    edit->setDataField(QStringLiteral("Genre"));
    int picks = 0;
    connect(combo, &TDBLookupComboBox::picked, this, [&] { ++picks; });
    emit combo->activated(0);
    QCOMPARE(picks, 1);
    QCOMPARE(field(releases_, "Genre"), QStringLiteral("Jazz"));
    QCOMPARE(edit->text(), QStringLiteral("Jazz"));
    QCOMPARE(field(genres_, "Genre"), QStringLiteral("Jazz"));
    QCOMPARE(combo->maxVisibleItems(), 16);

    auto* unbound = new TDBLookupComboBox(form_); // a picker bound to no field
    unbound->setListSource(genreSource_);
    unbound->setListField(QStringLiteral("Genre"));
    emit unbound->activated(3);
    QCOMPARE(field(genres_, "Genre"), QStringLiteral("Rock"));
}

void TestControls::navigatorButtonStates() {
    auto* nav = new TDBNavigator(form_);
    nav->setDataSource(releaseSource_);
    auto enabled = [&] {
        QString s;
        for (int i = 0; i < 9; ++i)
            s += nav->button(static_cast<TNavigateBtn>(i))->isEnabled() ? QLatin1Char('1')
                                                                        : QLatin1Char('0');
        return s;
    };
    //                 first prior next last insert delete edit post cancel
    releases_.first();
    QCOMPARE(enabled(), QStringLiteral("001111100"));
    nav->click(nbNext);
    QCOMPARE(enabled(), QStringLiteral("111111100"));
    nav->click(nbLast);
    QCOMPARE(enabled(), QStringLiteral("110011100"));
    nav->click(nbEdit); // still at the end: next and last stay off
    QCOMPARE(enabled(), QStringLiteral("110011011"));
    nav->click(nbCancel);
    nav->click(nbInsert);
    QCOMPARE(releases_.state(), TableState::Insert);
    QCOMPARE(enabled(), QStringLiteral("111111011"));
    nav->click(nbCancel);
    releases_.setFilter("Media = 'none'");
    releases_.setFiltered(true); // empty view
    QCOMPARE(enabled(), QStringLiteral("000010100"));
    QVERIFY(nav->button(nbRefresh)->isHidden());
    nav->setEnabled(false);
    QVERIFY(!nav->button(nbInsert)->isEnabled() || !nav->isEnabled());
    nav->click(nbInsert);
    QCOMPARE(releases_.state(), TableState::Browse);
}

void TestControls::navigatorDeleteAsks() {
    auto* nav = new TDBNavigator(form_);
    nav->setDataSource(releaseSource_);
    answer_ = false;
    nav->click(nbDelete);
    QCOMPARE(questions_, QStringList{"Delete record?"});
    QCOMPARE(releases_.recordCount(), 3);
    answer_ = true;
    nav->click(nbDelete);
    QCOMPARE(releases_.recordCount(), 2);
}

void TestControls::navigatorWithoutSourceIsDisabled() {
    auto* nav = new TDBNavigator(form_);
    for (int i = 0; i < TDBNavigator::kButtonCount; ++i)
        QVERIFY(!nav->button(static_cast<TNavigateBtn>(i))->isEnabled());
    nav->setVisibleButtons({nbFirst, nbPrior, nbNext, nbLast});
    nav->setHints({"Ensimmäinen", "Edellinen"});
    QVERIFY(!nav->button(nbInsert)->isVisibleTo(form_));
    QVERIFY(nav->button(nbNext)->isVisibleTo(form_));
    QCOMPARE(nav->button(nbPrior)->toolTip(), QStringLiteral("Edellinen"));
}

void TestControls::colours() {
    auto* edit = new TDBEdit(form_);
    dbaware::setBackgroundColor(edit, QColor(0, 255, 255));
    dbaware::setTextColor(edit, Qt::red);
    QCOMPARE(dbaware::backgroundColor(edit), QColor(0, 255, 255));
    QCOMPARE(dbaware::textColor(edit), QColor(Qt::red));
    QCOMPARE(edit->palette().color(QPalette::Disabled, QPalette::Base), QColor(0, 255, 255));
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
