#pragma once

#include "platform/media/PlatMediaExport.h"

#include <cstdint>

namespace plat::media {

// Linear PCM: interleaved frames of little-endian samples (8-bit samples are unsigned).
struct PLATMEDIA_API PcmFormat {
    uint16_t channels = 1;
    uint32_t samplesPerSec = 22050;
    uint16_t bitsPerSample = 16;

    uint16_t blockAlign() const { return static_cast<uint16_t>(channels * (bitsPerSample / 8)); }
    uint32_t avgBytesPerSec() const { return samplesPerSec * blockAlign(); }
};

}  // namespace plat::media
