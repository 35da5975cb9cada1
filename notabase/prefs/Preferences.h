#pragma once

#include "notabase/NotabaseExport.h"

#include "platform/core/FontDescription.h"
#include "platform/core/WindowPlacement.h"

#include <string>

// The one way every library reads and writes a setting: a named value in a named section of
// the program's profile. Loads fall back to the caller's default when nothing usable is
// stored; saves return non-zero on success.

NOTABASE_API int LoadIntPreference(const char* section, const char* name, int defaultValue);
// The stored value held to low..high, so a hostile profile cannot make arithmetic on it
// overflow; the default when nothing is stored.
NOTABASE_API int LoadIntPreference(const char* section, const char* name, int defaultValue, int low, int high);

// The farthest a window's position and size may reach on any screen (the window system's
// coordinates are 16-bit); stored positions and sizes are held to it.
inline constexpr int kScreenCoordinateLimit = 32767;
// The tallest font height a stored font may give, in either sign.
inline constexpr int kFontHeightLimit = 1000;
NOTABASE_API int SaveIntPreference(const char* section, const char* name, int value);

// Floats are kept as text with six decimals, written and read in the C locale whatever the
// process locale is, so a profile moves between machines unchanged. A stored text that is no
// finite number ("nan", "inf", too large for a float) counts as absent.
NOTABASE_API float LoadFloatPreference(const char* section, const char* name, float defaultValue);
NOTABASE_API int SaveFloatPreference(const char* section, const char* name, float value);

NOTABASE_API std::string LoadStringPreference(const char* section, const char* name, const char* defaultValue);
NOTABASE_API int SaveStringPreference(const char* section, const char* name, const char* value);

// A font is kept as one text "face, height, bold, italic, underline, charset". The arguments
// give the font used for fields that are not stored; a stored height is held to
// kFontHeightLimit in either sign.
NOTABASE_API plat::FontDescription LoadFontPreference(const char* section, const char* name, const char* faceName,
                                  int height, int bold, int italic, int underline, int charSet);
NOTABASE_API int SaveFontPreference(const char* section, const char* name, const plat::FontDescription& font);

// A window placement is kept as the values "x", "y", "Width", "Height", "Iconic" and
// "Maximized" of its section. Loading returns 1 when a size was stored and 0 when the work
// area of the screen stood in for it. Stored positions are held to kScreenCoordinateLimit in
// either sign and sizes to 0..kScreenCoordinateLimit (a size of 0 is none stored), so the
// edges worked out from them never overflow.
NOTABASE_API int LoadWindowPrefs(const char* section, plat::WindowPlacement& placement);
NOTABASE_API void SaveWindowPrefs(const char* section, const plat::WindowPlacement& placement);
