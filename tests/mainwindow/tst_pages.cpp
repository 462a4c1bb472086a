// Tab switching, the linked views and the page commands; the two search boxes, which switch
// pages and filters themselves.
#include "collectionfiles.h"
#include "mainwindow/form1.h"

#include "dbaware/dbgrid.h"
#include "dbaware/errorbox.h"
#include "extras/aboutbox.h"
#include "store/collection.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

const char* const kLongTitle = "Hämärän hetkellä häälyvä sävelmä soi"; // 36 characters

struct Release {
    int num;
    const char *artist, *genre, *media, *publisher;
};
struct Track {
    int num; // 0: belongs to no release
    int nummer;
    const char* title;
};
struct Musician {
    const char *track, *musician;
};

// In artist order: Anna, Bertta, Cecilia, Hanna.
const QList<Release> kReleases = {{1, "Anna", "Jazz", "CD", "Sointu"},
                                  {2, "Hanna", "Rock", "LP", "Levytalo"},
                                  {3, "Bertta", "Rock", "CD", "Hannan levyt"},
                                  {4, "Cecilia", "Pop", "LP", "Sointu"}};
const QList<Track> kTracks = {{1, 2, "Toinen"},   {1, 1, "Ensimmäinen"}, {1, 3, "Sama nimi"},
                              {2, 3, kLongTitle}, {2, 1, "Sama nimi"},   {2, 2, "Don't Stop"}};
const QList<Musician> kMusicians = {{"Sama nimi", "Jori"},      {"Sama nimi", "Jonna"},
                                    {"Don't Stop", "O'Connor"}, {kLongTitle, "Pekka"},
                                    {"Ensimmäinen", "Anneli"},  {"Toinen", "Ville"}};

void writeCollection(const QString& folder, const QList<Release>& releases,
                     const QList<Track>& tracks) {
    writeTable(folder, "Lydsam", [&](engine::Table& t) {
        for (const Release& r : releases) {
            t.append();
            t.setInteger("Num", r.num);
            t.setText("Kunstner", r.artist);
            t.setText("Genre", r.genre);
            t.setText("Media", r.media);
            t.setText("Forlag", r.publisher);
            t.post();
        }
    });
    writeTable(folder, "Numre", [&](engine::Table& t) {
        for (const Track& k : tracks) {
            t.append();
            if (k.num > 0)
                t.setInteger("Num", k.num);
            t.setInteger("Nummer", k.nummer);
            t.setText("NrTitel", k.title);
            t.post();
        }
    });
    writeTable(folder, "Musiker", [&](engine::Table& t) {
        for (const Musician& m : kMusicians) {
            t.append();
            t.setText("NrTitel", m.track); // the field keeps the first 30 characters
            t.setText("Musiker", m.musician);
            t.post();
        }
    });
}

} // namespace

class TestPages : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // tab switching and page commands
    void tabsSetNavigatorAndMusicianCommands_data();
    void tabsSetNavigatorAndMusicianCommands();
    void tracksTabNarrowsToEachCurrentRelease();
    void totalCountsWhatTheSelectionLetsThrough_data();
    void totalCountsWhatTheSelectionLetsThrough();
    void musiciansTabNarrowsToCurrentTrack_data();
    void musiciansTabNarrowsToCurrentTrack();
    void tracksTabWithNoReleaseShowsLooseTracks();
    void notesButtonKeepsEverythingElse();
    void overviewDoubleClickOpensClickedRelease_data();
    void overviewDoubleClickOpensClickedRelease();
    void tabChangeFromFocusedPageStaysOnClickedTab_data();
    void tabChangeFromFocusedPageStaysOnClickedTab();
    void dialogsOpenModallyInFrontOfTheWindow_data();
    void dialogsOpenModallyInFrontOfTheWindow();

    // search boxes
    void enteringFindShowsRegistration_data();
    void enteringFindShowsRegistration();
    void typingAndNextButton_data();
    void typingAndNextButton();
    void findSearchesTheSortField();
    void trackSearchCoversEveryRelease();
    void tracksTabBringsTrackNavigatorBack();

