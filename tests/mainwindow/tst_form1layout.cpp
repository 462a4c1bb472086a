#include "mainwindow/form1.h"

#include "dbaware/dbedit.h"
#include "dbaware/dbgrid.h"
#include "dbaware/dblookupcombobox.h"
#include "dbaware/dbmemo.h"
#include "dbaware/dbnavigator.h"
#include "dbaware/dbradiogroup.h"
#include "dbaware/dbtext.h"
#include "dbaware/errorbox.h"
#include "dbaware/fieldtext.h"
#include "extras/effectlabel.h"
#include "locate/reclocate.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStyle>
#include <QSvgRenderer>
#include <QSvgWidget>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {

// Menu captions as the user sees them, separators as "-", hidden items left out.
QStringList captions(const QList<QAction*>& actions) {
    QStringList out;
    for (const QAction* a : actions) {
        if (a->isSeparator())
            out << QStringLiteral("-");
        else if (a->isVisible())
            out << a->text();
    }
    return out;
}

void addRelease(engine::Table& t, const std::map<std::string, std::string>& values) {
    t.append();
    for (const auto& [field, value] : values)
        t.setText(field, value);
    t.post();
}

} // namespace

class TestForm1Layout : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void windowAndClientArea();
    void menuBarEntries();
    void menus_data();
    void menus();
    void infoActsWithoutSubmenu();
    void printDropDownUnderD1();
    void pageCaptionsInOrder();
    void registrationPageGeometry_data();
    void registrationPageGeometry();
    void labelsStandAboveTheirFields();
    void lookupListShowsOnlyItsButtonBesideGenreEdit();
    void registrationTabOrder();
    void panel2Geometry_data();
    void panel2Geometry();
    void gridColumns_data();
    void gridColumns();
    void trackGridHidesReleaseTitleColumn();
    void onlyReleaseListIsReadOnly_data();
    void onlyReleaseListIsReadOnly();
    void toolbarButtons_data();
    void toolbarButtons();
    void toolbarButtonKeepsDownStateOnClick();
    void navigators_data();
    void navigators();
    void notesNavigatorOffersEditPostCancelOnly();
    void recordLocators_data();
    void recordLocators();
    void fonts_data();
    void fonts();
    void layoutColours();
    void effectLabel();
    void radioGroupItems();
    void initialTexts();
    void captionsFit_data();
    void captionsFit();
    void totalReadable_data();
    void totalReadable();
    void windowOpensWithoutEnteringSearchBox();
    void hiddenCarriersNeverTakeFocus_data();
    void hiddenCarriersNeverTakeFocus();
    void controlsShowTheirFields();
    void pageFromCodeDoesNotRunPageChange();
    void userTabSelectionRunsPageChange();
    void resizeKeepsBarsAndFixedPlaces();
    void renderPages();

private:
    template <typename T> T* child(const char* name) const {
        T* w = form_->findChild<T*>(QLatin1String(name));
        if (!w)
            qWarning("no child %s", name);
        return w;
    }
    void fillSampleCollection();

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<TForm1> form_;
    QStringList errors_;
};

void TestForm1Layout::init() {
    errors_.clear();
    dbaware::setErrorBoxHandler([this](const QString& m) { errors_ << m; });
    dbaware::setConfirmHandler([](const QString&) { return true; });
    dir_ = std::make_unique<QTemporaryDir>();
    QVERIFY(dir_->isValid());
    form_ = std::make_unique<TForm1>(dir_->path() + QLatin1Char('/'),
                                     dir_->filePath(QStringLiteral("levyholvi.INI")));
    form_->show();
    QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
}

void TestForm1Layout::cleanup() {
    form_.reset();
    dir_.reset();
    dbaware::setErrorBoxHandler(nullptr);
    dbaware::setConfirmHandler(nullptr);
}

void TestForm1Layout::windowAndClientArea() {
    QCOMPARE(form_->objectName(), QStringLiteral("Form1"));
    QCOMPARE(form_->windowTitle(), QStringLiteral("Levyholvi"));
    QCOMPARE(form_->centralWidget()->size(), QSize(632, 434));
    const auto* pages = child<QTabWidget>("PageControl1");
    const QSize page = pages->currentWidget()->size();
    // The style draws its own tabs: close to the 624 x 330 of the design.
    QVERIFY2(qAbs(page.width() - 624) <= 8, qPrintable(QString::number(page.width())));
    QVERIFY2(qAbs(page.height() - 330) <= 12, qPrintable(QString::number(page.height())));
}

void TestForm1Layout::menuBarEntries() {
    const QStringList bar = captions(form_->menuBar()->actions());
    QCOMPARE(bar, (QStringList{"&Tiedostot", "&Muokkaa", "&Näytä", "&Info"}));
}

