#pragma once

#include "platform/storage/PlatStorageExport.h"

#include <stdexcept>
#include <string>

namespace plat {

// Thrown when a compound file cannot be opened, read or written.
class PLATSTORAGE_API StorageError : public std::runtime_error {
public:
    enum class Cause {
        generic,
        notFound,      // the file does not exist, or the storage holds no such stream
        accessDenied,  // no permission to open the file
        locked,        // another holder has the file open
        invalid,       // the file claims to be a compound file but is damaged or foreign
        tooLarge,      // larger than a document may be
        writeFailed,   // the new file could not be written; the old one is untouched
    };

    StorageError(Cause cause, std::string path, const std::string& what)
        : std::runtime_error(what), m_cause(cause), m_path(std::move(path))
    {
    }
    Cause cause() const { return m_cause; }
    const std::string& path() const { return m_path; }

private:
    Cause m_cause;
    std::string m_path;
};

}  // namespace plat
