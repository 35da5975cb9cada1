#include "sequencer/tests/SequencerTestSupport.h"

#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACPostSerialize.h"
#include "notabase/model/ECGraceNote.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"
#include "sequencer/data/DCsqAccent.h"
#include "sequencer/data/DCsqBankLSB.h"
#include "sequencer/data/DCsqBankMSB.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqConductorStaff.h"
#include "sequencer/data/DCsqDynamic.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/data/DCsqKey.h"
#include "sequencer/data/DCsqLyric.h"
#include "sequencer/data/DCsqMeter.h"
#include "sequencer/data/DCsqMidi.h"
#include "sequencer/data/DCsqProgram.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/data/DCsqText.h"
#include "sequencer/data/DCsqTranspose.h"
#include "sequencer/data/DCsqWave.h"
#include "sequencer/data/DCsqWaveTrack.h"
#include "sequencer/transport/CSequence.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

namespace {

class DataFrameworkTest : public ::testing::Test {
protected:
    SequencerEnvironment m_environment;
};

TEST_F(DataFrameworkTest, InitSequencerRegistersOneDataClassPerPlayableElementType)
{
    EXPECT_EQ(m_environment.Registered(), 25);
    const std::map<int, const plat::RuntimeClass*> expected = {
        {EventId::Accent, &DCsqAccent::classObject},
        {EventId::BankLSB, &DCsqBankLSB::classObject},
        {EventId::BankMSB, &DCsqBankMSB::classObject},
        {EventId::ChannelMode, &DCsqChannelMode::classObject},
        {EventId::ChannelPressure, &DCsqMidi::classObject},
        {EventId::ConductorStaff, &DCsqConductorStaff::classObject},
        {EventId::ControlChange, &DCsqMidi::classObject},
        {EventId::Dynamic, &DCsqDynamic::classObject},
        {EventId::FlowControl, &DCsqFlowControl::classObject},
        {EventId::GraceNote, &DCsqNote::classObject},
        {EventId::Key, &DCsqKey::classObject},
        {EventId::Lyric, &DCsqLyric::classObject},
        {EventId::Meter, &DCsqMeter::classObject},
        {EventId::Note, &DCsqNote::classObject},
        {EventId::Pedal, &DCsqMidi::classObject},
        {EventId::PitchBend, &DCsqMidi::classObject},
        {EventId::PolyPressure, &DCsqMidi::classObject},
        {EventId::ProgramChange, &DCsqProgram::classObject},
        {EventId::Staff, &DCsqStaff::classObject},
        {EventId::SystemMessage, &DCsqSysMsg::classObject},
        {EventId::Tempo, &DCsqTempo::classObject},
        {EventId::Text, &DCsqText::classObject},
        {EventId::Transpose, &DCsqTranspose::classObject},
        {EventId::Wave, &DCsqWave::classObject},
        {EventId::WaveTrack, &DCsqWaveTrack::classObject},
    };
    for (int id = 0; id < EventId::Count; ++id) {
        const auto it = expected.find(id);
        EXPECT_EQ(CPluginData::GetDataClass(0, id), it == expected.end() ? nullptr : it->second) << "element id " << id;
    }
    // A note and a grace note both get note data from their element.
    ECNote note;
    ECGraceNote grace;
    for (ECBase* element : {static_cast<ECBase*>(&note), static_cast<ECBase*>(&grace)}) {
        auto* data = plat::dynamicDowncast<DCsqNote>(element->GetData(0, 1));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->GetOwner(), element);
    }
}

