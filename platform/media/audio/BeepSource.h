#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/audio/AudioSource.h"

#include <atomic>
#include <cstdint>
#include <limits>

namespace plat::media {

// The system's beep, sounded through an audio engine: a short tone that starts at a frame of
// the engine's sample clock, or at the first frame rendered after it when the engine has
// already gone past. start() may be called from any thread; a new start cuts the tone that
// sounds and begins again.
class PLATMEDIA_API BeepSource final : public AudioSource {
public:
    static constexpr double kFrequency = 1000.0;
    static constexpr double kSeconds = 0.06;

    explicit BeepSource(uint32_t sampleRate);

    void start(uint64_t frame);
    // Frames the tone lasts.
    uint32_t length() const { return m_length; }

    void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) override;

private:
    static constexpr uint64_t kNone = std::numeric_limits<uint64_t>::max();

    const uint32_t m_rate;
    const uint32_t m_length;
    // Written by start(), taken by the engine's thread.
    std::atomic<uint64_t> m_requested{kNone};
    // The engine thread's own: the first frame of the tone that sounds.
    uint64_t m_start = kNone;
};

}  // namespace plat::media
