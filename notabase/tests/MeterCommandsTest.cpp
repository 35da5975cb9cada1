#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAdjustMeasureChildren.h"
#include "notabase/commands/CCMeterInfo.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECMirror.h"
#include "notabase/tests/RebarPiece.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace {

using Times = std::vector<float>;

class MeterCommandsTest : public RebarTest {
protected:
    // Two staves of 4/4 bars at 0, 4, 8 and 12.
    void fourBarsOfFour()
    {
        addStaves(2);
        putMeter(0.0f, 4, 4);
        barsUpTo(16.0f);
    }
    // Applies an adjustment on its own, as the meter commands do, and hands it back held.
    plat::RefPtr<CCAdjustMeasureChildren> adjust(const MCTime& start, const MCTime& end, int first = 0,
                                                 int last = INT_MAX)
    {
        plat::RefPtr<CCAdjustMeasureChildren> command(new CCAdjustMeasureChildren);
        command->SetTimeRange(start, end);
        command->SetTrackRange(first, last);
        command->SetSynchronous(1);
        command->Apply(m_performance);
        return command;
    }
};

TEST_F(MeterCommandsTest, AdjustingClampsItsRangesToThePiece)
{
    fourBarsOfFour();
    // A start before the piece and an end past it: 0 .. the end of the last bar.
    auto whole = adjust(MCTime::TimeNull(), MCTime(100.0f), 0, 9);
    MCTime start;
    MCTime end;
    whole->GetTimeRange(start, end);
    EXPECT_EQ(start.GetSeconds(), 0.0f);
    EXPECT_EQ(end.GetSeconds(), 16.0f);
    int first = 0;
    int last = 0;
    whole->GetTrackRange(first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 2) << "no staff past the last";

    // Reversed ends are swapped; the staff range names no staff the piece lacks.
    auto reversed = adjust(MCTime(12.0f), MCTime(4.0f), 5, -3);
    reversed->GetTimeRange(start, end);
    EXPECT_EQ(start.GetSeconds(), 4.0f);
    EXPECT_EQ(end.GetSeconds(), 12.0f);
    reversed->GetTrackRange(first, last);
    EXPECT_EQ(first, 0);
    EXPECT_EQ(last, 2);

    EXPECT_EQ(reversed->GetCommandId(), CommandIds::CCAdjustMeasureChildren);
    EXPECT_EQ(reversed->runtimeClass(), &CCBase::classObject) << "it has no runtime class of its own";
    reversed->SetReverse(6);
    EXPECT_EQ(reversed->GetReverse(), 0) << "only bit 0 counts";
}

TEST_F(MeterCommandsTest, AdjustingMovesChildrenToTheirBarsAndAppendsBarsOnlyForWhatSticksOut)
{
    fourBarsOfFour();
    ECNote* inPlace = putNote(1, 5.0f);
    // Put in the wrong bar by hand, as a re-barring leaves it.
    ECNote* stray = put(new ECNote(MCTime(9.0f), MCTime(1.0f)), 2, 9.0f, m_conductor->GetMeasure(2, 1));
    // Ends exactly at the end of the piece: it fits.
    ECNote* last = putNote(1, 14.0f, 2.0f);
    auto tidy = adjust(MCTime::TimeZero(), MCTime::TimeMax());
    EXPECT_EQ(barOf(inPlace), 2);
    EXPECT_EQ(barOf(stray), 3);
    EXPECT_EQ(barOf(last), 4);
    EXPECT_EQ(tidy->GetMeasureInsertLocation(), -1);
    EXPECT_EQ(tidy->GetMeasureInsertCount(), 0);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16}));

    // Two quarter notes starting one before the end: one bar more.
    ECNote* over = putNote(2, 15.0f, 2.0f);
    auto grown = adjust(MCTime::TimeZero(), MCTime::TimeMax());
    EXPECT_EQ(grown->GetMeasureInsertLocation(), 5);
    EXPECT_EQ(grown->GetMeasureInsertCount(), 1);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20}));
    EXPECT_EQ(barOf(over), 4);
}

