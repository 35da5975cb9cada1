#include "platform/media/Backend.h"

#include "platform/core/Profile.h"
#include "platform/core/Strings.h"
#include "platform/core/Trace.h"
#include "platform/media/MediaError.h"
#include "platform/media/RealTimerService.h"
#include "platform/media/alsa/AlsaPcmSink.h"
#include "platform/media/alsa/AlsaProvider.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/BeepSource.h"
#include "platform/media/file/FileProvider.h"
#include "platform/media/file/WavFileSink.h"
#include "platform/media/memory/MemoryProvider.h"
#include "platform/media/synth/SynthProvider.h"

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <utility>

namespace plat::media {

namespace {

std::mutex& instanceMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<Backend>& instanceSlot()
{
    static std::unique_ptr<Backend> backend;
    return backend;
}

// The families this build has. Unknown names are named in the trace and skipped, so a
// selection written for a fuller build still works. playback gives the engine over the
// machine's default sound output, or null.
std::unique_ptr<DeviceProvider> makeProvider(std::string_view name, TimerService& timers,
                                             const std::function<std::shared_ptr<AudioEngine>()>& playback)
{
    if (name == "memory")
        return std::make_unique<MemoryProvider>(timers);
    if (name == "alsa")
        return std::make_unique<AlsaProvider>(timers, playback());
    if (name == "file")
        return std::make_unique<FileProvider>(timers, FileProvider::captureFile());
    if (name == "synth")
        return std::make_unique<SynthProvider>(playback(), SynthProvider::soundFont());
    plat::trace("Media devices: \"%.*s\" is no device family; it is skipped", static_cast<int>(name.size()), name.data());
    return nullptr;
}

}  // namespace

Backend::Backend(std::unique_ptr<TimerService> timers, std::vector<std::unique_ptr<DeviceProvider>> providers)
    : m_timers(std::move(timers)), m_providers(std::move(providers))
{
    for (const auto& provider : m_providers) {
        int i = 0;
        for (auto& caps : provider->midiOuts())
            m_midiOuts.push_back({provider.get(), i++, std::move(caps)});
        i = 0;
        for (auto& caps : provider->midiIns())
            m_midiIns.push_back({provider.get(), i++, std::move(caps)});
        i = 0;
        for (auto& caps : provider->waveOuts())
            m_waveOuts.push_back({provider.get(), i++, std::move(caps)});
        i = 0;
        for (auto& caps : provider->waveIns())
            m_waveIns.push_back({provider.get(), i++, std::move(caps)});
        for (auto& output : provider->soundOutputs())
            if (output.engine)
                m_soundOutputs.push_back(std::move(output));
    }
    if (!m_providers.empty() && m_midiOuts.empty() && m_waveOuts.empty() && m_soundOutputs.empty()) {
        static std::atomic<bool> said{false};
        if (!said.exchange(true))
            plat::trace("Media devices: there is no output device at all: nothing will sound");
    }
}

Backend::~Backend()
{
    if (m_beep)
        m_soundOutputs.front().engine->removeSource(*m_beep);
    // Devices of the families may run timers: the families go first.
    m_providers.clear();
}

void Backend::beep()
{
    if (m_soundOutputs.empty())
        return;
    AudioEngine& engine = *m_soundOutputs.front().engine;
    std::lock_guard lock(m_beepMutex);
    if (!m_beep) {
        auto source = std::make_unique<BeepSource>(engine.sampleRate());
        if (engine.addSource(*source) != kOk)
            return;
        m_beep = std::move(source);
    }
    m_beep->start(engine.frameAt(nowMs()));
}

Backend& Backend::instance()
{
    std::lock_guard lock(instanceMutex());
    auto& slot = instanceSlot();
    if (!slot)
        slot = fromSelection(selection());
    return *slot;
}

std::unique_ptr<Backend> Backend::install(std::unique_ptr<Backend> backend)
{
    std::lock_guard lock(instanceMutex());
    std::unique_ptr<Backend> previous = std::move(instanceSlot());
    instanceSlot() = std::move(backend);
    return previous;
}

std::string Backend::selection()
{
    const char* value = std::getenv("QUAVIX_MEDIA");
    if (value && *value)
        return value;
    if (auto stored = Profile::instance().getString(kSelectionSection, kSelectionValue); stored && !stored->empty())
        return *stored;
    return std::string(kDefaultSelection);
}

std::string Backend::playbackFile()
{
    return Profile::instance().getString(kSelectionSection, kPlaybackFileValue).value_or(std::string());
}

std::unique_ptr<Backend> Backend::fromSelection(std::string_view names)
{
    auto timers = std::make_unique<RealTimerService>();
    // The synthesizer and the wave outputs play through one engine over the machine's default
    // sound output, made when the first family needs it: a device that takes one stream only
    // is then opened once.
    std::shared_ptr<AudioEngine> engine;
    bool probed = false;
    const auto playback = [&]() -> std::shared_ptr<AudioEngine> {
        if (std::exchange(probed, true))
            return engine;
        if (const std::string file = playbackFile(); !file.empty())
            engine = std::make_shared<AudioEngine>(*timers, std::make_unique<WavFileSink>(file), AudioEngine::kDefaultSampleRate,
                                                   AudioEngine::kDefaultBlockFrames, AudioEngine::kFileBatchMs);
        else if (AlsaProvider::hasPlayback())
            engine = std::make_shared<AudioEngine>(*timers, std::make_unique<AlsaPcmSink>(timers->clock(), AlsaProvider::kDefaultPcm));
        return engine;
    };
    std::vector<std::unique_ptr<DeviceProvider>> providers;
    while (!names.empty()) {
        const size_t comma = names.find(',');
        const std::string_view name = plat::trim(names.substr(0, comma));
        names = comma == std::string_view::npos ? std::string_view() : names.substr(comma + 1);
        bool duplicate = false;
        for (const auto& p : providers)
            duplicate = duplicate || p->name() == name;
        if (duplicate || name.empty())
            continue;
        if (auto provider = makeProvider(name, *timers, playback))
            providers.push_back(std::move(provider));
    }
    return std::make_unique<Backend>(std::move(timers), std::move(providers));
}

bool Backend::midiOutCaps(int index, MidiOutPort::Caps& caps) const
{
    if (index < 0 || index >= midiOutCount())
        return false;
    caps = m_midiOuts[static_cast<size_t>(index)].caps;
    return true;
}

bool Backend::midiInCaps(int index, MidiInPort::Caps& caps) const
{
    if (index < 0 || index >= midiInCount())
        return false;
    caps = m_midiIns[static_cast<size_t>(index)].caps;
    return true;
}

bool Backend::waveOutCaps(int index, WaveOutDevice::Caps& caps) const
{
    if (index < 0 || index >= waveOutCount())
        return false;
    caps = m_waveOuts[static_cast<size_t>(index)].caps;
    return true;
}

bool Backend::waveInCaps(int index, WaveInDevice::Caps& caps) const
{
    if (index < 0 || index >= waveInCount())
        return false;
    caps = m_waveIns[static_cast<size_t>(index)].caps;
    return true;
}

std::unique_ptr<MidiOutPort> Backend::createMidiOut(int index)
{
    if (index < 0 || index >= midiOutCount())
        return nullptr;
    const auto& entry = m_midiOuts[static_cast<size_t>(index)];
    return entry.provider->createMidiOut(entry.localIndex);
}

std::unique_ptr<MidiInPort> Backend::createMidiIn(int index)
{
    if (index < 0 || index >= midiInCount())
        return nullptr;
    const auto& entry = m_midiIns[static_cast<size_t>(index)];
    return entry.provider->createMidiIn(entry.localIndex);
}

std::unique_ptr<WaveOutDevice> Backend::createWaveOut(int index)
{
    if (index < 0 || index >= waveOutCount())
        return nullptr;
    const auto& entry = m_waveOuts[static_cast<size_t>(index)];
    return entry.provider->createWaveOut(entry.localIndex);
}

const DeviceProvider::SoundOutput* Backend::soundOutput(int index) const
{
    if (index < 0 || index >= soundOutputCount())
        return nullptr;
    return &m_soundOutputs[static_cast<size_t>(index)];
}

std::unique_ptr<WaveInDevice> Backend::createWaveIn(int index)
{
    if (index < 0 || index >= waveInCount())
        return nullptr;
    const auto& entry = m_waveIns[static_cast<size_t>(index)];
    return entry.provider->createWaveIn(entry.localIndex);
}

DeviceProvider* Backend::provider(std::string_view name) const
{
    for (const auto& p : m_providers)
        if (p->name() == name)
            return p.get();
    return nullptr;
}

}  // namespace plat::media
