#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/TimerService.h"
#include "platform/media/WaveOutDevice.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace plat::media {

class AudioEngine;
class SoundBuffer;
class SoundDevice;

// A wave output that plays through an audio engine, heard with whatever else plays through
// it: the engine over the machine's sound output on a desktop, over a file or memory sink in
// tests. Its PCM plays in a looping sound buffer of a second, which a timer of its own keeps
// filled from the bytes written; when they run out it writes silence a little ahead, so the
// ring never plays stale sound again. Any rate the sound buffer resamples is taken.
class PLATMEDIA_API SoundWaveOut final : public WaveOutDevice {
public:
    static constexpr uint32_t kRingMs = 1000;
    static constexpr uint32_t kFeedMs = 20;
    // How far ahead of the play cursor silence is written once the bytes run out, besides the
    // engine's render lag.
    static constexpr uint32_t kSilenceAheadMs = 100;

    SoundWaveOut(std::shared_ptr<AudioEngine> engine, TimerService& timers);
    ~SoundWaveOut() override;
    SoundWaveOut(const SoundWaveOut&) = delete;
    SoundWaveOut& operator=(const SoundWaveOut&) = delete;

    // kErrorBadFormat for a format the sound buffer cannot play; the engine's error when its
    // sink cannot open.
    int open(const PcmFormat& format) override;
    int write(std::span<const uint8_t> bytes) override;
    int start() override;
    int stop() override;
    int close() override;
    uint64_t playedBytes() const override;
    std::string errorText(int error) const override;

private:
    // A stretch of the ring's bytes, counted from the start: the caller's, or silence.
    struct Run {
        uint64_t begin;
        uint64_t end;
        bool written;
    };

    // Counts what the play cursor has passed since the last call.
    void settleLocked() const;
    // Fills the ring ahead of the play cursor.
    void feedLocked();
    void onFeedTimer();
    void stopLocked();

    const std::shared_ptr<AudioEngine> m_engine;
    TimerService& m_timers;

    mutable std::mutex m_mutex;
    std::unique_ptr<SoundDevice> m_device;
    std::unique_ptr<SoundBuffer> m_buffer;   // while open
    PcmFormat m_format;
    uint32_t m_ringBytes = 0;
    std::vector<uint8_t> m_silence;          // a ring's worth
    std::vector<uint8_t> m_queue;            // written and not yet in the ring, from m_queueHead
    size_t m_queueHead = 0;
    bool m_started = false;
    uint32_t m_timer = 0;

    // Ring bytes counted from the start: written into the ring, and passed by the cursor.
    mutable uint64_t m_inRing = 0;
    mutable uint64_t m_passed = 0;
    mutable uint32_t m_lastCursor = 0;
    mutable std::deque<Run> m_runs;
    // The caller's bytes the cursor has passed, since open.
    mutable uint64_t m_played = 0;
};

}  // namespace plat::media
