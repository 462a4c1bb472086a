// Sorting and selection: the sort, medium, genre and musician commands of the main window.
#include "collectionfiles.h"
#include "mainwindow/form1.h"

#include "dbaware/dbgrid.h"
#include "dbaware/errorbox.h"
#include "locate/reclocate.h"
#include "store/collection.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct Release {
    int num;
    const char *artist, *title, *genre, *media, *publisher, *regNr;
};
struct Musician {
    const char *track, *musician, *instrument;
};

// Sorted by artist: Anna, Bertta, Cecilia, Daavid, Hanna.
const QList<Release> kReleases = {
    {1, "Anna", "Aamu", "Jazz", "CD", "Sointu", "Z-1"},
    {2, "Hanna", "Ilta", "Rock", "LP", "Levytalo", "L-9"},
    {3, "Bertta", "Yö", "Rock", "CD", "Aallokko", "A-5"},
    {4, "Cecilia", "Päivä", "Rock'n'Roll", "LP", "Sointu", "S-2"},
    {5, "Daavid", "Don't Stop", "Pop", "MC", "Myrsky", "M-3"},
};
const QList<Musician> kMusicians = {
    {"Kappale A", "Jori", "Kitara"},     {"Kappale A", "Jonna", "Basso"},
    {"Kappale B", "O'Connor", "Rummut"}, {"Kappale B", "Pekka", "Piano"},
    {"Kappale C", "Joni", "Alttoviulu"},
};

void writeCollection(const QString& folder) {
    writeTable(folder, "Lydsam", [](engine::Table& t) {
        for (const Release& r : kReleases) {
            t.append();
            t.setInteger("Num", r.num);
            t.setText("Kunstner", r.artist);
            t.setText("Titel", r.title);
            t.setText("Genre", r.genre);
            t.setText("Media", r.media);
            t.setText("Forlag", r.publisher);
            t.setText("RegNr", r.regNr);
            t.post();
        }
    });
    writeTable(folder, "Genre", [](engine::Table& t) {
        for (const char* genre : {"Jazz", "Pop", "Rock", "Rock'n'Roll"}) {
            t.append();
            t.setText("Genre", genre);
            t.post();
        }
    });
    writeTable(folder, "Numre", [](engine::Table& t) {
        t.append();
        t.setInteger("Num", 1);
        t.setInteger("Nummer", 1);
        t.setText("NrTitel", "Kappale A");
        t.post();
    });
    writeTable(folder, "Musiker", [](engine::Table& t) {
        for (const Musician& m : kMusicians) {
            t.append();
            t.setText("NrTitel", m.track);
            t.setText("Musiker", m.musician);
            t.setText("Instrument", m.instrument);
            t.post();
        }
    });
}

} // namespace

class TestSorting : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void sortCommands_data();
    void sortCommands();
    void sortKeepsCurrentReleaseAndEmptiesFind();
    void mediumCommands_data();
    void mediumCommands();
    void allMediaShowsAllAndFirstAgain();
    void genrePick_data();
    void genrePick();
    void deleteGenreFollowsCurrentRelease();
    void musicianCommands_data();
    void musicianCommands();
    void emptyMusicianBoxRefuses_data();
    void emptyMusicianBoxRefuses();
    void musiciansTabNarrowsAgainAfterMusicianCommand();

private:
    template <typename T> T* child(const QString& name) const {
        T* w = form_->findChild<T*>(name);
        if (!w)
            qWarning("no child %s", qPrintable(name));
        return w;
    }
    // A toolbar button by its name, or a menu item.
    void run(const QString& command) {
        if (auto* b = form_->findChild<QToolButton*>(command))
            b->click();
        else if (auto* a = form_->findChild<QAction*>(command))
            a->trigger();
        else
            QFAIL(qPrintable("no command " + command));
    }
    QString downButtons(const QStringList& group) const {
        QStringList down;
        for (const QString& name : group)
            if (child<QToolButton>(name)->isChecked())
                down << name;
        return down.join(QLatin1Char(','));
    }
    void userSelects(int page) {
        QTabBar* tabs = child<QTabWidget>("PageControl1")->tabBar();
        tabs->setFocus(); // see tst_pages: a focused page moves the focus when it is left
        QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(page - 1).center());
        QCOMPARE(form_->activePageNumber(), page);
    }
    void pickGenre(const QString& genre) {
        auto* combo = child<QComboBox>("DBLookupComboBox2");
        const int i = combo->findText(genre);
        QVERIFY(i >= 0);
        combo->setCurrentIndex(i);
        emit combo->activated(i);
    }

    const QStringList sortButtons_{"a1", "a2", "a3", "a4"};
    const QStringList mediumButtons_{"b1", "b2", "b3", "b4", "b5", "b6", "b7"};
    const QStringList musicianButtons_{"c1", "c2", "c3"};
    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QStringList errors_;
    QStringList messages_;
};

