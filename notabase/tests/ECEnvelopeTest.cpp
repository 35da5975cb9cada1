#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/tests/TestElements.h"
#include "platform/core/RefPtr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <vector>

namespace {

ECEnvPoint* makePoint(float time, float value, int style = ECEnvPoint::styleStep)
{
    auto* point = new ECEnvPoint;
    MCTime t(time);
    point->SetTime(&t);
    point->SetValue(value);
    point->SetStyle(style);
    return point;
}

std::vector<float> pointTimes(ECEnvelope& envelope)
{
    std::vector<float> times;
    for (int i = 0; i < envelope.GetPointCount(); ++i)
        times.push_back(envelope.GetPointAtIndex(i)->GetTime()->GetSeconds());
    return times;
}

std::vector<std::pair<float, float>> valuesOf(const std::vector<EVALUE>& list)
{
    std::vector<std::pair<float, float>> result;
    for (const EVALUE& v : list)
        result.emplace_back(v.time.GetSeconds(), v.value);
    return result;
}

// The lookups answered by scanning the sorted point times.
struct Oracle {
    std::vector<float> times;

    int before(float t) const { return lastWhere([t](float p) { return p < t; }); }
    int beforeEqual(float t) const { return lastWhere([t](float p) { return p <= t; }); }
    int afterEqual(float t) const { return firstWhere([t](float p) { return p >= t; }); }
    int after(float t) const { return firstWhere([t](float p) { return p > t; }); }
    int at(float t) const { return firstWhere([t](float p) { return p == t; }); }

    template <class Pred>
    int lastWhere(Pred pred) const
    {
        int found = -1;
        for (int i = 0; i < static_cast<int>(times.size()); ++i) {
            if (pred(times[i]))
                found = i;
        }
        return found;
    }
    template <class Pred>
    int firstWhere(Pred pred) const
    {
        for (int i = 0; i < static_cast<int>(times.size()); ++i) {
            if (pred(times[i]))
                return i;
        }
        return -1;
    }
};

int indexOf(ECEnvelope& envelope, const ECEnvPoint* point)
{
    for (int i = 0; i < envelope.GetPointCount(); ++i) {
        if (envelope.GetPointAtIndex(i) == point)
            return i;
    }
    return -1;
}

void checkLookups(ECEnvelope& envelope, const Oracle& oracle, float t)
{
    const MCTime time(t);
    SCOPED_TRACE(testing::Message() << "time " << t << " points " << oracle.times.size());
    EXPECT_EQ(indexOf(envelope, envelope.GetPointBefore(time)), oracle.before(t));
    EXPECT_EQ(indexOf(envelope, envelope.GetPointBeforeEqual(time)), oracle.beforeEqual(t));
    EXPECT_EQ(indexOf(envelope, envelope.GetPointAfterEqual(time)), oracle.afterEqual(t));
    EXPECT_EQ(indexOf(envelope, envelope.GetPointAfter(time)), oracle.after(t));
    EXPECT_EQ(indexOf(envelope, envelope.GetPointAt(time)), oracle.at(t));
    EXPECT_EQ(envelope.GetIndexBefore(time), oracle.before(t));
    EXPECT_EQ(envelope.GetIndexBeforeEqual(time), oracle.beforeEqual(t));
    EXPECT_EQ(envelope.GetIndexAfterEqual(time), oracle.afterEqual(t));
    EXPECT_EQ(envelope.GetIndexAfter(time), oracle.after(t));
    EXPECT_EQ(envelope.GetIndexAt(time), oracle.at(t));
}

class ECEnvelopeTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

}  // namespace

