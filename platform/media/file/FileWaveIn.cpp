#include "platform/media/file/FileWaveIn.h"

#include "platform/media/MediaError.h"

#include <algorithm>
#include <utility>
#include <cstring>
#include <vector>

namespace plat::media {

namespace {

using riff::RiffChunk;
using riff::RiffError;
using riff::RiffFile;

uint16_t u16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t u32(const uint8_t* p) { return static_cast<uint32_t>(u16(p)) | static_cast<uint32_t>(u16(p + 2)) << 16; }

// Finds the format and the sound of a PCM WAV file; the file is left at the first byte of
// the sound.
bool findSound(RiffFile& file, PcmFormat& format, RiffChunk& data)
{
    RiffChunk riff;
    riff.formType = riff::fourcc('W', 'A', 'V', 'E');
    if (file.seek(0) != RiffError::None || file.descend(riff, nullptr, RiffFile::Find::Riff) != RiffError::None)
        return false;
    RiffChunk fmt;
    fmt.id = riff::fourcc('f', 'm', 't', ' ');
    uint8_t bytes[16];
    if (file.descend(fmt, &riff, RiffFile::Find::Chunk) != RiffError::None || fmt.size < sizeof bytes ||
        file.readExact(bytes, sizeof bytes) != RiffError::None)
        return false;
    const uint16_t tag = u16(bytes);
    format.channels = u16(bytes + 2);
    format.samplesPerSec = u32(bytes + 4);
    format.bitsPerSample = u16(bytes + 14);
    if ((tag != 1 && tag != 0xFFFE) || format.channels == 0 || format.samplesPerSec == 0 ||
        format.bitsPerSample == 0 || format.bitsPerSample % 8 != 0)
        return false;
    data.id = riff::fourcc('d', 'a', 't', 'a');
    return file.seek(riff.dataOffset + 4) == RiffError::None &&
           file.descend(data, &riff, RiffFile::Find::Chunk) == RiffError::None;
}

}  // namespace

FileWaveIn::FileWaveIn(TimerService& timers, std::string path) : m_timers(timers), m_path(std::move(path)) {}

FileWaveIn::~FileWaveIn()
{
    close();
}

bool FileWaveIn::readFormat(const std::string& path, PcmFormat& format)
{
    RiffFile file;
    RiffChunk data;
    return file.openRead(path) == RiffError::None && findSound(file, format, data);
}

int FileWaveIn::open(const PcmFormat& format, Events* events)
{
    std::lock_guard lock(m_mutex);
    if (m_open)
        return kErrorAllocated;
    if (m_file.openRead(m_path) != RiffError::None)
        return kErrorNoDriver;
    PcmFormat own;
    RiffChunk data;
    if (!findSound(m_file, own, data)) {
        m_file.close();
        return kErrorBadFormat;
    }
    // Only the file's own format: a microphone of that format.
    if (own.channels != format.channels || own.samplesPerSec != format.samplesPerSec ||
        own.bitsPerSample != format.bitsPerSample) {
        m_file.close();
        return kErrorBadFormat;
    }
    m_lane = m_timers.createLane("file capture");
    m_format = own;
    m_dataEnd = data.end();
    m_events = events;
    m_open = true;
    return kOk;
}

int FileWaveIn::add(std::span<uint8_t> buffer, uintptr_t user)
{
    {
        std::lock_guard lock(m_mutex);
        if (!m_open)
            return kErrorInvalidHandle;
        if (buffer.empty())
            return kErrorInvalidParam;
        m_buffers.push_back({buffer, user, 0});
        if (m_running && !m_timer)
            arm();
    }
    return kOk;
}

int FileWaveIn::start()
{
    std::lock_guard lock(m_mutex);
    if (!m_open)
        return kErrorInvalidHandle;
    if (m_running)
        return kOk;
    m_running = true;
    m_startNs = m_timers.clock().nowNs();
    m_delivered = 0;
    arm();
    return kOk;
}

uint64_t FileWaveIn::dueBytes() const
{
    const int64_t elapsed = std::max<int64_t>(0, m_timers.clock().nowNs() - m_startNs);
    const uint64_t frames = static_cast<uint64_t>(static_cast<__int128>(elapsed) * m_format.samplesPerSec / 1'000'000'000);
    return frames * m_format.blockAlign();
}

void FileWaveIn::fill(Buffer& buffer, size_t upTo)
{
    // Whole frames only, so a buffer never ends inside one.
    upTo -= upTo % m_format.blockAlign();
    while (buffer.filled < upTo) {
        uint8_t* at = buffer.bytes.data() + buffer.filled;
        const size_t wanted = upTo - buffer.filled;
        const uint64_t left = m_dataEnd > m_file.tell() ? m_dataEnd - m_file.tell() : 0;
        const size_t got = left ? m_file.read(at, static_cast<size_t>(std::min<uint64_t>(wanted, left))) : 0;
        if (got == 0) {
            // After the end of the file the microphone hears silence.
            std::memset(at, m_format.bitsPerSample == 8 ? 0x80 : 0x00, wanted);
            buffer.filled = upTo;
            break;
        }
        buffer.filled += got;
    }
}

void FileWaveIn::arm()
{
    if (m_buffers.empty() || !m_running)
        return;
    const Buffer& head = m_buffers.front();
    const uint64_t fullAt = m_delivered + head.bytes.size() - head.bytes.size() % m_format.blockAlign();
    const uint64_t frames = fullAt / m_format.blockAlign();
    // Rounded up: at a deadline rounded down the clock brings one frame too few, and the timer
    // would fire again and again at the same moment.
    const int64_t deadline =
        m_startNs + static_cast<int64_t>((static_cast<__int128>(frames) * 1'000'000'000 + m_format.samplesPerSec - 1) /
                                         m_format.samplesPerSec);
    m_timer = m_lane->setOneShotAt(deadline, [this] { deliverDue(); });
}

void FileWaveIn::deliverDue()
{
    std::vector<Buffer> full;
    Events* events = nullptr;
    {
        std::lock_guard lock(m_mutex);
        m_timer = 0;
        if (!m_running)
            return;
        const uint64_t due = dueBytes();
        while (!m_buffers.empty()) {
            Buffer& head = m_buffers.front();
            const size_t whole = head.bytes.size() - head.bytes.size() % m_format.blockAlign();
            if (m_delivered + whole > due)
                break;
            fill(head, whole);
            m_delivered += whole;
            full.push_back(head);
            m_buffers.pop_front();
        }
        events = m_events;
        arm();
    }
    for (const Buffer& buffer : full)
        events->done(buffer.user, buffer.filled);
}

void FileWaveIn::giveBackAll()
{
    uint32_t timer = 0;
    bool wasRunning = false;
    {
        std::lock_guard lock(m_mutex);
        timer = std::exchange(m_timer, 0);
        wasRunning = std::exchange(m_running, false);
    }
    // Outside the lock: a callback in progress takes it, and the kill waits for it.
    if (timer)
        m_lane->kill(timer);
    std::vector<Buffer> back;
    Events* events = nullptr;
    {
        std::lock_guard lock(m_mutex);
        if (wasRunning && !m_buffers.empty()) {
            // What the clock has brought so far into the buffer being filled.
            Buffer& head = m_buffers.front();
            const uint64_t due = dueBytes();
            if (due > m_delivered)
                fill(head, static_cast<size_t>(std::min<uint64_t>(due - m_delivered, head.bytes.size())));
            m_delivered += head.filled;
        }
        back.assign(m_buffers.begin(), m_buffers.end());
        m_buffers.clear();
        events = m_events;
    }
    for (const Buffer& buffer : back)
        events->done(buffer.user, buffer.filled);
}

int FileWaveIn::stop()
{
    if (!m_open)
        return kErrorInvalidHandle;
    giveBackAll();
    return kOk;
}

int FileWaveIn::reset()
{
    return stop();
}

int FileWaveIn::close()
{
    if (!m_open)
        return kOk;
    giveBackAll();
    std::unique_ptr<TimerService> lane;
    {
        std::lock_guard lock(m_mutex);
        lane = std::move(m_lane);
        m_file.close();
        m_open = false;
        m_events = nullptr;
    }
    return kOk;
}

std::string FileWaveIn::errorText(int error) const
{
    return mediaErrorText(error);
}

}  // namespace plat::media
