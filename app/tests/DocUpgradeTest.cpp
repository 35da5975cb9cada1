// The upgrade of documents stored in older format versions.

#include "app/program/CDocUpgrade.h"
#include "interface/tests/DocumentTestSupport.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/commands/CCEdit.h"
#include "notabase/commands/MCCommandList.h"
#include "notabase/model/ECBankLSB.h"
#include "notabase/model/ECBankMSB.h"
#include "notabase/model/ECChannelMode.h"
#include "notabase/model/ECChannelPressure.h"
#include "notabase/model/ECControlChange.h"
#include "notabase/model/ECDynamic.h"
#include "notabase/model/ECFlowControl.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMeterEnv.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECPatchEnv.h"
#include "notabase/model/ECPedal.h"
#include "notabase/model/ECPitchBend.h"
#include "notabase/model/ECPolyPressure.h"
#include "notabase/model/ECProgramChange.h"
#include "notabase/model/ECTempo.h"
#include "notabase/model/ECTempoEnv.h"
#include "notabase/model/ECText.h"
#include "notabase/model/ECTie.h"
#include "notabase/model/ECTranspose.h"
#include "notabase/model/EventTypes.h"
#include "notabase/model/MCLoadVersion.h"
#include "notabase/names/DisplayNames.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECConductorStaff.h"
#include "notabase/score/ECKey.h"
#include "notabase/score/ECMeasure.h"
#include "notabase/score/ECStaff.h"
#include "notabase/score/ECTuplet.h"
#include "platform/core/Archive.h"
#include "platform/core/MemoryStream.h"
#include "sequencer/data/DCsqDynamic.h"
#include "sequencer/data/DCsqMidi.h"
#include "sequencer/data/DCsqStaff.h"
#include "sequencer/data/DCsqTempo.h"
#include "sequencer/envelopes/CMidiEnvelopeMgr.h"

#include <functional>

namespace {

class DocUpgradeTest : public documenttest::DocumentTest {
protected:
    // Two staves; on staff 2 one note is put on track 5 and one on track 2046 (every track).
    void Build(MCOpusDoc& doc, int version)
    {
        FillPiece(doc, 2, 2);
        doc.GetBaseEvent()->SetVersion(version);
        std::vector<ECBase*> notes = Notes(doc, 2);
        ASSERT_EQ(notes.size(), 2u);
        notes[0]->SetVoiceTrack(3, 5);
        notes[1]->SetVoiceTrack(3, 2046);
    }

