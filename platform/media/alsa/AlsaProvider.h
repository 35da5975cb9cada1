#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/Clock.h"
#include "platform/media/DeviceProvider.h"
#include "platform/media/alsa/AlsaSequencer.h"

#include <memory>
#include <string>
#include <vector>

namespace plat::media {

// The "alsa" family: a MIDI output for each sequencer destination and a MIDI input for each
// source of the machine, and its "default" PCM for recording. A machine without /dev/snd
// (a container, a server) has none of them, and nothing is said about it.
class PLATMEDIA_API AlsaProvider final : public DeviceProvider {
public:
    static constexpr const char* kDefaultPcm = "default";

    // clock: the media clock, which the MIDI outputs' streams keep to.
    explicit AlsaProvider(const Clock& clock);
    ~AlsaProvider() override;

    std::string name() const override { return "alsa"; }

    std::vector<MidiOutPort::Caps> midiOuts() const override;
    std::vector<MidiInPort::Caps> midiIns() const override;
    std::vector<WaveOutDevice::Caps> waveOuts() const override { return {}; }
    std::vector<WaveInDevice::Caps> waveIns() const override;

    std::unique_ptr<MidiOutPort> createMidiOut(int index) override;
    std::unique_ptr<MidiInPort> createMidiIn(int index) override;
    std::unique_ptr<WaveOutDevice> createWaveOut(int) override { return nullptr; }
    std::unique_ptr<WaveInDevice> createWaveIn(int index) override;

    // True when the machine can play sound through ALSA's "default" PCM.
    static bool hasPlayback();

private:
    const Clock& m_clock;
    std::unique_ptr<AlsaSequencer> m_sequencer;
    std::vector<AlsaSequencer::Address> m_destinations;
    std::vector<AlsaSequencer::Address> m_sources;
    bool m_capture = false;
};

}  // namespace plat::media
