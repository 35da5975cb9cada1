#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddMeasure.h"
#include "notabase/commands/CCRemoveMeasure.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/tests/RebarPiece.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Times = std::vector<float>;

class MeasureCommandsTest : public RebarTest {
protected:
    // Two staves of 4/4 bars at 0, 4, 8 and 12, a tempo mark at 0, and on each staff a clef and
    // a key at 0 and notes at 1, 5, 9 and 13. The maps are made before the bars, as a piece's
    // template makes them.
    void fourBarsOfFour()
    {
        addStaves(2);
        putMeter(0.0f, 4, 4);
        putTempo(0.0f, 120.0f);
        barsUpTo(16.0f);
        for (int staff = 1; staff <= 2; ++staff) {
            putClef(staff, 0.0f);
            putKey(staff, 0.0f);
            for (float t : {1.0f, 5.0f, 9.0f, 13.0f})
                notes.push_back(putNote(staff, t));
        }
    }
    // The clefs (or keys) of a staff, as "time/bar".
    std::string marks(int staff, int id)
    {
        std::string text;
        for (int n = 1; n <= m_conductor->GetMaxMeasureNumber(); ++n) {
            for (ECBase* child : *m_conductor->GetMeasure(staff, n)->GetChildren()) {
                if (child->GetEventId() == id)
                    text += (text.empty() ? "" : " ") + number(timeOf(child)) + "/" + std::to_string(n);
            }
        }
        return text;
    }
    std::string noteTimes(int staff)
    {
        std::string text;
        for (int n = 1; n <= m_conductor->GetMaxMeasureNumber(); ++n) {
            for (ECBase* child : *m_conductor->GetMeasure(staff, n)->GetChildren()) {
                if (child->GetEventId() == EventId::Note)
                    text += (text.empty() ? "" : " ") + number(timeOf(child)) + "/" + std::to_string(n);
            }
        }
        return text;
    }

    std::vector<ECNote*> notes;
};

TEST_F(MeasureCommandsTest, BarsPastTheLastAreAppendedAndNothingMoves)
{
    fourBarsOfFour();
    const std::vector<uint8_t> before = stored();
    for (int index : {-1, 4, 99}) {
        SCOPED_TRACE(index);
        auto* add = new CCAddMeasure(2, index);
        add->Ref();
        act(add);
        EXPECT_EQ(add->GetInsertIndex(), 4);
        EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20, 24}));
        EXPECT_EQ(noteTimes(1), "1/1 5/2 9/3 13/4");
        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
        m_performance->Redo(1);
        EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20, 24}));
        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
        add->Unref(1);
    }
}

TEST_F(MeasureCommandsTest, BarsAtTheStartLeaveTheMarksOfTimeZeroInTheNewFirstBars)
{
    fourBarsOfFour();
    const std::vector<uint8_t> before = stored();
    auto* add = new CCAddMeasure(2, 0);
    EXPECT_EQ(add->GetCommandId(), CommandIds::CCAddMeasure);
    act(add);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20, 24}));
    for (int staff = 1; staff <= 2; ++staff) {
        EXPECT_EQ(noteTimes(staff), "9/3 13/4 17/5 21/6");
        EXPECT_EQ(marks(staff, EventId::Clef), "0/1");
        EXPECT_EQ(marks(staff, EventId::Key), "0/1");
    }
    EXPECT_EQ(meters(), "4/4@0");
    EXPECT_EQ(tempos(), "0");
    ECStaff* staff = conductorStaff().GetStaff(1, 0);
    EXPECT_EQ(timeOf(staff->GetClefAtTime(MCTime(20.0f), 0)), 0.0f) << "the staff's cache knows the clef";

    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    m_performance->Redo(1);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20, 24}));
    EXPECT_EQ(marks(2, EventId::Key), "0/1");
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
}

TEST_F(MeasureCommandsTest, ABarInsertedBeforeAMeterChangeTakesTheMeterBeforeIt)
{
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(8.0f);
    ECMeter* threeFour = putMeter(8.0f, 3, 4);
    barsUpTo(14.0f);
    ECNote* note = putNote(1, 9.0f);
    const std::vector<uint8_t> before = stored();
    act(new CCAddMeasure(1, 2));
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 15, 18}));
    EXPECT_EQ(meters(), "4/4@0 3/4@12");
    EXPECT_EQ(threeFour->GetBarPulseTick().bar, 3) << "the meter map placed the moved meter anew";
    EXPECT_EQ(timeOf(note), 13.0f);
    EXPECT_EQ(barOf(note), 4);
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
}

