// Start-up and shutdown of the whole window on a temporary data folder.
#include "../iofaults.h"
#include "collectionfiles.h"
#include "dbaware/controlcolors.h"
#include "dbaware/dbedit.h"
#include "dbaware/dbgrid.h"
#include "dbaware/dbnavigator.h"
#include "dbaware/errorbox.h"
#include "mainwindow/form1.h"
#include "mainwindow/sessionend.h"
#include "platform/inifile.h"
#include "platform/terminationsignals.h"
#include "report/replistform.h"
#include "report/replistform1.h"
#include "report/reppreview.h"
#include "store/collection.h"
#include "store/collectionfiles.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>

#include <unistd.h>

namespace {

QColor colourOf(int value) {
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

int rowsIn(const QString& path) {
    if (!QFile::exists(path))
        return 0;
    engine::Table t;
    t.load(path.toStdString());
    return t.recordCount();
}

// A temporary file as an interrupted save leaves it, from an hour ago.
void leaveInterruptedSave(const QString& path) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("osittain");
    QVERIFY(f.flush());
    QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-3600),
                          QFileDevice::FileModificationTime));
}

// Standard error goes to a temporary file while one lives.
class StandardError {
public:
    StandardError() {
        std::fflush(stderr);
        file_.open();
        saved_ = ::dup(2);
        ::dup2(file_.handle(), 2);
    }
    ~StandardError() {
        std::fflush(stderr);
        ::dup2(saved_, 2);
        ::close(saved_);
    }
    QString text() {
        std::fflush(stderr);
        return QString::fromUtf8(contents(file_.fileName()));
    }

private:
    QTemporaryFile file_;
    int saved_ = -1;
};

} // namespace

class TestStartup : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstStartWithoutFiles();
    void closeWritesOnlyChangedTablesAndTheSettings();
    void restartRestoresPageReleaseAndColours();
    void storedPage_data();
    void storedPage();
    void hexadecimalSettings_data();
    void hexadecimalSettings();
    void unwritableFolderKeepsWindowAndChanges();
    void unpostedEditIsSaved();
    void terminationSignalSaves();
    void refusedInputAtClose_data();
    void refusedInputAtClose();
    void terminationClosesOpenDialogs_data();
    void terminationClosesOpenDialogs();
    void damagedTableStopsTheOpening();
    void unreadableTableStaysClosed_data();
    void unreadableTableStaysClosed();
    void unwritableSettingsStillClose_data();
    void unwritableSettingsStillClose();
    void secondWindowLeavesTheCollectionAlone();
    void untypedInsertIsNotSaved_data();
    void untypedInsertIsNotSaved();
    void newTrackAndMusicianTakeTheShownValues();
    void anotherMachinesSaveArrives_data();
    void anotherMachinesSaveArrives();
    void killAfterPostsLosesNothing();

private:
    void saveElsewhereAndSync(int releases);
    std::unique_ptr<TForm1> open();
    QString data(const char* file) const { return dir_->filePath(QString::fromLatin1(file)); }
    void addRelease(TForm1& w, const char* title);
    void writeSettings(const QString& key, const QString& section, const QString& value);

    std::unique_ptr<QTemporaryDir> dir_;
    QString settings_;
    QStringList errors_;
    QStringList messages_;
};

void TestStartup::init() {
    dir_ = std::make_unique<QTemporaryDir>();
    settings_ = dir_->filePath(QStringLiteral("levyholvi.INI"));
    errors_.clear();
    messages_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dbaware::setConfirmHandler([](const QString&) { return true; });
}

void TestStartup::cleanup() {
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setMessageHandler(nullptr);
    dbaware::setConfirmHandler(nullptr);
    dir_.reset();
}

std::unique_ptr<TForm1> TestStartup::open() {
    return std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'), settings_);
}

void TestStartup::addRelease(TForm1& w, const char* title) {
    auto* nav = w.findChild<TDBNavigator*>(QStringLiteral("DBNavigator1"));
    nav->click(nbInsert);
    w.LydsamDataSet.setText("Titel", title);
    nav->click(nbPost);
}

void TestStartup::writeSettings(const QString& section, const QString& key, const QString& value) {
    TIniFile(settings_).writeString(section, key, value);
}

