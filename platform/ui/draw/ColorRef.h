#pragma once

#include <QColor>

#include <cstdint>

namespace plat::ui {

// A colour as the classic drawing calls store it: 0x00BBGGRR.
using ColorRef = uint32_t;

constexpr ColorRef rgb(uint8_t red, uint8_t green, uint8_t blue)
{
    return ColorRef(red) | (ColorRef(green) << 8) | (ColorRef(blue) << 16);
}

inline QColor toQColor(ColorRef color)
{
    return QColor(int(color & 0xFF), int((color >> 8) & 0xFF), int((color >> 16) & 0xFF));
}

inline ColorRef fromQColor(const QColor& color)
{
    return rgb(uint8_t(color.red()), uint8_t(color.green()), uint8_t(color.blue()));
}

}  // namespace plat::ui
