#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/score/ECConductorMeasure.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/tests/ScorePiece.h"

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <vector>

namespace {

ECMeter* meterAt(float time, unsigned char numerator, unsigned char denominator)
{
    auto* meter = new ECMeter(numerator, denominator, 255);
    MCTime t(time);
    meter->SetTime(&t);
    return meter;
}

std::vector<int> tracksOf(MCEventList& list)
{
    std::vector<int> tracks;
    for (ECBase* element : list)
        tracks.push_back(element->GetTrack());
    return tracks;
}

std::vector<float> timesOf(MCEventList& list)
{
    std::vector<float> times;
    for (ECBase* element : list)
        times.push_back(element->GetTime()->GetSeconds());
    return times;
}

// The child list of the conductor as event ids with track numbers.
std::vector<std::pair<int, int>> trackOrder(ECConductor& conductor)
{
    std::vector<std::pair<int, int>> order;
    for (ECBase* child : *conductor.GetChildren())
        order.emplace_back(child->GetEventId(), child->GetTrack());
    return order;
}

class ScoreStructureTest : public ScoreTest {};

}  // namespace

TEST_F(ScoreStructureTest, TheConductorStaffIsMadeOnFirstUse)
{
    EXPECT_TRUE(m_conductor->GetChildren()->IsEmpty());
    EXPECT_EQ(m_performance->GetConductor(), m_conductor);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(ECConductor::staffTrack), 0);
    ECConductorStaff* staff = m_conductor->GetConductorStaff();
    ASSERT_NE(staff, nullptr);
    EXPECT_EQ(m_conductor->GetChildren()->GetHead(), staff);
    EXPECT_EQ(staff->GetVoice(), 14);
    EXPECT_EQ(staff->GetTrack(), 0);
    EXPECT_EQ(*staff->GetTime(), MCTime::TimeZero());
    EXPECT_EQ(staff->GetConductor(), m_conductor);
    EXPECT_EQ(m_conductor->GetConductorStaff(), staff) << "once";
    EXPECT_EQ(m_conductor->GetChildren()->GetCount(), 1);

    EXPECT_EQ(m_conductor->GetMaxTrackNumber(ECConductor::conductorTrack), 1);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(7), 0);
    EXPECT_EQ(m_conductor->GetTrack(ECConductor::conductorTrack, 5, 0), staff);
    EXPECT_EQ(m_conductor->GetTrackNumber(ECConductor::conductorTrack, nullptr), 0);
    EXPECT_EQ(staff->GetStaffNumber(staff), 0);
    EXPECT_EQ(staff->GetStaff(0, 0), staff);
    EXPECT_EQ(staff->GetStaff(1, 0), nullptr);
    EXPECT_EQ(staff->GetStaff(-1, 1), nullptr) << "no number below 0 makes a staff";
}

TEST_F(ScoreStructureTest, ThePerformanceAnswersItsConductorAsTheConductorClass)
{
    // An element that only reports the conductor's id is found, but is no conductor.
    ECPerformance other;
    other.AddChild(new TEConductor, 0);
    EXPECT_NE(other.FindConductor(), nullptr);
    EXPECT_EQ(other.GetConductor(), nullptr);
    // A conductor that left its performance looks for it again.
    auto* loose = new ECConductor;
    plat::RefPtr<ECConductor> keep(loose);
    other.AddChild(loose, 0);
    EXPECT_EQ(loose->GetPerformance(), &other);
    other.RemoveChild(loose, 0);
    ECPerformance third;
    third.AddChild(loose, 0);
    EXPECT_EQ(loose->GetPerformance(), &third);
}