// The window gone without its close (a kill): the next start brings the posted changes back,
// tells so, and its close saves them and takes the journal away.
void TestStartup::killAfterPostsLosesNothing() {
    {
        auto w = open();
        addRelease(*w, "Tallessa");
        QVERIFY(w->close());
    }
    const QString journal = data(store::journalFileName().c_str());
    {
        auto w = open();
        addRelease(*w, "Kaatuu");
        QVERIFY(w->LydsamDataSet.locate("Titel", "Tallessa"));
        w->LydsamDataSet.edit();
        w->LydsamDataSet.setText("Kunstner", "Muutettu");
        w->LydsamDataSet.post();
        QVERIFY(QFile::exists(journal));
    } // no close
    QCOMPARE(rowsIn(data("Lydsam.dat")), 1);
    QStringList messages;
    dbaware::setMessageHandler([&](const QString& m) { messages << m; });
    {
        auto w = open();
        QCOMPARE(messages,
                 QStringList{QStringLiteral("3 muutosta palautettu edellisestä istunnosta")});
        QCOMPARE(shown(w->LydsamDataSet, "Titel"), (QStringList{"Kaatuu", "Tallessa"}));
        QVERIFY(shown(w->LydsamDataSet, "Kunstner").contains(QStringLiteral("Muutettu")));
        QVERIFY(w->close());
    }
    QVERIFY(!QFile::exists(journal));
    QCOMPARE(rowsIn(data("Lydsam.dat")), 2);
    QCOMPARE(errors_, QStringList());
}

void TestStartup::firstStartWithoutFiles() {
    auto w = open();
    QVERIFY(errors_.isEmpty());
    QCOMPARE(w->activePageNumber(), 1);
    for (engine::Table* t : {&w->LydsamDataSet, &w->ArkivDataSet, &w->NumreDataSet,
                             &w->GenreDataSet, &w->MusikerDataSet}) {
        QVERIFY(t->isOpen());
        QCOMPARE(t->recordCount(), 0);
    }
    auto* edit = w->findChild<QWidget*>(QStringLiteral("DBEdit1"));
    QCOMPARE(dbaware::backgroundColor(edit), QColor(128, 255, 255));
    QCOMPARE(dbaware::textColor(edit), QColor(Qt::black));
    QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label20"))->text(), QStringLiteral("0"));
}

void TestStartup::closeWritesOnlyChangedTablesAndTheSettings() {
    {
        auto w = open();
        addRelease(*w, "Ensimmäinen");
        addRelease(*w, "Toinen");
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label20"))->text(), QStringLiteral("2"));
        QVERIFY(w->close());
    }
    QVERIFY(QFile::exists(data("Lydsam.dat")));
    QVERIFY(QFile::exists(data("Arkiv.dat")));
    for (const char* untouched : {"Numre.dat", "Genre.dat", "Musiker.dat"})
        QVERIFY2(!QFile::exists(data(untouched)), untouched);
    const TIniFile ini(settings_);
    QCOMPARE(ini.readInteger(QStringLiteral("Startup"), QStringLiteral("Num"), -1), 2);
    QCOMPARE(ini.readInteger(QStringLiteral("Faneblad"), QStringLiteral("Side"), -1), 1);
    QCOMPARE(ini.readInteger(QStringLiteral("Startup"), QStringLiteral("BgColor"), -1), 16777088);
    QCOMPARE(ini.readInteger(QStringLiteral("Startup"), QStringLiteral("TxColor"), -1), 0);

    // A second close without changes writes no table file, but the settings again.
    const QDateTime stamp = QFileInfo(data("Lydsam.dat")).lastModified();
    QFile::remove(settings_);
    {
        auto w = open();
        QVERIFY(w->close());
    }
    QCOMPARE(QFileInfo(data("Lydsam.dat")).lastModified(), stamp);
    QVERIFY(QFile::exists(settings_));
}

