#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCAddEnvPoint.h"
#include "notabase/commands/CCAddEnvPtItem.h"
#include "notabase/commands/CCAddKey.h"
#include "notabase/commands/CCAddMeter.h"
#include "notabase/commands/CCAddTrack.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditDuration.h"
#include "notabase/commands/CCEditGraph.h"
#include "notabase/commands/CCEditGraphItem.h"
#include "notabase/commands/CCEditItem.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCRemove.h"
#include "notabase/commands/CCRemoveEnvPoint.h"
#include "notabase/commands/CCRemoveKey.h"
#include "notabase/commands/CCRemoveMeter.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECWave.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECTrack.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECGraceNote.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "platform/core/RefPtr.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/data/DCsqKey.h"
#include "sequencer/data/DCsqLyric.h"
#include "sequencer/data/DCsqMeter.h"
#include "sequencer/data/DCsqMidi.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqText.h"
#include "sequencer/data/DCsqWave.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/score/CMidiScoreMgr.h"
#include "sequencer/transport/CSequence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// The list from head to tail, checked link by link against the walk back from the tail.
std::vector<DCsqBase*> walk(const CSequence& sequence)
{
    std::vector<DCsqBase*> forward;
    DCsqBase* previous = nullptr;
    for (DCsqBase* data = sequence.GetHead(); data; data = data->GetNext()) {
        EXPECT_EQ(data->GetPrev(), previous) << "the back link of node " << forward.size();
        forward.push_back(data);
        previous = data;
        if (forward.size() > 10000)
            break;
    }
    EXPECT_EQ(sequence.GetTail(), previous);
    return forward;
}

bool contains(const std::vector<DCsqBase*>& list, const DCsqBase* data)
{
    return std::find(list.begin(), list.end(), data) != list.end();
}

class DataListTest : public ::testing::Test {
protected:
    SequencerEnvironment m_environment;
};

// One data object of the list with the element it belongs to.
struct Entry {
    plat::RefPtr<ECBase> owner;
    std::unique_ptr<DCsqBase> data;
    float time = 0.0f;  // where the list must stand it
    int precedence = 0;
    long inserted = -1;  // when it went in last; -1 while out of the list
};

