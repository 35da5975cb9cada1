#pragma once

#include "rack/outside/plinthbase/PlinthBaseExport.h"

#include <string>
#include <string_view>

namespace plat::ui {
class DrawContext;
}

// Names and paths shortened to fit a width in the font selected into a drawing handle.
namespace rack {

// Cuts the end of text and marks the cut with "...", until it fits width pixels.
PLINTHBASE_API void Pool_GetNameThatFits(plat::ui::DrawContext& dc, int width, std::string& text);
// Shortens a path in its middle, keeping its beginning and its file name as long as it can.
PLINTHBASE_API void Pool_GetPathThatFits(plat::ui::DrawContext& dc, int width, std::string& text);
// The file-name part of a path ("/" or "\" separate folders).
PLINTHBASE_API std::string GetFilenameName(std::string_view path);

}  // namespace rack