void TestStartup::restartRestoresPageReleaseAndColours() {
    {
        auto w = open();
        addRelease(*w, "A");
        addRelease(*w, "B");
        addRelease(*w, "C");
        w->NumreDataSet.append();
        w->NumreDataSet.setText("NrTitel", "kappale");
        w->NumreDataSet.post();
        w->LydsamDataSet.locate("Titel", "B");
        for (QWidget* c : {w->findChild<QWidget*>(QStringLiteral("DBEdit1")),
                           w->findChild<QWidget*>(QStringLiteral("DBGrid1"))}) {
            dbaware::setBackgroundColor(c, colourOf(0x00FF00));
            dbaware::setTextColor(c, colourOf(0x0000FF));
        }
        w->selectPage(w->findChild<QWidget*>(QStringLiteral("TabSheet3")));
        QVERIFY(w->close());
    }
    auto w = open();
    QCOMPARE(w->activePageNumber(), 3);
    QVERIFY(!w->NumreDataSet.filtered()); // selected without the page-change handling
    QCOMPARE(QString::fromStdString(w->LydsamDataSet.asText("Titel")), QStringLiteral("B"));
    for (const char* name : {"DBEdit3", "Find", "DBMemo1", "DBGrid2"}) {
        QWidget* c = w->findChild<QWidget*>(QString::fromLatin1(name));
        QCOMPARE(dbaware::backgroundColor(c), QColor(0, 255, 0));
        QCOMPARE(dbaware::textColor(c), QColor(255, 0, 0));
    }
    // Lookup lists keep their layout colour at start.
    auto* lookup = w->findChild<QWidget*>(QStringLiteral("DBLookupComboBox2"));
    QCOMPARE(dbaware::backgroundColor(lookup), QColor(192, 192, 192));
}

void TestStartup::storedPage_data() {
    QTest::addColumn<QString>("side");
    QTest::addColumn<int>("page");
    QTest::newRow("overview") << "5" << 5;
    QTest::newRow("notes page opens the first") << "6" << 1;
    QTest::newRow("zero opens the first") << "0" << 1;
    QTest::newRow("seven opens the first") << "7" << 1;
    QTest::newRow("text opens the first") << "kolme" << 1;
}

void TestStartup::storedPage() {
    QFETCH(QString, side);
    QFETCH(int, page);
    writeSettings(QStringLiteral("Faneblad"), QStringLiteral("Side"), side);
    auto w = open();
    QCOMPARE(w->activePageNumber(), page);
    w->selectPage(w->findChild<QWidget*>(QStringLiteral("TabSheet7")));
    QVERIFY(w->close());
    QCOMPARE(TIniFile(settings_).readInteger(QStringLiteral("Faneblad"), QStringLiteral("Side"), 0),
             7);
}

void TestStartup::hexadecimalSettings_data() {
    QTest::addColumn<QString>("num");
    QTest::newRow("0x") << "0xFF";
    QTest::newRow("dollar") << "$FF";
    QTest::newRow("more than eight digits") << "0x0000000FF";
}

void TestStartup::hexadecimalSettings() {
    QFETCH(QString, num);
    {
        auto w = open();
        for (int i = 0; i < 3; ++i)
            addRelease(*w, "x");
        w->LydsamDataSet.last();
        w->LydsamDataSet.edit();
        w->LydsamDataSet.setInteger("Num", 255);
        w->LydsamDataSet.post();
        w->LydsamDataSet.first();
        QVERIFY(w->close());
    }
    writeSettings(QStringLiteral("Startup"), QStringLiteral("Num"), num);
    auto w = open();
    QCOMPARE(w->LydsamDataSet.asInteger("Num"), 255);
}

void TestStartup::unwritableFolderKeepsWindowAndChanges() {
    QTemporaryDir base;
    auto w = std::make_unique<TForm1>(base.filePath(QStringLiteral("folder/")), settings_);
    QVERIFY(errors_.isEmpty()); // missing files: empty tables, nothing to report yet
    addRelease(*w, "Tärkeä");
    QVERIFY(QDir(base.filePath(QStringLiteral("folder"))).removeRecursively());
    QFile blocker(base.filePath(QStringLiteral("folder")));
    QVERIFY(blocker.open(QIODevice::WriteOnly)); // the data folder's name is taken by a file
    blocker.close();
    w->show();
    QVERIFY(!w->close());
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.first().contains(QStringLiteral("Arkiv.dat")), qPrintable(errors_.first()));
    QVERIFY(w->isVisible());
    QVERIFY(w->LydsamDataSet.changeCount() > 0);
    QVERIFY(QFile::remove(base.filePath(QStringLiteral("folder")))); // the user fixes it
    QVERIFY(w->close());
    engine::Table back;
    back.load(base.filePath(QStringLiteral("folder/Lydsam.dat")).toStdString());
    back.first();
    QCOMPARE(QString::fromStdString(back.asText("Titel")), QStringLiteral("Tärkeä"));
}

