#include "platform/ui/draw/Pen.h"

#include <algorithm>
#include <array>

namespace plat::ui {

Pen Pen::solid(ColorRef color, int width)
{
    // Square ends and joins keep lines on whole pixels, as the classic pens do.
    QPen pen(toQColor(color), std::max(width, 1), Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
    pen.setCosmetic(true);
    return Pen(pen);
}

Pen Pen::styled(int style, ColorRef color, int width)
{
    static constexpr Qt::PenStyle kStyles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine, Qt::DashDotLine,
                                               Qt::DashDotDotLine, Qt::NoPen};
    if (style == 5)
        return null();
    Pen pen = solid(color, width);
    if (style > 0 && style < 5)
        pen.m_pen.setStyle(kStyles[style]);
    return pen;
}

Pen Pen::null()
{
    return Pen(QPen(Qt::NoPen));
}

const Pen& Pen::stock(StockPen which)
{
    static const std::array<Pen, 3> kStock = {solid(rgb(255, 255, 255)), solid(rgb(0, 0, 0)), null()};
    return kStock[size_t(which)];
}

}  // namespace plat::ui
