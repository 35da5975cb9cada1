#pragma once

#include "rack/plinthart/PlinthArtExport.h"

#include <cstdint>

namespace plat::ui {
class DrawContext;
class Window;
}  // namespace plat::ui

// The rack's segment displays, drawn from the 10x19 digit strips: lit in cyan, or dark.
// Each draws on the drawing handle given, or on the window's own when that is null.
namespace rack {

// MM:SS of a time in tenths of a second: the minutes (modulo 60) at x and x + 14, the colon
// at x + 26, the seconds at x + 30 and x + 42. A negative time shows 00:00.
PLINTHART_API void PaintTime(plat::ui::Window* window, plat::ui::DrawContext* dc, int x, int y, int32_t tenths,
                             bool lit);

// The two digits of index + 1: tens at x, units at x + 14. Numbers of 100 and above show
// their last two digits; below 0, 00.
PLINTHART_API void Paint_NN_Index(plat::ui::Window* window, plat::ui::DrawContext* dc, int x, int y, int32_t index,
                                  bool lit);

}  // namespace rack
