#pragma once

#include "platform/ui/PlatUiExport.h"

#include "platform/ui/command/CommandTarget.h"

#include <array>
#include <cstdint>
#include <functional>

namespace plat::ui {

// Routes a command along the chain of targets: the active view, its document, its child
// frame, the main frame, the application. Each link is asked for by a function, so the
// chain follows whichever view is active when the command comes. The first target that
// answers the update decides the state, and the same target runs the command.
class PLATUI_API CommandRouter {
public:
    enum class Link { activeView, document, childFrame, mainFrame, application };
    static constexpr size_t kLinkCount = 5;
    using Provider = std::function<CommandTarget*()>;

    void setLink(Link link, Provider provider);
    // A fixed target (null clears the link).
    void setTarget(Link link, CommandTarget* target);

    // The state of id: the first target's answer; disabled when no target answers.
    CommandState update(uint32_t id) const;
    // Runs id on the first target that answers its update, when that answer enables it.
    // False when the command is disabled or no target handles it.
    bool execute(uint32_t id);

private:
    CommandTarget* target(size_t index) const;

    std::array<Provider, kLinkCount> m_links;
};

}  // namespace plat::ui
