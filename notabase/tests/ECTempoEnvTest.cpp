#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/prefs/Preferences.h"
#include "notabase/tests/TestElements.h"
#include "platform/core/Profile.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <vector>

namespace {

ECTempo* markAt(float time, float bpm, int style = ECEnvPoint::styleStep)
{
    auto* mark = new ECTempo;
    MCTime t(time);
    mark->SetTime(&t);
    mark->SetTempo(bpm, 1.0f);
    mark->SetStyle(style);
    return mark;
}

float seconds(ECTempoEnv& map, float quarters)
{
    MCTime t(quarters);
    map.GetClockTime(t);
    EXPECT_EQ(t.GetMode(), MCTime::clock);
    return t.GetSeconds();
}

float quarters(ECTempoEnv& map, float seconds)
{
    MCTime t(seconds);
    t.SetMode(MCTime::clock);
    map.GetNormalizedTime(t);
    EXPECT_EQ(t.GetMode(), MCTime::normal);
    return t.GetSeconds();
}

class ECTempoEnvTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quavix-tempo-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        m_folder = pattern;
        plat::Profile::setFolder(m_folder);
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    ModelStateGuard m_guard;
    std::string m_folder;
};

}  // namespace

TEST_F(ECTempoEnvTest, StepsConvertBothWays)
{
    ECTempoEnv map;
    map.AddChild(markAt(0.0f, 60.0f), 1);
    map.AddChild(markAt(4.0f, 120.0f), 1);
    EXPECT_EQ(seconds(map, 6.0f), 5.0f);
    EXPECT_EQ(quarters(map, 5.0f), 6.0f);
    EXPECT_EQ(seconds(map, 4.0f), 4.0f) << "a mark's own clock time";
    EXPECT_EQ(quarters(map, 4.0f), 4.0f);
    EXPECT_EQ(seconds(map, 1.0f), 1.0f);

    // Other modes are left alone.
    MCTime position(1, 0, 0, 480);
    map.GetClockTime(position);
    EXPECT_EQ(position.GetMode(), MCTime::barPulseTick);
    MCTime musical(3.0f);
    map.GetNormalizedTime(musical);
    EXPECT_EQ(musical.GetMode(), MCTime::normal);
    EXPECT_EQ(musical.GetSeconds(), 3.0f);
}

TEST_F(ECTempoEnvTest, AnEmptyMapCountsAQuarterNoteASecondAndTheFirstMarkMovesToZero)
{
    ECTempoEnv map;
    EXPECT_EQ(seconds(map, 3.0f), 3.0f);
    EXPECT_EQ(quarters(map, 3.0f), 3.0f);

    ECTempo* first = markAt(2.0f, 120.0f);
    map.SetVoiceTrack(14, 0);
    map.AddChild(first, 1);
    EXPECT_EQ(first->GetTime()->GetSeconds(), 0.0f);
    EXPECT_EQ(first->GetClockTime().GetMode(), MCTime::clock);
    EXPECT_EQ(first->GetVoice(), 14);
    EXPECT_EQ(seconds(map, 3.0f), 1.5f);

    // Only tempo marks join the map.
    auto* point = new ECEnvPoint;
    EXPECT_EQ(map.AddChild(point, 1), 0);
    delete point;
}

