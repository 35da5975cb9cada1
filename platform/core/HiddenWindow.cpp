#include "platform/core/HiddenWindow.h"

namespace plat {

bool HiddenWindow::create(MessageWindow::Handler handler)
{
    std::lock_guard guard(m_mutex);
    if (!m_window) {
        m_window = std::make_unique<MessageWindow>(m_name, std::move(handler));
        m_ref = m_window->ref();
    }
    return m_ref.isAlive();
}

void HiddenWindow::destroy()
{
    // The window goes once the lock is left: its destruction may wait for senders.
    std::unique_ptr<MessageWindow> window;
    std::lock_guard guard(m_mutex);
    window = std::move(m_window);
    m_ref = WindowRef();
}

WindowRef HiddenWindow::ref() const
{
    std::lock_guard guard(m_mutex);
    return m_ref;
}

}  // namespace plat