TEST_F(DataListTest, RandomInsertsAndRemovesKeepTheOrderOfASortedOracle)
{
    // Data of every listed kind at a few shared times, some before zero: the list must stand
    // them by time, then by higher precedence, then by the order they went in, whatever the
    // insert cursor's place.
    struct Kind {
        std::function<DCsqBase*()> make;
        int precedence;
        int flowType;  // the owner is a flow-control mark of this type; -1: a note
    };
    const std::vector<Kind> kinds = {
        {[] { return new DCsqNote; }, 400, -1},        {[] { return new DCsqMidi; }, 500, -1},
        {[] { return new DCsqMeter; }, 700, -1},       {[] { return new DCsqKey; }, 650, -1},
        {[] { return new DCsqText; }, 600, -1},        {[] { return new DCsqSysMsg; }, 800, -1},
        {[] { return new DCsqChannelMode; }, 750, -1}, {[] { return new DCsqWave; }, 300, -1},
        {[] { return new DCsqLyric; }, 200, -1},       {[] { return new DCsqFlowControl; }, 1000, 1},
        {[] { return new DCsqFlowControl; }, 950, 4},  {[] { return new DCsqFlowControl; }, 900, 2},
    };
    const float times[] = {-1.0f, -0.5f, 0.0f, 0.5f, 1.0f, 1.0f, 1.5f, 2.0f};
    const unsigned char reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    std::mt19937 random(20240611);

    std::vector<Entry> entries(150);
    for (Entry& entry : entries) {
        const float time = times[random() % std::size(times)];
        const Kind& kind = kinds[random() % kinds.size()];
        ECBase* owner = kind.flowType < 0 ? static_cast<ECBase*>(new ECNote) : new ECFlowControl(static_cast<unsigned char>(kind.flowType));
        const MCTime at(time);
        owner->SetTime(&at);
        entry.owner = plat::RefPtr<ECBase>(owner);
        entry.data.reset(kind.make());
        entry.data->SetOwner(owner);
        auto* system = plat::dynamicDowncast<DCsqSysMsg>(entry.data.get());
        const bool prestart = system && random() % 2;
        if (prestart)
            system->SetSysExData(FCMidiSysEx(reset, sizeof reset));
        // Only system-exclusive messages may stay before zero; the rest are moved there.
        entry.time = time < 0.0f && !prestart ? 0.0f : time;
        entry.precedence = kind.precedence;
        ASSERT_EQ(CMidiScoreMgr::GetPrecedence(entry.data.get()), kind.precedence);
    }

    CSequence sequence;
    long clock = 0;
    for (int step = 0; step < 1500; ++step) {
        Entry& entry = entries[random() % entries.size()];
        if (entry.inserted < 0 || random() % 3 != 0) {
            // Inserting data that stands in the list already moves it to its place anew.
            sequence.InsertData(entry.data.get());
            entry.inserted = clock++;
            EXPECT_EQ(sequence.GetRecordPosition(), entry.data.get()) << "the insert cursor follows the inserts";
        } else {
            sequence.RemoveData(entry.data.get());
            entry.inserted = -1;
            EXPECT_EQ(entry.data->GetPrev(), nullptr);
            EXPECT_EQ(entry.data->GetNext(), nullptr);
        }
        EXPECT_EQ(entry.owner->GetTime()->GetSeconds(), entry.time) << "step " << step;

        std::vector<const Entry*> oracle;
        for (const Entry& e : entries)
            if (e.inserted >= 0)
                oracle.push_back(&e);
        std::sort(oracle.begin(), oracle.end(), [](const Entry* a, const Entry* b) {
            if (a->time != b->time)
                return a->time < b->time;
            if (a->precedence != b->precedence)
                return a->precedence > b->precedence;
            return a->inserted < b->inserted;
        });
        const std::vector<DCsqBase*> list = walk(sequence);
        ASSERT_EQ(list.size(), oracle.size()) << "step " << step;
        for (size_t i = 0; i < list.size(); ++i)
            ASSERT_EQ(list[i], oracle[i]->data.get()) << "step " << step << ", node " << i;
        for (DCsqBase* cursor : {sequence.GetRecordPosition(), sequence.GetPlayPosition()})
            EXPECT_TRUE(list.empty() ? cursor == nullptr : contains(list, cursor)) << "a cursor left the list at step " << step;
    }
    // The data leave the list before their elements go.
    for (Entry& entry : entries)
        sequence.RemoveData(entry.data.get());
    EXPECT_EQ(sequence.GetHead(), nullptr);
}

TEST_F(DataListTest, CursorsStepAsideWhenTheirNodeLeaves)
{
    std::vector<plat::RefPtr<ECNote>> notes;
    std::vector<std::unique_ptr<DCsqNote>> data;
    CSequence sequence;
    for (float time : {0.0f, 1.0f, 2.0f}) {
        notes.emplace_back(new ECNote(MCTime(time), MCTime(1.0f)));
        data.push_back(std::make_unique<DCsqNote>());
        data.back()->SetOwner(notes.back().get());
    }
    sequence.InsertData(data[1].get());
    EXPECT_EQ(sequence.GetHead(), data[1].get());
    EXPECT_EQ(sequence.GetTail(), data[1].get());
    EXPECT_EQ(sequence.GetRecordPosition(), data[1].get());
    EXPECT_EQ(sequence.GetPlayPosition(), data[1].get()) << "the first insert sets both cursors";
    sequence.InsertData(data[0].get());
    sequence.InsertData(data[2].get());

    sequence.SetPlayPosition(data[0].get());
    sequence.SetRecordPosition(data[1].get());
    sequence.RemoveData(data[0].get());
    EXPECT_EQ(sequence.GetPlayPosition(), data[1].get()) << "at the head a cursor goes to the next node";
    sequence.RemoveData(data[1].get());
    EXPECT_EQ(sequence.GetRecordPosition(), data[2].get());
    sequence.InsertData(data[0].get());
    sequence.SetRecordPosition(data[2].get());
    sequence.RemoveData(data[2].get());
    EXPECT_EQ(sequence.GetRecordPosition(), data[0].get()) << "elsewhere it goes to the previous node";
    sequence.RemoveData(data[0].get());
    EXPECT_EQ(sequence.GetHead(), nullptr);
    EXPECT_EQ(sequence.GetRecordPosition(), nullptr);
    EXPECT_EQ(sequence.GetPlayPosition(), nullptr);
    sequence.RemoveData(data[0].get());
    sequence.RemoveData(nullptr);
}