private:
    void openForm(const QList<Release>& releases, const QList<Track>& tracks);
    template <typename T> T* child(const char* name) const {
        T* w = form_->findChild<T*>(QLatin1String(name));
        if (!w)
            qWarning("no child %s", name);
        return w;
    }
    void click(const char* button) { child<QToolButton>(button)->click(); }
    void enter(const char* box) { QTest::mouseClick(child<QLineEdit>(box), Qt::LeftButton); }
    // Clicks a tab with the focus on the tabs, as after keyboard selection: the switch then
    // moves no focus (tabChangeFromFocusedPageStaysOnClickedTab covers the other case).
    void userSelects(int page) {
        QTabBar* tabs = pages_->tabBar();
        tabs->setFocus();
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page - 1).center());
        QCOMPARE(form_->activePageNumber(), page);
    }
    bool enabled(const char* name) const { return child<QWidget>(name)->isEnabled(); }
    bool musicianCommands(bool on) const {
        return enabled("c1") == on && enabled("c2") == on && enabled("c3") == on;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QTabWidget* pages_ = nullptr;
    QStringList errors_;
};

void TestPages::init() {
    errors_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    openForm(kReleases, kTracks);
}

void TestPages::openForm(const QList<Release>& releases, const QList<Track>& tracks) {
    form_.reset();
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    writeCollection(dir_->path() + QLatin1Char('/'), releases, tracks);
    form_ = std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'),
                                     dir_->filePath(QStringLiteral("levyholvi.INI")));
    pages_ = child<QTabWidget>("PageControl1");
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void TestPages::cleanup() {
    form_.reset();
    dir_.reset();
    dbaware::setErrorBoxHandler(nullptr);
}

void TestPages::tabsSetNavigatorAndMusicianCommands_data() {
    QTest::addColumn<QList<int>>("tabs");
    QTest::addColumn<bool>("navigator");
    QTest::addColumn<bool>("commands");
    QTest::newRow("registration: navigator on, commands off") << QList<int>{2} << true << false;
    QTest::newRow("tracks: navigator and commands off") << QList<int>{3} << false << false;
    QTest::newRow("musicians: commands on") << QList<int>{4} << true << true;
    QTest::newRow("tracks then overview: navigator stays off")
        << QList<int>{3, 5} << false << false;
    QTest::newRow("tracks then musicians: navigator stays off")
        << QList<int>{3, 4} << false << true;
    QTest::newRow("tracks, overview, registration: navigator on again")
        << QList<int>{3, 5, 2} << true << false;
    for (int page : {1, 2, 3, 5, 6, 7})
        QTest::addRow("musicians then page %d: commands off", page)
            << QList<int>{4, page} << (page != 3) << false;
}

void TestPages::tabsSetNavigatorAndMusicianCommands() {
    QFETCH(QList<int>, tabs);
    QFETCH(bool, navigator);
    QFETCH(bool, commands);
    QVERIFY(enabled("DBNavigator1") && musicianCommands(false)); // as the window opens
    for (int page : tabs)
        userSelects(page);
    QCOMPARE(enabled("DBNavigator1"), navigator);
    QVERIFY(musicianCommands(commands));
    QCOMPARE(errors_, QStringList());
}

