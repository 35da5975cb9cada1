#include "notabase/actions/ACPostSerialize.h"
#include "notabase/commands/CCBase.h"
#include "notabase/model/ECMeter.h"
#include "notabase/model/ECMirror.h"
#include "notabase/model/ECNote.h"
#include "notabase/model/ECTempo.h"
#include "notabase/score/ECClef.h"
#include "notabase/score/ECKey.h"
#include "notabase/states/SCSelection.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

class KeysClefsMirrorsTest : public ::testing::Test {
protected:
    ModelStateGuard m_guard;
};

ECMirror* mirrorOf(ECBase* element)
{
    auto* mirror = new ECMirror;
    mirror->SetMirrorEvent(element, 1);
    return mirror;
}

std::vector<ECBase*> elementsOf(MCEventList& list)
{
    return {list.begin(), list.end()};
}

TEST_F(KeysClefsMirrorsTest, KeyAndClefValuesKeepTheirBits)
{
    ECKey key;
    key.SetNumSharps(9);
    EXPECT_EQ(key.GetNumSharps(), 1);
    key.SetNumFlats(6);
    key.SetMode(3);
    key.SetHand(1);
    EXPECT_EQ(key.GetNumSharps(), 1) << "each value has bits of its own";
    EXPECT_EQ(key.GetNumFlats(), 6);
    EXPECT_EQ(key.GetMode(), 1);
    EXPECT_EQ(key.GetHand(), 1);
    key.SetNumSharps(0);
    EXPECT_EQ(key.GetNumFlats(), 6);
    EXPECT_EQ(ECKey(3, 2, 1).GetHand(), 0);

    ECClef clef(200);
    EXPECT_EQ(clef.GetClefType(), 72);
    clef.SetHand(3);
    EXPECT_EQ(clef.GetHand(), 1);
    clef.SetClefType(5);
    EXPECT_EQ(clef.GetHand(), 1);

    MCTime t(8.0f);
    key.SetTime(&t);
    ECKey copied(key);
    EXPECT_EQ(copied.GetTime()->GetSeconds(), 8.0f);
    EXPECT_TRUE(copied == key);
    ECKey assigned;
    assigned.Copy(&key);
    EXPECT_TRUE(assigned == key);
    EXPECT_EQ(*assigned.GetTime(), MCTime::TimeNull()) << "assignment leaves the time";
    assigned.SetHand(0);
    EXPECT_TRUE(assigned != key);
    ECClef clefCopy;
    clefCopy.Copy(&clef);
    EXPECT_TRUE(clefCopy == clef);
}

TEST_F(KeysClefsMirrorsTest, OldKeyAndClefRecords)
{
    const struct {
        int16_t keyNumber;
        int sharps;
        int flats;
    } keys[] = {{-3, 0, 3}, {4, 4, 0}, {0, 0, 0}, {9, 1, 0}, {-7, 0, 7}};
    for (const auto& c : keys) {
        SCOPED_TRACE(c.keyNumber);
        ECKey stored;
        stored.SetMode(1);
        stored.SetHand(1);
        auto bytes = storeWith([&](plat::Archive& archive) {
            static_cast<ECWithTime&>(stored).ECWithTime::Serialize(archive);
            archive.writeI16(c.keyNumber);
            archive.writeU16(0xBEEF);
        });
        ActiveVersion v2(2);
        ECKey loaded;
        loaded.SetHand(1);
        loadWith(bytes, [&](plat::Archive& archive) { loaded.Serialize(archive); });
        EXPECT_EQ(loaded.GetNumSharps(), c.sharps);
        EXPECT_EQ(loaded.GetNumFlats(), c.flats);
        EXPECT_EQ(loaded.GetMode(), 0);
        EXPECT_EQ(loaded.GetHand(), 0);
    }

    ECClef clef;
    const auto bytes = storeWith([&](plat::Archive& archive) {
        static_cast<ECWithTime&>(clef).ECWithTime::Serialize(archive);
        archive.writeU8(0x85);
        archive.writeU8(0x03);
    });
    ActiveVersion v2(2);
    ECClef loaded;
    loadWith(bytes, [&](plat::Archive& archive) { loaded.Serialize(archive); });
    EXPECT_EQ(loaded.GetClefType(), 5);
    EXPECT_EQ(loaded.GetHand(), 1);
}

