#include "wincolor.h"

#include <QGuiApplication>
#include <QPalette>

namespace platform {

namespace {

QColor systemColor(int index) {
    const QPalette p = QGuiApplication::palette();
    switch (index) {
    case 5: // window
        return p.color(QPalette::Base);
    case 8: // window text
        return p.color(QPalette::Text);
    case 13: // highlight
        return p.color(QPalette::Highlight);
    case 14: // highlighted text
        return p.color(QPalette::HighlightedText);
    case 16: // button shadow
        return p.color(QPalette::Dark);
    case 17: // gray text
        return p.color(QPalette::Disabled, QPalette::Text);
    case 18: // button text
        return p.color(QPalette::ButtonText);
    case 20: // button highlight
        return p.color(QPalette::Light);
    case 21: // 3D dark shadow
        return p.color(QPalette::Shadow);
    case 23: // info text
        return p.color(QPalette::ToolTipText);
    case 24: // info background
        return p.color(QPalette::ToolTipBase);
    default: // button face and the rest
        return p.color(QPalette::Button);
    }
}

} // namespace

QColor colorFromValue(int value) {
    const auto v = static_cast<unsigned>(value);
    if (v & 0x80000000U)
        return systemColor(static_cast<int>(v & 0xFF));
    return QColor(static_cast<int>(v & 0xFF), static_cast<int>((v >> 8) & 0xFF),
                  static_cast<int>((v >> 16) & 0xFF));
}

int valueFromColor(const QColor& c) {
    const QColor rgb = c.toRgb();
    return rgb.red() | (rgb.green() << 8) | (rgb.blue() << 16);
}

} // namespace platform