TEST_F(ECEnvelopeTest, LookupsAgreeWithAScanOnRandomEnvelopes)
{
    std::mt19937 random(20261209);
    for (int round = 0; round < 60; ++round) {
        ECEnvelope envelope;
        Oracle oracle;
        const int count = std::uniform_int_distribution<int>(0, 40)(random);
        std::vector<int> grid(200);
        for (int i = 0; i < 200; ++i)
            grid[static_cast<size_t>(i)] = i;
        std::shuffle(grid.begin(), grid.end(), random);
        // Added in random order, on a grid of quarters so that queries hit points exactly.
        for (int i = 0; i < count; ++i) {
            const float t = static_cast<float>(grid[static_cast<size_t>(i)]) * 0.25f;
            ASSERT_EQ(envelope.AddChild(makePoint(t, t), 0), 1);
            oracle.times.push_back(t);
        }
        std::sort(oracle.times.begin(), oracle.times.end());
        ASSERT_EQ(pointTimes(envelope), oracle.times);

        // Advancing, as playback asks, then retreating, then anywhere.
        for (float t = -1.0f; t <= 51.0f; t += 0.125f)
            checkLookups(envelope, oracle, t);
        for (float t = 51.0f; t >= -1.0f; t -= 0.375f)
            checkLookups(envelope, oracle, t);
        std::uniform_real_distribution<float> anywhere(-2.0f, 52.0f);
        for (int q = 0; q < 80; ++q) {
            const float t = q % 2 && !oracle.times.empty()
                                ? oracle.times[static_cast<size_t>(q) % oracle.times.size()]
                                : anywhere(random);
            checkLookups(envelope, oracle, t);
        }
        if (HasFailure())
            return;
    }
}

TEST_F(ECEnvelopeTest, PointsStandOncePerTimeAndNeverBeforeZero)
{
    ECEnvelope envelope;
    EXPECT_EQ(envelope.GetPointBefore(MCTime(1.0f)), nullptr);
    EXPECT_EQ(envelope.GetIndexAfter(MCTime(1.0f)), -1);
    EXPECT_FALSE(envelope.IsEndPoint(nullptr));

    EXPECT_EQ(envelope.AddChild(makePoint(1.0f, 10.0f), 0), 1);
    EXPECT_EQ(envelope.AddChild(makePoint(-3.0f, 5.0f), 0), 1);
    ECEnvPoint* twin = makePoint(1.0f, 20.0f);
    EXPECT_EQ(envelope.AddChild(twin, 1), 0);
    delete twin;
    TENote note(2.0f);
    EXPECT_EQ(envelope.AddChild(&note, 1), 0) << "an envelope holds points only";
    EXPECT_EQ(pointTimes(envelope), (std::vector<float>{0.0f, 1.0f}));
    EXPECT_EQ(envelope.GetPointAt(MCTime(1.0f))->GetValue(), 10.0f);

    ECEnvPoint* first = envelope.GetPointAtIndex(0);
    ECEnvPoint* last = envelope.GetPointAtIndex(1);
    EXPECT_EQ(envelope.GetPointAtIndex(2), nullptr);
    EXPECT_EQ(envelope.GetPointAtIndex(-1), nullptr);
    EXPECT_TRUE(envelope.IsEndPoint(first));
    EXPECT_TRUE(envelope.IsEndPoint(last));
    EXPECT_EQ(envelope.GetIndexForPoint(last), 1);
    ECEnvPoint stranger;
    EXPECT_EQ(envelope.GetIndexForPoint(&stranger), -1);

    EXPECT_EQ(envelope.RemoveChild(first, 0), 1);
    EXPECT_EQ(envelope.GetPointBeforeEqual(MCTime(5.0f)), last);
    EXPECT_EQ(envelope.GetPointCount(), 1);
}

TEST_F(ECEnvelopeTest, RangesAppendPointsFromStartUpToEnd)
{
    ECEnvelope envelope;
    for (float t : {0.0f, 1.0f, 2.0f, 3.0f}) {
        ECEnvPoint* point = makePoint(t, t);
        point->SetAnchor(t >= 1.0f);
        point->SetAnchorHead(t == 1.0f);
        envelope.AddChild(point, 1);
    }
    MCEventList all;
    EXPECT_EQ(envelope.GetPointsInRange(MCTime(1.0f), MCTime(3.0f), all), 1);
    EXPECT_EQ(all.GetCount(), 2);
    EXPECT_EQ(all.GetHead()->GetTime()->GetSeconds(), 1.0f);
    MCEventList anchors;
    EXPECT_EQ(envelope.GetAnchorPointsInRange(MCTime(0.0f), MCTime(5.0f), anchors), 1);
    EXPECT_EQ(anchors.GetCount(), 3);
    MCEventList heads;
    EXPECT_EQ(envelope.GetAnchorHeadPointsInRange(MCTime(2.0f), MCTime(5.0f), heads), 0);
    EXPECT_TRUE(heads.IsEmpty());
}

