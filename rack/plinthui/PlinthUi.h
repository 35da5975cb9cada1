#pragma once

#include "rack/plinthui/PlinthUiExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <cstdint>

namespace plat::ui {
class Window;
}

// The face of plinthui: its life cycle, the help popup, the echo timer and the window
// procedures of its five window classes (PRTTBUTTON, CMPSTBTTN, PRXVXNFXCL, EVNTSCROLL,
// SGNLSCROLL). Everything runs on the interface thread.
namespace rack {

// Counted: the first call registers the classes, empties the face cache, the echo table and
// the held and pressed controls, and makes the tool tips (200 ms delay). Answers 0.
PLINTHUI_API int ctl_Initialize();
// Empties the face cache on every call; the last release also unregisters the classes,
// stops the echo timer and ends the tool tips. Answers 0.
PLINTHUI_API int ctl_Terminate();
// Deletes every cached face and zeroes the load count.
PLINTHUI_API void ctl_ResetBitmaps();

// Shows the help popup below window (at its left + dx, bottom + dy, kept on the screen)
// with a text: textOrId above 0xFFFF points to the text, else it is a string id of
// plinthui. Does nothing while a popup is shown or when the id has no text. With 0, takes a
// shown popup away. Answers 0.
PLINTHUI_API int ctl_ShowButtonInformation(plat::ui::Window* window, int dx, int dy, uintptr_t textOrId);

// One tick of the 75 ms echo timer: blinking, scroll steps and repeats.
PLINTHUI_API void but_EchoTimer();

PLINTHUI_API intptr_t Win_PrettyButton(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                       intptr_t lParam);
PLINTHUI_API intptr_t Win_CompositeButton(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                          intptr_t lParam);
PLINTHUI_API intptr_t Win_Information(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                      intptr_t lParam);
PLINTHUI_API intptr_t Win_ScrollEvent(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                      intptr_t lParam);
PLINTHUI_API intptr_t Win_ScrollSignal(plat::ui::Window* window, plat::ui::MessageId message, uintptr_t wParam,
                                       intptr_t lParam);

}  // namespace rack
