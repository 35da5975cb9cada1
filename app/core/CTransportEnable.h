#pragma once

#include "platform/ui/command/CommandTarget.h"

#include <cstdint>

// When the transport commands (773 to 782) can run, as a function of the active document's
// transport state word; with no active document each is disabled and unmarked.
class CTransportEnable {
public:
    struct Document {
        uint32_t state = 0;      // the sequence's transport state word
        bool loopRegion = false; // the loop region is enabled
        bool stepMode = false;
    };

    static bool IsTransportCommand(uint32_t id) { return id >= 773 && id <= 782; }
    // The state of command id; doc null when there is no active document.
    static plat::ui::CommandState Update(uint32_t id, const Document* doc);
    // The transport state a command applies (774 to 782), or 0.
    static int StateOf(uint32_t id);
};
