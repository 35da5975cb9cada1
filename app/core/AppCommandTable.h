#pragma once

#include <cstdint>
#include <span>

// Every command of the program described once: its menu text, its status prompt and tool
// tip, its keys, its toolbar picture and whether it shows a check mark. The menus, the
// toolbars, the accelerators and the hot-key table are all made from these rows, so none of
// them can disagree with another. The prompts are the program's strings under the command
// ids, where the command actions read them.
namespace AppCommandTable {

// How the user reaches a command.
enum class Reach : uint8_t {
    menu,    // an item of a menu (and maybe a button and keys as well)
    button,  // a toolbar button that stands for a menu's command (standsFor)
    key,     // only its keys
    sent,    // sent by another command (standsFor) when that one finds nothing to do
};

struct Command {
    uint32_t id = 0;
    // The menu text, "&" before the mnemonic; an update may replace it.
    const char* text = "";
    // The status bar's prompt, then "\n" and the tool tip.
    const char* prompt = "";
    // Accelerators in portable text ("Ctrl+Shift+S"), two of them separated by "; ".
    const char* keys = "";
    // The single key of the hot-key table that sends the command ('P'), or 0.
    char hotKey = 0;
    // The hot key sends the command again while it is held.
    bool hotKeyRepeats = false;
    // The prefix of the toolbar button's pictures ("PLAY" for "PLAY0", "PLAY1", ...), or null.
    const char* picture = nullptr;
    // The item shows a check mark.
    bool checkable = false;
    // The item shows a radio mark: one of the rows next to it that are radio rows too.
    bool radio = false;
    Reach reach = Reach::menu;
    // For a button: the menu command it stands for; for a sent command: the one that sends it.
    uint32_t standsFor = 0;
};

std::span<const Command> Commands();
// The row of id, or null.
const Command* Find(uint32_t id);
// The menu text of id ("" for an id without a row).
const char* Text(uint32_t id);

// The toolbars' buttons, left to right; 0 is a gap between two groups.
inline constexpr uint32_t kFileBar[] = {57600, 57601, 57603, 57607};
inline constexpr uint32_t kEditBar[] = {901, 902, 903, 0, 912, 913, 914};
inline constexpr uint32_t kTransportBar[] = {773, 774, 775, 776, 777, 778, 779, 780, 781, 782};

}  // namespace AppCommandTable
