#pragma once

#include <QList>

class QWidget;

// The data-entry controls of a window, in component order: edits (bound or plain), memos and
// grids, and with lookupLists also the lookup lists. These are what the stored and chosen
// colours apply to.
QList<QWidget*> colourTargets(const QWidget* window, bool lookupLists);
