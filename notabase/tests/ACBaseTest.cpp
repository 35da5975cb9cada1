#include "notabase/actions/ACBase.h"
#include "notabase/actions/ACRelativesFirst.h"
#include "notabase/tests/TestElements.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>

namespace {

// Records the elements it acts on by name; a per-element result steers the walk.
template <class Base>
class Recorder : public Base {
public:
    explicit Recorder(const std::map<const ECBase*, std::string>& names) : m_names(names) {}

    int BeginAction() override
    {
        ++begins;
        Base::BeginAction();
        return refuse ? 0 : 1;
    }
    int DoAction(ECBase* element) override
    {
        visited.push_back(m_names.at(element));
        const auto it = results.find(visited.back());
        return it == results.end() ? 0 : it->second;
    }
    void EndAction() override { ++ends; }

    std::vector<std::string> visited;
    std::map<std::string, int> results;
    int begins = 0;
    int ends = 0;
    bool refuse = false;

private:
    const std::map<const ECBase*, std::string>& m_names;
};

// staff
//   measure1: beam (n1, n2), n1, n2, n3
//   measure2: n4
//   envelope: p1, p2
class ACBaseTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        staff = add(new TEStaff, "staff");
        measure1 = add(new TEMeasure(0), "measure1");
        measure2 = add(new TEMeasure(4), "measure2");
        beam = add(new TEBeam, "beam");
        envelope = add(new TEEnvelope, "envelope");
        staff->AddChild(measure1, 0);
        staff->AddChild(measure2, 0);
        staff->AddChild(envelope, 0);
        measure1->AddChild(beam, 0);
        for (int i = 1; i <= 3; ++i) {
            ECBase* n = add(new TENote(static_cast<float>(i)), "n" + std::to_string(i));
            measure1->AddChild(n, 0);
            if (i < 3)
                beam->AddChild(n, 0);
        }
        measure2->AddChild(add(new TENote(5), "n4"), 0);
        envelope->AddChild(add(new TEPoint, "p1"), 0);
        envelope->AddChild(add(new TEPoint, "p2"), 0);
    }
    void TearDown() override { delete staff; }

    ECBase* add(ECBase* e, const std::string& name)
    {
        names[e] = name;
        byName[name] = e;
        return e;
    }

    using Names = std::vector<std::string>;
    std::map<const ECBase*, std::string> names;
    std::map<std::string, ECBase*> byName;
    ECBase* staff = nullptr;
    ECBase* measure1 = nullptr;
    ECBase* measure2 = nullptr;
    ECBase* beam = nullptr;
    ECBase* envelope = nullptr;
};

TEST_F(ACBaseTest, DefaultListsClipSpannersAndBypassEnvelopes)
{
    Recorder<ACBase> action(names);
    EXPECT_EQ(action.Apply(staff), 0);
    EXPECT_EQ(action.visited, (Names{"staff", "measure1", "beam", "n1", "n2", "n3", "measure2", "n4", "p1", "p2"}));

    Recorder<ACBase> plain(names);
    plain.ClipNone();
    plain.BypassNone();
    plain.Apply(measure1);
    EXPECT_EQ(plain.visited, (Names{"measure1", "beam", "n1", "n2", "n3"})) << "the beam's notes are met once";

    Recorder<ACBase> clipNotes(names);
    clipNotes.ClipEvtType(-1);
    clipNotes.ClipEvtType(EventId::Measure);
    clipNotes.BypassEvtType(EventId::Staff);
    clipNotes.Apply(staff);
    EXPECT_EQ(clipNotes.visited, (Names{"measure1", "measure2", "p1", "p2"})) << "the default bypass list stays";
}

