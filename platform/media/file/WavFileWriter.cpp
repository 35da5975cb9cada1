#include "platform/media/file/WavFileWriter.h"

#include <array>
#include <cstring>

namespace plat::media {

namespace {

using riff::RiffError;
using riff::RiffFile;

// The RIFF size counts everything after its own field: "WAVE", the fmt chunk and the data
// chunk, whose bytes may add at most this much.
constexpr uint64_t kMaxDataBytes = 0xFFFFFFFFull - (WavFileWriter::kHeaderBytes - 8);

void put16(uint8_t* at, uint16_t value)
{
    at[0] = static_cast<uint8_t>(value);
    at[1] = static_cast<uint8_t>(value >> 8);
}

void put32(uint8_t* at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

WavFileWriter::WavFileWriter() = default;

WavFileWriter::~WavFileWriter()
{
    close();
}

bool WavFileWriter::fail(const char* what)
{
    m_error = std::string(what) + " \"" + m_path + "\": " + std::strerror(m_file.lastErrno());
    return false;
}

bool WavFileWriter::open(const std::string& path, const PcmFormat& format)
{
    close();
    m_path = path;
    m_format = format;
    m_dataBytes = 0;
    m_error.clear();
    if (format.channels == 0 || format.samplesPerSec == 0 || format.bitsPerSample % 8 != 0 || format.bitsPerSample == 0) {
        m_error = "Unsupported sound format for \"" + path + "\"";
        return false;
    }
    if (m_file.create(path) != RiffError::None)
        return fail("Cannot create");
    m_riff = riff::RiffChunk{};
    m_riff.formType = riff::fourcc('W', 'A', 'V', 'E');
    riff::RiffChunk fmt;
    fmt.id = riff::fourcc('f', 'm', 't', ' ');
    std::array<uint8_t, 16> body{};
    put16(&body[0], 1);  // linear PCM
    put16(&body[2], m_format.channels);
    put32(&body[4], m_format.samplesPerSec);
    put32(&body[8], m_format.avgBytesPerSec());
    put16(&body[12], m_format.blockAlign());
    put16(&body[14], m_format.bitsPerSample);
    m_data = riff::RiffChunk{};
    m_data.id = riff::fourcc('d', 'a', 't', 'a');
    if (m_file.createChunk(m_riff, RiffFile::Kind::Riff) != RiffError::None ||
        m_file.createChunk(fmt) != RiffError::None || m_file.write(body.data(), body.size()) != RiffError::None ||
        m_file.ascend(fmt) != RiffError::None || m_file.createChunk(m_data) != RiffError::None ||
        !flush()) {
        fail("Cannot write");
        m_file.close();
        return false;
    }
    return true;
}

bool WavFileWriter::write(std::span<const uint8_t> bytes)
{
    if (!isOpen())
        return false;
    if (bytes.size() % m_format.blockAlign() != 0) {
        m_error = "Not whole frames for \"" + m_path + "\"";
        return false;
    }
    if (m_dataBytes + bytes.size() > kMaxDataBytes) {
        m_error = "The sound file \"" + m_path + "\" is full";
        return false;
    }
    if (m_file.write(bytes) != RiffError::None)
        return fail("Cannot write");
    m_dataBytes += bytes.size();
    return true;
}

bool WavFileWriter::flush()
{
    if (!isOpen())
        return false;
    if (m_file.updateSize(m_data) != RiffError::None || m_file.updateSize(m_riff) != RiffError::None ||
        m_file.flush() != RiffError::None)
        return fail("Cannot write");
    return true;
}

bool WavFileWriter::close()
{
    if (!isOpen())
        return true;
    // Ascending pads a data chunk of odd length to a whole word, outside its counted size.
    bool ok = (m_file.ascend(m_data) == RiffError::None && m_file.ascend(m_riff) == RiffError::None) ||
              fail("Cannot write");
    if (m_file.close() != RiffError::None && ok)
        ok = fail("Cannot close");
    return ok;
}

}  // namespace plat::media
