// The print commands of the main window: which columns come first for each order, the filter
// switched off or kept, the musicians page and title, an empty selection, where the table is
// left, the menu and drop-down items, no printer, and a window without its layouts.
#include "collectionfiles.h"
#include "mainwindow/form1.h"

#include "dbaware/errorbox.h"
#include "report/messages.h"
#include "report/pagestore.h"
#include "report/printerfactory.h"
#include "report/replistform.h"
#include "report/replistform1.h"
#include "report/reppreview.h"
#include "report/units.h"
#include "store/collection.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QPrinter>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <functional>
#include <memory>

namespace {

struct Release {
    int num;
    const char *artist, *title, *media, *publisher, *regNr;
};
struct Musician {
    const char *track, *musician, *instrument;
};

// In insertion order; by artist: Anna, Bertta, Cecilia, Daavid, Hanna.
const Release kReleases[] = {
    {1, "Anna", "Aamu", "CD", "Sointu", "Z-1"},
    {2, "Hanna", "Ilta", "LP", "Levytalo", "L-9"},
    {3, "Bertta", "Yö", "CD", "Aallokko", "A-5"},
    {4, "Cecilia", "Päivä", "LP", "Sointu", "S-2"},
    {5, "Daavid", "Don't Stop", "MC", "Myrsky", "M-3"},
};
// By musician: Joni, Jonna, Jori, O'Connor, Pekka; by instrument: Alttoviulu (Joni), Basso
// (Jonna), Kitara (Jori), Piano (Pekka), Rummut (O'Connor).
const Musician kMusicians[] = {
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
            t.setText("Media", r.media);
            t.setText("Forlag", r.publisher);
            t.setText("RegNr", r.regNr);
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

// What one command showed in its preview.
struct Printed {
    QString form; // the layout previewed
    QString caption;
    int pages = 0;
    std::vector<report::TextOp> texts; // page 1, in drawing order
    bool finished = false;

    // The texts drawn at a left edge (tenths of a millimetre on the page): a column's heading
    // followed by its rows.
    QStringList column(int leftTenths) const {
        QStringList out;
        const double x = report::tenthsToPixels(leftTenths, report::kScreenDpi);
        for (const report::TextOp& t : texts)
            if (qAbs(t.origin.x() - x) < 1.0)
                out << t.text;
        return out;
    }
    QStringList all() const {
        QStringList out;
        for (const report::TextOp& t : texts)
            out << t.text;
        return out;
    }
};

// The first two columns' left edges on the page: margin plus the element's left.
constexpr int kReleaseColumn1 = 100 + 21, kReleaseColumn2 = 100 + 593;
constexpr int kMusicianColumn1 = 70 + 21, kMusicianColumn2 = 70 + 487;

} // namespace

class TestPrint : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void releaseColumnsFollowTheOrder_data();
    void releaseColumnsFollowTheOrder();
    void columnsChangeBackOnTheNextRun();
    void filterAfterCommand_data();
    void filterAfterCommand();
    void selectionPassingNothingGivesOnlyThePageNumber();
    void musiciansFollowTheOrder_data();
    void musiciansFollowTheOrder();
    void musiciansPageIsSelectedWithoutThePageChange();
    void tableIsLeftOnItsLastRecord_data();
    void tableIsLeftOnItsLastRecord();
    void menuAndDropDownItems_data();
    void menuAndDropDownItems();
    void noPrinterMeansPrintAndSetupDoNothing();
    void windowWithoutLayoutsReportsAnError();

private:
    void run(const QString& command) {
        auto* a = form_->findChild<QAction*>(command);
        QVERIFY2(a, qPrintable("no command " + command));
        a->trigger();
    }
    // Runs a command, waits for its preview to finish, reads page 1, runs `body` on the
    // window and closes it as the user would.
    Printed print(const QString& command, const std::function<void(TRepPreview*)>& body = {});
    QList<bool> selectionButtons() const {
        QList<bool> down;
        for (const char* name : {"b1", "b2", "b3", "b4", "b5", "b6", "b7"})
            down << form_->findChild<QToolButton*>(QString::fromLatin1(name))->isChecked();
        return down;
    }

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    std::unique_ptr<TRepListForm> releases_;
    std::unique_ptr<TRepListForm1> musicians_;
    QStringList errors_;
    QStringList messages_;
};

