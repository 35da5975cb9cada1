#pragma once

#include "interface/InterfaceExport.h"

#include <QImage>
#include <QRect>

#include <optional>

class QWidget;

namespace plat::ui {
class DrawContext;
}

// Inverts a one-pixel frame along the inside of rect with the halftone pattern; drawing it
// twice gives the original pixels back. An empty rectangle draws nothing.
INTERFACE_API void MCDrawFocusRect(plat::ui::DrawContext& dc, QRect rect);
// Three-dimensional frames in the button colours: raised (2 pixels, light on the left and
// top) and lowered (1 pixel, shadow on the left and top).
INTERFACE_API void MCDrawRaisedRect(plat::ui::DrawContext& dc, const QRect& rect);
INTERFACE_API void MCDrawLoweredRect(plat::ui::DrawContext& dc, const QRect& rect);

// Region modes of CombineRect.
enum MCRegionMode { RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5 };
// Combines a and b as regions and gives the bounding box of the result in out: 1 when the
// result is not empty, 0 when it is empty or mode is unknown.
INTERFACE_API int CombineRect(const QRect& a, const QRect& b, QRect& out, int mode);

// What the bitmap button asks an image factory for: the image of one state of the button.
struct INTERFACE_API MCDrawItem {
    QRect rect;
    // The state whose image is wanted.
    int itemState = 0;
    bool disabled = false;
    bool selected = false;
    bool focus = false;
    qreal devicePixelRatio = 1;
};

// The process-wide image factory of the bitmap buttons: an image for a button's state, or
// nothing to let the button compose its own.
using MCDrawItemFunc = std::optional<QImage> (*)(QWidget* button, const MCDrawItem& item);
INTERFACE_API MCDrawItemFunc GetDrawItemFunc();
INTERFACE_API void SetDrawItemFunc(MCDrawItemFunc function);
