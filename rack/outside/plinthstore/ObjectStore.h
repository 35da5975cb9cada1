#pragma once

#include "rack/outside/plinthstore/PlinthStoreExport.h"
#include "rack/outside/plinthstore/StoreRecords.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace plat::ui {
class Window;
}

// The media objects of the rack: its waves and MIDI files, by index in the order they were
// taken, each with a key that stays while it lives. Everything runs on the interface thread.
// A deck registered for a kind is posted kSysCommandMessage with kObjectsChanged whenever
// objects of that kind come, go or change.
namespace rack {

// Counted; the last terminate empties the tables. Both answer 0.
PLINTHSTORE_API int obj_Initialize();
PLINTHSTORE_API int obj_Terminate();
PLINTHSTORE_API void obj_RegisterUser(plat::ui::Window* deck, int kind);
PLINTHSTORE_API void obj_UnregisterUser(plat::ui::Window* deck, int kind);

// Tells the decks registered for kind that its objects changed.
PLINTHSTORE_API void obj_BroadcastChange(int kind);

// kObjWave, kObjMidi, or -1 for any other file.
PLINTHSTORE_API int obj_GetType(std::string_view path);

// Takes the wave file at path (null: the files the user chooses; the last one's index is
// answered). The new index, -1 when nothing was taken; a file that is not a wave the rack
// can play is refused with a message.
PLINTHSTORE_API int obj_LoadWave(plat::ui::Window* window, const char* path);
// A new empty wave to record into, named with the unnamed-recording name, in the format
// of the recording set-up. The decks are not told: the one that asks records into it.
PLINTHSTORE_API int obj_NewWave(plat::ui::Window* frame);
PLINTHSTORE_API int obj_GetWaveCount();
// The record of wave index; null when there is none. Valid until the wave is removed.
PLINTHSTORE_API WaveRecord* obj_GetWave(int unused, int index);
// Removes a wave by index (byKey 0) or by key (byKey 1); 0, or -1 when there is none.
PLINTHSTORE_API int obj_EmptyWave(int byKey, int indexOrKey);
// The index of the object of that kind whose name (or path) is name, -1 when none.
PLINTHSTORE_API int obj_MatchName(int kind, std::string_view name);
// 1 when the wave has unsaved data: a recording not yet saved under a name of the user's.
PLINTHSTORE_API int obj_GetState(int unused, const WaveRecord* wave);
// Saves wave index: mode 0 saves it when it has unsaved data, mode 1 (the Save command)
// asks for a name even when it has none. The recording is moved to the chosen file. 0 on
// success (or when there was nothing to save), 1 when the user cancelled, -1 on failure.
PLINTHSTORE_API int obj_SaveWave(plat::ui::Window* window, int unused, int index, int mode);
// Empties the wave's data, so a recording starts over it: its length becomes 0 and it has
// nothing unsaved left. Answers 0, -1 for no wave.
PLINTHSTORE_API int obj_FillWaveDataBlock(WaveRecord* wave, int, int, int);
// A path for a new recording, unique in the user's music folder ("Recording 001.wav",
// ...); 0, or -1 when the folder cannot be made.
PLINTHSTORE_API int obj_MakeName(plat::ui::Window* window, int unused, std::string& out);
// The folder the open dialogs of a kind start in.
PLINTHSTORE_API std::string obj_GetUserDir(int kind);
PLINTHSTORE_API void obj_SetUserDir(int kind, std::string_view folder);
// Lets the user choose the format of new recordings.
PLINTHSTORE_API void obj_RecordSetupDialog(plat::ui::Window* window);
// The format of new recordings.
PLINTHSTORE_API WaveFormat obj_GetRecordFormat();

// Takes the MIDI file at path (null: the user's choice); new index or -1.
PLINTHSTORE_API int obj_LoadMidi(plat::ui::Window* window, const char* path);
PLINTHSTORE_API int obj_GetMidiCount();
PLINTHSTORE_API MidiRecord* obj_GetMidi(int unused, int index);
PLINTHSTORE_API int obj_EmptyMidi(int unused, int index);

}  // namespace rack
