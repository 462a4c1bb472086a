// The import commands: a submenu of the file menu, a dialog for the source, progress with
// Cancel, and a summary of what came in.
#include "form1.h"

#include "store/collectionfiles.h"

#include "dbaware/errorbox.h"
#include "exchange/collectiontables.h"
#include "history/history.h"
#include "sessionend.h"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QMenu>
#include <QProgressDialog>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTimer>

#include <utility>

std::function<std::optional<TForm1::ImportChoice>(exchange::Source)> TForm1::importChooser;
int TForm1::importProgressDelayMs = 500;

void TForm1::createImportMenu() {
    auto* Tuo1 = new QMenu(QStringLiteral("&Tuo"), Filer1);
    Tuo1->setObjectName(QStringLiteral("Tuo1"));
    const struct {
        const char* name;
        QString caption;
        void (TForm1::*handler)();
    } items[] = {
        {"TuoDiscogs1", QStringLiteral("Discogs-kokoelma (CSV)..."), &TForm1::TuoDiscogs1Click},
        {"TuoMusicBrainz1", QStringLiteral("MusicBrainz-julkaisu (JSON)..."),
         &TForm1::TuoMusicBrainz1Click},
        {"TuoKansio1", QStringLiteral("Musiikkikansio..."), &TForm1::TuoKansio1Click},
        {"TuoCsv1", QStringLiteral("CSV-taulut..."), &TForm1::TuoCsv1Click},
    };
    for (const auto& item : items) {
        QAction* action = Tuo1->addAction(item.caption);
        action->setObjectName(QLatin1String(item.name));
        connect(action, &QAction::triggered, this,
                [this, handler = item.handler] { runHandler(handler); });
    }
    // Between the colours and the separator before Exit.
    const QList<QAction*> actions = Filer1->actions();
    const qsizetype colours = actions.indexOf(Farver1->menuAction());
    Filer1->insertMenu(actions.value(colours + 1), Tuo1);
}

void TForm1::TuoDiscogs1Click() {
    importFrom(exchange::Source::Discogs);
}

void TForm1::TuoMusicBrainz1Click() {
    importFrom(exchange::Source::MusicBrainz);
}

void TForm1::TuoKansio1Click() {
    importFrom(exchange::Source::Folder);
}

void TForm1::TuoCsv1Click() {
    importFrom(exchange::Source::Csv);
}

std::optional<TForm1::ImportChoice> TForm1::chooseImportSource(exchange::Source source) {
    if (importChooser)
        return importChooser(source);
    // Where the last import came from, else where a browser puts what it fetches.
    QString start = lastImportFolder_;
    if (start.isEmpty() || !QFileInfo(start).isDir())
        start = QStandardPaths::writableLocation(QStandardPaths::DownloadLocation);
    if (!QFileInfo(start).isDir())
        start = QDir::homePath();
    ImportChoice choice;
    switch (source) {
    case exchange::Source::Discogs: {
        // Qt's own dialog, so the folder choice can sit in it.
        QFileDialog dialog(this, QStringLiteral("Discogs-kokoelma"), start,
                           QStringLiteral("CSV (*.csv);;* (*)"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setFileMode(QFileDialog::ExistingFile);
        auto* folderAsGenre = new QCheckBox(QStringLiteral("Kokoelman kansio musiikkityypiksi"));
        if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
            grid->addWidget(folderAsGenre, grid->rowCount(), 0, 1, grid->columnCount());
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        choice.path = dialog.selectedFiles().front();
        choice.folderAsGenre = folderAsGenre->isChecked();
        break;
    }
    case exchange::Source::MusicBrainz:
        choice.path = QFileDialog::getOpenFileName(this, QStringLiteral("MusicBrainz-julkaisu"),
                                                   start, QStringLiteral("JSON (*.json);;* (*)"));
        break;
    case exchange::Source::Folder:
        choice.path =
            QFileDialog::getExistingDirectory(this, QStringLiteral("Musiikkikansio"), start);
        break;
    case exchange::Source::Csv:
        choice.path = QFileDialog::getExistingDirectory(this, QStringLiteral("CSV-taulut"), start);
        break;
    }
    if (choice.path.isEmpty())
        return std::nullopt;
    // A file's folder; a chosen folder's parent, where its neighbours are.
    lastImportFolder_ = QFileInfo(choice.path).absolutePath();
    return choice;
}

void TForm1::importFrom(exchange::Source source) {
    const std::optional<ImportChoice> choice = chooseImportSource(source);
    if (!choice)
        return;
    const exchange::ImportSummary summary = runImport(source, *choice);
    if (summary.cancelled)
        return; // nothing was added
    showReleaseTotal();
    dbaware::showMessage(exchange::summaryText(summary), this);
}

exchange::ImportSummary TForm1::runImport(exchange::Source source, const ImportChoice& choice) {
    importing_ = true;
    const auto closeWhenAsked = qScopeGuard([this] {
        importing_ = false;
        // After the import, its summary or its error; a session's close dismisses those.
        switch (std::exchange(closeAfterImport_, CloseAsked::No)) {
        case CloseAsked::No:
            break;
        case CloseAsked::ByUser:
            QTimer::singleShot(0, this, &QWidget::close);
            break;
        case CloseAsked::BySession:
            QTimer::singleShot(0, this, [this] { closeForSessionEnd(this); });
            break;
        }
    });
    // Shown only when the import takes longer than half a second.
    QProgressDialog progress(QStringLiteral("Tuodaan..."), QStringLiteral("Peruuta"), 0, 1, this);
    progress.setWindowTitle(QStringLiteral("Levyholvi"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(importProgressDelayMs);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    exchange::ImportOptions options;
    options.folderAsGenre = choice.folderAsGenre;
    options.progress = [&progress](int done, int total) {
        progress.setMaximum(std::max(total, 1));
        progress.setValue(std::min(done, std::max(total, 1)));
        return !progress.wasCanceled();
    };
    exchange::CollectionTables tables{LydsamDataSet,  ArkivDataSet,
                                      NumreDataSet,   GenreDataSet,
                                      MusikerDataSet, files_ ? &files_->covers() : nullptr};
    // One step; one that added nothing (cancelled, or taken back after an error) is none.
    bool added = false;
    if (history_)
        history_->beginStep(QStringLiteral("tuonti – ") + QFileInfo(choice.path).fileName());
    const auto endStep = qScopeGuard([&] {
        if (history_)
            history_->endStep(added);
    });
    const exchange::ImportSummary summary =
        exchange::importFrom(source, choice.path, tables, options);
    added = !summary.cancelled;
    progress.close();
    return summary;
}
