#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class ECBaseTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

// The bytes ECBase::Serialize writes for an element, without the archive's object framing.
// An element's record on its own. The element is mapped first, as an element whose record is
// written is in a document, so that its components refer to it as their owner.
std::vector<uint8_t> recordOf(ECBase& element)
{
    return storeWith([&element](plat::Archive& a) {
        a.mapObject(&element);
        element.Serialize(a);
    });
}

void loadRecord(ECBase& element, const std::vector<uint8_t>& bytes)
{
    loadWith(bytes, [&element](plat::Archive& a) {
        a.mapObject(&element);
        element.Serialize(a);
    });
}

TEST_F(ECBaseTest, ReferenceCountLifecycle)
{
    ECBase* e = new ECBase;
    EXPECT_EQ(e->GetRefCount(), 0u);
    EXPECT_EQ(e->Ref(), 1u);
    EXPECT_EQ(e->Unref(0), 0u);
    EXPECT_EQ(e->Unref(0), 0u) << "the count does not go below 0";
    EXPECT_EQ(e->Unref(1), 0u);  // deleted; ASan reports a leak otherwise
}

TEST_F(ECBaseTest, CountsBeyondSixteenBitsKeepTheElement)
{
    // A parent is held once by each child's parent list: 70000 children must not wrap its
    // count to 0 and free it.
    TEMeasure* parent = new TEMeasure(0);
    for (int i = 0; i < 70000; ++i)
        parent->AddChild(new TENote(static_cast<float>(i)), 0);
    EXPECT_EQ(parent->GetRefCount(), 70000u);
    parent->Ref();
    EXPECT_EQ(parent->Unref(1), 70000u);
    delete parent;
}

TEST_F(ECBaseTest, DefaultsOfAnElementWithoutTimeOrWord)
{
    ECBase e;
    EXPECT_EQ(e.GetTime(), nullptr);
    EXPECT_EQ(e.GetVoiceTrack(), nullptr);
    EXPECT_EQ(e.GetVoice(), 15);
    EXPECT_EQ(e.GetTrack(), 2047);
    e.SetVoice(3);
    EXPECT_EQ(e.GetVoice(), 15);
    EXPECT_EQ(e.GetChildren(), nullptr);
    ECBase other;
    EXPECT_EQ(e.AddChild(&other, 0), 0);
    EXPECT_EQ(e.RemoveChild(&other, 1), 0);
    EXPECT_EQ(e.RemoveChildren(1), 0);
    EXPECT_EQ(e.GetEventId(), EventId::Base);
    std::vector<int> types;
    EXPECT_EQ(e.GetParentTypes(types), 0);

    TENote converted;
    MCVoiceTrack vt;
    vt.SetChannel(4);
    converted.SetVoiceTrack(&vt);
    EXPECT_EQ(converted.GetVoice(), 15);
    EXPECT_EQ(converted.GetTrack(), 2047);
}

TEST_F(ECBaseTest, ACopyStartsFresh)
{
    TENote a(1.0f);
    a.SetSelected(1);
    a.GetData()->SetAtGrow(0, new TEData(4));
    MCEventList holder;
    holder.AddTail(&a);
    const TENote b(a);
    EXPECT_EQ(b.GetRefCount(), 0u);
    EXPECT_EQ(b.GetFlags(), 0);
    EXPECT_EQ(const_cast<TENote&>(b).GetData(0, 0), nullptr);
    EXPECT_FALSE(static_cast<const ECBase&>(a) == static_cast<const ECBase&>(b));
    holder.DetachAll();
}

TEST_F(ECBaseTest, SelectionIsStoredButNeverLoaded)
{
    TENote note(2.0f);
    note.SetSelected(3);
    EXPECT_EQ(note.IsSelected(), 1);
    const auto bytes = recordOf(note);
    EXPECT_EQ(bytes[0], ECBase::flagSelected) << "stored with bit 2 set";
    TENote loaded;
    loadRecord(loaded, bytes);
    EXPECT_EQ(loaded.IsSelected(), 0);
    EXPECT_EQ(loaded.GetTime()->GetSeconds(), 2.0f);
}

// Registers a component class for a data type and element id; the test's guard takes it back.
void registerData(const plat::RuntimeClass* cls, int type, int id)
{
    const CPluginData registration(cls, type, id);
    CPluginData::AddPlugin(&registration);
}