TEST_F(DataFrameworkTest, EachClassKnowsItsTypeAndItsPlaceInTheTree)
{
    struct Row {
        const plat::RuntimeClass* cls;
        const plat::RuntimeClass* base;
        int classType;
        int trackType;  // -2: not a track class
    };
    const std::vector<Row> rows = {
        {&DCsqBase::classObject, &DCBase::classObject, 0, -2},
        {&DCsqFilter::classObject, &DCsqBase::classObject, 7, -2},
        {&DCsqAccent::classObject, &DCsqFilter::classObject, 1, -2},
        {&DCsqDynamic::classObject, &DCsqFilter::classObject, 5, -2},
        {&DCsqTranspose::classObject, &DCsqFilter::classObject, 18, -2},
        {&DCsqTrack::classObject, &DCsqFilter::classObject, 19, -1},
        {&DCsqStaff::classObject, &DCsqTrack::classObject, 14, 1},
        {&DCsqConductorStaff::classObject, &DCsqStaff::classObject, 4, 0},
        {&DCsqWaveTrack::classObject, &DCsqTrack::classObject, 21, 2},
        {&DCsqMidi::classObject, &DCsqBase::classObject, 11, -2},
        {&DCsqBankLSB::classObject, &DCsqMidi::classObject, 2, -2},
        {&DCsqBankMSB::classObject, &DCsqMidi::classObject, 3, -2},
        {&DCsqChannelMode::classObject, &DCsqMidi::classObject, 22, -2},
        {&DCsqNote::classObject, &DCsqMidi::classObject, 12, -2},
        {&DCsqProgram::classObject, &DCsqMidi::classObject, 13, -2},
        {&DCsqSysMsg::classObject, &DCsqMidi::classObject, 15, -2},
        {&DCsqFlowControl::classObject, &DCsqBase::classObject, 6, -2},
        {&DCsqKey::classObject, &DCsqBase::classObject, 8, -2},
        {&DCsqMeter::classObject, &DCsqBase::classObject, 10, -2},
        {&DCsqTempo::classObject, &DCsqBase::classObject, 16, -2},
        {&DCsqText::classObject, &DCsqBase::classObject, 17, -2},
        {&DCsqLyric::classObject, &DCsqText::classObject, 9, -2},
        {&DCsqWave::classObject, &DCsqBase::classObject, 20, -2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.cls->name);
        EXPECT_EQ(row.cls->base, row.base);
        EXPECT_EQ(row.cls->schema, plat::kVersionableSchema | 2);
        std::unique_ptr<plat::Object> object(row.cls->createObject());
        auto* data = plat::dynamicDowncast<DCsqBase>(object.get());
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->GetClassType(), row.classType);
        const auto* track = plat::dynamicDowncast<DCsqTrack>(data);
        EXPECT_EQ(track ? track->GetTrackType() : -2, row.trackType);
        EXPECT_EQ(data->GetFilter(), nullptr);
    }
}

