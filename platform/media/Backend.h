#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/DeviceProvider.h"
#include "platform/media/TimerService.h"

#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace plat::media {

class BeepSource;

// The media devices of the process: the device families chosen for it, their devices in
// one stable order per kind (the first family's devices first), and the media clock and
// timers every device and client keeps time by.
//
// The process has one, made on first use from the selection: a comma-separated list of
// family names taken from the environment variable QUAVIX_MEDIA (for tests and headless
// runs), else from the setting "MediaDevices" of section "Settings", else the default list:
// "synth" (Quavix Synth, playing through the machine's default sound output), "alsa" (the
// machine's MIDI ports, recording device and a wave output through its default sound output, over
// the same engine as the synthesizer), "memory" (test devices). Names of families this
// build does not have are named in the trace and skipped; a selection without any output
// device is said once in the trace. When the setting "PlaybackFile" of section "Settings"
// names a file, what the synthesizer and the wave outputs play goes into that WAV file
// instead of the sound output (for rendering a piece, and for tests of the whole program).
// Tests install their own backend (memory devices on a
// manual clock) before anything uses the devices.
class PLATMEDIA_API Backend {
public:
    Backend(std::unique_ptr<TimerService> timers, std::vector<std::unique_ptr<DeviceProvider>> providers);
    ~Backend();
    Backend(const Backend&) = delete;
    Backend& operator=(const Backend&) = delete;

    // The process's backend.
    static Backend& instance();
    // Replaces the process's backend and returns the previous one (null if none was made).
    // Nothing may hold devices of the previous one.
    static std::unique_ptr<Backend> install(std::unique_ptr<Backend> backend);

    // The families named by QUAVIX_MEDIA, by the setting, or the default list.
    static std::string selection();
    static constexpr std::string_view kDefaultSelection = "synth,alsa";
    static constexpr std::string_view kSelectionSection = "Settings";
    static constexpr std::string_view kSelectionValue = "MediaDevices";
    static constexpr std::string_view kPlaybackFileValue = "PlaybackFile";
    // The WAV file the setting names for playback, empty when the sound output plays.
    static std::string playbackFile();
    // A backend of the named families on the real clock.
    static std::unique_ptr<Backend> fromSelection(std::string_view names);

    TimerService& timers() { return *m_timers; }
    const Clock& clock() const { return m_timers->clock(); }
    uint32_t nowMs() const { return m_timers->clock().nowMs(); }

    int midiOutCount() const { return static_cast<int>(m_midiOuts.size()); }
    int midiInCount() const { return static_cast<int>(m_midiIns.size()); }
    int waveOutCount() const { return static_cast<int>(m_waveOuts.size()); }
    int waveInCount() const { return static_cast<int>(m_waveIns.size()); }

    // False for an index outside 0 .. count - 1.
    bool midiOutCaps(int index, MidiOutPort::Caps& caps) const;
    bool midiInCaps(int index, MidiInPort::Caps& caps) const;
    bool waveOutCaps(int index, WaveOutDevice::Caps& caps) const;
    bool waveInCaps(int index, WaveInDevice::Caps& caps) const;

    // A new, closed device object; null for an index outside 0 .. count - 1.
    std::unique_ptr<MidiOutPort> createMidiOut(int index);
    std::unique_ptr<MidiInPort> createMidiIn(int index);
    std::unique_ptr<WaveOutDevice> createWaveOut(int index);
    std::unique_ptr<WaveInDevice> createWaveIn(int index);

    // The sound outputs of the families, the first family's first.
    int soundOutputCount() const { return static_cast<int>(m_soundOutputs.size()); }
    // Null for an index outside 0 .. count - 1.
    const DeviceProvider::SoundOutput* soundOutput(int index) const;

    // The family of that name, or null.
    DeviceProvider* provider(std::string_view name) const;

    // Sounds the system's beep now through the first sound output; nothing without one.
    // Callable from any thread.
    void beep();

private:
    template <class Caps>
    struct Entry {
        DeviceProvider* provider;
        int localIndex;
        Caps caps;
    };

    std::unique_ptr<TimerService> m_timers;
    std::vector<std::unique_ptr<DeviceProvider>> m_providers;
    std::vector<Entry<MidiOutPort::Caps>> m_midiOuts;
    std::vector<Entry<MidiInPort::Caps>> m_midiIns;
    std::vector<Entry<WaveOutDevice::Caps>> m_waveOuts;
    std::vector<Entry<WaveInDevice::Caps>> m_waveIns;
    std::vector<DeviceProvider::SoundOutput> m_soundOutputs;
    std::mutex m_beepMutex;
    // Made and added to the engine at the first beep; taken off it before the families go.
    std::unique_ptr<BeepSource> m_beep;
};

}  // namespace plat::media
