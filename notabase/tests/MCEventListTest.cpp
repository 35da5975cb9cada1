#include "notabase/model/MCEventList.h"
#include "notabase/model/MCTypedEventList.h"
#include "notabase/tests/TestElements.h"
#include "platform/core/RefPtr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <memory>

namespace {

// Counts the elements of a test alive at once, so that a test can show that releasing its
// lists deletes them all.
class Tracked : public TENote {
public:
    explicit Tracked(float time) : TENote(time) { ++s_alive; }
    ~Tracked() override { --s_alive; }
    static int s_alive;
};
int Tracked::s_alive = 0;

class MCEventListTest : public ::testing::Test {
protected:
    void SetUp() override { Tracked::s_alive = 0; }
    void TearDown() override { EXPECT_EQ(Tracked::s_alive, 0) << "an element outlived its lists"; }

    static std::vector<float> times(const MCEventList& list)
    {
        std::vector<float> result;
        for (ECBase* element : list) {
            const MCTime* t = element->GetTime();
            result.push_back(t ? t->GetSeconds() : -1.0f);
        }
        return result;
    }

    ModelStateGuard m_guard;
};

TEST_F(MCEventListTest, NodesHoldReferences)
{
    auto* e = new Tracked(1.0f);
    {
        MCEventList a;
        MCEventList b;
        a.AddTail(e);
        a.AddTail(e);
        EXPECT_EQ(e->GetRefCount(), 2u) << "the same element twice takes two references";
        b.AddEvent(e);
        EXPECT_EQ(e->GetRefCount(), 3u);
        EXPECT_EQ(a.RemoveEvent(e), 1);
        EXPECT_EQ(e->GetRefCount(), 2u);
        EXPECT_EQ(a.RemoveEvent(e), 1);
        EXPECT_EQ(a.RemoveEvent(e), 0);
        EXPECT_EQ(Tracked::s_alive, 1);
    }
    EXPECT_EQ(Tracked::s_alive, 0) << "destroying the last list deletes the element";
}

TEST_F(MCEventListTest, SetAtSwapsReferences)
{
    MCEventList list;
    auto* a = new Tracked(1.0f);
    auto* b = new Tracked(2.0f);
    const MCPosition p = list.AddTail(a);
    list.AddTail(b);
    list.SetAt(p, b);
    EXPECT_EQ(Tracked::s_alive, 1) << "the replaced element lost its only reference";
    EXPECT_EQ(b->GetRefCount(), 2u);
    list.SetAt(p, b);
    EXPECT_EQ(b->GetRefCount(), 2u) << "setting the element a node already holds keeps it alive";
    TEData notAnElement;
    EXPECT_THROW(list.SetAt(p, &notAnElement), std::invalid_argument);
    EXPECT_THROW(list.MCObList::AddTail(&notAnElement), std::invalid_argument);
    // A null element refused at a typed entry leaves the class check on for the untyped ones.
    EXPECT_THROW(list.AddTail(static_cast<ECBase*>(nullptr)), std::invalid_argument);
    EXPECT_THROW(list.MCObList::AddHead(&notAnElement), std::invalid_argument);
    EXPECT_EQ(list.GetCount(), 2);
}

TEST_F(MCEventListTest, SortedAddPlacesAfterEqualTimes)
{
    const struct {
        const char* what;
        float time;  // -1: untimed
        std::vector<float> expect;
    } cases[] = {
        {"equal time goes after the last equal", 2.0f, {1, 2, 2, 2, 3}},
        {"earliest goes to the head", 0.5f, {0.5f, 1, 2, 2, 3}},
        {"latest goes to the tail", 9.0f, {1, 2, 2, 3, 9}},
        {"untimed goes to the head", -1.0f, {-1, 1, 2, 2, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        MCEventList list;
        for (float t : {1.0f, 2.0f, 2.0f, 3.0f})
            list.AddTail(new Tracked(t));
        ECBase* e = c.time < 0 ? static_cast<ECBase*>(new TEBeam) : new Tracked(c.time);
        const MCPosition p = list.AddEvent(e, 1);
        EXPECT_EQ(list.GetAt(p), e);
        EXPECT_EQ(times(list), c.expect);
        if (c.time == 2.0f) {
            MCPosition q = list.FindIndex(3);
            EXPECT_EQ(list.GetAt(q), e) << "after the second 2";
        }
    }
}

TEST_F(MCEventListTest, TypeQueries)
{
    MCEventList list;
    std::vector<int> types{99};
    EXPECT_EQ(list.GetEventType(), -1);
    list.AddTail(new Tracked(1));
    list.AddTail(new Tracked(2));
    EXPECT_EQ(list.GetEventType(), EventId::Note);
    list.AddTail(new TERest);
    EXPECT_EQ(list.GetEventType(), -2);
    EXPECT_EQ(list.GetEventTypes(types), 3);
    EXPECT_EQ(types, (std::vector<int>{99, EventId::Note, EventId::Rest}));
    EXPECT_EQ(list.ContainsEventType(EventId::Rest), 1);
    EXPECT_EQ(list.ContainsEventType(EventId::Beam), 0);
    EXPECT_EQ(list.GetAt(list.FindEvent(EventId::Note, list.GetHeadPosition())), list.GetAt(list.FindIndex(1)));
    EXPECT_EQ(list.FindEventReverse(EventId::Rest, list.GetTailPosition()), nullptr);
    EXPECT_EQ(list.FindEventReverse(EventId::Note), list.FindIndex(1));
}

TEST_F(MCEventListTest, TimeSearchesSkipUntimedElements)
{
    MCEventList list;
    list.AddTail(new TEBeam);
    for (float t : {1.0f, 2.0f, 3.0f})
        list.AddTail(new Tracked(t));
    list.AddTail(new TEBeam);
    const MCTime two(2.0f);
    EXPECT_EQ(list.FindTime(&two), list.FindIndex(3));
    EXPECT_EQ(list.FindTimeReverse(&two), list.FindIndex(2));
    EXPECT_EQ(list.FindTimeReverse(&two, list.FindIndex(2)), list.FindIndex(1));
    EXPECT_EQ(list.FindTime(&two, list.FindIndex(3)), nullptr);
    const MCTime early(0.0f);
    EXPECT_EQ(list.FindTimeReverse(&early), nullptr);
}

TEST_F(MCEventListTest, SortOrdersByTimeWithUntimedFirst)
{
    MCEventList list;
    auto* a = new Tracked(3);
    auto* b = new Tracked(1);
    auto* c = new Tracked(3);
    auto* beam = new TEBeam;
    for (ECBase* e : std::initializer_list<ECBase*>{a, b, beam, c, new Tracked(2)})
        list.AddTail(e);
    list.Sort();
    EXPECT_EQ(times(list), (std::vector<float>{-1, 1, 2, 3, 3}));
    EXPECT_EQ(list.GetAt(list.FindIndex(3)), a);
    EXPECT_EQ(list.GetAt(list.FindIndex(4)), c);
    EXPECT_EQ(a->GetRefCount(), 1u);
}

TEST_F(MCEventListTest, RemoveDuplicatesKeepsTheLastPlace)
{
    auto* a = new Tracked(1);
    auto* b = new Tracked(2);
    auto* c = new Tracked(3);
    MCEventList list;
    for (ECBase* e : std::initializer_list<ECBase*>{a, b, a, c})
        list.AddTail(e);
    list.RemoveDuplicates();
    ASSERT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetAt(list.FindIndex(0)), b);
    EXPECT_EQ(list.GetAt(list.FindIndex(1)), a);
    EXPECT_EQ(list.GetAt(list.FindIndex(2)), c);
    EXPECT_EQ(a->GetRefCount(), 1u);
}

TEST_F(MCEventListTest, ListOperationsOnItself)
{
    MCEventList list;
    list.AddTail(new Tracked(2));
    list.AddTail(new Tracked(1));
    list.AddEvents(list, 1);
    EXPECT_EQ(times(list), (std::vector<float>{2, 1, 1, 2})) << "each lands after the last not later than it";
    list.RemoveEvents(list);
    EXPECT_TRUE(list.IsEmpty());
}

TEST_F(MCEventListTest, TypedListHandsOutItsType)
{
    MCTypedEventList<Tracked> list;
    auto* a = new Tracked(1);
    list.AddTail(a);
    list.AddTail(new Tracked(2));
    MCPosition p = list.GetHeadPosition();
    Tracked* first = list.GetNext(p);
    EXPECT_EQ(first, a);
    EXPECT_EQ(list.GetTail()->GetTime()->GetSeconds(), 2.0f);
    EXPECT_EQ(list.RemoveHead(), a);  // deleted with its last reference; only compared
    EXPECT_EQ(Tracked::s_alive, 1);
}

TEST_F(MCEventListTest, StoredListLoadsItsElementsOnce)
{
    auto* shared = new Tracked(1);
    MCEventList list;
    list.AddTail(shared);
    list.AddTail(new TERest);
    list.AddTail(shared);
    const auto bytes = storeObject(&list);
    std::unique_ptr<plat::Object> loaded(loadObject(bytes));
    auto* copy = plat::dynamicDowncast<MCEventList>(loaded.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->GetCount(), 3);
    EXPECT_EQ(copy->GetHead(), copy->GetTail());
    EXPECT_EQ(copy->GetHead()->GetRefCount(), 2u);
    EXPECT_EQ(copy->GetAt(copy->FindIndex(1))->GetEventId(), EventId::Rest);
}

static_assert(std::forward_iterator<MCEventList::Iterator>);
static_assert(std::forward_iterator<MCTypedEventList<Tracked>::Iterator>);

TEST_F(MCEventListTest, RangeForHandsOutElementsAndToleratesRemovingTheOneInHand)
{
    MCTypedEventList<Tracked> list;
    for (int i = 1; i <= 6; ++i)
        list.AddTail(new Tracked(static_cast<float>(i)));
    std::vector<float> seen;
    for (Tracked* element : list) {
        const float t = element->GetTime()->GetSeconds();
        seen.push_back(t);
        // Removing the element in hand deletes it (its last reference) and frees its node.
        if (static_cast<int>(t) % 2 == 1)
            list.RemoveEvent(element);
    }
    EXPECT_EQ(seen, (std::vector<float>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(times(list), (std::vector<float>{2, 4, 6}));
    EXPECT_EQ(Tracked::s_alive, 3);

    const MCEventList& plain = list;
    EXPECT_EQ(std::ranges::count_if(plain, [](ECBase* e) { return e->GetTime()->GetSeconds() > 3; }), 2);
    MCEventList empty;
    EXPECT_EQ(empty.begin(), empty.end());
}

// An element whose deletion, set off by leaving a list, empties that list and fills it
// again: the list stays whole while its own node is being freed.
TEST_F(MCEventListTest, ALeavingElementMayEmptyAndRefillItsList)
{
    class Emptying : public Tracked {
    public:
        Emptying(MCEventList& list, ECBase* refill) : Tracked(0.0f), m_list(list), m_refill(refill) {}
        ~Emptying() override
        {
            m_list.RemoveAll();
            m_list.AddTail(m_refill);
        }

    private:
        MCEventList& m_list;
        ECBase* m_refill;
    };

    MCEventList list;
    auto* refill = new Tracked(9.0f);
    plat::RefPtr<ECBase> keep(refill);
    list.AddTail(new Emptying(list, refill));
    for (int i = 1; i <= 40; ++i)
        list.AddTail(new Tracked(static_cast<float>(i)));
    list.RemoveHead();
    EXPECT_EQ(times(list), (std::vector<float>{9}));
    EXPECT_EQ(Tracked::s_alive, 1);
    for (int i = 1; i <= 3; ++i)
        list.AddTail(new Tracked(static_cast<float>(i)));
    EXPECT_EQ(times(list), (std::vector<float>{9, 1, 2, 3}));
    list.RemoveAll();
    keep = nullptr;
}

}  // namespace