void TestPages::tracksTabNarrowsToEachCurrentRelease() {
    engine::Table& tracks = form_->NumreDataSet;
    auto* grid = child<TDBGrid>("DBGrid2");
    QVERIFY(form_->LydsamDataSet.locate("Num", "2"));
    userSelects(3);
    QCOMPARE(shown(tracks, "NrTitel"),
             (QStringList{"Sama nimi", "Don't Stop", QString::fromUtf8(kLongTitle)}));
    QCOMPARE(QApplication::focusWidget(), grid);
    QCOMPARE(grid->selectedIndex(), 1);

    grid->setSelectedIndex(3); // the user moves on; the next visit selects the number again
    userSelects(5);
    QVERIFY(form_->LydsamDataSet.locate("Num", "1"));
    userSelects(3);
    QCOMPARE(shown(tracks, "NrTitel"), (QStringList{"Ensimmäinen", "Toinen", "Sama nimi"}));
    QCOMPARE(text(tracks, "NrTitel"), "Ensimmäinen"); // lowest number, though stored second
    QCOMPARE(grid->selectedIndex(), 1);
    QCOMPARE(QApplication::focusWidget(), grid);

    userSelects(5);
    QVERIFY(form_->LydsamDataSet.locate("Num", "3"));
    userSelects(3);
    QCOMPARE(shown(tracks, "NrTitel"), QStringList());
    QCOMPARE(errors_, QStringList());
}

void TestPages::totalCountsWhatTheSelectionLetsThrough_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("total");
    QTest::newRow("no selection, genres page") << "" << 7 << "4";
    QTest::newRow("CDs, tracks page") << "b1" << 3 << "2";
    QTest::newRow("singles, musicians page") << "b5" << 4 << "0";
}

void TestPages::totalCountsWhatTheSelectionLetsThrough() {
    QFETCH(QString, command);
    QFETCH(int, tab);
    QFETCH(QString, total);
    QCOMPARE(child<QLabel>("Label20")->text(), "0"); // no tab change yet
    if (!command.isEmpty())
        click(command.toLatin1().constData());
    userSelects(tab);
    QCOMPARE(child<QLabel>("Label20")->text(), total);
}

void TestPages::musiciansTabNarrowsToCurrentTrack_data() {
    QTest::addColumn<int>("release");
    QTest::addColumn<QString>("track");
    QTest::addColumn<QStringList>("musicians");
    QTest::newRow("plain title") << 1 << "Ensimmäinen" << QStringList{"Anneli"};
    QTest::newRow("same title in two releases lists both")
        << 1 << "Sama nimi" << QStringList{"Jonna", "Jori"};
    QTest::newRow("title with a quote") << 2 << "Don't Stop" << QStringList{"O'Connor"};
    QTest::newRow("title longer than the musician rows keep")
        << 2 << QString::fromUtf8(kLongTitle) << QStringList{"Pekka"};
}

void TestPages::musiciansTabNarrowsToCurrentTrack() {
    QFETCH(int, release);
    QFETCH(QString, track);
    QFETCH(QStringList, musicians);
    QVERIFY(form_->LydsamDataSet.locate("Num", std::to_string(release)));
    userSelects(3);
    QVERIFY(form_->NumreDataSet.locate("NrTitel", track.toStdString()));
    userSelects(4);
    QCOMPARE(shown(form_->MusikerDataSet, "Musiker"), musicians);
    QVERIFY(musicianCommands(true));
    QCOMPARE(errors_, QStringList());
}

// With no release at all, the tracks page lists the tracks that belong to none.
void TestPages::tracksTabWithNoReleaseShowsLooseTracks() {
    openForm({}, {{0, 1, "Irrallinen"}, {5, 1, "Kadonneen levyn kappale"}});
    userSelects(3);
    QCOMPARE(shown(form_->NumreDataSet, "NrTitel"), QStringList{"Irrallinen"});
    QCOMPARE(errors_, QStringList());
    QVERIFY(!enabled("DBNavigator1")); // the steps after the filter ran too
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("DBGrid2"));
}

