#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MidiOutPort.h"
#include "platform/media/StreamScheduler.h"
#include "platform/media/TimerService.h"
#include "platform/media/memory/MemoryMidiOut.h"

#include <memory>
#include <vector>

namespace plat::media {

// A port on a memory MIDI output: its stream plays on the backend's timers and records
// every event into the MemoryMidiOut.
class PLATMEDIA_API MemoryMidiOutPort final : public MidiOutPort, public StreamScheduler::Sink {
public:
    MemoryMidiOutPort(MemoryMidiOut& device, TimerService& timers);
    ~MemoryMidiOutPort() override;

    int open(Events* events) override;
    int queue(const StreamBlock& block) override;
    int restart() override;
    int restartAt(MediaTime at) override;
    int pause() override;
    int stop() override;
    int close() override;
    int shortMsg(uint32_t packed) override;
    int longMsg(std::span<const uint8_t> bytes) override;
    std::string errorText(int error) const override;

    void emit(uint32_t streamMs, std::span<const uint8_t> bytes) override;

private:
    int check(MemoryMidiOut::Operation operation) const;
    void record(uint32_t streamMs, std::vector<uint8_t> bytes, bool immediate);

    MemoryMidiOut& m_device;
    TimerService& m_timers;
    std::unique_ptr<StreamScheduler> m_stream;
};

}  // namespace plat::media
