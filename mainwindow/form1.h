#pragma once

#include "dbaware/datasource.h"
#include "engine/table.h"
#include "exchange/sources.h"
#include "ui_form1.h"

#include <QColor>
#include <QMainWindow>
#include <QString>

#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class CoverThumbs;
class CoverView;
class CoverWall;
class QCloseEvent;
class QDialog;
class QDockWidget;
class StatsWindow;
struct BulkChoice;
namespace history {
class History;
}
class TPlayWav;
class TRecLocate;
class TRepListForm;
class TRepListForm1;
namespace store {
class CollectionFiles;
class CollectionLock;
class TableOpening;
class TableWatch;
} // namespace store

// The main window: the collection's five tables and every control through which the user sees
// and edits them. Its layout comes from form1.ui; the handlers live in the form1_*.cpp files,
// grouped by what they serve.
class TForm1 : public QMainWindow, private Ui::TForm1 {
    Q_OBJECT

public:
    explicit TForm1(const QString& dataFolder, const QString& settingsFile,
                    QWidget* parent = nullptr);
    ~TForm1() override;

    // Makes a page current without running PageControl1Change; only the user's own tab
    // selection runs it.
    void selectPage(QWidget* page);
    int activePageNumber() const; // 1 to 7 in tab order

    // Replaces the colour dialog (tests): gets the initial colour, returns the chosen one or an
    // invalid colour for cancel. Empty: the platform's colour dialog.
    static std::function<QColor(const QColor& initial)> colorChooser;

    // --- non-visual components, owned for the whole run ------------------------------------
    engine::Table LydsamDataSet, ArkivDataSet, NumreDataSet, GenreDataSet, MusikerDataSet;
    TDataSource *LydsamSource, *NumreSource, *MusikerSource, *GenreSource, *ArkivSource;
    TRecLocate *RecLocate1, *RecLocate2;
    TPlayWav* PlayWav1;

    // --- window: start-up and shutdown -----------------------------------------------------
    void FormCreate();
    bool FormClose(); // false keeps the window open
    void SaveChanges();
    // Brings in what another program saved to the table files meanwhile (a sync tool, another
    // machine); later when a row is being edited or a search or report is running.
    void reloadChangedFiles();
    // Another window has this collection: the tables stay closed and the program ends.
    bool collectionOpenElsewhere() const { return openElsewhere_; }
    void Exit1Click();

    // --- record rules, run by the tables' hooks --------------------------------------------
    void LydsamDataSetAfterInsert();
    void LydsamDataSetAfterPost();
    void LydsamDataSetAfterDelete();
    void NumreDataSetAfterInsert();
    void NumreDataSetAfterPost();
    void MusikerDataSetAfterInsert();

    // --- pages -----------------------------------------------------------------------------
    void PageControl1Change();
    void SpeedButton12Click();
    void DBGrid1DblClick();
    void Information1Click();
    void Hjlp1Click();

    // --- sorting and selection -------------------------------------------------------------
    void a1Click();
    void a2Click();
    void a3Click();
    void a4Click();
    void b1Click();
    void b2Click();
    void b3Click();
    void b4Click();
    void b5Click();
    void b6Click();
    void b7Click();
    void DBLookupComboBox2Click();
    void SpeedButton11Click();
    void c1Click();
    void c2Click();
    void c3Click();

    // --- search boxes ----------------------------------------------------------------------
    void FindEnter();
    void FindChange();
    void SpeedButton1Click();
    void Edit2Enter();
    void Edit2Change();
    void SpeedButton2Click();

    // --- colours ---------------------------------------------------------------------------
    void Tekst1Click();
    void Felter1Click();

    // --- printing --------------------------------------------------------------------------
    void Alleregistreringer1Click();
    void Selekterederegistreringer1Click();
    void UdvalgtepMusikerefanebladet1Click();
    // The two list layouts the commands preview; created after the window, they live for the
    // whole run.
    void setReportLayouts(TRepListForm* releases, TRepListForm1* musicians);

    // --- import ----------------------------------------------------------------------------
    struct ImportChoice {
        QString path;
        bool folderAsGenre = false;
    };
    // Replaces the file and folder dialogs (tests): nothing for cancel. Empty: the dialogs.
    static std::function<std::optional<ImportChoice>(exchange::Source)> importChooser;
    // How long an import runs before its progress shows (tests shorten it).
    static int importProgressDelayMs;
    void TuoDiscogs1Click();
    void TuoMusicBrainz1Click();
    void TuoKansio1Click();
    void TuoCsv1Click();
    // --- export ("&Vie" under "&Tiedostot") -------------------------------------------------
    void Verkkosivu1Click();
    void CsvTaulut1Click();
    // Replaces the save dialog (tests): gets the suggested path, returns the chosen one or ""
    // for cancel. Empty: the platform's file dialog.
    static std::function<QString(const QString& suggested)> exportPathChooser;