void TestForm1Layout::menus_data() {
    QTest::addColumn<QString>("menu");
    QTest::addColumn<QStringList>("items");
    QTest::newRow("files: print, export, colours, import, exit")
        << "Filer1" << QStringList{"&Tulostus", "&Vie", "-", "&Värit", "&Tuo", "-", "E&xit"};
    QTest::newRow("print: three lists")
        << "Udskrivning1"
        << QStringList{"Kaikki rekisteröinnit", "Valitut (Yleiskatsaus-välilehti)",
                       "Valitut (Muusikot-välilehti)"};
    QTest::newRow("colours: text and background") << "Farver1" << QStringList{"Teksti", "Tausta"};
    QTest::newRow("view: sorting, selection, statistics and covers")
        << "Vis1" << QStringList{"&Lajittelu", "&Valinta",  "-",         "Tilastot...",
                                 "-",          "Kansikuva", "Kansiseinä"};
    QTest::newRow("edit: undo, history, many at once and the cover")
        << "Muokkaa1"
        << QStringList{"&Kumoa",
                       "&Tee uudelleen",
                       "Muutoshistoria...",
                       "-",
                       "Muuta valittuja levyjä...",
                       "Korvaa nimi...",
                       "-",
                       "Valitse kansikuva...",
                       "Poista kansikuva"};
    QTest::newRow("sorting: four orders")
        << "Sortering1"
        << QStringList{"&Taiteilija", "&Kappaleen nimi", "K&ustannusyhtiö", "&Rekisterinumero"};
    QTest::newRow("selection: six media and all")
        << "Selektering1"
        << QStringList{"Näytä kaikki cd-levyt", "Näytä kaikki md-levyt", "Näytä kaikki lp-levyt",
                       "Näytä kaikki mc-levyt", "Näytä kaikki singlet",  "Näytä kaikki 78-levyt",
                       "Näytä kaikki"};
    QTest::newRow("hidden help: help and info") << "Help1" << QStringList{"&Hjælp", "&Info"};
    QTest::newRow("import: four sources")
        << "Tuo1"
        << QStringList{"Discogs-kokoelma (CSV)...", "MusicBrainz-julkaisu (JSON)...",
                       "Musiikkikansio...", "CSV-taulut..."};
}

void TestForm1Layout::menus() {
    QFETCH(QString, menu);
    QFETCH(QStringList, items);
    const auto* m = form_->findChild<QMenu*>(menu);
    QVERIFY(m);
    QCOMPARE(captions(m->actions()), items);
}

void TestForm1Layout::infoActsWithoutSubmenu() {
    const auto* info = child<QAction>("Info1");
    QVERIFY(info);
    QVERIFY(!info->menu());
    QVERIFY(form_->menuBar()->actions().contains(const_cast<QAction*>(info)));
    const auto* help = child<QMenu>("Help1");
    QVERIFY(!help->menuAction()->isVisible());
}

void TestForm1Layout::printDropDownUnderD1() {
    const auto* d1 = child<QToolButton>("d1");
    const auto* popup = child<QMenu>("PopupMenu1");
    QCOMPARE(d1->menu(), popup);
    QCOMPARE(d1->popupMode(), QToolButton::InstantPopup);
    QCOMPARE(captions(popup->actions()),
             (QStringList{"Udskriv &alle registreringer", "Udskriv udvalgte (&Oversigt fanebladet)",
                          "Udskriv udvalgte (&Musiker fanebladet)"}));
}

void TestForm1Layout::pageCaptionsInOrder() {
    const auto* pages = child<QTabWidget>("PageControl1");
    const QStringList expected = {"Levyholvi",    "Rekisteröinti", "Kappaleet",     "Muusikot",
                                  "Yleiskatsaus", "Merkinnät",     "Musiikkityypit"};
    QCOMPARE(pages->count(), 7);
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(pages->tabText(i), expected[i]);
        QCOMPARE(pages->widget(i)->objectName(), QStringLiteral("TabSheet%1").arg(i + 1));
    }
}

void TestForm1Layout::registrationPageGeometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect"); // height -1: not fixed by the design
    QTest::newRow("release title edit") << "DBEdit1" << QRect(20, 34, 293, 24);
    QTest::newRow("artist edit") << "DBEdit2" << QRect(20, 83, 293, 24);
    QTest::newRow("publisher edit") << "DBEdit3" << QRect(18, 132, 153, 24);
    QTest::newRow("genre edit") << "DBEdit4" << QRect(18, 181, 135, 24);
    QTest::newRow("catalogue number edit") << "DBEdit5" << QRect(18, 230, 153, 24);
    QTest::newRow("recording date edit") << "DBEdit8" << QRect(226, 132, 87, 24);
    QTest::newRow("purchase date edit") << "DBEdit7" << QRect(226, 181, 87, 24);
    QTest::newRow("price edit") << "DBEdit6" << QRect(226, 230, 87, 24);
    QTest::newRow("genre lookup under the edit") << "DBLookupComboBox1" << QRect(18, 182, 154, -1);
    QTest::newRow("media radio group") << "DBRadioGroup1" << QRect(12, 268, 351, 45);
    QTest::newRow("release list frame") << "Panel5" << QRect(335, 24, 274, 228);
    QTest::newRow("notes button") << "SpeedButton12" << QRect(381, 275, 228, 38);
}

void TestForm1Layout::registrationPageGeometry() {
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    form_->selectPage(child<QWidget>("TabSheet2"));
    const auto* w = form_->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), QStringLiteral("GroupBox1"));
    QCOMPARE(w->pos(), rect.topLeft());
    QCOMPARE(w->width(), rect.width());
    if (rect.height() >= 0)
        QCOMPARE(w->height(), rect.height());
    QVERIFY(w->isVisible());
}

void TestForm1Layout::labelsStandAboveTheirFields() {
    form_->selectPage(child<QWidget>("TabSheet2"));
    const std::pair<const char*, const char*> pairs[] = {
        {"Label2", "DBEdit1"}, {"Label1", "DBEdit2"}, {"Label4", "DBEdit3"}, {"Label3", "DBEdit4"},
        {"Label5", "DBEdit5"}, {"Label8", "DBEdit8"}, {"Label7", "DBEdit7"}, {"Label6", "DBEdit6"}};
    for (const auto& [labelName, editName] : pairs) {
        const auto* label = child<QLabel>(labelName);
        const auto* edit = child<QWidget>(editName);
        QCOMPARE(label->x(), edit->x());
        QVERIFY2(label->geometry().bottom() < edit->y() && edit->y() - label->y() <= 24, labelName);
        // The whole caption fits: nothing is clipped.
        QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(),
                 labelName);
    }
}

