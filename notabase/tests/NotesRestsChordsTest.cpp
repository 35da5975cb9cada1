#include "notabase/model/ECChord.h"
#include "notabase/model/ECDot.h"
#include "notabase/model/ECGraceNote.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECRest.h"
#include "notabase/tests/ArchiveFixtures.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

// Counts the chords alive, so a test sees a dissolved chord freed.
class LiveChord : public ECChord {
public:
    LiveChord() { ++s_alive; }
    ~LiveChord() override { --s_alive; }
    static int s_alive;
};
int LiveChord::s_alive = 0;

ECNote* noteAt(float time, float duration = 1.0f)
{
    return new ECNote(MCTime(time), MCTime(duration));
}

class NotesRestsChordsTest : public ::testing::Test {
protected:
    void SetUp() override { LiveChord::s_alive = 0; }
    void TearDown() override
    {
        ECNote::SetDurationFuncs(nullptr, nullptr, nullptr);
        EXPECT_EQ(LiveChord::s_alive, 0);
    }

    ModelStateGuard m_guard;
};

TEST_F(NotesRestsChordsTest, RestLengthsFollowTypeAndDots)
{
    const struct {
        unsigned char type;
        unsigned char dots;
        float length;  // < 0: the null time
    } cases[] = {
        {8, 0, 1.0f},      {8, 1, 1.5f},     {8, 2, 1.75f},     {8, 3, 1.75f},   {2, 0, 4.0f},
        {2, 1, 6.0f},      {2, 2, 7.0f},     {5, 1, 3.0f},      {11, 2, 0.875f}, {14, 1, 0.375f},
        {17, 2, 0.21875f}, {20, 0, 0.0625f}, {20, 2, 0.09375f}, {21, 0, 0.09375f},
        {22, 0, 0.03125f}, {22, 1, 0.03125f}, {1, 0, 8.0f},     {1, 1, 8.0f},    {3, 1, 6.0f},
        {0, 0, -1.0f},     {0, 1, -1.0f},    {23, 0, -1.0f},    {255, 2, -1.0f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "type " << int(c.type) << " dots " << int(c.dots));
        const MCTime length = ECRest::GetRestDuration(c.type, c.dots);
        if (c.length < 0)
            EXPECT_EQ(length, MCTime::TimeNull());
        else
            EXPECT_EQ(length.GetSeconds(), c.length);
    }
    // Every plain rest's dotted forms are 1.5 and 1.75 times as long.
    for (unsigned char plain : {2, 5, 8, 11, 14, 17}) {
        const float length = ECRest::GetRestDuration(plain, 0).GetSeconds();
        EXPECT_EQ(ECRest::GetRestDuration(plain, 1).GetSeconds(), length * 1.5f);
        EXPECT_EQ(ECRest::GetRestDuration(plain, 2).GetSeconds(), length * 1.75f);
    }
    EXPECT_EQ(ECRest::GetRestType(8, 0), 8);
    EXPECT_EQ(ECRest::GetRestType(9, 1), 9) << "a dotted type has no further forms";
    EXPECT_EQ(ECRest::GetRestType(20, 7), 21);
}

TEST_F(NotesRestsChordsTest, DurationsScaleThroughTheSharedFunctions)
{
    MCTime written(0.5f);
    EXPECT_EQ(ECNote::ScaleDuration(&written, 0), written);
    EXPECT_EQ(ECNote::ScaleDuration(&written, 1), written);

    float factor = 0.9f;
    ECNote::SetDurationFuncs(
        [](MCTime* d, void* data) { return MCTime(d->GetSeconds() * *static_cast<float*>(data)); },
        [](MCTime* d, void* data) { return MCTime(d->GetSeconds() / *static_cast<float*>(data)); }, &factor);
    EXPECT_FLOAT_EQ(ECNote::ScaleDuration(&written, 0).GetSeconds(), 0.45f);
    EXPECT_FLOAT_EQ(ECNote::ScaleDuration(&written, 1).GetSeconds(), 0.5f / 0.9f);
}

