#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <memory>
#include <random>
#include <string>

namespace {

ECMeter* meterAt(float time, unsigned char numerator, unsigned char denominator)
{
    auto* meter = new ECMeter(numerator, denominator, 255);
    MCTime t(time);
    meter->SetTime(&t);
    return meter;
}

MCTime positionOf(const BPTTime& p)
{
    return MCTime(p.bar, p.pulse, p.tick, p.ppq);
}

std::string text(const MCTime& time)
{
    if (const BPTTime* p = time.GetBarPulseTick())
        return std::to_string(p->bar) + ":" + std::to_string(p->pulse) + ":" + std::to_string(p->tick) + "/"
               + std::to_string(p->ppq);
    return std::to_string(time.GetSeconds());
}

std::string toPosition(ECMeterEnv& map, float quarters, int ppq)
{
    MCTime t(quarters);
    map.GetBarPulseTick(t, ppq);
    return text(t);
}

float toQuarters(ECMeterEnv& map, int bar, int pulse, int tick, int ppq)
{
    MCTime t(bar, pulse, tick, ppq);
    map.GetNormalizedTime(t);
    EXPECT_EQ(t.GetMode(), MCTime::normal);
    return t.GetSeconds();
}

class ECMeterEnvTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

}  // namespace

TEST_F(ECMeterEnvTest, MusicalTimeConvertsToBarPulseTickAndBack)
{
    ECMeterEnv map;
    map.AddChild(meterAt(0.0f, 4, 4), 1);
    map.AddChild(meterAt(8.0f, 3, 4), 1);
    EXPECT_EQ(text(positionOf(static_cast<ECMeter*>(map.GetPointAtIndex(1))->GetBarPulseTick())), "2:0:0/480");

    struct Case {
        float quarters;
        int ppq;
        const char* position;
    };
    const Case cases[] = {
        {0.0f, 480, "0:0:0/480"},
        {1.5f, 480, "0:1:240/480"},
        {7.75f, 96, "1:3:72/96"},
        {8.0f, 480, "2:0:0/480"},
        {9.5f, 480, "2:1:240/480"},
        {11.0f, 480, "3:0:0/480"},
        // The tick rounds up to a whole pulse, which carries into the pulse and then the bar.
        {3.999f, 480, "1:0:0/480"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.quarters);
        EXPECT_EQ(toPosition(map, c.quarters, c.ppq), c.position);
    }
    EXPECT_EQ(toQuarters(map, 2, 1, 240, 480), 9.5f);
    EXPECT_EQ(toQuarters(map, 2, 0, 0, 480), 8.0f) << "the meter's own time";
    EXPECT_EQ(toQuarters(map, 1, 3, 72, 96), 7.75f);
    EXPECT_EQ(toQuarters(map, 0, 0, 0, 240), 0.0f);

    // Eighth-note pulses count ticks at the quarter-note resolution.
    ECMeterEnv sixEight;
    sixEight.AddChild(meterAt(0.0f, 6, 8), 1);
    EXPECT_EQ(toPosition(sixEight, 1.75f, 480), "0:3:120/480");
    EXPECT_EQ(toQuarters(sixEight, 0, 3, 120, 480), 1.75f);
}

TEST_F(ECMeterEnvTest, OtherModesAndEmptyMapsAreLeftAlone)
{
    ECMeterEnv empty;
    EXPECT_EQ(toPosition(empty, 13.0f, 480), "0:0:0/480");
    MCTime position(3, 1, 0, 480);
    empty.GetNormalizedTime(position);
    EXPECT_EQ(text(position), "3:1:0/480");

    ECMeterEnv map;
    map.AddChild(meterAt(0.0f, 4, 4), 1);
    map.GetBarPulseTick(position, 96);
    EXPECT_EQ(text(position), "3:1:0/480") << "already a position";
    MCTime quarters(5.0f);
    map.GetNormalizedTime(quarters);
    EXPECT_EQ(quarters.GetMode(), MCTime::normal);
    EXPECT_EQ(quarters.GetSeconds(), 5.0f);
    MCTime seconds(5.0f);
    seconds.SetMode(MCTime::clock);
    map.GetBarPulseTick(seconds, 480);
    EXPECT_EQ(seconds.GetMode(), MCTime::clock);
}

TEST_F(ECMeterEnvTest, PositionsFollowAddsRemovesAndResolution)
{
    ECMeterEnv map;
    map.SetVoiceTrack(14, 0);
    ECMeter* common = meterAt(0.0f, 4, 4);
    ECMeter* waltz = meterAt(8.0f, 3, 4);
    map.AddChild(common, 1);
    map.AddChild(waltz, 1);
    EXPECT_EQ(waltz->GetVoice(), 14) << "a meter takes the map's word";
    EXPECT_EQ(waltz->GetTrack(), 0);

    // A meter at the time of another is refused and changes nothing.
    ECMeter* clash = meterAt(8.0f, 5, 8);
    EXPECT_EQ(map.AddChild(clash, 1), 0);
    delete clash;
    EXPECT_EQ(waltz->GetBarPulseTick().bar, 2);

    ECMeter* fast = meterAt(2.0f, 2, 4);
    ASSERT_EQ(map.AddChild(fast, 1), 1);
    EXPECT_EQ(fast->GetBarPulseTick().bar, 0);
    EXPECT_EQ(fast->GetBarPulseTick().pulse, 2);
    // Three bars of 2/4 counted on from pulse 2 of bar 0, the pulse wrapping into the next bar.
    EXPECT_EQ(waltz->GetBarPulseTick().bar, 4);
    EXPECT_EQ(waltz->GetBarPulseTick().pulse, 0);

    ASSERT_EQ(map.RemoveChild(fast, 0), 1);
    EXPECT_EQ(waltz->GetBarPulseTick().bar, 2);

    MCTime::GlobalPPQ = 960;
    map.RecalculateBPTTimes();
    EXPECT_EQ(waltz->GetBarPulseTick().ppq, 960);
}

