#pragma once

#include <QCursor>

// The screen cursor for a cursor-shape number (0 default, -11 hourglass and so on).
QCursor cursorForShape(short shape);