TEST_F(ECTempoEnvTest, RampsFollowTheMarksFormulaAndEqualTemposRampLikeSteps)
{
    // Quarter notes per second from 1 to 2 over 4 quarter notes: gaining (2 - 1) / 4 per second,
    // the next mark comes after (-1 + sqrt(1 + 2 x 0.25 x 4)) / 0.25 seconds.
    ECTempoEnv map;
    map.AddChild(markAt(0.0f, 60.0f, ECEnvPoint::styleLinear), 1);
    ECTempo* fast = markAt(4.0f, 120.0f);
    map.AddChild(fast, 1);
    const float expected = (-1.0f + std::sqrt(3.0f)) / 0.25f;
    EXPECT_NEAR(fast->GetClockTime().GetSeconds(), expected, 1e-5f);
    EXPECT_NEAR(seconds(map, 2.0f), (-1.0f + std::sqrt(2.0f)) / 0.25f, 1e-5f);
    EXPECT_NEAR(quarters(map, seconds(map, 2.0f)), 2.0f, 1e-5f);
    EXPECT_NEAR(seconds(map, 6.0f), expected + 1.0f, 1e-5f) << "after the ramp, the last tempo";

    ECTempoEnv even;
    even.AddChild(markAt(0.0f, 90.0f, 3), 1);  // any style but 0 ramps
    even.AddChild(markAt(3.0f, 90.0f), 1);
    even.AddChild(markAt(5.0f, 45.0f), 1);
    ECTempoEnv stepped;
    stepped.AddChild(markAt(0.0f, 90.0f), 1);
    stepped.AddChild(markAt(3.0f, 90.0f), 1);
    stepped.AddChild(markAt(5.0f, 45.0f), 1);
    for (float t : {0.5f, 3.0f, 4.25f, 5.0f, 9.0f}) {
        EXPECT_FLOAT_EQ(seconds(even, t), seconds(stepped, t)) << t;
        EXPECT_FLOAT_EQ(quarters(even, seconds(stepped, t)), t) << t;
    }
}

TEST_F(ECTempoEnvTest, ASteepSlowingRampStillArrivesAndLaterTimesStayNumbers)
{
    // A ritardando from 60 to 24 over one quarter note: at the mark's pace (losing 0.6 quarter
    // notes per second per second) the music would stop before the next mark, and the clock time
    // there would be the root of 1 - 1.2. It slows evenly from one rate to the other instead:
    // one quarter note at an average of 0.7 per second.
    ECTempoEnv map;
    map.AddChild(markAt(0.0f, 60.0f, ECEnvPoint::styleLinear), 1);
    ECTempo* slow = markAt(1.0f, 24.0f);
    ECTempo* after = markAt(3.0f, 120.0f);
    map.AddChild(slow, 1);
    map.AddChild(after, 1);
    EXPECT_NEAR(slow->GetClockTime().GetSeconds(), 1.0f / 0.7f, 1e-5f);
    EXPECT_NEAR(after->GetClockTime().GetSeconds(), 1.0f / 0.7f + 5.0f, 1e-5f);
    float previous = 0.0f;
    for (float t = 0.0f; t <= 1.0f; t += 0.125f) {
        const float s = seconds(map, t);
        ASSERT_TRUE(std::isfinite(s)) << t;
        EXPECT_GE(s, previous);
        previous = s;
        EXPECT_NEAR(quarters(map, s), t, 1e-5f);
    }
    EXPECT_NEAR(seconds(map, 4.0f), 1.0f / 0.7f + 5.5f, 1e-5f);
}

TEST_F(ECTempoEnvTest, PausesSlowTheTempoUntilTheirGroupRestoresIt)
{
    ECTempoEnv map;
    map.AddChild(markAt(0.0f, 120.0f), 1);
    auto* pause = new ECTempo(ECTempo::typePause, MCTime(1.0f));
    MCTime at(4.0f);
    pause->SetTime(&at);
    pause->SetAnchor(1);
    pause->SetAnchorHead(1);
    auto* restore = new ECTempo(ECTempo::typePause, MCTime(0.0f));
    MCTime later(6.0f);
    restore->SetTime(&later);
    restore->SetAnchor(1);
    MCEventList group;
    group.AddTail(pause);
    group.AddTail(restore);
    map.AddChild(pause, 1);
    map.AddChild(restore, 1);
    map.AddAnchorGroup(&group);
    map.RecalculateClockTimes();

    EXPECT_EQ(pause->GetTempo(1.0f), 60.0f);
    EXPECT_EQ(restore->GetTempo(1.0f), 120.0f);
    EXPECT_EQ(seconds(map, 4.0f), 2.0f);
    EXPECT_EQ(seconds(map, 6.0f), 4.0f);
    EXPECT_EQ(seconds(map, 8.0f), 5.0f);

    pause->SetPausePercent(200.0f);
    map.RecalculateClockTimes();
    EXPECT_EQ(pause->GetTempo(1.0f), 30.0f);

    // A mark coming or going before the pause sets its tempos at once, before any clock time is
    // asked for; the clock times follow when they are.
    ECTempo* faster = markAt(2.0f, 160.0f);
    map.AddChild(faster, 1);
    EXPECT_EQ(pause->GetTempo(1.0f), 40.0f);
    EXPECT_EQ(restore->GetTempo(1.0f), 160.0f);
    EXPECT_FLOAT_EQ(restore->GetClockTime().GetSeconds(), 1.0f + 2.0f * 60.0f / 160.0f + 2.0f * 60.0f / 40.0f);
    map.RemoveChild(faster, 0);
    EXPECT_EQ(pause->GetTempo(1.0f), 30.0f);
    EXPECT_EQ(restore->GetTempo(1.0f), 120.0f);
    EXPECT_FLOAT_EQ(restore->GetClockTime().GetSeconds(), 2.0f + 2.0f * 60.0f / 30.0f);
}

