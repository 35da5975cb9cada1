#include "wavegate/CWaveFileRead.h"

#include "platform/core/Trace.h"

#include <algorithm>
#include <cstring>

using plat::riff::RiffError;
using plat::riff::RiffFile;

int CWaveFileRead::DevOpen()
{
    auto file = std::make_unique<RiffFile>();
    if (file->openRead(m_filename) != RiffError::None) {
        ReportFile(600, file->lastErrno());
        return 0;
    }
    WG_DevFormat format;
    if (!CheckFile(GetHost(), m_filename, *file, m_riffChunk, m_fmtChunk, m_dataChunk, format)) {
        file->close();
        SetFormat(nullptr);
        return 0;
    }
    SetFormat(&format);
    m_file = std::move(file);
    m_dataSize = m_dataChunk.size;
    m_position = 0;
    return 1;
}

uint8_t CWaveFileRead::SilenceByte() const
{
    // Only 8-bit samples are unsigned; wider ones are signed, silent at 0.
    const WG_DevFormat* format = const_cast<CWaveFileRead*>(this)->GetFormat();
    return format && format->bitsPerSample == 8 ? 0x80 : 0x00;
}

int CWaveFileRead::Read(uint8_t* buffer, int n)
{
    if (!m_file || !buffer || n <= 0)
        return 0;
    const uint8_t silence = SilenceByte();
    if (m_position >= m_dataSize) {
        std::memset(buffer, silence, static_cast<size_t>(n));
        return 0;
    }
    const size_t wanted = std::min<size_t>(static_cast<size_t>(n), m_dataSize - m_position);
    const size_t got = m_file->read(buffer, wanted);
    if (got < wanted) {
        if (m_file->lastErrno() != 0) {
            ReportFile(605, m_file->lastErrno());
            return -1;
        }
        // The file shrank while open: what is left of the sound is silence.
        plat::trace("EOF???");
        m_dataSize = m_position + static_cast<uint32_t>(got);
    }
    std::memset(buffer + got, silence, static_cast<size_t>(n) - got);
    m_position += static_cast<uint32_t>(got);
    return static_cast<int>(got);
}

int CWaveFileRead::Seek(const WG_MMTime* time, int origin)
{
    if (!m_file || !time)
        return 0;
    const WG_DevFormat* format = GetFormat();
    // Wide enough for any time and format a file can claim: a time below 2^63 times a rate
    // below 2^32 and an alignment below 2^16, plus a place below 2^32.
    using Wide = __int128;
    const Wide align = format && format->blockAlign ? format->blockAlign : 1;
    Wide base = 0;
    switch (origin) {
    case 0: base = 0; break;
    case 1: base = m_position; break;
    case 2: base = m_dataSize; break;
    default: base = -1; break;
    }
    Wide offset = 0;
    switch (time->type) {
    case WG_TIME_MS: offset = Wide{time->value} * (format ? format->samplesPerSec : 0) / 1000 * align; break;
    case WG_TIME_SAMPLES: offset = Wide{time->value} * align; break;
    case WG_TIME_BYTES: offset = time->value; break;
    default: base = -1; break;
    }
    const Wide target = base + offset;
    if (base < 0 || target < 0 || target >= Wide{m_dataSize} ||
        m_file->seek(m_dataChunk.dataOffset + static_cast<uint64_t>(target)) != RiffError::None) {
        ReportFile(602, m_file->lastErrno());
        m_position = 0;
        m_file->seek(m_dataChunk.dataOffset);
        return 0;
    }
    m_position = static_cast<uint32_t>(target);
    return 1;
}