TEST_F(ECBaseTest, DataComponentsByType)
{
    ECBase e;
    EXPECT_EQ(e.GetData(2, 1), nullptr) << "nothing registered makes nothing";
    EXPECT_EQ(e.GetFlags() & ECBase::flagHasData, 0);

    registerData(&TEData::classObject, 2, EventId::Base);
    registerData(&TETransientData::classObject, 4, EventId::Base);
    auto* two = static_cast<TEData*>(e.GetData(2, 1));
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->GetOwner(), &e);
    EXPECT_TRUE(two->IsDirty()) << "a new component is dirty";
    EXPECT_EQ(e.GetData()->GetAt(1), two) << "type 2 lives in slot 1";
    EXPECT_EQ(e.GetData()->GetSize(), 2);
    EXPECT_EQ(e.GetData(2, 1), two);
    EXPECT_NE(e.GetFlags() & ECBase::flagHasData, 0);
    EXPECT_EQ(TENote().GetData(2, 1), nullptr) << "registered for another element id";

    const auto bytes = recordOf(e);
    ASSERT_GE(bytes.size(), 4u);
    EXPECT_EQ(bytes[0], ECBase::flagHasData);
    EXPECT_EQ(bytes[1], 1) << "one component";
    EXPECT_EQ(bytes[2], 1) << "highest slot";
    EXPECT_EQ(bytes[3], 2) << "its data type";

    e.GetData(4, 1);  // not an archive object
    EXPECT_EQ(e.GetData()->GetSize(), 6);
    e.RemoveData(2);
    EXPECT_EQ(e.GetFlags() & ECBase::flagHasData, 0) << "what is left is never stored";
    EXPECT_EQ(recordOf(e).size(), 1u);
    EXPECT_EQ(TETransientData::s_alive, 1);
    e.RemoveData(-1);
    EXPECT_EQ(TETransientData::s_alive, 0);
    EXPECT_EQ(e.GetData()->GetSize(), 0);
}

TEST_F(ECBaseTest, TypesOutsideTheTableAskForTypeZero)
{
    registerData(&TEData::classObject, 0, EventId::Base);
    ECBase e;
    for (int type : {7, -3, 75, 6}) {
        e.RemoveData(-1);
        DCBase* d = e.GetData(type, 1);
        ASSERT_NE(d, nullptr) << type;
        EXPECT_EQ(e.GetData()->GetAt(0), d);
        EXPECT_EQ(e.GetData(0, 0), d);
    }
}

TEST_F(ECBaseTest, DataArrayRoundTripsInBothForms)
{
    ECBase e;
    e.GetData()->SetAtGrow(3, new TEData(11));  // type 1
    e.GetData()->SetAtGrow(2, new TEData(55));  // type 5
    e.GetData(0, 0);
    registerData(&TEData::classObject, 0, EventId::Base);
    static_cast<TEData*>(e.GetData(0, 1))->value = 100;  // sets flag bit 0
    const auto bytes = recordOf(e);
    ECBase loaded;
    loadRecord(loaded, bytes);
    EXPECT_EQ(static_cast<TEData*>(loaded.GetData(1, 0))->value, 11);
    EXPECT_EQ(static_cast<TEData*>(loaded.GetData(5, 0))->value, 55);
    EXPECT_EQ(static_cast<TEData*>(loaded.GetData(0, 0))->value, 100);
    EXPECT_EQ(loaded.GetData()->GetSize(), 4);
    EXPECT_EQ(loaded.GetData(5, 0)->GetOwner(), &loaded) << "a loaded component belongs to its element";

    // Documents before version 3: a count, then one object or null per data type.
    TEData five(5);
    TEData::s_storeOldLayout = true;
    const auto old = storeWith([&five](plat::Archive& a) {
        a.writeU8(ECBase::flagHasData);
        a.writeCount(3);
        a.writeObject(nullptr);
        a.writeObject(&five);
        a.writeObject(nullptr);
    });
    TEData::s_storeOldLayout = false;
    ActiveVersion v2(2);
    ECBase oldForm;
    loadRecord(oldForm, old);
    EXPECT_EQ(oldForm.GetData()->GetSize(), 4) << "slots of types 0..2";
    EXPECT_EQ(static_cast<TEData*>(oldForm.GetData(1, 0))->value, 5);
    EXPECT_NE(oldForm.GetFlags() & ECBase::flagHasData, 0);
}

