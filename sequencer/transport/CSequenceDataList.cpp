#include "sequencer/transport/CSequence.h"

#include "notabase/actions/ACBase.h"
#include "notabase/model/ECBase.h"
#include "notabase/model/EventTypes.h"
#include "platform/core/LargePageAllocator.h"
#include "sequencer/data/DCsqBase.h"
#include "sequencer/data/DCsqSysMsg.h"
#include "sequencer/transport/CSequenceLocked.h"
#include "sequencer/transport/SequenceSupport.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <vector>

using namespace sequence_support;

namespace {

// An element before time zero goes to zero as its data joins the list, except a system
// message holding system-exclusive bytes (the pre-start messages).
void HoldAtZero(DCsqBase* data)
{
    ECBase* owner = data->GetOwner();
    const MCTime* time = owner ? owner->GetTime() : nullptr;
    if (!time || !(*time < MCTime(0.0f)) || isNull(*time))
        return;
    const auto* sysMsg = plat::dynamicDowncast<DCsqSysMsg>(data);
    if (sysMsg && sysMsg->GetSysExData().HasData())
        return;
    const MCTime zero(0.0f);
    owner->SetTime(&zero);
}

// The rebuild's lists and table hold an entry per element: for a large piece tens of megabytes,
// made afresh at every rebuild and filled at once, hence large pages.
template <class T>
using RebuildList = std::vector<T, plat::LargePageAllocator<T>>;

}  // namespace

// ---- the data list

bool CSequence::StandsInList(const DCsqBase* data)
{
    switch (data->GetClassType()) {
    case SeqClassType::FlowControl:
    case SeqClassType::Key:
    case SeqClassType::Lyric:
    case SeqClassType::Meter:
    case SeqClassType::Midi:
    case SeqClassType::Note:
    case SeqClassType::SysMsg:
    case SeqClassType::Text:
    case SeqClassType::Wave:
    case SeqClassType::ChannelMode:
        return true;
    default:
        return false;
    }
}

DCsqBase* CSequence::ListData(ECBase* element)
{
    return element ? plat::dynamicDowncast<DCsqBase>(element->GetData(0, 0)) : nullptr;
}

void CSequence::InsertData(DCsqBase* data)
{
    if (!data)
        return;
    Locked locked(*this);
    // Inserted twice, the data would stand twice and close a cycle.
    if (data->GetPrev() || data->GetNext() || m_head == data)
        RemoveData(data);
    HoldAtZero(data);
    if (!m_head) {
        data->SetPrev(nullptr);
        data->SetNext(nullptr);
        m_head = m_tail = m_recordPosition = m_playPosition = data;
        return;
    }
    const int where = FindInsertPosition(data);
    DCsqBase* before = nullptr;  // the node the data follows
    DCsqBase* after = nullptr;   // the node the data precedes
    switch (where) {
    case 0:
        after = m_head;
        break;
    case 1:
        after = m_recordPosition;
        before = after->GetPrev();
        break;
    case 2:
        before = m_recordPosition;
        after = before->GetNext();
        break;
    default:
        before = m_tail;
        break;
    }
    data->SetPrev(before);
    data->SetNext(after);
    if (before)
        before->SetNext(data);
    else
        m_head = data;
    if (after)
        after->SetPrev(data);
    else
        m_tail = data;
    m_recordPosition = data;
}

int CSequence::FindInsertPosition(DCsqBase* data)
{
    Locked locked(*this);
    DCsqBase* cursor = m_recordPosition ? m_recordPosition : m_head;
    if (!cursor)
        return 3;
    const MCTime time = dataTime(data);
    const int precedence = CMidiScoreMgr::GetPrecedence(data);
    // Data that goes after the last (as every track of a file read at once mostly does) or
    // before the first is placed without walking there from the cursor: the list is in order,
    // so the walk would end at the same place.
    const auto follows = [&](DCsqBase* node) {
        const MCTime nodeTime = dataTime(node);
        return time > nodeTime || (time == nodeTime && precedence <= CMidiScoreMgr::GetPrecedence(node));
    };
    const auto precedes = [&](DCsqBase* node) {
        const MCTime nodeTime = dataTime(node);
        return time < nodeTime || (time == nodeTime && precedence > CMidiScoreMgr::GetPrecedence(node));
    };
    if (m_tail && cursor != m_tail && follows(m_tail)) {
        m_recordPosition = m_tail;
        return 3;
    }
    if (m_head && cursor != m_head && precedes(m_head)) {
        m_recordPosition = m_head;
        return 0;
    }
    bool moved = false;
    for (;;) {
        const MCTime cursorTime = dataTime(cursor);
        const int cursorPrecedence = CMidiScoreMgr::GetPrecedence(cursor);
        if (!(time > cursorTime || (time == cursorTime && precedence <= cursorPrecedence)))
            break;
        DCsqBase* next = cursor->GetNext();
        if (!next) {
            m_recordPosition = cursor;
            return 3;
        }
        cursor = next;
        moved = true;
    }
    if (moved) {
        m_recordPosition = cursor;
        return 1;
    }
    for (;;) {
        const MCTime cursorTime = dataTime(cursor);
        const int cursorPrecedence = CMidiScoreMgr::GetPrecedence(cursor);
        if (!(time < cursorTime || (time == cursorTime && precedence > cursorPrecedence)))
            break;
        DCsqBase* prev = cursor->GetPrev();
        if (!prev) {
            m_recordPosition = cursor;
            return 0;
        }
        cursor = prev;
    }
    m_recordPosition = cursor;
    return 2;
}