    // --- undo and changes of many rows ("&Muokkaa") ------------------------------------------
    void Kumoa1Click();
    void TeeUudelleen1Click();
    void Muutoshistoria1Click();
    void MuutaValittuja1Click();
    void KorvaaNimi1Click();
    // --- statistics ("Tilastot..." under "&Näytä") --------------------------------------------
    void Tilastot1Click();
    StatsWindow* statsWindow() const { return statsWindow_; } // null until first opened
    // --- covers ("Kansikuva" and "Kansiseinä" under "&Näytä"; the cover commands) ---------------
    void Kansiseina1Click();
    void ValitseKansikuva1Click();
    void PoistaKansikuva1Click();
    void setCoverFromFile(const QString& path);
    void setCoverFromImage(const QImage& image);
    CoverView* coverView() const { return coverView_; }
    CoverWall* coverWall() const { return coverWall_; } // null until first opened
    QDockWidget* coverPanel() const { return coverDock_; }
    // Replaces the file dialog (tests): the chosen file, or "" for cancel.
    static std::function<QString()> coverFileChooser;
    // Replace the dialogs (tests): nothing for cancel. Empty: the dialogs.
    static std::function<std::optional<BulkChoice>(int selected)> bulkChangeChooser;
    static std::function<std::optional<BulkChoice>()> renameChooser;

signals:
    // The user's own tab selection is about to run PageControl1Change (lets tests observe it).
    void userPageChange();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createComponents();
    void applyFonts();
    void applyLayoutDetails();
    void bindControls();
    void connectHandlers();
    void createImportMenu();
    void createEditMenu();
    void nameControls();
    // A menu command with the object name tests and handlers find it by.
    static QAction* addMenuItem(QMenu* menu, const char* name, const QString& caption);
    void createStatsMenu();
    void createCoverMenu();
    void showCurrentCover();
    std::int32_t coverRelease() const;
    void setCover(std::shared_ptr<const std::string> picture);
    void statsPicked(int chart, const QString& name);
    void startHistory();
    void updateUndoActions();
    void importFrom(exchange::Source source);
    // Reads the source and adds what it holds, showing progress with Cancel.
    exchange::ImportSummary runImport(exchange::Source source, const ImportChoice& choice);
    std::optional<ImportChoice> chooseImportSource(exchange::Source source);
    void createExportMenu();
    QString chooseExportPath(const QString& caption, const QString& suggested,
                             const QString& filter);
    void exportCsvTables(const QString& folder);
    void postTypedRows();
    // Runs the handler for a signal; an error it raises goes to the error box.
    template <typename Sender, typename Signal>
    void connectHandler(Sender* sender, Signal signal, void (TForm1::*handler)());
    void runHandler(void (TForm1::*handler)());

    void beginOpening();
    void keepChangeJournal(); // replays a crashed session's, then keeps this one's
    void bringInConflictCopies();
    void watchTableFiles();
    // A message for the user; written to standard error when the session is ending.
    void tell(const QString& text);
    // The same for an error, which otherwise goes to the error box.
    void reportError(const QString& message);
    engine::Table& tableNamed(const std::string& name);
    std::string tablePath(const std::string& name) const;
    void showReleaseTotal();
    // "Field = 'value'" with the value's quotes doubled, so any text selects itself.
    static std::string filterEquals(std::string_view field, std::string_view value);
    void enableMusicianCommands(bool on);
    void sortBy(ToolbarButton* button, const char* field, const QString& caption,
                bool swapListColumns);
    void selectMedium(ToolbarButton* button, const char* code);
    void selectMusicians(ToolbarButton* button, const char* field, const QString& emptyMessage);
    QColor chooseColor(const QColor& initial);

    // The values a record-rule hook left in a new row; an insert still holding exactly these
    // was never typed into.
    using RowValues = std::vector<std::optional<std::string>>;
    static RowValues rowValues(const engine::Table& t);
    void runInsertRule(engine::Table& t, void (TForm1::*rule)());
    void cancelUntypedInserts();

    QString dataFolder_;
    QString settingsFile_;
    std::unique_ptr<store::CollectionLock> lock_;
    std::exception_ptr startError_;                // of beginOpening, shown when the window is made
    std::unique_ptr<store::TableOpening> opening_; // tables read while the window is built
    std::unique_ptr<store::CollectionFiles> files_; // the versions held, the save, the merge
    store::TableWatch* watch_ = nullptr;
    bool openElsewhere_ = false;
    // An import under way holds a close back until it has ended or been taken back.
    enum class CloseAsked { No, ByUser, BySession };
    bool importing_ = false;
    QString lastImportFolder_; // for the next import's dialog, this session
    history::History* history_ = nullptr;
    QDialog* historyWindow_ = nullptr;
    StatsWindow* statsWindow_ = nullptr;
    QDockWidget* coverDock_ = nullptr;
    CoverView* coverView_ = nullptr;
    CoverWall* coverWall_ = nullptr;
    CoverThumbs* coverThumbs_ = nullptr;
    std::int32_t coverShown_ = 0; // the release whose picture the panel holds
    QString lastCoverFolder_;

    CloseAsked closeAfterImport_ = CloseAsked::No;
    std::map<engine::Table*, RowValues> ruleFilled_;
    bool selectingPage_ = false;
    int shownPage_ = -1; // the page whose switch has finished; another while one is under way
    TRepListForm* RepListForm = nullptr;
    TRepListForm1* RepListForm1 = nullptr;
};
