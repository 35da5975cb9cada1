#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MidiOutPort.h"
#include "platform/media/TimerService.h"

#include <cstdint>
#include <memory>
#include <span>

namespace plat::media {

// The stream timeline of a MIDI output port, shared by the backends: queued blocks, pause,
// restart and stop, and the order of done(), marker() and underrun() callbacks (the
// contract of MidiOutPort). It hands each event's bytes to a sink at the event's time,
// computed from the stream's origin on the clock's nanosecond reading; it plays on a lane
// of the timer service of its own, so a sink that blocks holds up no other stream. A
// backend adds only the sink.
class PLATMEDIA_API StreamScheduler {
public:
    class Sink {
    public:
        virtual ~Sink() = default;
        // Plays bytes now; streamMs is the event's place on the stream timeline.
        virtual void emit(uint32_t streamMs, std::span<const uint8_t> bytes) = 0;
    };

    StreamScheduler(TimerService& timers, Sink& sink, MidiOutPort::Events* events);
    // Waits for a callback in progress; nothing is called back afterwards. Not from a
    // callback of the stream itself.
    ~StreamScheduler();
    StreamScheduler(const StreamScheduler&) = delete;
    StreamScheduler& operator=(const StreamScheduler&) = delete;

    // 0, or kErrorInvalidParam for words that do not form whole events. The first block
    // after opening or stop() begins the timeline where the stream stands; each later one
    // follows the one before, also when it comes late.
    int queue(const StreamBlock& block);
    void restart();
    // restart() as if it had been called at the start of clock millisecond `at`: the stream
    // counts on from there, so what lies before now plays at once. An `at` after now counts
    // as now.
    void restartAt(MediaTime at);
    void pause();
    // Returns every queued block through done(), on the calling thread, and goes back to
    // stream time 0, paused.
    void stop();

    uint32_t streamTimeMs() const;
    size_t queuedBlocks() const;
    bool isRunning() const;

    // Checks that words form whole events and gives the block's length in ms.
    static bool validate(std::span<const uint32_t> words, uint32_t& durationMs);
    // Bytes of a short message with this status byte; 0 for a byte that starts none.
    static size_t shortMessageLength(uint8_t status);

private:
    struct Core;
    // Timer callbacks hold the core weakly, so one that fires during destruction finds it
    // closed instead of freed.
    std::shared_ptr<Core> m_core;
};

}  // namespace plat::media