void TestForm1Layout::lookupListShowsOnlyItsButtonBesideGenreEdit() {
    form_->selectPage(child<QWidget>("TabSheet2"));
    auto* box = child<QWidget>("GroupBox1");
    const auto* edit = child<QWidget>("DBEdit4");
    const auto* lookup = child<QWidget>("DBLookupComboBox1");
    QCOMPARE(lookup->geometry().right() - edit->geometry().right(), 19);
    // The edit lies over the list: a click on the covered part reaches the edit.
    const QPoint covered(edit->geometry().right() - 2, lookup->geometry().center().y());
    QCOMPARE(box->childAt(covered), edit);
    const QPoint button(lookup->geometry().right() - 5, lookup->geometry().center().y());
    QWidget* hit = box->childAt(button);
    QVERIFY(hit == lookup || lookup->isAncestorOf(hit));
}

void TestForm1Layout::registrationTabOrder() {
    const char* order[] = {"DBEdit1", "DBEdit2", "DBEdit3", "DBEdit4", "DBEdit5",
                           "DBEdit8", "DBEdit7", "DBEdit6", "DBGrid4", "DBLookupComboBox1"};
    QStringList chain;
    QWidget* start = child<QWidget>("DBEdit1");
    QWidget* w = start;
    do {
        if (!w->objectName().isEmpty())
            chain << w->objectName();
        w = w->nextInFocusChain();
    } while (w != start);
    int last = -1;
    for (const char* name : order) {
        const int at = static_cast<int>(chain.indexOf(QLatin1String(name)));
        QVERIFY2(at > last, name);
        last = at;
    }
    QVERIFY(chain.indexOf(QStringLiteral("DBRadioGroup1")) <
            chain.indexOf(QStringLiteral("DBGrid4")));
}

void TestForm1Layout::panel2Geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("artist search box") << "Find" << QRect(112, 8, 137, -1);
    QTest::newRow("next button") << "SpeedButton1" << QRect(256, 12, 17, 17);
    QTest::newRow("release navigator") << "DBNavigator1" << QRect(289, 8, 234, 25);
    QTest::newRow("total caption") << "Label19" << QRect(526, 12, -1, -1);
    QTest::newRow("total") << "Label20" << QRect(582, 12, -1, -1);
}

void TestForm1Layout::panel2Geometry() {
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    const auto* w = form_->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->parentWidget()->objectName(), QStringLiteral("Panel2"));
    QCOMPARE(w->pos(), rect.topLeft());
    if (rect.width() >= 0)
        QCOMPARE(w->width(), rect.width());
    if (rect.height() >= 0)
        QCOMPARE(w->height(), rect.height());
}

void TestForm1Layout::gridColumns_data() {
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QStringList>("titles");
    QTest::newRow("release list: artist, title")
        << "DBGrid4"
        << "LydsamSource" << QStringList{"Kunstner", "Titel"}
        << QStringList{"Taiteilija", "Kappaleen nimi"};
    QTest::newRow("tracks: six columns")
        << "DBGrid2"
        << "NumreSource"
        << QStringList{"Titel", "Nummer", "NrTitel", "Kunstner", "Komponist", "Musiker"}
        << QStringList{"Kappale",    "Kappaleet", "Kappaleen nimi",
                       "Taiteilija", "Säveltäjä", "Muusikot"};
    QTest::newRow("musicians") << "DBGrid3"
                               << "MusikerSource" << QStringList{"Musiker", "Instrument", "NrTitel"}
                               << QStringList{"Muusikot", "Soitin", "Kappaleen nimi"};
    QTest::newRow("overview: eight columns")
        << "DBGrid1"
        << "LydsamSource" << QStringList{"Kunstner", "Titel",      "Genre",     "Forlag",
                                         "RegNr",    "Indspillet", "Anskaffet", "Pris"}
        << QStringList{"Taiteilija",   "Kappaleen nimi", "Musiikkityypit", "Kustannusyhtiö",
                       "Rekisterinro", "Äänitetty",      "Ostettu",        "Hinta"};
    QTest::newRow("genres") << "DBGrid5"
                            << "GenreSource" << QStringList{"Genre"}
                            << QStringList{"Musiikkityypit"};
}

void TestForm1Layout::gridColumns() {
    QFETCH(QString, grid);
    QFETCH(QString, source);
    QFETCH(QStringList, fields);
    QFETCH(QStringList, titles);
    const auto* g = form_->findChild<TDBGrid*>(grid);
    QVERIFY(g);
    QCOMPARE(g->dataSource()->objectName(), source);
    const QList<TColumn> columns = g->columns();
    QCOMPARE(columns.size(), fields.size());
    for (int i = 0; i < columns.size(); ++i) {
        QCOMPARE(columns[i].fieldName, fields[i]);
        QCOMPARE(columns[i].title, titles[i]);
        QCOMPARE(g->model()->headerData(i, Qt::Horizontal).toString(), titles[i]);
    }
}

void TestForm1Layout::trackGridHidesReleaseTitleColumn() {
    form_->selectPage(child<QWidget>("TabSheet3"));
    const auto* g = child<TDBGrid>("DBGrid2");
    QCOMPARE(g->model()->columnCount(), 6);
    QCOMPARE(g->columns()[0].width, 0);
    QVERIFY(g->columnWidth(0) == 0 || g->isColumnHidden(0));
    QCOMPARE(g->columns()[1].fieldName, QStringLiteral("Nummer"));
    QVERIFY(g->columnWidth(1) > 0);
}