// Bars of 4/4 at 0, 4, 8, 12 and no meter after the first; notes on both staves and a tempo
// mark at the end of the piece.
TEST_F(MeterCommandsTest, ThreeFourAtFourReBarsTheRestOfThePieceAndUndoRestoresIt)
{
    fourBarsOfFour();
    putTempo(0.0f, 100.0f);
    ECTempo* atEnd = putTempo(16.0f, 80.0f);
    std::vector<ECNote*> notes;
    for (float t : {1.0f, 5.0f, 9.0f, 11.5f}) {
        notes.push_back(putNote(1, t));
        notes.push_back(putNote(2, t + 0.5f));
    }
    const std::vector<uint8_t> before = stored();

    auto* add = new CCAddMeter(newMeter(4.0f, 3, 4));
    add->Ref();
    act(add);
    EXPECT_EQ(bars(), (Times{0, 4, 7, 10, 13}));
    EXPECT_EQ(meters(), "4/4@0 3/4@4");
    EXPECT_EQ(timeOf(atEnd), 13.0f) << "what lay at or after the old end moved by -3";
    // Times stay; bars follow the times.
    const std::vector<int> expectedBars{1, 1, 2, 2, 3, 3, 4, 4};
    for (size_t i = 0; i < notes.size(); ++i)
        EXPECT_EQ(barOf(notes[i]), expectedBars[i]) << "note " << i;
    EXPECT_EQ(add->GetMeasureInsertCount(), 0);
    ASSERT_NE(add->GetMeterInfo(1), nullptr);
    EXPECT_EQ(add->GetMeterTime(1).GetSeconds(), 0.0f);
    EXPECT_EQ(add->GetMeterDuration(0).GetSeconds(), 3.0f);
    EXPECT_EQ(add->GetMeterDuration(1).GetSeconds(), 4.0f);
    EXPECT_EQ(add->GetMeterInfo(2), nullptr);
    EXPECT_EQ(add->GetMeterInfo(0)->ShouldRemove(), 0);
    EXPECT_EQ(add->GetMeterInfo(1)->ShouldRemove(), 0);

    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(add->GetMeterInfo(1), nullptr) << "a redo takes its snapshots anew";
    m_performance->Redo(1);
    EXPECT_EQ(bars(), (Times{0, 4, 7, 10, 13}));
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    add->Unref(1);
}

// Bars follow one another, each as long as the meter in force where it starts, and the piece
// ends where the last bar does.
TEST_F(MeterCommandsTest, AMeterInsideABarTakesEffectFromTheStartOfThatBar)
{
    auto contiguous = [this] {
        const Times times = bars();
        for (size_t i = 0; i + 1 < times.size(); ++i) {
            const auto* meter = m_conductor->GetMeterAtTime(MCTime(times[i]));
            if (!meter || times[i + 1] - times[i] != meter->GetMeasureLength())
                return false;
        }
        return true;
    };
    fourBarsOfFour();
    ECNote* inBar = putNote(1, 6.0f);
    ECNote* later = putNote(2, 12.5f);
    ASSERT_TRUE(contiguous());
    const std::vector<uint8_t> before = stored();

    auto* add = new CCAddMeter(newMeter(6.0f, 3, 4));
    add->Ref();
    act(add);
    EXPECT_EQ(bars(), (Times{0, 4, 7, 10, 13}));
    EXPECT_EQ(meters(), "4/4@0 3/4@4");
    EXPECT_TRUE(contiguous());
    EXPECT_EQ(add->GetMeterTime(0).GetSeconds(), 4.0f);
    EXPECT_EQ(barOf(inBar), 2);
    EXPECT_EQ(barOf(later), 4);

    m_performance->Undo(1);
    EXPECT_TRUE(contiguous());
    EXPECT_EQ(stored(), before);
    m_performance->Redo(1);
    EXPECT_EQ(bars(), (Times{0, 4, 7, 10, 13}));
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    add->Unref(1);

    // Inside a bar of another meter, that meter is replaced.
    act(new CCAddMeter(newMeter(8.0f, 2, 4)));
    ASSERT_TRUE(contiguous());
    const std::vector<uint8_t> twoFour = stored();
    act(new CCAddMeter(newMeter(9.0f, 3, 4)));
    EXPECT_EQ(meters(), "4/4@0 3/4@8");
    EXPECT_TRUE(contiguous());
    m_performance->Undo(1);
    EXPECT_EQ(stored(), twoFour);
}

