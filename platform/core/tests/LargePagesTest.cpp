#include "platform/core/LargePageAllocator.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <numeric>
#include <vector>

namespace {

using plat::LargePages;

TEST(LargePagesTest, BlocksOfEverySizeHoldWhatIsWrittenAndBigOnesAreAligned)
{
    const size_t sizes[] = {1, 4096, LargePages::kThreshold - 1, LargePages::kThreshold,
                            LargePages::kThreshold + 1, 3 * LargePages::kHugePage + 12345};
    for (const size_t size : sizes) {
        SCOPED_TRACE(size);
        auto* const block = static_cast<unsigned char*>(LargePages::allocate(size));
        ASSERT_NE(block, nullptr);
        std::memset(block, 0xA5, size);
        EXPECT_EQ(block[0], 0xA5);
        EXPECT_EQ(block[size - 1], 0xA5);
        if (size >= LargePages::kThreshold) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % LargePages::kHugePage, 0u);
        }
        LargePages::deallocate(block, size);
    }
    LargePages::deallocate(nullptr, LargePages::kThreshold);
}

TEST(LargePagesTest, VectorKeepsItsValuesWhenItGrowsFromTheHeapIntoMappedBlocks)
{
    std::vector<uint32_t, plat::LargePageAllocator<uint32_t>> values;
    const uint32_t count = 3 * LargePages::kThreshold / sizeof(uint32_t);
    for (uint32_t i = 0; i < count; ++i)
        values.push_back(i * 7u);
    ASSERT_EQ(values.size(), count);
    for (uint32_t i = 0; i < count; i += 4099)
        ASSERT_EQ(values[i], i * 7u);
    EXPECT_EQ(values.back(), (count - 1) * 7u);

    auto copy = values;
    values.clear();
    values.shrink_to_fit();
    EXPECT_EQ(copy[count / 2], count / 2 * 7u);
}

TEST(LargePagesTest, ImpossibleRequestsThrow)
{
    plat::LargePageAllocator<uint64_t> allocator;
    EXPECT_THROW(allocator.allocate(static_cast<size_t>(-1) / 4), std::bad_array_new_length);
    EXPECT_THROW(LargePages::allocate(static_cast<size_t>(1) << 62), std::bad_alloc);
}

}  // namespace
