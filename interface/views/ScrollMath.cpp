#include "interface/views/ScrollMath.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace scrollmath {

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return 0;
    const int64_t num = int64_t(a) * b;
    const int64_t half = std::llabs(int64_t(c)) / 2;
    const bool negative = (num < 0) != (c < 0);
    const int64_t q = (std::llabs(num) + half) / std::llabs(int64_t(c));
    const int64_t r = negative ? -q : q;
    return int(std::clamp<int64_t>(r, INT32_MIN, INT32_MAX));
}

Rect Rect::Normalized() const
{
    return {std::min(left, right), std::min(top, bottom), std::max(left, right), std::max(top, bottom)};
}

Rect Intersect(const Rect& a, const Rect& b)
{
    const Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
                 std::min(a.bottom, b.bottom)};
    return r.IsEmpty() ? Rect{} : r;
}

Rect Union(const Rect& a, const Rect& b)
{
    if (a.IsEmpty())
        return b;
    if (b.IsEmpty())
        return a;
    return {std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
            std::max(a.bottom, b.bottom)};
}

QPoint LPtoDP(const Mapping& m, QPoint p)
{
    return {m.viewportOrg.x() + MulDiv(p.x() - m.windowOrg.x(), m.viewportExt.width(), m.windowExt.width()),
            m.viewportOrg.y() + MulDiv(p.y() - m.windowOrg.y(), m.viewportExt.height(), m.windowExt.height())};
}

QPoint DPtoLP(const Mapping& m, QPoint p)
{
    return {m.windowOrg.x() + MulDiv(p.x() - m.viewportOrg.x(), m.windowExt.width(), m.viewportExt.width()),
            m.windowOrg.y() + MulDiv(p.y() - m.viewportOrg.y(), m.windowExt.height(), m.viewportExt.height())};
}

Rect LPtoDP(const Mapping& m, const Rect& r)
{
    const QPoint a = LPtoDP(m, QPoint(r.left, r.top)), b = LPtoDP(m, QPoint(r.right, r.bottom));
    return {a.x(), a.y(), b.x(), b.y()};
}

Rect DPtoLP(const Mapping& m, const Rect& r)
{
    const QPoint a = DPtoLP(m, QPoint(r.left, r.top)), b = DPtoLP(m, QPoint(r.right, r.bottom));
    return {a.x(), a.y(), b.x(), b.y()};
}

QSize LPtoDP(const Mapping& m, QSize s)
{
    return {MulDiv(s.width(), std::abs(m.viewportExt.width()), std::abs(m.windowExt.width())),
            MulDiv(s.height(), std::abs(m.viewportExt.height()), std::abs(m.windowExt.height()))};
}

QSize DPtoLP(const Mapping& m, QSize s)
{
    return {MulDiv(s.width(), std::abs(m.windowExt.width()), std::abs(m.viewportExt.width())),
            MulDiv(s.height(), std::abs(m.windowExt.height()), std::abs(m.viewportExt.height()))};
}

QPoint HMtoDP(const Mapping& m, QPoint p)
{
    return {MulDiv(p.x(), m.viewportExt.width(), 2540), MulDiv(p.y(), m.viewportExt.height(), 2540)};
}

QPoint DPtoHM(const Mapping& m, QPoint p)
{
    return {MulDiv(p.x(), 2540, m.viewportExt.width()), MulDiv(p.y(), 2540, m.viewportExt.height())};
}

int BarToPosition(int barPos, int min, int max, int extent)
{
    // Rounded to nearest, halves away from zero, so that a flipped view's negative
    // positions come out as exactly as positive ones.
    return int(std::lround(double(extent) * (barPos - min) / (max - min)));
}

int PositionToBar(int position, int min, int max, int extent)
{
    return min + int(std::lround(double(max - min) * position / extent));
}

int ClampScroll(int wanted, int viewExtent, int visibleExtent, bool flipped)
{
    if (flipped)
        return std::clamp(wanted, std::min(viewExtent + visibleExtent, 0), 0);
    return std::clamp(wanted, 0, std::max(viewExtent - visibleExtent, 0));
}

int WheelScrollAmount(int delta, int lines, int lineStep, int pageStep, bool vertical, bool flipped, int& remainder)
{
    // A turn the other way starts afresh (the remainder runs the way d does).
    if ((remainder < 0 && delta < 0) || (remainder > 0 && delta > 0))
        remainder = 0;
    // d runs towards larger coordinates for a backward turn (delta < 0).
    int d = 0;
    if (lines == -1) {
        const long long total = remainder - static_cast<long long>(delta) * std::abs(pageStep);
        const long long units = total / 120;
        remainder = static_cast<int>(total - units * 120);
        d = static_cast<int>(units);
    } else {
        const long long total = remainder - static_cast<long long>(delta) * lines;
        const long long whole = total / 120;
        remainder = static_cast<int>(total - whole * 120);
        d = static_cast<int>(whole) * std::abs(lineStep);
    }
    // A flipped view's top lies at its larger coordinates.
    return vertical && flipped ? -d : d;
}

}  // namespace scrollmath