void TestStartup::unpostedEditIsSaved() {
    {
        auto w = open();
        addRelease(*w, "A");
        w->close();
    }
    {
        auto w = open();
        auto* title = w->findChild<QLineEdit*>(QStringLiteral("DBEdit1"));
        title->setFocus();
        QTest::keyClicks(title, QStringLiteral("B")); // typed, never posted nor left
        QVERIFY(w->close());
    }
    engine::Table back;
    back.load(data("Lydsam.dat").toStdString());
    back.first();
    QCOMPARE(QString::fromStdString(back.asText("Titel")), QStringLiteral("BA"));
}

void TestStartup::terminationSignalSaves() {
    auto w = open();
    TerminationSignals termination;
    connect(&termination, &TerminationSignals::terminationRequested, w.get(), [&] { w->close(); });
    addRelease(*w, "Signaali");
    w->show();
    ::raise(SIGTERM);
    QTRY_VERIFY(!w->isVisible());
    QVERIFY(QFile::exists(data("Lydsam.dat")));
}

void TestStartup::refusedInputAtClose_data() {
    QTest::addColumn<QString>("control"); // where the half-typed value is
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("line"); // what the value's refusal reads as
    QTest::addColumn<bool>("bySignal");
    const QString price = "Hinta: 'a3' is not a valid floating point value.";
    const QString track = "Kappaleet: 'x' is not a valid integer value.";
    for (bool bySignal : {true, false}) {
        const char* by = bySignal ? "signal" : "user";
        QTest::addRow("registration, price, %s", by) << "DBEdit6"
                                                     << "a3" << price << bySignal;
        QTest::addRow("tracks grid, number, %s", by) << "DBGrid2"
                                                     << "x" << track << bySignal;
    }
    QTest::newRow("registration, release number, signal")
        << "DBEdit12"
        << "x"
        << "Num: 'x' is not a valid integer value." << true;
    QTest::newRow("overview grid, price, signal") << "DBGrid1"
                                                  << "a3" << price << true;
}

