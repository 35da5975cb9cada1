#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveTrack.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECAccidental.h"
#include "notabase/model/ECBeam.h"
#include "notabase/model/ECChord.h"
#include "notabase/model/ECNote.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECWaveTrack.h"
#include "notabase/tests/ScorePiece.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace {

// A chord: what it holds comes and goes with it.
class Holder : public ECWithTimeChild {
    PLAT_DECLARE_SERIAL(Holder)
public:
    Holder() = default;
    explicit Holder(float time) { MCTime t(time); SetTime(&t); }
    int GetEventId() const override { return EventId::Chord; }
    int GetParentTypes(std::vector<int>& types) const override
    {
        types.push_back(EventId::Measure);
        return static_cast<int>(types.size());
    }
};
PLAT_IMPLEMENT_SERIAL(Holder, ECWithTimeChild, plat::kVersionableSchema | 2)

Holder* holderWithNotes(float time, int notes)
{
    auto* holder = new Holder(time);
    for (int i = 0; i < notes; ++i)
        holder->AddChild(new CountedNote(time), 1);
    return holder;
}

// What the commands processed in each run: id and elements, as "id:count".
struct Runs {
    std::vector<std::string> processed;
    std::vector<std::vector<ECBase*>> elements;
};

int recordRuns(ECBase*, int phase, void* commands, void* userData)
{
    if (phase != 1)
        return 1;
    auto* runs = static_cast<Runs*>(userData);
    for (CCBase* command : *static_cast<MCCommandList*>(commands)) {
        MCEventList events;
        if (auto* add = plat::dynamicDowncast<CCAdd>(command))
            add->GetAddEvents(events);
        else if (auto* remove = plat::dynamicDowncast<CCRemove>(command))
            remove->GetRemoveEvents(events);
        runs->processed.push_back(std::to_string(command->GetCommandId()) + ":" + std::to_string(events.GetCount()));
        runs->elements.emplace_back(events.begin(), events.end());
    }
    return 1;
}

class ScoreCommandsTest : public ScoreTest {
protected:
    void SetUp() override
    {
        ScoreTest::SetUp();
        m_performance->AddCommandHandler(recordRuns, &m_runs);
    }
    // Applies a command as one undoable user action.
    void act(CCBase* command, const std::string& name = "act")
    {
        MCCommandMgr::BeginUndo(m_performance, name);
        command->SetSynchronous(1);
        command->Apply(m_performance);
        MCCommandMgr::EndUndo(m_performance);
    }
    void apply(CCBase* command)
    {
        command->SetSynchronous(1);
        command->Apply(m_performance);
    }
    ECMeasure* measureOf(int staff, int bar) { return m_conductor->GetMeasure(staff, bar); }

    Runs m_runs;
};

}  // namespace

TEST_F(ScoreCommandsTest, AnEmptyAddChangesNothingAndUndoesToNothing)
{
    addStaves(1);
    m_runs.processed.clear();
    const std::string before = describePiece(m_performance);
    act(new CCAdd);
    EXPECT_EQ(m_runs.processed, (std::vector<std::string>{"0:0"}));
    EXPECT_EQ(describePiece(m_performance), before);
    m_performance->Undo(1);
    EXPECT_EQ(m_runs.processed.size(), 1u) << "the undo applied nothing";

    CCAdd empty;
    MCEventList list;
    EXPECT_EQ(empty.GetAddEvents(list), 0);
    list.AddTail(m_conductor);
    EXPECT_EQ(empty.GetAddEvents(list), 1) << "what the list held counts";
}