TEST_F(ECTempoEnvTest, RandomMapsWithRampsAndPausesConvertBothWays)
{
    std::mt19937 random(1121);
    std::uniform_real_distribution<float> tempo(20.0f, 400.0f);
    for (int round = 0; round < 60; ++round) {
        SCOPED_TRACE(round);
        ECTempoEnv map;
        float time = 0.0f;
        std::vector<ECTempo*> marks;
        for (int m = 0; m < 12; ++m) {
            ECTempo* mark = markAt(time, tempo(random), random() % 2 ? ECEnvPoint::styleLinear : ECEnvPoint::styleStep);
            marks.push_back(mark);
            map.AddChild(mark, 1);
            time += 0.25f * static_cast<float>(1 + random() % 32);
        }
        // Two marks of a pause: the head slows by a random percentage, the next restores.
        const size_t head = 1 + random() % 9;
        marks[head]->SetTempoType(ECTempo::typePause, MCTime(0.0f));
        marks[head]->SetAnchorHead(1);
        marks[head]->SetPausePercent(static_cast<float>(random() % 400));
        marks[head + 1]->SetTempoType(ECTempo::typePause, MCTime(0.0f));
        MCEventList group;
        group.AddTail(marks[head]);
        group.AddTail(marks[head + 1]);
        map.AddAnchorGroup(&group);
        map.RecalculateClockTimes();

        float lastClock = -1.0f;
        for (ECTempo* mark : marks) {
            ASSERT_TRUE(std::isfinite(mark->GetClockTime().GetSeconds()));
            EXPECT_GT(mark->GetClockTime().GetSeconds(), lastClock);
            lastClock = mark->GetClockTime().GetSeconds();
        }
        std::uniform_real_distribution<float> anyTime(0.0f, time + 10.0f);
        for (int i = 0; i < 200; ++i) {
            const float t = anyTime(random);
            const float s = seconds(map, t);
            ASSERT_TRUE(std::isfinite(s)) << t;
            EXPECT_NEAR(quarters(map, s), t, 2e-4f * std::max(1.0f, t)) << "at " << t;
        }
    }
}

