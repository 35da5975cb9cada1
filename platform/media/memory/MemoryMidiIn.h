#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/MediaTime.h"
#include "platform/media/MidiInPort.h"
#include "platform/media/TimerService.h"

#include <cstdint>
#include <mutex>
#include <span>
#include <string>

namespace plat::media {

// A memory MIDI input as a test sees it: the test feeds messages, which reach the open
// port's client at once (on the feeding thread) while the port is started, stamped with
// the media clock's ms since start.
class PLATMEDIA_API MemoryMidiIn {
public:
    MemoryMidiIn(std::string name, TimerService& timers);
    MemoryMidiIn(const MemoryMidiIn&) = delete;
    MemoryMidiIn& operator=(const MemoryMidiIn&) = delete;

    const std::string& name() const { return m_name; }

    // False when no port is open and started.
    bool feed(uint32_t packed);
    bool feedSysEx(std::span<const uint8_t> bytes);

    // Every later open answers error (0 makes it succeed again).
    void setOpenFailure(int error);

    bool isOpen() const;
    bool isStarted() const;

    // For the port.
    int attach(MidiInPort::Events* events);
    void detach();
    void setStarted(bool started);

private:
    // Ms since the port started; the caller holds m_mutex.
    uint32_t sinceStartLocked() const;

    const std::string m_name;
    TimerService& m_timers;
    // Held while feeding, so a port that closes waits for a delivery in progress.
    mutable std::mutex m_mutex;
    MidiInPort::Events* m_events = nullptr;
    bool m_started = false;
    MediaTime m_start;
    int m_openFailure = 0;
};

}  // namespace plat::media
