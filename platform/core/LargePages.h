#pragma once

#include "platform/core/PlatCoreExport.h"

#include <cstddef>
#include <new>

namespace plat {

// Memory for tables of many megabytes that are filled at once: an archive's table of the
// objects it stored, the lists a load builds. The first touch of each fresh 4 KB page traps
// into the kernel, and on a virtual machine that costs microseconds: for a table of 64 MB,
// more than the filling itself. Such blocks are mapped on their own, aligned to 2 MB and
// marked for transparent huge pages, so where the system offers them a 2 MB page is mapped in
// one trap. Where it does not, they are ordinary pages, as with operator new. Smaller
// requests go to operator new unchanged.
class PLATCORE_API LargePages {
public:
    // Requests of at least this many bytes are mapped on their own.
    static constexpr size_t kThreshold = size_t{4} << 20;
    static constexpr size_t kHugePage = size_t{2} << 20;

    // Throws std::bad_alloc when the memory cannot be had.
    static void* allocate(size_t bytes);
    // bytes is the size given to allocate.
    static void deallocate(void* block, size_t bytes) noexcept;
};

}  // namespace plat
