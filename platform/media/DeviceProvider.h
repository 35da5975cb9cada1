#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MidiInPort.h"
#include "platform/media/MidiOutPort.h"
#include "platform/media/WaveInDevice.h"
#include "platform/media/WaveOutDevice.h"

#include <memory>
#include <string>
#include <vector>

namespace plat::media {

class AudioEngine;

// One family of devices (the software synthesizer, the sound system's ports, files, the
// memory devices of tests). Indices are the family's own, from 0; the backend puts the
// families one after the other. A family lists its devices once, when it is made, so the
// indices stay put while the program runs.
class PLATMEDIA_API DeviceProvider {
public:
    virtual ~DeviceProvider() = default;

    virtual std::string name() const = 0;

    virtual std::vector<MidiOutPort::Caps> midiOuts() const = 0;
    virtual std::vector<MidiInPort::Caps> midiIns() const = 0;
    virtual std::vector<WaveOutDevice::Caps> waveOuts() const = 0;
    virtual std::vector<WaveInDevice::Caps> waveIns() const = 0;

    // A new, closed device object for that index; null for an index the family lacks.
    virtual std::unique_ptr<MidiOutPort> createMidiOut(int index) = 0;
    virtual std::unique_ptr<MidiInPort> createMidiIn(int index) = 0;
    virtual std::unique_ptr<WaveOutDevice> createWaveOut(int index) = 0;
    virtual std::unique_ptr<WaveInDevice> createWaveIn(int index) = 0;

    // An audio engine of the family that sound buffers are mixed into: a sound output that
    // the wave players of the program reach, heard together with what else plays through it.
    struct SoundOutput {
        std::string name;
        std::shared_ptr<AudioEngine> engine;
    };
    // The family's sound outputs, in a stable order; none by default.
    virtual std::vector<SoundOutput> soundOutputs() const { return {}; }
};

}  // namespace plat::media
