#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace plat {

// A file a user named, open for reading, which is sure to be a regular file. A named pipe
// would block the program on opening or reading for ever, a device might never end and a
// folder reads as nothing: each is refused before anything waits on it. Every opener of
// user files goes through here (or asks isRegular() before a library opens the path).
class PLATCORE_API RegularFile {
public:
    // Whether path names a regular file, following symbolic links.
    static bool isRegular(const std::string& path);
    // Opens path for reading; nullopt when it is no regular file or cannot be opened
    // (errno tells why; EINVAL for a file of another kind).
    static std::optional<RegularFile> open(const std::string& path);
    // What the file holds, up to maxBytes from its start; nullopt when it cannot be opened
    // or read. Only what the file holds is allocated.
    static std::optional<std::vector<uint8_t>> readHead(const std::string& path, size_t maxBytes);

    RegularFile(RegularFile&& other) noexcept;
    RegularFile& operator=(RegularFile&& other) noexcept;
    RegularFile(const RegularFile&) = delete;
    RegularFile& operator=(const RegularFile&) = delete;
    ~RegularFile();

    // The size when it was opened.
    uint64_t size() const { return m_size; }
    // Reads up to size bytes at the position and moves on; the count read, 0 at the end,
    // nullopt on an error.
    std::optional<size_t> read(void* buffer, size_t size);

private:
    RegularFile(int descriptor, uint64_t size) : m_descriptor(descriptor), m_size(size) {}

    int m_descriptor = -1;
    uint64_t m_size = 0;
};

}  // namespace plat
