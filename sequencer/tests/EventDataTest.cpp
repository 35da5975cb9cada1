// The events each kind of sequencer data makes of its element, the choices of flow marks pass
// by pass, and the values the data adds to its element.

#include "sequencer/tests/PlayerTestSupport.h"

#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECLyric.h"
#include "notabase/model/ECSystemMessage.h"
#include "notabase/model/ECText.h"
#include "notabase/score/ECKey.h"
#include "platform/core/RefPtr.h"
#include "sequencer/data/DCsqChannelMode.h"
#include "sequencer/data/DCsqDynamic.h"
#include "sequencer/data/DCsqFlowControl.h"
#include "sequencer/data/DCsqKey.h"
#include "sequencer/data/DCsqLyric.h"
#include "sequencer/data/DCsqMeter.h"
#include "sequencer/data/DCsqNote.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/data/DCsqText.h"
#include "sequencer/data/DCsqWave.h"
#include "sequencer/layers/LCsqMakeNoteOff.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class EventDataTest : public PlayerFixture {
protected:
    EventDataTest() : PlayerFixture(1) {}

    // The element's sequencer data, made on first request.
    template <class Data>
    static Data* DataOf(ECBase* element)
    {
        return plat::dynamicDowncast<Data>(element->GetData(0, 1));
    }
};

TEST_F(EventDataTest, ChannelModesMakeTheirControllersOnTheBasicChannelForTheirOwnDevice)
{
    struct Case {
        int type;
        std::vector<uint32_t> messages;  // packed, status in the low byte
        uint8_t mode4Channels = 4;
    };
    const Case cases[] = {
        {0, {0x0078B2}},           {1, {0x0079B2}},           {2, {0x7F7AB2}},           {3, {0x007AB2}},
        {4, {0x007BB2}},           {5, {0x007DB2, 0x007FB2}}, {6, {0x007DB2, 0x017EB2}}, {7, {0x007CB2, 0x007FB2}},
        {8, {0x007CB2, 0x047EB2}},
        // "ALL" channels is stored as 0xFF and sent as 0, which asks for as many channels as
        // the receiver has voices: a data byte never has its top bit set.
        {8, {0x007CB2, 0x007EB2}, 0xFF},
    };
    CSequence& seq = Sequence();
    for (const Case& c : cases) {
        plat::RefPtr<ECChannelMode> mode(new ECChannelMode);
        mode->SetChannelModeType(static_cast<unsigned char>(c.type));
        const MCTime at(3.5f);
        mode->SetTime(&at);
        mode->SetVoiceTrack(0, 0);
        auto* data = DataOf<DCsqChannelMode>(mode.get());
        ASSERT_NE(data, nullptr);
        data->SetBasicChannel(2);
        data->SetMode4Channels(c.mode4Channels);
        data->SetDevice(3);
        CSeqEventList events;
        data->GetEventData(events, &seq);
        ASSERT_EQ(events.size(), c.messages.size()) << "type " << c.type;
        size_t i = 0;
        for (const auto& event : events) {
            EXPECT_EQ(event->GetDataType(), CSeqEvent::typeChannelMode);
            EXPECT_EQ(event->GetMidiData().GetValue(), c.messages[i++]) << "type " << c.type;
            EXPECT_EQ(event->GetValue(), 3u) << "the data's device, not a voice's";
            EXPECT_FLOAT_EQ(event->GetTimeStamp().GetSeconds(), 3.5f);
            EXPECT_EQ(event->GetBaseEvent(), mode.get());
        }
    }
}

TEST_F(EventDataTest, SystemMessagesPlayTheirShortMessageOrElseTheirSystemExclusiveBytes)
{
    CSequence& seq = Sequence();
    plat::RefPtr<ECSystemMessage> element(new ECSystemMessage);
    element->SetVoiceTrack(0, 0);
    auto* data = DataOf<DCsqSysMsg>(element.get());
    uint8_t bytes[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    data->SetSysExData(FCMidiSysEx(bytes, sizeof bytes));
    CSeqEventList events;
    data->GetEventData(events, &seq);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front()->GetDataType(), CSeqEvent::typeSysEx);
    EXPECT_EQ(events.front()->GetSysExData().GetSysExBufLength(), sizeof bytes);

    data->SetMidiData(FCMidi(0x00F8u));
    events.clear();
    data->GetEventData(events, &seq);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events.front()->GetDataType(), CSeqEvent::typeMidi);
    EXPECT_EQ(events.front()->GetMidiData().GetValue(), 0xF8u);
}