TEST_F(ECEnvelopeTest, ValuesStepRampClampAndRound)
{
    ECEnvelope envelope;
    envelope.SetIntValued(0);
    envelope.SetDefaultValue(-7.0f);
    float value = 0.0f;
    envelope.GetValue(MCTime(3.0f), value, 0);
    EXPECT_EQ(value, -7.0f) << "no points: the default value";

    envelope.AddChild(makePoint(1.0f, 10.0f, ECEnvPoint::styleLinear), 1);
    envelope.AddChild(makePoint(3.0f, 30.0f, ECEnvPoint::styleStep), 1);
    envelope.AddChild(makePoint(5.0f, 0.0f, ECEnvPoint::styleStep), 1);
    struct Case {
        float time;
        int clamp;
        float expect;
    };
    envelope.SetLimits(0.0f, 25.0f);
    const Case cases[] = {
        {0.5f, 0, -7.0f}, {0.5f, 1, 0.0f},  {1.0f, 0, 10.0f}, {2.0f, 0, 20.0f}, {2.5f, 0, 25.0f},
        {2.5f, 1, 25.0f}, {2.9f, 1, 25.0f}, {3.0f, 0, 30.0f}, {4.0f, 0, 30.0f}, {6.0f, 0, 0.0f},
    };
    for (const Case& c : cases) {
        envelope.GetValue(MCTime(c.time), value, c.clamp);
        EXPECT_FLOAT_EQ(value, c.expect) << "time " << c.time << " clamp " << c.clamp;
    }

    // The same value twice is no change.
    envelope.Reset();
    EXPECT_EQ(envelope.GetValue(MCTime(2.0f), value, 0), 1);
    EXPECT_EQ(envelope.GetValue(MCTime(2.0f), value, 0), 0);

    ECEnvelope rounding;
    rounding.AddChild(makePoint(0.0f, 10.0f, ECEnvPoint::styleLinear), 1);
    rounding.AddChild(makePoint(1.0f, 10.6f), 1);
    rounding.AddChild(makePoint(2.0f, -2.5f), 1);
    rounding.AddChild(makePoint(3.0f, 2.5f), 1);
    rounding.AddChild(makePoint(4.0f, std::numeric_limits<float>::max()), 1);
    rounding.AddChild(makePoint(5.0f, -std::numeric_limits<float>::max()), 1);
    const std::pair<float, float> rounded[] = {{0.5f, 10.0f}, {0.99f, 10.0f}, {1.0f, 11.0f}, {2.0f, -3.0f}, {3.0f, 3.0f},
                                               {4.0f, 2147483647.0f}, {5.0f, -2147483648.0f}};
    for (const auto& [time, expect] : rounded) {
        rounding.GetValue(MCTime(time), value, 0);
        EXPECT_EQ(value, expect) << "time " << time;
    }
}

TEST_F(ECEnvelopeTest, SlicesHandOutChangesOnlyAndContinueRamps)
{
    ECEnvelope envelope;
    envelope.AddChild(makePoint(0.0f, 0.0f, ECEnvPoint::styleLinear), 1);
    envelope.AddChild(makePoint(1.0f, 100.0f, ECEnvPoint::styleStep), 1);
    envelope.SetMinDeltaTime(MCTime(0.25f));
    envelope.Reset();
    std::vector<EVALUE> list;
    EXPECT_EQ(envelope.GetValues(MCTime(0.0f), MCTime(1.0f), 1.0f, list, 0), 1);
    EXPECT_EQ(valuesOf(list), (std::vector<std::pair<float, float>>{{0, 0}, {0.25f, 25}, {0.5f, 50}, {0.75f, 75}, {1, 100}}));
    list.clear();
    EXPECT_EQ(envelope.GetValues(MCTime(1.0f), MCTime(2.0f), 1.0f, list, 0), 0);
    EXPECT_TRUE(list.empty());

    // Cut into many slices, the changes are those of one slice over the whole range.
    ECEnvelope steps;
    steps.SetIntValued(0);
    for (float t : {0.5f, 1.25f, 1.5f, 4.0f})
        steps.AddChild(makePoint(t, t * 2.0f), 1);
    steps.AddChild(makePoint(2.0f, 3.0f), 1);  // the same value as at 1.5
    std::vector<EVALUE> whole;
    steps.Reset();
    steps.GetValues(MCTime(0.0f), MCTime(5.0f), 1.0f, whole, 0);
    std::vector<EVALUE> sliced;
    steps.Reset();
    for (float t = 0.0f; t < 5.0f; t += 0.1f)
        steps.GetValues(MCTime(t), MCTime(t + 0.1f), 1.0f, sliced, 0);
    EXPECT_EQ(valuesOf(whole), (std::vector<std::pair<float, float>>{{0.5f, 1}, {1.25f, 2.5f}, {1.5f, 3}, {4, 8}}));
    EXPECT_EQ(valuesOf(sliced), valuesOf(whole));

    // A slice that starts in the middle of a step hands out the value in force at its start.
    std::vector<EVALUE> jump;
    steps.Reset();
    steps.GetValues(MCTime(3.0f), MCTime(3.5f), 1.0f, jump, 0);
    EXPECT_EQ(valuesOf(jump), (std::vector<std::pair<float, float>>{{3.0f, 3.0f}}));
}