TEST_F(ScoreStructureTest, AConductorMovedToAnotherPerformanceAppliesItsCommandsThere)
{
    ECConductorStaff& cs = conductorStaff();
    plat::RefPtr<ECConductor> keep(m_conductor);
    m_performance->RemoveChild(m_conductor, 0);
    auto* other = new ECPerformance;
    other->Ref();
    other->AddChild(m_conductor, 0);
    EXPECT_EQ(cs.GetPerformance(), other);
    EXPECT_NE(cs.GetTempoEnv(), nullptr) << "made by a command of the performance it is in now";
    other->RemoveChild(m_conductor, 0);
    m_performance->AddChild(m_conductor, 0);
    releasePiece(other);
}

TEST_F(ScoreStructureTest, TracksStandInNumberOrder)
{
    addStaves(3);
    ECConductorStaff& staff = conductorStaff();
    ASSERT_EQ(staff.GetMaxStaffNumber(), 3);
    auto* added = new CCAddTrack;
    added->AddWaveTrack(2);
    added->SetSynchronous(1);
    added->Apply(m_performance);
    // A staff placed first: the conductor's children follow the new numbers.
    auto* front = new CCAddTrack(new ECStaff(1), 1);
    front->SetSynchronous(1);
    front->Apply(m_performance);
    using P = std::pair<int, int>;
    EXPECT_EQ(trackOrder(*m_conductor),
              (std::vector<P>{{17, 0}, {55, 1}, {55, 2}, {55, 3}, {55, 4}, {71, 1}, {71, 2}}));
    EXPECT_EQ(staff.GetStaff(1, 0)->GetStaffType(), 1);
    EXPECT_EQ(m_conductor->GetTrackNumber(ECConductor::staffTrack, staff.GetStaff(4, 0)), 4);
}

TEST_F(ScoreStructureTest, InsertingAndRemovingAStaffRenumbersTheStavesAndWhatTheyHold)
{
    addStaves(3);
    addBarsUpTo(8.0f);
    for (int s = 1; s <= 3; ++s)
        addNote(s, 1.0f + s);
    ECConductorStaff& cs = conductorStaff();
    std::vector<ECStaff*> before{cs.GetStaff(1, 0), cs.GetStaff(2, 0), cs.GetStaff(3, 0)};

    auto* inserted = new ECStaff;
    plat::RefPtr<ECStaff> keep(inserted);
    EXPECT_EQ(cs.InsertStaff(inserted, 1), 1);
    EXPECT_EQ(cs.GetStaff(1, 0), inserted);
    for (int s = 0; s < 3; ++s) {
        ECStaff* old = before[static_cast<size_t>(s)];
        EXPECT_EQ(cs.GetStaffNumber(old), s + 2);
        ACFindEvents all;
        all.Apply(old);
        for (ECBase* element : all.GetEvents())
            EXPECT_EQ(element->GetTrack(), s + 2) << element->runtimeClass()->name;
        EXPECT_EQ(cs.GetMeasure(s + 2, 1)->GetParents()->GetHead(), old) << "the bars follow their staves";
    }
    // The new staff got a measure for each bar, at the bars' times, on its track.
    ASSERT_EQ(inserted->GetChildren()->GetCount(), 2);
    EXPECT_EQ(timesOf(*inserted->GetChildren()), (std::vector<float>{0.0f, 4.0f}));
    EXPECT_EQ(cs.GetMeasure(1, 2), inserted->GetChildren()->GetTail());
    EXPECT_EQ(inserted->GetChildren()->GetTail()->GetTrack(), 1);

    cs.RemoveStaff(inserted);
    EXPECT_EQ(inserted->GetParents()->GetCount(), 0);
    for (int s = 0; s < 3; ++s) {
        EXPECT_EQ(cs.GetStaffNumber(before[static_cast<size_t>(s)]), s + 1);
        EXPECT_EQ(before[static_cast<size_t>(s)]->GetChildren()->GetHead()->GetTrack(), s + 1);
        EXPECT_EQ(cs.GetMeasure(s + 1, 2)->GetParents()->GetHead(), before[static_cast<size_t>(s)]);
    }
    EXPECT_EQ(inserted->GetChildren()->GetCount(), 2) << "a removed staff keeps its measures";
    inserted->RemoveChildren(1);

    // Outside 1 .. count + 1 a staff goes last.
    EXPECT_EQ(cs.InsertStaff(new ECStaff, 0), 4);
    EXPECT_EQ(cs.InsertStaff(new ECStaff, 9), 5);
}

