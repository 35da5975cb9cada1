#include "notabase/actions/ACCount.h"
#include "notabase/actions/ACDeltaTime.h"
#include "notabase/actions/ACFindData.h"
#include "notabase/actions/ACFindEvents.h"
#include "notabase/actions/ACFindFirstEvent.h"
#include "notabase/actions/ACFindObjects.h"
#include "notabase/actions/ACFindTime.h"
#include "notabase/actions/ACFindVoiceTrack.h"
#include "notabase/actions/ACGetVoiceTrack.h"
#include "notabase/actions/ACPostSerialize.h"
#include "notabase/actions/ACSetVoiceTrack.h"
#include "notabase/actions/ACSortChildren.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class TEClef : public ECWithTime {
public:
    explicit TEClef(float time) { MCTime t(time); SetTime(&t); }
    int GetEventId() const override { return EventId::Clef; }
};

// A note that carries marks: it has children and a voice/track word.
class TEChordNote : public ECWithTimeChild {
public:
    int GetEventId() const override { return EventId::Note; }
};

// A mark without a voice/track word of its own.
class TEAccent : public ECBase {
public:
    int GetEventId() const override { return EventId::Accent; }
};

int s_postSerialized = 0;

class TEPostNote : public TENote {
public:
    using TENote::TENote;
    void PostSerialize(plat::Archive&) override { ++s_postSerialized; }
};

class TEPostData : public DCBase {
public:
    void PostSerialize(plat::Archive&) override { ++s_postSerialized; }
};

std::vector<float> timesOf(const MCEventList& list)
{
    std::vector<float> times;
    for (ECBase* element : list)
        times.push_back(element->GetTime() ? element->GetTime()->GetSeconds() : -1.0f);
    return times;
}

// A staff with two measures: the first holds notes at 0, 1, 2 and 3 (the first two under a
// beam) and the second a note at 4; an envelope of the staff holds points at 0 and 2.
class QueryActionsTest : public ::testing::Test {
protected:
    QueryActionsTest()
    {
        m_staff.AddChild(m_first, 0);
        m_staff.AddChild(m_second, 0);
        m_staff.AddChild(m_envelope, 0);
        for (float t : {0.0f, 1.0f, 2.0f, 3.0f})
            m_first->AddChild(new TENote(t), 0);
        m_first->AddChild(m_beam, 0);
        m_beam->AddChild(m_first->GetChildren()->GetHead(), 0);
        m_second->AddChild(new TENote(4.0f), 0);
        for (float t : {0.0f, 2.0f}) {
            auto* point = new TEPoint;
            MCTime time(t);
            point->SetTime(&time);
            m_envelope->AddChild(point, 0);
        }
    }

    ModelStateGuard m_guard;
    TEStaff m_staff;
    TEMeasure* m_first = new TEMeasure(0);
    TEMeasure* m_second = new TEMeasure(4);
    TEBeam* m_beam = new TEBeam;
    TEEnvelope* m_envelope = new TEEnvelope;
};

}  // namespace

