// "&Muokkaa": undo and redo, the list of steps, and changes of many rows at once.
#include "form1.h"

#include "bulkdialogs.h"
#include "history/bulkchange.h"
#include "history/history.h"
#include "store/collectionfiles.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QScopeGuard>
#include <QTextEdit>
#include <QTimer>
#include <QUndoView>
#include <QVBoxLayout>

std::function<std::optional<BulkChoice>(int selected)> TForm1::bulkChangeChooser;
std::function<std::optional<BulkChoice>()> TForm1::renameChooser;

namespace {

// A text box takes Ctrl+Z for its own typing; with nothing of it to undo, the key goes on to
// the menu's undo, so that it never looks dead.
class TextUndoPassThrough : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        auto* key = static_cast<QKeyEvent*>(event);
        const bool undo = key->matches(QKeySequence::Undo);
        const bool redo = key->matches(QKeySequence::Redo);
        if (!undo && !redo)
            return false;
        if (auto* edit = qobject_cast<QLineEdit*>(watched))
            return undo ? !edit->isUndoAvailable() : !edit->isRedoAvailable();
        const QTextDocument* document = nullptr;
        if (auto* memo = qobject_cast<QTextEdit*>(watched))
            document = memo->document();
        else if (auto* plain = qobject_cast<QPlainTextEdit*>(watched))
            document = plain->document();
        if (document)
            return undo ? !document->isUndoAvailable() : !document->isRedoAvailable();
        return false;
    }
};

} // namespace

QAction* TForm1::addMenuItem(QMenu* menu, const char* name, const QString& caption) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QLatin1String(name));
    return action;
}