TEST_F(ECEnvelopeTest, StepsHaveFloors)
{
    ECEnvelope envelope;
    envelope.SetMinDeltaTime(MCTime(0.001f));
    EXPECT_FLOAT_EQ(envelope.GetMinDeltaTime().GetSeconds(), 0.005f);

    // A step of 0.005 x 0.1 is raised to 0.002: a ramp over 0.1 gives 50 samples.
    envelope.SetIntValued(0);
    envelope.AddChild(makePoint(0.0f, 0.0f, ECEnvPoint::styleLinear), 1);
    envelope.AddChild(makePoint(10.0f, 1000.0f), 1);
    envelope.Reset();
    std::vector<EVALUE> list;
    envelope.GetValues(MCTime(0.0f), MCTime(0.1f), 0.1f, list, 0);
    EXPECT_NEAR(static_cast<double>(list.size()), 51.0, 1.0);

    // Far from 0 a step is lost in float rounding; the slice still ends.
    ECEnvelope far;
    far.AddChild(makePoint(1.0e8f, 0.0f, ECEnvPoint::styleLinear), 1);
    far.AddChild(makePoint(2.0e8f, 1.0f), 1);
    std::vector<EVALUE> farList;
    far.GetValues(MCTime(1.0e8f), MCTime(1.5e8f), 1.0f, farList, 0);
    EXPECT_FALSE(farList.empty());
}

TEST_F(ECEnvelopeTest, IntValuedSwitchCarriesTheLastValue)
{
    ECEnvelope envelope;
    envelope.SetIntValued(0);
    envelope.AddChild(makePoint(0.0f, 4.4f), 1);
    float value = 0.0f;
    EXPECT_EQ(envelope.GetValue(MCTime(0.0f), value, 0), 1);
    envelope.SetIntValued(1);
    EXPECT_EQ(envelope.GetValue(MCTime(0.0f), value, 0), 0) << "4.4 was 4 already";
    EXPECT_EQ(value, 4.0f);
    envelope.SetIntValued(0);
    EXPECT_EQ(envelope.GetValue(MCTime(0.0f), value, 0), 1) << "4 is now 4.4";

    EXPECT_FALSE(ECEnvelope().IsEnabled()) << "enabled needs a point";
    EXPECT_TRUE(envelope.IsEnabled());
    envelope.Enable(0);
    EXPECT_FALSE(envelope.IsEnabled());
}

TEST_F(ECEnvelopeTest, AnchorGroupsAreFoundFromTheirPoints)
{
    TEStaff staff;
    auto* envelope = new ECEnvelope;
    staff.AddChild(envelope, 0);
    ECEnvPoint* a = makePoint(1.0f, 1.0f);
    ECEnvPoint* b = makePoint(2.0f, 2.0f);
    ECEnvPoint* loose = makePoint(3.0f, 3.0f);
    for (ECEnvPoint* p : {a, b, loose})
        envelope->AddChild(p, 1);
    MCEventList pair;
    pair.AddTail(a);
    pair.AddTail(b);
    envelope->AddAnchorGroup(&pair);
    MCEventList* group = envelope->GetAnchorGroup(b);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetCount(), 2);
    EXPECT_EQ(envelope->GetAnchorGroup(loose), nullptr);

    MCEventList found;
    EXPECT_EQ(b->GetAnchorList(found), 1);
    EXPECT_EQ(found.GetHead(), a);
    MCEventList none;
    EXPECT_EQ(loose->GetAnchorList(none), 0);
    ECEnvPoint orphan;
    EXPECT_EQ(orphan.GetAnchorList(none), 0);

    envelope->RemoveAnchorGroup(&pair);  // not one of its groups: nothing happens
    EXPECT_EQ(envelope->GetAnchorGroupCount(), 1);
    envelope->RemoveAnchorGroup(group);
    EXPECT_EQ(envelope->GetAnchorGroupCount(), 0);
    envelope->AddAnchorGroup(&pair);
    envelope->RemoveChildren(0);
    EXPECT_EQ(envelope->GetAnchorGroupCount(), 0);
    EXPECT_EQ(envelope->GetPointCount(), 0);
}

