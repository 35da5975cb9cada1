#include "rack/outside/plinthstore/MediaFileInfo.h"

#include "rack/outside/plinthtune/MidiFile.h"

#include "platform/core/RegularFile.h"
#include "platform/storage/RiffChunk.h"
#include "platform/storage/RiffFile.h"

#include <algorithm>
#include <iterator>
#include <limits>
#include <map>
#include <vector>

namespace rack {

namespace {

using plat::riff::fourcc;
using plat::riff::RiffChunk;
using plat::riff::RiffError;
using plat::riff::RiffFile;

constexpr uint32_t kWave = fourcc('W', 'A', 'V', 'E');
constexpr uint32_t kFmt = fourcc('f', 'm', 't', ' ');
constexpr uint32_t kData = fourcc('d', 'a', 't', 'a');

}  // namespace

int MediaFileInfo::fileType(const std::string& path)
{
    const std::optional<std::vector<uint8_t>> read = plat::RegularFile::readHead(path, 12);
    if (!read)
        return -1;
    const char* head = reinterpret_cast<const char*>(read->data());
    const size_t got = read->size();
    if (got >= 4 && std::equal(head, head + 4, "MThd"))
        return kObjMidi;
    if (got == 12 && std::equal(head, head + 4, "RIFF")) {
        if (std::equal(head + 8, head + 12, "WAVE"))
            return kObjWave;
        if (std::equal(head + 8, head + 12, "RMID"))
            return kObjMidi;
    }
    return -1;
}

bool MediaFileInfo::readWave(const std::string& path, WaveRecord& record)
{
    RiffFile file;
    if (!plat::RegularFile::isRegular(path) || file.openRead(path) != RiffError::None)
        return false;
    // The file is a RIFF WAVE form from its first byte, as fileType() tells it.
    RiffChunk form;
    form.formType = kWave;
    if (file.descend(form, nullptr, RiffFile::Find::Riff) != RiffError::None || form.dataOffset != 8)
        return false;
    RiffChunk fmt;
    fmt.id = kFmt;
    if (file.descend(fmt, &form, RiffFile::Find::Chunk) != RiffError::None || fmt.size < 16)
        return false;
    uint8_t bytes[16];
    if (file.readExact(bytes, sizeof bytes) != RiffError::None || file.ascend(fmt) != RiffError::None)
        return false;
    auto le16 = [&bytes](int at) { return uint16_t(bytes[at] | bytes[at + 1] << 8); };
    auto le32 = [&bytes](int at) {
        return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
               uint32_t(bytes[at + 3]) << 24;
    };
    const uint16_t tag = le16(0);
    const uint16_t channels = le16(2);
    const uint32_t rate = le32(4);
    const uint16_t bits = le16(14);
    if (tag != 1 || channels < 1 || channels > 2 || rate < 1000 || rate > 192000 || (bits != 8 && bits != 16))
        return false;
    // "data" may come before or after "fmt ".
    RiffChunk data;
    data.id = kData;
    if (file.seek(form.dataOffset + 4) != RiffError::None ||
        file.descend(data, &form, RiffFile::Find::Chunk) != RiffError::None)
        return false;
    const WaveFormat format = WaveFormat::pcm(rate, channels, bits);
    // Whole frames only: a file cut inside a frame loses that frame.
    const uint64_t samples = uint64_t{data.size} / format.blockAlign * channels;
    // The record counts the sound's place and its samples in 32 bits: a sound that starts or
    // runs beyond them (8-bit sound of more than 2 GiB) is not one the rack can play.
    if (data.dataOffset > uint64_t{std::numeric_limits<int32_t>::max()} ||
        samples > uint64_t{std::numeric_limits<int32_t>::max()})
        return false;
    record.setFormat(format);
    record.dataOffset = static_cast<int32_t>(data.dataOffset);
    record.length = static_cast<int32_t>(samples);
    return true;
}

std::optional<int32_t> MediaFileInfo::midiLengthTenths(const std::string& path)
{
    std::string error;
    const std::optional<MidiFile> file = MidiFile::read(path, error);
    if (!file)
        return std::nullopt;
    // The record holds 32-bit tenths (over six years): a longer file shows the most it can.
    const double tenths = file->lengthMs() / 100 + 0.5;
    return tenths >= double(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                  : static_cast<int32_t>(tenths);
}

}  // namespace rack
