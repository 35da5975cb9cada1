// A selection of many elements comes out exactly as placing each element with
// MCEventList::AddEvent(element, 1) and editing plain lists one element at a time makes it:
// the request list, the new selection, and the added and dropped lists, whatever order the
// elements come in and whatever their times are.

#include "notabase/model/ECMirror.h"
#include "notabase/model/ECWithTime.h"
#include "notabase/model/MCEventList.h"
#include "notabase/states/SCSelection.h"
#include "platform/core/RefPtr.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace {

class Timed : public ECWithTime {
public:
    explicit Timed(const MCTime& time) { SetTime(&time); }
};

// Times of the elements of a case.
enum class Times {
    rising,
    falling,
    staffByStaff,  // four runs, each rising from 0: equal times from different runs
    allEqual,
    someUntimed,
    signedAndZero,  // negative values, -0 and 0
    records,        // bar/pulse/tick in one resolution, out of order
    twoResolutions,
    recordsAndValues,
    withNaN,
};

const char* name(Times times)
{
    static const char* const names[] = {"rising",  "falling", "staff by staff", "all equal", "some untimed",
                                        "signed",  "records", "two resolutions", "records and values", "NaN"};
    return names[static_cast<int>(times)];
}

// count elements with the times, held as long as the pool lives.
class Pool {
public:
    std::vector<ECBase*> Make(Times times, int count)
    {
        std::vector<ECBase*> made;
        for (int i = 0; i < count; ++i) {
            ECBase* element = Make(times, i, count);
            m_held.emplace_back(element);
            made.push_back(element);
        }
        return made;
    }

private:
    static ECBase* Make(Times times, int i, int count)
    {
        const int scrambled = (i * 7) % 11;
        switch (times) {
        case Times::rising: return new Timed(MCTime(0.5f * float(i)));
        case Times::falling: return new Timed(MCTime(0.5f * float(count - i)));
        case Times::staffByStaff: return new Timed(MCTime(0.5f * float(i % ((count + 3) / 4))));
        case Times::allEqual: return new Timed(MCTime(1.0f));
        case Times::someUntimed: return i % 5 == 0 ? new ECBase : new Timed(MCTime(float(scrambled)));
        case Times::signedAndZero: {
            const float values[] = {-2.5f, -0.0f, 0.0f, 3.0f, -1e30f, 1e-30f, -1e-30f};
            return new Timed(MCTime(values[i % 7]));
        }
        case Times::records: return new Timed(MCTime(scrambled % 4, i % 3, (i * 37) % 480, 480));
        case Times::twoResolutions: return new Timed(MCTime(scrambled % 4, 0, (i * 37) % 96, i % 2 ? 96 : 480));
        case Times::recordsAndValues:
            return i % 3 ? new Timed(MCTime(float(scrambled))) : new Timed(MCTime(0, scrambled % 4, 0, 480));
        case Times::withNaN:
            return new Timed(MCTime(i == 9 ? std::numeric_limits<float>::quiet_NaN() : float(scrambled)));
        }
        return nullptr;
    }

    std::vector<plat::RefPtr<ECBase>> m_held;
};

std::vector<ECBase*> contents(const MCEventList* list)
{
    std::vector<ECBase*> result;
    if (list) {
        for (ECBase* element : *list)
            result.push_back(element);
    }
    return result;
}

// What placing the elements one at a time into a plain list holding `existing` makes, each
// element once.
std::vector<ECBase*> placedOneByOne(const std::vector<std::vector<ECBase*>>& batches,
                                    const std::vector<ECBase*>& existing = {})
{
    MCEventList list;
    for (ECBase* element : existing)
        list.AddTail(element);
    for (const std::vector<ECBase*>& batch : batches) {
        for (ECBase* element : batch) {
            if (!list.Find(element))
                list.AddEvent(element, 1);
        }
    }
    return contents(&list);
}

const Times kAllTimes[] = {Times::rising,        Times::falling, Times::staffByStaff,   Times::allEqual,
                           Times::someUntimed,   Times::signedAndZero, Times::records, Times::twoResolutions,
                           Times::recordsAndValues, Times::withNaN};

