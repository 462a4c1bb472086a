#include "pageview.h"

#include "units.h"
#include "zoommath.h"

#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

#include <cmath>

TRepPageView::TRepPageView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName(QStringLiteral("PageView"));
    viewport()->setAutoFillBackground(true);
    QPalette p = viewport()->palette();
    p.setColor(QPalette::Window, Qt::gray);
    viewport()->setPalette(p);
    setFocusPolicy(Qt::StrongFocus);
}

void TRepPageView::setPicture(std::optional<report::PagePicture> picture) {
    picture_ = std::move(picture);
    applyMode();
    updateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
}

QSize TRepPageView::pageSizeAt100() const {
    if (!picture_)
        return {};
    const double scale = static_cast<double>(report::kScreenDpi) / picture_->dpi;
    return QSize(static_cast<int>(std::lround(picture_->size.width() * scale)),
                 static_cast<int>(std::lround(picture_->size.height() * scale)));
}

QSize TRepPageView::viewSize() const {
    return maximumViewportSize();
}

void TRepPageView::applyZoom(int percent) {
    if (!report::validZoom(percent))
        return;
    const bool changed = percent != zoom_;
    zoom_ = percent;
    updateScrollBars();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    if (changed)
        emit zoomChanged(zoom_);
}

void TRepPageView::applyMode() {
    const QSize page = pageSizeAt100();
    if (page.isEmpty())
        return;
    if (mode_ == zmFit)
        applyZoom(report::zoomToFit(viewSize(), page));
    else if (mode_ == zmWidth)
        applyZoom(report::zoomToWidth(viewSize().width(), page.width()));
}

void TRepPageView::setZoom(int percent) {
    if (!report::validZoom(percent))
        return;
    mode_ = zmFixed;
    applyZoom(percent);
}

void TRepPageView::zoomToFit() {
    mode_ = zmFit;
    applyMode();
}

void TRepPageView::zoomToWidth() {
    mode_ = zmWidth;
    applyMode();
}

QRect TRepPageView::pageRect() const {
    const QSize page = pageSizeAt100();
    const int w = static_cast<int>(std::lround(page.width() * zoom_ / 100.0)) + 4;
    const int h = static_cast<int>(std::lround(page.height() * zoom_ / 100.0)) + 4;
    const QSize area = viewport()->size();
    const int x = w < area.width() ? (area.width() - w) / 2 : -horizontalScrollBar()->value();
    const int y = h < area.height() ? (area.height() - h) / 2 : -verticalScrollBar()->value();
    return QRect(x, y, w, h);
}

void TRepPageView::updateScrollBars() {
    const QRect r = pageRect();
    const QSize area = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, r.width() - area.width()));
    verticalScrollBar()->setRange(0, std::max(0, r.height() - area.height()));
    horizontalScrollBar()->setPageStep(area.width());
    verticalScrollBar()->setPageStep(area.height());
    horizontalScrollBar()->setSingleStep(20);
    verticalScrollBar()->setSingleStep(20);
}

void TRepPageView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    p.fillRect(viewport()->rect(), Qt::gray);
    if (!picture_)
        return;
    const QRect r = pageRect();
    const int w = r.width() - 4, h = r.height() - 4;
    // Shadow along the right and bottom edges, then the white page in a black border.
    p.fillRect(QRect(r.x() + w + 2, r.y() + 2, 2, h + 2), Qt::black);
    p.fillRect(QRect(r.x() + 2, r.y() + h + 2, w + 2, 2), Qt::black);
    p.fillRect(QRect(r.x(), r.y(), w + 2, h + 2), Qt::black);
    p.fillRect(QRect(r.x() + 1, r.y() + 1, w, h), Qt::white);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    report::paintPicture(p, *picture_, QRectF(r.x() + 1, r.y() + 1, w, h));
}

void TRepPageView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    applyMode();
    updateScrollBars();
}

void TRepPageView::scrollContentsBy(int, int) {
    viewport()->update();
}

void TRepPageView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
    case Qt::Key_Home:
    case Qt::Key_End:
        event->ignore(); // page keys belong to the preview window
        return;
    default:
        QAbstractScrollArea::keyPressEvent(event);
    }
}
