#include "textlayout.h"

#include <algorithm>
#include <cmath>

namespace report {

namespace {

// A line may end this far below the box (a tenth of a millimetre) and still be drawn.
constexpr double kBottomSlack = 1.0;

} // namespace

QStringList splitLines(const QString& text, bool wordWrap, double maxWidth, const WidthFn& width,
                       qsizetype maxLines) {
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    QStringList paragraphs = plain.split(QLatin1Char('\n'));
    if (maxLines >= 0 && paragraphs.size() > maxLines)
        paragraphs.resize(maxLines);
    if (!wordWrap)
        return paragraphs;
    QStringList lines;
    for (const QString& p : paragraphs) {
        if (maxLines >= 0 && lines.size() >= maxLines)
            break;
        if (!p.contains(QLatin1Char(' ')) || width(p) <= maxWidth) {
            lines << p.simplified();
            continue;
        }
        const QStringList words = p.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty()) {
            lines << QString();
            continue;
        }
        QString line = words.front();
        for (qsizetype i = 1; i < words.size(); ++i) {
            const QString candidate = line + QLatin1Char(' ') + words[i];
            if (width(candidate) <= maxWidth) {
                line = candidate;
            } else {
                lines << line;
                if (maxLines >= 0 && lines.size() >= maxLines)
                    return lines; // the rest would not be drawn
                line = words[i];
            }
        }
        lines << line;
    }
    if (maxLines >= 0 && lines.size() > maxLines)
        lines.resize(maxLines);
    return lines;
}

PlacedText placeText(const QString& text, const TRepElementBase& e, const QRectF& box,
                     const QRectF& band, double frameSides, const TextMetricsTenths& m) {
    PlacedText out;
    out.box = box;
    // Lines below the box are never drawn, so a fixed box needs no more than fit in it.
    qsizetype maxLines = -1;
    if (!e.AutoSize && m.lineHeight > 0)
        maxLines = static_cast<qsizetype>(
            std::max(0.0, std::floor((box.height() + kBottomSlack) / m.lineHeight)));
    const QStringList lines =
        splitLines(text, e.WordWrap, std::max(0.0, box.width() - frameSides), m.width, maxLines);
    std::vector<double> widths;
    double widest = 0;
    for (const QString& l : lines) {
        widths.push_back(m.width(l));
        widest = std::max(widest, widths.back());
    }
    const QRectF reference =
        e.AlignToBand ? QRectF(band.left(), box.top(), band.width(), box.height()) : box;
    if (e.AutoSize) {
        const double w = widest + frameSides;
        double left = box.left();
        if (e.AlignToBand) {
            left = e.Alignment == taLeftJustify    ? band.left()
                   : e.Alignment == taRightJustify ? band.right() - w
                                                   : band.center().x() - w / 2;
        } else if (e.Alignment == taRightJustify) {
            left = box.right() - w;
        } else if (e.Alignment == taCenter) {
            left = box.center().x() - w / 2;
        }
        out.box = QRectF(left, box.top(), w, box.height());
    }
    const QRectF area = e.AutoSize && !e.AlignToBand ? out.box : reference;
    const double inset = frameSides / 2;
    const double italicShift = m.italic ? m.spaceWidth : 0;
    double lastBottom = out.box.bottom();
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const double top = out.box.top() + static_cast<double>(i) * m.lineHeight;
        if (top + m.lineHeight > out.box.bottom() + kBottomSlack)
            break; // boxes never stretch: this line and all after it are left out
        lastBottom = std::max(lastBottom, top + m.lineHeight);
        const double w = widths[static_cast<std::size_t>(i)];
        double x = area.left() + inset;
        if (e.Alignment == taRightJustify)
            x = area.right() - inset - w - italicShift;
        else if (e.Alignment == taCenter)
            x = area.center().x() - w / 2;
        out.lines.push_back({lines[i], x, top + m.ascent});
    }
    if (!e.AutoSize)
        out.clip = QRectF(area.left(), out.box.top(), area.width(), lastBottom - out.box.top());
    return out;
}

} // namespace report