TEST_F(MeterCommandsTest, WorkedExamplesOfAddingAMeterAndTheirUndo)
{
    struct Case {
        const char* what;
        std::vector<std::pair<float, int>> meters;  // time and numerator over 4
        float end;
        float at;
        int numerator;
        Times barsAfter;
        const char* metersAfter;
    };
    const Case cases[] = {
        {"equal to the meter in force: only the point", {{0, 4}}, 16, 8, 4, {0, 4, 8, 12, 16}, "4/4@0 4/4@8"},
        {"at the time of another meter: replaces it", {{0, 4}, {4, 3}}, 13, 4, 2, {0, 4, 6, 8, 10}, "4/4@0 2/4@4"},
        {"a follower equal to the new meter goes", {{0, 4}, {8, 3}}, 14, 4, 3, {0, 4, 7, 10, 13}, "4/4@0 3/4@4"},
        {"longer bars up to the next meter", {{0, 2}, {4, 3}}, 10, 2, 4, {0, 2, 6, 9, 12}, "2/4@0 4/4@2 3/4@6"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        addStaves(1);
        for (size_t m = 0; m < c.meters.size(); ++m) {
            putMeter(c.meters[m].first, static_cast<unsigned char>(c.meters[m].second), 4);
            barsUpTo(m + 1 < c.meters.size() ? c.meters[m + 1].first : c.end);
        }
        // Notes all through what stays of the piece, and a tempo mark at its end.
        for (float t = 0.5f; t + 0.5f <= std::min(c.end, c.barsAfter.back()); t += 2.0f)
            putNote(1, t);
        putTempo(0.0f, 120.0f);
        putTempo(c.end, 90.0f);
        const std::vector<uint8_t> before = stored();
        const std::string metersBefore = meters();

        act(new CCAddMeter(newMeter(c.at, static_cast<unsigned char>(c.numerator), 4)));
        EXPECT_EQ(bars(), c.barsAfter);
        EXPECT_EQ(meters(), c.metersAfter);
        EXPECT_EQ(tempos(), "0 " + number(c.barsAfter.back())) << "the mark at the end moves with it";

        m_performance->Undo(1);
        EXPECT_EQ(meters(), metersBefore);
        EXPECT_EQ(stored(), before);
        m_performance->Redo(1);
        EXPECT_EQ(bars(), c.barsAfter);
        EXPECT_EQ(meters(), c.metersAfter);
        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
    }
}

TEST_F(MeterCommandsTest, NotesThatNoLongerFitMoveOnAndBarsAreAppendedAndReported)
{
    fourBarsOfFour();
    ECNote* early = putNote(1, 3.5f);
    ECNote* late = putNote(2, 15.0f, 1.0f);
    auto* add = new CCAddMeter(newMeter(0.0f, 3, 4));
    add->Ref();
    act(add);
    // The new meter stood where the old one did: it replaced it.
    EXPECT_EQ(meters(), "3/4@0");
    EXPECT_EQ(bars(), (Times{0, 3, 6, 9, 12, 15, 18}));
    EXPECT_EQ(barOf(early), 2);
    EXPECT_EQ(barOf(late), 6);
    EXPECT_EQ(add->GetMeasureInsertLocation(), 5);
    EXPECT_EQ(add->GetMeasureInsertCount(), 2);
    EXPECT_EQ(add->GetMeterInfo(1)->ShouldRemove(), 1);
    add->Unref(1);
}

TEST_F(MeterCommandsTest, AMeterCommandTakesOneMeterAndAnEmptyOneDoesNothing)
{
    fourBarsOfFour();
    auto* first = new ECMeter(3, 4, 0);
    CCAddMeter add(first);
    EXPECT_EQ(add.GetCommandId(), CommandIds::CCAddMeter);
    const plat::RefPtr<ECMeter> refused(new ECMeter(2, 4, 0));
    EXPECT_EQ(add.Add(refused.get(), nullptr, FCMidi::MidiNull()), nullptr) << "one meter a command";
    EXPECT_EQ(add.GetItems().size(), 1u);
    EXPECT_EQ(add.GetMeter(0), first);
    EXPECT_EQ(add.GetMeterInfo(3), nullptr);
    EXPECT_EQ(add.GetMeterTime(-1), MCTime::TimeNull());
    EXPECT_EQ(add.GetMeterDuration(2), MCTime::TimeNull());
    auto* note = new ECNote;
    EXPECT_EQ(add.Add(note, nullptr, FCMidi::MidiNull()), nullptr) << "only a meter";
    delete note;

    const std::vector<uint8_t> before = stored();
    act(new CCAddMeter);
    EXPECT_EQ(stored(), before);

    CCRemoveMeter remove(first);
    EXPECT_EQ(remove.GetCommandId(), CommandIds::CCRemoveMeter);
    EXPECT_EQ(remove.Remove(refused.get()), nullptr);
    EXPECT_EQ(remove.GetMeter(0), first);
    EXPECT_EQ(remove.GetMeterInfo(0)->ShouldRemove(), 1);
}

TEST_F(MeterCommandsTest, AMeterAtTheTimeOfAnEqualOneEmptiesTheCommand)
{
    fourBarsOfFour();
    const std::vector<uint8_t> before = stored();
    auto* add = new CCAddMeter(new ECMeter(4, 4, 0));
    add->Ref();
    act(add);
    EXPECT_EQ(stored(), before);
    EXPECT_TRUE(add->GetItems().empty());
    EXPECT_EQ(add->GetMeterInfo(0), nullptr);
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    add->Unref(1);
}

// Bars at 0 (4/4), 4, 7, 10 (3/4 from 4), end 13.
TEST_F(MeterCommandsTest, RemovingAMeterReBarsItsStretchInTheMeterBeforeIt)
{
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(4.0f);
    ECMeter* threeFour = putMeter(4.0f, 3, 4);
    barsUpTo(13.0f);
    putTempo(0.0f, 120.0f);
    ECTempo* atEnd = putTempo(13.0f, 70.0f);
    ECNote* note = putNote(1, 11.0f);
    const std::vector<uint8_t> before = stored();

    auto* remove = new CCRemoveMeter(threeFour);
    remove->Ref();
    act(remove);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16}));
    EXPECT_EQ(meters(), "4/4@0");
    EXPECT_EQ(timeOf(atEnd), 16.0f);
    EXPECT_EQ(atEnd->GetClockTime().GetSeconds(), 8.0f) << "the tempo map worked out its clock time anew";
    EXPECT_EQ(barOf(note), 3);
    EXPECT_EQ(remove->GetMeter(1)->GetNumerator(), 4);
    EXPECT_EQ(remove->GetMeterInfo(2), nullptr);

    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    m_performance->Redo(1);
    EXPECT_EQ(meters(), "4/4@0");
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    remove->Unref(1);
}