void TForm1::createEditMenu() {
    auto* Muokkaa1 = new QMenu(QStringLiteral("&Muokkaa"), this);
    Muokkaa1->setObjectName(QStringLiteral("Muokkaa1"));
    QAction* undo = addMenuItem(Muokkaa1, "Kumoa1", QStringLiteral("&Kumoa"));
    undo->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    QAction* redo = addMenuItem(Muokkaa1, "TeeUudelleen1", QStringLiteral("&Tee uudelleen"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QAction* list = addMenuItem(Muokkaa1, "Muutoshistoria1", QStringLiteral("Muutoshistoria..."));
    Muokkaa1->addSeparator();
    QAction* bulk =
        addMenuItem(Muokkaa1, "MuutaValittuja1", QStringLiteral("Muuta valittuja levyjä..."));
    QAction* rename = addMenuItem(Muokkaa1, "KorvaaNimi1", QStringLiteral("Korvaa nimi..."));
    menuBar()->insertMenu(Vis1->menuAction(), Muokkaa1);
    const std::pair<QAction*, void (TForm1::*)()> handlers[] = {
        {undo, &TForm1::Kumoa1Click},
        {redo, &TForm1::TeeUudelleen1Click},
        {list, &TForm1::Muutoshistoria1Click},
        {bulk, &TForm1::MuutaValittuja1Click},
        {rename, &TForm1::KorvaaNimi1Click}};
    for (const auto& [action, handler] : handlers)
        connect(action, &QAction::triggered, this, [this, h = handler] { runHandler(h); });
    connect(Muokkaa1, &QMenu::aboutToShow, this, &TForm1::updateUndoActions);
    qApp->installEventFilter(new TextUndoPassThrough(this));
    updateUndoActions();
}

void TForm1::startHistory() {
    history_ = new history::History({{"Lydsam", &LydsamDataSet},
                                     {"Numre", &NumreDataSet},
                                     {"Musiker", &MusikerDataSet},
                                     {"Genre", &GenreDataSet}},
                                    files_ ? &files_->covers() : nullptr, this);
    connect(history_, &history::History::changed, this, &TForm1::updateUndoActions);
    // An undo may have taken releases back or brought them.
    connect(history_, &history::History::applied, this, &TForm1::showReleaseTotal);
    connect(history_, &history::History::failed, this, [this](const QString& message) {
        QTimer::singleShot(0, this, [this, message] { tell(message); });
    });
    updateUndoActions();
}

void TForm1::updateUndoActions() {
    auto* undo = findChild<QAction*>(QStringLiteral("Kumoa1"));
    auto* redo = findChild<QAction*>(QStringLiteral("TeeUudelleen1"));
    if (!undo || !redo)
        return;
    const bool on = history_ != nullptr;
    const bool editing = on && history_->editing();
    const QUndoStack* stack = on ? &history_->stack() : nullptr;
    undo->setEnabled(editing || (stack && stack->canUndo()));
    redo->setEnabled(stack && stack->canRedo());
    undo->setText(editing                     ? QStringLiteral("&Kumoa: keskeneräinen muutos")
                  : stack && stack->canUndo() ? QStringLiteral("&Kumoa: ") + stack->undoText()
                                              : QStringLiteral("&Kumoa"));
    redo->setText(stack && stack->canRedo() ? QStringLiteral("&Tee uudelleen: ") + stack->redoText()
                                            : QStringLiteral("&Tee uudelleen"));
    for (const char* name : {"Muutoshistoria1", "MuutaValittuja1", "KorvaaNimi1"})
        if (auto* action = findChild<QAction*>(QLatin1String(name)))
            action->setEnabled(on);
}

void TForm1::Kumoa1Click() {
    if (history_)
        history_->undo();
    updateUndoActions();
}

void TForm1::TeeUudelleen1Click() {
    if (history_)
        history_->redo();
    updateUndoActions();
}

void TForm1::Muutoshistoria1Click() {
    if (!history_)
        return;
    if (!historyWindow_) {
        historyWindow_ = new QDialog(this);
        historyWindow_->setObjectName(QStringLiteral("Muutoshistoria"));
        historyWindow_->setWindowTitle(QStringLiteral("Muutoshistoria"));
        auto* view = new QUndoView(&history_->stack(), historyWindow_);
        view->setEmptyLabel(QStringLiteral("<istunnon alku>"));
        (new QVBoxLayout(historyWindow_))->addWidget(view);
        historyWindow_->resize(420, 360);
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
}

void TForm1::MuutaValittuja1Click() {
    if (!history_)
        return;
    postTypedRows();
    const std::vector<std::uint32_t> rows = LydsamDataSet.viewRowIds();
    const auto count = [&](const QString& field, const QString& value) {
        return history::setField(LydsamDataSet, rows, field.toStdString(), value.toStdString(),
                                 true);
    };
    std::optional<BulkChoice> choice;
    if (bulkChangeChooser) {
        choice = bulkChangeChooser(static_cast<int>(rows.size()));
    } else {
        BulkChangeDialog dialog(static_cast<int>(rows.size()), count, this);
        if (dialog.exec() == QDialog::Accepted)
            choice = dialog.choice();
    }
    if (!choice)
        return;
    QString caption = choice->field;
    for (const history::SettableField& f : history::settableFields())
        if (choice->field == QLatin1String(f.field))
            caption = QString::fromUtf8(f.caption);
    history_->beginStep(QStringLiteral("levyjen muutos – %1: %2 (%3 levyä)")
                            .arg(caption, choice->to)
                            .arg(count(choice->field, choice->to)));
    const auto end = qScopeGuard([this] { history_->endStep(); });
    history::setField(LydsamDataSet, rows, choice->field.toStdString(), choice->to.toStdString());
}

void TForm1::KorvaaNimi1Click() {
    if (!history_)
        return;
    postTypedRows();
    const history::Tables tables = [this](std::string_view name) -> engine::Table& {
        return tableNamed(std::string(name));
    };
    const auto count = [&](const QString& kind, const QString& from, const QString& to) {
        return history::renameName(tables, history::nameKind(kind.toStdString()),
                                   from.toStdString(), to.toStdString(), true)
            .rows;
    };
    std::optional<BulkChoice> choice;
    if (renameChooser) {
        choice = renameChooser();
    } else {
        RenameDialog dialog(count, this);
        if (dialog.exec() == QDialog::Accepted)
            choice = dialog.choice();
    }
    if (!choice)
        return;
    history_->beginStep(QStringLiteral("nimen korvaus – %1 → %2").arg(choice->from, choice->to));
    const auto end = qScopeGuard([this] { history_->endStep(); });
    history::renameName(tables, history::nameKind(choice->field.toStdString()),
                        choice->from.toStdString(), choice->to.toStdString());
}
