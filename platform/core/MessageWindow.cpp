#include "platform/core/MessageWindow.h"

#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindowCore.h"

namespace plat {

bool WindowRef::isAlive() const
{
    const auto core = m_core.lock();
    return core && core->isAlive();
}

intptr_t WindowRef::send(MessageId id, uintptr_t wParam, intptr_t lParam) const
{
    const auto core = m_core.lock();
    return core ? core->send(id, wParam, lParam) : 0;
}

bool WindowRef::post(MessageId id, uintptr_t wParam, intptr_t lParam) const
{
    const auto core = m_core.lock();
    return core && core->post(id, wParam, lParam);
}

MessageWindow::MessageWindow(std::string name, Handler handler)
    : m_core(MessageWindowCore::create(std::move(name), std::move(handler), MessageLoop::current().state()))
{
}

MessageWindow::~MessageWindow()
{
    m_core->destroy();
}

intptr_t MessageWindow::send(MessageId id, uintptr_t wParam, intptr_t lParam)
{
    return m_core->send(id, wParam, lParam);
}

bool MessageWindow::post(MessageId id, uintptr_t wParam, intptr_t lParam)
{
    return m_core->post(id, wParam, lParam);
}

bool MessageWindow::setTimer(uintptr_t id, uint32_t ms)
{
    return m_core->setTimer(id, ms);
}

bool MessageWindow::killTimer(uintptr_t id)
{
    return m_core->killTimer(id);
}

const std::string& MessageWindow::name() const
{
    return m_core->name();
}

std::thread::id MessageWindow::ownerThread() const
{
    return m_core->ownerThread();
}

WindowRef MessageWindow::ref() const
{
    return WindowRef(m_core);
}

}  // namespace plat
