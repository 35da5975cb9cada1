#pragma once

#include "platform/core/PlatCoreExport.h"

#include <stdexcept>
#include <string>

namespace plat {

// Thrown when an archive cannot be read or written. Nothing read from a stream is trusted:
// every inconsistency ends in one of these, never in a crash.
class PLATCORE_API ArchiveError : public std::runtime_error {
public:
    enum class Cause {
        generic,     // a malformed stream, a limit exceeded, an object that cannot be made
        endOfFile,   // the stream ended inside a record
        badClass,    // an unknown class, or an object of the wrong class
        badSchema,   // a stored schema this program cannot read
        badIndex,    // a reference to a class or object that was never stored
    };

    ArchiveError(Cause cause, const std::string& what) : std::runtime_error(what), m_cause(cause) {}
    Cause cause() const { return m_cause; }

private:
    Cause m_cause;
};

}  // namespace plat