void CSequence::RemoveData(DCsqBase* data)
{
    if (!data)
        return;
    Locked locked(*this);
    DCsqBase* prev = data->GetPrev();
    DCsqBase* next = data->GetNext();
    if (!prev && !next && m_head != data)
        return;
    if (prev)
        prev->SetNext(next);
    if (next)
        next->SetPrev(prev);
    if (m_head == data)
        m_head = next;
    if (m_tail == data)
        m_tail = prev;
    if (m_recordPosition == data)
        m_recordPosition = prev ? prev : next;
    if (m_playPosition == data)
        m_playPosition = prev ? prev : next;
    data->SetPrev(nullptr);
    data->SetNext(nullptr);
}

void CSequence::CheckEventOrder(ECBase* element)
{
    if (DCsqBase* data = ListData(element); data && StandsInList(data)) {
        Locked locked(*this);
        RemoveData(data);
        InsertData(data);
    }
}

namespace {

// Collects every element a walk meets, in that order; each once.
class ElementCollector final : public ACBase {
public:
    explicit ElementCollector(RebuildList<ECBase*>& elements) : m_elements(elements) {}
    int DoAction(ECBase* element) override
    {
        m_elements.push_back(element);
        return 0;
    }

private:
    RebuildList<ECBase*>& m_elements;
};

// The item of each data, found by address: an open-addressed table of item numbers, made once
// for as many data as there are elements (a table of nodes would allocate one per data, which
// for a large piece costs more than the rest of the rebuild). The slot of an address is its
// bits above the alignment: data collected one after another lie close together and probe
// neighbouring slots.
template <class Item>
class ItemIndex {
public:
    ItemIndex(const RebuildList<Item>& items, size_t capacity)
        : m_items(items), m_slots(std::bit_ceil(std::max<size_t>(16, 2 * capacity)), 0)
    {
    }
    // The number of the data's item, or SIZE_MAX.
    size_t find(const DCsqBase* data) const
    {
        const uint32_t entry = m_slots[probe(data)];
        return entry == 0 ? SIZE_MAX : entry - 1;
    }
    // Enters the data as item number `item` unless it has one; whether it was new.
    bool insert(const DCsqBase* data, size_t item)
    {
        const size_t slot = probe(data);
        if (m_slots[slot] != 0)
            return false;
        m_slots[slot] = static_cast<uint32_t>(item + 1);
        return true;
    }

private:
    size_t probe(const DCsqBase* data) const
    {
        const size_t mask = m_slots.size() - 1;
        for (size_t slot = (reinterpret_cast<uintptr_t>(data) >> 4) & mask;; slot = (slot + 1) & mask) {
            const uint32_t entry = m_slots[slot];
            if (entry == 0 || m_items[entry - 1].data == data)
                return slot;
        }
    }

    const RebuildList<Item>& m_items;
    RebuildList<uint32_t> m_slots;
};

}  // namespace

