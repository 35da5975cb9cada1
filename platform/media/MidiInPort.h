#pragma once

#include "platform/media/PlatMediaExport.h"

#include <cstdint>
#include <span>
#include <string>

namespace plat::media {

// A MIDI input port. Messages arrive while the port is started, each with its time in ms
// since start(); one-byte real-time messages arrive as messages of their own. Callbacks run
// on a backend thread with no backend lock held and must not block.
// Every operation answers 0 or an error number (MediaError.h).
class PLATMEDIA_API MidiInPort {
public:
    struct Caps {
        std::string name;
        uint16_t manufacturer = 0;
        uint16_t product = 0;
        uint32_t driverVersion = 0;
        uint32_t support = 0;
    };

    class Events {
    public:
        virtual ~Events() = default;
        // A short message packed with the status in the low byte.
        virtual void data(uint32_t packed, uint32_t msSinceStart) = 0;
        // A complete system-exclusive message, F0 to F7.
        virtual void longData(std::span<const uint8_t> bytes, uint32_t msSinceStart) = 0;
    };

    virtual ~MidiInPort() = default;

    virtual int open(Events* events) = 0;
    virtual int start() = 0;
    virtual int stop() = 0;
    virtual int close() = 0;
    virtual std::string errorText(int error) const = 0;
};

}  // namespace plat::media
