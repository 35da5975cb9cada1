#pragma once

#include "notabase/NotabaseExport.h"

#include "notabase/model/MCEventList.h"

// An element list whose accessors hand out a derived element type. It adds nothing else.
template <class T>
class NOTABASE_API MCTypedEventList : public MCEventList {
public:
    using MCEventList::MCEventList;
    using Iterator = MCListIterator<Node, T*>;

    Iterator begin() const { return Iterator(headNode()); }
    Iterator end() const { return Iterator(); }

    T* GetHead() const { return static_cast<T*>(MCEventList::GetHead()); }
    T* GetTail() const { return static_cast<T*>(MCEventList::GetTail()); }
    T* GetAt(MCPosition position) const { return static_cast<T*>(MCEventList::GetAt(position)); }
    T* GetNext(MCPosition& position) const { return static_cast<T*>(MCEventList::GetNext(position)); }
    T* GetPrev(MCPosition& position) const { return static_cast<T*>(MCEventList::GetPrev(position)); }
    T* RemoveHead() { return RemoveAt(GetHeadPosition()); }
    T* RemoveTail() { return RemoveAt(GetTailPosition()); }
    T* RemoveAt(MCPosition position)
    {
        T* element = GetAt(position);
        MCEventList::RemoveAt(position);
        return element;
    }
};
