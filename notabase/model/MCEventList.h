#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/lists/MCObList.h"

#include <utility>
#include <vector>

class ECBase;
class MCTime;

// The list of elements. Every node holds one counted reference on its element (ECBase::Ref
// when the node is made, ECBase::Unref(1) when it is freed), so an element lives as long as a
// list holds it. The accessors hand out ECBase pointers.
class NOTABASE_API MCEventList : public MCObList {
    PLAT_DECLARE_SERIAL(MCEventList)
public:
    explicit MCEventList(int blockSize = 10);
    ~MCEventList() override;

    using Iterator = MCListIterator<Node, ECBase*>;

    // Hands out the elements, head to tail: `for (ECBase* element : list)`.
    Iterator begin() const { return Iterator(headNode()); }
    Iterator end() const { return Iterator(); }

    using MCObList::GetNext;
    using MCObList::GetPrev;
    ECBase* GetHead() const { return toElement(MCObList::GetHead()); }
    ECBase* GetTail() const { return toElement(MCObList::GetTail()); }
    ECBase* GetAt(MCPosition position) const { return toElement(MCObList::GetAt(position)); }
    ECBase* GetNext(MCPosition& position) const { return toElement(MCObList::GetNext(position)); }
    ECBase* GetPrev(MCPosition& position) const { return toElement(MCObList::GetPrev(position)); }
    using MCObList::AddHead;
    using MCObList::AddTail;
    MCPosition AddHead(ECBase* element);
    MCPosition AddTail(ECBase* element);
    // The removers hand back the element, which may have been deleted with its last reference.
    ECBase* RemoveHead() { return RemoveAt(GetHeadPosition()); }
    ECBase* RemoveTail() { return RemoveAt(GetTailPosition()); }
    ECBase* RemoveAt(MCPosition position);
    // Takes a reference on the new element, then releases the old one.
    void SetAt(MCPosition position, plat::Object* item) override;

    // Unsorted: at the tail. Sorted: an element without a time at the head, otherwise after the
    // last element whose time is not later than its own (at the head when there is none), so
    // that elements of equal time keep the order they were added in.
    MCPosition AddEvent(ECBase* element, int sorted = 0);
    void AddEvents(const MCEventList& list, int sorted = 0);
    // Removes the first node holding the element; 1, or 0 when it is not in the list.
    int RemoveEvent(ECBase* element);
    void RemoveEvents(const MCEventList& list);

    // -1 for an empty list, the id that all elements share, or -2 when two differ.
    int GetEventType() const;
    // Appends each element id not in the array yet; returns the array's new size.
    int GetEventTypes(std::vector<int>& types) const;
    int ContainsEventType(int id) const;

    // The first element after `after` (or from the head) with a time strictly later than the
    // given one.
    MCPosition FindTime(const MCTime* time, MCPosition after = nullptr) const;
    // The first element before `before` (or from the tail), going back, with a time not later
    // than the given one.
    MCPosition FindTimeReverse(const MCTime* time, MCPosition before = nullptr) const;
    MCPosition FindEvent(int id, MCPosition after = nullptr) const;
    MCPosition FindEventReverse(int id, MCPosition before = nullptr) const;

    // Orders the list by time: elements without a time first, the rest by MCTime comparison.
    // The sort is stable.
    void Sort();
    // Leaves each element once, at its last place.
    void RemoveDuplicates();
    // Puts in place of each mirror the element it mirrors (a mirror of nothing leaves the
    // list); then, with removeDuplicates, leaves each element once.
    void ReplaceMirrors(int removeDuplicates);
    // Removes every element that lies below another element of the list (among its children,
    // their children, and so on), so that each remaining element stands for the part of the
    // graph below it.
    void CollapseToAncestors();

    // Storing writes the elements as MCObList does. Loading appends each element read that is
    // not in the list yet and adds the parent to that element's parents: this rebuilds both
    // directions of the links of a child list.
    void SerializeFromParent(plat::Archive& archive, ECBase* parent);
    void Serialize(plat::Archive& archive) override;

    // Removes the first node holding the element, or every node, releasing their references
    // without deleting any element that drops to 0. For taking apart what a failed load
    // built, where the archive deletes each object itself.
    int DetachEvent(ECBase* element);
    void DetachAll();
    void unlinkAfterFailedLoad() override { DetachAll(); }

protected:
    Node* NewNode(Node* prev, Node* next, plat::Object* item) override;
    void FreeNode(Node* n) override;

private:
    static ECBase* toElement(plat::Object* item);

    // Set while items go in through an entry typed as elements (or copied from an element
    // list), so that NewNode need not check their class.
    class TypedEntry {
    public:
        explicit TypedEntry(bool& flag) : m_flag(flag), m_was(std::exchange(flag, true)) {}
        ~TypedEntry() { m_flag = m_was; }
        TypedEntry(const TypedEntry&) = delete;
        TypedEntry& operator=(const TypedEntry&) = delete;

    private:
        bool& m_flag;
        bool m_was;
    };

    // Set while detaching: FreeNode releases without deleting.
    bool m_detaching = false;
    bool m_typedEntry = false;
};