void TestSorting::init() {
    errors_.clear();
    messages_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dbaware::setMessageHandler([this](const QString& m) { messages_ << m; });
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    writeCollection(dir_->path() + QLatin1Char('/'));
    form_ = std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'),
                                     dir_->filePath(QStringLiteral("levyholvi.INI")));
    form_->show();
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
}

void TestSorting::cleanup() {
    form_.reset();
    dir_.reset();
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setMessageHandler(nullptr);
}

void TestSorting::sortCommands_data() {
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("down");
    QTest::addColumn<QString>("field"); // index and search field
    QTest::addColumn<QString>("label");
    QTest::addColumn<QStringList>("listTitles");
    QTest::addColumn<QStringList>("artists");
    const QStringList artistFirst{"Taiteilija", "Kappaleen nimi"};
    const QStringList titleFirst{"Kappaleen nimi", "Taiteilija"};
    const QStringList byArtist{"Anna", "Bertta", "Cecilia", "Daavid", "Hanna"};
    const QStringList byTitle{"Anna", "Daavid", "Hanna", "Cecilia", "Bertta"};
    const QStringList byPublisher{"Bertta", "Hanna", "Daavid", "Anna", "Cecilia"};
    const QStringList byRegNr{"Bertta", "Hanna", "Daavid", "Cecilia", "Anna"};
    QTest::newRow("title from the start puts the title first")
        << QStringList{"a2"} << "a2"
        << "Titel"
        << "Find titel" << titleFirst << byTitle;
    QTest::newRow("title then artist puts the artist first again")
        << QStringList{"a2", "a1"} << "a1"
        << "Kunstner"
        << "Etsi taiteilija" << artistFirst << byArtist;
    QTest::newRow("artist from the start swaps as well")
        << QStringList{"a1"} << "a1"
        << "Kunstner"
        << "Etsi taiteilija" << titleFirst << byArtist;
    QTest::newRow("artist twice swaps back") << QStringList{"a1", "a1"} << "a1"
                                             << "Kunstner"
                                             << "Etsi taiteilija" << artistFirst << byArtist;
    QTest::newRow("publisher leaves the list columns")
        << QStringList{"a3"} << "a3"
        << "Forlag"
        << "Etsi kustannusyhtiö" << artistFirst << byPublisher;
    QTest::newRow("catalogue number leaves the list columns")
        << QStringList{"a4"} << "a4"
        << "RegNr"
        << "Etsi rekisterinro" << artistFirst << byRegNr;
    QTest::newRow("title then publisher keeps the title first")
        << QStringList{"a2", "a3"} << "a3"
        << "Forlag"
        << "Etsi kustannusyhtiö" << titleFirst << byPublisher;
    QTest::newRow("menu items run the same commands")
        << QStringList{"Titel1", "Regnr1"} << "a4"
        << "RegNr"
        << "Etsi rekisterinro" << titleFirst << byRegNr;
}

void TestSorting::sortCommands() {
    QFETCH(QStringList, commands);
    QFETCH(QString, down);
    QFETCH(QString, field);
    QFETCH(QString, label);
    QFETCH(QStringList, listTitles);
    QFETCH(QStringList, artists);
    QCOMPARE(downButtons(sortButtons_), "a1");
    for (const QString& c : commands)
        run(c);
    QCOMPARE(downButtons(sortButtons_), down);
    QCOMPARE(QString::fromStdString(form_->LydsamDataSet.activeIndex()), field);
    QCOMPARE(form_->RecLocate1->DataField, field);
    QCOMPARE(child<QLabel>("Label17")->text(), label);
    const QList<TColumn> columns = child<TDBGrid>("DBGrid4")->columns();
    QCOMPARE((QStringList{columns.value(0).title, columns.value(1).title}), listTitles);
    QCOMPARE(shown(form_->LydsamDataSet, "Kunstner"), artists);
    QCOMPARE(downButtons(mediumButtons_), "b7"); // another group
    QCOMPARE(errors_, QStringList());
}

void TestSorting::sortKeepsCurrentReleaseAndEmptiesFind() {
    auto* find = child<QLineEdit>("Find");
    find->setText("Dav"); // "Daavid" does not contain it: nothing moves
    find->setText("Cec");
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), "Cecilia");
    for (const char* sort : {"a2", "a3", "a4", "a1"}) {
        run(QLatin1String(sort));
        QCOMPARE(find->text(), QString());
        QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), "Cecilia");
    }
    QCOMPARE(errors_, QStringList());
}