void TestForm1Layout::onlyReleaseListIsReadOnly_data() {
    QTest::addColumn<QString>("grid");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("registration page list cannot be edited") << "DBGrid4" << true;
    QTest::newRow("overview editable") << "DBGrid1" << false;
    QTest::newRow("tracks editable") << "DBGrid2" << false;
    QTest::newRow("musicians editable") << "DBGrid3" << false;
    QTest::newRow("genres editable") << "DBGrid5" << false;
}

void TestForm1Layout::onlyReleaseListIsReadOnly() {
    QFETCH(QString, grid);
    QFETCH(bool, readOnly);
    const auto* g = form_->findChild<TDBGrid*>(grid);
    QVERIFY(g);
    QCOMPARE(g->isReadOnly(), readOnly);
}

void TestForm1Layout::toolbarButtons_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("hint");
    QTest::addColumn<bool>("down");
    QTest::addColumn<bool>("enabled");
    QTest::newRow("a1 artist sort, down") << "a1"
                                          << "Lajittelu = Taitelija" << true << true;
    QTest::newRow("a2 title sort") << "a2"
                                   << "Lajittelu = Kappale" << false << true;
    QTest::newRow("a3 publisher sort") << "a3"
                                       << "Lajittelu = Kustantaja" << false << true;
    QTest::newRow("a4 catalogue sort") << "a4"
                                       << "Lajittelu = Rek.nro" << false << true;
    QTest::newRow("b1 CD") << "b1"
                           << "Näytä kaikki cd-levyt" << false << true;
    QTest::newRow("b2 MD") << "b2"
                           << "Näytä kaikki md-levyt" << false << true;
    QTest::newRow("b3 LP") << "b3"
                           << "Näytä kaikki lp-levyt" << false << true;
    QTest::newRow("b4 cassette") << "b4"
                                 << "Näytä kaikki kasetti-levyt" << false << true;
    QTest::newRow("b5 single") << "b5"
                               << "Näytä kaikki singlet" << false << true;
    QTest::newRow("b6 78") << "b6"
                           << "Näytä kaikki 78-levyt" << false << true;
    QTest::newRow("b7 all, down") << "b7"
                                  << "Näytä kaikki" << true << true;
    QTest::newRow("c1 all musicians, disabled") << "c1"
                                                << "Näytä kaikki" << false << false;
    QTest::newRow("c2 one musician, disabled") << "c2"
                                               << "Näytä valittu muusikko" << false << false;
    QTest::newRow("c3 one instrument, disabled") << "c3"
                                                 << "Näytä valittu soitin" << false << false;
    QTest::newRow("d1 print") << "d1"
                              << "Tulostus" << false << true;
}

void TestForm1Layout::toolbarButtons() {
    QFETCH(QString, name);
    QFETCH(QString, hint);
    QFETCH(bool, down);
    QFETCH(bool, enabled);
    const auto* b = form_->findChild<QToolButton*>(name);
    QVERIFY(b);
    QCOMPARE(b->parentWidget()->objectName(), QStringLiteral("ToolBar1"));
    QCOMPARE(b->toolTip(), hint);
    QCOMPARE(b->isChecked(), down);
    QCOMPARE(b->isEnabled(), enabled);
    QCOMPARE(b->size(), QSize(28, 26));
    QCOMPARE(b->iconSize(), QSize(16, 16));
    QVERIFY(!b->icon().pixmap(16, 16).isNull());
    QVERIFY(b->text().isEmpty() || b->toolButtonStyle() == Qt::ToolButtonIconOnly);
}

void TestForm1Layout::toolbarButtonKeepsDownStateOnClick() {
    // Only the commands set the down state: a second click does not toggle a button up.
    auto* a1 = child<QToolButton>("a1");
    auto* a2 = child<QToolButton>("a2");
    QTest::mouseClick(a2, Qt::LeftButton);
    QTest::mouseClick(a2, Qt::LeftButton);
    QVERIFY(!a1->isChecked());
    QVERIFY(a2->isChecked());
}

void TestForm1Layout::navigators_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("source");
    QTest::newRow("releases under the toolbar") << "DBNavigator1"
                                                << "LydsamSource";
    QTest::newRow("genres") << "DBNavigator2"
                            << "GenreSource";
    QTest::newRow("musicians") << "DBNavigator3"
                               << "MusikerSource";
    QTest::newRow("tracks") << "DBNavigator4"
                            << "NumreSource";
}

void TestForm1Layout::navigators() {
    QFETCH(QString, name);
    QFETCH(QString, source);
    const auto* n = form_->findChild<TDBNavigator*>(name);
    QVERIFY(n);
    QCOMPARE(n->dataSource()->objectName(), source);
    const QStringList hints = {"Ensimmäinen", "Edellinen", "Seuraava", "Viimeinen", "Lisää",
                               "Poista",      "Muokkaa",   "Tallenna", "Kumoa"};
    for (int i = nbFirst; i <= nbCancel; ++i) {
        const QToolButton* b = n->button(static_cast<TNavigateBtn>(i));
        QVERIFY(!b->isHidden());
        QCOMPARE(b->toolTip(), hints[i]);
    }
    QVERIFY(n->button(nbRefresh)->isHidden());
}

void TestForm1Layout::notesNavigatorOffersEditPostCancelOnly() {
    const auto* n = child<TDBNavigator>("DBNavigator5");
    QCOMPARE(n->dataSource()->objectName(), QStringLiteral("NumreSource"));
    for (int i = nbFirst; i <= nbRefresh; ++i) {
        const auto b = static_cast<TNavigateBtn>(i);
        QCOMPARE(!n->button(b)->isHidden(), b == nbEdit || b == nbPost || b == nbCancel);
    }
    QCOMPARE(n->button(nbEdit)->toolTip(), QStringLiteral("Ret"));
    QCOMPARE(n->button(nbPost)->toolTip(), QStringLiteral("Gem"));
    QCOMPARE(n->button(nbCancel)->toolTip(), QStringLiteral("Fortryd"));
    QCOMPARE(n->size(), QSize(183, 20));
}

