#include "effectlabel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QPolygon>

#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

namespace {

const QColor White(255, 255, 255);
const QColor Black(0, 0, 0);
const QColor Gray(128, 128, 128);
const QColor Silver(192, 192, 192);
const QColor Yellow(255, 255, 0);
const QColor Olive(128, 128, 0);
const QColor Aqua(0, 255, 255);
const QColor Navy(0, 0, 128);
const QColor Teal(0, 128, 128);

constexpr double DegreesToRadians = 0.017453292519943295;
constexpr int MaxCaptionLength = 255; // the unrotated text goes through a 256-character buffer

void checkRange(int value, int lo, int hi, const char* property) {
    if (value < lo || value > hi)
        throw std::out_of_range(std::to_string(value) + " is not a valid value for " + property +
                                " (" + std::to_string(lo) + " to " + std::to_string(hi) + ")");
}

// Colour properties hold plain RGB values: alpha and the colour model play no part.
QColor checkedColour(const QColor& c, const char* property) {
    if (!c.isValid())
        throw std::invalid_argument(std::string("Invalid colour for ") + property);
    return QColor::fromRgb(c.rgb());
}

bool sameColour(const QColor& a, const QColor& b) {
    return a.rgb() == b.rgb();
}

// Sets a flag for the lifetime of the guard, also when a setter throws.
class Lock {
public:
    explicit Lock(bool& flag) : flag_(flag) { flag_ = true; }
    ~Lock() { flag_ = false; }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    bool& flag_;
};

int truncated(double v) {
    return static_cast<int>(std::trunc(v));
}

// At most MaxCaptionLength characters, never splitting a surrogate pair.
QString captionBuffer(const QString& caption) {
    int units = 0;
    for (int chars = 0; units < caption.size() && chars < MaxCaptionLength; ++chars)
        units += (caption.at(units).isHighSurrogate() && units + 1 < caption.size()) ? 2 : 1;
    return caption.left(units);
}

} // namespace

TEffectLabel::TEffectLabel(QWidget* parent)
    : QLabel(parent), colourHighlight_(White), colourShadow_(Black),
      fontColor_(Gray), schemes_{{{White, Black, Gray},
                                  {White, Gray, Black},
                                  {White, Black, Gray},
                                  {White, Black, Silver},
                                  {Yellow, Black, Olive},
                                  {Aqua, Navy, Teal}}} {
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // "Times New Roman" 20 points: 27 pixels at 96 dots per inch; Liberation Serif has its metrics.
    QFont f(QStringLiteral("Liberation Serif"));
    f.setPixelSize(27);
    setFont(f);
    // Mouse moves are reported without a button held, as for any label.
    setMouseTracking(true);
    resize(142, 33);
}

QPoint TEffectLabel::directionStep(TEffectDirection d) {
    static constexpr int steps[9][2] = {{0, 0}, {0, -1}, {1, -1}, {1, 0},  {1, 1},
                                        {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}};
    checkRange(d, edNone, edUpLeft, "TEffectDirection");
    return QPoint(steps[d][0], steps[d][1]);
}

void TEffectLabel::setDepthHighlight(int depth) {
    checkRange(depth, 0, MaxDepth, "DepthHighlight");
    storeLayerValue(depthHighlight_, depth);
}

void TEffectLabel::setDepthShadow(int depth) {
    checkRange(depth, 0, MaxDepth, "DepthShadow");
    storeLayerValue(depthShadow_, depth);
}

void TEffectLabel::setDirectionHighlight(TEffectDirection d) {
    checkRange(d, edNone, edUpLeft, "DirectionHighlight");
    storeLayerValue(directionHighlight_, d);
}

void TEffectLabel::setDirectionShadow(TEffectDirection d) {
    checkRange(d, edNone, edUpLeft, "DirectionShadow");
    storeLayerValue(directionShadow_, d);
}

void TEffectLabel::setColourHighlight(const QColor& c) {
    storeLayerColour(colourHighlight_, schemes_[csCustom].highlight,
                     checkedColour(c, "ColourHighlight"));
}

void TEffectLabel::setColourShadow(const QColor& c) {
    storeLayerColour(colourShadow_, schemes_[csCustom].shadow, checkedColour(c, "ColourShadow"));
}

// A direction or depth set by hand, not by a preset, makes the style custom.
template <typename T> void TEffectLabel::storeLayerValue(T& field, T value) {
    if (value == field)
        return;
    field = value;
    if (!styleLock_)
        setEffectStyle(esCustom);
    update();
}

