#include "notabase/commands/CCAdd.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/CCEditData.h"
#include "notabase/commands/CCEditDataItem.h"
#include "notabase/commands/CCEditDurItem.h"
#include "notabase/commands/CCEditDuration.h"
#include "notabase/commands/CCEditFilter.h"
#include "notabase/commands/CCEditFilterItem.h"
#include "notabase/commands/CCEditGraph.h"
#include "notabase/commands/CCEditTime.h"
#include "notabase/commands/CCEditTimeItem.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/layers/LCBase.h"
#include "notabase/model/ECBeam.h"
#include "notabase/model/ECChord.h"
#include "notabase/model/ECControllerEnv.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECGraceNote.h"
#include "notabase/model/ECText.h"
#include "notabase/plugins/CPluginData.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/tests/CommandPiece.h"

#include <gtest/gtest.h>

namespace {

// A data component whose state is one number, copied by Copy.
class NumberData : public DCBase {
    PLAT_DECLARE_SERIAL(NumberData)
public:
    DCBase* Copy(plat::Object* other) override
    {
        if (auto* data = plat::dynamicDowncast<NumberData>(other))
            number = data->number;
        return this;
    }
    int number = 0;
};
PLAT_IMPLEMENT_SERIAL(NumberData, DCBase, plat::kVersionableSchema | 1)

class EditCommandsTest : public CommandTest {
protected:
    // A text of the staff (plain text, at a time).
    ECText* textOn(int number, const std::string& words)
    {
        auto* text = new ECText;
        text->SetText(words);
        staff(number)->AddChild(text, 1);
        return text;
    }
    // A controller envelope of the staff with a crescendo from start to end as one anchor group.
    ECControllerEnv* crescendo(int number, float start, float end, ECDynamic*& first, ECDynamic*& last)
    {
        auto* envelope = new ECControllerEnv;
        staff(number)->AddChild(envelope, 1);
        first = new ECDynamic(ECDynamic::typeCrescendo, MCTime(end - start));
        last = new ECDynamic(ECDynamic::typeCrescendo, MCTime(0.0f));
        MCTime t(start);
        first->SetTime(&t);
        t = end;
        last->SetTime(&t);
        envelope->AddChild(first, 1);
        envelope->AddChild(last, 1);
        MCEventList group;
        group.AddTail(first);
        group.AddTail(last);
        envelope->AddAnchorGroup(&group);
        return envelope;
    }
};

std::string textOf(ECBase* element)
{
    return static_cast<ECText*>(element)->GetText();
}

}  // namespace

TEST_F(EditCommandsTest, EveryCommandIsMadeByNameAndReportsItsId)
{
    const struct {
        const char* name;
        int id;
    } commands[] = {
        {"CCAddClef", CommandIds::CCAddClef},       {"CCAddDynamic", CommandIds::CCAddDynamic},
        {"CCAddEnvPoint", CommandIds::CCAddEnvPoint}, {"CCAddKey", CommandIds::CCAddKey},
        {"CCAddPedal", CommandIds::CCAddPedal},     {"CCAddTranspose", CommandIds::CCAddTranspose},
        {"CCEdit", CommandIds::CCEdit},             {"CCEditData", CommandIds::CCEditData},
        {"CCEditDuration", CommandIds::CCEditDuration}, {"CCEditFilter", CommandIds::CCEditFilter},
        {"CCEditGraph", CommandIds::CCEditGraph},   {"CCEditTime", CommandIds::CCEditTime},
        {"CCRemoveClef", CommandIds::CCRemoveClef}, {"CCRemoveEnvPoint", CommandIds::CCRemoveEnvPoint},
        {"CCRemoveKey", CommandIds::CCRemoveKey},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.name);
        plat::RefPtr<CCBase> command(plat::dynamicDowncast<CCBase>(plat::RuntimeClass::createObject(c.name)));
        ASSERT_TRUE(command);
        EXPECT_EQ(command->GetCommandId(), c.id);
        EXPECT_EQ(command->CanUndo(), 1);
    }
}

