#include "colourtargets.h"

#include "dbaware/dbgrid.h"
#include "dbaware/dblookupcombobox.h"

#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>

QList<QWidget*> colourTargets(const QWidget* window, bool lookupLists) {
    QList<QWidget*> out;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue; // parts of other widgets, such as a grid's cell editor
        if (qobject_cast<QLineEdit*>(w)) {
            QWidget* parent = w->parentWidget();
            if (!qobject_cast<QComboBox*>(parent) && !qobject_cast<QAbstractSpinBox*>(parent))
                out << w;
        } else if (qobject_cast<QPlainTextEdit*>(w) || qobject_cast<TDBGrid*>(w) ||
                   (lookupLists && qobject_cast<TDBLookupComboBox*>(w))) {
            out << w;
        }
    }
    return out;
}
