#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/Clock.h"
#include "platform/media/audio/AudioSink.h"
#include "platform/media/audio/DriftCorrector.h"
#include "platform/media/alsa/AlsaPcmHandle.h"

#include <atomic>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace plat::media {

// Plays an audio engine through an ALSA PCM: on a desktop the "default" device, which reaches
// PulseAudio or PipeWire. The device paces the engine; the device's crystal is kept in step
// with the media clock by playing a frame twice or leaving one out now and then (about one
// frame in ten thousand for a device 100 ppm off). An underrun is recovered from at once.
class PLATMEDIA_API AlsaPcmSink final : public AudioSink {
public:
    static constexpr unsigned kPeriods = 4;

    // config: ALSA configuration text in which device is defined, or empty for the
    // machine's own configuration.
    AlsaPcmSink(const Clock& clock, std::string device, std::string config = {});
    ~AlsaPcmSink() override;

    std::string name() const override { return "ALSA PCM \"" + m_device + "\""; }
    int open(uint32_t sampleRate, uint32_t blockFrames) override;
    int waitWritable() override;
    int write(std::span<const float> interleaved) override;
    void close() override;
    void interrupt() override;
    uint32_t leadFrames() const override { return m_lead; }

    // Why open() failed, empty while it works.
    const std::string& error() const { return m_error; }
    uint64_t recoveries() const { return m_recoveries.load(); }

private:
    int recover(int result);

    const Clock& m_clock;
    std::string m_device;
    std::string m_config;
    std::unique_ptr<AlsaPcmHandle> m_handle;
    std::string m_error;
    std::atomic<bool> m_interrupted{false};
    std::atomic<uint64_t> m_recoveries{0};
    uint32_t m_rate = 0;
    uint32_t m_block = 0;
    uint32_t m_lead = 0;
    uint32_t m_origin = 0;
    uint64_t m_written = 0;   // engine frames
    std::optional<DriftCorrector> m_drift;
    std::vector<int16_t> m_samples;
};

}  // namespace plat::media