// Rests and mirrors after the stretch move with the notes around them: left behind, they would
// stand in bars that no longer hold their times, and undoing an added meter (which removes it)
// would not bring them back.
TEST_F(MeterCommandsTest, RestsAndMirrorsAfterTheStretchMoveWithEverythingElse)
{
    addStaves(2);
    putMeter(0.0f, 4, 4);
    barsUpTo(4.0f);
    ECMeter* threeFour = putMeter(4.0f, 3, 4);
    barsUpTo(10.0f);
    ECMeter* later = putMeter(10.0f, 2, 4);
    barsUpTo(18.0f);
    ECRest* rest = putRest(1, 15.0f);
    ECNote* note = putNote(1, 15.5f);
    auto* mirror = put(new ECMirror, 2, 10.0f);
    later->AddMirror(mirror);
    const std::vector<uint8_t> before = stored();

    act(new CCRemoveMeter(threeFour));
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 14, 16, 18, 20}));
    EXPECT_EQ(timeOf(rest), 17.0f);
    EXPECT_EQ(timeOf(note), 17.5f);
    EXPECT_EQ(timeOf(mirror), 12.0f);
    EXPECT_EQ(timeOf(later), 12.0f);
    EXPECT_EQ(barOf(rest), 6);
    EXPECT_EQ(barOf(mirror), 4);

    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
}

TEST_F(MeterCommandsTest, TheFirstMeterAndAMeterOutsideTheMapAreNotRemoved)
{
    fourBarsOfFour();
    ECMeter* first = static_cast<ECMeter*>(meterMap().GetPointAtIndex(0));
    putNote(1, 6.0f);
    const std::vector<uint8_t> before = stored();
    act(new CCRemoveMeter(first));
    EXPECT_EQ(stored(), before);

    // A meter that is not in the piece has no stretch; re-barring from it would move everything.
    act(new CCRemoveMeter(newMeter(8.0f, 3, 4)));
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(m_performance->GetUndoCount(), 0) << "both were aborted";
}

