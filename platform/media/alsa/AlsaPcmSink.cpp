#include "platform/media/alsa/AlsaPcmSink.h"

#include "platform/media/MediaError.h"

#include <algorithm>
#include <cmath>

namespace plat::media {

namespace {

constexpr int kWaitMs = 50;  // how often a wait looks whether it was interrupted

}  // namespace

AlsaPcmSink::AlsaPcmSink(const Clock& clock, std::string device, std::string config)
    : m_clock(clock), m_device(std::move(device)), m_config(std::move(config))
{
}

AlsaPcmSink::~AlsaPcmSink() = default;

int AlsaPcmSink::open(uint32_t sampleRate, uint32_t blockFrames)
{
    m_error.clear();
    AlsaPcmHandle::Setup setup;
    setup.rate = sampleRate;
    setup.periodFrames = blockFrames;
    setup.periods = kPeriods;
    m_handle = AlsaPcmHandle::open(m_device, m_config, SND_PCM_STREAM_PLAYBACK, setup, m_error);
    if (!m_handle)
        return kErrorNotEnabled;
    m_rate = sampleRate;
    m_block = blockFrames;
    m_lead = static_cast<uint32_t>(m_handle->bufferFrames());
    // Room for one frame played twice.
    m_samples.assign(2 * (static_cast<size_t>(blockFrames) + 1), 0);
    m_written = 0;
    m_origin = m_clock.nowMs();
    m_drift.emplace(sampleRate, static_cast<int64_t>(m_lead / 2));
    m_interrupted.store(false);
    return kOk;
}

void AlsaPcmSink::close()
{
    if (m_handle)
        snd_pcm_drop(m_handle->pcm());
    m_handle.reset();
}

void AlsaPcmSink::interrupt()
{
    m_interrupted.store(true);
}

int AlsaPcmSink::recover(int result)
{
    // An underrun or a suspended device: start again from here.
    if (snd_pcm_recover(m_handle->pcm(), result, 1) < 0)
        return kErrorNotReady;
    m_recoveries.fetch_add(1);
    m_drift->reset();
    return kOk;
}

int AlsaPcmSink::waitWritable()
{
    if (!m_handle)
        return kErrorInvalidHandle;
    snd_pcm_t* pcm = m_handle->pcm();
    while (!m_interrupted.load(std::memory_order_acquire)) {
        const snd_pcm_sframes_t avail = snd_pcm_avail_update(pcm);
        if (avail < 0) {
            if (recover(static_cast<int>(avail)) != kOk)
                return kErrorNotReady;
            continue;
        }
        if (static_cast<uint64_t>(avail) >= m_block + 1u)
            return kOk;
        const int waited = snd_pcm_wait(pcm, kWaitMs);
        if (waited < 0 && recover(waited) != kOk)
            return kErrorNotReady;
    }
    return kErrorNotReady;
}

int AlsaPcmSink::write(std::span<const float> interleaved)
{
    if (!m_handle)
        return kErrorInvalidHandle;
    snd_pcm_t* pcm = m_handle->pcm();
    const size_t frames = interleaved.size() / 2;
    for (size_t i = 0; i < interleaved.size(); ++i)
        m_samples[i] = static_cast<int16_t>(std::lrint(std::clamp(interleaved[i], -1.0f, 1.0f) * 32767.0f));

    // Where the engine's frames stand against the media clock, as far as the device has played them.
    snd_pcm_sframes_t delay = 0;
    int step = 0;
    if (snd_pcm_delay(pcm, &delay) >= 0 && frames > 0) {
        const auto played = static_cast<int64_t>(m_written) - static_cast<int64_t>(delay);
        const int64_t clockFrames = static_cast<int64_t>(static_cast<uint32_t>(m_clock.nowMs() - m_origin)) * m_rate / 1000;
        step = m_drift->update(played - clockFrames);
    }
    size_t count = frames;
    if (step > 0) {
        // The last frame once more.
        m_samples[2 * frames] = m_samples[2 * frames - 2];
        m_samples[2 * frames + 1] = m_samples[2 * frames - 1];
        ++count;
    } else if (step < 0) {
        --count;
    }
    size_t done = 0;
    int attempts = 0;
    while (done < count) {
        const snd_pcm_sframes_t result = snd_pcm_writei(pcm, m_samples.data() + 2 * done, count - done);
        if (result < 0) {
            if (++attempts > 3 || recover(static_cast<int>(result)) != kOk)
                return kErrorNotReady;
            continue;
        }
        done += static_cast<size_t>(result);
    }
    m_written += frames;
    return kOk;
}

}  // namespace plat::media