    static std::vector<ECBase*> Notes(MCOpusDoc& doc, int staff)
    {
        ACFindEvents find;
        find.AddEvtType(ECNote().GetEventId());
        find.Apply(doc.GetBaseEvent()->GetConductor()->GetTrack(1, staff, 0));
        std::vector<ECBase*> found;
        MCPosition position = find.GetEvents().GetHeadPosition();
        while (position)
            found.push_back(find.GetEvents().GetNext(position));
        return found;
    }
};

TEST_F(DocUpgradeTest, OlderVersionsPutTheElementsOfATrackOnItsNumber)
{
    struct Case {
        int version;
        int track;  // of the note first put on track 5
    };
    for (const Case c : {Case{1, 2}, Case{3, 2}, Case{4, 5}, Case{7, 5}, Case{0, 5}}) {
        MCOpusDoc doc;
        Build(doc, c.version);
        CDocUpgrade(&doc).Run();
        const std::vector<ECBase*> notes = Notes(doc, 2);
        ASSERT_EQ(notes.size(), 2u);
        EXPECT_EQ(notes[0]->GetTrack(), c.track) << "version " << c.version;
        EXPECT_EQ(notes[0]->GetVoice(), 3) << "voices stay";
        EXPECT_EQ(notes[1]->GetTrack(), 2046) << "every-track elements stay";
        for (ECBase* note : Notes(doc, 1))
            EXPECT_EQ(note->GetTrack(), 1);
        doc.OnCloseDocument();
    }
}

static std::vector<ECBase*> Found(ECBase* root, int id)
{
    ACFindEvents find;
    find.AddEvtType(id);
    find.Apply(root);
    std::vector<ECBase*> found;
    MCPosition position = find.GetEvents().GetHeadPosition();
    while (position)
        found.push_back(find.GetEvents().GetNext(position));
    return found;
}

TEST_F(DocUpgradeTest, FlowMarksTextsAndChannelModesOfVersionThreeAndOlderTakeTheirCurrentPlaces)
{
    for (const int version : {2, 3, 4}) {
        const bool upgraded = version <= 3;
        MCOpusDoc doc;
        FillPiece(doc, 1, 2);
        doc.GetBaseEvent()->SetVersion(version);
        ECConductor* conductor = doc.GetBaseEvent()->GetConductor();
        ECBase* conductorStaff = conductor->GetConductorStaff();
        ECBase* staff = conductor->GetTrack(1, 1, 0);
        auto add = [](ECBase* parent, ECBase* child, int track) {
            child->SetTime(&MCTime::TimeZero());
            child->SetVoiceTrack(2, track);
            parent->AddChild(child, 1);
            return child;
        };
        add(conductorStaff, new ECFlowControl(15), 0);
        ECBase* ending = add(conductorStaff, new ECFlowControl(ECFlowControl::typeEnding), 0);
        add(staff, new ECFlowControl(ECFlowControl::typeEnding), 1);
        ECBase* title = add(staff, new ECText(5, "Title"), 1);
        ECBase* lyric = add(staff, new ECText(1, "la"), 1);
        ECBase* mode = add(conductor->GetMeasure(1, MCTime(0.0f), 0, 0), new ECChannelMode, 1);

        CDocUpgrade(&doc).Run();
        const std::vector<ECBase*> marks = Found(doc.GetBaseEvent(), ending->GetEventId());
        if (upgraded) {
            EXPECT_EQ(marks, std::vector<ECBase*>{ending}) << "version " << version;
            EXPECT_EQ(title->GetTrack(), 0);
            EXPECT_EQ(title->GetVoice(), 2);
            EXPECT_EQ(Found(staff, mode->GetEventId()).size(), 0u);
            EXPECT_EQ(Found(conductorStaff, mode->GetEventId()), std::vector<ECBase*>{mode});
        } else {
            EXPECT_EQ(marks.size(), 3u);
            EXPECT_EQ(title->GetTrack(), 1);
            EXPECT_EQ(Found(staff, mode->GetEventId()), std::vector<ECBase*>{mode});
        }
        EXPECT_EQ(lyric->GetTrack(), 1);
        doc.OnCloseDocument();
    }
}

ECConductor* ConductorOf(MCOpusDoc& doc)
{
    return doc.GetBaseEvent()->GetConductor();
}

constexpr MIDIWORD Msg(unsigned status, unsigned data1, unsigned data2)
{
    return status | data1 << 8 | data2 << 16;
}

// An event as documents before version 3 kept it: a child of its track, playing its message.
template <class Event>
Event* OldEvent(ECBase* track, Event* event, float time, int voice, int trackNumber, MIDIWORD message)
{
    const MCTime at(time);
    event->SetTime(&at);
    event->SetVoiceTrack(voice, trackNumber);
    if (auto* data = plat::dynamicDowncast<DCsqMidi>(event->GetData(0, 1)))
        data->SetMidiData(FCMidi(message));
    track->AddChild(event, 1);
    return event;
}

// Gives the element's sequencer data the percent change of a gradual mark, read from a record
// as documents before version 3 stored it.
template <class Data>
void SetOldPercent(ECBase* element, float percent)
{
    plat::MemoryStream out;
    {
        plat::Archive archive(out, plat::Archive::Mode::store);
        archive.writeU32(0);
        archive.writeU32(0);
        archive.writeI32(0);
        archive.writeObject(nullptr);
        if constexpr (std::is_same_v<Data, DCsqDynamic>) {
            archive.writeCount(0);
            archive.writeObject(nullptr);
        }
        archive.writeFloat(percent);
        archive.flush();
    }
    Data loaded;
    plat::MemoryStream in(out.takeData());
    plat::Archive archive(in, plat::Archive::Mode::load);
    {
        MCLoadVersion version(archive, 2);
        archive.loadInto(loaded);
    }
    element->GetData(0, 1)->Copy(&loaded);
}

ECEnvelope* Envelope(ECBase* staff, int kind, int voice, int number)
{
    auto* data = plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 0));
    return data ? data->GetEnvelope(kind, 0, voice, number, -1) : nullptr;
}

