// Reads any bytes as a wave file, as the program's wave tracks and its wave import do: the file
// is measured (FileDuration, FileFormat), opened, read to its end in uneven blocks and sought in.
// A refused file says why once and keeps no format; an opened one has a format that says how to
// play it, a sound that lies inside the file's bytes and is read as those bytes exactly, and
// every seek lands inside the sound or fails back to its start.

#include "fuzz/FuzzTempFolder.h"
#include "wavegate/CWaveFileRead.h"
#include "wavegate/tests/WaveFileImage.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// The reader with where its sound starts in the file.
class Reader : public CWaveFileRead {
public:
    using CWaveFileRead::CWaveFileRead;
    uint64_t DataOffset() const { return m_dataChunk.dataOffset; }
};

int64_t Signed(const uint8_t* data, size_t size, size_t at)
{
    // Times from the file's own last bytes, so the fuzzer steers them.
    int64_t value = 0;
    for (size_t i = 0; i < 8 && at + i < size; ++i)
        value |= int64_t{data[at + i]} << (8 * i);
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = (FuzzTempFolder::Path() / "fuzz.wav").string();
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), std::streamsize(size));
    }
    const long duration = CWaveFile::FileDuration(path.c_str());
    WG_DevFormat measured{};
    measured.channels = 0x5A5A;
    const int readable = CWaveFile::FileFormat(path.c_str(), measured);
    if (!readable && (duration != 0 || measured.channels != 0x5A5A))
        std::abort();

    RecordingHost host;
    Reader reader(&host);
    reader.SetFilename(path.c_str());
    if (!reader.Open(0)) {
        // Refused: said once, with a code of the file family, and no format kept.
        if (readable || host.codes.size() != 1 || host.codes[0] < 600 || host.codes[0] > 605 || reader.GetFormat())
            std::abort();
        return 0;
    }
    const WG_DevFormat* format = reader.GetFormat();
    if (!readable || !format || !host.codes.empty() || std::memcmp(format, &measured, sizeof measured) != 0)
        std::abort();
    // A format that says how to play it: channels, a rate and the bytes of a frame.
    if (format->channels == 0 || format->samplesPerSec == 0 || format->blockAlign == 0)
        std::abort();
    if (reader.GetDuration() != duration || duration < 0)
        std::abort();
    const uint64_t offset = reader.DataOffset();
    const uint32_t dataSize = reader.GetDataSize();
    if (offset > size || dataSize > size - offset || dataSize % format->blockAlign != 0)
        std::abort();

    // Read to the end in blocks of uneven sizes: exactly the file's bytes, then silence.
    const uint8_t silence = reader.SilenceByte();
    std::vector<uint8_t> block(4099);
    uint64_t at = 0;
    for (int turn = 0;; ++turn) {
        const int wanted = 1 + (turn * 977) % 4099;
        std::fill(block.begin(), block.end(), uint8_t(~silence));
        const int got = reader.Read(block.data(), wanted);
        if (got < 0 || got > wanted || reader.GetFilePosition() != at + uint64_t(got))
            std::abort();
        if (got && std::memcmp(block.data(), data + offset + at, size_t(got)) != 0)
            std::abort();
        if (std::count(block.begin() + got, block.begin() + wanted, silence) != wanted - got)
            std::abort();
        at += uint64_t(got);
        if (got == 0)
            break;
    }
    if (at != dataSize)
        std::abort();

    // Seeks of times the bytes choose: inside the sound, or back at its start.
    for (uint32_t type : {WG_TIME_MS, WG_TIME_SAMPLES, WG_TIME_BYTES}) {
        for (int origin = 0; origin < 3; ++origin) {
            const WG_MMTime time{type, Signed(data, size, size >= 8 ? size - 8 : 0) >> (origin * 8)};
            const int moved = reader.Seek(&time, origin);
            const uint32_t position = reader.GetFilePosition();
            if (moved ? position >= dataSize : position != 0)
                std::abort();
            uint8_t one = 0;
            if (reader.Read(&one, 1) == 1 && one != data[offset + position])
                std::abort();
        }
    }
    reader.Close();
    return 0;
}
