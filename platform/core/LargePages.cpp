#include "platform/core/LargePages.h"

#include <sys/mman.h>

#include <cstdint>

namespace plat {

namespace {

size_t MappedSize(size_t bytes)
{
    return (bytes + LargePages::kHugePage - 1) & ~(LargePages::kHugePage - 1);
}

}  // namespace

void* LargePages::allocate(size_t bytes)
{
    if (bytes < kThreshold)
        return ::operator new(bytes);
    const size_t size = MappedSize(bytes);
    // Map one huge page more than needed and give back the unaligned ends, so the block
    // starts and ends on huge page boundaries and every page of it can be a huge one.
    const size_t span = size + kHugePage;
    void* const mapped = mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<uintptr_t>(mapped);
    const uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        munmap(mapped, aligned - start);
    const uintptr_t tail = aligned + size;
    const uintptr_t end = start + span;
    if (end > tail)
        munmap(reinterpret_cast<void*>(tail), end - tail);
    void* const block = reinterpret_cast<void*>(aligned);
    // Only advice: without transparent huge pages the block keeps ordinary pages.
    madvise(block, size, MADV_HUGEPAGE);
    return block;
}

void LargePages::deallocate(void* block, size_t bytes) noexcept
{
    if (block == nullptr)
        return;
    if (bytes < kThreshold) {
        ::operator delete(block);
        return;
    }
    munmap(block, MappedSize(bytes));
}

}  // namespace plat
