#include "dbedit.h"

#include "errorbox.h"

#include <QKeyEvent>

TDBEdit::TDBEdit(QWidget* parent) : QLineEdit(parent) {
    connect(&link_, &TFieldDataLink::dataChange, this, &TDBEdit::showField);
    connect(&link_, &TFieldDataLink::activeChange, this, &TDBEdit::showField);
    connect(&link_, &TFieldDataLink::updateDataRequested, this, &TDBEdit::storeText);
    connect(this, &QLineEdit::textEdited, this, &TDBEdit::onTextEdited);
    showField();
}

void TDBEdit::showField() {
    showing_ = true;
    const int size = link_.fieldSize();
    setMaxLength(size > 0 ? size : 32767);
    setText(focused_ ? link_.editText() : link_.text());
    setCursorPosition(0);
    showing_ = false;
}

void TDBEdit::onTextEdited() {
    if (showing_)
        return;
    // Inside the edit's own signal: the text stays the user's, whatever happens to the edit.
    if (!link_.editing() &&
        !dbaware::guardedInSignal([this] { return link_.edit(); }, this, [this] { link_.reset(); }))
        return;
    link_.modified();
}

void TDBEdit::storeText() {
    link_.setText(text());
}

void TDBEdit::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Escape:
        if (link_.isModified()) {
            link_.reset();
            selectAll();
            return;
        }
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        dbaware::guarded([this] { link_.updateRecord(); }, this);
        selectAll();
        break;
    default:
        break;
    }
    QLineEdit::keyPressEvent(event);
}

void TDBEdit::focusInEvent(QFocusEvent* event) {
    if (!focused_) {
        focused_ = true;
        if (!link_.isModified())
            showField();
    }
    QLineEdit::focusInEvent(event);
}

void TDBEdit::focusOutEvent(QFocusEvent* event) {
    // The focus that goes to another window (the error box among them) or into a menu comes
    // back here: that is not leaving the control, and storing again would raise again.
    const Qt::FocusReason reason = event->reason();
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
        focused_ = false;
        if (dbaware::guarded([this] { link_.updateRecord(); }, this) && !link_.isModified())
            showField();
    }
    QLineEdit::focusOutEvent(event);
}
