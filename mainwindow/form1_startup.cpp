// Start-up and shutdown of the main window: tables, settings, colours, start-up sound.
#include "form1.h"

#include "history/history.h"

#include "colourtargets.h"
#include "dbaware/controlcolors.h"
#include "dbaware/errorbox.h"
#include "extras/playwav.h"
#include "platform/helpviewer.h"
#include "platform/inifile.h"
#include "platform/wincolor.h"
#include "sessionend.h"
#include "store/collection.h"
#include "store/collectionfiles.h"
#include "store/collectionlock.h"
#include "store/commitrecord.h"
#include "store/conflictcopies.h"
#include "store/settings.h"
#include "store/tablewatch.h"
#include "unsavedinput.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

const char* const kOpenOrder[] = {"Lydsam", "Arkiv", "Numre", "Genre", "Musiker"};

} // namespace

engine::Table& TForm1::tableNamed(const std::string& name) {
    if (name == "Lydsam")
        return LydsamDataSet;
    if (name == "Arkiv")
        return ArkivDataSet;
    if (name == "Numre")
        return NumreDataSet;
    if (name == "Genre")
        return GenreDataSet;
    return MusikerDataSet;
}

std::string TForm1::tablePath(const std::string& name) const {
    return dataFolder_.toStdString() + store::collectionTable(name).fileName;
}

void TForm1::beginOpening() {
    // Two programs saving one collection would each discard the other's changes: the lock comes
    // before any table is read.
    try {
        lock_ = std::make_unique<store::CollectionLock>(dataFolder_.toStdString());
        if (lock_->heldElsewhere())
            return;
        // A save that a crash interrupted is finished or undone before anything is read.
        if (lock_->held())
            store::recoverCommit(dataFolder_.toStdString());
        files_ = std::make_unique<store::CollectionFiles>(
            dataFolder_.toStdString(), [this](std::string_view name) -> engine::Table& {
                return tableNamed(std::string(name));
            });
        files_->noteVersionsBeforeReading();
        std::vector<store::TableToOpen> tables;
        for (const char* name : kOpenOrder)
            tables.push_back({&tableNamed(name), &store::collectionTable(name), tablePath(name)});
        opening_ = std::make_unique<store::TableOpening>(std::move(tables));
    } catch (...) {
        startError_ = std::current_exception(); // shown when the window is made
    }
}

void TForm1::FormCreate() {
    if (startError_)
        std::rethrow_exception(startError_);
    if (lock_->heldElsewhere()) {
        openElsewhere_ = true;
        dbaware::showMessage(QStringLiteral("Kokoelma on jo avattu toisessa Levyholvi-ikkunassa."),
                             this);
        return;
    }
    if (lock_->held()) {
        // No other program saves here now, so these are what interrupted saves left.
        try {
            store::removeSaveLeftovers(dataFolder_.toStdString(), store::processStart());
        } catch (const std::exception& e) {
            dbaware::showErrorBox(QString::fromUtf8(e.what()), this);
        }
    }
    unsavedinput::showKept(dataFolder_, this);
    try {
        const std::unique_ptr<store::TableOpening> opening = std::move(opening_);
        opening->finish();
    } catch (const std::exception& e) {
        // The window still opens; the table that failed and the ones after it stay closed.
        dbaware::showErrorBox(QString::fromUtf8(e.what()), this);
        return;
    }
    if (lock_->held()) {
        keepChangeJournal();
        bringInConflictCopies();
        watchTableFiles();
    }
    startHistory();
    const TIniFile ini(settingsFile_);
    const store::Settings settings = store::readSettings(ini);
    selectPage(PageControl1->widget(store::pageForSide(settings.side) - 1));
    if (settings.num > 0)
        LydsamDataSet.locate("Num", std::to_string(settings.num));
    const QColor background = platform::colorFromValue(settings.bgColor);
    const QColor text = platform::colorFromValue(settings.txColor);
    for (QWidget* w : colourTargets(this, false)) {
        dbaware::setBackgroundColor(w, background);
        dbaware::setTextColor(w, text);
    }
    PlayWav1->Play(QStringLiteral("Kvaril.Wav"));
}

void TForm1::SaveChanges() {
    if (!files_)
        return; // the collection never opened: nothing to save
    const store::MergeReport report = files_->save();
    if (report.any()) {
        showReleaseTotal();
        tell(QString::fromStdString(report.text()));
    }
}

void TForm1::tell(const QString& text) {
    if (sessionEnding())
        std::fprintf(stderr, "levyholvi: %s\n", text.toLocal8Bit().constData());
    else
        dbaware::showMessage(text, this);
}

void TForm1::reportError(const QString& message) {
    if (sessionEnding())
        std::fprintf(stderr, "levyholvi: %s\n",
                     dbaware::errorBoxText(message).toLocal8Bit().constData());
    else
        dbaware::showErrorBox(message, this);
}