TEST_F(EventDataTest, KeysMetersAndTextsMakeMetaEventsOnlyWhileAFileIsWritten)
{
    CSequence& seq = Sequence();
    plat::RefPtr<ECKey> key(new ECKey(2, 0, 0));
    plat::RefPtr<ECMeter> meter(new ECMeter(3, 4, 0));
    plat::RefPtr<ECText> title(new ECText(3, "Title"));
    plat::RefPtr<ECText> marker(new ECText(5, "A"));
    plat::RefPtr<ECLyric> lyric(new ECLyric);
    std::vector<DCsqBase*> data;
    for (ECBase* element : std::vector<ECBase*>{key.get(), meter.get(), title.get(), marker.get(), lyric.get()}) {
        element->SetVoiceTrack(0, 1);
        data.push_back(DataOf<DCsqBase>(element));
        ASSERT_NE(data.back(), nullptr);
    }
    CSeqEventList events;
    for (DCsqBase* item : data)
        item->GetEventData(events, &seq);
    EXPECT_TRUE(events.empty()) << "playback has no meta events";

    seq.AddState(CSequence::stateMidiWriting);
    for (DCsqBase* item : data)
        item->GetEventData(events, &seq);
    ASSERT_EQ(events.size(), 4u) << "a lyric makes none";
    auto it = events.begin();
    for (size_t i = 0; i < 4; ++i, ++it) {
        EXPECT_EQ((*it)->GetDataType(), CSeqEvent::typeMeta);
        EXPECT_EQ((*it)->GetValue(), reinterpret_cast<uintptr_t>(data[i])) << "the meta event carries its data";
    }
    seq.ClearState(CSequence::stateMidiWriting);
}

TEST_F(EventDataTest, FlowMarksChooseWherePlaybackGoesOnPassByPass)
{
    Note(1, 0.0f, 1.0f, 60);
    CSequence& seq = Sequence();
    DCsqBase* beginning = seq.GetBeginning();
    ASSERT_NE(beginning, nullptr);
    DCsqMidi initial;
    DCsqMidi final;
    struct Step {
        DCsqBase* target;
        int jump;
        bool operator==(const Step&) const = default;
    };
    // The answers of the first passes of a mark of the type, the sequence's flow flags set first.
    auto passes = [&](int type, int count, uint32_t flags = 0, int loop = 0, int reps = 1, bool targets = true) {
        plat::RefPtr<ECFlowControl> element(new ECFlowControl(static_cast<unsigned char>(type)));
        auto* mark = DataOf<DCsqFlowControl>(element.get());
        mark->SetLoop(loop);
        mark->SetNumRepetitions(reps);
        mark->SetTargets(targets ? &initial : nullptr, targets ? &final : nullptr, &seq);
        seq.SetFlowState(flags);
        std::vector<Step> steps;
        for (int i = 0; i < count; ++i) {
            int jump = -1;
            DCsqBase* target = mark->GetNextTarget(&jump);
            steps.push_back({target, jump});
        }
        return steps;
    };
    using Steps = std::vector<Step>;
    const Step go{nullptr, 0};  // on to the mark's next data, none here
    EXPECT_EQ(passes(1, 3), (Steps{{&initial, 1}, go, go})) << "a repeat with one repetition jumps once";
    EXPECT_EQ(passes(1, 4, 0, 0, 2), (Steps{{&initial, 1}, {&initial, 1}, go, go}));
    EXPECT_EQ(passes(1, 3, 0, 1), (Steps{{&initial, 1}, {&initial, 1}, {&initial, 1}})) << "a looping repeat";
    EXPECT_EQ(passes(1, 1, 0, 0, 1, false), (Steps{{beginning, 1}})) << "without a target: to the beginning";
    EXPECT_EQ(passes(2, 3), (Steps{go, {&final, 1}, {&final, 1}}));
    EXPECT_EQ(passes(3, 2), (Steps{go, go}));
    EXPECT_EQ(passes(3, 1, 4), (Steps{{&final, 1}}));
    EXPECT_EQ(passes(4, 1, 2), (Steps{{&final, 1}}));
    EXPECT_EQ(passes(5, 1), (Steps{go})) << "no jump taken: playback goes on";
    EXPECT_EQ(passes(6, 2), (Steps{{beginning, 1}, go}));
    EXPECT_EQ(seq.GetFlowState(), 1u);
    EXPECT_EQ(passes(5, 1, 1), (Steps{go})) << "after a jump of 6, playback ends here";
    EXPECT_EQ(seq.GetFlowState(), 9u);
    EXPECT_EQ(passes(10, 2), (Steps{{&initial, 1}, go}));
    EXPECT_EQ(seq.GetFlowState(), 2u);
    EXPECT_EQ(passes(5, 1, 2).front().target, nullptr);
    EXPECT_EQ(passes(9, 2), (Steps{{beginning, 1}, go}));
    EXPECT_EQ(seq.GetFlowState(), 4u);
    EXPECT_EQ(passes(20, 2), (Steps{{beginning, 1}, go}));
    EXPECT_EQ(passes(18, 2), (Steps{{&initial, 1}, {&initial, 1}}));
    EXPECT_EQ(passes(0, 1), (Steps{go}));

    // While the loop region is on, only the loop end acts.
    seq.EnableLoopRegion(1);
    EXPECT_EQ(passes(1, 1), (Steps{go}));
    EXPECT_EQ(passes(6, 1), (Steps{go}));
    EXPECT_EQ(passes(18, 1), (Steps{{&initial, 1}}));
    seq.EnableLoopRegion(0);

    // A disabled mark, a mark without sequence and a peek change nothing.
    plat::RefPtr<ECFlowControl> element(new ECFlowControl(1));
    auto* mark = DataOf<DCsqFlowControl>(element.get());
    int jump = -1;
    EXPECT_EQ(mark->GetNextTarget(&jump), nullptr);
    EXPECT_EQ(jump, 0);
    mark->SetTargets(&initial, nullptr, &seq);
    mark->SetEnabled(0);
    EXPECT_EQ(mark->GetNextTarget(&jump), nullptr);
    EXPECT_EQ(mark->GetPassCount(), 0);
    mark->SetEnabled(1);
    seq.SetFlowState(0);
    EXPECT_EQ(mark->PeekNextTarget(&jump), &initial);
    EXPECT_EQ(mark->PeekNextTarget(&jump), &initial);
    EXPECT_EQ(mark->GetPassCount(), 0);
    EXPECT_EQ(mark->GetNextTarget(&jump), &initial);
    EXPECT_EQ(mark->GetNextTarget(&jump), nullptr);
    mark->Reset();
    EXPECT_EQ(mark->GetNextTarget(&jump), &initial) << "reset to the first pass";
}