TEST_F(DataFrameworkTest, DataMakesTheEventsOfItsElementOnItsTrack)
{
    Piece piece;
    piece.AddStaves(2);
    piece.AddBarsUpTo(8.0f);
    CSequence sequence;
    sequence.Attach(piece.Performance());
    auto* staffData = plat::dynamicDowncast<DCsqTrack>(piece.Conductor()->GetTrack(1, 2, 0)->GetData(0, 1));
    auto* conductorData = plat::dynamicDowncast<DCsqTrack>(piece.Conductor()->GetTrack(0, 0, 0)->GetData(0, 1));
    ASSERT_NE(staffData, nullptr);
    ASSERT_NE(conductorData, nullptr);

    ECNote* note = piece.AddNote(2, 2.0f, 1.5f, 64, 3);
    note->SetVoiceTrack(1, 2);
    CSeqEventList events;
    auto* noteData = plat::dynamicDowncast<DCsqNote>(note->GetData(0, 0));
    noteData->SetNoteOffData(FCMidi(0x00284083u));  // note off, velocity 40
    noteData->GetEventData(events, &sequence);
    ASSERT_EQ(events.size(), 1u);
    CSeqEvent& played = *events.front();
    EXPECT_EQ(played.GetDataType(), CSeqEvent::typeNote);
    EXPECT_EQ(played.GetTimeStamp(), MCTime(2.0f));
    EXPECT_EQ(played.GetDuration(), MCTime(1.5f));
    EXPECT_EQ(played.GetValue(), 40u) << "the off velocity";
    EXPECT_EQ(played.GetMidiData().GetValue(), 0x00644093u);
    EXPECT_EQ(played.GetBaseEvent(), note);
    EXPECT_EQ(played.GetTrack(), staffData);
    EXPECT_EQ(played.GetVoiceTrack(), MCVoiceTrack(1, 2));

    // Plain MIDI data plays its message; an element whose word carries no track plays without
    // track data.
    DCsqMidi midi;
    midi.SetOwner(note);
    midi.SetMidiData(FCMidi(0x000A07B3u));
    midi.GetEventData(events, &sequence);
    MCVoiceTrack converted;
    converted.SetDevice(1);
    note->SetVoiceTrack(&converted);
    midi.GetEventData(events, &sequence);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(std::next(events.begin())->get()->GetDataType(), CSeqEvent::typeMidi);
    EXPECT_EQ(std::next(events.begin())->get()->GetTrack(), staffData);
    EXPECT_EQ(events.back()->GetTrack(), nullptr);
    EXPECT_EQ(events.back()->GetMidiData().GetValue(), 0x000A07B3u);

    // A system message plays on the conductor's tracks: its short message when it has one,
    // else its system-exclusive bytes.
    const unsigned char reset[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    DCsqSysMsg system;
    ECNote holder(MCTime(-1.0f), MCTime(0.0f));
    holder.SetVoiceTrack(0, 0);
    system.SetOwner(&holder);
    system.SetSysExData(FCMidiSysEx(reset, sizeof reset));
    CSeqEventList systemEvents;
    system.GetEventData(systemEvents, &sequence);
    system.SetMidiData(FCMidi(0x000000FEu));
    system.GetEventData(systemEvents, &sequence);
    ASSERT_EQ(systemEvents.size(), 2u);
    EXPECT_EQ(systemEvents.front()->GetDataType(), CSeqEvent::typeSysEx);
    EXPECT_EQ(systemEvents.front()->GetSysExData().GetSysExBufLength(), sizeof reset);
    EXPECT_EQ(systemEvents.front()->GetTrack(), conductorData);
    EXPECT_EQ(systemEvents.back()->GetDataType(), CSeqEvent::typeMidi);

    // Data without an element makes nothing.
    DCsqNote orphan;
    orphan.GetEventData(events, &sequence);
    EXPECT_EQ(events.size(), 3u);
}

std::vector<int> keysFromHead(DCsqBase* head)
{
    std::vector<int> keys;
    for (DCsqBase* data = head; data && keys.size() < 1000; data = data->GetNext())
        keys.push_back(static_cast<DCsqMidi*>(data)->GetMidiData().GetDataByte1());
    return keys;
}

TEST_F(DataFrameworkTest, AStoredPieceKeepsTheOrderOfItsDataList)
{
    Piece piece;
    piece.AddStaves(2);
    piece.AddBarsUpTo(8.0f);
    const float times[] = {3.0f, 0.0f, 1.5f, 1.5f, 7.0f, 0.5f, 3.0f};
    int key = 40;
    for (const float time : times) {
        piece.AddNote(key % 2 + 1, time, 0.5f, key);
        ++key;
    }
    CSequence sequence;
    sequence.Attach(piece.Performance());
    sequence.CheckDataIntegrity();
    const std::vector<int> stored = keysFromHead(sequence.GetHead());
    // In time order, equal times in the order the rebuild found them (staff by staff).
    ASSERT_EQ(stored, (std::vector<int>{41, 45, 42, 43, 40, 46, 44}));

    plat::MemoryStream out;
    {
        plat::Archive archive(out, plat::Archive::Mode::store);
        archive.mapObject(piece.Performance());
        piece.Performance()->Serialize(archive);
        ACPostSerialize second(archive);
        second.Apply(piece.Performance());
        archive.flush();
    }

    auto* loaded = new ECPerformance;
    loaded->Ref();
    loaded->SetVersion(3);
    ECPerformance* active = ECPerformance::SetActivePerformance(loaded);
    {
        plat::MemoryStream in(out.takeData());
        plat::Archive archive(in, plat::Archive::Mode::load);
        archive.mapObject(loaded);
        loaded->Serialize(archive);
        ACPostSerialize second(archive);
        second.Apply(loaded);
    }
    ECPerformance::SetActivePerformance(active);

    ACFindEvents find;
    find.AddEvtType(EventId::Note);
    find.Apply(loaded);
    DCsqBase* head = nullptr;
    int heads = 0;
    for (ECBase* element : find.GetEvents()) {
        auto* data = plat::dynamicDowncast<DCsqNote>(element->GetData(0, 0));
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(data->GetOwner(), element);
        if (!data->GetPrev()) {
            head = data;
            ++heads;
        }
    }
    EXPECT_EQ(heads, 1);
    EXPECT_EQ(keysFromHead(head), stored);

    loaded->RemoveChildren(1);
    loaded->Unref(1);
}

}  // namespace
