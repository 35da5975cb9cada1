#include "notabase/commands/CCAddTempo.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCTempoInfo.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/tests/RebarPiece.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class TempoCommandsTest : public RebarTest {
protected:
    void SetUp() override
    {
        RebarTest::SetUp();
        addStaves(1);
        putMeter(0.0f, 4, 4);
        barsUpTo(32.0f);
    }
    static ECTempo* mark(unsigned char type, float time, float duration = 0.0f)
    {
        auto* tempo = new ECTempo(type, MCTime(duration));
        MCTime at(time);
        tempo->SetTime(&at);
        MCTime length(duration);
        tempo->SetDuration(&length);
        return tempo;
    }
    // Adds the marks as one undoable step; the command is handed back held.
    plat::RefPtr<CCAddTempo> add(std::vector<ECTempo*> marks)
    {
        plat::RefPtr<CCAddTempo> command(new CCAddTempo);
        for (ECTempo* tempo : marks)
            command->Add(tempo, &tempoMap(), FCMidi::MidiNull());
        act(command.get());
        return command;
    }
    // Each mark's time and tempo, then each one's clock time. Tempos are read before anything
    // asks for a clock time, so a pause tempo left behind shows.
    std::string profile()
    {
        std::string text;
        for (ECBase* point : *tempoMap().GetChildren())
            text += number(timeOf(point)) + ":" + number(static_cast<ECTempo*>(point)->GetTempo(1.0f)) + " ";
        text += "|";
        for (ECBase* point : *tempoMap().GetChildren())
            text += " " + number(static_cast<ECTempo*>(point)->GetClockTime().GetSeconds());
        return text;
    }
    // The map as it stands is the one working it all out afresh gives.
    void expectAsWorkedOutAfresh(const char* when)
    {
        const std::string seen = profile();
        tempoMap().RecalculateClockTimes();
        EXPECT_EQ(seen, profile()) << when;
    }
    // The map as "time:tempo" with the style of each mark ('/' a ramp).
    std::string map()
    {
        std::string text;
        for (ECBase* point : *tempoMap().GetChildren()) {
            auto* tempo = static_cast<ECTempo*>(point);
            text += (text.empty() ? "" : " ") + number(timeOf(tempo)) + ":" + number(tempo->GetValue())
                    + (tempo->GetStyle() == ECEnvPoint::styleLinear ? "/" : "");
        }
        return text;
    }
};

