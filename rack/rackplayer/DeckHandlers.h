#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include "platform/ui/rackwindow/WindowMessage.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat::ui {
class Window;
}

namespace rack {

struct RackState;

// What a deck does for the messages every deck answers alike: going away, painting, its
// commands and the transport strip's, plinthstore's change notice, dropped files and focus.
// The deck's own procedure answers the rest (creation, its timers, the mouse) and passes
// everything else to dispatch.
struct RACKCORE_API DeckHandlers {
    // The plinthstore kind the deck is a user of.
    int kind;
    void (*stopTimer)(plat::ui::Window* deck);
    void (*paint)(plat::ui::Window* deck);
    void (*repaint)(plat::ui::Window* deck);
    // plinthstore's objects of the kind changed.
    void (*refresh)(plat::ui::Window* deck);
    // Null where the deck takes no files: the drop goes to the default procedure.
    void (*dropFiles)(plat::ui::Window* deck, const std::vector<std::string>& files);

    // The strip's slots: play, pause, stop for good, a scan key's notice and a skip key's repeat.
    void (*play)(plat::ui::Window* deck);
    void (*pause)(plat::ui::Window* deck);
    void (*stop)(plat::ui::Window* deck);
    void (*scan)(plat::ui::Window* deck, uint32_t command, intptr_t code);
    void (*skip)(plat::ui::Window* deck, uint32_t command);

    // The loop button's command and the flag it flips.
    uint32_t loopCommand;
    bool RackState::*loop;

    // Every other command of the deck.
    void (*command)(plat::ui::Window* deck, uint32_t command, intptr_t code);

    intptr_t dispatch(plat::ui::Window* deck, plat::ui::MessageId message, uintptr_t wParam, intptr_t lParam) const;
};

}  // namespace rack
