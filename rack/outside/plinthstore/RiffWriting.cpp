#include "rack/outside/plinthstore/RiffWriting.h"

#include "platform/storage/RiffFile.h"

#include <algorithm>
#include <cstring>

namespace rack {

namespace {

void put16(uint8_t* at, uint16_t value)
{
    at[0] = uint8_t(value);
    at[1] = uint8_t(value >> 8);
}

void put32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = uint8_t(value >> (8 * i));
}

// A four-character code, padded with blanks.
void putId(uint8_t* at, std::string_view id)
{
    for (size_t i = 0; i < 4; ++i)
        at[i] = i < id.size() ? uint8_t(id[i]) : uint8_t(' ');
}

int write(plat::riff::RiffFile& file, const uint8_t* bytes, size_t size)
{
    return file.write(bytes, size) == plat::riff::RiffError::None ? 0 : -1;
}

int32_t duration(const WaveFormat& format, int64_t samples, int64_t unitsPerSecond)
{
    const int64_t perSecond = int64_t(format.samplesPerSec) * std::max<int64_t>(format.channels, 1);
    if (perSecond <= 0 || samples <= 0)
        return 0;
    return static_cast<int32_t>(samples * unitsPerSecond / perSecond);
}

}  // namespace

int riff_WriteProof(plat::riff::RiffFile& file, uint32_t formSize, std::string_view formType)
{
    uint8_t bytes[12];
    putId(bytes, "RIFF");
    put32(bytes + 4, formSize);
    putId(bytes + 8, formType);
    return write(file, bytes, sizeof bytes);
}

int riff_WriteFormat(plat::riff::RiffFile& file, const WaveFormat& format, int)
{
    uint8_t bytes[24];
    putId(bytes, "fmt ");
    put32(bytes + 4, 16);
    put16(bytes + 8, format.formatTag);
    put16(bytes + 10, format.channels);
    put32(bytes + 12, format.samplesPerSec);
    put32(bytes + 16, format.avgBytesPerSec);
    put16(bytes + 20, format.blockAlign);
    put16(bytes + 22, format.bitsPerSample);
    return write(file, bytes, sizeof bytes);
}

int riff_WriteHeader(plat::riff::RiffFile& file, std::string_view id, uint32_t size)
{
    uint8_t bytes[8];
    putId(bytes, id);
    put32(bytes + 4, size);
    return write(file, bytes, sizeof bytes);
}

int32_t units_SAMPLES_TO_TENTHS(const WaveFormat& format, int64_t samples)
{
    return duration(format, samples, 10);
}

int32_t units_SAMPLES_TO_MS(const WaveFormat& format, int64_t samples)
{
    return duration(format, samples, 1000);
}

}  // namespace rack