TEST_F(ScoreStructureTest, OnlyTheStavesThatMoveAreRenumbered)
{
    addStaves(3);
    ECConductorStaff& cs = conductorStaff();
    // A staff the conductor holds outside its table has no place among the staves: no insertion
    // or removal moves it.
    auto* outside = new ECStaff;
    outside->SetVoiceTrack(14, 7);
    m_conductor->AddChild(outside, 1);
    ECStaff* last = cs.GetStaff(3, 0);

    auto* front = new ECStaff;
    plat::RefPtr<ECStaff> keep(front);
    EXPECT_EQ(cs.InsertStaff(front, 1), 1);
    EXPECT_EQ(last->GetTrack(), 4);
    EXPECT_EQ(outside->GetTrack(), 7);
    cs.RemoveStaff(front);
    EXPECT_EQ(last->GetTrack(), 3);
    EXPECT_EQ(outside->GetTrack(), 7);

    // Staves appended one after another keep the children in order, the unknown staff last.
    addStaves(2);
    using P = std::pair<int, int>;
    EXPECT_EQ(trackOrder(*m_conductor), (std::vector<P>{{17, 0}, {55, 1}, {55, 2}, {55, 3}, {55, 4}, {55, 5}, {55, 7}}));
}

// Staves appended one at a time keep their place before the wave tracks, whatever came between
// them (a wave track, a staff put first, one taken out), and each is found by its number, also
// when its track word no longer says it.
TEST_F(ScoreStructureTest, StavesAppendedOneByOneStandInOrderAndAreFoundByNumber)
{
    using P = std::pair<int, int>;
    ECConductorStaff& staff = conductorStaff();
    for (int i = 0; i < 3; ++i)
        addStaves(1);
    auto* wave = new CCAddTrack;
    wave->AddWaveTrack(1);
    wave->SetSynchronous(1);
    wave->Apply(m_performance);
    addStaves(1);
    EXPECT_EQ(trackOrder(*m_conductor), (std::vector<P>{{17, 0}, {55, 1}, {55, 2}, {55, 3}, {55, 4}, {71, 1}}));

    auto* front = new CCAddTrack(new ECStaff(1), 1);
    front->SetSynchronous(1);
    front->Apply(m_performance);
    auto* removal = new CCRemoveTrack(staff.GetStaff(3, 0));
    removal->SetSynchronous(1);
    removal->Apply(m_performance);
    addStaves(1);
    addStaves(1);
    EXPECT_EQ(trackOrder(*m_conductor),
              (std::vector<P>{{17, 0}, {55, 1}, {55, 2}, {55, 3}, {55, 4}, {55, 5}, {55, 6}, {71, 1}}));
    for (int number = 0; number <= staff.GetMaxStaffNumber(); ++number)
        EXPECT_EQ(staff.GetStaffNumber(staff.GetStaff(number, 0)), number) << number;

    ECStaff* third = staff.GetStaff(3, 0);
    third->SetVoiceTrack(14, 5);
    EXPECT_EQ(staff.GetStaffNumber(third), 3) << "found by its place, not its word";
    third->SetVoiceTrack(14, 3);
    ECStaff stranger;
    stranger.SetVoiceTrack(14, 2);
    EXPECT_EQ(staff.GetStaffNumber(&stranger), -1);
}

