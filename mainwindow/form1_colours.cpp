#include "form1.h"

#include "colourtargets.h"
#include "dbaware/controlcolors.h"

#include <QColorDialog>

// Text and background colours of the data controls, chosen by the user. DBEdit1 carries the
// current choice: the dialog starts on its colour and the settings save it.

std::function<QColor(const QColor& initial)> TForm1::colorChooser;

QColor TForm1::chooseColor(const QColor& initial) {
    if (colorChooser)
        return colorChooser(initial);
    // For this one use only, in front of the window.
    QColorDialog dialog(initial, this);
    if (dialog.exec() != QDialog::Accepted)
        return {};
    return dialog.selectedColor();
}

void TForm1::Tekst1Click() {
    const QColor chosen = chooseColor(dbaware::textColor(DBEdit1));
    if (!chosen.isValid())
        return;
    for (QWidget* w : colourTargets(this, true))
        dbaware::setTextColor(w, chosen);
}

void TForm1::Felter1Click() {
    const QColor chosen = chooseColor(dbaware::backgroundColor(DBEdit1));
    if (!chosen.isValid())
        return;
    for (QWidget* w : colourTargets(this, true))
        dbaware::setBackgroundColor(w, chosen);
}
