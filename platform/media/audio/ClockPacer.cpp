#include "platform/media/audio/ClockPacer.h"

#include "platform/media/RealClock.h"

#include <chrono>

namespace plat::media {

namespace {

bool reached(uint32_t now, uint32_t deadline)
{
    return static_cast<int32_t>(now - deadline) >= 0;
}

}  // namespace

ClockPacer::ClockPacer(TimerService& timers)
    : m_timers(timers), m_realClock(dynamic_cast<const RealClock*>(&timers.clock()) != nullptr)
{
}

ClockPacer::~ClockPacer()
{
    interrupt();
    disarm();
}

void ClockPacer::start(uint32_t sampleRate)
{
    std::lock_guard lock(m_mutex);
    m_rate.store(sampleRate, std::memory_order_release);
    m_origin.store(m_timers.clock().nowMs(), std::memory_order_release);
    m_active = true;
}

uint32_t ClockPacer::originMs() const
{
    return m_origin.load(std::memory_order_acquire);
}

uint64_t ClockPacer::frameAt(uint32_t ms) const
{
    const int32_t since = static_cast<int32_t>(ms - m_origin.load(std::memory_order_acquire));
    return since <= 0 ? 0 : static_cast<uint64_t>(since) * m_rate.load(std::memory_order_acquire) / 1000;
}

uint32_t ClockPacer::deadlineOf(uint64_t frame) const
{
    // Rounded up: a frame never goes out before its time.
    const uint32_t rate = m_rate.load(std::memory_order_relaxed);
    return m_origin.load(std::memory_order_relaxed) + static_cast<uint32_t>((frame * 1000 + rate - 1) / rate);
}

void ClockPacer::disarm()
{
    uint32_t timer = 0;
    {
        std::lock_guard lock(m_mutex);
        timer = m_timer;
        m_timer = 0;
    }
    // Outside the lock: kill() waits for a callback in progress, which takes the lock.
    if (timer)
        m_timers.kill(timer);
}

bool ClockPacer::waitUntilFrame(uint64_t frame)
{
    std::unique_lock lock(m_mutex);
    m_deadline = deadlineOf(frame);
    for (;;) {
        if (!m_active) {
            m_waiting = false;
            m_caughtUp.notify_all();
            return false;
        }
        const uint32_t now = m_timers.clock().nowMs();
        if (reached(now, m_deadline)) {
            m_waiting = false;
            return true;
        }
        if (m_realClock) {
            // The machine's clock needs no timer: sleep until the deadline.
            m_waiting = true;
            m_caughtUp.notify_all();
            m_wake.wait_for(lock, std::chrono::milliseconds(static_cast<int32_t>(m_deadline - now)));
            continue;
        }
        if (m_timer == 0 || m_timerDue != m_deadline) {
            const uint32_t stale = m_timer;
            const uint32_t due = m_deadline;
            const uint64_t generation = ++m_timerGeneration;
            m_timer = 0;
            m_timerDue = due;
            lock.unlock();
            if (stale)
                m_timers.kill(stale);
            const uint32_t id = m_timers.setOneShot(due - now, 1, [this, generation] {
                std::lock_guard guard(m_mutex);
                m_firedGeneration = generation;
                if (m_timerGeneration == generation)
                    m_timer = 0;
                m_wake.notify_all();
            });
            lock.lock();
            // A timer that fired already is gone: keeping its id could kill another timer.
            if (m_timerGeneration == generation && m_firedGeneration != generation)
                m_timer = id;
            continue;
        }
        m_waiting = true;
        m_caughtUp.notify_all();
        m_wake.wait(lock);
    }
}

void ClockPacer::interrupt()
{
    std::lock_guard lock(m_mutex);
    m_active = false;
    m_wake.notify_all();
    m_caughtUp.notify_all();
}

void ClockPacer::waitCaughtUp()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        if (!m_active)
            return;
        if (m_waiting) {
            if (!reached(m_timers.clock().nowMs(), m_deadline))
                return;
            // The clock passed the deadline without the timer noticing (it was set just
            // after the clock moved): let the paced thread look again.
            m_wake.notify_all();
        }
        m_caughtUp.wait(lock);
    }
}

}  // namespace plat::media