TEST_F(ACBaseTest, ResultsSteerTheWalk)
{
    const struct {
        const char* what;
        std::map<std::string, int> results;
        int expect;
        Names visited;
    } cases[] = {
        {"1 skips what lies below", {{"measure1", 1}}, 0, {"staff", "measure1", "measure2", "n4", "p1", "p2"}},
        {"3 cuts only that row of siblings", {{"n1", 3}}, 0, {"staff", "measure1", "beam", "n1", "measure2", "n4", "p1", "p2"}},
        {"2 stops everything", {{"n2", 2}}, 2, {"staff", "measure1", "beam", "n1", "n2"}},
        {"-1 aborts", {{"n1", -1}}, -1, {"staff", "measure1", "beam", "n1"}},
        {"-1 at the start", {{"staff", -1}}, -1, {"staff"}},
        {"other values go on as 0 without the clip", {{"beam", 7}, {"n3", 9}}, 0,
         {"staff", "measure1", "beam", "n1", "n2", "n3", "measure2", "n4", "p1", "p2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder<ACBase> action(names);
        action.results = c.results;
        EXPECT_EQ(action.Apply(staff), c.expect);
        EXPECT_EQ(action.visited, c.visited);
    }
}

TEST_F(ACBaseTest, DepthLimit)
{
    const struct {
        unsigned char depth;
        Names visited;
    } cases[] = {
        {0, {"measure1"}},
        {1, {"measure1", "beam", "n1", "n2", "n3"}},
        {255, {"measure1", "beam", "n1", "n2", "n3"}},
    };
    for (const auto& c : cases) {
        Recorder<ACBase> action(names);
        action.SetDepth(c.depth);
        EXPECT_EQ(action.GetDepth(), c.depth);
        action.Apply(measure1);
        EXPECT_EQ(action.visited, c.visited) << int(c.depth);
    }
    // Bypassed elements do not count as a level: the envelope's points stand at depth 1.
    Recorder<ACBase> fromStaff(names);
    fromStaff.SetDepth(1);
    fromStaff.Apply(staff);
    EXPECT_EQ(fromStaff.visited, (Names{"staff", "measure1", "measure2", "p1", "p2"}));
}

TEST_F(ACBaseTest, ReverseWalksParents)
{
    Recorder<ACBase> action(names);
    action.SetReverse(1);
    EXPECT_EQ(action.IsReverse(), 1);
    action.ClipNone();
    action.Apply(byName["n1"]);
    EXPECT_EQ(action.visited, (Names{"n1", "measure1", "staff", "beam"}));
}

TEST_F(ACBaseTest, BeginOnceEndOnceUntilReset)
{
    Recorder<ACBase> refusing(names);
    refusing.refuse = true;
    EXPECT_EQ(refusing.Apply(staff), -1);
    EXPECT_TRUE(refusing.visited.empty());
    EXPECT_EQ(refusing.ends, 0);

    Recorder<ACBase> action(names);
    action.Apply(staff);
    EXPECT_EQ(action.begins, 1);
    EXPECT_EQ(action.ends, 1) << "once for the whole walk, not once per nested level";
    action.Apply(measure2);
    EXPECT_EQ(action.begins, 1) << "results gather across walks";
    EXPECT_EQ(action.ends, 2);
    action.Reset();
    action.Apply(measure2);
    EXPECT_EQ(action.begins, 2);

    Recorder<ACBase> limited(names);
    limited.SetDepth(3);
    limited.Apply(staff);
    EXPECT_EQ(limited.ends, 1) << "also through bypassed levels";
}

TEST_F(ACBaseTest, ListForm)
{
    MCEventList list;
    list.AddTail(measure1);
    list.AddTail(measure2);
    {
        Recorder<ACBase> action(names);
        action.results = {{"n1", 2}};
        EXPECT_EQ(action.Apply(&list, 0), 2);
        EXPECT_EQ(action.visited, (Names{"measure1", "beam", "n1"}));
        EXPECT_EQ(action.ends, 1);
    }
    {
        Recorder<ACBase> action(names);
        action.results = {{"n1", 2}};
        EXPECT_EQ(action.Apply(&list, 1), 0);
        EXPECT_EQ(action.visited, (Names{"measure1", "beam", "n1", "measure2", "n4"}));
        EXPECT_EQ(action.ends, 1);
        action.Apply(measure2);
        EXPECT_EQ(action.ends, 1) << "after the list form, single walks leave EndAction to the caller";
    }
    {
        Recorder<ACBase> action(names);
        action.results = {{"measure1", -1}};
        EXPECT_EQ(action.Apply(&list, 0), 2) << "an abort ends the list with 2";
        MCEventList empty;
        Recorder<ACBase> none(names);
        EXPECT_EQ(none.Apply(&empty, 0), 0);
        EXPECT_EQ(none.ends, 1);
    }
}

TEST_F(ACBaseTest, RelativesFirst)
{
    Recorder<ACRelativesFirst> action(names);
    EXPECT_EQ(action.Apply(measure1), 0);
    EXPECT_EQ(action.visited, (Names{"n1", "n2", "beam", "n3", "measure1"}));
    EXPECT_EQ(action.ends, 1);

    Recorder<ACRelativesFirst> fromStaff(names);
    fromStaff.results = {{"n4", 2}};
    EXPECT_EQ(fromStaff.Apply(staff), 2);
    EXPECT_EQ(fromStaff.visited.back(), "n4");
    EXPECT_EQ(std::count(fromStaff.visited.begin(), fromStaff.visited.end(), "staff"), 0);

    Recorder<ACRelativesFirst> shallow(names);
    shallow.SetDepth(0);
    shallow.Apply(measure1);
    EXPECT_EQ(shallow.visited, (Names{"measure1"}));

    // A bypassed element is still acted on after its relatives.
    Recorder<ACRelativesFirst> envelopeWalk(names);
    envelopeWalk.Apply(envelope);
    EXPECT_EQ(envelopeWalk.visited, (Names{"p1", "p2", "envelope"}));
}

// Ornaments that share their children: each level two elements, each a child of both above,
// down to one note under the last two. 2^levels paths lead to the note; the elements number
// 2 * levels + 2.
class Lattice {
public:
    explicit Lattice(int levels)
    {
        root = add(new TEStaff, "root");
        std::vector<ECBase*> above{root};
        for (int level = 1; level <= levels; ++level) {
            std::vector<ECBase*> row;
            for (const char* side : {"a", "b"}) {
                ECBase* element = add(new CountedMeasure, side + std::to_string(level));
                for (ECBase* parent : above)
                    parent->AddChild(element, 0);
                row.push_back(element);
            }
            above = row;
        }
        leaf = add(new TENote(1.0f), "leaf");
        for (ECBase* parent : above)
            parent->AddChild(leaf, 0);
    }
    ~Lattice() { delete root; }
    Lattice(const Lattice&) = delete;
    Lattice& operator=(const Lattice&) = delete;

    // A measure that counts how often a walk asks what it is: once each time it is met.
    class CountedMeasure : public TEMeasure {
    public:
        int GetEventId() const override
        {
            ++asked;
            return EventId::Measure;
        }
        static inline long asked = 0;
    };

    ECBase* add(ECBase* e, const std::string& name)
    {
        names[e] = name;
        return e;
    }

    std::map<const ECBase*, std::string> names;
    ECBase* root = nullptr;
    ECBase* leaf = nullptr;
};

TEST_F(ACBaseTest, EachElementIsMetOnceWhateverThePathsToIt)
{
    // 40 levels: 2^40 paths to the leaf, which a walk of every path would never finish.
    constexpr int levels = 40;
    Lattice lattice(levels);
    const size_t elements = lattice.names.size();
    const auto once = [&](const Names& visited) {
        std::vector<std::string> sorted = visited;
        std::sort(sorted.begin(), sorted.end());
        return std::adjacent_find(sorted.begin(), sorted.end()) == sorted.end();
    };

    Recorder<ACBase> down(lattice.names);
    down.BypassNone();
    EXPECT_EQ(down.Apply(lattice.root), 0);
    EXPECT_EQ(down.visited.size(), elements);
    EXPECT_TRUE(once(down.visited));
    EXPECT_EQ(down.visited.front(), "root");
    // Depth first: down the first ornament of each row to the leaf, then back up.
    EXPECT_EQ(down.visited[levels + 1], "leaf");

    Recorder<ACBase> up(lattice.names);
    up.SetReverse(1);
    up.Apply(lattice.leaf);
    EXPECT_EQ(up.visited.size(), elements);
    EXPECT_TRUE(once(up.visited));

    Recorder<ACRelativesFirst> after(lattice.names);
    after.Apply(lattice.root);
    EXPECT_EQ(after.visited.size(), elements);
    EXPECT_TRUE(once(after.visited));
    EXPECT_EQ(after.visited.front(), "leaf");
    EXPECT_EQ(after.visited.back(), "root");

    // A limit of 10 levels reaches the root and the first ten rows.
    for (const bool relativesFirst : {false, true}) {
        SCOPED_TRACE(relativesFirst ? "relatives first" : "element first");
        Recorder<ACBase> limited(lattice.names);
        Recorder<ACRelativesFirst> limitedAfter(lattice.names);
        ACBase& action = relativesFirst ? static_cast<ACBase&>(limitedAfter) : limited;
        action.SetDepth(10);
        action.Apply(lattice.root);
        const Names& visited = relativesFirst ? limitedAfter.visited : limited.visited;
        EXPECT_EQ(visited.size(), 21u);
        EXPECT_TRUE(once(visited));
    }

    // The element searches: a type that is not there is asked of each ornament once per path
    // into it (two), with a bound on the levels or without.
    for (const bool upwards : {false, true}) {
        for (const int bound : {-1, 30}) {
            SCOPED_TRACE(std::string(upwards ? "ancestor" : "descendant") + " within " + std::to_string(bound));
            Lattice::CountedMeasure::asked = 0;
            ECBase* from = upwards ? lattice.leaf : lattice.root;
            EXPECT_EQ(upwards ? from->GetAncestor(EventId::Clef, bound) : from->GetDescendant(EventId::Clef, bound),
                      nullptr);
            EXPECT_GT(Lattice::CountedMeasure::asked, 0);
            EXPECT_LE(Lattice::CountedMeasure::asked, 2 * 2 * levels);
        }
    }
}

TEST_F(ACBaseTest, ALaterPathToAnElementGetsItsFirstAnswer)
{
    // root: m1 (s, a), m2 (s, b), deep (q (x)), x (c): s stands under both measures; x is
    // met first three levels down, then one level down.
    std::map<const ECBase*, std::string> names;
    const auto make = [&names](ECBase* e, const std::string& name) {
        names[e] = name;
        return e;
    };
    ECBase* root = make(new TEStaff, "root");
    ECBase* m1 = make(new TEMeasure(0), "m1");
    ECBase* m2 = make(new TEMeasure(4), "m2");
    ECBase* shared = make(new TENote(1), "s");
    ECBase* deep = make(new TEMeasure(8), "deep");
    ECBase* q = make(new TEMeasure(8), "q");
    ECBase* x = make(new TEMeasure(8), "x");
    root->AddChild(m1, 0);
    root->AddChild(m2, 0);
    root->AddChild(deep, 0);
    root->AddChild(x, 0);
    m1->AddChild(shared, 0);
    m1->AddChild(make(new TENote(2), "a"), 0);
    m2->AddChild(shared, 0);
    m2->AddChild(make(new TENote(5), "b"), 0);
    deep->AddChild(q, 0);
    q->AddChild(x, 0);
    x->AddChild(make(new TENote(9), "c"), 0);

    const struct {
        const char* what;
        std::map<std::string, int> results;
        unsigned char depth;
        Names visited;
    } cases[] = {
        {"every element once", {}, ACBase::noDepthLimit, {"root", "m1", "s", "a", "m2", "b", "deep", "q", "x", "c"}},
        {"a 3 cuts the second row too", {{"s", 3}}, ACBase::noDepthLimit, {"root", "m1", "s", "m2", "deep", "q", "x", "c"}},
        {"a 1 keeps the second path out too", {{"x", 1}}, ACBase::noDepthLimit,
         {"root", "m1", "s", "a", "m2", "b", "deep", "q", "x"}},
        {"what the limit cut below is walked from nearer", {}, 3, {"root", "m1", "s", "a", "m2", "b", "deep", "q", "x", "c"}},
        {"and only within the limit", {}, 1, {"root", "m1", "m2", "deep", "x"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Recorder<ACBase> action(names);
        action.results = c.results;
        action.SetDepth(c.depth);
        EXPECT_EQ(action.Apply(root), 0);
        EXPECT_EQ(action.visited, c.visited);
    }
    // Each walk starts afresh.
    Recorder<ACBase> twice(names);
    twice.Apply(m1);
    twice.Apply(m2);
    EXPECT_EQ(twice.visited, (Names{"m1", "s", "a", "m2", "s", "b"}));
    delete root;
}

// The first element of an id found by a walk: what the element searches answer.
class FindFirst : public ACBase {
public:
    FindFirst(int reverse, int id) : ACBase(reverse), m_id(id) {}
    int DoAction(ECBase* element) override
    {
        if (element->GetEventId() != m_id)
            return 0;
        found = element;
        return 2;
    }
    ECBase* found = nullptr;

private:
    int m_id;
};

TEST_F(ACBaseTest, ElementSearchesFindWhatTheWalkFinds)
{
    // A second parent for n4 and a rest under the beam only, so that list order, clipping
    // and depth all decide something.
    ECBase* n4 = byName["n4"];
    beam->AddChild(n4, 0);
    ECBase* under = add(new TERest, "rest");
    beam->AddChild(under, 0);
    const int ids[] = {EventId::Staff, EventId::Measure, EventId::Beam, EventId::Note, EventId::Rest,
                       EventId::Envelope, EventId::EnvPoint, EventId::Clef};
    for (const auto& [name, element] : byName) {
        for (int id : ids) {
            for (int depth : {-1, 0, 1, 2, 3, 254, 255, 300}) {
                SCOPED_TRACE(name + " id " + std::to_string(id) + " depth " + std::to_string(depth));
                const unsigned char limit = depth < 0 || depth >= ACBase::noDepthLimit
                    ? ACBase::noDepthLimit : static_cast<unsigned char>(depth);
                FindFirst up(1, id);
                up.ClipNone();
                up.BypassNone();
                up.SetDepth(limit);
                up.Apply(element);
                EXPECT_EQ(element->GetAncestor(id, depth), up.found);
                FindFirst down(0, id);
                down.BypassNone();
                down.SetDepth(limit);
                down.Apply(element);
                EXPECT_EQ(element->GetDescendant(id, depth), down.found);
            }
        }
    }
}

}  // namespace
