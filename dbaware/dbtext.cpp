#include "dbtext.h"

TDBText::TDBText(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    connect(&link_, &TFieldDataLink::dataChange, this, &TDBText::showField);
    connect(&link_, &TFieldDataLink::activeChange, this, &TDBText::showField);
}

void TDBText::setAutoSize(bool on) {
    autoSize_ = on;
    if (on)
        adjustSize();
}

void TDBText::showField() {
    setText(link_.text());
    if (autoSize_)
        adjustSize();
}
