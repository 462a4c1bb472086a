#include "cursorshape.h"

QCursor cursorForShape(short shape) {
    static const Qt::CursorShape shapes[] = {
        Qt::ArrowCursor,        // 0 default
        Qt::BlankCursor,        // -1 none
        Qt::ArrowCursor,        // -2 arrow
        Qt::CrossCursor,        // -3 cross
        Qt::IBeamCursor,        // -4 I-beam
        Qt::SizeAllCursor,      // -5 size
        Qt::SizeBDiagCursor,    // -6 size NE-SW
        Qt::SizeVerCursor,      // -7 size N-S
        Qt::SizeFDiagCursor,    // -8 size NW-SE
        Qt::SizeHorCursor,      // -9 size W-E
        Qt::UpArrowCursor,      // -10 up arrow
        Qt::WaitCursor,         // -11 hourglass
        Qt::DragMoveCursor,     // -12 drag
        Qt::ForbiddenCursor,    // -13 no drop
        Qt::SplitHCursor,       // -14 horizontal split
        Qt::SplitVCursor,       // -15 vertical split
        Qt::DragCopyCursor,     // -16 multi-drag
        Qt::WaitCursor,         // -17 SQL wait
        Qt::ForbiddenCursor,    // -18 no
        Qt::BusyCursor,         // -19 application start
        Qt::WhatsThisCursor,    // -20 help
        Qt::PointingHandCursor, // -21 hand point
        Qt::SizeAllCursor,      // -22 size all
    };
    const int i = -shape;
    if (i >= 0 && i < static_cast<int>(std::size(shapes)))
        return QCursor(shapes[i]);
    return QCursor(Qt::ArrowCursor);
}
