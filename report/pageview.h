#pragma once

#include "pagepicture.h"

#include <QAbstractScrollArea>

#include <optional>

// The page view of the preview: one page picture drawn at a zoom, white with a black border
// and a 2-pixel shadow, centred when smaller than the view. Fit and width modes are applied
// again whenever the view is resized.
class TRepPageView : public QAbstractScrollArea {
    Q_OBJECT

public:
    enum ZoomMode { zmFit, zmWidth, zmFixed };

    explicit TRepPageView(QWidget* parent = nullptr);

    void setPicture(std::optional<report::PagePicture> picture); // nullopt: nothing shown
    bool hasPicture() const { return picture_.has_value(); }
    QSize pageSizeAt100() const; // pixels at the screen's resolution

    int zoom() const { return zoom_; }
    ZoomMode zoomMode() const { return mode_; }
    void setZoom(int percent); // fixed zoom; values outside 2..2000 are ignored
    void zoomToFit();
    void zoomToWidth();
    QSize viewSize() const; // the area a page can use, without scroll bars
    QRect pageRect() const; // where the page (with border and shadow) is drawn in the viewport

signals:
    void zoomChanged(int percent);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void applyZoom(int percent);
    void applyMode();
    void updateScrollBars();

    std::optional<report::PagePicture> picture_;
    int zoom_ = 100;
    ZoomMode mode_ = zmWidth;
};
