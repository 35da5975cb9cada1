#include "notabase/commands/CCAddNoteModifier.h"
#include "notabase/commands/CCAddSysEx.h"
#include "notabase/commands/CCAddSysExItem.h"
#include "notabase/commands/CCAddTuplet.h"
#include "notabase/commands/CommandIds.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECAccent.h"
#include "notabase/model/ECAccidental.h"
#include "notabase/model/ECChord.h"
#include "notabase/model/ECDot.h"
#include "notabase/model/ECRest.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/ECText.h"
#include "notabase/model/ECTremolo.h"
#include "notabase/model/ECTrill.h"
#include "notabase/score/ECTuplet.h"
#include "notabase/tests/CommandPiece.h"

#include <gtest/gtest.h>

namespace {

// Counts the accents of this class alive; copies are plain accents.
class LiveAccent : public ECAccent {
public:
    LiveAccent() { ++s_alive; }
    ~LiveAccent() override { --s_alive; }
    static int s_alive;
};
int LiveAccent::s_alive = 0;

class NoteModifierSysExTupletCommandsTest : public CommandTest {
protected:
    void SetUp() override
    {
        CommandTest::SetUp();
        build(1, 8.0f);
    }
    // Undoes and redoes the last step twice, checking the stored piece against both states.
    void roundTrip(const std::vector<uint8_t>& before, const std::vector<uint8_t>& after)
    {
        for (int round = 0; round < 2; ++round) {
            ASSERT_EQ(m_performance->Undo(1), 1);
            EXPECT_EQ(firstDifference(bytes(), before), -1);
            ASSERT_EQ(m_performance->Redo(1), 1);
            EXPECT_EQ(firstDifference(bytes(), after), -1);
        }
    }
    // A tuplet at the time on staff 1, not in the piece yet.
    ECTuplet* tupletAt(float time)
    {
        auto* tuplet = new ECTuplet;
        MCTime t(time);
        tuplet->SetTime(&t);
        tuplet->SetVoiceTrack(0, 1);
        return tuplet;
    }
    template <class Element>
    Element* at(Element* element, float time)
    {
        MCTime t(time);
        element->SetTime(&t);
        element->SetVoiceTrack(0, 1);
        return element;
    }
    ECChord* chordOf(int notes, float time)
    {
        ECChord* chord = at(new ECChord, time);
        for (int n = 0; n < notes; ++n)
            chord->AddChild(at(new ECNote(MCTime(time), MCTime(0.5f)), time), 1);
        return chord;
    }
    static int countOf(ECBase* parent, int id)
    {
        int count = 0;
        for (ECBase* child : childrenOf(parent))
            count += child->GetEventId() == id ? 1 : 0;
        return count;
    }
};

}  // namespace

TEST_F(NoteModifierSysExTupletCommandsTest, AnAccentOnAChordGoesToEachOfItsNotes)
{
    ECMeasure* measure = measureAt(1, 0.0f);
    ECChord* chord = chordOf(3, 0.0f);
    measure->AddChild(chord, 1);
    const std::vector<uint8_t> before = bytes();

    // The accent given only serves as the model: a caller holding it keeps it, out of the piece.
    plat::RefPtr<ECAccent> accent(new ECAccent(4));
    const uint32_t held = accent->GetRefCount();
    plat::RefPtr<CCAddNoteModifier> add(new CCAddNoteModifier(accent.get(), chord));
    ASSERT_EQ(add->GetItems().size(), 3u);
    EXPECT_EQ(accent->GetRefCount(), held);
    act(add.get());
    for (ECBase* note : childrenOf(chord)) {
        ASSERT_EQ(countOf(note, EventId::Accent), 1);
        auto* copy = static_cast<ECAccent*>(childrenOf(note).front());
        EXPECT_NE(copy, accent.get());
        EXPECT_TRUE(*copy == *accent);
    }
    EXPECT_EQ(accent->GetParents()->GetCount(), 0);
    EXPECT_EQ(add->GetCommandId(), CommandIds::CCAddNoteModifier);
    roundTrip(before, bytes());
    ASSERT_EQ(m_performance->Undo(1), 1);
    for (ECBase* note : childrenOf(chord))
        EXPECT_EQ(countOf(note, EventId::Accent), 0);

    // An accent nobody else holds is freed once copied.
    LiveAccent::s_alive = 0;
    plat::RefPtr<CCAddNoteModifier> again(new CCAddNoteModifier(new LiveAccent, chord));
    EXPECT_EQ(again->GetItems().size(), 3u);
    EXPECT_EQ(LiveAccent::s_alive, 0);
}

