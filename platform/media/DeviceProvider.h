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
};

}  // namespace plat::media
