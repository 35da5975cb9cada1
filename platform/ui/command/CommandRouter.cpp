#include "platform/ui/command/CommandRouter.h"

namespace plat::ui {

void CommandRouter::setLink(Link link, Provider provider)
{
    m_links[size_t(link)] = std::move(provider);
}

void CommandRouter::setTarget(Link link, CommandTarget* target)
{
    if (target)
        m_links[size_t(link)] = [target] { return target; };
    else
        m_links[size_t(link)] = nullptr;
}

CommandTarget* CommandRouter::target(size_t index) const
{
    return m_links[index] ? m_links[index]() : nullptr;
}

CommandState CommandRouter::update(uint32_t id) const
{
    for (size_t i = 0; i < kLinkCount; ++i) {
        if (CommandTarget* t = target(i)) {
            CommandState state;
            if (t->onUpdateCommand(id, state))
                return state;
        }
    }
    CommandState none;
    none.enabled = false;
    return none;
}

bool CommandRouter::execute(uint32_t id)
{
    for (size_t i = 0; i < kLinkCount; ++i) {
        CommandTarget* t = target(i);
        if (!t)
            continue;
        CommandState state;
        if (!t->onUpdateCommand(id, state))
            continue;
        return state.enabled && t->onCommand(id);
    }
    return false;
}

}  // namespace plat::ui