TEST_F(MeterCommandsTest, AFollowerEqualToTheEarlierMeterGoesTooAndComesBackWithUndo)
{
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(4.0f);
    ECMeter* threeFour = putMeter(4.0f, 3, 4);
    barsUpTo(7.0f);
    ECMeter* follower = putMeter(7.0f, 4, 4);
    barsUpTo(15.0f);
    putNote(1, 5.0f);
    putNote(1, 13.0f);
    const std::vector<uint8_t> before = stored();

    auto* remove = new CCRemoveMeter(threeFour);
    remove->Ref();
    act(remove);
    EXPECT_EQ(meters(), "4/4@0");
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16}));
    ASSERT_NE(remove->GetMeterInfo(2), nullptr);
    EXPECT_EQ(remove->GetMeter(2), follower);
    EXPECT_EQ(remove->GetMeterInfo(2)->ShouldRemove(), 1);

    m_performance->Undo(1);
    EXPECT_EQ(meters(), "4/4@0 3/4@4 4/4@7");
    EXPECT_EQ(stored(), before);
    m_performance->Redo(1);
    EXPECT_EQ(meters(), "4/4@0");
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    remove->Unref(1);
}

// Undo puts back the follower, then the removed meter. Were both applied as one list, the second
// would take its snapshots before the first ran, see the 3/4 at 11 as a follower equal to it and
// remove that meter, which belongs to the piece.
TEST_F(MeterCommandsTest, UndoRestoresTheFollowerBeforeTheRemovedMeterLooksAtTheMap)
{
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(4.0f);
    ECMeter* threeFour = putMeter(4.0f, 3, 4);
    barsUpTo(7.0f);
    putMeter(7.0f, 4, 4);
    barsUpTo(11.0f);
    putMeter(11.0f, 3, 4);
    barsUpTo(17.0f);
    const std::vector<uint8_t> before = stored();

    act(new CCRemoveMeter(threeFour));
    EXPECT_EQ(meters(), "4/4@0 3/4@12");
    m_performance->Undo(1);
    EXPECT_EQ(meters(), "4/4@0 3/4@4 4/4@7 3/4@11");
    EXPECT_EQ(stored(), before);
}

// A selection of two meters becomes two removals run as one list: the second takes its snapshots
// when it runs, after the first has moved its meter and taken out the meter before it.
TEST_F(MeterCommandsTest, MetersRemovedTogetherReBarOneAfterTheOther)
{
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(8.0f);
    ECMeter* threeFour = putMeter(8.0f, 3, 4);
    barsUpTo(14.0f);
    ECMeter* twoFour = putMeter(14.0f, 2, 4);
    barsUpTo(18.0f);
    ECNote* note = putNote(1, 15.0f);
    const std::vector<uint8_t> before = stored();

    MCEventList selection;
    selection.AddTail(threeFour);
    selection.AddTail(twoFour);
    ASSERT_NO_FATAL_FAILURE(deleteSelection(selection));
    EXPECT_EQ(meters(), "4/4@0");
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16, 20, 24}));
    EXPECT_EQ(timeOf(note), 17.0f);
    EXPECT_EQ(barOf(note), 5);

    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
}

// A meter equal to the one before it may stand in a piece (added as a mere point). A later step
// whose undo takes a meter away just before it must leave it there: it was no leftover of that
// step.
TEST_F(MeterCommandsTest, UndoLeavesAMeterThatWasRedundantBeforeTheStep)
{
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(8.0f);
    putMeter(8.0f, 4, 4);
    barsUpTo(16.0f);
    const std::vector<uint8_t> before = stored();
    act(new CCAddMeter(newMeter(4.0f, 3, 4)));
    EXPECT_EQ(meters(), "4/4@0 3/4@4 4/4@7");
    m_performance->Undo(1);
    EXPECT_EQ(meters(), "4/4@0 4/4@8");
    EXPECT_EQ(stored(), before);
}