// A batch ends with what adding the marks one at a time gives, mark by mark, whatever order
// they come in; conversions asked for inside it are already exact, the first mark still goes
// to time 0 at once, and only the last of nested batches ends it.
TEST_F(ECTempoEnvTest, ABatchEndsWithTheClockTimesOfMarksAddedOneAtATime)
{
    std::mt19937 random(4049);
    std::uniform_real_distribution<float> tempo(20.0f, 400.0f);
    struct Mark {
        float time;
        float bpm;
        int style;
    };
    std::vector<Mark> marks;
    for (int m = 0; m < 300; ++m)
        marks.push_back({0.25f * static_cast<float>(1 + random() % 4000), tempo(random),
                         random() % 3 == 0 ? ECEnvPoint::styleLinear : ECEnvPoint::styleStep});
    // The first mark comes late: it moves to time 0 in both maps.
    marks.front().time = 3.0f;

    ECTempoEnv single;
    ECTempoEnv batched;
    batched.BeginBatch();
    batched.BeginBatch();
    for (size_t i = 0; i < marks.size(); ++i) {
        const Mark& mark = marks[i];
        ECTempo* one = markAt(mark.time, mark.bpm, mark.style);
        ECTempo* other = markAt(mark.time, mark.bpm, mark.style);
        const int added = single.AddChild(one, 1);
        ASSERT_EQ(batched.AddChild(other, 1), added) << i << ": a mark at a time taken is refused in both";
        if (!added) {
            delete one;
            delete other;
            continue;
        }
        if (i == 0) {
            EXPECT_EQ(other->GetTime()->GetSeconds(), 0.0f) << "the first mark moves to 0 inside a batch too";
        }
        if (i % 50 == 7) {
            const float at = 0.5f * static_cast<float>(random() % 2000);
            EXPECT_EQ(seconds(batched, at), seconds(single, at)) << i << " at " << at;
            EXPECT_EQ(quarters(batched, 100.0f), quarters(single, 100.0f)) << i;
        }
    }
    batched.EndBatch();
    batched.AddChild(markAt(1001.0f, 90.0f), 1);
    single.AddChild(markAt(1001.0f, 90.0f), 1);
    batched.EndBatch();

    const auto inOrder = [](const ECTempoEnv& map) {
        std::vector<ECTempo*> marks;
        for (ECBase* child : *const_cast<ECTempoEnv&>(map).GetChildren())
            marks.push_back(static_cast<ECTempo*>(child));
        return marks;
    };
    const std::vector<ECTempo*> a = inOrder(single);
    const std::vector<ECTempo*> b = inOrder(batched);
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i]->GetTime()->GetSeconds(), b[i]->GetTime()->GetSeconds()) << i;
        EXPECT_EQ(a[i]->GetClockTime().GetSeconds(), b[i]->GetClockTime().GetSeconds()) << i;
        EXPECT_EQ(b[i]->GetClockTime().GetMode(), MCTime::clock) << i;
    }

    // Outside a batch, a change recomputes at once again.
    ECTempo* late = markAt(2000.0f, 30.0f);
    batched.AddChild(late, 1);
    ECTempo* before = b.back();
    EXPECT_FLOAT_EQ(late->GetClockTime().GetSeconds(),
                    before->GetClockTime().GetSeconds() + (2000.0f - before->GetTime()->GetSeconds()) * 60.0f / before->GetTempo(1.0f));
}

TEST_F(ECTempoEnvTest, MarksSetTheirTempoTypeTextAndPause)
{
    ECTempo mark;
    EXPECT_EQ(mark.GetTempoType(), ECTempo::typeMetronome);
    EXPECT_EQ(mark.GetValue(), 60.0f);
    EXPECT_EQ(mark.GetPausePercent(), 0.0f) << "a metronome mark is no pause";
    mark.SetPausePercent(-5.0f);
    mark.SetTempoType(ECTempo::typePause, MCTime(0.0f));
    EXPECT_EQ(mark.GetPausePercent(), 0.0f);
    mark.SetPausePercent(500.0f);
    EXPECT_EQ(mark.GetPausePercent(), 400.0f);

    EXPECT_EQ(mark.SetTempoType(12, MCTime(0.0f)), 1);
    EXPECT_EQ(mark.GetTempo(1.0f), 80.0f) << "Moderato";
    EXPECT_EQ(mark.GetBeat(), 1.0f);
    EXPECT_EQ(mark.GetText(), "Moderato");
    EXPECT_EQ(LoadIntPreference("Settings\\Tempo\\Moderato", "BPM", -1), 80) << "the default is kept";
    SaveIntPreference("Settings\\Tempo\\Allegro", "BPM", 132);
    mark.SetTempoType(14, MCTime(0.0f));
    EXPECT_EQ(mark.GetTempo(1.0f), 132.0f);
    EXPECT_EQ(GetTempoType(131), 13);
    EXPECT_EQ(GetTempoType(10), 2);

    EXPECT_EQ(mark.SetTempoType(30, MCTime(0.0f)), 0);
    EXPECT_EQ(mark.GetTempoType(), 14) << "a refused type is not stored";
    EXPECT_EQ(mark.SetTempoType(22, MCTime(2.0f)), 1);
    EXPECT_EQ(mark.GetDuration()->GetSeconds(), 2.0f);
    EXPECT_EQ(mark.GetText(), "rall.");
    mark.SetText("poco rall.");
    EXPECT_EQ(mark.GetText(), "poco rall.");

    // Tempos in a beat unit; none that stops the clock.
    EXPECT_EQ(mark.SetTempo(60.0f, 1.5f), 1);
    EXPECT_EQ(mark.GetTempo(1.0f), 90.0f);
    EXPECT_EQ(mark.GetTempo(1.5f), 60.0f);
    EXPECT_EQ(mark.GetRate(), 1.5f);
    EXPECT_EQ(mark.SetTempo(0.0f, 1.0f), 0);
    EXPECT_EQ(mark.SetTempo(-60.0f, 1.0f), 0);
    EXPECT_EQ(mark.GetTempo(1.0f), 90.0f);
}

