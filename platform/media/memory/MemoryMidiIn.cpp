#include "platform/media/memory/MemoryMidiIn.h"

#include "platform/media/MediaError.h"

namespace plat::media {

MemoryMidiIn::MemoryMidiIn(std::string name, TimerService& timers) : m_name(std::move(name)), m_timers(timers) {}

uint32_t MemoryMidiIn::sinceStartLocked() const
{
    return static_cast<uint32_t>(m_timers.clock().now() - m_start);
}

bool MemoryMidiIn::feed(uint32_t packed)
{
    std::lock_guard lock(m_mutex);
    if (!m_events || !m_started)
        return false;
    m_events->data(packed, sinceStartLocked());
    return true;
}

bool MemoryMidiIn::feedSysEx(std::span<const uint8_t> bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_events || !m_started || bytes.empty())
        return false;
    m_events->longData(bytes, sinceStartLocked());
    return true;
}

void MemoryMidiIn::setOpenFailure(int error)
{
    std::lock_guard lock(m_mutex);
    m_openFailure = error;
}

bool MemoryMidiIn::isOpen() const
{
    std::lock_guard lock(m_mutex);
    return m_events != nullptr;
}

bool MemoryMidiIn::isStarted() const
{
    std::lock_guard lock(m_mutex);
    return m_started;
}

int MemoryMidiIn::attach(MidiInPort::Events* events)
{
    std::lock_guard lock(m_mutex);
    if (m_openFailure)
        return m_openFailure;
    if (m_events)
        return kErrorAllocated;
    m_events = events;
    m_started = false;
    return kOk;
}

void MemoryMidiIn::detach()
{
    std::lock_guard lock(m_mutex);
    m_events = nullptr;
    m_started = false;
}

void MemoryMidiIn::setStarted(bool started)
{
    std::lock_guard lock(m_mutex);
    if (started && !m_started)
        m_start = m_timers.clock().now();
    m_started = started;
}

}  // namespace plat::media
