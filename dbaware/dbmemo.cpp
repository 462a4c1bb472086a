#include "dbmemo.h"

#include "errorbox.h"

#include <QKeyEvent>
#include <QMimeData>

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
    // The document is still taking in the typed or pasted text: it must not be replaced now.
    if (!link_.editing() &&
        !dbaware::guardedInSignal([this] { return link_.edit(); }, this, [this] { link_.reset(); }))
        return;
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

void TDBMemo::insertFromMimeData(const QMimeData* source) {
    // An empty clipboard offers data without a single format, which Qt 6.4's own paste reads
    // past the end of.
    if (!source || source->formats().isEmpty())
        return;
    QPlainTextEdit::insertFromMimeData(source);
}
