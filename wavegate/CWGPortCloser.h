#pragma once

#include "platform/media/MediaError.h"

#include <memory>
#include <mutex>

// Closes a MIDI device's port under the lock its callbacks take. A port that closed is moved
// into closed, so that the caller frees it once the lock is let go; one that would not close
// stays where it is.
class CWGPortCloser {
public:
    // The port's error, or kErrorInvalidHandle without a port.
    template <class Port>
    static int Close(std::mutex& lock, std::unique_ptr<Port>& port, std::unique_ptr<Port>& closed)
    {
        int error = plat::media::kErrorInvalidHandle;
        std::lock_guard guard(lock);
        if (port)
            error = port->close();
        if (error == plat::media::kOk)
            closed = std::move(port);
        return error;
    }
};