TEST_F(NotesRestsChordsTest, CopiesKeepOrTakeTimeAndDuration)
{
    ECNote source(MCTime(3.0f), MCTime(0.5f));
    source.SetVoiceTrack(2, 5);
    ECNote assigned(MCTime(1.0f), MCTime(2.0f));
    assigned.Copy(&source);
    EXPECT_EQ(assigned.GetTime()->GetSeconds(), 1.0f);
    EXPECT_EQ(assigned.GetDuration()->GetSeconds(), 2.0f);
    EXPECT_EQ(assigned.GetVoice(), 2);
    EXPECT_TRUE(assigned != source);

    ECNote copied(source);
    EXPECT_EQ(copied.GetTime()->GetSeconds(), 3.0f);
    EXPECT_EQ(copied.GetDuration()->GetSeconds(), 0.5f);
    EXPECT_TRUE(copied == source);

    ECNote fresh;
    EXPECT_EQ(fresh.GetTime()->GetSeconds(), 0.0f);
    EXPECT_EQ(fresh.GetDuration()->GetSeconds(), 1.0f);

    ECRest rest(11);
    ECRest restCopy(rest);
    EXPECT_EQ(restCopy.GetRestType(), 11);
    ECRest other(2);
    EXPECT_TRUE(other != rest);
    other.Copy(&rest);
    EXPECT_TRUE(other == rest);
    EXPECT_EQ(rest.GetDuration(), nullptr) << "a rest's length comes from its type";
    ECChord chord;
    EXPECT_EQ(chord.GetDuration(), nullptr);

    ECDot dot(200);
    EXPECT_EQ(ECDot(dot).GetDotType(), 200);
}

TEST_F(NotesRestsChordsTest, ParentTypesInOrder)
{
    std::vector<int> types;
    ECNote().GetParentTypes(types);
    EXPECT_EQ(types, (std::vector<int>{32, 12, 7, 66}));
    types.clear();
    ECGraceNote().GetParentTypes(types);
    EXPECT_EQ(types, (std::vector<int>{37}));
    types.clear();
    ECRest().GetParentTypes(types);
    EXPECT_EQ(types, (std::vector<int>{32, 7, 66}));
    types.clear();
    ECChord().GetParentTypes(types);
    EXPECT_EQ(types, (std::vector<int>{32, 7, 66}));
    types.clear();
    ECDot().GetParentTypes(types);
    EXPECT_EQ(types, (std::vector<int>{37, 12, 51}));
}

TEST_F(NotesRestsChordsTest, AChordLivesWhileItHoldsANote)
{
    // measure and beam both hold the chord; the chord holds two notes and a dot.
    auto measure = std::make_unique<TEMeasure>(0.0f);
    auto* beam = new TEBeam;
    measure->AddChild(beam, 0);
    auto* chord = new LiveChord;
    ECNote* low = noteAt(0);
    ECNote* high = noteAt(0);
    chord->AddChild(low, 0);
    chord->AddChild(high, 0);
    chord->AddChild(new ECDot(1), 0);
    measure->AddChild(chord, 1);
    beam->AddChild(chord, 0);

    EXPECT_EQ(chord->RemoveChild(high, 0), 1);
    EXPECT_EQ(LiveChord::s_alive, 1) << "one note is enough";
    EXPECT_EQ(chord->GetChildren()->GetCount(), 2);

    // The last note leaves through its own parents, as a remove command takes it out.
    EXPECT_EQ(low->RemoveFromParents(), 1);
    EXPECT_EQ(LiveChord::s_alive, 0) << "the chord left the measure and the beam and was freed";
    EXPECT_TRUE(beam->GetChildren()->IsEmpty());
    EXPECT_EQ(measure->GetChildren()->GetCount(), 1);
}

TEST_F(NotesRestsChordsTest, RemovingAllChildrenTakesTheChordOut)
{
    auto measure = std::make_unique<TEMeasure>(0.0f);
    auto* chord = new LiveChord;
    chord->AddChild(noteAt(0), 0);
    measure->AddChild(chord, 1);
    EXPECT_EQ(chord->RemoveChildren(0), 1);
    EXPECT_EQ(LiveChord::s_alive, 0);
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());

    // A chord outside the graph stays with its owner when emptied.
    LiveChord loose;
    loose.AddChild(noteAt(0), 0);
    EXPECT_EQ(loose.RemoveChildren(0), 1);
    EXPECT_EQ(LiveChord::s_alive, 1);
}

TEST_F(NotesRestsChordsTest, DissolvingAChordHandsItsNotesToTheMeasureOnce)
{
    auto measure = std::make_unique<TEMeasure>(0.0f);
    auto* chord = new LiveChord;
    ECNote* a = noteAt(1);
    ECNote* b = noteAt(1);
    chord->AddChild(a, 0);
    chord->AddChild(b, 0);
    chord->AddChild(new ECDot(1), 0);
    measure->AddChild(chord, 1);
    measure->AddChild(a, 1);  // already in the measure as well

    EXPECT_EQ(chord->RemoveFromParents(), 1);
    EXPECT_EQ(LiveChord::s_alive, 0);
    MCEventList* children = measure->GetChildren();
    ASSERT_EQ(children->GetCount(), 2);
    EXPECT_TRUE(children->Find(a));
    EXPECT_TRUE(children->Find(b));
    EXPECT_EQ(a->GetParents()->GetCount(), 1);
    EXPECT_EQ(b->GetParents()->GetHead(), measure.get());
}