TEST_F(ECBaseTest, DamagedDataArraysAreRefused)
{
    TEData d(1);
    TEData d2(2);
    const struct {
        const char* what;
        int version;
        std::vector<uint8_t> bytes;
    } cases[] = {
        {"highest slot beyond the six", 3, storeWith([](plat::Archive& a) { a.writeU8(1); a.writeU8(1); a.writeU8(200); })},
        {"more components than slots", 3, storeWith([](plat::Archive& a) { a.writeU8(1); a.writeU8(3); a.writeU8(1); })},
        {"data type beyond 5", 3, storeWith([&d](plat::Archive& a) { a.writeU8(1); a.writeU8(1); a.writeU8(5); a.writeU8(9); a.writeObject(&d); })},
        {"type beyond the highest slot", 3, storeWith([&d](plat::Archive& a) { a.writeU8(1); a.writeU8(1); a.writeU8(0); a.writeU8(1); a.writeObject(&d); })},
        {"one type twice", 3, storeWith([&d, &d2](plat::Archive& a) { a.writeU8(1); a.writeU8(2); a.writeU8(5); a.writeU8(1); a.writeObject(&d); a.writeU8(1); a.writeObject(&d2); })},
        {"old form longer than six", 2, storeWith([&d](plat::Archive& a) { a.writeU8(1); a.writeCount(7); for (int i = 0; i < 7; ++i) a.writeObject(&d); })},
        {"an element as a component", 3, storeWith([](plat::Archive& a) { TENote n; a.writeU8(1); a.writeU8(1); a.writeU8(0); a.writeU8(0); a.writeObject(&n); })},
        {"cut short", 3, storeWith([&d](plat::Archive& a) { a.writeU8(1); a.writeU8(1); a.writeU8(0); a.writeU8(0); })},
    };
    const int alive = TEData::s_alive;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ActiveVersion version(c.version);
        // Loaded as the head of a stored note, so that the archive disposes of what the failed
        // load made. Replace the carrier's record (flags byte, time, word) with the damaged head.
        const auto plain = storeObject(std::make_unique<TENote>().get());
        const size_t headAt = plain.size() - 1 - 5 - 2;
        std::vector<uint8_t> damaged(plain.begin(), plain.begin() + static_cast<long>(headAt));
        damaged.insert(damaged.end(), c.bytes.begin(), c.bytes.end());
        damaged.insert(damaged.end(), plain.begin() + static_cast<long>(headAt) + 1, plain.end());
        EXPECT_THROW(loadObject(damaged), plat::ArchiveError);
        EXPECT_EQ(TEData::s_alive, alive) << "a failed load leaves no component behind";
    }
}

TEST_F(ECBaseTest, AComponentStoredForTwoElementsIsRefused)
{
    const int alive = TEData::s_alive;
    registerData(&TEData::classObject, 0, EventId::Note);
    auto* measure = new TEMeasure(0);
    auto* a = new TENote(1);
    auto* b = new TENote(2);
    measure->AddChild(a, 0);
    measure->AddChild(b, 0);
    DCBase* shared = a->GetData(0, 1);
    DCBase* own = b->GetData(0, 1);
    b->GetData()->SetAt(0, shared);
    const auto bytes = storeObject(measure);
    b->GetData()->SetAt(0, own);
    delete measure;

    // Loaded, both elements would own (and delete) the one component.
    EXPECT_THROW(loadObject(bytes), plat::ArchiveError);
    EXPECT_EQ(TEData::s_alive, alive);
}

TEST_F(ECBaseTest, AncestorSearchStartsWithTheElement)
{
    auto* staff = new TEStaff;
    auto* measure = new TEMeasure(0);
    auto* beam = new TEBeam;
    auto* note = new TENote(1);
    staff->AddChild(measure, 0);
    measure->AddChild(beam, 0);
    measure->AddChild(note, 0);
    beam->AddChild(note, 0);

    EXPECT_EQ(note->GetAncestor(EventId::Note, -1), note);
    EXPECT_EQ(note->GetAncestor(EventId::Measure, -1), measure);
    EXPECT_EQ(note->GetAncestor(EventId::Beam, -1), beam);
    EXPECT_EQ(note->GetAncestor(EventId::Staff, -1), staff);
    EXPECT_EQ(note->GetAncestor(EventId::Staff, 1), nullptr) << "two levels up";
    EXPECT_EQ(note->GetAncestor(EventId::Staff, 2), staff);
    EXPECT_EQ(staff->GetDescendant(EventId::Note, -1), note);
    EXPECT_EQ(staff->GetDescendant(EventId::Note, 1), nullptr);
    EXPECT_EQ(beam->GetDescendant(EventId::Note, -1), nullptr) << "beams are not descended into";
    EXPECT_EQ(staff->GetDescendant(EventId::Rest, -1), nullptr);
    delete staff;
}

}  // namespace