TEST_F(ScoreCommandsTest, AddedElementsStandByTimeAndComeBackInReverseOrderAfterTwoUndos)
{
    addStaves(1);
    addBarsUpTo(4.0f);
    ECMeasure* measure = measureOf(1, 1);
    auto* late = new CountedNote(3.0f);
    auto* early = new CountedNote(1.0f);
    auto* add = new CCAdd(late, measure, FCMidi::MidiNull());
    add->Add(early, measure, FCMidi::MidiNull());
    EXPECT_EQ(add->GetCommandId(), CommandIds::CCAdd);
    act(add);
    EXPECT_EQ(measure->GetChildren()->GetHead(), early);
    EXPECT_EQ(measure->GetChildren()->GetTail(), late);

    // Undo: one remove of the same children in the same order.
    m_runs = {};
    m_performance->Undo(1);
    ASSERT_EQ(m_runs.processed, (std::vector<std::string>{"36:2"}));
    EXPECT_EQ(m_runs.elements[0], (std::vector<ECBase*>{late, early}));
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());
    EXPECT_EQ(CountedNote::s_alive, 2) << "the add on the redo stack keeps them";

    // A removal undone puts back the last removed first.
    m_performance->Redo(1);
    auto* remove = new CCRemove;
    remove->Remove(early);
    remove->Remove(late);
    act(remove);
    m_runs = {};
    m_performance->Undo(1);
    ASSERT_EQ(m_runs.processed, (std::vector<std::string>{"0:2"}));
    EXPECT_EQ(m_runs.elements[0], (std::vector<ECBase*>{late, early}));
    EXPECT_EQ(measure->GetChildren()->GetHead(), early) << "each in its place by time";
}

// A remove command knows its elements without a search: an item dropped, or all items cleared,
// lets its element be taken again.
TEST_F(ScoreCommandsTest, ARemoveCommandTakesAnElementOnceWhileItHoldsIt)
{
    struct Dropping : CCRemove {
        using CCRemove::ClearItems;
        using CCRemove::DropItem;
    };
    addStaves(1);
    addBarsUpTo(4.0f);
    CountedNote* a = addNote(1, 1.0f);
    CountedNote* b = addNote(1, 2.0f);
    const plat::RefPtr<Dropping> remove(new Dropping);
    ASSERT_NE(remove->Remove(a), nullptr);
    ASSERT_NE(remove->Remove(b), nullptr);
    remove->DropItem(0);
    EXPECT_NE(remove->Remove(a), nullptr) << "its item was dropped";
    EXPECT_EQ(remove->Remove(b), nullptr);
    EXPECT_EQ(remove->Remove(a), nullptr);
    remove->ClearItems();
    EXPECT_NE(remove->Remove(b), nullptr);
    EXPECT_EQ(remove->GetItems().size(), 1u);
}

TEST_F(ScoreCommandsTest, RemovingDetachesFromEveryParentAndUndoRestoresEveryLink)
{
    addStaves(1);
    addBarsUpTo(4.0f);
    ECMeasure* measure = measureOf(1, 1);
    auto* beam = new TEBeam;
    measure->AddChild(beam, 1);
    CountedNote* note = addNote(1, 1.0f);
    beam->AddChild(note, 0);
    ASSERT_EQ(note->GetParents()->GetCount(), 2);

    auto* remove = new CCRemove(note);
    EXPECT_EQ(remove->Remove(note), nullptr) << "one item for an element";
    ASSERT_EQ(remove->GetItems().size(), 1u);
    EXPECT_EQ(remove->GetItems().front()->GetParent(), measure);
    act(remove);
    EXPECT_EQ(note->GetParents()->GetCount(), 0);
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());

    m_performance->Undo(1);
    ASSERT_EQ(note->GetParents()->GetCount(), 2);
    EXPECT_EQ(note->GetParents()->GetHead(), measure);
    EXPECT_EQ(note->GetParents()->GetTail(), beam);
    EXPECT_EQ(beam->GetChildren()->GetHead(), note);
}

TEST_F(ScoreCommandsTest, WhatNoCommandCanPutBackIsTakenApart)
{
    addStaves(1);
    addBarsUpTo(4.0f);
    ECMeasure* measure = measureOf(1, 1);
    measure->AddChild(holderWithNotes(1.0f, 3), 1);
    ASSERT_EQ(CountedNote::s_alive, 3);
    // Outside an undo bracket the removal is released at once, and its chord with it.
    apply(new CCRemove(measure->GetChildren()->GetHead()));
    EXPECT_EQ(CountedNote::s_alive, 0);

    // A removal undone: the elements are back in the piece, and stay whole when it goes.
    Holder* kept = holderWithNotes(2.0f, 2);
    measure->AddChild(kept, 1);
    act(new CCRemove(kept));
    m_performance->Undo(1);
    m_performance->ClearUndo();
    MCCommandMgr::OnIdle();
    EXPECT_EQ(kept->GetChildren()->GetCount(), 2);
    EXPECT_EQ(CountedNote::s_alive, 2);
}