TEST_F(KeysClefsMirrorsTest, MirrorsMoveBetweenTheElementsTheyShow)
{
    auto measure = std::make_unique<TEMeasure>(0.0f);
    auto* first = new ECKey(2, 0, 0);
    auto* second = new ECKey(0, 3, 0);
    auto* meter = new ECMeter(3, 4, 0);
    auto* tempo = new ECTempo;
    for (ECBase* e : std::initializer_list<ECBase*>{first, second, meter, tempo})
        measure->AddChild(e, 0);
    auto* mirror = mirrorOf(first);
    measure->AddChild(mirror, 0);
    EXPECT_EQ(mirror->GetMirrorEvent(), first);
    EXPECT_EQ(elementsOf(first->GetMirrors()), std::vector<ECBase*>{mirror});

    mirror->SetMirrorEvent(second, 1);
    EXPECT_TRUE(first->GetMirrors().IsEmpty());
    EXPECT_EQ(elementsOf(second->GetMirrors()), std::vector<ECBase*>{mirror});
    mirror->SetMirrorEvent(meter, 1);
    EXPECT_EQ(elementsOf(meter->GetMirrors()), std::vector<ECBase*>{mirror});
    mirror->SetMirrorEvent(tempo, 1);
    EXPECT_TRUE(meter->GetMirrors().IsEmpty());
    EXPECT_EQ(elementsOf(tempo->GetMirrors()), std::vector<ECBase*>{mirror});

    // The unlinked form only points.
    mirror->SetMirrorEvent(first, 0);
    EXPECT_TRUE(first->GetMirrors().IsEmpty());
    EXPECT_EQ(tempo->GetMirrors().GetCount(), 1);

    // A mirror that nothing else holds is freed as it leaves the last list.
    auto* loose = mirrorOf(second);
    EXPECT_EQ(loose->GetRefCount(), 1u);
    loose->SetMirrorEvent(nullptr, 1);
    EXPECT_TRUE(second->GetMirrors().IsEmpty());
}

TEST_F(KeysClefsMirrorsTest, AGoneElementLeavesItsMirrorsPointingAtNothing)
{
    auto measure = std::make_unique<TEMeasure>(0.0f);
    for (int kind = 0; kind < 3; ++kind) {
        ECBase* shown = kind == 0 ? static_cast<ECBase*>(new ECKey) : kind == 1 ? static_cast<ECBase*>(new ECClef) : new ECMeter;
        measure->AddChild(shown, 0);
        auto* a = mirrorOf(shown);
        auto* b = mirrorOf(shown);
        measure->AddChild(a, 0);
        measure->AddChild(b, 0);
        EXPECT_EQ(measure->RemoveChild(shown, 0), 1);  // its last reference
        EXPECT_EQ(a->GetMirrorEvent(), nullptr);
        EXPECT_EQ(b->GetMirrorEvent(), nullptr);
        EXPECT_EQ(a->GetRefCount(), 1u) << "the mirrors stay in the graph";
    }
}

TEST_F(KeysClefsMirrorsTest, MirrorsAreStoredInTheSecondPass)
{
    auto root = std::make_unique<TEConductor>();
    auto* bar1 = new TEMeasure(0.0f);
    auto* bar2 = new TEMeasure(4.0f);
    root->AddChild(bar1, 0);
    root->AddChild(bar2, 0);
    auto* key = new ECKey(1, 0, 1);
    bar1->AddChild(key, 0);
    auto* clef = new ECClef(3);
    bar1->AddChild(clef, 0);
    bar2->AddChild(mirrorOf(key), 0);
    bar2->AddChild(mirrorOf(clef), 0);
    bar2->AddChild(new ECMirror, 0);

    const auto bytes = storeWith([&](plat::Archive& archive) {
        archive.writeObject(root.get());
        ACPostSerialize(archive).Apply(root.get());
    });
    std::unique_ptr<TEConductor> loaded;
    loadWith(bytes, [&](plat::Archive& archive) {
        loaded.reset(static_cast<TEConductor*>(archive.readObject()));
        ACPostSerialize(archive).Apply(loaded.get());
    });
    MCEventList* bars = loaded->GetChildren();
    auto* lkey = static_cast<ECKey*>(bars->GetHead()->GetChildren()->GetHead());
    auto* lclef = static_cast<ECClef*>(bars->GetHead()->GetChildren()->GetTail());
    MCEventList* mirrors = bars->GetTail()->GetChildren();
    ASSERT_EQ(mirrors->GetCount(), 3);
    EXPECT_EQ(static_cast<ECMirror*>(mirrors->GetHead())->GetMirrorEvent(), lkey);
    EXPECT_EQ(elementsOf(lkey->GetMirrors()), std::vector<ECBase*>{mirrors->GetHead()});
    EXPECT_EQ(lkey->GetNumSharps(), 1);
    EXPECT_EQ(lkey->GetMode(), 1);
    EXPECT_EQ(static_cast<ECMirror*>(mirrors->GetAt(mirrors->FindIndex(1)))->GetMirrorEvent(), lclef);
    EXPECT_EQ(lclef->GetClefType(), 3);
    EXPECT_EQ(static_cast<ECMirror*>(mirrors->GetTail())->GetMirrorEvent(), nullptr);
}

