#include "notabase/model/MCEventList.h"

#include "notabase/model/ECBase.h"
#include "notabase/model/ECMirror.h"
#include "notabase/values/MCTime.h"
#include "platform/core/Archive.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_set>
#include <vector>

PLAT_IMPLEMENT_SERIAL(MCEventList, MCObList, 0x80000001u)

MCEventList::MCEventList(int blockSize) : MCObList(blockSize)
{
}

MCEventList::~MCEventList()
{
    RemoveAll();
}

ECBase* MCEventList::toElement(plat::Object* item)
{
    return static_cast<ECBase*>(item);
}

MCEventList::Node* MCEventList::NewNode(Node* prev, Node* next, plat::Object* item)
{
    ECBase* element = m_typedEntry ? static_cast<ECBase*>(item) : plat::dynamicDowncast<ECBase>(item);
    if (!element)
        throw std::invalid_argument("an element list holds elements only");
    element->Ref();
    return MCObList::NewNode(prev, next, item);
}

void MCEventList::FreeNode(Node* n)
{
    ECBase* element = toElement(n->data);
    MCObList::FreeNode(n);
    element->Unref(m_detaching ? 0 : 1);
}

int MCEventList::DetachEvent(ECBase* element)
{
    const MCPosition position = Find(element);
    if (!position)
        return 0;
    m_detaching = true;
    RemoveAt(position);
    m_detaching = false;
    return 1;
}

void MCEventList::DetachAll()
{
    m_detaching = true;
    RemoveAll();
    m_detaching = false;
}

ECBase* MCEventList::RemoveAt(MCPosition position)
{
    // Taken before the node goes: the release may delete the element.
    ECBase* element = GetAt(position);
    MCObList::RemoveAt(position);
    return element;
}

MCPosition MCEventList::AddHead(ECBase* element)
{
    const TypedEntry typed(m_typedEntry);
    return MCObList::AddHead(element);
}

MCPosition MCEventList::AddTail(ECBase* element)
{
    const TypedEntry typed(m_typedEntry);
    return MCObList::AddTail(element);
}

void MCEventList::SetAt(MCPosition position, plat::Object* item)
{
    if (!position)
        return;
    ECBase* element = plat::dynamicDowncast<ECBase>(item);
    if (!element)
        throw std::invalid_argument("an element list holds elements only");
    element->Ref();
    ECBase* old = GetAt(position);
    MCObList::SetAt(position, item);
    old->Unref(1);
}

MCPosition MCEventList::AddEvent(ECBase* element, int sorted)
{
    if (!sorted)
        return AddTail(element);
    MCTime* time = element->GetTime();
    if (!time)
        return AddHead(element);
    const MCPosition before = FindTimeReverse(time);
    return before ? InsertAfter(before, element) : AddHead(element);
}

void MCEventList::AddEvents(const MCEventList& list, int sorted)
{
    if (!sorted) {
        const TypedEntry typed(m_typedEntry);
        AddTail(list);
        return;
    }
    MCEventList snapshot;
    snapshot.AddTail(list);
    for (ECBase* element : snapshot)
        AddEvent(element, 1);
}

int MCEventList::RemoveEvent(ECBase* element)
{
    const MCPosition position = Find(element);
    if (!position)
        return 0;
    RemoveAt(position);
    return 1;
}

void MCEventList::RemoveEvents(const MCEventList& list)
{
    // A snapshot keeps the elements alive and lets a list remove its own elements.
    MCEventList snapshot;
    snapshot.AddTail(list);
    for (ECBase* element : snapshot)
        RemoveEvent(element);
}

int MCEventList::GetEventType() const
{
    int type = -1;
    for (const ECBase* element : *this) {
        const int id = element->GetEventId();
        if (type == -1)
            type = id;
        else if (id != type)
            return -2;
    }
    return type;
}

int MCEventList::GetEventTypes(std::vector<int>& types) const
{
    for (const ECBase* element : *this) {
        const int id = element->GetEventId();
        bool known = false;
        for (int t : types)
            known = known || t == id;
        if (!known)
            types.push_back(id);
    }
    return static_cast<int>(types.size());
}

int MCEventList::ContainsEventType(int id) const
{
    return FindEvent(id) ? 1 : 0;
}

MCPosition MCEventList::FindTime(const MCTime* time, MCPosition after) const
{
    MCPosition p = after ? pos(node(after)->next) : GetHeadPosition();
    while (p) {
        const MCPosition here = p;
        const MCTime* t = GetNext(p)->GetTime();
        if (t && *t > *time)
            return here;
    }
    return nullptr;
}

MCPosition MCEventList::FindTimeReverse(const MCTime* time, MCPosition before) const
{
    MCPosition p = before ? pos(node(before)->prev) : GetTailPosition();
    while (p) {
        const MCPosition here = p;
        const MCTime* t = GetPrev(p)->GetTime();
        if (t && *t <= *time)
            return here;
    }
    return nullptr;
}