TEST_F(TempoCommandsTest, GradualChangesRampFromTheTempoBeforeThemAndEndWithAMarkOfTheirOwn)
{
    struct Case {
        const char* what;
        std::vector<std::pair<float, float>> marks;  // plain marks already in the map
        unsigned char type;
        const char* after;
    };
    const Case cases[] = {
        {"accel. with no mark after it", {{0, 100}}, ECTempo::typeAccelerando, "0:100 8:100/ 12:133"},
        {"accel. to 1.33 times the next mark", {{0, 100}, {16, 150}}, ECTempo::typeAccelerando, "0:100 8:100/ 12:199.5 16:150"},
        {"accel. never above 400", {{0, 100}, {16, 350}}, ECTempo::typeAccelerando, "0:100 8:100/ 12:400 16:350"},
        {"rall. halves", {{0, 100}}, 22, "0:100 8:100/ 12:50"},
        {"rit. after 30", {{0, 30}}, ECTempo::typeRitardando, "0:30 8:30/ 12:22.5"},
        {"rit. after 20 stays at 20", {{0, 20}}, ECTempo::typeRitardando, "0:20 8:20/ 12:20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        for (const auto& [time, tempo] : c.marks)
            putTempo(time, tempo);
        const std::vector<uint8_t> before = stored();
        ECTempo* change = mark(c.type, 8.0f, 4.0f);
        auto command = add({change});
        EXPECT_EQ(map(), c.after);
        EXPECT_EQ(tempoMap().GetAnchorGroupCount(), 1);
        EXPECT_EQ(change->IsAnchorHead(), 1);

        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
        m_performance->Redo(1);
        EXPECT_EQ(map(), c.after) << "the same group comes back";
        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
    }
}

// A pause holds the tempo its map gives a pause (here the default: half the tempo before it)
// up to its end, where a mark brings back the tempo before it.
TEST_F(TempoCommandsTest, APauseReturnsToTheTempoBeforeIt)
{
    putTempo(0.0f, 120.0f);
    ECTempo* pause = mark(ECTempo::typePause + 1, 8.0f, 2.0f);
    add({pause});
    ASSERT_EQ(tempoMap().GetPointCount(), 3);
    EXPECT_EQ(pause->GetStyle(), ECEnvPoint::styleStep);
    EXPECT_EQ(pause->GetValue(), 60.0f);
    auto* end = static_cast<ECTempo*>(tempoMap().GetPointAtIndex(2));
    EXPECT_EQ(timeOf(end), 10.0f);
    EXPECT_EQ(end->GetValue(), 120.0f);
}

// The command and the map hold a pause to one rule, the map's: the tempo before it slowed by the
// pause's percent. Whoever looks at the mark while the command runs (the sequencer prepares its
// playback data in the prepare phase) sees the tempo the map keeps.
TEST_F(TempoCommandsTest, APauseHoldsTheMapsTempoFromTheStart)
{
    struct Seen {
        ECTempo* mark = nullptr;
        std::vector<float> values;
    } seen;
    m_performance->AddCommandHandler(
        [](ECBase*, int phase, void*, void* user) {
            auto* s = static_cast<Seen*>(user);
            if ((phase == 0 || phase == 1) && s->mark)
                s->values.push_back(s->mark->GetValue());
            return 1;
        },
        &seen);
    putTempo(0.0f, 90.0f);
    constexpr unsigned char generalPause = ECTempo::typePause + 1;
    for (float percent : {100.0f, 200.0f}) {
        SCOPED_TRACE(percent);
        seen.values.clear();
        seen.mark = mark(generalPause, 8.0f + percent / 50.0f, 1.0f);
        seen.mark->SetPausePercent(percent);
        add({seen.mark});
        const float held = 90.0f / (percent / 100.0f * 2.0f);
        EXPECT_EQ(seen.values, (std::vector<float>{held, held})) << "prepared, then processed";
        tempoMap().RecalculateClockTimes();
        EXPECT_EQ(seen.mark->GetValue(), held);
    }
}

TEST_F(TempoCommandsTest, WordsTakeTheTempoOfTheWordAndATempoTheLastPlainOne)
{
    constexpr unsigned char allegro = 14;
    ECTempo* word = mark(allegro, 0.0f);
    word->SetValue(77.0f);
    ECTempo* metronome = mark(ECTempo::typeMetronome, 4.0f);
    metronome->SetValue(100.0f);
    add({word, metronome});
    EXPECT_EQ(word->GetValue(), static_cast<float>(GetTempoValue(allegro)));
    EXPECT_EQ(metronome->GetValue(), 100.0f) << "a metronome mark keeps its tempo";

    add({mark(ECTempo::typeAccelerando, 6.0f, 2.0f)});
    add({mark(ECTempo::typeRitardando, 10.0f, 2.0f)});
    ECTempo* back = mark(ECTempo::typeATempo, 14.0f);
    add({back});
    EXPECT_EQ(back->GetValue(), 100.0f) << "past the gradual changes, to the last plain mark";
    EXPECT_EQ(back->GetStyle(), ECEnvPoint::styleStep);
}

TEST_F(TempoCommandsTest, ATempoWithNoPlainMarkBeforeItTakesTheMapsDefault)
{
    add({mark(ECTempo::typeAccelerando, 0.0f, 2.0f)});
    ECTempo* back = mark(ECTempo::typeATempo, 4.0f);
    add({back});
    EXPECT_EQ(back->GetValue(), 60.0f);
}

TEST_F(TempoCommandsTest, APauseWithoutAWordAtZeroPushesTheMarkThereOneTickBack)
{
    ECTempo* first = putTempo(0.0f, 90.0f);
    const std::vector<uint8_t> before = stored();
    ECTempo* pause = mark(ECTempo::typePause, 0.0f, 1.0f);
    auto command = add({pause});
    EXPECT_EQ(command->GetCommandId(), CommandIds::CCAddTempo);
    EXPECT_FLOAT_EQ(timeOf(first), -1.0f / 480.0f);
    EXPECT_EQ(tempoMap().GetPointAt(MCTime::TimeZero()), pause);

    // A second one there is refused, and nothing moves.
    const std::vector<uint8_t> paused = stored();
    const int steps = m_performance->GetUndoCount();
    add({mark(ECTempo::typePause, 0.0f, 1.0f)});
    EXPECT_EQ(stored(), paused);
    EXPECT_EQ(m_performance->GetUndoCount(), steps) << "the command was aborted";

    m_performance->Undo(1);
    EXPECT_EQ(timeOf(first), 0.0f);
    EXPECT_EQ(stored(), before);
}

// A command whose pauses at 0 go to two maps: the first pushes the mark at 0 of its map back a
// tick, the second finds a pause at 0 in its own map and fails the command. The pushed mark must
// not stay before 0.
TEST_F(TempoCommandsTest, AFailedPauseCommandPutsBackEveryMarkItPushed)
{
    ECTempo* first = putTempo(0.0f, 90.0f);
    plat::RefPtr<ECTempoEnv> other(new ECTempoEnv);
    other->AddChild(mark(ECTempo::typePause, 0.0f, 1.0f), 1);
    const std::vector<uint8_t> before = stored();

    plat::RefPtr<CCAddTempo> command(new CCAddTempo);
    command->Add(mark(ECTempo::typePause, 0.0f, 1.0f), &tempoMap(), FCMidi::MidiNull());
    command->Add(mark(ECTempo::typePause, 0.0f, 1.0f), other.get(), FCMidi::MidiNull());
    act(command.get());
    EXPECT_EQ(timeOf(first), 0.0f);
    EXPECT_EQ(stored(), before);
    EXPECT_EQ(m_performance->GetUndoCount(), 0) << "the command was aborted";
    // The map outside the piece lets its mark go.
    other->RemoveChildren(1);
}

// Undoing a deletion puts marks back as they were, not prepared again from the marks around
// them now: "a tempo" keeps the tempo it took, and a span whose two ends were both selected comes
// back as the one group it was.
TEST_F(TempoCommandsTest, DeletedMarksComeBackAsTheyWere)
{
    putTempo(0.0f, 120.0f);
    ECTempo* plain = mark(ECTempo::typeMetronome, 4.0f);
    plain->SetValue(100.0f);
    add({plain});
    ECTempo* back = mark(ECTempo::typeATempo, 12.0f);
    add({back});
    ASSERT_EQ(back->GetValue(), 100.0f);
    ECTempo* slower = mark(ECTempo::typeMetronome, 8.0f);
    slower->SetValue(80.0f);
    add({slower});
    ECTempo* rit = mark(ECTempo::typeRitardando, 16.0f, 2.0f);
    add({rit});
    const std::vector<uint8_t> before = stored();

    MCEventList selection;
    selection.AddTail(back);
    selection.AddTail(rit);
    selection.AddTail(tempoMap().GetPointAt(MCTime(18.0f)));
    ASSERT_NO_FATAL_FAILURE(deleteSelection(selection));
    EXPECT_EQ(map(), "0:120 4:100 8:80");

    m_performance->Undo(1);
    EXPECT_EQ(back->GetValue(), 100.0f);
    EXPECT_EQ(tempoMap().GetAnchorGroupCount(), 1);
    EXPECT_EQ(stored(), before);
}

// The first mark of a tempo map always stands at 0: deleting it moves the next mark there. Undo
// puts that mark back at its own time before the deleted ones return (else the map refuses the
// first of them), and a deleted mark keeps its own time even when the map moved it before it
// left. Deletions run one command a mark, as a selection does.
TEST_F(TempoCommandsTest, DeletingTheFirstMarksComesBackWithUndo)
{
    struct Case {
        const char* what;
        bool span;                  // the map holds an "accel." from 0 to 2 (else a mark of 120 at 0)
        std::vector<int> selected;  // indices into the map's marks
        const char* after;
    };
    const Case cases[] = {
        {"a plain first mark", false, {0}, "0:90"},
        {"both ends of a span, its start first", true, {0, 1}, "0:90"},
        {"both ends of a span, its end first", true, {1, 0}, "0:90"},
        {"the end of a span", true, {1}, "0:90"},
        {"a plain first mark and the next", false, {0, 1}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        if (c.span)
            add({mark(ECTempo::typeAccelerando, 0.0f, 2.0f)});
        else
            putTempo(0.0f, 120.0f);
        putTempo(8.0f, 90.0f);
        const std::vector<uint8_t> before = stored();
        const std::string mapBefore = map();

        MCEventList selection;
        for (int i : c.selected)
            selection.AddTail(tempoMap().GetPointAtIndex(i));
        ASSERT_NO_FATAL_FAILURE(deleteSelection(selection));
        EXPECT_EQ(map(), c.after);
        const std::vector<uint8_t> deleted = stored();

        m_performance->Undo(1);
        EXPECT_EQ(map(), mapBefore);
        EXPECT_EQ(stored(), before);
        m_performance->Redo(1);
        EXPECT_EQ(stored(), deleted);
        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
    }
}

// Moved later, the first mark leaves the next one first, which the map moves to 0. Undo puts
// both back at their own times, and redo does the move again; the only mark of a map stays at 0.
TEST_F(TempoCommandsTest, MovingTheFirstMarkLaterComesBackWithUndo)
{
    struct Case {
        const char* what;
        bool alone;
        float to;
        const char* after;
    };
    const Case cases[] = {
        {"past the next mark", false, 12.0f, "0:90 12:120"},
        {"before the next mark", false, 4.0f, "0:120 8:90"},
        {"the only mark", true, 12.0f, "0:120"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        ECTempo* first = putTempo(0.0f, 120.0f);
        if (!c.alone)
            putTempo(8.0f, 90.0f);
        const std::vector<uint8_t> before = stored();
        const std::string mapBefore = map();

        const MCTime to(c.to);
        plat::RefPtr<CCEditTime> move(new CCEditTime(first, &to));
        act(move.get());
        EXPECT_EQ(map(), c.after);
        const std::vector<uint8_t> moved = stored();

        m_performance->Undo(1);
        EXPECT_EQ(map(), mapBefore);
        EXPECT_EQ(stored(), before);
        m_performance->Redo(1);
        EXPECT_EQ(stored(), moved);
        m_performance->Undo(1);
        EXPECT_EQ(stored(), before);
    }
}

// Into an empty map a mark comes at 0 whatever its time; a span keeps its length.
TEST_F(TempoCommandsTest, TheFirstMarkOfAnEmptyMapGoesToZeroAndUndoAndRedoKeepItThere)
{
    tempoMap();
    const std::vector<uint8_t> empty = stored();
    add({mark(ECTempo::typeAccelerando, 10.0f, 2.0f)});
    EXPECT_EQ(tempos(), "0 12");
    const std::vector<uint8_t> added = stored();
    m_performance->Undo(1);
    EXPECT_EQ(stored(), empty);
    m_performance->Redo(1);
    EXPECT_EQ(stored(), added);
}

// Marks added, deleted, undone and redone many at a time leave the map as working it all out
// afresh would: each mark's tempo (a pause's from the marks before it) and clock time. Tempos are
// read before anything asks for a clock time, so a pause tempo left behind shows. A paste is one
// command of many marks; a selection deletes through one command a mark; a remove command may
// also hold many marks.
TEST_F(TempoCommandsTest, EditsOfManyMarksLeaveTheMapAsWorkingItOutAfreshDoes)
{
    // Metronome marks a beat apart from the beat given, at tempos that vary.
    const auto plainMarks = [](int count, float from) {
        std::vector<ECTempo*> marks;
        for (int i = 0; i < count; ++i) {
            ECTempo* tempo = mark(ECTempo::typeMetronome, from + static_cast<float>(i));
            tempo->SetValue(static_cast<float>(60 + (i * 37) % 120));
            marks.push_back(tempo);
        }
        return marks;
    };
    const auto deleteMarks = [this](const std::vector<ECBase*>& marks) {
        MCEventList selection;
        for (ECBase* point : marks)
            selection.AddTail(point);
        ASSERT_NO_FATAL_FAILURE(deleteSelection(selection));
    };
    const auto removeInOneCommand = [this](const std::vector<ECBase*>& marks) {
        plat::RefPtr<CCRemoveEnvPoint> remove(new CCRemoveEnvPoint);
        for (ECBase* point : marks)
            remove->Remove(point);
        act(remove.get());
    };
    // The marks of the map at the times.
    const auto at = [this](std::vector<float> times) {
        std::vector<ECBase*> marks;
        for (float time : times)
            marks.push_back(tempoMap().GetPointAt(MCTime(time)));
        return marks;
    };
    const auto beats = [](int from, int to) {
        std::vector<float> times;
        for (int i = from; i < to; ++i)
            times.push_back(static_cast<float>(i));
        return times;
    };
    enum class Edit { paste, deleteSelection, removeInOneCommand };
    struct Case {
        const char* what;
        bool pause;               // the map holds a G.P. from 30 to 32 (else plain marks only)
        Edit edit;
        std::vector<float> selected;  // the times of the marks to delete
    };
    const Case cases[] = {
        {"a paste of 40 marks after the others", false, Edit::paste, {}},
        {"a paste of 40 marks around a pause", true, Edit::paste, {}},
        {"a selection of every mark but the first", false, Edit::deleteSelection, beats(1, 25)},
        {"a selection of the marks before a pause", true, Edit::deleteSelection, beats(1, 25)},
        {"a selection of the first marks", false, Edit::deleteSelection, beats(0, 6)},
        {"one command of the first marks", false, Edit::removeInOneCommand, beats(0, 6)},
        {"one command of marks before a pause", true, Edit::removeInOneCommand, {5, 9, 24}},
        {"one command of both ends of a pause", true, Edit::removeInOneCommand, {32, 30, 2}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        putTempo(0.0f, 120.0f);
        std::vector<ECTempo*> marks = plainMarks(24, 1.0f);
        for (size_t i = 4; i < marks.size(); i += 5)
            marks[i]->SetTempoType(ECTempo::typeAccelerando, MCTime(0.5f));
        add(marks);
        if (c.pause)
            add({mark(ECTempo::typePause + 1, 30.0f, 2.0f)});
        expectAsWorkedOutAfresh("before");
        const std::vector<uint8_t> before = stored();

        switch (c.edit) {
        case Edit::paste:
            add(plainMarks(40, 25.25f));
            break;
        case Edit::deleteSelection:
            deleteMarks(at(c.selected));
            break;
        case Edit::removeInOneCommand:
            removeInOneCommand(at(c.selected));
            break;
        }
        expectAsWorkedOutAfresh("after the edit");
        const std::vector<uint8_t> after = stored();
        ASSERT_NE(after, before);

        m_performance->Undo(1);
        expectAsWorkedOutAfresh("after undo");
        EXPECT_EQ(stored(), before);
        m_performance->Redo(1);
        expectAsWorkedOutAfresh("after redo");
        EXPECT_EQ(stored(), after);
        m_performance->Undo(1);
        expectAsWorkedOutAfresh("after the second undo");
        EXPECT_EQ(stored(), before);
    }
}

// The same for many spans: accel. and rit. spans and pauses, each a group of two marks, pasted,
// deleted (a selection of both ends, of the starts only or of the ends only) and removed in one
// command, then undone and redone. Each point finds its own group, the pause marks hold the
// tempos their groups give them, and undo and redo give back the stored piece, the groups in
// their order included.
TEST_F(TempoCommandsTest, EditsOfManySpansLeaveTheMapAsWorkingItOutAfreshDoes)
{
    constexpr unsigned char generalPause = ECTempo::typePause + 1;
    // Each point's group, as the times of its marks.
    const auto groups = [this] {
        std::string text;
        for (ECBase* point : *tempoMap().GetChildren()) {
            text += number(timeOf(point)) + "[";
            if (const MCEventList* group = tempoMap().GetAnchorGroup(static_cast<ECEnvPoint*>(point))) {
                for (ECBase* member : *group)
                    text += number(timeOf(member)) + " ";
            }
            text += "] ";
        }
        return text;
    };
    // From the beat given, in each two beats a span of one beat: accel., rit. and G.P. in turn.
    const auto spans = [](int count, float from) {
        std::vector<ECTempo*> marks;
        const unsigned char types[] = {ECTempo::typeAccelerando, ECTempo::typeRitardando, generalPause};
        for (int i = 0; i < count; ++i) {
            ECTempo* start = mark(types[i % 3], from + 2.0f * static_cast<float>(i), 1.0f);
            start->SetPausePercent(static_cast<float>(50 + 25 * (i % 4)));
            marks.push_back(start);
        }
        return marks;
    };
    // The marks at the beats from, from + 2, ... before to; with ends, the marks a beat later too.
    const auto marksOf = [this](float from, float to, bool starts, bool ends) {
        std::vector<ECBase*> marks;
        for (float time = from; time < to; time += 2.0f) {
            if (starts)
                marks.push_back(tempoMap().GetPointAt(MCTime(time)));
            if (ends)
                marks.push_back(tempoMap().GetPointAt(MCTime(time + 1.0f)));
        }
        return marks;
    };
    enum class Edit { paste, deleteSelection, removeInOneCommand };
    struct Case {
        const char* what;
        Edit edit;
        bool starts;  // the starts of the spans are selected
        bool ends;    // the ends of the spans are selected
    };
    const Case cases[] = {
        {"a paste of 30 spans among others", Edit::paste, false, false},
        {"a selection of both ends of the spans", Edit::deleteSelection, true, true},
        {"a selection of the starts of the spans", Edit::deleteSelection, true, false},
        {"a selection of the ends of the spans", Edit::deleteSelection, false, true},
        {"one command of both ends of the spans", Edit::removeInOneCommand, true, true},
        {"one command of the ends of the spans", Edit::removeInOneCommand, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        putTempo(0.0f, 120.0f);
        add(spans(20, 2.0f));
        putTempo(41.5f, 80.0f);
        expectAsWorkedOutAfresh("before");
        const std::string groupsBefore = groups();
        const std::vector<uint8_t> before = stored();

        switch (c.edit) {
        case Edit::paste:
            add(spans(30, 44.0f));
            break;
        case Edit::deleteSelection: {
            MCEventList selection;
            for (ECBase* point : marksOf(6.0f, 34.0f, c.starts, c.ends))
                selection.AddTail(point);
            ASSERT_NO_FATAL_FAILURE(deleteSelection(selection));
            break;
        }
        case Edit::removeInOneCommand: {
            plat::RefPtr<CCRemoveEnvPoint> remove(new CCRemoveEnvPoint);
            for (ECBase* point : marksOf(6.0f, 34.0f, c.starts, c.ends))
                remove->Remove(point);
            act(remove.get());
            break;
        }
        }
        expectAsWorkedOutAfresh("after the edit");
        const std::string groupsAfter = groups();
        const std::vector<uint8_t> after = stored();
        ASSERT_NE(after, before);

        for (int round = 0; round < 2; ++round) {
            SCOPED_TRACE(round);
            m_performance->Undo(1);
            expectAsWorkedOutAfresh("after undo");
            EXPECT_EQ(groups(), groupsBefore);
            EXPECT_EQ(stored(), before);
            m_performance->Redo(1);
            expectAsWorkedOutAfresh("after redo");
            EXPECT_EQ(groups(), groupsAfter);
            EXPECT_EQ(stored(), after);
        }
    }
}

TEST_F(TempoCommandsTest, TheSnapshotHoldsItsMark)
{
    ECTempo* tempo = mark(ECTempo::typeMetronome, 6.0f);
    {
        CCTempoInfo info(tempo);
        EXPECT_EQ(tempo->GetRefCount(), 1u);
        EXPECT_EQ(info.GetTime().GetSeconds(), 6.0f);
        CCTempoInfo copy(info);
        copy.SetRemove(1);
        EXPECT_EQ(copy.ShouldRemove(), 1);
        EXPECT_EQ(copy.GetTempo(), tempo);
        EXPECT_EQ(tempo->GetRefCount(), 2u);
        tempo->Ref();
    }
    EXPECT_EQ(tempo->GetRefCount(), 1u);
    tempo->Unref(1);
}

}  // namespace
