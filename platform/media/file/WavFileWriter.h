#pragma once

#include "platform/media/PlatMediaExport.h"

#include "platform/media/PcmFormat.h"
#include "platform/storage/RiffChunk.h"
#include "platform/storage/RiffFile.h"

#include <cstdint>
#include <span>
#include <string>

namespace plat::media {

// Writes linear PCM into a RIFF/WAVE file: a "fmt " chunk and one "data" chunk. The sizes in
// the header are brought up to date at every flush() and at close(), so a program that stops
// between two flushes leaves a readable file with everything up to the last flush.
class PLATMEDIA_API WavFileWriter {
public:
    WavFileWriter();
    ~WavFileWriter();  // closes
    WavFileWriter(const WavFileWriter&) = delete;
    WavFileWriter& operator=(const WavFileWriter&) = delete;

    // Creates (or empties) the file and writes its header. False when it cannot; error()
    // then says why.
    bool open(const std::string& path, const PcmFormat& format);
    // Appends sound bytes, whole frames. False on a write error, or when the file would grow
    // past what a RIFF size can count (nothing of the bytes is then written).
    bool write(std::span<const uint8_t> bytes);
    bool flush();
    bool close();

    bool isOpen() const { return m_file.isOpen(); }
    uint64_t dataBytes() const { return m_dataBytes; }
    const std::string& error() const { return m_error; }

    static constexpr uint32_t kHeaderBytes = 44;

private:
    bool fail(const char* what);

    riff::RiffFile m_file;
    riff::RiffChunk m_riff;
    riff::RiffChunk m_data;
    std::string m_path;
    PcmFormat m_format;
    uint64_t m_dataBytes = 0;
    std::string m_error;
};

}  // namespace plat::media
