#include "platform/media/file/WavFileSink.h"

#include "platform/media/MediaError.h"

#include <algorithm>
#include <cmath>

namespace plat::media {

WavFileSink::WavFileSink(std::string path) : m_path(std::move(path)) {}

int WavFileSink::open(uint32_t sampleRate, uint32_t)
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
    m_bytes.resize(4 * static_cast<size_t>(sampleRate));
    m_used = 0;
    return kOk;
}

int WavFileSink::waitWritable()
{
    return kOk;
}

int WavFileSink::writeGathered()
{
    const bool ok = m_writer.write(std::span<const uint8_t>(m_bytes.data(), m_used)) && m_writer.flush();
    m_used = 0;
    return ok ? kOk : kErrorNotEnabled;
}

int WavFileSink::write(std::span<const float> interleaved)
{
    // Half a frame, or sound before the file was opened (it has no room to gather into yet).
    if (interleaved.size() % 2 != 0 || (m_bytes.empty() && !interleaved.empty()))
        return kErrorInvalidParam;
    for (size_t done = 0; done < interleaved.size();) {
        const size_t samples = std::min(interleaved.size() - done, (m_bytes.size() - m_used) / 2);
        uint8_t* out = m_bytes.data() + m_used;
        for (size_t i = 0; i < samples; ++i) {
            const auto sample = static_cast<int16_t>(std::lrint(std::clamp(interleaved[done + i], -1.0f, 1.0f) * 32767.0f));
            out[2 * i] = static_cast<uint8_t>(sample);
            out[2 * i + 1] = static_cast<uint8_t>(static_cast<uint16_t>(sample) >> 8);
        }
        m_used += 2 * samples;
        done += samples;
        if (m_used == m_bytes.size()) {
            if (const int error = writeGathered())
                return error;
        }
    }
    return kOk;
}

void WavFileSink::close()
{
    // The file stays open for what plays next; a reader finds everything played so far.
    if (m_used > 0)
        writeGathered();
    else
        m_writer.flush();
}

}  // namespace plat::media