TEST_F(ScoreCommandsTest, RedoingAnUndoneAddBringsBackTheWholeElement)
{
    addStaves(1);
    addBarsUpTo(4.0f);
    ECMeasure* measure = measureOf(1, 1);
    Holder* chord = holderWithNotes(1.0f, 2);
    act(new CCAdd(chord, measure, FCMidi::MidiNull()));
    const std::string added = describePiece(m_performance);

    // The undo's removal goes at once; the add waiting on the redo stack still holds the chord.
    m_performance->Undo(1);
    EXPECT_EQ(chord->GetParents()->GetCount(), 0);
    EXPECT_EQ(chord->GetChildren()->GetCount(), 2);
    m_performance->Redo(1);
    EXPECT_EQ(describePiece(m_performance), added) << "the chord comes back with its notes";

    // Once no command can bring it back, it is taken apart and freed.
    m_performance->Undo(1);
    EXPECT_EQ(CountedNote::s_alive, 2);
    m_performance->ClearUndo();
    MCCommandMgr::OnIdle();
    EXPECT_EQ(CountedNote::s_alive, 0);
}

TEST_F(ScoreCommandsTest, ElementsWithoutAParentAreLeftOut)
{
    addStaves(1);
    addBarsUpTo(4.0f);
    // No parent to add to.
    auto* loose = new TENote(1.0f);
    plat::RefPtr<TENote> keep(loose);
    apply(new CCAdd(loose, nullptr, FCMidi::MidiNull()));
    EXPECT_EQ(loose->GetParents()->GetCount(), 0);

    // No parent type to find one by: undo still puts it back under the parent it had.
    measureOf(1, 1)->AddChild(loose, 1);
    auto* remove = new CCRemove(loose);
    EXPECT_EQ(remove->GetItems().front()->GetParent(), nullptr);
    act(remove);
    EXPECT_EQ(loose->GetParents()->GetCount(), 0);
    m_runs = {};
    m_performance->Undo(1);
    EXPECT_EQ(m_runs.processed, (std::vector<std::string>{"0:1"}));
    EXPECT_EQ(loose->GetParents()->GetHead(), measureOf(1, 1));

    // Out of the graph by the time the removal runs: nothing to put back.
    plat::RefPtr<TENote> outside(new TENote(2.0f));
    act(new CCRemove(outside.get()));
    m_runs = {};
    m_performance->Undo(1);
    EXPECT_EQ(m_runs.processed, (std::vector<std::string>{"0:0"}));
    EXPECT_EQ(outside->GetParents()->GetCount(), 0);
}

namespace {

// Every element below the root once, depth first, with the numbers of its children and of its
// parents in their order: two graphs are the same graph when these texts are equal.
std::string linksOf(ECBase* root)
{
    std::map<const ECBase*, int> numbers;
    std::vector<ECBase*> order;
    std::vector<ECBase*> pending{root};
    while (!pending.empty()) {
        ECBase* e = pending.back();
        pending.pop_back();
        if (!numbers.emplace(e, static_cast<int>(numbers.size())).second)
            continue;
        order.push_back(e);
        if (MCEventList* children = e->GetChildren()) {
            const std::vector<ECBase*> next(children->begin(), children->end());
            pending.insert(pending.end(), next.rbegin(), next.rend());
        }
    }
    std::ostringstream out;
    for (ECBase* e : order) {
        out << numbers[e] << ' ' << e->runtimeClass()->name << " <";
        for (ECBase* parent : *e->GetParents())
            out << ' ' << (numbers.count(parent) ? std::to_string(numbers[parent]) : "?");
        out << " > [";
        if (MCEventList* children = e->GetChildren()) {
            for (ECBase* child : *children)
                out << ' ' << numbers[child];
        }
        out << " ]\n";
    }
    return out.str();
}

ECNote* scoreNote(float time)
{
    auto* note = new ECNote(MCTime(time), MCTime(0.25f));
    note->SetVoiceTrack(0, 1);
    return note;
}

template <class E>
E* at(E* element, float time)
{
    MCTime t(time);
    element->SetTime(&t);
    element->SetVoiceTrack(0, 1);
    return element;
}

}  // namespace