TEST_F(DataListTest, TheRebuildListsThePlayableDataOfThePieceAndFindsItsEnd)
{
    Piece piece;
    piece.AddStaves(2);
    piece.AddBarsUpTo(12.0f);
    CSequence sequence;
    sequence.Attach(piece.Performance());

    ECNote* late = piece.AddNote(1, 4.0f, 1.0f, 60);
    ECNote* early = piece.AddNote(2, 0.0f, 2.0f, 61);
    ECNote* chordNote = piece.AddNote(1, 4.0f, 0.5f, 64);
    // A meter change at bar 3 stands before the notes of its time; tempo marks and tracks
    // carry data but never stand in the list.
    auto* meter = new ECMeter(3, 4, 0);
    MCTime bar3(8.0f);
    meter->SetTime(&bar3);
    piece.ConductorStaff()->GetMeterEnv()->AddChild(meter, 1);
    meter->GetData(0, 1);
    ECNote* onMeter = piece.AddNote(2, 8.0f, 1.0f, 62);
    auto* tempo = new ECTempo;
    MCTime two(2.0f);
    tempo->SetTime(&two);
    tempo->SetTempo(90.0f, 1.0f);
    piece.ConductorStaff()->GetTempoEnv()->AddChild(tempo, 1);
    tempo->GetData(0, 1);
    piece.Conductor()->GetTrack(1, 1, 0)->GetData(0, 1);
    piece.Conductor()->GetTrack(0, 0, 0)->GetData(0, 1);

    sequence.CheckDataIntegrity();
    std::vector<ECBase*> owners;
    for (DCsqBase* data : walk(sequence))
        owners.push_back(data->GetOwner());
    EXPECT_EQ(owners, (std::vector<ECBase*>{early, late, chordNote, meter, onMeter}));
    EXPECT_FLOAT_EQ(sequence.GetLastNoteTime().GetSeconds(), 9.001f);
    EXPECT_EQ(sequence.GetBeginning(), early->GetData(0, 0));

    // A rebuild after edits made behind the list's back starts afresh.
    MCTime moved(10.0f);
    early->SetTime(&moved);
    sequence.CheckDataIntegrity();
    EXPECT_EQ(walk(sequence).back()->GetOwner(), early);
    EXPECT_FLOAT_EQ(sequence.GetLastNoteTime().GetSeconds(), 12.001f);
    sequence.CheckEventOrder(early);
    EXPECT_EQ(walk(sequence).size(), 5u);
}

TEST_F(DataListTest, AnEmptyPieceEndsAtOnceAndPreStartMessagesLieBeforeTheBeginning)
{
    CSequence sequence;
    EXPECT_FLOAT_EQ(sequence.GetLastNoteTime().GetSeconds(), 0.001f);
    EXPECT_EQ(sequence.GetBeginning(), nullptr);

    const unsigned char reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    plat::RefPtr<ECNote> before(new ECNote(MCTime(-0.5f), MCTime(0.0f)));
    plat::RefPtr<ECNote> after(new ECNote(MCTime(0.5f), MCTime(1.0f)));
    DCsqSysMsg prestart;
    prestart.SetOwner(before.get());
    prestart.SetSysExData(FCMidiSysEx(reset, sizeof reset));
    DCsqNote note;
    note.SetOwner(after.get());
    sequence.InsertData(&note);
    sequence.InsertData(&prestart);
    EXPECT_EQ(sequence.GetHead(), &prestart);
    EXPECT_EQ(before->GetTime()->GetSeconds(), -0.5f);
    EXPECT_EQ(sequence.GetBeginning(), &note);
    EXPECT_FLOAT_EQ(sequence.GetLastNoteTime().GetSeconds(), 1.501f);
    sequence.RemoveData(&note);
    sequence.RemoveData(&prestart);
}

