#pragma once

#include "rack/outside/plinthbase/PlinthBaseExport.h"

#include <cstddef>
#include <string>

// The string table of the rack: window title, dialog titles and filters, menu texts and
// every message the rack and its layers show, by id.
namespace rack {

inline constexpr int kStrWindowTitle = 2;
inline constexpr int kStrOpenWaveTitle = 275;
inline constexpr int kStrOpenMidiTitle = 277;
inline constexpr int kStrMidiFilter = 298;
inline constexpr int kStrWaveFilter = 299;
inline constexpr int kStrUnnamedRecording = 320;
inline constexpr int kStrTrackLabel = 549;
inline constexpr int kStrOnTopItem = 1690;

// The text of a string id cut to size - 1 bytes (never inside a character), as a buffer of
// that size holds it; empty for an unknown id.
PLINTHBASE_API std::string GetString(int id, size_t size = 256);

}  // namespace rack
