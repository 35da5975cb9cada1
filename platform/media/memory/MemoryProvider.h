#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/DeviceProvider.h"
#include "platform/media/TimerService.h"
#include "platform/media/memory/MemoryMidiIn.h"
#include "platform/media/memory/MemoryMidiOut.h"

#include <memory>
#include <vector>

namespace plat::media {

// The "memory" family: MIDI outputs that record what they play and MIDI inputs that a test
// feeds, all timed by the backend's timers (a manual clock in tests).
class PLATMEDIA_API MemoryProvider final : public DeviceProvider {
public:
    static constexpr int kDefaultMidiOuts = 2;
    static constexpr int kDefaultMidiIns = 1;

    explicit MemoryProvider(TimerService& timers, int midiOuts = kDefaultMidiOuts, int midiIns = kDefaultMidiIns);
    ~MemoryProvider() override;

    std::string name() const override { return "memory"; }

    std::vector<MidiOutPort::Caps> midiOuts() const override;
    std::vector<MidiInPort::Caps> midiIns() const override;
    std::vector<WaveOutDevice::Caps> waveOuts() const override { return {}; }
    std::vector<WaveInDevice::Caps> waveIns() const override { return {}; }

    std::unique_ptr<MidiOutPort> createMidiOut(int index) override;
    std::unique_ptr<MidiInPort> createMidiIn(int index) override;
    std::unique_ptr<WaveOutDevice> createWaveOut(int) override { return nullptr; }
    std::unique_ptr<WaveInDevice> createWaveIn(int) override { return nullptr; }

    // The devices, by the family's own index; valid while the provider lives.
    MemoryMidiOut& midiOut(int index) { return *m_midiOuts.at(static_cast<size_t>(index)); }
    MemoryMidiIn& midiIn(int index) { return *m_midiIns.at(static_cast<size_t>(index)); }

private:
    TimerService& m_timers;
    std::vector<std::unique_ptr<MemoryMidiOut>> m_midiOuts;
    std::vector<std::unique_ptr<MemoryMidiIn>> m_midiIns;
};

}  // namespace plat::media