TEST_F(QueryActionsTest, FindEventsCollectsCountsAndStops)
{
    ACFindEvents all;
    all.Apply(&m_staff);
    // Every visited element but the bypassed envelope, the start element included; the beam's
    // note is reached through the measure only.
    EXPECT_EQ(all.GetEventCount(), 1 + 2 + 4 + 1 + 1 + 2);
    EXPECT_EQ(all.GetEvents().GetHead(), &m_staff);
    EXPECT_EQ(all.GetEvents().GetCount(), all.GetEventCount());
    EXPECT_FALSE(all.GetEvents().Find(m_envelope));
    const uint32_t refs = m_first->GetRefCount();
    {
        ACFindEvents holder;
        holder.AddEvtType(EventId::Measure);
        holder.Apply(&m_staff);
        EXPECT_EQ(m_first->GetRefCount(), refs + 1) << "the found list holds what it found";
    }
    EXPECT_EQ(m_first->GetRefCount(), refs);

    ACFindEvents notes;
    notes.AddEvtType(EventId::Note);
    notes.SetMaxEventCount(3);
    EXPECT_EQ(notes.Apply(&m_staff), 2);
    EXPECT_EQ(notes.GetEventCount(), 3);
    EXPECT_EQ(timesOf(notes.GetEvents()), (std::vector<float>{0, 1, 2}));

    ACCount count(2);
    count.AddEvtType(EventId::Note);
    count.AddEvtType(EventId::EnvPoint);
    EXPECT_EQ(count.FindEvtType(EventId::EnvPoint), 1);
    count.Apply(&m_staff);
    EXPECT_EQ(count.GetCount(), 5 + 2);
    count.RemoveEvtType(EventId::Note);
    count.Reset();
    count.Apply(&m_staff);
    EXPECT_EQ(count.GetCount(), 2);
    count.RemoveEvtTypes();
    EXPECT_EQ(count.FindEvtType(EventId::EnvPoint), -1);

    // A count meant as a maximum of elements, given as the filter's room, takes no gigabytes.
    ACCount huge(ACFindEvents::noMaximum);
    EXPECT_LE(huge.GetEventTypes().capacity(), 256u);

    ACFindFirstEvent first;
    first.AddEvtTypes({EventId::Beam, EventId::EnvPoint});
    EXPECT_EQ(first.Apply(&m_staff), 2);
    EXPECT_EQ(first.GetEvent(), m_beam);
}

TEST_F(QueryActionsTest, TimeQueriesTakeTheirRangeByMode)
{
    // Range 1..2 over the notes at 0..3 of the first measure.
    struct Case {
        int mode;
        std::vector<float> found;
    };
    const Case cases[] = {
        {ACFindTime::closed, {1, 2}},
        {ACFindTime::open, {}},
        {ACFindTime::openStart, {2}},
        {ACFindTime::openEnd, {1}},
        {7, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << c.mode);
        ACFindTime find(MCTime(1.0f), MCTime(2.0f), c.mode);
        find.AddEvtType(EventId::Note);
        find.Apply(m_first);
        EXPECT_EQ(timesOf(find.GetEvents()), c.found);
        EXPECT_EQ(find.GetEventCount(), static_cast<int>(c.found.size()));

        TEMeasure measure(0);
        for (float t : {0.0f, 1.0f, 2.0f, 3.0f})
            measure.AddChild(new TENote(t), 0);
        ACDeltaTime shift(MCTime(10.0f), MCTime(1.0f), MCTime(2.0f), c.mode);
        shift.Apply(&measure);
        std::vector<float> expect = {0, 1, 2, 3};
        for (float& t : expect) {
            if (std::find(c.found.begin(), c.found.end(), t) != c.found.end())
                t += 10.0f;
        }
        std::vector<float> got = timesOf(*measure.GetChildren());
        EXPECT_EQ(got, expect);
    }
}

TEST_F(QueryActionsTest, TimeQueriesLeaveARowAtItsFirstLaterElement)
{
    // Children are in time order: past the end of the range, the row is done. A note out of
    // order behind the first later one is not looked at.
    m_first->AddChild(new TENote(1.5f), 0);
    ACFindTime find(MCTime(0.0f), MCTime(2.0f), ACFindTime::openEnd);
    find.AddEvtType(EventId::Note);
    find.Apply(&m_staff);
    EXPECT_EQ(timesOf(find.GetEvents()), (std::vector<float>{0, 1}));

    // The maximum holds as for every search.
    ACFindTime capped(MCTime(0.0f), MCTime(10.0f), ACFindTime::closed);
    capped.AddEvtType(EventId::Note);
    capped.SetMaxEventCount(2);
    EXPECT_EQ(capped.Apply(&m_staff), 2);
    EXPECT_EQ(capped.GetEventCount(), 2);
}

