#include "platform/core/MessageLoopState.h"

#include "platform/core/MessageLoop.h"
#include "platform/core/MessageWindowCore.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

#include <algorithm>
#include <system_error>
#include <utility>

namespace plat {

namespace {

void addToEpoll(int epollFd, int fd)
{
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.fd = fd;
    if (epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &ev) != 0)
        throw std::system_error(errno, std::generic_category(), "epoll_ctl");
}

void drainFd(int fd)
{
    uint64_t count = 0;
    while (::read(fd, &count, sizeof count) == static_cast<ssize_t>(sizeof count)) {
    }
}

}  // namespace

MessageLoopState::MessageLoopState() : m_owner(std::this_thread::get_id())
{
    // The wake descriptor is an epoll set of an eventfd (something queued) and a timerfd (the
    // next window timer due), so another event loop watching it also sees timers fall due.
    m_eventFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    m_timerFd = timerfd_create(CLOCK_MONOTONIC, TFD_NONBLOCK | TFD_CLOEXEC);
    m_epollFd = epoll_create1(EPOLL_CLOEXEC);
    if (m_eventFd < 0 || m_timerFd < 0 || m_epollFd < 0) {
        const int error = errno;
        for (const int fd : {m_eventFd, m_timerFd, m_epollFd})
            if (fd >= 0)
                ::close(fd);
        throw std::system_error(error, std::generic_category(), "message loop descriptors");
    }
    try {
        addToEpoll(m_epollFd, m_eventFd);
        addToEpoll(m_epollFd, m_timerFd);
    } catch (...) {
        ::close(m_eventFd);
        ::close(m_timerFd);
        ::close(m_epollFd);
        throw;
    }
}

MessageLoopState::~MessageLoopState()
{
    ::close(m_epollFd);
    ::close(m_timerFd);
    ::close(m_eventFd);
}

void MessageLoopState::signalLocked()
{
    if (!m_eventFdSignalled) {
        const uint64_t one = 1;
        if (::write(m_eventFd, &one, sizeof one) == static_cast<ssize_t>(sizeof one))
            m_eventFdSignalled = true;
    }
    m_cv.notify_all();
}

void MessageLoopState::resetWakeLocked()
{
    if (m_eventFdSignalled && m_sent.empty() && m_posts.empty()) {
        drainFd(m_eventFd);
        m_eventFdSignalled = false;
    }
}

std::optional<MessageLoopState::Clock::time_point> MessageLoopState::nextTimerLocked() const
{
    std::optional<Clock::time_point> next;
    for (const TimerEntry& timer : m_timers)
        if (!next || timer.due < *next)
            next = timer.due;
    return next;
}

