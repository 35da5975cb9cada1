#include "wavegate/CWaveFileWrite.h"

#include "platform/core/Trace.h"

#include <limits>

using plat::riff::fourcc;
using plat::riff::RiffChunk;
using plat::riff::RiffError;
using plat::riff::RiffFile;

namespace {

constexpr uint32_t kFormatBytes = 18;

void putFormat(uint8_t* p, const WG_DevFormat& f)
{
    auto put16 = [&p](uint16_t v) {
        *p++ = static_cast<uint8_t>(v);
        *p++ = static_cast<uint8_t>(v >> 8);
    };
    auto put32 = [&put16](uint32_t v) {
        put16(static_cast<uint16_t>(v));
        put16(static_cast<uint16_t>(v >> 16));
    };
    put16(f.formatTag);
    put16(f.channels);
    put32(f.samplesPerSec);
    put32(f.avgBytesPerSec);
    put16(f.blockAlign);
    put16(f.bitsPerSample);
    put16(f.extraSize);
}

}  // namespace

CWaveFileWrite::~CWaveFileWrite()
{
    Close();
}

int CWaveFileWrite::DevOpen()
{
    if (!GetFormat()) {
        WG_DevFormat format;
        FillFormat(&format, 8);
        SetFormat(&format);
    }
    auto file = std::make_unique<RiffFile>();
    if (file->create(m_filename) != RiffError::None) {
        ReportFile(614, file->lastErrno());
        return 0;
    }
    auto failed = [&](uint32_t code) {
        ReportFile(code, file->lastErrno());
        file->close();
        return 0;
    };
    m_riffChunk = RiffChunk{};
    m_riffChunk.formType = fourcc('W', 'A', 'V', 'E');
    if (file->createChunk(m_riffChunk, RiffFile::Kind::Riff) != RiffError::None)
        return failed(608);
    m_fmtChunk = RiffChunk{};
    m_fmtChunk.id = fourcc('f', 'm', 't', ' ');
    m_fmtChunk.size = kFormatBytes;
    if (file->createChunk(m_fmtChunk) != RiffError::None)
        return failed(608);
    uint8_t bytes[kFormatBytes];
    putFormat(bytes, *GetFormat());
    if (file->write(bytes, sizeof bytes) != RiffError::None)
        return failed(613);
    if (file->ascend(m_fmtChunk) != RiffError::None)
        return failed(604);
    m_dataChunk = RiffChunk{};
    m_dataChunk.id = fourcc('d', 'a', 't', 'a');
    if (file->createChunk(m_dataChunk) != RiffError::None)
        return failed(608);
    m_file = std::move(file);
    m_position = 0;
    m_dataSize = 0;
    return 1;
}

long CWaveFileWrite::Write(const WG_WaveHeader* header)
{
    if (!m_file || !header || header->bytesRecorded == 0 || !header->data)
        return 0;
    const uint32_t n = header->bytesRecorded;
    // The header's sizes count 32 bits; what would not fit is refused rather than written
    // into a file whose sizes cannot say so.
    const uint64_t riffBytes = m_dataChunk.dataOffset - m_riffChunk.dataOffset + uint64_t{m_dataSize} + n + 1;
    if (riffBytes > std::numeric_limits<uint32_t>::max()) {
        ReportFile(613, EFBIG);
        return -1;
    }
    if (m_file->write(header->data, n) != RiffError::None) {
        ReportFile(613, m_file->lastErrno());
        return -1;
    }
    m_position += n;
    m_dataSize += n;
    return static_cast<long>(n);
}

int CWaveFileWrite::DevClose()
{
    plat::trace("file write _DevClose()");
    if (!m_file)
        return 1;
    int result = 1;
    if (m_file->ascend(m_dataChunk) != RiffError::None) {
        ReportFile(604, m_file->lastErrno());
        result = 0;
    }
    if (m_file->ascend(m_riffChunk) != RiffError::None) {
        ReportFile(604, m_file->lastErrno());
        result = 0;
    }
    if (m_file->close() != RiffError::None) {
        ReportFile(601, m_file->lastErrno());
        result = 0;
    }
    m_file.reset();
    m_position = 0;
    return result;
}