void TestPages::notesButtonKeepsEverythingElse() {
    QVERIFY(form_->LydsamDataSet.locate("Num", "1"));
    userSelects(3);
    QVERIFY(form_->NumreDataSet.locate("NrTitel", "Sama nimi"));
    userSelects(4);
    form_->selectPage(pages_->widget(1));
    const std::string trackFilter = form_->NumreDataSet.filter();
    const std::string musicianFilter = form_->MusikerDataSet.filter();
    QSignalSpy pageChanges(form_.get(), &TForm1::userPageChange);
    click("SpeedButton12");
    QCOMPARE(form_->activePageNumber(), 6);
    QCOMPARE(pageChanges.count(), 0);
    QVERIFY(!enabled("DBNavigator1") && musicianCommands(true));
    QVERIFY(form_->NumreDataSet.filtered() && form_->MusikerDataSet.filtered());
    QCOMPARE(form_->NumreDataSet.filter(), trackFilter);
    QCOMPARE(form_->MusikerDataSet.filter(), musicianFilter);
    QCOMPARE(text(form_->NumreDataSet, "NrTitel"), "Sama nimi");
}

void TestPages::overviewDoubleClickOpensClickedRelease_data() {
    QTest::addColumn<QString>("where"); // cell, indicator, below (the rows) or titles
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("artist");
    QTest::newRow("a cell") << "cell" << 2 << "Hanna";
    QTest::newRow("the indicator column") << "indicator" << 2 << "Hanna";
    QTest::newRow("the empty area below the last row") << "below" << 2 << "Anna";
    QTest::newRow("the title row does nothing") << "titles" << 5 << "Anna";
}

void TestPages::overviewDoubleClickOpensClickedRelease() {
    QFETCH(QString, where);
    QFETCH(int, page);
    QFETCH(QString, artist);
    userSelects(3); // the navigator goes off and stays so: a double-click runs no page change
    userSelects(5);
    auto* grid = child<TDBGrid>("DBGrid1");
    const QRect cell = grid->visualRect(grid->model()->index(3, 1));
    const QRect lastRow = grid->visualRect(grid->model()->index(grid->model()->rowCount() - 1, 0));
    QWidget* target = grid->viewport();
    QPoint at = cell.center();
    if (where == "indicator") {
        target = grid->verticalHeader()->viewport();
        at = QPoint(target->width() / 2, cell.center().y());
    } else if (where == "below") {
        at = QPoint(cell.center().x(), lastRow.bottom() + lastRow.height());
        QVERIFY(at.y() < grid->viewport()->height());
    } else if (where == "titles") {
        target = grid->horizontalHeader()->viewport();
        at = QPoint(cell.center().x(), target->height() / 2);
    }
    QTest::mouseDClick(target, Qt::LeftButton, {}, at);
    QCOMPARE(form_->activePageNumber(), page);
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), artist);
    QVERIFY(!enabled("DBNavigator1"));
    QCOMPARE(errors_, QStringList());
}

// Leaving a page that holds the focus moves the focus off it; that must not count as the user
// entering a search box (which would switch pages or widen the track list on its own).
void TestPages::tabChangeFromFocusedPageStaysOnClickedTab_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<QString>("focused");
    QTest::addColumn<QString>("target"); // a tab number, or a toolbar button that selects a page
    QTest::addColumn<int>("page");
    QTest::newRow("track grid to overview tab") << 3 << "DBGrid2"
                                                << "5" << 5;
    QTest::newRow("track grid to genres tab") << 3 << "DBGrid2"
                                              << "7" << 7;
    QTest::newRow("overview grid to tracks tab") << 5 << "DBGrid1"
                                                 << "3" << 3;
    QTest::newRow("overview grid, all-musicians command") << 5 << "DBGrid1"
                                                          << "c1" << 4;
}