TEST_F(KeysClefsMirrorsTest, AMirrorOfSomethingNoMirrorShowsIsRefused)
{
    auto root = std::make_unique<TEMeasure>(0.0f);
    auto* note = new ECNote;
    root->AddChild(note, 0);
    root->AddChild(new ECMirror(note), 0);
    const auto bytes = storeWith([&](plat::Archive& archive) {
        archive.writeObject(root.get());
        ACPostSerialize(archive).Apply(root.get());
    });
    loadWith(bytes, [&](plat::Archive& archive) {
        std::unique_ptr<plat::Object> loaded(archive.readObject());
        EXPECT_THROW(ACPostSerialize(archive).Apply(static_cast<ECBase*>(loaded.get())), plat::ArchiveError);
    });

    // Nor is a key that the stored piece does not hold: it would belong to nothing.
    auto* key = new ECKey;
    MCEventList keeper;
    keeper.AddTail(key);
    auto other = std::make_unique<TEMeasure>(0.0f);
    other->AddChild(mirrorOf(key), 0);
    const auto outside = storeWith([&](plat::Archive& archive) {
        archive.writeObject(other.get());
        ACPostSerialize(archive).Apply(other.get());
    });
    loadWith(outside, [&](plat::Archive& archive) {
        std::unique_ptr<plat::Object> loaded(archive.readObject());
        EXPECT_THROW(ACPostSerialize(archive).Apply(static_cast<ECBase*>(loaded.get())), plat::ArchiveError);
    });
}

TEST_F(KeysClefsMirrorsTest, ListsAndSelectionsSeeTheMirroredElement)
{
    auto measure = std::make_unique<TEMeasure>(0.0f);
    auto* x = new TENote(1.0f);
    auto* y = new TENote(2.0f);
    auto* z = new ECKey;
    MCTime t(0.5f);
    z->SetTime(&t);
    for (ECBase* e : std::initializer_list<ECBase*>{x, y, z})
        measure->AddChild(e, 1);
    auto* m = mirrorOf(z);
    auto* empty = new ECMirror;
    measure->AddChild(m, 0);
    measure->AddChild(empty, 0);

    MCEventList list;
    for (ECBase* e : std::initializer_list<ECBase*>{x, m, y, empty, z})
        list.AddTail(e);
    list.ReplaceMirrors(0);
    EXPECT_EQ(elementsOf(list), (std::vector<ECBase*>{x, z, y, z})) << "a mirror of nothing leaves the list";
    list.ReplaceMirrors(1);
    EXPECT_EQ(elementsOf(list), (std::vector<ECBase*>{x, y, z}));

    SCSelection selection(SCSelection::kAdd);
    selection.AddToSelection(m);
    selection.AddToSelection(empty);
    selection.AddToSelection(z);
    EXPECT_EQ(elementsOf(*selection.GetEvents(SCSelection::kRequest)), std::vector<ECBase*>{z});
    selection.RemoveFromSelection(m);
    EXPECT_TRUE(selection.GetEvents(SCSelection::kRequest)->IsEmpty());
}

TEST_F(KeysClefsMirrorsTest, CommandsDiscardMirrorsWithTheirElements)
{
    auto measure = std::make_unique<TEMeasure>(0.0f);
    auto* meter = new ECMeter;
    auto* note = new ECNote;
    measure->AddChild(meter, 0);
    measure->AddChild(note, 0);
    std::vector<ECMirror*> mirrors;
    for (int i = 0; i < 3; ++i) {
        mirrors.push_back(mirrorOf(meter));
        measure->AddChild(mirrors.back(), 0);
    }
    MCEventList watch;  // keeps the mirrors to look at them afterwards
    for (ECMirror* mirror : mirrors)
        watch.AddTail(mirror);

    CCBase command;
    command.DiscardMirrors(note);
    EXPECT_EQ(command.GetDiscardList(), nullptr);
    command.DiscardMirrors(meter);
    ASSERT_NE(command.GetDiscardList(), nullptr);
    EXPECT_EQ(command.GetDiscardList()->GetCount(), 3);

    EXPECT_EQ(command.Process(), 1);
    EXPECT_TRUE(meter->GetMirrors().IsEmpty());
    for (ECMirror* mirror : mirrors) {
        EXPECT_EQ(mirror->GetMirrorEvent(), nullptr);
        EXPECT_TRUE(mirror->GetParents()->IsEmpty());
    }
    EXPECT_EQ(measure->GetChildren()->GetCount(), 2);
}

}  // namespace
