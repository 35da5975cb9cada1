#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <future>

namespace {

class ECPerformanceTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

bool lockableFromOtherThread(ECPerformance& p)
{
    return std::async(std::launch::async, [&p] {
               const bool got = p.GetLock().try_lock();
               if (got)
                   p.Unlock();
               return got;
           })
        .get();
}

// A note that, while it loads, checks whether another thread could take the lock of the
// performance being loaded.
class LockProbe : public TENote {
    PLAT_DECLARE_SERIAL(LockProbe)
public:
    void Serialize(plat::Archive& archive) override
    {
        TENote::Serialize(archive);
        if (archive.isLoading() && s_performance)
            s_lockedWhileLoading = !lockableFromOtherThread(*s_performance);
    }
    static ECPerformance* s_performance;
    static bool s_lockedWhileLoading;
};
PLAT_IMPLEMENT_SERIAL(LockProbe, TENote, plat::kVersionableSchema | 2)
ECPerformance* LockProbe::s_performance = nullptr;
bool LockProbe::s_lockedWhileLoading = false;

ECBase* conductorOf(ECPerformance& performance)
{
    return performance.FindConductor();
}

TEST_F(ECPerformanceTest, ActivePerformanceDecidesTheVersion)
{
    EXPECT_EQ(ECPerformance::GetActivePerformance(), nullptr);
    EXPECT_EQ(ECPerformance::GetActiveVersion(), 0x7FFFFFFF);
    ECPerformance p;
    p.SetVersion(2);
    EXPECT_EQ(ECPerformance::SetActivePerformance(&p), nullptr);
    EXPECT_EQ(ECPerformance::GetActiveVersion(), 2);
    EXPECT_EQ(ECPerformance::SetActivePerformance(nullptr), &p);
    EXPECT_EQ(ECPerformance::GetActiveVersion(), 0x7FFFFFFF);

    auto* gone = new ECPerformance;
    ECPerformance::SetActivePerformance(gone);
    delete gone;
    EXPECT_EQ(ECPerformance::GetActivePerformance(), nullptr) << "a destroyed performance is no longer active";
}

TEST_F(ECPerformanceTest, Defaults)
{
    ECPerformance p;
    EXPECT_EQ(p.GetEventId(), EventId::Performance);
    EXPECT_EQ(*p.GetTime(), MCTime::TimeZero());
    EXPECT_EQ(p.GetVoiceTrack()->GetValue(), 0x7FFF);
    EXPECT_EQ(p.GetVersion(), 0);
    ECPerformance q;
    q.SetVoiceTrack(3, 4);
    p.Copy(&q);
    EXPECT_EQ(p.GetTrack(), 4);
    EXPECT_FALSE(p == q);
}

TEST_F(ECPerformanceTest, ConductorIsSearchedUntilFoundThenCached)
{
    ECPerformance p;
    EXPECT_EQ(conductorOf(p), nullptr);
    auto* staffs = new TEStaff;
    p.AddChild(staffs, 0);
    EXPECT_EQ(conductorOf(p), nullptr);
    auto* conductor = new TEConductor;
    p.AddChild(conductor, 0);
    EXPECT_EQ(conductorOf(p), conductor);
    auto* second = new TEConductor;
    p.AddChild(second, 0);
    EXPECT_EQ(conductorOf(p), conductor) << "not searched again";
}

TEST_F(ECPerformanceTest, RemovingTheConductorDropsTheCache)
{
    ECPerformance p;
    auto* conductor = new TEConductor;
    p.AddChild(conductor, 0);
    ASSERT_EQ(conductorOf(p), conductor);
    p.RemoveChild(conductor, 1);  // deleted: nothing else held it
    EXPECT_EQ(conductorOf(p), nullptr);

    auto* again = new TEConductor;
    p.AddChild(again, 0);
    EXPECT_EQ(conductorOf(p), again);
    again->RemoveFromParents();
    EXPECT_EQ(conductorOf(p), nullptr);

    auto* third = new TEConductor;
    p.AddChild(third, 0);
    EXPECT_EQ(conductorOf(p), third);
    p.RemoveChildren(1);
    EXPECT_EQ(conductorOf(p), nullptr);
}

TEST_F(ECPerformanceTest, LockIsReentrantAndExcludesOtherThreads)
{
    ECPerformance p;
    p.Lock();
    p.Lock();
    p.Unlock();
    EXPECT_FALSE(lockableFromOtherThread(p)) << "still held once";
    p.Unlock();
    EXPECT_TRUE(lockableFromOtherThread(p));
}

TEST_F(ECPerformanceTest, SerializeRunsUnderTheLockAndCachesTheConductor)
{
    // Stored as a document does: the performance is mapped, then writes its own record.
    ECPerformance source;
    source.SetVoiceTrack(1, 2);
    auto* conductor = new TEConductor;
    source.AddChild(new TEStaff, 0);
    source.AddChild(conductor, 0);
    auto* measure = new TEMeasure(4);
    conductor->AddChild(measure, 0);
    auto* note = new LockProbe;
    MCTime t(4.5f);
    note->SetTime(&t);
    measure->AddChild(note, 0);
    const auto bytes = storeWith([&source](plat::Archive& a) {
        a.mapObject(&source);
        source.Serialize(a);
    });

    ECPerformance loaded;
    loaded.SetVersion(3);
    ECPerformance::SetActivePerformance(&loaded);
    LockProbe::s_performance = &loaded;
    LockProbe::s_lockedWhileLoading = false;
    loadWith(bytes, [&](plat::Archive& a) {
        a.mapObject(&loaded);
        loaded.Serialize(a);
    });
    LockProbe::s_performance = nullptr;
    EXPECT_TRUE(LockProbe::s_lockedWhileLoading);
    EXPECT_TRUE(lockableFromOtherThread(loaded)) << "and free again afterwards";
    ASSERT_EQ(loaded.GetChildren()->GetCount(), 2);
    ECBase* cached = conductorOf(loaded);
    ASSERT_NE(cached, nullptr);
    EXPECT_EQ(cached->GetEventId(), EventId::Conductor);
    EXPECT_EQ(cached->GetParents()->GetHead(), &loaded);
    EXPECT_EQ(loaded.GetTrack(), 2);
    EXPECT_EQ(loaded.GetDescendant(EventId::Note, -1)->GetTime()->GetSeconds(), 4.5f);
}

}  // namespace
