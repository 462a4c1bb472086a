#include "previewicons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace report {

namespace {

constexpr int kSize = 20;

void page(QPainter& p, const QRectF& r) {
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(Qt::white);
    p.drawRect(r);
}

void magnifier(QPainter& p) {
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QRectF(9, 9, 8, 8));
    p.drawLine(QPointF(16, 16), QPointF(19, 19));
}

void triangle(QPainter& p, bool right, qreal x) {
    QPainterPath path;
    if (right) {
        path.moveTo(x, 4);
        path.lineTo(x + 7, 10);
        path.lineTo(x, 16);
    } else {
        path.moveTo(x + 7, 4);
        path.lineTo(x, 10);
        path.lineTo(x + 7, 16);
    }
    path.closeSubpath();
    p.fillPath(path, QColor(0, 0, 128));
}

void printer(QPainter& p) {
    page(p, QRectF(5, 2, 10, 7));
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(QColor(160, 160, 160));
    p.drawRect(QRectF(2, 8, 16, 7));
    page(p, QRectF(5, 13, 10, 5));
}

} // namespace

QIcon previewIcon(const QString& name) {
    QPixmap pm(kSize, kSize);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    if (name == QLatin1String("REPZOOMTOFITBITMAP")) {
        page(p, QRectF(2, 1, 10, 14));
        magnifier(p);
    } else if (name == QLatin1String("REPZOOMTO100BITMAP")) {
        page(p, QRectF(2, 1, 12, 16));
        p.setPen(Qt::black);
        QFont f = p.font();
        f.setPixelSize(7);
        p.setFont(f);
        p.drawText(QRectF(2, 3, 12, 10), Qt::AlignCenter, QStringLiteral("1:1"));
        magnifier(p);
    } else if (name == QLatin1String("REPZOOMTOWIDTHBITMAP")) {
        page(p, QRectF(1, 3, 16, 12));
        p.setPen(QPen(QColor(0, 0, 128), 1.5));
        p.drawLine(QPointF(3, 7), QPointF(15, 7));
        magnifier(p);
    } else if (name == QLatin1String("REPFIRSTPAGEBITMAP")) {
        p.fillRect(QRectF(4, 4, 2, 12), QColor(0, 0, 128));
        triangle(p, false, 7);
    } else if (name == QLatin1String("REPPREVPAGEBITMAP")) {
        triangle(p, false, 6);
    } else if (name == QLatin1String("REPNEXTPAGEBITMAP")) {
        triangle(p, true, 7);
    } else if (name == QLatin1String("REPLASTPAGEBITMAP")) {
        triangle(p, true, 6);
        p.fillRect(QRectF(14, 4, 2, 12), QColor(0, 0, 128));
    } else if (name == QLatin1String("REPPRINTSETUPBITMAP")) {
        printer(p);
        p.setPen(QPen(QColor(0, 128, 0), 2));
        p.drawEllipse(QRectF(12, 1, 6, 6));
    } else if (name == QLatin1String("REPPRINTBITMAP")) {
        printer(p);
    } else if (name == QLatin1String("REPSAVEBITMAP")) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(0, 0, 128));
        p.drawRect(QRectF(2, 2, 16, 16));
        p.fillRect(QRectF(5, 3, 10, 6), Qt::white);
        p.fillRect(QRectF(6, 12, 8, 6), QColor(180, 180, 180));
    } else if (name == QLatin1String("REPOPENBITMAP")) {
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(QRectF(1, 5, 13, 11));
        QPainterPath lid;
        lid.moveTo(4, 9);
        lid.lineTo(19, 9);
        lid.lineTo(15, 16);
        lid.lineTo(1, 16);
        lid.closeSubpath();
        p.setBrush(QColor(255, 225, 120));
        p.drawPath(lid);
    } else {
        return {};
    }
    p.end();
    return QIcon(pm);
}

} // namespace report
