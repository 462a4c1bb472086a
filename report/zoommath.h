#pragma once

#include <QSize>
#include <QString>

// The preview's arithmetic: zoom percentages and the status text.
namespace report {

constexpr int kMinZoom = 2;
constexpr int kMaxZoom = 2000;

inline bool validZoom(int zoom) {
    return zoom >= kMinZoom && zoom <= kMaxZoom;
}
// The whole page in the view: the smaller of the two ratios, times 95, rounded.
int zoomToFit(QSize view, QSize page);
// The page's width across the view: view width / page width * 90, rounded.
int zoomToWidth(int viewWidth, int pageWidth);
// "Page 2 of 3"
QString pageStatusText(int page, int pages);

} // namespace report
