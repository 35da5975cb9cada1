// The selection's element counts agree with a plain map through any mix of counting and
// forgetting, including the removals that must close the gaps in a run of probed slots.

#include "notabase/states/MCElementCounts.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace {

// Addresses that are never followed: the counts only compare and hash them. Evenly spaced
// ones spread over the table; scattered ones (stride 0) also land on the same slots.
std::vector<ECBase*> addresses(size_t count, uintptr_t stride)
{
    std::mt19937_64 random(3);
    std::vector<ECBase*> result;
    for (size_t i = 1; i <= count; ++i) {
        const uintptr_t address = stride ? uintptr_t{0x10000} + i * stride : (random() & 0xFFFFFFFFF0u) + 16;
        result.push_back(reinterpret_cast<ECBase*>(address));
    }
    return result;
}

TEST(ElementCountsTest, AgreesWithAMapThroughRandomCountingAndForgetting)
{
    for (const uintptr_t stride : {uintptr_t{0}, uintptr_t{8}, uintptr_t{64}, uintptr_t{4096}}) {
        const std::vector<ECBase*> elements = addresses(300, stride);
        std::mt19937 random(7);
        std::uniform_int_distribution<size_t> pick(0, elements.size() - 1);
        MCElementCounts counts;
        std::map<ECBase*, int> expected;
        for (int step = 0; step < 20000; ++step) {
            ECBase* element = elements[pick(random)];
            switch (random() % 8) {
            case 0:
            case 1:
                counts.Add(element);
                ++expected[element];
                break;
            case 2:
            case 3: {
                const bool fresh = expected[element] == 0;
                EXPECT_EQ(counts.AddFirst(element), fresh);
                if (fresh)
                    expected[element] = 1;
                break;
            }
            case 4:
            case 5:
            case 6:
                counts.Remove(element);
                if (auto found = expected.find(element); found != expected.end() && --found->second <= 0)
                    expected.erase(found);
                break;
            default:
                if (step % 5000 == 7) {
                    counts.Clear();
                    expected.clear();
                } else if (step % 3000 == 11) {
                    counts.Reserve(1000);
                }
                break;
            }
            std::erase_if(expected, [](const auto& entry) { return entry.second == 0; });
            ASSERT_EQ(counts.Size(), expected.size()) << "stride " << stride << " step " << step;
        }
        for (ECBase* element : elements) {
            const auto found = expected.find(element);
            EXPECT_EQ(counts.Get(element), found == expected.end() ? 0 : found->second) << stride;
        }
    }
}

TEST(ElementCountsTest, NullAndUnknownElementsCountNothing)
{
    MCElementCounts counts;
    EXPECT_EQ(counts.Get(nullptr), 0);
    counts.Remove(nullptr);
    counts.Add(nullptr);
    EXPECT_FALSE(counts.AddFirst(nullptr));
    EXPECT_TRUE(counts.IsEmpty());
    const std::vector<ECBase*> elements = addresses(2, 16);
    counts.Add(elements[0]);
    counts.Remove(elements[1]);
    EXPECT_EQ(counts.Get(elements[0]), 1);
    EXPECT_EQ(counts.Get(elements[1]), 0);
    EXPECT_EQ(counts.Size(), 1u);
}

}  // namespace