// At a session's end a value no field takes must not keep the window open: the rest is saved,
// the value is reported and shown at the next start. A close by the user keeps it for fixing.
void TestStartup::refusedInputAtClose() {
    QFETCH(QString, control);
    QFETCH(QString, typed);
    QFETCH(QString, line);
    QFETCH(bool, bySignal);
    const QString folder = dir_->path() + '/';
    writeTable(folder, "Lydsam", [](engine::Table& t) {
        t.append();
        t.setText("Kunstner", "Abba");
        t.setText("Pris", "12.5");
        t.post();
    });
    writeTable(folder, "Numre", [](engine::Table& t) {
        t.append();
        t.setInteger("Num", 1);
        t.setInteger("Nummer", 1);
        t.setText("NrTitel", "Eka");
        t.post();
    });
    auto w = open();
    w->show();
    w->GenreDataSet.append(); // another table's change, not yet saved
    w->GenreDataSet.setText("Genre", "Polka");
    w->GenreDataSet.post();
    const bool track = control == "DBGrid2";
    engine::Table& row = track ? w->NumreDataSet : w->LydsamDataSet;
    QLineEdit* input = w->findChild<TDBEdit*>(control);
    if (input) {
        auto* artist = w->findChild<TDBEdit*>(QStringLiteral("DBEdit2"));
        artist->selectAll();
        QTest::keyClicks(artist, QStringLiteral("Bee Gees")); // typed, still in the edit
    } else {
        auto* grid = w->findChild<TDBGrid*>(control);
        w->selectPage(grid->parentWidget());
        row.edit();
        row.setText(track ? "NrTitel" : "Kunstner", track ? "Toka" : "Bee Gees");
        grid->setCurrentIndex(grid->model()->index(0, track ? 1 : 7));
        grid->edit(grid->currentIndex());
        input = grid->findChild<QLineEdit*>();
        QVERIFY(input);
    }
    input->selectAll();
    QTest::keyClicks(input, typed);

    StandardError err;
    if (bySignal)
        closeForSessionEnd(w.get());
    else
        w->close();
    const QString kept = data("Tallentamatta.txt");
    if (!bySignal) {
        QVERIFY(w->isVisible());
        QCOMPARE(errors_, QStringList{line.mid(line.indexOf(": ") + 2)});
        QCOMPARE(input->text(), typed);
        QVERIFY(!QFile::exists(kept));
        return;
    }
    QVERIFY(!w->isVisible());
    QCOMPARE(errors_, QStringList());
    QVERIFY2(err.text().contains("levyholvi: " + line + '\n'), qPrintable(err.text()));
    QCOMPARE(QString::fromUtf8(contents(kept)), line + '\n');
    w.reset();

    engine::Table back;
    back.load(data(track ? "Numre.dat" : "Lydsam.dat").toStdString());
    QCOMPARE(text(back, track ? "NrTitel" : "Kunstner"),
             QLatin1String(track ? "Toka" : "Bee Gees"));
    QCOMPARE(text(back, track ? "Nummer" : "Pris"), QLatin1String(track ? "1" : "12.5"));
    back.load(data("Genre.dat").toStdString());
    QCOMPARE(shown(back, "Genre"), QStringList{"Polka"});

    QStringList messages;
    dbaware::setMessageHandler([&](const QString& m) { messages << m; });
    w = open();
    QCOMPARE(messages,
             QStringList{"Edellisen istunnon lopussa näitä arvoja ei voitu tallentaa:\n" + line});
    QVERIFY(!QFile::exists(kept));
    QCOMPARE(errors_, QStringList());
}

void TestStartup::terminationClosesOpenDialogs_data() {
    QTest::addColumn<QString>("shown"); // what is open when the signal comes
    QTest::newRow("about box") << "about";
    QTest::newRow("message box") << "message";
    QTest::newRow("colour dialog") << "colour";
    QTest::newRow("preview of the releases list") << "preview";
    QTest::newRow("preview still generating") << "generating";
}

// The signal closes the dialog as Cancel would and saves at once, not after the user has
// dismissed the dialog.
void TestStartup::terminationClosesOpenDialogs() {
    QFETCH(QString, shown);
    const int stored = shown == "generating" ? 3000 : 1; // long enough to be still running
    writeTable(dir_->path() + '/', "Lydsam", [&](engine::Table& t) {
        for (int i = 0; i < stored; ++i) {
            t.append();
            t.post();
        }
    });
    auto w = open();
    TRepListForm releases(&w->LydsamDataSet);
    TRepListForm1 musicians(&w->MusikerDataSet);
    w->setReportLayouts(&releases, &musicians);
    QPointer<TRepPreview> preview;
    connect(&releases, &TReport::previewOpened, this, [&](TRepPreview* p) { preview = p; });
    TerminationSignals termination;
    connect(&termination, &TerminationSignals::terminationRequested, w.get(),
            [&] { closeForSessionEnd(w.get()); });
    addRelease(*w, "Signaali");
    const QColor text = dbaware::textColor(w->findChild<QWidget*>(QStringLiteral("DBEdit1")));
    w->show();
    bool savedAtOnce = false;
    QTimer poll;
    connect(&poll, &QTimer::timeout, this, [&] {
        if (preview ? releases.generating() != (shown == "generating")
                    : !QApplication::activeModalWidget())
            return;
        poll.stop();
        const auto leftovers = qScopeGuard([&] { // a failure here must not leave them open
            if (QWidget* modal = QApplication::activeModalWidget())
                modal->close();
            if (preview)
                preview->close();
        });
        ::raise(SIGTERM);
        QTRY_VERIFY(!w->isVisible());
        QVERIFY(!QApplication::activeModalWidget() && !(preview && preview->isVisible()));
        engine::Table back;
        back.load(data("Lydsam.dat").toStdString());
        savedAtOnce = back.recordCount() == stored + 1;
    });
    poll.start(2);
    if (shown == "about")
        w->Information1Click();
    else if (shown == "message")
        dbaware::showMessage(QStringLiteral("Levyholvi"), w.get());
    else if (shown == "colour")
        w->Tekst1Click();
    else
        w->Alleregistreringer1Click();
    QVERIFY(savedAtOnce);
    QVERIFY(!preview && !releases.generating());
    QCOMPARE(dbaware::textColor(w->findChild<QWidget*>(QStringLiteral("DBEdit1"))), text);
    QCOMPARE(errors_, QStringList());
}

