#include "notabase/model/ECMeter.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using Bytes = std::vector<unsigned char>;
using Ticks = std::vector<unsigned short>;

std::vector<unsigned int> stressTicks(const ECMeter& meter)
{
    std::vector<unsigned int> ticks;
    for (unsigned short i = 0; i < meter.GetStressPulsesPerMeasure(); ++i)
        ticks.push_back(meter.GetStressTicks(i, 256));
    return ticks;
}

std::vector<unsigned int> subdivision(const ECMeter& meter, int level, unsigned short resolution)
{
    std::vector<unsigned int> out;
    meter.GetSubdivision(level, out, resolution);
    return out;
}

class ECMeterTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

}  // namespace

TEST_F(ECMeterTest, MetersWorkOutTheirTypeStressesAndLengths)
{
    struct Case {
        unsigned char numerator, denominator, askedType;
        unsigned char type;
        std::vector<unsigned int> stresses;
        float length;
        unsigned short beats;
    };
    const Case cases[] = {
        {4, 4, 255, 2, {512, 512}, 4.0f, 4},
        {4, 4, 0, 0, {512, 512}, 4.0f, 4},
        {3, 4, 255, 2, {768}, 3.0f, 3},
        {3, 4, 1, 1, {768}, 3.0f, 3},
        {2, 2, 255, 2, {512, 512}, 4.0f, 2},
        {3, 2, 255, 2, {512, 512, 512}, 6.0f, 3},
        {6, 16, 0, 0, {384}, 1.5f, 6},
        {8, 8, 255, 2, {1024}, 4.0f, 8},
        {6, 8, 255, 3, {384, 384}, 3.0f, 2},
        {9, 8, 255, 3, {384, 384, 384}, 4.5f, 3},
        {12, 8, 255, 3, {384, 384, 384, 384}, 6.0f, 4},
        {5, 8, 255, 4, {256, 384}, 2.5f, 2},
        {7, 8, 255, 4, {512, 384}, 3.5f, 2},
        {10, 8, 255, 4, {640, 640}, 5.0f, 2},
        {20, 8, 255, 4, {640, 640, 640, 640}, 10.0f, 4},
        {15, 8, 255, 4, {640, 640, 640}, 7.5f, 3},
        {11, 8, 255, 5, {384, 384, 384, 256}, 5.5f, 4},
        {13, 8, 255, 5, {384, 384, 384, 384, 128}, 6.5f, 5},
        // A combined meter whose numerator is a multiple of 3 ends on an empty stress.
        {33, 8, 255, 5, {384, 384, 384, 384, 384, 384, 384, 384, 384, 384, 384, 0}, 16.5f, 12},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.numerator) << "/" << int(c.denominator) << " asked " << int(c.askedType));
        ECMeter meter;
        ASSERT_EQ(meter.SetMeter(c.numerator, c.denominator, c.askedType), 1);
        EXPECT_EQ(meter.GetMeterType(), c.type);
        EXPECT_EQ(stressTicks(meter), c.stresses);
        EXPECT_EQ(meter.GetMeasureLength(), c.length);
        EXPECT_EQ(meter.GetBeatsPerMeasure(), c.beats);
        EXPECT_EQ(meter.GetPulseTicks(256), 1024u / c.denominator);
    }
}

TEST_F(ECMeterTest, BeatsAndLengthsAtOtherResolutions)
{
    ECMeter common;  // 4/4
    EXPECT_EQ(common.GetMeterType(), 0);
    EXPECT_EQ(common.GetPulse(), 1.0f);
    EXPECT_EQ(common.GetTicksPerMeasure(480), 1920u);
    EXPECT_EQ(common.GetBeatTicks(0, 480), 480u);
    EXPECT_EQ(common.GetPulsesPerBeat(3), 1);

    ECMeter sixEight(6, 8, 255);
    EXPECT_EQ(sixEight.GetPulseTicks(256), 128u);
    EXPECT_EQ(sixEight.GetBeat(1), 1.5f);
    EXPECT_EQ(sixEight.GetBeatTicks(1, 480), 720u);
    EXPECT_EQ(sixEight.GetPulsesPerBeat(0), 3);
    EXPECT_EQ(sixEight.GetBeatsPerMeasure(), 2);

    ECMeter fiveEight(5, 8, 255);
    EXPECT_EQ(fiveEight.GetBeat(0), 1.0f);
    EXPECT_EQ(fiveEight.GetBeat(1), 1.5f);
    EXPECT_EQ(fiveEight.GetPulsesPerBeat(1), 3);

    // Rounded to the nearest tick, halves up.
    ECMeter threeEight(3, 8, 255);
    EXPECT_EQ(threeEight.GetPulseTicks(480), 240u);
    ECMeter threeSixteen(3, 16, 255);
    EXPECT_EQ(threeSixteen.GetPulseTicks(100), 25u);  // 64 x 100 / 256 = 25
    EXPECT_EQ(ECMeter(1, 128, 255).GetPulseTicks(10), 0u);  // 8 x 10 / 256 = 0.31

    // Past the stresses there is nothing.
    EXPECT_EQ(sixEight.GetStressTicks(7, 256), 0u);
    EXPECT_EQ(sixEight.GetStress(7), 0.0f);
    EXPECT_EQ(sixEight.GetPulsesPerStress(7), 0);
}

