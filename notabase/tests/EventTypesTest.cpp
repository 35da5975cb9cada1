#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

namespace {

// The ids of no class, the envelope containers and points, the bank selects and the glissando.
const std::set<int> notCreatable = {-1, 3, 4, 11, 19, 22, 23, 26, 34, 38, 39, 42, 46, 48, 52, 53, 58, 63, 68, 69, 75, 1000};

TEST(EventTypesTest, IdsWithoutACreatableClassGiveNull)
{
    for (int id : notCreatable) {
        EXPECT_EQ(GetEventRuntimeClass(id), nullptr) << id;
        EXPECT_EQ(CreateEvent(id), nullptr) << id;
    }
}

TEST(EventTypesTest, EveryClassMadeByIdReportsThatId)
{
    // Every id that is not refused has its class.
    for (int id = 0; id < EventId::Count; ++id) {
        if (!notCreatable.count(id)) {
            EXPECT_NE(GetEventRuntimeClass(id), nullptr) << id;
        }
    }
    EXPECT_EQ(GetEventRuntimeClass(EventId::WithChild), &ECWithChild::classObject);
    for (int id = 0; id < EventId::Count; ++id) {
        const plat::RuntimeClass* cls = GetEventRuntimeClass(id);
        if (!cls)
            continue;
        ECBase* made = CreateEvent(id);
        ASSERT_NE(made, nullptr) << id;
        EXPECT_EQ(made->runtimeClass(), cls);
        EXPECT_EQ(made->GetEventId(), id);
        EXPECT_EQ(made->GetRefCount(), 0u);
        EXPECT_EQ(made->Unref(1), 0u);
    }
}

TEST(EventTypesTest, FixedIdsOfTheTable)
{
    // Case-insensitive order puts these pairs the other way round from a case-sensitive sort.
    EXPECT_EQ(EventId::ChannelMode, 9);
    EXPECT_EQ(EventId::ChanPressureEnv, 11);
    EXPECT_EQ(EventId::Envelope, 22);
    EXPECT_EQ(EventId::EnvPoint, 23);
    EXPECT_EQ(EventId::Note, 37);
    EXPECT_EQ(EventId::NRPNEnv, 38);
    EXPECT_EQ(EventId::Repeat, 50);
    EXPECT_EQ(EventId::RPNEnv, 52);
    EXPECT_EQ(EventId::Tremolo, 64);
    EXPECT_EQ(EventId::Wave, 70);
    EXPECT_EQ(EventId::Count, 75);
}

}  // namespace
