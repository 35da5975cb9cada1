#pragma once

#include "rack/plinthart/GraphicIds.h"
#include "rack/plinthart/PlinthArtExport.h"

#include "platform/ui/draw/Bitmap.h"
#include "platform/ui/draw/Brush.h"
#include "platform/ui/draw/Font.h"
#include "platform/ui/draw/Palette.h"
#include "platform/ui/draw/Pen.h"

#include <memory>

namespace plat::ui {
class Window;
}

// The rack's pictures, digits, lights, icons, brushes, pens and fonts, each made on first
// request and kept until grp_Initialize or grp_Terminate, and the one palette every rack
// window shares. Everything here runs on the interface thread.
namespace rack {

// Reads the [Fonts] faces of the profile, empties every cache and loads the backgrounds and
// meters, the CD background first, so that its palette becomes the shared one.
PLINTHART_API void grp_Initialize();
// Deletes everything the caches hold.
PLINTHART_API void grp_Terminate();

// The shared palette: the palette of the first bitmap loaded with a colour table.
PLINTHART_API const plat::ui::Palette* GetGraphicPalette();

// The graphic part of the id, null for an id not listed or a missing resource. The library
// owns it. WAVE_METER (kPartWaveMeter) is made anew on every request, because callers draw
// into it: the previous copy is deleted then.
PLINTHART_API plat::ui::Bitmap* GetGraphicPart(int id);
PLINTHART_API const plat::ui::Bitmap* GetGraphicDigit(int id);
// A new light bitmap that the caller owns; null for an id not listed.
PLINTHART_API std::unique_ptr<plat::ui::Bitmap> GetGraphicLed(int id);
PLINTHART_API const plat::ui::Bitmap* GetGraphicIcon(int id);
PLINTHART_API const plat::ui::Brush* GetGraphicBrush(int id);
PLINTHART_API const plat::ui::Pen* GetGraphicPen(int id);
PLINTHART_API const plat::ui::Font* GetGraphicFont(int id);

// Realises the shared palette for window: the number of palette entries that changed, 0
// when there is no shared palette. A true-colour display changes none, so the window never
// needs repainting for it.
PLINTHART_API int DoRealizePalette(plat::ui::Window* window, int foreground);

}  // namespace rack
