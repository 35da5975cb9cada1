#include "platform/core/RegularFile.h"

#include <algorithm>
#include <cerrno>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

bool RegularFile::isRegular(const std::string& path)
{
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::optional<RegularFile> RegularFile::open(const std::string& path)
{
    // Asked first, so a pipe or device is never opened at all.
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0)
        return std::nullopt;
    if (!S_ISREG(info.st_mode)) {
        errno = EINVAL;
        return std::nullopt;
    }
    // Opened without waiting, and asked again: the name may have changed meanwhile.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (descriptor < 0)
        return std::nullopt;
    if (::fstat(descriptor, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(descriptor);
        errno = EINVAL;
        return std::nullopt;
    }
    const int flags = ::fcntl(descriptor, F_GETFL);
    if (flags < 0 || ::fcntl(descriptor, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        const int error = errno;
        ::close(descriptor);
        errno = error;
        return std::nullopt;
    }
    return RegularFile(descriptor, uint64_t(std::max<off_t>(info.st_size, 0)));
}

std::optional<std::vector<uint8_t>> RegularFile::readHead(const std::string& path, size_t maxBytes)
{
    std::optional<RegularFile> file = open(path);
    if (!file)
        return std::nullopt;
    std::vector<uint8_t> bytes(size_t(std::min<uint64_t>(file->size(), maxBytes)));
    size_t filled = 0;
    while (filled < bytes.size()) {
        const std::optional<size_t> got = file->read(bytes.data() + filled, bytes.size() - filled);
        if (!got)
            return std::nullopt;
        if (*got == 0)
            break;
        filled += *got;
    }
    // A file that shrank since it was opened gives what it still held.
    bytes.resize(filled);
    return bytes;
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : m_descriptor(std::exchange(other.m_descriptor, -1)), m_size(other.m_size)
{
}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept
{
    if (this != &other) {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
        m_descriptor = std::exchange(other.m_descriptor, -1);
        m_size = other.m_size;
    }
    return *this;
}

RegularFile::~RegularFile()
{
    if (m_descriptor >= 0)
        ::close(m_descriptor);
}

std::optional<size_t> RegularFile::read(void* buffer, size_t size)
{
    for (;;) {
        const ssize_t got = ::read(m_descriptor, buffer, size);
        if (got >= 0)
            return size_t(got);
        if (errno != EINTR)
            return std::nullopt;
    }
}

}  // namespace plat
