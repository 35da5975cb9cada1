#pragma once

#include "interface/InterfaceExport.h"

#include <string_view>

// A number read the classic way: leading blanks, an optional sign, then the digits up to the
// first other character; 0 when there are none. Values beyond the int range stop at its ends.
INTERFACE_API int MCAtoi(std::string_view text);