void TestPrint::init() {
    errors_.clear();
    messages_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dbaware::setMessageHandler([this](const QString& m) { messages_ << m; });
    report::setMessageHandler([this](const QString& m) { messages_ << m; });
    // Never a real printer or its dialog.
    report::setPrinterFactory([](const QString&) { return std::unique_ptr<QPrinter>(); });
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    writeCollection(dir_->path() + QLatin1Char('/'));
    form_ = std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'),
                                     dir_->filePath(QStringLiteral("levyholvi.INI")));
    releases_ = std::make_unique<TRepListForm>(&form_->LydsamDataSet);
    musicians_ = std::make_unique<TRepListForm1>(&form_->MusikerDataSet);
    form_->setReportLayouts(releases_.get(), musicians_.get());
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    form_->MusikerDataSet.setFiltered(false);
}

void TestPrint::cleanup() {
    musicians_.reset();
    releases_.reset();
    form_.reset();
    dir_.reset();
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setMessageHandler(nullptr);
    report::setMessageHandler(nullptr);
    report::setPrinterFactory(nullptr);
}

Printed TestPrint::print(const QString& command, const std::function<void(TRepPreview*)>& body) {
    Printed out;
    QPointer<TRepPreview> window;
    const auto opened = [&](const QString& form) {
        return [&, form](TRepPreview* w) {
            window = w;
            out.form = form;
        };
    };
    const auto c1 = connect(releases_.get(), &TReport::previewOpened, this, opened("RepListForm"));
    const auto c2 =
        connect(musicians_.get(), &TReport::previewOpened, this, opened("RepListForm1"));
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(2);
    connect(&poll, &QTimer::timeout, this, [&] {
        if (!window)
            return;
        const bool done = window->findChild<QToolButton*>("Save")->isEnabled();
        if (!done && clock.elapsed() < 30000)
            return;
        poll.stop();
        out.finished = done;
        out.caption = window->windowTitle();
        out.pages = window->pageCount();
        const report::PagePicture page = window->pages()->picture(1);
        for (const report::PageOp& op : page.ops)
            if (const auto* t = std::get_if<report::TextOp>(&op))
                out.texts.push_back(*t);
        if (body)
            body(window);
        if (window)
            window->close();
    });
    poll.start();
    run(command);
    disconnect(c1);
    disconnect(c2);
    return out;
}

void TestPrint::releaseColumnsFollowTheOrder_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("field1");
    QTest::addColumn<QStringList>("column1"); // heading, then the rows
    QTest::addColumn<QStringList>("column2");
    const QString all = "Alleregistreringer1", selection = "Selekterederegistreringer1";
    const QString artist = "Taiteilija", title = "Kappaleen nimi";
    QTest::newRow("all, by artist: artist first")
        << all << "Kunstner"
        << "Kunstner" << QStringList{artist, "Anna", "Bertta", "Cecilia", "Daavid", "Hanna"}
        << QStringList{title, "Aamu", "Yö", "Päivä", "Don't Stop", "Ilta"};
    QTest::newRow("all, by title: title first")
        << all << "Titel"
        << "Titel" << QStringList{title, "Aamu", "Don't Stop", "Ilta", "Päivä", "Yö"}
        << QStringList{artist, "Anna", "Daavid", "Hanna", "Cecilia", "Bertta"};
    QTest::newRow("all, by publisher: title first")
        << all << "Forlag"
        << "Titel" << QStringList{title, "Yö", "Ilta", "Don't Stop", "Aamu", "Päivä"}
        << QStringList{artist, "Bertta", "Hanna", "Daavid", "Anna", "Cecilia"};
    QTest::newRow("all, by catalogue number: title first")
        << all << "RegNr"
        << "Titel" << QStringList{title, "Yö", "Ilta", "Don't Stop", "Päivä", "Aamu"}
        << QStringList{artist, "Bertta", "Hanna", "Daavid", "Cecilia", "Anna"};
    QTest::newRow("all, by medium: title first")
        << all << "Media"
        << "Titel" << QStringList{title, "Aamu", "Yö", "Päivä", "Ilta", "Don't Stop"}
        << QStringList{artist, "Anna", "Bertta", "Cecilia", "Hanna", "Daavid"};
    QTest::newRow("all, no index (insertion order): title first")
        << all << ""
        << "Titel" << QStringList{title, "Aamu", "Ilta", "Yö", "Päivä", "Don't Stop"}
        << QStringList{artist, "Anna", "Hanna", "Bertta", "Cecilia", "Daavid"};
    QTest::newRow("selection, by artist: artist first")
        << selection << "Kunstner"
        << "Kunstner" << QStringList{artist, "Anna", "Bertta", "Cecilia", "Daavid", "Hanna"}
        << QStringList{title, "Aamu", "Yö", "Päivä", "Don't Stop", "Ilta"};
    QTest::newRow("selection, by title: title first")
        << selection << "Titel"
        << "Titel" << QStringList{title, "Aamu", "Don't Stop", "Ilta", "Päivä", "Yö"}
        << QStringList{artist, "Anna", "Daavid", "Hanna", "Cecilia", "Bertta"};
}

