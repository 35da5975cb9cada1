#pragma once

#include "platform/ui/PlatUiExport.h"

#include <cstdint>
#include <optional>
#include <string>

namespace plat::ui {

// What an update handler says about a command: whether it can run now, whether it shows
// checked (or, for a radio item, chosen), and a text that replaces the item's own.
struct PLATUI_API CommandState {
    bool enabled = true;
    bool checked = false;
    std::optional<std::string> text;
};

// Something commands are routed to: a view, a document, a frame, the application. A target
// that handles a command answers its update too (true, with the state set or left as it
// came: enabled); a command no target answers is disabled.
class PLATUI_API CommandTarget {
public:
    virtual ~CommandTarget() = default;

    // Runs the command; false when this target does not handle id.
    virtual bool onCommand(uint32_t id) = 0;
    // Fills in state; false when this target does not handle id.
    virtual bool onUpdateCommand(uint32_t id, CommandState& state) = 0;
};

}  // namespace plat::ui