TEST_F(ScoreStructureTest, ATrackAddedPutsChildrenOutOfOrderBackInOrder)
{
    addStaves(2);
    // A mark added after the tracks at their time stands after them until a track is added.
    auto* mark = new ECTempo;
    mark->SetTime(&MCTime::TimeZero());
    m_conductor->AddChild(mark, 1);
    addStaves(1);
    std::vector<int> ids;
    for (ECBase* child : *m_conductor->GetChildren())
        ids.push_back(child->GetEventId());
    ASSERT_EQ(ids.size(), 5u);
    EXPECT_EQ(ids.back(), 55);
    EXPECT_EQ(trackOrder(*m_conductor).back(), (std::pair<int, int>{55, 3}));
    EXPECT_NE(std::find(ids.begin(), ids.begin() + 2, mark->GetEventId()), ids.begin() + 2)
        << "the other children stand before the tracks of their time";
}

TEST_F(ScoreStructureTest, AStaffBroughtInIsMatchedToTheBars)
{
    addStaves(1);
    addBarsUpTo(32.0f);
    ASSERT_EQ(m_conductor->GetMaxMeasureNumber(), 8);
    // Its own two measures take the first two bars; six more are made.
    auto* staff = new ECStaff;
    for (float t : {40.0f, 10.0f}) {
        auto* measure = new ECMeasure;
        MCTime at(t);
        measure->SetTime(&at);
        staff->AddChild(measure, 1);
    }
    ECMeasure* first = static_cast<ECMeasure*>(staff->GetChildren()->GetHead());
    conductorStaff().InsertStaff(staff, -1);
    EXPECT_EQ(staff->GetChildren()->GetCount(), 8);
    EXPECT_EQ(conductorStaff().GetMeasure(2, 1), first);
    EXPECT_EQ(first->GetTime()->GetSeconds(), 0.0f);
    for (int bar = 1; bar <= 8; ++bar) {
        ECMeasure* measure = conductorStaff().GetMeasure(2, bar);
        ASSERT_NE(measure, nullptr);
        EXPECT_EQ(measure->GetTime()->GetSeconds(), 4.0f * (bar - 1));
        EXPECT_EQ(measure->GetTrack(), 2);
        EXPECT_EQ(measure->GetParents()->GetHead(), staff);
    }
}

TEST_F(ScoreStructureTest, BarsAreAppendedForTimesAsked)
{
    addStaves(1);
    ECConductorStaff& cs = conductorStaff();
    for (float t : {0.0f, 3.0f, 100.0f})
        EXPECT_EQ(cs.GetMeasureNumberBeforeTime(MCTime(t)), 0);
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(2.0f), 0, 0), nullptr);
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(-1.0f), 1, 1), nullptr);

    ECMeasure* measure = m_conductor->GetMeasure(1, MCTime(9.5f), 1, 1);
    ASSERT_EQ(m_conductor->GetMaxMeasureNumber(), 3) << "no meter: bars of 4 quarter notes";
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime().GetSeconds(), 12.0f);
    EXPECT_EQ(measure, cs.GetMeasure(1, 3));
    EXPECT_EQ(measure->GetTime()->GetSeconds(), 8.0f);

    struct Case {
        float time;
        int at, before;
    };
    for (const Case& c : {Case{0.0f, 1, 0}, Case{3.99f, 1, 1}, Case{4.0f, 2, 1}, Case{4.5f, 2, 2}, Case{11.9f, 3, 3},
                          Case{12.0f, 3, 3}}) {
        EXPECT_EQ(m_conductor->GetMeasureNumberAtTime(MCTime(c.time)), c.at) << c.time;
        EXPECT_EQ(m_conductor->GetMeasureNumberBeforeTime(MCTime(c.time)), c.before) << c.time;
    }

    // Appended several at a time, under the meter in force.
    ECMeterEnv* meters = cs.GetMeterEnv();
    meters->AddChild(meterAt(0.0f, 4, 4), 1);
    meters->AddChild(meterAt(12.0f, 3, 4), 1);
    m_conductor->GetMeasure(1, MCTime(13.0f), 1, 4);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 7);
    EXPECT_EQ(m_conductor->GetMaxMeasureEndTime().GetSeconds(), 24.0f);
}

