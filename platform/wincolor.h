#pragma once

#include <QColor>

// Colour values as the settings file and layouts store them: 32 bits, red in the low byte, then
// green, then blue (00BBGGRR); with the top bit set, the low byte names a system colour.
namespace platform {

QColor colorFromValue(int value);
int valueFromColor(const QColor& c); // always a plain RGB value

} // namespace platform