void TestStartup::damagedTableStopsTheOpening() {
    {
        auto w = open();
        addRelease(*w, "A");
        w->close();
    }
    QFile arkiv(data("Arkiv.dat"));
    QVERIFY(arkiv.open(QIODevice::ReadWrite));
    arkiv.seek(arkiv.size() - 3);
    arkiv.write("XYZ");
    arkiv.close();
    const QByteArray damaged = [&] {
        QFile f(data("Arkiv.dat"));
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }();
    auto w = open();
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.first().contains(QStringLiteral("Arkiv.dat")), qPrintable(errors_.first()));
    QVERIFY(w->LydsamDataSet.isOpen());
    QVERIFY(!w->ArkivDataSet.isOpen());
    QVERIFY(!w->NumreDataSet.isOpen() && !w->GenreDataSet.isOpen() && !w->MusikerDataSet.isOpen());
    QCOMPARE(w->activePageNumber(), 1); // the rest of the opening was skipped
    QVERIFY(w->close());
    QFile after(data("Arkiv.dat"));
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), damaged); // never overwritten
}

void TestStartup::unreadableTableStaysClosed_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("link"); // what the file is made a link to; empty: an I/O error
    QTest::addColumn<QString>("reason");
    QTest::newRow("I/O error on the releases") << "Lydsam.dat" << QByteArray() << "Input/output";
    QTest::newRow("the genres' file links to nothing")
        << "Genre.dat" << QByteArray("puuttuu") << "missing";
    QTest::newRow("the tracks' file links to itself")
        << "Numre.dat" << QByteArray("Numre.dat") << "Too many levels of symbolic links";
}

void TestStartup::unreadableTableStaysClosed() {
    QFETCH(QString, file);
    QFETCH(QByteArray, link);
    QFETCH(QString, reason);
    {
        auto w = open();
        addRelease(*w, "A");
        for (auto [t, field] :
             {std::pair{&w->NumreDataSet, "NrTitel"}, std::pair{&w->GenreDataSet, "Genre"}}) {
            t->append();
            t->setText(field, "x");
            t->post();
        }
        QVERIFY(w->close());
    }
    const QString path = dir_->filePath(file);
    if (!link.isEmpty()) {
        QVERIFY(QFile::remove(path));
        QCOMPARE(::symlink(link.constData(), QFile::encodeName(path).constData()), 0);
    }
    const QByteArray before = contents(path);
    std::optional<IoFault> fault;
    if (link.isEmpty())
        fault.emplace(path.toStdString());
    auto w = open();
    QCOMPARE(errors_.size(), 1);
    QVERIFY2(errors_.first().contains(path) && errors_.first().contains(reason),
             qPrintable(errors_.first()));
    engine::Table& t = file == QStringLiteral("Lydsam.dat")  ? w->LydsamDataSet
                       : file == QStringLiteral("Genre.dat") ? w->GenreDataSet
                                                             : w->NumreDataSet;
    QVERIFY(!t.isOpen());
    errors_.clear();
    dbaware::guarded([&] { // whatever the user tries there
        t.append();
        t.post();
    });
    // The tracks page on closed tables says so, not which field it missed.
    w->findChild<QTabWidget*>(QStringLiteral("PageControl1"))->setCurrentIndex(2);
    for (const QString& e : errors_)
        QCOMPARE(e, QStringLiteral("Cannot perform this operation on a closed dataset."));
    QVERIFY(w->close());
    fault.reset();
    QCOMPARE(contents(path), before); // nothing was saved over it
}

void TestStartup::unwritableSettingsStillClose_data() {
    QTest::addColumn<bool>("bySignal");
    QTest::newRow("closed by the user: the error box") << false;
    QTest::newRow("closed by a signal: no box to wait on") << true;
}

