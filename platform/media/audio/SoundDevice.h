#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/PcmFormat.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/AudioSource.h"

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

namespace plat::media {

class SoundBuffer;

// Mixes sound buffers into an audio engine: the software stand-in for a sound card's mixer of
// streaming buffers. While started it is one source of the engine, and every buffer that
// plays is heard through it.
class PLATMEDIA_API SoundDevice final : public AudioSource {
public:
    static constexpr size_t kMaxBuffers = 64;
    // Ring sizes a buffer may have.
    static constexpr uint32_t kMinBufferBytes = 4;
    static constexpr uint32_t kMaxBufferBytes = 16u << 20;

    explicit SoundDevice(AudioEngine& engine);
    ~SoundDevice() override;   // stops; every buffer must be gone
    SoundDevice(const SoundDevice&) = delete;
    SoundDevice& operator=(const SoundDevice&) = delete;

    // Joins the engine, which then runs; the engine's error when it cannot.
    int start();
    void stop();
    bool isStarted() const;

    // A new, stopped buffer of bytes bytes (cut to whole frames) of linear PCM of 8, 16, 24
    // or 32 bits in one or two channels. Null, with error set, for another format, a size
    // outside kMinBufferBytes .. kMaxBufferBytes, or when kMaxBuffers exist.
    std::unique_ptr<SoundBuffer> createBuffer(const PcmFormat& format, uint32_t bytes, int* error = nullptr);

    // Keeps a buffer that its owner lets go while it still plays up to its stop frame (see
    // SoundBuffer::stopAt), and frees it once it has stopped; its notifications must be
    // cleared. Buffers retired earlier that have stopped are freed here.
    void retire(std::unique_ptr<SoundBuffer> buffer);

    AudioEngine& engine() { return m_engine; }
    // The engine frame that the media clock's current time falls on.
    uint64_t currentFrame() const;

    void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) override;

private:
    friend class SoundBuffer;
    bool attach(SoundBuffer* buffer);
    // Once it returns the buffer is not being mixed and never will be again.
    void detach(SoundBuffer* buffer);
    // Waits until a block being mixed, if any, is done.
    void waitForMix();
    void freeStopped();

    AudioEngine& m_engine;
    std::mutex m_mutex;
    bool m_started = false;
    std::array<std::atomic<SoundBuffer*>, kMaxBuffers> m_buffers{};
    std::vector<std::unique_ptr<SoundBuffer>> m_retired;   // under m_mutex
    // Odd while render() runs.
    std::atomic<uint64_t> m_cycle{0};
};

}  // namespace plat::media