// A layer colour set by hand, not by a scheme, becomes part of the custom scheme.
void TEffectLabel::storeLayerColour(QColor& field, QColor& customField, const QColor& colour) {
    if (sameColour(colour, field))
        return;
    field = colour;
    customField = colour;
    if (!schemeLock_)
        setColourScheme(csCustom);
    update();
}

void TEffectLabel::setColourScheme(TColourScheme scheme) {
    checkRange(scheme, csCustom, csSteel, "ColourScheme");
    if (scheme == colourScheme_)
        return;
    Lock lock(schemeLock_);
    colourScheme_ = scheme;
    const SchemeColours row = schemes_[scheme];
    setColourHighlight(row.highlight);
    setFontColor(row.face);
    setColourShadow(row.shadow);
    // So that going back to csCustom later keeps the colours of the last scheme chosen.
    if (scheme != csCustom)
        schemes_[csCustom] = row;
}

void TEffectLabel::setEffectStyle(TEffectStyle style) {
    checkRange(style, esNone, esFlying, "EffectStyle");
    if (style == effectStyle_)
        return;
    Lock styleLock(styleLock_);
    Lock schemeLock(schemeLock_);
    effectStyle_ = style;
    setColourHighlight(schemes_[colourScheme_].highlight);

    auto preset = [this](TEffectDirection dirH, TEffectDirection dirS, int depthH, int depthS) {
        setDirectionHighlight(dirH);
        setDirectionShadow(dirS);
        setDepthHighlight(depthH);
        setDepthShadow(depthS);
    };
    switch (style) {
    case esNone:
        preset(edNone, edNone, 0, 0);
        setAsButton(false);
        break;
    case esCustom:
        setAsButton(false);
        break;
    case esRaised:
        preset(edUpLeft, edDownRight, 1, 1);
        break;
    case esSunken:
        preset(edDownRight, edUpLeft, 1, 1);
        break;
    case esShadow:
        preset(edNone, edDownRight, 0, 2);
        setAsButton(false);
        break;
    case esFlying:
        preset(edDownRight, edDownRight, 1, 5);
        // The highlight becomes a near shadow under the far one.
        setColourHighlight(schemes_[colourScheme_].shadow);
        setAsButton(false);
        break;
    }
    update();
}

void TEffectLabel::setAsButton(bool on) {
    if (on == asButton_)
        return;
    asButton_ = on;
    if (on)
        setEffectStyle(esRaised);
}

void TEffectLabel::setAngle(int degrees) {
    checkRange(degrees, 0, MaxAngle, "Angle");
    if (degrees == angle_)
        return;
    angle_ = degrees;
    cos_ = std::cos(degrees * DegreesToRadians);
    sin_ = std::sin(degrees * DegreesToRadians);
    if (degrees != 0)
        setAlignment((alignment() & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft);
    update();
}

QColor TEffectLabel::color() const {
    return palette().color(QPalette::Window);
}

void TEffectLabel::setColor(const QColor& c) {
    const QColor colour = checkedColour(c, "Color");
    if (sameColour(colour, color()) && testAttribute(Qt::WA_SetPalette))
        return;
    QPalette pal = palette();
    pal.setColor(QPalette::Window, colour);
    setPalette(pal);
    update();
}

void TEffectLabel::setFontColor(const QColor& c) {
    const QColor colour = checkedColour(c, "Font.Color");
    if (sameColour(colour, fontColor_))
        return;
    fontColor_ = colour;
    update();
}

void TEffectLabel::setTransparent(bool on) {
    if (on == transparent_)
        return;
    transparent_ = on;
    update();
}

int TEffectLabel::shift() const {
    const QPoint h = directionStep(directionHighlight_) * depthHighlight_;
    const QPoint s = directionStep(directionShadow_) * depthShadow_;
    return std::min({h.x(), s.x(), h.y(), s.y(), 0});
}

QPoint TEffectLabel::shadowOffset() const {
    const int m = shift();
    return directionStep(directionShadow_) * depthShadow_ - QPoint(m, m);
}

QPoint TEffectLabel::highlightOffset() const {
    const int m = shift();
    return directionStep(directionHighlight_) * depthHighlight_ - QPoint(m, m);
}

QPoint TEffectLabel::faceOffset() const {
    const int m = shift();
    return QPoint(-m, -m);
}

std::array<std::pair<QPoint, QColor>, 3> TEffectLabel::layers() const {
    // Drawn in this order: a later layer covers an earlier one.
    return {{{shadowOffset(), colourShadow_},
             {highlightOffset(), colourHighlight_},
             {faceOffset(), fontColor_}}};
}

void TEffectLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setFont(font());
    if (angle_ == 0)
        paintUnrotated(p);
    else
        paintRotated(p);
}