void TestStartup::unwritableSettingsStillClose() {
    QFETCH(bool, bySignal);
    QVERIFY(QDir().mkdir(settings_)); // the settings file's name is taken by a folder
    auto w = open();
    addRelease(*w, "A");
    w->show();
    if (bySignal)
        closeForSessionEnd(w.get());
    else
        QVERIFY(w->close());
    QVERIFY(!w->isVisible());
    QCOMPARE(errors_, bySignal
                          ? QStringList()
                          : QStringList{QStringLiteral("Unable to write to ") + settings_ + u'.'});
    QCOMPARE(rowsIn(data("Lydsam.dat")), 1);
}

void TestStartup::secondWindowLeavesTheCollectionAlone() {
    const QString leftover = data("Lydsam.dat.tmp-Ab12Cd");
    leaveInterruptedSave(leftover);
    auto first = open();
    QVERIFY(!QFile::exists(leftover));
    addRelease(*first, "Ensimmäinen");
    leaveInterruptedSave(leftover);

    QStringList messages;
    dbaware::setMessageHandler([&](const QString& m) { messages << m; });
    auto second = open();
    dbaware::setMessageHandler(nullptr);
    QCOMPARE(messages,
             QStringList{QStringLiteral("Kokoelma on jo avattu toisessa Levyholvi-ikkunassa.")});
    QVERIFY(second->collectionOpenElsewhere());
    QVERIFY(!second->LydsamDataSet.isOpen());
    QVERIFY(second->close());
    second.reset();
    QVERIFY(QFile::exists(leftover)); // only the program holding the collection tidies it
    QVERIFY(!QFile::exists(settings_));
    QVERIFY(!QFile::exists(data("Lydsam.dat")));

    QVERIFY(first->close());
    first.reset();
    auto third = open();
    QVERIFY(!third->collectionOpenElsewhere());
    QCOMPARE(third->LydsamDataSet.recordCount(), 1);
}

void TestStartup::untypedInsertIsNotSaved_data() {
    QTest::addColumn<QString>("navigator");
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("typed");
    QTest::newRow("a new release") << QString("DBNavigator1") << "Lydsam.dat" << false;
    QTest::newRow("a new track") << QString("DBNavigator4") << "Numre.dat" << false;
    QTest::newRow("a new musician row") << QString("DBNavigator3") << "Musiker.dat" << false;
    QTest::newRow("a release typed into is posted")
        << QString("DBNavigator1") << "Lydsam.dat" << true;
}

void TestStartup::untypedInsertIsNotSaved() {
    QFETCH(QString, navigator);
    QFETCH(QString, file);
    QFETCH(bool, typed);
    dbaware::setMessageHandler([this](const QString& m) { messages_ << m; });
    {
        auto w = open();
        addRelease(*w, "Levy");
        QVERIFY(w->close());
    }
    const int rows = rowsIn(dir_->filePath(file));
    auto w = open();
    w->findChild<TDBNavigator*>(navigator)->click(nbInsert);
    if (typed) {
        auto* title = w->findChild<QLineEdit*>(QStringLiteral("DBEdit1"));
        title->setFocus();
        QTest::keyClicks(title, QStringLiteral("Uusi"));
    }
    QVERIFY(w->close());
    QCOMPARE(rowsIn(dir_->filePath(file)), rows + (typed ? 1 : 0));
    if (navigator == QStringLiteral("DBNavigator1"))
        QCOMPARE(rowsIn(data("Arkiv.dat")), 2); // the number it took stays used
}