void TestForm1Layout::recordLocators_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("field");
    QTest::newRow("artist search over releases") << "RecLocate1"
                                                 << "LydsamSource"
                                                 << "Kunstner";
    QTest::newRow("track search over tracks") << "RecLocate2"
                                              << "NumreSource"
                                              << "NrTitel";
}

void TestForm1Layout::recordLocators() {
    QFETCH(QString, name);
    QFETCH(QString, source);
    QFETCH(QString, field);
    const auto* r = form_->findChild<TRecLocate*>(name);
    QVERIFY(r);
    QCOMPARE(r->dataSource()->objectName(), source);
    QCOMPARE(r->DataField, field);
    QCOMPARE(r->MatchType, maAnywhere);
    QVERIFY(r->IgnoreCase);
    QCOMPARE(r->FailPos, fpOriginal);
    QVERIFY(r->DisableControls);
    QCOMPARE(r->FindCursor, TRecLocate::crHourGlass);
    QVERIFY(r->DoBackground);
    QVERIFY(r->UseIndexes);
    QCOMPARE(r->NumRecs, 0);
    QCOMPARE(r->ProgressCount(), 0);
    QCOMPARE(r->MaxMemoSize(), 32767);
    QVERIFY(r->FindText.isEmpty());
}

void TestForm1Layout::fonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("pixelSize");
    QTest::addColumn<bool>("bold");
    QTest::newRow("window font on a label") << "Label2" << 13 << false;
    QTest::newRow("window font on an edit") << "DBEdit1" << 13 << false;
    QTest::newRow("small musician filter label") << "Label18" << 11 << false;
    QTest::newRow("small musician filter box") << "Edit1" << 11 << false;
    QTest::newRow("notes heading") << "Label9" << 16 << false;
    QTest::newRow("first instruction line") << "Label10" << 16 << false;
    QTest::newRow("second instruction line") << "Label11" << 16 << false;
    QTest::newRow("other instruction lines") << "Label15" << 13 << false;
    QTest::newRow("genre page heading") << "Label26" << 20 << false;
    QTest::newRow("headline data label") << "DBText4" << 13 << true;
    QTest::newRow("title") << "EffectLabel1" << 37 << true;
}

void TestForm1Layout::fonts() {
    QFETCH(QString, name);
    QFETCH(int, pixelSize);
    QFETCH(bool, bold);
    const auto* w = form_->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->font().pixelSize(), pixelSize);
    QCOMPARE(w->font().bold(), bold);
}

void TestForm1Layout::layoutColours() {
    const QColor navy(0, 0, 128);
    const QColor silver(192, 192, 192);
    for (const char* name : {"DBText1", "DBText2", "DBText3", "DBText4", "DBText5", "Label26"})
        QCOMPARE(child<QWidget>(name)->palette().color(QPalette::WindowText), navy);
    // The stored colours never reach the lookup lists.
    for (const char* name : {"DBLookupComboBox1", "DBLookupComboBox2"}) {
        const auto* c = child<QWidget>(name);
        QCOMPARE(c->palette().color(QPalette::Button), silver);
        QCOMPARE(c->palette().color(QPalette::Base), silver);
    }
    QCOMPARE(child<QWidget>("Label2")->palette().color(QPalette::WindowText), QColor(Qt::black));
}

void TestForm1Layout::effectLabel() {
    const auto* e = child<TEffectLabel>("EffectLabel1");
    const auto* image = child<QSvgWidget>("Image1");
    QCOMPARE(e->geometry(), QRect(8, 0, 308, 57));
    QCOMPARE(image->geometry(), QRect(68, 0, 492, 326));
    QVERIFY(image->renderer()->isValid());
    QCOMPARE(e->text(), QStringLiteral("Levyholvi"));
    QCOMPARE(e->font().family(), QStringLiteral("Liberation Serif"));
    QCOMPARE(e->fontColor(), QColor(0, 255, 255));
    QVERIFY(e->transparent());
    QCOMPARE(e->effectStyle(), TEffectLabel::esCustom);
    QCOMPARE(e->colourScheme(), TEffectLabel::csCustom);
    QCOMPARE(e->colourHighlight(), QColor(128, 128, 128));
    QCOMPARE(e->colourShadow(), QColor(0, 0, 0));
    QCOMPARE(e->depthShadow(), 4);
    QCOMPARE(e->directionShadow(), TEffectLabel::edDownRight);
    QCOMPARE(e->depthHighlight(), 1);
    QCOMPARE(e->directionHighlight(), TEffectLabel::edUpLeft);
    QCOMPARE(e->angle(), 0);
    // Painted over the picture, not under it.
    const QObjectList& onPage = e->parent()->children();
    QVERIFY(onPage.indexOf(const_cast<TEffectLabel*>(e)) >
            onPage.indexOf(const_cast<QSvgWidget*>(image)));
}

void TestForm1Layout::radioGroupItems() {
    const auto* g = child<TDBRadioGroup>("DBRadioGroup1");
    const QStringList media = {"CD", "MD", "LP", "MC", "SG", "78"};
    QCOMPARE(g->title(), QStringLiteral("Media"));
    QCOMPARE(g->items(), media);
    QCOMPARE(g->values(), media);
    QCOMPARE(g->columns(), 6);
    QCOMPARE(g->dataSource()->objectName(), QStringLiteral("LydsamSource"));
    QCOMPARE(g->dataField(), QStringLiteral("Media"));
    // Six columns: all items on one row.
    form_->selectPage(child<QWidget>("TabSheet2"));
    for (int i = 1; i < 6; ++i)
        QCOMPARE(g->button(i)->y(), g->button(0)->y());
}

