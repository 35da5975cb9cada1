#pragma once

#include "wavegate/WavegateExport.h"

#include "wavegate/CWaveFile.h"

// Writes a RIFF WAVE file: an 18-byte "fmt " chunk (the stored format, or 22050 Hz mono
// 16-bit) followed by the "data" chunk. The chunk sizes are written when it closes.
class WAVEGATE_API CWaveFileWrite : public CWaveFile {
public:
    explicit CWaveFileWrite(CWGDeviceHost* host = nullptr) : CWaveFile(host) {}
    ~CWaveFileWrite() override;

    // Appends the recorded bytes of header; the count written, 0 when not open or there is
    // nothing to write, or -1 on a write error (code 613).
    long Write(const WG_WaveHeader* header);

protected:
    int DevOpen() override;
    int DevClose() override;
};
