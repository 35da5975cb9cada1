#pragma once

#include "inspector/InspectorExport.h"

// The start-up of the Inspector library, called once by the program: registers the library's
// pages with the inspector-page registry, one registration per element type and page, and
// returns the number of registrations made.
INSPECTOR_API int InitInspector();
