#include "notabase/model/ECEnvPoint.h"
#include "notabase/model/ECEnvelope.h"
#include "notabase/model/MCLinkJournal.h"
#include "notabase/score/ECTrack.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

class Counted : public TENote {
public:
    explicit Counted(float time) : TENote(time) { ++s_alive; }
    ~Counted() override { --s_alive; }
    static int s_alive;
};
int Counted::s_alive = 0;

// A child that can refuse to let a parent go, as a broken link would.
class Stubborn : public TENote {
public:
    int RemoveParent(ECBase* parent) override { return refuse ? 0 : TENote::RemoveParent(parent); }
    bool refuse = true;
};

class ECWithChildTest : public ::testing::Test {
protected:
    void SetUp() override { Counted::s_alive = 0; }
    void TearDown() override { EXPECT_EQ(Counted::s_alive, 0); }

    static std::vector<float> childTimes(ECBase* parent)
    {
        std::vector<float> result;
        MCEventList* children = parent->GetChildren();
        for (ECBase* child : *children) {
            const MCTime* t = child->GetTime();
            result.push_back(t ? t->GetSeconds() : -1.0f);
        }
        return result;
    }

    ModelStateGuard m_guard;
};

TEST_F(ECWithChildTest, SortedAndUnsortedAdds)
{
    const struct {
        int sorted;
        float time;  // -1: untimed
        std::vector<float> expect;
    } cases[] = {
        {1, 2.0f, {1, 2, 3}},
        {1, -1.0f, {-1, 1, 3}},
        {0, 2.0f, {1, 3, 2}},
        {1, 0.0f, {0, 1, 3}},
    };
    for (const auto& c : cases) {
        TEMeasure measure(0);
        measure.AddChild(new Counted(1), 0);
        measure.AddChild(new Counted(3), 0);
        ECBase* x = c.time < 0 ? static_cast<ECBase*>(new TEBeam) : new Counted(c.time);
        EXPECT_EQ(measure.AddChild(x, c.sorted), 1);
        EXPECT_EQ(childTimes(&measure), c.expect);
        EXPECT_EQ(measure.AddChild(x, c.sorted), 0) << "a child stands once";
        EXPECT_EQ(measure.GetChildren()->GetCount(), 3);
        EXPECT_NE(measure.GetFlags() & ECBase::flagHasChildren, 0);
    }
}

TEST_F(ECWithChildTest, LinksCountOnBothSides)
{
    auto* parent = new TEMeasure(0);
    auto* x = new Counted(1);
    EXPECT_EQ(parent->AddChild(x, 0), 1);
    EXPECT_EQ(x->GetRefCount(), 1u);
    EXPECT_EQ(parent->GetRefCount(), 1u);
    EXPECT_EQ(x->GetParents()->GetHead(), parent);
    EXPECT_EQ(parent->AddChild(parent, 0), 0) << "an element is not its own child";

    EXPECT_EQ(parent->RemoveChild(x, 0), 1);
    EXPECT_EQ(Counted::s_alive, 0) << "nothing else held the child";
    EXPECT_EQ(parent->GetRefCount(), 0u);
    EXPECT_EQ(parent->GetFlags() & ECBase::flagHasChildren, 0);
    EXPECT_EQ(parent->RemoveChild(x, 0) == 0, true);

    auto* kept = new Counted(2);
    MCEventList selection;
    selection.AddTail(kept);
    parent->AddChild(kept, 0);
    EXPECT_EQ(parent->RemoveChild(kept, 0), 1);
    EXPECT_EQ(Counted::s_alive, 1) << "the selection still holds it";
    EXPECT_EQ(kept->GetRefCount(), 1u);
    selection.RemoveAll();
    delete parent;
}

TEST_F(ECWithChildTest, RecursiveRemovalFreesSharedChildrenOnce)
{
    // A measure holding a beam and three notes, two of which also stand under the beam.
    auto* measure = new TEMeasure(0);
    auto* beam = new TEBeam;
    measure->AddChild(beam, 0);
    for (int i = 0; i < 3; ++i) {
        auto* note = new Counted(static_cast<float>(i));
        measure->AddChild(note, 1);
        if (i < 2)
            beam->AddChild(note, 0);
    }
    EXPECT_EQ(measure->GetChildren()->GetCount(), 4);
    EXPECT_EQ(measure->RemoveChildren(1), 1);
    EXPECT_EQ(Counted::s_alive, 0);
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());
    EXPECT_EQ(measure->GetRefCount(), 0u);
    delete measure;
}

