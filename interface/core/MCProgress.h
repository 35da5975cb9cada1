#pragma once

#include "interface/InterfaceExport.h"

#include <string>

// The status bar's progress display, driven by synchronous status states applied without a
// performance, so they reach the main window in order before each call returns: 1801 opens it
// with a text and a range, 1802 sets the position (carried in the state's progress step),
// 1803 steps, 1804 closes it.
INTERFACE_API void MCProgressBegin(const std::string& text, int low, int high);
INTERFACE_API void MCProgressSet(int position);
INTERFACE_API void MCProgressStep();
INTERFACE_API void MCProgressEnd();
