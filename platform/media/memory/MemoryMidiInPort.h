#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MidiInPort.h"
#include "platform/media/memory/MemoryMidiIn.h"

namespace plat::media {

// A port on a memory MIDI input.
class PLATMEDIA_API MemoryMidiInPort final : public MidiInPort {
public:
    explicit MemoryMidiInPort(MemoryMidiIn& device) : m_device(device) {}
    ~MemoryMidiInPort() override;

    int open(Events* events) override;
    int start() override;
    int stop() override;
    int close() override;
    std::string errorText(int error) const override;

private:
    MemoryMidiIn& m_device;
    bool m_open = false;
};

}  // namespace plat::media
