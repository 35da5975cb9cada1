#include "platform/media/memory/MemoryProvider.h"

#include "platform/media/memory/MemoryMidiInPort.h"
#include "platform/media/memory/MemoryMidiOutPort.h"

#include <string>

namespace plat::media {

MemoryProvider::MemoryProvider(TimerService& timers, int midiOuts, int midiIns) : m_timers(timers)
{
    for (int i = 0; i < midiOuts; ++i)
        m_midiOuts.push_back(std::make_unique<MemoryMidiOut>("Memory MIDI Out " + std::to_string(i + 1)));
    for (int i = 0; i < midiIns; ++i)
        m_midiIns.push_back(std::make_unique<MemoryMidiIn>("Memory MIDI In " + std::to_string(i + 1), timers));
}

MemoryProvider::~MemoryProvider() = default;

std::vector<MidiOutPort::Caps> MemoryProvider::midiOuts() const
{
    std::vector<MidiOutPort::Caps> list;
    for (const auto& device : m_midiOuts) {
        MidiOutPort::Caps caps;
        caps.name = device->name();
        caps.technology = 1;  // a port
        list.push_back(std::move(caps));
    }
    return list;
}

std::vector<MidiInPort::Caps> MemoryProvider::midiIns() const
{
    std::vector<MidiInPort::Caps> list;
    for (const auto& device : m_midiIns) {
        MidiInPort::Caps caps;
        caps.name = device->name();
        list.push_back(std::move(caps));
    }
    return list;
}

std::unique_ptr<MidiOutPort> MemoryProvider::createMidiOut(int index)
{
    if (index < 0 || index >= static_cast<int>(m_midiOuts.size()))
        return nullptr;
    return std::make_unique<MemoryMidiOutPort>(*m_midiOuts[static_cast<size_t>(index)], m_timers);
}

std::unique_ptr<MidiInPort> MemoryProvider::createMidiIn(int index)
{
    if (index < 0 || index >= static_cast<int>(m_midiIns.size()))
        return nullptr;
    return std::make_unique<MemoryMidiInPort>(*m_midiIns[static_cast<size_t>(index)]);
}

}  // namespace plat::media
