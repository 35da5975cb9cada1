#include "platform/media/audio/DriftCorrector.h"

#include <cmath>

namespace plat::media {

namespace {

constexpr double kSmoothing = 1.0 / 64;

}  // namespace

DriftCorrector::DriftCorrector(uint32_t sampleRate, int64_t limitFrames)
    : m_deadBand(sampleRate / 2000.0), m_limit(static_cast<double>(limitFrames))  // half a millisecond
{
}

void DriftCorrector::reset()
{
    m_count = 0;
    m_baseline = 0;
    m_error = 0;
}

int DriftCorrector::update(int64_t aheadFrames)
{
    const auto ahead = static_cast<double>(aheadFrames);
    if (m_count < kWarmUp) {
        m_baseline += ahead / kWarmUp;
        ++m_count;
        return 0;
    }
    const double distance = ahead - m_baseline;
    if (std::fabs(distance) > m_limit) {
        reset();
        return 0;
    }
    m_error += (distance - m_error) * kSmoothing;
    // A frame played twice moves every later measurement back by one; the smoothed error is
    // moved at once, so it does not call for the same correction again while it catches up.
    if (m_error > m_deadBand) {
        m_error -= 1;
        return 1;
    }
    if (m_error < -m_deadBand) {
        m_error += 1;
        return -1;
    }
    return 0;
}

}  // namespace plat::media
