#pragma once

#include "wavegate/WavegateExport.h"

#include <cstdint>
#include <list>

// Plain records and callback types that Wavegate shares with its clients.

// A wave device format: linear PCM as 18 bytes (tag, channels, rate, average rate, block
// alignment, bits per sample, size of extra bytes, which is always 0 here).
#pragma pack(push, 1)
struct WAVEGATE_API WG_DevFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};
#pragma pack(pop)
static_assert(sizeof(WG_DevFormat) == 18);

inline constexpr uint16_t WG_FORMAT_PCM = 1;

// Pan, volume and frequency of a wave player.
struct WAVEGATE_API WG_DSParams {
    int32_t pan = 0;
    int32_t volume = 0;
    int32_t frequency = 0;
};

// The wave playback parameters a client passes with a wave event. The file name and the
// player words hold addresses or handles, so they are pointer-sized.
struct WAVEGATE_API WG_WaveParams {
    int32_t tag = 0;           // the performance
    int32_t track = 0;
    WG_DSParams params;
    const char* fileName = nullptr;   // null: only the buffer parameters change
    uintptr_t player = 0;             // prepared player; the wave-start marker carries it
};

// What a device reports about itself. Names are UTF-8, cut to fit, always terminated.
struct WAVEGATE_API WG_DevCaps {
    uint16_t manufacturer = 0;
    uint16_t product = 0;
    uint32_t driverVersion = 0;
    char name[32] = {};
    uint16_t technology = 0;
    uint16_t voices = 0;
    uint16_t notes = 0;
    uint16_t channelMask = 0;
    uint32_t support = 0;
};

// A wave buffer: recorded by the wave input and handed to recording clients, or written to
// a wave file.
struct WAVEGATE_API WG_WaveHeader {
    uint8_t* data = nullptr;
    uint32_t bufferLength = 0;    // bytes at data
    uint32_t bytesRecorded = 0;   // bytes filled
    uintptr_t user = 0;
    uint32_t flags = 0;
};

// A place in a wave file: milliseconds, sample frames or bytes. The value is signed so that a
// seek from the current place or from the end can move back.
struct WAVEGATE_API WG_MMTime {
    uint32_t type = 0;
    int64_t value = 0;
};
inline constexpr uint32_t WG_TIME_MS = 1;
inline constexpr uint32_t WG_TIME_SAMPLES = 2;
inline constexpr uint32_t WG_TIME_BYTES = 4;

class CWGEventData;

// Called for each 100 ms slice (tagOrCode = the performance's tag; [from, to) in ms of play
// time) or, with a negative code, for an external sync command. Returns 0 to end the
// performance.
using WGPerformanceProc = int (*)(uintptr_t user, int tagOrCode, uint32_t from, uint32_t to);
// Called for each recorded event; the event is valid during the call only.
using WGRecordingProc = int (*)(uintptr_t user, int tag, CWGEventData* event);
// Called for every notification code (see CWGNotify).
using WGNotifyProc = void (*)(uintptr_t user, uint32_t code, uintptr_t p1, uintptr_t p2);
