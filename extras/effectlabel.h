#pragma once

#include <QColor>
#include <QLabel>

#include <array>
#include <utility>

class QPainter;

// A label that draws its caption three times, shadow, highlight and face, each layer offset by
// a direction and a depth, so the text looks raised, sunken, shadowed or flying. The caption
// can be rotated, and the label can act as a push button that looks pressed while held.
//
// The label's own inherited properties are Qt's: Caption is text(), Font is font(), Alignment
// is the horizontal part of alignment(), Color is the palette's Window role (so it follows
// the parent until set), FocusControl is buddy(). The face is drawn in fontColor().
// Every setter does nothing when the value is unchanged; an out-of-range value throws
// std::out_of_range and an invalid colour std::invalid_argument, leaving the label unchanged.
class TEffectLabel : public QLabel {
    Q_OBJECT
    Q_PROPERTY(int DepthHighlight READ depthHighlight WRITE setDepthHighlight)
    Q_PROPERTY(int DepthShadow READ depthShadow WRITE setDepthShadow)
    Q_PROPERTY(
        TEffectDirection DirectionHighlight READ directionHighlight WRITE setDirectionHighlight)
    Q_PROPERTY(TEffectDirection DirectionShadow READ directionShadow WRITE setDirectionShadow)
    Q_PROPERTY(QColor ColourHighlight READ colourHighlight WRITE setColourHighlight)
    Q_PROPERTY(QColor ColourShadow READ colourShadow WRITE setColourShadow)
    Q_PROPERTY(TEffectStyle EffectStyle READ effectStyle WRITE setEffectStyle)
    Q_PROPERTY(TColourScheme ColourScheme READ colourScheme WRITE setColourScheme)
    Q_PROPERTY(bool AsButton READ asButton WRITE setAsButton)
    Q_PROPERTY(int Angle READ angle WRITE setAngle)
    Q_PROPERTY(QColor Color READ color WRITE setColor)
    Q_PROPERTY(QColor FontColor READ fontColor WRITE setFontColor)
    Q_PROPERTY(bool Transparent READ transparent WRITE setTransparent)
    Q_PROPERTY(bool ShowAccelChar READ showAccelChar WRITE setShowAccelChar)

public:
    enum TEffectDirection {
        edNone,
        edUp,
        edUpRight,
        edRight,
        edDownRight,
        edDown,
        edDownLeft,
        edLeft,
        edUpLeft
    };
    Q_ENUM(TEffectDirection)

    enum TEffectStyle { esNone, esCustom, esRaised, esSunken, esShadow, esFlying };
    Q_ENUM(TEffectStyle)

    enum TColourScheme { csCustom, csText, csWindows, csEmbossed, csGold, csSteel };
    Q_ENUM(TColourScheme)

    static constexpr int MaxDepth = 10;  // TEffectDepth is 0..10 pixels
    static constexpr int MaxAngle = 360; // TAngleRange is 0..360 degrees, counter-clockwise

    explicit TEffectLabel(QWidget* parent = nullptr);

    int depthHighlight() const { return depthHighlight_; }
    void setDepthHighlight(int depth);
    int depthShadow() const { return depthShadow_; }
    void setDepthShadow(int depth);
    TEffectDirection directionHighlight() const { return directionHighlight_; }
    void setDirectionHighlight(TEffectDirection d);
    TEffectDirection directionShadow() const { return directionShadow_; }
    void setDirectionShadow(TEffectDirection d);
    QColor colourHighlight() const { return colourHighlight_; }
    void setColourHighlight(const QColor& c);
    QColor colourShadow() const { return colourShadow_; }
    void setColourShadow(const QColor& c);
    TEffectStyle effectStyle() const { return effectStyle_; }
    void setEffectStyle(TEffectStyle style);
    TColourScheme colourScheme() const { return colourScheme_; }
    void setColourScheme(TColourScheme scheme);
    bool asButton() const { return asButton_; }
    void setAsButton(bool on);
    int angle() const { return angle_; }
    void setAngle(int degrees);

    QColor color() const;
    void setColor(const QColor& c);
    QColor fontColor() const { return fontColor_; }
    void setFontColor(const QColor& c);
    bool transparent() const { return transparent_; }
    void setTransparent(bool on);
    // Kept for the layout; painting always treats "&" as the access-key mark when unrotated.
    bool showAccelChar() const { return showAccelChar_; }
    void setShowAccelChar(bool on) { showAccelChar_ = on; }

signals:
    // Fired as for any label; the three mouse signals only while AsButton is false.
    void clicked();
    void doubleClicked();
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);
    void mouseMoved(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, QPoint pos);
    void mouseReleased(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // A row of the scheme table. Only the csCustom row changes: hand-set highlight and shadow
    // colours, and every chosen scheme's colours.
    struct SchemeColours {
        QColor highlight;
        QColor shadow;
        QColor face;
    };

    // One step (dx, dy) of a direction in screen pixels, y downwards.
    static QPoint directionStep(TEffectDirection d);
    // Shift m <= 0: every layer moves m pixels right and down so none starts left of or above
    // the origin.
    int shift() const;
    // Offsets of the layers from the text's origin, shift included.
    QPoint shadowOffset() const;
    QPoint highlightOffset() const;
    QPoint faceOffset() const;

    template <typename T> void storeLayerValue(T& field, T value);
    void storeLayerColour(QColor& field, QColor& customField, const QColor& colour);
    std::array<std::pair<QPoint, QColor>, 3> layers() const;
    void paintUnrotated(QPainter& p);
    void paintRotated(QPainter& p);
    void buttonPress(QMouseEvent* event);
    bool insideClient(QPoint pos) const;

    int depthHighlight_ = 1;
    int depthShadow_ = 1;
    TEffectDirection directionHighlight_ = edUpLeft;
    TEffectDirection directionShadow_ = edDownRight;
    QColor colourHighlight_;
    QColor colourShadow_;
    TEffectStyle effectStyle_ = esRaised;
    TColourScheme colourScheme_ = csWindows;
    bool asButton_ = false;
    int angle_ = 0;
    double cos_ = 1.0;
    double sin_ = 0.0;
    QColor fontColor_;
    bool transparent_ = true;
    bool showAccelChar_ = true;
    std::array<SchemeColours, 6> schemes_;
    bool styleLock_ = false;
    bool schemeLock_ = false;
    bool clickPending_ = false; // a left press began here; a left release inside clicks
};
