#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/MCStaffCache.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <random>
#include <set>

namespace {

template <class T>
std::unique_ptr<T> at(float time, unsigned char hand = 0)
{
    auto element = std::make_unique<T>();
    MCTime t(time);
    element->SetTime(&t);
    element->SetHand(hand);
    return element;
}

std::vector<float> pointTimes(const MCCache& cache)
{
    std::vector<float> times;
    for (int i = 0; i < cache.GetPointCount(); ++i)
        times.push_back(cache.GetPoint(i)->time.GetSeconds());
    return times;
}

class StaffCacheTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

TEST_F(StaffCacheTest, AFreshCacheKnowsNothingAndStartsAtZero)
{
    MCStaffCache cache;
    EXPECT_EQ(cache.GetPointCount(), 0);
    for (float t : {0.0f, 3.0f, 1e6f}) {
        EXPECT_EQ(cache.GetClefAtTime(MCTime(t), 0), nullptr);
        EXPECT_EQ(cache.GetKeyAtTime(MCTime(t), 1), nullptr);
    }
    EXPECT_EQ(pointTimes(cache), std::vector<float>{0.0f});
}

TEST_F(StaffCacheTest, AClefHoldsFromItsTimeOn)
{
    MCStaffCache cache;
    auto clef = at<ECClef>(4);
    EXPECT_EQ(cache.CacheEvent(clef.get(), 0), 1);
    EXPECT_EQ(cache.GetClefAtTime(MCTime(3.0f), 0), nullptr);
    EXPECT_EQ(cache.GetClefAtTime(MCTime(4.0f), 0), clef.get());
    EXPECT_EQ(cache.GetClefAtTime(MCTime(100.0f), 0), clef.get());
    EXPECT_EQ(cache.GetClefBeforeTime(MCTime(4.0f), 0), nullptr);
    EXPECT_EQ(cache.GetClefBeforeTime(MCTime(5.0f), 0), clef.get());
    EXPECT_EQ(cache.GetClefAtTime(MCTime(5.0f), 1), nullptr) << "the other hand has none";
    EXPECT_EQ(cache.GetKeyAtTime(MCTime(5.0f), 0), nullptr);
    EXPECT_EQ(cache.EventIsCached(clef.get()), 1);
}

TEST_F(StaffCacheTest, OneClefOrKeyPerHandAndTime)
{
    MCStaffCache cache;
    auto first = at<ECClef>(4);
    auto second = at<ECClef>(4);
    auto otherHand = at<ECClef>(4, 1);
    auto key = at<ECKey>(4);
    EXPECT_EQ(cache.CacheEvent(first.get(), 0), 1);
    EXPECT_EQ(cache.CacheEvent(second.get(), 0), 0);
    EXPECT_EQ(cache.CacheEvent(first.get(), 0), 0) << "nor the same one twice";
    EXPECT_EQ(cache.CacheEvent(otherHand.get(), 1), 1);
    EXPECT_EQ(cache.CacheEvent(key.get(), 0), 1);
    EXPECT_EQ(cache.GetClefAtTime(MCTime(4.0f), 1), otherHand.get());
    EXPECT_EQ(cache.GetKeyAtTime(MCTime(4.0f), 0), key.get());
    EXPECT_EQ(pointTimes(cache), (std::vector<float>{0.0f, 4.0f}));

    TENote note(4.0f);
    EXPECT_EQ(cache.CacheEvent(&note, 0), 0);
    EXPECT_EQ(MCStaffCache::IsCacheEvent(&note), 0);
    EXPECT_EQ(MCStaffCache::IsCacheEvent(key.get()), 1);
}

TEST_F(StaffCacheTest, UncachingGivesTheSlotBackAndDropsEmptyPoints)
{
    MCStaffCache cache;
    auto a = at<ECClef>(0);
    auto b = at<ECClef>(8);
    cache.CacheEvent(a.get(), 0);
    cache.CacheEvent(b.get(), 0);
    MCTime from, to;
    cache.GetClefScope(a.get(), from, to, 0);
    EXPECT_EQ(from.GetSeconds(), 0.0f);
    EXPECT_EQ(to.GetSeconds(), 8.0f);
    EXPECT_EQ(cache.GetClefBeforeTime(MCTime(8.0f), 0), a.get());

    EXPECT_EQ(cache.UncacheEvent(b.get(), 0), 1);
    EXPECT_EQ(cache.GetClefAtTime(MCTime(9.0f), 0), a.get());
    EXPECT_EQ(pointTimes(cache), std::vector<float>{0.0f});
    cache.GetClefScope(a.get(), from, to, 0);
    EXPECT_EQ(from.GetSeconds(), 0.0f);
    EXPECT_EQ(to, MCTime::TimeMax());
    EXPECT_EQ(cache.UncacheEvent(b.get(), 0), 0) << "not cached any more";

    // A point that still marks a change of another slot stays.
    auto key = at<ECKey>(8);
    cache.CacheEvent(b.get(), 0);
    cache.CacheEvent(key.get(), 0);
    cache.UncacheEvent(b.get(), 0);
    EXPECT_EQ(pointTimes(cache), (std::vector<float>{0.0f, 8.0f}));
    EXPECT_EQ(cache.GetClefAtTime(MCTime(8.0f), 0), a.get());
    EXPECT_EQ(cache.EventIsCached(b.get()), 0);

    // The scope of a clef not in force at its own time is nothing.
    cache.GetClefScope(b.get(), from, to, 0);
    EXPECT_EQ(from, MCTime::TimeNull());
    EXPECT_EQ(to, MCTime::TimeNull());
}

TEST_F(StaffCacheTest, NegativeTimesAreRefused)
{
    MCCache cache(2);
    int object = 0;
    const MCTime negative(-1.0f);
    EXPECT_EQ(cache.CacheObject(&object, negative, 0), 0);
    EXPECT_EQ(cache.CacheObject(&object, MCTime::TimeNull(), 0), 0);
    EXPECT_EQ(cache.CacheObject(&object, MCTime(1.0f), 2), 0) << "a slot out of range";
    EXPECT_EQ(cache.CacheObject(&object, MCTime(1.0f), 0), 1);
    EXPECT_EQ(cache.UncacheObject(&object, negative, 0), 0);
    EXPECT_EQ(cache.GetObjectForTime(negative, 0), nullptr);
    EXPECT_EQ(cache.GetObjectBeforeTime(negative, 0), nullptr);
    MCTime from(5.0f), to(5.0f);
    cache.GetObjectScope(&object, negative, 0, from, to);
    EXPECT_EQ(from, MCTime::TimeNull());
    EXPECT_EQ(cache.ObjectIsCached(&object, 2), 0);
    EXPECT_EQ(cache.ObjectIsCached(&object, -1), 1);
    auto clef = at<ECClef>(-2);
    MCStaffCache staffCache;
    EXPECT_EQ(staffCache.CacheEvent(clef.get(), 0), 0);
}

TEST_F(StaffCacheTest, BuildTrimAndResize)
{
    MCEventList events;
    for (float t : {0.0f, 4.0f, 8.0f}) {
        auto* clef = new ECClef(static_cast<unsigned char>(t));
        MCTime time(t);
        clef->SetTime(&time);
        events.AddTail(clef);
        auto* key = new ECKey;
        key->SetHand(1);
        key->SetTime(&time);
        events.AddTail(key);
    }
    events.AddTail(new TENote(2.0f));
    MCStaffCache cache;
    cache.BuildCache(events);
    EXPECT_EQ(pointTimes(cache), (std::vector<float>{0.0f, 4.0f, 8.0f}));
    EXPECT_EQ(cache.GetKeyAtTime(MCTime(5.0f), 1), events.GetAt(events.FindIndex(3)));
    EXPECT_EQ(cache.GetKeyAtTime(MCTime(5.0f), 0), nullptr);

    cache.DeleteCacheAfter(MCTime(5.0f));
    EXPECT_EQ(pointTimes(cache), (std::vector<float>{0.0f, 4.0f}));
    EXPECT_EQ(cache.GetClefAtTime(MCTime(9.0f), 0), events.GetAt(events.FindIndex(2)));

    cache.SetSize(6);
    EXPECT_EQ(cache.GetSize(), 6);
    EXPECT_EQ(cache.GetPoint(1)->objects.size(), 6u);
    cache.SetSize(0);
    EXPECT_EQ(cache.GetSize(), 6);
    cache.DeleteCache();
    EXPECT_EQ(cache.GetPointCount(), 0);
}

// Random caching and uncaching of clefs and keys, against the rule that the element in force in
// a slot at a time is the cached one of that slot that begins last at or before it.
TEST_F(StaffCacheTest, AgreesWithTheLastBeginningOnRandomChanges)
{
    std::mt19937 random(12345);
    MCEventList keep;
    struct Entry {
        ECBase* element;
        unsigned char hand;
        int slot;
        float time;
    };
    std::vector<Entry> pool;
    for (int i = 0; i < 60; ++i) {
        const bool clef = i % 2 == 0;
        const unsigned char hand = static_cast<unsigned char>((i / 2) % 2);
        const float time = static_cast<float>(random() % 41) * 0.5f;
        ECBase* element = clef ? static_cast<ECBase*>(new ECClef) : new ECKey;
        MCTime t(time);
        element->SetTime(&t);
        keep.AddTail(element);
        pool.push_back({element, hand, (clef ? 0 : 2) + hand, time});
    }
    MCStaffCache cache;
    std::set<int> cached;
    auto inForce = [&](int slot, float t, bool strictlyBefore) -> ECBase* {
        ECBase* found = nullptr;
        float best = -1.0f;
        for (int i : cached) {
            const Entry& e = pool[static_cast<size_t>(i)];
            if (e.slot == slot && (strictlyBefore ? e.time < t : e.time <= t) && e.time > best) {
                best = e.time;
                found = e.element;
            }
        }
        return found;
    };
    auto clashes = [&](int candidate) {
        for (int i : cached) {
            if (pool[static_cast<size_t>(i)].slot == pool[static_cast<size_t>(candidate)].slot &&
                pool[static_cast<size_t>(i)].time == pool[static_cast<size_t>(candidate)].time)
                return true;
        }
        return false;
    };

    for (int step = 0; step < 800; ++step) {
        const int i = static_cast<int>(random() % pool.size());
        const Entry& e = pool[static_cast<size_t>(i)];
        if (cached.count(i)) {
            ASSERT_EQ(cache.UncacheEvent(e.element, e.hand), 1);
            cached.erase(i);
        } else {
            const int expected = clashes(i) ? 0 : 1;
            ASSERT_EQ(cache.CacheEvent(e.element, e.hand), expected) << "step " << step;
            if (expected)
                cached.insert(i);
        }
        std::set<float> starts{0.0f};
        for (int c : cached)
            starts.insert(pool[static_cast<size_t>(c)].time);
        ASSERT_EQ(pointTimes(cache), std::vector<float>(starts.begin(), starts.end())) << "step " << step;
        // Lookups jump about, so the cursor moves both ways.
        for (int probe = 0; probe < 6; ++probe) {
            const float t = static_cast<float>(random() % 46) * 0.5f;
            for (int slot = 0; slot < 4; ++slot) {
                const unsigned char hand = static_cast<unsigned char>(slot % 2);
                ECBase* expectAt = inForce(slot, t, false);
                ECBase* got = slot < 2 ? static_cast<ECBase*>(cache.GetClefAtTime(MCTime(t), hand))
                                       : cache.GetKeyAtTime(MCTime(t), hand);
                ASSERT_EQ(got, expectAt) << "step " << step << " time " << t << " slot " << slot;
                ECBase* expectBefore = starts.count(t) && t > 0.0f ? inForce(slot, t, true) : expectAt;
                ECBase* before = slot < 2 ? static_cast<ECBase*>(cache.GetClefBeforeTime(MCTime(t), hand))
                                          : cache.GetKeyBeforeTime(MCTime(t), hand);
                ASSERT_EQ(before, expectBefore) << "step " << step << " time " << t << " slot " << slot;
            }
        }
    }
    // Scopes of what is cached at the end run from its time to the next beginning of its slot.
    for (int i : cached) {
        const Entry& e = pool[static_cast<size_t>(i)];
        float next = -1.0f;
        for (int j : cached) {
            const Entry& other = pool[static_cast<size_t>(j)];
            if (other.slot == e.slot && other.time > e.time && (next < 0 || other.time < next))
                next = other.time;
        }
        MCTime from, to;
        if (e.slot < 2)
            cache.GetClefScope(static_cast<ECClef*>(e.element), from, to, e.hand);
        else
            cache.GetKeyScope(static_cast<ECKey*>(e.element), from, to, e.hand);
        EXPECT_EQ(from.GetSeconds(), e.time);
        if (next < 0)
            EXPECT_EQ(to, MCTime::TimeMax());
        else
            EXPECT_EQ(to.GetSeconds(), next);
    }
}

}  // namespace
