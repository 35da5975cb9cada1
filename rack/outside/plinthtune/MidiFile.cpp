#include "rack/outside/plinthtune/MidiFile.h"

#include "platform/core/RegularFile.h"

#include <algorithm>
#include <map>
#include <utility>

namespace rack {

namespace {

uint32_t be32(const uint8_t* at)
{
    return uint32_t(at[0]) << 24 | uint32_t(at[1]) << 16 | uint32_t(at[2]) << 8 | at[3];
}

uint32_t le32(const uint8_t* at)
{
    return uint32_t(at[0]) | uint32_t(at[1]) << 8 | uint32_t(at[2]) << 16 | uint32_t(at[3]) << 24;
}

bool tagIs(const std::vector<uint8_t>& bytes, size_t at, const char* tag)
{
    return at + 4 <= bytes.size() && std::equal(bytes.begin() + long(at), bytes.begin() + long(at) + 4, tag);
}

// The Standard MIDI File inside a RIFF MIDI file ("RIFF" .. "RMID" with a "data" chunk).
std::optional<std::pair<size_t, size_t>> riffData(const std::vector<uint8_t>& bytes)
{
    uint64_t at = 12;
    while (at + 8 <= bytes.size()) {
        const uint32_t size = le32(&bytes[size_t(at) + 4]);
        if (tagIs(bytes, size_t(at), "data")) {
            if (at + 8 + size > bytes.size())
                return std::nullopt;
            return std::make_pair(size_t(at) + 8, size_t(at) + 8 + size);
        }
        // In 64 bits: a size near 4 GiB must not wrap the walk back onto itself.
        at += 8 + uint64_t(size) + (size & 1);
    }
    return std::nullopt;
}

// A variable-length number of at most four bytes; false when it runs past end.
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

struct TickEvent {
    uint64_t tick;
    uint32_t track;
    uint32_t order;
    uint32_t packed;
    uint32_t sysexIndex;
};

}  // namespace

std::optional<MidiFile> MidiFile::read(const std::string& path, std::string& error)
{
    if (!plat::RegularFile::isRegular(path)) {
        error = "not a file";
        return std::nullopt;
    }
    std::optional<plat::RegularFile> file = plat::RegularFile::open(path);
    if (!file) {
        error = "cannot be opened";
        return std::nullopt;
    }
    if (file->size() > kMaxFileBytes) {
        error = "too large";
        return std::nullopt;
    }
    std::optional<std::vector<uint8_t>> bytes = plat::RegularFile::readHead(path, kMaxFileBytes);
    if (!bytes) {
        error = "cannot be read";
        return std::nullopt;
    }
    return parse(*bytes, error);
}

std::optional<MidiFile> MidiFile::parse(const std::vector<uint8_t>& bytes, std::string& error)
{
    size_t begin = 0;
    size_t end = bytes.size();
    if (tagIs(bytes, 0, "RIFF")) {
        const auto data = tagIs(bytes, 8, "RMID") ? riffData(bytes) : std::nullopt;
        if (!data) {
            error = "a RIFF file without MIDI data";
            return std::nullopt;
        }
        std::tie(begin, end) = *data;
    }
    if (end - begin < 14 || !tagIs(bytes, begin, "MThd")) {
        error = "no MIDI file header";
        return std::nullopt;
    }
    const uint32_t headerSize = be32(&bytes[begin + 4]);
    const uint16_t tracks = uint16_t(bytes[begin + 10] << 8 | bytes[begin + 11]);
    const uint16_t division = uint16_t(bytes[begin + 12] << 8 | bytes[begin + 13]);
    if (headerSize < 6 || uint64_t(begin) + 8 + headerSize > end || division == 0) {
        error = "a damaged MIDI file header";
        return std::nullopt;
    }

    MidiFile file;
    std::vector<TickEvent> timed;
    std::map<uint64_t, uint32_t> tempos;  // tick -> microseconds per quarter; the last one at a tick wins
    uint64_t lastTick = 0;
    uint64_t at = uint64_t(begin) + 8 + headerSize;
    uint32_t order = 0;
    for (uint32_t track = 0; track < tracks && at + 8 <= end; ++track) {
        const uint64_t size = be32(&bytes[size_t(at) + 4]);
        if (at + 8 + size > end) {
            error = "a track runs past the end of the file";
            return std::nullopt;
        }
        if (!tagIs(bytes, size_t(at), "MTrk")) {
            // Chunks of other kinds are skipped and do not count as tracks.
            at += 8 + size;
            --track;
            continue;
        }
        size_t pos = size_t(at) + 8;
        const size_t trackEnd = size_t(at + 8 + size);
        uint64_t tick = 0;
        uint8_t running = 0;
        while (pos < trackEnd) {
            uint32_t delta = 0;
            if (!readVarLen(bytes, pos, trackEnd, delta) || pos >= trackEnd) {
                error = "a damaged track";
                return std::nullopt;
            }
            tick += delta;
            uint8_t status = bytes[pos];
            if (status < 0x80) {
                if (running == 0) {
                    error = "data without a status";
                    return std::nullopt;
                }
                status = running;
            } else {
                ++pos;
            }
            bool ended = false;
            if (status == 0xFF) {
                uint32_t length = 0;
                const uint8_t type = pos < trackEnd ? bytes[pos++] : 0;
                if (!readVarLen(bytes, pos, trackEnd, length) || length > trackEnd - pos) {
                    error = "a damaged meta event";
                    return std::nullopt;
                }
                if (type == 0x51 && length == 3)
                    tempos[tick] = uint32_t(bytes[pos]) << 16 | uint32_t(bytes[pos + 1]) << 8 | bytes[pos + 2];
                ended = type == 0x2F;
                pos += length;
                running = 0;
            } else if (status == 0xF0 || status == 0xF7) {
                uint32_t length = 0;
                if (!readVarLen(bytes, pos, trackEnd, length) || length > trackEnd - pos) {
                    error = "a damaged system-exclusive message";
                    return std::nullopt;
                }
                std::vector<uint8_t> message;
                if (status == 0xF0)
                    message.push_back(0xF0);
                message.insert(message.end(), bytes.begin() + long(pos), bytes.begin() + long(pos + length));
                pos += length;
                running = 0;
                if (!message.empty()) {
                    timed.push_back({tick, track, order++, 0, uint32_t(file.m_sysex.size())});
                    file.m_sysex.push_back(std::move(message));
                }
            } else if (status >= 0xF0) {
                error = "a system message that has no place in a file";
                return std::nullopt;
            } else {
                running = status;
                const size_t dataBytes = (status & 0xF0) == 0xC0 || (status & 0xF0) == 0xD0 ? 1 : 2;
                if (trackEnd - pos < dataBytes) {
                    error = "a message cut short";
                    return std::nullopt;
                }
                uint32_t packed = status | uint32_t(bytes[pos] & 0x7F) << 8;
                if (dataBytes == 2)
                    packed |= uint32_t(bytes[pos + 1] & 0x7F) << 16;
                pos += dataBytes;
                timed.push_back({tick, track, order++, packed, 0});
            }
            lastTick = std::max(lastTick, tick);
            if (ended)
                break;
        }
        at += 8 + size;
    }

    std::stable_sort(timed.begin(), timed.end(), [](const TickEvent& a, const TickEvent& b) {
        return a.tick != b.tick ? a.tick < b.tick : a.track < b.track;
    });
    // Ticks to milliseconds along the tempo changes.
    auto toMs = [&, tempoAt = tempos.begin(), baseTick = uint64_t(0), baseMs = 0.0,
                 tempo = uint32_t(500000)](uint64_t tick) mutable {
        if (division & 0x8000) {
            int fps = -int8_t(division >> 8);
            const double frames = fps == 29 ? 29.97 : double(fps);
            return fps > 0 ? double(tick) * 1000.0 / (frames * (division & 0xFF)) : 0.0;
        }
        while (tempoAt != tempos.end() && tempoAt->first <= tick) {
            baseMs += double(tempoAt->first - baseTick) * tempo / (1000.0 * division);
            baseTick = tempoAt->first;
            tempo = tempoAt->second;
            ++tempoAt;
        }
        return baseMs + double(tick - baseTick) * tempo / (1000.0 * division);
    };
    if ((division & 0x8000) && ((-int8_t(division >> 8)) <= 0 || (division & 0xFF) == 0)) {
        error = "a damaged time division";
        return std::nullopt;
    }
    file.m_events.reserve(timed.size());
    for (const TickEvent& event : timed)
        file.m_events.push_back({toMs(event.tick), event.packed, event.sysexIndex});
    file.m_lengthMs = toMs(lastTick);
    return file;
}

}  // namespace rack
