#include "notabase/model/ECMeter.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECRest.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class TupletTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

ECTuplet* tupletAt(float time, unsigned char irregular = 3, unsigned char normal = 2, unsigned char units = 3)
{
    auto* tuplet = new ECTuplet(irregular, normal, units);
    MCTime t(time);
    tuplet->SetTime(&t);
    return tuplet;
}

TEST_F(TupletTest, EquivalentTuplets)
{
    const struct {
        int irregular, normal;
        unsigned char units;
        int outIrregular, outNormal;
        unsigned char outUnits;
    } cases[] = {
        {3, 1, 3, 3, 2, 4},   {1, 3, 3, 2, 3, 2},   {5, 4, 3, 5, 4, 3},     {3, 2, 3, 3, 2, 3},
        {7, 2, 2, 7, 4, 3},   {2, 9, 4, 8, 9, 2},  {3, 3, 7, 3, 3, 255},   {3, 2, 9, 3, 2, 255},
        {0, 2, 3, 0, 2, 255}, {3, 0, 3, 3, 0, 255}, {-1, 2, 3, -1, 2, 255},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.irregular << ':' << c.normal << " units " << int(c.units));
        int irregular = -9;
        int normal = -9;
        unsigned char units = 99;
        ECTuplet::GetEquivalentTuplet(c.irregular, c.normal, c.units, irregular, normal, units);
        EXPECT_EQ(irregular, c.outIrregular);
        EXPECT_EQ(normal, c.outNormal);
        EXPECT_EQ(units, c.outUnits);
        EXPECT_EQ(ECTuplet::CalcIrregularUnits(c.irregular, c.normal, c.units), c.outUnits);
    }
    EXPECT_EQ(ECTuplet::GetUnitsAsTime(-1).GetSeconds(), 0.0f);
    EXPECT_EQ(ECTuplet::GetUnitsAsTime(0).GetSeconds(), 4.0f);
    EXPECT_EQ(ECTuplet::GetUnitsAsTime(7).GetSeconds(), 0.03125f);
    EXPECT_EQ(ECTuplet::GetUnitsAsTime(8).GetSeconds(), 0.0f);
}

TEST_F(TupletTest, ScalingAndDenominators)
{
    const struct {
        unsigned char irregular, normal, units;
        float written;
        float played;  // < 0: the null time
        int denominator;
    } cases[] = {
        {3, 2, 3, 0.5f, 2.0f * 0.5f / 3.0f, 8},
        {3, 1, 3, 0.25f, 2.0f * 0.25f / 3.0f, 16},
        {5, 4, 4, 0.25f, 0.2f, 16},
        {2, 3, 3, 0.5f, 0.75f, 8},
        {1, 3, 3, 0.5f, 0.75f, 4},
        {5, 2, 3, 0.5f, 0.4f, 16},
        {3, 2, 200, 1.0f, 2.0f / 3.0f, 4},
        {0, 2, 3, 0.5f, -1.0f, 8},
        {3, 0, 3, 0.5f, -1.0f, 8},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.irregular) << ':' << int(c.normal) << " units " << int(c.units));
        ECTuplet tuplet(c.irregular, c.normal, c.units);
        MCTime written(c.written);
        const MCTime played = tuplet.ScaleDuration(&written);
        if (c.played < 0)
            EXPECT_EQ(played, MCTime::TimeNull());
        else
            EXPECT_FLOAT_EQ(played.GetSeconds(), c.played);
        EXPECT_EQ(tuplet.GetAdjustedDenominator(), c.denominator);
    }
}

struct RangeCase {
    const char* name;
    unsigned char numerator, denominator;
    unsigned char irregular, normal, units;
    float relative;  // the tuplet's time in its measure
    float start, end, writtenStart, writtenEnd;
    int valid;
};

