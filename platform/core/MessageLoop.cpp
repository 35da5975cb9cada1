#include "platform/core/MessageLoop.h"

#include "platform/core/MessageLoopState.h"

#include <stdexcept>

namespace plat {

namespace {

thread_local MessageLoop* t_current = nullptr;
thread_local std::unique_ptr<MessageLoop> t_owned;

enum class Step { delivered, quit, empty };

using TimePoint = MessageLoopState::Clock::time_point;

constexpr std::chrono::milliseconds kConditionPoll{10};

// One delivery in priority order: sent messages, then one post, then one due timer.
Step step(MessageLoopState& state, std::optional<TimePoint>& nextTimer, int& exitCode)
{
    if (state.serveOneSent())
        return Step::delivered;
    switch (state.deliverOnePost(exitCode)) {
    case MessageLoopState::PostResult::delivered:
        return Step::delivered;
    case MessageLoopState::PostResult::quit:
        return Step::quit;
    case MessageLoopState::PostResult::none:
        break;
    }
    return state.deliverOneTimer(nextTimer) ? Step::delivered : Step::empty;
}

void runIdleHook(MessageLoopState& state)
{
    if (const auto hook = state.idleHook())
        while ((*hook)() && !state.hasPending()) {
        }
}

void requireOwner(const MessageLoopState& state)
{
    if (!state.isOwnerThread())
        throw std::logic_error("a message loop runs only on its own thread");
}

}  // namespace

MessageLoop::MessageLoop() : m_state(std::make_shared<MessageLoopState>()) {}

MessageLoop::~MessageLoop()
{
    m_state->close();
    if (t_current == this)
        t_current = nullptr;
}

MessageLoop& MessageLoop::current()
{
    if (!t_current) {
        t_owned.reset(new MessageLoop());
        t_current = t_owned.get();
    }
    return *t_current;
}

void MessageLoop::makeCurrent(MessageLoop* loop)
{
    t_current = loop;
}

int MessageLoop::run()
{
    MessageLoopState& state = *m_state;
    requireOwner(state);
    bool idleDue = true;
    for (;;) {
        if (const auto quit = state.takeQuit())
            return *quit;
        std::optional<TimePoint> nextTimer;
        int exitCode = 0;
        switch (step(state, nextTimer, exitCode)) {
        case Step::delivered:
            idleDue = true;
            continue;
        case Step::quit:
            return exitCode;
        case Step::empty:
            break;
        }
        if (idleDue) {
            idleDue = false;
            runIdleHook(state);
            continue;
        }
        state.waitForWork(nextTimer);
    }
}

void MessageLoop::pump()
{
    MessageLoopState& state = *m_state;
    requireOwner(state);
    state.serveAllSent();
    // Only what is queued now: a handler that posts again is served on the next pump.
    const size_t posts = state.pendingPosts();
    for (size_t i = 0; i < posts; ++i) {
        state.serveAllSent();
        int exitCode = 0;
        const auto result = state.deliverOnePost(exitCode);
        if (result == MessageLoopState::PostResult::none)
            break;
        if (result == MessageLoopState::PostResult::quit) {
            // Kept for the loop that runs next, which ends at once.
            state.keepQuit(exitCode);
            break;
        }
    }
    const size_t timers = state.timerCount();
    std::optional<TimePoint> nextTimer;
    for (size_t i = 0; i < timers && state.deliverOneTimer(nextTimer); ++i)
        state.serveAllSent();
    state.serveAllSent();
    if (const auto hook = state.idleHook())
        (*hook)();
}

bool MessageLoop::runUntil(const std::function<bool()>& condition, std::chrono::milliseconds timeout)
{
    MessageLoopState& state = *m_state;
    requireOwner(state);
    const auto deadline = MessageLoopState::Clock::now() + timeout;
    if (condition())
        return true;
    bool idleDue = true;
    for (;;) {
        if (const auto quit = state.takeQuit()) {
            // The quit also ends the loops this one is nested in.
            state.keepQuit(*quit);
            return false;
        }
        std::optional<TimePoint> nextTimer;
        int exitCode = 0;
        switch (step(state, nextTimer, exitCode)) {
        case Step::delivered:
            idleDue = true;
            if (condition())
                return true;
            continue;
        case Step::quit:
            state.keepQuit(exitCode);
            return false;
        case Step::empty:
            break;
        }
        if (idleDue) {
            idleDue = false;
            runIdleHook(state);
            if (condition())
                return true;
            continue;
        }
        const auto now = MessageLoopState::Clock::now();
        if (now >= deadline)
            return condition();
        // Wakes now and then as well: the condition may be made true by another thread
        // without sending or posting anything here.
        auto wake = std::min(deadline, now + kConditionPoll);
        if (nextTimer)
            wake = std::min(wake, *nextTimer);
        state.waitForWork(wake);
        if (condition())
            return true;
    }
}

void MessageLoop::quit(int exitCode)
{
    m_state->postQuit(exitCode);
}

bool MessageLoop::postTask(std::function<void()> task)
{
    return m_state->postTask(std::move(task));
}

void MessageLoop::sendTask(const std::function<void()>& task)
{
    if (m_state->isOwnerThread())
        task();
    else
        m_state->sendTask(task);
}

void MessageLoop::setIdleHook(std::function<bool()> hook)
{
    m_state->setIdleHook(std::move(hook));
}

int MessageLoop::wakeFd() const
{
    return m_state->wakeFd();
}

bool MessageLoop::isOwnerThread() const
{
    return m_state->isOwnerThread();
}

}  // namespace plat
