#pragma once

#include "repelements.h"

#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

// Where the lines of one text element go: word wrap, auto size, alignment and the lines that
// fit the box. Pure arithmetic in tenths of a millimetre, so it is tested without fonts.
namespace report {

using WidthFn = std::function<double(const QString&)>;

// Paragraphs split at line breaks; with wordWrap, words fill each line while it fits maxWidth
// (a word wider than that stands alone on its line). Stops after maxLines lines when that is
// not negative.
QStringList splitLines(const QString& text, bool wordWrap, double maxWidth, const WidthFn& width,
                       qsizetype maxLines = -1);

struct TextMetricsTenths {
    WidthFn width;
    double lineHeight = 0; // height of "W": one line
    double ascent = 0;
    double spaceWidth = 0;
    bool italic = false;
};

struct PlacedLine {
    QString text;
    double x = 0;        // left end
    double baseline = 0; // page coordinates
};

struct PlacedText {
    QRectF box;  // after auto size: filled when opaque, framed
    QRectF clip; // null when not clipped
    std::vector<PlacedLine> lines;
};

// box: the element's box on the page; band: the band's rectangle on the page.
PlacedText placeText(const QString& text, const TRepElementBase& element, const QRectF& box,
                     const QRectF& band, double frameSides, const TextMetricsTenths& m);

} // namespace report