// The request list is in the order of placing one by one, whether the elements come one at
// a time, as a list, or in two rounds with the list read in between; each element is there
// once, however often it came.
TEST(SelectionOrder, RequestListIsPlacedAsOneByOne)
{
    for (Times times : kAllTimes) {
        for (int count : {6, 60}) {
            Pool pool;
            const std::vector<ECBase*> elements = pool.Make(times, count);
            const std::vector<ECBase*> first(elements.begin(), elements.begin() + count / 2);
            const std::vector<ECBase*> second(elements.begin() + count / 2, elements.end());
            const std::string label = std::string(name(times)) + " " + std::to_string(count);

            SCSelection single(SCSelection::kReplace);
            for (ECBase* element : elements)
                single.AddToSelection(element);
            for (ECBase* element : first)
                single.AddToSelection(element);
            EXPECT_EQ(contents(single.GetEvents(SCSelection::kRequest)), placedOneByOne({elements})) << label;

            MCEventList list;
            for (ECBase* element : elements)
                list.AddTail(element);
            SCSelection whole(SCSelection::kReplace, &list);
            EXPECT_EQ(contents(whole.GetEvents(SCSelection::kRequest)), placedOneByOne({elements})) << label;

            SCSelection rounds(SCSelection::kReplace);
            for (ECBase* element : first)
                rounds.AddToSelection(element);
            EXPECT_EQ(contents(rounds.GetEvents(SCSelection::kRequest)), placedOneByOne({first})) << label;
            for (ECBase* element : elements)
                rounds.AddToSelection(element);
            EXPECT_EQ(contents(rounds.GetEvents(SCSelection::kRequest)), placedOneByOne({first, second})) << label;
        }
    }
}

// Spelled out: elements given latest first come in time order; equal times keep the order
// they came in, so four staves given staff by staff interleave.
TEST(SelectionOrder, TimeOrderSpelledOut)
{
    Pool pool;
    const std::vector<ECBase*> falling = pool.Make(Times::falling, 30);
    SCSelection latestFirst(SCSelection::kReplace);
    for (ECBase* element : falling)
        latestFirst.AddToSelection(element);
    EXPECT_EQ(contents(latestFirst.GetEvents(SCSelection::kRequest)),
              std::vector<ECBase*>(falling.rbegin(), falling.rend()));

    const std::vector<ECBase*> staves = pool.Make(Times::staffByStaff, 40);
    SCSelection staffByStaff(SCSelection::kReplace);
    for (ECBase* element : staves)
        staffByStaff.AddToSelection(element);
    std::vector<ECBase*> interleaved;
    for (int beat = 0; beat < 10; ++beat) {
        for (int staff = 0; staff < 4; ++staff)
            interleaved.push_back(staves[static_cast<size_t>(staff * 10 + beat)]);
    }
    EXPECT_EQ(contents(staffByStaff.GetEvents(SCSelection::kRequest)), interleaved);
}

// Removing takes each element asked for out (a mirror stands for its element, an element not
// requested is passed over), leaves the rest in order, and a removed element can come back.
// The request list handed out can be changed by its reader and then removed from itself.
TEST(SelectionOrder, RemovingKeepsTheRestAndLetsElementsBackIn)
{
    Pool pool;
    const std::vector<ECBase*> elements = pool.Make(Times::someUntimed, 50);
    const std::vector<ECBase*> stranger = pool.Make(Times::rising, 1);
    SCSelection selection(SCSelection::kAdd);
    for (ECBase* element : elements)
        selection.AddToSelection(element);
    const std::vector<ECBase*> all = placedOneByOne({elements});

    MCEventList removals;
    std::vector<ECBase*> removed, kept;
    for (size_t i = 0; i < all.size(); ++i)
        (i % 3 == 1 ? removed : kept).push_back(all[i]);
    for (ECBase* element : removed)
        removals.AddTail(element);
    removals.AddTail(stranger[0]);
    auto* mirror = new ECMirror(kept[0]);
    removals.AddTail(mirror);
    selection.RemoveFromSelection(&removals);
    kept.erase(kept.begin());
    EXPECT_EQ(contents(selection.GetEvents(SCSelection::kRequest)), kept);

    for (ECBase* element : elements)
        selection.AddToSelection(element);
    EXPECT_EQ(contents(selection.GetEvents(SCSelection::kRequest)), placedOneByOne({elements}, kept));

    MCEventList* request = selection.GetEvents(SCSelection::kRequest);
    request->RemoveEvent(all[5]);
    selection.AddToSelection(all[5]);
    EXPECT_EQ(selection.GetEvents(SCSelection::kRequest)->GetCount(), static_cast<int>(all.size()));
    selection.RemoveFromSelection(selection.GetEvents(SCSelection::kRequest));
    EXPECT_TRUE(selection.GetEvents(SCSelection::kRequest)->IsEmpty());
}

// The result of UpdateSelection by plain list edits, one element at a time.
struct Outcome {
    std::vector<ECBase*> newSelection, added, dropped, current;
    std::vector<int> marks;
    int result = 0;
};