void TestPages::tabChangeFromFocusedPageStaysOnClickedTab() {
    QFETCH(int, from);
    QFETCH(QString, focused);
    QFETCH(QString, target);
    QFETCH(int, page);
    userSelects(4); // enables the musician commands
    form_->selectPage(pages_->widget(from - 1));
    auto* widget = child<QWidget>(focused.toLatin1().constData());
    widget->setFocus(Qt::MouseFocusReason);
    QCOMPARE(QApplication::focusWidget(), widget);
    bool isTab = false;
    const int tab = target.toInt(&isTab);
    if (isTab)
        QTest::mouseClick(pages_->tabBar(), Qt::LeftButton, {},
                          pages_->tabBar()->tabRect(tab - 1).center());
    else
        click(target.toLatin1().constData());
    QCOMPARE(form_->activePageNumber(), page);
    QCOMPARE(child<TDBGrid>("DBGrid2")->columnWidth(0), 0); // the track box was not entered
    QCOMPARE(errors_, QStringList());
}

void TestPages::dialogsOpenModallyInFrontOfTheWindow_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("dialog");
    QTest::newRow("menu bar Info") << QString("Info1") << "TOrvena Orvena";
    QTest::newRow("hidden help menu Info") << QString("Information1") << "TOrvena Orvena";
    QTest::newRow("text colour") << QString("Tekst1") << "QColorDialog ";
    QTest::newRow("background colour") << QString("Felter1") << "QColorDialog ";
}

// Modal, and with the window as transient parent: no taskbar entry of their own and never
// behind the window.
void TestPages::dialogsOpenModallyInFrontOfTheWindow() {
    QFETCH(QString, action);
    QFETCH(QString, dialog);
    userSelects(4);
    QStringList seen; // class and name of the modal window met
    QTimer poll;      // closes the dialog once it runs modally
    poll.setInterval(10);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            seen << QLatin1String(modal->metaObject()->className()) + QLatin1Char(' ') +
                        modal->objectName();
            const QWindow* parent = modal->windowHandle()->transientParent();
            QTest::keyClick(modal, Qt::Key_Escape);
            QCOMPARE(parent, form_->windowHandle());
        }
    });
    poll.start();
    child<QAction>(action.toLatin1().constData())->trigger();
    poll.stop();
    QCOMPARE(seen, QStringList{dialog});
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    for (QWidget* w : QApplication::topLevelWidgets())
        QVERIFY2(!qobject_cast<QDialog*>(w), "the dialog outlives its showing");
    QCOMPARE(form_->activePageNumber(), 4);
    QVERIFY(musicianCommands(true));
    QCOMPARE(errors_, QStringList());
}

void TestPages::enteringFindShowsRegistration_data() {
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("commands");
    QTest::newRow("title page") << 1 << false;
    QTest::newRow("tracks page, which turned the navigator off") << 3 << false;
    QTest::newRow("musicians page: its commands stay enabled") << 4 << true;
}

void TestPages::enteringFindShowsRegistration() {
    QFETCH(int, from);
    QFETCH(bool, commands);
    userSelects(from);
    QSignalSpy pageChanges(form_.get(), &TForm1::userPageChange);
    enter("Find");
    QCOMPARE(form_->activePageNumber(), 2);
    QVERIFY(enabled("DBNavigator1"));
    QVERIFY(musicianCommands(commands));
    QCOMPARE(pageChanges.count(), 0); // a page selected from code
    QCOMPARE(errors_, QStringList());
}

void TestPages::typingAndNextButton_data() {
    QTest::addColumn<QString>("medium"); // a medium command first, or none
    QTest::addColumn<QString>("start");  // the current release before typing
    QTest::addColumn<QString>("typed");  // "<" deletes a character
    QTest::addColumn<int>("nextPresses");
    QTest::addColumn<QString>("current");
    QTest::newRow("nn finds Anna first") << ""
                                         << "Hanna"
                                         << "nn" << 0 << "Anna";
    QTest::newRow("next moves on to Hanna") << ""
                                            << "Hanna"
                                            << "nn" << 1 << "Hanna";
    QTest::newRow("next at the last match stays") << ""
                                                  << "Hanna"
                                                  << "nn" << 2 << "Hanna";
    QTest::newRow("no match keeps the last shorter match") << ""
                                                           << "Anna"
                                                           << "hannx" << 0 << "Hanna";
    QTest::newRow("case of a-z ignored") << ""
                                         << "Anna"
                                         << "BERT" << 0 << "Bertta";
    QTest::newRow("emptied box, next moves nothing") << ""
                                                     << "Anna"
                                                     << "ceci<<<<" << 1 << "Cecilia";
    QTest::newRow("LP selection hides a CD") << "b3"
                                             << "Hanna"
                                             << "bert" << 0 << "Hanna";
    QTest::newRow("LP selection: search starts at its first") << "b3"
                                                              << "Hanna"
                                                              << "a" << 0 << "Cecilia";
}

