#include "toolbarbutton.h"

ToolbarButton::ToolbarButton(QWidget* parent) : QToolButton(parent) {
    setCheckable(true);
}

void ToolbarButton::nextCheckState() {
    // The command that the click runs decides the down state.
}
