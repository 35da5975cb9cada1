#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/DeviceProvider.h"
#include "platform/media/TimerService.h"

#include <string>
#include <string_view>

namespace plat::media {

// The "file" family: a wave input that records a WAV file as if it were a microphone (see
// FileWaveIn), listed when a capture file is named: by the setting "CaptureFile" of section
// "Settings" for the program, or given to the constructor.
class PLATMEDIA_API FileProvider final : public DeviceProvider {
public:
    static constexpr std::string_view kCaptureSection = "Settings";
    static constexpr std::string_view kCaptureValue = "CaptureFile";

    // The capture file the settings name, empty when none.
    static std::string captureFile();

    FileProvider(TimerService& timers, std::string captureFile);

    std::string name() const override { return "file"; }
    std::vector<MidiOutPort::Caps> midiOuts() const override { return {}; }
    std::vector<MidiInPort::Caps> midiIns() const override { return {}; }
    std::vector<WaveOutDevice::Caps> waveOuts() const override { return {}; }
    std::vector<WaveInDevice::Caps> waveIns() const override;
    std::unique_ptr<MidiOutPort> createMidiOut(int) override { return nullptr; }
    std::unique_ptr<MidiInPort> createMidiIn(int) override { return nullptr; }
    std::unique_ptr<WaveOutDevice> createWaveOut(int) override { return nullptr; }
    std::unique_ptr<WaveInDevice> createWaveIn(int index) override;

private:
    TimerService& m_timers;
    std::string m_captureFile;
};

}  // namespace plat::media