TEST_F(ScoreStructureTest, MeasuresAreListedByBarsAndTimes)
{
    addStaves(2);
    addBarsUpTo(12.0f);
    MCEventList list;
    EXPECT_EQ(m_conductor->GetMeasures(1, MCTime(4.0f), MCTime(8.0f), list), 1);
    EXPECT_EQ(timesOf(list), (std::vector<float>{4.0f}));
    EXPECT_EQ(tracksOf(list), (std::vector<int>{1}));
    EXPECT_EQ(m_conductor->GetMeasures(1, MCTime(12.0f), MCTime(20.0f), list), 0);
    EXPECT_TRUE(list.IsEmpty());

    EXPECT_EQ(m_conductor->GetMeasures(ECConductorMeasure::allTracks, 1, 3, list), 1);
    EXPECT_EQ(tracksOf(list), (std::vector<int>{0, 0, 0, 1, 1, 1, 2, 2, 2}));
    EXPECT_EQ(list.GetHead()->GetEventId(), EventId::ConductorMeasure);
    // Numbers are held to the bars there are.
    m_conductor->GetMeasures(2, -5, 99, list);
    EXPECT_EQ(timesOf(list), (std::vector<float>{0.0f, 4.0f, 8.0f}));
    EXPECT_EQ(m_conductor->GetMeasure(3, 1), nullptr);
    EXPECT_EQ(m_conductor->GetMeasure(2, 4), nullptr);
    EXPECT_EQ(m_conductor->GetMeasure(0, 2)->GetEventId(), EventId::ConductorMeasure);

    // What a bar holds, on one track or on all.
    ECMeasure* second = m_conductor->GetMeasure(2, 2);
    addNote(2, 5.0f);
    auto* bar = static_cast<ECConductorMeasure*>(m_conductor->GetMeasure(0, 2));
    EXPECT_EQ(bar->GetMeasureEvents(2, list), 1);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetHead(), second);
    bar->GetMeasureEvents(ECConductorMeasure::allTracks, list);
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(bar->GetMeasureEvents(7, list), 0);
}

TEST_F(ScoreStructureTest, BarLookupsAgreeWithALinearSearch)
{
    addStaves(1);
    ECMeterEnv* meters = conductorStaff().GetMeterEnv();
    const unsigned char numerators[] = {2, 3, 4, 5, 7, 6, 9};
    std::mt19937 random(1114);
    float time = 0.0f;
    for (int m = 0; m < 12; ++m) {
        ECMeter* meter = meterAt(time, numerators[random() % 7], random() % 2 ? 4 : 8);
        const float length = meter->GetMeasureLength();
        meters->AddChild(meter, 1);
        time += length * static_cast<float>(1 + random() % 6);
    }
    addBarsUpTo(time);
    ECConductorStaff& cs = conductorStaff();
    std::vector<float> starts;
    for (int n = 1; n <= cs.GetMaxMeasureNumber(); ++n)
        starts.push_back(cs.GetMeasure(0, n)->GetTime()->GetSeconds());
    auto linear = [&](float t) {
        int number = 0;
        for (size_t i = 0; i < starts.size(); ++i) {
            if (starts[i] <= t)
                number = static_cast<int>(i) + 1;
        }
        return number;
    };
    std::uniform_real_distribution<float> anywhere(0.0f, time);
    float sweep = 0.0f;
    for (int i = 0; i < 2000; ++i) {
        // Advancing times, as playback asks, mixed with jumps.
        const float t = i % 3 == 0 ? anywhere(random) : (sweep += 0.37f);
        if (t >= time)
            sweep = 0.0f;
        if (t >= time)
            continue;
        ASSERT_EQ(cs.GetMeasureNumberAtTime(MCTime(t)), linear(t)) << t;
        const int containing = linear(t);
        const int before = starts[static_cast<size_t>(containing) - 1] == t ? containing - 1 : containing;
        ASSERT_EQ(cs.GetMeasureNumberBeforeTime(MCTime(t)), before) << t;
    }
    // Each bar is as long as the meter it starts under.
    for (size_t i = 0; i + 1 < starts.size(); ++i) {
        ECMeter* meter = m_conductor->GetMeterAtTime(MCTime(starts[i]));
        EXPECT_FLOAT_EQ(starts[i + 1] - starts[i], meter->GetMeasureLength()) << i;
    }
}

