#include "platform/ui/draw/Brush.h"

#include "platform/ui/draw/Bitmap.h"

#include <array>

namespace plat::ui {

Brush Brush::solid(ColorRef color)
{
    return Brush(QBrush(toQColor(color)));
}

Brush Brush::hatched(Hatch hatch, ColorRef color)
{
    static constexpr std::array<Qt::BrushStyle, 6> kStyles = {
        Qt::HorPattern, Qt::VerPattern, Qt::FDiagPattern, Qt::BDiagPattern, Qt::CrossPattern, Qt::DiagCrossPattern,
    };
    const size_t index = size_t(hatch);
    return Brush(QBrush(toQColor(color), index < kStyles.size() ? kStyles[index] : Qt::SolidPattern));
}

Brush Brush::pattern(const Bitmap& tile)
{
    if (tile.isNull())
        return null();
    return Brush(QBrush(tile.image()));
}

Brush Brush::null()
{
    return Brush(QBrush(Qt::NoBrush));
}

const Brush& Brush::stock(StockBrush which)
{
    static const std::array<Brush, 6> kStock = {
        solid(rgb(255, 255, 255)), solid(rgb(192, 192, 192)), solid(rgb(128, 128, 128)),
        solid(rgb(64, 64, 64)),    solid(rgb(0, 0, 0)),       null(),
    };
    return kStock[size_t(which)];
}

}  // namespace plat::ui
