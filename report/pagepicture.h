#pragma once

#include <QByteArray>
#include <QLineF>
#include <QPointF>
#include <QRectF>
#include <QRgb>
#include <QSizeF>
#include <QString>

#include <cstddef>
#include <variant>
#include <vector>

class QPainter;

// The vector picture of one page: fills, lines and text runs in pixels at the resolution the
// page was laid out for. It draws scaled to any view or printer, and its stored form is checked
// completely when read back, so a damaged file cannot upset the drawing code.
namespace report {

struct PageFont {
    QString name; // as the layout names it ("Arial")
    int pixelSize = 13;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    bool operator==(const PageFont&) const = default;
};

struct FillOp {
    QRectF rect;
    QRgb colour;
};
struct LineOp {
    QLineF line;
    qreal width;
    QRgb colour;
};
struct TextOp {
    QPointF origin; // left end of the baseline
    int font;       // index into PagePicture::fonts
    QRgb colour;
    QRectF clip; // null: not clipped
    QString text;
};
using PageOp = std::variant<FillOp, LineOp, TextOp>;

struct PagePicture {
    int dpi = 96;
    QSizeF size; // pixels
    std::vector<PageFont> fonts;
    std::vector<PageOp> ops;

    int fontIndex(const PageFont& f); // adds the font when new
};

QByteArray encodePicture(const PagePicture& picture);
// Raises report::Error naming what is wrong when the bytes are not a complete page picture.
PagePicture decodePicture(const char* data, std::size_t size);

// Draws the page stretched into target (device coordinates of the painter).
void paintPicture(QPainter& painter, const PagePicture& picture, const QRectF& target);

} // namespace report