TEST_F(MeasureCommandsTest, GivenBarsAreInsertedInsteadOfNewOnesAndSurviveUndoAndRedo)
{
    fourBarsOfFour();
    auto* bar1 = new ECConductorMeasure;
    auto* bar2 = new ECConductorMeasure;
    auto* measure = new ECMeasure;
    measure->SetVoiceTrack(14, 1);
    auto* carried = new ECNote(MCTime(4.5f), MCTime(0.5f));
    carried->SetVoiceTrack(0, 1);
    measure->AddChild(carried, 1);
    auto* add = new CCAddMeasure(7, 1);
    add->Add(bar1, nullptr, FCMidi::MidiNull());
    add->Add(bar2, nullptr, FCMidi::MidiNull());
    add->Add(measure, nullptr, FCMidi::MidiNull());
    add->Ref();
    act(add);
    EXPECT_EQ(add->GetInsertCount(), 2) << "as many bars as conductor measures given";
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20, 24}));
    EXPECT_EQ(m_conductor->GetMeasure(0, 2), bar1);
    EXPECT_EQ(m_conductor->GetMeasure(1, 2), measure);

    // Undo takes the bars out again; what the command itself still holds for a redo stays whole.
    m_performance->Undo(1);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16}));
    EXPECT_EQ(measure->GetChildren()->GetHead(), carried);
    m_performance->Redo(1);
    EXPECT_EQ(m_conductor->GetMeasure(1, 2), measure);
    EXPECT_EQ(measure->GetChildren()->GetHead(), carried);
    add->Unref(1);
}

// A later step names the measures of the inserted bars; redone, it must find them in the piece.
TEST_F(MeasureCommandsTest, ARedoPutsBackTheSameBarsForTheStepsAfterIt)
{
    fourBarsOfFour();
    act(new CCAddMeasure(1, 2));
    ECMeasure* inserted = m_conductor->GetMeasure(1, 3);
    auto* note = new ECNote(MCTime(9.0f), MCTime(0.5f));
    note->SetVoiceTrack(0, 1);
    act(new CCAdd(note, inserted, FCMidi::MidiNull()));
    const std::vector<uint8_t> after = stored();
    m_performance->Undo(2);
    m_performance->Redo(2);
    EXPECT_EQ(m_conductor->GetMeasure(1, 3), inserted);
    EXPECT_EQ(barOf(note), 3);
    EXPECT_EQ(stored(), after);
}

// A key whose own word names no track goes back to the staff it stood on.
TEST_F(MeasureCommandsTest, AMarkOfTimeZeroGoesBackToItsStaffWhateverItsTrackWord)
{
    fourBarsOfFour();
    auto* key = new ECKey(4, 0, 0);
    key->SetTime(&MCTime::TimeZero());
    key->SetHand(1);
    m_conductor->GetMeasure(2, 1)->AddChild(key, 1);
    ASSERT_EQ(key->GetTrack(), 2047);
    const std::vector<uint8_t> before = stored();
    act(new CCAddMeasure(1, 0));
    EXPECT_EQ(key->GetParents()->GetHead(), m_conductor->GetMeasure(2, 1));
    EXPECT_EQ(timeOf(key), 0.0f);
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
}

TEST_F(MeasureCommandsTest, ItemsWithoutABarGetNewBarsMade)
{
    fourBarsOfFour();
    auto* add = new CCAddMeasure(1, 1);
    auto* stray = new ECNote(MCTime(1.0f), MCTime(1.0f));
    add->Add(stray, nullptr, FCMidi::MidiNull());
    act(add);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20})) << "the bar is made, not left out after the shift";
    EXPECT_EQ(noteTimes(1), "1/1 9/3 13/4 17/5");
}

TEST_F(MeasureCommandsTest, APieceWithoutAMeterGetsNoBars)
{
    addStaves(1);
    barsUpTo(8.0f);
    const std::vector<uint8_t> before = stored();
    act(new CCAddMeasure(1, 0));
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(m_performance->GetUndoCount(), 0);
}

TEST_F(MeasureCommandsTest, ASecondAddMeterReleasesTheFirst)
{
    auto* first = new ECMeter;
    auto* second = new ECMeter(3, 4, 0);
    first->Ref();
    {
        CCAddMeasure add;
        add.SetAddMeter(first);
        EXPECT_EQ(first->GetRefCount(), 2u);
        add.SetAddMeter(second);
        EXPECT_EQ(first->GetRefCount(), 1u) << "the first is let go";
        EXPECT_EQ(add.GetAddMeter(), second);
        EXPECT_EQ(second->GetRefCount(), 1u);
    }
    first->Unref(1);
}

TEST_F(MeasureCommandsTest, RemovingEveryBarKeepsTheLastOne)
{
    fourBarsOfFour();
    auto* remove = new CCRemoveMeasure(4, 0);
    remove->Ref();
    EXPECT_EQ(remove->GetCommandId(), CommandIds::CCRemoveMeasure);
    EXPECT_EQ(remove->CanUndo(), 0);
    act(remove);
    EXPECT_EQ(remove->GetRemoveCount(), 3);
    MCTime start;
    MCTime end;
    remove->GetRemoveRegion(start, end);
    EXPECT_EQ(start.GetSeconds(), 0.0f);
    EXPECT_EQ(end.GetSeconds(), 12.0f);
    EXPECT_EQ(bars(), (Times{0, 4}));
    EXPECT_EQ(noteTimes(1), "1/1");
    EXPECT_EQ(marks(1, EventId::Clef), "0/1");
    EXPECT_EQ(marks(2, EventId::Key), "0/1");
    EXPECT_EQ(m_performance->GetUndoCount(), 0) << "not recorded for undo";
    remove->Unref(1);
}

