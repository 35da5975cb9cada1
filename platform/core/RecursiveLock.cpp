#include "platform/core/RecursiveLock.h"

#include "platform/core/Trace.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <iterator>

namespace plat {

namespace {

#ifdef QUAVIX_LOCK_ORDER_CHECK
// The named locks the calling thread holds, in the order it took them (once per lock call).
// Plain storage without a destructor: a lock taken while the thread's other thread-local
// objects are destroyed (a static object's destructor at exit) still finds it whole.
struct HeldLocks {
    static constexpr size_t kCapacity = 256;
    const RecursiveLock* locks[kCapacity];
    // May pass the capacity: holds that deep are counted but not checked.
    size_t count;

    const RecursiveLock* const* begin() const { return locks; }
    const RecursiveLock* const* end() const { return locks + std::min(count, kCapacity); }
    void push(const RecursiveLock* lock)
    {
        if (count < kCapacity)
            locks[count] = lock;
        ++count;
    }
    // Locks may be released out of order; drops this lock's most recent entry.
    void pop(const RecursiveLock* lock)
    {
        if (count == 0)
            return;
        if (count > kCapacity) {
            --count;
            return;
        }
        const auto last = std::find(std::make_reverse_iterator(end()), std::make_reverse_iterator(begin()), lock);
        if (last == std::make_reverse_iterator(begin()))
            return;
        const RecursiveLock** at = locks + (std::next(last).base() - begin());
        std::copy(at + 1, locks + count, at);
        --count;
    }
};
thread_local HeldLocks t_held{};
#endif

std::mutex& handlerMutex()
{
    static std::mutex mutex;
    return mutex;
}

RecursiveLock::ViolationHandler& handlerSlot()
{
    static RecursiveLock::ViolationHandler handler;
    return handler;
}

void reportViolation(const RecursiveLock& held, const RecursiveLock& taken)
{
    RecursiveLock::ViolationHandler handler;
    {
        const std::lock_guard lock(handlerMutex());
        handler = handlerSlot();
    }
    if (handler) {
        handler(held, taken);
        return;
    }
    static constexpr const char* kFormat = "lock order violated: \"%s\" (level %d) taken while \"%s\" (level %d) is held";
    trace(kFormat, taken.name(), static_cast<int>(taken.level()), held.name(), static_cast<int>(held.level()));
    // The process is about to end: say why even when tracing is off.
    if (!isTraceEnabled()) {
        std::fprintf(stderr, kFormat, taken.name(), static_cast<int>(taken.level()), held.name(),
                     static_cast<int>(held.level()));
        std::fputc('\n', stderr);
    }
    std::abort();
}

}  // namespace

RecursiveLock::RecursiveLock(const char* name, LockLevel level) : m_name(name), m_level(level) {}

void RecursiveLock::lock()
{
#ifdef QUAVIX_LOCK_ORDER_CHECK
    // Checked before blocking, so a breach is reported even when it would deadlock.
    if (std::find(t_held.begin(), t_held.end(), this) == t_held.end()) {
        // Names the highest lock held, the one furthest out of order.
        const auto highest = std::max_element(t_held.begin(), t_held.end(), [](const RecursiveLock* a, const RecursiveLock* b) {
            return a->level() < b->level();
        });
        if (highest != t_held.end() && (*highest)->level() > m_level)
            reportViolation(**highest, *this);
    }
    m_mutex.lock();
    t_held.push(this);
#else
    m_mutex.lock();
#endif
    taken();
}

bool RecursiveLock::try_lock()
{
    // A try cannot deadlock, so it is not checked against the order.
    if (!m_mutex.try_lock())
        return false;
#ifdef QUAVIX_LOCK_ORDER_CHECK
    t_held.push(this);
#endif
    taken();
    return true;
}

void RecursiveLock::unlock()
{
#ifdef QUAVIX_LOCK_ORDER_CHECK
    t_held.pop(this);
#endif
    if (--m_depth == 0)
        m_owner.store(std::thread::id(), std::memory_order_relaxed);
    m_mutex.unlock();
}

void RecursiveLock::taken()
{
    if (m_depth++ == 0)
        m_owner.store(std::this_thread::get_id(), std::memory_order_relaxed);
}

RecursiveLock::ViolationHandler RecursiveLock::setViolationHandler(ViolationHandler handler)
{
    const std::lock_guard lock(handlerMutex());
    return std::exchange(handlerSlot(), std::move(handler));
}

}  // namespace plat
