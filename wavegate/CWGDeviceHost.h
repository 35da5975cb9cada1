#pragma once

#include "wavegate/WavegateExport.h"

#include "platform/core/MessageWindow.h"
#include "platform/media/MediaTime.h"

#include <cstdint>
#include <optional>

class CWGDevice;
class CWGEventData;
class CWGStartSignals;

// What a device needs of the device manager that made it, handed to the device at its
// creation: the manager outlives its devices. A device made without one (a test's device,
// used alone) reports to nobody, is never the timing device and runs in sync mode 0.
class WAVEGATE_API CWGDeviceHost {
public:
    // Reports a device failure (the notification codes of CWGNotify).
    virtual void Notify(uint32_t code, uintptr_t p1, uintptr_t p2) = 0;
    virtual uint32_t GetSyncMode() const = 0;
    virtual int GetPrefetchBufferCount() const = 0;
    virtual bool IsTimingDevice(const CWGDevice* device) const = 0;
    // The poll of a returned block of the timing device; false when device is not (or no
    // longer) the timing device or the poll was skipped.
    virtual bool PollForTimingDevice(const CWGDevice* device) = 0;
    // Where wave-start markers find their players.
    virtual CWGStartSignals& GetStartSignals() = 0;
    // Hands recorded input to the recording clients.
    virtual void ForwardRecordedData(CWGEventData* event) = 0;
    // The clock millisecond at which play time 0 falls, while a play runs: a MIDI stream
    // that starts from its time 0 puts that time there.
    virtual std::optional<plat::media::MediaTime> GetPlayStart() const = 0;

    // What a MIDI input needs: the thru settings and the immediate send they play on, the
    // driver window that takes the external clock's messages, and how
    // far playing started after recording (ms, negative when before).
    virtual int MidiThruEnabled() const = 0;
    virtual int GetMidiThruDevice() const = 0;
    virtual int GetMidiThruChannel() const = 0;
    virtual void SendMidiMsg(int device, uint32_t msg, int queued) = 0;
    virtual plat::WindowRef GetDriverWindow() const = 0;
    virtual int32_t GetPlayStartOffset() const = 0;

protected:
    ~CWGDeviceHost() = default;
};
