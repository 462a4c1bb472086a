#include "controlcolors.h"

#include <QComboBox>
#include <QWidget>

namespace dbaware {

namespace {

void setRole(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette p = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, role, c);
    w->setPalette(p);
}

// A list that cannot be typed into is painted as a button face, with a button's text.
bool paintedAsButton(const QWidget* w) {
    const auto* combo = qobject_cast<const QComboBox*>(w);
    return combo && !combo->isEditable();
}

} // namespace

void setTextColor(QWidget* w, const QColor& c) {
    setRole(w, QPalette::Text, c);
    if (paintedAsButton(w))
        setRole(w, QPalette::ButtonText, c);
}
void setBackgroundColor(QWidget* w, const QColor& c) {
    setRole(w, QPalette::Base, c);
    if (paintedAsButton(w))
        setRole(w, QPalette::Button, c);
}
QColor textColor(const QWidget* w) {
    return w->palette().color(QPalette::Active, QPalette::Text);
}
QColor backgroundColor(const QWidget* w) {
    return w->palette().color(QPalette::Active, QPalette::Base);
}

} // namespace dbaware
