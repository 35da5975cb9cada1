#include "platform/media/audio/SoundDevice.h"

#include "platform/media/MediaError.h"
#include "platform/media/audio/SoundBuffer.h"

namespace plat::media {

SoundDevice::SoundDevice(AudioEngine& engine) : m_engine(engine) {}

SoundDevice::~SoundDevice()
{
    stop();
    std::vector<std::unique_ptr<SoundBuffer>> retired;
    {
        std::lock_guard lock(m_mutex);
        retired.swap(m_retired);
    }
}

void SoundDevice::retire(std::unique_ptr<SoundBuffer> buffer)
{
    freeStopped();
    if (!buffer)
        return;
    std::lock_guard lock(m_mutex);
    m_retired.push_back(std::move(buffer));
}

void SoundDevice::freeStopped()
{
    std::vector<std::unique_ptr<SoundBuffer>> stopped;
    {
        std::lock_guard lock(m_mutex);
        for (auto& buffer : m_retired)
            if (buffer->status() == 0)
                stopped.push_back(std::move(buffer));
        std::erase(m_retired, nullptr);
    }
    // Freed outside the lock: a buffer detaches itself under it.
}

void SoundDevice::waitForMix()
{
    const uint64_t cycle = m_cycle.load();
    if (cycle & 1)
        m_cycle.wait(cycle);
}

int SoundDevice::start()
{
    std::lock_guard lock(m_mutex);
    if (m_started)
        return kOk;
    if (const int error = m_engine.addSource(*this); error != kOk)
        return error;
    m_started = true;
    return kOk;
}

void SoundDevice::stop()
{
    std::lock_guard lock(m_mutex);
    if (!m_started)
        return;
    m_engine.removeSource(*this);
    m_started = false;
}

bool SoundDevice::isStarted() const
{
    std::lock_guard lock(const_cast<std::mutex&>(m_mutex));
    return m_started;
}

std::unique_ptr<SoundBuffer> SoundDevice::createBuffer(const PcmFormat& format, uint32_t bytes, int* error)
{
    freeStopped();
    auto refuse = [error](int code) {
        if (error)
            *error = code;
        return nullptr;
    };
    const bool supported = (format.channels == 1 || format.channels == 2) &&
                           (format.bitsPerSample == 8 || format.bitsPerSample == 16 || format.bitsPerSample == 24 ||
                            format.bitsPerSample == 32) &&
                           format.samplesPerSec >= SoundBuffer::kFrequencyMin &&
                           format.samplesPerSec <= SoundBuffer::kFrequencyMax;
    if (!supported)
        return refuse(kErrorBadFormat);
    if (bytes < kMinBufferBytes || bytes > kMaxBufferBytes || bytes < format.blockAlign())
        return refuse(kErrorInvalidParam);
    auto buffer = std::make_unique<SoundBuffer>(*this, format, bytes, m_engine.blockFrames());
    if (!buffer->isReady())
        return refuse(kErrorNoMemory);
    if (!attach(buffer.get()))
        return refuse(kErrorAllocated);
    if (error)
        *error = kOk;
    return buffer;
}

uint64_t SoundDevice::currentFrame() const
{
    return m_engine.frameAt(m_engine.clock().nowMs());
}

void SoundDevice::render(float* left, float* right, uint32_t frames, uint64_t firstFrame)
{
    m_cycle.fetch_add(1, std::memory_order_acq_rel);
    const uint32_t rate = m_engine.sampleRate();
    for (auto& slot : m_buffers) {
        if (SoundBuffer* buffer = slot.load(std::memory_order_acquire))
            buffer->mix(left, right, frames, firstFrame, rate);
    }
    m_cycle.fetch_add(1, std::memory_order_acq_rel);
    m_cycle.notify_all();
}

bool SoundDevice::attach(SoundBuffer* buffer)
{
    std::lock_guard lock(m_mutex);
    for (auto& slot : m_buffers) {
        if (!slot.load()) {
            slot.store(buffer, std::memory_order_release);
            return true;
        }
    }
    return false;
}

void SoundDevice::detach(SoundBuffer* buffer)
{
    std::lock_guard lock(m_mutex);
    bool found = false;
    for (auto& slot : m_buffers) {
        if (slot.load() == buffer) {
            slot.store(nullptr);
            found = true;
        }
    }
    if (!found)
        return;
    // A block that began before the slot was cleared may still be mixing the buffer.
    waitForMix();
}

}  // namespace plat::media
