#include "rack/outside/plinthstore/MediaFileInfo.h"

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
constexpr uint32_t kRmid = fourcc('R', 'M', 'I', 'D');
constexpr uint32_t kFmt = fourcc('f', 'm', 't', ' ');
constexpr uint32_t kData = fourcc('d', 'a', 't', 'a');
// The most of a MIDI file that is read.
constexpr size_t kMaxMidiFile = 16 << 20;

uint32_t be32(const uint8_t* at)
{
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

uint16_t be16(const uint8_t* at)
{
    return uint16_t(at[0] << 8 | at[1]);
}

// The bytes of a Standard MIDI File, taken out of a RIFF MIDI file when it is one.
std::optional<std::vector<uint8_t>> smfBytes(const std::string& path)
{
    std::optional<std::vector<uint8_t>> read = plat::RegularFile::readHead(path, kMaxMidiFile);
    if (!read)
        return std::nullopt;
    std::vector<uint8_t>& bytes = *read;
    if (bytes.size() >= 12 && std::equal(bytes.begin(), bytes.begin() + 4, "RIFF") &&
        std::equal(bytes.begin() + 8, bytes.begin() + 12, "RMID")) {
        // The "data" chunk of the RIFF form holds the Standard MIDI File.
        size_t at = 12;
        while (at + 8 <= bytes.size()) {
            const uint32_t size = uint32_t(bytes[at + 4]) | uint32_t(bytes[at + 5]) << 8 |
                                  uint32_t(bytes[at + 6]) << 16 | uint32_t(bytes[at + 7]) << 24;
            if (std::equal(bytes.begin() + long(at), bytes.begin() + long(at) + 4, "data")) {
                const size_t end = std::min(bytes.size(), at + 8 + size);
                return std::vector<uint8_t>(bytes.begin() + long(at) + 8, bytes.begin() + long(end));
            }
            // In 64 bits: a size near 4 GiB must not wrap the walk back onto itself.
            at += 8 + uint64_t(size) + (size & 1);
        }
        return std::nullopt;
    }
    return bytes;
}

// A variable-length number; false when it runs past end.
bool readVarLen(const std::vector<uint8_t>& bytes, size_t& at, size_t end, uint32_t& value)
{
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (at >= end)
            return false;
        const uint8_t byte = bytes[at++];
        value = (value << 7) | (byte & 0x7F);
        if ((byte & 0x80) == 0)
            return true;
    }
    return false;
}

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
    RiffChunk form;
    form.formType = kWave;
    if (file.descend(form, nullptr, RiffFile::Find::Riff) != RiffError::None)
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
    RiffChunk data;
    data.id = kData;
    if (file.descend(data, &form, RiffFile::Find::Chunk) != RiffError::None)
        return false;
    record.setFormat(WaveFormat::pcm(rate, channels, bits));
    record.dataOffset = static_cast<int32_t>(data.dataOffset);
    // Whole frames only: a file cut inside a frame loses that frame.
    const uint32_t frames = data.size / record.format.blockAlign;
    record.length = static_cast<int32_t>(frames * channels);
    return true;
}

std::optional<int32_t> MediaFileInfo::midiLengthTenths(const std::string& path)
{
    const std::optional<std::vector<uint8_t>> smf = smfBytes(path);
    if (!smf || smf->size() < 14 || !std::equal(smf->begin(), smf->begin() + 4, "MThd"))
        return std::nullopt;
    const std::vector<uint8_t>& bytes = *smf;
    const uint32_t headerSize = be32(&bytes[4]);
    const uint16_t tracks = be16(&bytes[10]);
    const uint16_t division = be16(&bytes[12]);
    if (headerSize < 6 || division == 0)
        return std::nullopt;
    // Tempo changes (tick -> microseconds per quarter) and the last tick of any track.
    std::map<uint64_t, uint32_t> tempos;
    uint64_t lastTick = 0;
    size_t at = 8 + headerSize;
    for (uint16_t track = 0; track < tracks && at + 8 <= bytes.size(); ++track) {
        if (!std::equal(bytes.begin() + long(at), bytes.begin() + long(at) + 4, "MTrk"))
            return std::nullopt;
        const size_t end = std::min(bytes.size(), at + 8 + be32(&bytes[at + 4]));
        size_t pos = at + 8;
        uint64_t tick = 0;
        uint8_t running = 0;
        while (pos < end) {
            uint32_t delta = 0;
            if (!readVarLen(bytes, pos, end, delta) || pos >= end)
                break;
            tick += delta;
            uint8_t status = bytes[pos];
            if (status < 0x80) {
                if (running == 0)
                    break;
                status = running;
            } else {
                ++pos;
            }
            if (status == 0xFF) {
                if (pos >= end)
                    break;
                const uint8_t type = bytes[pos++];
                uint32_t length = 0;
                if (!readVarLen(bytes, pos, end, length) || pos + length > end)
                    break;
                if (type == 0x51 && length == 3)
                    tempos[tick] = uint32_t(bytes[pos]) << 16 | uint32_t(bytes[pos + 1]) << 8 | bytes[pos + 2];
                pos += length;
                if (type == 0x2F)
                    break;
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t length = 0;
                if (!readVarLen(bytes, pos, end, length) || pos + length > end)
                    break;
                pos += length;
            } else {
                running = status;
                const uint8_t kind = status & 0xF0;
                pos += (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
            }
            lastTick = std::max(lastTick, tick);
        }
        at = end;
    }
    double seconds = 0;
    if (division & 0x8000) {
        // SMPTE time: frames per second and ticks per frame.
        const int fps = -int8_t(division >> 8);
        const int perFrame = division & 0xFF;
        if (fps <= 0 || perFrame <= 0)
            return std::nullopt;
        seconds = double(lastTick) / (fps * perFrame);
    } else {
        uint64_t tick = 0;
        uint32_t tempo = 500000;
        for (const auto& [at, next] : tempos) {
            if (at >= lastTick)
                break;
            seconds += double(at - tick) * tempo / (1e6 * division);
            tick = at;
            tempo = next;
        }
        seconds += double(lastTick - tick) * tempo / (1e6 * division);
    }
    // The record holds 32-bit tenths (over six years): a longer file shows the most it can.
    const double tenths = seconds * 10 + 0.5;
    return tenths >= double(std::numeric_limits<int32_t>::max()) ? std::numeric_limits<int32_t>::max()
                                                                  : static_cast<int32_t>(tenths);
}

}  // namespace rack
