#pragma once

#include "platform/core/PlatCoreExport.h"

#include "platform/core/ByteStream.h"

#include <cstdint>
#include <string>
#include <vector>

namespace plat {

// A file opened for reading or for writing, closed when the stream goes. Reading and writing
// are buffered. While open, the file is locked against other streams (shared for reading,
// exclusive for writing), so a document being written is not read half-made; a file locked
// by another stream gives FileError(locked). Every failure throws FileError with the path.
class PLATCORE_API FileStream : public ByteStream {
public:
    enum class Mode {
        read,    // an existing file
        write,   // created, or emptied when it exists
    };

    FileStream(std::string path, Mode mode);
    // Writes what is buffered; errors at this point are lost, so writers call close() first.
    ~FileStream() override;
    FileStream(const FileStream&) = delete;
    FileStream& operator=(const FileStream&) = delete;

    size_t read(void* buffer, size_t size) override;
    void write(const void* data, size_t size) override;
    // For reading, the bytes from the position to the end of the file (unknown for a pipe or
    // a device); 0 for writing.
    std::optional<uint64_t> remaining() const override;
    // Hands what is buffered to the system.
    void flush() override;
    // Flushes, then closes; throws when the data could not be written. Idempotent.
    void close();

    const std::string& path() const { return m_path; }
    Mode mode() const { return m_mode; }

private:
    void writeAll(const uint8_t* data, size_t size);

    std::string m_path;
    Mode m_mode;
    int m_fd = -1;
    uint64_t m_size = 0;        // reading: the file's size when opened
    bool m_sizeKnown = false;   // a regular file; pipes and devices have no size
    uint64_t m_consumed = 0;    // reading: bytes handed to callers
    std::vector<uint8_t> m_buffer;
    size_t m_bufferPos = 0;     // reading: next byte in the buffer
    size_t m_bufferEnd = 0;     // reading: bytes in the buffer; writing: bytes waiting
};

}  // namespace plat
