#pragma once

#include "rack/outside/plinthbase/GlobalMemory.h"
#include "rack/outside/plinthstore/PlinthStoreExport.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace plat::ui {
class Window;
}

// plinthstore's audio CD: the disc's table of contents read through libcdio (a drive, or a
// BIN/CUE or TOC image), its titles and play order kept per disc in "rackcd.ini", and the
// playing of a track, read digitally (libcdio's paranoia reader) and sent to the wave
// output. Interface thread only.
namespace rack {

// The end of a played track, posted to the window that played it: wParam kMciSuccessful
// when the track played to its end, kMciFailure when reading or playing failed.
inline constexpr uint32_t kMciNotifyMessage = 0x03B9;
inline constexpr uintptr_t kMciSuccessful = 1;
inline constexpr uintptr_t kMciFailure = 8;
// What obj_SetCDDoor is given.
inline constexpr int32_t kCdDoorRequest = 136;
// The longest title, artist or track name.
inline constexpr size_t kCdNameLength = 60;

// One track of the disc.
struct PLINTHSTORE_API CdTrackRecord {
    int32_t key = 0;
    // Its name, and the same name again (the rack writes both).
    std::string name;
    std::string name2;
    int32_t lengthTenths = 0;
    // The track's sectors on the disc.
    int32_t firstSector = 0;
    int32_t sectorCount = 0;
};

// The disc's title, artist and play order (track indexes, in the block orderHandle holds).
struct PLINTHSTORE_API CdPlayObject {
    std::string title;
    std::string artist;
    int32_t count = 0;
    int32_t* order = nullptr;
};

// The CD source: empty for the machine's default drive, else a drive's device or an image
// (".cue", ".toc"). The disc held is forgotten.
PLINTHSTORE_API void obj_SetCDSource(std::string_view source);

// Reads the disc when none is held, quietly.
PLINTHSTORE_API void obj_InitCD();
// Reads the disc again, saying why when there is no drive, no disc or it cannot be read.
// Answers the number of tracks.
PLINTHSTORE_API int obj_LoadCD(plat::ui::Window* window);
PLINTHSTORE_API int obj_GetCDCount();
PLINTHSTORE_API int obj_GetCDPlayCount();
// The track index at a play position, -1 when none.
PLINTHSTORE_API int obj_Xlate_Index(int position);
PLINTHSTORE_API CdTrackRecord* obj_GetCD(int unused, int track);
// Plays the track from startSeconds; non-zero when it started. The end comes to window as
// kMciNotifyMessage.
PLINTHSTORE_API int obj_PlayCD(plat::ui::Window* window, const CdTrackRecord* track, int32_t startSeconds);
// Stops playing; non-zero when something played. stop 0 asks to leave the disc turning,
// which digital playing cannot: it stops all the same.
PLINTHSTORE_API int obj_StopCD(plat::ui::Window* window, int stop, int);
// Forgets the disc (stopping what plays).
PLINTHSTORE_API void obj_EmptyCD(int, int);
// Opens the drive's door, or closes it when it is open. Non-zero when it acted, with
// *value then non-zero for an open door; 0 for an image or a drive that cannot.
PLINTHSTORE_API int obj_SetCDDoor(plat::ui::Window* window, int32_t* value);
// What moves the drive's door, for tests that have no drive: given the request, it answers
// as obj_SetCDDoor does. An empty hook puts the drive back; the one replaced is answered.
using CdDoorHook = std::function<int(int32_t* value)>;
PLINTHSTORE_API CdDoorHook obj_SetCDDoorHook(CdDoorHook hook);
// The gain (0 to 100 percent) and balance (-50 left only to 50 right only) the CD's sound
// is played at, from the next sectors on (clamped); the mixer band sets them.
PLINTHSTORE_API void obj_SetCDLevels(int gain, int balance);
// Stores the disc's title, artist, play order and track names.
PLINTHSTORE_API void obj_SaveCD();
PLINTHSTORE_API CdPlayObject* obj_GetCDPlayObject();
// The block that holds the play order: the rack may resize it (GlobalResize) or toss it
// when the order is empty, and then stores the new block's memory in the play object.
PLINTHSTORE_API GlobalHandle* obj_GetCDPlayOrderHandle();

}  // namespace rack
