#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/TimerService.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace plat::media {

// Holds an audio thread to the media clock: frame n of a stream that started at start() may go
// out once the clock has reached the time of frame n. On the machine's clock the pacer sleeps
// until then; on any other clock a wait ends by a one-shot timer of the timer service, so on a
// manual clock a test steps the stream exactly and renders it faster than real time.
class PLATMEDIA_API ClockPacer {
public:
    explicit ClockPacer(TimerService& timers);
    ~ClockPacer();
    ClockPacer(const ClockPacer&) = delete;
    ClockPacer& operator=(const ClockPacer&) = delete;

    // Frame 0 is now.
    void start(uint32_t sampleRate);
    // Waits until the clock reaches the time of `frame`; false when interrupt() ended the wait.
    bool waitUntilFrame(uint64_t frame);
    // Ends the wait in progress and every later one until the next start().
    void interrupt();
    // Waits until the paced thread waits for a time still ahead of the clock, so everything up
    // to the clock's time has gone out; returns at once when nothing is paced.
    void waitCaughtUp();

    uint32_t originMs() const;
    // The frame whose time the clock shows at ms (0 for a time before the start). Takes no lock.
    uint64_t frameAt(uint32_t ms) const;
    const Clock& clock() const { return m_timers.clock(); }

private:
    uint32_t deadlineOf(uint64_t frame) const;
    void disarm();

    TimerService& m_timers;
    const bool m_realClock;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_caughtUp;
    // Read without the lock by frameAt(), which the audio thread calls.
    std::atomic<uint32_t> m_rate{48000};
    std::atomic<uint32_t> m_origin{0};
    bool m_active = false;
    bool m_waiting = false;
    uint32_t m_deadline = 0;
    uint32_t m_timer = 0;      // the armed timer, 0 when none
    uint32_t m_timerDue = 0;   // its deadline
    uint64_t m_timerGeneration = 0;
    uint64_t m_firedGeneration = 0;
};

}  // namespace plat::media
