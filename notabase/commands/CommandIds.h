#pragma once

// The ids that GetCommandId reports, which command handlers switch on. The commands of this
// library are numbered in the alphabetical order of their class names; the gaps (17, 22, 27,
// 28, 30, 34, 35) are unused. The sequencer and interface libraries number theirs from
// their own bases.
namespace CommandIds {

inline constexpr int CCAdd = 0;
inline constexpr int CCAddClef = 1;
inline constexpr int CCAddDynamic = 2;
inline constexpr int CCAddEnvPoint = 3;
inline constexpr int CCAddKey = 4;
inline constexpr int CCAddMeasure = 5;
inline constexpr int CCAddMeter = 6;
inline constexpr int CCAddNoteModifier = 7;
inline constexpr int CCAddPedal = 8;
inline constexpr int CCAddSysEx = 9;
inline constexpr int CCAddTempo = 10;
inline constexpr int CCAddTrack = 11;
inline constexpr int CCAddTranspose = 12;
inline constexpr int CCAddTuplet = 13;
inline constexpr int CCAdjustMeasureChildren = 14;
inline constexpr int CCBase = 15;
inline constexpr int CCCopy = 16;
inline constexpr int CCCopyTracks = 18;
inline constexpr int CCDrag = 19;
inline constexpr int CCDrop = 20;
inline constexpr int CCEdit = 21;
inline constexpr int CCEditData = 23;
inline constexpr int CCEditDuration = 24;
inline constexpr int CCEditFilter = 25;
inline constexpr int CCEditGraph = 26;
inline constexpr int CCEditTime = 29;
inline constexpr int CCGroupStaves = 31;
inline constexpr int CCOrderTracks = 32;
inline constexpr int CCPaste = 33;
inline constexpr int CCRemove = 36;
inline constexpr int CCRemoveClef = 37;
inline constexpr int CCRemoveEnvPoint = 38;
inline constexpr int CCRemoveKey = 39;
inline constexpr int CCRemoveMeasure = 40;
inline constexpr int CCRemoveMeter = 41;
inline constexpr int CCRemoveTrack = 42;

// The sequencer library's commands.
inline constexpr int SequencerBase = 0x9500;
inline constexpr int CCEditPatch = 0x9500;
inline constexpr int CCAdvanceClock = 0x9501;

// The interface library's commands.
inline constexpr int InterfaceBase = 0x9600;
inline constexpr int CCTranspose = 0x9600;
inline constexpr int CCMergeStaves = 0x9601;

}  // namespace CommandIds
