#include "DocumentTestSupport.h"

#include "interface/document/ACTranspose.h"
#include "interface/document/CCTranspose.h"
#include "notabase/commands/MCCommandMgr.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "sequencer/data/DCsqMidi.h"

namespace {

using namespace documenttest;

TEST(DocumentTransposeKeyTest, KeysMoveRoundTheCircleOfFifths)
{
    struct Case {
        const char* name;
        int sharps, flats, quality, quantity, amount;
        int expectSharps, expectFlats;
    };
    const std::vector<Case> cases = {
        {"2 sharps up a major second", 2, 0, 0, 1, 2, 4, 0},
        {"1 flat up a major second", 0, 1, 0, 1, 2, 1, 0},
        {"6 sharps up a fifth", 6, 0, 0, 4, 7, 7, 0},
        {"6 sharps up a major second: 8 sharps written as 4 flats", 6, 0, 0, 1, 2, 0, 4},
        {"C down a major second", 0, 0, 0, 1, -2, 0, 2},
        {"a fourth is one step down", 1, 0, 0, 3, 5, 0, 0},
        {"quality 2 takes seven steps off", 0, 0, 2, 1, 1, 0, 5},
        {"7 sharps up an augmented fifth: 15 is 3 sharps, not 9 flats", 7, 0, 3, 4, 8, 3, 0},
        {"7 flats down an augmented fifth", 0, 7, 3, 4, -8, 0, 3},
        {"a unison changes nothing", 3, 0, 0, 0, 0, 3, 0},
        {"quantities count modulo 7", 2, 0, 0, 8, 14, 4, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int sharps = c.sharps, flats = c.flats;
        CCTranspose::TransposeKey(sharps, flats, CCTranspose::KeySteps(c.quality, c.quantity, c.amount));
        EXPECT_EQ(sharps, c.expectSharps);
        EXPECT_EQ(flats, c.expectFlats);
        EXPECT_LE(sharps, 7);
        EXPECT_LE(flats, 7);
    }
}

class DocumentTransposeTest : public DocumentTest {
protected:
    void SetUp() override
    {
        DocumentTest::SetUp();
        FillPiece(m_doc, 1, 4);
        ECConductor* conductor = m_doc.GetBaseEvent()->GetConductor();
        m_measure = conductor->GetMeasure(1, MCTime(0.0f), 0, 0);
        ASSERT_NE(m_measure, nullptr);
        for (ECBase* e : *m_measure->GetChildren())
            if (e->GetEventId() == EventId::Note)
                m_notes.push_back(e);
        ASSERT_GE(m_notes.size(), 3u);
    }
    static DCsqMidi* Data(ECBase* e) { return plat::dynamicDowncast<DCsqMidi>(e->GetData(0, 0)); }
    static int Key(ECBase* e) { return Data(e)->GetMidiData().GetDataByte1(); }
    static void SetKey(ECBase* e, int key) { plat::dynamicDowncast<DCsqNote>(Data(e))->ChangeMidiPitch(key); }
    ECBase* AddMidi(ECBase* element, MIDIWORD message)
    {
        element->SetVoiceTrack(0, 1);
        m_measure->AddChild(element, 1);
        if (DCsqMidi* data = Data(element) ? Data(element) : plat::dynamicDowncast<DCsqMidi>(element->GetData(0, 1)))
            data->SetMidiData(FCMidi(message));
        return element;
    }
    ECKey* AddKey(int sharps, int flats)
    {
        auto* key = new ECKey(static_cast<unsigned char>(sharps), static_cast<unsigned char>(flats), 0);
        const MCTime start(0.0f);
        key->SetTime(&start);
        m_measure->AddChild(key, 1);
        return key;
    }
    // Transposes the elements inside an undo bracket.
    void Transpose(std::vector<ECBase*> elements, int amount, int quality, int quantity, int changeKey)
    {
        auto* command = new CCTranspose;
        for (ECBase* e : elements)
            command->TransposeEvent(e);
        command->SetTransposeAmount(amount);
        command->SetTransposeInterval(quality, quantity);
        command->SetChangeKey(changeKey);
        command->SetSynchronous(1);
        MCCommandMgr::BeginUndo(m_doc.GetBaseEvent(), "Transpose");
        command->Apply(m_doc.GetBaseEvent());
        MCCommandMgr::EndUndo(m_doc.GetBaseEvent());
    }

    MCOpusDoc m_doc;
    ECMeasure* m_measure = nullptr;
    std::vector<ECBase*> m_notes;
};

TEST_F(DocumentTransposeTest, PitchesMoveWithinTheirRangeAndUndoGivesBackEveryValue)
{
    SetKey(m_notes[0], 120);
    SetKey(m_notes[1], 5);
    SetKey(m_notes[2], 60);
    ECBase* pressure = AddMidi(new ECPolyPressure(64), 0xA0u | 64u << 8 | 30u << 16);
    ECBase* portamento = AddMidi(new ECControlChange(84), 0xB0u | 84u << 8 | 60u << 16);
    ECBase* volume = AddMidi(new ECControlChange(7), 0xB0u | 7u << 8 | 60u << 16);
    ASSERT_NE(Data(pressure), nullptr);
    ASSERT_NE(Data(portamento), nullptr);

    struct Step {
        int amount;
        int expect[3];
        int pressureKey, portamentoSource;
    };
    for (const Step& step : {Step{12, {127, 17, 72}, 76, 72}, Step{-12, {108, 0, 48}, 52, 48}}) {
        SCOPED_TRACE(step.amount);
        // The measure itself is listed: its notes and controls are walked into.
        Transpose({m_measure}, step.amount, 0, 0, 0);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(Key(m_notes[i]), step.expect[i]);
        EXPECT_EQ(Data(pressure)->GetMidiData().GetDataByte1(), step.pressureKey);
        EXPECT_EQ(Data(portamento)->GetMidiData().GetDataByte2(), step.portamentoSource);
        EXPECT_EQ(Data(volume)->GetMidiData().GetDataByte2(), 60);
        // Undo puts back what was there, also where the range cut the interval short.
        m_doc.OnEditUndo();
        EXPECT_EQ(Key(m_notes[0]), 120);
        EXPECT_EQ(Key(m_notes[1]), 5);
        EXPECT_EQ(Key(m_notes[2]), 60);
        EXPECT_EQ(Data(pressure)->GetMidiData().GetDataByte1(), 64);
        EXPECT_EQ(Data(portamento)->GetMidiData().GetDataByte2(), 60);
        // Redo does it again, and its undo again restores.
        m_doc.OnEditRedo();
        EXPECT_EQ(Key(m_notes[0]), step.expect[0]);
        m_doc.OnEditUndo();
        EXPECT_EQ(Key(m_notes[0]), 120);
        auto* noteOff = &plat::dynamicDowncast<DCsqNote>(Data(m_notes[1]))->GetNoteOffData();
        EXPECT_EQ(noteOff->GetDataByte1(), 5);
    }
}

TEST_F(DocumentTransposeTest, KeysOfListedStavesMoveAndComeBackExactly)
{
    ECKey* key = AddKey(6, 0);
    ECBase* staff = m_doc.GetBaseEvent()->GetConductor()->GetTrack(ECConductor::staffTrack, 1, 0);
    ASSERT_NE(staff, nullptr);
    SetKey(m_notes[0], 60);
    // Up a major second: 6 sharps become 8, written as 4 flats.
    Transpose({staff}, 2, 0, 1, 1);
    EXPECT_EQ(key->GetNumSharps(), 0);
    EXPECT_EQ(key->GetNumFlats(), 4);
    EXPECT_EQ(Key(m_notes[0]), 62) << "the staff's notes move too";
    m_doc.OnEditUndo();
    EXPECT_EQ(key->GetNumSharps(), 6);
    EXPECT_EQ(key->GetNumFlats(), 0);
    EXPECT_EQ(Key(m_notes[0]), 60);
    // Without the key switch the key stays.
    Transpose({staff}, 2, 0, 1, 0);
    EXPECT_EQ(key->GetNumSharps(), 6);
    EXPECT_EQ(Key(m_notes[0]), 62);
}

TEST_F(DocumentTransposeTest, AnEmptyListChangesNothingAndItsUndoDoesNothing)
{
    SetKey(m_notes[0], 60);
    Transpose({}, 5, 0, 0, 0);
    EXPECT_EQ(Key(m_notes[0]), 60);
    m_doc.OnEditUndo();
    EXPECT_EQ(Key(m_notes[0]), 60);
    EXPECT_EQ(CCTranspose().GetCommandId(), 0x9600);
    EXPECT_EQ(CCTranspose().GetTransposeAmount(), 12);
    EXPECT_EQ(ACTranspose().GetTransposeAmount(), 12);
}

}  // namespace