void TestPages::typingAndNextButton() {
    QFETCH(QString, medium);
    QFETCH(QString, start);
    QFETCH(QString, typed);
    QFETCH(int, nextPresses);
    QFETCH(QString, current);
    if (!medium.isEmpty())
        click(medium.toLatin1().constData());
    QVERIFY(form_->LydsamDataSet.locate("Kunstner", start.toStdString()));
    enter("Find");
    auto* find = child<QLineEdit>("Find");
    for (const QChar c : typed) {
        if (c == QLatin1Char('<'))
            QTest::keyClick(find, Qt::Key_Backspace);
        else
            QTest::keyClicks(find, QString(c));
    }
    for (int i = 0; i < nextPresses; ++i)
        click("SpeedButton1");
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), current);
    QCOMPARE(errors_, QStringList());
}

void TestPages::findSearchesTheSortField() {
    click("a3");
    enter("Find");
    QTest::keyClicks(child<QLineEdit>("Find"), "Hannan");
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), "Bertta"); // publisher "Hannan levyt"
    click("a1");
    QCOMPARE(child<QLineEdit>("Find")->text(), QString());
    // Back on artists: "Hanna" matches up to its fifth letter, no artist the whole text.
    QTest::keyClicks(child<QLineEdit>("Find"), "Hannan");
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), "Hanna");
    QCOMPARE(errors_, QStringList());
}

// In track-number order the second release's "Sama nimi" (number 1) comes before the first's.
void TestPages::trackSearchCoversEveryRelease() {
    QVERIFY(form_->LydsamDataSet.locate("Num", "1"));
    userSelects(3);
    auto* grid = child<TDBGrid>("DBGrid2");
    QCOMPARE(grid->columnWidth(0), 0);
    enter("Edit2");
    QCOMPARE(grid->columnWidth(0), 200);
    QVERIFY(!form_->NumreDataSet.filtered());
    QCOMPARE(form_->NumreDataSet.currentDisplayRow(), 0);
    QVERIFY(!enabled("DBNavigator4"));

    engine::Table& tracks = form_->NumreDataSet;
    QTest::keyClicks(child<QLineEdit>("Edit2"), "sama");
    QCOMPARE(text(tracks, "NrTitel"), "Sama nimi");
    QCOMPARE(tracks.asInteger("Num"), 2);
    click("SpeedButton2");
    QCOMPARE(tracks.asInteger("Num"), 1);
    click("SpeedButton2"); // none after it: stays
    QCOMPARE(tracks.asInteger("Num"), 1);
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), "Anna"); // the release stays
    QCOMPARE(errors_, QStringList());
}

void TestPages::tracksTabBringsTrackNavigatorBack() {
    QVERIFY(form_->LydsamDataSet.locate("Num", "2"));
    userSelects(3);
    enter("Edit2");
    QVERIFY(!enabled("DBNavigator4"));
    userSelects(5);
    userSelects(3);
    QVERIFY(enabled("DBNavigator4"));
    QCOMPARE(form_->NumreDataSet.recordCount(), 3);
    QCOMPARE(child<TDBGrid>("DBGrid2")->columnWidth(0), 200); // stays wide for the run
    QCOMPARE(errors_, QStringList());
}

QTEST_MAIN(TestPages)
#include "tst_pages.moc"