void TEffectLabel::paintUnrotated(QPainter& p) {
    if (!transparent_)
        p.fillRect(rect(), color());
    const QString text = captionBuffer(this->text());
    const int flags = int(alignment() & Qt::AlignHorizontal_Mask) | Qt::AlignTop |
                      Qt::TextWordWrap | Qt::TextExpandTabs | Qt::TextShowMnemonic;
    for (const auto& [offset, colour] : layers()) {
        p.setPen(colour);
        p.drawText(rect().translated(offset), flags, text);
    }
}

void TEffectLabel::paintRotated(QPainter& p) {
    // Outline fonts only, as a rotated bitmap font would not do.
    QFont rotated = font();
    rotated.setStyleStrategy(QFont::StyleStrategy(rotated.styleStrategy() | QFont::ForceOutline));
    p.setFont(rotated);
    const QFontMetrics fm(rotated);
    const QString caption = text();
    const double c = cos_;
    const double s = sin_;
    const int h = fm.horizontalAdvance(caption + QStringLiteral("   ")) / 2;
    const int w = fm.horizontalAdvance(caption);
    const int ht = fm.height();
    // Start point of the text such that the middle of its box lies at (h, h).
    const int x = h - truncated(w * 0.5 * c) - truncated(ht * 0.5 * s);
    const int y = truncated(w * 0.5 * s) + h - truncated(ht * 0.5 * c);

    if (!transparent_) {
        const int bw = w + 7;
        const int bh = ht + 5;
        const int wc = truncated(bw * 0.5 * c), ws = truncated(bw * 0.5 * s);
        const int hc = truncated(bh * 0.5 * c), hs = truncated(bh * 0.5 * s);
        const QPolygon box({QPoint(h - wc - hs, h + ws - hc), QPoint(h + wc - hs, h - ws - hc),
                            QPoint(h + wc + hs, h - ws + hc), QPoint(h - wc + hs, h + ws + hc)});
        p.setPen(QPen(Qt::black, 0));
        p.setBrush(color());
        p.drawPolygon(box);
        p.setBrush(Qt::NoBrush);
    }

    for (const auto& [offset, colour] : layers()) {
        p.save();
        p.translate(x + offset.x(), y + offset.y());
        p.rotate(-angle_); // counter-clockwise on screen
        p.setPen(colour);
        // The start point is the top of the text cell, as one line with "&" drawn plainly.
        p.drawText(QPointF(0, fm.ascent()), caption);
        p.restore();
    }
}

bool TEffectLabel::insideClient(QPoint pos) const {
    // Both edges count: a release exactly on the right or bottom edge is inside.
    return pos.x() >= 0 && pos.x() <= width() && pos.y() >= 0 && pos.y() <= height();
}

void TEffectLabel::buttonPress(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && effectStyle_ != esSunken && isEnabled())
        setEffectStyle(esSunken);
}

void TEffectLabel::mousePressEvent(QMouseEvent* event) {
    // Accepted so that the label keeps the mouse until release, as a label does.
    event->accept();
    if (event->button() == Qt::LeftButton)
        clickPending_ = true;
    if (asButton_)
        buttonPress(event);
    else
        emit mousePressed(event->button(), event->modifiers(), event->position().toPoint());
}

void TEffectLabel::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    // The release after a double click does not click again.
    clickPending_ = false;
    if (event->button() == Qt::LeftButton)
        emit doubleClicked();
    if (asButton_)
        buttonPress(event);
    else
        emit mousePressed(event->button(), event->modifiers(), event->position().toPoint());
}

void TEffectLabel::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    const QPoint pos = event->position().toPoint();
    if (!asButton_) {
        emit mouseMoved(event->buttons(), event->modifiers(), pos);
        return;
    }
    const Qt::KeyboardModifiers keys = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    if (event->buttons() == Qt::LeftButton && !(event->modifiers() & keys))
        setEffectStyle(insideClient(pos) ? esSunken : esRaised);
}

void TEffectLabel::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::LeftButton && clickPending_) {
        clickPending_ = false;
        // The click comes first, while a button label still looks pressed; the handler may
        // delete the label.
        if (rect().contains(pos)) {
            const QPointer<TEffectLabel> alive(this);
            emit clicked();
            if (!alive)
                return;
        }
    }
    if (asButton_) {
        if (insideClient(pos))
            setEffectStyle(esRaised);
    } else {
        emit mouseReleased(event->button(), event->modifiers(), pos);
    }
}