TEST_F(MeterCommandsTest, TheMirrorsOfARemovedMeterGoAndComeBackWithIt)
{
    addStaves(2);
    putMeter(0.0f, 4, 4);
    barsUpTo(8.0f);
    ECMeter* twoFour = putMeter(8.0f, 2, 4);
    barsUpTo(12.0f);
    auto* mirror = put(new ECMirror, 2, 8.0f);
    twoFour->AddMirror(mirror);
    ECMeasure* holder = m_conductor->GetMeasure(2, 3);
    const std::vector<uint8_t> before = stored();

    auto* remove = new CCRemoveMeter(twoFour);
    ASSERT_EQ(remove->GetItems().size(), 1u);
    EXPECT_EQ(remove->GetItems().front()->GetChild(), mirror);
    act(remove);
    EXPECT_TRUE(mirror->GetParents()->IsEmpty());
    m_performance->Undo(1);
    EXPECT_EQ(mirror->GetParents()->GetHead(), holder);
    EXPECT_EQ(stored(), before);
}

// Music may already run past the end of the piece (a long last note). The re-barring of an undo
// appends bars for it, as any adjustment does; the undo must take them back, or the piece it
// leaves has a bar more than before the step.
TEST_F(MeterCommandsTest, UndoLeavesNoBarsAppendedForMusicThatAlreadyRanPastTheEnd)
{
    struct Case {
        const char* what;
        bool remove;  // remove the meter at 8 rather than add one there
        unsigned char numerator;
        unsigned char denominator;
        Times barsAfter;
    };
    const Case cases[] = {
        {"an equal meter added as a mere point", false, 4, 4, {0, 4, 8, 12, 16}},
        {"longer bars up to the end", false, 5, 4, {0, 4, 8, 13, 18}},
        {"a meter of the same length removed", true, 2, 2, {0, 4, 8, 12, 16, 20}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        addStaves(1);
        putMeter(0.0f, 4, 4);
        barsUpTo(8.0f);
        ECMeter* removed = c.remove ? putMeter(8.0f, c.numerator, c.denominator) : nullptr;
        barsUpTo(16.0f);
        putNote(1, 15.5f, 2.0f);
        const std::vector<uint8_t> before = stored();

        if (removed)
            act(new CCRemoveMeter(removed));
        else
            act(new CCAddMeter(newMeter(8.0f, c.numerator, c.denominator)));
        EXPECT_EQ(bars(), c.barsAfter);
        m_performance->Undo(1);
        EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16}));
        EXPECT_EQ(stored(), before);
        m_performance->Redo(1);
        EXPECT_EQ(bars(), c.barsAfter);
        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
    }
}

// The bars a meter appended are named by later steps (a note added into one of them). A redo of
// the meter must put back those very bars, not new ones, or the redo of the later step adds the
// note to a bar that is no longer in the piece.
TEST_F(MeterCommandsTest, ARedoPutsBackTheBarsTheMeterAddedForTheStepsAfterIt)
{
    fourBarsOfFour();
    putNote(1, 15.0f);
    act(new CCAddMeter(newMeter(0.0f, 3, 4)));
    ASSERT_EQ(bars(), (Times{0, 3, 6, 9, 12, 15, 18}));
    ECMeasure* added = m_conductor->GetMeasure(2, 6);
    auto* note = new ECNote(MCTime(16.0f), MCTime(1.0f));
    note->SetVoiceTrack(0, 2);
    act(new CCAdd(note, added, FCMidi::MidiNull()));
    const std::vector<uint8_t> after = stored();

    m_performance->Undo(2);
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12, 16}));
    m_performance->Redo(2);
    EXPECT_EQ(m_conductor->GetMeasure(2, 6), added);
    EXPECT_EQ(barOf(note), 6);
    EXPECT_EQ(stored(), after);
}

// Shorter bars leave the music of their stretch where it stands and move what follows the
// stretch earlier. Music at the end of the stretch would then lie among (or after) what follows
// it; the stretch gets the bars of the new length that its music needs instead, and undo takes
// them out again.
TEST_F(MeterCommandsTest, ShorterBarsKeepTheMusicOfTheirStretchAheadOfWhatFollows)
{
    // 4/4 bars at 0, 4, 8, 12, then 2/4 at 16, 18, end 20: 3/4 at 4 needs a fourth bar for the
    // note at 14.5, so the stretch ends at 16 as before.
    addStaves(1);
    putMeter(0.0f, 4, 4);
    barsUpTo(16.0f);
    ECMeter* twoFour = putMeter(16.0f, 2, 4);
    barsUpTo(20.0f);
    ECNote* last = putNote(1, 14.5f);
    ECNote* after = putNote(1, 16.5f);
    const std::vector<uint8_t> before = stored();

    auto* add = new CCAddMeter(newMeter(4.0f, 3, 4));
    add->Ref();
    act(add);
    EXPECT_EQ(bars(), (Times{0, 4, 7, 10, 13, 16, 18, 20}));
    EXPECT_EQ(meters(), "4/4@0 3/4@4 2/4@16");
    EXPECT_EQ(timeOf(twoFour), 16.0f);
    EXPECT_EQ(timeOf(last), 14.5f);
    EXPECT_EQ(timeOf(after), 16.5f);
    EXPECT_EQ(barOf(last), 5);
    EXPECT_EQ(barOf(after), 6);
    EXPECT_EQ(add->GetMeasureInsertLocation(), 5);
    EXPECT_EQ(add->GetMeasureInsertCount(), 1);
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    m_performance->Redo(1);
    EXPECT_EQ(bars(), (Times{0, 4, 7, 10, 13, 16, 18, 20}));
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    add->Unref(1);
}

