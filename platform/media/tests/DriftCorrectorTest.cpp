#include "platform/media/audio/DriftCorrector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <random>

namespace plat::media {
namespace {

constexpr uint32_t kRate = 48000;
constexpr uint32_t kBlock = 256;

struct Outcome {
    double finalAheadFrames;
    int corrections;
};

// A device whose crystal is off by ppm plays ten minutes of 256-frame blocks; the offset is
// measured as the sink measures it, to the clock's whole milliseconds.
Outcome play(double ppm, bool correct, int64_t jumpAtBlock = -1, int64_t jumpFrames = 0)
{
    DriftCorrector corrector(kRate, 4 * kBlock / 2);
    std::mt19937 noise(7);
    std::uniform_int_distribution<int> jitter(-24, 24);
    const double deviceRate = kRate * (1 + ppm * 1e-6);
    double engineConsumed = 0;  // engine frames the device has played
    int corrections = 0;
    const int64_t blocks = 600LL * kRate / kBlock;
    double ahead = 0;
    for (int64_t b = 0; b < blocks; ++b) {
        const double seconds = static_cast<double>(b + 1) * kBlock / deviceRate;
        engineConsumed += kBlock;
        if (b == jumpAtBlock)
            engineConsumed += static_cast<double>(jumpFrames);
        const double clockFrames = std::floor(seconds * 1000) * kRate / 1000;
        ahead = engineConsumed - clockFrames;
        if (!correct)
            continue;
        const int step = corrector.update(static_cast<int64_t>(ahead) + jitter(noise));
        // A frame played twice holds the engine's frames back by one, one left out moves them on.
        engineConsumed -= step;
        corrections += step != 0;
    }
    return {ahead, corrections};
}

TEST(DriftCorrectorTest, HoldsAFastOrSlowDeviceToTheClockOverTenMinutes)
{
    for (double ppm : {100.0, -100.0, 500.0, -30.0}) {
        SCOPED_TRACE(ppm);
        const Outcome loose = play(ppm, false);
        EXPECT_GT(std::fabs(loose.finalAheadFrames), 600 * kRate * std::fabs(ppm) * 1e-6 * 0.9);
        const Outcome held = play(ppm, true);
        EXPECT_LT(std::fabs(held.finalAheadFrames), kRate / 1000.0 * 2);  // within 2 ms
        // About one correction for each frame of drift, not a stream of them.
        EXPECT_LT(held.corrections, 600 * kRate * std::fabs(ppm) * 1e-6 * 1.5 + 50);
    }
}

TEST(DriftCorrectorTest, ADeviceOnTimeIsLeftAlone)
{
    EXPECT_LT(play(0.0, true).corrections, 5);
}

TEST(DriftCorrectorTest, AJumpIsNoDriftAndIsNotCorrectedFrameByFrame)
{
    // An underrun puts the device 4000 frames off at once: the corrector starts afresh
    // instead of slipping thousands of frames back one at a time.
    const Outcome held = play(0.0, true, 10'000, 4000);
    EXPECT_LT(held.corrections, 5);
    DriftCorrector corrector(kRate, 512);
    // A device that takes frames as fast as they come is always far ahead: nothing to do.
    for (int i = 0; i < 1000; ++i)
        EXPECT_EQ(corrector.update(i * 1000), 0);
}

}  // namespace
}  // namespace plat::media
