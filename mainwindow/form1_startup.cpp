// Start-up and shutdown of the main window: tables, settings, colours, start-up sound.
#include "form1.h"

#include "colourtargets.h"
#include "dbaware/controlcolors.h"
#include "dbaware/errorbox.h"
#include "extras/playwav.h"
#include "platform/helpviewer.h"
#include "platform/inifile.h"
#include "platform/wincolor.h"
#include "store/collection.h"
#include "store/collectionlock.h"
#include "store/settings.h"

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
    try {
        const std::unique_ptr<store::TableOpening> opening = std::move(opening_);
        opening->finish();
    } catch (const std::exception& e) {
        // The window still opens; the table that failed and the ones after it stay closed.
        dbaware::showErrorBox(QString::fromUtf8(e.what()), this);
        return;
    }
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
    for (const char* name : store::kSaveOrder)
        store::saveChanges(tableNamed(name), tablePath(name));
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
    try {
        cancelUntypedInserts();
        SaveChanges();
    } catch (const std::exception& e) {
        // Nothing is lost: the changes stay pending and the next close tries again.
        dbaware::showErrorBox(QString::fromUtf8(e.what()), this);
        return false;
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
        // signal must end.
        dbaware::showErrorBox(QString::fromUtf8(e.what()), this);
    }
    return true;
}

void TForm1::Exit1Click() {
    close();
}