TEST_F(EventDataTest, AFlowMarkCopyKeepsItsSettingsAndStartsAfresh)
{
    CSequence& seq = Sequence();
    DCsqMidi target;
    plat::RefPtr<ECFlowControl> element(new ECFlowControl(1));
    auto* mark = DataOf<DCsqFlowControl>(element.get());
    EXPECT_EQ(mark->IsEnabled(), 1);
    EXPECT_EQ(mark->LoopSet(), 0);
    EXPECT_EQ(mark->GetNumRepetitions(), 1);
    mark->SetLoop(1);
    mark->SetNumRepetitions(3);
    mark->SetTargets(&target, &target, &seq);
    int jump = 0;
    mark->GetNextTarget(&jump);
    const DCsqFlowControl copy(*mark);
    EXPECT_EQ(copy.LoopSet(), 1);
    EXPECT_EQ(copy.GetNumRepetitions(), 3);
    EXPECT_EQ(copy.IsEnabled(), 1);
    EXPECT_EQ(copy.GetPassCount(), 0);
    EXPECT_EQ(copy.GetInitialTarget(), nullptr);
    EXPECT_FALSE(copy == *mark);
}

TEST_F(EventDataTest, TempoPercentsFollowTheirMarksAndDynamicsTheirMultipliers)
{
    // One mark whose type changes: the percent follows it, and once 0 stays 0.
    plat::RefPtr<ECTempo> tempo(new ECTempo);
    auto* data = DataOf<DCsqTempo>(tempo.get());
    struct Case {
        int type;
        float percent;
    };
    for (const Case& c : {Case{21, 25.0f}, Case{23, -25.0f}, Case{21, 25.0f}, Case{26, -25.0f}, Case{22, -25.0f},
                          Case{1, 0.0f}, Case{21, 0.0f}}) {
        tempo->SetTempoType(static_cast<unsigned char>(c.type), MCTime(1.0f));
        ASSERT_EQ(tempo->GetTempoType(), c.type);
        EXPECT_FLOAT_EQ(data->GetPercentChange(), c.percent) << "type " << c.type;
    }
    DCsqTempo alone;
    EXPECT_FLOAT_EQ(alone.GetPercentChange(), 25.0f) << "without a mark nothing is checked";

    const float multipliers[] = {0.01f, 0.222f, 0.444f, 0.666f, 0.888f, 1.111f, 1.333f, 1.555f, 1.777f, 2.0f, 1.333f, 1.0f, 1.0f};
    for (unsigned char type = 0; type < std::size(multipliers); ++type)
        EXPECT_FLOAT_EQ(DCsqDynamic::GetMultiplierForType(type), multipliers[type]) << int(type);
    EXPECT_FLOAT_EQ(DCsqDynamic::GetMultiplierForType(255), 1.0f);
}

