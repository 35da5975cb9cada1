#include "platform/media/alsa/AlsaPcmHandle.h"

#include "platform/media/alsa/AlsaQuiet.h"

#include <cstring>

namespace plat::media {

std::unique_ptr<AlsaPcmHandle> AlsaPcmHandle::open(const std::string& device, const std::string& config,
                                                   snd_pcm_stream_t stream, const Setup& setup, std::string& error)
{
    quietAlsaLibrary();
    snd_pcm_t* pcm = nullptr;
    snd_config_t* top = nullptr;
    int result = 0;
    if (config.empty()) {
        result = snd_pcm_open(&pcm, device.c_str(), stream, 0);
    } else {
        snd_input_t* input = nullptr;
        result = snd_config_top(&top);
        if (result >= 0)
            result = snd_input_buffer_open(&input, config.c_str(), static_cast<ssize_t>(config.size()));
        if (result >= 0) {
            result = snd_config_load(top, input);
            snd_input_close(input);
        }
        if (result >= 0)
            result = snd_pcm_open_lconf(&pcm, device.c_str(), stream, 0, top);
    }
    if (result < 0) {
        if (top)
            snd_config_delete(top);
        error = "cannot open \"" + device + "\": " + snd_strerror(result);
        return nullptr;
    }
    std::unique_ptr<AlsaPcmHandle> handle(new AlsaPcmHandle(pcm, top));
    if (!handle->configure(stream, setup, error))
        return nullptr;
    return handle;
}

bool AlsaPcmHandle::probe(const std::string& device, snd_pcm_stream_t stream)
{
    quietAlsaLibrary();
    snd_pcm_t* pcm = nullptr;
    silenceAlsaErrors(true);
    const int result = snd_pcm_open(&pcm, device.c_str(), stream, SND_PCM_NONBLOCK);
    silenceAlsaErrors(false);
    if (result < 0)
        return false;
    snd_pcm_close(pcm);
    return true;
}

AlsaPcmHandle::~AlsaPcmHandle()
{
    snd_pcm_close(m_pcm);
    if (m_config)
        snd_config_delete(m_config);
}

bool AlsaPcmHandle::configure(snd_pcm_stream_t stream, const Setup& setup, std::string& error)
{
    snd_pcm_hw_params_t* hw = nullptr;
    snd_pcm_hw_params_alloca(&hw);
    unsigned rate = setup.rate;
    snd_pcm_uframes_t period = setup.periodFrames;
    snd_pcm_uframes_t buffer = setup.periodFrames * setup.periods;
    const auto refused = [&](int result, const char* what) {
        if (result >= 0)
            return false;
        error = std::string(what) + " is refused: " + snd_strerror(result);
        return true;
    };
    if (refused(snd_pcm_hw_params_any(m_pcm, hw), "every setting") ||
        refused(snd_pcm_hw_params_set_access(m_pcm, hw, SND_PCM_ACCESS_RW_INTERLEAVED), "interleaved access") ||
        refused(snd_pcm_hw_params_set_format(m_pcm, hw, setup.format), "the sample format") ||
        refused(snd_pcm_hw_params_set_channels(m_pcm, hw, setup.channels), "the channel count") ||
        refused(snd_pcm_hw_params_set_rate_near(m_pcm, hw, &rate, nullptr), "the sample rate"))
        return false;
    if (rate != setup.rate) {
        error = "the sample rate " + std::to_string(setup.rate) + " Hz is refused";
        return false;
    }
    if (refused(snd_pcm_hw_params_set_period_size_near(m_pcm, hw, &period, nullptr), "the period size") ||
        refused(snd_pcm_hw_params_set_buffer_size_near(m_pcm, hw, &buffer), "the buffer size") ||
        refused(snd_pcm_hw_params(m_pcm, hw), "the setting"))
        return false;
    m_periodFrames = period;
    m_bufferFrames = buffer;
    if (stream == SND_PCM_STREAM_PLAYBACK) {
        // Playing starts once the buffer is full: the engine fills it at once.
        snd_pcm_sw_params_t* sw = nullptr;
        snd_pcm_sw_params_alloca(&sw);
        snd_pcm_sw_params_current(m_pcm, sw);
        snd_pcm_sw_params_set_start_threshold(m_pcm, sw, buffer);
        snd_pcm_sw_params_set_avail_min(m_pcm, sw, period);
        snd_pcm_sw_params(m_pcm, sw);
    }
    return true;
}

}  // namespace plat::media