TEST_F(EditCommandsTest, AnEditKeepsTheOldStateOnlyInsideAnUndoStep)
{
    build(1, 4.0f);
    ECText* text = textOn(1, "Allegro");

    // One item an element, however often it is asked for.
    auto* edit = new CCEdit;
    plat::RefPtr<CCEdit> held(edit);
    CCEditItem* item = edit->EditEvent(text);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(edit->EditEvent(text), item);
    MCEventList events;
    EXPECT_EQ(edit->GetEditEvents(events), 1);
    EXPECT_EQ(events.GetCount(), 1);
    EXPECT_EQ(textOf(item->GetNewEvent()), "Allegro") << "the new state starts as a copy";

    // Outside an undo step the change is made and nothing is kept: its undo brings nothing back.
    static_cast<ECText*>(item->GetNewEvent())->SetText("Presto");
    apply(edit);
    EXPECT_EQ(text->GetText(), "Presto");
    EXPECT_EQ(item->GetOldEvent(), nullptr);
    edit->Undo();
    EXPECT_EQ(text->GetText(), "Presto");

    // Inside one the old state is kept, and undo and redo go back and forth.
    const std::vector<uint8_t> before = bytes();
    auto* again = new CCEdit;
    static_cast<ECText*>(again->EditEvent(text)->GetNewEvent())->SetText("Lento");
    act(again);
    ASSERT_NE(again->GetEditList().front()->GetOldEvent(), nullptr);
    EXPECT_EQ(textOf(again->GetEditList().front()->GetOldEvent()), "Presto");
    const std::vector<uint8_t> after = bytes();
    ASSERT_NE(after, before);
    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(m_performance->Undo(1), 1);
        EXPECT_EQ(bytes(), before);
        ASSERT_EQ(m_performance->Redo(1), 1);
        EXPECT_EQ(bytes(), after);
    }
    EXPECT_EQ(textOf(again->GetEditList().front()->GetOldEvent()), "Presto") << "a redo keeps the first old state";
}

TEST_F(EditCommandsTest, DataComponentsAndLayersAreEditedThroughCopies)
{
    build(1, 4.0f);
    ECNote* owner = note(1, 1.0f);
    const CPluginData registration(&NumberData::classObject, 1, EventId::Note);
    CPluginData::AddPlugin(&registration);
    auto* data = static_cast<NumberData*>(owner->GetData(1, 1));
    ASSERT_NE(data, nullptr);
    data->number = 3;

    auto* edit = new CCEditData;
    EXPECT_EQ(edit->EditEvent(owner), nullptr) << "no whole elements here";
    CCEditDataItem* item = edit->EditData(data, 7);
    EXPECT_EQ(edit->EditData(data, 9), item);
    EXPECT_EQ(item->GetViewCode(), 7) << "the second call changes nothing";
    EXPECT_EQ(item->GetEvent(), owner);
    static_cast<NumberData*>(item->GetNewData())->number = 5;
    act(edit);
    EXPECT_EQ(data->number, 5);
    EXPECT_EQ(static_cast<NumberData*>(item->GetOldData())->number, 3);
    m_performance->Undo(1);
    EXPECT_EQ(data->number, 3);
    m_performance->Redo(1);
    EXPECT_EQ(data->number, 5);

    LCBase layer;
    layer.SetPriority(2);
    auto* filter = new CCEditFilter;
    CCEditFilterItem* layerItem = filter->EditFilter(&layer);
    EXPECT_EQ(filter->EditFilter(&layer), layerItem);
    EXPECT_EQ(layerItem->GetEvent(), nullptr);
    layerItem->GetNewFilter()->SetPriority(6);
    layerItem->GetNewFilter()->SetEnabled(0);
    act(filter);
    EXPECT_EQ(layer.GetPriority(), 6);
    EXPECT_EQ(layer.IsEnabled(), 0);
    m_performance->Undo(1);
    EXPECT_EQ(layer.GetPriority(), 2);
    EXPECT_EQ(layer.IsEnabled(), 1);
    m_performance->ClearUndo();
    CPluginData::RemovePlugin(&registration);
}

