#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include <cstdint>
#include <string>

namespace rack {

// The name under which plinthui registers its texts and bitmaps.
inline constexpr const char* kPlinthUiModule = "PLINTHUI";

// A text of plinthui's string table (tool tips and help texts); "" for an id it does not hold.
PLINTHUI_API std::string plinthUiString(uint32_t id);

}  // namespace rack
