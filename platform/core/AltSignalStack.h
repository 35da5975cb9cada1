#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstddef>
#include <memory>

namespace plat {

// An alternate signal stack for the calling thread, for as long as the object lives: a fatal
// signal handler installed with SA_ONSTACK (the crash report's) then runs even when the
// thread's own stack is what overflowed. A thread that has one already keeps it. Made at the
// top of a thread's function, it goes (and the stack is freed) when the thread ends.
class PLATCORE_API AltSignalStack {
public:
    static constexpr std::size_t kSize = 64 * 1024;

    AltSignalStack();
    ~AltSignalStack();
    AltSignalStack(const AltSignalStack&) = delete;
    AltSignalStack& operator=(const AltSignalStack&) = delete;

    // Whether this object put the stack in place.
    bool installed() const { return m_memory != nullptr; }

private:
    std::unique_ptr<char[]> m_memory;
};

}  // namespace plat
