#pragma once

#include "wavegate/WavegateExport.h"

#include "wavegate/CWaveFile.h"

#include <cstdint>

// Reads the sound of a RIFF WAVE file: "fmt " and "data" in any order among other chunks, a
// format chunk of 16 or 18 bytes or an extensible one, a data chunk cut short by the end of
// the file (read up to its last whole frame).
class WAVEGATE_API CWaveFileRead : public CWaveFile {
public:
    explicit CWaveFileRead(CWGDeviceHost* host = nullptr) : CWaveFile(host) {}

    // Copies up to n bytes of sound into buffer and fills the rest of the n with silence;
    // returns the bytes copied (0 at the end of the sound, -1 on a read error, 0 when not
    // open).
    int Read(uint8_t* buffer, int n);
    // Moves to time (ms, frames or bytes) from the start of the sound (origin 0), the
    // current place (1) or the end (2; the time is then 0 or negative). A place outside the
    // sound fails with code 602, moves to the start and answers 0.
    int Seek(const WG_MMTime* time, int origin);

    // The byte that is silence in this file's format.
    uint8_t SilenceByte() const;

protected:
    int DevOpen() override;
};
