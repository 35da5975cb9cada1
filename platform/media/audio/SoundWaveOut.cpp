#include "platform/media/audio/SoundWaveOut.h"

#include "platform/media/MediaError.h"
#include "platform/media/audio/AudioEngine.h"
#include "platform/media/audio/SoundBuffer.h"
#include "platform/media/audio/SoundDevice.h"

#include <algorithm>
#include <utility>

namespace plat::media {

SoundWaveOut::SoundWaveOut(std::shared_ptr<AudioEngine> engine, TimerService& timers)
    : m_engine(std::move(engine)), m_timers(timers)
{
}

SoundWaveOut::~SoundWaveOut()
{
    close();
}

std::string SoundWaveOut::errorText(int error) const
{
    return mediaErrorText(error);
}

int SoundWaveOut::open(const PcmFormat& format)
{
    std::lock_guard lock(m_mutex);
    if (m_buffer)
        return kErrorAllocated;
    if (!m_engine)
        return kErrorNotEnabled;
    const uint16_t bits = format.bitsPerSample;
    if (format.channels < 1 || format.channels > 2 || (bits != 8 && bits != 16 && bits != 24 && bits != 32) ||
        format.samplesPerSec < SoundBuffer::kFrequencyMin || format.samplesPerSec > SoundBuffer::kFrequencyMax)
        return kErrorBadFormat;
    const uint32_t align = format.blockAlign();
    const uint32_t ring = static_cast<uint32_t>(uint64_t{format.avgBytesPerSec()} * kRingMs / 1000 / align * align);
    auto device = std::make_unique<SoundDevice>(*m_engine);
    int error = kOk;
    auto buffer = device->createBuffer(format, ring, &error);
    if (!buffer)
        return error != kOk ? error : kErrorBadFormat;
    if (!buffer->isReady())
        return kErrorNoMemory;
    // 8-bit samples are unsigned: their silence is the middle.
    m_silence.assign(ring, bits == 8 ? 0x80 : 0x00);
    buffer->write(0, m_silence);
    if (const int started = device->start(); started != kOk) {
        buffer.reset();
        return started;
    }
    m_device = std::move(device);
    m_buffer = std::move(buffer);
    m_format = format;
    m_ringBytes = ring;
    m_queue.clear();
    m_queueHead = 0;
    m_started = false;
    m_inRing = m_passed = 0;
    m_lastCursor = 0;
    m_runs.clear();
    m_played = 0;
    return kOk;
}

int SoundWaveOut::write(std::span<const uint8_t> bytes)
{
    std::lock_guard lock(m_mutex);
    if (!m_buffer)
        return kErrorInvalidHandle;
    if (bytes.size() % m_format.blockAlign() != 0)
        return kErrorInvalidParam;
    m_queue.insert(m_queue.end(), bytes.begin(), bytes.end());
    if (m_started)
        feedLocked();
    return kOk;
}

int SoundWaveOut::start()
{
    std::lock_guard lock(m_mutex);
    if (!m_buffer)
        return kErrorInvalidHandle;
    if (m_started)
        return kOk;
    // A stopped ring plays from its start again, filled afresh.
    m_buffer->setCurrentPosition(0);
    m_lastCursor = 0;
    m_inRing = m_passed = 0;
    m_runs.clear();
    m_started = true;
    feedLocked();
    const int error = m_buffer->play(true);
    m_timer = error == kOk ? m_timers.setPeriodic(kFeedMs, 1, [this] { onFeedTimer(); }) : 0;
    if (error != kOk || m_timer == 0) {
        m_buffer->stop();
        m_started = false;
        return error != kOk ? error : kErrorNoMemory;
    }
    return kOk;
}

int SoundWaveOut::stop()
{
    uint32_t timer = 0;
    {
        std::lock_guard lock(m_mutex);
        if (!m_buffer)
            return kErrorInvalidHandle;
        timer = std::exchange(m_timer, 0);
    }
    // Not under the lock: a feed in progress waits for it, and kill waits for the feed.
    if (timer)
        m_timers.kill(timer);
    std::lock_guard lock(m_mutex);
    stopLocked();
    return kOk;
}

void SoundWaveOut::stopLocked()
{
    if (m_started) {
        m_buffer->stop();
        settleLocked();
        // The part of the run in play that the cursor passed was heard.
        if (!m_runs.empty() && m_runs.front().written && m_passed > m_runs.front().begin)
            m_played += m_passed - m_runs.front().begin;
        m_started = false;
    }
    m_queue.clear();
    m_queueHead = 0;
    m_runs.clear();
    m_inRing = m_passed = 0;
}

int SoundWaveOut::close()
{
    if (stop() != kOk)
        return kErrorInvalidHandle;
    std::lock_guard lock(m_mutex);
    // The buffer goes before the device that mixes it.
    m_buffer.reset();
    m_device->stop();
    m_device.reset();
    return kOk;
}

uint64_t SoundWaveOut::playedBytes() const
{
    std::lock_guard lock(m_mutex);
    settleLocked();
    uint64_t played = m_played;
    if (!m_runs.empty() && m_runs.front().written && m_passed > m_runs.front().begin)
        played += m_passed - m_runs.front().begin;
    return played;
}

void SoundWaveOut::settleLocked() const
{
    if (!m_buffer || !m_started)
        return;
    const uint32_t cursor = m_buffer->currentPosition();
    m_passed += (cursor + m_ringBytes - m_lastCursor) % m_ringBytes;
    m_lastCursor = cursor;
    // A cursor that ran past what was written played the ring's old bytes: that stretch is
    // lost, and what comes next goes after it.
    m_inRing = std::max(m_inRing, m_passed);
    while (!m_runs.empty() && m_runs.front().end <= m_passed) {
        if (m_runs.front().written)
            m_played += m_runs.front().end - m_runs.front().begin;
        m_runs.pop_front();
    }
}

void SoundWaveOut::feedLocked()
{
    settleLocked();
    const auto put = [&](const uint8_t* bytes, uint64_t n, bool written) {
        m_buffer->write(static_cast<uint32_t>(m_inRing % m_ringBytes), {bytes, static_cast<size_t>(n)});
        if (!m_runs.empty() && m_runs.back().written == written && m_runs.back().end == m_inRing)
            m_runs.back().end += n;
        else
            m_runs.push_back({m_inRing, m_inRing + n, written});
        m_inRing += n;
    };
    const uint32_t align = m_format.blockAlign();
    const uint64_t room = m_passed + m_ringBytes - m_inRing;
    const uint64_t n = std::min<uint64_t>(room, m_queue.size() - m_queueHead) / align * align;
    if (n > 0) {
        put(m_queue.data() + m_queueHead, n, true);
        m_queueHead += static_cast<size_t>(n);
        if (m_queueHead == m_queue.size()) {
            m_queue.clear();
            m_queueHead = 0;
        } else if (m_queueHead > m_queue.size() / 2) {
            m_queue.erase(m_queue.begin(), m_queue.begin() + static_cast<std::ptrdiff_t>(m_queueHead));
            m_queueHead = 0;
        }
    }
    if (m_queueHead == m_queue.size()) {
        // Out of bytes: silence a little ahead, so the ring never comes round to sound it
        // played before; an engine that renders in batches may run a batch further at once.
        const uint64_t aheadMs = kSilenceAheadMs + m_engine->renderLagMs();
        const uint64_t ahead = uint64_t{m_format.avgBytesPerSec()} * aheadMs / 1000 / align * align;
        const uint64_t until = m_passed + std::min<uint64_t>(ahead, m_ringBytes);
        if (until > m_inRing)
            put(m_silence.data(), until - m_inRing, false);
    }
}

void SoundWaveOut::onFeedTimer()
{
    std::lock_guard lock(m_mutex);
    if (m_started)
        feedLocked();
}

}  // namespace plat::media
