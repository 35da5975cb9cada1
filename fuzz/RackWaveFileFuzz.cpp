// Reads any bytes as rackplayer reads a file put on its wave play list: typed by its head, then
// read as a PCM wave of 8 or 16 bits. A wave taken must be one the rack can play: one or two
// channels, 8 or 16 bits, a rate the rack plays, and a sound of whole frames that lies inside
// the file's bytes, counted without overflow.

#include "fuzz/FuzzTempFolder.h"
#include "rack/outside/plinthstore/MediaFileInfo.h"

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = (FuzzTempFolder::Path() / "fuzz.wav").string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    const int type = rack::MediaFileInfo::fileType(path);
    rack::WaveRecord wave;
    if (!rack::MediaFileInfo::readWave(path, wave))
        return 0;
    if (type != rack::kObjWave)
        std::abort();
    const rack::WaveFormat& format = wave.format;
    if (format.formatTag != 1 || format.channels < 1 || format.channels > 2 ||
        (format.bitsPerSample != 8 && format.bitsPerSample != 16) || format.samplesPerSec < 1000 ||
        format.samplesPerSec > 192000 || format.blockAlign != format.channels * format.bytesPerSample() ||
        format.avgBytesPerSec != format.samplesPerSec * format.blockAlign)
        std::abort();
    if (wave.dataOffset < 12 || wave.length < 0 || wave.length % format.channels != 0)
        std::abort();
    const uint64_t bytes = uint64_t(wave.length) * uint64_t(format.bytesPerSample());
    if (uint64_t(wave.dataOffset) > size || bytes > size - uint64_t(wave.dataOffset))
        std::abort();
    if (wave.silence != (format.bitsPerSample == 8 ? 128 : 0) ||
        wave.fullScale != (format.bitsPerSample == 8 ? 127 : 32767))
        std::abort();
    return 0;
}
