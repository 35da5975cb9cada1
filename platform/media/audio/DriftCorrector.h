#pragma once

#include "platform/media/PlatMediaExport.h"

#include <cstdint>

namespace plat::media {

// Keeps a sound device that runs by its own crystal in step with the media clock. It is
// told, block after block, how far the frames the device has played run ahead of the media
// clock (a little noisy: the clock counts whole milliseconds, the device reports in bursts)
// and answers when to play one frame twice (the device runs fast) or leave one out (it runs
// slow). The offset it holds is the one it found over its first measurements; a jump beyond
// the limit (an underrun, a device that does not play in real time) is not drift: it starts
// measuring afresh.
class PLATMEDIA_API DriftCorrector {
public:
    DriftCorrector(uint32_t sampleRate, int64_t limitFrames);

    // +1: play a frame twice; -1: leave a frame out; 0: nothing.
    int update(int64_t aheadFrames);
    void reset();

    static constexpr int kWarmUp = 64;   // measurements that fix the offset to hold

private:
    const double m_deadBand;
    const double m_limit;
    int m_count = 0;
    double m_baseline = 0;
    double m_error = 0;   // smoothed distance from the baseline
};

}  // namespace plat::media
