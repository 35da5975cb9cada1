#include "platform/core/FileError.h"

#include "platform/core/Strings.h"

#include <cerrno>
#include <cstring>

namespace plat {

FileError::FileError(Cause cause, std::string path, const std::string& what)
    : std::runtime_error(what), m_cause(cause), m_path(std::move(path))
{
}

FileError::Cause FileError::causeFromErrno(int error)
{
    switch (error) {
    case ENOENT:
    case ENOTDIR:
        return Cause::notFound;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR:
        return Cause::accessDenied;
    case EWOULDBLOCK:
    case ETXTBSY:
        return Cause::locked;
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return Cause::diskFull;
    default:
        return Cause::generic;
    }
}

FileError FileError::fromErrno(int error, const std::string& path, const char* operation)
{
    char buffer[256];
    // The GNU strerror_r returns the text, which may or may not be in buffer.
    const char* text = strerror_r(error, buffer, sizeof buffer);
    return FileError(causeFromErrno(error), path, format("cannot %s \"%s\": %s", operation, path.c_str(), text));
}

}  // namespace plat
