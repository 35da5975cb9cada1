#include "notabase/states/SCSelection.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECMirror.h"
#include "notabase/states/MCFocusWnd.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>

namespace {

std::atomic<unsigned long> s_color{255};

// A time as a key that orders as MCTime's comparison does. A set of times has such keys when
// MCTime orders it totally: plain values (none of them NaN), or bar/pulse/tick records that
// all count ticks in one resolution.
using TimeKey = std::array<int64_t, 3>;

int64_t floatKey(float value)
{
    // -0 and 0 are equal times; the sign-and-magnitude bits become a two's complement order.
    if (value == 0.0f)
        value = 0.0f;
    int32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits < 0 ? -static_cast<int64_t>(bits & 0x7FFFFFFF) : bits;
}

// The key of each element's time (none for an element without one), or nothing when the
// times are not all of one kind that keys order.
std::optional<std::vector<std::optional<TimeKey>>> timeKeys(const std::vector<ECBase*>& elements)
{
    enum class Kind { unknown, plain, record } kind = Kind::unknown;
    int ppq = 0;
    std::vector<std::optional<TimeKey>> keys;
    keys.reserve(elements.size());
    for (ECBase* element : elements) {
        const MCTime* time = element->GetTime();
        if (!time) {
            keys.emplace_back();
            continue;
        }
        if (const BPTTime* record = time->GetBarPulseTick()) {
            if (kind == Kind::plain || (kind == Kind::record && record->ppq != ppq))
                return std::nullopt;
            kind = Kind::record;
            ppq = record->ppq;
            keys.push_back(TimeKey{record->bar, record->pulse, record->tick});
        } else {
            const float value = time->GetSeconds();
            if (kind == Kind::record || std::isnan(value))
                return std::nullopt;
            kind = Kind::plain;
            keys.push_back(TimeKey{floatKey(value), 0, 0});
        }
    }
    return keys;
}

// Sorts stably by merging the runs already in order, pairwise, pass after pass: elements
// gathered staff by staff come as a few runs, which merge in a few passes.
template <class Earlier>
void sortByRuns(std::vector<size_t>& order, Earlier earlier)
{
    std::vector<size_t> starts{0};
    for (size_t i = 1; i < order.size(); ++i) {
        if (earlier(order[i], order[i - 1]))
            starts.push_back(i);
    }
    if (starts.size() == 1)
        return;
    std::vector<size_t> merged(order.size());
    std::vector<size_t> mergedStarts;
    while (starts.size() > 1) {
        mergedStarts.clear();
        for (size_t run = 0; run < starts.size(); run += 2) {
            const auto at = [&](size_t index) {
                const size_t start = index < starts.size() ? starts[index] : order.size();
                return order.begin() + static_cast<std::ptrdiff_t>(start);
            };
            std::merge(at(run), at(run + 1), at(run + 1), at(run + 2),
                       merged.begin() + static_cast<std::ptrdiff_t>(starts[run]), earlier);
            mergedStarts.push_back(starts[run]);
        }
        order.swap(merged);
        starts.swap(mergedStarts);
    }
}

// Inserts the elements into the list one after another as MCEventList::AddEvent(element, 1)
// does, to the same result, without walking the list for each one. Each element goes in
// right after the last element whose time is not later than its own, or at the head (an
// element without a time always). With every element timed that is a stable sort; otherwise
// the list is a tree of "went in after", and reading it depth first, later insertions after
// the same element first, gives the final order. Both need the timed elements already in the
// list in order and times that keys order; otherwise, and for a few elements, they go in one
// by one.
void addInTimeOrder(MCEventList& list, const std::vector<ECBase*>& adds)
{
    constexpr size_t kFewElements = 16;
    const auto oneByOne = [&] {
        for (ECBase* element : adds)
            list.AddEvent(element, 1);
    };
    if (adds.size() < kFewElements) {
        oneByOne();
        return;
    }
    std::vector<ECBase*> nodes;
    nodes.reserve(static_cast<size_t>(list.GetCount()) + adds.size());
    for (ECBase* element : list)
        nodes.push_back(element);
    const size_t existing = nodes.size();
    nodes.insert(nodes.end(), adds.begin(), adds.end());
    const auto keys = timeKeys(nodes);
    if (!keys) {
        oneByOne();
        return;
    }
    const TimeKey* latest = nullptr;
    for (size_t i = 0; i < existing; ++i) {
        const std::optional<TimeKey>& key = (*keys)[i];
        if (!key)
            continue;
        if (latest && *key < *latest) {
            oneByOne();
            return;
        }
        latest = &*key;
    }

    // Ahead of RemoveAll: an element the list alone holds goes on living.
    std::vector<plat::RefPtr<ECBase>> held(nodes.begin(), nodes.begin() + static_cast<std::ptrdiff_t>(existing));
    std::vector<size_t> order;
    order.reserve(nodes.size());
    if (std::all_of(keys->begin(), keys->end(), [](const std::optional<TimeKey>& key) { return key.has_value(); })) {
        // With every element timed, each goes in after all that are not later, before all that
        // are: the order of a stable sort of the list followed by the new elements.
        for (size_t i = 0; i < nodes.size(); ++i)
            order.push_back(i);
        const auto earlier = [&](size_t a, size_t b) { return *(*keys)[a] < *(*keys)[b]; };
        sortByRuns(order, earlier);
    } else {
        // The last element in the list with each time.
        std::map<TimeKey, size_t> lastOfTime;
        for (size_t i = 0; i < existing; ++i) {
            if (const std::optional<TimeKey>& key = (*keys)[i])
                lastOfTime[*key] = i;
        }
        constexpr size_t none = SIZE_MAX;
        const size_t head = nodes.size();
        // The elements that went in after each one (and at the head), latest first.
        std::vector<size_t> firstAfter(nodes.size() + 1, none);
        std::vector<size_t> nextSibling(nodes.size(), none);
        for (size_t i = existing; i < nodes.size(); ++i) {
            size_t after = head;
            if (const std::optional<TimeKey>& key = (*keys)[i]) {
                if (auto later = lastOfTime.upper_bound(*key); later != lastOfTime.begin())
                    after = std::prev(later)->second;
                lastOfTime[*key] = i;
            }
            nextSibling[i] = firstAfter[after];
            firstAfter[after] = i;
        }
        std::vector<size_t> stack;
        const auto emitFrom = [&](size_t first) {
            if (first != none)
                stack.push_back(first);
            while (!stack.empty()) {
                const size_t at = stack.back();
                stack.pop_back();
                order.push_back(at);
                if (nextSibling[at] != none)
                    stack.push_back(nextSibling[at]);
                if (firstAfter[at] != none)
                    stack.push_back(firstAfter[at]);
            }
        };
        emitFrom(firstAfter[head]);
        for (size_t i = 0; i < existing; ++i) {
            order.push_back(i);
            emitFrom(firstAfter[i]);
        }
    }
    list.RemoveAll();
    for (size_t at : order)
        list.AddTail(nodes[at]);
}

}  // namespace