void TestStartup::newTrackAndMusicianTakeTheShownValues() {
    auto w = open();
    addRelease(*w, "Levy");
    addRelease(*w, "Toinen");
    w->LydsamDataSet.locate("Titel", "Toinen");
    auto* tracks = w->findChild<TDBNavigator*>(QStringLiteral("DBNavigator4"));
    tracks->click(nbInsert);
    QCOMPARE(text(w->NumreDataSet, "Titel"), QStringLiteral("Toinen"));
    QCOMPARE(text(w->NumreDataSet, "Num"),
             w->findChild<QLineEdit*>(QStringLiteral("DBEdit12"))->text());
    QCOMPARE(text(w->NumreDataSet, "Num"), QStringLiteral("2"));
    QCOMPARE(text(w->NumreDataSet, "Nummer"), QStringLiteral("1"));
    const QString title = QStringLiteral("Kappale, jonka nimi on yli kolmekymmentä merkkiä");
    w->NumreDataSet.setText("NrTitel", title.toStdString());
    tracks->click(nbPost);
    tracks->click(nbInsert);
    QCOMPARE(text(w->NumreDataSet, "Nummer"), QStringLiteral("2"));
    tracks->click(nbCancel);

    w->findChild<TDBNavigator*>(QStringLiteral("DBNavigator3"))->click(nbInsert);
    QCOMPARE(text(w->MusikerDataSet, "NrTitel"), title.left(30));
    QCOMPARE(text(w->MusikerDataSet, "Titel"), QStringLiteral("Toinen"));
}

// Another machine saves releases to a copy of the folder, and a sync tool brings its files over
// (written beside, renamed over) while the window is open.
void TestStartup::saveElsewhereAndSync(int releases) {
    const std::string folder = dir_->path().toStdString() + "/";
    const std::string other = folder + "toinen/";
    std::filesystem::create_directory(other);
    for (const char* name : {"Lydsam", "Arkiv"})
        std::filesystem::copy_file(folder + name + ".dat", other + name + ".dat");
    std::map<std::string, engine::Table, std::less<>> tables;
    store::CollectionFiles files(other, [&](std::string_view n) -> engine::Table& {
        return tables.try_emplace(std::string(n)).first->second;
    });
    files.noteVersionsBeforeReading();
    for (const store::CollectionTable& t : store::collectionTables())
        store::openTable(tables[t.name], t, other + t.fileName);
    for (int i = 1; i <= releases; ++i) {
        const int n = tables["Arkiv"].storedRowCount() + 1;
        tables["Arkiv"].append();
        tables["Arkiv"].setInteger("ArkivNr", n);
        tables["Arkiv"].post();
        tables["Lydsam"].append();
        tables["Lydsam"].setText("Titel", "Toinen " + std::to_string(i));
        tables["Lydsam"].setInteger("Num", n);
        tables["Lydsam"].post();
    }
    files.save();
    for (const char* name : {"Lydsam", "Arkiv"}) {
        std::filesystem::copy_file(other + name + ".dat", folder + ".st-" + name);
        std::filesystem::rename(folder + ".st-" + name, folder + name + ".dat");
    }
}

void TestStartup::anotherMachinesSaveArrives_data() {
    QTest::addColumn<bool>("typed");
    QTest::newRow("with a release of our own, merged at close") << true;
    QTest::newRow("without changes of our own, read in while open") << false;
}

void TestStartup::anotherMachinesSaveArrives() {
    QFETCH(bool, typed);
    dbaware::setMessageHandler([this](const QString& m) { messages_ << m; });
    {
        auto w = open();
        addRelease(*w, "Ensimmäinen");
        QVERIFY(w->close());
    }
    auto w = open();
    w->show();
    if (typed)
        addRelease(*w, "Oma");
    saveElsewhereAndSync(9);
    if (!typed) {
        QTRY_COMPARE(w->LydsamDataSet.storedRowCount(), 10);
        QCOMPARE(w->findChild<QLabel*>(QStringLiteral("Label20"))->text(), QStringLiteral("10"));
        QCOMPARE(messages_,
                 QStringList{QStringLiteral(
                     "Kokoelma päivitettiin levyltä: toisaalla tallennetut muutokset luettiin.")});
        addRelease(*w, "Oma"); // numbered after the nine
    }
    QVERIFY(w->close());
    if (typed)
        QVERIFY2(
            messages_.value(0).startsWith(QStringLiteral("Kokoelmaa oli muutettu toisaalla: ")),
            qPrintable(messages_.join(QLatin1Char('|'))));
    engine::Table back;
    back.load(data("Lydsam.dat").toStdString());
    QCOMPARE(back.recordCount(), 11);
    QVERIFY(back.locate("Titel", "Oma"));
    QCOMPARE(back.asInteger("Num"), 11);
    QVERIFY(back.locate("Titel", "Toinen 9"));
    QCOMPARE(rowsIn(data("Arkiv.dat")), 11);
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