// Groups taken out and put in at places, many at a time, against a list of them: each keeps its
// place, each point finds the first group holding it, and the envelope stores them in order.
// Groups share points; each also holds a point of its own, by which the test finds it.
TEST_F(ECEnvelopeTest, AnchorGroupsKeepTheirPlacesAsTheyComeAndGo)
{
    constexpr int shared = 40;
    ECEnvelope envelope;
    std::vector<ECEnvPoint*> points;
    const auto newPoint = [&] {
        points.push_back(makePoint(static_cast<float>(points.size()), 0.0f));
        envelope.AddChild(points.back(), 1);
        return static_cast<int>(points.size()) - 1;
    };
    for (int i = 0; i < shared; ++i)
        newPoint();
    // Each group as the indices of its points, its own point last, in the order of the groups.
    std::vector<std::vector<int>> model;
    const auto put = [&](int place, int from) {
        const std::vector<int> members{from, from + 1, newPoint()};
        MCEventList list;
        for (int i : members)
            list.AddTail(points[static_cast<size_t>(i)]);
        envelope.InsertAnchorGroup(place, &list);
        const size_t at = place < 0 || place > static_cast<int>(model.size()) ? model.size() : static_cast<size_t>(place);
        model.insert(model.begin() + static_cast<std::ptrdiff_t>(at), members);
    };
    const auto expectModel = [&] {
        ASSERT_EQ(envelope.GetAnchorGroupCount(), static_cast<int>(model.size()));
        for (size_t i = 0; i < points.size(); ++i) {
            const auto first = std::find_if(model.begin(), model.end(), [i](const std::vector<int>& members) {
                return std::find(members.begin(), members.end(), static_cast<int>(i)) != members.end();
            });
            const MCEventList* group = envelope.GetAnchorGroup(points[i]);
            if (first == model.end()) {
                EXPECT_EQ(group, nullptr) << "point " << i;
                continue;
            }
            ASSERT_NE(group, nullptr) << "point " << i;
            EXPECT_EQ(group->GetTail(), points[static_cast<size_t>(first->back())]) << "point " << i;
            EXPECT_EQ(envelope.GetAnchorGroupIndex(group), first - model.begin()) << "point " << i;
        }
    };
    for (int from = 0; from + 1 < shared; from += 3)
        put(-1, from);
    ASSERT_NO_FATAL_FAILURE(expectModel());

    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        SCOPED_TRACE(round);
        // Runs of removals and of insertions, at the end or anywhere.
        const bool remove = !model.empty() && (round / 10) % 2 == 0;
        const bool atEnd = round % 3 == 0;
        if (remove) {
            const size_t place = atEnd ? model.size() - 1 : random() % model.size();
            const MCEventList* group = envelope.GetAnchorGroup(points[static_cast<size_t>(model[place].back())]);
            ASSERT_NE(group, nullptr);
            EXPECT_EQ(envelope.GetAnchorGroupIndex(group), static_cast<int>(place));
            envelope.RemoveAnchorGroup(group);
            model.erase(model.begin() + static_cast<std::ptrdiff_t>(place));
        } else {
            put(atEnd ? -1 : static_cast<int>(random() % (model.size() + 2)) - 1, static_cast<int>(random() % (shared - 1)));
        }
        ASSERT_NO_FATAL_FAILURE(expectModel());
    }

    // Stored and loaded, the groups come back in their order.
    const auto bytes = storeObject(&envelope);
    std::unique_ptr<ECEnvelope> loaded(static_cast<ECEnvelope*>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(storeObject(loaded.get()), bytes);
    envelope.RemoveChildren(0);
    EXPECT_EQ(envelope.GetAnchorGroupCount(), 0);
}