TEST_F(NoteModifierSysExTupletCommandsTest, CommandListsMakeTheCommandsByClass)
{
    MCCommandList list;
    EXPECT_EQ(list.GetCommand(CommandIds::CCAddNoteModifier, &CCAddNoteModifier::classObject)->GetCommandId(),
              CommandIds::CCAddNoteModifier);
    EXPECT_EQ(list.GetCommand(CommandIds::CCAddSysEx, &CCAddSysEx::classObject)->GetCommandId(), CommandIds::CCAddSysEx);
    EXPECT_EQ(list.GetCommand(CommandIds::CCAddTuplet, &CCAddTuplet::classObject)->GetCommandId(),
              CommandIds::CCAddTuplet);
}

TEST_F(NoteModifierSysExTupletCommandsTest, WhereEachKindOfModifierGoes)
{
    ECMeasure* measure = measureAt(1, 0.0f);
    ECChord* chord = chordOf(2, 0.0f);
    measure->AddChild(chord, 1);
    ECNote* single = note(1, 2.0f);

    // A trill on a chord goes once, under the chord.
    plat::RefPtr<CCAddNoteModifier> trill(new CCAddNoteModifier(new ECTrill, chord));
    ASSERT_EQ(trill->GetItems().size(), 1u);
    EXPECT_EQ(trill->GetItems().front()->GetParent(), chord);
    // A tremolo on a note goes under the note itself.
    plat::RefPtr<ECTremolo> tremolo(new ECTremolo);
    plat::RefPtr<CCAddNoteModifier> onNote(new CCAddNoteModifier(tremolo.get(), single));
    ASSERT_EQ(onNote->GetItems().size(), 1u);
    EXPECT_EQ(onNote->GetItems().front()->GetChild(), tremolo.get());
    EXPECT_EQ(onNote->GetItems().front()->GetParent(), single);

    // A dot, or an element that is no modifier, adds nothing.
    plat::RefPtr<ECDot> dot(new ECDot);
    plat::RefPtr<ECText> text(new ECText);
    plat::RefPtr<CCAddNoteModifier> none(new CCAddNoteModifier);
    EXPECT_EQ(none->Add(dot.get(), single, FCMidi::MidiNull()), nullptr);
    EXPECT_EQ(none->Add(text.get(), single, FCMidi::MidiNull()), nullptr);
    EXPECT_TRUE(none->GetItems().empty());

    // An accent for a chord without notes gives no item.
    plat::RefPtr<ECChord> empty(new ECChord);
    plat::RefPtr<ECAccent> accent(new ECAccent);
    EXPECT_EQ(none->Add(accent.get(), empty.get(), FCMidi::MidiNull()), nullptr);
    EXPECT_TRUE(none->GetItems().empty());
}

TEST_F(NoteModifierSysExTupletCommandsTest, ASysExItemKeepsACopyOfItsMessage)
{
    const unsigned char bytes1[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    FCMidiSysEx message(bytes1, sizeof bytes1);
    ECSystemMessage* event = at(new ECSystemMessage, 1.0f);
    plat::RefPtr<CCAddSysEx> add(new CCAddSysEx(event, measureAt(1, 1.0f), message));
    message.SetGMSystemOff(0x10);
    ASSERT_EQ(add->GetItems().size(), 1u);
    auto* item = dynamic_cast<CCAddSysExItem*>(add->GetItems().front().get());
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetMessage().ConvertToString(), "f0 7e 7f 09 01 f7 ");
    EXPECT_EQ(&item->GetMidiData(), &item->GetMessage());
    EXPECT_EQ(add->GetCommandId(), CommandIds::CCAddSysEx);

    // A short message carries no bytes to copy.
    item->SetMidiData(FCMidi(0x00403C90u));
    EXPECT_EQ(item->GetMessage().GetSysExBufLength(), 0u);

    const std::vector<uint8_t> before = bytes();
    act(add.get());
    EXPECT_NE(measureAt(1, 1.0f)->GetChildren()->Find(event), nullptr);
    roundTrip(before, bytes());
}

