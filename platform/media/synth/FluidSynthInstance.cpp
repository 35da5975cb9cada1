#include "platform/media/synth/FluidSynthInstance.h"

#include "platform/core/Trace.h"

#include <sys/stat.h>

#include <mutex>

namespace plat::media {

namespace {

thread_local bool onAudioThread = false;

// FluidSynth's messages go to the trace, except on the audio thread, which never traces.
void logToTrace(int level, const char* message, void*)
{
    if (onAudioThread || level > FLUID_WARN)
        return;
    plat::trace("FluidSynth: %s", message);
}

void routeLog()
{
    static std::once_flag once;
    std::call_once(once, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, logToTrace, nullptr);
    });
}

}  // namespace

void FluidSynthInstance::markAudioThread()
{
    onAudioThread = true;
}

FluidSynthInstance::FluidSynthInstance(uint32_t sampleRate, const std::string& soundFont) : m_rate(sampleRate)
{
    routeLog();
    struct stat info{};
    if (soundFont.empty() || ::stat(soundFont.c_str(), &info) != 0) {
        m_error = "the file does not exist";
        return;
    }
    if (!S_ISREG(info.st_mode)) {
        m_error = "it is not a file";
        return;
    }
    m_settings = new_fluid_settings();
    if (!m_settings) {
        m_error = "the synthesizer cannot start";
        return;
    }
    fluid_settings_setnum(m_settings, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(m_settings, "synth.gain", kGain);
    fluid_settings_setint(m_settings, "synth.threadsafe-api", 0);
    m_synth = new_fluid_synth(m_settings);
    if (!m_synth) {
        m_error = "the synthesizer cannot start";
        return;
    }
    m_fontId = fluid_synth_sfload(m_synth, soundFont.c_str(), 1);
    if (m_fontId == FLUID_FAILED)
        m_error = "it is not a usable sound font";
}

FluidSynthInstance::~FluidSynthInstance()
{
    if (m_synth)
        delete_fluid_synth(m_synth);
    if (m_settings)
        delete_fluid_settings(m_settings);
}

void FluidSynthInstance::render(float* left, float* right, uint32_t frames)
{
    fluid_synth_write_float(m_synth, static_cast<int>(frames), left, 0, 1, right, 0, 1);
    m_rendered += frames;
}

void FluidSynthInstance::reset()
{
    fluid_synth_system_reset(m_synth);
}

}  // namespace plat::media
