#include "repfont.h"

#include <cmath>

namespace report {

QString installedFamily(const QString& name) {
    const QString n = name.trimmed();
    if (n.compare(QLatin1String("Arial"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Sans");
    if (n.compare(QLatin1String("Times New Roman"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Serif");
    if (n.compare(QLatin1String("Courier New"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Liberation Mono");
    if (n.compare(QLatin1String("MS Sans Serif"), Qt::CaseInsensitive) == 0)
        return QStringLiteral("Sans Serif");
    return n;
}

int pixelSizeFor(int points, int dpi) {
    const int px = static_cast<int>(std::lround(points * static_cast<double>(dpi) / 72.0));
    return px < 1 ? 1 : px;
}

QFont makeFont(const QString& name, int pixelSize, bool bold, bool italic, bool underline,
               bool strikeOut) {
    QFont f(installedFamily(name));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    f.setItalic(italic);
    f.setUnderline(underline);
    f.setStrikeOut(strikeOut);
    // Outlines, not hinted pixels: a page measured at one size is drawn at many zooms.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferOutline);
    return f;
}

} // namespace report
