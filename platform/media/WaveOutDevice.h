#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/PcmFormat.h"

#include <cstdint>
#include <span>
#include <string>

namespace plat::media {

// A PCM output. Bytes written while open are queued and played in order once started; the
// device keeps its own pace by its clock. Every operation answers 0 or an error number
// (MediaError.h).
class PLATMEDIA_API WaveOutDevice {
public:
    struct Caps {
        std::string name;
        uint32_t maxSamplesPerSec = 48000;
        uint16_t maxChannels = 2;
    };

    virtual ~WaveOutDevice() = default;

    virtual int open(const PcmFormat& format) = 0;
    // Queues whole frames; a length that is not a multiple of the frame size is refused.
    virtual int write(std::span<const uint8_t> bytes) = 0;
    virtual int start() = 0;
    // Stops playing and drops what is queued.
    virtual int stop() = 0;
    virtual int close() = 0;
    // Bytes played since open.
    virtual uint64_t playedBytes() const = 0;
    virtual std::string errorText(int error) const = 0;
};

}  // namespace plat::media