TEST_F(ECEnvelopeTest, StoresPointsGroupsAndSettings)
{
    ECEnvelope envelope;
    envelope.SetDefaultValue(64.0f);
    envelope.SetLimits(0.0f, 127.0f);
    envelope.SetEnvelopeName("Volume");
    envelope.SetEnvelopeComment("fade");
    envelope.SetMinDeltaTime(MCTime(0.125f));
    envelope.SetIntValued(0);
    ECEnvPoint* a = makePoint(0.0f, 1.0f, ECEnvPoint::styleLinear);
    a->SetAnchor(1);
    a->SetAnchorHead(1);
    ECEnvPoint* b = makePoint(2.0f, 3.5f);
    b->SetAnchor(1);
    envelope.AddChild(a, 1);
    envelope.AddChild(b, 1);
    MCEventList pair;
    pair.AddTail(a);
    pair.AddTail(b);
    envelope.AddAnchorGroup(&pair);

    const auto bytes = storeObject(&envelope);
    std::unique_ptr<ECEnvelope> loaded(static_cast<ECEnvelope*>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    EXPECT_EQ(loaded->GetDefaultValue(), 64.0f);
    EXPECT_EQ(loaded->GetUpperLimit(), 127.0f);
    EXPECT_EQ(loaded->GetEnvelopeName(), "Volume");
    EXPECT_EQ(loaded->GetEnvelopeComment(), "fade");
    EXPECT_EQ(loaded->GetMinDeltaTime().GetSeconds(), 0.125f);
    EXPECT_EQ(loaded->IntValued(), 0);
    ASSERT_EQ(pointTimes(*loaded), (std::vector<float>{0.0f, 2.0f}));
    ECEnvPoint* la = loaded->GetPointAtIndex(0);
    ECEnvPoint* lb = loaded->GetPointAtIndex(1);
    EXPECT_TRUE(*la == *a);
    EXPECT_TRUE(*lb == *b);
    MCEventList* group = loaded->GetAnchorGroup(lb);
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->GetHead(), la) << "the group holds the loaded points themselves";
    EXPECT_EQ(storeObject(loaded.get()), bytes);
}

TEST_F(ECEnvelopeTest, OldPointsLoadAsLinearAnchorHeads)
{
    ECEnvPoint point;
    MCTime t(1.0f);
    point.SetTime(&t);
    std::vector<uint8_t> bytes;
    {
        ActiveVersion v2(2);
        bytes = storeWith([&](plat::Archive& archive) { static_cast<ECWithTime&>(point).ECWithTime::Serialize(archive); });
    }
    ActiveVersion v2(2);
    ECEnvPoint loaded;
    loadWith(bytes, [&](plat::Archive& archive) { loaded.Serialize(archive); });
    EXPECT_EQ(loaded.IsAnchor(), 1);
    EXPECT_EQ(loaded.IsAnchorHead(), 1);
    EXPECT_EQ(loaded.GetStyle(), ECEnvPoint::styleLinear);
    EXPECT_EQ(loaded.GetTime()->GetSeconds(), 1.0f);
}

TEST_F(ECEnvelopeTest, AnEnvelopeHoldingOtherElementsIsRefused)
{
    // Only a damaged document can hold one: the envelope itself never takes such a child.
    ECEnvelope envelope;
    envelope.AddChild(makePoint(0.0f, 1.0f), 1);
    envelope.ECWithTimeChild::AddChild(new TENote(1.0f), 1);
    const auto bytes = storeObject(&envelope);
    EXPECT_THROW(loadObject(bytes), plat::ArchiveError);
}

// The list of points changed behind the envelope's back (as the journal's moves change it): the
// cursor left on a node that is gone is not followed.
TEST_F(ECEnvelopeTest, ACursorLeftBeforeTheListChangedIsNotFollowed)
{
    ECEnvelope envelope;
    for (int i = 0; i < 10; ++i)
        envelope.AddChild(makePoint(static_cast<float>(i), 0.0f), 1);
    const plat::RefPtr<ECBase> five(envelope.GetPointAt(MCTime(5.0f)));
    ASSERT_EQ(envelope.GetPointBefore(MCTime(5.5f)), five.get()) << "the cursor stands on 5";
    MCEventList& points = *envelope.GetChildren();
    points.RemoveAt(points.Find(five.get()));
    five->GetParents()->RemoveEvent(&envelope);
    ECEnvPoint* six = envelope.GetPointAfterEqual(MCTime(6.0f));
    ASSERT_NE(six, nullptr);
    EXPECT_EQ(six->GetTime()->GetSeconds(), 6.0f);
    EXPECT_EQ(envelope.GetPointBefore(MCTime(5.5f))->GetTime()->GetSeconds(), 4.0f);
}
