#pragma once

#include "rack/rackplayer/RackCoreExport.h"

#include "rack/outside/plinthstore/StoreRecords.h"

#include <cstdint>

namespace plat::ui {
class Window;
}

// The rack's own wave engine over the platform's wave devices: it records from a wave input
// straight into a RIFF WAVE file and plays a range of a wave file, with repeats, on a wave
// output. Device notifications come back to the interface thread; the engine has no thread
// of its own. Every call answers kWaveFailed while the engine is not initialised; 0 is
// success.
namespace rack {

inline constexpr int kWaveFailed = 16;
// Device kinds of wdrv_CanOpen.
inline constexpr int kWaveInput = 32;
inline constexpr int kWaveOutput = 48;
// The device id of the default device.
inline constexpr int kWaveMapper = -1;
// Commands the deck is sent: playback ended (lParam 0), recording ended (lParam the new
// wave's index).
inline constexpr uint32_t kWavePlayEnded = 161;
inline constexpr uint32_t kWaveRecordEnded = 162;

// What wdrv_GetStatus fills in. Peaks are signed; their magnitude is the level.
struct RACKCORE_API WaveStatus {
    int32_t elapsedMs = 0;
    int32_t samplePosition = 0;
    int32_t samplesPerSec = 0;
    int32_t channels = 0;
    int32_t fullScale = 0;
    int32_t leftPeak = 0;
    int32_t rightPeak = 0;
};

// Counted. The first call reads [Wave] of the profile (SamplerVariable, SamplerMin,
// SamplerMax, VerifyChannels) and makes the engine's hidden window.
RACKCORE_API int wdrv_Initialize();
// Counted; the last call ends what still plays or records and removes the hidden window.
RACKCORE_API int wdrv_Terminate();
// 1 when the device (kWaveMapper for the default) opens for 11025 Hz mono 8-bit PCM.
RACKCORE_API int wdrv_CanOpen(int deviceId, int kind);
// Records into the wave's file (a wave named with the unnamed-recording name first gets a
// new recording path, written back into wave). The rack starts paused.
RACKCORE_API int wdrv_Record(plat::ui::Window* notify, int inputDevice, WaveRecord& wave, uint32_t notifyCommand,
                             int startPaused);
// Plays sampleCount samples (0: to the end) from startSample, passes times (at least once).
RACKCORE_API int wdrv_Play(plat::ui::Window* notify, int outputDevice, const WaveRecord& wave, int32_t startSample,
                           int32_t sampleCount, int passes, uint32_t notifyCommand);
// Stops the playback of the wave without notice, then its recording, whose new wave index it
// answers; else the playback's key, or -1 when nothing of that wave ran.
RACKCORE_API int32_t wdrv_Stop(int32_t key);
// Pauses (pause non-zero) or resumes the playback or recording of the wave. Answers 0.
RACKCORE_API int wdrv_Pause(int32_t key, int pause);
// The status of the wave's playback, else of its recording; kWaveFailed when neither runs.
RACKCORE_API int wdrv_GetStatus(int32_t key, WaveStatus& status);

// Whether a format fits a device by the [Wave] settings: the channel check, then the
// sampler range or the standard formats of the device.
RACKCORE_API bool wdrv_FormatFits(const WaveFormat& format, uint32_t maxSamplesPerSec, uint16_t maxChannels);
// The best format of an input device whose capabilities are given, in the engine's order
// of preference.
RACKCORE_API WaveFormat wdrv_BestInputFormat(uint32_t maxSamplesPerSec, uint16_t maxChannels);

}  // namespace rack