void TestForm1Layout::initialTexts() {
    QCOMPARE(child<QLabel>("Label17")->text(), QStringLiteral("Etsi taiteilija"));
    QCOMPARE(child<QLabel>("Label17")->alignment() & Qt::AlignRight, Qt::AlignRight);
    QCOMPARE(child<QLabel>("Label17")->geometry().right() + 1, 105);
    QCOMPARE(child<QLabel>("Label12")->geometry().right() + 1, 390);
    QCOMPARE(child<QLabel>("Label20")->text(), QStringLiteral("0"));
    QCOMPARE(child<QLabel>("Label19")->text(), QStringLiteral("Yhteensä"));
    QCOMPARE(child<QLabel>("Label27")->text(), QStringLiteral("Etsi kappale"));
    for (const char* box : {"Find", "Edit1", "Edit2"})
        QVERIFY2(child<QLineEdit>(box)->text().isEmpty(), box);
    QCOMPARE(child<QToolButton>("SpeedButton11")->text(), QStringLiteral("Poista"));
    QCOMPARE(child<QToolButton>("SpeedButton11")->toolTip(),
             QStringLiteral("Slet den valgte genre"));
    QCOMPARE(child<QWidget>("DBGrid1")->toolTip(),
             QStringLiteral("Kaksoisnapsauta, jos haluat muokata rekisteröintiä"));
    QCOMPARE(child<QToolButton>("SpeedButton12")->text(),
             QStringLiteral("Merkintöjä rekisteröinnistä"));
    QVERIFY(!child<QToolButton>("SpeedButton12")->icon().isNull());
    QCOMPARE(child<TDBLookupComboBox>("DBLookupComboBox2")->dropDownRows(), 16);
    QCOMPARE(child<QLabel>("Label14")->text(),
             QStringLiteral("Poista tyyppi paimalla Ctrl + Delete -näppäimiä"));
    QCOMPARE(child<QLabel>("Label15")->text(),
             QStringLiteral("Voit luoda, poistaa, muokata ja tallentaa musiikkityyppejä "));
    for (const char* small : {"SpeedButton1", "SpeedButton2"}) {
        const auto* b = child<QToolButton>(small);
        QCOMPARE(b->size(), QSize(17, 17));
        QVERIFY(b->text().isEmpty() && b->icon().isNull());
        QCOMPARE(b->toolTip(), QStringLiteral("Seuraava"));
    }
}

void TestForm1Layout::captionsFit_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    // Label17 takes the caption of each sort order; it must fit left of the search box.
    QTest::newRow("search label, artist") << "Label17"
                                          << "Etsi taiteilija";
    QTest::newRow("search label, title") << "Label17"
                                         << "Find titel";
    QTest::newRow("search label, publisher") << "Label17"
                                             << "Etsi kustannusyhtiö";
    QTest::newRow("search label, catalogue") << "Label17"
                                             << "Etsi rekisterinro";
    QTest::newRow("total caption") << "Label19"
                                   << "Yhteensä";
    QTest::newRow("total up to six digits") << "Label20"
                                            << "100000";
    QTest::newRow("track search label") << "Label27"
                                        << "Etsi kappale";
    QTest::newRow("genre choice label") << "Label12"
                                        << "Valitse musiikkityyppi";
    QTest::newRow("musician filter label") << "Label18"
                                           << "Muusikot/Soitin";
    QTest::newRow("notes heading") << "Label9"
                                   << "Merkinnät";
    QTest::newRow("genre page heading") << "Label26"
                                        << "Musiikkityypit";
    QTest::newRow("longest instruction line")
        << "Label10"
        << "Voit luoda tähän eri musiikkityyppejä, joihin voit lajitella";
    QTest::newRow("longest small instruction line")
        << "Label24"
        << "luo uuden rivin, jolle voit kirjoittaa uuden tyypin. Voit ";
}

void TestForm1Layout::captionsFit() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    const auto* label = form_->findChild<QLabel*>(name);
    QVERIFY(label);
    const QFontMetrics metrics(label->font());
    QVERIFY2(
        metrics.horizontalAdvance(caption) <= label->width(),
        qPrintable(
            QStringLiteral("%1 > %2").arg(metrics.horizontalAdvance(caption)).arg(label->width())));
    QVERIFY(metrics.height() <= label->height() + 2);
}

void TestForm1Layout::totalReadable_data() {
    QTest::addColumn<QString>("count");
    QTest::newRow("empty collection") << "0";
    QTest::newRow("100,000 releases") << "100000";
    QTest::newRow("9,999,999 releases") << "9999999";
}

// Measures where the text is drawn, not how wide the label is: all of the number shows
// inside Panel2's bevel, clear of "Yhteensä" and the navigator.
void TestForm1Layout::totalReadable() {
    QFETCH(QString, count);
    auto* panel = child<QFrame>("Panel2");
    auto* total = child<QLabel>("Label20");
    total->setText(count);
    const auto drawn = [panel](const QLabel* l) {
        const QSize text(l->fontMetrics().horizontalAdvance(l->text()), l->fontMetrics().height());
        return QStyle::alignedRect(l->layoutDirection(), l->alignment(), text, l->contentsRect())
            .translated(l->mapTo(panel, QPoint(0, 0)));
    };
    const QRect number = drawn(total);
    QCOMPARE(number & total->geometry() & panel->contentsRect(), number);
    QVERIFY(!number.intersects(drawn(child<QLabel>("Label19"))));
    QVERIFY(!number.intersects(child<QWidget>("DBNavigator1")->geometry()));
}

