#pragma once

#include "glyphtray/GlyphtrayExport.h"

// The start-up of the palette library, called once by the program: the palette's pages are
// titled in the menus as the palette titles them. Returns the number of palette pages
// registered.
GLYPHTRAY_API int InitGlyphtray();
