#include "platform/media/audio/SoundBuffer.h"

#include "platform/core/Event.h"
#include "platform/media/MediaError.h"
#include "platform/media/audio/SoundDevice.h"

#include <samplerate.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plat::media {

namespace {

// Frames the resampler pulls from the ring at a time.
constexpr uint32_t kPullFrames = 256;
// The widest ratio between the engine's rate and a buffer's that the resampler takes.
constexpr double kMaxRatio = 256.0;

template <int Bytes>
float sampleAt(const uint8_t* p)
{
    if constexpr (Bytes == 1)
        return static_cast<float>(static_cast<int>(p[0]) - 128) * (1.0f / 128.0f);
    else if constexpr (Bytes == 2)
        return static_cast<float>(static_cast<int16_t>(p[0] | p[1] << 8)) * (1.0f / 32768.0f);
    else if constexpr (Bytes == 3)
        return static_cast<float>(static_cast<int32_t>(static_cast<uint32_t>(p[0]) << 8 | static_cast<uint32_t>(p[1]) << 16 |
                                                       static_cast<uint32_t>(p[2]) << 24)) *
               (1.0f / 2147483648.0f);
    else
        return static_cast<float>(static_cast<int32_t>(static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
                                                       static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24)) *
               (1.0f / 2147483648.0f);
}

template <int Bytes>
void convert(const uint8_t* src, float* out, uint32_t frames, uint16_t channels)
{
    if (channels == 1) {
        for (uint32_t i = 0; i < frames; ++i, src += Bytes) {
            const float v = sampleAt<Bytes>(src);
            out[2 * i] = v;
            out[2 * i + 1] = v;
        }
    } else {
        for (uint32_t i = 0; i < frames; ++i, src += 2 * Bytes) {
            out[2 * i] = sampleAt<Bytes>(src);
            out[2 * i + 1] = sampleAt<Bytes>(src + Bytes);
        }
    }
}

// Stereo floats from frames whole frames of PCM.
void toStereo(const uint8_t* src, float* out, uint32_t frames, const PcmFormat& format)
{
    switch (format.bitsPerSample) {
    case 8: convert<1>(src, out, frames, format.channels); break;
    case 16: convert<2>(src, out, frames, format.channels); break;
    case 24: convert<3>(src, out, frames, format.channels); break;
    default: convert<4>(src, out, frames, format.channels); break;
    }
}

float attenuation(int32_t hundredthsDb)
{
    return hundredthsDb <= SoundBuffer::kVolumeMin ? 0.0f : std::pow(10.0f, static_cast<float>(hundredthsDb) / 2000.0f);
}

}  // namespace

SoundBuffer::SoundBuffer(SoundDevice& device, const PcmFormat& format, uint32_t bytes, uint32_t maxBlockFrames)
    : m_device(device), m_format(format), m_ring(bytes, format.bitsPerSample == 8 ? 0x80 : 0x00),
      m_maxBlockFrames(std::max<uint32_t>(maxBlockFrames, 1)), m_input(2 * kPullFrames), m_output(2 * m_maxBlockFrames)
{
    int error = 0;
    m_resampler = src_callback_new(&SoundBuffer::pull, SRC_SINC_FASTEST, 2, &error, this);
}

SoundBuffer::~SoundBuffer()
{
    m_playing.store(false);
    m_device.detach(this);
    if (m_resampler)
        src_delete(m_resampler);
}

int SoundBuffer::write(uint32_t offset, std::span<const uint8_t> bytes)
{
    if (offset >= m_ring.size() || bytes.size() > m_ring.size())
        return kErrorInvalidParam;
    const size_t first = std::min(bytes.size(), m_ring.size() - offset);
    std::memcpy(m_ring.data() + offset, bytes.data(), first);
    std::memcpy(m_ring.data(), bytes.data() + first, bytes.size() - first);
    return kOk;
}

int SoundBuffer::play(bool looping, uint64_t atFrame)
{
    if (m_playing.load()) {
        m_looping.store(looping);
        return kOk;
    }
    m_looping.store(looping);
    m_startFrame.store(atFrame);
    m_stopFrame.store(kNever);
    m_restart.store(true);
    m_playing.store(true, std::memory_order_release);
    return kOk;
}

int SoundBuffer::stop()
{
    if (m_playing.exchange(false))
        finish();
    return kOk;
}

int SoundBuffer::stopAt(uint64_t atFrame)
{
    m_stopFrame.store(atFrame, std::memory_order_release);
    return kOk;
}

uint32_t SoundBuffer::status() const
{
    if (!m_playing.load(std::memory_order_acquire))
        return 0;
    return kStatusPlaying | (m_looping.load() ? kStatusLooping : 0);
}

int SoundBuffer::setCurrentPosition(uint32_t offset)
{
    if (m_playing.load())
        return kErrorStillPlaying;
    if (offset >= m_ring.size())
        return kErrorInvalidParam;
    // Whole frames only, so the channels stay in their places.
    m_cursor.store(offset - offset % m_format.blockAlign(), std::memory_order_release);
    return kOk;
}

int SoundBuffer::setNotificationPositions(std::span<const NotifyPosition> positions)
{
    if (m_playing.load())
        return kErrorStillPlaying;
    if (positions.size() > kMaxNotifications)
        return kErrorInvalidParam;
    for (const NotifyPosition& p : positions) {
        if (!p.event || (p.offset != kNotifyAtStop && p.offset >= m_ring.size()))
            return kErrorInvalidParam;
    }
    std::copy(positions.begin(), positions.end(), m_notify.begin());
    m_notifyCount.store(positions.size(), std::memory_order_release);
    return kOk;
}

void SoundBuffer::clearNotifications()
{
    m_notifyCount.store(0, std::memory_order_release);
    // A block being mixed may still be setting one.
    m_device.waitForMix();
}