void TestForm1Layout::windowOpensWithoutEnteringSearchBox() {
    form_->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    QVERIFY(!child<QLineEdit>("Find")->hasFocus());
    QVERIFY(!child<QLineEdit>("Edit2")->hasFocus());
}

void TestForm1Layout::hiddenCarriersNeverTakeFocus_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("field");
    QTest::newRow("release number for new tracks") << "DBEdit12"
                                                   << "LydsamSource"
                                                   << "Num";
    QTest::newRow("release title for musicians") << "DBEdit9"
                                                 << "LydsamSource"
                                                 << "Titel";
    QTest::newRow("track title for musicians") << "DBEdit10"
                                               << "NumreSource"
                                               << "NrTitel";
}

void TestForm1Layout::hiddenCarriersNeverTakeFocus() {
    QFETCH(QString, name);
    QFETCH(QString, source);
    QFETCH(QString, field);
    auto* e = form_->findChild<TDBEdit*>(name);
    QVERIFY(e);
    QCOMPARE(e->dataSource()->objectName(), source);
    QCOMPARE(e->dataField(), field);
    for (int page = 0; page < 7; ++page) {
        form_->selectPage(child<QTabWidget>("PageControl1")->widget(page));
        QVERIFY(!e->isVisible());
    }
    QCOMPARE(e->focusPolicy(), Qt::NoFocus);
    e->setFocus();
    QVERIFY(!e->hasFocus());
}

void TestForm1Layout::fillSampleCollection() {
    // The create handler has opened the five tables, empty in a new data folder.
    for (const engine::Table* t :
         {&form_->LydsamDataSet, &form_->ArkivDataSet, &form_->NumreDataSet, &form_->GenreDataSet,
          &form_->MusikerDataSet})
        QVERIFY(t->isOpen() && t->isEmpty());
    for (const char* genre : {"Iskelmä", "Jazz", "Kansanmusiikki", "Rock"}) {
        form_->GenreDataSet.append();
        form_->GenreDataSet.setText("Genre", genre);
        form_->GenreDataSet.post();
    }
    addRelease(form_->LydsamDataSet, {{"Kunstner", "Pohjantähti-orkesteri"},
                                      {"Titel", "Talviyön valssit"},
                                      {"Genre", "Iskelmä"},
                                      {"Media", "LP"},
                                      {"Forlag", "Revontuli Levy"},
                                      {"RegNr", "RL 1042"},
                                      {"Indspillet", "1962"},
                                      {"Anskaffet", "1988"},
                                      {"Pris", "45"}});
    addRelease(form_->LydsamDataSet, {{"Kunstner", "Kuutamokvartetti"},
                                      {"Titel", "Sininen hetki"},
                                      {"Genre", "Jazz"},
                                      {"Media", "CD"},
                                      {"Forlag", "Saaristo"},
                                      {"RegNr", "SAA-7"},
                                      {"Indspillet", "1994"},
                                      {"Anskaffet", "1995"},
                                      {"Pris", "99,5"}});
    form_->LydsamDataSet.first();
}

void TestForm1Layout::controlsShowTheirFields() {
    fillSampleCollection();
    if (QTest::currentTestFailed())
        return;
    engine::Table& releases = form_->LydsamDataSet;
    QVERIFY(releases.locate("Titel", "Sininen hetki"));
    form_->selectPage(child<QWidget>("TabSheet2"));
    const std::pair<const char*, const char*> edits[] = {
        {"DBEdit1", "Titel"},     {"DBEdit2", "Kunstner"}, {"DBEdit3", "Forlag"},
        {"DBEdit4", "Genre"},     {"DBEdit5", "RegNr"},    {"DBEdit8", "Indspillet"},
        {"DBEdit7", "Anskaffet"}, {"DBEdit12", "Num"},     {"DBEdit9", "Titel"}};
    for (const auto& [name, field] : edits)
        QCOMPARE(child<QLineEdit>(name)->text(), QString::fromStdString(releases.asText(field)));
    QCOMPARE(child<QLineEdit>("DBEdit6")->text(), dbaware::currencyDisplayText(99.5));
    QCOMPARE(child<QLabel>("DBText4")->text(), QStringLiteral("Sininen hetki"));
    QCOMPARE(child<QLabel>("DBText5")->text(), QStringLiteral("Kuutamokvartetti"));
    QCOMPARE(child<TDBRadioGroup>("DBRadioGroup1")->itemIndex(), 0); // CD
    QCOMPARE(child<QComboBox>("DBLookupComboBox1")->currentText(), QStringLiteral("Jazz"));

    // Picking from the list beside the genre edit writes the same field, shown at once.
    auto* lookup = child<QComboBox>("DBLookupComboBox1");
    const int rock = lookup->findText(QStringLiteral("Rock"));
    QVERIFY(rock >= 0);
    lookup->setCurrentIndex(rock);
    emit lookup->activated(rock);
    QCOMPARE(child<QLineEdit>("DBEdit4")->text(), QStringLiteral("Rock"));

    // A medium that is none of the six leaves every item unchecked.
    releases.cancel();
    QVERIFY(releases.locate("Titel", "Talviyön valssit"));
    QCOMPARE(child<TDBRadioGroup>("DBRadioGroup1")->itemIndex(), 2); // LP
    releases.edit();
    releases.setText("Media", "");
    QCOMPARE(child<TDBRadioGroup>("DBRadioGroup1")->itemIndex(), -1);
    releases.cancel();
    QVERIFY(errors_.isEmpty());
}

