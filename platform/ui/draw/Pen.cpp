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
