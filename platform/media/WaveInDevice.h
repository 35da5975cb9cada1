#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/PcmFormat.h"

#include <cstdint>
#include <span>
#include <string>

namespace plat::media {

// A PCM input. The client adds buffers; while started the device fills them in order and
// hands each back through done() with the number of bytes recorded. stop() and reset()
// hand back every buffer still added (reset() also the one being filled, partly filled).
// Every operation answers 0 or an error number (MediaError.h).
class PLATMEDIA_API WaveInDevice {
public:
    struct Caps {
        std::string name;
        uint32_t maxSamplesPerSec = 48000;
        uint16_t maxChannels = 2;
    };

    class Events {
    public:
        virtual ~Events() = default;
        // Called on a backend thread with no backend lock held; must not block.
        virtual void done(uintptr_t user, size_t bytesRecorded) = 0;
    };

    virtual ~WaveInDevice() = default;

    virtual int open(const PcmFormat& format, Events* events) = 0;
    // The buffer stays the caller's and must stay valid until done() returns it.
    virtual int add(std::span<uint8_t> buffer, uintptr_t user) = 0;
    virtual int start() = 0;
    virtual int stop() = 0;
    virtual int reset() = 0;
    virtual int close() = 0;
    virtual std::string errorText(int error) const = 0;
};

}  // namespace plat::media
