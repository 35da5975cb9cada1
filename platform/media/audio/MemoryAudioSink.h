#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/audio/AudioSink.h"

#include <atomic>
#include <vector>

namespace plat::media {

// Records what an engine renders, for tests: interleaved stereo frames, up to a capacity set
// at construction (the engine's thread must not allocate); frames past it are counted and
// dropped. Reading is safe while the engine runs: it sees the frames recorded so far.
class PLATMEDIA_API MemoryAudioSink final : public AudioSink {
public:
    explicit MemoryAudioSink(size_t capacityFrames);

    std::string name() const override { return "Memory audio output"; }
    int open(uint32_t sampleRate, uint32_t blockFrames) override;
    int waitWritable() override;
    int write(std::span<const float> interleaved) override;
    void close() override {}
    void interrupt() override {}
    uint32_t leadFrames() const override { return 0; }

    size_t frameCount() const { return m_frames.load(std::memory_order_acquire); }
    size_t droppedFrames() const { return m_dropped.load(std::memory_order_acquire); }
    // Left and right of recorded frame i (i < frameCount()).
    float left(size_t i) const { return m_samples[2 * i]; }
    float right(size_t i) const { return m_samples[2 * i + 1]; }
    uint32_t sampleRate() const { return m_rate; }

private:
    std::vector<float> m_samples;
    std::atomic<size_t> m_frames{0};
    std::atomic<size_t> m_dropped{0};
    uint32_t m_rate = 0;
};

}  // namespace plat::media