TEST_F(QueryActionsTest, DeltaTimeStopsAtZeroAndKeepsStartElements)
{
    TEMeasure measure(0);
    auto* clef = new TEClef(0.0f);
    measure.AddChild(clef, 0);
    measure.AddChild(new TENote(0.0f), 0);
    measure.AddChild(new TENote(1.0f), 0);
    ACDeltaTime later(MCTime(1.0f), MCTime(0.0f), MCTime(5.0f), ACFindTime::closed);
    later.Apply(measure.GetChildren(), 1);
    EXPECT_EQ(timesOf(*measure.GetChildren()), (std::vector<float>{0, 1, 2})) << "the clef stays at 0";

    ACDeltaTime earlier(MCTime(-2.0f), MCTime(0.0f), MCTime(5.0f), ACFindTime::closed);
    earlier.Apply(measure.GetChildren(), 1);
    EXPECT_EQ(timesOf(*measure.GetChildren()), (std::vector<float>{0, 0, 0}));

    // Applied to the measure, the measure is shifted too: it is no element kept at 0.
    ACDeltaTime all;
    all.SetTimeDelta(MCTime(3.0f));
    all.Apply(&measure);
    EXPECT_EQ(measure.GetTime()->GetSeconds(), 3.0f);
    EXPECT_EQ(timesOf(*measure.GetChildren()), (std::vector<float>{0, 3, 3}));
}

TEST_F(QueryActionsTest, DataVoiceAndTrackSearches)
{
    const CPluginData noteData(&TEData::classObject, 0, EventId::Note);
    CPluginData::AddPlugin(&noteData);
    ECBase* notes[4];
    int i = 0;
    for (ECBase* note : *m_first->GetChildren()) {
        if (note->GetEventId() == EventId::Note)
            notes[i++] = note;
    }
    notes[0]->SetVoiceTrack(2, 5);
    notes[1]->SetVoiceTrack(3, 5);
    notes[2]->SetVoiceTrack(2, 6);
    notes[3]->SetVoiceTrack(2, 5);
    for (int n : {0, 1, 2})
        notes[n]->GetData(0, 1);

    ACFindData data(0);
    data.Apply(&m_staff);
    EXPECT_EQ(timesOf(data.GetEvents()), (std::vector<float>{0, 1, 2}));
    data.SetViewCode(3);
    data.Reset();
    data.Apply(&m_staff);
    EXPECT_EQ(data.GetEventCount(), 0);

    struct Case {
        unsigned voice, track;
        std::vector<float> found;
    };
    const Case cases[] = {
        {2, 5, {0}},         // note 3 matches but holds no component
        {15, 5, {0, 1}},
        {14, 5, {0, 1}},
        {2, 2047, {0, 2}},
        {15, 2047, {0, 1, 2}},
        {4, 2047, {}},
    };
    for (const Case& c : cases) {
        ACFindVoiceTrack find;
        find.AddEvtType(EventId::Note);
        find.SetVoice(c.voice);
        find.SetTrack(c.track);
        find.Apply(&m_staff);
        EXPECT_EQ(timesOf(find.GetEvents()), c.found) << c.voice << "/" << c.track;
    }
}

TEST_F(QueryActionsTest, ObjectsAndVoiceTrackOfAncestors)
{
    ECBase* note = m_second->GetChildren()->GetHead();
    ACFindObjects objects(note);
    objects.Apply(m_second);
    EXPECT_EQ(objects.ObjectsFound(), 1);
    objects.Reset();
    objects.Apply(m_first);
    EXPECT_EQ(objects.ObjectsFound(), 0);
    objects.RemoveObject(note);
    EXPECT_TRUE(objects.GetObjects().IsEmpty());
    objects.AddObjects(*m_first->GetChildren());
    objects.Reset();
    objects.Apply(&m_staff);
    EXPECT_EQ(objects.ObjectsFound(), 1);

    TEChordNote chord;
    chord.SetVoiceTrack(3, 9);
    auto* accent = new TEAccent;
    chord.AddChild(accent, 0);
    ACGetVoiceTrack word;
    EXPECT_EQ(word.GetVoiceTrack().GetVoice(), 15);
    EXPECT_EQ(word.GetVoiceTrack().GetTrack(), 2047);
    word.Apply(accent);
    EXPECT_EQ(word.GetVoiceTrack().GetVoice(), 3);
    EXPECT_EQ(word.GetVoiceTrack().GetTrack(), 9);
}

