#pragma once

#include <cmath>

// Lengths in the engine are tenths of a millimetre; devices work in pixels.
namespace report {

// The picture store records pages at this resolution: A4 is 794 pixels wide at 100 %.
constexpr int kScreenDpi = 96;

// Millimetres from a layout to tenths, halves rounded up (6.35 mm is 64 tenths).
inline int tenths(double mm) {
    return static_cast<int>(std::floor(mm * 10.0 + 0.5 + 1e-9));
}

inline double tenthsToPixels(double tenths, int dpi) {
    return tenths * dpi / 254.0;
}

inline double pixelsToTenths(double pixels, int dpi) {
    return pixels * 254.0 / dpi;
}

} // namespace report
