#pragma once

#include <QColor>

class QWidget;

// Text and background colours of an input control (edit, memo, grid cells, combo box): the
// palette's Text and Base roles (and ButtonText and Button for the face of a list that cannot be
// typed into), so every state of the control shows them.
namespace dbaware {

void setTextColor(QWidget* w, const QColor& c);
void setBackgroundColor(QWidget* w, const QColor& c);
QColor textColor(const QWidget* w);
QColor backgroundColor(const QWidget* w);

} // namespace dbaware