TEST_F(QueryActionsTest, SetVoiceTrackKeepsToItsRanges)
{
    struct Case {
        const char* what;
        uint16_t word;
        int track, voice;
        int expectTrack, expectVoice;
    };
    const Case cases[] = {
        {"every track is left alone", MCVoiceTrack(1, 2046).GetValue(), 5, 3, 2046, 1},
        {"track 0 is outside 1..2045", MCVoiceTrack(1, 0).GetValue(), 5, 3, 0, 1},
        {"track 7 moves", MCVoiceTrack(1, 7).GetValue(), 5, 3, 5, 3},
        {"no track yet", MCVoiceTrack(1, 2047).GetValue(), 5, 3, 5, 3},
        {"voice 9 keeps its voice", MCVoiceTrack(9, 7).GetValue(), 5, 3, 5, 9},
        {"voice 15 takes one", MCVoiceTrack(15, 7).GetValue(), 2047, 6, 7, 6},
        {"voices clamp to 7", MCVoiceTrack(1, 7).GetValue(), 3000, 12, 2045, 7},
        {"voice 15 leaves voices", MCVoiceTrack(4, 7).GetValue(), 8, 15, 8, 4},
    };
    for (const Case& c : cases) {
        TENote note;
        MCVoiceTrack word;
        word.SetValue(c.word);
        note.SetVoiceTrack(&word);
        ACSetVoiceTrack set(c.track, c.voice);
        set.Apply(&note);
        EXPECT_EQ(note.GetTrack(), c.expectTrack) << c.what;
        EXPECT_EQ(note.GetVoice(), c.expectVoice) << c.what;
        EXPECT_FALSE(note.GetVoiceTrack()->IsConverted()) << c.what;
    }
    ECBase wordless;
    ACSetVoiceTrack set(5, 3);
    EXPECT_EQ(set.Apply(&wordless), 0);
}

TEST_F(QueryActionsTest, SortAndSecondPass)
{
    m_first->AddChild(new TENote(0.5f), 0);
    m_second->AddChild(new TENote(3.5f), 0);
    ACSortChildren sort;
    sort.AddEvtType(EventId::Measure);
    sort.Apply(&m_staff);
    EXPECT_EQ(timesOf(*m_second->GetChildren()), (std::vector<float>{3.5f, 4}));
    EXPECT_EQ(timesOf(*m_first->GetChildren()).front(), -1.0f) << "the untimed beam first";

    s_postSerialized = 0;
    TEMeasure measure(0);
    auto* inBeam = new TEPostNote(1.0f);
    auto* beam = new TEBeam;
    measure.AddChild(beam, 0);
    beam->AddChild(inBeam, 0);
    auto* plain = new TEPostNote(2.0f);
    measure.AddChild(plain, 0);
    plain->GetData()->SetAtGrow(0, new TEPostData);
    plat::MemoryStream stream;
    plat::Archive archive(stream, plat::Archive::Mode::store);
    ACPostSerialize second(archive);
    second.Apply(&measure);
    EXPECT_EQ(s_postSerialized, 2) << "the note and its component; the beam's note is not reached through it";
}

TEST_F(QueryActionsTest, CollapseToAncestorsKeepsTheTopElements)
{
    ECBase* note = m_first->GetChildren()->GetTail();
    MCEventList list;
    list.AddTail(note);
    list.AddTail(m_first);
    list.AddTail(m_beam->GetChildren()->GetHead());
    list.AddTail(m_second);
    list.CollapseToAncestors();
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetHead(), m_first);
    EXPECT_EQ(list.GetTail(), m_second);

    MCEventList withStaff;
    withStaff.AddTail(m_envelope->GetChildren()->GetHead());
    withStaff.AddTail(m_envelope);
    withStaff.AddTail(&m_staff);
    withStaff.CollapseToAncestors();
    EXPECT_EQ(withStaff.GetCount(), 1);
    EXPECT_EQ(withStaff.GetHead(), &m_staff);

    MCEventList apart;
    apart.AddTail(m_first);
    apart.AddTail(m_second);
    apart.CollapseToAncestors();
    EXPECT_EQ(apart.GetCount(), 2);
}
