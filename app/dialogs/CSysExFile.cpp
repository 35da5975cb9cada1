#include "app/dialogs/CSysExFile.h"

#include "notabase/values/FCMidiSysEx.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Closes the descriptor on every path out.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { Close(); }
    int Get() const { return m_fd; }
    // The errno of a failed close, else 0.
    int Close()
    {
        if (m_fd < 0)
            return 0;
        const int result = ::close(m_fd);
        m_fd = -1;
        return result == 0 ? 0 : errno;
    }

private:
    int m_fd;
};

int writeAll(int fd, const unsigned char* bytes, std::size_t length)
{
    while (length) {
        const ssize_t written = ::write(fd, bytes, length);
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        bytes += written;
        length -= std::size_t(written);
    }
    return 0;
}

}  // namespace

int CSysExFile::FromBytes(const unsigned char* bytes, std::size_t length, FCMidiSysEx& message)
{
    if (length > kMaxFileSize)
        return EFBIG;
    message.SetSysExBuf(length ? bytes : nullptr, unsigned(length));
    return 0;
}

int CSysExFile::Read(const std::string& path, FCMidiSysEx& message)
{
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (file.Get() < 0)
        return errno;
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0)
        return errno;
    // A pipe or device could block or never end.
    if (!S_ISREG(status.st_mode))
        return EINVAL;
    if (status.st_size < 0 || std::size_t(status.st_size) > kMaxFileSize)
        return EFBIG;
    const std::size_t size = std::size_t(status.st_size);
    auto buffer = std::make_unique<unsigned char[]>(size ? size : 1);
    std::size_t done = 0;
    // A file that shrinks meanwhile gives what it still holds; one that grows, its first bytes.
    while (done < size) {
        const ssize_t got = ::read(file.Get(), buffer.get() + done, size - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (got == 0)
            break;
        done += std::size_t(got);
    }
    return FromBytes(buffer.get(), done, message);
}

int CSysExFile::Write(const std::string& path, const FCMidiSysEx& message)
{
    if (!message.HasData())
        return EINVAL;
    const std::string temporary = path + ".part";
    FileDescriptor file(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (file.Get() < 0)
        return errno;
    int error = writeAll(file.Get(), message.GetSysExBuf(), message.GetSysExBufLength());
    if (!error && ::fsync(file.Get()) != 0)
        error = errno;
    const int closeError = file.Close();
    if (!error)
        error = closeError;
    if (!error && std::rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error)
        ::unlink(temporary.c_str());
    return error;
}
