#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/DeviceProvider.h"
#include "platform/media/audio/AudioEngine.h"

#include <memory>
#include <string>
#include <string_view>

namespace plat::media {

class FluidSynthInstance;

// The "synth" family: one MIDI output, "Quavix Synth", a FluidSynth synthesizer that plays
// through an audio engine. Its sound font is the one the setting "SoundFont" of section
// "Settings" names, else Debian's General MIDI font. A sound font that cannot be loaded is
// said to the user once, and the family then lists nothing.
class PLATMEDIA_API SynthProvider final : public DeviceProvider {
public:
    static constexpr std::string_view kDeviceName = "Quavix Synth";
    static constexpr std::string_view kDefaultSoundFont = "/usr/share/sounds/sf2/TimGM6mb.sf2";
    static constexpr std::string_view kSoundFontSection = "Settings";
    static constexpr std::string_view kSoundFontValue = "SoundFont";

    // The sound font the settings choose.
    static std::string soundFont();

    // engine may be null (no audio output): the family then lists nothing.
    SynthProvider(std::shared_ptr<AudioEngine> engine, const std::string& soundFont);
    ~SynthProvider() override;

    std::string name() const override { return "synth"; }
    bool isAvailable() const;

    std::vector<MidiOutPort::Caps> midiOuts() const override;
    std::vector<MidiInPort::Caps> midiIns() const override { return {}; }
    std::vector<WaveOutDevice::Caps> waveOuts() const override { return {}; }
    std::vector<WaveInDevice::Caps> waveIns() const override { return {}; }

    std::unique_ptr<MidiOutPort> createMidiOut(int index) override;
    std::unique_ptr<MidiInPort> createMidiIn(int) override { return nullptr; }
    std::unique_ptr<WaveOutDevice> createWaveOut(int) override { return nullptr; }
    std::unique_ptr<WaveInDevice> createWaveIn(int) override { return nullptr; }
    // The engine the synthesizer plays through, so that wave players sound with it.
    std::vector<SoundOutput> soundOutputs() const override;

private:
    std::shared_ptr<AudioEngine> m_engine;
    std::unique_ptr<FluidSynthInstance> m_synth;
};

}  // namespace plat::media