TEST_F(DataListTest, ARemoveCommandTakesTheDataBelowWhatItRemoves)
{
    Piece piece;
    piece.AddStaves(1);
    piece.AddBarsUpTo(8.0f);
    CSequence sequence;
    sequence.Attach(piece.Performance());
    ECNote* kept = piece.AddNote(1, 0.0f, 1.0f, 60);
    ECNote* removed = piece.AddNote(1, 1.0f, 1.0f, 62);
    auto* grace = new ECGraceNote;
    MCTime graceTime(0.9f);
    grace->SetTime(&graceTime);
    grace->SetVoiceTrack(0, 1);
    removed->AddChild(grace, 0);
    grace->GetData(0, 1);
    sequence.CheckDataIntegrity();
    ASSERT_EQ(walk(sequence).size(), 3u);

    // The sequence follows the command through the performance's command handler.
    const plat::RefPtr<ECBase> keptAlive[] = {plat::RefPtr<ECBase>(removed), plat::RefPtr<ECBase>(grace)};
    auto* remove = new CCRemove(removed);
    remove->SetSynchronous(1);
    remove->Apply(piece.Performance());
    const std::vector<DCsqBase*> list = walk(sequence);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front()->GetOwner(), kept);
    for (ECBase* gone : {static_cast<ECBase*>(removed), static_cast<ECBase*>(grace)}) {
        const auto* data = static_cast<DCsqBase*>(gone->GetData(0, 0));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->GetPrev(), nullptr);
        EXPECT_EQ(data->GetNext(), nullptr);
    }
}

// Applies a command as one undo step, the way the views do.
void act(ECPerformance* performance, CCBase* command)
{
    MCCommandMgr::BeginUndo(performance, "edit");
    command->SetSynchronous(1);
    command->Apply(performance);
    MCCommandMgr::EndUndo(performance);
}

float timeOf(const DCsqBase* data)
{
    return data->GetOwner()->GetTime()->GetSeconds();
}

// The list holds the data of exactly those elements of the piece whose kind plays from it,
// each once, by time and then by higher precedence.
void expectInStep(CSequence& sequence, ECPerformance* performance, const std::string& when)
{
    SCOPED_TRACE(when);
    static const std::vector<int> listed = {6, 8, 9, 10, 11, 12, 15, 17, 20, 22};
    ACFindEvents find;
    find.BypassNone();
    find.Apply(performance);
    std::vector<DCsqBase*> expected;
    for (ECBase* element : find.GetEvents()) {
        auto* data = plat::dynamicDowncast<DCsqBase>(element->GetData(0, 0));
        if (data && std::find(listed.begin(), listed.end(), data->GetClassType()) != listed.end() && !contains(expected, data))
            expected.push_back(data);
    }
    std::vector<DCsqBase*> list = walk(sequence);
    for (size_t i = 1; i < list.size(); ++i) {
        const float before = timeOf(list[i - 1]);
        const float after = timeOf(list[i]);
        ASSERT_TRUE(before < after || (before == after && CMidiScoreMgr::GetPrecedence(list[i - 1]) >= CMidiScoreMgr::GetPrecedence(list[i])))
            << "nodes " << i - 1 << " and " << i << " at " << before << " and " << after;
    }
    std::sort(list.begin(), list.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(list, expected);
}

TEST_F(DataListTest, EditsUndoneAndRedoneKeepTheListInStepWithThePiece)
{
    // Notes are added, removed and moved by commands, with undo and redo between them; after
    // every step the list must be what a rebuild of the piece would give.
    Piece piece;
    piece.AddStaves(2);
    piece.AddBarsUpTo(16.0f);
    ECPerformance* performance = piece.Performance();
    CSequence sequence;
    sequence.Attach(performance);
    sequence.CheckDataIntegrity();
    std::mt19937 random(31337);
    auto anyListedNote = [&]() -> ECBase* {
        std::vector<ECBase*> notes;
        for (DCsqBase* data : walk(sequence))
            if (data->GetOwner()->GetEventId() == EventId::Note)
                notes.push_back(data->GetOwner());
        return notes.empty() ? nullptr : notes[random() % notes.size()];
    };
    int added = 0;
    for (int step = 0; step < 250; ++step) {
        const unsigned choice = random() % 6;
        std::string what;
        if (choice <= 1) {
            const int staff = 1 + static_cast<int>(random() % 2);
            const float time = static_cast<float>(random() % 32) * 0.5f;
            const unsigned key = 48 + random() % 24;
            auto* note = new ECNote(MCTime(time), MCTime(0.5f));
            note->SetVoiceTrack(0, staff);
            const FCMidi on(static_cast<MIDIWORD>(0x90 | (staff - 1)) | key << 8 | 90u << 16);
            act(performance, new CCAdd(note, piece.Conductor()->GetMeasure(staff, MCTime(time), 0, 0), on));
            auto* data = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0));
            ASSERT_NE(data, nullptr) << "step " << step;
            EXPECT_EQ(data->GetMidiData().GetValue(), on.GetValue()) << "the note plays what came with it";
            EXPECT_EQ(data->GetNoteOffData().GetDataByte2(), 0) << "and ends with a velocity of 0";
            ++added;
            what = "add";
        } else if (choice == 2) {
            if (ECBase* note = anyListedNote())
                act(performance, new CCRemove(note));
            what = "remove";
        } else if (choice == 3) {
            if (ECBase* note = anyListedNote()) {
                MCTime time(static_cast<float>(random() % 32) * 0.5f);
                act(performance, new CCEditTime(note, &time));
            }
            what = "move";
        } else if (choice == 4) {
            performance->Undo(1);
            what = "undo";
        } else {
            performance->Redo(1);
            what = "redo";
        }
        expectInStep(sequence, performance, "step " + std::to_string(step) + ": " + what);
        if (HasFatalFailure())
            return;
    }
    EXPECT_GT(added, 50);
}

