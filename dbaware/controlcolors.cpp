#include "controlcolors.h"

#include <QWidget>

namespace dbaware {

namespace {

void setRole(QWidget* w, QPalette::ColorRole role, const QColor& c) {
    QPalette p = w->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, role, c);
    w->setPalette(p);
}

} // namespace

void setTextColor(QWidget* w, const QColor& c) {
    setRole(w, QPalette::Text, c);
}
void setBackgroundColor(QWidget* w, const QColor& c) {
    setRole(w, QPalette::Base, c);
}
QColor textColor(const QWidget* w) {
    return w->palette().color(QPalette::Active, QPalette::Text);
}
QColor backgroundColor(const QWidget* w) {
    return w->palette().color(QPalette::Active, QPalette::Base);
}

} // namespace dbaware
