#pragma once

#include "platform/core/LargePages.h"

#include <cstddef>
#include <new>

namespace plat {

// A standard allocator over LargePages, for std::vector and the like.
template <typename T>
class LargePageAllocator {
public:
    using value_type = T;

    LargePageAllocator() noexcept = default;
    template <typename U>
    LargePageAllocator(const LargePageAllocator<U>&) noexcept {}

    T* allocate(size_t count)
    {
        if (count > static_cast<size_t>(-1) / sizeof(T))
            throw std::bad_array_new_length();
        return static_cast<T*>(LargePages::allocate(count * sizeof(T)));
    }
    void deallocate(T* block, size_t count) noexcept { LargePages::deallocate(block, count * sizeof(T)); }

    template <typename U>
    bool operator==(const LargePageAllocator<U>&) const noexcept { return true; }
};

}  // namespace plat