TEST_F(ECTempoEnvTest, CopiesKeepTheirDurationAndMapsReloadTheirClockTimes)
{
    ECTempo a(ECTempo::typeAccelerando, MCTime(2.0f));
    a.SetTempo(100.0f, 1.0f);
    ECTempo b;
    b = a;
    EXPECT_EQ(b.GetTempoType(), ECTempo::typeAccelerando);
    EXPECT_EQ(b.GetDuration()->GetSeconds(), 0.0f) << "assignment does not take the duration";
    EXPECT_FALSE(a == b);
    ECTempo c(a);
    EXPECT_TRUE(a == c);

    ECTempoEnv map;
    map.AddChild(markAt(0.0f, 60.0f, ECEnvPoint::styleLinear), 1);
    auto* rit = new ECTempo(ECTempo::typeRitardando, MCTime(1.0f));
    MCTime at(4.0f);
    rit->SetTime(&at);
    rit->SetText("molto");
    map.AddChild(rit, 1);
    map.AddChild(markAt(8.0f, 30.0f), 1);
    const auto bytes = storeObject(&map);
    std::unique_ptr<ECTempoEnv> loaded(static_cast<ECTempoEnv*>(loadObject(bytes)));
    ASSERT_EQ(loaded->GetPointCount(), 3);
    EXPECT_EQ(loaded->GetUpperLimit(), 400.0f);
    auto* loadedRit = static_cast<ECTempo*>(loaded->GetPointAtIndex(1));
    EXPECT_TRUE(*loadedRit == *rit);
    EXPECT_EQ(loadedRit->GetClockTime(), rit->GetClockTime());
    EXPECT_EQ(seconds(*loaded, 9.0f), seconds(map, 9.0f));
    EXPECT_EQ(storeObject(loaded.get()), bytes);
    loaded->RemoveChildren(1);
}

TEST_F(ECTempoEnvTest, MarksOfTheOlderFormatRampAndKeepTheirPause)
{
    // Version 2 stores no point fields and no pause percent.
    const auto bytes = storeWith([](plat::Archive& a) {
        a.writeU8(0);             // element flags
        a.writeU8(0);             // time: musical
        a.writeFloat(4.0f);
        a.writeU16(0x00E0);       // voice 0, track 14
        for (float v : {120.0f, 2.0f, 0.5f, 1.0f})
            a.writeFloat(v);      // tempo, rate, speed, beat
        a.writeU8(ECTempo::typePause);
        a.writeU8(0);             // duration
        a.writeFloat(1.0f);
        a.writeString("");
    });
    ActiveVersion v2(2);
    ECTempo mark;
    loadWith(bytes, [&](plat::Archive& a) { mark.Serialize(a); });
    EXPECT_EQ(mark.GetTempo(1.0f), 120.0f);
    EXPECT_EQ(mark.IsAnchorHead(), 1);
    EXPECT_EQ(mark.GetStyle(), ECEnvPoint::styleLinear);
    EXPECT_EQ(mark.GetPausePercent(), 100.0f);
    EXPECT_EQ(mark.GetDuration()->GetSeconds(), 1.0f);

    // A damaged mark that would stop the clock is refused.
    const auto stopped = storeWith([](plat::Archive& a) {
        a.writeU8(0);
        a.writeU8(0);
        a.writeFloat(4.0f);
        a.writeU16(0x00E0);
        for (float v : {0.0f, 0.0f, 0.0f, 1.0f})
            a.writeFloat(v);
        a.writeU8(1);
        a.writeString("");
    });
    EXPECT_THROW(loadWith(stopped, [&](plat::Archive& a) { mark.Serialize(a); }), plat::ArchiveError);
}