bool IsChildOf(ECBase* element, ECBase* parent)
{
    MCEventList* parents = element->GetParents();
    return parents && parents->Find(parent);
}

TEST_F(DocUpgradeTest, OldTrackEventsOfVersionTwoBecomePointsOfTheirEnvelopes)
{
    struct Case {
        const char* name;
        std::function<ECEnvPoint*()> make;
        MIDIWORD message;
        int voice;
        int envelopeVoice;
        int kind;
        int number;  // the controller or key of the envelope; -1 for none
        float value;  // -1: set by the add command
    };
    const Case cases[] = {
        {"channel pressure", [] { return new ECChannelPressure; }, Msg(0xD0, 50, 0), 9, 0, 11, -1, 50.0f},
        {"controller", [] { return new ECControlChange; }, Msg(0xB3, 10, 90), 3, 3, 19, 10, 90.0f},
        {"pedal", [] { return new ECPedal; }, Msg(0xB0, 64, 127), 1, 1, 19, 64, 127.0f},
        {"pitch bend", [] { return new ECPitchBend; }, Msg(0xE0, 0x10, 0x40), 2, 2, 46, -1, 0x40 * 128 + 0x10},
        {"poly pressure", [] { return new ECPolyPressure; }, Msg(0xA0, 60, 30), 15, 0, 48, 60, 30.0f},
        {"dynamic", [] { return new ECDynamic; }, Msg(0xB0, 7, 20), 0, 0, 19, 7, float(GetDynamicValue(ECDynamic::typeMF))},
        {"transposition", [] { return new ECTranspose; }, 0, 0, -1, 63, -1, -1.0f},
    };
    for (const int version : {2, 3, 4}) {
        MCOpusDoc doc;
        FillPiece(doc, 1, 4);
        doc.GetBaseEvent()->SetVersion(version);
        ECBase* staff = ConductorOf(doc)->GetTrack(1, 1, 0);
        std::vector<ECEnvPoint*> events;
        float time = 0.0f;
        for (const Case& c : cases)
            events.push_back(OldEvent(staff, c.make(), time += 0.25f, c.voice, 1, c.message));

        CDocUpgrade(&doc).Run();
        for (size_t i = 0; i < std::size(cases); ++i) {
            const Case& c = cases[i];
            ECEnvPoint* event = events[i];
            SCOPED_TRACE(std::string(c.name) + ", version " + std::to_string(version));
            if (version > 2) {
                EXPECT_TRUE(IsChildOf(event, staff));
                EXPECT_NE(event->GetData(0, 0), nullptr);
                continue;
            }
            ECEnvelope* envelope = Envelope(staff, c.kind, c.envelopeVoice, c.number);
            ASSERT_NE(envelope, nullptr);
            EXPECT_TRUE(IsChildOf(event, envelope));
            EXPECT_FALSE(IsChildOf(event, staff));
            EXPECT_EQ(event->GetData(0, 0), nullptr) << "the old message data is gone";
            if (c.value >= 0.0f) {
                EXPECT_EQ(event->GetValue(), c.value);
            }
            if (auto* controller = plat::dynamicDowncast<ECControlChange>(event)) {
                EXPECT_EQ(controller->GetControllerNum(), c.number);
            }
            if (auto* pressure = plat::dynamicDowncast<ECPolyPressure>(event)) {
                EXPECT_EQ(pressure->GetKey(), c.number);
            }
        }
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, NoOldEventIsLostForWantOfAnEnvelope)
{
    MCOpusDoc doc;
    FillPiece(doc, 1, 4);
    doc.GetBaseEvent()->SetVersion(2);
    ECConductor* conductor = ConductorOf(doc);
    ECBase* staff = conductor->GetTrack(1, 1, 0);
    staff->RemoveData(0);
    ECEnvPoint* bend = OldEvent(staff, new ECPitchBend, 1.0f, 0, 1, Msg(0xE0, 0, 0x20));
    // An envelope holds one point a time: the second controller at a time keeps its old form.
    ECEnvPoint* pan = OldEvent(staff, new ECControlChange, 2.0f, 0, 1, Msg(0xB0, 10, 1));
    ECEnvPoint* panAgain = OldEvent(staff, new ECControlChange, 2.0f, 0, 1, Msg(0xB0, 10, 2));
    // The conductor staff has no controller envelopes: its old controller keeps playing.
    ECEnvPoint* kept = OldEvent(conductor->GetConductorStaff(), new ECControlChange, 1.0f, 0, 0, Msg(0xB0, 1, 9));

    CDocUpgrade(&doc).Run();
    ECEnvelope* envelope = Envelope(staff, 46, 0, -1);
    ASSERT_NE(envelope, nullptr) << "the staff's data and envelope are made";
    EXPECT_TRUE(IsChildOf(bend, envelope));
    EXPECT_EQ(bend->GetValue(), 0x20 * 128);
    EXPECT_TRUE(IsChildOf(pan, Envelope(staff, 19, 0, 10)));
    EXPECT_TRUE(IsChildOf(panAgain, staff));
    EXPECT_NE(panAgain->GetData(0, 0), nullptr);
    EXPECT_TRUE(IsChildOf(kept, conductor->GetConductorStaff()));
    auto* data = plat::dynamicDowncast<DCsqMidi>(kept->GetData(0, 0));
    ASSERT_NE(data, nullptr);
    EXPECT_EQ(data->GetMidiData().GetValue(), Msg(0xB0, 1, 9));
    doc.OnCloseDocument();
}

TEST_F(DocUpgradeTest, AProgramChangeTakesTheBankSelectedBeforeItOnItsOwnOrAnEarlierTrack)
{
    MCOpusDoc doc;
    FillPiece(doc, 2, 4);
    doc.GetBaseEvent()->SetVersion(2);
    ECBase* first = ConductorOf(doc)->GetTrack(1, 1, 0);
    ECBase* second = ConductorOf(doc)->GetTrack(1, 2, 0);
    OldEvent(first, new ECBankMSB, 0.0f, 0, 1, Msg(0xB0, 0, 3));
    OldEvent(first, new ECBankLSB, 0.5f, 0, 1, Msg(0xB0, 32, 5));
    ECEnvPoint* program = OldEvent(first, new ECProgramChange, 1.0f, 0, 1, Msg(0xC0, 10, 0));
    ECEnvPoint* later = OldEvent(second, new ECProgramChange, 0.0f, 0, 2, Msg(0xC0, 20, 0));

    CDocUpgrade(&doc).Run();
    EXPECT_TRUE(Found(doc.GetBaseEvent(), EventId::BankLSB).empty());
    EXPECT_TRUE(Found(doc.GetBaseEvent(), EventId::BankMSB).empty());
    EXPECT_TRUE(IsChildOf(program, Envelope(first, 42, 0, -1)));
    EXPECT_EQ(program->GetValue(), ECPatchEnv::MakePatchValue(3, 5, 10));
    EXPECT_EQ(static_cast<ECProgramChange*>(program)->GetBankLSB(), 5);
    EXPECT_TRUE(IsChildOf(later, Envelope(second, 42, 0, -1)));
    EXPECT_EQ(later->GetValue(), ECPatchEnv::MakePatchValue(3, 5, 20)) << "the bank carries over to later tracks";
    doc.OnCloseDocument();

    MCOpusDoc plain;
    FillPiece(plain, 1, 4);
    plain.GetBaseEvent()->SetVersion(1);
    ECBase* staff = ConductorOf(plain)->GetTrack(1, 1, 0);
    ECEnvPoint* alone = OldEvent(staff, new ECProgramChange, 0.0f, 12, 1, Msg(0xC0, 20, 0));
    CDocUpgrade(&plain).Run();
    EXPECT_TRUE(IsChildOf(alone, Envelope(staff, 42, 0, -1))) << "a voice without envelopes plays on the first";
    EXPECT_EQ(alone->GetValue(), 20.0f);
    plain.OnCloseDocument();
}

TEST_F(DocUpgradeTest, GradualMarksEndWhereTheirOldPercentChangeTookThem)
{
    struct Case {
        bool tempo;
        unsigned char type;
        float percent;
        float end;  // a factor of the start value
    };
    const Case cases[] = {
        {false, ECDynamic::typeCrescendo, 20.0f, 1.2f},
        {false, ECDynamic::typeCrescendo, -20.0f, 1.0f},
        {false, 14, 20.0f, 1.2f},
        {false, 10, 20.0f, 0.8f},
        {false, 10, -20.0f, 1.0f},
        {false, ECDynamic::typeDecrescendo, 20.0f, 0.8f},
        // A tempo's percent takes the sign of its kind: accel. speeds up, rall. and rit. slow down.
        {true, ECTempo::typeAccelerando, -20.0f, 1.2f},
        {true, 22, 20.0f, 0.8f},
        {true, ECTempo::typeRitardando, -20.0f, 0.8f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.tempo ? "tempo " : "dynamic ") + std::to_string(c.type) + " " + std::to_string(c.percent));
        MCOpusDoc doc;
        FillPiece(doc, 1, 8);
        doc.GetBaseEvent()->SetVersion(2);
        ECConductor* conductor = ConductorOf(doc);
        ECEnvPoint* mark = nullptr;
        ECEnvelope* envelope = nullptr;
        if (c.tempo) {
            auto* tempo = new ECTempo(c.type, MCTime(2.0f));
            tempo->SetTempo(100.0f, 1.0f);
            mark = OldEvent(conductor->GetConductorStaff(), tempo, 1.0f, 0, 0, 0);
            SetOldPercent<DCsqTempo>(mark, c.percent);
        } else {
            ECBase* staff = conductor->GetTrack(1, 1, 0);
            // The volume the hairpin starts from.
            OldEvent(staff, new ECControlChange, 0.0f, 0, 1, Msg(0xB0, 7, 100));
            mark = OldEvent(staff, new ECDynamic(c.type, MCTime(2.0f)), 1.0f, 0, 1, Msg(0xB0, 7, 64));
            SetOldPercent<DCsqDynamic>(mark, c.percent);
        }

        CDocUpgrade(&doc).Run();
        envelope = c.tempo ? static_cast<ECEnvelope*>(conductor->GetConductorStaff()->GetTempoEnv())
                           : Envelope(conductor->GetTrack(1, 1, 0), 19, 0, 7);
        ASSERT_NE(envelope, nullptr);
        ASSERT_TRUE(IsChildOf(mark, envelope));
        const float start = mark->GetValue();
        if (!c.tempo) {
            EXPECT_EQ(start, 100.0f) << "a hairpin starts from the volume before it";
        }
        ECEnvPoint* end = envelope->GetPointAt(MCTime(3.0f));
        ASSERT_NE(end, nullptr);
        EXPECT_FLOAT_EQ(end->GetValue(), start * c.end);
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, APedalReleaseSetsTheDurationOfThePointBeforeIt)
{
    MCOpusDoc doc;
    FillPiece(doc, 1, 8);
    doc.GetBaseEvent()->SetVersion(2);
    ECBase* staff = ConductorOf(doc)->GetTrack(1, 1, 0);
    ECEnvPoint* down = OldEvent(staff, new ECPedal, 1.0f, 0, 1, Msg(0xB0, 64, 127));
    ECEnvPoint* up = OldEvent(staff, new ECPedal, 3.0f, 0, 1, Msg(0xB0, 64, 0));
    ECEnvPoint* again = OldEvent(staff, new ECPedal, 4.5f, 0, 1, Msg(0xB0, 64, 0));

    CDocUpgrade(&doc).Run();
    EXPECT_EQ(down->GetDuration()->GetSeconds(), 2.0f) << "held until the release";
    EXPECT_EQ(up->GetDuration()->GetSeconds(), 0.0f) << "a release before a release lasts nothing";
    EXPECT_EQ(again->GetDuration()->GetSeconds(), 4.0f);
    doc.OnCloseDocument();
}

TEST_F(DocUpgradeTest, OldTextsTiesTemposAndMetersOfVersionTwoTakeTheirPlaces)
{
    for (const int version : {2, 3}) {
        SCOPED_TRACE(version);
        const bool converted = version == 2;
        MCOpusDoc doc;
        FillPiece(doc, 2, 8);
        doc.GetBaseEvent()->SetVersion(version);
        ECConductor* conductor = ConductorOf(doc);
        ECBase* conductorStaff = conductor->GetConductorStaff();
        ECBase* staff = conductor->GetTrack(1, 2, 0);
        auto add = [](ECBase* parent, ECBase* child, int voice, int track) {
            child->SetTime(&MCTime::TimeZero());
            child->SetVoiceTrack(voice, track);
            parent->AddChild(child, 1);
            return child;
        };
        ECBase* text = add(staff, new ECText(1, "solo"), 4, 2046);
        const plat::RefPtr<ECBase> note(add(conductorStaff, new ECText(0, "note"), 0, 0));
        ECBase* heading = add(conductorStaff, new ECText(1, "Allegro"), 0, 0);
        std::vector<ECBase*> notes = Notes(doc, 2);
        const plat::RefPtr<ECBase> broken(add(staff, new ECTie, 0, 2));
        broken->AddChild(notes[0], 1);
        ECBase* tie = add(staff, new ECTie, 0, 2);
        tie->AddChild(notes[1], 1);
        tie->AddChild(notes[2], 1);
        ECBase* meter = OldEvent(conductorStaff, new ECMeter(3, 4, 0), 5.0f, 0, 0, 0);
        ECBase* staffMeter = OldEvent(staff, new ECMeter(3, 4, 0), 5.0f, 0, 2, 0);
        ECBase* staffTempo = OldEvent(staff, new ECTempo, 2.0f, 0, 2, 0);

        CDocUpgrade(&doc).Run();
        EXPECT_EQ(text->GetTrack(), converted ? 2 : 2046);
        EXPECT_EQ(text->GetVoice(), 4);
        EXPECT_EQ(IsChildOf(note.get(), conductorStaff), !converted);
        EXPECT_TRUE(IsChildOf(heading, conductorStaff));
        EXPECT_EQ(IsChildOf(broken.get(), staff), !converted);
        EXPECT_TRUE(IsChildOf(notes[0], conductor->GetMeasure(2, MCTime(0.0f), 0, 0))) << "its note stays";
        EXPECT_TRUE(IsChildOf(tie, staff));
        EXPECT_EQ(IsChildOf(meter, conductor->GetConductorStaff()->GetMeterEnv()), converted);
        EXPECT_TRUE(IsChildOf(staffMeter, staff)) << "meters belong to the conductor staff";
        EXPECT_TRUE(IsChildOf(staffTempo, staff)) << "so do tempos";
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, TheLowerHandOfAGrandStaffGetsTheKeysItLacks)
{
    for (const int version : {2, 3}) {
        SCOPED_TRACE(version);
        MCOpusDoc doc;
        FillPiece(doc, 1, 8);
        doc.GetBaseEvent()->SetVersion(version);
        ECConductor* conductor = ConductorOf(doc);
        auto* staff = static_cast<ECStaff*>(conductor->GetTrack(1, 1, 0));
        staff->SetStaffType(1);
        auto key = [&](float time, unsigned char sharps, unsigned char hand) {
            auto* k = new ECKey(sharps, 0, 0);
            k->SetHand(hand);
            const MCTime at(time);
            k->SetTime(&at);
            k->SetVoiceTrack(0, 1);
            conductor->GetMeasure(1, at, 0, 0)->AddChild(k, 1);
            return k;
        };
        ECKey* lower = key(0.0f, 1, 1);
        key(0.0f, 2, 0);
        key(4.0f, 3, 0);

        CDocUpgrade(&doc).Run();
        EXPECT_EQ(staff->GetKeyAtTime(MCTime(0.0f), 1), lower) << "a key of its own at the time stays";
        ECKey* copied = staff->GetKeyAtTime(MCTime(4.0f), 1);
        ASSERT_NE(copied, nullptr);
        if (version == 3) {
            EXPECT_EQ(copied, lower);
            doc.OnCloseDocument();
            continue;
        }
        EXPECT_EQ(copied->GetTime()->GetSeconds(), 4.0f);
        EXPECT_EQ(copied->GetHand(), 1);
        EXPECT_EQ(copied->GetNumSharps(), 3);
        EXPECT_EQ(copied->GetTrack(), 1);
        EXPECT_TRUE(IsChildOf(copied, conductor->GetMeasure(1, MCTime(4.0f), 0, 0)));
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, PlainPatchPointsBecomeProgramChangesReadByThePatchLayout)
{
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        MCOpusDoc doc;
        FillPiece(doc, 1, 4);
        doc.GetBaseEvent()->SetVersion(version);
        ECBase* staff = ConductorOf(doc)->GetTrack(1, 1, 0);
        auto* data = plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 0));
        ASSERT_NE(data, nullptr);
        ECEnvelope* patch = data->GetEnvelope(42, DCsqStaff::envCreate, 0, -1, -1);
        ASSERT_NE(patch, nullptr);
        auto* plain = new ECEnvPoint;
        plain->SetTime(&MCTime::TimeZero());
        plain->SetVoiceTrack(2, 1);
        plain->SetValue(ECPatchEnv::MakePatchValue(2, 3, 40) + 0.5f);
        plain->SetStyle(ECEnvPoint::styleLinear);
        patch->AddChild(plain, 1);
        auto* change = new ECProgramChange;
        const MCTime later(1.0f);
        change->SetTime(&later);
        change->SetStyle(ECEnvPoint::styleLinear);
        patch->AddChild(change, 1);

        CDocUpgrade(&doc).Run();
        EXPECT_EQ(change->GetStyle(), version == 3 ? ECEnvPoint::styleStep : ECEnvPoint::styleLinear);
        ECEnvPoint* first = patch->GetPointAtIndex(0);
        ASSERT_NE(first, nullptr);
        if (version == 4) {
            EXPECT_EQ(first, plain);
            doc.OnCloseDocument();
            continue;
        }
        auto* converted = plat::dynamicDowncast<ECProgramChange>(first);
        ASSERT_NE(converted, nullptr);
        EXPECT_EQ(converted->GetValue(), ECPatchEnv::MakePatchValue(2, 3, 40));
        EXPECT_EQ(converted->GetBankMSB(), 2);
        EXPECT_EQ(converted->GetBankLSB(), 3);
        EXPECT_EQ(converted->GetStyle(), ECEnvPoint::styleStep);
        EXPECT_EQ(converted->GetTime()->GetSeconds(), 0.0f);
        EXPECT_EQ(converted->GetVoice(), 2);
        EXPECT_EQ(patch->GetPointCount(), 2);
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, EnvelopeCleanUpDropsPointsAtOneTimeEmptyEnvelopesAndThoseTheStaffLost)
{
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        const bool cleaned = version == 3;
        MCOpusDoc doc;
        FillPiece(doc, 1, 4);
        doc.GetBaseEvent()->SetVersion(version);
        ECBase* staff = ConductorOf(doc)->GetTrack(1, 1, 0);
        auto* data = plat::dynamicDowncast<DCsqStaff>(staff->GetData(0, 0));
        ASSERT_NE(data, nullptr);
        ECEnvelope* curve = data->GetEnvelope(19, DCsqStaff::envCreate, 0, 10, -1);
        const plat::RefPtr<ECBase> empty(data->GetEnvelope(19, DCsqStaff::envCreate, 0, 11, -1));
        const plat::RefPtr<ECBase> lost(data->GetEnvelope(19, DCsqStaff::envCreate, 0, 12, -1));
        lost->AddChild(new ECControlChange(12), 1);
        staff->RemoveChild(lost.get(), 0);
        // As a damaged or old document may hold them: three points at one time.
        std::vector<ECBase*> points;
        for (const float time : {0.0f, 0.0f, 0.0f, 1.0f}) {
            auto* point = new ECControlChange(10);
            const MCTime at(time);
            point->SetTime(&at);
            curve->ECWithTimeChild::AddChild(point, 0);
            points.push_back(point);
        }

        CDocUpgrade(&doc).Run();
        std::vector<ECBase*> kept(curve->GetChildren()->begin(), curve->GetChildren()->end());
        const std::vector<ECBase*> expected = cleaned ? std::vector<ECBase*>{points[0], points[3]} : points;
        EXPECT_EQ(kept, expected);
        EXPECT_EQ(IsChildOf(empty.get(), staff), !cleaned);
        std::vector<ECEnvelope*> listed = data->GetMidiEnvelopeMgr(0, 0)->GetEnvelopeList();
        EXPECT_EQ(std::count(listed.begin(), listed.end(), lost.get()), cleaned ? 0 : 1);
        if (cleaned) {
            EXPECT_EQ(lost->GetChildren()->GetCount(), 0) << "its points no longer hold it";
        } else {
            lost->RemoveChildren(1);
        }
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, TheClefsOfTheLowerHandTakeTheStaffsVoiceAndTrack)
{
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        MCOpusDoc doc;
        FillPiece(doc, 1, 12);
        doc.GetBaseEvent()->SetVersion(version);
        ECConductor* conductor = ConductorOf(doc);
        auto* staff = static_cast<ECStaff*>(conductor->GetTrack(1, 1, 0));
        staff->SetStaffType(1);
        auto clef = [&](float time, unsigned char hand) {
            auto* c = new ECClef(1);
            c->SetHand(hand);
            const MCTime at(time);
            c->SetTime(&at);
            c->SetVoiceTrack(3, 2046);
            conductor->GetMeasure(1, at, 0, 0)->AddChild(c, 1);
            return c;
        };
        ECClef* upper = clef(0.0f, 0);
        const std::vector<ECClef*> lower = {clef(0.0f, 1), clef(4.0f, 1)};

        CDocUpgrade(&doc).Run();
        for (ECClef* c : lower)
            EXPECT_EQ(c->GetVoiceTrack()->GetValue(),
                      version == 3 ? staff->GetVoiceTrack()->GetValue() : MCVoiceTrack(3, 2046).GetValue());
        EXPECT_EQ(upper->GetTrack(), 2046);
        doc.OnCloseDocument();
    }
}

