#pragma once

#include "rack/plinthart/PlinthArtExport.h"

#include "platform/ui/draw/Bitmap.h"
#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/Palette.h"

#include <memory>
#include <string_view>

namespace rack {

// Loads a bitmap resource of a module (a name, or "#" and a number). A bitmap made for a
// colour table of 8 or fewer bits comes with a palette of 2^bits entries (the bitmap's
// colours first), handed out through palette when it is not null. Null when the module
// has no such resource.
PLINTHART_API std::unique_ptr<plat::ui::Bitmap> LoadResourceBitmap(std::string_view module,
                                                                  std::string_view resourceName,
                                                                  std::unique_ptr<plat::ui::Palette>* palette);

// A new solid brush.
PLINTHART_API std::unique_ptr<plat::ui::Brush> PlinthCreateSolidBrush(plat::ui::ColorRef color);

// The styles of a logical brush.
inline constexpr uint32_t kBrushStyleSolid = 0;
inline constexpr uint32_t kBrushStyleNull = 1;
inline constexpr uint32_t kBrushStyleHatched = 2;

// A new brush from a logical brush description: solid in the colour, null, or hatched in
// the colour with the hatch of that index (0 horizontal to 5 diagonal cross). Null for
// another style or hatch.
PLINTHART_API std::unique_ptr<plat::ui::Brush> CreateBrush(uint32_t style, plat::ui::ColorRef color, uintptr_t hatch);

}  // namespace rack
