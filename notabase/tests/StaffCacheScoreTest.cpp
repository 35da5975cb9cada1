#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/MCStaffCache.h"
#include "notabase/tests/ScorePiece.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// The clefs and keys of a staff's measures answered through the staff's cache.
class StaffCacheScoreTest : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        addStaves(2);
        addBarsUpTo(32);
    }

    ECStaff* staff(int number) { return conductorStaff().GetStaff(number, 0); }
    ECMeasure* measureAt(int staffNumber, float time) { return m_conductor->GetMeasure(staffNumber, MCTime(time), 0, 0); }

    template <class T>
    T* add(int staffNumber, float time, unsigned char hand = 0)
    {
        auto* element = new T;
        MCTime t(time);
        element->SetTime(&t);
        element->SetHand(hand);
        EXPECT_EQ(measureAt(staffNumber, time)->AddChild(element, 1), 1);
        return element;
    }
    static void moveTo(ECBase* element, float time)
    {
        MCTime t(time);
        element->SetTime(&t);
    }
};

TEST_F(StaffCacheScoreTest, MeasuresKeepTheCacheAsClefsAndKeysComeAndGo)
{
    ECClef* clef = add<ECClef>(1, 4);
    ECKey* key = add<ECKey>(1, 8, 1);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(4.0f), 0), clef);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(30.0f), 0), clef);
    EXPECT_EQ(staff(1)->GetKeyAtTime(MCTime(9.0f), 1), key);
    EXPECT_EQ(staff(1)->GetKeyAtTime(MCTime(9.0f), 0), nullptr);
    EXPECT_EQ(staff(2)->GetClefAtTime(MCTime(4.0f), 0), nullptr) << "each staff has its own";

    EXPECT_EQ(measureAt(1, 4)->RemoveChild(clef, 0), 1);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(4.0f), 0), nullptr);
    EXPECT_EQ(measureAt(1, 8)->RemoveChildren(0), 1);
    EXPECT_EQ(staff(1)->GetKeyAtTime(MCTime(9.0f), 1), nullptr);
    EXPECT_EQ(staff(1)->GetCache()->EventIsCached(key), 0);

    // A measure outside any staff leaves caches alone.
    auto loose = std::make_unique<ECMeasure>();
    auto* looseKey = new ECKey;
    EXPECT_EQ(loose->AddChild(looseKey, 0), 1);
    EXPECT_EQ(loose->RemoveChild(looseKey, 0), 1);
}

TEST_F(StaffCacheScoreTest, KeysAndClefsCarryTheCacheWithThemInTime)
{
    ECKey* key = add<ECKey>(1, 4);
    moveTo(key, 6);
    EXPECT_EQ(staff(1)->GetKeyAtTime(MCTime(5.0f), 0), nullptr);
    EXPECT_EQ(staff(1)->GetKeyAtTime(MCTime(6.0f), 0), key);
    MCTime from, to;
    staff(1)->GetKeyScope(key, from, to, 0);
    EXPECT_EQ(from.GetSeconds(), 6.0f);
    EXPECT_EQ(to, MCTime::TimeMax());

    // Outside a staff only the time changes.
    ECKey alone;
    moveTo(&alone, 3);
    EXPECT_EQ(alone.GetTime()->GetSeconds(), 3.0f);
}

TEST_F(StaffCacheScoreTest, AClefMovedOntoAnotherOfItsHandIsNotLost)
{
    ECClef* a = add<ECClef>(1, 4);
    ECClef* b = add<ECClef>(1, 8);
    ECClef* otherHand = add<ECClef>(1, 8, 1);
    moveTo(a, 8);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(8.0f), 0), b) << "the one already there stays in force";
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(4.0f), 0), nullptr);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(8.0f), 1), otherHand);

    // Moving on, the clef in force makes way for the one it hid, as a shift of everything
    // after a time moves them one by one.
    moveTo(b, 12);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(8.0f), 0), a);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(12.0f), 0), b);

    // So does one that leaves its measure.
    moveTo(b, 8);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(8.0f), 0), a);
    EXPECT_EQ(a->GetParents()->GetHead()->RemoveChild(a, 0), 1) << "out of the measure it was added to";
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(8.0f), 0), b);
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(13.0f), 0), b);
}

