#include "platform/media/alsa/AlsaWaveIn.h"

#include "platform/core/AltSignalStack.h"
#include "platform/core/Trace.h"
#include "platform/media/MediaError.h"

#include <algorithm>

namespace plat::media {

namespace {

constexpr int kWaitMs = 50;  // how often the thread looks whether it should stop

}  // namespace

AlsaWaveIn::AlsaWaveIn(std::string device, std::string config) : m_device(std::move(device)), m_config(std::move(config)) {}

AlsaWaveIn::~AlsaWaveIn()
{
    close();
}

std::string AlsaWaveIn::errorText(int error) const
{
    return mediaErrorText(error);
}

int AlsaWaveIn::open(const PcmFormat& format, Events* events)
{
    if (m_handle)
        return kErrorAllocated;
    AlsaPcmHandle::Setup setup;
    if (format.bitsPerSample == 8)
        setup.format = SND_PCM_FORMAT_U8;
    else if (format.bitsPerSample == 16)
        setup.format = SND_PCM_FORMAT_S16_LE;
    else
        return kErrorBadFormat;
    if (format.channels == 0 || format.samplesPerSec == 0)
        return kErrorBadFormat;
    setup.channels = format.channels;
    setup.rate = format.samplesPerSec;
    setup.periodFrames = std::max<snd_pcm_uframes_t>(64, format.samplesPerSec / 100);
    m_error.clear();
    m_handle = AlsaPcmHandle::open(m_device, m_config, SND_PCM_STREAM_CAPTURE, setup, m_error);
    if (!m_handle) {
        plat::trace("ALSA wave input: %s", m_error.c_str());
        return kErrorNotEnabled;
    }
    m_events = events;
    m_frameBytes = format.blockAlign();
    return kOk;
}

int AlsaWaveIn::add(std::span<uint8_t> buffer, uintptr_t user)
{
    if (!m_handle)
        return kErrorInvalidHandle;
    if (buffer.size() < m_frameBytes)
        return kErrorInvalidParam;
    std::lock_guard lock(m_mutex);
    m_buffers.push_back({buffer, user, 0});
    return kOk;
}

int AlsaWaveIn::start()
{
    if (!m_handle)
        return kErrorInvalidHandle;
    if (m_running.load())
        return kOk;
    const int prepared = snd_pcm_prepare(m_handle->pcm());
    if (prepared < 0 || snd_pcm_start(m_handle->pcm()) < 0) {
        plat::trace("ALSA wave input: cannot start \"%s\"", m_device.c_str());
        return kErrorNotReady;
    }
    m_running.store(true);
    m_thread = std::thread([this] {
        const plat::AltSignalStack altStack;
        run();
    });
    return kOk;
}

void AlsaWaveIn::run()
{
    snd_pcm_t* pcm = m_handle->pcm();
    while (m_running.load(std::memory_order_acquire)) {
        uint8_t* into = nullptr;
        size_t frames = 0;
        {
            std::lock_guard lock(m_mutex);
            if (!m_buffers.empty()) {
                Buffer& front = m_buffers.front();
                into = front.bytes.data() + front.filled;
                // A period at a time: the buffer comes back as soon as it is full.
                frames = std::min<size_t>((front.bytes.size() - front.filled) / m_frameBytes, m_handle->periodFrames());
            }
        }
        const int ready = snd_pcm_wait(pcm, kWaitMs);
        if (ready < 0) {
            snd_pcm_recover(pcm, ready, 1);
            continue;
        }
        if (ready == 0)
            continue;
        if (!into) {
            // No buffer to fill: what comes meanwhile is dropped, as a driver does.
            uint8_t scratch[4096];
            const snd_pcm_sframes_t result = snd_pcm_readi(pcm, scratch, sizeof scratch / m_frameBytes);
            if (result < 0)
                snd_pcm_recover(pcm, static_cast<int>(result), 1);
            continue;
        }
        const snd_pcm_sframes_t result = snd_pcm_readi(pcm, into, frames);
        if (result < 0) {
            snd_pcm_recover(pcm, static_cast<int>(result), 1);
            continue;
        }
        std::lock_guard delivery(m_deliveryMutex);
        Buffer full{};
        {
            std::lock_guard lock(m_mutex);
            if (m_buffers.empty())
                continue;  // reset() took it meanwhile
            Buffer& front = m_buffers.front();
            front.filled += static_cast<size_t>(result) * m_frameBytes;
            if (front.bytes.size() - front.filled >= m_frameBytes)
                continue;
            full = front;
            m_buffers.pop_front();
        }
        if (m_events)
            m_events->done(full.user, full.filled);
    }
}

void AlsaWaveIn::returnAll()
{
    std::lock_guard delivery(m_deliveryMutex);
    std::deque<Buffer> returned;
    {
        std::lock_guard lock(m_mutex);
        returned.swap(m_buffers);
    }
    if (m_events)
        for (const Buffer& buffer : returned)
            m_events->done(buffer.user, buffer.filled);
}

int AlsaWaveIn::stop()
{
    if (!m_handle)
        return kErrorInvalidHandle;
    if (m_running.exchange(false)) {
        m_thread.join();
        snd_pcm_drop(m_handle->pcm());
    }
    returnAll();
    return kOk;
}

int AlsaWaveIn::reset()
{
    return stop();
}

int AlsaWaveIn::close()
{
    if (!m_handle)
        return kErrorInvalidHandle;
    stop();
    m_handle.reset();
    return kOk;
}

}  // namespace plat::media