TEST_F(EditCommandsTest, DurationsChangeAndComeBack)
{
    build(1, 8.0f);
    ECNote* played = note(1, 1.0f, 1.0f);
    MCTime zero(0.0f);
    auto* edit = new CCEditDuration(played, &zero);
    EXPECT_EQ(edit->GetEditList().size(), 1u);
    auto* item = static_cast<CCEditDurItem*>(edit->GetEditList().front().get());
    MCTime longer(2.5f);
    EXPECT_EQ(edit->EditDuration(played, &longer), item) << "a second call does not change the duration";
    EXPECT_EQ(item->GetNewDuration().GetSeconds(), 0.0f);
    EXPECT_EQ(item->GetAnchorList(), nullptr);
    delete edit;

    const std::vector<uint8_t> before = bytes();
    auto* lengthen = new CCEditDuration(played, &longer);
    act(lengthen);
    EXPECT_EQ(played->GetDuration()->GetSeconds(), 2.5f);
    EXPECT_EQ(static_cast<CCEditDurItem*>(lengthen->GetEditList().front().get())->GetOldDuration().GetSeconds(), 1.0f);
    m_performance->Undo(1);
    EXPECT_EQ(bytes(), before);
}

TEST_F(EditCommandsTest, TheDurationOfASpanMovesItsEndPoint)
{
    build(1, 16.0f);
    ECDynamic* first = nullptr;
    ECDynamic* last = nullptr;
    ECControllerEnv* envelope = crescendo(1, 2.0f, 4.0f, first, last);
    auto* between = new ECDynamic;
    MCTime t(5.0f);
    between->SetTime(&t);
    envelope->AddChild(between, 1);
    const std::vector<uint8_t> before = bytes();

    // The end passes the point at 5: the envelope is in time order afterwards.
    MCTime longer(6.0f);
    auto* edit = new CCEditDuration(first, &longer);
    auto* item = static_cast<CCEditDurItem*>(edit->GetEditList().front().get());
    ASSERT_NE(item->GetAnchorList(), nullptr);
    EXPECT_EQ(item->GetAnchorList()->GetCount(), 2);
    act(edit);
    EXPECT_EQ(timeOf(first), 2.0f);
    EXPECT_EQ(first->GetDuration()->GetSeconds(), 6.0f);
    EXPECT_EQ(timeOf(last), 8.0f);
    EXPECT_EQ(last->GetDuration()->GetSeconds(), 0.0f);
    EXPECT_EQ(childrenOf(envelope), (std::vector<ECBase*>{first, between, last}));
    EXPECT_EQ(envelope->GetPointAt(MCTime(8.0f)), last) << "the envelope answers from the new order";

    m_performance->Undo(1);
    EXPECT_EQ(bytes(), before);
    EXPECT_EQ(envelope->GetPointAt(MCTime(4.0f)), last);
}

TEST_F(EditCommandsTest, MovingANoteInTimeFindsItsBar)
{
    build(2, 8.0f);
    ECMeasure* bar1 = measureAt(1, 0.0f);
    ECMeasure* bar2 = measureAt(1, 4.0f);
    ECNote* a = note(1, 1.0f);
    ECNote* b = note(1, 2.0f);
    ECNote* c = note(1, 3.0f);
    note(2, 1.0f);
    const std::vector<uint8_t> before = bytes();

    // Into the next bar of its own staff.
    MCTime t(5.0f);
    auto* move = new CCEditTime(a, &t);
    auto* item = static_cast<CCEditTimeItem*>(move->GetEditList().front().get());
    EXPECT_EQ(item->GetNewParent(), bar2);
    EXPECT_EQ(item->GetOldTime(), MCTime::TimeNull());
    act(move);
    EXPECT_EQ(item->GetOldTime().GetSeconds(), 1.0f);
    EXPECT_EQ(childrenOf(bar2), std::vector<ECBase*>{a});
    EXPECT_EQ(childrenOf(bar1), (std::vector<ECBase*>{b, c}));

    // Within its bar it stays there, and the bar sorts its children.
    t = 3.5f;
    auto* later = new CCEditTime(b, &t);
    EXPECT_EQ(static_cast<CCEditTimeItem*>(later->GetEditList().front().get())->GetNewParent(), nullptr);
    act(later);
    EXPECT_EQ(childrenOf(bar1), (std::vector<ECBase*>{c, b}));

    // Several at once, and undo puts every one back at its time and in its place.
    auto* both = new CCEditTime;
    t = 0.5f;
    both->EditTime(c, &t);
    t = 6.0f;
    both->EditTime(b, &t);
    act(both);
    EXPECT_EQ(childrenOf(bar1), std::vector<ECBase*>{c});
    EXPECT_EQ(childrenOf(bar2), (std::vector<ECBase*>{a, b}));
    m_performance->Undo(3);
    EXPECT_EQ(timeOf(a), 1.0f);
    EXPECT_EQ(timeOf(b), 2.0f);
    EXPECT_EQ(timeOf(c), 3.0f);
    EXPECT_EQ(bytes(), before);
}

