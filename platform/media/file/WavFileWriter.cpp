#include "platform/media/file/WavFileWriter.h"

#include <array>
#include <cerrno>
#include <cstring>

namespace plat::media {

namespace {

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
    m_error = std::string(what) + " \"" + m_path + "\": " + std::strerror(errno);
    return false;
}

bool WavFileWriter::open(const std::string& path, const PcmFormat& format)
{
    close();
    m_path = path;
    m_format = format;
    m_dataBytes = 0;
    m_padded = false;
    m_error.clear();
    if (format.channels == 0 || format.samplesPerSec == 0 || format.bitsPerSample % 8 != 0 || format.bitsPerSample == 0) {
        m_error = "Unsupported sound format for \"" + path + "\"";
        return false;
    }
    m_file.reset(std::fopen(path.c_str(), "wb"));
    if (!m_file)
        return fail("Cannot create");
    if (!writeHeader()) {
        m_file.reset();
        return false;
    }
    return true;
}

bool WavFileWriter::writeHeader()
{
    std::array<uint8_t, kHeaderBytes> header{};
    std::memcpy(&header[0], "RIFF", 4);
    put32(&header[4], static_cast<uint32_t>(kHeaderBytes - 8 + m_dataBytes + (m_padded ? 1 : 0)));
    std::memcpy(&header[8], "WAVEfmt ", 8);
    put32(&header[16], 16);
    put16(&header[20], 1);  // linear PCM
    put16(&header[22], m_format.channels);
    put32(&header[24], m_format.samplesPerSec);
    put32(&header[28], m_format.avgBytesPerSec());
    put16(&header[32], m_format.blockAlign());
    put16(&header[34], m_format.bitsPerSample);
    std::memcpy(&header[36], "data", 4);
    put32(&header[40], static_cast<uint32_t>(m_dataBytes));
    if (std::fseek(m_file.get(), 0, SEEK_SET) != 0 || std::fwrite(header.data(), 1, header.size(), m_file.get()) != header.size())
        return fail("Cannot write");
    if (std::fseek(m_file.get(), 0, SEEK_END) != 0)
        return fail("Cannot write");
    return true;
}

bool WavFileWriter::write(std::span<const uint8_t> bytes)
{
    if (!m_file)
        return false;
    if (bytes.size() % m_format.blockAlign() != 0) {
        m_error = "Not whole frames for \"" + m_path + "\"";
        return false;
    }
    if (m_dataBytes + bytes.size() > kMaxDataBytes) {
        m_error = "The sound file \"" + m_path + "\" is full";
        return false;
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), m_file.get()) != bytes.size())
        return fail("Cannot write");
    m_dataBytes += bytes.size();
    return true;
}

bool WavFileWriter::flush()
{
    if (!m_file)
        return false;
    if (!writeHeader())
        return false;
    if (std::fflush(m_file.get()) != 0)
        return fail("Cannot write");
    return true;
}

bool WavFileWriter::close()
{
    if (!m_file)
        return true;
    bool ok = true;
    // A data chunk of odd length is padded to a whole word, outside its counted size.
    if (m_dataBytes % 2 != 0) {
        const uint8_t pad = 0;
        ok = std::fwrite(&pad, 1, 1, m_file.get()) == 1 || fail("Cannot write");
        m_padded = ok;
    }
    ok = flush() && ok;
    if (std::fclose(m_file.release()) != 0 && ok)
        ok = fail("Cannot close");
    return ok;
}

}  // namespace plat::media