void MessageLoopState::armTimerFdLocked()
{
    drainFd(m_timerFd);
    itimerspec due{};
    if (const auto next = nextTimerLocked()) {
        // steady_clock counts CLOCK_MONOTONIC; a zero value would disarm, so use at least 1 ns.
        const auto ns = std::max<int64_t>(
            1, std::chrono::duration_cast<std::chrono::nanoseconds>(next->time_since_epoch()).count());
        due.it_value.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
        due.it_value.tv_nsec = static_cast<long>(ns % 1'000'000'000);
    }
    timerfd_settime(m_timerFd, TFD_TIMER_ABSTIME, &due, nullptr);
}

bool MessageLoopState::post(const std::shared_ptr<MessageWindowCore>& window, MessageId id, uintptr_t wParam,
                            intptr_t lParam)
{
    const std::lock_guard lock(m_mutex);
    if (m_closed)
        return false;
    m_posts.push_back(PostItem{window, window.get(), id, wParam, lParam, {}, false});
    signalLocked();
    return true;
}

bool MessageLoopState::postTask(std::function<void()> task)
{
    if (!task)
        return false;
    const std::lock_guard lock(m_mutex);
    if (m_closed)
        return false;
    m_posts.push_back(PostItem{{}, nullptr, 0, 0, 0, std::move(task), false});
    signalLocked();
    return true;
}

bool MessageLoopState::postQuit(int exitCode)
{
    const std::lock_guard lock(m_mutex);
    if (m_closed)
        return false;
    m_posts.push_back(PostItem{{}, nullptr, kQuitMessage, static_cast<uintptr_t>(exitCode), 0, {}, true});
    signalLocked();
    return true;
}

intptr_t MessageLoopState::send(const std::shared_ptr<MessageWindowCore>& window, MessageId id, uintptr_t wParam,
                                intptr_t lParam)
{
    const std::shared_ptr<MessageLoopState>& sender = MessageLoop::current().state();
    SendRecord record{window, window.get(), id, wParam, lParam, nullptr, sender};
    // The record lives on this stack frame: it stays queued only until it is answered or
    // dropped, and this frame does not return before then.
    const std::shared_ptr<SendRecord> queued(std::shared_ptr<SendRecord>(), &record);
    {
        const std::lock_guard lock(m_mutex);
        if (m_closed || !window->isAlive())
            return 0;
        m_sent.push_back(queued);
        signalLocked();
    }
    sender->waitForReply(record);
    return record.result;
}

void MessageLoopState::sendTask(const std::function<void()>& task)
{
    const std::shared_ptr<MessageLoopState>& sender = MessageLoop::current().state();
    SendRecord record{{}, nullptr, 0, 0, 0, &task, sender};
    const std::shared_ptr<SendRecord> queued(std::shared_ptr<SendRecord>(), &record);
    {
        const std::lock_guard lock(m_mutex);
        if (m_closed)
            return;
        m_sent.push_back(queued);
        signalLocked();
    }
    sender->waitForReply(record);
}

void MessageLoopState::complete(SendRecord& record, intptr_t result)
{
    MessageLoopState& sender = *record.sender;
    // The record may vanish as soon as done is seen, so notify while still holding the lock.
    const std::lock_guard lock(sender.m_mutex);
    record.result = result;
    record.done = true;
    sender.m_cv.notify_all();
}

void MessageLoopState::waitForReply(SendRecord& record)
{
    std::unique_lock lock(m_mutex);
    while (!record.done) {
        if (!m_sent.empty()) {
            const std::shared_ptr<SendRecord> incoming = std::move(m_sent.front());
            m_sent.pop_front();
            lock.unlock();
            deliverSent(*incoming);
            lock.lock();
            continue;
        }
        m_cv.wait(lock, [&] { return record.done || !m_sent.empty(); });
    }
}

void MessageLoopState::deliverSent(SendRecord& record)
{
    struct Answer {
        SendRecord& record;
        intptr_t result = 0;
        // Answers even when the handler throws, so the sender never waits for ever.
        ~Answer() { complete(record, result); }
    } answer{record};
    if (record.task) {
        (*record.task)();
    } else if (const auto window = record.window.lock()) {
        answer.result = window->dispatch(record.id, record.wParam, record.lParam);
    }
}

bool MessageLoopState::serveOneSent()
{
    std::shared_ptr<SendRecord> record;
    {
        const std::lock_guard lock(m_mutex);
        if (m_sent.empty())
            return false;
        record = std::move(m_sent.front());
        m_sent.pop_front();
        resetWakeLocked();
    }
    deliverSent(*record);
    return true;
}

void MessageLoopState::serveAllSent()
{
    while (serveOneSent()) {
    }
}

MessageLoopState::PostResult MessageLoopState::deliverOnePost(int& exitCode)
{
    PostItem item;
    {
        const std::lock_guard lock(m_mutex);
        if (m_posts.empty())
            return PostResult::none;
        item = std::move(m_posts.front());
        m_posts.pop_front();
        resetWakeLocked();
    }
    if (item.quit) {
        exitCode = static_cast<int>(item.wParam);
        return PostResult::quit;
    }
    if (item.task) {
        item.task();
    } else if (const auto window = item.window.lock()) {
        window->dispatch(item.id, item.wParam, item.lParam);
    }
    return PostResult::delivered;
}

bool MessageLoopState::deliverOneTimer(std::optional<Clock::time_point>& nextDue)
{
    std::weak_ptr<MessageWindowCore> window;
    uintptr_t id = 0;
    {
        const std::lock_guard lock(m_mutex);
        const auto now = Clock::now();
        const auto due = std::find_if(m_timers.begin(), m_timers.end(),
                                      [&](const TimerEntry& timer) { return timer.due <= now; });
        if (due == m_timers.end()) {
            nextDue = nextTimerLocked();
            return false;
        }
        // A late timer fires once and its next tick counts from now: late ticks do not pile up.
        due->due = now + due->period;
        window = due->window;
        id = due->id;
        // Moves the fired timer to the back so that timers due together take turns.
        std::rotate(due, due + 1, m_timers.end());
        armTimerFdLocked();
        nextDue = nextTimerLocked();
    }
    if (const auto core = window.lock())
        core->dispatch(kTimerMessage, id, 0);
    return true;
}

size_t MessageLoopState::pendingPosts()
{
    const std::lock_guard lock(m_mutex);
    return m_posts.size();
}

size_t MessageLoopState::timerCount()
{
    const std::lock_guard lock(m_mutex);
    return m_timers.size();
}

bool MessageLoopState::hasPending()
{
    const std::lock_guard lock(m_mutex);
    if (!m_sent.empty() || !m_posts.empty())
        return true;
    const auto now = Clock::now();
    return std::any_of(m_timers.begin(), m_timers.end(), [&](const TimerEntry& timer) { return timer.due <= now; });
}

void MessageLoopState::waitForWork(std::optional<Clock::time_point> deadline)
{
    std::unique_lock lock(m_mutex);
    const auto ready = [&] { return m_woken || !m_sent.empty() || !m_posts.empty(); };
    if (deadline)
        m_cv.wait_until(lock, *deadline, ready);
    else
        m_cv.wait(lock, ready);
    m_woken = false;
}

void MessageLoopState::waitForSentOrWake(std::optional<Clock::time_point> deadline)
{
    std::unique_lock lock(m_mutex);
    const auto ready = [&] { return m_woken || !m_sent.empty(); };
    if (deadline)
        m_cv.wait_until(lock, *deadline, ready);
    else
        m_cv.wait(lock, ready);
    m_woken = false;
}

bool MessageLoopState::setTimer(const std::shared_ptr<MessageWindowCore>& window, uintptr_t id, uint32_t ms)
{
    // A zero period would keep the loop busy delivering timers only.
    const auto period = std::chrono::milliseconds(std::max<uint32_t>(ms, 1));
    const std::lock_guard lock(m_mutex);
    if (m_closed || !window->isAlive())
        return false;
    const auto existing = std::find_if(m_timers.begin(), m_timers.end(), [&](const TimerEntry& timer) {
        return timer.key == window.get() && timer.id == id;
    });
    const auto due = Clock::now() + period;
    if (existing != m_timers.end()) {
        existing->period = period;
        existing->due = due;
    } else {
        m_timers.push_back(TimerEntry{window, window.get(), id, period, due});
    }
    armTimerFdLocked();
    m_woken = true;
    m_cv.notify_all();
    return true;
}

bool MessageLoopState::killTimer(const MessageWindowCore* window, uintptr_t id)
{
    const std::lock_guard lock(m_mutex);
    const auto removed = std::remove_if(m_timers.begin(), m_timers.end(), [&](const TimerEntry& timer) {
        return timer.key == window && timer.id == id;
    });
    const bool found = removed != m_timers.end();
    m_timers.erase(removed, m_timers.end());
    if (found)
        armTimerFdLocked();
    return found;
}

void MessageLoopState::dropWindow(const MessageWindowCore* window)
{
    std::vector<std::shared_ptr<SendRecord>> unanswered;
    std::vector<PostItem> dropped;  // destroyed outside the lock
    {
        const std::lock_guard lock(m_mutex);
        std::erase_if(m_timers, [&](const TimerEntry& timer) { return timer.key == window; });
        armTimerFdLocked();
        for (auto it = m_sent.begin(); it != m_sent.end();) {
            if ((*it)->key == window) {
                unanswered.push_back(std::move(*it));
                it = m_sent.erase(it);
            } else {
                ++it;
            }
        }
        for (auto it = m_posts.begin(); it != m_posts.end();) {
            if (it->key == window) {
                dropped.push_back(std::move(*it));
                it = m_posts.erase(it);
            } else {
                ++it;
            }
        }
        resetWakeLocked();
    }
    for (const auto& record : unanswered)
        complete(*record, 0);
}

void MessageLoopState::close()
{
    std::deque<std::shared_ptr<SendRecord>> unanswered;
    std::deque<PostItem> dropped;
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
        unanswered.swap(m_sent);
        dropped.swap(m_posts);
        m_timers.clear();
        armTimerFdLocked();
        resetWakeLocked();
    }
    for (const auto& record : unanswered)
        complete(*record, 0);
}

std::optional<int> MessageLoopState::takeQuit()
{
    return std::exchange(m_pendingQuit, std::nullopt);
}

void MessageLoopState::keepQuit(int exitCode)
{
    m_pendingQuit = exitCode;
}

void MessageLoopState::setIdleHook(std::function<bool()> hook)
{
    const std::lock_guard lock(m_mutex);
    m_idleHook = hook ? std::make_shared<std::function<bool()>>(std::move(hook)) : nullptr;
}

std::shared_ptr<std::function<bool()>> MessageLoopState::idleHook()
{
    const std::lock_guard lock(m_mutex);
    return m_idleHook;
}

}  // namespace plat
