#include "platform/media/file/WavFileSink.h"

#include "platform/media/MediaError.h"

#include <algorithm>
#include <cmath>

namespace plat::media {

WavFileSink::WavFileSink(std::string path) : m_path(std::move(path)) {}

int WavFileSink::open(uint32_t sampleRate, uint32_t blockFrames)
{
    if (!m_writer.isOpen()) {
        PcmFormat format;
        format.channels = 2;
        format.samplesPerSec = sampleRate;
        format.bitsPerSample = 16;
        if (!m_writer.open(m_path, format))
            return kErrorNotEnabled;
        m_sampleRate = sampleRate;
    } else if (sampleRate != m_sampleRate) {
        // One file has one rate.
        return kErrorBadFormat;
    }
    m_bytes.resize(4 * static_cast<size_t>(blockFrames));
    m_flushFrames = sampleRate;
    m_sinceFlush = 0;
    return kOk;
}

int WavFileSink::waitWritable()
{
    return kOk;
}

int WavFileSink::write(std::span<const float> interleaved)
{
    const size_t bytes = 2 * interleaved.size();
    if (m_bytes.size() < bytes)
        return kErrorInvalidParam;
    for (size_t i = 0; i < interleaved.size(); ++i) {
        const auto sample = static_cast<int16_t>(std::lrint(std::clamp(interleaved[i], -1.0f, 1.0f) * 32767.0f));
        m_bytes[2 * i] = static_cast<uint8_t>(sample);
        m_bytes[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(sample) >> 8);
    }
    if (!m_writer.write(std::span<const uint8_t>(m_bytes.data(), bytes)))
        return kErrorNotEnabled;
    m_sinceFlush += static_cast<uint32_t>(interleaved.size() / 2);
    if (m_sinceFlush >= m_flushFrames) {
        m_sinceFlush = 0;
        if (!m_writer.flush())
            return kErrorNotEnabled;
    }
    return kOk;
}

void WavFileSink::close()
{
    // The file stays open for what plays next; a reader finds everything played so far.
    m_writer.flush();
}

}  // namespace plat::media