TEST_F(NoteModifierSysExTupletCommandsTest, ATupletOfNotesIsUndoneAndRedoneExactly)
{
    ECTuplet* tuplet = tupletAt(1.0f);
    for (float time : {1.0f, 1.5f, 2.0f, 2.5f})
        tuplet->AddChild(at(new ECNote(MCTime(time), MCTime(0.5f)), time), 1);
    ECMeasure* measure = measureAt(1, 1.0f);
    const std::vector<uint8_t> before = bytes();

    plat::RefPtr<CCAddTuplet> add(new CCAddTuplet);
    add->Add(tuplet, measure, FCMidi::MidiNull());
    EXPECT_EQ(add->GetNotes().GetCount(), 4);
    act(add.get());
    ASSERT_NE(measure->GetChildren()->Find(tuplet), nullptr);
    const std::vector<uint8_t> after = bytes();

    ASSERT_EQ(m_performance->Undo(1), 1);
    EXPECT_EQ(measure->GetChildren()->Find(tuplet), nullptr);
    EXPECT_EQ(tuplet->GetChildren()->GetCount(), 0);
    EXPECT_EQ(firstDifference(bytes(), before), -1);
    // Redo puts the notes back under the tuplet before adding it.
    ASSERT_EQ(m_performance->Redo(1), 1);
    EXPECT_EQ(tuplet->GetChildren()->GetCount(), 4);
    EXPECT_EQ(firstDifference(bytes(), after), -1);
    roundTrip(before, after);
}

TEST_F(NoteModifierSysExTupletCommandsTest, ATupletWithRestsChordsAndMarksIsUndoneAndRedoneExactly)
{
    ECTuplet* tuplet = tupletAt(1.0f);
    ECNote* first = at(new ECNote(MCTime(1.0f), MCTime(0.5f)), 1.0f);
    first->AddChild(new ECAccent(2), 1);
    tuplet->AddChild(first, 1);
    tuplet->AddChild(at(new ECRest(11), 1.5f), 1);
    ECChord* chord = chordOf(2, 2.0f);
    chord->AddChild(new ECTrill, 1);
    tuplet->AddChild(chord, 1);
    ECMeasure* measure = measureAt(1, 1.0f);
    const std::vector<uint8_t> before = bytes();
    const std::string beforeText = describePiece(m_performance);

    // The constructor records the notes as Add does: its undo has them to take out.
    plat::RefPtr<CCAddTuplet> add(new CCAddTuplet(tuplet, measure, FCMidi::MidiNull()));
    EXPECT_EQ(add->GetNotes().GetCount(), 3);
    EXPECT_EQ(add->GetCommandId(), CommandIds::CCAddTuplet);
    act(add.get());
    const std::vector<uint8_t> after = bytes();
    const std::string afterText = describePiece(m_performance);

    for (int round = 0; round < 2; ++round) {
        ASSERT_EQ(m_performance->Undo(1), 1);
        EXPECT_EQ(describePiece(m_performance), beforeText);
        EXPECT_EQ(firstDifference(bytes(), before), -1);
        ASSERT_EQ(m_performance->Redo(1), 1);
        EXPECT_EQ(describePiece(m_performance), afterText);
        EXPECT_EQ(firstDifference(bytes(), after), -1);
    }
}

TEST_F(NoteModifierSysExTupletCommandsTest, ATupletWithoutNotesIsUndoneToo)
{
    ECMeasure* measure = measureAt(1, 1.0f);
    const std::vector<uint8_t> before = bytes();
    for (bool withRest : {true, false}) {
        SCOPED_TRACE(withRest ? "rests only" : "empty");
        ECTuplet* tuplet = tupletAt(1.0f);
        if (withRest) {
            tuplet->AddChild(at(new ECRest(11), 1.0f), 1);
            tuplet->AddChild(at(new ECRest(11), 1.5f), 1);
        }
        plat::RefPtr<CCAddTuplet> add(new CCAddTuplet(tuplet, measure, FCMidi::MidiNull()));
        EXPECT_EQ(add->GetNotes().GetCount(), 0);
        act(add.get());
        const std::vector<uint8_t> after = bytes();
        ASSERT_NE(measure->GetChildren()->Find(tuplet), nullptr);
        roundTrip(before, after);
        ASSERT_EQ(m_performance->Undo(1), 1);
        EXPECT_EQ(measure->GetChildren()->Find(tuplet), nullptr);
    }
}
