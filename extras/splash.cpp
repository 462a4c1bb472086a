#include "splash.h"

#include <QGuiApplication>

#include <QPainter>
#include <QPainterPath>
#include <QScreen>
#include <QWindow>
#include <cmath>

namespace {

constexpr int kWidth = 353;
constexpr int kHeight = 91;
constexpr int kInset = 11; // border line, raised bevel, gap and lowered bevel

// Our own banner: records fanned out on a night-blue band, 312 x 59 as stored.
QPixmap makeBanner() {
    QPixmap pm(312, 59);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 312, 59);
    sky.setColorAt(0, QColor(12, 28, 64));
    sky.setColorAt(1, QColor(0, 128, 160));
    p.fillRect(pm.rect(), sky);
    for (int i = 0; i < 5; ++i) {
        const QPointF c(40 + i * 58, 30);
        const qreal r = 24 - i;
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(20, 20, 24));
        p.drawEllipse(c, r, r);
        p.setPen(QPen(QColor(70, 70, 80), 0.8));
        p.setBrush(Qt::NoBrush);
        for (qreal g = r - 3; g > 8; g -= 3)
            p.drawEllipse(c, g, g);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor::fromHsv((i * 47) % 360, 160, 230));
        p.drawEllipse(c, 7, 7);
        p.setBrush(Qt::black);
        p.drawEllipse(c, 1.5, 1.5);
    }
    QPainterPath wave;
    wave.moveTo(0, 52);
    for (int x = 0; x <= 312; x += 8)
        wave.lineTo(x, 52 + 3 * std::sin(x / 14.0));
    p.setPen(QPen(QColor(0, 255, 255), 1.5));
    p.drawPath(wave);
    return pm;
}

} // namespace

TKvaril::TKvaril(QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      banner_(makeBanner()) {
    setObjectName(QStringLiteral("Kvaril"));
    setWindowTitle(QStringLiteral("Kvaril"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kWidth, kHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, &TKvaril::onFocusWindowChanged);
}

void TKvaril::showNow() {
    show();
    repaint();
}

void TKvaril::onFocusWindowChanged(QWindow* window) {
    // Another program taking the focus leaves no focus window of ours.
    if (window && window != windowHandle())
        deleteLater(); // never delete inside the toolkit's own focus handling
}

void TKvaril::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette pal = palette();
    QRect r = rect();
    p.setPen(Qt::black);
    p.drawRect(r.adjusted(0, 0, -1, -1));
    r.adjust(1, 1, -1, -1);
    auto bevel = [&](const QColor& topLeft, const QColor& bottomRight) {
        for (int i = 0; i < 3; ++i) {
            p.setPen(topLeft);
            p.drawLine(r.topLeft(), r.topRight());
            p.drawLine(r.topLeft(), r.bottomLeft());
            p.setPen(bottomRight);
            p.drawLine(r.bottomLeft(), r.bottomRight());
            p.drawLine(r.topRight(), r.bottomRight());
            r.adjust(1, 1, -1, -1);
        }
    };
    bevel(pal.color(QPalette::Light), pal.color(QPalette::Dark));
    p.fillRect(r.adjusted(0, 0, 1, 1), pal.color(QPalette::Button));
    r.adjust(3, 3, -3, -3);
    bevel(pal.color(QPalette::Dark), pal.color(QPalette::Light));
    p.drawPixmap(QRect(kInset, kInset, kWidth - 2 * kInset, kHeight - 2 * kInset), banner_);
}