int RecordEdits(ECBase*, int phase, void* commands, void* userData)
{
    if (phase != 1)
        return 1;
    for (CCBase* command : *static_cast<MCCommandList*>(commands)) {
        MCEventList events;
        if (auto* edit = plat::dynamicDowncast<CCEdit>(command); edit && edit->GetEditEvents(events))
            static_cast<std::vector<ECBase*>*>(userData)->insert(static_cast<std::vector<ECBase*>*>(userData)->end(),
                                                                  events.begin(), events.end());
    }
    return 1;
}

TEST_F(DocUpgradeTest, TupletsOfAPowerOfTwoAreEditedSoTheyLayOutAgain)
{
    for (const int version : {3, 4}) {
        SCOPED_TRACE(version);
        MCOpusDoc doc;
        FillPiece(doc, 1, 4);
        doc.GetBaseEvent()->SetVersion(version);
        ECMeasure* measure = ConductorOf(doc)->GetMeasure(1, MCTime(0.0f), 0, 0);
        auto tuplet = [&](unsigned char irregular, unsigned char normal) {
            auto* t = new ECTuplet(irregular, normal, 3);
            t->SetTime(&MCTime::TimeZero());
            measure->AddChild(t, 1);
            return t;
        };
        ECTuplet* four = tuplet(4, 2);
        ECTuplet* eight = tuplet(8, 1);
        tuplet(3, 2);
        tuplet(3, 0);
        tuplet(2, 2);
        tuplet(6, 2);
        std::vector<ECBase*> edited;
        doc.GetBaseEvent()->AddCommandHandler(RecordEdits, &edited);

        CDocUpgrade(&doc).Run();
        doc.GetBaseEvent()->RemoveCommandHandler(RecordEdits, &edited);
        const std::vector<ECBase*> expected = version == 3 ? std::vector<ECBase*>{four, eight} : std::vector<ECBase*>{};
        EXPECT_EQ(edited, expected);
        doc.OnCloseDocument();
    }
}

TEST_F(DocUpgradeTest, ADocumentWithoutAPerformanceIsLeftAlone)
{
    MCOpusDoc doc;
    CDocUpgrade(&doc).Run();
    CDocUpgrade(nullptr).Run();
    EXPECT_EQ(doc.GetBaseEvent(), nullptr);
}

}  // namespace