TEST_F(StaffCacheScoreTest, KeysMoveBetweenStavesAndHands)
{
    ECKey* key = add<ECKey>(1, 4);
    // To the other staff: out of one measure, into the other.
    ECMeasure* from = measureAt(1, 4);
    ECMeasure* to = measureAt(2, 4);
    MCEventList hold;
    hold.AddTail(key);
    EXPECT_EQ(from->RemoveChild(key, 0), 1);
    EXPECT_EQ(to->AddChild(key, 1), 1);
    EXPECT_EQ(staff(1)->GetKeyAtTime(MCTime(5.0f), 0), nullptr);
    EXPECT_EQ(staff(2)->GetKeyAtTime(MCTime(5.0f), 0), key);

    // To the other hand: the cache is told by taking the key out and putting it back.
    EXPECT_EQ(to->RemoveChild(key, 0), 1);
    key->SetHand(1);
    EXPECT_EQ(to->AddChild(key, 1), 1);
    EXPECT_EQ(staff(2)->GetKeyAtTime(MCTime(5.0f), 0), nullptr);
    EXPECT_EQ(staff(2)->GetKeyAtTime(MCTime(5.0f), 1), key);
    EXPECT_EQ(staff(2)->RecacheEvent(key, 1), 1);
    EXPECT_EQ(staff(2)->GetKeyAtTime(MCTime(5.0f), 1), key);
}

TEST_F(StaffCacheScoreTest, ALoadedPieceAnswersAsTheStoredOne)
{
    ECClef* clef = add<ECClef>(1, 0);
    add<ECClef>(1, 12, 1);
    add<ECKey>(2, 4);
    ECKey* flats = add<ECKey>(2, 20);
    flats->SetNumFlats(3);
    const auto bytes = storePiece(*m_performance);
    ECPerformance* loaded = loadPiece(bytes);
    auto* conductor = static_cast<ECConductor*>(loaded->GetConductor());
    ECConductorStaff* cs = conductor->GetConductorStaff();
    for (int number = 1; number <= 2; ++number) {
        for (float t = 0.0f; t < 32.0f; t += 2.0f) {
            for (unsigned char hand = 0; hand < 2; ++hand) {
                SCOPED_TRACE(testing::Message() << "staff " << number << " time " << t << " hand " << int(hand));
                ECClef* before = staff(number)->GetClefAtTime(MCTime(t), hand);
                ECClef* after = cs->GetStaff(number, 0)->GetClefAtTime(MCTime(t), hand);
                ASSERT_EQ(before == nullptr, after == nullptr);
                if (before) {
                    EXPECT_TRUE(*before == *after && *before->GetTime() == *after->GetTime());
                }
                ECKey* keyBefore = staff(number)->GetKeyAtTime(MCTime(t), hand);
                ECKey* keyAfter = cs->GetStaff(number, 0)->GetKeyAtTime(MCTime(t), hand);
                ASSERT_EQ(keyBefore == nullptr, keyAfter == nullptr);
                if (keyBefore) {
                    EXPECT_TRUE(*keyBefore == *keyAfter && *keyBefore->GetTime() == *keyAfter->GetTime());
                }
            }
        }
    }
    releasePiece(loaded);

    // Rebuilding from the measures gives the same answers as keeping the cache in step.
    staff(1)->GetCache()->DeleteCache();
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(1.0f), 0), nullptr);
    conductorStaff().RebuildStaffCaches();
    EXPECT_EQ(staff(1)->GetClefAtTime(MCTime(1.0f), 0), clef);
}

}  // namespace