TEST_F(ScoreStructureTest, BarsAskedForFarOutAreBounded)
{
    addStaves(1);
    // A time no bar can reach: the piece grows to its bound and the lookup gives up.
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime(1.0e9f), 1, 1), nullptr);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), ECConductorStaff::maxAppendedMeasureCount);
    EXPECT_EQ(m_conductor->GetMeasure(1, MCTime::TimeMax(), 1, 1000), nullptr);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), ECConductorStaff::maxAppendedMeasureCount);
    // Times within the piece still answer.
    EXPECT_NE(m_conductor->GetMeasure(1, MCTime(1000.0f), 0, 0), nullptr);
}

TEST_F(ScoreStructureTest, BarsAreInsertedAndRemovedInTheTables)
{
    addStaves(2);
    ECConductorStaff& cs = conductorStaff();
    EXPECT_EQ(cs.InsertMeasures(-1, 3, MCTime(0.0f), nullptr), 1);
    EXPECT_EQ(cs.GetMaxMeasureEndTime().GetSeconds(), 12.0f);
    ECMeter waltz(3, 4, 255);
    cs.InsertMeasures(1, 1, MCTime(4.0f), &waltz);
    EXPECT_EQ(cs.GetMaxMeasureNumber(), 4);
    EXPECT_EQ(cs.GetMaxMeasureEndTime().GetSeconds(), 15.0f);
    EXPECT_EQ(cs.GetMeasure(2, 2)->GetTime()->GetSeconds(), 4.0f);
    EXPECT_EQ(cs.GetMeasure(2, 3)->GetTime()->GetSeconds(), 4.0f) << "moving later bars is the caller's";

    // Removing bar 2 of three shortens the piece by the meter in force there.
    ECMeterEnv* meters = cs.GetMeterEnv();
    meters->AddChild(meterAt(0.0f, 4, 4), 1);
    meters->AddChild(meterAt(4.0f, 2, 4), 1);
    ECConductorMeasure* third = static_cast<ECConductorMeasure*>(cs.GetMeasure(0, 3));
    EXPECT_EQ(cs.RemoveMeasures(1, 1), 1);
    EXPECT_EQ(cs.GetMaxMeasureNumber(), 3);
    EXPECT_EQ(cs.GetMaxMeasureEndTime().GetSeconds(), 13.0f);
    EXPECT_EQ(cs.GetMeasure(0, 2), third);
    EXPECT_EQ(third->GetTime()->GetSeconds(), 4.0f);
    // Bars outside the tables are no bars to remove.
    EXPECT_EQ(cs.RemoveMeasures(7, 2), 1);
    EXPECT_EQ(cs.GetMaxMeasureNumber(), 3);
}

