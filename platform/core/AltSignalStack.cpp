#include "platform/core/AltSignalStack.h"

#include <signal.h>

namespace plat {

AltSignalStack::AltSignalStack()
{
    stack_t current{};
    if (::sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE))
        return;
    auto memory = std::make_unique<char[]>(kSize);
    stack_t stack{};
    stack.ss_sp = memory.get();
    stack.ss_size = kSize;
    if (::sigaltstack(&stack, nullptr) == 0)
        m_memory = std::move(memory);
}

AltSignalStack::~AltSignalStack()
{
    if (!m_memory)
        return;
    stack_t off{};
    off.ss_flags = SS_DISABLE;
    ::sigaltstack(&off, nullptr);
}

}  // namespace plat
