#include "dbmemo.h"

#include "errorbox.h"

#include <QKeyEvent>

TDBMemo::TDBMemo(QWidget* parent) : QPlainTextEdit(parent) {
    setVerticalScrollBar(false);
    connect(&link_, &TFieldDataLink::dataChange, this, &TDBMemo::showField);
    connect(&link_, &TFieldDataLink::activeChange, this, &TDBMemo::showField);
    connect(&link_, &TFieldDataLink::updateDataRequested, this,
            [this] { link_.setText(toPlainText()); });
    connect(this, &QPlainTextEdit::textChanged, this, &TDBMemo::onTextChanged);
    showField();
}

void TDBMemo::setVerticalScrollBar(bool on) {
    setVerticalScrollBarPolicy(on ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TDBMemo::showField() {
    showing_ = true;
    setPlainText(link_.text());
    showing_ = false;
}

void TDBMemo::onTextChanged() {
    if (showing_)
        return;
    if (!link_.editing()) {
        const QString typed = toPlainText();
        const int cursor = textCursor().position();
        if (!dbaware::guarded([this] { link_.edit(); }, this) || !link_.editing()) {
            showField();
            return;
        }
        showing_ = true;
        setPlainText(typed);
        QTextCursor c = textCursor();
        c.setPosition(std::min(cursor, static_cast<int>(typed.size())));
        setTextCursor(c);
        showing_ = false;
    }
    link_.modified();
}

void TDBMemo::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && link_.isModified()) {
        link_.reset();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void TDBMemo::focusOutEvent(QFocusEvent* event) {
    dbaware::guarded([this] { link_.updateRecord(); }, this);
    QPlainTextEdit::focusOutEvent(event);
}