TEST_F(ECMeterTest, CompositeMetersAddTheirParts)
{
    ECMeter meter;
    ASSERT_EQ(meter.SetMeter(Bytes{3, 3}, Bytes{4, 8}, 0), 1);
    EXPECT_EQ(meter.GetMeterType(), ECMeter::typeComposite);
    EXPECT_EQ(meter.GetDenominator(), 8);
    EXPECT_EQ(meter.GetNumerator(), 9);
    EXPECT_EQ(meter.GetPulseTicks(256), 128u);
    EXPECT_EQ(stressTicks(meter), (std::vector<unsigned int>{768, 384}));
    EXPECT_EQ(meter.GetMeasureLength(), 4.5f);
    EXPECT_EQ(meter.GetCompoundNumerator(), (Bytes{3, 3}));

    // Each part stressed by its own type, or as one stress each.
    ASSERT_EQ(meter.SetMeter(Bytes{6, 2}, Bytes{8, 4}, 0), 1);
    EXPECT_EQ(stressTicks(meter), (std::vector<unsigned int>{384, 384, 512}));
    ASSERT_EQ(meter.SetMeter(Bytes{6, 2}, Bytes{8, 4}, 1), 1);
    EXPECT_EQ(stressTicks(meter), (std::vector<unsigned int>{768, 512}));
    // One denominator for all numerators: one stress per part.
    ASSERT_EQ(meter.SetMeter(Bytes{2, 2, 3}, Bytes{8}, 0), 1);
    EXPECT_EQ(meter.GetNumerator(), 7);
    EXPECT_EQ(stressTicks(meter), (std::vector<unsigned int>{256, 256, 384}));

    // A single part is a plain meter again.
    ASSERT_EQ(meter.SetMeter(Bytes{6}, Bytes{8}, 0), 1);
    EXPECT_EQ(meter.GetMeterType(), ECMeter::typeCompound);
    EXPECT_TRUE(meter.GetCompoundNumerator().empty());
}

TEST_F(ECMeterTest, RefusedMetersChangeNothing)
{
    ECMeter meter(7, 8, 255);
    const ECMeter before(meter);
    EXPECT_EQ(meter.SetMeter(3, 6, 0), 0);
    EXPECT_EQ(meter.SetMeter(0, 4, 0), 0);
    EXPECT_EQ(meter.SetMeter(4, 0, 0), 0);
    // A bar of 64 whole notes (65536 ticks) is longer than a meter can hold: its length would
    // wrap to 0 and a bar of no length can never be filled.
    EXPECT_EQ(meter.SetMeter(64, 1, 0), 0);
    EXPECT_EQ(meter.SetMeter(Bytes{}, Bytes{4}, 0), 0);
    EXPECT_EQ(meter.SetMeter(Bytes{3}, Bytes{}, 0), 0);
    EXPECT_EQ(meter.SetMeter(Bytes{3, 2, 2}, Bytes{4, 8}, 0), 0);
    EXPECT_EQ(meter.SetMeter(Bytes{3, 0}, Bytes{4, 8}, 0), 0);
    EXPECT_EQ(meter.SetMeter(Bytes{3, 3}, Bytes{4, 12}, 0), 0);
    EXPECT_EQ(meter.SetMeter(Bytes{200, 100}, Bytes{8}, 0), 0) << "a numerator past 255";
    EXPECT_EQ(meter.SetMeterType(3), 0);
    EXPECT_TRUE(meter == before);
    EXPECT_EQ(meter.GetMeterType(), ECMeter::typeImperfect);

    // The longest bar there is, and a meter refused at construction stays 4/4.
    EXPECT_EQ(meter.SetMeter(63, 1, 0), 1);
    EXPECT_EQ(meter.GetMeasureLength(), 252.0f);
    EXPECT_EQ(meter.GetTicksPerMeasure(1000), 252000u) << "lengths at other resolutions do not wrap";
    ECMeter refused(64, 1, 0);
    EXPECT_EQ(refused.GetNumerator(), 4);
    EXPECT_EQ(refused.GetMeasureLength(), 4.0f);
}