TEST_F(DataListTest, KeysMetersAndTracksFollowTheirCommands)
{
    Piece piece;
    piece.AddStaves(1);
    // The piece's first meter, without data: the list leaves it out.
    auto* first = new ECMeter(4, 4, 0);
    MCTime zero(0.0f);
    first->SetTime(&zero);
    piece.ConductorStaff()->GetMeterEnv()->AddChild(first, 1);
    piece.AddBarsUpTo(16.0f);
    ECPerformance* performance = piece.Performance();
    CSequence sequence;
    sequence.Attach(performance);
    piece.AddNote(1, 4.0f, 1.0f, 60);
    sequence.CheckDataIntegrity();
    auto owners = [&] {
        std::vector<ECBase*> list;
        for (DCsqBase* data : walk(sequence))
            list.push_back(data->GetOwner());
        return list;
    };
    ECBase* note = owners().at(0);

    // A key at the note's time stands before it; a second key there replaces the first.
    auto* key = new ECKey(2, 0, 0);
    MCTime four(4.0f);
    key->SetTime(&four);
    act(performance, new CCAddKey(key, piece.Conductor()->GetMeasure(1, four, 0, 0)));
    EXPECT_EQ(owners(), (std::vector<ECBase*>{key, note}));
    auto* replacing = new ECKey(3, 0, 0);
    replacing->SetTime(&four);
    act(performance, new CCAddKey(replacing, piece.Conductor()->GetMeasure(1, four, 0, 0)));
    EXPECT_EQ(owners(), (std::vector<ECBase*>{replacing, note}));
    act(performance, new CCRemoveKey(replacing));
    EXPECT_EQ(owners(), (std::vector<ECBase*>{note}));
    performance->Undo(1);
    EXPECT_EQ(owners(), (std::vector<ECBase*>{replacing, note}));
    performance->Undo(1);
    EXPECT_EQ(owners(), (std::vector<ECBase*>{key, note}));

    // A meter change at the bar of the note; taking it out again leaves the note alone.
    auto* meter = new ECMeter(3, 4, 0);
    meter->SetTime(&four);
    auto* addMeter = new CCAddMeter(meter);
    act(performance, addMeter);
    EXPECT_EQ(owners(), (std::vector<ECBase*>{meter, key, note}));
    expectInStep(sequence, performance, "meter added");
    act(performance, new CCRemoveMeter(meter));
    EXPECT_EQ(owners(), (std::vector<ECBase*>{key, note}));
    performance->Undo(1);
    expectInStep(sequence, performance, "meter back");

    // Added staves get their data, which never stands in the list.
    auto* tracks = new CCAddTrack;
    tracks->AddMidiTrack(0, 1);
    act(performance, tracks);
    ECTrack* added = piece.Conductor()->GetTrack(1, 2, 0);
    ASSERT_NE(added, nullptr);
    EXPECT_NE(plat::dynamicDowncast<DCsqStaff>(added->GetData(0, 0)), nullptr);
    expectInStep(sequence, performance, "staff added");
}

