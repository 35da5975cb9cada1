#include "platform/media/alsa/AlsaProvider.h"

#include "platform/media/alsa/AlsaMidiInPort.h"
#include "platform/media/alsa/AlsaMidiOutPort.h"
#include "platform/media/alsa/AlsaPcmHandle.h"
#include "platform/media/alsa/AlsaWaveIn.h"
#include "platform/media/audio/SoundBuffer.h"
#include "platform/media/audio/SoundWaveOut.h"

namespace plat::media {

AlsaProvider::AlsaProvider(TimerService& timers, std::shared_ptr<AudioEngine> playback)
    : m_timers(timers), m_playback(std::move(playback)), m_sequencer(AlsaSequencer::open())
{
    if (m_sequencer) {
        m_destinations = m_sequencer->destinations();
        m_sources = m_sequencer->sources();
    }
    m_capture = AlsaPcmHandle::probe(kDefaultPcm, SND_PCM_STREAM_CAPTURE);
}

AlsaProvider::~AlsaProvider() = default;

bool AlsaProvider::hasPlayback()
{
    return AlsaPcmHandle::probe(kDefaultPcm, SND_PCM_STREAM_PLAYBACK);
}

std::vector<MidiOutPort::Caps> AlsaProvider::midiOuts() const
{
    std::vector<MidiOutPort::Caps> list;
    for (const auto& destination : m_destinations) {
        MidiOutPort::Caps caps;
        caps.name = destination.name;
        caps.technology = 1;  // a port
        list.push_back(std::move(caps));
    }
    return list;
}

std::vector<MidiInPort::Caps> AlsaProvider::midiIns() const
{
    std::vector<MidiInPort::Caps> list;
    for (const auto& source : m_sources) {
        MidiInPort::Caps caps;
        caps.name = source.name;
        list.push_back(std::move(caps));
    }
    return list;
}

std::vector<WaveInDevice::Caps> AlsaProvider::waveIns() const
{
    if (!m_capture)
        return {};
    WaveInDevice::Caps caps;
    caps.name = "Default recording device";
    return {caps};
}

std::unique_ptr<MidiOutPort> AlsaProvider::createMidiOut(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_destinations.size())
        return nullptr;
    return std::make_unique<AlsaMidiOutPort>(*m_sequencer, m_destinations[static_cast<size_t>(index)], m_timers.clock());
}

std::vector<WaveOutDevice::Caps> AlsaProvider::waveOuts() const
{
    if (!m_playback)
        return {};
    WaveOutDevice::Caps caps;
    caps.name = kPlaybackName;
    // The engine resamples whatever rate the sound buffer takes.
    caps.maxSamplesPerSec = SoundBuffer::kFrequencyMax;
    caps.maxChannels = 2;
    return {caps};
}

std::unique_ptr<WaveOutDevice> AlsaProvider::createWaveOut(int index)
{
    if (index != 0 || !m_playback)
        return nullptr;
    return std::make_unique<SoundWaveOut>(m_playback, m_timers);
}

std::unique_ptr<MidiInPort> AlsaProvider::createMidiIn(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= m_sources.size())
        return nullptr;
    return std::make_unique<AlsaMidiInPort>(*m_sequencer, m_sources[static_cast<size_t>(index)]);
}

std::unique_ptr<WaveInDevice> AlsaProvider::createWaveIn(int index)
{
    if (index != 0 || !m_capture)
        return nullptr;
    return std::make_unique<AlsaWaveIn>(kDefaultPcm);
}

}  // namespace plat::media