TEST_F(MeterCommandsTest, RemovingAMeterKeepsTheMusicOfItsStretchAheadOfWhatFollows)
{
    // 2/4 bars at 0, 2; 4/4 at 4, 8; 3/4 at 12, 15, end 18. Without the 4/4 the stretch needs
    // three bars of 2/4 for the note at 9; what follows moves 2 earlier.
    addStaves(1);
    putMeter(0.0f, 2, 4);
    barsUpTo(4.0f);
    ECMeter* fourFour = putMeter(4.0f, 4, 4);
    barsUpTo(12.0f);
    putMeter(12.0f, 3, 4);
    barsUpTo(18.0f);
    ECNote* last = putNote(1, 9.0f);
    ECNote* after = putNote(1, 12.5f);
    const std::vector<uint8_t> before = stored();

    act(new CCRemoveMeter(fourFour));
    EXPECT_EQ(bars(), (Times{0, 2, 4, 6, 8, 10, 13, 16}));
    EXPECT_EQ(meters(), "2/4@0 3/4@10");
    EXPECT_EQ(timeOf(last), 9.0f);
    EXPECT_EQ(timeOf(after), 10.5f);
    EXPECT_EQ(barOf(last), 5);
    EXPECT_EQ(barOf(after), 6);
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    m_performance->Redo(1);
    EXPECT_EQ(meters(), "2/4@0 3/4@10");
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
}

// A piece without a meter takes its first one as a mere point (no bar changes length); undoing
// that takes it out again, although a first meter is otherwise never removed.
TEST_F(MeterCommandsTest, UndoingAPiecesFirstMeterTakesItOut)
{
    addStaves(1);
    barsUpTo(12.0f);
    putNote(1, 5.0f);
    const std::vector<uint8_t> before = stored();
    auto* add = new CCAddMeter(newMeter(0.0f, 3, 4));
    add->Ref();
    act(add);
    EXPECT_EQ(meters(), "3/4@0");
    EXPECT_EQ(bars(), (Times{0, 4, 8, 12}));
    m_performance->Undo(1);
    EXPECT_EQ(meters(), "");
    EXPECT_EQ(stored(), before);
    m_performance->Redo(1);
    EXPECT_EQ(meters(), "3/4@0");
    EXPECT_EQ(add->GetMeterInfo(0)->ShouldRemove(), 0);
    m_performance->Undo(1);
    EXPECT_EQ(stored(), before);
    add->Unref(1);
}

TEST_F(MeterCommandsTest, TheSnapshotsHoldTheirMeters)
{
    auto* meter = new ECMeter(6, 8, 0);
    MCTime at(12.0f);
    meter->SetTime(&at);
    {
        CCMeterInfo info(meter);
        EXPECT_EQ(meter->GetRefCount(), 1u);
        CCMeterInfo copy(info);
        EXPECT_EQ(meter->GetRefCount(), 2u);
        EXPECT_EQ(copy.GetTime().GetSeconds(), 12.0f);
        EXPECT_EQ(copy.GetDuration().GetSeconds(), 3.0f);
        copy.SetRemove(1);
        auto* other = new ECMeter;
        CCMeterInfo second(other);
        second = copy;
        EXPECT_EQ(second.GetMeter(), meter);
        EXPECT_EQ(second.ShouldRemove(), 1);
        EXPECT_EQ(meter->GetRefCount(), 3u);
        meter->Ref();
    }
    EXPECT_EQ(meter->GetRefCount(), 1u);
    meter->Unref(1);
}

}  // namespace
