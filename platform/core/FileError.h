#pragma once

#include "platform/core/PlatCoreExport.h"

#include <stdexcept>
#include <string>

namespace plat {

// Thrown when a file cannot be opened, read or written; carries the cause and the path.
class PLATCORE_API FileError : public std::runtime_error {
public:
    enum class Cause {
        generic,
        notFound,      // the file or a folder on its path does not exist
        accessDenied,  // no permission, or a folder or read-only file system where a file was meant
        locked,        // another open stream holds the file
        diskFull,      // no space left, or the quota is exhausted
    };

    FileError(Cause cause, std::string path, const std::string& what);

    // The cause for an errno value of a failed open, read or write.
    static Cause causeFromErrno(int error);
    // An error for errno from a failed operation; the message names the path and the cause.
    static FileError fromErrno(int error, const std::string& path, const char* operation);

    Cause cause() const { return m_cause; }
    const std::string& path() const { return m_path; }

private:
    Cause m_cause;
    std::string m_path;
};

}  // namespace plat
