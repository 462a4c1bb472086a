#pragma once

#include "repelements.h"

#include <QColor>
#include <QString>

#include <vector>

enum TRepBandRole {
    rbTitle,
    rbPageHeader,
    rbColumnHeader,
    rbDetail,
    rbColumnFooter,
    rbPageFooter,
    rbSummary,
};
constexpr int kBandRoleCount = rbSummary + 1;

// A horizontal strip of the page printed for one role. Height in tenths of a millimetre; the
// width is the page's (a column's for detail, column header and column footer bands).
struct TRepBand {
    QString Name;
    TRepBandRole Role = rbDetail;
    int Height = 0;
    QColor Color = Qt::white; // an invalid colour leaves the band unfilled
    TRepFrame Frame;
    bool ForceNewPage = false;
    bool ForceNewColumn = false;
    bool AlignToBottom = false;
    bool Enabled = true;
    std::vector<TRepElement> Elements;

    template <class T> T& add(T element) {
        Elements.emplace_back(std::move(element));
        return std::get<T>(Elements.back());
    }
};