int SoundBuffer::setVolume(int32_t volume)
{
    if (volume < kVolumeMin || volume > kVolumeMax)
        return kErrorInvalidParam;
    m_volume.store(volume);
    updateGains();
    return kOk;
}

int SoundBuffer::setPan(int32_t pan)
{
    if (pan < kPanLeft || pan > kPanRight)
        return kErrorInvalidParam;
    m_pan.store(pan);
    updateGains();
    return kOk;
}

int SoundBuffer::setFrequency(uint32_t hz)
{
    if (hz != 0 && (hz < kFrequencyMin || hz > kFrequencyMax))
        return kErrorInvalidParam;
    m_frequency.store(hz);
    return kOk;
}

uint32_t SoundBuffer::frequency() const
{
    const uint32_t hz = m_frequency.load(std::memory_order_relaxed);
    return hz ? hz : m_format.samplesPerSec;
}

void SoundBuffer::updateGains()
{
    // Pan attenuates the side away from which it leans.
    const int32_t pan = m_pan.load();
    const float gain = attenuation(m_volume.load());
    m_gainLeft.store(gain * (pan > 0 ? attenuation(-pan) : 1.0f));
    m_gainRight.store(gain * (pan < 0 ? attenuation(pan) : 1.0f));
}

void SoundBuffer::finish()
{
    const size_t count = m_notifyCount.load(std::memory_order_acquire);
    for (size_t i = 0; i < count; ++i) {
        if (m_notify[i].offset == kNotifyAtStop)
            m_notify[i].event->set();
    }
}

uint32_t SoundBuffer::readFrames(float* out, uint32_t frames)
{
    const uint32_t size = static_cast<uint32_t>(m_ring.size());
    const uint32_t align = m_format.blockAlign();
    const bool looping = m_looping.load(std::memory_order_relaxed);
    const uint32_t start = m_cursor.load(std::memory_order_relaxed);
    uint32_t cursor = start;
    uint32_t done = 0;
    uint8_t straddling[8];
    while (done < frames) {
        const uint32_t left = size - cursor;
        if (left < align && !looping) {
            m_ended = true;
            break;
        }
        const uint32_t whole = std::min(frames - done, left / align);
        if (whole > 0) {
            toStereo(m_ring.data() + cursor, out + 2 * done, whole, m_format);
            done += whole;
            cursor += whole * align;
        } else {
            // A frame that goes round the end of the ring.
            std::memcpy(straddling, m_ring.data() + cursor, left);
            std::memcpy(straddling + left, m_ring.data(), align - left);
            toStereo(straddling, out + 2 * done, 1, m_format);
            ++done;
            cursor = align - left;
        }
        if (cursor >= size && looping)
            cursor -= size;
    }
    // The cursor moves before any notification is set: a waiter woken by one must find the
    // cursor past its offset, or it would see nothing to do and wait for the next one.
    m_cursor.store(cursor >= size ? cursor - size : cursor, std::memory_order_release);
    // The notifications whose offset the play cursor has reached.
    const uint64_t played = uint64_t{done} * align;
    const size_t count = m_notifyCount.load(std::memory_order_acquire);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t offset = m_notify[i].offset;
        if (offset == kNotifyAtStop || played == 0)
            continue;
        const uint32_t ahead = offset > start ? offset - start : offset + size - start;
        if (ahead <= played)
            m_notify[i].event->set();
    }
    return done;
}

long SoundBuffer::pull(void* self, float** data)
{
    auto* buffer = static_cast<SoundBuffer*>(self);
    *data = buffer->m_input.data();
    return buffer->m_ended ? 0 : static_cast<long>(buffer->readFrames(buffer->m_input.data(), kPullFrames));
}

void SoundBuffer::mix(float* left, float* right, uint32_t frames, uint64_t firstFrame, uint32_t engineRate)
{
    if (!m_playing.load(std::memory_order_acquire))
        return;
    if (m_restart.exchange(false)) {
        src_reset(m_resampler);
        m_ended = false;
    }
    const uint64_t startFrame = m_startFrame.load(std::memory_order_relaxed);
    if (startFrame >= firstFrame + frames)
        return;
    uint32_t at = startFrame > firstFrame ? static_cast<uint32_t>(startFrame - firstFrame) : 0;
    // A stop at a frame of this block ends the sound there.
    const uint64_t stopFrame = m_stopFrame.load(std::memory_order_acquire);
    if (stopFrame <= firstFrame + at) {
        if (m_playing.exchange(false))
            finish();
        return;
    }
    if (stopFrame < firstFrame + frames)
        frames = static_cast<uint32_t>(stopFrame - firstFrame);
    const float gainLeft = m_gainLeft.load(std::memory_order_relaxed);
    const float gainRight = m_gainRight.load(std::memory_order_relaxed);
    const uint32_t rate = frequency();
    while (at < frames) {
        const uint32_t wanted = std::min(frames - at, m_maxBlockFrames);
        uint32_t got = 0;
        if (rate == engineRate) {
            got = m_ended ? 0 : readFrames(m_output.data(), wanted);
        } else {
            const double ratio = std::clamp(static_cast<double>(engineRate) / rate, 1.0 / kMaxRatio, kMaxRatio);
            const long n = src_callback_read(m_resampler, ratio, wanted, m_output.data());
            got = n > 0 ? static_cast<uint32_t>(n) : 0;
        }
        for (uint32_t i = 0; i < got; ++i) {
            left[at + i] += m_output[2 * i] * gainLeft;
            right[at + i] += m_output[2 * i + 1] * gainRight;
        }
        if (got < wanted) {
            if (m_ended && m_playing.exchange(false))
                finish();
            return;
        }
        at += got;
    }
}

}  // namespace plat::media
