#pragma once

#include "platform/media/PlatMediaExport.h"

#include <cstdint>

namespace plat::media {

// Something that sounds through an audio engine: the synthesizer, a wave player.
class PLATMEDIA_API AudioSource {
public:
    virtual ~AudioSource() = default;
    // Adds `frames` frames of sound into left and right, whose first frame is `firstFrame` on
    // the engine's sample clock. Runs on the engine's thread: it must not allocate, wait for
    // another thread or trace.
    virtual void render(float* left, float* right, uint32_t frames, uint64_t firstFrame) = 0;
};

}  // namespace plat::media
