#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace rack {

// One entry of a play list: a name (a file or a track name, kept whole), its position in
// the editor's list box, and a value (whether a file was loaded before, or a track index).
struct RACKCORE_API PlayListEntry {
    std::string name;
    int32_t position = 0;
    int32_t value = 0;
    std::unique_ptr<PlayListEntry> next;
};

// The entries the play-list editors keep while their dialog is open: a chain that owns its
// entries. Positions run 0, 1, 2, ... along the chain as long as entries are added with
// valid positions.
struct RACKCORE_API PlayList {
    PlayList() = default;
    ~PlayList();
    PlayList(const PlayList&) = delete;
    PlayList& operator=(const PlayList&) = delete;

    std::unique_ptr<PlayListEntry> first;
};

// Inserts an entry at position (-1: after the last). In front of the first entry with that
// position, whose position and every later one rise by 1; appended with that position when
// none has it. An empty list takes it at position 0 for -1.
RACKCORE_API void pl_Insert(PlayList& list, std::string_view name, int32_t position, int32_t value);
// The same operation, the CD editor's name for it.
RACKCORE_API void pl_Add(PlayList& list, std::string_view name, int32_t position, int32_t value);
// Removes the entry at position (see pl_RemoveAt); when its value is not 0 its name is
// appended to removed with value 1.
RACKCORE_API void pl_Remove(PlayList& list, int32_t position, PlayList& removed);
// Removes the first entry with the position; every later one drops by 1. In a list of one
// entry only position 0 removes it, whatever position it holds.
RACKCORE_API void pl_RemoveAt(PlayList& list, int32_t position);
// The first entry with the position; in a list of one entry, that entry for position 0 only.
RACKCORE_API PlayListEntry* pl_Find(const PlayList& list, int32_t position);
// 1 and the position of the first entry holding value, else 0.
RACKCORE_API int pl_FindValue(const PlayList& list, int32_t value, int32_t* position);
// Whether the entry at position holds value (0 when there is no such entry).
RACKCORE_API int pl_HasValue(const PlayList& list, int32_t position, int32_t value);
// The value at position, -1 when there is none.
RACKCORE_API int32_t pl_GetValue(const PlayList& list, int32_t position);
// Gives the entry at position a new name (nothing when there is none).
RACKCORE_API void pl_Rename(PlayList& list, std::string_view name, int32_t position);
RACKCORE_API int pl_Count(const PlayList& list);
RACKCORE_API void pl_Clear(PlayList& list);

}  // namespace rack