TEST_F(DataListTest, GraphEditsAndClipsMovedToAnotherTrackStayInStep)
{
    Piece piece;
    piece.AddStaves(1);
    piece.AddBarsUpTo(8.0f);
    ECPerformance* performance = piece.Performance();
    CSequence sequence;
    sequence.Attach(performance);
    ECNote* cut = piece.AddNote(1, 1.0f, 1.0f, 60);
    piece.AddNote(1, 2.0f, 1.0f, 62);
    sequence.CheckDataIntegrity();
    const plat::RefPtr<ECBase> held(cut);

    // A graph edit that cuts a note from the piece without linking it again takes its data out;
    // its undo links it back and puts the data in again.
    auto* edit = new CCEditGraph;
    edit->GetGraphItems(1).push_back(std::make_unique<CCEditGraphItem>(cut));
    act(performance, edit);
    EXPECT_EQ(walk(sequence).size(), 1u);
    expectInStep(sequence, performance, "note cut");
    performance->Undo(1);
    EXPECT_EQ(walk(sequence).size(), 2u);
    expectInStep(sequence, performance, "note linked back");

    // A clip added to a wave track gets its data; an edit naming another wave track moves it
    // there, and its undo moves it back.
    auto* tracks = new CCAddTrack;
    tracks->AddWaveTrack(2);
    act(performance, tracks);
    ECTrack* first = piece.Conductor()->GetTrack(2, 1, 0);
    ECTrack* second = piece.Conductor()->GetTrack(2, 2, 0);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(plat::dynamicDowncast<DCsqWaveTrack>(first->GetData(0, 0)), nullptr);
    auto* clip = new ECWave(MCTime(1.5f), "clip.wav");
    clip->SetVoiceTrack(0, 1);
    act(performance, new CCAdd(clip, first, FCMidi::MidiNull()));
    ASSERT_NE(plat::dynamicDowncast<DCsqWave>(clip->GetData(0, 0)), nullptr);
    expectInStep(sequence, performance, "clip added");
    auto* move = new CCEdit;
    move->EditEvent(clip)->GetNewEvent()->SetVoiceTrack(0, 2);
    act(performance, move);
    EXPECT_EQ(clip->GetAncestor(EventId::WaveTrack, -1), second);
    expectInStep(sequence, performance, "clip moved");
    performance->Undo(1);
    EXPECT_EQ(clip->GetAncestor(EventId::WaveTrack, -1), first);
    expectInStep(sequence, performance, "clip moved back");
}

TEST_F(DataListTest, ARemovedEnvelopePointLeavesTheList)
{
    // A controller point carrying data stands in the list after a rebuild; removed from its
    // envelope and freed, it must not stay linked.
    Piece piece;
    piece.AddStaves(1);
    piece.AddBarsUpTo(8.0f);
    CSequence sequence;
    sequence.Attach(piece.Performance());
    auto* envelope = new ECControllerEnv;
    piece.Conductor()->GetTrack(1, 1, 0)->AddChild(envelope, 1);
    auto* point = new ECControlChange(7);
    MCTime two(2.0f);
    point->SetTime(&two);
    point->SetVoiceTrack(0, 1);
    envelope->AddChild(point, 1);
    point->GetData(0, 1);
    piece.AddNote(1, 1.0f, 1.0f, 60);
    sequence.CheckDataIntegrity();
    ASSERT_EQ(walk(sequence).size(), 2u);
    auto* remove = new CCRemoveEnvPoint(point);
    remove->SetSynchronous(1);
    remove->Apply(piece.Performance());
    const std::vector<DCsqBase*> list = walk(sequence);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list.front()->GetOwner()->GetEventId(), EventId::Note);
}