TEST_F(EditCommandsTest, MovingANoteOutOfAChordOrATupletOrAGraceNote)
{
    build(1, 8.0f);
    ECMeasure* bar1 = measureAt(1, 0.0f);
    ECMeasure* bar2 = measureAt(1, 4.0f);
    auto* chord = new ECChord;
    MCTime t(2.0f);
    chord->SetTime(&t);
    auto* high = new ECNote(t, MCTime(1.0f));
    auto* low = new ECNote(t, MCTime(1.0f));
    chord->AddChild(high, 1);
    chord->AddChild(low, 1);
    bar1->AddChild(chord, 1);
    auto* tuplet = new ECTuplet(3, 2, ECTuplet::unitsEighth);
    t = 0.0f;
    tuplet->SetTime(&t);
    std::vector<ECNote*> members;
    for (float at : {0.0f, 1.0f / 3, 2.0f / 3}) {
        members.push_back(new ECNote(MCTime(at), MCTime(0.5f)));
        tuplet->AddChild(members.back(), 1);
    }
    bar1->AddChild(tuplet, 1);
    auto* grace = new ECGraceNote(MCTime(1.9f), MCTime(0.25f));
    low->AddChild(grace, 1);
    const std::vector<uint8_t> before = bytes();

    // A note of a chord leaves it, also within the bar.
    t = 3.0f;
    auto* out = new CCEditTime(high, &t);
    EXPECT_EQ(static_cast<CCEditTimeItem*>(out->GetEditList().front().get())->GetNewParent(), bar1);
    act(out);
    EXPECT_EQ(childrenOf(chord), std::vector<ECBase*>{low});
    EXPECT_EQ(childrenOf(bar1), (std::vector<ECBase*>{tuplet, chord, high}));

    // A note of a tuplet takes a copy of its tuplet to the new bar.
    t = 4.5f;
    auto* away = new CCEditTime(members[1], &t);
    auto* item = static_cast<CCEditTimeItem*>(away->GetEditList().front().get());
    EXPECT_EQ(item->GetOldTuplet(), tuplet);
    EXPECT_EQ(item->GetNewParent(), bar2);
    act(away);
    EXPECT_EQ(tuplet->GetChildren()->GetCount(), 2);
    ASSERT_EQ(bar2->GetChildren()->GetCount(), 1);
    auto* copy = plat::dynamicDowncast<ECTuplet>(bar2->GetChildren()->GetHead());
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, tuplet);
    EXPECT_TRUE(*copy == *tuplet);
    EXPECT_EQ(timeOf(copy), 4.5f);
    EXPECT_EQ(childrenOf(copy), std::vector<ECBase*>{members[1]});

    // A grace note only changes its time.
    t = 6.0f;
    auto* ornament = new CCEditTime(grace, &t);
    EXPECT_EQ(static_cast<CCEditTimeItem*>(ornament->GetEditList().front().get())->GetNewParent(), nullptr);
    act(ornament);
    EXPECT_EQ(timeOf(grace), 6.0f);
    EXPECT_EQ(childrenOf(low), std::vector<ECBase*>{grace});

    // Undo brings back every time, and every note to the chord or tuplet it left, in its place;
    // the tuplet's copy goes.
    const std::vector<uint8_t> after = bytes();
    m_performance->Undo(3);
    EXPECT_EQ(timeOf(grace), 1.9f);
    EXPECT_EQ(timeOf(members[1]), 1.0f / 3);
    EXPECT_EQ(timeOf(high), 2.0f);
    EXPECT_EQ(childrenOf(chord), (std::vector<ECBase*>{high, low}));
    EXPECT_EQ(childrenOf(tuplet), (std::vector<ECBase*>{members[0], members[1], members[2]}));
    EXPECT_TRUE(bar2->GetChildren()->IsEmpty());
    EXPECT_EQ(bytes(), before);
    m_performance->Redo(3);
    EXPECT_EQ(bytes(), after);
}

