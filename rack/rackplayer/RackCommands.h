#pragma once

#include <cstdint>

// The command ids of the rack's frame: its menu items, its toolbar buttons (the Options
// commands of the bands) and the commands it sends itself and its decks.
namespace rack {

inline constexpr uint32_t kCmdOpenWave = 16;
inline constexpr uint32_t kCmdCloseWave = 17;
inline constexpr uint32_t kCmdSaveWave = 18;
inline constexpr uint32_t kCmdOpenMidi = 20;
inline constexpr uint32_t kCmdCloseMidi = 21;
inline constexpr uint32_t kCmdInitializeCd = 24;
inline constexpr uint32_t kCmdExit = 66;
inline constexpr uint32_t kCmdWaveEditor = 80;
inline constexpr uint32_t kCmdMidiEditor = 81;
inline constexpr uint32_t kCmdPlaylistEditor = 96;
inline constexpr uint32_t kCmdToolbar = 112;
inline constexpr uint32_t kCmdMixer = 113;
inline constexpr uint32_t kCmdWave = 114;
inline constexpr uint32_t kCmdMidi = 115;
inline constexpr uint32_t kCmdCd = 116;
inline constexpr uint32_t kCmdNothing = 128;
inline constexpr uint32_t kCmdMidiInput = 129;
inline constexpr uint32_t kCmdWaveLoop = 133;
inline constexpr uint32_t kCmdMidiLoop = 134;
inline constexpr uint32_t kCmdCdLoop = 135;
inline constexpr uint32_t kCmdHelpContents = 144;
inline constexpr uint32_t kCmdAbout = 145;
inline constexpr uint32_t kCmdHelpRack = 146;
inline constexpr uint32_t kCmdOpenNamedFile = 160;
inline constexpr uint32_t kCmdAutoPlay = 177;
inline constexpr uint32_t kCmdRecordingSetup = 178;
// Always on top: an item of the Options menu (the window system offers programs no menu
// of their own on the title bar).
inline constexpr uint32_t kCmdOnTop = 0xF200;

// Commands the frame sends its decks.
inline constexpr uint32_t kDeckPlaylistEditor = 8;
inline constexpr uint32_t kDeckClose = 9;
inline constexpr uint32_t kDeckSave = 10;
inline constexpr uint32_t kDeckInitializeCd = 24;
inline constexpr uint32_t kDeckPlay = 48;

}  // namespace rack