TEST_F(EventDataTest, DataComparesByWhatItPlays)
{
    DCsqNote a;
    DCsqNote b;
    a.SetNoteOnData(FCMidi(0x643C90u));
    a.SetNoteOffData(FCMidi(0x003C80u));
    b = a;
    EXPECT_TRUE(a == b);
    b.ChangeMidiPitch(62);
    EXPECT_EQ(b.GetNoteOnData().GetValue(), 0x643E90u);
    EXPECT_EQ(b.GetNoteOffData().GetValue(), 0x003E80u);
    EXPECT_TRUE(a != b);
    b.ChangeMidiPitch(60);
    b.SetNoteOffData(FCMidi(0x403C80u));
    EXPECT_TRUE(a != b) << "the note-off counts too";

    DCsqChannelMode m;
    m.SetBasicChannel(2);
    DCsqChannelMode n(m);
    EXPECT_TRUE(m == n);
    n.SetMode4Channels(3);
    EXPECT_TRUE(m != n);

    DCsqSysMsg s;
    EXPECT_FALSE(s == s);
    DCsqWave w;
    WG_DSParams params;
    params.pan = -5000;
    params.volume = -100;
    params.frequency = 300;
    w.SetDSParams(params);
    const DCsqWave copy(w);
    EXPECT_EQ(copy.GetDSParams().pan, -5000);
    EXPECT_EQ(copy.GetDSParams().volume, -100);
    EXPECT_EQ(copy.GetDSParams().frequency, 300);
    EXPECT_FALSE(copy == w);
}

TEST_F(EventDataTest, TheNoteOffSplitterMakesTheOffHalfOfEveryPlayingNoteWithATrack)
{
    ECNote* note = Note(1, 2.0f, 1.5f, 64);
    ASSERT_NE(note, nullptr);
    CSequence& seq = Sequence();
    CSeqEventList events;
    DataOf<DCsqNote>(note)->GetEventData(events, &seq);
    ASSERT_EQ(events.size(), 1u);
    ASSERT_NE(events.front()->GetTrack(), nullptr);
    // A copy without a track, and a muted one.
    events.push_back(std::make_unique<CSeqEvent>(*events.front()));
    events.back()->SetNoteEvent(FCMidi(0x643C90u), 0, MCTime(1.0f), note, nullptr, MCTime(2.0f), MCVoiceTrack(0, 1));
    events.push_back(std::make_unique<CSeqEvent>(*events.front()));
    events.back()->SetMuted(1);
    seq.GetPlayer().ProcessEventList(events, 0x0B);
    ASSERT_EQ(events.size(), 4u);
    auto it = events.begin();
    EXPECT_EQ((*it)->GetDataType(), CSeqEvent::typeMidi) << "the note became its note-on";
    EXPECT_EQ((*it)->GetMidiData().GetValue(), 0x644090u);
    ++it;
    EXPECT_EQ((*it)->GetDataType(), CSeqEvent::typeNote) << "a note without a track is left as it is";
    ++it;
    EXPECT_EQ((*it)->GetDataType(), CSeqEvent::typeNote) << "a muted note is not split";
    ++it;
    EXPECT_EQ((*it)->GetDataType(), CSeqEvent::typeMidi);
    EXPECT_EQ((*it)->GetMidiData().GetValue(), 0x004090u) << "note-on of velocity 0";
    EXPECT_FLOAT_EQ((*it)->GetTimeStamp().GetSeconds(), 3.5f);

    LCsqMakeNoteOff splitter;
    EXPECT_EQ(splitter.GetClassType(), FilterMakeNoteOff);
    CSeqEvent controller;
    controller.SetMidiEvent(FCMidi(0x4007B0u), nullptr, nullptr, MCTime(1.0f), MCVoiceTrack(0, 1));
    CSeqEventList made;
    splitter.ProcessEvent(&controller, made);
    EXPECT_TRUE(made.empty());
}

}  // namespace