Outcome updatedOneByOne(int code, const std::vector<ECBase*>& current, const std::vector<ECBase*>& request,
                        const std::vector<ECBase*>& everything)
{
    MCEventList selection;
    if (code == SCSelection::kReplace) {
        for (ECBase* element : request)
            selection.AddTail(element);
    } else if (code != SCSelection::kClear) {
        for (ECBase* element : current)
            selection.AddTail(element);
        for (ECBase* element : request) {
            if (code == SCSelection::kAdd) {
                if (!selection.Find(element))
                    selection.AddTail(element);
            } else if (code == SCSelection::kRemove || element->IsSelected()) {
                selection.RemoveEvent(element);
            } else {
                selection.AddTail(element);
            }
        }
    }
    MCEventList before, added, dropped;
    for (ECBase* element : current)
        before.AddTail(element);
    for (ECBase* element : selection) {
        if (!before.Find(element))
            added.AddEvent(element, 1);
    }
    for (ECBase* element : before) {
        if (!selection.Find(element))
            dropped.AddEvent(element, 1);
    }
    Outcome outcome{contents(&selection), contents(&added), contents(&dropped), contents(&selection), {}, 0};
    outcome.result = added.IsEmpty() && dropped.IsEmpty() ? 0 : 1;
    for (ECBase* element : everything) {
        int mark = element->IsSelected();
        if (added.Find(element))
            mark = 1;
        if (dropped.Find(element))
            mark = 0;
        outcome.marks.push_back(mark);
    }
    return outcome;
}

// Each code over selections that overlap the request, hold an element twice, are marked
// unlike what they hold, and come in any time order: the new selection, the added and dropped
// lists (in time order), the receiver's list, the marks and the result are those of plain
// list edits one element at a time.
TEST(SelectionOrder, UpdateSelectionMatchesPlainListEdits)
{
    struct Case {
        const char* name;
        Times times;
        int code;
        int currentFrom, currentTo;  // the current selection: elements [from, to), step 1
        int requestFrom, requestTo;  // the request: elements [from, to)
        bool doubled;                // the current selection holds its first elements twice
        int markedEvery;             // elements i with i % markedEvery == 0 are marked selected
    };
    const Case cases[] = {
        {"replace overlapping", Times::falling, SCSelection::kReplace, 0, 40, 20, 70, false, 1},
        {"add overlapping", Times::staffByStaff, SCSelection::kAdd, 0, 40, 20, 80, false, 1},
        {"add to a doubled selection", Times::someUntimed, SCSelection::kAdd, 10, 50, 0, 60, true, 1},
        {"remove part", Times::records, SCSelection::kRemove, 0, 60, 30, 80, false, 1},
        {"remove from a doubled selection", Times::falling, SCSelection::kRemove, 0, 40, 0, 20, true, 1},
        {"toggle, marks as held", Times::rising, SCSelection::kToggle, 0, 40, 20, 70, false, 1},
        {"toggle, marks unlike held", Times::twoResolutions, SCSelection::kToggle, 0, 40, 10, 70, true, 3},
        {"clear", Times::signedAndZero, SCSelection::kClear, 0, 50, 0, 10, false, 1},
        {"add nothing new", Times::withNaN, SCSelection::kAdd, 0, 40, 10, 30, false, 1},
    };
    for (const Case& c : cases) {
        Pool pool;
        const std::vector<ECBase*> elements = pool.Make(c.times, 80);
        std::vector<ECBase*> current(elements.begin() + c.currentFrom, elements.begin() + c.currentTo);
        if (c.doubled)
            current.insert(current.end(), current.begin(), current.begin() + 10);
        const std::vector<ECBase*> requested(elements.begin() + c.requestFrom, elements.begin() + c.requestTo);
        const auto mark = [&] {
            for (ECBase* element : elements)
                element->SetSelected(0);
            for (ECBase* element : current) {
                const auto at = std::find(elements.begin(), elements.end(), element) - elements.begin();
                element->SetSelected(at % c.markedEvery == 0 ? 1 : 0);
            }
        };

        mark();
        const Outcome expected = updatedOneByOne(c.code, current, placedOneByOne({requested}), elements);

        mark();
        MCEventList list;
        for (ECBase* element : current)
            list.AddTail(element);
        SCSelection selection(c.code);
        for (ECBase* element : requested)
            selection.AddToSelection(element);
        EXPECT_EQ(selection.UpdateSelection(list), expected.result) << c.name;
        EXPECT_EQ(contents(selection.GetEvents(SCSelection::kNewSelection)), expected.newSelection) << c.name;
        EXPECT_EQ(contents(selection.GetEvents(SCSelection::kAdded)), expected.added) << c.name;
        EXPECT_EQ(contents(selection.GetEvents(SCSelection::kDropped)), expected.dropped) << c.name;
        EXPECT_EQ(contents(&list), expected.current) << c.name;
        std::vector<int> marks;
        for (ECBase* element : elements)
            marks.push_back(element->IsSelected());
        EXPECT_EQ(marks, expected.marks) << c.name;
    }
}

}  // namespace
