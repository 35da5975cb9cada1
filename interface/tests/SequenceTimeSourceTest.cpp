// The time edits' conversions through a sequence, for a piece without a meter: bar/pulse/tick
// times count four beats to the bar both ways, so a typed time is not read as the start.

#include "DocumentTestSupport.h"

#include "interface/controls/MCTimeSource.h"
#include "notabase/score/ECConductor.h"

namespace {

using namespace documenttest;

class SequenceTimeSourceTest : public DocumentTest {
protected:
    MCOpusDoc doc;
};

}  // namespace

TEST_F(SequenceTimeSourceTest, PieceWithoutAMeterCountsFourBeatsToTheBarBothWays)
{
    doc.GetSequence()->Attach(doc.CreatePerformance(1));
    ASSERT_EQ(doc.GetBaseEvent()->GetConductor()->GetMeterAtTime(MCTime(0.0f)), nullptr);
    MCSequenceTimeSource times(*doc.GetSequence());

    const struct {
        int bar, pulse, tick;
        float quarters;
    } cases[] = {{0, 0, 0, 0.0f}, {0, 1, 0, 1.0f}, {1, 0, 0, 4.0f}, {2, 3, 0, 11.0f}, {5, 2, 120, 22.25f}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.quarters);
        MCTime typed;
        typed.SetBarPulseTick(c.bar, c.pulse, c.tick * int(MCTime::GlobalPPQ) / 480, int(MCTime::GlobalPPQ));
        times.NormalizeTime(typed);
        EXPECT_EQ(typed.GetMode(), MCTime::normal);
        EXPECT_FLOAT_EQ(typed.GetSeconds(), c.quarters);

        MCTime shown(c.quarters);
        times.BarPulseTickTime(shown);
        ASSERT_NE(shown.GetBarPulseTick(), nullptr);
        EXPECT_EQ(shown.GetBarPulseTick()->bar, c.bar);
        EXPECT_EQ(shown.GetBarPulseTick()->pulse, c.pulse);
        EXPECT_EQ(times.MeterNumerator(shown), 4);
    }
}
