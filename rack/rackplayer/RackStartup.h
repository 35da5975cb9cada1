#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace plat::ui {
class Window;
}

// The life of the rack program: start-up (command line, one running copy, profile,
// libraries, window classes, frame), the hand-over of files, and shutdown.
namespace rack {

// The classes of the rack's windows.
inline constexpr const char* kFrameClass = "GlimmerwaxStereoFrame";
inline constexpr const char* kWaveDeckClass = "GlimmerwaxStereoWave";
inline constexpr const char* kMidiDeckClass = "GlimmerwaxStereoMidi";
inline constexpr const char* kCdDeckClass = "GlimmerwaxStereoCD";

// Requests a second copy sends the running one.
inline constexpr std::string_view kRequestOpen = "OPEN ";
inline constexpr std::string_view kRequestInitCd = "INITCD";
inline constexpr std::string_view kRequestShow = "SHOW";

// The key under which the running copy answers: the frame's class, the window title and
// the profile file, so copies that share a profile are one rack.
RACKCORE_API std::string rack_InstanceKey();

// Answers 1 to run the program, 0 to end at once with code 0 (a running copy took over).
// commandLine is the program's arguments as one line (RackCommandLine::join), programPath
// the program's own path.
RACKCORE_API int rack_Startup(std::string_view commandLine, std::string_view programPath);
// Saves the profile, ends the libraries in a safe order and runs the exit command.
RACKCORE_API void rack_Shutdown();
// Opens the file named by atom in the wave or MIDI deck, by its kind (frame command 160),
// and deletes the atom.
RACKCORE_API void rack_OpenNamedFile(plat::ui::Window* frame, uint16_t atom);

}  // namespace rack