TEST_F(DataListTest, TempoMarksAddedOrRemovedLeaveNoClockTimesForTheDriverThreadToWorkOut)
{
    // The tempo map works its clock times out when next asked for after a change; the driver
    // thread reads the map while a piece plays, so the sequence works them out under its lock
    // once the commands are done, whatever command changed the marks.
    Piece piece;
    piece.AddStaves(1);
    piece.AddBarsUpTo(16.0f);
    ECPerformance* performance = piece.Performance();
    CSequence sequence;
    sequence.Attach(performance);
    // The states reach the sequence as a document hands them on.
    performance->AddStateHandler(
        [](ECBase*, int phase, void* state, void* to) {
            if (phase == 0 && state)
                static_cast<CSequence*>(to)->OnUpdate(static_cast<SCBase*>(state)->GetCode(), static_cast<SCBase*>(state));
            return 0;
        },
        &sequence);
    ECTempoEnv* map = piece.ConductorStaff()->GetTempoEnv();
    auto* mark = new ECTempo;
    MCTime four(4.0f);
    mark->SetTime(&four);
    mark->SetTempo(60.0f, 1.0f);
    auto* add = new CCAddEnvPoint;
    add->Add(mark, map, FCMidi::MidiNull());
    act(performance, add);
    EXPECT_FALSE(map->ClockTimesDue()) << "after adding";
    act(performance, new CCRemoveEnvPoint(mark));
    EXPECT_FALSE(map->ClockTimesDue()) << "after removing";
    ASSERT_TRUE(performance->Undo(1));
    EXPECT_FALSE(map->ClockTimesDue()) << "after undoing the removal";
    performance->RemoveStateHandlers();
}

TEST_F(DataListTest, ADurationEditPlacesTheEndOfItsSpanAgain)
{
    // A pedal held from 2 to 4, then a note at 5: lengthening the pedal to 4 quarter notes moves
    // its release to 6, past the note.
    Piece piece;
    piece.AddStaves(1);
    piece.AddBarsUpTo(8.0f);
    ECPerformance* performance = piece.Performance();
    CSequence sequence;
    sequence.Attach(performance);
    auto* envelope = new ECControllerEnv;
    piece.Conductor()->GetTrack(1, 1, 0)->AddChild(envelope, 1);
    auto* down = new ECPedal(0, MCTime(2.0f));
    auto* up = new ECPedal(0, MCTime(0.0f));
    for (auto [pedal, time] : {std::pair{down, 2.0f}, std::pair{up, 4.0f}}) {
        MCTime at(time);
        pedal->SetTime(&at);
        pedal->SetVoiceTrack(0, 1);
    }
    auto* add = new CCAddEnvPoint;
    auto* item = static_cast<CCAddEnvPtItem*>(add->Add(down, envelope, FCMidi::MidiNull()));
    MCEventList span;
    span.AddTail(down);
    span.AddTail(up);
    item->SetAnchorList(&span);
    act(performance, add);
    down->GetData(0, 1);
    up->GetData(0, 1);
    ECNote* note = piece.AddNote(1, 5.0f, 1.0f, 60);
    sequence.CheckDataIntegrity();
    ASSERT_EQ(walk(sequence).size(), 3u);

    MCTime longer(4.0f);
    act(performance, new CCEditDuration(down, &longer));
    ASSERT_FLOAT_EQ(up->GetTime()->GetSeconds(), 6.0f);
    std::vector<ECBase*> owners;
    for (DCsqBase* data : walk(sequence))
        owners.push_back(data->GetOwner());
    EXPECT_EQ(owners, (std::vector<ECBase*>{down, note, up}));
    expectInStep(sequence, performance, "pedal lengthened");
}

TEST_F(DataListTest, ADetachedOrDestroyedSequenceNoLongerFollowsTheEdits)
{
    Piece piece;
    piece.AddStaves(1);
    piece.AddBarsUpTo(8.0f);
    ECPerformance* performance = piece.Performance();
    auto sequence = std::make_unique<CSequence>();
    sequence->Attach(performance);
    auto addNote = [&](float time) {
        auto* note = new ECNote(MCTime(time), MCTime(1.0f));
        note->SetVoiceTrack(0, 1);
        act(performance, new CCAdd(note, piece.Conductor()->GetMeasure(1, MCTime(time), 0, 0), FCMidi(0x00503C90u)));
        return note;
    };
    addNote(0.0f);
    EXPECT_EQ(walk(*sequence).size(), 1u);
    sequence->Detach();
    addNote(1.0f);
    EXPECT_EQ(sequence->GetHead(), nullptr);
    sequence->Attach(performance);
    sequence->CheckDataIntegrity();
    sequence.reset();
    // The sanitizer build sees a handler left behind call into the freed sequence.
    ECNote* last = addNote(2.0f);
    EXPECT_EQ(static_cast<DCsqBase*>(last->GetData(0, 1))->GetPrev(), nullptr);
}

}  // namespace