void CSequence::CheckDataIntegrity()
{
    Locked locked(*this);
    // Every element of the piece, once each, in the order the walk meets them.
    RebuildList<ECBase*> elements;
    if (m_performance) {
        ElementCollector collect(elements);
        collect.BypassNone();
        collect.Apply(m_performance);
    }

    // The list is what inserting each data in turn makes (those the list held in its order,
    // then the others in the order collected): ascending time, higher precedence first at one
    // time, and that turn among equals. That is one sort by time, precedence and turn, done at
    // once instead of one insert after another (which walks back over the whole list for every
    // staff). Times that do not order as plain numbers (bar, pulse and tick times,
    // not-a-number), and data that is not its own element's, take the inserts.
    constexpr size_t noTurn = SIZE_MAX;
    struct Item {
        DCsqBase* data;
        float time;
        int precedence;
        size_t turn;
    };
    RebuildList<Item> items;
    items.reserve(elements.size());
    std::vector<DCsqBase*> unlisted;
    // Each data once, where it was first collected.
    ItemIndex<Item> itemOf(items, elements.size());
    bool plain = true;
    // Each pass over the data of a large piece misses the cache at every one: what the rebuild
    // needs of a data is taken in the one pass that collects it. A data's time is read after it
    // is held at zero; the list's links are left as they stand for the walk below.
    // The last note time is the latest end of any data, in whatever order they come, unless a
    // wave clip is among them: its end depends on the one before in the list.
    float lastNote = 0.0f;
    bool waves = false;
    for (ECBase* element : elements) {
        DCsqBase* data = ListData(element);
        if (!data)
            continue;
        if (!StandsInList(data)) {
            unlisted.push_back(data);
            continue;
        }
        plain = plain && data->GetOwner() == element;
        if (!itemOf.insert(data, items.size()))
            continue;
        HoldAtZero(data);
        const MCTime time = dataTime(data);
        const float seconds = time.GetSeconds();
        plain = plain && time.GetMode() != MCTime::barPulseTick && !std::isnan(seconds);
        items.push_back({data, seconds, CMidiScoreMgr::GetPrecedence(data), noTurn});
        waves = waves || data->GetClassType() == SeqClassType::Wave;
        lastNote = LastNoteTimeWith(data, lastNote);
    }
    // Among data of one time and precedence the list keeps the order they came in (a loaded
    // list, the order it was stored in). The list as it stands gives the first turns, as far
    // as it runs over collected data: a link to anything else, or back, ends the walk
    // unfollowed. The others follow in the order collected.
    size_t turns = 0;
    for (DCsqBase* node = m_head; node; node = node->GetNext()) {
        const size_t found = itemOf.find(node);
        if (found == SIZE_MAX || items[found].turn != noTurn)
            break;
        items[found].turn = turns++;
    }
    for (Item& item : items) {
        if (item.turn == noTurn)
            item.turn = turns++;
    }
    for (DCsqBase* data : unlisted) {
        data->SetPrev(nullptr);
        data->SetNext(nullptr);
    }
    m_head = m_tail = m_recordPosition = m_playPosition = nullptr;
    if (!plain) {
        for (const Item& item : items) {
            item.data->SetPrev(nullptr);
            item.data->SetNext(nullptr);
        }
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) { return a.turn < b.turn; });
        for (const Item& item : items)
            InsertData(item.data);
        GetLastNoteTime();
        return;
    }
    if (!items.empty()) {
        // The cursors stand where the inserts would leave them: the position cursor on the
        // data of the first turn, the insert cursor on that of the last.
        DCsqBase* first = nullptr;
        DCsqBase* last = nullptr;
        for (const Item& item : items) {
            if (item.turn == 0)
                first = item.data;
            if (item.turn == turns - 1)
                last = item.data;
        }
        std::sort(items.begin(), items.end(), [](const Item& a, const Item& b) {
            if (a.time != b.time)
                return a.time < b.time;
            if (a.precedence != b.precedence)
                return a.precedence > b.precedence;
            return a.turn < b.turn;
        });
        // Every link of every item is set here: the old ones go with it.
        DCsqBase* previous = nullptr;
        for (const Item& item : items) {
            item.data->SetPrev(previous);
            if (previous)
                previous->SetNext(item.data);
            previous = item.data;
        }
        previous->SetNext(nullptr);
        m_head = items.front().data;
        m_tail = items.back().data;
        m_playPosition = first;
        m_recordPosition = last;
    }
    if (waves) {
        // What GetLastNoteTime finds walking the list, taken from the items in the list's
        // order without following its links one by one.
        lastNote = 0.0f;
        for (const Item& item : items)
            lastNote = LastNoteTimeWith(item.data, lastNote);
    }
    m_lastNoteTime = MCTime(lastNote + 0.001f);
}

DCsqBase* CSequence::GetBeginning()
{
    Locked locked(*this);
    for (DCsqBase* data = m_head; data; data = data->GetNext()) {
        if (dataTime(data) >= MCTime(0.0f))
            return data;
    }
    return nullptr;
}