void TestPrint::releaseColumnsFollowTheOrder() {
    QFETCH(QString, command);
    QFETCH(QString, index);
    QFETCH(QString, field1);
    QFETCH(QStringList, column1);
    QFETCH(QStringList, column2);
    form_->LydsamDataSet.setActiveIndex(index.toStdString());
    const Printed p = print(command);
    QVERIFY(p.finished);
    QCOMPARE(p.form, "RepListForm");
    QCOMPARE(p.caption, "Levyholvi");
    QCOMPARE(p.pages, 1);
    QCOMPARE(p.all().front(), "Levyholvi");
    QCOMPARE(p.column(kReleaseColumn1), column1);
    QCOMPARE(p.column(kReleaseColumn2), column2);
    // The layout keeps what the command set.
    const QString field2 = field1 == "Kunstner" ? QString("Titel") : QString("Kunstner");
    QCOMPARE(releases_->element<TRepLabel>("RepLabel1").Caption, column1.front());
    QCOMPARE(releases_->element<TRepLabel>("RepLabel2").Caption, column2.front());
    QCOMPARE(releases_->element<TRepDBText>("RepDBText1").DataField, field1);
    QCOMPARE(releases_->element<TRepDBText>("RepDBText2").DataField, field2);
    QVERIFY(errors_.isEmpty());
}

void TestPrint::columnsChangeBackOnTheNextRun() {
    const QString all = "Alleregistreringer1";
    QStringList firstColumns;
    for (const char* index : {"Kunstner", "Titel", "Kunstner", "Titel", "Titel", "Kunstner"}) {
        form_->LydsamDataSet.setActiveIndex(index);
        firstColumns << print(all).column(kReleaseColumn1).front();
    }
    const QString a = "Taiteilija", t = "Kappaleen nimi";
    QCOMPARE(firstColumns, (QStringList{a, t, a, t, t, a}));
}

void TestPrint::filterAfterCommand_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("filtered");
    QTest::addColumn<QStringList>("artists");
    const QStringList everyone{"Taiteilija", "Anna", "Bertta", "Cecilia", "Daavid", "Hanna"};
    QTest::newRow("Kaikki rekisteröinnit switches the CD selection off")
        << "Alleregistreringer1" << false << everyone;
    QTest::newRow("Valitut (Yleiskatsaus) keeps the CD selection")
        << "Selekterederegistreringer1" << true << QStringList{"Taiteilija", "Anna", "Bertta"};
}

void TestPrint::filterAfterCommand() {
    QFETCH(QString, command);
    QFETCH(bool, filtered);
    QFETCH(QStringList, artists);
    engine::Table& t = form_->LydsamDataSet;
    t.setFilter("Media = 'CD'");
    t.setFiltered(true);
    form_->findChild<QToolButton*>("b1")->setChecked(true);
    const QList<bool> buttons = selectionButtons();
    QCOMPARE(t.recordCount(), 2);
    const Printed p = print(command);
    QVERIFY(p.finished);
    QCOMPARE(p.column(kReleaseColumn1), artists);
    QCOMPARE(t.filtered(), filtered);
    QCOMPARE(t.filter(), std::string("Media = 'CD'")); // kept for the next selection
    QCOMPARE(t.recordCount(), filtered ? 2 : 5);       // what the window shows afterwards
    QCOMPARE(selectionButtons(), buttons);
}

