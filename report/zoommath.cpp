#include "zoommath.h"

#include <algorithm>
#include <cmath>

namespace report {

int zoomToFit(QSize view, QSize page) {
    if (page.width() <= 0 || page.height() <= 0)
        return 0;
    const double byWidth = static_cast<double>(view.width()) / page.width() * 95;
    const double byHeight = static_cast<double>(view.height()) / page.height() * 95;
    return static_cast<int>(std::lround(std::min(byWidth, byHeight)));
}

int zoomToWidth(int viewWidth, int pageWidth) {
    if (pageWidth <= 0)
        return 0;
    return static_cast<int>(std::lround(static_cast<double>(viewWidth) / pageWidth * 90));
}

QString pageStatusText(int page, int pages) {
    return QStringLiteral("Page") + QLatin1Char(' ') + QString::number(page) + QLatin1Char(' ') +
           QStringLiteral("of") + QLatin1Char(' ') + QString::number(pages);
}

} // namespace report
