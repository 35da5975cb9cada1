#pragma once

#include "notabase/NotabaseExport.h"

// The names of the two formats in which music leaves and enters the program through the
// clipboard and drag and drop: a list of elements in their stored form, and side information
// about that list (MCOleDataInfo).
inline constexpr const char* kMusicDataFormat = "Tarnwick Music Data";
inline constexpr const char* kMusicInfoFormat = "Tarnwick Music Info";

// The id the system gives a format name, registered on first use; the same name gives the
// same id while the program runs.
NOTABASE_API unsigned short MCClipFormat(const char* name);
