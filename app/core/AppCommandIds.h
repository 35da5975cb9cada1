#pragma once

#include <cstdint>

// The command ids of the program: what its menus, toolbars and keys send and what the main
// frame and the application switch on. The numbers are fixed: documents, view plug-ins and
// tool libraries send some of them, and the toolbars' controls carry them as item ids.
namespace AppCommandIds {

// The Transport toolbar; Performance Options is its loop button.
inline constexpr uint32_t PerformanceOptions = 773;
inline constexpr uint32_t Step = 774;
inline constexpr uint32_t Record = 775;
inline constexpr uint32_t Pause = 776;
inline constexpr uint32_t Stop = 777;
inline constexpr uint32_t Play = 778;
inline constexpr uint32_t PreviousMarker = 779;
inline constexpr uint32_t NextMarker = 780;
inline constexpr uint32_t Rewind = 781;
inline constexpr uint32_t FastForward = 782;

// The Music Edit toolbar's buttons: the modes and the hot-key switch stand for SelectMode,
// InsertMode and HotKeySwitch; the tool-window buttons latch.
inline constexpr uint32_t SelectModeButton = 901;
inline constexpr uint32_t InsertModeButton = 902;
inline constexpr uint32_t HotKeySwitchButton = 903;
inline constexpr uint32_t PaletteButton = 912;
inline constexpr uint32_t MixerButton = 913;
inline constexpr uint32_t InspectorButton = 914;

inline constexpr uint32_t ContextMenu = 32910;
inline constexpr uint32_t MidiPanic = 33200;
inline constexpr uint32_t SelectMode = 33210;
inline constexpr uint32_t InsertMode = 33211;
inline constexpr uint32_t HotKeySwitch = 33212;
inline constexpr uint32_t UndoHistory = 33215;
inline constexpr uint32_t ClearSelection = 33220;
inline constexpr uint32_t SelectEvents = 33221;
inline constexpr uint32_t MouseSelectOptions = 33222;
inline constexpr uint32_t FileToolbar = 33230;
inline constexpr uint32_t MusicEditToolbar = 33231;
inline constexpr uint32_t TransportToolbar = 33232;
inline constexpr uint32_t TimeToolbar = 33233;
inline constexpr uint32_t HideAllToolbars = 33234;
inline constexpr uint32_t MusicPalette = 33240;
inline constexpr uint32_t Mixer = 33241;
inline constexpr uint32_t Inspector = 33242;
inline constexpr uint32_t SystemExclusive = 33270;
inline constexpr uint32_t ChannelMode = 33290;
inline constexpr uint32_t WebHome = 33300;
inline constexpr uint32_t WebNews = 33302;
inline constexpr uint32_t WebSupport = 33303;
inline constexpr uint32_t WebFree = 33304;
inline constexpr uint32_t TipOfTheDay = 33310;
inline constexpr uint32_t DeviceWizard = 33320;
inline constexpr uint32_t SaveAsTemplate = 38600;
inline constexpr uint32_t Properties = 38611;
// A view plug-in's frame of the active document: FirstView + the view's code.
inline constexpr uint32_t FirstView = 38630;
inline constexpr uint32_t LastView = 38649;
// A preference category's sheet: FirstPreferences + the category.
inline constexpr uint32_t FirstPreferences = 38650;
inline constexpr uint32_t LastPreferences = 38659;
inline constexpr uint32_t AddStaff = 38662;
inline constexpr uint32_t RemoveStaves = 38663;
inline constexpr uint32_t AddMeasures = 38665;
inline constexpr uint32_t RemoveMeasures = 38666;
inline constexpr uint32_t GoTo = 38670;
// The effects of the plug-ins, numbered as they register.
inline constexpr uint32_t FirstEffect = 38700;
inline constexpr uint32_t LastEffect = 38955;
// A page of the music palette: FirstPalettePage + the page's index.
inline constexpr uint32_t FirstPalettePage = 38960;
inline constexpr uint32_t LastPalettePage = 38999;
inline constexpr uint32_t CloseWindow = 39000;
inline constexpr uint32_t CloseAllWindows = 39001;

// The standard commands every document program has.
inline constexpr uint32_t FileNew = 57600;
inline constexpr uint32_t FileOpen = 57601;
inline constexpr uint32_t FileClose = 57602;
inline constexpr uint32_t FileSave = 57603;
inline constexpr uint32_t FileSaveAs = 57604;
inline constexpr uint32_t FilePrintSetup = 57606;
inline constexpr uint32_t FilePrint = 57607;
// The recent-file list's entries follow one another from here.
inline constexpr uint32_t FirstRecentFile = 57616;
inline constexpr uint32_t EditClear = 57632;
inline constexpr uint32_t EditCopy = 57634;
inline constexpr uint32_t EditCut = 57635;
inline constexpr uint32_t EditPaste = 57637;
inline constexpr uint32_t EditUndo = 57643;
inline constexpr uint32_t EditRedo = 57644;
inline constexpr uint32_t About = 57664;
inline constexpr uint32_t Exit = 57665;
// Help: no help file ships, so these say so, except where a window has a context whose
// status text answers F1.
inline constexpr uint32_t HelpTopics = 57667;
inline constexpr uint32_t ContextHelp = 57669;
inline constexpr uint32_t Help = 57670;
inline constexpr uint32_t DefaultHelp = 57671;

}  // namespace AppCommandIds
