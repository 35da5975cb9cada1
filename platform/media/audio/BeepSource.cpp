#include "platform/media/audio/BeepSource.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace plat::media {

namespace {
constexpr float kLevel = 0.3f;
}

BeepSource::BeepSource(uint32_t sampleRate)
    : m_rate(sampleRate), m_length(static_cast<uint32_t>(sampleRate * kSeconds))
{
}

void BeepSource::start(uint64_t frame)
{
    m_requested.store(frame, std::memory_order_release);
}

void BeepSource::render(float* left, float* right, uint32_t frames, uint64_t firstFrame)
{
    if (const uint64_t requested = m_requested.exchange(kNone, std::memory_order_acq_rel); requested != kNone)
        m_start = std::max(requested, firstFrame);
    if (m_start == kNone)
        return;
    const double step = 2 * std::numbers::pi * kFrequency / m_rate;
    for (uint32_t i = 0; i < frames; ++i) {
        const uint64_t frame = firstFrame + i;
        if (frame < m_start)
            continue;
        const uint64_t offset = frame - m_start;
        if (offset >= m_length) {
            m_start = kNone;
            return;
        }
        // A click-free tone: a short rise, then a decay to nothing at the end.
        const double position = static_cast<double>(offset) / m_length;
        const double envelope = std::min(1.0, position * 20.0) * (1.0 - position) * (1.0 - position);
        const auto sample = static_cast<float>(kLevel * envelope * std::sin(step * static_cast<double>(offset)));
        left[i] += sample;
        right[i] += sample;
    }
}

}  // namespace plat::media
