#include "sessionend.h"

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QScopedValueRollback>
#include <QWidget>

namespace {

bool ending = false;

// Cancel for a dialog, close for any other window.
void dismiss(QWidget* w) {
    if (auto* dialog = qobject_cast<QDialog*>(w))
        dialog->reject();
    else
        w->close();
}

// The innermost open window not yet dismissed: a menu, then a modal dialog, then any other
// window but the main one, dialogs first.
QWidget* openWindow(const QWidget* mainWindow, const QList<QPointer<QWidget>>& dismissed) {
    QList<QWidget*> candidates{QApplication::activePopupWidget(),
                               QApplication::activeModalWidget()};
    QList<QWidget*> others;
    for (QWidget* w : QApplication::topLevelWidgets())
        (qobject_cast<QDialog*>(w) ? candidates : others) << w;
    candidates << others;
    for (QWidget* w : candidates)
        if (w && w != mainWindow && w->isVisible() && !dismissed.contains(w))
            return w;
    return nullptr;
}

} // namespace

bool sessionEnding() {
    return ending;
}

void closeForSessionEnd(QWidget* mainWindow) {
    const QScopedValueRollback<bool> closing(ending, true);
    // One try each: a window that refuses stays open, and the main window closes anyway.
    QList<QPointer<QWidget>> dismissed;
    while (QWidget* w = openWindow(mainWindow, dismissed)) {
        dismissed << w;
        dismiss(w);
    }
    mainWindow->close();
}