void TestSorting::mediumCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("down");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QStringList>("artists");
    QTest::newRow("CD") << "b1"
                        << "b1"
                        << "Media = 'CD'" << QStringList{"Anna", "Bertta"};
    QTest::newRow("MiniDisc: none") << "b2"
                                    << "b2"
                                    << "Media = 'MD'" << QStringList{};
    QTest::newRow("LP") << "b3"
                        << "b3"
                        << "Media = 'LP'" << QStringList{"Cecilia", "Hanna"};
    QTest::newRow("cassette") << "b4"
                              << "b4"
                              << "Media = 'MC'" << QStringList{"Daavid"};
    QTest::newRow("single: none") << "b5"
                                  << "b5"
                                  << "Media = 'SG'" << QStringList{};
    QTest::newRow("78: none") << "b6"
                              << "b6"
                              << "Media = '78'" << QStringList{};
    QTest::newRow("menu item LP") << "LP1"
                                  << "b3"
                                  << "Media = 'LP'" << QStringList{"Cecilia", "Hanna"};
}

void TestSorting::mediumCommands() {
    QFETCH(QString, command);
    QFETCH(QString, down);
    QFETCH(QString, filter);
    QFETCH(QStringList, artists);
    QVERIFY(form_->LydsamDataSet.locate("Kunstner", "Hanna"));
    run(command);
    QCOMPARE(downButtons(mediumButtons_), down);
    QCOMPARE(QString::fromStdString(form_->LydsamDataSet.filter()), filter);
    QVERIFY(form_->LydsamDataSet.filtered());
    QCOMPARE(shown(form_->LydsamDataSet, "Kunstner"), artists);
    // The first of the selection becomes current, whatever was current before.
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), artists.value(0));
    QCOMPARE(downButtons(sortButtons_), "a1");
    QCOMPARE(errors_, QStringList());
}

void TestSorting::allMediaShowsAllAndFirstAgain() {
    engine::Table& releases = form_->LydsamDataSet;
    run("b3");
    QVERIFY(releases.locate("Kunstner", "Hanna"));
    run("b7");
    QCOMPARE(downButtons(mediumButtons_), "b7");
    QCOMPARE(shown(releases, "Kunstner").size(), 5);
    QCOMPARE(text(releases, "Kunstner"), "Anna");
    QCOMPARE(releases.filter(), "Media = 'LP'"); // switched off, not cleared
    // Already down: still the first release again.
    QVERIFY(releases.locate("Kunstner", "Daavid"));
    run("b7");
    QCOMPARE(text(releases, "Kunstner"), "Anna");
    run("b3");
    QCOMPARE(shown(releases, "Kunstner"), (QStringList{"Cecilia", "Hanna"}));
    QCOMPARE(errors_, QStringList());
}

void TestSorting::genrePick_data() {
    QTest::addColumn<QString>("medium");
    QTest::addColumn<QString>("genre");
    QTest::addColumn<QStringList>("artists");
    QTest::newRow("genre of every medium, CD button stays down")
        << "b1"
        << "Rock" << QStringList{"Bertta", "Hanna"};
    QTest::newRow("genre with a quote") << "b7"
                                        << "Rock'n'Roll" << QStringList{"Cecilia"};
    QTest::newRow("genre after a cassette selection") << "b4"
                                                      << "Jazz" << QStringList{"Anna"};
}

void TestSorting::genrePick() {
    QFETCH(QString, medium);
    QFETCH(QString, genre);
    QFETCH(QStringList, artists);
    run(medium);
    pickGenre(genre);
    QCOMPARE(shown(form_->LydsamDataSet, "Kunstner"), artists);
    QCOMPARE(text(form_->LydsamDataSet, "Kunstner"), artists.value(0));
    QCOMPARE(downButtons(mediumButtons_), medium);
    QCOMPARE(errors_, QStringList());
}

// After the pick, the genre lookup of the registration page follows the current release, so
// "Poista" deletes that release's genre.
void TestSorting::deleteGenreFollowsCurrentRelease() {
    pickGenre("Rock");
    run("b7"); // Anna, genre Jazz, is current
    run("SpeedButton11");
    QCOMPARE(shown(form_->GenreDataSet, "Genre"), (QStringList{"Pop", "Rock", "Rock'n'Roll"}));
    // The releases and their filter are as they were.
    QCOMPARE(text(form_->LydsamDataSet, "Genre"), "Jazz");
    QCOMPARE(form_->LydsamDataSet.filter(), "Genre = 'Rock'");
    // Right after a pick it is the picked genre.
    pickGenre("Pop");
    run("SpeedButton11");
    QCOMPARE(shown(form_->GenreDataSet, "Genre"), (QStringList{"Rock", "Rock'n'Roll"}));
    QCOMPARE(errors_, QStringList());
}

