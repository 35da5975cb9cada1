#pragma once

#include "rack/outside/plinthopen/PlinthOpenExport.h"

#include <string>
#include <string_view>

// Hands a MIDI file to the outside MIDI editor: the Quavix program, when it is installed
// beside the rack or on the search path.
namespace rack {

inline constexpr const char* kMidiEditorProgram = "quavix";

// 0 in the low 16 bits when the editor is there, 1 when it is not.
PLINTHOPEN_API int ms_Query();
// Starts the editor with the file; 0 in the low 16 bits on success, 1 when there is no
// editor or it did not start.
PLINTHOPEN_API int ms_OpenMidiFile(std::string_view path);
// The editor program's path, empty when there is none.
PLINTHOPEN_API std::string ms_EditorPath();

}  // namespace rack