TEST_F(ECMeterEnvTest, AMapWhoseFirstMeterIsLateKeepsItsPositions)
{
    ECMeterEnv map;
    ECMeter* late = meterAt(4.0f, 3, 4);
    late->SetBarPulseTick(7, 1, 2, 480);
    map.AddChild(late, 1);
    EXPECT_EQ(late->GetBarPulseTick().bar, 7);
    map.AddChild(meterAt(10.0f, 4, 4), 1);
    EXPECT_EQ(late->GetBarPulseTick().bar, 7);
}

TEST_F(ECMeterEnvTest, MetersThatBeginInsideABarConvertBothWays)
{
    // 3/4 from the second beat of bar 1: its position is 1:1:0.
    ECMeterEnv map;
    map.AddChild(meterAt(0.0f, 4, 4), 1);
    ECMeter* waltz = meterAt(5.0f, 3, 4);
    map.AddChild(waltz, 1);
    EXPECT_EQ(text(positionOf(waltz->GetBarPulseTick())), "1:1:0/480");
    // Bar 3 lies after the meter although its pulse is smaller than the meter's: positions are
    // ordered by bar first.
    EXPECT_EQ(toQuarters(map, 3, 0, 0, 480), 10.0f);
    EXPECT_EQ(toPosition(map, 10.0f, 480), "3:0:0/480");
    EXPECT_EQ(toQuarters(map, 1, 0, 0, 480), 4.0f);

    // A meter that begins between pulses answers its own position in the ticks asked for.
    ECMeterEnv offbeat;
    offbeat.AddChild(meterAt(0.0f, 4, 4), 1);
    offbeat.AddChild(meterAt(4.5f, 3, 4), 1);
    EXPECT_EQ(toPosition(offbeat, 4.5f, 960), "1:0:480/960");
    EXPECT_EQ(toQuarters(offbeat, 1, 0, 480, 960), 4.5f);
}

TEST_F(ECMeterEnvTest, RandomMapsConvertBothWays)
{
    std::mt19937 random(116117);
    const unsigned char numerators[] = {2, 3, 4, 5, 6, 7, 9, 12};
    const unsigned char denominators[] = {2, 4, 8, 16};
    for (int round = 0; round < 40; ++round) {
        ECMeterEnv map;
        float time = 0.0f;
        for (int m = 0; m < 6; ++m) {
            ECMeter* meter = meterAt(time, numerators[random() % 8], denominators[random() % 4]);
            const float length = meter->GetMeasureLength();
            map.AddChild(meter, 1);
            time += length * static_cast<float>(1 + random() % 5);
        }
        const int ppq = round % 2 ? 480 : 96;
        for (int i = 0; i < 50; ++i) {
            // On the tick grid, so that the way back lands exactly.
            const float quarters = static_cast<float>(random() % static_cast<unsigned>(time * ppq + 100)) / ppq;
            MCTime t(quarters);
            map.GetBarPulseTick(t, ppq);
            ASSERT_EQ(t.GetMode(), MCTime::barPulseTick);
            const BPTTime position = *t.GetBarPulseTick();
            map.GetNormalizedTime(t);
            EXPECT_NEAR(t.GetSeconds(), quarters, 1e-4f)
                << "round " << round << " at " << quarters << " via " << text(positionOf(position));
        }
    }
}

TEST_F(ECMeterEnvTest, OnlyMetersJoinTheMapAndLoadedMapsCountAgain)
{
    ECMeterEnv map;
    auto* point = new ECEnvPoint;
    EXPECT_EQ(map.AddChild(point, 1), 0);
    delete point;

    map.AddChild(meterAt(0.0f, 6, 8), 1);
    map.AddChild(meterAt(6.0f, 2, 4), 1);
    std::unique_ptr<ECMeterEnv> loaded(static_cast<ECMeterEnv*>(loadObject(storeObject(&map))));
    ASSERT_EQ(loaded->GetPointCount(), 2);
    EXPECT_EQ(loaded->GetDefaultValue(), 60.0f);
    auto* second = static_cast<ECMeter*>(loaded->GetPointAtIndex(1));
    EXPECT_EQ(text(positionOf(second->GetBarPulseTick())), "2:0:0/480");
    loaded->RemoveChildren(1);
}

TEST_F(ECMeterEnvTest, TimesFarOutStopAtTheLastBarIntCountsInsteadOfWrapping)
{
    ECMeterEnv map;
    map.AddChild(meterAt(0.0f, 4, 4), 1);
    MCTime far(3e10f);
    map.GetBarPulseTick(far, 480);
    ASSERT_NE(far.GetBarPulseTick(), nullptr);
    EXPECT_EQ(far.GetBarPulseTick()->bar, INT_MAX);

    for (const int bar : {INT_MAX, INT_MIN}) {
        SCOPED_TRACE(bar);
        const float quarters = toQuarters(map, bar, 3, 479, 480);
        EXPECT_TRUE(std::isfinite(quarters));
        EXPECT_EQ(quarters > 0.0f, bar > 0);
    }
}
