#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/draw/ColorRef.h"

#include <QBrush>

namespace plat::ui {

class Bitmap;

// The brushes every window may use without making them.
enum class StockBrush { white, lightGray, gray, darkGray, black, null };

// The hatch patterns of a hatched brush.
enum class Hatch { horizontal = 0, vertical = 1, forwardDiagonal = 2, backwardDiagonal = 3, cross = 4, diagonalCross = 5 };

// What a brush fills with: a solid colour, a hatch in a colour, an image repeated, or
// nothing (a null brush fills nothing).
class PLATUI_API Brush {
public:
    static Brush solid(ColorRef color);
    static Brush hatched(Hatch hatch, ColorRef color);
    static Brush pattern(const Bitmap& tile);
    static Brush null();
    static const Brush& stock(StockBrush which);

    bool isNull() const { return m_brush.style() == Qt::NoBrush; }
    const QBrush& qbrush() const { return m_brush; }
    // The brush's colour (for a pattern brush, black).
    ColorRef color() const { return fromQColor(m_brush.color()); }

private:
    explicit Brush(QBrush brush) : m_brush(std::move(brush)) {}
    QBrush m_brush;
};

}  // namespace plat::ui
