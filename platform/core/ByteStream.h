#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace plat {

// A sequence of bytes an archive reads from or writes to: a file, a memory buffer, a stream
// inside a compound file.
class PLATCORE_API ByteStream {
public:
    virtual ~ByteStream() = default;

    // Reads up to size bytes; returns how many were read (0 at the end).
    virtual size_t read(void* buffer, size_t size) = 0;
    // Writes all size bytes or throws (FileError for files).
    virtual void write(const void* data, size_t size) = 0;
    // How many bytes are left to read, when the stream knows; archives check every count
    // read from the stream against it before they allocate anything.
    virtual std::optional<uint64_t> remaining() const = 0;
    virtual void flush() {}
};

}  // namespace plat