TEST_F(EditCommandsTest, AChordWhoseNotesAllMoveAwayComesBackWithThem)
{
    build(1, 8.0f);
    ECMeasure* bar1 = measureAt(1, 0.0f);
    ECNote* first = note(1, 1.0f);
    auto* chord = new ECChord;
    MCTime t(1.0f);
    chord->SetTime(&t);
    auto* a = new ECNote(t, MCTime(1.0f));
    auto* b = new ECNote(t, MCTime(1.0f));
    chord->AddChild(a, 1);
    chord->AddChild(b, 1);
    bar1->AddChild(chord, 1);
    ECNote* last = note(1, 1.0f);
    const std::vector<uint8_t> before = bytes();

    auto* move = new CCEditTime;
    MCTime later(5.0f);
    move->EditTime(a, &later);
    move->EditTime(b, &later);
    move->EditTime(first, &later);
    act(move);
    EXPECT_TRUE(chord->GetParents()->IsEmpty()) << "the emptied chord went";
    EXPECT_EQ(childrenOf(bar1), std::vector<ECBase*>{last});
    const std::vector<uint8_t> after = bytes();
    for (int round = 0; round < 2; ++round) {
        m_performance->Undo(1);
        EXPECT_EQ(childrenOf(bar1), (std::vector<ECBase*>{first, chord, last})) << "each in its place among equal times";
        EXPECT_EQ(bytes(), before);
        m_performance->Redo(1);
        EXPECT_EQ(bytes(), after);
    }
}

TEST_F(EditCommandsTest, MovingAnEndOfASpanKeepsTheOtherEnd)
{
    build(1, 16.0f);
    ECDynamic* first = nullptr;
    ECDynamic* last = nullptr;
    ECControllerEnv* envelope = crescendo(1, 2.0f, 6.0f, first, last);
    const std::vector<uint8_t> before = bytes();

    MCTime t(3.0f);
    act(new CCEditTime(first, &t));
    EXPECT_EQ(timeOf(first), 3.0f);
    EXPECT_EQ(first->GetDuration()->GetSeconds(), 3.0f);
    EXPECT_EQ(timeOf(last), 6.0f);

    t = 8.0f;
    act(new CCEditTime(last, &t));
    EXPECT_EQ(timeOf(first), 3.0f);
    EXPECT_EQ(first->GetDuration()->GetSeconds(), 5.0f);
    EXPECT_EQ(timeOf(last), 8.0f);

    // The start moved past a point of the envelope: the envelope sorts itself.
    auto* other = new ECDynamic;
    t = 9.0f;
    other->SetTime(&t);
    envelope->AddChild(other, 1);
    t = 10.0f;
    act(new CCEditTime(first, &t));
    EXPECT_EQ(childrenOf(envelope), (std::vector<ECBase*>{last, other, first}));
    m_performance->Undo(1);
    envelope->RemoveChild(other, 0);
    m_performance->Undo(2);
    EXPECT_EQ(bytes(), before);
}