void TestSorting::musicianCommands_data() {
    QTest::addColumn<QStringList>("commands");
    QTest::addColumn<QString>("edit1");
    QTest::addColumn<QString>("down");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QStringList>("musicians");
    QTest::newRow("musician prefix with a star")
        << QStringList{"c2"} << "Jo*"
        << "c2"
        << "Musiker" << QStringList{"Joni", "Jonna", "Jori"};
    QTest::newRow("musician with a quote") << QStringList{"c2"} << "O'Connor"
                                           << "c2"
                                           << "Musiker" << QStringList{"O'Connor"};
    QTest::newRow("text of blanks selects") << QStringList{"c2"} << " "
                                            << "c2"
                                            << "Musiker" << QStringList{};
    QTest::newRow("instrument") << QStringList{"c3"} << "Kitara"
                                << "c3"
                                << "Instrument" << QStringList{"Jori"};
    QTest::newRow("all after instrument: by instrument")
        << QStringList{"c3", "c1"} << "Kitara"
        << "c1"
        << "Instrument" << QStringList{"Joni", "Jonna", "Jori", "Pekka", "O'Connor"};
    QTest::newRow("all after musician: by musician")
        << QStringList{"c3", "c2", "c1"} << "Kitara"
        << "c1"
        << "Musiker" << QStringList{"Joni", "Jonna", "Jori", "O'Connor", "Pekka"};
}

void TestSorting::musicianCommands() {
    QFETCH(QStringList, commands);
    QFETCH(QString, edit1);
    QFETCH(QString, down);
    QFETCH(QString, index);
    QFETCH(QStringList, musicians);
    userSelects(4); // enables the commands
    child<QLineEdit>("Edit1")->setText(edit1);
    form_->selectPage(child<QTabWidget>("PageControl1")->widget(1));
    for (const QString& c : commands)
        run(c);
    QCOMPARE(form_->activePageNumber(), 4);
    QCOMPARE(downButtons(musicianButtons_), down);
    QCOMPARE(QString::fromStdString(form_->MusikerDataSet.activeIndex()), index);
    QCOMPARE(shown(form_->MusikerDataSet, "Musiker"), musicians);
    QCOMPARE(messages_, QStringList());
    QCOMPARE(errors_, QStringList());
}

void TestSorting::emptyMusicianBoxRefuses_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("pageShown");
    QTest::addColumn<QString>("message");
    const QString noMusician = "Muusikkoa ei ole merkitty tietokantaan!";
    const QString noInstrument = "Soitinta ei ole merkitty tietokantaan!";
    QTest::newRow("musician, page shown") << "c2" << true << noMusician;
    QTest::newRow("instrument, page shown") << "c3" << true << noInstrument;
    QTest::newRow("musician, page hidden") << "c2" << false << noMusician;
    QTest::newRow("instrument, page hidden") << "c3" << false << noInstrument;
}

void TestSorting::emptyMusicianBoxRefuses() {
    QFETCH(QString, command);
    QFETCH(bool, pageShown);
    QFETCH(QString, message);
    userSelects(4);
    auto* edit1 = child<QLineEdit>("Edit1");
    edit1->setText("Kitara");
    run("c3");
    edit1->clear();
    if (!pageShown) {
        // Through the search box, which leaves the commands enabled.
        child<QLineEdit>("Find")->setFocus(Qt::MouseFocusReason);
        QCOMPARE(form_->activePageNumber(), 2);
    }
    QWidget* focusBefore = QApplication::focusWidget();
    const int page = form_->activePageNumber();
    const std::string filter = form_->MusikerDataSet.filter();

    run(command);

    QCOMPARE(messages_, QStringList{message});
    QCOMPARE(form_->activePageNumber(), page);
    QCOMPARE(downButtons(musicianButtons_), "c3");
    QCOMPARE(form_->MusikerDataSet.activeIndex(), "Instrument");
    QCOMPARE(form_->MusikerDataSet.filter(), filter);
    QVERIFY(form_->MusikerDataSet.filtered());
    QCOMPARE(QApplication::focusWidget(), pageShown ? edit1 : focusBefore);
    QCOMPARE(errors_, QStringList());
}

void TestSorting::musiciansTabNarrowsAgainAfterMusicianCommand() {
    userSelects(4);
    child<QLineEdit>("Edit1")->setText("Jo*");
    run("c2");
    QCOMPARE(shown(form_->MusikerDataSet, "Musiker"), (QStringList{"Joni", "Jonna", "Jori"}));
    userSelects(5);
    userSelects(4);
    // The current track is "Kappale A".
    QCOMPARE(shown(form_->MusikerDataSet, "Musiker"), (QStringList{"Jonna", "Jori"}));
    QCOMPARE(downButtons(musicianButtons_), "c2");
    QCOMPARE(errors_, QStringList());
}

QTEST_MAIN(TestSorting)
#include "tst_sorting.moc"
