#pragma once

#include "rack/outside/plinthfx/PlinthFxExport.h"

#include "platform/media/PcmFormat.h"

#include <cstdint>

// The processing of the rack's stereo wave playback: the gain and balance that the mixer
// band sets for the wave source, applied to each buffer before it is played. Processing is
// on while they differ from full gain and the centre. The CD's sound goes through the same
// processing at its own levels (aqx_Scale).
namespace rack {

inline constexpr int kFxFullGain = 100;
inline constexpr int kFxMaxBalance = 50;

// The format of the buffers processed next (16-bit or 8-bit stereo PCM).
PLINTHFX_API void aqx_SetFormat(const plat::media::PcmFormat& format);
// Bit 0 set while processing is on.
PLINTHFX_API int aqx_Status();
// Writes frames processed sample frames of input to output (which may be the same buffer).
PLINTHFX_API void aqx_Process(const uint8_t* input, uint8_t* output, int frames);
// Gain 0 to 100 (percent), balance -50 (left only) to 50 (right only); clamped.
PLINTHFX_API void aqx_SetLevels(int gain, int balance);
// Writes frames sample frames of 8-bit or 16-bit stereo input to output (which may be the
// same buffer) at that gain and balance (clamped), whatever the wave playback's levels: the
// same processing for any other source of stereo sound.
PLINTHFX_API void aqx_Scale(const uint8_t* input, uint8_t* output, int frames, int bitsPerSample, int gain,
                            int balance);

}  // namespace rack