MCPosition MCEventList::FindEvent(int id, MCPosition after) const
{
    MCPosition p = after ? pos(node(after)->next) : GetHeadPosition();
    while (p) {
        const MCPosition here = p;
        if (GetNext(p)->GetEventId() == id)
            return here;
    }
    return nullptr;
}

MCPosition MCEventList::FindEventReverse(int id, MCPosition before) const
{
    MCPosition p = before ? pos(node(before)->prev) : GetTailPosition();
    while (p) {
        const MCPosition here = p;
        if (GetPrev(p)->GetEventId() == id)
            return here;
    }
    return nullptr;
}

void MCEventList::Sort()
{
    // A merge sort of the items, written back into the nodes: the list holds the same elements
    // afterwards, so no reference changes. Elements without a time come first; MCTime's order
    // decides the rest, and equal (or incomparable) elements keep their order.
    std::vector<plat::Object*> items = this->items();
    const size_t n = items.size();
    if (n < 2)
        return;
    auto before = [](plat::Object* a, plat::Object* b) {
        MCTime* ta = toElement(a)->GetTime();
        MCTime* tb = toElement(b)->GetTime();
        if (!tb)
            return false;
        if (!ta)
            return true;
        return *ta < *tb && !(*tb < *ta);
    };
    std::vector<plat::Object*> buffer(n);
    for (size_t width = 1; width < n; width *= 2) {
        for (size_t lo = 0; lo < n; lo += 2 * width) {
            const size_t mid = std::min(lo + width, n);
            const size_t hi = std::min(lo + 2 * width, n);
            size_t i = lo, j = mid, k = lo;
            while (i < mid && j < hi)
                buffer[k++] = before(items[j], items[i]) ? items[j++] : items[i++];
            while (i < mid)
                buffer[k++] = items[i++];
            while (j < hi)
                buffer[k++] = items[j++];
        }
        items.swap(buffer);
    }
    size_t k = 0;
    for (Node* nd = headNode(); nd; nd = nd->next)
        nd->data = items[k++];
}

void MCEventList::ReplaceMirrors(int removeDuplicates)
{
    for (MCPosition position = GetHeadPosition(); position;) {
        const MCPosition at = position;
        auto* mirror = plat::dynamicDowncast<ECMirror>(GetNext(position));
        if (!mirror)
            continue;
        if (ECBase* mirrored = mirror->GetMirrorEvent())
            SetAt(at, mirrored);
        else
            RemoveAt(at);
    }
    if (removeDuplicates)
        RemoveDuplicates();
}

void MCEventList::RemoveDuplicates()
{
    std::unordered_set<const plat::Object*> seen;
    for (Node* nd = tailNode(); nd;) {
        Node* prev = nd->prev;
        if (!seen.insert(nd->data).second)
            RemoveAt(pos(nd));
        nd = prev;
    }
}

void MCEventList::CollapseToAncestors()
{
    // Every descendant of every element, each visited once however many parents it has.
    std::unordered_set<const ECBase*> below;
    std::vector<ECBase*> pending;
    for (ECBase* element : *this) {
        if (MCEventList* children = element->GetChildren()) {
            for (ECBase* child : *children)
                pending.push_back(child);
        }
    }
    while (!pending.empty()) {
        ECBase* element = pending.back();
        pending.pop_back();
        if (!below.insert(element).second)
            continue;
        if (MCEventList* children = element->GetChildren()) {
            for (ECBase* child : *children)
                pending.push_back(child);
        }
    }
    if (below.empty())
        return;
    for (Node* nd = headNode(); nd;) {
        Node* next = nd->next;
        if (below.count(toElement(nd->data)))
            RemoveAt(pos(nd));
        nd = next;
    }
}

void MCEventList::SerializeFromParent(plat::Archive& archive, ECBase* parent)
{
    if (archive.isStoring()) {
        archive.writeCount(static_cast<uint32_t>(GetCount()));
        for (const ECBase* element : *this)
            archive.writeObject(element);
        return;
    }
    const uint32_t count = archive.readCount();
    for (uint32_t i = 0; i < count; ++i) {
        ECBase* element = archive.readObjectAs<ECBase>();
        if (!element)
            continue;
        if (element == parent || element->IsLoading())
            throw plat::ArchiveError(plat::ArchiveError::Cause::generic, "an element stored as its own descendant");
        // An element stands in this list exactly when the parent stands in its own parent
        // list, which is short: an element stored twice in the list is taken once.
        if (element->GetParents()->Find(parent))
            continue;
        AddTail(element);
        element->GetParents()->AddTail(parent);
    }
}

void MCEventList::Serialize(plat::Archive& archive)
{
    if (archive.isStoring()) {
        MCObList::Serialize(archive);
        return;
    }
    const uint32_t count = archive.readCount();
    for (uint32_t i = 0; i < count; ++i) {
        if (ECBase* element = archive.readObjectAs<ECBase>())
            AddTail(element);
    }
}