SCSelection::SCSelection(int code)
    : SCBase(code), m_request(10), m_newSelection(10), m_added(10), m_dropped(10)
{
    SetSynchronous(1);
}

SCSelection::SCSelection(int code, ECBase* element) : SCSelection(code)
{
    AddToSelection(element);
}

SCSelection::SCSelection(int code, MCEventList* elements) : SCSelection(code)
{
    AddToSelection(elements);
}

SCSelection::~SCSelection()
{
    ClearSelection();
    if (m_focusWnd && m_focusWnd->IsWindow())
        m_focusWnd->SetFocus();
}

ECBase* SCSelection::GetEvent(ECBase* element)
{
    element = standsFor(element);
    if (!element || requested().Get(element) > 0)
        return nullptr;
    return element;
}

ECBase* SCSelection::standsFor(ECBase* element)
{
    if (auto* mirror = plat::dynamicDowncast<ECMirror>(element))
        return mirror->GetMirrorEvent();
    return element;
}

MCElementCounts& SCSelection::requested()
{
    if (m_requestHandedOut) {
        m_requested.Clear();
        m_requested.Reserve(static_cast<size_t>(m_request.GetCount()) + m_pending.size());
        for (ECBase* element : m_request)
            m_requested.Add(element);
        for (const plat::RefPtr<ECBase>& element : m_pending)
            m_requested.Add(element.get());
        m_requestHandedOut = false;
    }
    return m_requested;
}