TEST_F(ScoreStructureTest, BarsPutBackFromAListKeepWhatTheyHeld)
{
    addStaves(2);
    addBarsUpTo(12.0f);
    ECConductorStaff& cs = conductorStaff();
    auto* bar = static_cast<ECConductorMeasure*>(cs.GetMeasure(0, 2));
    auto* barline = new TENote(4.0f);  // stands in for a barline of the bar
    bar->AddChild(barline, 1);
    CountedNote* note = addNote(2, 5.0f);

    // The saved bar: its conductor measure and the measures of both staves.
    MCEventList saved;
    for (int s = 0; s <= 2; ++s)
        saved.AddTail(cs.GetMeasure(s, 2));
    cs.RemoveMeasures(1, 1);
    for (ECBase* measure : saved)
        measure->RemoveFromParents();
    ASSERT_EQ(cs.GetMaxMeasureNumber(), 2);

    ASSERT_EQ(cs.InsertMeasures(1, saved, MCTime(4.0f), nullptr), 1);
    EXPECT_EQ(cs.GetMaxMeasureNumber(), 3);
    EXPECT_EQ(cs.GetMeasure(0, 2), bar) << "the bar comes back with its barline";
    EXPECT_EQ(bar->GetChildren()->GetHead(), barline);
    EXPECT_EQ(note->GetParents()->GetHead(), cs.GetMeasure(2, 2));
    EXPECT_EQ(bar->GetMeasureOnTrack(2), cs.GetMeasure(2, 2));
    EXPECT_EQ(bar->GetLastTrack(), 2);

    MCEventList nothing;
    EXPECT_EQ(cs.InsertMeasures(0, nothing, MCTime(0.0f), nullptr), 0);
}

TEST_F(ScoreStructureTest, TheMapsAreMadeOnFirstUseAndAnswerLookups)
{
    ECConductorStaff& cs = conductorStaff();
    ECTempoEnv* tempo = cs.GetTempoEnv();
    ECMeterEnv* meters = cs.GetMeterEnv();
    ASSERT_NE(tempo, nullptr);
    ASSERT_NE(meters, nullptr);
    EXPECT_EQ(cs.GetTempoEnv(), tempo);
    EXPECT_TRUE(cs.GetChildren()->Find(tempo));
    EXPECT_EQ(tempo->GetVoice(), 14);
    EXPECT_EQ(tempo->GetTrack(), 0);
    EXPECT_EQ(meters->GetDefaultValue(), 60.0f);

    auto* slow = new ECTempo;
    slow->SetTime(&MCTime::TimeZero());
    auto* fast = new ECTempo;
    MCTime four(4.0f);
    fast->SetTime(&four);
    fast->SetTempo(120.0f, 1.0f);
    tempo->AddChild(slow, 1);
    tempo->AddChild(fast, 1);
    EXPECT_EQ(m_conductor->GetTempoAtTime(MCTime(4.0f)), fast);
    EXPECT_EQ(m_conductor->GetTempoBeforeTime(MCTime(4.0f)), slow);

    ECMeter* common = meterAt(0.0f, 4, 4);
    ECMeter* waltz = meterAt(8.0f, 3, 4);
    meters->AddChild(common, 1);
    meters->AddChild(waltz, 1);
    addBarsUpTo(14.0f);
    EXPECT_EQ(m_conductor->GetMeterAtTime(MCTime(9.0f)), waltz);
    EXPECT_EQ(m_conductor->GetMeterBeforeTime(MCTime(8.0f)), common);

    MCTime start;
    MCTime end;
    m_conductor->GetMeterScope(common, start, end);
    EXPECT_EQ(start.GetSeconds(), 0.0f);
    EXPECT_EQ(end.GetSeconds(), 8.0f);
    m_conductor->GetMeterScope(waltz, start, end);
    EXPECT_EQ(end.GetSeconds(), 14.0f) << "the last meter holds to the end of the last bar";
    ECMeter foreign(5, 8, 255);
    m_conductor->GetMeterScope(&foreign, start, end);
    EXPECT_EQ(start, MCTime::TimeNull());
    EXPECT_EQ(end, MCTime::TimeNull());

    // A map removed is made anew on the next use.
    cs.RemoveChild(tempo, 1);
    ECTempoEnv* again = cs.GetTempoEnv();
    EXPECT_NE(again, nullptr);
    EXPECT_EQ(again->GetPointCount(), 0);
}