TEST_F(ECWithChildTest, ChildrenLeaveLastFirstAndFromEveryParent)
{
    auto* staff = new TEStaff;
    auto* a = new TEMeasure(0);
    auto* b = new TEMeasure(4);
    staff->AddChild(a, 0);
    staff->AddChild(b, 0);
    auto* shared = new Counted(1);
    a->AddChild(shared, 0);
    b->AddChild(shared, 0);
    EXPECT_EQ(shared->GetRefCount(), 2u);
    EXPECT_EQ(shared->RemoveFromParents(), 1);
    EXPECT_EQ(Counted::s_alive, 0);
    EXPECT_EQ(a->GetRefCount(), 1u);

    auto* orphan = new Counted(1);
    EXPECT_EQ(orphan->RemoveFromParents(), 1);
    EXPECT_EQ(Counted::s_alive, 1) << "an element nobody holds stays with its creator";
    delete orphan;
    delete staff;
}

TEST_F(ECWithChildTest, AChildThatKeepsItsParentIsNotReportedRemoved)
{
    auto* measure = new TEMeasure(0);
    auto* child = new Stubborn;
    MCEventList holder;
    holder.AddTail(child);
    measure->AddChild(child, 0);

    EXPECT_EQ(measure->RemoveChild(child, 0), 0) << "the link could not be undone";
    EXPECT_EQ(measure->GetChildren()->GetCount(), 1) << "and the child is still there";
    EXPECT_EQ(child->GetRefCount(), 2u);

    // Removing all children still ends with an empty list rather than looping on that child.
    EXPECT_EQ(measure->RemoveChildren(0), 1);
    EXPECT_TRUE(measure->GetChildren()->IsEmpty());
    EXPECT_EQ(measure->GetFlags() & ECBase::flagHasChildren, 0);
    EXPECT_EQ(measure->GetRefCount(), 1u) << "the child's parent list still holds the measure";
    // Once the child lets go, its reference was the measure's last.
    child->refuse = false;
    EXPECT_EQ(child->RemoveParent(measure), 1);
}

TEST_F(ECWithChildTest, CopiesTakeTheWordButNotTheTimeOrChildren)
{
    TENote a(1.0f);
    a.SetVoiceTrack(2, 9);
    TENote b(5.0f);
    b.Copy(&a);
    EXPECT_EQ(b.GetTime()->GetSeconds(), 5.0f);
    EXPECT_EQ(b.GetTrack(), 9);
    EXPECT_EQ(b.GetVoice(), 2);
    const TENote c(a);
    EXPECT_EQ(const_cast<TENote&>(c).GetTime()->GetSeconds(), 1.0f);
    EXPECT_TRUE(static_cast<const ECWithTime&>(c) == static_cast<const ECWithTime&>(a));
    EXPECT_FALSE(static_cast<const ECWithTime&>(b) == static_cast<const ECWithTime&>(a));

    TEMeasure m(2.0f);
    m.SetVoiceTrack(1, 3);
    m.AddChild(new Counted(1), 0);
    TEMeasure other(7.0f);
    other.Copy(&m);
    EXPECT_TRUE(other.GetChildren()->IsEmpty());
    EXPECT_EQ(other.GetTrack(), 3);
    EXPECT_EQ(other.GetTime()->GetSeconds(), 7.0f);
    const TEMeasure copied(m);
    EXPECT_TRUE(const_cast<TEMeasure&>(copied).GetChildren()->IsEmpty());
    EXPECT_EQ(const_cast<TEMeasure&>(copied).GetTime()->GetSeconds(), 2.0f);

    TENote fresh;
    EXPECT_EQ(*fresh.GetTime(), MCTime::TimeNull());
    EXPECT_EQ(fresh.GetVoiceTrack()->GetValue(), 0x7FFF);
}

