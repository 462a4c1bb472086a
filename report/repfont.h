#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// A report font as layouts describe it: face name, size in points, style and colour.
struct TRepFont {
    QString Name = QStringLiteral("Arial");
    int Size = 10; // points
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    QColor Color = Qt::black;

    bool operator==(const TRepFont&) const = default;
};

namespace report {

// The installed face that stands in for a layout's face name ("Arial" is "Liberation Sans").
QString installedFamily(const QString& name);

// Pixel height of a point size at a resolution, as the desktop rounds it (10 pt at 96 dpi: 13).
int pixelSizeFor(int points, int dpi);

// The same font, measured and drawn the same way everywhere.
QFont makeFont(const QString& name, int pixelSize, bool bold, bool italic, bool underline,
               bool strikeOut);

} // namespace report