void TestForm1Layout::pageFromCodeDoesNotRunPageChange() {
    QSignalSpy spy(form_.get(), &TForm1::userPageChange);
    auto* pages = child<QTabWidget>("PageControl1");
    for (int i = 6; i >= 0; --i) {
        form_->selectPage(pages->widget(i));
        QCOMPARE(pages->currentIndex(), i);
        QCOMPARE(form_->activePageNumber(), i + 1);
    }
    QCOMPARE(spy.count(), 0);
}

void TestForm1Layout::userTabSelectionRunsPageChange() {
    QSignalSpy spy(form_.get(), &TForm1::userPageChange);
    auto* pages = child<QTabWidget>("PageControl1");
    form_->selectPage(pages->widget(0));
    QTabBar* tabs = pages->tabBar();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    QCOMPARE(pages->currentIndex(), 2);
    QCOMPARE(spy.count(), 1);
    // Clicking the tab that is already current changes nothing.
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(2).center());
    QCOMPARE(spy.count(), 1);
    // The keyboard selects too.
    tabs->setFocus();
    QTest::keyClick(tabs, Qt::Key_Right);
    QCOMPARE(pages->currentIndex(), 3);
    QCOMPARE(spy.count(), 2);
    QVERIFY(errors_.isEmpty());
}

void TestForm1Layout::resizeKeepsBarsAndFixedPlaces() {
    auto* pages = child<QTabWidget>("PageControl1");
    auto* grid2 = child<QWidget>("DBGrid2");
    auto* grid1 = child<QWidget>("DBGrid1");
    auto* memo2 = child<QWidget>("DBMemo2");
    auto* nav3 = child<QWidget>("DBNavigator3");
    auto* nav5 = child<QWidget>("DBNavigator5");
    auto* panel12 = child<QWidget>("Panel12");
    auto* panel9 = child<QWidget>("Panel9");
    auto sizes = [&] {
        QList<QSize> out;
        for (int i = 0; i < 7; ++i) {
            form_->selectPage(pages->widget(i));
            QCoreApplication::processEvents();
        }
        form_->selectPage(pages->widget(2));
        out << grid2->size();
        form_->selectPage(pages->widget(4));
        out << grid1->size();
        form_->selectPage(pages->widget(3));
        out << memo2->size();
        return out;
    };
    const QList<QSize> before = sizes();
    form_->resize(form_->width() + 100, form_->height() + 60);
    QCoreApplication::processEvents();
    const QList<QSize> after = sizes();

    QCOMPARE(child<QWidget>("ToolBar1")->height(), 33);
    QCOMPARE(child<QWidget>("Panel2")->height(), 40);
    QCOMPARE(child<QWidget>("ToolBar1")->width(), form_->centralWidget()->width());
    QCOMPARE(child<QWidget>("Panel2")->width(), form_->centralWidget()->width());
    for (int i = 0; i < before.size(); ++i)
        QCOMPARE(after[i], before[i] + QSize(100, 60));
    // Docked right: the navigators follow the right edge of their panels.
    form_->selectPage(pages->widget(3));
    QCOMPARE(nav3->geometry().right(), panel12->contentsRect().right());
    QCOMPARE(nav3->width(), 240);
    form_->selectPage(pages->widget(5));
    QCOMPARE(nav5->geometry().right(), panel9->contentsRect().right());
    // Fixed places stay.
    form_->selectPage(pages->widget(1));
    QCOMPARE(child<QWidget>("DBEdit1")->geometry(), QRect(20, 34, 293, 24));
    QCOMPARE(child<QWidget>("Panel5")->geometry(), QRect(335, 24, 274, 228));
    QCOMPARE(child<QWidget>("DBNavigator1")->geometry(), QRect(289, 8, 234, 25));
    form_->selectPage(pages->widget(6));
    QCOMPARE(child<QWidget>("Panel1")->width(), 177);
    QCOMPARE(child<QWidget>("DBNavigator2")->geometry(), QRect(27, 280, 396, 41));
}

// Paints every page; with LEVYHOLVI_PAGE_PNG_DIR set the pictures are kept for a look.
void TestForm1Layout::renderPages() {
    fillSampleCollection();
    if (QTest::currentTestFailed())
        return;
    engine::Table& tracks = form_->NumreDataSet;
    const char* titles[] = {"Pakkasyön tango", "Lumikiteet", "Jäätyneen järven valssi"};
    for (const char* title : titles) {
        tracks.append();
        tracks.setText("NrTitel", title);
        tracks.setText("Kunstner", "Pohjantähti-orkesteri");
        tracks.setText("Komponist", "Tuntematon säveltäjä");
        tracks.post();
    }
    engine::Table& musicians = form_->MusikerDataSet;
    musicians.append();
    musicians.setText("NrTitel", "Pakkasyön tango");
    musicians.setText("Musiker", "Maija Meikäläinen");
    musicians.setText("Instrument", "Haitari");
    musicians.post();

    const QString folder = qEnvironmentVariable("LEVYHOLVI_PAGE_PNG_DIR");
    auto* pages = child<QTabWidget>("PageControl1");
    for (int i = 0; i < 7; ++i) {
        form_->selectPage(pages->widget(i));
        QCoreApplication::processEvents();
        const QPixmap shot = form_->grab();
        QVERIFY(!shot.isNull());
        QCOMPARE(shot.size(), form_->size());
        if (!folder.isEmpty())
            QVERIFY(shot.save(QStringLiteral("%1/page%2.png").arg(folder).arg(i + 1)));
    }
    QVERIFY(errors_.isEmpty());
}

QTEST_MAIN(TestForm1Layout)
#include "tst_form1layout.moc"
