#pragma once

#include "repfont.h"

#include <QColor>
#include <QString>

#include <optional>
#include <variant>

namespace engine {
class Table;
}

enum TRepAlignment { taLeftJustify, taRightJustify, taCenter };

// Lines around a band or an element; Width is in pixels at the screen's resolution.
struct TRepFrame {
    bool Top = false;
    bool Bottom = false;
    bool Left = false;
    bool Right = false;
    QColor Color = Qt::black;
    int Width = 1;

    bool any() const { return Top || Bottom || Left || Right; }
    static TRepFrame all(QColor c = Qt::black) { return {true, true, true, true, c, 1}; }
};

// What every printable element has. Lengths are tenths of a millimetre, the box relative to its
// band's top-left corner.
struct TRepElementBase {
    QString Name;
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    TRepAlignment Alignment = taLeftJustify;
    bool AlignToBand = false; // align within the band's width instead of the box
    bool AutoSize = false;    // the box's width follows the text
    bool AutoStretch = false; // kept for layouts; boxes never grow
    bool WordWrap = false;
    bool Transparent = false;
    bool Enabled = true;
    QColor Color = Qt::white;
    std::optional<TRepFont> Font; // empty: the report's font
    TRepFrame Frame;
};

// A fixed caption.
struct TRepLabel : TRepElementBase {
    QString Caption;
};

// The display text of one field of the current record. Without a data set the report's own
// table is used; a field the table does not have prints empty.
struct TRepDBText : TRepElementBase {
    engine::Table* DataSet = nullptr;
    QString DataField;
};

enum TRepSysDataKind { sdPageNumber, sdReportTitle };

// Text the engine supplies: the prefix followed by the page number or the report title.
struct TRepSysData : TRepElementBase {
    TRepSysDataKind Data = sdPageNumber;
    QString Text; // prefix
};

using TRepElement = std::variant<TRepLabel, TRepDBText, TRepSysData>;

inline const TRepElementBase& elementBase(const TRepElement& e) {
    return std::visit([](const auto& x) -> const TRepElementBase& { return x; }, e);
}
inline TRepElementBase& elementBase(TRepElement& e) {
    return std::visit([](auto& x) -> TRepElementBase& { return x; }, e);
}
