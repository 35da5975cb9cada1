#include "platform/media/synth/SynthProvider.h"

#include "platform/core/Profile.h"
#include "platform/core/Trace.h"
#include "platform/core/UserPrompt.h"
#include "platform/media/synth/FluidSynthInstance.h"
#include "platform/media/synth/SynthMidiOutPort.h"

namespace plat::media {

std::string SynthProvider::soundFont()
{
    if (auto stored = Profile::instance().getString(kSoundFontSection, kSoundFontValue); stored && !stored->empty())
        return *stored;
    return std::string(kDefaultSoundFont);
}

SynthProvider::SynthProvider(std::shared_ptr<AudioEngine> engine, const std::string& soundFont)
    : m_engine(std::move(engine))
{
    if (!m_engine) {
        plat::trace("%s: there is no audio output to play through", std::string(kDeviceName).c_str());
        return;
    }
    m_synth = std::make_unique<FluidSynthInstance>(m_engine->sampleRate(), soundFont);
    if (m_synth->ok())
        return;
    UserPrompt::Message message;
    message.caption = std::string(kDeviceName);
    message.text = std::string(kDeviceName) + " cannot load the sound font \"" + soundFont + "\": " + m_synth->error() +
                   ".\n\nThe synthesizer is not available until the setting \"" + std::string(kSoundFontValue) +
                   "\" names a General MIDI sound font (.sf2) that can be loaded.";
    message.icon = UserPrompt::Icon::warning;
    UserPrompt::ask(message);
}

SynthProvider::~SynthProvider() = default;

bool SynthProvider::isAvailable() const
{
    return m_synth && m_synth->ok();
}

std::vector<MidiOutPort::Caps> SynthProvider::midiOuts() const
{
    if (!isAvailable())
        return {};
    MidiOutPort::Caps caps;
    caps.name = std::string(kDeviceName);
    caps.technology = 7;  // a software synthesizer
    caps.voices = 256;
    caps.notes = 256;
    caps.channelMask = 0xFFFF;
    return {caps};
}

std::unique_ptr<MidiOutPort> SynthProvider::createMidiOut(int index)
{
    if (index != 0 || !isAvailable())
        return nullptr;
    return std::make_unique<SynthMidiOutPort>(*m_engine, *m_synth);
}

std::vector<DeviceProvider::SoundOutput> SynthProvider::soundOutputs() const
{
    // Waves sound through the engine even when the sound font could not be loaded.
    if (!m_engine)
        return {};
    return {SoundOutput{m_engine->sinkName(), m_engine}};
}

}  // namespace plat::media