TEST_F(MeasureCommandsTest, AnIndexPastTheLastBarRemovesTheLastBarOnly)
{
    fourBarsOfFour();
    act(new CCRemoveMeasure(1, 99));
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12}));
    EXPECT_EQ(noteTimes(2), "1/1 5/2 9/3");
}

TEST_F(MeasureCommandsTest, ACutAtTheStartKeepsTheInitialClefsAndKeysUnlessOneStartsWhereItEnds)
{
    fourBarsOfFour();
    ECKey* replacement = putKey(2, 8.0f, 3);
    act(new CCRemoveMeasure(2, 0));
    EXPECT_EQ(bars(), (Times{0, 4, 8}));
    EXPECT_EQ(marks(1, EventId::Clef), "0/1");
    EXPECT_EQ(marks(1, EventId::Key), "0/1");
    EXPECT_EQ(marks(2, EventId::Clef), "0/1");
    EXPECT_EQ(marks(2, EventId::Key), "0/1");
    EXPECT_EQ(m_conductor->GetMeasure(2, 1)->GetChildren()->Find(replacement) != nullptr, true)
        << "the key that started the third bar replaced the initial one";
    EXPECT_EQ(noteTimes(1), "1/1 5/2");
}

TEST_F(MeasureCommandsTest, ATempoAtZeroGoesOnlyWhenAnotherStartsWhereTheCutEnds)
{
    struct Case {
        float other;
        const char* after;
    };
    for (const Case& c : {Case{8.0f, "0"}, Case{6.0f, "0"}, Case{10.0f, "0 2"}}) {
        SCOPED_TRACE(c.other);
        TearDown();
        SetUp();
        fourBarsOfFour();
        ECTempo* first = static_cast<ECTempo*>(tempoMap().GetPointAtIndex(0));
        ECTempo* other = putTempo(c.other, 60.0f);
        act(new CCRemoveMeasure(2, 0));
        EXPECT_EQ(tempos(), c.after);
        const bool replaced = c.other == 8.0f;
        EXPECT_EQ(tempoMap().GetPointAtIndex(0), replaced ? other : first);
    }
}

// Bars 2 and 3 of 4/4 bars where bar 3 starts a 3/4 stretch that lasts to the end: the bars after
// the cut first take 4/4 (a meter added after the cut), the cut takes the 3/4 meter with bar 3,
// and Finish removes the added meter again.
TEST_F(MeasureCommandsTest, ACutHoldingAMeterChangeReBarsWhatFollowsInTheMeterBeforeIt)
{
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(8.0f);
    putMeter(8.0f, 3, 4);
    barsUpTo(17.0f);
    ECNote* late = putNote(1, 15.0f);
    act(new CCRemoveMeasure(2, 1));
    EXPECT_EQ(meters(), "4/4@0");
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12}));
    EXPECT_EQ(timeOf(late), 8.0f);
    EXPECT_EQ(barOf(late), 3);
}

TEST_F(MeasureCommandsTest, ClefsAtTheEndsOfTheCut)
{
    fourBarsOfFour();
    // A clef change at the end of bar 2, and a clef and a key beginning bar 3.
    ECClef* endOfBar = putClef(1, 8.0f, m_conductor->GetMeasure(1, 2));
    ECClef* startOfBar = putClef(2, 8.0f);
    ECKey* keyAtStart = putKey(2, 8.0f, 2);

    // A count of 0 changes nothing, not even the marks at its bar line.
    const std::vector<uint8_t> before = stored();
    act(new CCRemoveMeasure(0, 2));
    EXPECT_EQ(stored(), before);

    // Cutting bar 2: the clef change at its end moves to the end of bar 1; the clef beginning bar
    // 3 stays with that bar, as the key beside it does.
    act(new CCRemoveMeasure(1, 1));
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12}));
    EXPECT_EQ(marks(1, EventId::Clef), "0/1 4/1");
    EXPECT_EQ(timeOf(endOfBar), 4.0f);
    EXPECT_EQ(marks(2, EventId::Clef), "0/1 4/2");
    EXPECT_EQ(barOf(startOfBar), 2);
    EXPECT_EQ(marks(2, EventId::Key), "0/1 4/2");
    EXPECT_EQ(barOf(keyAtStart), 2);
}

TEST_F(MeasureCommandsTest, AClefChangeAtTheEndOfTheFirstBarTakesOverTheStartOnce)
{
    fourBarsOfFour();
    ECClef* change = putClef(1, 4.0f, m_conductor->GetMeasure(1, 1));
    act(new CCRemoveMeasure(1, 0));
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12}));
    EXPECT_EQ(marks(1, EventId::Clef), "0/1");
    EXPECT_EQ(change->GetParents()->GetHead(), m_conductor->GetMeasure(1, 1));
    EXPECT_EQ(change->GetParents()->GetCount(), 1) << "put back once";
    EXPECT_EQ(marks(2, EventId::Clef), "0/1");
}

}  // namespace
