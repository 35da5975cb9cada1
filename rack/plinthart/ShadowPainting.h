#pragma once

#include "rack/plinthart/PlinthArtExport.h"

#include "platform/ui/draw/ColorRef.h"

namespace plat::ui {
class Brush;
class DrawContext;
class Window;
}  // namespace plat::ui

// Fills, frames and shadows of the rack's panels, in the stock brushes.
namespace rack {

PLINTHART_API void BlackFill(plat::ui::DrawContext& dc, int x, int y, int width, int height);
PLINTHART_API void WhiteFill(plat::ui::DrawContext& dc, int x, int y, int width, int height);
// A one-pixel black outline.
PLINTHART_API void BlackFrame(plat::ui::DrawContext& dc, int x, int y, int width, int height);

// The stock brushes for the shadow and the light of a colour, by its brightness class;
// non-zero when both exist. The class looks at bits 8 to 15 and 16 to 23 of the colour
// value and at the whole value: dark (light gray, black) when both bytes are at most 91
// and the value at most 0x5BFFFFFF; else medium (light gray, dark gray) when both are at
// most 128 and the value at most 0x80FFFFFF; else light (white, gray).
PLINTHART_API int GetColorShadowing(plat::ui::ColorRef color, const plat::ui::Brush** dark,
                                    const plat::ui::Brush** light);

// Three one-pixel rows from y: light, black, dark when raised; dark, black, light when not.
PLINTHART_API void MakeShadowLine(plat::ui::DrawContext& dc, int x, int y, int width, plat::ui::ColorRef color,
                                  bool raised);
// A frame depth pixels deep: the light of the colour above and left when raised (its shadow
// when not), the other below and right, and the inside filled with fill when there is one.
PLINTHART_API void MakeShadowFrame(plat::ui::DrawContext& dc, int x, int y, int width, int height, int depth,
                                   plat::ui::ColorRef color, const plat::ui::Brush* fill, bool raised);
// The same frame filled with black.
PLINTHART_API void MakeShadowBox(plat::ui::DrawContext& dc, int x, int y, int width, int height, int depth,
                                 plat::ui::ColorRef color, bool raised);

// A rectangle in the TILE pattern with SMOOTH_TOP cells along its top and SMOOTH_BOTTOM
// cells along its bottom, and with a black bar of 4 pixels at the bottom when asked.
PLINTHART_API void PaintSmoothFrame(plat::ui::Window* window, plat::ui::DrawContext* dc, int x, int y, int width,
                                    int height, bool withBar);

}  // namespace rack