// A bar holding two beamed notes, a chord of two notes, a chord of one note with its accidental,
// and a triplet: removing any note, or several, and undoing gives back the same graph, every
// element under every parent it had at its place, also a chord or tuplet that left with its last
// note.
TEST_F(ScoreCommandsTest, UndoingARemovalGivesBackTheVeryGraphItTook)
{
    addStaves(1);
    addBarsUpTo(8.0f);
    ECMeasure* measure = measureOf(1, 1);
    ECNote* beamedFirst = scoreNote(0.0f);
    ECNote* beamedSecond = scoreNote(0.5f);
    measure->AddChild(beamedFirst, 1);
    auto* beam = at(new ECBeam, 0.0f);
    measure->AddChild(beam, 1);
    measure->AddChild(beamedSecond, 1);
    beam->AddChild(beamedFirst, 1);
    beam->AddChild(beamedSecond, 1);
    auto* chord = at(new ECChord, 1.0f);
    measure->AddChild(chord, 1);
    ECNote* low = scoreNote(1.0f);
    ECNote* high = scoreNote(1.0f);
    chord->AddChild(low, 1);
    chord->AddChild(high, 1);
    auto* single = at(new ECChord, 2.0f);
    measure->AddChild(single, 1);
    ECNote* alone = scoreNote(2.0f);
    single->AddChild(at(new ECAccidental, 2.0f), 1);
    single->AddChild(alone, 1);
    auto* triplet = at(new ECTuplet(3, 2, 3), 3.0f);
    measure->AddChild(triplet, 1);
    std::vector<ECNote*> triplets;
    for (float t : {3.0f, 3.0f + 1.0f / 3.0f, 3.0f + 2.0f / 3.0f}) {
        triplets.push_back(scoreNote(t));
        triplet->AddChild(triplets.back(), 1);
    }
    const std::string before = linksOf(m_performance);
    const std::vector<uint8_t> stored = storePiece(*m_performance);

    struct Case {
        const char* what;
        std::vector<ECNote*> notes;
    };
    const Case cases[] = {
        {"the first beamed note", {beamedFirst}},
        {"the second beamed note", {beamedSecond}},
        {"one note of a chord", {low}},
        {"the other note of a chord", {high}},
        {"the last note of a chord, which leaves with it", {alone}},
        {"a note of a tuplet", {triplets[1]}},
        {"every note of a tuplet, which leaves with the last", {triplets[0], triplets[2], triplets[1]}},
        {"notes of each", {high, triplets[0], beamedFirst, alone}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto* remove = new CCRemove;
        for (ECNote* note : c.notes)
            remove->Remove(note);
        act(remove);
        for (ECNote* note : c.notes)
            EXPECT_TRUE(note->GetParents()->IsEmpty());
        ASSERT_NE(linksOf(m_performance), before);
        m_performance->Undo(1);
        EXPECT_EQ(linksOf(m_performance), before);
        EXPECT_EQ(storePiece(*m_performance), stored);
        // Redone and undone again, from the journal the redo recorded.
        m_performance->Redo(1);
        m_performance->Undo(1);
        EXPECT_EQ(linksOf(m_performance), before);
    }
}

TEST_F(ScoreCommandsTest, NewStavesStandOneAfterAnotherFromTheInsertPosition)
{
    addStaves(2);
    ECConductorStaff& cs = conductorStaff();
    ECStaff* a = cs.GetStaff(1, 0);
    ECStaff* b = cs.GetStaff(2, 0);
    auto* add = new CCAddTrack;
    add->AddMidiTrack(6, 3);
    add->SetInsertPosition(2);
    EXPECT_EQ(add->GetCommandId(), CommandIds::CCAddTrack);
    std::vector<ECBase*> added;
    for (const auto& item : add->GetItems())
        added.push_back(item->GetChild());
    apply(add);
    EXPECT_EQ(cs.GetStaff(1, 0), a);
    for (int n = 2; n <= 4; ++n) {
        EXPECT_EQ(cs.GetStaff(n, 0), added[static_cast<size_t>(n) - 2]);
        EXPECT_EQ(cs.GetStaff(n, 0)->GetStaffType(), 6);
    }
    EXPECT_EQ(cs.GetStaff(5, 0), b);

    // A staff that is in the piece already cannot be placed again; the next still goes where
    // the command says.
    auto* again = new CCAddTrack(a, 1);
    auto* fresh = new ECStaff;
    again->Add(fresh, nullptr, FCMidi::MidiNull());
    apply(again);
    EXPECT_EQ(cs.GetStaffNumber(a), 2);
    EXPECT_EQ(cs.GetStaffNumber(fresh), 1);
    EXPECT_EQ(cs.GetMaxStaffNumber(), 6);
}

TEST_F(ScoreCommandsTest, AStaffBroughtInWithTooManyMeasuresLosesTheLast)
{
    addStaves(1);
    addBarsUpTo(12.0f);
    auto* crowded = new ECStaff;
    for (int m = 0; m < 5; ++m) {
        auto* measure = new ECMeasure;
        MCTime t(4.0f * m);
        measure->SetTime(&t);
        measure->AddChild(new CountedNote(4.0f * m), 1);
        crowded->AddChild(measure, 1);
    }
    auto* sparse = new ECStaff;
    sparse->AddChild(new ECMeasure, 1);
    auto* add = new CCAddTrack(crowded, -1);
    add->Add(sparse, nullptr, FCMidi::MidiNull());
    apply(add);
    EXPECT_EQ(crowded->GetChildren()->GetCount(), 3);
    EXPECT_EQ(CountedNote::s_alive, 3) << "the surplus measures went with what they held";
    EXPECT_EQ(sparse->GetChildren()->GetCount(), 3);
    EXPECT_EQ(conductorStaff().GetMeasure(3, 1), sparse->GetChildren()->GetHead());
}

TEST_F(ScoreCommandsTest, ARemovalOfTracksTakesStavesAndWaveTracksOnlyAndIsNoUndoStep)
{
    addStaves(1);
    addBarsUpTo(4.0f);
    ECStaff* staff = conductorStaff().GetStaff(1, 0);
    auto* remove = new CCRemoveTrack;
    EXPECT_EQ(remove->CanUndo(), 0);
    EXPECT_EQ(remove->GetCommandId(), CommandIds::CCRemoveTrack);
    EXPECT_EQ(remove->Remove(measureOf(1, 1)), nullptr);
    EXPECT_EQ(remove->Remove(addNote(1, 1.0f)), nullptr);
    EXPECT_EQ(remove->Remove(&conductorStaff()), nullptr);
    EXPECT_NE(remove->Remove(staff), nullptr);
    EXPECT_EQ(remove->Remove(staff), nullptr);
    act(remove);
    EXPECT_EQ(conductorStaff().GetMaxStaffNumber(), 0);
    EXPECT_EQ(m_performance->GetUndoCount(), 0);
    EXPECT_EQ(CountedNote::s_alive, 0) << "a removed staff nobody can bring back is taken apart";
}

TEST_F(ScoreCommandsTest, TracksAddedAreRemovedByUndoAndComeBackWholeByRedo)
{
    addStaves(2);
    addBarsUpTo(16.0f);
    addNote(1, 1.0f);
    addNote(2, 6.0f);
    conductorStaff().GetTempoEnv();
    const std::vector<uint8_t> before = storePiece(*m_performance);

    auto* add = new CCAddTrack;
    add->AddMidiTrack(0, 1);
    add->AddWaveTrack(1);
    add->SetInsertPosition(1);
    act(add, "Add Tracks");
    ECStaff* staff = conductorStaff().GetStaff(1, 0);
    for (float t : {0.5f, 5.0f, 9.0f, 13.5f})
        addNote(1, t);
    auto* wave = static_cast<ECWaveTrack*>(m_conductor->GetTrack(ECConductor::waveTrack, 1, 0));
    wave->AddChild(new CountedNote(2.0f), 1);
    const std::vector<uint8_t> added = storePiece(*m_performance);
    ASSERT_NE(added, before);

    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(conductorStaff().GetStaffNumber(staff), -1);
    EXPECT_EQ(m_performance->GetUndoCount(), 1) << "the removal is no undo step of its own";
    EXPECT_EQ(storePiece(*m_performance), before);

    ASSERT_EQ(m_performance->Redo(1), 1);
    EXPECT_EQ(storePiece(*m_performance), added) << "the tracks come back with everything on them";
    EXPECT_EQ(staff->GetChildren()->GetCount(), 4);

    // Undo and redo once more, and the history cleared with the tracks out of the piece.
    m_performance->Undo(1);
    m_performance->Redo(1);
    EXPECT_EQ(storePiece(*m_performance), added);
    m_performance->Undo(1);
    m_performance->ClearUndo();
    MCCommandMgr::OnIdle();
    EXPECT_EQ(CountedNote::s_alive, 2) << "the tracks' notes went with them";
    EXPECT_EQ(storePiece(*m_performance), before);
}
