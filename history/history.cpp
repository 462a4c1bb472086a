#include "history.h"

#include "engine/observer.h"
#include "engine/table.h"
#include "store/covers.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>

namespace history {

namespace {

const char* const kStale = "Muutoshistoria tyhjennettiin: tiedostot muuttuivat toisaalla.";

} // namespace

// Hears of a table's posts and edits: a step may end, the menu's texts may change.
struct History::Watch : engine::TableObserver {
    History& history;
    engine::Table& table;
    Watch(History& h, engine::Table& t) : history(h), table(t) { table.addObserver(this); }
    ~Watch() override { table.removeObserver(this); }
    Watch(const Watch&) = delete;
    Watch& operator=(const Watch&) = delete;
    void dataSetChanged() override { history.queueTake(); }
    void editingChanged() override { history.queueTake(); }
};

History::History(std::vector<Table> tables, store::Covers* covers, QObject* parent)
    : QObject(parent), tables_(std::move(tables)), covers_(covers) {
    for (const Table& t : tables_)
        watches_.push_back(std::make_unique<Watch>(*this, *t.table));
    if (covers_)
        covers_->onChange([self = QPointer<History>(this)](std::int32_t) {
            if (self)
                self->queueTake();
        });
    markNow();
    connect(&stack_, &QUndoStack::indexChanged, this, [this] {
        if (failing_) // not while the stack is still moving
            QTimer::singleShot(0, this, [this] {
                failing_ = false;
                stack_.clear();
                emit changed();
            });
        emit changed();
    });
    if (QCoreApplication* app = QCoreApplication::instance())
        app->installEventFilter(this);
}

History::~History() {
    blockSignals(true); // the stack's clearing is no news to anyone
    stack_.disconnect(this);
}

bool History::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
    case QEvent::ShortcutOverride:
    case QEvent::KeyPress:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        takeChanges(); // what the last input did is one step
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}

void History::queueTake() {
    if (takeQueued_ || stopped_)
        return;
    takeQueued_ = true;
    QTimer::singleShot(0, this, [this] {
        takeQueued_ = false;
        takeChanges();
        emit changed();
    });
}

void History::markNow() {
    marks_.clear();
    epochs_.clear();
    for (const Table& t : tables_) {
        marks_.push_back(t.table->journal().entries().size());
        epochs_.push_back(t.table->journal().epoch());
    }
    coversMark_ = covers_ ? covers_->log().size() : 0;
}

Step::CoverRun History::pendingCovers() const {
    return {coversMark_, covers_ ? covers_->log().size() : 0};
}

Step::CoverRun History::revertCovers(std::size_t from, std::size_t to, bool show) {
    const std::size_t end = covers_->log().size();
    covers_->revert(from, to);
    if (show)
        for (const Table& t : tables_)
            if (t.name == "Lydsam")
                t.table->locate("Num", std::to_string(covers_->log()[from].num));
    return {end, covers_->log().size()};
}

std::vector<Step::Run> History::pending() const {
    std::vector<Step::Run> runs;
    for (std::size_t i = 0; i < tables_.size(); ++i) {
        const std::size_t size = tables_[i].table->journal().entries().size();
        if (size > marks_[i])
            runs.push_back({tables_[i].table, tables_[i].name, epochs_[i], marks_[i], size});
    }
    return runs;
}

void History::takeChanges() {
    if (depth_ > 0 || stopped_)
        return;
    for (std::size_t i = 0; i < tables_.size(); ++i)
        if (tables_[i].table->journal().epoch() != epochs_[i] ||
            tables_[i].table->journal().entries().size() < marks_[i]) {
            // The journal started again (the files were read anew): the steps know rows that
            // are no more.
            if (forget())
                emit failed(QString::fromUtf8(kStale));
            return;
        }
    std::vector<Step::Run> runs = pending();
    const Step::CoverRun covers = pendingCovers();
    if (runs.empty() && covers.to == covers.from)
        return;
    const QString text = !stepText_.isEmpty() ? stepText_
                         : runs.empty()       ? QStringLiteral("kansikuvan muutos")
                                              : describe(runs);
    markNow();
    stack_.push(new Step(*this, std::move(runs), covers, text));
}

void History::beginStep(const QString& text) {
    if (depth_ == 0) {
        takeChanges();
        stepText_ = text;
    }
    ++depth_;
}

void History::endStep(bool keep) {
    if (depth_ == 0 || --depth_ > 0)
        return;
    if (keep)
        takeChanges();
    else
        markNow();
    stepText_.clear();
}

bool History::forget() {
    const bool had = stack_.count() > 0;
    stack_.clear();
    markNow();
    emit changed();
    return had;
}

void History::stop() {
    stopped_ = true;
    watches_.clear();
    if (QCoreApplication* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool History::editing() const {
    for (const Table& t : tables_)
        if (t.table->isOpen() && t.table->state() != engine::TableState::Browse)
            return true;
    return false;
}

bool History::cancelEdits() {
    bool cancelled = false;
    for (const Table& t : tables_)
        if (t.table->isOpen() && t.table->state() != engine::TableState::Browse &&
            !t.table->inBulk()) {
            t.table->cancel();
            cancelled = true;
        }
    return cancelled;
}

void History::undo() {
    if (stopped_ || depth_ > 0)
        return;
    if (cancelEdits())
        return;
    takeChanges();
    stack_.undo();
}

void History::redo() {
    if (stopped_ || depth_ > 0)
        return;
    cancelEdits();
    takeChanges();
    stack_.redo();
}

bool History::readyToRevert(const std::vector<Step::Run>& runs) {
    if (failing_)
        return false;
    cancelEdits(); // a click in the history while a row is typed: as the menu's undo
    QString why;
    for (const Table& t : tables_)
        if (t.table->inBulk())
            why = QStringLiteral("Muutoksia ei voi kumota tuonnin aikana.");
    for (const Step::Run& run : runs)
        if (run.epoch != run.table->journal().epoch())
            why = QString::fromUtf8(kStale);
    if (why.isEmpty() && (!pending().empty() || pendingCovers().to > pendingCovers().from))
        why = QStringLiteral("Muutoshistoria tyhjennettiin: muutoksia tuli sen ohi.");
    if (why.isEmpty())
        return true;
    failedStep(why);
    return false;
}

void History::show(engine::Table& table, std::uint32_t row) {
    table.gotoRow(row); // false when the view does not show it: the cursor stays
}

void History::reverted() {
    markNow(); // what the undo posted is not a step of its own
    emit applied();
}

void History::failedStep(const QString& message) {
    failing_ = true;
    markNow();
    emit failed(message);
}

} // namespace history