TEST_F(EditCommandsTest, BarsAMoveNeedsPastTheEndAreMadeByTheCommandAndGoWithItsUndo)
{
    build(2, 4.0f);
    ECNote* moved = note(1, 1.0f);
    ASSERT_EQ(m_conductor->GetMaxMeasureNumber(), 1);
    const std::vector<uint8_t> before = bytes();

    // Making the command changes nothing yet.
    MCTime t(9.0f);
    auto* move = new CCEditTime(moved, &t);
    auto* item = static_cast<CCEditTimeItem*>(move->GetEditList().front().get());
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 1);
    EXPECT_EQ(item->GetMissingBarTrack(), 1);
    EXPECT_EQ(bytes(), before);

    act(move);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 3);
    EXPECT_EQ(move->GetAppendedBarIndex(), 1);
    EXPECT_EQ(move->GetAppendedBarCount(), 2);
    EXPECT_EQ(childrenOf(measureAt(1, 8.0f)), std::vector<ECBase*>{moved});
    const std::vector<uint8_t> after = bytes();

    for (int round = 0; round < 2; ++round) {
        m_performance->Undo(1);
        EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 1);
        EXPECT_EQ(bytes(), before);
        m_performance->Redo(1);
        EXPECT_EQ(bytes(), after);
    }

    // A later step that fills an appended bar finds that same bar after undo and redo.
    ECMeasure* appended = measureAt(2, 4.0f);
    auto* later = new ECNote(MCTime(5.0f), MCTime(1.0f));
    act(new CCAdd(later, appended, FCMidi::MidiNull()));
    const std::vector<uint8_t> filled = bytes();
    m_performance->Undo(2);
    EXPECT_EQ(bytes(), before);
    m_performance->Redo(2);
    EXPECT_EQ(measureAt(2, 4.0f), appended);
    EXPECT_EQ(bytes(), filled);
    m_performance->Undo(1);

    // A bar that holds something by the time of the undo stays, and so do the bars before it.
    note(2, 5.0f);
    m_performance->Undo(1);
    EXPECT_EQ(m_conductor->GetMaxMeasureNumber(), 2) << "the last bar went, the one holding a note stayed";
    EXPECT_EQ(timeOf(moved), 1.0f);
}

TEST_F(EditCommandsTest, AGraphEditCutsThenLinksAndUndoesTheOtherWayRound)
{
    build(1, 4.0f);
    ECMeasure* bar = measureAt(1, 0.0f);
    ECNote* a = note(1, 1.0f);
    ECNote* b = note(1, 2.0f);
    auto* grace = new ECGraceNote(MCTime(0.9f), MCTime(0.25f));
    a->AddChild(grace, 1);
    const std::vector<uint8_t> before = bytes();

    // Beam the two notes: each keeps its measure and gains the beam, which takes its place in the
    // measure of its track.
    auto* beam = new ECBeam;
    MCTime t(1.0f);
    beam->SetTime(&t);
    beam->SetVoiceTrack(0, 1);
    auto* edit = new CCEditGraph;
    for (ECNote* n : {a, b}) {
        edit->GetGraphItems(1).push_back(std::make_unique<CCEditGraphItem>(n));
        MCEventList parents;
        parents.AddTail(bar);
        parents.AddTail(beam);
        MCEventList children;
        if (n->GetChildren())
            children.AddTail(*n->GetChildren());
        edit->GetGraphItems(0).push_back(std::make_unique<CCEditGraphItem>(n, parents, children));
    }
    edit->GetGraphItems(0).push_back(std::make_unique<CCEditGraphItem>(beam, MCEventList(), MCEventList()));
    EXPECT_EQ(edit->GetGraphItems(1).front()->GetParents().GetHead(), bar) << "a snapshot of the links";
    act(edit);
    EXPECT_EQ(childrenOf(beam), (std::vector<ECBase*>{a, b}));
    EXPECT_EQ(childrenOf(bar), (std::vector<ECBase*>{a, beam, b}));
    EXPECT_EQ(a->GetParents()->GetCount(), 2) << "no second link to the measure";
    EXPECT_EQ(childrenOf(a), std::vector<ECBase*>{grace});
    const std::vector<uint8_t> after = bytes();

    m_performance->Undo(1);
    EXPECT_EQ(bytes(), before);
    EXPECT_TRUE(beam->GetParents()->IsEmpty());
    m_performance->Redo(1);
    EXPECT_EQ(bytes(), after);

    // Once undone and dropped, the command leaves alone what is back in the piece.
    m_performance->Undo(1);
    m_performance->ClearUndo();
    MCCommandMgr::OnIdle();
    EXPECT_EQ(childrenOf(a), std::vector<ECBase*>{grace});
    EXPECT_EQ(bytes(), before);
}
