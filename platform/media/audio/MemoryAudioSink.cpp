#include "platform/media/audio/MemoryAudioSink.h"

#include "platform/media/MediaError.h"

#include <algorithm>

namespace plat::media {

MemoryAudioSink::MemoryAudioSink(size_t capacityFrames) : m_samples(2 * capacityFrames) {}

int MemoryAudioSink::open(uint32_t sampleRate, uint32_t)
{
    m_rate = sampleRate;
    m_frames.store(0, std::memory_order_release);
    m_dropped.store(0, std::memory_order_release);
    return kOk;
}

int MemoryAudioSink::waitWritable()
{
    return kOk;
}

int MemoryAudioSink::write(std::span<const float> interleaved)
{
    const size_t frames = interleaved.size() / 2;
    const size_t have = m_frames.load(std::memory_order_relaxed);
    const size_t fit = std::min(frames, m_samples.size() / 2 - have);
    std::copy_n(interleaved.begin(), 2 * fit, m_samples.begin() + static_cast<ptrdiff_t>(2 * have));
    m_frames.store(have + fit, std::memory_order_release);
    if (fit < frames)
        m_dropped.fetch_add(frames - fit, std::memory_order_acq_rel);
    return kOk;
}

}  // namespace plat::media
