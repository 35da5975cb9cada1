#include "platform/core/FileStream.h"

#include "platform/core/FileError.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

FileStream::FileStream(std::string path, Mode mode) : m_path(std::move(path)), m_mode(mode)
{
    const int flags = mode == Mode::read ? O_RDONLY : O_WRONLY | O_CREAT;
    m_fd = ::open(m_path.c_str(), flags | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw FileError::fromErrno(errno, m_path, mode == Mode::read ? "open" : "create");
    // Lock before emptying, so a file another stream is reading is not destroyed under it.
    if (::flock(m_fd, (mode == Mode::read ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        if (error == EWOULDBLOCK)
            throw FileError(FileError::Cause::locked, m_path, "\"" + m_path + "\" is in use by another program");
        throw FileError::fromErrno(error, m_path, "lock");
    }
    struct stat info {};
    if (::fstat(m_fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(m_fd);
        m_fd = -1;
        throw FileError::fromErrno(error, m_path, "open");
    }
    if (mode == Mode::write && S_ISREG(info.st_mode) && ::ftruncate(m_fd, 0) != 0) {
        const int error = errno;
        ::close(m_fd);
        m_fd = -1;
        throw FileError::fromErrno(error, m_path, "empty");
    }
    m_size = mode == Mode::read && S_ISREG(info.st_mode) ? static_cast<uint64_t>(info.st_size) : 0;
    m_sizeKnown = S_ISREG(info.st_mode);
    m_buffer.resize(kBufferSize);
}

FileStream::~FileStream()
{
    try {
        close();
    } catch (const FileError&) {
        // Nothing can report it here; writers that care call close() themselves.
    }
}

size_t FileStream::read(void* buffer, size_t size)
{
    if (m_mode != Mode::read)
        throw FileError(FileError::Cause::generic, m_path, "\"" + m_path + "\" is open for writing");
    if (m_fd < 0)
        return 0;
    auto* out = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    while (done < size) {
        if (m_bufferPos == m_bufferEnd) {
            // Large reads skip the buffer.
            if (size - done >= kBufferSize) {
                const ssize_t n = ::read(m_fd, out + done, size - done);
                if (n < 0) {
                    if (errno == EINTR)
                        continue;
                    throw FileError::fromErrno(errno, m_path, "read");
                }
                if (n == 0)
                    break;
                done += static_cast<size_t>(n);
                continue;
            }
            const ssize_t n = ::read(m_fd, m_buffer.data(), m_buffer.size());
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw FileError::fromErrno(errno, m_path, "read");
            }
            if (n == 0)
                break;
            m_bufferPos = 0;
            m_bufferEnd = static_cast<size_t>(n);
        }
        const size_t count = std::min(size - done, m_bufferEnd - m_bufferPos);
        std::memcpy(out + done, m_buffer.data() + m_bufferPos, count);
        m_bufferPos += count;
        done += count;
    }
    m_consumed += done;
    return done;
}

void FileStream::write(const void* data, size_t size)
{
    if (m_mode != Mode::write || m_fd < 0)
        throw FileError(FileError::Cause::generic, m_path, "\"" + m_path + "\" is not open for writing");
    const auto* in = static_cast<const uint8_t*>(data);
    if (m_bufferEnd + size > m_buffer.size()) {
        flush();
        if (size >= m_buffer.size()) {
            writeAll(in, size);
            return;
        }
    }
    std::memcpy(m_buffer.data() + m_bufferEnd, in, size);
    m_bufferEnd += size;
}

std::optional<uint64_t> FileStream::remaining() const
{
    if (m_mode != Mode::read)
        return 0;
    if (!m_sizeKnown)
        return std::nullopt;
    return m_consumed < m_size ? m_size - m_consumed : 0;
}

void FileStream::flush()
{
    if (m_mode != Mode::write || m_fd < 0 || m_bufferEnd == 0)
        return;
    const size_t pending = m_bufferEnd;
    m_bufferEnd = 0;
    writeAll(m_buffer.data(), pending);
}

void FileStream::close()
{
    if (m_fd < 0)
        return;
    int error = 0;
    try {
        flush();
    } catch (const FileError&) {
        ::close(m_fd);
        m_fd = -1;
        throw;
    }
    if (::close(m_fd) != 0 && m_mode == Mode::write)
        error = errno;
    m_fd = -1;
    if (error != 0 && error != EINTR)
        throw FileError::fromErrno(error, m_path, "write");
}

void FileStream::writeAll(const uint8_t* data, size_t size)
{
    while (size > 0) {
        const ssize_t n = ::write(m_fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError::fromErrno(errno, m_path, "write");
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
}

}  // namespace plat
