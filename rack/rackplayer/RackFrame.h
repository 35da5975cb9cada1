#pragma once

#include "rack/rackplayer/RackCoreExport.h"
#include "rack/rackplayer/RackCommands.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <functional>

class QDialog;

namespace plat::ui {
class Menu;
class Window;
}

// The rack's frame window: its menu, toolbar and stacked bands, the commands it sends the
// decks, MIDI feed-through, the outside editors and the closing of the decks.
namespace rack {

inline constexpr uintptr_t kAutoPlayTimer = 1;

// Reads the band keys and makes the frame, shown; false when it cannot be made.
RACKCORE_API bool rack_CreateFrame();
RACKCORE_API intptr_t Win_RackFrame(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                    intptr_t lParam);

// The desktop's session ends: the decks stop (a recording ends and is kept), and the
// profile is written, as at shutdown. Answers true: the rack lets the session end. The frame
// calls it when the desktop asks; the program's shutdown may follow or not.
RACKCORE_API bool rack_EndSession();

// Called by the decks: 0 while the deck is busy greys its File items, 1 enables them.
RACKCORE_API void rack_SetDeckLoaded(int deck, bool loaded);
// Checks or unchecks an item of menu (null: the frame's menu).
RACKCORE_API void rack_CheckMenu(plat::ui::Window* window, plat::ui::Menu* menu, uint32_t id, bool on);
// Recomputes the band tops from what is shown.
RACKCORE_API void rack_LayoutBands();
// Keeps the frame's position and width and gives it the height of the shown bands.
RACKCORE_API void rack_FitFrame();
// Opens or closes the MIDI devices for the feed-through flag; a device that fails is said
// and leaves feed-through off.
RACKCORE_API void rack_SetFeedthru();

// How the frame runs its modal dialogs: exec by default; tests answer them.
using DialogRunner = std::function<int(QDialog& dialog)>;
RACKCORE_API DialogRunner rack_SetDialogRunner(DialogRunner runner);
// Runs a modal dialog of the rack's through the runner.
RACKCORE_API int rack_RunDialog(QDialog& dialog);

}  // namespace rack