void TestPrint::selectionPassingNothingGivesOnlyThePageNumber() {
    engine::Table& t = form_->LydsamDataSet;
    t.setFilter("Media = '78'");
    t.setFiltered(true);
    QVERIFY(t.isEmpty());
    const Printed p = print("Selekterederegistreringer1");
    QVERIFY(p.finished);
    QCOMPARE(p.pages, 1);
    QCOMPARE(p.all(), QStringList{"1"});
    QVERIFY(t.filtered());
    QVERIFY(errors_.isEmpty());
}

void TestPrint::musiciansFollowTheOrder_data() {
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("field1");
    QTest::addColumn<QStringList>("column1");
    QTest::addColumn<QStringList>("column2");
    QTest::newRow("by musician: Muusikot, musician first")
        << "Musiker"
        << "Muusikot"
        << "Musiker" << QStringList{"Muusikot", "Joni", "Jonna", "Jori", "O'Connor", "Pekka"}
        << QStringList{"Soitin", "Alttoviulu", "Basso", "Kitara", "Rummut", "Piano"};
    QTest::newRow("by instrument: Soitin, instrument first")
        << "Instrument"
        << "Soitin"
        << "Instrument" << QStringList{"Soitin", "Alttoviulu", "Basso", "Kitara", "Piano", "Rummut"}
        << QStringList{"Muusikot", "Joni", "Jonna", "Jori", "Pekka", "O'Connor"};
    QTest::newRow("no index (insertion order): Soitin, instrument first")
        << ""
        << "Soitin"
        << "Instrument" << QStringList{"Soitin", "Kitara", "Basso", "Rummut", "Piano", "Alttoviulu"}
        << QStringList{"Muusikot", "Jori", "Jonna", "O'Connor", "Pekka", "Joni"};
}

void TestPrint::musiciansFollowTheOrder() {
    QFETCH(QString, index);
    QFETCH(QString, title);
    QFETCH(QString, field1);
    QFETCH(QStringList, column1);
    QFETCH(QStringList, column2);
    form_->MusikerDataSet.setActiveIndex(index.toStdString());
    const Printed p = print("UdvalgtepMusikerefanebladet1");
    QVERIFY(p.finished);
    QCOMPARE(p.form, "RepListForm1");
    QCOMPARE(p.caption, title);
    QCOMPARE(p.all().front(), title); // the report title on the page
    QCOMPARE(p.column(kMusicianColumn1), column1);
    QCOMPARE(p.column(kMusicianColumn2), column2);
    QCOMPARE(musicians_->ReportTitle, title);
    QCOMPARE(musicians_->element<TRepDBText>("RepDBText1").DataField, field1);
    QCOMPARE(musicians_->element<TRepDBText>("RepDBText2").DataField,
             field1 == "Musiker" ? QString("Instrument") : QString("Musiker"));
}

void TestPrint::musiciansPageIsSelectedWithoutThePageChange() {
    engine::Table& m = form_->MusikerDataSet;
    m.setActiveIndex("Musiker");
    m.setFilter("Instrument = 'Piano'");
    m.setFiltered(true);
    QVERIFY(form_->activePageNumber() != 4);
    QSignalSpy pageChanges(form_.get(), &TForm1::userPageChange);
    int pageWhilePreviewing = 0;
    const Printed p = print("UdvalgtepMusikerefanebladet1",
                            [&](TRepPreview*) { pageWhilePreviewing = form_->activePageNumber(); });
    QCOMPARE(pageWhilePreviewing, 4);
    QCOMPARE(form_->activePageNumber(), 4);
    QCOMPARE(pageChanges.count(), 0);
    // The page change would have put the current track's musicians in place of this.
    QVERIFY(m.filtered());
    QCOMPARE(m.filter(), std::string("Instrument = 'Piano'"));
    QCOMPARE(p.column(kMusicianColumn1), (QStringList{"Muusikot", "Pekka"}));
}

