#include "platform/core/MessageWindowCore.h"

#include "platform/core/MessageLoopState.h"

namespace plat {

MessageWindowCore::MessageWindowCore(std::string name, Handler handler, std::shared_ptr<MessageLoopState> loop)
    : m_name(std::move(name)),
      m_owner(std::this_thread::get_id()),
      m_loop(std::move(loop)),
      m_handler(handler ? std::make_shared<Handler>(std::move(handler)) : nullptr)
{
}

std::shared_ptr<MessageWindowCore> MessageWindowCore::create(std::string name, Handler handler,
                                                             std::shared_ptr<MessageLoopState> loop)
{
    auto core = std::make_shared<MessageWindowCore>(std::move(name), std::move(handler), std::move(loop));
    core->m_self = core;
    return core;
}

intptr_t MessageWindowCore::dispatch(MessageId id, uintptr_t wParam, intptr_t lParam)
{
    if (!isAlive())
        return 0;
    // Held for the call: the handler may destroy its own window.
    const std::shared_ptr<Handler> handler = m_handler;
    return handler ? (*handler)(id, wParam, lParam) : 0;
}

intptr_t MessageWindowCore::send(MessageId id, uintptr_t wParam, intptr_t lParam)
{
    if (isOwnerThread())
        return dispatch(id, wParam, lParam);
    if (!isAlive())
        return 0;
    return m_loop->send(m_self.lock(), id, wParam, lParam);
}

bool MessageWindowCore::post(MessageId id, uintptr_t wParam, intptr_t lParam)
{
    if (!isAlive())
        return false;
    // A quit message posted to a window ends its thread's loop, as it would from the queue.
    if (id == kQuitMessage)
        return m_loop->postQuit(static_cast<int>(wParam));
    return m_loop->post(m_self.lock(), id, wParam, lParam);
}

bool MessageWindowCore::setTimer(uintptr_t id, uint32_t ms)
{
    return isAlive() && m_loop->setTimer(m_self.lock(), id, ms);
}

bool MessageWindowCore::killTimer(uintptr_t id)
{
    return m_loop->killTimer(this, id);
}

void MessageWindowCore::destroy()
{
    if (!m_alive.exchange(false, std::memory_order_acq_rel))
        return;
    m_loop->dropWindow(this);
    m_handler.reset();
}

}  // namespace plat