// Runs of children taken out one after another and put back by a journal, in the orders a
// removal meets them, with a child added in the middle of the run: a track and an envelope find
// each child beside the last (their finger), a measure by a search from the tail, and all three
// must record the same places and end with the same lists.
TEST_F(ECWithChildTest, RunsTakenOutAndPutBackKeepTheirPlaces)
{
    constexpr int kChildren = 60;
    std::mt19937 random(20261211);
    std::vector<int> shuffled(kChildren);
    for (int i = 0; i < kChildren; ++i)
        shuffled[static_cast<size_t>(i)] = i;
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    auto range = [](int from, int to, int step) {
        std::vector<int> order;
        for (int i = from; step > 0 ? i < to : i > to; i += step)
            order.push_back(i);
        return order;
    };
    const struct {
        std::string name;
        std::vector<int> order;
        int addAfter;  // the step after which a child goes in at 0.5 past the last one out; -1 none
    } cases[] = {
        {"a run forward", range(20, 40, 1), -1},
        {"a run backward", range(39, 19, -1), -1},
        {"every third", range(1, kChildren, 3), -1},
        {"all from the head", range(0, kChildren, 1), -1},
        {"all from the tail", range(kChildren - 1, -1, -1), -1},
        {"shuffled", std::vector<int>(shuffled.begin(), shuffled.begin() + 25), -1},
        {"a run forward, one added in it", range(10, 50, 1), 12},
        {"a run backward, one added in it", range(50, 10, -1), 5},
        {"every second, one added in it", range(0, kChildren, 2), 7},
    };
    const std::vector<std::pair<std::string, std::function<ECBase*()>>> parents = {
        {"measure", [] { return new TEMeasure(0); }},
        {"track", [] { return new ECTrack; }},
        {"envelope", [] { return new ECEnvelope; }},
    };
    auto makePoint = [](float time) {
        auto* point = new ECEnvPoint;
        const MCTime t(time);
        point->SetTime(&t);
        return point;
    };
    auto timesOf = [](ECBase* parent) {
        std::vector<float> times;
        for (ECBase* child : *parent->GetChildren()) {
            times.push_back(child->GetTime()->GetSeconds());
            EXPECT_EQ(std::count(child->GetParents()->begin(), child->GetParents()->end(), parent), 1);
        }
        return times;
    };
    for (const auto& c : cases) {
        std::vector<float> referenceOut;
        std::vector<float> referenceBack;
        for (const auto& [kind, make] : parents) {
            SCOPED_TRACE(c.name + ", " + kind);
            const plat::RefPtr<ECBase> parent(make());
            std::vector<plat::RefPtr<ECBase>> children;
            for (int i = 0; i < kChildren; ++i) {
                children.emplace_back(makePoint(static_cast<float>(i)));
                ASSERT_EQ(parent->AddChild(children.back().get(), 1), 1);
            }
            MCLinkJournal journal;
            {
                const MCLinkJournal::Recording recording(journal);
                for (size_t step = 0; step < c.order.size(); ++step) {
                    ASSERT_EQ(parent->RemoveChild(children[static_cast<size_t>(c.order[step])].get(), 0), 1);
                    if (static_cast<int>(step) == c.addAfter) {
                        children.emplace_back(makePoint(static_cast<float>(c.order[step]) + 0.5f));
                        ASSERT_EQ(parent->AddChild(children.back().get(), 1), 1);
                    }
                }
            }
            EXPECT_EQ(parent->RemoveChild(children[static_cast<size_t>(c.order.front())].get(), 0), 0)
                << "a child out is not found";
            const std::vector<float> out = timesOf(parent.get());
            EXPECT_EQ(journal.Restore(), static_cast<int>(c.order.size()));
            const std::vector<float> back = timesOf(parent.get());
            if (kind == "measure") {
                referenceOut = out;
                referenceBack = back;
                EXPECT_EQ(static_cast<int>(back.size()), kChildren + (c.addAfter >= 0 ? 1 : 0));
            } else {
                EXPECT_EQ(out, referenceOut);
                EXPECT_EQ(back, referenceBack);
            }
            parent->RemoveChildren(1);
        }
    }
}

// A child list changed behind its parent's back (as the journal's moves and the sorts change
// it) leaves the finger behind: the next search does not trust it.
TEST_F(ECWithChildTest, AFingerLeftBeforeTheListChangedIsNotFollowed)
{
    const plat::RefPtr<ECTrack> track(new ECTrack);
    std::vector<plat::RefPtr<ECBase>> children;
    for (int i = 0; i < 8; ++i) {
        children.emplace_back(new TENote(static_cast<float>(i)));
        track->AddChild(children.back().get(), 1);
    }
    // The finger stands on child 4, index 3, once child 3 is out.
    ASSERT_EQ(track->RemoveChild(children[3].get(), 0), 1);
    // Child 5 moves to the head directly in the list: the index of 4 is 1 now, not 3.
    MCEventList& list = *track->GetChildren();
    list.AddHead(children[5].get());
    list.RemoveAt(list.Find(children[5].get(), list.GetHeadPosition()));
    EXPECT_EQ(track->IndexOfChild(children[4].get()), 4);
    EXPECT_EQ(track->IndexOfChild(children[5].get()), 0);
    EXPECT_EQ(track->IndexOfChild(children[3].get()), -1);
    MCLinkJournal journal;
    {
        const MCLinkJournal::Recording recording(journal);
        ASSERT_EQ(track->RemoveChild(children[4].get(), 0), 1);
    }
    ASSERT_EQ(journal.Restore(), 1);
    EXPECT_EQ(track->IndexOfChild(children[4].get()), 4) << "back at its place";
    track->RemoveChildren(1);
}

}  // namespace
