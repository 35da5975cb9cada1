#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/DeviceProvider.h"
#include "platform/media/TimerService.h"
#include "platform/media/alsa/AlsaSequencer.h"

#include <memory>
#include <string>
#include <vector>

namespace plat::media {

// The "alsa" family: a MIDI output for each sequencer destination and a MIDI input for each
// source of the machine, its "default" PCM for recording, and a wave output over the engine
// that plays through its "default" PCM (see hasPlayback()). "default" itself is tried, since
// it may work without sound devices (a sound server's plug-in, the user's own configuration);
// where it does not (a container, a server) there are no PCM devices, and nothing is said.
class PLATMEDIA_API AlsaProvider final : public DeviceProvider {
public:
    static constexpr const char* kDefaultPcm = "default";
    static constexpr const char* kPlaybackName = "Default playback device";

    // timers: the media clock and timers the devices keep to. playback: the engine over the
    // machine's sound output that the wave output plays through; null for none.
    AlsaProvider(TimerService& timers, std::shared_ptr<AudioEngine> playback);
    ~AlsaProvider() override;

    std::string name() const override { return "alsa"; }

    std::vector<MidiOutPort::Caps> midiOuts() const override;
    std::vector<MidiInPort::Caps> midiIns() const override;
    std::vector<WaveOutDevice::Caps> waveOuts() const override;
    std::vector<WaveInDevice::Caps> waveIns() const override;

    std::unique_ptr<MidiOutPort> createMidiOut(int index) override;
    std::unique_ptr<MidiInPort> createMidiIn(int index) override;
    std::unique_ptr<WaveOutDevice> createWaveOut(int index) override;
    std::unique_ptr<WaveInDevice> createWaveIn(int index) override;

    // True when the machine can play sound through ALSA's "default" PCM.
    static bool hasPlayback();

private:
    TimerService& m_timers;
    std::shared_ptr<AudioEngine> m_playback;
    std::unique_ptr<AlsaSequencer> m_sequencer;
    std::vector<AlsaSequencer::Address> m_destinations;
    std::vector<AlsaSequencer::Address> m_sources;
    bool m_capture = false;
};

}  // namespace plat::media
