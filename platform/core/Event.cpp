#include "platform/core/Event.h"

#include "platform/core/EventWaiter.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/MessageLoopState.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <vector>

namespace plat {

struct Event::State {
    State(bool manual, bool initial) : manualReset(manual), signalled(initial) {}

    // Takes the signal if it is set; an auto-reset event is reset by the taking.
    bool tryConsume()
    {
        const std::lock_guard lock(mutex);
        return consumeLocked();
    }
    bool consumeLocked()
    {
        if (!signalled)
            return false;
        if (!manualReset)
            signalled = false;
        return true;
    }
    void addWaiter(EventWaiter* waiter)
    {
        const std::lock_guard lock(mutex);
        waiters.push_back(waiter);
    }
    void removeWaiter(EventWaiter* waiter)
    {
        const std::lock_guard lock(mutex);
        if (const auto it = std::find(waiters.begin(), waiters.end(), waiter); it != waiters.end())
            waiters.erase(it);
    }

    std::mutex mutex;
    std::condition_variable cv;
    const bool manualReset;
    bool signalled;
    // Threads waiting through waitAny or waitServing; each removes itself before it returns.
    std::vector<EventWaiter*> waiters;
};

namespace {

using SteadyClock = std::chrono::steady_clock;

std::optional<SteadyClock::time_point> deadlineAfter(uint32_t timeoutMs)
{
    if (timeoutMs == kInfinite)
        return std::nullopt;
    return SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
}

bool passed(const std::optional<SteadyClock::time_point>& deadline)
{
    return deadline && SteadyClock::now() >= *deadline;
}

// Registers a waiter with events for the lifetime of the registration.
class Registration {
public:
    Registration(std::span<Event::State* const> states, EventWaiter* waiter) : m_states(states), m_waiter(waiter)
    {
        for (Event::State* state : m_states)
            state->addWaiter(m_waiter);
    }
    ~Registration()
    {
        for (Event::State* state : m_states)
            state->removeWaiter(m_waiter);
    }
    Registration(const Registration&) = delete;
    Registration& operator=(const Registration&) = delete;

private:
    std::span<Event::State* const> m_states;
    EventWaiter* m_waiter;
};

}  // namespace

Event::Event(bool manualReset, bool initialState) : m_state(std::make_shared<State>(manualReset, initialState)) {}

Event::~Event() = default;

void Event::set()
{
    const std::lock_guard lock(m_state->mutex);
    m_state->signalled = true;
    m_state->cv.notify_all();
    // Woken under the event's lock: a waiter cannot unregister and vanish meanwhile.
    for (EventWaiter* waiter : m_state->waiters)
        waiter->wake();
}

void Event::reset()
{
    const std::lock_guard lock(m_state->mutex);
    m_state->signalled = false;
}

bool Event::isSet() const
{
    const std::lock_guard lock(m_state->mutex);
    return m_state->signalled;
}

Event::WaitResult Event::wait(uint32_t timeoutMs)
{
    State& state = *m_state;
    std::unique_lock lock(state.mutex);
    const auto ready = [&] { return state.signalled; };
    if (timeoutMs == kInfinite)
        state.cv.wait(lock, ready);
    else if (!state.cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return WaitResult::timedOut;
    state.consumeLocked();
    return WaitResult::signalled;
}

Event::WaitResult Event::waitServing(uint32_t timeoutMs)
{
    const auto deadline = deadlineAfter(timeoutMs);
    const std::shared_ptr<MessageLoopState> loop = MessageLoop::current().state();
    State* const states[] = {m_state.get()};
    const Registration registration(states, loop.get());
    for (;;) {
        loop->serveAllSent();
        if (m_state->tryConsume())
            return WaitResult::signalled;
        if (passed(deadline))
            return WaitResult::timedOut;
        loop->waitForSentOrWake(deadline);
    }
}

int Event::waitAny(std::span<Event* const> events, uint32_t timeoutMs)
{
    if (events.empty())
        return -1;
    const auto deadline = deadlineAfter(timeoutMs);
    std::vector<State*> states;
    states.reserve(events.size());
    for (Event* event : events)
        states.push_back(event->m_state.get());
    EventWaiter waiter;
    const Registration registration(states, &waiter);
    for (;;) {
        for (size_t i = 0; i < states.size(); ++i)
            if (states[i]->tryConsume())
                return static_cast<int>(i);
        if (passed(deadline))
            return -1;
        std::unique_lock lock(waiter.m_mutex);
        const auto ready = [&] { return waiter.m_woken; };
        if (deadline)
            waiter.m_cv.wait_until(lock, *deadline, ready);
        else
            waiter.m_cv.wait(lock, ready);
        waiter.m_woken = false;
    }
}

}  // namespace plat
