#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/Event.h"
#include "platform/media/MidiOutPort.h"
#include "wavegate/CMidiStreamBuffer.h"
#include "wavegate/CWGDevice.h"

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>

// A MIDI output: plays each slice as one stream block at 1 ms per tick, plays immediate
// messages and timed test notes, turns wave-start markers into start signals, and, as the
// device manager's timing device, polls the performances each time a block comes back.
class WAVEGATE_API CMidiOut : public CWGDevice, private plat::media::MidiOutPort::Events {
public:
    enum Flags : uint8_t {
        WG_PRIMED = 0x01,    // open, not yet started: slices are accepted and wait
        WG_RUNNING = 0x02,
    };

    // Messages the port's callbacks post to the device thread.
    static constexpr plat::MessageId WM_WG_BUFFERDONE = plat::kFirstPrivateMessage + 0x3C9;
    static constexpr plat::MessageId WM_WG_UNDERRUN = plat::kFirstPrivateMessage + 0x3CA;
    // Posted by the device manager when this output starts or stops driving the clock: the
    // device thread then runs at a raised priority, or at normal priority again.
    static constexpr plat::MessageId WM_WG_PRIORITY_HIGH = 0x3088;
    static constexpr plat::MessageId WM_WG_PRIORITY_NORMAL = 0x3089;

    explicit CMidiOut(int index = 0, CWGDeviceHost* host = nullptr);
    ~CMidiOut() override;

    // A failure is reported to host, when there is one.
    static int GetDeviceCaps(int index, WG_DevCaps* caps, CWGDeviceHost* host = nullptr);

    int PlayData(CWGEventList& list, uint32_t from, uint32_t to) override;
    int PlayMidi(uint32_t msg);
    // Sends the note-on now and its note-off after durationMs. Each note keeps its own
    // timer, so a note started while another sounds still lasts its whole duration.
    int PlayNote(uint32_t noteOn, uint32_t durationMs);
    // Sends a system-exclusive message now.
    int PlaySysEx(const uint8_t* bytes, int length);

    uint8_t GetFlags() const { return m_flags; }
    int GetBuffersOut() const { return m_buffersOut; }

protected:
    int DevOpen() override;
    int DevStart() override;
    int DevPause() override;
    int DevStop() override;
    int DevClose() override;
    intptr_t WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam) override;

private:
    void done(uintptr_t user) override;
    void marker(uintptr_t user, size_t wordOffset) override;
    void underrun(uintptr_t user, uint32_t lateMs) override;

    int SendBuffer(std::unique_ptr<CMidiStreamBuffer> buffer);
    void FinishBuffer(uintptr_t user);
    // As the timing device: the polls that keep this output a full latency ahead.
    void PollAsTimingDevice();
    // Sends the note-off of the timed note key (velocity 0) and forgets it.
    void TurnOffNote(uint64_t key);

    std::atomic<uint8_t> m_flags = 0;
    std::atomic<int> m_buffersOut = 0;
    plat::Event m_allDoneEvent{true, false};

    // Guards the port against closing while another thread sends on it.
    mutable std::mutex m_portLock;
    std::unique_ptr<plat::media::MidiOutPort> m_port;

    std::mutex m_bufferLock;
    std::list<std::unique_ptr<CMidiStreamBuffer>> m_buffers;

    // A timed note: the timer that ends it and its note-on.
    struct TimedNote {
        uint32_t timer = 0;
        uint32_t noteOn = 0;
    };
    std::mutex m_noteLock;
    uint64_t m_nextNoteKey = 0;
    std::map<uint64_t, TimedNote> m_timedNotes;
};