void TForm1::keepChangeJournal() {
    try {
        const store::JournalReplay replay = files_->replayJournal();
        if (replay.changes > 0)
            showReleaseTotal();
        if (const std::string text = replay.text(); !text.empty())
            tell(QString::fromStdString(text));
        files_->keepJournal([this](const std::string& error) {
            // Told from inside a post: shown once the post is over.
            QTimer::singleShot(
                0, this, [this, message = QString::fromStdString(error)] { reportError(message); });
        });
    } catch (const std::exception& e) {
        // The window works on; the changes are saved at close as ever, only a crash loses them.
        reportError(QString::fromUtf8(e.what()));
    }
}

void TForm1::bringInConflictCopies() {
    // Saved at once, so that the copies can be moved away with their rows safely in.
    store::ConflictIntake intake =
        store::bringInConflictCopies(dataFolder_.toStdString(), files_->tables());
    try {
        if (!intake.brought.empty()) {
            files_->save();
            store::moveConflictCopies(dataFolder_.toStdString(), intake);
        }
    } catch (const std::exception& e) {
        intake.errors.emplace_back(e.what()); // the rows stay pending, the copies in place
    }
    if (const std::string text = intake.text(); !text.empty())
        tell(QString::fromStdString(text));
    for (const std::string& error : intake.errors)
        dbaware::showErrorBox(QString::fromStdString(error), this);
}

void TForm1::watchTableFiles() {
    QStringList files;
    for (const char* name : kOpenOrder)
        files << QString::fromStdString(tablePath(name));
    watch_ = new store::TableWatch(dataFolder_, files, this);
    connect(watch_, &store::TableWatch::filesChanged, this,
            [this] { runHandler(&TForm1::reloadChangedFiles); });
}

void TForm1::reloadChangedFiles() {
    if (!files_)
        return;
    // Not under the user's hands: a row being typed, a search or report under way, a dialog.
    bool busy = QApplication::activeModalWidget() != nullptr;
    for (const char* name : kOpenOrder) {
        const engine::Table& t = tableNamed(name);
        busy = busy || t.controlsDisabled() || t.inBulk() ||
               (t.isOpen() && t.state() != engine::TableState::Browse);
    }
    if (busy) {
        QTimer::singleShot(2 * store::TableWatch::kSettleMs, this,
                           [this] { runHandler(&TForm1::reloadChangedFiles); });
        return;
    }
    const store::MergeReport report = files_->mergeChangedFiles();
    if (report.any()) {
        showReleaseTotal();
        QString text = QString::fromStdString(report.text());
        // The steps know rows by ids the files' rows do not have.
        if (history_ && history_->forget())
            text += QStringLiteral("\nKumoamishistoria tyhjennettiin.");
        tell(text);
    }
}

void TForm1::cancelUntypedInserts() {
    for (auto& [table, filled] : ruleFilled_) {
        if (table->state() != engine::TableState::Insert)
            continue;
        table->updateRecord();
        if (rowValues(*table) == filled)
            table->cancel(); // as Cancel would: an archive number it took stays used
    }
    ruleFilled_.clear();
}

bool TForm1::FormClose() {
    if (openElsewhere_)
        return true; // the other window owns the tables and the settings
    platform::quitHelp();
    if (history_)
        history_->stop(); // the save below is no step
    // At a session's end no one is there to correct a value a field refuses: the row is saved
    // without it, and the value is kept aside for the next start to show.
    std::optional<dbaware::RefusedInput> refused;
    if (sessionEnding())
        refused.emplace();
    std::optional<QString> failure;
    try {
        cancelUntypedInserts();
        SaveChanges();
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    }
    if (refused && !refused->entries().isEmpty()) {
        try {
            unsavedinput::keep(dataFolder_, refused->entries());
        } catch (const std::exception& e) {
            reportError(QString::fromUtf8(e.what()));
        }
    }
    refused.reset();
    if (failure) {
        // Nothing is lost: the changes stay pending and the next close tries again.
        reportError(*failure);
        return false;
    }
    try {
        if (files_)
            files_->endJournal();
    } catch (const std::exception& e) {
        // Everything is saved; a journal left behind replays nothing the files lack.
        reportError(QString::fromUtf8(e.what()));
    }
    try {
        TIniFile ini(settingsFile_);
        store::Settings s;
        const bool hasRelease = LydsamDataSet.isOpen() && !LydsamDataSet.isEmpty();
        s.num = hasRelease ? LydsamDataSet.asInteger("Num") : 0;
        s.txColor = platform::valueFromColor(dbaware::textColor(DBEdit1));
        s.side = activePageNumber();
        s.bgColor = platform::valueFromColor(dbaware::backgroundColor(DBEdit1));
        store::writeSettings(ini, s);
    } catch (const std::exception& e) {
        // The tables are saved; the settings are the smaller loss, and a close asked for by a
        // signal must end without waiting for a click.
        reportError(QString::fromUtf8(e.what()));
    }
    return true;
}

void TForm1::Exit1Click() {
    close();
}
