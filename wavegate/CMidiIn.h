#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/media/MidiInPort.h"
#include "wavegate/CWGDevice.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// A MIDI input: filters what the port delivers, echoes it to the thru output, hands it to
// the recording clients as records, and, while the device manager follows an external MIDI
// clock (sync mode 2), turns the clock's real-time bytes into the driver thread's messages.
//
// Filtering, thru and the clock run on the port's thread without locks (thru uses the
// immediate send, which takes none); records are made on the device thread, so a slow
// recording client never holds up the port. System-exclusive messages are recorded whole.
class WAVEGATE_API CMidiIn : public CWGDevice, private plat::media::MidiInPort::Events {
public:
    // Messages the port's callbacks post to the device thread: a short message (wParam the
    // message, lParam its time stamp), and a system-exclusive message waiting in the queue.
    static constexpr plat::MessageId WM_WG_MIDIINDATA = plat::kFirstPrivateMessage + 0x3C3;
    static constexpr plat::MessageId WM_WG_MIDIINLONGDATA = plat::kFirstPrivateMessage + 0x3C4;

    // What a Start or Continue byte leaves for the next clock byte to carry out.
    enum PendingStart : int { WG_PENDING_NONE = 0, WG_PENDING_START = 1, WG_PENDING_CONTINUE = 2 };

    explicit CMidiIn(int index = 0, CWGDeviceHost* host = nullptr);
    ~CMidiIn() override;

    // A failure is reported to host, when there is one.
    static int GetDeviceCaps(int index, WG_DevCaps* caps, CWGDeviceHost* host = nullptr);

    int GetPendingStart() const { return m_pendingStart; }

protected:
    int DevOpen() override;
    int DevStart() override;
    // A paused input is a stopped one.
    int DevPause() override;
    int DevStop() override;
    int DevClose() override;
    intptr_t WndProc(plat::MessageId msg, uintptr_t wParam, intptr_t lParam) override;

private:
    struct SysExInput {
        std::vector<uint8_t> bytes;
        uint32_t timeStamp;
    };

    void data(uint32_t packed, uint32_t msSinceStart) override;
    void longData(std::span<const uint8_t> bytes, uint32_t msSinceStart) override;

    // A real-time or system common byte of an external clock; false when the message is
    // not one of those and goes on to thru and recording.
    bool FilterSystemMessage(uint32_t msg, uint32_t timeStamp);
    void PlayThru(uint32_t msg) const;
    intptr_t OnMidiInData(uint32_t msg, uint32_t timeStamp);
    void OnMidiInLongData();
    // The input time stamp as recorded: in sync mode 2, moved back by how far playing
    // started after recording.
    uint32_t RecordTime(uint32_t timeStamp) const;
    // Calls the driver step of the port; reports code with the error when it fails.
    int PortStep(int (plat::media::MidiInPort::*step)(), uint32_t code);

    std::atomic<int> m_pendingStart = WG_PENDING_NONE;
    // The port's index, kept past a close for what the port delivered before it.
    std::atomic<int> m_portIndex = 0;

    // Guards the port against closing while another thread steps it.
    std::mutex m_portLock;
    std::unique_ptr<plat::media::MidiInPort> m_port;

    std::mutex m_sysExLock;
    std::deque<SysExInput> m_sysEx;
};