TEST_F(ECMeterTest, SubdivisionsHalveBeats)
{
    ECMeter common(4, 4, 255);
    EXPECT_EQ(subdivision(common, 0, 256), (std::vector<unsigned int>{1024}));
    EXPECT_EQ(subdivision(common, 1, 256), (std::vector<unsigned int>{512, 512}));
    EXPECT_EQ(subdivision(common, 2, 480), (std::vector<unsigned int>{480, 480, 480, 480}));
    EXPECT_EQ(subdivision(common, 3, 256), std::vector<unsigned int>(8, 128));
    EXPECT_EQ(subdivision(common, 4, 256), std::vector<unsigned int>(16, 64));

    ECMeter sixEight(6, 8, 255);
    EXPECT_EQ(subdivision(sixEight, 1, 256), (std::vector<unsigned int>{384, 384}));
    EXPECT_EQ(subdivision(sixEight, 2, 256), std::vector<unsigned int>(6, 128));
    EXPECT_EQ(subdivision(sixEight, 3, 256), std::vector<unsigned int>(12, 64));

    std::vector<float> quarters;
    sixEight.GetSubdivision(1, quarters);
    EXPECT_EQ(quarters, (std::vector<float>{1.5f, 1.5f}));
    common.GetSubdivision(3, quarters);
    EXPECT_EQ(quarters, std::vector<float>(8, 0.5f));

    // Levels that mean nothing leave the list as it was.
    std::vector<unsigned int> kept{7};
    common.GetSubdivision(-1, kept, 256);
    common.GetSubdivision(40, kept, 256);
    EXPECT_EQ(kept, (std::vector<unsigned int>{7}));
}

TEST_F(ECMeterTest, AssignmentMakesTheMeterAnewAndEqualityIgnoresTime)
{
    ECMeter a(3, 4, 255);
    ECMeter b(3, 4, 255);
    MCTime t(8.0f);
    b.SetTime(&t);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(a != ECMeter(3, 4, 1)) << "the kept type 1 is another meter";

    ECMeter composite;
    composite.SetMeter(Bytes{3, 3}, Bytes{4, 8}, 0);
    ECMeter copy;
    copy = composite;
    EXPECT_TRUE(copy == composite);
    EXPECT_EQ(copy.GetTime()->GetSeconds(), MCTime::TimeNull().GetSeconds()) << "assignment keeps the time";
    ECMeter constructed(b);
    EXPECT_EQ(constructed.GetTime()->GetSeconds(), 8.0f) << "the copy constructor takes it";
}

TEST_F(ECMeterTest, RecordsLoadBackEqual)
{
    for (ECMeter* meter : {new ECMeter(6, 8, 255), new ECMeter(11, 8, 255), new ECMeter(3, 4, 1)}) {
        std::unique_ptr<ECMeter> original(meter);
        std::unique_ptr<ECMeter> loaded(static_cast<ECMeter*>(loadObject(storeObject(meter))));
        ASSERT_TRUE(loaded);
        EXPECT_TRUE(*loaded == *meter);
    }
    ECMeter composite;
    composite.SetMeter(Bytes{3, 3}, Bytes{4, 8}, 0);
    const auto bytes = storeObject(&composite);
    std::unique_ptr<ECMeter> loaded(static_cast<ECMeter*>(loadObject(bytes)));
    EXPECT_TRUE(*loaded == composite);
    EXPECT_EQ(loaded->GetMeasureLength(), 4.5f);
    EXPECT_EQ(storeObject(loaded.get()), bytes);
}

TEST_F(ECMeterTest, AMeterRecordWithoutABarLengthIsRefused)
{
    // 0/4 and 4/3 are not meters; a damaged document may hold one all the same.
    for (unsigned char numerator : {0, 4}) {
        const unsigned char denominator = numerator == 0 ? 4 : 3;
        const auto bytes = storeWith([&](plat::Archive& a) {
            ECEnvPoint point;
            MCTime t(0.0f);
            point.SetTime(&t);
            point.ECEnvPoint::Serialize(a);
            a.writeU8(2);
            a.writeU8(numerator);
            a.writeU8(denominator);
            a.writeU16(1);
            a.writeU16(256);
            a.writeCount(0);
            a.writeCount(0);
        });
        ECMeter meter;
        EXPECT_THROW(loadWith(bytes, [&](plat::Archive& a) { meter.Serialize(a); }), plat::ArchiveError);
        EXPECT_EQ(meter.GetMeasureLength(), 4.0f) << "the meter keeps what it had";
    }
}