TEST_F(TupletTest, GroupsAreFoundInTheBorrowedMeter)
{
    const RangeCase cases[] = {
        // 4/4, eighth triplets: four groups of three eighths, each played in a quarter.
        {"eighth triplet, second beat", 4, 4, 3, 2, 3, 1.0f, 1.0f, 2.0f, 1.5f, 3.0f, 0},
        {"eighth triplet, last beat", 4, 4, 3, 2, 3, 3.5f, 3.0f, 4.0f, 4.5f, 6.0f, 0},
        {"past the bar", 4, 4, 3, 2, 3, 4.5f, 4.0f, 5.0f, 6.0f, 7.5f, 1},
        // 6/8, a duplet on each dotted quarter.
        {"duplet", 6, 8, 2, 3, 3, 1.5f, 1.5f, 3.0f, 1.0f, 2.0f, 0},
        // 4/4, half-note triplet over the whole bar.
        {"half triplet", 4, 4, 3, 2, 1, 0.0f, 0.0f, 4.0f, 0.0f, 6.0f, 0},
        // 3/4, quarter triplet: a group of two quarters' time, then one plain quarter.
        {"quarter triplet in 3/4", 3, 4, 3, 2, 2, 0.5f, 0.0f, 2.0f, 0.0f, 3.0f, 0},
        {"after the group in 3/4", 3, 4, 3, 2, 2, 2.5f, 2.0f, 3.0f, 3.0f, 6.0f, 0},
        // 5/8 beats 2+3: the quarter's beat takes a triplet, the dotted quarter one and an eighth.
        {"eighth triplet in 5/8", 5, 8, 3, 2, 3, 1.25f, 1.0f, 2.0f, 1.5f, 3.0f, 0},
        {"the eighth left in 5/8", 5, 8, 3, 2, 3, 2.25f, 2.0f, 2.5f, 3.0f, 4.5f, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto measure = std::make_unique<ECMeasure>();
        MCTime bar(8.0f);
        measure->SetTime(&bar);
        ECMeter meter(c.numerator, c.denominator, 0);
        ECTuplet* tuplet = tupletAt(8.0f + c.relative, c.irregular, c.normal, c.units);
        measure->AddChild(tuplet, 1);
        MCTime start, end;
        ASSERT_EQ(tuplet->GetTupletRange(measure.get(), &meter, start, end, 0), 1);
        EXPECT_EQ(start.GetSeconds(), c.start);
        EXPECT_EQ(end.GetSeconds(), c.end);
        ASSERT_EQ(tuplet->GetTupletRange(measure.get(), &meter, start, end, 1), 1);
        EXPECT_EQ(start.GetSeconds(), c.writtenStart);
        EXPECT_EQ(end.GetSeconds(), c.writtenEnd);
        EXPECT_EQ(tuplet->IsValid(measure.get(), &meter), c.valid);
    }
}

TEST_F(TupletTest, TupletsThatCannotBePlaced)
{
    auto measure = std::make_unique<ECMeasure>();
    MCTime zero(0.0f);
    measure->SetTime(&zero);
    ECMeter meter(4, 4, 0);
    const struct {
        const char* name;
        unsigned char irregular, normal, units;
    } cases[] = {
        {"no standard unit", 3, 3, 7},
        {"no irregular count", 0, 2, 3},
        {"no normal count", 3, 0, 3},
        {"no unit", 3, 2, 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ECTuplet* tuplet = tupletAt(1.0f, c.irregular, c.normal, c.units);
        measure->AddChild(tuplet, 1);
        EXPECT_EQ(tuplet->IsValid(measure.get(), &meter), 2);
        ECMeter borrowed;
        if (c.units != 7) {
            MCTime start, end;
            EXPECT_EQ(tuplet->GetTupletRange(measure.get(), &meter, start, end, 0), 0);
            EXPECT_EQ(tuplet->SetupBorrowedMeter(&meter, &borrowed), 0);
        }
        std::vector<unsigned char> numerators, denominators;
        int position = 0;
        if (c.irregular == 0 || c.normal == 0) {
            EXPECT_EQ(tuplet->FitInside(&meter, numerators, denominators, 0.5f, 4.0f, position, 0), 0);
        }
        measure->RemoveChild(tuplet, 0);
    }
    // A tuplet with no time and no timed member has nowhere to be.
    ECTuplet* untimed = new ECTuplet;
    measure->AddChild(untimed, 1);
    MCTime start, end;
    EXPECT_EQ(untimed->GetTupletRange(measure.get(), &meter, start, end, 0), 0);
}

TEST_F(TupletTest, BorrowedMetersAndTheirSteps)
{
    ECMeter common(4, 4, 0);
    ECTuplet triplet;
    int level = 0, index = 0;
    EXPECT_EQ(triplet.FindFit(&common, 1.0f, level, index, 0), 1);
    EXPECT_EQ(level, 2);
    EXPECT_EQ(index, 4);
    EXPECT_EQ(triplet.FindFit(&common, 4.0f, level, index, 1), 1);
    EXPECT_EQ(level, 0);
    EXPECT_EQ(index, 0);
    EXPECT_EQ(triplet.FindFit(&common, 0.75f, level, index, 0), 0);
    EXPECT_EQ(level, -1);
    EXPECT_EQ(index, -1);
    EXPECT_EQ(triplet.FindFit(&common, 0.75f, level, index, 2), 1);
    EXPECT_EQ(level, 2) << "the finest level with a longer part";

    // Groups of three eighths over a span of 3.5 quarters: three groups, then a half-quarter.
    std::vector<unsigned char> numerators{9}, denominators{9};
    int position = 0;
    EXPECT_EQ(triplet.FitInside(&common, numerators, denominators, 0.5f, 3.5f, position, 1), 1);
    EXPECT_EQ(position, 3);
    EXPECT_EQ(numerators, (std::vector<unsigned char>{3, 3, 3, 1}));
    EXPECT_EQ(denominators, (std::vector<unsigned char>{8, 8, 8, 8}));
    // A span shorter than one group still gets one group and no remainder entry.
    numerators.clear();
    denominators.clear();
    position = 0;
    EXPECT_EQ(triplet.FitInside(&common, numerators, denominators, 0.5f, 0.5f, position, 0), 1);
    EXPECT_EQ(numerators, std::vector<unsigned char>{3});

    ECMeter borrowed;
    ASSERT_EQ(triplet.SetupBorrowedMeter(&common, &borrowed), 1);
    EXPECT_EQ(borrowed.GetMeasureLength(), 6.0f) << "four groups of three written eighths";
    EXPECT_EQ(borrowed.GetCompoundNumerator(), (std::vector<unsigned char>{3, 3, 3, 3}));

    // Beats of 2 + 4 eighths: the second beat takes two whole groups and leaves no part of its
    // own, which is dropped rather than given to the meter as an empty part.
    ECMeter twoFour;
    ASSERT_EQ(twoFour.SetMeter(std::vector<unsigned char>{2, 4}, std::vector<unsigned char>{8}, 1), 1);
    ECMeter regrouped;
    ASSERT_EQ(triplet.SetupBorrowedMeter(&twoFour, &regrouped), 1);
    EXPECT_EQ(regrouped.GetCompoundNumerator(), (std::vector<unsigned char>{3, 3, 3}));
    auto measure = std::make_unique<ECMeasure>();
    MCTime zero(0.0f);
    measure->SetTime(&zero);
    ECTuplet* placed = tupletAt(1.5f);
    measure->AddChild(placed, 1);
    MCTime start, end;
    ASSERT_EQ(placed->GetTupletRange(measure.get(), &twoFour, start, end, 0), 1);
    EXPECT_EQ(start.GetSeconds(), 1.0f);
    EXPECT_EQ(end.GetSeconds(), 2.0f);
    EXPECT_EQ(placed->IsValid(measure.get(), &twoFour), 0);
}

TEST_F(TupletTest, AnUntimedTupletIsPlacedByItsMembersWithoutChangingIt)
{
    auto measure = std::make_unique<ECMeasure>();
    MCTime zero(0.0f);
    measure->SetTime(&zero);
    ECMeter meter(4, 4, 0);
    auto* tuplet = new ECTuplet;
    measure->AddChild(tuplet, 1);
    tuplet->AddChild(new ECNote(MCTime(2.0f), MCTime(0.5f)), 0);
    tuplet->AddChild(new ECRest(11), 0);
    tuplet->AddChild(new ECNote(MCTime(2.5f), MCTime(0.5f)), 0);
    MCTime start, end;
    ASSERT_EQ(tuplet->GetTupletRange(measure.get(), &meter, start, end, 0), 1);
    EXPECT_EQ(start.GetSeconds(), 2.0f) << "placed by the last timed member, at 2.5";
    EXPECT_EQ(end.GetSeconds(), 3.0f);
    EXPECT_EQ(*tuplet->GetTime(), MCTime::TimeNull()) << "a query leaves the stored time alone";
}

TEST_F(TupletTest, ATupletDissolvesIntoItsMeasure)
{
    auto measure = std::make_unique<ECMeasure>();
    ECTuplet* tuplet = tupletAt(0.0f);
    ECNote* note = new ECNote(MCTime(0.0f), MCTime(0.5f));
    auto* rest = new ECRest(11);
    tuplet->AddChild(note, 0);
    tuplet->AddChild(rest, 0);
    measure->AddChild(tuplet, 1);
    measure->AddChild(note, 1);
    EXPECT_EQ(tuplet->RemoveFromParents(), 1);
    ASSERT_EQ(measure->GetChildren()->GetCount(), 2) << "the note once, and the rest";
    EXPECT_TRUE(measure->GetChildren()->Find(rest));

    ECTuplet* other = tupletAt(1.0f);
    ECNote* only = new ECNote(MCTime(1.0f), MCTime(0.5f));
    other->AddChild(only, 0);
    measure->AddChild(other, 1);
    EXPECT_EQ(other->RemoveChild(only, 0), 1);
    EXPECT_EQ(measure->GetChildren()->GetCount(), 2) << "the emptied tuplet left";
}

TEST_F(TupletTest, Records)
{
    ECTuplet tuplet(5, 4, 4);
    MCTime t(2.0f);
    tuplet.SetTime(&t);
    tuplet.AddChild(new ECNote(MCTime(2.0f), MCTime(0.25f)), 0);
    const auto bytes = storeObject(&tuplet);
    std::unique_ptr<ECTuplet> loaded(static_cast<ECTuplet*>(loadObject(bytes)));
    EXPECT_TRUE(*loaded == tuplet);
    EXPECT_EQ(loaded->GetUnits(), 4);
    EXPECT_EQ(loaded->GetChildren()->GetCount(), 1);
    EXPECT_EQ(storeObject(loaded.get()), bytes);

    // A record of class schema 1 has no units byte: an eighth-note tuplet.
    auto old = bytes;
    old.pop_back();
    setStoredSchema(old, "ECTuplet", 1);
    std::unique_ptr<ECTuplet> oldTuplet(static_cast<ECTuplet*>(loadObject(old)));
    EXPECT_EQ(oldTuplet->GetIrregular(), 5);
    EXPECT_EQ(oldTuplet->GetNormal(), 4);
    EXPECT_EQ(oldTuplet->GetUnits(), 3);

    ECTuplet copy(tuplet);
    EXPECT_EQ(copy.GetTime()->GetSeconds(), 2.0f);
    ECTuplet assigned;
    assigned.Copy(&tuplet);
    EXPECT_TRUE(assigned == tuplet);
    EXPECT_EQ(*assigned.GetTime(), MCTime::TimeNull());
}

}  // namespace
