#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/audio/AudioSink.h"
#include "platform/media/file/WavFileWriter.h"

#include <string>
#include <vector>

namespace plat::media {

// Writes what an engine renders into a 16-bit stereo WAV file, at the pace of the media
// clock. The file is made at the first open and kept for the sink's life: each later open
// (the engine opens its sink whenever something starts playing) adds to it, so it holds
// everything played, one piece after the other. The sound is gathered and goes to the file with
// its header brought up to date about once a second of sound and at each close: few writes,
// and a crash leaves a readable file.
class PLATMEDIA_API WavFileSink final : public AudioSink {
public:
    explicit WavFileSink(std::string path);

    std::string name() const override { return "WAV file \"" + m_path + "\""; }
    int open(uint32_t sampleRate, uint32_t blockFrames) override;
    int waitWritable() override;
    int write(std::span<const float> interleaved) override;
    void close() override;
    void interrupt() override {}
    uint32_t leadFrames() const override { return 0; }

    // Why the file could not be made or written, empty while it works.
    const std::string& error() const { return m_writer.error(); }

private:
    std::string m_path;
    WavFileWriter m_writer;
    uint32_t m_sampleRate = 0;
    int writeGathered();

    std::vector<uint8_t> m_bytes;   // a second of sound, gathered
    size_t m_used = 0;
};

}  // namespace plat::media