void TestPrint::tableIsLeftOnItsLastRecord_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("index");
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("last");
    QTest::newRow("all releases by artist ends on Hanna") << "Alleregistreringer1"
                                                          << "Media = 'CD'"
                                                          << "Kunstner"
                                                          << "Kunstner"
                                                          << "Hanna";
    QTest::newRow("CD selection by title ends on Yö") << "Selekterederegistreringer1"
                                                      << "Media = 'CD'"
                                                      << "Titel"
                                                      << "Titel"
                                                      << "Yö";
    QTest::newRow("musicians by instrument end on Rummut") << "UdvalgtepMusikerefanebladet1"
                                                           << ""
                                                           << "Instrument"
                                                           << "Instrument"
                                                           << "Rummut";
}

void TestPrint::tableIsLeftOnItsLastRecord() {
    QFETCH(QString, command);
    QFETCH(QString, filter);
    QFETCH(QString, index);
    QFETCH(QString, field);
    QFETCH(QString, last);
    const bool musicians = command.startsWith("Udvalgte");
    engine::Table& t = musicians ? form_->MusikerDataSet : form_->LydsamDataSet;
    if (!filter.isEmpty()) {
        t.setFilter(filter.toStdString());
        t.setFiltered(true);
    }
    t.setActiveIndex(index.toStdString());
    t.first();
    QVERIFY(print(command).finished);
    QCOMPARE(text(t, field.toLatin1().constData()), last);
    QVERIFY(t.eof());
}

void TestPrint::menuAndDropDownItems_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("form");
    QTest::addColumn<bool>("filterOff");
    QTest::newRow("menu Kaikki rekisteröinnit") << "Alleregistreringer1"
                                                << "RepListForm" << true;
    QTest::newRow("menu Valitut (Yleiskatsaus-välilehti)") << "Selekterederegistreringer1"
                                                           << "RepListForm" << false;
    QTest::newRow("menu Valitut (Muusikot-välilehti)") << "UdvalgtepMusikerefanebladet1"
                                                       << "RepListForm1" << false;
    QTest::newRow("drop-down Udskriv alle registreringer") << "Udskrivalleregistreringer1"
                                                           << "RepListForm" << true;
    QTest::newRow("drop-down Udskriv udvalgte (Oversigt fanebladet)") << "UdskrivOversigt1"
                                                                      << "RepListForm" << false;
    QTest::newRow("drop-down Udskriv udvalgte (Musiker fanebladet)") << "UdskrivMusiker1"
                                                                     << "RepListForm1" << false;
}

void TestPrint::menuAndDropDownItems() {
    QFETCH(QString, command);
    QFETCH(QString, form);
    QFETCH(bool, filterOff);
    form_->LydsamDataSet.setFilter("Media = 'LP'");
    form_->LydsamDataSet.setFiltered(true);
    const Printed p = print(command);
    QVERIFY(p.finished);
    QCOMPARE(p.form, form);
    QCOMPARE(form_->LydsamDataSet.filtered(), !filterOff);
    QCOMPARE(form_->activePageNumber() == 4, form == "RepListForm1");
}

void TestPrint::noPrinterMeansPrintAndSetupDoNothing() {
    QTimer watch;
    QStringList dialogs;
    connect(&watch, &QTimer::timeout, this, [&] {
        if (QWidget* m = QApplication::activeModalWidget()) {
            dialogs << m->objectName();
            m->close();
        }
    });
    watch.start(5);
    const Printed p = print("Alleregistreringer1", [](TRepPreview* w) {
        w->findChild<QToolButton*>("Print")->click();
        w->findChild<QToolButton*>("PrintSetup")->click();
        QTest::qWait(20);
    });
    QVERIFY(p.finished);
    QCOMPARE(p.pages, 1);
    QCOMPARE(dialogs, QStringList{});
    QCOMPARE(errors_, QStringList{});
    QVERIFY(!releases_->generating());
}

void TestPrint::windowWithoutLayoutsReportsAnError() {
    form_->setReportLayouts(nullptr, nullptr);
    engine::Table& t = form_->LydsamDataSet;
    t.setFilter("Media = 'CD'");
    t.setFiltered(true);
    const int page = form_->activePageNumber();
    for (const char* command :
         {"Alleregistreringer1", "Selekterederegistreringer1", "UdvalgtepMusikerefanebladet1"})
        run(QString::fromLatin1(command));
    QCOMPARE(errors_.size(), 3);
    QVERIFY(t.filtered()); // stopped before changing anything
    QCOMPARE(form_->activePageNumber(), page);
}

QTEST_MAIN(TestPrint)
#include "tst_print.moc"
