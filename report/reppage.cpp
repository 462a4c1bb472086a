#include "reppage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

struct NamedSize {
    TRepPaperSize size;
    int width;
    int length;
};

constexpr NamedSize kSizes[] = {
    {psA4, 2100, 2970},     {psA3, 2970, 4200},    {psA5, 1480, 2100},
    {psLetter, 2159, 2794}, {psLegal, 2159, 3556},
};

} // namespace

int TRepPage::pageWidth() const {
    int w = Width, l = Length;
    for (const NamedSize& s : kSizes)
        if (s.size == PaperSize) {
            w = s.width;
            l = s.length;
        }
    return Orientation == poLandscape ? l : w;
}

int TRepPage::pageLength() const {
    TRepPage turned = *this;
    turned.Orientation = Orientation == poLandscape ? poPortrait : poLandscape;
    return turned.pageWidth();
}

int TRepPage::columnWidth() const {
    const int n = columnCount();
    return (bandWidth() - (n - 1) * ColumnSpace) / n;
}

namespace report {

QPageSize::PageSizeId pageSizeId(TRepPaperSize size) {
    switch (size) {
    case psA4:
        return QPageSize::A4;
    case psA3:
        return QPageSize::A3;
    case psA5:
        return QPageSize::A5;
    case psLetter:
        return QPageSize::Letter;
    case psLegal:
        return QPageSize::Legal;
    case psCustom:
        break;
    }
    return QPageSize::Custom;
}

TRepPaperSize paperSizeFor(int widthTenths, int lengthTenths) {
    const int shortSide = std::min(widthTenths, lengthTenths);
    const int longSide = std::max(widthTenths, lengthTenths);
    for (const NamedSize& s : kSizes) // pixels rounded at 96 dpi are within 3 tenths
        if (std::abs(s.width - shortSide) <= 3 && std::abs(s.length - longSide) <= 3)
            return s.size;
    return psCustom;
}

} // namespace report
