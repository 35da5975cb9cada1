#pragma once

#include <fluidsynth.h>

#include <cstdint>
#include <memory>
#include <string>

namespace plat::media {

// One FluidSynth synthesizer with its sound font loaded, inside the library only. It is used
// by one thread at a time (the audio engine's while a port plays through it), so FluidSynth's
// own lock is switched off.
class FluidSynthInstance {
public:
    // Check ok() and error() after construction.
    FluidSynthInstance(uint32_t sampleRate, const std::string& soundFont);
    ~FluidSynthInstance();
    FluidSynthInstance(const FluidSynthInstance&) = delete;
    FluidSynthInstance& operator=(const FluidSynthInstance&) = delete;

    bool ok() const { return m_synth != nullptr && m_fontId != FLUID_FAILED; }
    const std::string& error() const { return m_error; }
    fluid_synth_t* synth() const { return m_synth; }
    uint32_t sampleRate() const { return m_rate; }

    // Renders frames and counts them: an event given to the synthesizer takes effect at its
    // next internal block boundary, which this count locates.
    void render(float* left, float* right, uint32_t frames);
    uint64_t renderedFrames() const { return m_rendered; }

    // Sound stops (notes released, pedals up) and every controller is back to its default.
    void reset();

    // Gain that keeps a full General MIDI piece clear of clipping and a solo line well audible.
    static constexpr double kGain = 0.5;
    // FluidSynth applies events between blocks of this many frames.
    static constexpr uint32_t kBlockFrames = 64;
    static void markAudioThread();

private:
    fluid_settings_t* m_settings = nullptr;
    fluid_synth_t* m_synth = nullptr;
    int m_fontId = FLUID_FAILED;
    uint32_t m_rate;
    uint64_t m_rendered = 0;
    std::string m_error;
};

}  // namespace plat::media
