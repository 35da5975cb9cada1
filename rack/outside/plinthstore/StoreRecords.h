#pragma once

#include "rack/outside/plinthstore/PlinthStoreExport.h"

#include "platform/media/PcmFormat.h"

#include <cstdint>
#include <string>

// The media objects of the rack and what identifies them.
namespace rack {

// Object kinds.
inline constexpr int kObjWave = 0;
inline constexpr int kObjMidi = 1;
inline constexpr int kObjCd = 2;

// The system command a registered deck is sent (posted) when objects of its kind change.
inline constexpr uint32_t kSysCommandMessage = 0x0112;
inline constexpr uintptr_t kObjectsChanged = 0xF290;

// A PCM wave format as a wave file's "fmt " chunk holds it (16 bytes).
struct PLINTHSTORE_API WaveFormat {
    uint16_t formatTag = 1;
    uint16_t channels = 2;
    uint32_t samplesPerSec = 44100;
    uint32_t avgBytesPerSec = 176400;
    uint16_t blockAlign = 4;
    uint16_t bitsPerSample = 16;

    // A PCM format with its derived fields filled in.
    static WaveFormat pcm(uint32_t rate, uint16_t channels, uint16_t bits);
    plat::media::PcmFormat toPcm() const { return plat::media::PcmFormat{channels, samplesPerSec, bitsPerSample}; }
    // 1 for 8-bit samples, 2 for more.
    int bytesPerSample() const { return bitsPerSample <= 8 ? 1 : 2; }
};

// One wave of the rack. Lengths and positions count single samples (a stereo frame holds
// two).
struct PLINTHSTORE_API WaveRecord {
    int32_t key = 0;
    std::string name;
    std::string path;
    WaveFormat format;
    int32_t dataOffset = 0;
    int32_t fullScale = 32767;  // 127 for 8-bit samples
    int32_t silence = 0;        // 128 for 8-bit samples
    int32_t length = 0;

    // Sets the format with its full-scale level and silence value.
    void setFormat(const WaveFormat& newFormat);
};

// One MIDI file of the rack.
struct PLINTHSTORE_API MidiRecord {
    int32_t key = 0;
    std::string path;
    int32_t lengthTenths = 0;
};

}  // namespace rack