TEST_F(ScoreStructureTest, WaveTracksAreNumberedByTheirPlaces)
{
    EXPECT_EQ(m_conductor->GetTrack(ECConductor::waveTrack, 0, 0), nullptr);
    EXPECT_EQ(m_conductor->GetTrack(ECConductor::waveTrack, 1, 0), nullptr);
    ECTrack* first = m_conductor->GetTrack(ECConductor::waveTrack, 1, 1);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetEventId(), EventId::WaveTrack);
    EXPECT_EQ(m_conductor->GetMaxTrackNumber(ECConductor::waveTrack), 1);
    EXPECT_EQ(m_conductor->GetTrack(ECConductor::waveTrack, 0, 1), nullptr) << "no wave track 0";
    ECTrack* second = m_conductor->GetTrack(ECConductor::waveTrack, 5, 1);
    EXPECT_EQ(m_conductor->GetTrackNumber(ECConductor::waveTrack, second), 2) << "the next number, not the one asked";

    // One placed first moves the others up, numbers and all.
    auto* clip = new TENote(1.0f);
    clip->SetVoiceTrack(0, 1);
    first->AddChild(clip, 1);
    auto* front = new CCAddTrack(new ECWaveTrack, 0);
    front->SetSynchronous(1);
    front->Apply(m_performance);
    EXPECT_EQ(first->GetTrack(), 2);
    EXPECT_EQ(clip->GetTrack(), 2);
    EXPECT_EQ(second->GetTrack(), 3);
    EXPECT_EQ(m_conductor->GetTrackNumber(ECConductor::waveTrack, second), 3);

    // And one taken out moves them down.
    auto* removal = new CCRemoveTrack(m_conductor->GetTrack(ECConductor::waveTrack, 1, 0));
    removal->SetSynchronous(1);
    removal->Apply(m_performance);
    EXPECT_EQ(first->GetTrack(), 1);
    EXPECT_EQ(clip->GetTrack(), 1);
    EXPECT_EQ(second->GetTrack(), 2);
}

TEST_F(ScoreStructureTest, ATrackTakenOutDirectlyLeavesTheTablesToo)
{
    addStaves(3);
    addBarsUpTo(8.0f);
    ECConductorStaff& cs = conductorStaff();
    ECStaff* middle = cs.GetStaff(2, 0);
    ECStaff* last = cs.GetStaff(3, 0);
    m_conductor->RemoveChild(middle, 1);
    EXPECT_EQ(cs.GetMaxStaffNumber(), 2);
    EXPECT_EQ(cs.GetStaff(2, 0), last);
    EXPECT_EQ(last->GetTrack(), 2);
    EXPECT_EQ(cs.GetMeasure(2, 1)->GetParents()->GetHead(), last);
}

TEST_F(ScoreStructureTest, StavesAndTracksCompareAndKeepTheirFlags)
{
    ECStaff wide(200);
    EXPECT_EQ(wide.GetStaffType(), 72);
    EXPECT_EQ(wide.IsStaffEmpty(), 1);
    wide.SetStaffEmpty(0);
    EXPECT_EQ(wide.GetStaffType(), 72);
    wide.SetStaffType(3);
    EXPECT_EQ(wide.IsStaffEmpty(), 0);
    ECStaff other(3);
    other.SetVoiceTrack(14, 9);
    EXPECT_TRUE(wide == other) << "a staff is its type";

    ECTrack a;
    ECTrack b;
    EXPECT_TRUE(a == b);
    b.SetVoiceTrack(14, 2);
    EXPECT_FALSE(a == b);
    a = b;
    EXPECT_TRUE(a == b);

    std::unique_ptr<ECStaff> loaded(static_cast<ECStaff*>(loadObject(storeObject(&wide))));
    EXPECT_EQ(loaded->GetStaffType(), 3);
    EXPECT_EQ(loaded->IsStaffEmpty(), 0);
    EXPECT_EQ(loaded->GetVoice(), 14);
}