void SCSelection::placePending()
{
    if (m_pending.empty())
        return;
    std::vector<ECBase*> adds;
    adds.reserve(m_pending.size());
    for (const plat::RefPtr<ECBase>& element : m_pending)
        adds.push_back(element.get());
    addInTimeOrder(m_request, adds);
    m_pending.clear();
}

void SCSelection::AddToSelection(ECBase* element)
{
    // One look-up: an element already requested is not counted again.
    if (ECBase* e = standsFor(element); e && requested().AddFirst(e))
        m_pending.emplace_back(e);
}

void SCSelection::AddToSelection(MCEventList* elements)
{
    if (!elements)
        return;
    // Room for the whole list at once, growing at least twofold so that many short lists
    // added one after another do not make room again and again.
    const size_t more = static_cast<size_t>(elements->GetCount());
    if (m_pending.size() + more > m_pending.capacity())
        m_pending.reserve(std::max(m_pending.size() + more, 2 * m_pending.capacity()));
    requested().Reserve(m_requested.Size() + more);
    for (ECBase* element : *elements)
        AddToSelection(element);
}

void SCSelection::RemoveFromSelection(ECBase* element)
{
    if (ECBase* e = standsFor(element)) {
        MCElementCounts removals;
        removals.Add(e);
        removeFromRequest(std::move(removals));
    }
}

void SCSelection::RemoveFromSelection(MCEventList* elements)
{
    if (!elements)
        return;
    MCElementCounts removals;
    removals.Reserve(static_cast<size_t>(elements->GetCount()));
    for (ECBase* element : *elements)
        removals.Add(standsFor(element));
    removeFromRequest(std::move(removals));
}

void SCSelection::removeFromRequest(MCElementCounts removals)
{
    placePending();
    MCElementCounts& counts = requested();
    for (MCPosition position = m_request.GetHeadPosition(); position && !removals.IsEmpty();) {
        const MCPosition at = position;
        ECBase* element = m_request.GetNext(position);
        if (removals.Get(element) == 0)
            continue;
        removals.Remove(element);
        counts.Remove(element);
        // Last: the element may go with the list's reference.
        m_request.RemoveAt(at);
    }
}

void SCSelection::ClearSelection()
{
    m_pending.clear();
    m_requested.Clear();
    m_requestHandedOut = false;
    m_request.RemoveAll();
    m_newSelection.RemoveAll();
    m_added.RemoveAll();
    m_dropped.RemoveAll();
}