TEST_F(NotesRestsChordsTest, AMeasureHoldingChordsIsTakenApartCleanly)
{
    // Chords that dissolve while their measure removes its children must not make the measure
    // unlink the wrong child.
    auto* measure = new TEMeasure(0.0f);
    for (int i = 0; i < 3; ++i) {
        auto* chord = new LiveChord;
        chord->AddChild(noteAt(static_cast<float>(i)), 0);
        chord->AddChild(noteAt(static_cast<float>(i)), 0);
        measure->AddChild(chord, 1);
        measure->AddChild(new ECRest(8), 1);
    }
    EXPECT_EQ(measure->RemoveChildren(1), 1);
    EXPECT_EQ(LiveChord::s_alive, 0);
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());
    EXPECT_EQ(measure->GetRefCount(), 0u);
    delete measure;

    auto* chord = new LiveChord;
    chord->AddChild(noteAt(0), 0);
    auto* other = new TEMeasure(0.0f);
    other->AddChild(chord, 1);
    EXPECT_EQ(other->RemoveChild(chord, 1), 1) << "gone, though it left by itself";
    EXPECT_EQ(LiveChord::s_alive, 0);
    delete other;
}

TEST_F(NotesRestsChordsTest, RecordsRoundTrip)
{
    auto measure = std::make_unique<TEMeasure>(0.0f);
    ECNote* note = noteAt(2.0f, 0.75f);
    note->SetVoiceTrack(1, 3);
    note->AddChild(new ECGraceNote(MCTime(1.875f), MCTime(0.125f)), 0);
    note->AddChild(new ECDot(2), 0);
    auto* chord = new ECChord;
    chord->AddChild(noteAt(3.0f, 0.5f), 0);
    chord->AddChild(noteAt(3.0f, 0.5f), 0);
    MCTime three(3.0f);
    chord->SetTime(&three);
    auto* rest = new ECRest(15);
    MCTime one(1.0f);
    rest->SetTime(&one);
    measure->AddChild(note, 1);
    measure->AddChild(chord, 1);
    measure->AddChild(rest, 1);

    const auto bytes = storeObject(measure.get());
    std::unique_ptr<TEMeasure> loaded(static_cast<TEMeasure*>(loadObject(bytes)));
    ASSERT_TRUE(loaded);
    MCEventList* children = loaded->GetChildren();
    ASSERT_EQ(children->GetCount(), 3);
    auto* lrest = plat::dynamicDowncast<ECRest>(children->GetAt(children->FindIndex(0)));
    auto* lnote = plat::dynamicDowncast<ECNote>(children->GetAt(children->FindIndex(1)));
    auto* lchord = plat::dynamicDowncast<ECChord>(children->GetAt(children->FindIndex(2)));
    ASSERT_TRUE(lrest && lnote && lchord);
    EXPECT_EQ(lrest->GetRestType(), 15) << "the rest keeps its type";
    EXPECT_EQ(lrest->GetTime()->GetSeconds(), 1.0f);
    EXPECT_TRUE(*lnote == *note);
    EXPECT_EQ(lnote->GetVoice(), 1);
    auto* grace = plat::dynamicDowncast<ECGraceNote>(lnote->GetChildren()->GetHead());
    ASSERT_TRUE(grace);
    EXPECT_EQ(grace->GetDuration()->GetSeconds(), 0.125f);
    auto* dot = plat::dynamicDowncast<ECDot>(lnote->GetChildren()->GetTail());
    ASSERT_TRUE(dot);
    EXPECT_EQ(dot->GetDotType(), 2);
    EXPECT_EQ(lchord->GetChildren()->GetCount(), 2);
    EXPECT_EQ(storeObject(loaded.get()), bytes);
}

TEST_F(NotesRestsChordsTest, OldRecords)
{
    // A rest stored before the type was kept loads as type 0.
    ECRest rest(15);
    auto bytes = storeObject(&rest);
    bytes.pop_back();  // the type byte
    setStoredSchema(bytes, "ECRest", 2);
    std::unique_ptr<ECRest> oldRest(static_cast<ECRest*>(loadObject(bytes)));
    ASSERT_TRUE(oldRest);
    EXPECT_EQ(oldRest->GetRestType(), 0);

    // A grace note of a version 2 document holds two durations; the second wins.
    ECGraceNote grace(MCTime(1.0f), MCTime(0.25f));
    auto graceBytes = storeObject(&grace);
    const auto second = storeWith([](plat::Archive& archive) { MCTime(0.5f).Serialize(archive, 2); });
    graceBytes.insert(graceBytes.end(), second.begin(), second.end());
    ActiveVersion v2(2);
    std::unique_ptr<ECGraceNote> oldGrace(static_cast<ECGraceNote*>(loadObject(graceBytes)));
    ASSERT_TRUE(oldGrace);
    EXPECT_EQ(oldGrace->GetDuration()->GetSeconds(), 0.5f);
    EXPECT_EQ(oldGrace->GetTime()->GetSeconds(), 1.0f);
}

}  // namespace
