#include "platform/core/CallbackList.h"

#include <algorithm>

namespace plat {

namespace detail {

namespace {

// The slots whose calls are running on this thread, innermost last, so a slot disconnected from
// inside its own call does not wait for itself.
thread_local std::vector<const CallbackSlot*> t_running;

int runningOnThisThread(const CallbackSlot* slot)
{
    return static_cast<int>(std::count(t_running.begin(), t_running.end(), slot));
}

}  // namespace

bool CallbackSlot::enter()
{
    {
        const std::lock_guard lock(m_mutex);
        if (!m_live)
            return false;
        ++m_running;
    }
    t_running.push_back(this);
    return true;
}

void CallbackSlot::leave()
{
    const auto it = std::find(t_running.rbegin(), t_running.rend(), this);
    if (it != t_running.rend())
        t_running.erase(std::next(it).base());
    const std::lock_guard lock(m_mutex);
    --m_running;
    m_idle.notify_all();
}

void CallbackSlot::disconnect()
{
    const int own = runningOnThisThread(this);
    std::unique_lock lock(m_mutex);
    m_live = false;
    m_idle.wait(lock, [&] { return m_running <= own; });
}

bool CallbackSlot::connected() const
{
    const std::lock_guard lock(m_mutex);
    return m_live;
}

void CallbackListState::add(std::shared_ptr<CallbackSlot> slot)
{
    const std::lock_guard lock(m_mutex);
    m_slots.push_back(std::move(slot));
}

void CallbackListState::remove(const std::shared_ptr<CallbackSlot>& slot)
{
    const std::lock_guard lock(m_mutex);
    std::erase(m_slots, slot);
}

std::vector<std::shared_ptr<CallbackSlot>> CallbackListState::snapshot() const
{
    const std::lock_guard lock(m_mutex);
    return m_slots;
}

std::vector<std::shared_ptr<CallbackSlot>> CallbackListState::takeAll()
{
    const std::lock_guard lock(m_mutex);
    return std::exchange(m_slots, {});
}

std::size_t CallbackListState::size() const
{
    const std::lock_guard lock(m_mutex);
    return m_slots.size();
}

}  // namespace detail

Connection::Connection(std::weak_ptr<detail::CallbackListState> list, std::shared_ptr<detail::CallbackSlot> slot)
    : m_list(std::move(list)), m_slot(std::move(slot))
{
}

Connection::Connection(Connection&& other) noexcept
    : m_list(std::move(other.m_list)), m_slot(std::move(other.m_slot))
{
}

Connection& Connection::operator=(Connection&& other) noexcept
{
    if (this != &other) {
        disconnect();
        m_list = std::move(other.m_list);
        m_slot = std::move(other.m_slot);
    }
    return *this;
}

Connection::~Connection()
{
    disconnect();
}

void Connection::disconnect()
{
    if (!m_slot)
        return;
    if (const auto list = m_list.lock())
        list->remove(m_slot);
    m_slot->disconnect();
    m_slot.reset();
    m_list.reset();
}

bool Connection::connected() const
{
    return m_slot && m_slot->connected();
}

void Connection::release()
{
    m_slot.reset();
    m_list.reset();
}

}  // namespace plat
