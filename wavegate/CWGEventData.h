#pragma once

#include "wavegate/WavegateExport.h"

#include "wavegate/WGTypes.h"

#include <cstdint>
#include <list>
#include <memory>

// One timed item travelling between clients and the devices: a short MIDI message, a
// system-exclusive message, wave parameters, a recorded wave buffer, a wave-start marker or
// a file meta value. A record owns its system-exclusive bytes and its wave parameter block,
// so it can be moved but not copied: two records never free the same block.
class WAVEGATE_API CWGEventData {
public:
    enum Type : int {
        WG_EVENT_NONE = 0,
        WG_EVENT_MIDI = 1,
        WG_EVENT_SYSEX = 2,
        WG_EVENT_WAVEPARAMS = 3,
        WG_EVENT_WAVEHEADER = 4,
        WG_EVENT_WAVESTART = 5,
        WG_EVENT_FILEMETA = 6,
    };

    // The longest system-exclusive message a MIDI stream event can carry.
    static constexpr uint32_t kMaxSysExBytes = 0xFFFFFF;

    CWGEventData() = default;
    ~CWGEventData();
    CWGEventData(const CWGEventData&) = delete;
    CWGEventData& operator=(const CWGEventData&) = delete;
    CWGEventData(CWGEventData&& other) noexcept;
    CWGEventData& operator=(CWGEventData&& other) noexcept;

    void SetMidiData(uint32_t msg);
    // Keeps a copy of the bytes. n = 0 (or more than kMaxSysExBytes, or no bytes) changes
    // nothing.
    void SetSysExData(const uint8_t* bytes, uint32_t n);
    // Takes the block, which must come from new, and keeps its own copy of the file name it
    // names (the block then points at the copy): the element the name came from may go before
    // the record is played.
    void SetWaveData(WG_WaveParams* params);
    // The header stays its owner's.
    void SetWaveHeader(WG_WaveHeader* header);
    // Reads the marker value from the block, which stays its owner's.
    void SetWaveStart(const WG_WaveParams* params);
    void SetFileMeta(uintptr_t value);
    // Sets the device and replaces the channel nibble of the message.
    void SetDevChan(int device, int channel);
    void SetDevice(int device) { this->device = device; }
    void SetTimeStamp(uint32_t time) { this->time = time; }

    const uint8_t* GetSysExData() const;
    WG_WaveParams* GetWaveParams() const;
    WG_WaveHeader* GetWaveHeader() const;

    // A new record of type 2 with its own copy of these bytes, for device.
    std::unique_ptr<CWGEventData> CopySysEx(int device) const;

    int type = WG_EVENT_NONE;
    uint32_t time = 0;         // ms of play time (output) or of input time (recording)
    int device = 0;
    uint32_t size = 0;         // 32-bit words the event takes in a MIDI stream beyond its three
    uintptr_t data = 0;        // the message, an owned or borrowed block, or a value
    uintptr_t length = 0;      // system-exclusive byte count, or the marker value

private:
    // Frees the block the record owns, if any.
    void FreeData();

    std::unique_ptr<char[]> m_fileName;   // the wave block's file name
};

// A time-ordered list of records that owns them.
using CWGEventList = std::list<std::unique_ptr<CWGEventData>>;
