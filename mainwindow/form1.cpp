#include "form1.h"
#include "statswindow.h"

#include "coverthumbs.h"
#include "coverwall.h"

#include "history/history.h"
#include "sessionend.h"

#include "store/collection.h"

#include "dbaware/errorbox.h"
#include "extras/playwav.h"
#include "locate/reclocate.h"
#include "store/collectionfiles.h"
#include "store/collectionlock.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QFocusEvent>
#include <QFont>
#include <QLayout>
#include <QMenuBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QTabBar>

#include <set>

// The resources live in this static library; this pulls them into whatever links it.
static void initMainWindowResources() {
    Q_INIT_RESOURCE(mainwindow);
}

namespace {

// The client area at the creation size: toolbar, Panel2 and the pages.
constexpr int kClientWidth = 632;
constexpr int kClientHeight = 434;

const QStringList kNavigatorHints = {
    QStringLiteral("Ensimmäinen"), QStringLiteral("Edellinen"), QStringLiteral("Seuraava"),
    QStringLiteral("Viimeinen"),   QStringLiteral("Lisää"),     QStringLiteral("Poista"),
    QStringLiteral("Muokkaa"),     QStringLiteral("Tallenna"),  QStringLiteral("Kumoa")};

const std::set<TNavigateBtn> kNineButtons = {nbFirst,  nbPrior, nbNext, nbLast,  nbInsert,
                                             nbDelete, nbEdit,  nbPost, nbCancel};

// "MS Sans Serif" becomes a sans-serif face, "Times New Roman" Liberation Serif, both at the
// same pixel heights.
QFont sansFont(int pixelSize, bool bold = false) {
    QFont f;
    f.setFamilies({QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans")});
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

QFont serifFont(int pixelSize, bool bold) {
    QFont f(QStringLiteral("Liberation Serif"));
    f.setStyleHint(QFont::Serif);
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

} // namespace

TForm1::TForm1(const QString& dataFolder, const QString& settingsFile, QWidget* parent)
    : QMainWindow(parent), dataFolder_(dataFolder), settingsFile_(settingsFile) {
    beginOpening(); // the tables load on the other cores while the window is built
    initMainWindowResources();
    setupUi(this);
    createComponents();
    applyFonts();
    applyLayoutDetails();
    bindControls();
    connectHandlers();
    createImportMenu();
    createEditMenu();
    createStatsMenu();
    createCoverMenu();
    createExportMenu();
    nameControls();
    // As a stored layout's create handler: an error is shown and the window still opens.
    dbaware::guarded([this] { FormCreate(); }, this);
}

TForm1::~TForm1() {
    delete std::exchange(statsWindow_, nullptr); // it may be reading the tables
    delete std::exchange(coverWall_, nullptr);   // it shows the tables' rows
    delete std::exchange(coverThumbs_, nullptr); // its threads read the covers' files
    delete std::exchange(coverDock_, nullptr);   // hidden as it goes, it would resize us
    Find->removeEventFilter(this);
    Edit2->removeEventFilter(this);
    // The controls and sources outlive the tables (they are children, deleted after the
    // members): let go of the tables first.
    for (TDataSource* source : {LydsamSource, NumreSource, MusikerSource, GenreSource, ArkivSource})
        source->setDataSet(nullptr);
    RecLocate1->setDataSource(nullptr);
    RecLocate2->setDataSource(nullptr);
    delete std::exchange(history_, nullptr); // it watches the tables
}

void TForm1::createComponents() {
    auto makeSource = [this](const char* name, engine::Table& table) {
        auto* source = new TDataSource(this);
        source->setObjectName(QLatin1String(name));
        source->setDataSet(&table);
        return source;
    };
    LydsamSource = makeSource("LydsamSource", LydsamDataSet);
    NumreSource = makeSource("NumreSource", NumreDataSet);
    MusikerSource = makeSource("MusikerSource", MusikerDataSet);
    GenreSource = makeSource("GenreSource", GenreDataSet);
    ArkivSource = makeSource("ArkivSource", ArkivDataSet);

    LydsamDataSet.afterInsert = [this] {
        runInsertRule(LydsamDataSet, &TForm1::LydsamDataSetAfterInsert);
    };
    LydsamDataSet.afterPost = [this] { LydsamDataSetAfterPost(); };
    LydsamDataSet.afterDelete = [this] { LydsamDataSetAfterDelete(); };
    NumreDataSet.afterInsert = [this] {
        runInsertRule(NumreDataSet, &TForm1::NumreDataSetAfterInsert);
    };
    NumreDataSet.afterPost = [this] { NumreDataSetAfterPost(); };
    MusikerDataSet.afterInsert = [this] {
        runInsertRule(MusikerDataSet, &TForm1::MusikerDataSetAfterInsert);
    };

    auto makeLocator = [this](const char* name, TDataSource* source, const QString& field) {
        auto* locator = new TRecLocate(this);
        locator->setObjectName(QLatin1String(name));
        locator->setDataSource(source);
        locator->DataField = field;
        locator->MatchType = maAnywhere;
        locator->IgnoreCase = true;
        locator->FailPos = fpOriginal;
        locator->DisableControls = true;
        locator->FindCursor = TRecLocate::crHourGlass;
        locator->DoBackground = true;
        locator->UseIndexes = true;
        locator->NumRecs = 0;
        locator->setProgressCount(0);
        locator->setMaxMemoSize(32767);
        return locator;
    };
    RecLocate1 = makeLocator("RecLocate1", LydsamSource, QStringLiteral("Kunstner"));
    RecLocate2 = makeLocator("RecLocate2", NumreSource, QStringLiteral("NrTitel"));

    PlayWav1 = new TPlayWav(this);
    PlayWav1->setObjectName(QStringLiteral("PlayWav1"));
}

// Pixel heights cannot be stored in the layout file (it knows points only).
void TForm1::applyFonts() {
    const QFont windowFont = sansFont(13);
    setFont(windowFont);
    // The search label ends at a fixed right edge; its longest caption ("Etsi
    // kustannusyhtiö") only fits there a little condensed.
    QFont searchLabelFont = windowFont;
    searchLabelFont.setStretch(92);
    Label17->setFont(searchLabelFont);
    // The total ends at the panel's edge; seven digits fit beside "Yhteensä" only so.
    Label20->setFont(searchLabelFont);
    for (QWidget* w : {static_cast<QWidget*>(Label18), static_cast<QWidget*>(Edit1)})
        w->setFont(sansFont(11));
    for (QLabel* l : {Label9, Label10, Label11})
        l->setFont(sansFont(16));
    Label26->setFont(sansFont(20));
    for (TDBText* t : {DBText1, DBText2, DBText3, DBText4, DBText5})
        t->setFont(sansFont(13, true));
    DBGrid4->setTitleFont(windowFont);
    EffectLabel1->setFont(serifFont(37, true));
}

void TForm1::applyLayoutDetails() {
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }

    // The help menu exists but cannot be reached.
    Help1->menuAction()->setVisible(false);

    // Toolbar buttons sit side by side as in an image-list toolbar.
    ToolBar1->layout()->setSpacing(0);
    d1->setMenu(PopupMenu1);

    PageControl1->tabBar()->setAttribute(Qt::WA_Hover); // tabs highlight under the mouse
    // The window opens with the focus on the tabs: in the search box it would mean entering
    // the box, which switches pages.
    PageControl1->setFocus();

    Image1->load(QStringLiteral(":/mainwindow/images/title.svg"));

    // Set in this order: a scheme brings its own colours, then the label's own follow.
    EffectLabel1->setColourScheme(TEffectLabel::csCustom);
    EffectLabel1->setEffectStyle(TEffectLabel::esCustom);
    EffectLabel1->setColourHighlight(QColor(128, 128, 128));
    EffectLabel1->setColourShadow(QColor(0, 0, 0));
    EffectLabel1->setFontColor(QColor(0, 255, 255));
    EffectLabel1->setDepthShadow(4);
    EffectLabel1->setDirectionShadow(TEffectLabel::edDownRight);
    EffectLabel1->setDepthHighlight(1);
    EffectLabel1->setDirectionHighlight(TEffectLabel::edUpLeft);
    EffectLabel1->setAngle(0);
    EffectLabel1->setTransparent(true);

    for (TDBText* t : {DBText1, DBText2, DBText3})
        t->setAutoSize(true);
    DBMemo3->setVerticalScrollBar(true);
    DBMemo1->setVerticalScrollBar(true);

    for (TDBNavigator* n : {DBNavigator1, DBNavigator2, DBNavigator3, DBNavigator4}) {
        n->setVisibleButtons(kNineButtons);
        n->setHints(kNavigatorHints);
    }
    DBNavigator5->setVisibleButtons({nbEdit, nbPost, nbCancel});
    DBNavigator5->button(nbEdit)->setToolTip(QStringLiteral("Ret"));
    DBNavigator5->button(nbPost)->setToolTip(QStringLiteral("Gem"));
    DBNavigator5->button(nbCancel)->setToolTip(QStringLiteral("Fortryd"));

    const QStringList media = {QStringLiteral("CD"), QStringLiteral("MD"), QStringLiteral("LP"),
                               QStringLiteral("MC"), QStringLiteral("SG"), QStringLiteral("78")};
    DBRadioGroup1->setColumns(6);
    DBRadioGroup1->setItems(media, media);

    DBLookupComboBox2->setDropDownRows(16);

    DBGrid4->setReadOnly(true);
}

void TForm1::bindControls() {
    const struct {
        TDBEdit* edit;
        TDataSource* source;
        const char* field;
    } edits[] = {
        {DBEdit1, LydsamSource, "Titel"},     {DBEdit2, LydsamSource, "Kunstner"},
        {DBEdit3, LydsamSource, "Forlag"},    {DBEdit4, LydsamSource, "Genre"},
        {DBEdit5, LydsamSource, "RegNr"},     {DBEdit8, LydsamSource, "Indspillet"},
        {DBEdit7, LydsamSource, "Anskaffet"}, {DBEdit6, LydsamSource, "Pris"},
        {DBEdit12, LydsamSource, "Num"},      {DBEdit10, NumreSource, "NrTitel"},
        {DBEdit9, LydsamSource, "Titel"},
    };
    for (const auto& e : edits) {
        e.edit->setDataSource(e.source);
        e.edit->setDataField(QLatin1String(e.field));
    }

    const struct {
        TDBText* text;
        TDataSource* source;
        const char* field;
    } texts[] = {
        {DBText4, LydsamSource, "Titel"},    {DBText5, LydsamSource, "Kunstner"},
        {DBText1, MusikerSource, "Titel"},   {DBText3, NumreSource, "Kunstner"},
        {DBText2, NumreSource, "Komponist"},
    };
    for (const auto& t : texts) {
        t.text->setDataSource(t.source);
        t.text->setDataField(QLatin1String(t.field));
    }

    const struct {
        TDBMemo* memo;
        TDataSource* source;
        const char* field;
    } memos[] = {
        {DBMemo2, MusikerSource, "Notat"},
        {DBMemo3, NumreSource, "KunstnerNotat"},
        {DBMemo1, NumreSource, "KomponistNotat"},
    };
    for (const auto& m : memos) {
        m.memo->setDataSource(m.source);
        m.memo->setDataField(QLatin1String(m.field));
    }

    DBLookupComboBox1->setDataSource(LydsamSource);
    DBLookupComboBox1->setDataField(QStringLiteral("Genre"));
    for (TDBLookupComboBox* c : {DBLookupComboBox1, DBLookupComboBox2}) {
        c->setKeyField(QStringLiteral("Genre"));
        c->setListField(QStringLiteral("Genre"));
        c->setListSource(GenreSource);
    }

    DBRadioGroup1->setDataSource(LydsamSource);
    DBRadioGroup1->setDataField(QStringLiteral("Media"));

    DBNavigator1->setDataSource(LydsamSource);
    DBNavigator4->setDataSource(NumreSource);
    DBNavigator3->setDataSource(MusikerSource);
    DBNavigator5->setDataSource(NumreSource);
    DBNavigator2->setDataSource(GenreSource);

    auto col = [](const char* field, const QString& title, int width = -1) {
        return TColumn{QLatin1String(field), title, width};
    };
    DBGrid4->setColumns({col("Kunstner", QStringLiteral("Taiteilija")),
                         col("Titel", QStringLiteral("Kappaleen nimi"))});
    DBGrid2->setColumns({col("Titel", QStringLiteral("Kappale"), 0),
                         col("Nummer", QStringLiteral("Kappaleet")),
                         col("NrTitel", QStringLiteral("Kappaleen nimi")),
                         col("Kunstner", QStringLiteral("Taiteilija")),
                         col("Komponist", QStringLiteral("Säveltäjä")),
                         col("Musiker", QStringLiteral("Muusikot"))});
    DBGrid3->setColumns({col("Musiker", QStringLiteral("Muusikot")),
                         col("Instrument", QStringLiteral("Soitin")),
                         col("NrTitel", QStringLiteral("Kappaleen nimi"))});
    DBGrid1->setColumns({col("Kunstner", QStringLiteral("Taiteilija")),
                         col("Titel", QStringLiteral("Kappaleen nimi")),
                         col("Genre", QStringLiteral("Musiikkityypit")),
                         col("Forlag", QStringLiteral("Kustannusyhtiö")),
                         col("RegNr", QStringLiteral("Rekisterinro")),
                         col("Indspillet", QStringLiteral("Äänitetty")),
                         col("Anskaffet", QStringLiteral("Ostettu")),
                         col("Pris", QStringLiteral("Hinta"))});
    DBGrid5->setColumns({col("Genre", QStringLiteral("Musiikkityypit"))});
    DBGrid4->setDataSource(LydsamSource);
    DBGrid2->setDataSource(NumreSource);
    DBGrid3->setDataSource(MusikerSource);
    DBGrid1->setDataSource(LydsamSource);
    DBGrid5->setDataSource(GenreSource);
}

template <typename Sender, typename Signal>
void TForm1::connectHandler(Sender* sender, Signal signal, void (TForm1::*handler)()) {
    connect(sender, signal, this, [this, handler] { runHandler(handler); });
}

void TForm1::runHandler(void (TForm1::*handler)()) {
    dbaware::guarded([this, handler] { (this->*handler)(); }, this);
}

void TForm1::connectHandlers() {
    const struct {
        QAbstractButton* button;
        void (TForm1::*handler)();
    } buttons[] = {
        {a1, &TForm1::a1Click},
        {a2, &TForm1::a2Click},
        {a3, &TForm1::a3Click},
        {a4, &TForm1::a4Click},
        {b1, &TForm1::b1Click},
        {b2, &TForm1::b2Click},
        {b3, &TForm1::b3Click},
        {b4, &TForm1::b4Click},
        {b5, &TForm1::b5Click},
        {b6, &TForm1::b6Click},
        {b7, &TForm1::b7Click},
        {c1, &TForm1::c1Click},
        {c2, &TForm1::c2Click},
        {c3, &TForm1::c3Click},
        {SpeedButton1, &TForm1::SpeedButton1Click},
        {SpeedButton2, &TForm1::SpeedButton2Click},
        {SpeedButton11, &TForm1::SpeedButton11Click},
        {SpeedButton12, &TForm1::SpeedButton12Click},
    };
    for (const auto& b : buttons)
        connectHandler(b.button, &QAbstractButton::clicked, b.handler);

    // Menu items share their handlers with the toolbar buttons.
    const struct {
        QAction* action;
        void (TForm1::*handler)();
    } items[] = {
        {Alleregistreringer1, &TForm1::Alleregistreringer1Click},
        {Selekterederegistreringer1, &TForm1::Selekterederegistreringer1Click},
        {UdvalgtepMusikerefanebladet1, &TForm1::UdvalgtepMusikerefanebladet1Click},
        {Tekst1, &TForm1::Tekst1Click},
        {Felter1, &TForm1::Felter1Click},
        {Exit1, &TForm1::Exit1Click},
        {Kunstner1, &TForm1::a1Click},
        {Titel1, &TForm1::a2Click},
        {Forlag1, &TForm1::a3Click},
        {Regnr1, &TForm1::a4Click},
        {CD1, &TForm1::b1Click},
        {MD1, &TForm1::b2Click},
        {LP1, &TForm1::b3Click},
        {MC1, &TForm1::b4Click},
        {SG1, &TForm1::b5Click},
        {N781, &TForm1::b6Click},
        {Visalle1, &TForm1::b7Click},
        {Hjlp1, &TForm1::Hjlp1Click},
        {Information1, &TForm1::Information1Click},
        {Info1, &TForm1::Information1Click},
        {Udskrivalleregistreringer1, &TForm1::Alleregistreringer1Click},
        {UdskrivOversigt1, &TForm1::Selekterederegistreringer1Click},
        {UdskrivMusiker1, &TForm1::UdvalgtepMusikerefanebladet1Click},
    };
    for (const auto& i : items)
        connectHandler(i.action, &QAction::triggered, i.handler);

    connectHandler(Find, &QLineEdit::textChanged, &TForm1::FindChange);
    connectHandler(Edit2, &QLineEdit::textChanged, &TForm1::Edit2Change);
    Find->installEventFilter(this);
    Edit2->installEventFilter(this);
    connectHandler(DBGrid1, &TDBGrid::dblClick, &TForm1::DBGrid1DblClick);
    connectHandler(DBLookupComboBox2, &TDBLookupComboBox::picked, &TForm1::DBLookupComboBox2Click);

    shownPage_ = PageControl1->currentIndex();
    connect(PageControl1, &QTabWidget::currentChanged, this, [this](int index) {
        shownPage_ = index;
        if (selectingPage_)
            return;
        emit userPageChange();
        runHandler(&TForm1::PageControl1Change);
    });
}

void TForm1::selectPage(QWidget* page) {
    const QScopedValueRollback guard(selectingPage_, true);
    PageControl1->setCurrentWidget(page);
}

int TForm1::activePageNumber() const {
    return PageControl1->currentIndex() + 1;
}

void TForm1::closeEvent(QCloseEvent* event) {
    if (importing_) {
        // A save now would hold half an import; the close comes when the import is over.
        closeAfterImport_ = sessionEnding() ? CloseAsked::BySession : CloseAsked::ByUser;
        event->ignore();
        return;
    }
    bool mayClose = false;
    dbaware::guarded([&] { mayClose = FormClose(); }, this);
    if (mayClose)
        event->accept();
    else
        event->ignore();
}

// The boxes' enter events: focus that arrives from elsewhere in the window, not focus coming
// back with the window or after a menu, nor focus that a page switch moves off the page it
// hides (the box is not entered then; the switch would otherwise run the box's handler).
bool TForm1::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        const bool switchingPage = selectingPage_ || PageControl1->currentIndex() != shownPage_;
        const bool entered = !switchingPage && reason != Qt::ActiveWindowFocusReason &&
                             reason != Qt::PopupFocusReason && reason != Qt::MenuBarFocusReason;
        if (entered && watched == Find)
            runHandler(&TForm1::FindEnter);
        else if (entered && watched == Edit2)
            runHandler(&TForm1::Edit2Enter);
    }
    return QMainWindow::eventFilter(watched, event);
}
