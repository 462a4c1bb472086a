#include "pagepicture.h"

#include "repfont.h"
#include "reporterror.h"

#include <QPainter>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>

namespace report {

namespace {

constexpr char kMagic[4] = {'L', 'V', 'P', 'G'};
constexpr quint16 kVersion = 1;
constexpr float kMaxCoordinate = 1e7f;
constexpr int kMaxFonts = 4096;
constexpr int kMaxPixelSize = 20000;
constexpr int kMaxDpi = 20000;

enum : quint8 { kFill = 1, kLine = 2, kText = 3 };
enum : quint8 { kBold = 1, kItalic = 2, kUnderline = 4, kStrikeOut = 8 };

class Writer {
public:
    explicit Writer(QByteArray& out) : out_(out) {}
    void u8(quint8 v) { out_.append(static_cast<char>(v)); }
    void u16(quint16 v) { fixed(v, 2); }
    void u32(quint32 v) { fixed(v, 4); }
    void f32(qreal v) {
        const float f = static_cast<float>(v);
        quint32 bits;
        std::memcpy(&bits, &f, 4);
        u32(bits);
    }
    void text(const QString& s, bool wide) {
        const QByteArray utf8 = s.toUtf8();
        wide ? u32(static_cast<quint32>(utf8.size())) : u16(static_cast<quint16>(utf8.size()));
        out_.append(utf8);
    }
    void rect(const QRectF& r) {
        f32(r.x());
        f32(r.y());
        f32(r.width());
        f32(r.height());
    }

private:
    void fixed(quint32 v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            out_.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    QByteArray& out_;
};

class Reader {
public:
    Reader(const char* p, std::size_t n) : p_(reinterpret_cast<const unsigned char*>(p)), n_(n) {}
    std::size_t left() const { return n_ - at_; }
    quint32 fixed(int bytes) {
        need(static_cast<std::size_t>(bytes));
        quint32 v = 0;
        for (int i = bytes - 1; i >= 0; --i)
            v = (v << 8) | p_[at_ + static_cast<std::size_t>(i)];
        at_ += static_cast<std::size_t>(bytes);
        return v;
    }
    quint8 u8() { return static_cast<quint8>(fixed(1)); }
    quint16 u16() { return static_cast<quint16>(fixed(2)); }
    quint32 u32() { return fixed(4); }
    qreal f32() {
        const quint32 bits = u32();
        float f;
        std::memcpy(&f, &bits, 4);
        if (!std::isfinite(f) || std::fabs(f) > kMaxCoordinate)
            throw Error("a page holds an invalid coordinate");
        return f;
    }
    QRectF rect() {
        const qreal x = f32(), y = f32(), w = f32(), h = f32();
        return QRectF(x, y, w, h);
    }
    QString text(bool wide) {
        const quint32 n = wide ? u32() : u16();
        need(n);
        QString s =
            QString::fromUtf8(reinterpret_cast<const char*>(p_ + at_), static_cast<qsizetype>(n));
        at_ += n;
        return s;
    }

private:
    void need(std::size_t n) const {
        if (n > left())
            throw Error("a page picture ends too early");
    }
    const unsigned char* p_;
    std::size_t n_;
    std::size_t at_ = 0;
};

QFont qfont(const PageFont& f) {
    return makeFont(f.name, f.pixelSize, f.bold, f.italic, f.underline, f.strikeOut);
}

} // namespace

int PagePicture::fontIndex(const PageFont& f) {
    for (std::size_t i = 0; i < fonts.size(); ++i)
        if (fonts[i] == f)
            return static_cast<int>(i);
    fonts.push_back(f);
    return static_cast<int>(fonts.size() - 1);
}

QByteArray encodePicture(const PagePicture& picture) {
    QByteArray out;
    out.reserve(static_cast<qsizetype>(64 + picture.ops.size() * 40));
    Writer w(out);
    out.append(kMagic, 4);
    w.u16(kVersion);
    w.u16(static_cast<quint16>(picture.dpi));
    w.f32(picture.size.width());
    w.f32(picture.size.height());
    w.u16(static_cast<quint16>(picture.fonts.size()));
    for (const PageFont& f : picture.fonts) {
        w.u16(static_cast<quint16>(f.pixelSize));
        w.u8(static_cast<quint8>((f.bold ? kBold : 0) | (f.italic ? kItalic : 0) |
                                 (f.underline ? kUnderline : 0) | (f.strikeOut ? kStrikeOut : 0)));
        w.text(f.name, false);
    }
    w.u32(static_cast<quint32>(picture.ops.size()));
    for (const PageOp& op : picture.ops) {
        if (const auto* fill = std::get_if<FillOp>(&op)) {
            w.u8(kFill);
            w.rect(fill->rect);
            w.u32(fill->colour);
        } else if (const auto* line = std::get_if<LineOp>(&op)) {
            w.u8(kLine);
            w.f32(line->line.x1());
            w.f32(line->line.y1());
            w.f32(line->line.x2());
            w.f32(line->line.y2());
            w.f32(line->width);
            w.u32(line->colour);
        } else {
            const auto& t = std::get<TextOp>(op);
            w.u8(kText);
            w.f32(t.origin.x());
            w.f32(t.origin.y());
            w.u16(static_cast<quint16>(t.font));
            w.u32(t.colour);
            w.u8(t.clip.isNull() ? 0 : 1);
            if (!t.clip.isNull())
                w.rect(t.clip);
            w.text(t.text, true);
        }
    }
    return out;
}

PagePicture decodePicture(const char* data, std::size_t size) {
    if (size < 4 || std::memcmp(data, kMagic, 4) != 0)
        throw Error("a page is not a page picture of this program");
    Reader in(data + 4, size - 4);
    PagePicture pic;
    if (in.u16() != kVersion)
        throw Error("a page picture has an unknown version");
    pic.dpi = in.u16();
    if (pic.dpi < 1 || pic.dpi > kMaxDpi)
        throw Error("a page picture has an invalid resolution");
    const qreal w = in.f32(), h = in.f32();
    if (!(w >= 1) || !(h >= 1))
        throw Error("a page picture has an invalid size");
    pic.size = QSizeF(w, h);
    const int fontCount = in.u16();
    if (fontCount > kMaxFonts)
        throw Error("a page picture has too many fonts");
    for (int i = 0; i < fontCount; ++i) {
        PageFont f;
        f.pixelSize = in.u16();
        const quint8 flags = in.u8();
        if (f.pixelSize < 1 || f.pixelSize > kMaxPixelSize || flags > 15)
            throw Error("a page picture has an invalid font");
        f.bold = flags & kBold;
        f.italic = flags & kItalic;
        f.underline = flags & kUnderline;
        f.strikeOut = flags & kStrikeOut;
        f.name = in.text(false);
        pic.fonts.push_back(f);
    }
    const quint32 opCount = in.u32();
    if (opCount > in.left() / 17) // the smallest operation takes 17 bytes
        throw Error("a page picture claims more drawing steps than it holds");
    pic.ops.reserve(opCount);
    for (quint32 i = 0; i < opCount; ++i) {
        switch (in.u8()) {
        case kFill: {
            const QRectF r = in.rect();
            pic.ops.emplace_back(FillOp{r, in.u32()});
            break;
        }
        case kLine: {
            const qreal x1 = in.f32(), y1 = in.f32(), x2 = in.f32(), y2 = in.f32();
            const qreal width = in.f32();
            if (width < 0)
                throw Error("a page picture has an invalid line width");
            pic.ops.emplace_back(LineOp{QLineF(x1, y1, x2, y2), width, in.u32()});
            break;
        }
        case kText: {
            TextOp t;
            const qreal x = in.f32(), y = in.f32();
            t.origin = QPointF(x, y);
            t.font = in.u16();
            if (t.font >= fontCount)
                throw Error("a page picture names a font it does not have");
            t.colour = in.u32();
            const quint8 clipped = in.u8();
            if (clipped > 1)
                throw Error("a page picture has an invalid text step");
            if (clipped)
                t.clip = in.rect();
            t.text = in.text(true);
            pic.ops.emplace_back(std::move(t));
            break;
        }
        default:
            throw Error("a page picture has an unknown drawing step");
        }
    }
    if (in.left() != 0)
        throw Error("a page picture has bytes after its end");
    return pic;
}

void paintPicture(QPainter& painter, const PagePicture& picture, const QRectF& target) {
    painter.save();
    painter.translate(target.topLeft());
    painter.scale(target.width() / picture.size.width(), target.height() / picture.size.height());
    painter.setClipRect(QRectF(QPointF(0, 0), picture.size), Qt::IntersectClip);
    std::vector<QFont> fonts;
    fonts.reserve(picture.fonts.size());
    for (const PageFont& f : picture.fonts)
        fonts.push_back(qfont(f));
    int currentFont = -1;
    for (const PageOp& op : picture.ops) {
        if (const auto* fill = std::get_if<FillOp>(&op)) {
            painter.fillRect(fill->rect, QColor::fromRgba(fill->colour));
        } else if (const auto* line = std::get_if<LineOp>(&op)) {
            QPen pen(QColor::fromRgba(line->colour));
            pen.setWidthF(line->width);
            pen.setCapStyle(Qt::SquareCap);
            painter.setPen(pen);
            painter.drawLine(line->line);
        } else {
            const auto& t = std::get<TextOp>(op);
            if (t.font != currentFont) {
                painter.setFont(fonts[static_cast<std::size_t>(t.font)]);
                currentFont = t.font;
            }
            painter.setPen(QColor::fromRgba(t.colour));
            if (!t.clip.isNull()) {
                painter.save();
                painter.setClipRect(t.clip, Qt::IntersectClip);
                painter.drawText(t.origin, t.text);
                painter.restore();
                currentFont = -1; // restore() brought back the font before the save
            } else {
                painter.drawText(t.origin, t.text);
            }
        }
    }
    painter.restore();
}

} // namespace report
