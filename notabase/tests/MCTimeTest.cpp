#include "notabase/tests/TestElements.h"
#include "notabase/values/MCTime.h"

#include <gtest/gtest.h>

#include <cfloat>

namespace {

class MCTimeTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

TEST_F(MCTimeTest, GlobalPPQIsClampedTo10Through1000)
{
    const struct {
        long in;
        long stored;
    } cases[] = {{5, 10}, {10, 10}, {480, 480}, {1000, 1000}, {5000, 1000}, {-3, 10}};
    for (const auto& c : cases) {
        EXPECT_EQ(MCTime::SetGlobalPPQ(c.in), 1);
        EXPECT_EQ(MCTime::GlobalPPQ, c.stored) << c.in;
    }
}

TEST_F(MCTimeTest, TicksAndMillisecondsRoundHalfUp)
{
    EXPECT_EQ(MCTime(1.5f).GetTicks(480), 720);
    EXPECT_EQ(MCTime(0.0015f).GetMSec(), 2);
    EXPECT_EQ(MCTime(0.25f).GetTicks(0), 0);
    const MCTime record(1, 2, 3, 480);
    EXPECT_EQ(record.GetTicks(480), 0);
    EXPECT_EQ(record.GetMSec(), 0);
    // Far beyond the range of long: saturates instead of overflowing.
    EXPECT_EQ(MCTime::TimeMax().GetTicks(1000), LONG_MAX);
    EXPECT_EQ(MCTime::TimeNull().GetMSec(), LONG_MIN);
}

TEST_F(MCTimeTest, SettersLeaveTheRecordForAFloatMode)
{
    MCTime t(2.0f);
    t.SetTicks(240, 0);
    EXPECT_EQ(t.GetSeconds(), 2.0f);

    MCTime record(3, 1, 100, 480);
    record.SetTicks(240, 480);
    EXPECT_EQ(record.GetMode(), MCTime::normal);
    EXPECT_EQ(record.GetSeconds(), 0.5f);
    EXPECT_EQ(record.GetBarPulseTick(), nullptr);

    MCTime clock(1.0f);
    clock.SetMode(MCTime::clock);
    clock = 4.0f;
    EXPECT_EQ(clock.GetMode(), MCTime::clock);
    EXPECT_EQ(clock.GetSeconds(), 4.0f);

    MCTime assigned(1, 0, 0, 480);
    assigned = 4.0f;
    EXPECT_EQ(assigned.GetMode(), MCTime::normal);

    MCTime added(1.0f);
    added.AddTicks(240, 480);
    EXPECT_EQ(added.GetSeconds(), 1.5f);
    MCTime recordAdded(1, 0, 0, 480);
    recordAdded.AddTicks(240, 480);
    EXPECT_EQ(recordAdded.GetBarPulseTick()->tick, 0);
}

TEST_F(MCTimeTest, ModeChangesKeepOrDropTheNumber)
{
    MCTime t(2.5f);
    t.SetMode(MCTime::absolute);
    EXPECT_EQ(t.GetSeconds(), 2.5f);
    t.SetMode(MCTime::barPulseTick);
    ASSERT_NE(t.GetBarPulseTick(), nullptr);
    t.SetBarPulseTick(1, 2, 3, 480);
    t.SetMode(MCTime::normal);
    EXPECT_EQ(t.GetSeconds(), 0.0f);

    MCTime copy(MCTime(4, 3, 2, 960));
    MCTime other;
    other = copy;
    copy.GetBarPulseTick()->bar = 9;
    EXPECT_EQ(other.GetBarPulseTick()->bar, 4) << "copies never share a record";
}

TEST_F(MCTimeTest, SetPPQRescalesTheTickAndFloors)
{
    const struct {
        int tick, oldPpq, newPpq, expectTick, expectPpq;
    } cases[] = {
        {100, 480, 960, 200, 960},
        {100, 480, 320, 66, 320},
        {-100, 480, 320, -67, 320},  // floored, not truncated
        {100, 480, 480, 100, 480},
        {100, 480, 0, 100, 480},
        {100, 0, 960, 100, 0},
        {2000000000, 1000, 1000000, INT32_MAX, 1000000},  // no 32-bit overflow
    };
    for (const auto& c : cases) {
        MCTime t(3, 1, c.tick, c.oldPpq);
        t.SetPPQ(c.newPpq);
        EXPECT_EQ(t.GetBarPulseTick()->tick, c.expectTick) << c.tick << " " << c.oldPpq << "->" << c.newPpq;
        EXPECT_EQ(t.GetBarPulseTick()->ppq, c.expectPpq);
        EXPECT_EQ(t.GetBarPulseTick()->bar, 3);
        EXPECT_EQ(t.GetBarPulseTick()->pulse, 1);
    }
    MCTime floatTime(1.0f);
    floatTime.SetPPQ(960);
    EXPECT_EQ(floatTime.GetSeconds(), 1.0f);
}

TEST_F(MCTimeTest, Arithmetic)
{
    MCTime x(3.0f);
    x /= 0.0f;
    EXPECT_EQ(x.GetSeconds(), 3.0f);
    EXPECT_EQ((x / MCTime::TimeZero()).GetSeconds(), 3.0f);
    EXPECT_EQ((x / MCTime(2.0f)).GetSeconds(), 1.5f);
    EXPECT_EQ((MCTime(-0.25f) % MCTime(1.0f)).GetSeconds(), 0.75f);
    EXPECT_EQ((MCTime(2.5f) % MCTime(-1.0f)).GetSeconds(), -0.5f);
    EXPECT_EQ((MCTime(2.5f) % MCTime(0.0f)).GetSeconds(), 0.5f);
    EXPECT_EQ((-MCTime(2.0f)).GetSeconds(), -2.0f);
    EXPECT_EQ((MCTime(1.0f) + MCTime(2.0f)).GetSeconds(), 3.0f);
    EXPECT_EQ((MCTime(1.0f) - MCTime(2.0f)).GetSeconds(), -1.0f);

    MCTime clock(1.0f);
    clock.SetMode(MCTime::clock);
    clock += MCTime(2.0f);
    clock *= 2.0f;
    EXPECT_EQ(clock.GetMode(), MCTime::clock);
    EXPECT_EQ(clock.GetSeconds(), 6.0f);

    MCTime::SetGlobalPPQ(960);
    const MCTime record(2, 1, 5, 480);
    for (const MCTime& r : {record / MCTime(2.0f), record % MCTime(2.0f), -record}) {
        ASSERT_EQ(r.GetMode(), MCTime::barPulseTick);
        EXPECT_EQ(r.GetBarPulseTick()->bar, 0);
        EXPECT_EQ(r.GetBarPulseTick()->tick, 0);
        EXPECT_EQ(r.GetBarPulseTick()->ppq, 960);
    }
    EXPECT_EQ((record + MCTime(1.0f)).GetSeconds(), 0.0f);
    EXPECT_EQ((MCTime(1.0f) - record).GetMode(), MCTime::normal);
    MCTime unchanged(record);
    unchanged += MCTime(1.0f);
    unchanged *= 3.0f;
    EXPECT_EQ(unchanged, record);
}

TEST_F(MCTimeTest, NullAndMaxBoundEveryFloatTime)
{
    for (float t : {-FLT_MAX / 2, -1.0f, 0.0f, 1e30f, FLT_MAX / 2}) {
        EXPECT_TRUE(MCTime::TimeNull() < MCTime(t)) << t;
        EXPECT_TRUE(MCTime(t) < MCTime::TimeMax()) << t;
    }
    EXPECT_EQ(MCTime::TimeNull().GetSeconds(), -FLT_MAX);
    EXPECT_EQ(MCTime::TimeMax().GetSeconds(), FLT_MAX);
    EXPECT_EQ(MCTime::TimeZero().GetMode(), MCTime::normal);
}

// Mode-2 values order lexicographically: for any two comparable records exactly one of <, ==
// and > holds.
TEST_F(MCTimeTest, RecordComparisonsAreAConsistentOrder)
{
    const struct {
        MCTime a, b;
        int order;  // -1 a < b, 0 equal, 1 a > b
    } cases[] = {
        {MCTime(2, 0, 0, 480), MCTime(1, 3, 0, 480), 1},
        {MCTime(1, 3, 0, 480), MCTime(2, 0, 0, 480), -1},
        {MCTime(1, 2, 10, 480), MCTime(1, 2, 9, 480), 1},
        {MCTime(1, 2, 240, 480), MCTime(1, 2, 480, 960), 0},
        {MCTime(1, 2, 241, 480), MCTime(1, 2, 480, 960), 1},
        {MCTime(1, 2, 3, 480), MCTime(1, 2, 3, 480), 0},
        {MCTime(0, 5, 0, 480), MCTime(1, 0, 0, 480), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.a.GetBarPulseTick()->bar << ":" << c.a.GetBarPulseTick()->pulse << ":"
                                        << c.a.GetBarPulseTick()->tick << " vs " << c.b.GetBarPulseTick()->bar << ":"
                                        << c.b.GetBarPulseTick()->pulse << ":" << c.b.GetBarPulseTick()->tick);
        EXPECT_EQ(c.a == c.b, c.order == 0);
        EXPECT_EQ(c.a != c.b, c.order != 0);
        EXPECT_EQ(c.a < c.b, c.order < 0);
        EXPECT_EQ(c.a > c.b, c.order > 0);
        EXPECT_EQ(c.a <= c.b, c.order <= 0);
        EXPECT_EQ(c.a >= c.b, c.order >= 0);
    }
    // Ticks of different resolutions where one is not positive cannot be compared.
    const MCTime bad(1, 2, 3, 0);
    const MCTime good(1, 2, 3, 480);
    EXPECT_FALSE(bad == good);
    EXPECT_FALSE(bad >= good);
    EXPECT_FALSE(bad <= good);
}

TEST_F(MCTimeTest, RecordAgainstAFloatComparesOnlyWithZero)
{
    const MCTime origin(0, 0, 0, 480);
    EXPECT_TRUE(origin >= MCTime::TimeZero());
    EXPECT_TRUE(origin <= MCTime::TimeZero());
    EXPECT_FALSE(origin == MCTime::TimeZero());
    EXPECT_TRUE(MCTime::TimeZero() <= origin);
    EXPECT_TRUE(MCTime::TimeZero() >= origin);

    const MCTime later(0, 1, 0, 480);
    EXPECT_TRUE(later > MCTime::TimeZero());
    EXPECT_FALSE(later < MCTime::TimeZero());
    EXPECT_TRUE(MCTime::TimeZero() < later);
    EXPECT_FALSE(later >= MCTime(1.0f));
    EXPECT_FALSE(later <= MCTime(1.0f));
}

TEST_F(MCTimeTest, ArchiveRecordRoundTrips)
{
    MCTime clock(2.5f);
    clock.SetMode(MCTime::clock);
    const MCTime values[] = {MCTime(1.25f), clock, MCTime(7, -1, 33, 960), MCTime::TimeNull()};
    for (const MCTime& value : values) {
        MCTime copy(value);
        const auto bytes = storeWith([&copy](plat::Archive& a) { copy.Serialize(a, -1); });
        EXPECT_EQ(bytes.size(), value.GetMode() == MCTime::barPulseTick ? 17u : 5u);
        EXPECT_EQ(bytes[0], value.GetMode());
        MCTime loaded(1, 2, 3, 4);
        loadWith(bytes, [&loaded](plat::Archive& a) { loaded.Serialize(a, 1); });
        EXPECT_EQ(loaded.GetMode(), value.GetMode());
        if (value.GetMode() == MCTime::barPulseTick) {
            EXPECT_EQ(loaded.GetBarPulseTick()->bar, 7);
            EXPECT_EQ(loaded.GetBarPulseTick()->pulse, -1);
            EXPECT_EQ(loaded.GetBarPulseTick()->tick, 33);
            EXPECT_EQ(loaded.GetBarPulseTick()->ppq, 960);
        } else {
            EXPECT_EQ(loaded.GetSeconds(), value.GetSeconds());
        }
    }
}

TEST_F(MCTimeTest, FirstFormatStoresABareFloat)
{
    const auto bytes = storeWith([](plat::Archive& a) { a.writeFloat(3.5f); });
    MCTime clock;
    clock.SetMode(MCTime::clock);
    loadWith(bytes, [&clock](plat::Archive& a) { clock.Serialize(a, 0); });
    EXPECT_EQ(clock.GetMode(), MCTime::clock);
    EXPECT_EQ(clock.GetSeconds(), 3.5f);
}

TEST_F(MCTimeTest, BadRecordsFailWithAnArchiveError)
{
    const std::vector<std::vector<uint8_t>> inputs = {
        {},                          // nothing
        {0x00, 0x00, 0x00},          // a float cut short
        {0x02, 1, 0, 0, 0, 2, 0},    // a record cut short
        {0x09, 0, 0, 0, 0},          // an unknown mode
    };
    for (const auto& bytes : inputs) {
        MCTime t;
        EXPECT_THROW(loadWith(bytes, [&t](plat::Archive& a) { t.Serialize(a, 1); }), plat::ArchiveError);
    }
}

}  // namespace
