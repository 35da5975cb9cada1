#pragma once

#include "platform/core/PlatCoreExport.h"

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace plat {

// The named locks, in the order a thread may take them.
enum class LockLevel : int {
    deviceManager = 10,
    performance = 20,
    sequence = 30,
};

// A re-entrant lock with a place in the lock order. Builds with QUAVIX_LOCK_ORDER_CHECK
// check on every lock that no lock of a higher level is already held by the thread (taking
// a lock the thread already holds is always allowed), and report a breach to the
// violation handler.
class PLATCORE_API RecursiveLock {
public:
    RecursiveLock(const char* name, LockLevel level);
    RecursiveLock(const RecursiveLock&) = delete;
    RecursiveLock& operator=(const RecursiveLock&) = delete;

    void lock();
    bool try_lock();
    void unlock();

    // Whether the calling thread holds the lock (at any depth).
    bool heldByThisThread() const { return m_owner.load(std::memory_order_relaxed) == std::this_thread::get_id(); }

    const char* name() const { return m_name; }
    LockLevel level() const { return m_level; }

    // Called on a breach with the lock held and the lock taken; the default traces both and
    // aborts. Tests install their own. Returns the previous handler.
    using ViolationHandler = std::function<void(const RecursiveLock& held, const RecursiveLock& taken)>;
    static ViolationHandler setViolationHandler(ViolationHandler handler);

private:
    // Counts a hold of the calling thread, which now has the mutex.
    void taken();

    std::recursive_mutex m_mutex;
    // Written only by the holder, so a thread reading its own id here holds the lock.
    std::atomic<std::thread::id> m_owner{};
    int m_depth = 0;
    const char* m_name;
    LockLevel m_level;
};

}  // namespace plat
