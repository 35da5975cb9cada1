#pragma once

#include "interface/InterfaceExport.h"

#include <QPoint>
#include <QSize>

// The arithmetic of the scroll view, kept free of widgets so that it can be checked on its
// own: rectangles by their edges (right and bottom exclusive, a flipped view's bottom below
// its top), the mapping of a logical space onto device pixels, and the scroll-bar scale.
namespace scrollmath {

// a * b / c rounded to the nearest integer (halves away from zero); 0 when c is 0.
INTERFACE_API int MulDiv(int a, int b, int c);

struct INTERFACE_API Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    Rect Normalized() const;
    Rect Offset(QPoint by) const { return {left + by.x(), top + by.y(), right + by.x(), bottom + by.y()}; }
    bool Contains(QPoint p) const { return p.x() >= left && p.x() < right && p.y() >= top && p.y() < bottom; }
    friend bool operator==(const Rect&, const Rect&) = default;
};
// The common part of two normalised rectangles; empty (all zero) when they do not meet.
INTERFACE_API Rect Intersect(const Rect& a, const Rect& b);
// The smallest rectangle holding both; an empty one adds nothing.
INTERFACE_API Rect Union(const Rect& a, const Rect& b);

// How logical coordinates land on device pixels, per axis:
// device = viewport origin + (logical - window origin) * viewport extent / window extent.
// A negative viewport extent in y makes the view flipped (y grows upward).
struct Mapping {
    QPoint windowOrg{0, 0};
    QSize windowExt{1, 1};
    QPoint viewportOrg{0, 0};
    QSize viewportExt{1, 1};
    bool IsFlipped() const { return (viewportExt.height() < 0) != (windowExt.height() < 0); }
};

INTERFACE_API QPoint LPtoDP(const Mapping& m, QPoint p);
INTERFACE_API QPoint DPtoLP(const Mapping& m, QPoint p);
INTERFACE_API Rect LPtoDP(const Mapping& m, const Rect& r);
INTERFACE_API Rect DPtoLP(const Mapping& m, const Rect& r);
// Sizes scale by the magnitudes of the extents: a size keeps its sign in either space.
INTERFACE_API QSize LPtoDP(const Mapping& m, QSize s);
INTERFACE_API QSize DPtoLP(const Mapping& m, QSize s);
// Hundredths of a millimetre, with the viewport extent holding device pixels per inch.
INTERFACE_API QPoint HMtoDP(const Mapping& m, QPoint p);
INTERFACE_API QPoint DPtoHM(const Mapping& m, QPoint p);

// A coordinate of the view (extent long) from a scroll-bar position in [min, max], and back.
INTERFACE_API int BarToPosition(int barPos, int min, int max, int extent);
INTERFACE_API int PositionToBar(int position, int min, int max, int extent);

// The range a scroll coordinate is kept in: [0, view - visible] for a view that grows
// forward, [view + visible, 0] for a flipped one (view negative); never inverted.
INTERFACE_API int ClampScroll(int wanted, int viewExtent, int visibleExtent, bool flipped);

// What one turn of the wheel scrolls, in view units along its axis: delta in 120ths of a
// notch (forward positive), lines a notch (-1: a page a notch, 0: nothing). A forward turn
// moves towards the top of the view (the start, horizontally) whichever way the view grows.
// The part of a turn too small to scroll is kept in remainder (120ths of a line, or of a view
// unit when paging) for the next turn the same way, so the fine steps of a touchpad or a
// free-spinning wheel add up; a page is scrolled in proportion to the turn.
INTERFACE_API int WheelScrollAmount(int delta, int lines, int lineStep, int pageStep, bool vertical, bool flipped,
                                    int& remainder);

}  // namespace scrollmath
