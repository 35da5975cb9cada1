#pragma once

#include "platform/media/PlatMediaExport.h"

#include <alsa/asoundlib.h>

#include <memory>
#include <string>

namespace plat::media {

// An open ALSA PCM: the machine's device of that name, or one of a private configuration
// (ALSA configuration text, as tests use to play into a file), closed with the object.
class PLATMEDIA_API AlsaPcmHandle {
public:
    struct Setup {
        snd_pcm_format_t format = SND_PCM_FORMAT_S16_LE;
        unsigned channels = 2;
        unsigned rate = 48000;
        snd_pcm_uframes_t periodFrames = 256;
        unsigned periods = 4;
    };

    // Null on failure, with error saying why.
    static std::unique_ptr<AlsaPcmHandle> open(const std::string& device, const std::string& config,
                                               snd_pcm_stream_t stream, const Setup& setup, std::string& error);
    // True when the device opens (and is closed again at once): it is there to be listed.
    static bool probe(const std::string& device, snd_pcm_stream_t stream);
    ~AlsaPcmHandle();
    AlsaPcmHandle(const AlsaPcmHandle&) = delete;
    AlsaPcmHandle& operator=(const AlsaPcmHandle&) = delete;

    snd_pcm_t* pcm() const { return m_pcm; }
    snd_pcm_uframes_t bufferFrames() const { return m_bufferFrames; }
    snd_pcm_uframes_t periodFrames() const { return m_periodFrames; }

private:
    AlsaPcmHandle(snd_pcm_t* pcm, snd_config_t* config) : m_pcm(pcm), m_config(config) {}
    bool configure(snd_pcm_stream_t stream, const Setup& setup, std::string& error);

    snd_pcm_t* m_pcm;
    snd_config_t* m_config;
    snd_pcm_uframes_t m_bufferFrames = 0;
    snd_pcm_uframes_t m_periodFrames = 0;
};

}  // namespace plat::media