int SCSelection::UpdateSelection(MCEventList& current)
{
    const int code = GetCode();
    if (code < kClear || code > kToggle)
        return 0;
    placePending();

    // The new selection in order, a removed entry left as null.
    std::vector<ECBase*> selection;
    if (code == kReplace) {
        selection.reserve(static_cast<size_t>(m_request.GetCount()));
        for (ECBase* element : m_request)
            selection.push_back(element);
    } else if (code != kClear) {
        constexpr size_t none = SIZE_MAX;
        // Each element's first and last entry still in the selection; each entry leads to the
        // next entry of its element, so that a removal takes the first as RemoveEvent does.
        struct Entries {
            size_t first;
            size_t last;
        };
        std::unordered_map<ECBase*, Entries> entries;
        std::vector<size_t> nextOfElement;
        entries.reserve(static_cast<size_t>(current.GetCount() + m_request.GetCount()));
        const auto present = [&](ECBase* element) {
            const auto found = entries.find(element);
            return found != entries.end() && found->second.first != none;
        };
        const auto append = [&](ECBase* element) {
            const size_t at = selection.size();
            selection.push_back(element);
            nextOfElement.push_back(none);
            auto [found, fresh] = entries.try_emplace(element, Entries{at, at});
            if (fresh)
                return;
            if (found->second.first == none)
                found->second.first = at;
            else
                nextOfElement[found->second.last] = at;
            found->second.last = at;
        };
        const auto removeFirst = [&](ECBase* element) {
            const auto found = entries.find(element);
            if (found == entries.end() || found->second.first == none)
                return;
            const size_t at = found->second.first;
            selection[at] = nullptr;
            found->second.first = nextOfElement[at];
        };
        for (ECBase* element : current)
            append(element);
        for (ECBase* element : m_request) {
            if (code == kAdd) {
                if (!present(element))
                    append(element);
            } else if (code == kRemove || element->IsSelected()) {
                removeFirst(element);
            } else {
                append(element);
            }
        }
    }

    m_newSelection.RemoveAll();
    m_added.RemoveAll();
    m_dropped.RemoveAll();
    for (ECBase* element : selection) {
        if (element)
            m_newSelection.AddTail(element);
    }
    // Membership by binary search in sorted copies: two allocations rather than one a node.
    const auto sortedCopy = [](const MCEventList& list) {
        std::vector<ECBase*> sorted;
        sorted.reserve(static_cast<size_t>(list.GetCount()));
        for (ECBase* element : list)
            sorted.push_back(element);
        std::sort(sorted.begin(), sorted.end(), std::less<ECBase*>());
        return sorted;
    };
    // Against an empty side nothing needs looking up.
    const std::vector<ECBase*> before = m_newSelection.IsEmpty() ? std::vector<ECBase*>() : sortedCopy(current);
    const std::vector<ECBase*> after = current.IsEmpty() ? std::vector<ECBase*>() : sortedCopy(m_newSelection);
    const auto holds = [](const std::vector<ECBase*>& sorted, ECBase* element) {
        return std::binary_search(sorted.begin(), sorted.end(), element, std::less<ECBase*>());
    };
    std::vector<ECBase*> added, dropped;
    for (ECBase* element : m_newSelection) {
        if (!holds(before, element))
            added.push_back(element);
    }
    for (ECBase* element : current) {
        if (!holds(after, element))
            dropped.push_back(element);
    }
    addInTimeOrder(m_added, added);
    addInTimeOrder(m_dropped, dropped);
    for (ECBase* element : m_added)
        element->SetSelected(1);
    for (ECBase* element : m_dropped)
        element->SetSelected(0);

    current.RemoveAll();
    current.AddEvents(m_newSelection);
    m_flags |= kUpdated;
    return (!m_added.IsEmpty() || !m_dropped.IsEmpty()) ? 1 : 0;
}

MCEventList* SCSelection::GetEvents(int which)
{
    if (which == kRequest) {
        placePending();
        m_requestHandedOut = true;
        return &m_request;
    }
    if (!(m_flags & kUpdated))
        return nullptr;
    switch (which) {
    case kNewSelection:
        return &m_newSelection;
    case kAdded:
        return &m_added;
    case kDropped:
        return &m_dropped;
    default:
        return nullptr;
    }
}

void SCSelection::SetDynamic(int on)
{
    m_flags = on ? (m_flags | kDynamic) : (m_flags & static_cast<uint8_t>(~kDynamic));
}

unsigned long SCSelection::GetColor()
{
    return s_color.load();
}

void SCSelection::SetColor(unsigned long color)
{
    s_color.store(color);
}
