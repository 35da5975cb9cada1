#include "rack/outside/plinthbase/GlobalMemory.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace rack {
namespace {

TEST(GlobalMemoryTest, BlocksResizeKeepingTheirBytesAndTossedHandlesAreDead)
{
    GlobalHandle handle = GlobalNew(8);
    ASSERT_NE(GlobalLock(handle), nullptr);
    static_cast<int32_t*>(GlobalLock(handle))[1] = 77;
    handle = GlobalResize(handle, 16);
    EXPECT_EQ(GlobalSize(handle), 16u);
    EXPECT_EQ(static_cast<int32_t*>(GlobalLock(handle))[1], 77);
    EXPECT_EQ(static_cast<int32_t*>(GlobalLock(handle))[3], 0);
    GlobalHandle gone = handle;
    handle = GlobalToss(handle);
    EXPECT_EQ(handle, nullptr);
    EXPECT_EQ(GlobalLock(gone), nullptr);
    EXPECT_EQ(GlobalSize(gone), 0u);
    EXPECT_EQ(GlobalResize(gone, 4), nullptr);
    EXPECT_EQ(GlobalToss(gone), nullptr);
    GlobalHandle empty = GlobalNew(0);
    EXPECT_EQ(GlobalLock(empty), nullptr);
    GlobalToss(empty);
}

}  // namespace
}  // namespace rack
